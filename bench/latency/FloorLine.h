#pragma once

// What every latency floor shares: its codes from the command line, and the line read as the
// bytes come, each byte handed straight to the desktop by what it means, with nothing between.

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <optional>

namespace qm::bench {

struct FloorCodes {
    int east = -1;
    int click = -1;
    int stop = -1;
    int west = -1;  // -1: the floor has no West
};

// "DEVICE EAST CLICK STOP" and, with west, "WEST" after them; nothing (and the usage said) when
// the command line is not that.
inline std::optional<FloorCodes> ReadFloorCodes(int argc, char** argv, bool west) {
    if (argc != (west ? 6 : 5)) {
        std::fprintf(stderr, "usage: %s DEVICE EAST CLICK STOP%s\n", argv[0], west ? " WEST" : "");
        return std::nullopt;
    }
    return FloorCodes{std::atoi(argv[2]), std::atoi(argv[3]), std::atoi(argv[4]),
                      west ? std::atoi(argv[5]) : -1};
}

// Reads the device until it ends. East and West move by 2 pixels (desktop.Move(dx)), Click
// clicks (desktop.Click()), Stop does nothing, and any other byte below 128 is typed
// (desktop.Key(byte)); after each read, desktop.Flush(), which ends the reading when false.
// 1 when the device does not open, else 0.
template <typename Desktop>
int ReadLineInto(const char* device, const FloorCodes& codes, Desktop& desktop) {
    const int line = ::open(device, O_RDONLY | O_NOCTTY);
    if (line < 0) {
        std::perror(device);
        return 1;
    }
    unsigned char bytes[256];
    while (true) {
        const ssize_t count = ::read(line, bytes, sizeof bytes);
        if (count < 0 && errno == EINTR) {
            continue;
        }
        if (count <= 0) {
            break;
        }
        for (ssize_t i = 0; i < count; ++i) {
            const int byte = bytes[i];
            if (byte == codes.east || byte == codes.west) {
                desktop.Move(byte == codes.east ? 2 : -2);
            } else if (byte == codes.click) {
                desktop.Click();
            } else if (byte != codes.stop && byte < 128) {
                desktop.Key(static_cast<unsigned char>(byte));
            }
        }
        if (!desktop.Flush()) {
            break;
        }
    }
    ::close(line);
    return 0;
}

}  // namespace qm::bench
