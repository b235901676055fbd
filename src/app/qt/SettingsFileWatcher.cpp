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
    : file_(path), path_(QFile::decodeName(QByteArray::fromStdString(path))), changed_(std::move(changed)) {
    reported_ = Now();
    settle_.setSingleShot(true);
    settle_.setInterval(kSettleMilliseconds);
    QObject::connect(&settle_, &QTimer::timeout, &settle_, [this] { Settled(); });
    QObject::connect(&watcher_, &QFileSystemWatcher::fileChanged, &settle_, [this] { Noticed(); });
    QObject::connect(&watcher_, &QFileSystemWatcher::directoryChanged, &settle_, [this] { Noticed(); });
    Watch();
}

SettingsFileWatcher::Stamp SettingsFileWatcher::Now() const {
    std::error_code ec;
    Stamp stamp;
    stamp.size = std::filesystem::file_size(file_, ec);
    stamp.exists = !ec;
    stamp.time = std::filesystem::last_write_time(file_, ec);
    return stamp;
}

void SettingsFileWatcher::Noticed() {
    // The folder may hold other files that change all the time (a log beside the settings):
    // only the settings file's own changes count. A report waiting is not put off by more.
    if (!settle_.isActive() && Now() != reported_) {
        settle_.start();
    }
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
    // Taken before the report, so that a change made while the program reads the file is
    // reported again.
    const Stamp now = Now();
    if (changed_()) {
        reported_ = now;
    } else {
        settle_.start();
    }
}

}  // namespace qm
