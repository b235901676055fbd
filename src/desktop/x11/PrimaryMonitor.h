#pragma once

#include <vector>

namespace qm::x11 {

// A rectangle of the root window, in pixels.
struct ScreenArea {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    bool operator==(const ScreenArea&) const = default;
};

// A monitor as RandR describes it.
struct Monitor {
    ScreenArea area;
    bool primary = false;
};

// The area that Windows calls the screen: the primary monitor, whose top-left corner is where
// Windows puts the origin of its pointer coordinates. The whole root window when no monitor is
// the primary one (or the server does not describe its monitors).
ScreenArea PrimaryArea(const std::vector<Monitor>& monitors, const ScreenArea& root);

}  // namespace qm::x11
