#pragma once

#include <QLocalServer>
#include <QLockFile>
#include <QObject>
#include <QString>
#include <memory>

namespace qm {

// One copy of the program per user. The usual second start is the user opening Quillmotion from
// the menu while the copy started at log-on runs in the tray: that copy is asked to show its
// Properties window, and the second one ends before it touches the log, the port or the settings.
//
// A lock file in the user's runtime folder decides which copy runs (the system releases it when
// a copy dies, so a crash never locks the user out); a local socket beside it carries the request.
// Without a runtime folder they go to a private folder in the temporary one, and without that
// every copy runs.
class SingleInstance : public QObject {
    Q_OBJECT
public:
    // folder: where the lock and the socket live; empty for the user's runtime folder (or the
    // private one in its place).
    explicit SingleInstance(QString folder = {});
    ~SingleInstance() override;

    // True when this is the only copy: it then listens for later starts. False when another copy
    // runs; that copy has been asked to show its window.
    bool Claim();

signals:
    // A later start asked for the window.
    void ShowRequested();

private:
    QString folder_;
    std::unique_ptr<QLockFile> lock_;
    QLocalServer server_;
};

}  // namespace qm
