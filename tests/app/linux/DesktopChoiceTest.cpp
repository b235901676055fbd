#include "app/linux/DesktopChoice.h"

#include <gtest/gtest.h>

#include <ostream>
#include <set>
#include <string>

#include "diag/RaisedError.h"
#include "support/fakes/RecordingDesktop.h"

namespace qm {
namespace {

struct Case {
    const char* name;
    SessionFacts session;
    std::set<std::string> working;  // the backends that can be made here
    const char* chosen;             // its name, or "" when none works
    const char* reportHas;  // a piece of the report (none: no report), or of the error when none works
};

void PrintTo(const Case& c, std::ostream* out) {
    *out << c.name;
}

class DesktopChoiceTest : public testing::TestWithParam<Case> {};

TEST_P(DesktopChoiceTest, TakesTheFirstThatWorksInTheSessionsOrder) {
    const Case& c = GetParam();
    std::string tried;
    const DesktopMaker make = [&](DesktopBackend backend) -> std::unique_ptr<Desktop> {
        tried += std::string(tried.empty() ? "" : ",") + BackendName(backend);
        if (c.working.count(BackendName(backend)) == 0) {
            throw RaisedError(err::InvalidProcedureCall, "Test",
                              std::string(BackendName(backend)) + " is missing");
        }
        return std::make_unique<RecordingDesktop>();
    };
    if (*c.chosen == '\0') {
        try {
            ChooseDesktop(c.session, make);
            FAIL() << "a desktop was chosen; tried " << tried;
        } catch (const RaisedError& error) {
            EXPECT_NE(error.Description().find(c.reportHas), std::string::npos) << error.Description();
        }
        return;
    }
    const ChosenDesktop chosen = ChooseDesktop(c.session, make);
    ASSERT_NE(chosen.desktop, nullptr);
    EXPECT_STREQ(BackendName(chosen.backend), c.chosen) << "tried " << tried;
    if (*c.reportHas == '\0') {
        EXPECT_EQ(chosen.report, "");
    } else {
        EXPECT_NE(chosen.report.find(c.reportHas), std::string::npos) << chosen.report;
    }
}

const SessionFacts kX11{"x11", "", ":0", "XFCE", ""};
const SessionFacts kSway{"wayland", "wayland-1", ":0", "sway", ""};
const SessionFacts kGnome{"wayland", "wayland-0", ":0", "ubuntu:GNOME", ""};
const SessionFacts kKde{"wayland", "wayland-0", "", "KDE", ""};
const SessionFacts kUntyped{"", "wayland-1", "", "", ""};
SessionFacts Forced(SessionFacts session, const char* name) {
    session.forced = name;
    return session;
}

INSTANTIATE_TEST_SUITE_P(
    Sessions, DesktopChoiceTest,
    testing::Values(
        Case{"X11", kX11, {"x11", "wlroots", "uinput"}, "x11", ""},
        Case{"X11WithoutDisplay", kX11, {}, "", "x11: x11 is missing."},
        Case{"Sway", kSway, {"x11", "wlroots", "uinput"}, "wlroots", "wlroots virtual pointer"},
        Case{"GnomeWithUinput",
             kGnome,
             {"x11", "uinput", "portal", "mutter"},
             "uinput",
             "Not used: wlroots: wlroots is missing."},
        Case{"GnomePortalBeforeMutter",
             kGnome,
             {"x11", "portal", "mutter"},
             "portal",
             "uinput: uinput is missing."},
        Case{"GnomeWithoutPortal", kGnome, {"x11", "mutter"}, "mutter", "portal: portal is missing."},
        Case{"KdeNeverTriesMutter", kKde, {"mutter"}, "", "allow remote interaction"},
        Case{"XwaylandLastAndSaysSo", kGnome, {"x11"}, "x11", "reach only X11 programs"},
        Case{"UntypedSessionBySocket", kUntyped, {"x11", "wlroots"}, "wlroots", "Desktop input:"},
        Case{"NothingOnWlroots", kSway, {}, "", "sway, Hyprland, labwc"},
        Case{"ForcedX11IsReported", Forced(kX11, "x11"), {"x11"}, "x11", "Desktop input: X11 (XTest), as"},
        Case{"ForcedAlone",
             Forced(kGnome, "MUTTER"),
             {"x11", "uinput", "mutter"},
             "mutter",
             "as QUILLMOTION_DESKTOP"},
        Case{"ForcedAndBroken", Forced(kX11, "uinput"), {"x11"}, "", "uinput: uinput is missing."},
        Case{"ForcedUnknown", Forced(kX11, "xtest"), {"x11"}, "", "\"xtest\" is unknown"}),
    [](const testing::TestParamInfo<Case>& param) { return param.param.name; });

}  // namespace
}  // namespace qm
