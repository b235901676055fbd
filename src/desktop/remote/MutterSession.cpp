#include "desktop/remote/MutterSession.h"

#include <QDBusObjectPath>
#include <QDBusReply>

#include "diag/RaisedError.h"
#include "diag/Trace.h"

namespace qm {

namespace {
const QString kService = QStringLiteral("org.gnome.Mutter.RemoteDesktop");
const QString kSessionInterface = QStringLiteral("org.gnome.Mutter.RemoteDesktop.Session");
// Each call waits at most this long: a compositor that does not answer has hung.
constexpr int kTimeoutMilliseconds = 2000;
}  // namespace

MutterSession::MutterSession()
    : RemoteSession(ConnectToSessionBus(QStringLiteral("qm-mutter")), kService, false) {
    if (!Bus().isConnected()) {
        throw RaisedError(err::InvalidProcedureCall, "MutterDesktop",
                          "There is no D-Bus session bus (" + Bus().lastError().message().toStdString() +
                              "), so GNOME's remote-desktop interface cannot be reached.");
    }
    if (const QString why = Open(); !why.isEmpty()) {
        throw RaisedError(err::InvalidProcedureCall, "MutterDesktop",
                          "GNOME's RemoteDesktop interface is not offered: " + why.toStdString() +
                              ". It comes with GNOME's compositor (mutter) in a GNOME Wayland session.");
    }
}

MutterSession::~MutterSession() {
    if (!path_.isEmpty()) {
        Bus().call(QDBusMessage::createMethodCall(kService, path_, kSessionInterface, QStringLiteral("Stop")),
                   QDBus::NoBlock);
    }
}

QString MutterSession::Open() {
    QDBusConnection bus = Bus();
    if (!path_.isEmpty()) {
        bus.disconnect(kService, path_, kSessionInterface, QStringLiteral("Closed"), this, SLOT(Closed()));
        path_.clear();
    }
    const QDBusReply<QDBusObjectPath> created =
        bus.call(QDBusMessage::createMethodCall(kService, QStringLiteral("/org/gnome/Mutter/RemoteDesktop"),
                                                kService, QStringLiteral("CreateSession")),
                 QDBus::Block, kTimeoutMilliseconds);
    if (!created.isValid()) {
        return created.error().message();
    }
    const QString path = created.value().path();
    bus.connect(kService, path, kSessionInterface, QStringLiteral("Closed"), this, SLOT(Closed()));
    const QDBusMessage started =
        bus.call(QDBusMessage::createMethodCall(kService, path, kSessionInterface, QStringLiteral("Start")),
                 QDBus::Block, kTimeoutMilliseconds);
    if (started.type() == QDBusMessage::ErrorMessage) {
        return started.errorMessage();
    }
    path_ = path;
    Opened();
    return {};
}

void MutterSession::Reopen() {
    if (const QString why = Open(); !why.isEmpty()) {
        Trace("MutterDesktop", TraceError, "No new remote-desktop session yet: " + why.toStdString());
    }
}

void MutterSession::Closed() {
    Lost();
}

QDBusMessage MutterSession::NoticeCall(Notice notice, const QVariant& first, const QVariant& second) {
    static const char* const kMethods[] = {"NotifyPointerMotionRelative", "NotifyPointerButton",
                                           "NotifyPointerAxisDiscrete", "NotifyKeyboardKeycode",
                                           "NotifyKeyboardKeysym"};
    QDBusMessage call = QDBusMessage::createMethodCall(
        kService, path_, kSessionInterface, QString::fromLatin1(kMethods[static_cast<int>(notice)]));
    call << first << second;
    return call;
}

}  // namespace qm
