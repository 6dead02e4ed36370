#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "lib/geometry/geo.h"
#include "lib/geometry/geo_int.h"

namespace {

constexpr double pi = std::numbers::pi;
constexpr double eps = 1e-9;

TEST(GeoQuadrant, SignsAndAxesGiveQuadrantAndAngle) {
    struct Case { double dx, dy; int quadrant; double angle; };
    static const Case cases[] = {
        { 0.0,  0.0, 1, 0.0},
        { 1.0,  0.0, 1, 0.0},
        { 0.0,  1.0, 1, pi / 2},
        {-1.0,  0.0, 2, pi},
        {-1.0,  1.0, 2, 3 * pi / 4},
        {-1.0, -1.0, 3, 5 * pi / 4},
        { 0.0, -1.0, 4, 3 * pi / 2},
        { 1.0, -1.0, 4, 7 * pi / 4},
    };
    for (const Case& c : cases) {
        double angle = -1.0;
        EXPECT_EQ(zmlibGeo_getCircleQuadrant(&angle, c.dx, c.dy), c.quadrant) << c.dx << "," << c.dy;
        EXPECT_NEAR(angle, c.angle, eps) << c.dx << "," << c.dy;
    }
}

TEST(GeoQuadrant, AngleStaysBelowFullTurnForTinyNegativeDy) {
    double angle = -1.0;
    EXPECT_EQ(zmlibGeo_getCircleQuadrant(&angle, 1.0, -1e-300), 4);
    EXPECT_GE(angle, 0.0);
    EXPECT_LT(angle, 2 * pi);
}

TEST(GeoRotation, LocalToGlobalUndoesGlobalToLocal) {
    double x, y;
    zmlibGeo_coordGlobalToLocal(&x, &y, 1.0, 0.0, pi / 2);
    EXPECT_NEAR(x, 0.0, eps);
    EXPECT_NEAR(y, -1.0, eps);
    /* outputs may alias the inputs' sources */
    zmlibGeo_coordLocalToGlobal(&x, &y, x, y, pi / 2);
    EXPECT_NEAR(x, 1.0, eps);
    EXPECT_NEAR(y, 0.0, eps);
}

TEST(GeoCircleCenter, SignOfRadiusPicksTheSide) {
    double cx = 9, cy = 9;
    EXPECT_EQ(zmlibGeo_getCircleCenter(&cx, &cy, 0, 0, 2, 0, 2), ZMLIB_SUCCESS);
    EXPECT_NEAR(cx, 1.0, eps);
    EXPECT_NEAR(cy, std::sqrt(3.0), eps);
    EXPECT_EQ(zmlibGeo_getCircleCenter(&cx, &cy, 0, 0, 2, 0, -2), ZMLIB_SUCCESS);
    EXPECT_NEAR(cx, 1.0, eps);
    EXPECT_NEAR(cy, -std::sqrt(3.0), eps);
    /* a half circle: chord equal to the diameter */
    EXPECT_EQ(zmlibGeo_getCircleCenter(&cx, &cy, 0, 0, 2, 0, 1), ZMLIB_SUCCESS);
    EXPECT_NEAR(cx, 1.0, eps);
    EXPECT_NEAR(cy, 0.0, eps);
}

TEST(GeoCircleCenter, FailuresTouchOrZeroTheOutputsAsDocumented) {
    double cx = 7, cy = 8;
    EXPECT_EQ(zmlibGeo_getCircleCenter(&cx, &cy, 0, 0, 2, 0, 0), ZMLIB_ERROR);
    EXPECT_EQ(cx, 7.0);
    EXPECT_EQ(cy, 8.0);
    EXPECT_EQ(zmlibGeo_getCircleCenter(&cx, &cy, 3, 4, 3, 4, 5), ZMLIB_ERROR);
    EXPECT_EQ(cx, 0.0);
    EXPECT_EQ(cy, 0.0);
    /* chord longer than the diameter: no circle, and no NaN */
    cx = cy = 7;
    EXPECT_EQ(zmlibGeo_getCircleCenter(&cx, &cy, 0, 0, 10, 0, 2), ZMLIB_ERROR);
    EXPECT_EQ(cx, 0.0);
    EXPECT_EQ(cy, 0.0);
}

TEST(GeoElementType, RadiiAndParameterSelectTheKind) {
    EXPECT_EQ(zmlibGeo_getElementType(0, 5, 0), ZMLIB_GEO_LINE);
    EXPECT_EQ(zmlibGeo_getElementType(5, 0, 0), ZMLIB_GEO_ARC);
    EXPECT_EQ(zmlibGeo_getElementType(100, 100, 50), ZMLIB_GEO_LINE);
    EXPECT_EQ(zmlibGeo_getElementType(0, 100, 50), ZMLIB_GEO_CLOTHOID);
}

TEST(GeoLineCoord, EndIsAcceptedAndBeyondZeroesThePoint) {
    double x = 9, y = 9, a = 9;
    EXPECT_EQ(zmlibGeo_getLineCoord(&x, &y, &a, 1, 1, 4, 5, 5.0), ZMLIB_SUCCESS);
    EXPECT_EQ(x, 4.0);
    EXPECT_EQ(y, 5.0);
    EXPECT_NEAR(a, std::atan2(4.0, 3.0), eps);
    EXPECT_EQ(zmlibGeo_getLineCoord(&x, &y, &a, 1, 1, 4, 5, 2.5), ZMLIB_SUCCESS);
    EXPECT_NEAR(x, 2.5, eps);
    EXPECT_NEAR(y, 3.0, eps);

    a = 42;
    EXPECT_EQ(zmlibGeo_getLineCoord(&x, &y, &a, 1, 1, 4, 5, 5.0 + 1e-9), ZMLIB_ERROR);
    EXPECT_EQ(x, 0.0);
    EXPECT_EQ(y, 0.0);
    EXPECT_EQ(a, 42.0);
    EXPECT_EQ(zmlibGeo_getLineCoord(&x, &y, &a, 1, 1, 4, 5, -0.1), ZMLIB_ERROR);
    EXPECT_EQ(zmlibGeo_getLineCoord(&x, &y, &a, 1, 1, 1, 1, 0.0), ZMLIB_ERROR);
}

TEST(GeoCircleCoord, QuarterArcStartMiddleAndEnd) {
    double x, y, a;
    EXPECT_EQ(zmlibGeo_getCircleCoord(&x, &y, &a, 1, 0, 0, 1, 1.0, 0.0), ZMLIB_SUCCESS);
    EXPECT_NEAR(x, 1.0, eps);
    EXPECT_NEAR(y, 0.0, eps);
    EXPECT_NEAR(a, pi / 2, eps);
    EXPECT_EQ(zmlibGeo_getCircleCoord(&x, &y, &a, 1, 0, 0, 1, 1.0, pi / 4), ZMLIB_SUCCESS);
    EXPECT_NEAR(x, std::sqrt(0.5), eps);
    EXPECT_NEAR(y, std::sqrt(0.5), eps);
    EXPECT_NEAR(a, 3 * pi / 4, eps);
    EXPECT_EQ(zmlibGeo_getCircleCoord(&x, &y, &a, 1, 0, 0, 1, 1.0, pi / 2), ZMLIB_SUCCESS);
    EXPECT_NEAR(x, 0.0, eps);
    EXPECT_NEAR(y, 1.0, eps);
}

TEST(GeoCircleCoord, ClockwiseArcRunsTheOtherWay) {
    /* from (0, 1) to (1, 0) turning right around the origin */
    double x, y, a;
    EXPECT_EQ(zmlibGeo_getCircleCoord(&x, &y, &a, 0, 1, 1, 0, -1.0, pi / 4), ZMLIB_SUCCESS);
    EXPECT_NEAR(x, std::sqrt(0.5), eps);
    EXPECT_NEAR(y, std::sqrt(0.5), eps);
    /* tangent at (0, 1) heading +x is 0 (kept as 2*pi), minus the turned angle */
    EXPECT_NEAR(std::fmod(a, 2 * pi), 2 * pi - pi / 4, eps);
    EXPECT_EQ(zmlibGeo_getCircleCoord(&x, &y, &a, 0, 1, 1, 0, -1.0, pi / 2 + 1e-6), ZMLIB_ERROR);
}

TEST(GeoCircleCoord, ArcAcrossZeroDegreesHasOnlyTheShortLength) {
    const double r = 10.0, a1 = -10.0 * pi / 180, a2 = 10.0 * pi / 180;
    double x1 = r * std::cos(a1), y1 = r * std::sin(a1), x2 = r * std::cos(a2), y2 = r * std::sin(a2);
    const double length = r * 20.0 * pi / 180;
    double x, y, a;
    EXPECT_EQ(zmlibGeo_getCircleCoord(&x, &y, &a, x1, y1, x2, y2, r, length), ZMLIB_SUCCESS);
    EXPECT_NEAR(x, x2, 1e-7);
    EXPECT_NEAR(y, y2, 1e-7);
    EXPECT_EQ(zmlibGeo_getCircleCoord(&x, &y, &a, x1, y1, x2, y2, r, length / 2), ZMLIB_SUCCESS);
    EXPECT_NEAR(x, r, 1e-7);
    EXPECT_NEAR(y, 0.0, 1e-7);
    EXPECT_EQ(zmlibGeo_getCircleCoord(&x, &y, &a, x1, y1, x2, y2, r, length * 1.001), ZMLIB_ERROR);
}

TEST(GeoCircleCoord, RefusedArcsLeaveOrZeroTheOutputs) {
    double x = 5, y = 6, a = 7;
    EXPECT_EQ(zmlibGeo_getCircleCoord(&x, &y, &a, 1, 0, 0, 1, 0.0, 0.0), ZMLIB_ERROR);
    EXPECT_EQ(x, 5.0);
    EXPECT_EQ(a, 7.0);
    /* the same point twice has no centre: no made-up point on a circle round the origin */
    EXPECT_EQ(zmlibGeo_getCircleCoord(&x, &y, &a, 3, 3, 3, 3, 1.0, 0.0), ZMLIB_ERROR);
    EXPECT_EQ(x, 0.0);
    EXPECT_EQ(y, 0.0);
    EXPECT_EQ(zmlibGeo_getCircleCoord(&x, &y, &a, 0, 0, 10, 0, 1.0, 0.0), ZMLIB_ERROR);
}

TEST(GeoElementCoord, DispatchesByKind) {
    double x, y, a;
    EXPECT_EQ(zmlibGeo_getElementCoord(&x, &y, &a, 0, 0, 10, 0, 0, 0, 0, 4), ZMLIB_SUCCESS);
    EXPECT_NEAR(x, 4.0, eps);
    EXPECT_EQ(zmlibGeo_getElementCoord(&x, &y, &a, 1, 0, 0, 1, 1, 0, 0, pi / 4), ZMLIB_SUCCESS);
    EXPECT_NEAR(x, std::sqrt(0.5), eps);
    EXPECT_EQ(zmlibGeo_getElementCoord(&x, &y, &a, 0, 0, 97.529, 16.371, 0, 100, 100, 0), ZMLIB_SUCCESS);
    EXPECT_NEAR(x, 0.0, eps);
    EXPECT_EQ(zmlibGeo_getElementCoord(&x, &y, &a, 0, 0, 10, 0, 0, 0, 0, 11), ZMLIB_ERROR);
}

TEST(GeoFillet, RightAngleTurningLeftAndRight) {
    Dpoint3d p[5] = {{0, 0, 0}, {10, 0, 0}, {10, 0, 0}, {10, 10, 0}, {0, 0, 33}};
    zmlibGeo_createFillet(p, 2.0);
    EXPECT_NEAR(p[1].x, 8.0, eps);
    EXPECT_NEAR(p[1].y, 0.0, eps);
    EXPECT_NEAR(p[2].x, 10.0, eps);
    EXPECT_NEAR(p[2].y, 2.0, eps);
    EXPECT_NEAR(p[4].x, 8.0, eps);
    EXPECT_NEAR(p[4].y, 2.0, eps);
    EXPECT_EQ(p[4].z, 33.0);

    Dpoint3d q[5] = {{0, 0, 0}, {10, 0, 0}, {10, 0, 0}, {10, -10, 0}, {0, 0, 0}};
    zmlibGeo_createFillet(q, 2.0);
    EXPECT_NEAR(q[2].y, -2.0, eps);
    EXPECT_NEAR(q[4].x, 8.0, eps);
    EXPECT_NEAR(q[4].y, -2.0, eps);
}

TEST(GeoFillet, TurnAcrossTheNegativeXAxisStaysOnTheInside) {
    /* heading 170 degrees then -170 degrees: a 20 degree left turn whose raw
    ** angle difference is -340 degrees */
    const double t1 = 170 * pi / 180, t2 = -170 * pi / 180;
    Dpoint3d p[5] = {{10 * -std::cos(t1), 10 * -std::sin(t1), 0}, {0, 0, 0}, {0, 0, 0},
                     {10 * std::cos(t2), 10 * std::sin(t2), 0}, {0, 0, 0}};
    zmlibGeo_createFillet(p, 5.0);
    /* the centre is as far from both tangent points as the radius */
    EXPECT_NEAR(std::hypot(p[4].x - p[1].x, p[4].y - p[1].y), 5.0, eps);
    EXPECT_NEAR(std::hypot(p[4].x - p[2].x, p[4].y - p[2].y), 5.0, eps);
    EXPECT_LT(p[4].y, 0.0); /* left of a westward line lies south */
}

TEST(GeoTrim, PositiveShortensNegativeLengthensZeroLengthStays) {
    Dpoint3d line[2] = {{0, 0, 0}, {0, 0, 10}};
    zmlibGeo_trimVector(line, 1.0, -2.0);
    EXPECT_NEAR(line[0].z, 1.0, eps);
    EXPECT_NEAR(line[1].z, 12.0, eps);
    Dpoint3d dot[2] = {{1, 2, 3}, {1, 2, 3}};
    zmlibGeo_trimVector(dot, 1.0, 1.0);
    EXPECT_EQ(dot[0].x, 1.0);
    EXPECT_EQ(dot[1].z, 3.0);
}

TEST(GeoLinear, SlopeFormAndItsFailures) {
    double a = 9, b = 9;
    EXPECT_EQ(zmlibGeo_getLinearAB(&a, &b, 1, 3, 3, 7), ZMLIB_SUCCESS);
    EXPECT_NEAR(a, 2.0, eps);
    EXPECT_NEAR(b, 1.0, eps);
    EXPECT_EQ(zmlibGeo_getLinearAB(&a, &b, 1, 3, 1, 3), ZMLIB_ERROR);
    EXPECT_EQ(a, 0.0);
    EXPECT_EQ(b, 0.0);
    a = b = 9;
    EXPECT_EQ(zmlibGeo_getLinearAB(&a, &b, 1, 3, 1, 7), ZMLIB_ERROR); /* vertical: no slope */
    EXPECT_EQ(a, 0.0);
}

TEST(GeoLinear, RangeCodesOfDescendingAndEqualEnds) {
    double y;
    EXPECT_EQ(zmlibGeo_getLinearY(&y, 5, 0, 1, 4, 0.0), ZMLIB_GEO_BELOW);
    EXPECT_NEAR(y, 5.0, eps);
    EXPECT_EQ(zmlibGeo_getLinearY(&y, 5, 0, 1, 4, 6.0), ZMLIB_GEO_ABOVE);
    EXPECT_EQ(zmlibGeo_getLinearY(&y, 5, 0, 1, 4, 3.0), ZMLIB_GEO_WITHIN);
    EXPECT_NEAR(y, 2.0, eps);
    EXPECT_EQ(zmlibGeo_getLinearY(&y, 5, 0, 1, 4, 5.0), ZMLIB_GEO_WITHIN);
    EXPECT_EQ(geo::rangeCode(-100, 3, 3), ZMLIB_GEO_WITHIN);
    EXPECT_EQ(geo::rangeCode(100, 3, 3), ZMLIB_GEO_WITHIN);
    EXPECT_EQ(geo::rangeCode(0, 1, 5), ZMLIB_GEO_BELOW);
    EXPECT_EQ(geo::rangeCode(6, 1, 5), ZMLIB_GEO_ABOVE);
}

TEST(GeoLinear, HorizontalAndVerticalLines) {
    double x = 9;
    EXPECT_EQ(zmlibGeo_getLinearX(&x, 0, 2, 5, 2, 2.0), ZMLIB_ERROR);
    EXPECT_EQ(zmlibGeo_getLinearX(&x, 1, 2, 3, 6, 4.0), ZMLIB_GEO_WITHIN);
    EXPECT_NEAR(x, 2.0, eps);
    /* a vertical line has its own x at every y, and no single y */
    EXPECT_EQ(zmlibGeo_getLinearX(&x, 4, 0, 4, 10, 12.0), ZMLIB_GEO_ABOVE);
    EXPECT_EQ(x, 4.0);
    double y = 9;
    EXPECT_EQ(zmlibGeo_getLinearY(&y, 4, 0, 4, 10, 4.0), ZMLIB_ERROR);
    EXPECT_EQ(y, 9.0);
}

TEST(GeoCircleValue, RootBySignOfRadiusAndRangeCode) {
    /* quarter arc of radius 1 round the origin from (1, 0) to (0, 1) */
    double x = 9, y = 9;
    EXPECT_EQ(zmlibGeo_getCircleX(&x, 1, 0, 0, 1, 1.0, 0.5), ZMLIB_GEO_WITHIN);
    EXPECT_NEAR(x, std::sqrt(0.75), eps);
    EXPECT_EQ(zmlibGeo_getCircleY(&y, 1, 0, 0, 1, 1.0, 0.5), ZMLIB_GEO_WITHIN);
    EXPECT_NEAR(y, std::sqrt(0.75), eps);
    EXPECT_EQ(zmlibGeo_getCircleY(&y, 1, 0, 0, 1, 1.0, -0.5), ZMLIB_GEO_BELOW);
    /* clockwise arc (0, -1) -> (-1, 0) round the origin: the lower root */
    EXPECT_EQ(zmlibGeo_getCircleY(&y, 0, -1, -1, 0, -1.0, -0.5), ZMLIB_GEO_WITHIN);
    EXPECT_NEAR(y, -std::sqrt(0.75), eps);
}

TEST(GeoCircleValue, MissedCircleAndMissingCentreAreRefused) {
    double x = 9, y = 9;
    EXPECT_EQ(zmlibGeo_getCircleX(&x, 1, 0, 0, 1, 1.0, 1.5), ZMLIB_ERROR);
    EXPECT_EQ(x, 9.0);
    EXPECT_EQ(zmlibGeo_getCircleY(&y, 1, 0, 0, 1, 1.0, -2.0), ZMLIB_ERROR);
    EXPECT_EQ(zmlibGeo_getCircleY(&y, 1, 0, 0, 1, 0.0, 0.5), ZMLIB_ERROR);
    EXPECT_EQ(zmlibGeo_getCircleY(&y, 1, 1, 1, 1, 2.0, 0.5), ZMLIB_ERROR);
    EXPECT_EQ(y, 9.0);
    /* touching the circle at its top is no miss */
    EXPECT_EQ(zmlibGeo_getCircleX(&x, 1, 0, 0, 1, 1.0, 1.0), ZMLIB_GEO_WITHIN);
    EXPECT_NEAR(x, 0.0, 1e-6);
}

}  // namespace
