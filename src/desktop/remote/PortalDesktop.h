#pragma once

#include <chrono>
#include <functional>
#include <string>

#include "desktop/remote/RemoteDesktop.h"

namespace qm {

// Desktop input through the desktop portal's RemoteDesktop interface (GNOME, KDE and others),
// which a carer allows once in the desktop's dialog; where the portal can keep that
// permission, the token it hands back is kept in the settings and offered at the next start.
class PortalDesktop : public RemoteDesktop {
public:
    // restoreToken: the token kept from the last start ("" for none); onNewToken is told each
    // new one. Waits at most consentTime for the user. Throws RaisedError when there is no
    // portal or the user does not allow remote control in time.
    PortalDesktop(std::string restoreToken, std::function<void(const std::string&)> onNewToken,
                  std::chrono::milliseconds consentTime = std::chrono::minutes(2));
};

}  // namespace qm
