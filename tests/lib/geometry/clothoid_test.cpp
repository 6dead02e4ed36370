#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <vector>

#include "lib/geometry/clothoid.h"
#include "lib/geometry/clothoid_int.h"
#include "lib/geometry/geo.h"
#include "support/host_fixture.h"

namespace {

constexpr double pi = std::numbers::pi;

struct Xy {
    double x, y;
};

Xy local(double r1, double r2, double A, double L) {
    double rSel = *zmlibGeo_getKlotoideRadiusP(r1, r2);
    Xy p{0, 0};
    EXPECT_EQ(zmlibGeo_KlotCoord(&p.x, &p.y, r1, r2, A, L, rSel), ZMLIB_SUCCESS);
    return p;
}

/* Fresnel-type integrals of the clothoid by composite Simpson. */
Xy fresnel(double A, double L) {
    const int n = 2000;
    double h = L / n, sx = 0, sy = 0;
    for (int i = 0; i <= n; ++i) {
        double u = i * h, w = (i == 0 || i == n) ? 1 : (i % 2 ? 4 : 2);
        double phi = u * u / (2 * A * A);
        sx += w * std::cos(phi);
        sy += w * std::sin(phi);
    }
    return {sx * h / 3, sy * h / 3};
}

/* The five-term series from its general term. */
Xy generalTerms(double A, double L) {
    Xy p{0, 0};
    double fact = 1; /* (2n)! then (2n+1)! */
    for (int n = 0; n < 5; ++n) {
        double sign = n % 2 ? -1 : 1;
        double even = fact;
        double odd = fact * (2 * n + 1);
        p.x += sign * std::pow(L, 4 * n + 1) / (even * std::pow(2 * A * A, 2 * n) * (4 * n + 1));
        p.y += sign * std::pow(L, 4 * n + 3) / (odd * std::pow(2 * A * A, 2 * n + 1) * (4 * n + 3));
        fact = odd * (2 * n + 2);
    }
    return p;
}

using Clothoid = HostTest;

TEST_F(Clothoid, OriginDistancesAreSorted) {
    double ls = -1, le = -1;
    EXPECT_EQ(zmlibGeo_getKlotoideLength(&ls, &le, 0, 100, 50), ZMLIB_SUCCESS);
    EXPECT_EQ(ls, 0.0);
    EXPECT_EQ(le, 25.0);
    EXPECT_EQ(zmlibGeo_getKlotoideLength(&ls, &le, 100, 0, 50), ZMLIB_SUCCESS);
    EXPECT_EQ(ls, 0.0);
    EXPECT_EQ(le, 25.0);
    EXPECT_EQ(zmlibGeo_getKlotoideLength(&ls, &le, 200, -100, 100), ZMLIB_SUCCESS);
    EXPECT_EQ(ls, 50.0);
    EXPECT_EQ(le, 100.0);
}

TEST_F(Clothoid, SelectedRadiusIsTheFlatterOneFirstOnATie) {
    double* p = zmlibGeo_getKlotoideRadiusP(-300, 300);
    EXPECT_EQ(*p, -300.0);
    EXPECT_EQ(zmlibGeo_getKlotoideRadiusP(0, -250), p); /* one value, overwritten */
    EXPECT_EQ(*p, -250.0);
    EXPECT_EQ(*zmlibGeo_getKlotoideRadiusP(120, 0), 120.0);
}

TEST_F(Clothoid, LocalCoordinatesOfTheWorkedExampleAndItsMirror) {
    double x = 0, y = 0;
    EXPECT_EQ(zmlibGeo_KlotCoord(&x, &y, 0, 100, 100, 100, 100), ZMLIB_SUCCESS);
    EXPECT_NEAR(x, 97.529, 5e-4);
    EXPECT_NEAR(y, 16.371, 5e-4);
    double mx = 0, my = 0;
    EXPECT_EQ(zmlibGeo_KlotCoord(&mx, &my, 0, -100, 100, 100, -100), ZMLIB_SUCCESS);
    EXPECT_EQ(mx, x);
    EXPECT_EQ(my, -y);
    /* a positive radius at the first end lays the curve to the right */
    EXPECT_EQ(zmlibGeo_KlotCoord(&mx, &my, 100, 0, 100, 100, 100), ZMLIB_SUCCESS);
    EXPECT_EQ(my, -y);
    double ux = 7, uy = 8;
    EXPECT_EQ(zmlibGeo_KlotCoord(&ux, &uy, 0, 100, 0, 10, 100), ZMLIB_ERROR);
    EXPECT_EQ(ux, 7.0);
    EXPECT_EQ(uy, 8.0);
}

TEST_F(Clothoid, SeriesMatchesFresnelIntegralsAtSmallTangentAngles) {
    const double A = 250.0;
    for (double L : {1.0, 50.0, 125.0, 200.0}) { /* tangent angle up to 0.32 rad */
        Xy s = local(0, 1000, A, L), f = fresnel(A, L);
        EXPECT_NEAR(s.x, f.x, 1e-9 * L) << L;
        EXPECT_NEAR(s.y, f.y, 1e-9 * L) << L;
    }
}

TEST_F(Clothoid, SeriesHasExactlyFiveTermsAtLargeAngles) {
    /* far out the truncated series leaves the integral; it must not be "improved" */
    const double A = 100.0, L = 300.0;
    Xy s = local(0, 50, A, L), g = generalTerms(A, L), f = fresnel(A, L);
    EXPECT_NEAR(s.x, g.x, 1e-9 * std::fabs(g.x));
    EXPECT_NEAR(s.y, g.y, 1e-9 * std::fabs(g.y));
    EXPECT_GT(std::fabs(s.x - f.x), 1.0);
}

TEST_F(Clothoid, PointListSpansExactlyFromLsToLe) {
    const double r1 = 300, r2 = 100, A = 100; /* Ls = 33.3.., Le = 100 */
    double ls, le;
    zmlibGeo_getKlotoideLength(&ls, &le, r1, r2, A);
    Dpoint3d pts[2] = {{0, 0, 5}, {0, 0, 6}};
    EXPECT_EQ(zmlibGeo_getKlotPoints(pts, 2, r1, r2, A), ZMLIB_SUCCESS);
    Xy a = local(r1, r2, A, ls), b = local(r1, r2, A, le);
    EXPECT_EQ(pts[0].x, a.x);
    EXPECT_EQ(pts[0].y, a.y);
    EXPECT_EQ(pts[1].x, b.x);
    EXPECT_EQ(pts[1].y, b.y);
    EXPECT_EQ(pts[0].z, 5.0); /* z is left alone */
    EXPECT_EQ(pts[1].z, 6.0);

    Dpoint3d many[7];
    zmlibGeo_getKlotPoints(many, 7, r1, r2, A);
    Xy mid = local(r1, r2, A, ls + (le - ls) * 3 / 6);
    EXPECT_DOUBLE_EQ(many[3].x, mid.x);
    EXPECT_EQ(many[6].x, b.x);
}

TEST_F(Clothoid, DegeneratePointListsStayDefined) {
    Dpoint3d one = {9, 9, 9};
    EXPECT_EQ(zmlibGeo_getKlotPoints(&one, 1, 0, 100, 100), ZMLIB_SUCCESS);
    EXPECT_EQ(one.x, 0.0); /* the single point is at Ls */
    EXPECT_EQ(one.y, 0.0);
    Dpoint3d flat[3] = {{9, 9, 9}, {9, 9, 9}, {9, 9, 9}};
    EXPECT_EQ(zmlibGeo_getKlotPoints(flat, 3, 0, 100, 0), ZMLIB_SUCCESS);
    for (const Dpoint3d& p : flat) {
        EXPECT_EQ(p.x, 0.0);
        EXPECT_EQ(p.y, 0.0);
    }
    Dpoint3d none = {9, 9, 9};
    EXPECT_EQ(zmlibGeo_getKlotPoints(&none, 0, 0, 100, 100), ZMLIB_SUCCESS);
    EXPECT_EQ(none.x, 9.0);
    EXPECT_EQ(zmlibGeo_createKlotoide(&none, 0, 1, 2, 0, 100, 100, 0, 0, 0), ZMLIB_SUCCESS);
    EXPECT_EQ(none.x, 9.0);
}

TEST_F(Clothoid, ReversedListStartsAtThePlacementPoint) {
    Dpoint3d pts[5];
    for (Dpoint3d& p : pts) p.z = 77;
    EXPECT_EQ(zmlibGeo_createKlotoide(pts, 5, 1000, 2000, 100, 0, 100, 0.3, 0, 0), ZMLIB_SUCCESS);
    EXPECT_EQ(pts[0].x, 1000.0);
    EXPECT_EQ(pts[0].y, 2000.0);
    EXPECT_EQ(pts[4].z, 0.0);
    /* the far end is the local point at Le turned by half a turn ... rotated */
    Xy end = local(100, 0, 100, 100);
    double gx, gy;
    zmlibGeo_coordLocalToGlobal(&gx, &gy, end.x, end.y, 0.3);
    EXPECT_NEAR(pts[4].x, 1000 + gx, 1e-9);
    EXPECT_NEAR(pts[4].y, 2000 + gy, 1e-9);
}

TEST_F(Clothoid, ForwardListIsOffsetRotatedAndMoved) {
    Dpoint3d pts[4];
    EXPECT_EQ(zmlibGeo_createKlotoide(pts, 4, 10, 20, 0, 100, 100, pi / 2, 3, 4), ZMLIB_SUCCESS);
    for (int i = 0; i < 4; ++i) {
        Xy q = local(0, 100, 100, 100.0 * i / 3);
        /* (x, y) turned by a quarter: (-y, x) */
        EXPECT_NEAR(pts[i].x, 10 - (q.y - 4), 1e-9) << i;
        EXPECT_NEAR(pts[i].y, 20 + (q.x - 3), 1e-9) << i;
    }
}

TEST_F(Clothoid, CoordAtZeroIsTheStartAndTheLargestDistanceIsAccepted) {
    const double A = 100, r2 = 100;
    Xy end = local(0, r2, A, 100);
    double x1 = 500, y1 = -200, x2 = x1 + end.x, y2 = y1 + end.y;
    double x = 9, y = 9, a = 9;
    EXPECT_EQ(zmlibGeo_getKlotCoord(&x, &y, &a, x1, y1, x2, y2, 0, r2, A, 0.0), ZMLIB_SUCCESS);
    EXPECT_NEAR(x, x1, 1e-9);
    EXPECT_NEAR(y, y1, 1e-9);
    EXPECT_NEAR(a, 0.0, 1e-9); /* the chord already lies along the local frame */
    EXPECT_EQ(zmlibGeo_getKlotCoord(&x, &y, &a, x1, y1, x2, y2, 0, r2, A, A * A / r2), ZMLIB_SUCCESS);
    EXPECT_NEAR(x, x2, 1e-9);
    EXPECT_NEAR(y, y2, 1e-9);

    a = 42;
    EXPECT_EQ(zmlibGeo_getKlotCoord(&x, &y, &a, x1, y1, x2, y2, 0, r2, A, A * A / r2 + 1e-6), ZMLIB_ERROR);
    EXPECT_EQ(x, 0.0);
    EXPECT_EQ(y, 0.0);
    EXPECT_EQ(a, 42.0);
    EXPECT_EQ(zmlibGeo_getKlotCoord(&x, &y, &a, x1, y1, x2, y2, 0, r2, A, -1e-6), ZMLIB_ERROR);
    EXPECT_EQ(zmlibGeo_getKlotCoord(&x, &y, &a, x1, y1, x2, y2, 0, 0, A, 0.0), ZMLIB_ERROR);
    x = 7;
    EXPECT_EQ(zmlibGeo_getKlotCoord(&x, &y, &a, x1, y1, x2, y2, 0, r2, 0, 0.0), ZMLIB_ERROR);
    EXPECT_EQ(x, 7.0);
}

/* The segment between two points through getKlotCoord and through the
** B-spline layout must be one and the same curve. */
void expectCoordFollowsLayout(double r1, double r2, double A, double sFirst, double sLast) {
    const double x1 = 100, y1 = 50, x2 = 180, y2 = 120;
    const int count = 41;
    std::vector<Dpoint3d> work(count);
    BsplineCurve curve;
    ASSERT_EQ(clothoid::fitByEndpoints(&curve, work.data(), count, 4, x1, y1, x2, y2, r1, r2, A), 0);
    mdlBspline_freeCurve(&curve);
    for (int i = 0; i < count; ++i) {
        double s = sFirst + (sLast - sFirst) * i / (count - 1);
        double x, y, a;
        ASSERT_EQ(zmlibGeo_getKlotCoord(&x, &y, &a, x1, y1, x2, y2, r1, r2, A, s), ZMLIB_SUCCESS) << i;
        EXPECT_NEAR(x, work[i].x, 1e-7) << i;
        EXPECT_NEAR(y, work[i].y, 1e-7) << i;
    }
    /* the direction is the segment's direction at P1 */
    double x, y, a;
    zmlibGeo_getKlotCoord(&x, &y, &a, x1, y1, x2, y2, r1, r2, A, sFirst);
    double lead = std::atan2(work[1].y - work[0].y, work[1].x - work[0].x);
    EXPECT_NEAR(std::remainder(a - lead, 2 * pi), 0.0, 0.02);
}

TEST_F(Clothoid, CoordFollowsTheLayoutFromTheStraightEnd) { expectCoordFollowsLayout(0, 100, 100, 0, 100); }

TEST_F(Clothoid, CoordFollowsTheLayoutTowardsTheStraightEnd) {
    /* s is measured from the clothoid origin, which lies at P2 here */
    expectCoordFollowsLayout(100, 0, 100, 100, 0);
    expectCoordFollowsLayout(-80, 0, 60, 45, 0);
}

TEST_F(Clothoid, ReversedSegmentEndsAtBothPointsAndTurnsByTheSignOfR1) {
    const double A = 100;
    Xy end = local(100, 0, A, 100);
    double x1 = 0, y1 = 0, x2 = std::hypot(end.x, end.y), y2 = 0;
    double xa, ya, xb, yb, xm, ym, a;
    ASSERT_EQ(zmlibGeo_getKlotCoord(&xa, &ya, &a, x1, y1, x2, y2, 100, 0, A, 100), ZMLIB_SUCCESS);
    ASSERT_EQ(zmlibGeo_getKlotCoord(&xm, &ym, &a, x1, y1, x2, y2, 100, 0, A, 50), ZMLIB_SUCCESS);
    ASSERT_EQ(zmlibGeo_getKlotCoord(&xb, &yb, &a, x1, y1, x2, y2, 100, 0, A, 0), ZMLIB_SUCCESS);
    EXPECT_NEAR(xa, x1, 1e-9);
    EXPECT_NEAR(ya, y1, 1e-9);
    EXPECT_NEAR(xb, x2, 1e-9);
    EXPECT_NEAR(yb, y2, 1e-9);
    /* turning left along P1 -> P2 bows the curve to the right of its chord */
    EXPECT_LT(ym, 0.0);
    EXPECT_GT(a, pi); /* leaves P1 heading below the chord */
}

TEST_F(Clothoid, CompoundSegmentDirectionAtTheStart) {
    /* both ends curved, the flatter one at P1: laid out forwards from Ls */
    const double r1 = 100, r2 = 200, A = 100;
    const double x1 = 0, y1 = 0, x2 = 40, y2 = 30;
    std::vector<Dpoint3d> work(200);
    BsplineCurve curve;
    ASSERT_EQ(clothoid::fitByEndpoints(&curve, work.data(), 200, 4, x1, y1, x2, y2, r1, r2, A), 0);
    mdlBspline_freeCurve(&curve);
    EXPECT_NEAR(work[0].x, x1, 1e-9);
    EXPECT_NEAR(work[199].x, x2 / 50 * std::hypot(work[199].x, work[199].y), 1e-6);
    double x, y, a;
    ASSERT_EQ(zmlibGeo_getKlotCoord(&x, &y, &a, x1, y1, x2, y2, r1, r2, A, 0), ZMLIB_SUCCESS);
    double lead = std::atan2(work[1].y - work[0].y, work[1].x - work[0].x);
    EXPECT_NEAR(std::remainder(a - lead, 2 * pi), 0.0, 1e-3);
}

TEST_F(Clothoid, CompoundSegmentLaidBackwardsEndsOnTheChord) {
    /* both ends curved, the flatter one at r1: the list runs backwards */
    const double r1 = 200, r2 = 100, A = 100;
    const double x1 = 10, y1 = 20, x2 = 10, y2 = 80;
    std::vector<Dpoint3d> work(30);
    BsplineCurve curve;
    ASSERT_EQ(clothoid::fitByEndpoints(&curve, work.data(), 30, 4, x1, y1, x2, y2, r1, r2, A), 0);
    mdlBspline_freeCurve(&curve);
    EXPECT_NEAR(work[0].x, x1, 1e-9);
    EXPECT_NEAR(work[0].y, y1, 1e-9);
    EXPECT_NEAR(work[29].x, x2, 1e-9); /* on the northward ray through P1 */
    EXPECT_GT(work[29].y, y1);
    double x, y, a;
    ASSERT_EQ(zmlibGeo_getKlotCoord(&x, &y, &a, x1, y1, x2, y2, r1, r2, A, 50), ZMLIB_SUCCESS);
    EXPECT_NEAR(x, work[29].x, 1e-9);
    EXPECT_NEAR(y, work[29].y, 1e-9);
}

TEST_F(Clothoid, BsplineByTangentStartsAlongTheTangent) {
    const int count = 20;
    std::vector<Dpoint3d> work(count);
    BsplineCurve curve;
    curve.poles = reinterpret_cast<Dpoint3d*>(0x1); /* a stale record is cleared first */
    ASSERT_EQ(clothoid::fitByTangent(&curve, work.data(), count, 4, 10, 10, 10, 30, 0, -150, 120), 0);
    EXPECT_EQ(curve.display.curveDisplay, 1);
    EXPECT_EQ(curve.params.order, 4);
    EXPECT_EQ(curve.params.numPoles, count);
    EXPECT_EQ(curve.poles[0].x, 10.0);
    EXPECT_EQ(curve.poles[0].y, 10.0);
    /* the tangent at the start runs along +y; the curve turns right */
    EXPECT_NEAR(curve.poles[1].x, 10.0, 1e-6);
    EXPECT_GT(curve.poles[1].y, 10.0);
    EXPECT_GT(curve.poles[count - 1].x, 10.0);
    for (int i = 0; i < count; ++i) EXPECT_EQ(work[i].z, 0.0);
    mdlBspline_freeCurve(&curve);
}

TEST_F(Clothoid, BsplineByEndpointsPassesBothPointsAndFollowsTheCurve) {
    const int count = 15;
    std::vector<Dpoint3d> work(count);
    BsplineCurve curve;
    Xy end = local(0, 100, 100, 100);
    double len = std::hypot(end.x, end.y);
    ASSERT_EQ(clothoid::fitByEndpoints(&curve, work.data(), count, 4, 0, 0, 0, len, 0, 100, 100), 0);
    Dpoint3d p;
    mdlBspline_evaluateCurvePoint(&p, &curve, 1.0);
    EXPECT_NEAR(p.x, 0.0, 1e-9);
    EXPECT_NEAR(p.y, len, 1e-9);
    /* turning left from its straight end, the curve leaves a northward chord
    ** to the east and comes back to it */
    double widest = 0;
    for (double u = 0; u <= 1.0; u += 0.05) {
        mdlBspline_evaluateCurvePoint(&p, &curve, u);
        EXPECT_GE(p.x, -1e-9);
        widest = std::max(widest, p.x);
    }
    EXPECT_GT(widest, 5.0);
    /* and stays on the points it was laid through */
    std::vector<Dpoint3d> dense(2001);
    for (int k = 0; k <= 2000; ++k) mdlBspline_evaluateCurvePoint(&dense[k], &curve, k / 2000.0);
    for (int i = 0; i < count; ++i) {
        double nearest = 1e300;
        for (const Dpoint3d& d : dense) nearest = std::min(nearest, std::hypot(d.x - work[i].x, d.y - work[i].y));
        EXPECT_LT(nearest, 0.05) << i;
    }
    mdlBspline_freeCurve(&curve);
}

TEST_F(Clothoid, BsplineFitFailureIsPassedBackWithTheRecordSet) {
    std::vector<Dpoint3d> work(3);
    BsplineCurve curve;
    EXPECT_EQ(clothoid::fitByTangent(&curve, work.data(), 3, 4, 0, 0, 1, 0, 0, 100, 100), HOST_ERROR);
    EXPECT_EQ(curve.display.curveDisplay, 1);
    EXPECT_EQ(curve.params.order, 4);
    EXPECT_EQ(curve.params.numPoles, 3);
    EXPECT_EQ(curve.poles, nullptr);
}

}  // namespace
