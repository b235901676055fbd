#pragma once

#include <QFileSystemWatcher>
#include <QTimer>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>

namespace qm {

// Tells when another program may have changed the settings file. It watches the file and its
// folder, since a file replaced whole (as every save replaces it) is a new file that the watch
// on the old one does not see, and reports a little after the file's size or time changed. A
// report the program cannot take yet is answered false, and made again a little later.
class SettingsFileWatcher {
public:
    SettingsFileWatcher(const std::string& path, std::function<bool()> changed);
    SettingsFileWatcher(const SettingsFileWatcher&) = delete;
    SettingsFileWatcher& operator=(const SettingsFileWatcher&) = delete;

private:
    struct Stamp {
        bool exists = false;
        std::uintmax_t size = 0;
        std::filesystem::file_time_type time;
        bool operator==(const Stamp&) const = default;
    };
    Stamp Now() const;
    void Noticed();
    void Watch();
    void Settled();

    std::filesystem::path file_;
    QString path_;
    std::function<bool()> changed_;
    Stamp reported_;  // the file as it was when the program last took it
    QFileSystemWatcher watcher_;
    QTimer settle_;
};

}  // namespace qm
