#pragma once

#include <cstdint>
#include <string>

#include "desktop/Desktop.h"

struct wl_display;
struct wl_registry;
struct wl_seat;
struct wl_output;
struct zwlr_virtual_pointer_manager_v1;
struct zwlr_virtual_pointer_v1;
struct zwp_virtual_keyboard_manager_v1;
struct zwp_virtual_keyboard_v1;

namespace qm::wayland {

// A connection to a wlroots compositor with a virtual pointer and a virtual keyboard of its own
// on the compositor's seat, and the size of its first output. Nothing here waits once it is made.
class WlrootsConnection {
public:
    // An empty name connects to WAYLAND_DISPLAY. Throws RaisedError, with what is missing, when
    // there is no display or the compositor lacks either protocol.
    explicit WlrootsConnection(const std::string& displayName);
    ~WlrootsConnection();
    WlrootsConnection(const WlrootsConnection&) = delete;
    WlrootsConnection& operator=(const WlrootsConnection&) = delete;

    zwlr_virtual_pointer_v1* Pointer() const { return pointer_; }
    zwp_virtual_keyboard_v1* Keyboard() const { return keyboard_; }
    // Hands the keyboard its keymap through a memory file; false when none could be made.
    bool UploadKeymap(const std::string& text);
    // Makes sure the compositor has handled every request so far (this one call waits).
    void Settle();

    // The first output's size in the compositor's logical pixels; 0x0 until it is announced.
    Size OutputSize() const;
    // Reads what the compositor has announced so far, without waiting; false once the
    // connection is broken.
    bool TakeNotices();
    // Writes the requests that wait; false once the connection is broken (a full socket
    // keeps them for the next time).
    bool Send();

    // The listeners' entry points.
    void Announced(wl_registry* registry, std::uint32_t name, const char* interface, std::uint32_t version);
    void OutputMode(std::uint32_t flags, std::int32_t width, std::int32_t height);
    void OutputGeometry(std::int32_t transform) { transform_ = transform; }
    void OutputScale(std::int32_t scale) { scale_ = scale > 0 ? scale : 1; }

private:
    // Gives everything back and disconnects; the constructor's way out as well.
    void Close();

    wl_display* display_ = nullptr;
    wl_registry* registry_ = nullptr;
    wl_seat* seat_ = nullptr;
    wl_output* output_ = nullptr;
    zwlr_virtual_pointer_manager_v1* pointerManager_ = nullptr;
    zwp_virtual_keyboard_manager_v1* keyboardManager_ = nullptr;
    zwlr_virtual_pointer_v1* pointer_ = nullptr;
    zwp_virtual_keyboard_v1* keyboard_ = nullptr;
    Size mode_;
    std::int32_t transform_ = 0;
    std::int32_t scale_ = 1;
};

}  // namespace qm::wayland
