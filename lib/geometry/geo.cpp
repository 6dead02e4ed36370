/* Line and circle geometry in the x-y plane: direction angles and quadrants,
** rotations, centres of arcs through two points, points and directions at a
** distance, fillets, trimming and values along lines and arcs. The module
** keeps no state. A radius r > 0 turns left (centre left of P1 -> P2), r < 0
** turns right; of the two arcs with that centre the shorter one is meant. */
#include "lib/geometry/geo.h"

#include <cmath>
#include <numbers>

#include "host/mdlgeom.h"
#include "host/mdlsystem.h"
#include "host/mdltext.h"
#include "lib/core/util.h"
#include "lib/geometry/clothoid.h"
#include "lib/geometry/geo_int.h"

namespace {

constexpr double pi = std::numbers::pi;
constexpr double twoPi = 2.0 * std::numbers::pi;
/* Relative slack for values that rounding pushes just past a limit: a chord
** a hair longer than the diameter, a point a hair outside its circle. */
constexpr double roundingSlack = 1e-12;

struct Centre {
    double x, y;
};

/* Centre of the arc from P1 to P2 with signed radius R. Answer false when no
** circle of that radius passes through both points (R = 0, P1 = P2, or a
** chord longer than the diameter). */
bool circleCentre(Centre* centre, double x1, double y1, double x2, double y2, double r) {
    if (r == 0.0) return false;
    if (x1 == x2 && y1 == y2) return false;
    double theta = geo::directionAngle(x2 - x1, y2 - y1);
    double ratio = std::hypot(x2 - x1, y2 - y1) / (2.0 * r);
    if (std::fabs(ratio) > 1.0) {
        if (std::fabs(ratio) > 1.0 + roundingSlack) return false;
        ratio = ratio > 0.0 ? 1.0 : -1.0;
    }
    double delta = theta - std::asin(ratio);
    centre->x = x1 - r * std::sin(delta);
    centre->y = y1 + r * std::cos(delta);
    return true;
}

/* Root of r^2 - d^2 for a point at offset D from the centre across the axis;
** false when the point lies outside the circle by more than rounding. */
bool circleOrdinate(double* root, double r, double d) {
    double q = r * r - d * d;
    if (q < 0.0) {
        if (q < -roundingSlack * r * r) return false;
        q = 0.0;
    }
    *root = std::sqrt(q);
    return true;
}

/* The nearest-point search, kept between calls. */
struct NearestState {
    int classMask;       /* element classes searched: bit (1 << class) */
    double bestDistance; /* best distance of the current search */
    double direction;    /* direction angle of the best segment, returned by address */
};
NearestState nearest{};

struct NearestWork {
    Dpoint3d given;   /* the point searched from */
    Dpoint3d best;    /* the nearest point so far */
    Dpoint3d scratch;
    double tolerance; /* stroke tolerance in units of resolution */
    MSElement* lineString;
};

/* Visit one element of the descriptor: stroke it and test its segments in
** line strings of at most MAX_VERTICES points. Consecutive line strings share
** their boundary point so that no segment is skipped. Always 0: go on. */
int nearestPoint_visit(MSElement* element, void* params, DgnModelRefP, MSElementDescr*, MSElementDescr**) {
    NearestWork* work = static_cast<NearestWork*>(params);
    int elementClass = -1;
    if (mdlElement_getProperties(nullptr, nullptr, &elementClass, nullptr, nullptr, nullptr, nullptr, nullptr,
                                 element) != HOST_SUCCESS)
        return 0;
    if (elementClass < 0 || elementClass > 31 || !(nearest.classMask & (1u << elementClass))) return 0;
    Dpoint3d* points = nullptr;
    int count = 0;
    if (mdlElement_stroke(&points, &count, element, work->tolerance) != HOST_SUCCESS || !points || count < 1) {
        dlmSystem_mdlFree(points);
        return 0;
    }
    for (int first = 0; count - first >= 2;) {
        int n = count - first < MAX_VERTICES ? count - first : MAX_VERTICES;
        if (mdlLineString_create(work->lineString, nullptr, points + first, n) == HOST_SUCCESS) {
            Dpoint3d segment[2];
            work->scratch = work->given;
            if (mdlLinear_getClosestSegment(segment, &work->scratch, work->lineString) >= 0) {
                double d = mdlVec_distance(&work->given, &work->scratch);
                if (d < nearest.bestDistance) {
                    nearest.bestDistance = d;
                    work->best = work->scratch;
                    nearest.direction =
                        geo::directionAngle(segment[1].x - segment[0].x, segment[1].y - segment[0].y);
                }
            }
        }
        first += n - 1;
    }
    dlmSystem_mdlFree(points);
    return 0;
}

}  // namespace

