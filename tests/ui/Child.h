#pragma once

#include <QApplication>
#include <QDialog>
#include <QTest>
#include <QTimer>
#include <functional>
#include <vector>

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

// One data row per entry of a table, named by the entry's name, so that each fails on its own;
// RowOf gives the entry back inside the test.
template <typename Row>
void AddRowsOf(const std::vector<Row>& rows) {
    QTest::addColumn<int>("row");
    for (std::size_t i = 0; i < rows.size(); ++i) {
        QTest::newRow(rows[i].name) << static_cast<int>(i);
    }
}
template <typename Row>
const Row& RowOf(const std::vector<Row>& rows) {
    QFETCH(int, row);
    return rows[static_cast<std::size_t>(row)];
}

}  // namespace qm::test
