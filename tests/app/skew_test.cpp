#include "app/skew.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <numbers>

#include "app/dimdraw.h"
#include "app/dimrecord.h"
#include "app/dimtext.h"
#include "app_fixture.h"
#include "host/mdlelement.h"
#include "host/mdlgeom.h"
#include "host/mdllevel.h"
#include "host/mdlview.h"
#include "host/sim/design/design.h"
#include "host/sim/interaction/interaction.h"
#include "host/sim/display/display.h"
#include "lib/core/plotscale.h"

namespace {

constexpr double PI = std::numbers::pi;
constexpr double UOR = 1000.0; /* UORs per master unit of a new design file */

Dpoint3d at(double xMaster, double yMaster) { return {xMaster * UOR, yMaster * UOR, 0}; }
double radians(double degrees) { return degrees * PI / 180; }

/* True when X lies on the line through A at DEGREES. */
bool onRay(const Dpoint3d& x, const Dpoint3d& a, double degrees) {
    double c = std::cos(radians(degrees)), s = std::sin(radians(degrees));
    return std::fabs((x.x - a.x) * s - (x.y - a.y) * c) < 1e-3;
}

/* Direction of the line through A and B, folded into [0, 180) degrees. */
double lineDegrees(const Dpoint3d& a, const Dpoint3d& b) {
    double d = std::atan2(b.y - a.y, b.x - a.x) * 180 / PI;
    while (d < 0) d += 180;
    while (d >= 180) d -= 180;
    return d;
}

/* One stored element: type, graphic group, symbology and vertices. */
struct Stored {
    int type;
    uint32_t group, colour, weight;
    std::vector<Dpoint3d> points;
};

class SkewTest : public AppTest {
protected:
    std::unique_ptr<sim::CurrentApplicationScope> scope;
    std::string design;

