/* Clothoid routines reachable from other library files and the tests: the
** B-spline approximations of a segment, which take the caller's working
** array of COUNT points, and the reset of the module's selected radius. */
#pragma once

#include "host/mdlbspline.h"

namespace clothoid {

/* Clear CURVE, set its display flag, ORDER and COUNT poles, lay the segment
** out in WORK from (x1, y1) along the direction of (x2, y2) - (x1, y1), and
** fit the curve to those points. Answers the fit's host status. */
int fitByTangent(BsplineCurve* curve, Dpoint3d* work, int count, int order, double x1, double y1, double x2,
                 double y2, double r1, double r2, double A);
/* As fitByTangent, but the segment is turned so that its chord runs from
** (x1, y1) towards (x2, y2). */
int fitByEndpoints(BsplineCurve* curve, Dpoint3d* work, int count, int order, double x1, double y1, double x2,
                   double y2, double r1, double r2, double A);

void resetForTests();

}  // namespace clothoid
