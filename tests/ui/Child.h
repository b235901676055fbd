#pragma once

#include <QApplication>
#include <QDialog>
#include <QTimer>
#include <functional>

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

// Runs body against the modal dialog once it is up, and makes sure it goes away again, so a
// failing check never leaves the test waiting on a dialog.
inline void WhenModal(std::function<void(QDialog*)> body) {
    QTimer::singleShot(0, [body] {
        if (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
            body(dialog);
            if (dialog->isVisible()) {
                dialog->reject();
            }
        }
    });
}

}  // namespace qm::test
