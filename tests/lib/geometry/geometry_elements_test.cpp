/* Geometry routines that build elements or need the library's allocator. */
#include <array>
#include <cmath>
#include <initializer_list>
#include <numbers>
#include <vector>

#include "host/mdlelement.h"
#include "host/mdltext.h"
#include "lib/core/core_fixture.h"
#include "lib/geometry/clothoid.h"
#include "lib/geometry/geo.h"
#include "lib/geometry/geo_int.h"

namespace {

using GeoElements = CoreTest;

std::vector<Dpoint3d> strokes(const MSElement* element) {
    Dpoint3d* points = nullptr;
    int count = 0;
    EXPECT_EQ(mdlElement_stroke(&points, &count, element, 0.001), HOST_SUCCESS);
    std::vector<Dpoint3d> out(points, points + count);
    dlmSystem_mdlFree(points);
    return out;
}

TEST_F(GeoElements, LineScalesOnlyY) {
    static MSElement element;
    ASSERT_EQ(zmlibGeo_createLineByEndpoints(&element, 0, 1, 5, 2, 10), ZMLIB_SUCCESS);
    EXPECT_EQ(mdlElement_getType(&element), LINE_ELM);
    std::vector<Dpoint3d> p = strokes(&element);
    ASSERT_EQ(p.size(), 2u);
    EXPECT_DOUBLE_EQ(p[0].x, 0.0);
    EXPECT_DOUBLE_EQ(p[0].y, 10.0);
    EXPECT_DOUBLE_EQ(p[1].x, 5.0);
    EXPECT_DOUBLE_EQ(p[1].y, 20.0);
}

TEST_F(GeoElements, ArcRunsFromP1ToP2OnTheScaledCircle) {
    static MSElement element;
    /* quarter circle (1, 0) -> (0, 1) about the origin, drawn with y doubled */
    ASSERT_EQ(zmlibGeo_createArcByEndpoints(&element, 2, 0, 0, 1, 1, 2), ZMLIB_SUCCESS);
    EXPECT_EQ(mdlElement_getType(&element), ARC_ELM);
    std::vector<Dpoint3d> p = strokes(&element);
    ASSERT_GE(p.size(), 3u);
    EXPECT_NEAR(p.front().x, 2.0, 1e-9);
    EXPECT_NEAR(p.front().y, 0.0, 1e-9);
    EXPECT_NEAR(p.back().x, 0.0, 1e-9);
    EXPECT_NEAR(p.back().y, 2.0, 1e-9);
    for (const Dpoint3d& q : p) EXPECT_NEAR(std::hypot(q.x, q.y), 2.0, 1e-9);
    EXPECT_GT(p[p.size() / 2].x, 0.5); /* the short arc, not the three-quarter one */

    /* clockwise: the same points the other way round stay on the short arc */
    ASSERT_EQ(zmlibGeo_createArcByEndpoints(&element, 0, 1, 2, 0, -1, 2), ZMLIB_SUCCESS);
    p = strokes(&element);
    EXPECT_NEAR(p.front().y, 2.0, 1e-9);
    EXPECT_NEAR(p.back().x, 2.0, 1e-9);
    EXPECT_GT(p[p.size() / 2].y, 0.5);
}

TEST_F(GeoElements, ArcWithoutCentreLeavesTheElement) {
    static MSElement element;
    ASSERT_EQ(zmlibGeo_createLineByEndpoints(&element, 0, 0, 1, 1, 1), ZMLIB_SUCCESS);
    EXPECT_EQ(zmlibGeo_createArcByEndpoints(&element, 0, 0, 10, 0, 1, 1), ZMLIB_ERROR);
    EXPECT_EQ(zmlibGeo_createArcByEndpoints(&element, 3, 3, 3, 3, 1, 1), ZMLIB_ERROR);
    EXPECT_EQ(zmlibGeo_createArcByEndpoints(&element, 0, 0, 1, 0, 0, 1), ZMLIB_ERROR);
    EXPECT_EQ(mdlElement_getType(&element), LINE_ELM);
}

TEST_F(GeoElements, BsplineClothoidByEndpointsThroughTheLibraryAllocator) {
    MdlDesc* a = startApp("ALPHA");
    sim::CurrentApplicationScope scope(a);
    BsplineCurve curve;
    ASSERT_EQ(zmlibGeo_createKlotoideByEndpoints(&curve, 12, 4, 5, 5, 5, 105, 0, 100, 100), HOST_SUCCESS);
    EXPECT_EQ(curve.params.numPoles, 12);
    EXPECT_EQ(curve.poles[0].x, 5.0);
    EXPECT_NEAR(std::hypot(curve.poles[11].x - 5, curve.poles[11].y - 5), std::hypot(97.529, 16.371), 1e-3);
    EXPECT_NEAR(curve.poles[11].x, 5.0, 1e-9);
    mdlBspline_freeCurve(&curve);

    ASSERT_EQ(zmlibGeo_createKlotoideByTangent(&curve, 12, 4, 5, 5, 5, 6, 0, 100, 100), HOST_SUCCESS);
    EXPECT_NEAR(curve.poles[1].x, 5.0, 1e-3); /* leaves P1 along the tangent */
    mdlBspline_freeCurve(&curve);

    EXPECT_EQ(zmlibGeo_createKlotoideByTangent(&curve, 3, 4, 0, 0, 1, 0, 0, 100, 100), HOST_ERROR);
}

TEST_F(GeoElements, BsplineClothoidWithoutMemoryTellsTheUser) {
    MdlDesc* a = startApp("ALPHA");
    sim::CurrentApplicationScope scope(a);
    BsplineCurve curve;
    sim::failAllocations(1);
    EXPECT_EQ(zmlibGeo_createKlotoideByEndpoints(&curve, 12, 4, 0, 0, 1, 0, 0, 100, 100), ZMLIB_ERROR);
    EXPECT_EQ(boxText(), "Out of memory\n");
    EXPECT_EQ(curve.display.curveDisplay, 1);
    EXPECT_EQ(curve.params.order, 4);
    EXPECT_EQ(curve.params.numPoles, 12);
    EXPECT_EQ(curve.poles, nullptr);
    EXPECT_TRUE(a->alive);
}

/* A descriptor chain of lines given by their end points. */
MSElementDescr* chainOf(std::initializer_list<std::array<double, 4>> lines) {
    static MSElement element;
    MSElementDescr* descr = nullptr;
    for (const auto& l : lines) {
        Dpoint3d p[2] = {{l[0], l[1], 0}, {l[2], l[3], 0}};
        EXPECT_EQ(mdlLine_create(&element, nullptr, p), HOST_SUCCESS);
        if (!descr)
            EXPECT_EQ(mdlElmdscr_new(&descr, nullptr, &element), HOST_SUCCESS);
        else
            EXPECT_EQ(mdlElmdscr_appendElement(descr, &element), HOST_SUCCESS);
    }
    return descr;
}

TEST_F(GeoElements, NearestPointPicksTheNearerLineAndItsDirection) {
    MdlDesc* a = startApp("ALPHA");
    sim::CurrentApplicationScope scope(a);
    MSElementDescr* d = chainOf({{0, 0, 10, 0}, {20, 0, 20, 10}});
    Dpoint3d p{18, 5, 0};
    double* direction = zmlibGeo_getNearestPointP(&p, d, 1);
    EXPECT_NEAR(p.x, 20.0, 1e-9);
    EXPECT_NEAR(p.y, 5.0, 1e-9);
    EXPECT_NEAR(*direction, std::numbers::pi / 2, 1e-9);

    /* no element of a searched class: the point stays, the direction is reset */
    p = Dpoint3d{18, 5, 0};
    EXPECT_EQ(zmlibGeo_getNearestPointP(&p, d, 1 << 3), direction);
    EXPECT_EQ(p.x, 18.0);
    EXPECT_EQ(*direction, 0.0);
    mdlElmdscr_freeAll(&d);
}

TEST_F(GeoElements, NearestPointTieGoesToTheFirstElement) {
    MdlDesc* a = startApp("ALPHA");
    sim::CurrentApplicationScope scope(a);
    MSElementDescr* d = chainOf({{0, 0, 10, 0}, {10, 10, 0, 10}});
    Dpoint3d p{5, 5, 0};
    double direction = *zmlibGeo_getNearestPointP(&p, d, 1);
    EXPECT_NEAR(p.y, 0.0, 1e-9);
    EXPECT_NEAR(direction, 0.0, 1e-9);
    mdlElmdscr_freeAll(&d);

    d = chainOf({{10, 10, 0, 10}, {0, 0, 10, 0}});
    p = Dpoint3d{5, 5, 0};
    direction = *zmlibGeo_getNearestPointP(&p, d, 1);
    EXPECT_NEAR(p.y, 10.0, 1e-9);
    EXPECT_NEAR(direction, std::numbers::pi, 1e-9);
    mdlElmdscr_freeAll(&d);
}

}  // namespace
