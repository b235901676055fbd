#include "settings/hive/XdgConfigHome.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>

namespace qm {

std::string XdgConfigHome() {
    const char* config = std::getenv("XDG_CONFIG_HOME");
    if (config != nullptr && config[0] == '/') {
        return config;
    }
    const char* home = std::getenv("HOME");
    if (home == nullptr || home[0] == '\0') {
        const passwd* user = ::getpwuid(::getuid());
        home = user != nullptr ? user->pw_dir : "";
    }
    return std::string(home) + "/.config";
}

}  // namespace qm
