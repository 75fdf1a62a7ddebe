#pragma once

#include <cstdint>

namespace seiran {

// Nearest integer, halves away from zero (2.5 -> 3, -2.5 -> -3). Values beyond the 32-bit range
// saturate; NaN gives 0.
std::int32_t RoundToInt(double value);

} // namespace seiran
