#include "app/qt/SettingsFileWatcher.h"

#include <QFile>
#include <QFileInfo>

namespace qm {
namespace {

// One save is several changes in the folder (a temporary file, the rename, the lock): they are
// read as one.
constexpr int kSettleMilliseconds = 100;

}  // namespace

SettingsFileWatcher::SettingsFileWatcher(const std::string& path, std::function<bool()> changed)
    : path_(QFile::decodeName(QByteArray::fromStdString(path))), changed_(std::move(changed)) {
    settle_.setSingleShot(true);
    settle_.setInterval(kSettleMilliseconds);
    QObject::connect(&settle_, &QTimer::timeout, &settle_, [this] { Settled(); });
    const auto noticed = [this] { settle_.start(); };
    QObject::connect(&watcher_, &QFileSystemWatcher::fileChanged, &settle_, noticed);
    QObject::connect(&watcher_, &QFileSystemWatcher::directoryChanged, &settle_, noticed);
    Watch();
}

void SettingsFileWatcher::Watch() {
    const QString folder = QFileInfo(path_).absolutePath();
    if (!watcher_.directories().contains(folder) && QFileInfo::exists(folder)) {
        watcher_.addPath(folder);
    }
    if (!watcher_.files().contains(path_) && QFileInfo::exists(path_)) {
        watcher_.addPath(path_);
    }
}

void SettingsFileWatcher::Settled() {
    Watch();
    if (!changed_()) {
        settle_.start();
    }
}

}  // namespace qm
