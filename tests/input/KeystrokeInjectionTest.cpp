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

struct Key {
    std::uint16_t vk;
    std::uint32_t flags;
    std::uint16_t scan = 0;
    bool operator==(const Key&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Key& k) {
    return out << "{vk " << k.vk << ", flags " << k.flags << ", scan " << k.scan << "}";
}

std::vector<Key> Keys(const std::vector<InputRecord>& records) {
    std::vector<Key> keys;
    for (const InputRecord& r : records) {
        EXPECT_EQ(r.type, INPUT_KEYBOARD);
        keys.push_back({r.ki.wVk, r.ki.dwFlags, r.ki.wScan});
    }
    return keys;
}

constexpr std::uint32_t UP = KEYEVENTF_KEYUP;

constexpr std::uint32_t EXT = KEYEVENTF_EXTENDEDKEY;

TEST(KeystrokeInjection, KeyShiftAndAltGrOrderFromTheLayout) {
    struct Case {
        std::int32_t code;
        std::vector<Key> keys;
        std::int16_t answer = 0;  // the layout's answer where it is not the US one
    };
    const std::vector<Case> cases = {
        {'a', {{'A', 0}, {'A', UP}}},
        {'A', {{VK_SHIFT, 0}, {'A', 0}, {VK_SHIFT, UP}, {'A', UP}}},
        {'!', {{VK_SHIFT, 0}, {'1', 0}, {VK_SHIFT, UP}, {'1', UP}}},
        {13, {{0x0D, 0}, {0x0D, UP}}},
        {8, {{0x08, 0}, {0x08, UP}}},
        {27, {{0x1B, 0}, {0x1B, UP}}},
        // Ctrl alone is never pressed.
        {'a', {{'A', 0}, {'A', UP}}, 0x0241},
        // Ctrl and Alt together are AltGr: right Alt is held around the key, and Shift inside it.
        {0xB5, {{VK_RMENU, EXT}, {'M', 0}, {'M', UP}, {VK_RMENU, EXT | UP}}, 0x064D},
        {0xA7,
         {{VK_RMENU, EXT}, {VK_SHIFT, 0}, {'5', 0}, {VK_SHIFT, UP}, {'5', UP}, {VK_RMENU, EXT | UP}},
         0x0735},
    };
    const clsOSInfo os = test::NewerInputPathOS();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.code);
        RecordingInjector injector;
        if (c.answer != 0) {
            injector.SetKeyScan(static_cast<char>(c.code), c.answer);
        }
        KeystrokeInjection keys(injector, os);
        ASSERT_TRUE(keys.SendKeyCode(c.code));
        ASSERT_EQ(injector.Calls().size(), 1u);  // one call, so nothing can come between
        EXPECT_EQ(injector.Calls()[0].path, RecordingInjector::Path::SendInput);
        EXPECT_EQ(Keys(injector.Calls()[0].records), c.keys);
    }
}

TEST(KeystrokeInjection, LegacyPathMakesOneCallPerEventInTheSameOrder) {
    const clsOSInfo os = test::LegacyInputPathOS();
    RecordingInjector injector;
    injector.SetKeyScan('@', 0x0651);  // AltGr+Q
    KeystrokeInjection keys(injector, os);
    ASSERT_TRUE(keys.SendKeyCode('Z'));
    ASSERT_TRUE(keys.SendKeyCode('z'));
    ASSERT_TRUE(keys.SendKeyCode('@'));
    ASSERT_EQ(injector.Calls().size(), 10u);
    for (const auto& call : injector.Calls()) {
        EXPECT_EQ(call.path, RecordingInjector::Path::keybd_event);
    }
    EXPECT_EQ(Keys(injector.Records()), (std::vector<Key>{{VK_SHIFT, 0},
                                                          {'Z', 0},
                                                          {VK_SHIFT, UP},
                                                          {'Z', UP},
                                                          {'Z', 0},
                                                          {'Z', UP},
                                                          {VK_RMENU, EXT},
                                                          {'Q', 0},
                                                          {'Q', UP},
                                                          {VK_RMENU, EXT | UP}}));
}

TEST(KeystrokeInjection, CharacterWithoutAKeyIsTypedAsItselfUnlessItWouldTypeNothing) {
    struct Case {
        std::int32_t code;
        std::uint16_t unicode;  // 0: not typed
        bool legacy = false;
    };
    // The control characters without a key and the bytes Windows-1252 leaves undefined (C1
    // controls) would reach programs as keys that type nothing. The older calls can only press
    // keys: nothing is sent rather than a wrong key.
    for (const Case c :
         {Case{0xE9, 0x00E9}, Case{0x80, 0x20AC}, Case{0x9C, 0x0153}, Case{0xFF, 0x00FF}, Case{0, 0},
          Case{1, 0}, Case{0x1F, 0}, Case{0x81, 0}, Case{0x9D, 0}, Case{0xE9, 0, true}}) {
        SCOPED_TRACE(c.code);
        test::TraceCapture trace;
        RecordingInjector injector;
        const clsOSInfo os = c.legacy ? test::LegacyInputPathOS() : test::NewerInputPathOS();
        KeystrokeInjection keys(injector, os);
        ASSERT_EQ(injector.VkKeyScanA(static_cast<char>(c.code)), -1);
        ASSERT_TRUE(keys.SendKeyCode(c.code));
        const std::string prefix =
            "frmSerial.SendKeyCode:: No key on the keyboard layout for key code " + std::to_string(c.code);
        if (c.unicode == 0) {
            EXPECT_EQ(injector.CallCount(), 0u);
            EXPECT_TRUE(trace.Contains(prefix + " - not typed"));
        } else {
            ASSERT_EQ(injector.Calls().size(), 1u);
            EXPECT_EQ(Keys(injector.Calls()[0].records),
                      (std::vector<Key>{{0, KEYEVENTF_UNICODE, c.unicode},
                                        {0, KEYEVENTF_UNICODE | UP, c.unicode}}));
            EXPECT_TRUE(trace.Contains(prefix + " - typed as a character"));
        }
        EXPECT_TRUE(trace.Contains("frmSerial.SendKeyCode:Method Exit: "));
    }
}

TEST(KeystrokeInjection, CodeOutsideOneByteOverflowsAndSendsNothing) {
    const clsOSInfo os = test::NewerInputPathOS();
    for (const std::int32_t code : {256, 300, 999, -1, 65536 + 'a'}) {
        SCOPED_TRACE(code);
        test::TraceCapture trace;
        RecordingInjector injector;
        KeystrokeInjection keys(injector, os);
        EXPECT_FALSE(keys.SendKeyCode(code));
        EXPECT_EQ(injector.CallCount(), 0u);
        EXPECT_EQ(trace.Reports(),
                  (std::vector<std::string>{"frmSerial.SendKeyCode:Method Entry: ",
                                            "frmSerial.SendKeyCode:#Method Exit Error#: Overflow"}));
    }
}

}  // namespace
}  // namespace qm
