#pragma once

#include <QFileSystemWatcher>
#include <QTimer>

#include <functional>
#include <string>

namespace qm {

// Tells when another program may have changed the settings file. It watches the file and its
// folder, since a file replaced whole (as every save replaces it) is a new file that the watch
// on the old one does not see, and reports once the changes of a moment have settled. A report
// the program cannot take yet is answered false, and made again a little later.
class SettingsFileWatcher {
public:
    SettingsFileWatcher(const std::string& path, std::function<bool()> changed);
    SettingsFileWatcher(const SettingsFileWatcher&) = delete;
    SettingsFileWatcher& operator=(const SettingsFileWatcher&) = delete;

private:
    void Watch();
    void Settled();

    QString path_;
    std::function<bool()> changed_;
    QFileSystemWatcher watcher_;
    QTimer settle_;
};

}  // namespace qm
