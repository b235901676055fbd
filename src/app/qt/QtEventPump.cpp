#include "app/qt/QtEventPump.h"

#include <QCoreApplication>

namespace qm {

void QtEventPump::DoEvents() {
    if (QCoreApplication::instance() != nullptr) {
        QCoreApplication::processEvents(QEventLoop::AllEvents);
    }
}

}  // namespace qm
