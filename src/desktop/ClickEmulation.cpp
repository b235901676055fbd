#include "desktop/ClickEmulation.h"

#include <algorithm>
#include <array>
#include <span>

#include "diag/CaughtError.h"
#include "diag/RaisedError.h"
#include "diag/Trace.h"
#include "diag/Traced.h"

namespace qm {
namespace {

constexpr const char* kCLickMouse = "frmSerial.CLickMouse";
constexpr const char* kMiddleClick = "frmSerial.MiddleClick";
constexpr const char* kTurnWheel = "frmSerial.TurnWheel";
constexpr const char* kToggleLeftLock = "frmSerial.ToggleLeftLock";

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
        ReleaseLeftLock();
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

void ClickEmulation::Send(std::span<const std::uint32_t> flags, std::uint32_t data) {
    if (osInfo_.IsWin98() || osInfo_.IsWin2K()) {
        std::array<InputRecord, 2> records{};
        for (std::size_t i = 0; i < flags.size() && i < records.size(); ++i) {
            records[i] = InputRecord::Mouse(flags[i], 0, 0, data);
        }
        injector_.SendInput(
            std::span<const InputRecord>(records.data(), std::min(flags.size(), records.size())));
    } else {
        for (const std::uint32_t flag : flags) {
            injector_.mouse_event(flag, 0, 0, data);
        }
    }
}

bool ClickEmulation::MiddleClick() {
    return Traced(kMiddleClick, false, [&] {
        pump_.DoEvents();
        ReleaseLeftLock();
        const std::array<std::uint32_t, 2> flags = {MOUSEEVENTF_MIDDLEDOWN, MOUSEEVENTF_MIDDLEUP};
        Send(flags);
        return true;
    });
}

bool ClickEmulation::TurnWheel(WheelTurn turn) {
    return Traced(kTurnWheel, false, [&] {
        pump_.DoEvents();
        const bool vertical = turn == WheelTurn::Up || turn == WheelTurn::Down;
        const bool positive = turn == WheelTurn::Up || turn == WheelTurn::Right;
        const std::array<std::uint32_t, 1> flags = {vertical ? MOUSEEVENTF_WHEEL : MOUSEEVENTF_HWHEEL};
        Send(flags, static_cast<std::uint32_t>(positive ? WHEEL_DELTA : -WHEEL_DELTA));
        return true;
    });
}

bool ClickEmulation::ToggleLeftLock() {
    return Traced(kToggleLeftLock, false, [&] {
        pump_.DoEvents();
        // Decided after the pending events: a nested toggle has already had its turn.
        const std::array<std::uint32_t, 1> flags = {leftLocked_ ? MOUSEEVENTF_LEFTUP : MOUSEEVENTF_LEFTDOWN};
        leftLocked_ = !leftLocked_;
        Send(flags);
        return true;
    });
}

void ClickEmulation::ReleaseLeftLock() {
    if (leftLocked_) {
        leftLocked_ = false;
        const std::array<std::uint32_t, 1> flags = {MOUSEEVENTF_LEFTUP};
        Send(flags);
    }
}

}  // namespace qm
