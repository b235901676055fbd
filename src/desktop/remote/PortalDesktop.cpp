#include "desktop/remote/PortalDesktop.h"

#include <memory>

#include "desktop/remote/PortalSession.h"

namespace qm {

PortalDesktop::PortalDesktop(std::string restoreToken, std::function<void(const std::string&)> onNewToken,
                             std::chrono::milliseconds consentTime)
    : RemoteDesktop(
          std::make_unique<PortalSession>(std::move(restoreToken), std::move(onNewToken), consentTime)) {}

}  // namespace qm
