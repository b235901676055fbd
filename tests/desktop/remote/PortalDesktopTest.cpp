#include "desktop/remote/PortalDesktop.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <ostream>
#include <string>
#include <vector>

#include "support/Raised.h"
#include "support/wayland/HeadlessMutter.h"

namespace qm {
namespace {

using Events = std::vector<std::string>;
using namespace std::chrono_literals;

class PortalDesktopTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(test::HeadlessMutter::Missing() + test::HeadlessMutter::PortalMissing(), "");
        session_.StartPortal();
    }
    // The carer answers the dialog with the button named.
    void Carer(const std::string& button) {
        carer_ = session_.Run({"/usr/bin/python3", QM_CARER_SCRIPT, button}, "carer.log");
    }

    test::HeadlessMutter session_;
    std::unique_ptr<test::Process> carer_;
};

TEST_F(PortalDesktopTest, TypesOnceTheCarerAllowsRemoteInteraction) {
    Carer("Share");
    std::vector<std::string> tokens;
    PortalDesktop desktop(
        "", [&](const std::string& token) { tokens.push_back(token); }, 60s);
    desktop.Type('a');
    desktop.Press(Key::Ctrl);
    desktop.Type('c');
    desktop.Release(Key::Ctrl);
    // After what may be left of the wakening of the keyboard (Shift), which the portal passes on slowly.
    const Events expected{"key a 1 a",    "key a 0", "key Control_L 1", "modifiers 4",
                          "key c 1 \x03", "key c 0", "key Control_L 0", "modifiers 0"};
    const Events events = session_.WaitForEvents([&](const Events& seen) {
        return seen.size() >= expected.size() &&
               std::equal(expected.begin(), expected.end(), seen.end() - std::ssize(expected));
    });
    EXPECT_EQ(Events(events.end() - std::min(std::ssize(expected), std::ssize(events)), events.end()),
              expected);
    // GNOME 43's portal is of version 1, which keeps no permission.
    EXPECT_TRUE(tokens.empty());
}

struct Refusal {
    const char* button;  // the carer's answer, "" for none
    std::chrono::milliseconds consentTime;
    const char* says;
};

void PrintTo(const Refusal& refusal, std::ostream* out) {
    *out << refusal.says;
}

class PortalRefusalTest : public PortalDesktopTest, public ::testing::WithParamInterface<Refusal> {};

TEST_P(PortalRefusalTest, SaysWhyThereIsNoRemoteControl) {
    if (*GetParam().button != '\0') {
        Carer(GetParam().button);
    }
    const test::Raised raised =
        test::RaisedBy([] { PortalDesktop desktop("", nullptr, GetParam().consentTime); });
    EXPECT_EQ(raised.number, err::InvalidProcedureCall);
    EXPECT_NE(raised.description.find(GetParam().says), std::string::npos) << raised.description;
}

INSTANTIATE_TEST_SUITE_P(Refusals, PortalRefusalTest,
                         ::testing::Values(Refusal{"Cancel", 60s, "the user cancelled the dialog"},
                                           Refusal{"", 2s,
                                                   "the user did not allow remote control within 2 seconds"}),
                         [](const ::testing::TestParamInfo<Refusal>& refusal) {
                             return std::string(*refusal.param.button != '\0' ? refusal.param.button
                                                                              : "NoAnswer");
                         });

}  // namespace
}  // namespace qm
