#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "host/mdlbspline.h"
#include "host/sim/base/base.h"

namespace {

BsplineCurve curveOf(int order, int poles) {
    BsplineCurve c{};
    c.params.order = order;
    c.params.numPoles = poles;
    return c;
}

double cubic(double x) { return x * x * x - x; }

std::vector<Dpoint3d> cubicPoints(int n, std::vector<double>* params) {
    std::vector<Dpoint3d> pts;
    for (int i = 0; i < n; ++i) {
        double x = -1.0 + 2.0 * i / (n - 1);
        pts.push_back({x, cubic(x), 2.0 * x});
        if (params) params->push_back(x);
    }
    return pts;
}

TEST(SimBspline, FitOfPointsOnACubicReproducesIt) {
    for (int poles : {4, 6, 9}) {
        std::vector<double> t;
        std::vector<Dpoint3d> pts = cubicPoints(40, &t);
        BsplineCurve c = curveOf(4, poles);
        double average = -1, maximum = -1;
        ASSERT_EQ(mdlBspline_leastSquaresToCurve(&c, &average, &maximum, pts.data(), t.data(), 40), HOST_SUCCESS);
        EXPECT_LT(maximum, 1e-12) << poles;
        EXPECT_LE(average, maximum);
        /* between the given points as well: parameter u is x = 2u - 1 */
        for (double u = 0.0; u <= 1.0; u += 0.0625) {
            Dpoint3d p;
            ASSERT_EQ(mdlBspline_evaluateCurvePoint(&p, &c, u), HOST_SUCCESS);
            double x = 2.0 * u - 1.0;
            EXPECT_NEAR(p.x, x, 1e-12);
            EXPECT_NEAR(p.y, cubic(x), 1e-12);
            EXPECT_NEAR(p.z, 2.0 * x, 1e-12);
        }
        mdlBspline_freeCurve(&c);
    }
}

TEST(SimBspline, RecordHoldsClampedKnotsAndEndPoles) {
    std::vector<Dpoint3d> pts = cubicPoints(25, nullptr);
    BsplineCurve c = curveOf(3, 7);
    ASSERT_EQ(mdlBspline_leastSquaresToCurve(&c, nullptr, nullptr, pts.data(), nullptr, 25), HOST_SUCCESS);
    EXPECT_EQ(c.params.order, 3);
    EXPECT_EQ(c.params.numPoles, 7);
    EXPECT_EQ(c.params.numKnots, 4);
    EXPECT_EQ(c.rational, 0);
    EXPECT_EQ(c.weights, nullptr);
    ASSERT_NE(c.knots, nullptr);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(c.knots[i], 0.0);
        EXPECT_EQ(c.knots[7 + i], 1.0);
    }
    for (int i = 1; i < 10; ++i) EXPECT_LE(c.knots[i - 1], c.knots[i]);
    EXPECT_EQ(c.poles[0].x, pts.front().x);
    EXPECT_EQ(c.poles[6].y, pts.back().y);
    mdlBspline_freeCurve(&c);
    EXPECT_EQ(c.poles, nullptr);
    EXPECT_EQ(c.knots, nullptr);
}

TEST(SimBspline, AsManyPolesAsPointsInterpolates) {
    std::vector<Dpoint3d> pts;
    for (int i = 0; i < 12; ++i) pts.push_back({std::cos(i * 0.4) * 50, std::sin(i * 0.4) * 50, 0});
    for (int order : {2, 3, 4, 6}) {
        BsplineCurve c = curveOf(order, 12);
        double average = -1, maximum = -1;
        ASSERT_EQ(mdlBspline_leastSquaresToCurve(&c, &average, &maximum, pts.data(), nullptr, 12), HOST_SUCCESS);
        EXPECT_LT(maximum, 1e-9) << order;
        mdlBspline_freeCurve(&c);
    }
}

TEST(SimBspline, ApproximationReportsItsDistances) {
    /* a zig-zag that five poles of order 3 cannot follow */
    std::vector<Dpoint3d> pts;
    for (int i = 0; i < 30; ++i) pts.push_back({double(i), (i % 2) ? 1.0 : -1.0, 0});
    BsplineCurve c = curveOf(3, 5);
    double average = -1, maximum = -1;
    ASSERT_EQ(mdlBspline_leastSquaresToCurve(&c, &average, &maximum, pts.data(), nullptr, 30), HOST_SUCCESS);
    EXPECT_GT(average, 0.5);
    EXPECT_LE(average, maximum);
    EXPECT_LT(maximum, 2.1);
    mdlBspline_freeCurve(&c);
}

