#include "ports/PortDevices.h"

#include <gtest/gtest.h>

#include "settings/hive/FileHiveRegistry.h"
#include "support/TempDir.h"

// The device map as Linux keeps it: in the file hive.

namespace qm {
namespace {

std::vector<std::string> Lines(const std::vector<PortDevice>& entries) {
    std::vector<std::string> lines;
    for (const PortDevice& entry : entries) {
        lines.push_back(entry.Name + "=" + entry.Device);
    }
    return lines;
}

TEST(ReadPortDevices, FromTheFileHive) {
    test::TempDir dir;
    const std::string hive = dir.File("HKEY_LOCAL_MACHINE.reg");
    test::WriteFile(hive,
                    "REGEDIT4\r\n\r\n"
                    "[HKEY_LOCAL_MACHINE\\Software\\Tallowmer\\Quillmotion\\Ports\\Devices]\r\n"
                    "\"COM7:\"=\"/dev/pts/3\"\r\n"
                    "\"COM8:\"=dword:00000001\r\n"
                    "\"COM40:\"=\"/dev/serial/by-id/usb-Switch_Box-if00\"\r\n"
                    "\r\n");
    FileHiveRegistry registry(hive, "");
    std::vector<PortDevice> entries;
    EXPECT_EQ(ReadPortDevices(registry, entries), ERROR_SUCCESS) << registry.LastError();
    EXPECT_EQ(Lines(entries),
              (std::vector<std::string>{"COM7:=/dev/pts/3", "COM40:=/dev/serial/by-id/usb-Switch_Box-if00"}));

    FileHiveRegistry empty(dir.File("none.reg"), "");
    EXPECT_EQ(ReadPortDevices(empty, entries), ERROR_FILE_NOT_FOUND);
    EXPECT_TRUE(entries.empty());
}

}  // namespace
}  // namespace qm
