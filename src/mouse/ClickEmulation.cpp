#include "mouse/ClickEmulation.h"

#include <array>
#include <span>

#include "diag/CaughtError.h"
#include "diag/RaisedError.h"
#include "diag/Trace.h"
#include "diag/Traced.h"

namespace qm {
namespace {

constexpr const char* kCLickMouse = "frmSerial.CLickMouse";

struct ButtonFlags {
    std::uint32_t down;
    std::uint32_t up;
};

// Only the two buttons the dispatcher uses are known. Anything else is refused on both input
// paths alike, so no value can ever send button-less records or a stray press.
ButtonFlags FlagsFor(std::int32_t button) {
    switch (button) {
        case 1:
            return {MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP};
        case 2:
            return {MOUSEEVENTF_RIGHTDOWN, MOUSEEVENTF_RIGHTUP};
        default:
            throw RaisedError(err::UnrecognisedMouseButton, "frmSerial", "Unrecognised mouse button");
    }
}

}  // namespace

ClickEmulation::ClickEmulation(InputInjector& injector, const clsOSInfo& osInfo, EventPump& pump)
    : injector_(injector), osInfo_(osInfo), pump_(pump) {}

bool ClickEmulation::CLickMouse(std::int32_t button, std::int32_t doubleClick) {
    return Traced(kCLickMouse, false, [&] {
        pump_.DoEvents();
        const ButtonFlags flags = FlagsFor(button);
        const std::size_t count = doubleClick == 1 ? 4 : 2;
        if (osInfo_.IsWin98() || osInfo_.IsWin2K()) {
            std::array<InputRecord, 4> records{};
            for (std::size_t i = 0; i < count; ++i) {
                records[i] = InputRecord::Mouse(i % 2 == 0 ? flags.down : flags.up);
            }
            injector_.SendInput(std::span<const InputRecord>(records.data(), count));
        } else {
            for (std::size_t i = 0; i < count; ++i) {
                injector_.mouse_event(i % 2 == 0 ? flags.down : flags.up, 0, 0);
            }
        }
        return true;
    });
}

}  // namespace qm
