#include "desktop/x11/PrimaryMonitor.h"

namespace qm::x11 {

ScreenArea PrimaryArea(const std::vector<Monitor>& monitors, const ScreenArea& root) {
    for (const Monitor& monitor : monitors) {
        // A monitor switched off is still listed by some servers, with no size.
        if (monitor.primary && monitor.area.width > 0 && monitor.area.height > 0) {
            return monitor.area;
        }
    }
    return root;
}

}  // namespace qm::x11
