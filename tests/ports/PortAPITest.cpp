#include "ports/PortAPI.h"

#include <gtest/gtest.h>

#include <optional>
#include <set>
#include <stdexcept>
#include <tuple>

#include "support/TraceCapture.h"

namespace qm {
namespace {

// A port system that answers from a list, records every call, and can be told to fail.
class FakePortSystem : public PortSystem {
public:
    explicit FakePortSystem(const std::vector<std::string>& names) {
        for (const std::string& name : names) {
            ports.emplace_back().pPortName = name;
            ports.back().pMonitorName = ports.back().pDescription = "Local Port";
            ports.back().fPortType = PORT_TYPE_READ | PORT_TYPE_WRITE;
        }
    }

    bool EnumPortsA(const std::string& pName, DWORD Level, PORT_INFO_2* pPorts, DWORD cbBuf, DWORD* pcbNeeded,
                    DWORD* pcReturned) override {
        // "buffer size@server level"
        enumCalls.push_back((pPorts != nullptr ? "buffer " : "none ") + std::to_string(cbBuf) + "@" + pName +
                            " " + std::to_string(Level));
        if (pPorts == nullptr && neededOverride) {
            *pcbNeeded = neededOverride.value_or(0);
            *pcReturned = 0;
            return false;
        }
        const bool ok = EnumPortsFromList(ports, pPorts, cbBuf, pcbNeeded, pcReturned);
        if (ok && pPorts != nullptr && returnedOverride) {
            *pcReturned = *returnedOverride;
        }
        return ok;
    }

    HANDLE CreateFileA(const std::string& name, DWORD access, DWORD share, const SECURITY_ATTRIBUTES*, DWORD,
                       DWORD, HANDLE) override {
        opens.push_back(name + " " + std::to_string(access) + " " + std::to_string(share));
        if (throwOnOpen) {
            throw std::runtime_error("device driver fault");
        }
        if (busy.count(name) != 0) {
            return INVALID_HANDLE_VALUE;
        }
        return nextHandle++;
    }

    bool CloseHandle(HANDLE hObject) override {
        closed.push_back(hObject);
        return true;
    }

    std::vector<PORT_INFO_2> ports;
    std::set<std::string> busy;
    std::optional<DWORD> neededOverride;
    std::optional<DWORD> returnedOverride;
    bool throwOnOpen = false;

    std::vector<std::string> enumCalls;
    std::vector<std::string> opens;  // "name access share"
    std::vector<HANDLE> closed;
    HANDLE nextHandle = 0;  // 0 is a valid handle: only INVALID_HANDLE_VALUE means failure
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
    // Opened for no access rights and shared reading, never the printer port; closed at once.
    EXPECT_EQ(system.opens, (std::vector<std::string>{"com5: 0 1", "COM1A2: 0 1", "COM3: 0 1"}));
    EXPECT_EQ(system.closed, (std::vector<HANDLE>{0, 1}));
    const std::vector<std::string> reports = trace.Reports();
    EXPECT_EQ(reports[1], kGet + ":: Found port - LPT1:");
    EXPECT_EQ(reports[2], kGet + ":: NOT Including port - LPT1:");
    EXPECT_TRUE(trace.Contains(kGet + ":: Including port - com5: : InUse = False"));
    EXPECT_TRUE(trace.Contains(kAvailable + ":: Trying to open com5: for read access"));
    EXPECT_EQ(reports[25], kGet + ":: Including port - COM3: : InUse = True");
    // The size is asked for first with no buffer, then the records fetched with exactly that size
    // (20 a record, each text with its NUL, an empty one nothing), from this machine at level 2.
    EXPECT_EQ(system.enumCalls, (std::vector<std::string>{"none 0@ 2", "buffer 377@ 2"}));

    settings.TestPorts(2);  // only exactly 1 turns the test on
    system.opens.clear();
    EXPECT_EQ(Listed(system, settings), (std::vector<std::string>{"com5:", "COM1A2:", "COM3:"}));
    EXPECT_TRUE(system.opens.empty());
}

TEST(GetAvailablePorts, FailedOrEmptyEnumerationGivesNoPorts) {
    test::TraceCapture trace;
    SettingsRecord settings;
    FakePortSystem nothing({"COM1:"});
    nothing.neededOverride = 0;
    EXPECT_TRUE(Listed(nothing, settings).empty());
    // A port appears between the calls: the buffer is now too small.
    FakePortSystem grown({"COM1:"});
    grown.neededOverride = EnumPortsBufferSize(grown.ports);
    grown.ports.emplace_back().pPortName = "COM2:";
    EXPECT_TRUE(Listed(grown, settings).empty());
    // More records claimed than there was room for.
    FakePortSystem claimed({"COM1:", "COM2:"});
    claimed.returnedOverride = 1000;
    EXPECT_EQ(Listed(claimed, settings), (std::vector<std::string>{"COM1:", "COM2:"}));
    EXPECT_FALSE(trace.Contains("#Method Exit Error#")) << "a failing enumeration is not an error";
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
