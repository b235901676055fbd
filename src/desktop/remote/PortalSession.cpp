#include "desktop/remote/PortalSession.h"

#include <QDBusConnectionInterface>
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <QEventLoop>
#include <QTimer>

#include "diag/RaisedError.h"
#include "diag/Trace.h"

namespace qm {

namespace {
const QString kService = QStringLiteral("org.freedesktop.portal.Desktop");
const QString kPath = QStringLiteral("/org/freedesktop/portal/desktop");
const QString kInterface = QStringLiteral("org.freedesktop.portal.RemoteDesktop");
const QString kRequest = QStringLiteral("org.freedesktop.portal.Request");
const QString kSession = QStringLiteral("org.freedesktop.portal.Session");
constexpr std::uint32_t kKeyboardAndPointer = 1 | 2;
// Kept until the user revokes it (version 2 on).
constexpr std::uint32_t kPersistUntilRevoked = 2;

QString Token() {
    static int count = 0;
    return QStringLiteral("quillmotion%1").arg(++count);
}

[[noreturn]] void Raise(const std::string& why) {
    throw RaisedError(err::InvalidProcedureCall, "PortalDesktop", why);
}
}  // namespace

PortalSession::PortalSession(std::string restoreToken, std::function<void(const std::string&)> onNewToken,
                             std::chrono::milliseconds consentTime)
    // The portal passes each call on in a thread of its own, so that two calls may overtake
    // each other (a key before its Ctrl): each waits for the answer to the one before.
    : RemoteSession(ConnectToSessionBus(QStringLiteral("qm-portal")), kService, true),
      token_(std::move(restoreToken)),
      onNewToken_(std::move(onNewToken)) {
    if (!Bus().isConnected()) {
        Raise("There is no D-Bus session bus (" + Bus().lastError().message().toStdString() +
              "), so the desktop portal cannot be reached.");
    }
    const QDBusMessage version = Bus().call(
        QDBusMessage::createMethodCall(kService, kPath, QStringLiteral("org.freedesktop.DBus.Properties"),
                                       QStringLiteral("Get"))
            << kInterface << QStringLiteral("version"),
        QDBus::Block, 5000);
    if (version.type() != QDBusMessage::ReplyMessage || version.arguments().isEmpty()) {
        Raise("The desktop portal's RemoteDesktop interface is not offered: " +
              version.errorMessage().toStdString() +
              ". Install xdg-desktop-portal and the portal of the desktop (xdg-desktop-portal-gnome, "
              "xdg-desktop-portal-kde).");
    }
    version_ = version.arguments().front().value<QDBusVariant>().variant().toUInt();
    // The only wait for the user: the program has no window yet, and nothing else runs.
    // Quit by the last answer, not polled: a wait for more events after the answer was handled
    // would sleep until something else happened, with nothing else to happen.
    QEventLoop loop;
    QTimer timeUp;
    timeUp.setSingleShot(true);
    connect(&timeUp, &QTimer::timeout, &loop, &QEventLoop::quit);
    timeUp.start(consentTime);
    consent_ = &loop;
    Begin();
    if (step_ != Step::None) {
        loop.exec();
    }
    consent_ = nullptr;
    if (!Usable()) {
        const std::string why = step_ != Step::None
                                    ? "the user did not allow remote control within " +
                                          std::to_string(consentTime.count() / 1000) + " seconds"
                                    : failure_.toStdString();
        StopListening();
        Raise("The desktop portal did not give remote control: " + why +
              ". A carer must allow \"remote interaction\" in the desktop's dialog.");
    }
}

PortalSession::~PortalSession() {
    StopListening();
    SendWaiting();
    if (!session_.isEmpty()) {
        Bus().call(QDBusMessage::createMethodCall(kService, session_, kSession, QStringLiteral("Close")),
                   QDBus::NoBlock);
    }
}

void PortalSession::Begin() {
    session_.clear();
    failure_.clear();
    Ask(Step::Create, QStringLiteral("CreateSession"), {},
        {{QStringLiteral("session_handle_token"), Token()}});
}

void PortalSession::Reopen() {
    // A request already waits for the user.
    if (step_ == Step::None) {
        Begin();
    }
}

void PortalSession::Ask(Step step, const QString& method, QVariantList arguments, QVariantMap options) {
    // The portal answers on a path made of our name and the token: listened to before asking.
    const QString token = Token();
    options.insert(QStringLiteral("handle_token"), token);
    StopListening();
    request_ =
        kPath + QStringLiteral("/request/") + Bus().baseService().mid(1).replace('.', '_') + '/' + token;
    Bus().connect(kService, request_, kRequest, QStringLiteral("Response"), this,
                  SLOT(Answered(uint, QVariantMap)));
    step_ = step;
    arguments << options;
    QDBusMessage call = QDBusMessage::createMethodCall(kService, kPath, kInterface, method);
    call.setArguments(arguments);
    Bus().callWithCallback(call, this, SLOT(RequestTaken()), SLOT(RequestFailed(QDBusError)));
}

void PortalSession::StopListening() {
    if (!request_.isEmpty()) {
        Bus().disconnect(kService, request_, kRequest, QStringLiteral("Response"), this,
                         SLOT(Answered(uint, QVariantMap)));
        request_.clear();
    }
}

void PortalSession::Fail(const QString& why) {
    StopListening();
    step_ = Step::None;
    if (consent_ != nullptr) {
        consent_->quit();
    }
    failure_ = why;
    Trace("PortalDesktop", TraceError, "No remote-desktop session: " + why.toStdString());
}

void PortalSession::RequestFailed(const QDBusError& error) {
    if (step_ != Step::None) {
        Fail(QStringLiteral("the portal refused the request (%1)").arg(error.message()));
    }
}

void PortalSession::Answered(uint response, const QVariantMap& results) {
    if (response != 0) {
        Fail(response == 1 ? QStringLiteral("the user cancelled the dialog")
                           : QStringLiteral("the portal ended the request"));
        return;
    }
    switch (step_) {
        case Step::Create: {
            session_ = results.value(QStringLiteral("session_handle")).toString();
            Bus().connect(kService, session_, kSession, QStringLiteral("Closed"), this, SLOT(Closed()));
            QVariantMap options{{QStringLiteral("types"), kKeyboardAndPointer}};
            if (version_ >= 2) {
                options.insert(QStringLiteral("persist_mode"), kPersistUntilRevoked);
                if (!token_.empty()) {
                    options.insert(QStringLiteral("restore_token"), QString::fromStdString(token_));
                }
            }
            Ask(Step::Select, QStringLiteral("SelectDevices"),
                {QVariant::fromValue(QDBusObjectPath(session_))}, options);
            break;
        }
        case Step::Select:
            Ask(Step::Start, QStringLiteral("Start"),
                {QVariant::fromValue(QDBusObjectPath(session_)), QString()}, {});
            break;
        case Step::Start:
            StopListening();
            step_ = Step::None;
            if (consent_ != nullptr) {
                consent_->quit();
            }
            if (const QString token = results.value(QStringLiteral("restore_token")).toString();
                !token.isEmpty()) {
                token_ = token.toStdString();
                if (onNewToken_) {
                    onNewToken_(token_);
                }
            }
            Opened();
            break;
        case Step::None:
            break;
    }
}

void PortalSession::Closed() {
    Lost();
}

QDBusMessage PortalSession::NoticeCall(Notice notice, const QVariant& first, const QVariant& second) {
    static const char* const kMethods[] = {"NotifyPointerMotion", "NotifyPointerButton",
                                           "NotifyPointerAxisDiscrete", "NotifyKeyboardKeycode",
                                           "NotifyKeyboardKeysym"};
    QDBusMessage call = QDBusMessage::createMethodCall(
        kService, kPath, kInterface, QString::fromLatin1(kMethods[static_cast<int>(notice)]));
    call << QVariant::fromValue(QDBusObjectPath(session_)) << QVariantMap();
    if (notice == Notice::Motion || notice == Notice::Axis) {
        call << first << second;
    } else {
        // Numbers as signed, states as numbers.
        call << QVariant(static_cast<std::int32_t>(first.toLongLong()))
             << QVariant(second.toBool() ? 1U : 0U);
    }
    return call;
}

}  // namespace qm