namespace geo {

void resetForTests() { nearest = NearestState{}; }

double directionAngle(double dx, double dy) {
    double angle = 0.0;
    zmlibGeo_getCircleQuadrant(&angle, dx, dy);
    return angle;
}

int rangeCode(double v, double e1, double e2) {
    if (e1 < e2) {
        if (v < e1) return ZMLIB_GEO_BELOW;
        if (v > e2) return ZMLIB_GEO_ABOVE;
    } else if (e1 > e2) {
        if (v < e2) return ZMLIB_GEO_BELOW;
        if (v > e1) return ZMLIB_GEO_ABOVE;
    }
    return ZMLIB_GEO_WITHIN;
}

}  // namespace geo

/* Return the quadrant (1-4) of the vector (dx, dy), a zero component counting
** as non-negative, and write its direction angle in [0, 2*pi) to *angleOut. */
extern "C" ZMLIB_API int zmlibGeo_getCircleQuadrant(double* angleOut, double dx, double dy) {
    int quadrant;
    if (dx >= 0.0)
        quadrant = dy >= 0.0 ? 1 : 4;
    else
        quadrant = dy >= 0.0 ? 2 : 3;

    double base;
    if (dx != 0.0)
        base = std::atan(dy / dx);
    else if (dy == 0.0)
        base = 0.0;
    else
        base = dy > 0.0 ? pi / 2.0 : -pi / 2.0;

    double angle = base;
    if (quadrant == 2 || quadrant == 3)
        angle = base + pi;
    else if (quadrant == 4)
        angle = base + twoPi;
    /* A tiny negative dy rounds base + 2*pi up to 2*pi itself. */
    if (angle >= twoPi) angle = 0.0;
    *angleOut = angle;
    return quadrant;
}

/* Rotate (x, y) by -angle. */
extern "C" ZMLIB_API void zmlibGeo_coordGlobalToLocal(double* xOut, double* yOut, double x, double y, double angle) {
    double c = std::cos(angle), s = std::sin(angle);
    *xOut = x * c + y * s;
    *yOut = y * c - x * s;
}

/* Rotate (x, y) by +angle. */
extern "C" ZMLIB_API void zmlibGeo_coordLocalToGlobal(double* xOut, double* yOut, double x, double y, double angle) {
    double c = std::cos(angle), s = std::sin(angle);
    *xOut = x * c - y * s;
    *yOut = x * s + y * c;
}

/* Write the centre of the arc from P1 to P2 with signed radius r. Return
** ZMLIB_ERROR with the outputs untouched when r = 0, and with both set to 0
** when P1 = P2 or the chord is longer than the diameter. */
extern "C" ZMLIB_API int zmlibGeo_getCircleCenter(double* cxOut, double* cyOut, double x1, double y1, double x2,
                                                  double y2, double r) {
    if (r == 0.0) return ZMLIB_ERROR;
    Centre centre;
    if (!circleCentre(&centre, x1, y1, x2, y2, r)) {
        *cxOut = 0.0;
        *cyOut = 0.0;
        return ZMLIB_ERROR;
    }
    *cxOut = centre.x;
    *cyOut = centre.y;
    return ZMLIB_SUCCESS;
}

/* Return the geometry kind of an element given by its end radii and its
** clothoid parameter A: line, arc of radius r1, or clothoid. */
extern "C" ZMLIB_API int zmlibGeo_getElementType(double r1, double r2, double A) {
    if (A == 0.0) return r1 == 0.0 ? ZMLIB_GEO_LINE : ZMLIB_GEO_ARC;
    return r1 == r2 ? ZMLIB_GEO_LINE : ZMLIB_GEO_CLOTHOID;
}

