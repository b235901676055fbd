#pragma once

#include <algorithm>

#include "desktop/Desktop.h"

namespace qm {

// Where the pointer is, for a desktop that does not tell its clients (Wayland): the screen's
// centre until the first absolute move, then every move of the program's own applied to it and
// kept on the screen, as the compositor keeps the pointer. Another pointing device's moves are
// not seen, so the estimate is only as good as the program is the pointer's only mover.
class PointerEstimate {
public:
    void SetScreen(Size screen) {
        const bool first = screen_.width <= 0 || screen_.height <= 0;
        screen_ = screen;
        position_ = first ? Point{screen.width / 2, screen.height / 2} : Clamped(position_);
    }
    void MovedBy(std::int32_t dx, std::int32_t dy) {
        position_ = Clamped({position_.x + dx, position_.y + dy});
    }
    void MovedTo(Point position) { position_ = Clamped(position); }

    Point Position() const { return position_; }
    Size Screen() const { return screen_; }

private:
    Point Clamped(Point point) const {
        return {std::clamp(point.x, 0, std::max(0, screen_.width - 1)),
                std::clamp(point.y, 0, std::max(0, screen_.height - 1))};
    }

    Size screen_;
    Point position_;
};

}  // namespace qm
