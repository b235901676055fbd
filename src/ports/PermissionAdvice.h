#pragma once

#include <string>

namespace qm {

// What a user whose open of `device` was refused can do about it: the group that owns the
// device and the command that adds the user to it (or, when the user has joined it since the
// session began, to log in again). Empty when the user may open the device after all (it was
// refused for another reason), when it cannot be looked at, and on systems where devices have
// no owning group.
std::string PermissionAdvice(const std::string& device);

}  // namespace qm
