// The built program in a GNOME session (headless mutter, its portal and a carer who allows
// remote interaction through the accessibility bus), as its user has it: the device's codes move
// the pointer, click, turn the wheel, press keys by Esc A 256+VK, hold Ctrl around a key, and
// type every printable character that the layout has, the rest said in the log.

// gtest and the project's headers first: Xlib's None and Status macros would break them.
#include <gtest/gtest.h>

#include "DeviceCodes.h"
#include "desktop/remote/MutterDesktop.h"
#include "diag/Cp1252.h"
#include "support/PrintableAnsi.h"
#include "support/gui/LaunchedProgram.h"
#include "support/gui/QtWait.h"
#include "support/wayland/HeadlessMutter.h"

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <thread>

using namespace std::chrono_literals;
using namespace qm;
using namespace qm::test;

namespace {

using Events = std::vector<std::string>;

// Waits until the session has seen these events in this order, among others; what it saw.
Events SeenInOrder(HeadlessMutter& session, const Events& wanted) {
    const Events seen = session.WaitForEvents([&](const Events& now) { return InOrder(now, wanted); }, 10s);
    return InOrder(seen, wanted) ? wanted : seen;
}

}  // namespace

TEST(GnomeEndToEnd, TheDeviceDrivesTheDesktopOnceACarerAllowsIt) {
    ASSERT_EQ(HeadlessMutter::Missing() + HeadlessMutter::PortalMissing() + LaunchedProgram::Missing(), "");
    HeadlessMutter session;
    session.StartPortal();
    const auto carer = session.Run({"/usr/bin/python3", QM_CARER_SCRIPT, "Share"}, "carer.log");
    LaunchOptions options{.values = kMoreCodes, .environment = session.Environment()};
    options.environment.push_back("XDG_SESSION_TYPE=wayland");
    LaunchedProgram run(options);
    run.Start();
    ASSERT_TRUE(run.WaitConnected()) << run.Output() << run.Log();
    // GNOME offers neither the wlroots devices nor, here, /dev/uinput: the portal is next.
    EXPECT_NE(run.Log().find("Desktop input: the RemoteDesktop portal. Not used: wlroots: "),
              std::string::npos)
        << run.Log();
    EXPECT_NE(run.Log().find("asks a carer to allow remote interaction"), std::string::npos);
    EXPECT_EQ(run.TrayTip().find("Wayland"), std::string::npos) << "the tip warns of XWayland";
    // The test's own hand puts the pointer on the window, which does not fill the screen here.
    {
        MutterDesktop hand;
        hand.MoveBy(-5000, -5000);
        hand.MoveTo({400, 300});
        ASSERT_FALSE(session.WaitForEvents([](const Events& seen) { return !seen.empty(); }).empty());
        QtRunFor(300ms);
    }
    session.Clear();

    // East, then stop: the pointer moves right only, step by step, and rests.
    run.Line().Write("\x02");
    Events motion = session.WaitForEvents([](const Events& seen) {
        return std::count_if(seen.begin(), seen.end(),
                             [](const std::string& e) { return e.rfind("motion", 0) == 0; }) >= 3;
    });
    run.Line().Write("\x0c");
    int lastX = -1;
    for (const std::string& event : motion) {
        int x = 0, y = 0;
        if (std::sscanf(event.c_str(), "motion %d %d", &x, &y) == 2) {
            EXPECT_GT(x, lastX) << event;
            lastX = x;
        }
    }
    EXPECT_GT(lastX, 0) << "no motion: " << testing::PrintToString(motion);
    std::this_thread::sleep_for(300ms);
    session.Clear();

    // Left, right and middle clicks, the four wheel notches, Home and F5 by their virtual keys.
    run.Line().Write(
        "\x0e\x10\x15\x16\x17\x18\x19\x1b"
        "A292\x1b"
        "A372");
    const Events actions{"button 272 1", "button 272 0", "button 273 1", "button 273 0", "button 274 1",
                         "button 274 0", "axis 0 -1",    "axis 0 1",     "axis 1 -1",    "axis 1 1",
                         "key Home 1",   "key Home 0",   "key F5 1",     "key F5 0"};
    EXPECT_EQ(SeenInOrder(session, actions), actions);

    // Ctrl latched by its code, around "c": the window reads Ctrl+c (a Ctrl held makes "c" type
    // the control character), and Ctrl is let go after it.
    session.Clear();
    run.Line().Write(
        "\x1d"
        "c");
    const Events ctrlC{"modifiers 4", "key c 1 \x03", "key c 0", "modifiers 0"};
    EXPECT_EQ(SeenInOrder(session, ctrlC), ctrlC);

    // Every printable character: each arrives as itself or the log says the layout has no key
    // for it, never both, never neither, and in the order sent.
    session.Clear();
    // 255, the last, is no code on the line (as 0 is): Esc A 255 sends it.
    std::string sent = PrintableAnsi();
    sent.pop_back();
    run.Line().Write(sent +
                     "\x1b"
                     "A255\x1b"
                     "A372");
    sent += '\xFF';
    const Events events = session.WaitForEvents(
        [](const Events& seen) { return std::find(seen.begin(), seen.end(), "key F5 1") != seen.end(); },
        30s);
    std::string expected;
    const std::string log = run.Log();
    for (const char c : sent) {
        const std::string refused = "No key on the keyboard layout for key code " +
                                    std::to_string(static_cast<unsigned char>(c)) + " - not typed";
        if (log.find(refused) == std::string::npos) {
            expected += Utf8FromCp1252(std::string(1, c));
        }
    }
    EXPECT_EQ(HeadlessMutter::TypedText(events), expected);
    // The layout here is US: all of ASCII has keys, accented letters have none.
    EXPECT_EQ(expected.substr(0, 95), Utf8FromCp1252(sent.substr(0, 95)));
    EXPECT_EQ(expected.find("\xC3\xA9"), std::string::npos);

    // Ended: nothing is left held on the desktop.
    ::kill(run.Program().Pid(), SIGTERM);
    EXPECT_EQ(run.Program().WaitForExit(10s), std::optional<int>(0));
}
