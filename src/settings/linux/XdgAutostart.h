#pragma once

#include <functional>
#include <string>
#include <vector>

#include "settings/StartAtLogOn.h"

namespace qm {

// Start at log-on on a Linux desktop: an XDG autostart entry, Quillmotion.desktop, whose Exec
// line the desktop's session manager runs at log-on. It starts what the Run value's command
// line names; the Run value itself stays in the settings store as on Windows.
class XdgAutostart final : public StartAtLogOn {
public:
    // folder: where the entry lives, normally DefaultFolder().
    explicit XdgAutostart(std::string folder);

    bool Enable(const std::string& commandLine, std::string& problem) override;
    bool Disable(std::string& problem) override;

    // $XDG_CONFIG_HOME/autostart, or ~/.config/autostart when that is not set.
    static std::string DefaultFolder();

    std::string EntryPath() const;

    // The program and its arguments that a Windows command line (Windows-1252) names, as
    // UTF-8 Linux paths and texts. The program is the quoted text when the line starts with a
    // quotation mark. Unquoted, it is, as Windows itself decides, the shortest part of the line
    // up to a blank that names an existing file, else the whole line, since a path may hold
    // blanks. The program path is taken as written, else with the backslash before the file
    // name or every backslash as a slash, and "X.exe" as "X" or "x", whichever names an
    // existing file first, so that the Windows-shaped value names the Linux program. The rest
    // of the line is split by the Windows argument rules.
    // A quoted program runs, likewise, to the first closing quotation mark after which it names an
    // existing file, else to the first one: a Linux folder may hold a quotation mark. However long
    // the line, no more than its first PATH_MAX characters are ever tried as a program.
    static std::vector<std::string> ProgramArguments(const std::string& commandLine);
    // The same, with isFile telling whether a path names an existing file.
    using FileTest = std::function<bool(const std::string& path)>;
    static std::vector<std::string> ProgramArguments(const std::string& commandLine, const FileTest& isFile);

    // The entry's text for a command line.
    static std::string EntryText(const std::string& commandLine);

private:
    // Writes (atomically, creating the folder) the entry that runs a Run value's command line;
    // a blank command line removes it. Returns 0 or the errno.
    int Write(const std::string& commandLine) const;
    // Removes the entry; one that is not there is fine. Returns 0 or the errno.
    int Remove() const;
    // True for no error; else false and the problem told in the user's terms.
    bool Done(int error, std::string& problem) const;

    std::string folder_;
};

}  // namespace qm
