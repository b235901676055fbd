#include "desktop/remote/SeatKeymap.h"

#include <sys/mman.h>
#include <unistd.h>
#include <wayland-client.h>

#include <chrono>
#include <cstring>
#include <thread>

namespace qm {

namespace {

struct Seat {
    wl_seat* seat = nullptr;
    wl_keyboard* keyboard = nullptr;
    bool hasKeyboard = false;
    std::string keymap;
};

void Global(void* data, wl_registry* registry, std::uint32_t name, const char* interface, std::uint32_t) {
    auto* seat = static_cast<Seat*>(data);
    if (seat->seat == nullptr && std::strcmp(interface, wl_seat_interface.name) == 0) {
        seat->seat = static_cast<wl_seat*>(wl_registry_bind(registry, name, &wl_seat_interface, 1));
    }
}
void GlobalRemove(void*, wl_registry*, std::uint32_t) {}
const wl_registry_listener kRegistry{Global, GlobalRemove};

void Capabilities(void* data, wl_seat*, std::uint32_t capabilities) {
    static_cast<Seat*>(data)->hasKeyboard = (capabilities & WL_SEAT_CAPABILITY_KEYBOARD) != 0;
}
void Name(void*, wl_seat*, const char*) {}
const wl_seat_listener kSeat{Capabilities, Name};

void Keymap(void* data, wl_keyboard*, std::uint32_t format, std::int32_t fd, std::uint32_t size) {
    if (format == WL_KEYBOARD_KEYMAP_FORMAT_XKB_V1 && size > 0) {
        void* text = ::mmap(nullptr, size, PROT_READ, MAP_PRIVATE, fd, 0);
        if (text != MAP_FAILED) {
            // The text ends with its terminating zero.
            static_cast<Seat*>(data)->keymap.assign(static_cast<const char*>(text),
                                                    ::strnlen(static_cast<const char*>(text), size));
            ::munmap(text, size);
        }
    }
    ::close(fd);
}
void Enter(void*, wl_keyboard*, std::uint32_t, wl_surface*, wl_array*) {}
void Leave(void*, wl_keyboard*, std::uint32_t, wl_surface*) {}
void Key(void*, wl_keyboard*, std::uint32_t, std::uint32_t, std::uint32_t, std::uint32_t) {}
void Modifiers(void*, wl_keyboard*, std::uint32_t, std::uint32_t, std::uint32_t, std::uint32_t,
               std::uint32_t) {}
const wl_keyboard_listener kKeyboard{Keymap, Enter, Leave, Key, Modifiers, nullptr};

}  // namespace

std::string ReadSeatKeymap(const std::function<void()>& wakeKeyboard) {
    wl_display* display = wl_display_connect(nullptr);
    if (display == nullptr) {
        return {};
    }
    Seat seat;
    wl_registry* registry = wl_display_get_registry(display);
    wl_registry_add_listener(registry, &kRegistry, &seat);
    wl_display_roundtrip(display);
    if (seat.seat != nullptr) {
        wl_seat_add_listener(seat.seat, &kSeat, &seat);
        wl_display_roundtrip(display);
        if (!seat.hasKeyboard) {
            wakeKeyboard();
            const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(500);
            while (!seat.hasKeyboard && std::chrono::steady_clock::now() < end &&
                   wl_display_roundtrip(display) >= 0) {
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
            }
        }
        if (seat.hasKeyboard) {
            seat.keyboard = wl_seat_get_keyboard(seat.seat);
            wl_keyboard_add_listener(seat.keyboard, &kKeyboard, &seat);
            wl_display_roundtrip(display);
            wl_keyboard_destroy(seat.keyboard);
        }
        wl_seat_destroy(seat.seat);
    }
    wl_registry_destroy(registry);
    wl_display_disconnect(display);
    return seat.keymap;
}

}  // namespace qm
