#include "ports/PortDevices.h"

#include <gtest/gtest.h>

#include "support/FakeRegistry.h"

namespace qm {
namespace {

std::vector<std::string> Lines(const std::vector<PortDevice>& entries) {
    std::vector<std::string> lines;
    for (const PortDevice& entry : entries) {
        lines.push_back(entry.Name + "=" + entry.Device);
    }
    return lines;
}

TEST(ReadPortDevices, ReadsTextValuesInOrderAndClosesTheKey) {
    test::FakeRegistry registry;
    const std::string key = kPortDevicesKey;
    const std::string longName = "COM" + std::string(300, '1');                  // past the first name buffer
    const std::string longPath = "/dev/serial/by-id/" + std::string(2000, 'x');  // past the first data buffer
    registry.AddText(key, "COM7:", "/dev/pts/3");
    registry.AddDword(key, "COM8:", 8);  // not a device path
    registry.AddText(key, longName, longPath);
    registry.AddText(key, "COM9:", "%HOME%/ttyV0", REG_EXPAND_SZ);
    registry.AddText(key, "COM10:", std::string("/dev/ttyUSB0\0junk", 17));
    registry.environment["HOME"] = "/home/switch";

    std::vector<PortDevice> entries = {{"stale", "x"}};
    EXPECT_EQ(ReadPortDevices(registry, entries), ERROR_SUCCESS);
    EXPECT_EQ(Lines(entries), (std::vector<std::string>{"COM7:=/dev/pts/3", longName + "=" + longPath,
                                                        "COM9:=/home/switch/ttyV0", "COM10:=/dev/ttyUSB0"}));
    EXPECT_EQ(registry.opened,
              (std::vector<std::string>{std::to_string(HKEY_LOCAL_MACHINE) +
                                        "\\Software\\Tallowmer\\Quillmotion\\Ports\\Devices"}));
    EXPECT_EQ(registry.OpenKeys(), 0u);
}

TEST(ReadPortDevices, MissingKeyOrFailureGivesNoEntries) {
    test::FakeRegistry registry;
    std::vector<PortDevice> entries = {{"stale", "x"}};
    EXPECT_EQ(ReadPortDevices(registry, entries), ERROR_FILE_NOT_FOUND);
    EXPECT_TRUE(entries.empty());

    registry.AddKey(kPortDevicesKey);
    EXPECT_EQ(ReadPortDevices(registry, entries), ERROR_SUCCESS);
    EXPECT_TRUE(entries.empty());

    registry.AddText(kPortDevicesKey, "COM1:", "/dev/pts/1");
    registry.AddText(kPortDevicesKey, "COM2:", "/dev/pts/2");
    registry.FailEnumerationAt(1, ERROR_CANTREAD);
    EXPECT_EQ(ReadPortDevices(registry, entries), ERROR_CANTREAD);
    EXPECT_TRUE(entries.empty());
    EXPECT_EQ(registry.OpenKeys(), 0u);
}

}  // namespace
}  // namespace qm
