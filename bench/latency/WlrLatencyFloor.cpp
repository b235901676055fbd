// The floor the program's latency on a wlroots compositor is measured against: one process that
// reads the line and turns each byte straight into a request of a virtual pointer or keyboard,
// with nothing in between, one flush after each read. The keymap (the program's own, so that the
// keys are the same) is uploaded once at start.
//
// Usage: qm_latency_floor_wlr DEVICE EAST CLICK STOP WEST, with WAYLAND_DISPLAY naming the
//   compositor. EAST and WEST move the pointer 2 pixels right or left, CLICK clicks the left
//   button, STOP does nothing and any other byte is typed as its ASCII character.

#include <linux/input-event-codes.h>
#include <wayland-client.h>

#include <array>
#include <chrono>
#include <cstdio>
#include <thread>

#include "FloorLine.h"

#include "desktop/keysyms/AnsiKeysym.h"
#include "desktop/wayland/VirtualKeymap.h"
#include "desktop/wayland/WlrootsConnection.h"
#include "diag/RaisedError.h"
#include "virtual-keyboard-unstable-v1-client-protocol.h"
#include "wlr-virtual-pointer-unstable-v1-client-protocol.h"

namespace {

// Each byte a request of the virtual pointer or keyboard, timed from the floor's start.
struct VirtualFloor {
    qm::wayland::WlrootsConnection& connection;
    std::array<unsigned, 128> keycodes{};
    std::chrono::steady_clock::time_point start = std::chrono::steady_clock::now();

    std::uint32_t Now() const {
        return static_cast<std::uint32_t>(
            std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start)
                .count());
    }
    void Move(int dx) {
        zwlr_virtual_pointer_v1_motion(connection.Pointer(), Now(), wl_fixed_from_int(dx), 0);
        zwlr_virtual_pointer_v1_frame(connection.Pointer());
    }
    void Click() {
        for (const auto state : {WL_POINTER_BUTTON_STATE_PRESSED, WL_POINTER_BUTTON_STATE_RELEASED}) {
            zwlr_virtual_pointer_v1_button(connection.Pointer(), Now(), BTN_LEFT, state);
            zwlr_virtual_pointer_v1_frame(connection.Pointer());
        }
    }
    void Key(unsigned char c) {
        if (keycodes[c] != 0) {
            const unsigned key = keycodes[c] - 8;
            zwp_virtual_keyboard_v1_key(connection.Keyboard(), Now(), key, WL_KEYBOARD_KEY_STATE_PRESSED);
            zwp_virtual_keyboard_v1_key(connection.Keyboard(), Now(), key, WL_KEYBOARD_KEY_STATE_RELEASED);
        }
    }
    bool Flush() { return connection.Send(); }
};

}  // namespace

int main(int argc, char** argv) {
    const auto codes = qm::bench::ReadFloorCodes(argc, argv, true);
    if (!codes) {
        return 2;
    }
    try {
        qm::wayland::WlrootsConnection connection({});
        qm::wayland::VirtualKeymap keymap;
        VirtualFloor floor{connection};
        for (unsigned char c = 0x20; c < 0x7f; ++c) {
            floor.keycodes[c] = keymap.CharacterKeycode(qm::KeysymsForAnsi(c).front());
        }
        connection.UploadKeymap(keymap.Text());
        connection.Settle();
        // As the program does: clients bind the new devices only after they are announced.
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        floor.start = std::chrono::steady_clock::now();
        return qm::bench::ReadLineInto(argv[1], *codes, floor);
    } catch (const qm::RaisedError& error) {
        std::fprintf(stderr, "%s\n", error.Description().c_str());
        return 1;
    }
}
