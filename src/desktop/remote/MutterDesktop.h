#pragma once

#include "desktop/remote/RemoteDesktop.h"

namespace qm {

// Desktop input through GNOME's own remote-desktop interface, which needs no consent: private
// to GNOME, offered by its compositor on the session bus.
class MutterDesktop : public RemoteDesktop {
public:
    // Throws RaisedError when there is no session bus or GNOME's interface is not offered.
    MutterDesktop();
};

}  // namespace qm
