/* Clothoid geometry. A segment is given by its end radii r1, r2 (0: the
** straight end at the clothoid origin, sign: turning sense) and its
** parameter A; an end of radius R lies at the origin distance A^2/|R|.
** State: the selected radius of the last call of zmlibGeo_getKlotoideRadiusP. */
#include "lib/geometry/clothoid.h"

#include <cmath>
#include <cstdint>
#include <numbers>

#include "host/mdlbspline.h"
#include "host/mdlsystem.h"
#include "lib/core/error.h"
#include "lib/core/mem.h"
#include "lib/geometry/clothoid_int.h"
#include "lib/geometry/geo.h"
#include "lib/geometry/geo_int.h"

namespace {

constexpr double pi = std::numbers::pi;
constexpr double twoPi = 2.0 * std::numbers::pi;

struct ClothoidState {
    double selectedRadius; /* returned by address from zmlibGeo_getKlotoideRadiusP */
};
ClothoidState state{};

struct LocalPoint {
    double x, y;
};

double selectedRadius(double r1, double r2) { return *zmlibGeo_getKlotoideRadiusP(r1, r2); }

/* Local point at arc length L; the origin when A = 0 (every length is 0). */
LocalPoint localPoint(double r1, double r2, double A, double L, double rSel) {
    LocalPoint p{0.0, 0.0};
    zmlibGeo_KlotCoord(&p.x, &p.y, r1, r2, A, L, rSel);
    return p;
}

/* Arc length of point I of COUNT spread evenly from LS to LE; the last one
** is LE itself, a single point lies at LS. */
double spacedLength(double ls, double le, int i, int count) {
    if (count < 2 || i == 0) return ls;
    if (i == count - 1) return le;
    return ls + (le - ls) * i / (count - 1);
}

/* Point I of the segment's local point list. */
LocalPoint segmentPoint(double r1, double r2, double A, double ls, double le, double rSel, int i, int count) {
    return localPoint(r1, r2, A, spacedLength(ls, le, i, count), rSel);
}

/* Local offset and chord direction that lay a segment between two points:
** the placed list must start at the offset and its chord must run from its
** first to its last point. Laid out forwards the list runs from the point at
** Ls to the one at Le; laid out backwards from the origin to (Le) - (Ls). In
** both the chord is the direction of (Le) - (Ls). */
void localChord(LocalPoint* start, double* chordAngle, double r1, double r2, double A) {
    double ls, le;
    zmlibGeo_getKlotoideLength(&ls, &le, r1, r2, A);
    double rSel = selectedRadius(r1, r2);
    LocalPoint atLs = localPoint(r1, r2, A, ls, rSel);
    LocalPoint atLe = localPoint(r1, r2, A, le, rSel);
    *start = LocalPoint{0.0, 0.0};
    if (r1 != 0.0 && r2 != 0.0 && rSel == r2) *start = atLs;
    *chordAngle = geo::directionAngle(atLe.x - atLs.x, atLe.y - atLs.y);
}

/* Fit CURVE, its order and pole count set, to the COUNT points of WORK; the
** distances the fit reports are not needed here. */
int fitCurve(BsplineCurve* curve, const Dpoint3d* work, int count) {
    double averageDistance = 0.0, maximumDistance = 0.0;
    return mdlBspline_leastSquaresToCurve(curve, &averageDistance, &maximumDistance, work, nullptr, count);
}

/* Clear CURVE and give it its display flag, ORDER and COUNT poles. */
void prepareCurve(BsplineCurve* curve, int count, int order) {
    *curve = BsplineCurve{};
    curve->display.curveDisplay = 1;
    curve->params.order = order;
    curve->params.numPoles = count;
}

/* Working array of COUNT points through the library's allocator, which
** tells the user when memory is short; null then. */
Dpoint3d* allocateWork(int count) {
    if (count <= 0) count = 1;
    if (static_cast<size_t>(count) > UINT32_MAX / sizeof(Dpoint3d)) return nullptr;
    return static_cast<Dpoint3d*>(zmlibMem_mallocRscErrorPrintf(static_cast<unsigned int>(count * sizeof(Dpoint3d)),
                                                                ZMLIB_LIST_ERRORS, ZMLIB_MSG_OUT_OF_MEMORY));
}

}  // namespace

namespace clothoid {

int fitByTangent(BsplineCurve* curve, Dpoint3d* work, int count, int order, double x1, double y1, double x2,
                 double y2, double r1, double r2, double A) {
    double rotation = geo::directionAngle(x2 - x1, y2 - y1);
    prepareCurve(curve, count, order);
    zmlibGeo_createKlotoide(work, count, x1, y1, r1, r2, A, rotation, 0.0, 0.0);
    return fitCurve(curve, work, count);
}

int fitByEndpoints(BsplineCurve* curve, Dpoint3d* work, int count, int order, double x1, double y1, double x2,
                   double y2, double r1, double r2, double A) {
    double chordDirection = geo::directionAngle(x2 - x1, y2 - y1);
    LocalPoint start;
    double chord;
    localChord(&start, &chord, r1, r2, A);
    prepareCurve(curve, count, order);
    zmlibGeo_createKlotoide(work, count, x1, y1, r1, r2, A, chordDirection - chord, start.x, start.y);
    return fitCurve(curve, work, count);
}

void resetForTests() { state = ClothoidState{}; }

}  // namespace clothoid

