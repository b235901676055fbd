#include "input/KeystrokeInjection.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "support/CoreOsVersions.h"
#include "support/TraceCapture.h"
#include "support/fakes/RecordingInjector.h"

namespace qm {
namespace {

// Every call as "S:" (SendInput) or "k:" (keybd_event), then its records as "vk/flags/scan".
std::string Sent(const RecordingInjector& injector) {
    std::string text;
    for (const RecordingInjector::Call& call : injector.Calls()) {
        text += call.path == RecordingInjector::Path::SendInput ? "S:" : "k:";
        for (const InputRecord& r : call.records) {
            text += std::to_string(r.ki.wVk) + "/" + std::to_string(r.ki.dwFlags) + "/" +
                    std::to_string(r.ki.wScan) + " ";
        }
    }
    return text;
}

// A script of the device's keys: a virtual key as 256 + its number, a character as its code, -1
// for the port going away, on a layout where "@" is AltGr+Q and "a" needs Ctrl alone. The
// layouts' keys on the newer path are the X11 injector's cases; here the older path's one call per
// event, the character typed as itself where no key makes it, the codes that type nothing, and the
// modifiers, which latch for one key, lock down on the desktop, and let go.
TEST(KeystrokeInjection, EachCodeAndModifierReachesTheSystemAsItsKeysOrNotAtAll) {
    constexpr int kCtrl = 256 + 0x11, kAlt = 256 + 0x12, kShift = 256 + 0x10, kLogo = 256 + 0x5B;
    constexpr int kLeft = 256 + 0x25, kGone = -1;
    struct Case {
        std::vector<int> keys;
        bool legacy;
        const char* sent;
        const char* held = "";        // the modifiers' state afterwards
        const char* trace = nullptr;  // after "No key on the keyboard layout for key code "
    };
    for (const Case& c : {
             Case{{'Z'}, true, "k:16/0/0 k:90/0/0 k:16/2/0 k:90/2/0 "},
             Case{{'@'}, true, "k:165/1/0 k:81/0/0 k:81/2/0 k:165/3/0 "},
             Case{{'a'}, false, "S:65/0/0 65/2/0 "},  // Ctrl alone: never
             Case{{0x80}, false, "S:0/4/8364 0/6/8364 ", "", "128 - typed as a character"},
             // Control characters without a key and C1 codes would type nothing; the older calls
             // can only press keys.
             Case{{0x1F}, false, "", "", "31 - not typed"},
             Case{{0x81}, false, "", "", "129 - not typed"},
             Case{{0xE9}, true, "", "", "233 - not typed"},
             Case{{kCtrl, 'c'}, true, "k:17/0/0 k:67/0/0 k:67/2/0 k:17/2/0 "},
             // The character's own Shift would let go of a held one before the key.
             Case{{kShift, kShift, 'A', kShift, kShift, 'A'},
                  false,
                  "S:16/0/0 S:65/0/0 65/2/0 S:16/2/0 S:16/0/0 65/0/0 65/2/0 16/2/0 "},
             // Extended keys keep their flag; the latches go around in order and let go in reverse.
             Case{{kLogo, kCtrl, kLeft}, false, "S:17/0/0 91/1/0 37/1/0 37/3/0 91/3/0 17/2/0 "},
             Case{{kCtrl, kCtrl, kAlt}, false, "S:17/0/0 ", "Ctrl: locked, Alt: once"},
             Case{{kCtrl, kCtrl, kAlt, kGone, 'c'}, false, "S:17/0/0 S:17/2/0 S:67/0/0 67/2/0 "},
             // No key for it: nothing is sent and the latch waits for a key that is.
             Case{{kCtrl, 256, 'c'}, false, "S:17/0/0 67/0/0 67/2/0 17/2/0 "},
         }) {
        test::TraceCapture trace;
        RecordingInjector injector;
        injector.SetKeyScan('@', 0x0651);
        injector.SetKeyScan('a', 0x0241);
        const clsOSInfo os = c.legacy ? test::LegacyInputPathOS() : test::NewerInputPathOS();
        KeystrokeInjection keys(injector, os);
        for (const int key : c.keys) {
            ASSERT_TRUE(key == kGone ? (keys.ReleaseModifiers(), true)
                        : key >= 256 ? keys.SendVirtualKey(static_cast<std::uint8_t>(key - 256))
                                     : keys.SendKeyCode(key));
        }
        EXPECT_EQ(Sent(injector), c.sent) << c.sent;
        EXPECT_EQ(keys.Modifiers().Describe(), c.held) << c.sent;
        if (c.trace != nullptr) {
            EXPECT_TRUE(trace.Contains("frmSerial.SendKeyCode:: No key on the keyboard layout for key code " +
                                       std::string(c.trace)));
        }
    }
}

TEST(KeystrokeInjection, CodesOutsideOneByteAreRefused) {
    RecordingInjector injector;
    const clsOSInfo os = test::NewerInputPathOS();
    KeystrokeInjection keys(injector, os);
    for (const int code : {256, -1, 65536 + 'a'}) {
        test::TraceCapture trace;
        EXPECT_FALSE(keys.SendKeyCode(code));
        EXPECT_EQ(trace.Reports(),
                  (std::vector<std::string>{"frmSerial.SendKeyCode:Method Entry: ",
                                            "frmSerial.SendKeyCode:#Method Exit Error#: Overflow"}))
            << code;
    }
    EXPECT_EQ(injector.CallCount(), 0u);
}

}  // namespace
}  // namespace qm
