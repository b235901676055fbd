#include "ports/linux/LinuxPortSystem.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>

#include "ports/PortAPI.h"
#include "ports/PortDevices.h"
#include "support/HiveTest.h"
#include "support/TraceCapture.h"
#include "support/gui/PtyPair.h"

namespace qm {
namespace {

// The slave side held open, as another program holding the port would.
int Hold(const test::PtyPair& pty) {
    return ::open(pty.DevicePath().c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
}

// "name=device" for each entry, space-separated, with the folder dropped from every path.
std::string Lines(const std::vector<PortDevice>& entries, const std::string& folder = "") {
    std::string lines;
    for (const PortDevice& entry : entries) {
        lines += (lines.empty() ? "" : " ") + entry.Name + "=" + entry.Device;
    }
    for (std::size_t at; !folder.empty() && (at = lines.find(folder)) != std::string::npos;) {
        lines.erase(at, folder.size());
    }
    return lines;
}

std::size_t OpenDescriptors() {
    std::size_t count = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) {
        ++count;
    }
    return count;
}

TEST(LinuxPortSystem, DiscoveryOverRealPseudoTerminals) {
    test::TempDir locks;
    test::PtyPair free;
    test::PtyPair held;
    const int holder = Hold(held);
    const DeviceMap map(
        {{"COM7:", free.DevicePath()}, {"COM8:", held.DevicePath()}, {"COM9:", locks.File("gone")}}, {});
    LinuxPortSystem system(map, {locks.Path().string()});
    SettingsRecord settings;
    settings.TestPorts(1);
    modPortAPI api(system, settings);

    ASSERT_EQ(::ioctl(holder, TIOCEXCL), 0);  // another program has COM8:
    const std::size_t before = OpenDescriptors();
    std::vector<PortInfo> ports;
    ASSERT_EQ(api.GetAvailablePorts(ports), 3);
    std::string listed;
    for (const PortInfo& port : ports) {
        listed += port.Name + (port.InUse ? "* " : " ");
    }
    EXPECT_EQ(listed, "COM7: COM8:* COM9:* ") << "a listed port whose device is absent cannot be opened";
    EXPECT_EQ(OpenDescriptors(), before) << "every device opened was closed again";
    ::close(holder);

    EXPECT_TRUE(system.OpensNow("com7:")) << "a name matches without case";
    EXPECT_FALSE(system.OpensNow("COM10:"));
}

// A /dev, a sysfs and a by-id folder of our own making.
class FakeSystem {
public:
    FakeSystem() {
        roots.Dev = dir.File("dev");
        roots.SysClassTty = dir.File("sys/class/tty");
        roots.ById = dir.File("dev/serial/by-id");
        std::filesystem::create_directories(roots.ById);
        std::filesystem::create_directories(roots.SysClassTty);
    }
    void Node(const std::string& name) { test::WriteFile(roots.Dev + "/" + name, ""); }
    void UartType(const std::string& name, const std::string& type) {
        std::filesystem::create_directories(roots.SysClassTty + "/" + name);
        test::WriteFile(roots.SysClassTty + "/" + name + "/type", type);
    }
    void ById(const std::string& link, const std::string& node) {
        std::filesystem::create_symlink("../../" + node, roots.ById + "/" + link);
    }
    std::string Dev(const std::string& name) const { return roots.Dev + "/" + name; }

