#include "ports/DeviceMap.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>

namespace qm {
namespace {

// "COMn:=device" for each entry, in order, space-separated.
std::string Listed(const DeviceMap& map) {
    std::string lines;
    for (const PortDevice& entry : map.Entries()) {
        lines += (lines.empty() ? "" : " ") + entry.Name + "=" + entry.Device;
    }
    return lines;
}

// Space-separated nodes under /dev, each optionally "=its by-id link".
std::vector<SerialDevice> Devices(const std::string& nodes) {
    std::vector<SerialDevice> devices;
    std::istringstream words(nodes);
    for (std::string word; words >> word;) {
        const std::size_t link = word.find('=');
        devices.push_back({"/dev/" + word.substr(0, link),
                           link == std::string::npos ? "" : "/dev/serial/by-id/" + word.substr(link + 1)});
    }
    return devices;
}

TEST(DeviceMap, ExplicitFirstThenFixedUartsThenOthersFrom33) {
    const DeviceMap map({{"COM7:", "/dev/pts/3"}, {"com2", "/dev/serial/by-id/usb-Switch_Box-if00"}},
                        Devices("ttyUSB1 ttyS4 ttyACM0 ttyS0 ttyUSB0 rfcomm0"));
    EXPECT_EQ(
        Listed(map),
        "COM7:=/dev/pts/3 COM2:=/dev/serial/by-id/usb-Switch_Box-if00 COM1:=/dev/ttyS0 COM5:=/dev/ttyS4 "
        "COM33:=/dev/rfcomm0 COM34:=/dev/ttyACM0 COM35:=/dev/ttyUSB0 COM36:=/dev/ttyUSB1");
    EXPECT_EQ(map.DeviceForPort(36), "/dev/ttyUSB1");
    EXPECT_EQ(map.DeviceForPort(3), std::nullopt);
    EXPECT_EQ(map.DeviceForName("com34:"), "/dev/ttyACM0");
    EXPECT_EQ(map.DeviceForName("LPT1:"), std::nullopt);
    EXPECT_TRUE(map.Ignored().empty());
}

TEST(DeviceMap, SameDevicesGiveTheSameNumbers) {
    // Two adapters whose nodes swap on replugging keep their names through their by-id links;
    // the linked adapters sort by their links, the others by their paths.
    EXPECT_EQ(Listed(DeviceMap({}, Devices("ttyUSB0=usb-A ttyUSB1=usb-B ttyUSB10 ttyUSB2"))),
              "COM33:=/dev/ttyUSB0 COM34:=/dev/ttyUSB1 COM35:=/dev/ttyUSB2 COM36:=/dev/ttyUSB10");
    EXPECT_EQ(Listed(DeviceMap({}, Devices("ttyUSB2 ttyUSB10 ttyUSB1=usb-A ttyUSB0=usb-B"))),
              "COM33:=/dev/ttyUSB1 COM34:=/dev/ttyUSB0 COM35:=/dev/ttyUSB2 COM36:=/dev/ttyUSB10");
    EXPECT_EQ(Listed(DeviceMap({}, Devices("ttyACM0 ttyACM0"))), "COM33:=/dev/ttyACM0") << "listed twice";
}

TEST(DeviceMap, ExplicitEntriesWin) {
    // The settings give COM1: and COM33: devices of their own and name the first adapter by its
    // link: ttyS0 loses its name, the adapters skip 33, and the linked adapter is not listed twice.
    const DeviceMap::Resolver resolve = [](const std::string& path) {
        return path == "/dev/serial/by-id/usb-A" ? std::string("/dev/ttyUSB0") : path;
    };
    const DeviceMap map(
        {{"COM1:", "/tmp/pty-link"}, {"COM33:", "/dev/pts/9"}, {"COM40:", "/dev/serial/by-id/usb-A"}},
        Devices("ttyS0 ttyS1 ttyUSB0 ttyUSB1"), resolve);
    EXPECT_EQ(Listed(map),
              "COM1:=/tmp/pty-link COM33:=/dev/pts/9 COM40:=/dev/serial/by-id/usb-A COM2:=/dev/ttyS1 "
              "COM34:=/dev/ttyUSB1");
}

TEST(DeviceMap, UnusableExplicitEntriesAreSetAside) {
    std::vector<PortDevice> explicitEntries;
    for (const std::string entry :
         {"LPT1:=/dev/lp0", "COM:=/dev/pts/1", "COM0:=/dev/pts/2", "COM32768:=/dev/pts/3",
          "COM1A2:=/dev/pts/4", "COM7::=/dev/pts/4", "COM-1:=/dev/pts/4", "XCOM1:=/dev/pts/4",
          "COM8:=", "COM007:=/dev/pts/5", "com7:=/dev/pts/6", "com32767=/dev/pts/7"}) {
        explicitEntries.push_back({entry.substr(0, entry.find('=')), entry.substr(entry.find('=') + 1)});
    }
    const DeviceMap map(explicitEntries, {});
    EXPECT_EQ(Listed(map), "COM7:=/dev/pts/5 COM32767:=/dev/pts/7");
    std::string ignored;
    for (const PortDevice& entry : map.Ignored()) {
        ignored += entry.Name + " ";
    }
    EXPECT_EQ(ignored, "LPT1: COM: COM0: COM32768: COM1A2: COM7:: COM-1: XCOM1: COM8: com7: ");
}

TEST(DeviceMap, NaturalOrder) {
    std::vector<std::string> names = {"ttyUSB10", "ttyUSB2", "ttyACM0", "ttyUSB02", "ttyUSB1", "ttyUSB"};
    std::sort(names.begin(), names.end(), NaturalLess);
    EXPECT_EQ(names,
              (std::vector<std::string>{"ttyACM0", "ttyUSB", "ttyUSB1", "ttyUSB02", "ttyUSB2", "ttyUSB10"}));
    EXPECT_FALSE(NaturalLess("a1", "a1"));
    EXPECT_NE(NaturalLess("a01", "a1"), NaturalLess("a1", "a01"));
}

}  // namespace
}  // namespace qm
