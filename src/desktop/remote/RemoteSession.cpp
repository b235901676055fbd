#include "desktop/remote/RemoteSession.h"

#include "diag/Trace.h"

namespace qm {

namespace {
constexpr qint64 kRetryMilliseconds = 1000;
}

RemoteSession::RemoteSession(QDBusConnection bus, const QString& service)
    : bus_(std::move(bus)), watcher_(service, bus_, QDBusServiceWatcher::WatchForUnregistration) {
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
    bus_.callWithCallback(NoticeCall(notice, first, second), this, nullptr, SLOT(CallFailed(QDBusError)));
}

void RemoteSession::CallFailed(const QDBusError& error) {
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
