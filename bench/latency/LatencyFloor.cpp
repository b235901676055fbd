// The floor the program's latency is measured against: one process that reads the line and
// turns each byte straight into an XTest request, with nothing in between. The keyboard map is
// looked up once at start; after each read, one flush.
//
// Usage: qm_latency_floor DEVICE EAST CLICK STOP
//   EAST moves the pointer 2 pixels right, CLICK clicks the left button, STOP does nothing and
//   any other byte is typed as its ASCII key.

#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <fcntl.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
    if (argc != 5) {
        std::fprintf(stderr, "usage: %s DEVICE EAST CLICK STOP\n", argv[0]);
        return 2;
    }
    const int east = std::atoi(argv[2]);
    const int click = std::atoi(argv[3]);
    const int stop = std::atoi(argv[4]);
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) {
        std::fprintf(stderr, "cannot open the display\n");
        return 1;
    }
    std::array<unsigned, 128> keycodes{};
    for (unsigned c = 0x20; c < 0x7f; ++c) {
        keycodes[c] = XKeysymToKeycode(display, c);
    }
    const int line = ::open(argv[1], O_RDONLY | O_NOCTTY);
    if (line < 0) {
        std::perror(argv[1]);
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
            if (byte == east) {
                XTestFakeRelativeMotionEvent(display, 2, 0, CurrentTime);
            } else if (byte == click) {
                XTestFakeButtonEvent(display, 1, True, CurrentTime);
                XTestFakeButtonEvent(display, 1, False, CurrentTime);
            } else if (byte != stop && byte < 128 && keycodes[static_cast<unsigned>(byte)] != 0) {
                XTestFakeKeyEvent(display, keycodes[static_cast<unsigned>(byte)], True, CurrentTime);
                XTestFakeKeyEvent(display, keycodes[static_cast<unsigned>(byte)], False, CurrentTime);
            }
        }
        XFlush(display);
    }
    XCloseDisplay(display);
    return 0;
}
