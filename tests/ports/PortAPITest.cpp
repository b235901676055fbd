#include "ports/PortAPI.h"

#include <gtest/gtest.h>

#include <set>
#include <stdexcept>
#include <tuple>

#include "support/TraceCapture.h"

namespace qm {
namespace {

// A port system that answers from a list, records every open test, and can be told to fail.
class FakePortSystem : public PortSystem {
public:
    explicit FakePortSystem(std::vector<std::string> names) : ports(std::move(names)) {}

    bool ListPorts(std::vector<std::string>& names) override {
        names = ports;
        return listed;
    }
    bool OpensNow(const std::string& name) override {
        opens.push_back(name);
        if (throwOnOpen) {
            throw std::runtime_error("device driver fault");
        }
        return busy.count(name) == 0;
    }

    std::vector<std::string> ports;
    std::set<std::string> busy;
    bool listed = true;
    bool throwOnOpen = false;
    std::vector<std::string> opens;
};

std::vector<std::string> Names(const std::vector<PortInfo>& ports) {
    std::vector<std::string> names;
    for (const PortInfo& port : ports) {
        names.push_back(port.Name + (port.InUse ? "*" : ""));
    }
    return names;
}

// The ports listed, and checks that the count returned is the number of entries.
std::vector<std::string> Listed(PortSystem& system, const SettingsRecord& settings) {
    modPortAPI api(system, settings);
    std::vector<PortInfo> ports = {{"COM9:", true}};
    const std::int16_t count = api.GetAvailablePorts(ports);
    EXPECT_EQ(count, static_cast<std::int16_t>(ports.size()));
    return Names(ports);
}

const std::string kGet = "modPortAPI.GetAvailablePorts";
const std::string kAvailable = "modPortAPI.COMAvailable";

TEST(GetAvailablePorts, KeepsOnlyComPortsOpensEachWhenAskedAndTracesEachDecision) {
    test::TraceCapture trace;
    FakePortSystem system({"LPT1:", "FILE:", "com5:", "COM1A2:", "Ne01:", "CO", "", "COM3:"});
    system.busy = {"COM3:"};
    SettingsRecord settings;
    modPortAPI api(system, settings);
    settings.TestPorts(1);  // read when the ports are listed, not when the module was made
    std::vector<PortInfo> ports;
    EXPECT_EQ(api.GetAvailablePorts(ports), 3);
    EXPECT_EQ(Names(ports), (std::vector<std::string>{"com5:", "COM1A2:", "COM3:*"}));
    // Never the printer port.
    EXPECT_EQ(system.opens, (std::vector<std::string>{"com5:", "COM1A2:", "COM3:"}));
    const std::vector<std::string> reports = trace.Reports();
    EXPECT_EQ(reports[1], kGet + ":: Found port - LPT1:");
    EXPECT_EQ(reports[2], kGet + ":: NOT Including port - LPT1:");
    EXPECT_TRUE(trace.Contains(kGet + ":: Including port - com5: : InUse = False"));
    EXPECT_TRUE(trace.Contains(kAvailable + ":: Trying to open com5: for read access"));
    EXPECT_EQ(reports[25], kGet + ":: Including port - COM3: : InUse = True");

    settings.TestPorts(2);  // only exactly 1 turns the test on
    system.opens.clear();
    EXPECT_EQ(Listed(system, settings), (std::vector<std::string>{"com5:", "COM1A2:", "COM3:"}));
    EXPECT_TRUE(system.opens.empty());
}

TEST(GetAvailablePorts, AFailedEnumerationGivesNoPortsAndIsNoError) {
    test::TraceCapture trace;
    SettingsRecord settings;
    FakePortSystem refused({"COM1:"});
    refused.listed = false;
    EXPECT_TRUE(Listed(refused, settings).empty());
    EXPECT_FALSE(trace.Contains("#Method Exit Error#"));
}

TEST(GetAvailablePorts, ErrorsAreTrappedAndGiveZero) {
    SettingsRecord settings;
    settings.TestPorts(1);
    {  // An open test that throws is handled inside COMAvailable: the port shows as in use.
        test::TraceCapture trace;
        FakePortSystem system({"COM1:"});
        system.throwOnOpen = true;
        EXPECT_EQ(Listed(system, settings), std::vector<std::string>{"COM1:*"});
        EXPECT_TRUE(trace.Contains(kAvailable + ":#Method Exit Error#: device driver fault"));
    }
    // More COM ports than a 16-bit count holds: an overflow, so 0 and no ports.
    settings.TestPorts(0);
    std::vector<std::string> names;
    for (int i = 0; i < 32768; ++i) {
        names.push_back("COM" + std::to_string(i + 1) + ":");
    }
    FakePortSystem system(names);
    EXPECT_TRUE(Listed(system, settings).empty());
}

TEST(GetComPortNumberFromName, CollectsDigitsInOrder) {
    for (const auto& [name, number, error] : {std::tuple{"COM1A2:", 12, ""},
                                              {"COM32767:", 32767, ""},
                                              {"COM:", 0, "Type mismatch"},
                                              {"COM32768:", 0, "Overflow"}}) {
        test::TraceCapture trace;
        EXPECT_EQ(GetComPortNumberFromName(name), number) << name;
        EXPECT_EQ(
            trace.Contains(std::string("frmSerial.GetComPortNumberFromName:#Method Exit Error#: ") + error),
            *error != '\0')
            << name;
    }
}

}  // namespace
}  // namespace qm