/* Return the address of the module's selected radius, set to whichever of r1
** and r2 has the larger magnitude (r1 on a tie). The next call overwrites it. */
extern "C" ZMLIB_API double* zmlibGeo_getKlotoideRadiusP(double r1, double r2) {
    state.selectedRadius = std::fabs(r1) >= std::fabs(r2) ? r1 : r2;
    return &state.selectedRadius;
}

/* Write the smaller and the larger origin distance of the two ends (A^2/|r|,
** 0 for a straight end). Always ZMLIB_SUCCESS. */
extern "C" ZMLIB_API int zmlibGeo_getKlotoideLength(double* lsOut, double* leOut, double r1, double r2, double A) {
    double l1 = r1 != 0.0 ? A * A / std::fabs(r1) : 0.0;
    double l2 = r2 != 0.0 ? A * A / std::fabs(r2) : 0.0;
    if (l2 < l1) {
        *lsOut = l2;
        *leOut = l1;
    } else {
        *lsOut = l1;
        *leOut = l2;
    }
    return ZMLIB_SUCCESS;
}

/* Write the local coordinates of the point at arc length L from the clothoid
** origin, from the first five terms of the Fresnel series. y is mirrored by
** the turning sense of the selected radius rSel. ZMLIB_ERROR with the
** outputs untouched when A = 0. */
extern "C" ZMLIB_API int zmlibGeo_KlotCoord(double* xOut, double* yOut, double r1, double r2, double A, double L,
                                            double rSel) {
    if (A == 0.0) return ZMLIB_ERROR;
    double x = L - std::pow(L, 5) / (40.0 * std::pow(A, 4)) + std::pow(L, 9) / (3456.0 * std::pow(A, 8)) -
               std::pow(L, 13) / (599040.0 * std::pow(A, 12)) + std::pow(L, 17) / (175472640.0 * std::pow(A, 16));
    double y = std::pow(L, 3) / (6.0 * std::pow(A, 2)) - std::pow(L, 7) / (336.0 * std::pow(A, 6)) +
               std::pow(L, 11) / (42240.0 * std::pow(A, 10)) - std::pow(L, 15) / (9676800.0 * std::pow(A, 14)) +
               std::pow(L, 19) / (3530096640.0 * std::pow(A, 18));
    if (rSel == r2 && rSel < 0.0) y = -y;
    if (rSel == r1 && rSel > 0.0) y = -y;
    *xOut = x;
    *yOut = y;
    return ZMLIB_SUCCESS;
}

/* Write x and y of COUNT points spread evenly over the segment, from the
** smaller origin distance to the larger, in the clothoid's local frame (z is
** left as it was). A single point lies at the smaller distance; with A = 0
** every point is the origin. Always ZMLIB_SUCCESS. */
extern "C" ZMLIB_API int zmlibGeo_getKlotPoints(Dpoint3d* points, int count, double r1, double r2, double A) {
    double ls, le;
    zmlibGeo_getKlotoideLength(&ls, &le, r1, r2, A);
    double rSel = selectedRadius(r1, r2);
    for (int i = 0; i < count; ++i) {
        LocalPoint p = segmentPoint(r1, r2, A, ls, le, rSel, i, count);
        points[i].x = p.x;
        points[i].y = p.y;
    }
    return ZMLIB_SUCCESS;
}

/* Write COUNT points of the segment placed in the plane: local points (run
** backwards from the larger origin distance and turned by half a turn when
** the selected radius is not r2, so that the list starts at the local
** origin), minus (offsetX, offsetY), rotated by ROTATION and moved to
** (x0, y0). z is set to 0. Always ZMLIB_SUCCESS: no working memory is used. */
extern "C" ZMLIB_API int zmlibGeo_createKlotoide(Dpoint3d* points, int count, double x0, double y0, double r1,
                                                 double r2, double A, double rotation, double offsetX,
                                                 double offsetY) {
    if (count <= 0) return ZMLIB_SUCCESS;
    double ls, le;
    zmlibGeo_getKlotoideLength(&ls, &le, r1, r2, A);
    double rSel = selectedRadius(r1, r2);
    bool forward = rSel == r2;
    LocalPoint last = segmentPoint(r1, r2, A, ls, le, rSel, count - 1, count);
    for (int i = 0; i < count; ++i) {
        LocalPoint p;
        if (forward) {
            p = segmentPoint(r1, r2, A, ls, le, rSel, i, count);
        } else {
            LocalPoint q = segmentPoint(r1, r2, A, ls, le, rSel, count - 1 - i, count);
            p = LocalPoint{last.x - q.x, last.y - q.y};
        }
        double gx, gy;
        zmlibGeo_coordLocalToGlobal(&gx, &gy, p.x - offsetX, p.y - offsetY, rotation);
        points[i] = Dpoint3d{gx + x0, gy + y0, 0.0};
    }
    return ZMLIB_SUCCESS;
}

