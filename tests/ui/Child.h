#pragma once

#include <QWidget>

namespace qm::test {

// A control found by its object name, as assistive tools find it; a missing one ends the test.
template <typename T>
T* Child(QWidget* parent, const char* name) {
    auto* child = parent->findChild<T*>(QString::fromLatin1(name));
    if (child == nullptr) {
        qFatal("no child %s", name);
    }
    return child;
}

}  // namespace qm::test
