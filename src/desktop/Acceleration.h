#pragma once

#include <algorithm>
#include <cstdint>

namespace qm {

// How a movement with acceleration grows: it starts at a share of the set speed, so that a short
// movement can still land on a small target, and grows in a straight line to the top speed,
// reached when the set time has passed. Stored values are taken as found, each held to what the
// curve can use.
class AccelerationCurve {
public:
    AccelerationCurve(std::int32_t startPercent, std::int32_t maximum, std::int32_t time)
        : start_(std::clamp(startPercent, 1, 100) / 100.0), top_(std::max(1, maximum)), time_(time) {}

    // The factor on the set speed after elapsed milliseconds of a movement.
    double Factor(double elapsed) const {
        const double share = time_ <= 0 ? 1.0 : std::clamp(elapsed / time_, 0.0, 1.0);
        return start_ + (top_ - start_) * share;
    }

private:
    double start_;
    double top_;
    std::int32_t time_;
};

}  // namespace qm
