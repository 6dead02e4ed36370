/* Helpers of the line and circle geometry shared with the clothoid module
** and the tests. */
#pragma once

namespace geo {

/* Direction angle of (dx, dy) in [0, 2*pi); (0, 0) gives 0. */
double directionAngle(double dx, double dy);
/* Range code of V against the end values E1 and E2. */
int rangeCode(double v, double e1, double e2);
/* Put the nearest-point search state back to its start. */
void resetForTests();

}  // namespace geo
