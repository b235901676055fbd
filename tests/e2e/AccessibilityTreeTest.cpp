// The program as a screen reader sees it: started with its window open on a private display with
// an accessibility bus, where the Mouse tab's check (mouse-tab-codes.py) must find the thirteen
// codes as controls named with the codes the settings hold, and the tray's (tray-menu-exit.py)
// ends it through the icon's menu.

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "support/gui/LaunchedProgram.h"

using namespace std::chrono_literals;
using namespace qm::test;

TEST(AccessibilityTree, TheMouseTabsThirteenCodesAndTheTrayMenusExit) {
    QM_SKIP_WITHOUT_DESKTOP();
    if (FindOnPath("dbus-daemon").empty() || ::access("/usr/libexec/at-spi-bus-launcher", F_OK) != 0 ||
        ::access("/usr/lib/python3/dist-packages/pyatspi", F_OK) != 0) {
        GTEST_SKIP() << "No accessibility bus (packages dbus-daemon, at-spi2-core, python3-pyatspi)";
    }
    TempDir dir;
    const std::string bus = "DBUS_SESSION_BUS_ADDRESS=unix:path=" + dir.File("bus");
    Process daemon(
        {FindOnPath("dbus-daemon"), "--session", "--nofork", "--address=unix:path=" + dir.File("bus")}, {},
        dir.Path().string(), dir.File("dbus.log"));
    ASSERT_TRUE(Eventually([&] { return ::access(dir.File("bus").c_str(), F_OK) == 0; }));
    LaunchOptions options;
    options.connectOnStart = false;  // the window stays open
    options.environment = {bus, "QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1"};
    LaunchedProgram run(options);
    const std::vector<std::string> session = {bus, "DISPLAY=" + run.Display(),
                                              "XDG_RUNTIME_DIR=" + dir.Path().string()};
    Process atSpi({"/usr/libexec/at-spi-bus-launcher", "--launch-immediately"}, session, dir.Path().string(),
                  dir.File("at-spi.log"));
    run.Start();

    // What a check printed; when it fails, why, and what the program said.
    const auto check = [&](const std::string& script) {
        const std::string out = dir.File(std::filesystem::path(script).stem().string() + ".txt");
        Process process({"/usr/bin/python3", script}, session, dir.Path().string(), out);
        const auto status = process.WaitForExit(60s);
        return ReadFile(out) + (status == 0 ? "" : "\nfailed; program: " + run.Output());
    };
    // The codes `quillmotion-settings init` writes, left to right and round the compass from North.
    EXPECT_EQ(check(QM_MOUSE_TAB_CHECK),
              "Left Click: 14\nLeft Double Click: 15\nRight Click: 16\nRight Double Click: 18\nNorth: 1\n"
              "North East: 5\nEast: 2\nSouth East: 7\nSouth: 3\nSouth West: 11\nWest: 4\nNorth West: 6\n"
              "Stop: 12\n");
    // The notification-area icon and its menu are on the bus too, and the program ends through
    // them only once its question is answered.
    EXPECT_EQ(check(QM_TRAY_EXIT_CHECK),
              "icon: Quillmotion Enabled / Not Connected\nmenu: Exit, Properties\n"
              "question: OK, Cancel - pressed Cancel\nicon: Quillmotion Enabled / Not Connected\n"
              "menu: Exit, Properties\nquestion: OK, Cancel - pressed OK\n");
    EXPECT_EQ(run.Program().WaitForExit(30s), 0) << run.Output();
}
