#include "support/gui/QtWait.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QTimer>

namespace qm::test {

bool QtWaitUntil(const std::function<bool()>& condition, std::chrono::milliseconds timeout) {
    QDeadlineTimer deadline(timeout);
    QTimer wake;
    wake.start(5);  // ms: how often a blocked loop looks at the clock
    while (!condition()) {
        if (deadline.hasExpired()) {
            return condition();
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
    }
    return true;
}

void QtRunFor(std::chrono::milliseconds period) {
    QDeadlineTimer deadline(period);
    QtWaitUntil([&deadline] { return deadline.hasExpired(); }, period + std::chrono::seconds(1));
}

}  // namespace qm::test
