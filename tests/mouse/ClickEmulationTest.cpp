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

constexpr std::uint32_t LD = MOUSEEVENTF_LEFTDOWN, LU = MOUSEEVENTF_LEFTUP;
constexpr std::uint32_t RD = MOUSEEVENTF_RIGHTDOWN, RU = MOUSEEVENTF_RIGHTUP;

// The newer path (from Windows 98 on) sends every event of a click in one call, the older one
// makes a call per event; neither moves the pointer. Only a double-click setting of 1 means double.
// Any other button is refused on every path and sends nothing. Events let through first may be a
// receive event that completes before the click goes out.
TEST(ClickEmulation, EachButtonAndClickOnEachInputPath) {
    const struct {
        std::int32_t button, doubleClick;
        std::vector<std::uint32_t> flags;
    } cases[] = {{1, 1, {LD, LU, LD, LU}}, {2, 0, {RD, RU}}, {1, 2, {LD, LU}},
                 {2, -1, {RD, RU}},        {0, 1, {}},       {3, 1, {}}};
    for (const clsOSInfo& os : {test::NewerInputPathOS(), test::Windows98OS(), test::LegacyInputPathOS()}) {
        const bool legacy = !os.IsWin98() && !os.IsWin2K();
        for (const auto& c : cases) {
            SCOPED_TRACE(std::to_string(c.button) + "/" + std::to_string(c.doubleClick) +
                         (legacy ? " legacy" : ""));
            test::TraceCapture trace;
            RecordingInjector injector;
            test::ScriptedPump pump;
            ClickEmulation clicks(injector, os, pump);
            pump.Post([&] { EXPECT_EQ(injector.CallCount(), 0u) << "clicked before the pending events"; });
            ASSERT_EQ(clicks.CLickMouse(c.button, c.doubleClick), !c.flags.empty());
            EXPECT_EQ(pump.Calls(), 1);
            ASSERT_EQ(injector.Calls().size(), legacy || c.flags.empty() ? c.flags.size() : 1u);
            if (c.flags.empty()) {
                EXPECT_EQ(trace.Reports().back(),
                          "frmSerial.CLickMouse:#Method Exit Error#: Unrecognised mouse button");
            }
            for (const auto& call : injector.Calls()) {
                EXPECT_EQ(call.path,
                          legacy ? RecordingInjector::Path::mouse_event : RecordingInjector::Path::SendInput);
            }
            EXPECT_EQ(injector.Buttons(), c.flags);
            EXPECT_EQ(injector.Records().size(), c.flags.size()) << "a record that is not a click";
        }
    }
}

}  // namespace
}  // namespace qm
