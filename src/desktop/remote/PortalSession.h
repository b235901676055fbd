#pragma once

#include <QString>
#include <QVariantMap>

#include <chrono>
#include <functional>
#include <string>

#include "desktop/remote/RemoteSession.h"

class QEventLoop;

namespace qm {

// A session of the desktop portal's RemoteDesktop interface (org.freedesktop.portal.Desktop),
// which the user allows in a dialog of the desktop's. Each step is a request the portal
// answers later with a Response signal: the first session is waited for, within a bounded
// time, while the object is made (before the program has a window); a session opened again
// after a loss is not waited for, and its events are dropped until the user has allowed it.
// Where the portal keeps the permission (version 2 on), the token it hands back lets the next
// start pass without the dialog.
class PortalSession : public RemoteSession {
    Q_OBJECT
public:
    // restoreToken: the one handed out last ("" for none); onNewToken is told each new one.
    // Throws RaisedError when there is no portal or the user does not allow it in time.
    PortalSession(std::string restoreToken, std::function<void(const std::string&)> onNewToken,
                  std::chrono::milliseconds consentTime);
    ~PortalSession() override;

protected:
    void Reopen() override;
    QDBusMessage NoticeCall(Notice notice, const QVariant& first, const QVariant& second) override;

private slots:
    void Answered(uint response, const QVariantMap& results);
    // A request's call answers only that it was taken; its result comes with Response.
    void RequestTaken() {}
    void RequestFailed(const QDBusError& error);
    void Closed();

private:
    enum class Step { None, Create, Select, Start };
    void Begin();
    void Ask(Step step, const QString& method, QVariantList arguments, QVariantMap options);
    void StopListening();
    void Fail(const QString& why);

    std::string token_;
    std::function<void(const std::string&)> onNewToken_;
    unsigned version_ = 0;
    Step step_ = Step::None;
    // While the constructor waits for the user: ended when the requests are done.
    QEventLoop* consent_ = nullptr;
    QString request_;  // the path of the request waited for
    QString session_;  // the session's handle
    QString failure_;  // why the last attempt failed
};

}  // namespace qm
