#pragma once

#include <QDBusConnection>
#include <QDBusError>
#include <QDBusMessage>
#include <QDBusServiceWatcher>
#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QVariantList>

#include <cstdint>
#include <deque>

namespace qm {

// The input calls of a remote-desktop session, which GNOME's own interface and the portal
// both offer under slightly different names and argument types. Calls are sent without
// waiting for their answers, or, where the service may reorder them, each once the one before
// is answered; a failed one, the service leaving the bus or the session closing
// mark the session lost, its events are dropped, and a new one is opened on a later call, not
// more often than once a second.
class RemoteSession : public QObject {
    Q_OBJECT
public:
    ~RemoteSession() override;

    enum class Notice { Motion, Button, Axis, Keycode, Keysymbol };

    void PointerMotion(double dx, double dy) { Notify(Notice::Motion, dx, dy); }
    void PointerButton(std::int32_t evdevButton, bool pressed) {
        Notify(Notice::Button, evdevButton, pressed);
    }
    // Axis 0 is vertical, 1 horizontal; positive steps go down and right.
    void PointerAxis(std::uint32_t axis, std::int32_t steps) { Notify(Notice::Axis, axis, steps); }
    void KeyboardKeycode(std::uint32_t evdev, bool pressed) { Notify(Notice::Keycode, evdev, pressed); }
    // By keysym, waiting for the answer: only for a key that wakes the keyboard, whose press
    // and release must not overtake each other while nothing else is sent.
    void KeyboardKeysymAnswered(std::uint32_t keysym, bool pressed);

    // True when the session takes events; after a loss, opens a new one when it may.
    bool Usable();
    // Counts the sessions opened: a new one has forgotten every key and button held.
    int Generation() const { return generation_; }
    QDBusConnection Bus() const { return bus_; }

    // A connection of its own to the session bus, so that it can be closed with its session.
    static QDBusConnection ConnectToSessionBus(const QString& prefix);

protected:
    // ordered: the service may pass calls on out of order, so each waits for the one before.
    RemoteSession(QDBusConnection bus, const QString& service, bool ordered);
    // Opens a session again after a loss, without waiting for a person.
    virtual void Reopen() = 0;
    // The call that sends a notice to the session, with the arguments in the service's types.
    virtual QDBusMessage NoticeCall(Notice notice, const QVariant& first, const QVariant& second) = 0;
    // The session takes events from now on.
    void Opened();
    void Lost();
    // Sends the calls still waiting for their turn, each after the one before: at the end.
    void SendWaiting();

private slots:
    void Delivered();
    void CallFailed(const QDBusError& error);
    void ServiceGone();

private:
    void Notify(Notice notice, const QVariant& first, const QVariant& second);
    void Send(const QDBusMessage& call);

    QDBusConnection bus_;
    QDBusServiceWatcher watcher_;
    QElapsedTimer lastTry_;
    bool ordered_;
    bool answerAwaited_ = false;
    std::deque<QDBusMessage> waiting_;
    bool open_ = false;
    int generation_ = 0;
};

}  // namespace qm
