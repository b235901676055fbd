#pragma once

#include <cstdint>

namespace qm {

// The serial control's own error numbers, the ones callers of a communications control know.
inline constexpr std::int32_t comInvalidPropertyValue = 380;
inline constexpr std::int32_t comPortOpen = 8000;  // operation not valid while the port is open
inline constexpr std::int32_t comPortInvalid = 8002;
inline constexpr std::int32_t comPortAlreadyOpen = 8005;
inline constexpr std::int32_t comBadComm = 8010;  // the device could not be opened or configured

}  // namespace qm
