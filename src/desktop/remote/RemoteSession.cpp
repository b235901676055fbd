#include "desktop/remote/RemoteSession.h"

#include "diag/Trace.h"

namespace qm {

namespace {
constexpr qint64 kRetryMilliseconds = 1000;
}

RemoteSession::RemoteSession(QDBusConnection bus, const QString& service, bool ordered)
    : bus_(std::move(bus)),
      watcher_(service, bus_, QDBusServiceWatcher::WatchForUnregistration),
      ordered_(ordered) {
    connect(&watcher_, &QDBusServiceWatcher::serviceUnregistered, this, &RemoteSession::ServiceGone);
    lastTry_.start();
}

RemoteSession::~RemoteSession() {
    QDBusConnection::disconnectFromBus(bus_.name());
}

QDBusConnection RemoteSession::ConnectToSessionBus(const QString& prefix) {
    static int count = 0;
    const QString name = prefix + QString::number(++count);
    // The address is read now, not once for the process as libdbus would.
    const QString address = qEnvironmentVariable("DBUS_SESSION_BUS_ADDRESS");
    return address.isEmpty() ? QDBusConnection::connectToBus(QDBusConnection::SessionBus, name)
                             : QDBusConnection::connectToBus(address, name);
}

void RemoteSession::Opened() {
    open_ = true;
    ++generation_;
}

void RemoteSession::Lost() {
    open_ = false;
    answerAwaited_ = false;
    waiting_.clear();
}

void RemoteSession::SendWaiting() {
    for (; !waiting_.empty(); waiting_.pop_front()) {
        bus_.call(waiting_.front(), QDBus::Block, 1000);
    }
}

bool RemoteSession::Usable() {
    if (!open_ && lastTry_.elapsed() >= kRetryMilliseconds) {
        lastTry_.restart();
        Reopen();
    }
    return open_;
}

void RemoteSession::Notify(Notice notice, const QVariant& first, const QVariant& second) {
    if (!Usable()) {
        return;
    }
    QDBusMessage call = NoticeCall(notice, first, second);
    if (answerAwaited_) {
        waiting_.push_back(std::move(call));
    } else {
        Send(call);
    }
}

void RemoteSession::KeyboardKeysymAnswered(std::uint32_t keysym, bool pressed) {
    if (Usable()) {
        bus_.call(NoticeCall(Notice::Keysymbol, keysym, pressed), QDBus::Block, 1000);
    }
}

void RemoteSession::Send(const QDBusMessage& call) {
    answerAwaited_ = ordered_;
    bus_.callWithCallback(call, this, SLOT(Delivered()), SLOT(CallFailed(QDBusError)));
}

void RemoteSession::Delivered() {
    if (answerAwaited_) {
        answerAwaited_ = false;
        if (!waiting_.empty()) {
            const QDBusMessage next = waiting_.front();
            waiting_.pop_front();
            Send(next);
        }
    }
}

void RemoteSession::CallFailed(const QDBusError& error) {
    answerAwaited_ = false;
    if (open_) {
        Trace("RemoteSession", TraceError,
              "The remote-desktop session failed (" + error.message().toStdString() + "); opening another");
        Lost();
    }
}

void RemoteSession::ServiceGone() {
    Lost();
}

}  // namespace qm
