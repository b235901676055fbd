#include "app/SingleInstance.h"

#include <QDir>
#include <QFile>
#include <QLocalSocket>
#include <QStandardPaths>
#include <QThread>
#include <iostream>

#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace qm {
namespace {

constexpr char kShow[] = "show\n";
constexpr int kWaitMs = 2000;

#ifndef _WIN32
// Without a runtime folder, names in the shared temporary folder could be planted by another
// user first, which would keep the program from starting. A folder of the user's own there
// serves instead, but only while it is a real folder, theirs, and closed to everyone else.
QString PrivateTempFolder() {
    const QByteArray path =
        QFile::encodeName(QDir::tempPath() + QStringLiteral("/quillmotion-") + QString::number(::geteuid()));
    ::mkdir(path.constData(), 0700);
    struct stat info {};
    if (::lstat(path.constData(), &info) != 0 || !S_ISDIR(info.st_mode) || info.st_uid != ::geteuid() ||
        (info.st_mode & 07777) != 0700) {
        return {};
    }
    return QFile::decodeName(path);
}
#endif

}  // namespace

SingleInstance::SingleInstance(QString folder) : folder_(std::move(folder)) {
    if (!folder_.isEmpty()) {
        return;
    }
#ifndef _WIN32
    if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR")) {
        folder_ = PrivateTempFolder();
        return;
    }
#endif
    folder_ = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
}

SingleInstance::~SingleInstance() = default;

bool SingleInstance::Claim() {
    if (folder_.isEmpty()) {
        // Better two copies than a user locked out of the program, or one that others can lock out.
        std::cerr
            << "No private folder for the lock that keeps one copy running (the runtime folder is unset "
               "or unusable, and the temporary folder's quillmotion-<uid> is not a folder of this user's "
               "own closed to others): running without it\n";
        return true;
    }
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
