#include "desktop/win32/Win32Desktop.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "desktop/ClickEmulation.h"
#include "input/KeystrokeInjection.h"
#include "support/CoreScriptedPump.h"
// Last: it brings <windows.h> and its macros.
#include "desktop/win32/Win32InputCalls.h"

namespace qm {
namespace {

// "k<vk>/<scan>/<flags>" or "m<type>/<dx>,<dy>/<data>/<flags>", hexadecimal; the system's own
// time and extra information must be left at 0.
std::string Describe(const INPUT& input) {
    char text[120];
    const bool key = input.type == INPUT_KEYBOARD;
    if ((key ? input.ki.time : input.mi.time) != 0 ||
        (key ? input.ki.dwExtraInfo : input.mi.dwExtraInfo) != 0) {
        return "time or extra information set";
    }
    key ? std::snprintf(text, sizeof text, "k%X/%X/%lX", static_cast<unsigned>(input.ki.wVk),
                        static_cast<unsigned>(input.ki.wScan), static_cast<unsigned long>(input.ki.dwFlags))
        : std::snprintf(text, sizeof text, "m%lX/%ld,%ld/%lX/%lX", static_cast<unsigned long>(input.type),
                        static_cast<long>(input.mi.dx), static_cast<long>(input.mi.dy),
                        static_cast<unsigned long>(input.mi.mouseData),
                        static_cast<unsigned long>(input.mi.dwFlags));
    return text;
}

// Stands in for user32: every call is written down, one line each, in the order made; the
// questions get the answers the test sets.
class RecordedSystem {
public:
    Win32InputCalls Calls() {
        Win32InputCalls calls;
        calls.SendInput = [this](UINT count, LPINPUT inputs, int size) {
            std::string line = "SendInput " + std::to_string(count) + "x" + std::to_string(size) + ":";
            for (UINT i = 0; i < count; ++i) {
                line += " " + Describe(inputs[i]);
            }
            log.push_back(line);
            return count;
        };
        calls.VkKeyScanA = [this](CHAR character) {
            log.push_back("VkKeyScanA " + std::to_string(static_cast<unsigned char>(character)));
            return keyScan;
        };
        calls.MultiByteToWideChar = [this](UINT codePage, DWORD flags, LPCCH text, int length, LPWSTR wide,
                                           int wideLength) {
            log.push_back("MultiByteToWideChar cp=" + std::to_string(codePage) + " flags=" +
                          std::to_string(flags) + " " + std::to_string(static_cast<unsigned char>(*text)) +
                          " length=" + std::to_string(length) + "/" + std::to_string(wideLength));
            wide[0] = ansiChar;
            return ansiChar == 0 ? 0 : 1;
        };
        calls.GetSystemMetrics = [](int index) { return index == SM_CXSCREEN ? 1025 : 769; };
        return calls;
    }

