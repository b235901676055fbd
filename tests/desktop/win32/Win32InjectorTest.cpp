#include "desktop/win32/Win32Injector.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "desktop/ClickEmulation.h"
#include "input/KeystrokeInjection.h"
#include "support/CoreOsVersions.h"
#include "support/CoreScriptedPump.h"
// Last: it brings <windows.h>, whose macros carry the same values as our names.
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
        return calls;
    }

    std::vector<std::string> log;
    SHORT keyScan = 0;
    WCHAR ansiChar = 0;  // the ANSI code page's character for every byte; 0: not one on its own
};

// Shift and AltGr (Ctrl+Alt) answers come back as they are, and "no key" too. A character that
// needs Ctrl or Alt alone or another modifier has no key to us. A control character has the key
// of its own or none, whatever the layout says, and the layout is not asked.
TEST(Win32Injector, KeysThatNeedOnlyShiftOrAltGr) {
    RecordedSystem system;
    Win32Injector injector(system.Calls());
    struct Scan {
        char character;
        SHORT answer;
        SHORT expected;
    };
    for (const Scan scan :
         {Scan{'A', 0x141, 0x141}, Scan{'@', 0x651, 0x651}, Scan{'|', 0x7DC, 0x7DC}, Scan{'\xE9', -1, -1},
          Scan{'x', 0x258, -1}, Scan{'y', 0x459, -1}, Scan{'z', 0x85A, -1}, Scan{'\x01', 0x241, -1},
          Scan{'\0', 0x332, -1}, Scan{'\x7F', 0x208, VK_BACK}, Scan{'\n', 0x20D, VK_RETURN},
          Scan{'\x1B', 0x2DB, VK_ESCAPE}, Scan{'\t', 0x009, VK_TAB}}) {
        system.keyScan = scan.answer;
        system.log.clear();
        EXPECT_EQ(injector.VkKeyScanA(scan.character), scan.expected) << int(scan.character);
        const auto code = static_cast<unsigned char>(scan.character);
        EXPECT_EQ(system.log.empty(), code < 0x20 || code == 0x7F) << "the layout is asked";
    }
}

TEST(Win32Injector, KeystrokesAndClicksReachTheSystemInOneCall) {
    test::ScriptedPump pump;
    RecordedSystem system;
    Win32Injector injector(system.Calls());
    system.keyScan = 0x141;  // "A": the A key with Shift, which is let go before the key

    const clsOSInfo newer = test::NewerInputPathOS();
    KeystrokeInjection keys(injector, newer);
    ClickEmulation clicks(injector, newer, pump);
    ASSERT_TRUE(keys.SendKeyCode('A'));
    ASSERT_TRUE(clicks.CLickMouse(1, 1));
    // No key for the byte 0xE9: typed as the character it is in the system's code page, here
    // Windows-1251 (Cyrillic short i), and not as Windows-1252's é. A byte that only begins a
    // double-byte character is not typed.
    system.keyScan = -1;
    system.ansiChar = 0x0439;
    ASSERT_TRUE(keys.SendKeyCode(0xE9));
    system.ansiChar = 0;
    ASSERT_TRUE(keys.SendKeyCode(0x81));
    // Ctrl latched around Delete, an extended key: the virtual keys go out as they are. (AltGr's
    // records are the keystroke tests' and go out the same way.)
    ASSERT_TRUE(keys.SendVirtualKey(0x11) && keys.SendVirtualKey(0x2E));
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
                          }));
}

}  // namespace
}  // namespace qm