    void SetUp() override {
        AppTest::SetUp();
        start();
        design = dir + "/skew.dgn";
        std::string error;
        ASSERT_TRUE(sim::design::open(design, true, error)) << error;
        scope = std::make_unique<sim::CurrentApplicationScope>(app);
        tarvik().settings->hatchAngle = 30;
        tarvik().settings->hatchSpacing = 2.0;
        ASSERT_EQ(zmlibPlotScale_setActiveScale(1.0, 0), 0);
    }
    void TearDown() override {
        scope.reset();
        AppTest::TearDown();
    }
    /* Make the line from A to B the located one, as the locate filter leaves it. */
    static void locate(Dpoint3d a, Dpoint3d b) {
        WorkingState* gd = tarvik().gd;
        gd->locatedAngle = skew_orderEnds(&a, &b);
        gd->baseOrigin = a;
        gd->locatedEnd = b;
    }
    static std::vector<Stored> stored() {
        std::vector<Stored> out;
        auto element = std::make_unique<MSElement>();
        for (uint32_t pos = 1; mdlElement_read(element.get(), nullptr, pos) == 0; ++pos) {
            Stored s{mdlElement_getType(element.get()), 0, 0, 0, {}};
            mdlElement_getProperties(nullptr, &s.group, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                                     element.get());
            mdlElement_getSymbology(&s.colour, &s.weight, nullptr, element.get());
            Dpoint3d p[8];
            int count = 0;
            if (mdlLinear_extract(p, &count, element.get(), nullptr) == 0) s.points.assign(p, p + count);
            out.push_back(s);
        }
        return out;
    }
    static std::vector<Stored> ofType(const std::vector<Stored>& all, int type) {
        std::vector<Stored> out;
        std::copy_if(all.begin(), all.end(), std::back_inserter(out), [type](const Stored& s) { return s.type == type; });
        return out;
    }
    /* Add a line from A to B (master units) to the design. */
    static void addLine(Dpoint3d a, Dpoint3d b) {
        auto line = std::make_unique<MSElement>();
        Dpoint3d points[2] = {a, b};
        ASSERT_EQ(mdlLine_create(line.get(), nullptr, points), 0);
        ASSERT_NE(mdlElement_add(line.get()), 0u);
    }
};

/* ---- Triangle tables ----------------------------------------------------------------------- */

TEST_F(SkewTest, TrianglesOfAFlatLineFollowTheCursorSide) {
    Dpoint3d p = at(0, 0), q = at(100, 20);
    locate(p, q);
    double b = tarvik().gd->locatedAngle;
    EXPECT_NEAR(b, std::atan2(20, 100), 1e-12);
    Dpoint3d above = at(50, 40), below = at(50, -5);
    ASSERT_EQ(skew_cursorSide(&above, &p, b), 0);
    ASSERT_EQ(skew_cursorSide(&below, &p, b), 1);

    /* Above: the ray from P at 30 degrees meets the ray from Q at 150. */
    Dpoint3d t[3];
    ASSERT_EQ(skew_trianglePoints(t, &p, &q, b, 0, SKEW_PLANE_HORIZONTAL), SKEW_OK);
    EXPECT_EQ(t[0].x, p.x);
    EXPECT_EQ(t[1].x, q.x);
    double s = (q.x * std::sin(radians(150)) - q.y * std::cos(radians(150))) / std::sin(radians(120));
    EXPECT_NEAR(t[2].x, s * std::cos(radians(30)), 1e-6);
    EXPECT_NEAR(t[2].y, s * std::sin(radians(30)), 1e-6);
    EXPECT_TRUE(onRay(t[2], q, 150));
    EXPECT_GT(t[2].y, 0);
    /* Below: 330 from P and 210 from Q. */
    ASSERT_EQ(skew_trianglePoints(t, &p, &q, b, 1, SKEW_PLANE_HORIZONTAL), SKEW_OK);
    EXPECT_TRUE(onRay(t[2], p, 330) && onRay(t[2], q, 210));
    EXPECT_LT(t[2].y, 0);
    /* Vertical plane: a vertical leg through P above, through Q below. */
    ASSERT_EQ(skew_trianglePoints(t, &p, &q, b, 0, SKEW_PLANE_VERTICAL), SKEW_OK);
    EXPECT_NEAR(t[2].x, 0, 1e-6);
    EXPECT_TRUE(onRay(t[2], q, 150));
    ASSERT_EQ(skew_trianglePoints(t, &p, &q, b, 1, SKEW_PLANE_VERTICAL), SKEW_OK);
    EXPECT_NEAR(t[2].x, q.x, 1e-6);
    EXPECT_TRUE(onRay(t[2], p, 330));
}

TEST_F(SkewTest, EachSectorHasItsOwnLegs) {
    struct Case {
        double degrees;
        SkewPlane plane;
        int flag;
        double fromP, fromQ;
    };
    const Case cases[] = {
        {45, SKEW_PLANE_HORIZONTAL, 0, 150, 210},    {45, SKEW_PLANE_HORIZONTAL, 1, 30, 330},
        {89.99, SKEW_PLANE_HORIZONTAL, 0, 150, 210}, {300, SKEW_PLANE_HORIZONTAL, 0, 330, 30},
        {300, SKEW_PLANE_HORIZONTAL, 1, 210, 150},   {345, SKEW_PLANE_HORIZONTAL, 1, 330, 210},
        {45, SKEW_PLANE_VERTICAL, 0, 90, 210},       {45, SKEW_PLANE_VERTICAL, 1, 30, 270},
        {345, SKEW_PLANE_VERTICAL, 0, 30, 90},       {345, SKEW_PLANE_VERTICAL, 1, 270, 210},
        {300, SKEW_PLANE_VERTICAL, 0, 330, 90},      {300, SKEW_PLANE_VERTICAL, 1, 270, 150},
    };
    Dpoint3d p = at(10, 10);
    for (const Case& c : cases) {
        Dpoint3d q = {p.x + 50 * UOR * std::cos(radians(c.degrees)), p.y + 50 * UOR * std::sin(radians(c.degrees)), 0};
        Dpoint3d t[3];
        ASSERT_EQ(skew_trianglePoints(t, &p, &q, radians(c.degrees), c.flag, c.plane), SKEW_OK) << c.degrees;
        EXPECT_TRUE(onRay(t[2], p, c.fromP) && onRay(t[2], q, c.fromQ))
            << c.degrees << " plane " << c.plane << " flag " << c.flag;
        /* The triangle lies on the cursor's side of the line. */
        Dpoint3d mid = {(t[0].x + t[1].x + t[2].x) / 3, (t[0].y + t[1].y + t[2].y) / 3, 0};
        EXPECT_EQ(skew_cursorSide(&mid, &p, radians(c.degrees)), c.flag) << c.degrees << " plane " << c.plane;
    }
}

TEST_F(SkewTest, DirectionsWithoutATriangleAreReported) {
    Dpoint3d p = at(0, 0), q = at(10, 10), t[3] = {};
    const double refused[] = {*fc_piover6P, *fc_2piP - *fc_piover6P, *fc_piover2P, *fc_piP, 3 * *fc_piover2P};
    for (double angle : refused)
        for (SkewPlane plane : {SKEW_PLANE_HORIZONTAL, SKEW_PLANE_VERTICAL})
            EXPECT_EQ(skew_trianglePoints(t, &p, &q, angle, 0, plane), SKEW_INVALID_ANGLE) << angle;
    std::string console = sim::consoleText();
    EXPECT_NE(console.find("Error - invalid angle: 30.0\n"), std::string::npos) << console;
    EXPECT_NE(console.find("Error - invalid angle: 330.0\n"), std::string::npos);
    EXPECT_NE(console.find("Error - invalid angle: 270.0\n"), std::string::npos);
}

TEST_F(SkewTest, EndsAreOrderedByXThenY) {
    Dpoint3d a = at(10, 0), b = at(0, 5);
    EXPECT_NEAR(skew_orderEnds(&a, &b), 2 * PI - std::atan2(5, 10), 1e-12);
    EXPECT_EQ(a.x, 0);
    /* Nearly equal x: the lower point comes first, the line points up. */
    Dpoint3d c = {1e-7, 9000, 0}, d = {0, 1000, 0};
    EXPECT_NEAR(skew_orderEnds(&c, &d), PI / 2, 1e-9);
    EXPECT_EQ(c.y, 1000);
}

/* ---- Building, storing and graphic groups --------------------------------------------------- */

TEST_F(SkewTest, HatchLinesFollowTheAngleAndSpacingOfTheSettings) {
    locate(at(0, 0), at(100, 20));
    Dpoint3d cursor = at(50, 40);
    skew_horizontalTriangle(&cursor, 0);
    auto all = stored();
    ASSERT_FALSE(all.empty());
    /* One outline with attribute 5; the attribute-6 shape is not stored. */
    ASSERT_EQ(ofType(all, SHAPE_ELM).size(), 1u);
    const Stored& outline = all[0];
    ASSERT_EQ(outline.type, SHAPE_ELM);
    EXPECT_EQ(outline.colour, 2u);
    EXPECT_EQ(outline.weight, 1u);
    ASSERT_EQ(outline.points.size(), 3u);
    EXPECT_TRUE(onRay(outline.points[2], at(0, 0), 30));
    auto lines = ofType(all, LINE_ELM);
    ASSERT_EQ(lines.size() + 1, all.size());
    ASSERT_GE(lines.size(), 5u);
    /* Hatch lines at 30 degrees, with attribute 6, 2 master units apart. */
    std::vector<double> offsets;
    for (const Stored& l : lines) {
        EXPECT_NEAR(lineDegrees(l.points[0], l.points[1]), 30, 1e-6);
        EXPECT_EQ(l.colour, 1u);
        EXPECT_EQ(l.weight, 0u);
        offsets.push_back(-l.points[0].x * std::sin(radians(30)) + l.points[0].y * std::cos(radians(30)));
    }
    std::sort(offsets.begin(), offsets.end());
    for (size_t i = 1; i < offsets.size(); ++i) EXPECT_NEAR(offsets[i] - offsets[i - 1], 2 * UOR, 1e-3);

    /* At plot scale 2 the lines lie twice as far apart. */
    ASSERT_EQ(zmlibPlotScale_setActiveScale(2.0, 0), 0);
    size_t before = all.size();
    skew_horizontalTriangle(&cursor, 0);
    auto again = stored();
    std::vector<double> scaled;
    for (size_t i = before; i < again.size(); ++i)
        if (again[i].type == LINE_ELM)
            scaled.push_back(-again[i].points[0].x * 0.5 + again[i].points[0].y * std::cos(radians(30)));
    ASSERT_GE(scaled.size(), 2u);
    std::sort(scaled.begin(), scaled.end());
    EXPECT_NEAR(scaled[1] - scaled[0], 4 * UOR, 1e-3);
}

TEST_F(SkewTest, DynamicsStoreNothingAndLeaveTheGroupNumbersAlone) {
    mdlSystem_setNextGraphicGroup(7);
    mdlSystem_setGraphicGroup(3);
    locate(at(0, 0), at(100, 20));
    Dpoint3d cursor = at(30, 40);
    for (auto fn : {skew_horizontalTriangle, skew_verticalTriangle, skew_combinedTriangles}) {
        sim::view::clearTransient();
        fn(&cursor, DRAW_MODE_TEMP_DRAW);
        EXPECT_FALSE(sim::view::transient().empty());
    }
    EXPECT_TRUE(stored().empty());
    EXPECT_TRUE(sim::view::persistent().empty());
    EXPECT_EQ(mdlSystem_getNextGraphicGroup(), 7u);
    EXPECT_EQ(mdlSystem_getGraphicGroup(), 3u);
}

TEST_F(SkewTest, AStoredTriangleIsOneGraphicGroupAndTakesTheNextNumber) {
    mdlSystem_setNextGraphicGroup(7);
    locate(at(0, 0), at(100, 20));
    Dpoint3d cursor = at(30, 40);
    skew_horizontalTriangle(&cursor, 0);
    auto first = stored();
    ASSERT_GE(first.size(), 2u);
    for (const Stored& s : first) EXPECT_EQ(s.group, 7u);
    EXPECT_EQ(mdlSystem_getNextGraphicGroup(), 8u);
    EXPECT_EQ(mdlSystem_getGraphicGroup(), 0u);
    EXPECT_FALSE(sim::view::persistent().empty());

    /* The vertical triangle gets the next group and vertical hatch lines. */
    Dpoint3d below = at(30, -10);
    skew_verticalTriangle(&below, 0);
    auto all = stored();
    ASSERT_GT(all.size(), first.size() + 1);
    EXPECT_EQ(all[first.size()].type, SHAPE_ELM);
    EXPECT_NEAR(all[first.size()].points[2].x, 100 * UOR, 1e-6);
    for (size_t i = first.size(); i < all.size(); ++i) {
        EXPECT_EQ(all[i].group, 8u);
        if (all[i].type == LINE_ELM) {
            EXPECT_NEAR(lineDegrees(all[i].points[0], all[i].points[1]), 90, 1e-6);
        }
    }
    EXPECT_EQ(mdlSystem_getNextGraphicGroup(), 9u);

    /* The file keeps the counters as they stand: no group stays active. */
    scope.reset();
    sim::design::close();
    std::string error;
    ASSERT_TRUE(sim::design::open(design, false, error)) << error;
    scope = std::make_unique<sim::CurrentApplicationScope>(app);
    EXPECT_EQ(mdlSystem_getGraphicGroup(), 0u);
    EXPECT_EQ(mdlSystem_getNextGraphicGroup(), 9u);
}

TEST_F(SkewTest, CombinedTrianglesTakeTheirHeightFromTheCursor) {
    mdlSystem_setNextGraphicGroup(4);
    Dpoint3d p = at(0, 0), q = at(100, 20);
    locate(p, q);
    Dpoint3d cursor = at(20, 50);
    skew_combinedTriangles(&cursor, 0);
    auto all = stored();
    auto shapes = ofType(all, SHAPE_ELM);
    ASSERT_EQ(shapes.size(), 2u);
    ASSERT_EQ(all[0].type, SHAPE_ELM);
    ASSERT_EQ(all[1].type, SHAPE_ELM);
    /* Vertical triangle P, X, Q: X straight above P, on the line from Q through the cursor. */
    const auto& v = all[0].points;
    ASSERT_EQ(v.size(), 3u);
    EXPECT_EQ(v[0].x, p.x);
    EXPECT_NEAR(v[1].x, 0, 1e-6);
    double slope = (cursor.y - q.y) / (cursor.x - q.x);
    EXPECT_NEAR(v[1].y, q.y - slope * q.x, 1e-6);
    EXPECT_EQ(v[2].x, q.x);
    /* Horizontal triangle on the edge from X to Q, on the same side. */
    const auto& h = all[1].points;
    ASSERT_EQ(h.size(), 3u);
    EXPECT_NEAR(h[0].y, v[1].y, 1e-6);
    EXPECT_EQ(h[1].x, q.x);
    double edge = std::atan2(q.y - v[1].y, q.x) * 180 / PI + 360;
    ASSERT_GT(edge, 330);
    EXPECT_TRUE(onRay(h[2], h[0], 30) && onRay(h[2], h[1], 150));
    EXPECT_GT(h[2].y, v[1].y);
    /* The horizontal hatch comes before the vertical one; all share group 4. */
    std::vector<double> directions;
    for (const Stored& s : all) {
        EXPECT_EQ(s.group, 4u);
        if (s.type == LINE_ELM) directions.push_back(lineDegrees(s.points[0], s.points[1]));
    }
    ASSERT_GE(directions.size(), 2u);
    EXPECT_NEAR(directions.front(), 30, 1e-6);
    EXPECT_NEAR(directions.back(), 90, 1e-6);
    EXPECT_EQ(mdlSystem_getNextGraphicGroup(), 5u);
}

/* With the legs dimensioned, each leg of the combined triangles (fall, run
** and offset) gets a dimension chain of its own that says its length; the
** triangle and its graphic group are as without them, and the modify
** commands take the leg dimensions like any other. */
TEST_F(SkewTest, LegDimensionsSayTheLegsLengthsAndMoveLikeAnyDimension) {
    tarvik().settings->skewLegDimensions = 1;
    tarvik().settings->measuredDecimals = 1;
    mdlSystem_setNextGraphicGroup(4);
    locate(at(0, 0), at(100, 20));
    Dpoint3d cursor = at(20, 50);
    skew_combinedTriangles(&cursor, 0);
    auto all = stored();
    std::vector<Stored> grouped;
    std::copy_if(all.begin(), all.end(), std::back_inserter(grouped), [](const Stored& s) { return s.group == 4; });
    ASSERT_GE(grouped.size(), 4u);
    ASSERT_EQ(ofType(grouped, SHAPE_ELM).size(), 2u);
    const auto& v = grouped[0].points; /* P, X above P, Q */
    const auto& h = grouped[1].points; /* the horizontal triangle on X-Q */
    EXPECT_EQ(mdlSystem_getNextGraphicGroup(), 5u);

    auto dimensions = [] {
        std::vector<std::pair<uint32_t, DimensionRecord>> out;
        for (uint32_t pos = 1; pos <= mdlModelRef_getEof(nullptr); ++pos) {
            DimensionRecord d{};
            int32_t current = 0;
            if (dimRecord_readInto(&d, &current, pos, nullptr, pos + 1) != 0) out.emplace_back(pos, d);
        }
        return out;
    };
    auto legs = dimensions();
    ASSERT_EQ(legs.size(), 3u);
    auto length = [](const Dpoint3d& a, const Dpoint3d& b) {
        char text[DIM_TEXT_SIZE];
        dimText_format(text, std::hypot(b.x - a.x, b.y - a.y) / UOR, 1);
        return std::string(text);
    };
    std::vector<std::string> expected = {length(v[0], v[1]), length(h[0], h[2]), length(h[2], h[1])};
    std::vector<int> rotations;
    for (const auto& [pos, d] : legs) {
        EXPECT_EQ(d.segmentCount, 1);
        EXPECT_NE(std::find(expected.begin(), expected.end(), std::string(d.texts[0].text)), expected.end())
            << d.texts[0].text;
        EXPECT_TRUE(d.texts[0].textFlags & TEXT_MEASURED);
        rotations.push_back(d.rotation);
        /* Outside its triangle: not on the side of the triangle's centre. */
        Dpoint3d centre = {(v[0].x + v[1].x + v[2].x + h[2].x) / 4, (v[0].y + v[1].y + v[2].y + h[2].y) / 4, 0};
        double y = -(centre.x - d.points[0].base.x) * std::sin(d.axisAngle) +
                   (centre.y - d.points[0].base.y) * std::cos(d.axisAngle);
        EXPECT_LT(y * d.lineOffset, 0) << d.texts[0].text;
    }
    std::sort(rotations.begin(), rotations.end());
    EXPECT_EQ(rotations, (std::vector<int>{1, 2, 3}));

    /* The fall's dimension line moved twice as far out. */
    auto fall = std::find_if(legs.begin(), legs.end(), [](const auto& l) { return l.second.rotation == 3; });
    const DimensionRecord& d = fall->second;
    EXPECT_EQ(std::string(d.texts[0].text), expected[0]);
    double e = dimDraw_extensionAngle(&d), run = d.lineOffset * DIM_SEC30;
    Dpoint3d mid = {(d.points[0].base.x + d.points[1].base.x) / 2, (d.points[0].base.y + d.points[1].base.y) / 2, 0};
    Dpoint3d pick = {mid.x + run * std::cos(e), mid.y + run * std::sin(e), 0};
    Dpoint3d out = {mid.x + 2 * run * std::cos(e), mid.y + 2 * run * std::sin(e), 0};
    ASSERT_TRUE(keyin("tarvik modify dimension"));
    ASSERT_TRUE(sim::interact::dataPoint(pick, 1));
    ASSERT_TRUE(sim::interact::dataPoint(out, 1));
    auto moved = dimensions();
    ASSERT_EQ(moved.size(), 3u);
    EXPECT_EQ(moved.back().second.rotation, 3);
    EXPECT_NEAR(moved.back().second.lineOffset, 2 * d.lineOffset, 1e-6);
    EXPECT_STREQ(moved.back().second.texts[0].text, d.texts[0].text);

    /* A single triangle: run and offset. */
    Dpoint3d p = at(0, -60), q = at(100, -40);
    locate(p, q);
    cursor = at(50, -20);
    skew_horizontalTriangle(&cursor, 0);
    auto single = dimensions();
    ASSERT_EQ(single.size(), 5u);
    Dpoint3d t[3]; /* P, Q, and the corner of the legs */
    double b = tarvik().gd->locatedAngle;
    ASSERT_EQ(skew_trianglePoints(t, &p, &q, b, skew_cursorSide(&cursor, &p, b), SKEW_PLANE_HORIZONTAL), SKEW_OK);
    std::vector<std::string> runAndOffset = {single[3].second.texts[0].text, single[4].second.texts[0].text};
    EXPECT_EQ(runAndOffset, (std::vector<std::string>{length(t[0], t[2]), length(t[2], t[1])}));
}

TEST_F(SkewTest, ACombinedTriangleThatCannotBeCompletedLeavesNothing) {
    mdlSystem_setNextGraphicGroup(4);
    /* A line falling at 354 degrees with the cursor above it: the vertical
    ** triangle is Q, P, X with X straight above Q, and its edge from P to X
    ** points where the cursor is. At exactly 30 degrees that edge has no
    ** horizontal triangle. */
    Dpoint3d p = at(0, 0), q = {1000, -100, 0};
    locate(p, q);
    Dpoint3d cursor = {1000, 1000 * std::tan(PI / 6), 0};
    for (int i = 0; i < 8; ++i) {
        Dpoint3d a = p, b = cursor;
        double angle = skew_orderEnds(&a, &b);
        if (angle == *fc_piover6P) break;
        cursor.y = std::nextafter(cursor.y, angle < *fc_piover6P ? 1e9 : -1e9);
    }
    Dpoint3d a = p, b = cursor;
    ASSERT_EQ(skew_orderEnds(&a, &b), *fc_piover6P);
    for (int mode : {DRAW_MODE_TEMP_DRAW, DRAW_MODE_NORMAL}) {
        skew_combinedTriangles(&cursor, mode);
        EXPECT_TRUE(stored().empty());
        EXPECT_TRUE(sim::view::transient().empty());
        EXPECT_TRUE(sim::view::persistent().empty());
    }
    EXPECT_NE(sim::consoleText().find("Error - invalid angle: 30.0\n"), std::string::npos) << sim::consoleText();
    /* A cursor on P gives no vertical triangle: nothing either. */
    Dpoint3d onP = p;
    skew_combinedTriangles(&onP, 0);
    EXPECT_TRUE(stored().empty());
    EXPECT_EQ(mdlSystem_getNextGraphicGroup(), 4u);
    EXPECT_EQ(mdlSystem_getGraphicGroup(), 0u);
}

TEST_F(SkewTest, FailedAllocationsLeaveTheGroupsConsistent) {
    locate(at(0, 0), at(100, 20));
    Dpoint3d cursor = at(20, 50);
    for (int skip = 0; skip < 40; ++skip) {
        uint32_t next = mdlSystem_getNextGraphicGroup();
        size_t before = stored().size();
        sim::failAllocations(1000, skip);
        skew_combinedTriangles(&cursor, 0);
        bool refused = sim::failedAllocations() > 0;
        sim::failAllocations(0);
        auto all = stored();
        /* The first allocation is the outline's: without it nothing is built. */
        if (skip == 0) {
            EXPECT_TRUE(refused && all.size() == before);
        }
        EXPECT_EQ(mdlSystem_getGraphicGroup(), 0u) << skip;
        if (all.size() == before) {
            EXPECT_EQ(mdlSystem_getNextGraphicGroup(), next) << skip;
            continue;
        }
        /* Whatever was stored is one group and starts with the outlines. */
        EXPECT_EQ(mdlSystem_getNextGraphicGroup(), next + 1) << skip;
        EXPECT_EQ(all[before].type, SHAPE_ELM) << skip;
        for (size_t i = before; i < all.size(); ++i) EXPECT_EQ(all[i].group, next) << skip;
    }
}

/* ---- The commands ------------------------------------------------------------------------------- */

TEST_F(SkewTest, TheCommandsLocateOnlySkewLines) {
    struct Pick {
        double degrees;
        bool accepted;
    };
    const Pick picks[] = {{30, false}, {90, false}, {330, false}, {45, true}, {89.99, true}};
    std::string error;
    ASSERT_TRUE(sim::view::setWindowMaster(1, -100, -100, 300, 200, error)) << error;
    double x = 0;
    for (const Pick& pick : picks) {
        Dpoint3d a = at(x, 0);
        Dpoint3d b = {a.x + 40 * UOR * std::cos(radians(pick.degrees)), a.y + 40 * UOR * std::sin(radians(pick.degrees)),
                      0};
        addLine(a, b);
        x += 50;
        size_t before = stored().size();
        ASSERT_TRUE(keyin("tarvik skew horizontal"));
        EXPECT_EQ(tarvik().gd->skewMode, 1);
        Dpoint3d mid = {(a.x + b.x) / 2, (a.y + b.y) / 2, 0};
        Dpoint3d side = {mid.x - 5 * UOR, mid.y + 5 * UOR, 0};
        ASSERT_TRUE(sim::interact::dataPoint(mid, 1));
        sim::interact::dataPoint(side, 1);
        auto all = stored();
        EXPECT_EQ(all.size() > before, pick.accepted) << pick.degrees;
        if (pick.degrees == 89.99 && all.size() > before) {
            /* The 30 to 90 degree row: legs at 150 from the lower end, 210 from the upper. */
            const Stored& outline = all[before];
            ASSERT_EQ(outline.type, SHAPE_ELM);
            EXPECT_TRUE(onRay(outline.points[2], a, 150) && onRay(outline.points[2], b, 210));
        }
    }
}

}  // namespace
