#include "mouse/ClickEmulation.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "support/CoreOsVersions.h"
#include "support/CoreScriptedPump.h"
#include "support/TraceCapture.h"
#include "support/fakes/RecordingInjector.h"

namespace qm {
namespace {

std::vector<std::uint32_t> Flags(const std::vector<InputRecord>& records) {
    std::vector<std::uint32_t> flags;
    for (const InputRecord& r : records) {
        EXPECT_EQ(r.type, INPUT_MOUSE);
        EXPECT_EQ(r.mi.dx, 0);
        EXPECT_EQ(r.mi.dy, 0);
        EXPECT_EQ(r.mi.mouseData, 0u);
        flags.push_back(r.mi.dwFlags);
    }
    return flags;
}

constexpr std::uint32_t LD = MOUSEEVENTF_LEFTDOWN, LU = MOUSEEVENTF_LEFTUP;
constexpr std::uint32_t RD = MOUSEEVENTF_RIGHTDOWN, RU = MOUSEEVENTF_RIGHTUP;

struct ClickCase {
    std::int32_t button;
    std::int32_t doubleClick;
    std::vector<std::uint32_t> flags;
};

const std::vector<ClickCase>& Clicks() {
    static const std::vector<ClickCase> cases = {
        {1, 0, {LD, LU}},         {1, 1, {LD, LU, LD, LU}}, {2, 0, {RD, RU}},
        {2, 1, {RD, RU, RD, RU}}, {1, 2, {LD, LU}},  // only 1 means double
        {2, -1, {RD, RU}},
    };
    return cases;
}

TEST(ClickEmulation, NewerPathSendsEveryEventOfAClickInOneCall) {
    for (const clsOSInfo& os : {test::NewerInputPathOS(), test::Windows98OS()}) {
        for (const ClickCase& c : Clicks()) {
            SCOPED_TRACE(std::to_string(c.button) + "/" + std::to_string(c.doubleClick));
            RecordingInjector injector;
            const Point before = injector.GetCursorPos();
            test::ScriptedPump pump;
            ClickEmulation clicks(injector, os, pump);
            ASSERT_TRUE(clicks.CLickMouse(c.button, c.doubleClick));
            EXPECT_EQ(pump.Calls(), 1);
            ASSERT_EQ(injector.Calls().size(), 1u);
            EXPECT_EQ(injector.Calls()[0].path, RecordingInjector::Path::SendInput);
            EXPECT_EQ(Flags(injector.Calls()[0].records), c.flags);
            EXPECT_EQ(injector.GetCursorPos().x, before.x);
            EXPECT_EQ(injector.GetCursorPos().y, before.y);
        }
    }
}

TEST(ClickEmulation, LegacyPathMakesOneCallPerEvent) {
    const clsOSInfo os = test::LegacyInputPathOS();
    for (const ClickCase& c : Clicks()) {
        SCOPED_TRACE(std::to_string(c.button) + "/" + std::to_string(c.doubleClick));
        RecordingInjector injector;
        test::ScriptedPump pump;
        ClickEmulation clicks(injector, os, pump);
        ASSERT_TRUE(clicks.CLickMouse(c.button, c.doubleClick));
        ASSERT_EQ(injector.Calls().size(), c.flags.size());
        for (const auto& call : injector.Calls()) {
            EXPECT_EQ(call.path, RecordingInjector::Path::mouse_event);
        }
        EXPECT_EQ(Flags(injector.Records()), c.flags);
    }
}

TEST(ClickEmulation, EveryOtherButtonIsRejectedAndSendsNothing) {
    for (const clsOSInfo& os : {test::NewerInputPathOS(), test::LegacyInputPathOS()}) {
        for (const std::int32_t button : {0, 3, 4, -1, 16}) {
            for (const std::int32_t doubleClick : {0, 1}) {
                SCOPED_TRACE(std::to_string(button) + "/" + std::to_string(doubleClick));
                test::TraceCapture trace;
                RecordingInjector injector;
                test::ScriptedPump pump;
                ClickEmulation clicks(injector, os, pump);
                EXPECT_FALSE(clicks.CLickMouse(button, doubleClick));
                EXPECT_EQ(injector.CallCount(), 0u);
                const std::vector<std::string> reports = trace.Reports();
                ASSERT_EQ(reports.size(), 2u);
                EXPECT_EQ(reports[0], "frmSerial.CLickMouse:Method Entry: ");
                EXPECT_EQ(reports[1], "frmSerial.CLickMouse:#Method Exit Error#: Unrecognised mouse button");
            }
        }
    }
}

// Events let through first may be a receive event that completes before the click goes out.
TEST(ClickEmulation, PendingEventsRunBeforeTheClick) {
    RecordingInjector injector;
    test::ScriptedPump pump;
    const clsOSInfo os = test::NewerInputPathOS();
    ClickEmulation clicks(injector, os, pump);
    pump.Post([&] { injector.mouse_event(MOUSEEVENTF_MOVE, 1, 1); });
    ASSERT_TRUE(clicks.CLickMouse(2, 0));
    ASSERT_EQ(injector.Calls().size(), 2u);
    EXPECT_EQ(injector.Calls()[0].records[0].mi.dwFlags, MOUSEEVENTF_MOVE);
    EXPECT_EQ(Flags(injector.Calls()[1].records), (std::vector<std::uint32_t>{RD, RU}));
}

}  // namespace
}  // namespace qm