/* Write the point at origin distance s of the segment laid between P1 and
** P2, and the segment's direction at P1 (which does not depend on s). The
** segment is turned so that its local chord runs along P1 -> P2. A = 0
** answers ZMLIB_ERROR with the outputs untouched; otherwise the point is
** zeroed first, and two straight ends or an s outside [0, A^2/|selected
** radius|] answer ZMLIB_ERROR. */
extern "C" ZMLIB_API int zmlibGeo_getKlotCoord(double* xOut, double* yOut, double* angleOut, double x1, double y1,
                                               double x2, double y2, double r1, double r2, double A, double s) {
    if (A == 0.0) return ZMLIB_ERROR;
    *xOut = 0.0;
    *yOut = 0.0;
    double rSel = selectedRadius(r1, r2);
    if (rSel == 0.0) return ZMLIB_ERROR;
    if (s > A * A / std::fabs(rSel) || s < 0.0) return ZMLIB_ERROR;

    double ls, le;
    zmlibGeo_getKlotoideLength(&ls, &le, r1, r2, A);
    LocalPoint qa = localPoint(r1, r2, A, s, rSel);
    LocalPoint qb = localPoint(r1, r2, A, le, rSel);
    LocalPoint qc = localPoint(r1, r2, A, ls, rSel);

    /* Laid out backwards from the far end, as zmlibGeo_createKlotoide does:
    ** the far end minus the point, in both coordinates. */
    double u = qa.x, v = qa.y;
    if (rSel == r1) {
        u = qb.x - qa.x;
        v = qb.y - qa.y;
    }
    double chordDirection = geo::directionAngle(x2 - x1, y2 - y1);
    double turn = chordDirection - geo::directionAngle(qb.x - qc.x, qb.y - qc.y);
    bool bothCurved = r1 != 0.0 && r2 != 0.0;
    if (bothCurved && rSel == r2) {
        u -= qc.x;
        v -= qc.y;
    }
    double gx, gy;
    zmlibGeo_coordLocalToGlobal(&gx, &gy, u, v, turn);
    *xOut = x1 + gx;
    *yOut = y1 + gy;

    double direction;
    if (r1 != 0.0 && r2 == 0.0) {
        LocalPoint qd = localPoint(r1, r2, A, 0.9999 * le, rSel);
        direction = turn + geo::directionAngle(qb.x - qd.x, qb.y - qd.y) - pi / 2.0;
    } else if (ls == 0.0 || le == 0.0) {
        direction = turn;
    } else {
        /* Tangent at the smaller origin distance from a chord of +-1 unit. */
        double la = ls - 1.0 < 0.0 ? 0.0 : ls - 1.0;
        double lb = ls + 1.0 > le ? le : ls + 1.0;
        LocalPoint qe = localPoint(r1, r2, A, la, rSel);
        LocalPoint qf = localPoint(r1, r2, A, lb, rSel);
        double tangent = geo::directionAngle(qf.x - qe.x, qf.y - qe.y);
        /* Laid out forwards the segment leaves P1 along that tangent. */
        direction = rSel == r2 ? turn + tangent : turn - tangent;
    }
    if (r2 == 0.0) direction += pi / 2.0;
    while (direction > twoPi) direction -= twoPi;
    while (direction < 0.0) direction += twoPi;
    *angleOut = direction;
    return ZMLIB_SUCCESS;
}

/* Fit CURVE (cleared first, then given its display flag, ORDER and COUNT
** poles) to COUNT points of the segment laid from (x1, y1) along the
** direction of (x2, y2) - (x1, y1). Answer the host fit's status, or
** ZMLIB_ERROR when the working memory cannot be had. */
extern "C" ZMLIB_API int zmlibGeo_createKlotoideByTangent(BsplineCurve* curve, int count, int order, double x1,
                                                          double y1, double x2, double y2, double r1, double r2,
                                                          double A) {
    prepareCurve(curve, count, order);
    Dpoint3d* work = allocateWork(count);
    if (!work) return ZMLIB_ERROR;
    int status = clothoid::fitByTangent(curve, work, count, order, x1, y1, x2, y2, r1, r2, A);
    dlmSystem_mdlFree(work);
    return status;
}

/* As zmlibGeo_createKlotoideByTangent, but the segment is turned so that its
** chord runs from (x1, y1) towards (x2, y2). */
extern "C" ZMLIB_API int zmlibGeo_createKlotoideByEndpoints(BsplineCurve* curve, int count, int order, double x1,
                                                            double y1, double x2, double y2, double r1, double r2,
                                                            double A) {
    prepareCurve(curve, count, order);
    Dpoint3d* work = allocateWork(count);
    if (!work) return ZMLIB_ERROR;
    int status = clothoid::fitByEndpoints(curve, work, count, order, x1, y1, x2, y2, r1, r2, A);
    dlmSystem_mdlFree(work);
    return status;
}
