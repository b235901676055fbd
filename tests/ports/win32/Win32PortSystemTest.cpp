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

constexpr DWORD kGenericRead = 0x80000000u;
constexpr DWORD kGenericReadWrite = 0xC0000000u;

std::vector<std::string> Names(const std::vector<PortInfo>& ports) {
    std::vector<std::string> names;
    for (const PortInfo& port : ports) {
        names.push_back(port.Name + (port.InUse ? " (in use)" : ""));
    }
    return names;
}

TEST(Win32PortSystem, ComPortsOpenByTheirDevicePath) {
    EXPECT_EQ(Win32PortSystem::DevicePath("COM12:"), "\\\\.\\COM12");
    EXPECT_EQ(Win32PortSystem::DevicePath("COM1:"), "\\\\.\\COM1");
    EXPECT_EQ(Win32PortSystem::DevicePath("com5"), "\\\\.\\com5");
    for (const char* other :
         {"LPT1:", "FILE:", "COM:", "COM1A2:", "COMX:", "C:\\ports\\COM1", "", "COM1::"}) {
        EXPECT_EQ(Win32PortSystem::DevicePath(other), other);
    }
}

TEST(Win32PortSystem, EnumeratesTheSpoolersPortsAndDiscoveryKeepsTheComOnes) {
    Win32PortSystem system;
    DWORD needed = 0;
    DWORD returned = 7;
    EXPECT_FALSE(system.EnumPortsA("", 2, nullptr, 0, &needed, &returned)) << "no buffer: the size only";
    EXPECT_EQ(returned, 0u);
    ASSERT_GT(needed, 0u);
    std::vector<PORT_INFO_2> all(needed / kPortInfo2Size + 1);
    ASSERT_TRUE(system.EnumPortsA("", 2, all.data(), needed, &needed, &returned));
    all.resize(returned);
    EXPECT_EQ(needed, EnumPortsBufferSize(all)) << "the two calls agree";

    std::vector<std::string> everything;
    std::vector<std::string> com;
    for (const PORT_INFO_2& port : all) {
        everything.push_back(port.pPortName);
        if (port.pPortName.rfind("COM", 0) == 0) {
            com.push_back(port.pPortName);
        }
    }
    // Every Windows, and Wine, lists a serial port, the printer port and the file port.
    EXPECT_THAT(everything, ::testing::IsSupersetOf({"COM1:", "LPT1:", "FILE:"}));
    EXPECT_FALSE(system.EnumPortsA("", 1, all.data(), needed, &needed, &returned)) << "level 2 only";

    test::TraceCapture trace;
    SettingsRecord settings;
    settings.TestPorts(0);
    modPortAPI api(system, settings);
    std::vector<PortInfo> ports;
    EXPECT_EQ(api.GetAvailablePorts(ports), static_cast<std::int16_t>(com.size()));
    EXPECT_EQ(Names(ports), com) << "the COM ports, in the spooler's order, none tested";
    EXPECT_TRUE(trace.Contains("modPortAPI.GetAvailablePorts:: NOT Including port - LPT1:"));
    EXPECT_TRUE(trace.Contains("modPortAPI.GetAvailablePorts:: Including port - COM1: : InUse = False"));
}

// The open test asks for no access rights. On Windows a serial port still refuses a second
// open while a program holds it, because serial drivers admit one handle at a time; a file
// (all Wine can offer here) does not, so this checks what reaches the system: the name, the
// access and the share mode, which decide between two opens of an ordinary file.
TEST(Win32PortSystem, TheOpenTestReachesTheDeviceWithTheGivenAccessAndSharing) {
    Win32PortSystem system;
    SettingsRecord settings;
    modPortAPI api(system, settings);
    test::TempDir dir;
    const std::string device = dir.File("device");
    test::WriteFile(device, "");

    EXPECT_TRUE(api.COMAvailable(device, false));
    EXPECT_TRUE(api.COMAvailable(device, true));
    EXPECT_FALSE(api.COMAvailable(dir.File("absent"), false));
    EXPECT_FALSE(api.COMAvailable("COM250:", false));

    const HANDLE held = system.CreateFileA(device, kGenericReadWrite, 0, nullptr, OPEN_EXISTING, 0, 0);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    SECURITY_ATTRIBUTES zeroed;
    EXPECT_EQ(system.CreateFileA(device, kGenericRead, FILE_SHARE_READ | FILE_SHARE_WRITE, &zeroed,
                                 OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, 0),
              INVALID_HANDLE_VALUE)
        << "reading a file held without sharing";
    EXPECT_TRUE(system.CloseHandle(held));
    const HANDLE again = system.CreateFileA(device, kGenericRead, FILE_SHARE_READ, &zeroed, OPEN_EXISTING,
                                            FILE_ATTRIBUTE_NORMAL, 0);
    EXPECT_NE(again, INVALID_HANDLE_VALUE) << "free once the other handle is closed";
    EXPECT_TRUE(system.CloseHandle(again));
    EXPECT_FALSE(system.CloseHandle(again)) << "a handle closes once";
}

// Wine knows a port past COM9 when its prefix links dosdevices/com12 to a device, and the
// spooler lists it when it is a value of the Ports key, which the test adds for its run.
TEST(Win32PortSystem, APortPastCom9IsListedAndOpens) {
    const char* provided = std::getenv("QM_WINE_COM12");
    if (provided == nullptr || std::string(provided) != "1") {
        GTEST_SKIP() << "no COM12 in this Wine prefix (scripts/test-windows links one)";
    }
    const std::string portsKey = "Software\\Microsoft\\Windows NT\\CurrentVersion\\Ports";
    Win32Registry registry;
    HKEY ports = 0;
    ASSERT_EQ(registry.RegOpenKeyExA(HKEY_LOCAL_MACHINE, portsKey, 0, KEY_ALL_ACCESS, &ports), ERROR_SUCCESS);
    DWORD size = 0;
    const bool listed = registry.RegQueryValueExA(ports, "COM12:", nullptr, nullptr, &size) == ERROR_SUCCESS;
    struct Unlist {
        Win32Registry& registry;
        HKEY ports;
        bool added = false;
        ~Unlist() {
            if (added) {
                registry.RegDeleteValueA(ports, "COM12:");
            }
            registry.RegCloseKey(ports);
        }
    } unlist{registry, ports};
    if (!listed) {
        ASSERT_EQ(
            registry.RegSetValueExA(ports, "COM12:", REG_SZ, reinterpret_cast<const unsigned char*>(""), 1),
            ERROR_SUCCESS);
        unlist.added = true;
    }

    Win32PortSystem system;
    SettingsRecord settings;
    settings.TestPorts(1);
    modPortAPI api(system, settings);
    std::vector<PortInfo> found;
    api.GetAvailablePorts(found);
    const std::vector<std::string> names = Names(found);
    EXPECT_THAT(names, ::testing::Contains("COM12:"))
        << "listed, and free: it opens as \\\\.\\COM12, where the name COM12: would name no device";
    EXPECT_EQ(GetComPortNumberFromName("COM12:"), 12);

    const HANDLE held = system.CreateFileA("COM12:", kGenericReadWrite, 0, nullptr, OPEN_EXISTING, 0, 0);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    EXPECT_EQ(system.CreateFileA("com12", kGenericRead, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, 0),
              INVALID_HANDLE_VALUE)
        << "the same device under either spelling";
    EXPECT_TRUE(system.CloseHandle(held));
}

}  // namespace
}  // namespace qm
