#pragma once

#include <QString>

#include "desktop/remote/RemoteSession.h"

namespace qm {

// A session of GNOME's own remote-desktop interface (org.gnome.Mutter.RemoteDesktop on the
// session bus), which asks nobody. The session lives as long as this connection to the bus.
class MutterSession : public RemoteSession {
    Q_OBJECT
public:
    // Throws RaisedError when there is no session bus or the interface is not offered.
    MutterSession();
    ~MutterSession() override;

protected:
    void Reopen() override;
    QDBusMessage NoticeCall(Notice notice, const QVariant& first, const QVariant& second) override;

private slots:
    void Closed();

private:
    // Creates and starts a session; empty, or why not.
    QString Open();

    QString path_;
};

}  // namespace qm
