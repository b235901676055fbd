#include "ports/PermissionAdvice.h"

#ifndef _WIN32
#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <vector>
#endif

namespace qm {

#ifdef _WIN32
std::string PermissionAdvice(const std::string&) {
    return {};
}
#else
namespace {

// Whether the user's entry in the group database names the group: true once "usermod -aG" has
// run, even while this session still carries the groups it started with.
bool ListedInGroup(gid_t group) {
    const passwd* user = ::getpwuid(::getuid());
    if (user == nullptr) {
        return false;
    }
    std::vector<gid_t> groups(64);
    int count = static_cast<int>(groups.size());
    if (::getgrouplist(user->pw_name, user->pw_gid, groups.data(), &count) < 0) {
        groups.resize(static_cast<std::size_t>(count));
        if (::getgrouplist(user->pw_name, user->pw_gid, groups.data(), &count) < 0) {
            return false;
        }
    }
    groups.resize(static_cast<std::size_t>(count));
    return std::find(groups.begin(), groups.end(), group) != groups.end();
}

}  // namespace

std::string PermissionAdvice(const std::string& device) {
    // The serial library calls a busy device and a held lock a permission error too; those are
    // no matter of groups.
    struct stat info {};
    if (::access(device.c_str(), R_OK | W_OK) == 0 || errno != EACCES || ::stat(device.c_str(), &info) != 0) {
        return {};
    }
    const group* owner = ::getgrgid(info.st_gid);
    const std::string name = owner != nullptr ? owner->gr_name : std::to_string(info.st_gid);
    if ((info.st_mode & (S_IRGRP | S_IWGRP)) != (S_IRGRP | S_IWGRP)) {
        return device + " may not be opened by its group \"" + name +
               "\" either: whoever looks after this computer can give you access with a udev rule.";
    }
    if (ListedInGroup(info.st_gid)) {
        return device + " belongs to the group \"" + name +
               "\". You have joined it, but this session began before you did: log out and log in again.";
    }
    return device + " belongs to the group \"" + name +
           "\", which you are not in. To join it, run\r\n    sudo usermod -aG " + name +
           " $USER\r\nthen log out and log in again.";
}
#endif

}  // namespace qm