TEST(SimBspline, BadArgumentsAreRefusedWithNothingAllocated) {
    std::vector<double> t;
    std::vector<Dpoint3d> pts = cubicPoints(10, &t);
    struct Case { int order, poles, points; };
    static const Case cases[] = {
        {1, 4, 10},   /* order below 2 */
        {27, 30, 40}, /* order above the largest */
        {4, 3, 10},   /* fewer poles than the order */
        {4, 11, 10},  /* more poles than points */
        {2, 2, 1},    /* a single point */
        {4, 4, -5},   /* a negative point count */
    };
    for (const Case& k : cases) {
        BsplineCurve c = curveOf(k.order, k.poles);
        EXPECT_EQ(mdlBspline_leastSquaresToCurve(&c, nullptr, nullptr, pts.data(), nullptr, k.points), HOST_ERROR)
            << k.order << " " << k.poles << " " << k.points;
        EXPECT_EQ(c.poles, nullptr);
        EXPECT_EQ(c.knots, nullptr);
    }
    BsplineCurve c = curveOf(4, 4);
    EXPECT_EQ(mdlBspline_leastSquaresToCurve(nullptr, nullptr, nullptr, pts.data(), nullptr, 10), HOST_ERROR);
    EXPECT_EQ(mdlBspline_leastSquaresToCurve(&c, nullptr, nullptr, nullptr, nullptr, 10), HOST_ERROR);

    std::vector<double> backwards = t;
    std::swap(backwards[3], backwards[4]);
    EXPECT_EQ(mdlBspline_leastSquaresToCurve(&c, nullptr, nullptr, pts.data(), backwards.data(), 10), HOST_ERROR);
    std::vector<double> flat(10, 0.5);
    EXPECT_EQ(mdlBspline_leastSquaresToCurve(&c, nullptr, nullptr, pts.data(), flat.data(), 10), HOST_ERROR);

    std::vector<Dpoint3d> same(10, Dpoint3d{1, 2, 3});
    EXPECT_EQ(mdlBspline_leastSquaresToCurve(&c, nullptr, nullptr, same.data(), nullptr, 10), HOST_ERROR);
    pts[5].y = std::nan("");
    EXPECT_EQ(mdlBspline_leastSquaresToCurve(&c, nullptr, nullptr, pts.data(), nullptr, 10), HOST_ERROR);
    EXPECT_EQ(c.poles, nullptr);

    Dpoint3d p;
    EXPECT_EQ(mdlBspline_evaluateCurvePoint(&p, &c, 0.5), HOST_ERROR);
}

TEST(SimBspline, PointsThatLeaveAPoleOpenAreRefused) {
    /* two points at one parameter: interpolation through four points has
    ** only three distinct conditions */
    std::vector<Dpoint3d> pts = {{0, 0, 0}, {1, 0, 0}, {1, 0, 0}, {2, 0, 0}};
    BsplineCurve c = curveOf(2, 4);
    EXPECT_EQ(mdlBspline_leastSquaresToCurve(&c, nullptr, nullptr, pts.data(), nullptr, 4), HOST_ERROR);
    EXPECT_EQ(c.poles, nullptr);
}

TEST(SimBspline, AllocationFailureIsRefusedAndLeaksNothing) {
    std::vector<Dpoint3d> pts = cubicPoints(10, nullptr);
    for (int skip : {0, 1}) {
        BsplineCurve c = curveOf(4, 6);
        sim::failAllocations(1, skip);
        EXPECT_EQ(mdlBspline_leastSquaresToCurve(&c, nullptr, nullptr, pts.data(), nullptr, 10), HOST_ERROR);
        EXPECT_EQ(sim::failedAllocations(), 1);
        sim::failAllocations(0);
        EXPECT_EQ(c.poles, nullptr);
        EXPECT_EQ(c.knots, nullptr);
    }
}

}  // namespace
