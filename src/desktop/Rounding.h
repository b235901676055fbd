#pragma once

#include <cmath>
#include <cstdint>
#include <limits>

#include "diag/RaisedError.h"

namespace qm {

// Whole-number conversion the way the settings' floats have always been turned into pixels and
// milliseconds: to the nearest, halves to the even neighbour (2.5 -> 2, 3.5 -> 4, -0.5 -> 0).
// Done by hand rather than with nearbyint so that no floating-point mode set elsewhere in the
// process can change the answer.
inline double RoundHalfToEven(double value) {
    double whole = std::floor(value);
    const double fraction = value - whole;
    if (fraction > 0.5 || (fraction == 0.5 && std::fmod(whole, 2.0) != 0.0)) {
        whole += 1.0;
    }
    return whole;
}

// Rounds to a 32-bit signed number; a value that does not fit (or is not a number) is an overflow.
inline std::int32_t RoundToInt32(double value) {
    if (!std::isfinite(value)) {
        err::RaiseOverflow();
    }
    const double rounded = RoundHalfToEven(value);
    if (rounded < static_cast<double>(std::numeric_limits<std::int32_t>::min()) ||
        rounded > static_cast<double>(std::numeric_limits<std::int32_t>::max())) {
        err::RaiseOverflow();
    }
    return static_cast<std::int32_t>(rounded);
}

// Pixels for steps that may be a fraction of one: what a step leaves over is carried into the
// next, so that half a pixel per step still moves one pixel every second step instead of none.
class PixelCarry {
public:
    std::int32_t Take(double step) {
        const double owed = step + carried_;
        const std::int32_t whole = RoundToInt32(owed);
        carried_ = owed - whole;
        return whole;
    }
    void Reset() { carried_ = 0; }

private:
    double carried_ = 0;
};

// Turning a step round must not wrap: the most negative step has no positive partner.
inline std::int32_t NegateStep(std::int32_t value) {
    if (value == std::numeric_limits<std::int32_t>::min()) {
        err::RaiseOverflow();
    }
    return -value;
}

}  // namespace qm
