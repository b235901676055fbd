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

// The layouts' keys on the newer path are the X11 injector's cases;
// here the older path's one call per event, the character typed as itself where no key makes
// it, the codes that type nothing, and those outside one byte, refused.
TEST(KeystrokeInjection, EachCodeReachesTheSystemAsItsKeysOrNotAtAll) {
    struct Case {
        std::int32_t code;
        bool legacy;
        std::int16_t answer;  // the layout's answer; 0: the US one
        const char* sent;
        const char* trace;  // nullptr: not checked
    };
    const char* const kAsItself = " - typed as a character";
    const char* const kNotTyped = " - not typed";
    const char* const kOverflow = " - refused";
    for (const Case c :
         {Case{'Z', true, 0, "k:16/0/0 k:90/0/0 k:16/2/0 k:90/2/0 ", nullptr},
          Case{'@', true, 0x0651, "k:165/1/0 k:81/0/0 k:81/2/0 k:165/3/0 ", nullptr},  // AltGr+Q
          Case{'a', false, 0x0241, "S:65/0/0 65/2/0 ", nullptr},                       // Ctrl alone: never
          Case{0x80, false, -1, "S:0/4/8364 0/6/8364 ", kAsItself},
          // Control characters without a key and C1 codes would type nothing; the older calls
          // can only press keys.
          Case{0x1F, false, -1, "", kNotTyped}, Case{0x81, false, -1, "", kNotTyped},
          Case{0xE9, true, -1, "", kNotTyped}, Case{256, false, 0, "", kOverflow},
          Case{-1, false, 0, "", kOverflow}, Case{65536 + 'a', false, 0, "", kOverflow}}) {
        SCOPED_TRACE(c.code);
        test::TraceCapture trace;
        RecordingInjector injector;
        if (c.answer != 0) {
            injector.SetKeyScan(static_cast<char>(c.code), c.answer);
        }
        const clsOSInfo os = c.legacy ? test::LegacyInputPathOS() : test::NewerInputPathOS();
        KeystrokeInjection keys(injector, os);
        ASSERT_EQ(keys.SendKeyCode(c.code), c.trace != kOverflow);
        EXPECT_EQ(Sent(injector), c.sent);
        if (c.trace == kOverflow) {
            EXPECT_EQ(trace.Reports(),
                      (std::vector<std::string>{"frmSerial.SendKeyCode:Method Entry: ",
                                                "frmSerial.SendKeyCode:#Method Exit Error#: Overflow"}));
        } else if (c.trace != nullptr) {
            EXPECT_TRUE(trace.Contains("frmSerial.SendKeyCode:: No key on the keyboard layout for key code " +
                                       std::to_string(c.code) + c.trace));
        }
    }
}

// A script of the device's keys: a virtual key as 256 + its number, a character as its code, -1
// for the port going away. Modifiers latch for one key, lock down on the desktop, and let go.
TEST(KeystrokeInjection, ModifiersLatchLockAndGoAroundTheNextKey) {
    constexpr int kCtrl = 256 + 0x11, kAlt = 256 + 0x12, kShift = 256 + 0x10, kLogo = 256 + 0x5B;
    constexpr int kLeft = 256 + 0x25, kGone = -1;
    struct Case {
        std::vector<int> keys;
        bool legacy;
        const char* sent;
        const char* held;  // the modifiers' state afterwards
    };
    for (const Case& c : {
             Case{{kCtrl, 'c'}, true, "k:17/0/0 k:67/0/0 k:67/2/0 k:17/2/0 ", ""},
             // The character's own Shift would let go of a held one before the key.
             Case{{kShift, kShift, 'A', kShift, kShift, 'A'},
                  false,
                  "S:16/0/0 S:65/0/0 65/2/0 S:16/2/0 S:16/0/0 65/0/0 65/2/0 16/2/0 ",
                  ""},
             // Extended keys keep their flag; the latches go around in order and let go in reverse.
             Case{{kLogo, kCtrl, kLeft}, false, "S:17/0/0 91/1/0 37/1/0 37/3/0 91/3/0 17/2/0 ", ""},
             Case{{kCtrl, kCtrl, kAlt}, false, "S:17/0/0 ", "Ctrl: locked, Alt: once"},
             Case{{kCtrl, kCtrl, kAlt, kGone, 'c'}, false, "S:17/0/0 S:17/2/0 S:67/0/0 67/2/0 ", ""},
             // No key for it: nothing is sent and the latch waits for a key that is.
             Case{{kCtrl, 256, 'c'}, false, "S:17/0/0 67/0/0 67/2/0 17/2/0 ", ""},
         }) {
        RecordingInjector injector;
        const clsOSInfo os = c.legacy ? test::LegacyInputPathOS() : test::NewerInputPathOS();
        KeystrokeInjection keys(injector, os);
        for (const int key : c.keys) {
            ASSERT_TRUE(key == kGone ? (keys.ReleaseModifiers(), true)
                        : key >= 256 ? keys.SendVirtualKey(static_cast<std::uint8_t>(key - 256))
                                     : keys.SendKeyCode(key));
        }
        EXPECT_EQ(Sent(injector), c.sent) << c.sent;
        EXPECT_EQ(keys.Modifiers().Describe(), c.held) << c.sent;
    }
}

}  // namespace
}  // namespace qm
