#pragma once

#include <algorithm>
#include <string>
#include <vector>

namespace qm::test {

// The settings of the Wayland runs: middle click and the wheels on 21 to 25, Ctrl on 29, escape
// sequences on.
inline const std::vector<std::string> kMoreCodes{"Mouse\\Buttons MIDDLE_SCLICK_ASCII 21",
                                                 "Mouse\\Buttons WHEEL_UP_ASCII 22",
                                                 "Mouse\\Buttons WHEEL_DOWN_ASCII 23",
                                                 "Mouse\\Buttons WHEEL_LEFT_ASCII 24",
                                                 "Mouse\\Buttons WHEEL_RIGHT_ASCII 25",
                                                 "Emulation ASCIISequence 1",
                                                 "Emulation CTRL_ASCII 29"};

// Whether the events hold these, in this order, among others.
inline bool InOrder(const std::vector<std::string>& seen, const std::vector<std::string>& wanted) {
    auto at = seen.begin();
    for (const std::string& event : wanted) {
        at = std::find(at, seen.end(), event);
        if (at == seen.end()) {
            return false;
        }
    }
    return true;
}

}  // namespace qm::test
