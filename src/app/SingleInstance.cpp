#include "app/SingleInstance.h"

#include <QDir>
#include <QLocalSocket>
#include <QStandardPaths>
#include <QThread>

namespace qm {
namespace {

constexpr char kShow[] = "show\n";
constexpr int kWaitMs = 2000;

}  // namespace

SingleInstance::SingleInstance(QString folder) : folder_(std::move(folder)) {
    if (folder_.isEmpty()) {
        folder_ = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    }
    if (folder_.isEmpty()) {
        folder_ = QDir::tempPath();
    }
}

SingleInstance::~SingleInstance() = default;

bool SingleInstance::Claim() {
    QDir().mkpath(folder_);
    const QString base = QDir(folder_).filePath(QStringLiteral("quillmotion"));
    lock_ = std::make_unique<QLockFile>(base + QStringLiteral(".lock"));
    // A lock left by a copy that died is taken over at once; a live copy's never ages out.
    lock_->setStaleLockTime(0);
    if (!lock_->tryLock(0) && lock_->error() == QLockFile::LockFailedError) {
        // The running copy may still be starting and not yet listening: give it a moment.
        for (int attempt = 0; attempt < 10; ++attempt) {
            QLocalSocket socket;
            socket.connectToServer(base + QStringLiteral(".socket"));
            if (socket.waitForConnected(kWaitMs / 10)) {
                socket.write(kShow);
                socket.waitForBytesWritten(kWaitMs);
                socket.disconnectFromServer();
                break;
            }
            QThread::msleep(kWaitMs / 10);
        }
        return false;
    }
    // Here this copy holds the lock, or the lock could not be made at all (a runtime folder it
    // may not write): better two copies than a user locked out of the program.
    // The socket of a copy that died is in the way of a new one.
    QLocalServer::removeServer(base + QStringLiteral(".socket"));
    server_.setSocketOptions(QLocalServer::UserAccessOption);
    QObject::connect(&server_, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* socket = server_.nextPendingConnection()) {
            QObject::connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
                if (socket->readAll().contains("show")) {
                    emit ShowRequested();
                }
            });
            QObject::connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        }
    });
    server_.listen(base + QStringLiteral(".socket"));
    return true;
}

}  // namespace qm