/* Write the point and direction at distance s along the line, arc or
** clothoid from P1 to P2; answer the result of the routine of its kind. */
extern "C" ZMLIB_API int zmlibGeo_getElementCoord(double* xOut, double* yOut, double* angleOut, double x1, double y1,
                                                  double x2, double y2, double r1, double r2, double A, double s) {
    switch (zmlibGeo_getElementType(r1, r2, A)) {
        case ZMLIB_GEO_LINE: return zmlibGeo_getLineCoord(xOut, yOut, angleOut, x1, y1, x2, y2, s);
        case ZMLIB_GEO_ARC: return zmlibGeo_getCircleCoord(xOut, yOut, angleOut, x1, y1, x2, y2, r1, s);
        case ZMLIB_GEO_CLOTHOID: return zmlibGeo_getKlotCoord(xOut, yOut, angleOut, x1, y1, x2, y2, r1, r2, A, s);
        default: return ZMLIB_ERROR;
    }
}

/* Write the point at distance s from P1 towards P2 and the line's direction.
** The point is zeroed first; s outside [0, length] or a line of length 0
** answers ZMLIB_ERROR with the direction untouched. */
extern "C" ZMLIB_API int zmlibGeo_getLineCoord(double* xOut, double* yOut, double* angleOut, double x1, double y1,
                                               double x2, double y2, double s) {
    *xOut = 0.0;
    *yOut = 0.0;
    double dx = x2 - x1, dy = y2 - y1;
    double length = std::sqrt(dx * dx + dy * dy);
    if (s > length || s < 0.0 || length == 0.0) return ZMLIB_ERROR;
    if (s == length) {
        *xOut = x2; /* exactly the end point, not a rounded one */
        *yOut = y2;
    } else {
        *xOut = x1 + dx * s / length;
        *yOut = y1 + dy * s / length;
    }
    *angleOut = geo::directionAngle(dx, dy);
    return ZMLIB_SUCCESS;
}

/* Write the point and tangent direction at arc length s from P1 along the
** arc to P2 of signed radius r. r = 0 answers ZMLIB_ERROR with the outputs
** untouched; otherwise the point is zeroed first, and an arc whose centre
** cannot be found or an s outside [0, arc length] answers ZMLIB_ERROR (an s
** past the end by no more than rounding is taken as the end). The
** direction is the start tangent plus s / r, not brought back into [0, 2*pi). */
extern "C" ZMLIB_API int zmlibGeo_getCircleCoord(double* xOut, double* yOut, double* angleOut, double x1, double y1,
                                                 double x2, double y2, double r, double s) {
    if (r == 0.0) return ZMLIB_ERROR;
    *xOut = 0.0;
    *yOut = 0.0;
    Centre q;
    if (!circleCentre(&q, x1, y1, x2, y2, r)) return ZMLIB_ERROR;

    double alpha1 = geo::directionAngle(x1 - q.x, y1 - q.y);
    double alpha2 = geo::directionAngle(x2 - q.x, y2 - q.y);
    double sweep = alpha2 - alpha1;
    if (r > 0.0 && sweep < 0.0) sweep += twoPi;
    if (r < 0.0 && sweep > 0.0) sweep -= twoPi;
    double length = std::fabs(r * sweep);
    /* The caller cannot reproduce this length to the last bit: a distance
    ** that rounding puts just past the end still means the end. */
    if (s > length && s <= length * (1.0 + roundingSlack)) s = length;
    if (s > length || s < 0.0) return ZMLIB_ERROR;

    double t = s / r;
    *xOut = q.x + std::fabs(r) * std::cos(alpha1 + t);
    *yOut = q.y + std::fabs(r) * std::sin(alpha1 + t);

    double tau = r > 0.0 ? alpha1 + pi / 2.0 : alpha1 - pi / 2.0;
    if (tau > twoPi)
        tau -= twoPi;
    else if (tau < 0.0)
        tau += twoPi;
    *angleOut = tau + t;
    return ZMLIB_SUCCESS;
}

