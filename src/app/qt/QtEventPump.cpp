#include "app/qt/QtEventPump.h"

#include <QCoreApplication>

namespace qm {

// The road lets pending events run in the middle of a character so that the serial line, the
// movement timer and the window stay alive while it works. What it must not let run there is
// the user's own input: a click on "About..." (or a key that chooses "&Exit") handled nested
// inside a character opens its modal loop there, and the device's next bytes would wait behind
// the character until someone closed the box with a real mouse. So the pointer and keyboard
// events stay queued until the character is done and are handled at the top of the loop, in
// their order; the device's own clicks on the program's windows reach them the same way.
void QtEventPump::DoEvents() {
    if (QCoreApplication::instance() != nullptr) {
        ++depth_;
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        --depth_;
    }
}

}  // namespace qm
