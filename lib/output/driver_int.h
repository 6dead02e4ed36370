/* Helpers shared by the vector output writers. */
#pragma once

#include <climits>
#include <cmath>
#include <cstdio>

namespace zmoutput {

/* VALUE truncated towards zero, held to the int range (NaN gives 0), so that
** no drawing input can make the conversion undefined. */
inline int truncToInt(double value) {
    if (std::isnan(value)) return 0;
    if (value >= 2147483647.0) return INT_MAX;
    if (value <= -2147483648.0) return INT_MIN;
    return static_cast<int>(value);
}

constexpr double DEGREES_TO_RADIANS = 3.14159265358979323846 / 180.0;
constexpr char LABEL_TERMINATOR = 3; /* ends an HPGL label */

}  // namespace zmoutput