/* Build in ELEMENT, which is also the template, the line from (x1, y1) to
** (x2, y2) with y (only) multiplied by yFactor, at z = 0. ZMLIB_ERROR, the
** element untouched, when the host refuses the points. */
extern "C" ZMLIB_API int zmlibGeo_createLineByEndpoints(MSElement* element, double x1, double y1, double x2, double y2,
                                                        double yFactor) {
    Dpoint3d points[2] = {{x1, y1 * yFactor, 0.0}, {x2, y2 * yFactor, 0.0}};
    if (mdlLine_create(element, element, points) != HOST_SUCCESS) return ZMLIB_ERROR;
    return ZMLIB_SUCCESS;
}

/* Build in ELEMENT, which is also the template, the arc from P1 to P2 of
** signed radius r, with y and r (not x) multiplied by yFactor, at z = 0.
** ZMLIB_ERROR, the element untouched, when no centre can be found or the
** host refuses the arc. */
extern "C" ZMLIB_API int zmlibGeo_createArcByEndpoints(MSElement* element, double x1, double y1, double x2, double y2,
                                                       double r, double yFactor) {
    double sy1 = y1 * yFactor, sy2 = y2 * yFactor, sr = r * yFactor;
    Centre q;
    if (!circleCentre(&q, x1, sy1, x2, sy2, sr)) return ZMLIB_ERROR;
    double start = geo::directionAngle(x1 - q.x, sy1 - q.y);
    double sweep = geo::directionAngle(x2 - q.x, sy2 - q.y) - start;
    if (r > 0.0 && sweep < 0.0) sweep += twoPi;
    if (r < 0.0 && sweep > 0.0) sweep -= twoPi;
    Dpoint3d centre{q.x, q.y, 0.0};
    double axis = std::fabs(sr);
    if (mdlArc_create(element, element, &centre, axis, axis, nullptr, start, sweep) != HOST_SUCCESS) return ZMLIB_ERROR;
    return ZMLIB_SUCCESS;
}

/* Fit a fillet of the given radius between the line points[0] -> points[1]
** and the line points[2] -> points[3], whose corner the caller passes in both
** points[1] and points[2]. Write the tangent points to points[1] and
** points[2] and the centre to points[4] (x and y only). */
extern "C" ZMLIB_API void zmlibGeo_createFillet(Dpoint3d* points, double radius) {
    double theta1 = std::atan2(points[1].y - points[0].y, points[1].x - points[0].x);
    double theta2 = std::atan2(points[3].y - points[2].y, points[3].x - points[2].x);
    double delta = theta2 - theta1;
    double d = std::fabs(radius * std::tan(delta / 2.0));

    points[1].x -= d * std::cos(theta1);
    points[1].y -= d * std::sin(theta1);
    points[2].x += d * std::cos(theta2);
    points[2].y += d * std::sin(theta2);

    bool left = (delta > 0.0 && delta < pi) || delta < -pi;
    double normal = left ? theta1 + pi / 2.0 : theta1 - pi / 2.0;
    points[4].x = points[1].x + radius * std::cos(normal);
    points[4].y = points[1].y + radius * std::sin(normal);
}

/* Move the ends of the line line[0] -> line[1] along it (in three
** dimensions): positive trims shorten the line at that end, negative ones
** lengthen it. A line of length 0 has no direction and stays as it is. */
extern "C" ZMLIB_API void zmlibGeo_trimVector(Dpoint3d* line, double startTrim, double endTrim) {
    double dx = line[1].x - line[0].x, dy = line[1].y - line[0].y, dz = line[1].z - line[0].z;
    double length = std::sqrt(dx * dx + dy * dy + dz * dz);
    if (length == 0.0) return;
    dx /= length;
    dy /= length;
    dz /= length;
    line[0].x += dx * startTrim;
    line[0].y += dy * startTrim;
    line[0].z += dz * startTrim;
    line[1].x -= dx * endTrim;
    line[1].y -= dy * endTrim;
    line[1].z -= dz * endTrim;
}

