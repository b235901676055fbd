#include "desktop/x11/LastDitchRelease.h"

#include <X11/Xproto.h>
#include <X11/extensions/xtestproto.h>
#include <linux/sockios.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/socket.h>

#include <cerrno>
#include <cstddef>
#include <cstring>

namespace qm::x11 {

namespace {

static_assert(sizeof(xXTestFakeInputReq) == sz_xXTestFakeInputReq);
static_assert(sizeof(xDeletePropertyReq) == sz_xDeletePropertyReq);

// Writes everything, waiting a little where the socket is full (Xlib keeps it non-blocking).
void WriteAll(int socket, const unsigned char* data, std::size_t size) noexcept {
    while (size > 0) {
        // MSG_NOSIGNAL: a connection the server has closed must not add a SIGPIPE.
        const ssize_t written = ::send(socket, data, size, MSG_NOSIGNAL);
        if (written > 0) {
            data += written;
            size -= static_cast<std::size_t>(written);
        } else if (written < 0 && errno == EINTR) {
            continue;
        } else if (written < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            pollfd writable{socket, POLLOUT, 0};
            if (::poll(&writable, 1, 1000) <= 0) {
                return;
            }
        } else {
            return;
        }
    }
}

// The server drops what it has not read yet from a client that has gone, and the process is about
// to go: wait, a little, until it has read everything sent.
void WaitUntilRead(int socket) noexcept {
    for (int waited = 0; waited < 1000; ++waited) {
        int unread = 0;
        if (::ioctl(socket, SIOCOUTQ, &unread) != 0 || unread == 0) {
            return;
        }
        ::poll(nullptr, 0, 1);
    }
}

}  // namespace

LastDitchRelease::LastDitchRelease(Display* display, Atom ledger)
    : socket_(ConnectionNumber(display)), root_(DefaultRootWindow(display)), ledger_(ledger) {
    int eventBase = 0;
    int errorBase = 0;
    if (!XQueryExtension(display, XTestExtensionName, &xtestOpcode_, &eventBase, &errorBase)) {
        xtestOpcode_ = 0;
    }
}

void LastDitchRelease::Release(const std::bitset<256>& keys, const std::bitset<256>& buttons) const noexcept {
    if (xtestOpcode_ == 0) {
        return;
    }
    const int saved = errno;
    // A few requests at a time, on the stack: a signal handler allocates nothing.
    constexpr std::size_t kPerWrite = 16;
    unsigned char requests[kPerWrite * sz_xXTestFakeInputReq];
    std::size_t queued = 0;
    const auto add = [&](int type, std::size_t detail) {
        xXTestFakeInputReq request{};
        request.reqType = static_cast<CARD8>(xtestOpcode_);
        request.xtReqType = X_XTestFakeInput;
        request.length = sz_xXTestFakeInputReq / 4;
        request.type = static_cast<BYTE>(type);
        request.detail = static_cast<BYTE>(detail);
        std::memcpy(requests + queued * sz_xXTestFakeInputReq, &request, sz_xXTestFakeInputReq);
        if (++queued == kPerWrite) {
            WriteAll(socket_, requests, queued * sz_xXTestFakeInputReq);
            queued = 0;
        }
    };
    for (std::size_t keycode = 0; keycode < keys.size(); ++keycode) {
        if (keys[keycode]) {
            add(KeyRelease, keycode);
        }
    }
    for (std::size_t button = 0; button < buttons.size(); ++button) {
        if (buttons[button]) {
            add(ButtonRelease, button);
        }
    }
    WriteAll(socket_, requests, queued * sz_xXTestFakeInputReq);
    if (ledger_ != 0) {
        xDeletePropertyReq request{};
        request.reqType = X_DeleteProperty;
        request.length = sz_xDeletePropertyReq / 4;
        request.window = static_cast<CARD32>(root_);
        request.property = static_cast<CARD32>(ledger_);
        unsigned char bytes[sz_xDeletePropertyReq];
        std::memcpy(bytes, &request, sz_xDeletePropertyReq);
        WriteAll(socket_, bytes, sizeof bytes);
    }
    WaitUntilRead(socket_);
    errno = saved;
}

}  // namespace qm::x11
