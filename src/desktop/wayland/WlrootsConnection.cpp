#include "desktop/wayland/WlrootsConnection.h"

#include <poll.h>
#include <sys/mman.h>
#include <unistd.h>
#include <wayland-client.h>
#include <xkbcommon/xkbcommon.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "diag/RaisedError.h"
#include "virtual-keyboard-unstable-v1-client-protocol.h"
#include "wlr-virtual-pointer-unstable-v1-client-protocol.h"

namespace qm::wayland {
namespace {

[[noreturn]] void Refuse(const std::string& why) {
    throw RaisedError(err::InvalidProcedureCall, "WlrootsDesktop", why);
}

void Global(void* data, wl_registry* registry, std::uint32_t name, const char* interface,
            std::uint32_t version) {
    static_cast<WlrootsConnection*>(data)->Announced(registry, name, interface, version);
}
void GlobalRemoved(void*, wl_registry*, std::uint32_t) {}
constexpr wl_registry_listener kRegistryListener{Global, GlobalRemoved};

void Geometry(void* data, wl_output*, std::int32_t, std::int32_t, std::int32_t, std::int32_t, std::int32_t,
              const char*, const char*, std::int32_t transform) {
    static_cast<WlrootsConnection*>(data)->OutputGeometry(transform);
}
void Mode(void* data, wl_output*, std::uint32_t flags, std::int32_t width, std::int32_t height,
          std::int32_t) {
    static_cast<WlrootsConnection*>(data)->OutputMode(flags, width, height);
}
void Done(void*, wl_output*) {}
void Scale(void* data, wl_output*, std::int32_t factor) {
    static_cast<WlrootsConnection*>(data)->OutputScale(factor);
}
// Only version 2 is bound: the name and description of version 4 never come.
constexpr wl_output_listener kOutputListener{Geometry, Mode, Done, Scale, nullptr, nullptr};

std::string ProtocolMissing(const char* what, const char* interface) {
    return std::string("The Wayland compositor offers no ") + what + " (" + interface +
           "), a wlroots protocol: it is there on sway, Hyprland, labwc and other wlroots desktops";
}

}  // namespace

WlrootsConnection::WlrootsConnection(const std::string& displayName) {
    const char* environment = std::getenv("WAYLAND_DISPLAY");
    if (displayName.empty() && (environment == nullptr || *environment == '\0')) {
        Refuse("No Wayland display: WAYLAND_DISPLAY is not set");
    }
    const std::string name = displayName.empty() ? environment : displayName;
    display_ = wl_display_connect(name.c_str());
    if (display_ == nullptr) {
        Refuse("Cannot connect to the Wayland display " + name);
    }
    registry_ = wl_display_get_registry(display_);
    wl_registry_add_listener(registry_, &kRegistryListener, this);
    // The globals, then what the output says of itself.
    wl_display_roundtrip(display_);
    wl_display_roundtrip(display_);
    const char* missing = seat_ == nullptr ? "seat (wl_seat)" : nullptr;
    std::string why =
        missing != nullptr ? std::string("The Wayland compositor has no ") + missing : std::string();
    if (why.empty() && pointerManager_ == nullptr) {
        why = ProtocolMissing("virtual pointer", "zwlr_virtual_pointer_manager_v1");
    } else if (why.empty() && keyboardManager_ == nullptr) {
        why = ProtocolMissing("virtual keyboard", "zwp_virtual_keyboard_manager_v1");
    }
    if (!why.empty()) {
        Close();
        Refuse(why);
    }
    pointer_ = zwlr_virtual_pointer_manager_v1_create_virtual_pointer(pointerManager_, seat_);
    keyboard_ = zwp_virtual_keyboard_manager_v1_create_virtual_keyboard(keyboardManager_, seat_);
}

WlrootsConnection::~WlrootsConnection() {
    Close();
}

void WlrootsConnection::Close() {
    if (display_ == nullptr) {
        return;
    }
    if (pointer_ != nullptr) {
        zwlr_virtual_pointer_v1_destroy(pointer_);
    }
    if (keyboard_ != nullptr) {
        zwp_virtual_keyboard_v1_destroy(keyboard_);
    }
    if (pointerManager_ != nullptr) {
        zwlr_virtual_pointer_manager_v1_destroy(pointerManager_);
    }
    if (keyboardManager_ != nullptr) {
        zwp_virtual_keyboard_manager_v1_destroy(keyboardManager_);
    }
    if (output_ != nullptr) {
        wl_output_destroy(output_);
    }
    if (seat_ != nullptr) {
        wl_seat_destroy(seat_);
    }
    wl_registry_destroy(registry_);
    wl_display_flush(display_);
    wl_display_disconnect(display_);
    display_ = nullptr;
}

void WlrootsConnection::Announced(wl_registry* registry, std::uint32_t name, const char* interface,
                                  std::uint32_t version) {
    const std::string_view kind(interface);
    if (kind == wl_seat_interface.name && seat_ == nullptr) {
        seat_ = static_cast<wl_seat*>(wl_registry_bind(registry, name, &wl_seat_interface, 1));
    } else if (kind == wl_output_interface.name && output_ == nullptr) {
        // Version 2 adds the scale, which turns the mode's pixels into the layout's.
        output_ = static_cast<wl_output*>(
            wl_registry_bind(registry, name, &wl_output_interface, std::min(version, 2U)));
        wl_output_add_listener(output_, &kOutputListener, this);
    } else if (kind == zwlr_virtual_pointer_manager_v1_interface.name) {
        pointerManager_ = static_cast<zwlr_virtual_pointer_manager_v1*>(
            wl_registry_bind(registry, name, &zwlr_virtual_pointer_manager_v1_interface, 1));
    } else if (kind == zwp_virtual_keyboard_manager_v1_interface.name) {
        keyboardManager_ = static_cast<zwp_virtual_keyboard_manager_v1*>(
            wl_registry_bind(registry, name, &zwp_virtual_keyboard_manager_v1_interface, 1));
    }
}

void WlrootsConnection::OutputMode(std::uint32_t flags, std::int32_t width, std::int32_t height) {
    if ((flags & WL_OUTPUT_MODE_CURRENT) != 0) {
        mode_ = {width, height};
    }
}

Size WlrootsConnection::OutputSize() const {
    // A quarter turn swaps the sides (the odd transforms, flipped or not).
    const bool turned = (transform_ & 1) != 0;
    const Size size{(turned ? mode_.height : mode_.width) / scale_,
                    (turned ? mode_.width : mode_.height) / scale_};
    return size;
}

bool WlrootsConnection::UploadKeymap(const std::string& text) {
    const int file = ::memfd_create("quillmotion-keymap", MFD_CLOEXEC);
    if (file < 0) {
        return false;
    }
    // The compositor maps the file and reads it as a C string: the size counts the final NUL.
    const std::size_t size = text.size() + 1;
    bool written = ::ftruncate(file, static_cast<off_t>(size)) == 0;
    std::size_t done = 0;
    while (written && done < text.size()) {
        const ssize_t wrote = ::write(file, text.data() + done, text.size() - done);
        written = wrote > 0;
        done += written ? static_cast<std::size_t>(wrote) : 0;
    }
    if (written) {
        // The request carries a duplicate of the descriptor.
        zwp_virtual_keyboard_v1_keymap(keyboard_, XKB_KEYMAP_FORMAT_TEXT_V1, file,
                                       static_cast<std::uint32_t>(size));
    }
    ::close(file);
    return written;
}

void WlrootsConnection::Settle() {
    wl_display_roundtrip(display_);
}

bool WlrootsConnection::TakeNotices() {
    while (wl_display_prepare_read(display_) != 0) {
        wl_display_dispatch_pending(display_);
    }
    pollfd waiting{wl_display_get_fd(display_), POLLIN, 0};
    if (::poll(&waiting, 1, 0) > 0) {
        wl_display_read_events(display_);
    } else {
        wl_display_cancel_read(display_);
    }
    wl_display_dispatch_pending(display_);
    return wl_display_get_error(display_) == 0;
}

bool WlrootsConnection::Send() {
    if (wl_display_flush(display_) < 0 && errno != EAGAIN) {
        return false;
    }
    return wl_display_get_error(display_) == 0;
}

}  // namespace qm::wayland
