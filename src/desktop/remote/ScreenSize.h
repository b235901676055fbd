#pragma once

#include <QDBusConnection>

#include "desktop/Desktop.h"

namespace qm {

// The primary monitor's size in the desktop's own units, as GNOME's display configuration
// (org.gnome.Mutter.DisplayConfig) describes it; where that is not offered, the primary screen
// Qt knows of, and without that a common size.
Size PrimaryScreenSize(const QDBusConnection& bus);

}  // namespace qm
