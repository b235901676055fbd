#include "ports/win32/Win32PortSystem.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdlib>

#include "ports/PortAPI.h"
#include "settings/SettingsRecord.h"
#include "settings/win32/Win32Registry.h"
#include "support/TempDir.h"
#include "support/TraceCapture.h"

namespace qm {
namespace {

std::vector<std::string> ListedPorts(bool testPorts) {
    Win32PortSystem system;
    SettingsRecord settings;
    settings.TestPorts(testPorts ? 1 : 0);
    modPortAPI api(system, settings);
    std::vector<PortInfo> ports;
    api.GetAvailablePorts(ports);
    std::vector<std::string> names;
    for (const PortInfo& port : ports) {
        names.push_back(port.Name + (port.InUse ? " (in use)" : ""));
    }
    return names;
}

TEST(Win32PortSystem, ComPortsOpenByTheirDevicePath) {
    EXPECT_EQ(Win32PortSystem::DevicePath("COM12:"), "\\\\.\\COM12");
    EXPECT_EQ(Win32PortSystem::DevicePath("com5"), "\\\\.\\com5");
    for (const char* other :
         {"LPT1:", "FILE:", "COM:", "COM1A2:", "COMX:", "C:\\ports\\COM1", "", "COM1::"}) {
        EXPECT_EQ(Win32PortSystem::DevicePath(other), other);
    }
}

// Every Windows, and Wine, lists a serial port, the printer port and the file port.
TEST(Win32PortSystem, DiscoveryKeepsTheSpoolersComPorts) {
    test::TraceCapture trace;
    const std::vector<std::string> names = ListedPorts(false);
    EXPECT_THAT(names, ::testing::Contains("COM1:"));
    EXPECT_THAT(names, ::testing::Not(::testing::Contains("LPT1:")));
    EXPECT_TRUE(trace.Contains("modPortAPI.GetAvailablePorts:: NOT Including port - LPT1:"));
    EXPECT_TRUE(trace.Contains("modPortAPI.GetAvailablePorts:: Including port - COM1: : InUse = False"));
}

TEST(Win32PortSystem, TheOpenTestFindsTheDevice) {
    Win32PortSystem system;
    SettingsRecord settings;
    modPortAPI api(system, settings);
    test::TempDir dir;
    test::WriteFile(dir.File("device"), "");
    EXPECT_TRUE(api.COMAvailable(dir.File("device")));
    EXPECT_FALSE(api.COMAvailable(dir.File("absent")));
    EXPECT_FALSE(api.COMAvailable("COM250:"));
}

// Wine knows a port past COM9 when its prefix links dosdevices/com12 to a device, and the
// spooler lists it when it is a value of the Ports key, which the test adds for its run.
TEST(Win32PortSystem, APortPastCom9IsListedAndOpens) {
    const char* provided = std::getenv("QM_WINE_COM12");
    if (provided == nullptr || std::string(provided) != "1") {
        GTEST_SKIP() << "no COM12 in this Wine prefix (scripts/test-windows links one)";
    }
    Win32Registry registry;
    HKEY ports = 0;
    ASSERT_EQ(
        registry.RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows NT\\CurrentVersion\\Ports",
                               0, KEY_ALL_ACCESS, &ports),
        ERROR_SUCCESS);
    DWORD size = 0;
    const bool listed = registry.RegQueryValueExA(ports, "COM12:", nullptr, nullptr, &size) == ERROR_SUCCESS;
    if (!listed) {
        ASSERT_EQ(
            registry.RegSetValueExA(ports, "COM12:", REG_SZ, reinterpret_cast<const unsigned char*>(""), 1),
            ERROR_SUCCESS);
    }
    EXPECT_THAT(ListedPorts(true), ::testing::Contains("COM12:"))
        << "listed, and free: it opens as \\\\.\\COM12, where the name COM12: would name no device";
    EXPECT_EQ(GetComPortNumberFromName("COM12:"), 12);
    if (!listed) {
        registry.RegDeleteValueA(ports, "COM12:");
    }
    registry.RegCloseKey(ports);
}

}  // namespace
}  // namespace qm
