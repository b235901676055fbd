#include "desktop/uinput/UinputDesktop.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <linux/uinput.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <ostream>
#include <set>
#include <string>
#include <vector>

#include "desktop/uinput/EvdevKeys.h"
#include "support/Raised.h"
#include "support/TempDir.h"

namespace qm {
namespace {

using uinput::CharacterKey;
using uinput::XkbNames;

struct Event {
    int type, code, value;
    bool operator==(const Event&) const = default;
};
void PrintTo(const Event& e, std::ostream* out) {
    *out << e.type << ":" << e.code << "=" << e.value;
}
using Writes = std::vector<std::vector<Event>>;
constexpr Event kSyn{EV_SYN, SYN_REPORT, 0};

// The device node as the kernel's uinput driver takes it: each call in the log, in order
// (runs of one request shown once), and the events of each write decoded as the kernel does.
struct Node {
    std::string path;
    int flags = 0;
    int openError = 0;
    unsigned long failing = 0;  // a request that fails
    std::vector<std::string> calls;
    std::set<unsigned long> keys, axes;
    uinput_setup setup{};
    Writes writes;
};

class FakeCalls : public uinput::UinputCalls {
public:
    explicit FakeCalls(Node& node) : node_(node) {}
    int Open(const char* path, int flags) override {
        node_.path = path;
        node_.flags = flags;
        errno = node_.openError;
        return node_.openError != 0 ? -1 : 7;
    }
    int Control(int fd, unsigned long request, unsigned long value) override {
        const char* name = request == UI_SET_EVBIT     ? "EVBIT"
                           : request == UI_SET_KEYBIT  ? "KEYBIT"
                           : request == UI_SET_RELBIT  ? "RELBIT"
                           : request == UI_DEV_CREATE  ? "CREATE"
                           : request == UI_DEV_DESTROY ? "DESTROY"
                                                       : "?";
        (request == UI_SET_KEYBIT ? node_.keys : node_.axes).insert(value);
        return Log(fd, request == UI_SET_EVBIT ? name + std::to_string(value) : name, request);
    }
    int Control(int fd, unsigned long request, const void* argument) override {
        std::memcpy(&node_.setup, argument, sizeof node_.setup);
        return Log(fd, request == UI_DEV_SETUP ? "SETUP" : "?", request);
    }
    long Write(int fd, const void* data, std::size_t size) override {
        Log(fd, "WRITE");
        auto& events = node_.writes.emplace_back();
        for (std::size_t at = 0; at + sizeof(input_event) <= size; at += sizeof(input_event)) {
            input_event event;
            std::memcpy(&event, static_cast<const char*>(data) + at, sizeof event);
            events.push_back({event.type, event.code, event.value});
        }
        return static_cast<long>(size % sizeof(input_event) == 0 ? size : 0);
    }
    int Close(int fd) override { return Log(fd, "CLOSE"), 0; }

private:
    int Log(int fd, const std::string& call, unsigned long request = 0) {
        const std::string entry = fd == 7 ? call : call + " on a wrong descriptor";
        if (node_.calls.empty() || node_.calls.back() != entry) {
            node_.calls.push_back(entry);
        }
        errno = EINVAL;
        return request != 0 && request == node_.failing ? -1 : 0;
    }
    Node& node_;
};

// On the German layout, which has AltGr.
std::unique_ptr<UinputDesktop> Make(Node& node) {
    return std::make_unique<UinputDesktop>(Size{1000, 800}, XkbNames{"de", "", ""},
                                           std::make_unique<FakeCalls>(node));
}

TEST(UinputDesktopTest, MakesOneDeviceWithTheMouseAndEveryKeyAndDestroysItAtTheEnd) {
    Node node;
    Make(node)->Press(Key::A);
    EXPECT_EQ(node.path, "/dev/uinput");
    EXPECT_EQ(node.flags, O_WRONLY | O_NONBLOCK | O_CLOEXEC);
    const std::vector<std::string> calls{"EVBIT1", "KEYBIT", "EVBIT2",  "RELBIT", "SETUP",
                                         "CREATE", "WRITE",  "DESTROY", "CLOSE"};
    EXPECT_EQ(node.calls, calls);
    EXPECT_EQ(node.writes, (Writes{{{EV_KEY, KEY_A, 1}, kSyn}, {{EV_KEY, KEY_A, 0}, kSyn}}));
    EXPECT_EQ(node.axes, (std::set<unsigned long>{EV_KEY, EV_REL, REL_X, REL_Y, REL_WHEEL, REL_HWHEEL,
                                                  REL_WHEEL_HI_RES, REL_HWHEEL_HI_RES}));
    // The buttons, the first 31 keys (without which udev does not call it a keyboard), de's
    // key beside left Shift and the program's keys.
    std::set<unsigned long> keys{BTN_LEFT, BTN_RIGHT, BTN_MIDDLE, KEY_102ND};
    for (unsigned long code = KEY_ESC; code < 32; ++code) {
        keys.insert(code);
    }
    for (std::size_t key = 0; key < kKeyCount; ++key) {
        keys.insert(uinput::EvdevCode(static_cast<Key>(key)));
    }
    EXPECT_TRUE(std::includes(node.keys.begin(), node.keys.end(), keys.begin(), keys.end()));
    EXPECT_STREQ(node.setup.name, "Quillmotion switch input");
    EXPECT_EQ(node.setup.id.bustype, BUS_VIRTUAL);
    EXPECT_EQ(node.setup.ff_effects_max, 0U);
}

TEST(UinputDesktopTest, SaysWhatIsMissingWhenTheDeviceCannotBeMade) {
    const struct {
        int openError;
        unsigned long failing;
        const char* why;
        std::vector<std::string> calls;
    } cases[] = {
        {ENOENT, 0, "the kernel has no uinput device: load the uinput module", {}},
        {EACCES,
         0,
         "no permission on /dev/uinput: the package's udev rule gives the logged-in user access; log in "
         "again or run `sudo udevadm trigger`",
         {}},
        {0,
         UI_DEV_CREATE,
         "the uinput device cannot be made: Invalid argument",
         {"EVBIT1", "KEYBIT", "EVBIT2", "RELBIT", "SETUP", "CREATE", "CLOSE"}},
    };
    for (const auto& c : cases) {
        Node node;
        node.openError = c.openError;
        node.failing = c.failing;
        const test::Raised raised = test::RaisedBy([&] { Make(node); });
        EXPECT_EQ(raised.number, err::InvalidProcedureCall);
        EXPECT_EQ(raised.description, c.why);
        EXPECT_EQ(node.calls, c.calls) << c.why;
    }
}

TEST(UinputDesktopTest, WritesEachActionsFramesInOneWriteAndABatchsAtItsEnd) {
    const auto Down = [](int code) { return Event{EV_KEY, code, 1}; };
    const auto Up = [](int code) { return Event{EV_KEY, code, 0}; };
    const struct {
        const char* name;
        std::function<void(UinputDesktop&)> act;
        Writes writes;
    } cases[] = {
        {"move",
         [](UinputDesktop& d) { d.MoveBy(3, -4), d.MoveBy(0, 2), d.MoveBy(0, 0); },
         {{{EV_REL, REL_X, 3}, {EV_REL, REL_Y, -4}, kSyn}, {{EV_REL, REL_Y, 2}, kSyn}}},
        {"move to, from the centre and kept on the screen",
         [](UinputDesktop& d) {
             d.MoveTo({100, 700}), d.MoveTo({-50, 5000});
         },
         {{{EV_REL, REL_X, -400}, {EV_REL, REL_Y, 300}, kSyn},
          {{EV_REL, REL_X, -100}, {EV_REL, REL_Y, 99}, kSyn}}},
        {"buttons",
         [](UinputDesktop& d) { d.Press(Button::Middle), d.Release(Button::Right); },
         {{Down(BTN_MIDDLE), kSyn}, {Up(BTN_RIGHT), kSyn}, {Up(BTN_MIDDLE), kSyn}}},
        {"wheels",
         [](UinputDesktop& d) {
             d.Turn(Wheel::Up), d.Turn(Wheel::Down), d.Turn(Wheel::Left), d.Turn(Wheel::Right);
         },
         {{{EV_REL, REL_WHEEL, 1}, {EV_REL, REL_WHEEL_HI_RES, 120}, kSyn},
          {{EV_REL, REL_WHEEL, -1}, {EV_REL, REL_WHEEL_HI_RES, -120}, kSyn},
          {{EV_REL, REL_HWHEEL, -1}, {EV_REL, REL_HWHEEL_HI_RES, -120}, kSyn},
          {{EV_REL, REL_HWHEEL, 1}, {EV_REL, REL_HWHEEL_HI_RES, 120}, kSyn}}},
        {"keys",
         [](UinputDesktop& d) { d.Press(Key::F13), d.Release(Key::Menu); },
         {{Down(KEY_F13), kSyn}, {Up(KEY_COMPOSE), kSyn}, {Up(KEY_F13), kSyn}}},
        {"a character, Shift let go before its key",
         [](UinputDesktop& d) { d.Type('a'), d.Type('A'); },
         {{Down(KEY_A), kSyn, Up(KEY_A), kSyn},
          {Down(KEY_LEFTSHIFT), kSyn, Down(KEY_A), kSyn, Up(KEY_LEFTSHIFT), kSyn, Up(KEY_A), kSyn}}},
        {"AltGr around it all",
         [](UinputDesktop& d) { d.Type('@'); },
         {{Down(KEY_RIGHTALT), kSyn, Down(KEY_Q), kSyn, Up(KEY_Q), kSyn, Up(KEY_RIGHTALT), kSyn}}},
        {"held Shift and Ctrl, not pressed again, not let go",
         [](UinputDesktop& d) { d.Press(Key::RightShift), d.Press(Key::Ctrl), d.Type('C'); },
         {{Down(KEY_RIGHTSHIFT), kSyn},
          {Down(KEY_LEFTCTRL), kSyn},
          {Down(KEY_C), kSyn, Up(KEY_C), kSyn},
          {Up(KEY_LEFTCTRL), kSyn, Up(KEY_RIGHTSHIFT), kSyn}}},
        {"held AltGr",
         [](UinputDesktop& d) { d.Press(Key::RightAlt), d.Type('@'); },
         {{Down(KEY_RIGHTALT), kSyn}, {Down(KEY_Q), kSyn, Up(KEY_Q), kSyn}, {Up(KEY_RIGHTALT), kSyn}}},
        {"no key, nothing sent", [](UinputDesktop& d) { d.Type('\xE9'); }, {}},
        {"a batch, sent at its end",
         [](UinputDesktop& d) {
             InputBatch batch(&d);
             d.MoveBy(1, 0), d.Press(Button::Left);
         },
         {{{EV_REL, REL_X, 1}, kSyn, Down(BTN_LEFT), kSyn}, {Up(BTN_LEFT), kSyn}}},
        {"held keys and buttons let go together",
         [](UinputDesktop& d) { d.Press(Button::Left), d.Press(Key::Shift), d.ReleaseAll(), d.ReleaseAll(); },
         {{Down(BTN_LEFT), kSyn},
          {Down(KEY_LEFTSHIFT), kSyn},
          {Up(KEY_LEFTSHIFT), kSyn, Up(BTN_LEFT), kSyn}}},
    };
    // What is still held is let go when the desktop goes.
    for (const auto& c : cases) {
        Node node;
        c.act(*Make(node));
        EXPECT_EQ(node.writes, c.writes) << c.name;
    }
}

TEST(UinputDesktopTest, KeepsThePointerEstimateOnTheGivenScreenOrTheUsualOne) {
    Node node;
    const auto desktop = Make(node);
    desktop->MoveBy(-600, 10);
    EXPECT_EQ(desktop->PointerPosition().x, 0);
    EXPECT_EQ(desktop->PointerPosition().y, 410);
    EXPECT_EQ(desktop->ScreenSize().width, 1000);
    const Size usual = UinputDesktop({}, {"us", "", ""}, std::make_unique<FakeCalls>(node)).ScreenSize();
    EXPECT_EQ(usual.width, 1920);
    EXPECT_EQ(usual.height, 1080);
}

TEST(UinputDesktopTest, FindsEachCharactersKeyOnTheLayout) {
    const struct {
        const char* layout;
        const char* variant;
        char character;
        std::optional<CharacterKey> key;
    } cases[] = {
        {"us", "", 'a', CharacterKey{KEY_A}},
        {"us", "", 'A', CharacterKey{KEY_A, true}},
        {"us", "", '@', CharacterKey{KEY_2, true}},
        {"us", "", '\r', CharacterKey{KEY_ENTER}},
        {"us", "", '\xE9', std::nullopt},  // é
        {"us", "", '\x80', std::nullopt},  // €
        {"us", "", '\x01', std::nullopt},
        {"de", "", 'z', CharacterKey{KEY_Y}},
        {"de", "", '@', CharacterKey{KEY_Q, false, true}},
        {"de", "", '\xE4', CharacterKey{KEY_APOSTROPHE}},        // ä
        {"de", "", '\xC4', CharacterKey{KEY_APOSTROPHE, true}},  // Ä
        {"de", "", '\x80', CharacterKey{KEY_E, false, true}},
        {"de", "", '|', CharacterKey{KEY_102ND, false, true}},
        {"de", "", '^', std::nullopt},  // a dead key
        {"de", "nodeadkeys", '^', CharacterKey{KEY_GRAVE}},
        {"no such layout", "", 'z', CharacterKey{KEY_Z}},
    };
    for (const auto& c : cases) {
        const std::optional<CharacterKey> key =
            uinput::XkbLayout({c.layout, c.variant, ""}).KeyFor(static_cast<unsigned char>(c.character));
        const auto text = [](const std::optional<CharacterKey>& k) {
            return k ? std::to_string(k->code) + (k->shift ? "+Shift" : "") + (k->levelThree ? "+AltGr" : "")
                     : "none";
        };
        EXPECT_EQ(text(key), text(c.key)) << c.layout << " " << c.character;
    }
    Node node;
    const auto desktop = Make(node);
    EXPECT_EQ(desktop->HowToType('\xE4'), Typing::ByKey);
    EXPECT_EQ(desktop->HowToType('^'), Typing::Not);
    // What a key the layout gives nothing would do.
    EXPECT_TRUE(desktop->HasKey(Key::F13));
    EXPECT_FALSE(desktop->HasKey(Key::F24));
}

TEST(UinputDesktopTest, TakesTheSessionsLayoutThenTheDefaultsThenUs) {
    const test::TempDir dir;
    const std::string file = dir.File("keyboard");
    test::WriteFile(file,
                    "# set by the installer\nXKBMODEL=\"pc105\"\nXKBLAYOUT=\"fr\"\nXKBVARIANT=\"bepo\"\n");
    const struct {
        XkbNames given;
        const char* variable;
        std::string file;
        XkbNames names;
    } cases[] = {
        {{"de", "nodeadkeys", ""}, "ch", file, {"de", "nodeadkeys", ""}},
        {{}, "ch", file, {"ch", "", ""}},
        {{}, nullptr, file, {"fr", "bepo", ""}},
        {{}, nullptr, dir.File("none"), {"us", "", ""}},
    };
    for (const auto& c : cases) {
        c.variable != nullptr ? setenv("XKB_DEFAULT_LAYOUT", c.variable, 1) : unsetenv("XKB_DEFAULT_LAYOUT");
        const XkbNames names = uinput::SessionXkbNames(c.given, c.file);
        EXPECT_EQ(names.layout + "/" + names.variant, c.names.layout + "/" + c.names.variant);
    }
    unsetenv("XKB_DEFAULT_LAYOUT");
}

}  // namespace
}  // namespace qm
