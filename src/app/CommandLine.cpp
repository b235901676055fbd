#include "app/CommandLine.h"

#include <cstdlib>
#include <cstring>

namespace qm {

namespace {

void PrintVersion(std::ostream& out) {
    out << "quillmotion " << QM_VERSION_MAJOR << "." << QM_VERSION_MINOR << "." << QM_VERSION_PATCH << "\n";
}

void PrintHelp(std::ostream& out, const std::string& logFile) {
    out << "Usage: quillmotion [--help | --version]\n"
        << "\n"
        << "Turns the bytes a switch interface sends on a serial port into pointer movement,\n"
        << "clicks and typed keys. The program lives in the notification area; double-click its\n"
        << "icon for the settings window, \"Quillmotion : Properties\". Starting it again brings\n"
        << "the running copy's window to the front.\n"
        << "\n"
        << "  --help     show this text\n"
        << "  --version  show the version\n"
        << "Qt's own options (-display, -platform, ...) are accepted too.\n"
        << "\n"
        << "Settings: the file that QUILLMOTION_HIVE names, else\n"
        << "  $XDG_CONFIG_HOME/quillmotion/HKEY_LOCAL_MACHINE.reg (usually ~/.config/quillmotion/).\n"
        << "  The program never creates them: 'quillmotion-settings init' does, and the menu entry\n"
        << "  runs it on an account that has none yet.\n"
        << "Log: log.txt in the program's folder when the user may write there (a build folder);\n"
        << "  for an installed program $XDG_STATE_HOME/quillmotion/log.txt (usually\n"
        << "  ~/.local/state/quillmotion/log.txt). This run's log: " << logFile << "\n"
        << "Serial devices usually belong to the group \"dialout\"; to be allowed to open them:\n"
        << "  sudo usermod -aG dialout $USER   (then log out and in again)\n"
        << "Desktop input: XTest on X11; on Wayland the first that works of the wlroots virtual\n"
        << "  pointer and keyboard, /dev/uinput, the RemoteDesktop portal and GNOME's interface.\n"
        << "  QUILLMOTION_DESKTOP=x11|wlroots|uinput|portal|mutter forces one.\n"
        << "\n"
        << "See quillmotion(1) and quillmotion-settings(1).\n";
}

}  // namespace

std::optional<int> AnswerCommandLine(const std::vector<std::string>& args, const std::string& logFile,
                                     std::ostream& out) {
    for (const std::string& arg : args) {
        if (arg == "--help" || arg == "-h") {
            PrintHelp(out, logFile);
            return 0;
        }
        if (arg == "--version") {
            PrintVersion(out);
            return 0;
        }
    }
    return std::nullopt;
}

}  // namespace qm