    test::TempDir dir;
    DeviceScanRoots roots;
};

TEST(ScanSerialDevices, FindsSerialNodesAndOnlyRealUarts) {
    FakeSystem system;
    for (const char* name : {"ttyS0", "ttyS1", "ttyS2", "ttyS10", "ttyUSB0", "ttyUSB1", "ttyACM0", "ttyAMA0",
                             "rfcomm0", "tty0", "ttyUSB", "ttySX", "console", "ttyprintk"}) {
        system.Node(name);
    }
    system.UartType("ttyS0", "4\n");   // a 16550A
    system.UartType("ttyS1", "0\n");   // a slot without a UART
    system.UartType("ttyS10", "1\n");  // an 8250
    // ttyS2 has no sysfs entry and is no tty: TIOCGSERIAL fails, so it is no port.
    system.ById("usb-FTDI_B-if00-port0", "ttyUSB0");
    system.ById("usb-FTDI_A-if00-port0", "ttyUSB1");

    std::vector<PortDevice> found;
    for (const SerialDevice& device : ScanSerialDevices(system.roots)) {
        found.push_back({device.Path, device.StableKey});
    }
    EXPECT_EQ(Lines(found, system.roots.Dev + "/"),
              "rfcomm0= ttyACM0= ttyAMA0= ttyS0= ttyS10= ttyUSB0=serial/by-id/usb-FTDI_B-if00-port0 "
              "ttyUSB1=serial/by-id/usb-FTDI_A-if00-port0");
}

// The device map's entries as the settings store holds them: text values in order, expanded where
// expandable, through buffers that must grow; the key closed again on every way out.
TEST(ReadPortDevices, ReadsTextValuesInOrderAndClosesTheKey) {
    test::TempHive hive;
    FileHiveRegistry store = hive.Open();
    test::FaultyRegistry registry(store);
    std::vector<PortDevice> entries = {{"stale", "x"}};
    EXPECT_EQ(ReadPortDevices(registry, entries), ERROR_FILE_NOT_FOUND);
    EXPECT_TRUE(entries.empty());

    const HKEY key = test::CreateKey(store, kPortDevicesKey);
    const std::string longName = "COM" + std::string(300, '1');                  // past the first name buffer
    const std::string longPath = "/dev/serial/by-id/" + std::string(2000, 'x');  // past the first data buffer
    ::setenv("QM_PORTS_TEST_HOME", "/home/switch", 1);
    test::SetValue(store, key, "COM7:", REG_SZ, test::Sz("/dev/pts/3"));
    test::SetValue(store, key, "COM8:", REG_DWORD, test::Dword(8));  // not a device path
    test::SetValue(store, key, longName, REG_SZ, test::Sz(longPath));
    test::SetValue(store, key, "COM9:", REG_EXPAND_SZ, test::Sz("%QM_PORTS_TEST_HOME%/ttyV0"));
    test::SetValue(store, key, "COM10:", REG_SZ, test::Bytes(std::string("/dev/ttyUSB0\0junk", 17)));
    EXPECT_EQ(ReadPortDevices(registry, entries), ERROR_SUCCESS);
    EXPECT_EQ(Lines(entries), "COM7:=/dev/pts/3 " + longName + "=" + longPath +
                                  " COM9:=/home/switch/ttyV0 COM10:=/dev/ttyUSB0");

    registry.failEnumAt = 1;
    EXPECT_EQ(ReadPortDevices(registry, entries), ERROR_CANTREAD);
    EXPECT_TRUE(entries.empty());
    EXPECT_EQ(registry.opened, 2);
    EXPECT_EQ(registry.closed, 2);
}

TEST(BuildDeviceMap, SettingsFirstThenTheSystemAndATraceOfEach) {
    test::TraceCapture trace;
    FakeSystem system;
    system.Node("ttyS0");
    system.UartType("ttyS0", "4");
    system.Node("ttyUSB0");
    test::TempHive hive;
    FileHiveRegistry store = hive.Open();
    const HKEY key = test::CreateKey(store, kPortDevicesKey);
    test::SetValue(store, key, "COM7:", REG_SZ, test::Sz("/dev/pts/7"));
    test::SetValue(store, key, "LPT1:", REG_SZ, test::Sz("/dev/lp0"));
    test::SetValue(store, key, "COM1:", REG_SZ, test::Sz("/dev/caf\xE9"));  // Windows-1252 in the settings

    const DeviceMap map = BuildDeviceMap(store, system.roots);
    EXPECT_EQ(map.DeviceForPort(1), "/dev/caf\xC3\xA9") << "device paths are in the system's encoding";
    const std::string method = "LinuxPortSystem.BuildDeviceMap";
    EXPECT_EQ(
        trace.Reports(),
        (std::vector<std::string>{
            method + ":Method Entry: ", method + ":: Ignoring port device - LPT1: = /dev/lp0",
            method + ":: Port device - COM7: = /dev/pts/7", method + ":: Port device - COM1: = /dev/caf\xE9",
            method + ":: Port device - COM33: = " + system.Dev("ttyUSB0"), method + ":Method Exit: "}));

    // A settings tree that cannot be read still leaves the system's own devices.
    test::WriteFile(hive.file, "damaged");
    trace.Clear();
    EXPECT_EQ(BuildDeviceMap(store, system.roots).Entries().size(), 2u);
    EXPECT_TRUE(trace.Contains("Could not read port devices - error 1009"));
}

}  // namespace
}  // namespace qm
