#pragma once

#include <functional>
#include <string>

#include "ui/SessionControl.h"

namespace qm {

// The program's icon in the notification area: added once with a tip, its tip and picture
// replaced on every state change, removed at exit. A double-click on it restores the window; its
// menu offers "&Exit" and "&Properties".
//
// Without a notification area the program still runs: adding and modifying then keep the tip
// and succeed, there is simply nothing to see, and the window must not be hidden on minimise
// because nothing could bring it back.
class TrayIcon {
public:
    virtual ~TrayIcon() = default;

    // True while a notification area exists to hold the icon.
    virtual bool AreaAvailable() const = 0;

    // NIM_ADD: true when the icon was handed to the area, or when there is no area to hand it to
    // (then it appears if an area starts later).
    virtual bool Add(const std::string& tip) = 0;
    // NIM_MODIFY with the new tip (CR LF between lines); false when the icon was never added.
    virtual bool Modify(const std::string& tip) = 0;
    // NIM_DELETE.
    virtual void Delete() = 0;

    // The tip as last set, CR LF and all.
    virtual std::string Tip() const = 0;

    // The picture of the connection's state, which the tip says in words: a glance at the
    // notification area tells whether the device is being listened to.
    virtual void ShowConnection(SessionStatus::Connection connection) { connection_ = connection; }
    SessionStatus::Connection ConnectionShown() const { return connection_; }
    // The held button in the picture while held is true.
    virtual void ShowButtonHeld(bool held) { buttonHeld_ = held; }
    bool ButtonHeldShown() const { return buttonHeld_; }

    std::function<void()> OnDoubleClick;
    std::function<void()> OnExit;
    std::function<void()> OnProperties;

private:
    SessionStatus::Connection connection_ = SessionStatus::Connection::NotConnected;
    bool buttonHeld_ = false;
};

}  // namespace qm
