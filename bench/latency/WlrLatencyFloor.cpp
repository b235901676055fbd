// The floor the program's latency on a wlroots compositor is measured against: one process that
// reads the line and turns each byte straight into a request of a virtual pointer or keyboard,
// with nothing in between, one flush after each read. The keymap (the program's own, so that the
// keys are the same) is uploaded once at start.
//
// Usage: qm_latency_floor_wlr DEVICE EAST CLICK STOP WEST, with WAYLAND_DISPLAY naming the
//   compositor. EAST and WEST move the pointer 2 pixels right or left, CLICK clicks the left
//   button, STOP does nothing and any other byte is typed as its ASCII character.

#include <fcntl.h>
#include <linux/input-event-codes.h>
#include <unistd.h>
#include <wayland-client.h>

#include <array>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>

#include "desktop/keysyms/AnsiKeysym.h"
#include "desktop/wayland/VirtualKeymap.h"
#include "desktop/wayland/WlrootsConnection.h"
#include "diag/RaisedError.h"
#include "virtual-keyboard-unstable-v1-client-protocol.h"
#include "wlr-virtual-pointer-unstable-v1-client-protocol.h"

int main(int argc, char** argv) {
    if (argc != 6) {
        std::fprintf(stderr, "usage: %s DEVICE EAST CLICK STOP WEST\n", argv[0]);
        return 2;
    }
    const int east = std::atoi(argv[2]);
    const int click = std::atoi(argv[3]);
    const int stop = std::atoi(argv[4]);
    const int west = std::atoi(argv[5]);
    try {
        qm::wayland::WlrootsConnection connection({});
        qm::wayland::VirtualKeymap keymap;
        std::array<unsigned, 128> keycodes{};
        for (unsigned char c = 0x20; c < 0x7f; ++c) {
            keycodes[c] = keymap.CharacterKeycode(qm::KeysymsForAnsi(c).front());
        }
        connection.UploadKeymap(keymap.Text());
        connection.Settle();
        // As the program does: clients bind the new devices only after they are announced.
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        const int line = ::open(argv[1], O_RDONLY | O_NOCTTY);
        if (line < 0) {
            std::perror(argv[1]);
            return 1;
        }
        const auto start = std::chrono::steady_clock::now();
        const auto now = [&] {
            return static_cast<std::uint32_t>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                                  std::chrono::steady_clock::now() - start)
                                                  .count());
        };
        zwlr_virtual_pointer_v1* pointer = connection.Pointer();
        zwp_virtual_keyboard_v1* keyboard = connection.Keyboard();
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
                if (byte == east || byte == west) {
                    zwlr_virtual_pointer_v1_motion(pointer, now(), wl_fixed_from_int(byte == east ? 2 : -2),
                                                   0);
                    zwlr_virtual_pointer_v1_frame(pointer);
                } else if (byte == click) {
                    zwlr_virtual_pointer_v1_button(pointer, now(), BTN_LEFT, WL_POINTER_BUTTON_STATE_PRESSED);
                    zwlr_virtual_pointer_v1_frame(pointer);
                    zwlr_virtual_pointer_v1_button(pointer, now(), BTN_LEFT,
                                                   WL_POINTER_BUTTON_STATE_RELEASED);
                    zwlr_virtual_pointer_v1_frame(pointer);
                } else if (byte != stop && byte < 128 && keycodes[static_cast<unsigned>(byte)] != 0) {
                    const unsigned key = keycodes[static_cast<unsigned>(byte)] - 8;
                    zwp_virtual_keyboard_v1_key(keyboard, now(), key, WL_KEYBOARD_KEY_STATE_PRESSED);
                    zwp_virtual_keyboard_v1_key(keyboard, now(), key, WL_KEYBOARD_KEY_STATE_RELEASED);
                }
            }
            if (!connection.Send()) {
                break;
            }
        }
    } catch (const qm::RaisedError& error) {
        std::fprintf(stderr, "%s\n", error.Description().c_str());
        return 1;
    }
    return 0;
}