/* Write the slope form y = a*x + b of the line through P1 and P2. A vertical
** line has none: it answers ZMLIB_ERROR with a = b = 0, as do P1 = P2. */
extern "C" ZMLIB_API int zmlibGeo_getLinearAB(double* aOut, double* bOut, double x1, double y1, double x2, double y2) {
    if (x2 == x1) {
        *aOut = 0.0;
        *bOut = 0.0;
        return ZMLIB_ERROR;
    }
    double a = (y2 - y1) / (x2 - x1);
    *aOut = a;
    *bOut = y1 - x1 * a;
    return ZMLIB_SUCCESS;
}

/* Write y of the line through P1 and P2 at x; answer the range code of x
** against x1 and x2, or ZMLIB_ERROR when no single y exists (P1 = P2, or a
** vertical line). */
extern "C" ZMLIB_API int zmlibGeo_getLinearY(double* yOut, double x1, double y1, double x2, double y2, double x) {
    double a, b;
    if (zmlibGeo_getLinearAB(&a, &b, x1, y1, x2, y2) != ZMLIB_SUCCESS) return ZMLIB_ERROR;
    *yOut = a * x + b;
    return geo::rangeCode(x, x1, x2);
}

/* Write x of the line through P1 and P2 at y; answer the range code of y
** against y1 and y2, or ZMLIB_ERROR when no single x exists (P1 = P2, or a
** horizontal line). A vertical line gives its own x. */
extern "C" ZMLIB_API int zmlibGeo_getLinearX(double* xOut, double x1, double y1, double x2, double y2, double y) {
    if (x1 == x2) {
        if (y1 == y2) return ZMLIB_ERROR;
        *xOut = x1;
        return geo::rangeCode(y, y1, y2);
    }
    double a, b;
    if (zmlibGeo_getLinearAB(&a, &b, x1, y1, x2, y2) != ZMLIB_SUCCESS || a == 0.0) return ZMLIB_ERROR;
    *xOut = (y - b) / a;
    return geo::rangeCode(y, y1, y2);
}

/* Write x of the circle through P1 and P2 with signed radius r at height y,
** on the right half of the circle for r > 0 and the left half otherwise;
** answer the range code of y against y1 and y2. ZMLIB_ERROR, output
** untouched, when the centre cannot be found or y misses the circle. */
extern "C" ZMLIB_API int zmlibGeo_getCircleX(double* xOut, double x1, double y1, double x2, double y2, double r,
                                             double y) {
    Centre q;
    double root;
    if (!circleCentre(&q, x1, y1, x2, y2, r) || !circleOrdinate(&root, r, y - q.y)) return ZMLIB_ERROR;
    *xOut = r > 0.0 ? q.x + root : q.x - root;
    return geo::rangeCode(y, y1, y2);
}

/* Write y of the circle through P1 and P2 with signed radius r at x, on the
** upper half for r > 0 and the lower half otherwise; answer the range code
** of x against x1 and x2. ZMLIB_ERROR, output untouched, when the centre
** cannot be found or x misses the circle. */
extern "C" ZMLIB_API int zmlibGeo_getCircleY(double* yOut, double x1, double y1, double x2, double y2, double r,
                                             double x) {
    Centre q;
    double root;
    if (!circleCentre(&q, x1, y1, x2, y2, r) || !circleOrdinate(&root, r, x - q.x)) return ZMLIB_ERROR;
    *yOut = r > 0.0 ? q.y + root : q.y - root;
    return geo::rangeCode(x, x1, x2);
}

/* Move *point onto the nearest point of the elements of DESCR whose class is
** in CLASSMASK (bit 1 << class), and return the address of the direction
** angle of the nearest segment; the first element visited wins a tie. With
** no candidate *point stays as given and the direction is 0. The address
** stays valid until the next call overwrites it. */
extern "C" ZMLIB_API double* zmlibGeo_getNearestPointP(Dpoint3d* point, MSElementDescr* descr, int classMask) {
    static MSElement lineString; /* too large for the stack */
    nearest.classMask = classMask;
    nearest.bestDistance = *fc_rmaxui4P;
    nearest.direction = 0.0;
    NearestWork work{*point, *point, *point, *zmlibUtil_masterToUORP(0.01), &lineString};
    if (descr) mdlElmdscr_operation(descr, nearestPoint_visit, &work, ELMD_ALL_ONCE);
    *point = work.best;
    return &nearest.direction;
}
