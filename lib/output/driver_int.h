/* Helpers shared by the vector output writers. */
#pragma once

#include <climits>
#include <cmath>
#include <cstdio>
#include <initializer_list>

#include "host/mdlgeom.h"
#include "host/mdlsystem.h"

namespace zmoutput {

/* VALUE truncated towards zero, held to the int range (NaN gives 0), so that
** no drawing input can make the conversion undefined. */
inline int truncToInt(double value) {
    if (std::isnan(value)) return 0;
    if (value >= 2147483647.0) return INT_MAX;
    if (value <= -2147483648.0) return INT_MIN;
    return static_cast<int>(value);
}

/* True when every value and every point of POINTS is a finite number; else
** WRITER says on the console that it skips the element: "nan" or "inf" in a
** print file would make the printer refuse the whole file. */
inline bool drawable(const char* writer, std::initializer_list<double> values, const Dpoint3d* points = nullptr,
                     int count = 0) {
    bool finite = true;
    for (double v : values) finite = finite && std::isfinite(v);
    for (int i = 0; i < count && finite; ++i)
        finite = std::isfinite(points[i].x) && std::isfinite(points[i].y) && std::isfinite(points[i].z);
    if (!finite) toolSubsystem_printf("%s: an element with a coordinate that is not a number is skipped.\n", writer);
    return finite;
}

constexpr double DEGREES_TO_RADIANS = 3.14159265358979323846 / 180.0;
constexpr char LABEL_TERMINATOR = 3; /* ends an HPGL label */

}  // namespace zmoutput
