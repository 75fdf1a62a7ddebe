#include "RoundToInt.h"

#include <cmath>
#include <limits>

namespace seiran {

std::int32_t RoundToInt(double value)
{
    if (std::isnan(value))
        return 0;
    // std::round rounds halves away from zero, as formatting with no decimals does.
    const double rounded = std::round(value);
    if (rounded >= double(std::numeric_limits<std::int32_t>::max()))
        return std::numeric_limits<std::int32_t>::max();
    if (rounded <= double(std::numeric_limits<std::int32_t>::min()))
        return std::numeric_limits<std::int32_t>::min();
    return std::int32_t(rounded);
}

} // namespace seiran
