#include "input/KeystrokeInjection.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "support/TraceCapture.h"
#include "support/fakes/RecordingDesktop.h"

namespace qm {
namespace {

// A script of the device's keys: a virtual key as 256 + its number, a character as its code, -1
// for the port going away. How a character is typed is the desktop's (its backends' cases); here
// the character typed as itself where no key makes it, the codes that type nothing, and the
// modifiers, which latch for one key, lock down on the desktop, and let go.
TEST(KeystrokeInjection, EachCodeAndModifierReachesTheDesktopAsItsKeysOrNotAtAll) {
    constexpr int kCtrl = 256 + 0x11, kAlt = 256 + 0x12, kShift = 256 + 0x10, kLogo = 256 + 0x5B;
    constexpr int kLeft = 256 + 0x25, kGone = -1;
    struct Case {
        std::vector<int> keys;
        const char* sent;
        const char* held = "";        // the modifiers' state afterwards
        const char* trace = nullptr;  // after "No key on the keyboard layout for key code "
    };
    for (const Case& c : {
             Case{{'a'}, "type a "},
             Case{{0x80}, "type \x80 ", "", "128 - typed as a character"},
             // Control characters without a key and C1 codes would type nothing.
             Case{{0x1F}, "", "", "31 - not typed"},
             Case{{kCtrl, 0x81, 'c'}, "+Ctrl type c -Ctrl ", "", "129 - not typed"},
             Case{{kCtrl, 'c'}, "+Ctrl type c -Ctrl "},
             Case{{kShift, kShift, 'A', kShift, kShift, 'A'}, "+Shift type A -Shift +Shift type A -Shift "},
             // The latches go around in order and let go in reverse.
             Case{{kLogo, kCtrl, kLeft}, "+Ctrl +Left Logo +Left -Left -Left Logo -Ctrl "},
             Case{{kCtrl, kCtrl, kAlt}, "+Ctrl ", "Ctrl: locked, Alt: once"},
             Case{{kCtrl, kCtrl, kAlt, kGone, 'c'}, "+Ctrl -Ctrl type c "},
             // No key for it: nothing is sent and the latch waits for a key that is.
             Case{{kCtrl, 256, 'c'}, "+Ctrl type c -Ctrl "},
         }) {
        test::TraceCapture trace;
        RecordingDesktop desktop;
        KeystrokeInjection keys(desktop);
        int writes = 0;
        for (const int key : c.keys) {
            ASSERT_TRUE(key == kGone ? (keys.ReleaseModifiers(), true)
                        : key >= 256 ? keys.SendVirtualKey(static_cast<std::uint8_t>(key - 256))
                                     : keys.SendKeyCode(key));
            // Whatever one key sends goes out together.
            EXPECT_LE(desktop.Writes(), ++writes) << c.sent;
            writes = desktop.Writes();
        }
        EXPECT_EQ(desktop.Log(), c.sent) << c.sent;
        EXPECT_EQ(keys.Modifiers().Describe(), c.held) << c.sent;
        if (c.trace != nullptr) {
            EXPECT_TRUE(trace.Contains("frmSerial.SendKeyCode:: No key on the keyboard layout for key code " +
                                       std::string(c.trace)));
        }
    }
}

TEST(KeystrokeInjection, CodesOutsideOneByteAreRefused) {
    RecordingDesktop desktop;
    KeystrokeInjection keys(desktop);
    for (const int code : {256, -1, 65536 + 'a'}) {
        test::TraceCapture trace;
        EXPECT_FALSE(keys.SendKeyCode(code));
        EXPECT_EQ(trace.Reports(),
                  (std::vector<std::string>{"frmSerial.SendKeyCode:Method Entry: ",
                                            "frmSerial.SendKeyCode:#Method Exit Error#: Overflow"}))
            << code;
    }
    EXPECT_EQ(desktop.EventCount(), 0u);
}

}  // namespace
}  // namespace qm