    std::vector<std::string> log;
    SHORT keyScan = 0;
    WCHAR ansiChar = 0;  // the ANSI code page's character for every byte; 0: not one on its own
};

// A character's key with Shift and AltGr (Ctrl+Alt) as the layout answers, Shift let go before
// the key and AltGr around it all. A character that needs Ctrl or Alt alone or another modifier
// has no key to us and is typed as itself. A control character has the key of its own or none,
// whatever the layout says, and the layout is not asked.
TEST(Win32Desktop, CharactersNeedOnlyShiftOrAltGr) {
    struct Scan {
        char character;
        SHORT answer;
        Typing typing;
        const char* sent;
    };
    for (const Scan scan : {
             Scan{'A', 0x141, Typing::ByKey, "SendInput 4x40: k10/0/0 k41/0/0 k10/0/2 k41/0/2"},
             Scan{'@', 0x651, Typing::ByKey, "SendInput 4x40: kA5/0/1 k51/0/0 k51/0/2 kA5/0/3"},
             Scan{'|', 0x7DC, Typing::ByKey,
                  "SendInput 6x40: kA5/0/1 k10/0/0 kDC/0/0 k10/0/2 kDC/0/2 kA5/0/3"},
             Scan{'\xE9', -1, Typing::AsCharacter, "SendInput 2x40: k0/E9/4 k0/E9/6"},
             Scan{'x', 0x258, Typing::AsCharacter, "SendInput 2x40: k0/78/4 k0/78/6"},
             Scan{'y', 0x459, Typing::AsCharacter, "SendInput 2x40: k0/79/4 k0/79/6"},
             Scan{'z', 0x85A, Typing::AsCharacter, "SendInput 2x40: k0/7A/4 k0/7A/6"},
             Scan{'\x01', 0x241, Typing::Not, nullptr},
             Scan{'\0', 0x332, Typing::Not, nullptr},
             Scan{'\x7F', 0x208, Typing::ByKey, "SendInput 2x40: k8/0/0 k8/0/2"},
             Scan{'\n', 0x20D, Typing::ByKey, "SendInput 2x40: kD/0/0 kD/0/2"},
             Scan{'\x1B', 0x2DB, Typing::ByKey, "SendInput 2x40: k1B/0/0 k1B/0/2"},
             Scan{'\t', 0x009, Typing::ByKey, "SendInput 2x40: k9/0/0 k9/0/2"},
         }) {
        RecordedSystem system;
        Win32Desktop desktop(system.Calls());
        system.keyScan = scan.answer;
        system.ansiChar = static_cast<unsigned char>(scan.character);
        const auto code = static_cast<unsigned char>(scan.character);
        EXPECT_EQ(desktop.HowToType(scan.character), scan.typing) << int(code);
        EXPECT_EQ(system.log.empty() || system.log[0].rfind("VkKeyScanA", 0) != 0,
                  code < 0x20 || code == 0x7F)
            << "the layout is asked for " << int(code);
        if (scan.sent != nullptr) {
            system.log.clear();
            desktop.Type(scan.character);
            EXPECT_EQ(system.log, std::vector<std::string>{scan.sent}) << int(code);
        }
    }
}

TEST(Win32Desktop, KeystrokesAndClicksReachTheSystemInOneCall) {
    test::ScriptedPump pump;
    RecordedSystem system;
    Win32Desktop desktop(system.Calls());
    system.keyScan = 0x141;  // "A": the A key with Shift, which is let go before the key

    KeystrokeInjection keys(desktop);
    ClickEmulation clicks(desktop, pump);
    ASSERT_TRUE(keys.SendKeyCode('A'));
    ASSERT_TRUE(clicks.Click(MouseButton::Left, ClickCount::Double));
    // No key for the byte 0xE9: typed as the character it is in the system's code page, here
    // Windows-1251 (Cyrillic short i), and not as Windows-1252's é. A byte that only begins a
    // double-byte character is not typed.
    system.keyScan = -1;
    system.ansiChar = 0x0439;
    ASSERT_TRUE(keys.SendKeyCode(0xE9));
    system.ansiChar = 0;
    ASSERT_TRUE(keys.SendKeyCode(0x81));
    // Ctrl latched around Delete, an extended key, and around "A", whose Shift is locked.
    ASSERT_TRUE(keys.SendVirtualKey(0x11) && keys.SendVirtualKey(0x2E));
    system.keyScan = 0x141;
    ASSERT_TRUE(keys.SendVirtualKey(0xA1) && keys.SendVirtualKey(0xA1));
    ASSERT_TRUE(keys.SendVirtualKey(0x11) && keys.SendKeyCode('A'));
    // The wheels' distances and an absolute position, 0 to 65535 across the primary screen.
    ASSERT_TRUE(clicks.TurnWheel(Wheel::Left));
    desktop.MoveTo({512, 384});
    desktop.MoveBy(-3, 4);
    EXPECT_EQ(system.log, (std::vector<std::string>{
                              "VkKeyScanA 65",
                              "SendInput 4x40: k10/0/0 k41/0/0 k10/0/2 k41/0/2",
                              "SendInput 4x40: m0/0,0/0/2 m0/0,0/0/4 m0/0,0/0/2 m0/0,0/0/4",
                              "VkKeyScanA 233",
                              "MultiByteToWideChar cp=0 flags=8 233 length=1/2",
                              "SendInput 2x40: k0/439/4 k0/439/6",
                              "VkKeyScanA 129",
                              "MultiByteToWideChar cp=0 flags=8 129 length=1/2",
                              "SendInput 4x40: k11/0/0 k2E/0/1 k2E/0/3 k11/0/2",
                              "SendInput 1x40: kA1/0/0",
                              "VkKeyScanA 65",
                              "SendInput 4x40: k11/0/0 k41/0/0 k41/0/2 k11/0/2",
                              "SendInput 1x40: m0/0,0/FFFFFF88/1000",
                              "SendInput 1x40: m0/32768,32768/0/8001",
                              "SendInput 1x40: m0/-3,4/0/1",
                          }));
}

}  // namespace
}  // namespace qm
