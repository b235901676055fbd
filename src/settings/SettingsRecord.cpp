#include "settings/SettingsRecord.h"

#include <limits>

#include "diag/RaisedError.h"

namespace qm {

std::int16_t SettingsRecord::Narrow(std::int32_t value) {
    if (value < std::numeric_limits<std::int16_t>::min() ||
        value > std::numeric_limits<std::int16_t>::max()) {
        err::RaiseOverflow("modSettings");
    }
    return static_cast<std::int16_t>(value);
}

}  // namespace qm
