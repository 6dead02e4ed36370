#include "app/dimdraw.h"

#include <cmath>
#include <cstring>
#include <numbers>

#include "app/dimrecord.h"
#include "app_fixture.h"
#include "host/mdlelement.h"
#include "host/mdlgeom.h"
#include "host/mdltext.h"
#include "host/mdltextsettings.h"
#include "host/sim/design/design.h"
#include "host/sim/display/display.h"
#include "lib/core/plotscale.h"
#include "lib/elements/elmattr.h"

namespace {

constexpr double PI = std::numbers::pi;
constexpr double UOR = 1000.0; /* UORs per master unit of a new design file */

/* The point P in the axis frame of the 30 degree axis at ORIGIN. */
Dpoint3d axisLocal(const Dpoint3d& p, const Dpoint3d& origin = {0, 0, 0}) {
double dx = p.x - origin.x, dy = p.y - origin.y, c = std::cos(PI / 6), s = std::sin(PI / 6);
return {dx * c + dy * s, -dx * s + dy * c, 0};
}
double angleOf(const Dpoint3d& a, const Dpoint3d& b) {
double angle = std::atan2(b.y - a.y, b.x - a.x);
return angle < 0 ? angle + 2 * PI : angle;
}

/* Where extension line I meets the dimension line (world), for side 1. */
Dpoint3d dimensionPoint(const DimensionRecord& d, int i) {
    double run = d.lineOffset * DIM_SEC30;
    return {d.points[i].base.x + run * std::cos(5 * PI / 6), d.points[i].base.y + run * std::sin(5 * PI / 6), 0};
}

/* One stored component: its type and vertices (or a text's origin). */
struct Component {
    int type;
    std::vector<Dpoint3d> points;
};

class DimDrawTest : public AppTest {
protected:
    void SetUp() override {
        AppTest::SetUp();
        startOnNewDesign("draw.dgn");
    }
    /* A chain along the 30 degree axis with N segments of LENGTH master units. */
    static DimensionRecord chain(int n, double length, double lineOffset = 10 * UOR) {
        DimensionRecord d = tarvik().settings->dimTemplate;
        d.side = 1;
        d.rotation = 1;
        d.axisAngle = PI / 6;
        d.segmentCount = n;
        d.lineOffset = lineOffset;
        for (int i = 0; i <= n; ++i) {
            double along = i * length * UOR;
            d.points[i].base = {along * std::cos(PI / 6), along * std::sin(PI / 6), 0};
            d.points[i].offset = (i % 2) * 2 * UOR;
        }
        for (int i = 0; i < n; ++i) dimRecord_setText(&d.texts[i], std::to_string(int(length)).c_str());
        return d;
    }
    static std::vector<Component> components(uint32_t pos) {
        std::vector<Component> out;
        MSElementDescr* descr = nullptr;
        if (mdlElmdscr_read(&descr, pos, nullptr, 0, nullptr) <= 0) return out;
        for (MSElementDescr* c = descr->firstChild; c; c = c->next) {
            Component k{mdlElement_getType(&c->el), {}};
            if (k.type == TEXT_ELM) {
                Dpoint3d origin{};
                mdlText_extract(nullptr, 0, &origin, nullptr, nullptr, nullptr, nullptr, nullptr, &c->el, nullptr);
                k.points.push_back(origin);
            } else {
                Dpoint3d p[16];
                int count = 0;
                mdlLinear_extract(p, &count, &c->el, nullptr);
                k.points.assign(p, p + count);
            }
            out.push_back(k);
        }
        mdlElmdscr_freeAll(&descr);
        return out;
    }
    static std::vector<int> types(const std::vector<Component>& cs) {
        std::vector<int> out;
        for (const auto& c : cs) out.push_back(c.type);
        return out;
    }
};

TEST(DimDrawGeometry, ExtensionAngleFollowsTheSide) {
    DimensionRecord d{};
    d.axisAngle = PI / 6;
    d.side = 1;
    EXPECT_NEAR(dimDraw_extensionAngle(&d), 5 * PI / 6, 1e-12);
    d.side = 2;
    EXPECT_NEAR(dimDraw_extensionAngle(&d), PI / 2, 1e-12);
}

TEST(DimDrawGeometry, AProjectedPointLeadsBackAlongTheExtensionLine) {
    Dpoint3d origin{100, 200, 0};
    for (int side : {1, 2}) {
        DimensionRecord d{};
        d.axisAngle = PI / 6;
        d.side = side;
        double e = dimDraw_extensionAngle(&d);
        Dpoint3d picked{400, 900, 0};
        DimPoint p = dimDraw_projectPoint(&picked, &origin, PI / 6, side);
        /* The base lies on the base line, and base + offset / cos 30 along e gives the pick. */
        Dpoint3d local = axisLocal(p.base, origin);
        EXPECT_NEAR(local.y, 0, 1e-6) << side;
        double run = p.offset * DIM_SEC30;
        EXPECT_NEAR(p.base.x + run * std::cos(e), picked.x, 1e-4) << side;
        EXPECT_NEAR(p.base.y + run * std::sin(e), picked.y, 1e-4) << side;
    }
}

TEST(DimDrawGeometry, TheConstraintSnapsToSectorsAndRefusesTheAxis) {
    Dpoint3d origin{10, 10, 0};
    Dpoint3d out{};
    /* A cursor at 100 degrees snaps to 90 degrees: accepted for the 30 degree axis. */
    Dpoint3d cursor{10 + 100 * std::cos(100 * PI / 180), 10 + 100 * std::sin(100 * PI / 180), 0};
    ASSERT_TRUE(dimDraw_constrain(&out, &origin, &cursor, 1));
    EXPECT_NEAR(out.x, 10, 1e-6);
    EXPECT_NEAR(out.y, 10 + 100 * std::cos(10 * PI / 180), 1e-6);
    /* ... and refused for the vertical axis, in both directions. */
    EXPECT_FALSE(dimDraw_constrain(&out, &origin, &cursor, 3));
    Dpoint3d down{10, -50, 0};
    EXPECT_FALSE(dimDraw_constrain(&out, &origin, &down, 3));
    /* 20 degrees snaps to 30: refused by rotation 1, accepted by rotation 2. */
    Dpoint3d low{10 + 50 * std::cos(20 * PI / 180), 10 + 50 * std::sin(20 * PI / 180), 0};
    EXPECT_FALSE(dimDraw_constrain(&out, &origin, &low, 1));
    ASSERT_TRUE(dimDraw_constrain(&out, &origin, &low, 2));
    EXPECT_NEAR(angleOf(origin, out), PI / 6, 1e-9);
    /* 200 degrees snaps to 210 (the far side of the 30 degree axis). */
    Dpoint3d back{10 + 50 * std::cos(200 * PI / 180), 10 + 50 * std::sin(200 * PI / 180), 0};
    EXPECT_FALSE(dimDraw_constrain(&out, &origin, &back, 1));
    /* 340 degrees snaps to 330: refused by rotation 2 only. */
    Dpoint3d right{10 + 50 * std::cos(340 * PI / 180), 10 + 50 * std::sin(340 * PI / 180), 0};
    EXPECT_FALSE(dimDraw_constrain(&out, &origin, &right, 2));
    EXPECT_TRUE(dimDraw_constrain(&out, &origin, &right, 7));
}

TEST_F(DimDrawTest, AThreeSegmentChainIsStoredInComponentOrderAndReadsBack) {
    DimensionRecord d = chain(3, 100);
    d.texts[1].textFlags = TEXT_SHIFTED;
    d.texts[1].shift = 30 * UOR;
    uint32_t pos = 0;
    ASSERT_EQ(dimDraw_build(&d, 3, 0, &pos), 0);
    ASSERT_NE(pos, 0u);
    auto cs = components(pos);
    std::vector<int> expected = {LINE_ELM};
    for (int i = 0; i < 3; ++i)
        for (int t : {LINE_ELM, TEXT_ELM, LINE_ELM, SHAPE_ELM, SHAPE_ELM}) expected.push_back(t);
    EXPECT_EQ(types(cs), expected);

    /* Extension lines run at 150 degrees and end past D = lineOffset / cos 30. */
    const Component& ext0 = cs[0];
    ASSERT_EQ(ext0.points.size(), 2u);
    EXPECT_NEAR(angleOf(ext0.points[0], ext0.points[1]), 5 * PI / 6, 1e-9);
    double toEnd = std::hypot(ext0.points[1].x - d.points[0].base.x, ext0.points[1].y - d.points[0].base.y);
    EXPECT_NEAR(toEnd, 10 * UOR * DIM_SEC30 + 2 * UOR, 1e-6); /* D plus the overshoot */
    double toStart = std::hypot(ext0.points[0].x - d.points[0].base.x, ext0.points[0].y - d.points[0].base.y);
    EXPECT_NEAR(toStart, 1 * UOR, 1e-6); /* offset 0 plus the gap */

    /* The shifted text stands at its shift along the axis, the others mid-segment. */
    Dpoint3d d0 = {d.points[0].base.x + 10 * UOR * DIM_SEC30 * std::cos(5 * PI / 6),
                   d.points[0].base.y + 10 * UOR * DIM_SEC30 * std::sin(5 * PI / 6), 0};
    Dpoint3d text0 = axisLocal(cs[2].points[0], d0);
    double y = UOR * 1.0; /* textGap above the line */
    EXPECT_NEAR(text0.y, y, 1e-6);
    EXPECT_NEAR(text0.x, -y * DIM_TAN30 + 50 * UOR, 1e-6);
    Dpoint3d d1 = {d0.x + 100 * UOR * std::cos(PI / 6), d0.y + 100 * UOR * std::sin(PI / 6), 0};
    Dpoint3d text1 = axisLocal(cs[7].points[0], d1);
    EXPECT_NEAR(text1.x, -y * DIM_TAN30 + 30 * UOR, 1e-6);
    double active = 0;
    mdlParams_getActive(&active, ACTIVEPARAM_ANGLE);
    EXPECT_NEAR(active, -PI / 6, 1e-12);
    EXPECT_NEAR(mdlSettings_getTextSlant(), -30, 1e-9);

    /* The dimension line of segment 0 runs from D0 to D1. */
    ASSERT_EQ(cs[3].points.size(), 2u);
    EXPECT_NEAR(cs[3].points[0].x, d0.x, 1e-6);
    EXPECT_NEAR(cs[3].points[1].y, d1.y, 1e-6);

    /* Reading back from any component gives the record again. */
    for (size_t c = 0; c < cs.size(); ++c) {
        MSElementDescr* descr = nullptr;
        ASSERT_GT(mdlElmdscr_read(&descr, pos, nullptr, 0, nullptr), 0);
        MSElementDescr* node = descr->firstChild;
        for (size_t k = 0; k < c; ++k) node = node->next;
        uint32_t componentPos = node->filePos;
        mdlElmdscr_freeAll(&descr);
        DimensionRecord back{};
        int32_t current = -1;
        int kind = dimRecord_readInto(&back, &current, pos, nullptr, componentPos);
        if (cs[c].type == SHAPE_ELM) {
            EXPECT_EQ(kind, 0) << c;
            continue;
        }
        ASSERT_NE(kind, 0) << c;
        EXPECT_EQ(back.segmentCount, 3);
        for (int i = 0; i <= 3; ++i) {
            EXPECT_NEAR(back.points[i].base.x, d.points[i].base.x, 1e-9);
            EXPECT_NEAR(back.points[i].offset, d.points[i].offset, 1e-9);
        }
        EXPECT_STREQ(back.texts[2].text, "100");
        EXPECT_EQ(back.texts[1].shift, 30 * UOR);
        EXPECT_NEAR(back.axisAngle, PI / 6, 1e-12);
    }
}

TEST_F(DimDrawTest, NothingIsBuiltForNoSegmentsAndOnlyModeZeroStores) {
    DimensionRecord d = chain(2, 100);
    uint32_t first = 0, pos = 77;
    ASSERT_EQ(dimDraw_build(&d, 2, 0, &first), 0);
    EXPECT_EQ(dimDraw_build(&d, 0, 0, &pos), 0);
    EXPECT_EQ(pos, 0u);
    EXPECT_EQ(dimDraw_build(&d, 2, 3, &pos), 0);
    EXPECT_EQ(pos, 0u);
    /* The next stored cell follows the first directly: nothing was stored between. */
    uint32_t second = 0;
    ASSERT_EQ(dimDraw_build(&d, 2, 0, &second), 0);
    EXPECT_EQ(second, first + 1 + components(first).size());
    /* More than 24 segments are never built. */
    d.segmentCount = 25;
    EXPECT_EQ(dimDraw_build(&d, 25, 0, &pos), DIM_BUILD_REFUSED);
    EXPECT_EQ(pos, 0u);
}

TEST_F(DimDrawTest, TerminatorTypesGiveTheirArrowheads) {
    for (int type : {0, 1, 3}) {
        DimensionRecord d = chain(2, 100);
        d.terminatorType = type;
        uint32_t pos = 0;
        ASSERT_EQ(dimDraw_build(&d, 2, 0, &pos), 0);
        auto cs = components(pos);
        if (type == 0) {
            EXPECT_EQ(cs.size(), 1u + 3u * 2u);
            continue;
        }
        EXPECT_EQ(cs.size(), 1u + 5u * 2u);
        EXPECT_EQ(cs[4].type, type == 1 ? LINE_STRING_ELM : SHAPE_ELM);
        /* The tip is on D0, the body towards D1 for a segment with room. */
        Dpoint3d d0 = cs[3].points[0];
        ASSERT_GE(cs[4].points.size(), 3u);
        EXPECT_NEAR(cs[4].points[1].x, d0.x, 1e-6);
        EXPECT_GT(axisLocal(cs[4].points[0], d0).x, 0);
        EXPECT_LT(axisLocal(cs[5].points[0], cs[3].points[1]).x, 0);
    }
}

TEST_F(DimDrawTest, AShortSegmentPutsArrowsOutsideAndMayDropItsLine) {
    /* 4 master units: less than minArrowSpace + 2 arrow lengths (2 + 6). */
    DimensionRecord d = chain(1, 4);
    d.dimFlags = 1;
    uint32_t pos = 0;
    ASSERT_EQ(dimDraw_build(&d, 1, 0, &pos), 0);
    auto cs = components(pos);
    ASSERT_EQ(types(cs), (std::vector<int>{LINE_ELM, LINE_ELM, TEXT_ELM, LINE_ELM, SHAPE_ELM, SHAPE_ELM}));
    Dpoint3d d0 = cs[3].points[0], d1 = cs[3].points[1];
    EXPECT_LT(axisLocal(cs[4].points[0], d0).x, 0);
    EXPECT_GT(axisLocal(cs[5].points[0], d1).x, 0);

    d.dimFlags = 3;
    ASSERT_EQ(dimDraw_build(&d, 1, 0, &pos), 0);
    EXPECT_EQ(types(components(pos)), (std::vector<int>{LINE_ELM, LINE_ELM, TEXT_ELM, SHAPE_ELM, SHAPE_ELM}));

    /* An outside text keeps a line that reaches from the far end to it. */
    d.texts[0].textFlags = TEXT_OUTSIDE | TEXT_SHIFTED;
    d.texts[0].shift = 10 * UOR;
    ASSERT_EQ(dimDraw_build(&d, 1, 0, &pos), 0);
    cs = components(pos);
    ASSERT_EQ(cs.size(), 6u);
    ASSERT_EQ(cs[3].type, LINE_ELM);
    Dpoint3d start = axisLocal(cs[3].points[0], d0), end = axisLocal(cs[3].points[1], d0);
    EXPECT_NEAR(start.x, 4 * UOR, 1e-6);
    EXPECT_GT(end.x, 10 * UOR);
}

/* The text-on-the-line rule at 1:1 and at 1:50, where every size on paper
** grows fifty times: a text that fits stands textGap above its line, one
** that does not rises by its height above the line or drops below it. */
TEST_F(DimDrawTest, ATextStaysOnItsLineWhenItFitsAtEveryPlotScale) {
    ZmAttributeData text{};
    ASSERT_EQ(zmlibElmAttr_extractData(DIM_ATTR_TEXT, &text), 0);
    double height = text.textHeight;
    for (double scale : {1.0, 50.0}) {
        ASSERT_EQ(zmlibPlotScale_setActiveScale(scale, 0), 0);
        for (double offset : {10 * UOR * scale, -10 * UOR * scale}) {
            /* 24 units on paper: "1200" and its margin fit (10 + 2.5), eleven characters do not (27.5). */
            DimensionRecord d = chain(1, 24 * scale, offset);
            double gap = d.textGap;
            struct Case {
                const char* text;
                double y;
            } cases[] = {
                {"1200",        gap},
                {"12345678901", offset > 0 ? gap + height : -(2 * gap + height)},
            };
            for (const Case& c : cases) {
                dimRecord_setText(&d.texts[0], c.text);
                uint32_t pos = 0;
                ASSERT_EQ(dimDraw_build(&d, 1, 0, &pos), 0);
                auto cs = components(pos);
                ASSERT_EQ(cs[2].type, TEXT_ELM);
                /* Measured from D0, the dimension-line end of extension line 0. */
                Dpoint3d dl = axisLocal(cs[2].points[0], dimensionPoint(d, 0));
                EXPECT_NEAR(dl.y, c.y * scale * UOR, 1e-6) << c.text << " at 1:" << scale << ", offset " << offset;
            }
        }
    }
}

}  // namespace

namespace {

TEST_F(DimDrawTest, ADrawnChainIsOnShowAndDynamicsStayTransient) {
    DimensionRecord d = chain(3, 100);
    d.points[2].offset = -6 * UOR;
    uint32_t pos = 0;
    ASSERT_EQ(dimDraw_build(&d, 3, 0, &pos), 0);
    size_t shown = sim::view::persistent().size();
    EXPECT_GE(shown, 16u);
    EXPECT_TRUE(sim::view::transient().empty());
    ASSERT_EQ(dimDraw_build(&d, 3, 3, nullptr), 0);
    EXPECT_EQ(sim::view::persistent().size(), shown);
    EXPECT_FALSE(sim::view::transient().empty());
    std::string error;
    ASSERT_TRUE(sim::view::setWindowMaster(1, -60, -40, 320, 200, error)) << error;
    std::string svg = sim::view::svgOf(1);
    EXPECT_NE(svg.find(">100<"), std::string::npos);
    EXPECT_NE(svg.find("skewX(30.00)"), std::string::npos) << svg.substr(0, 2000);
    if (const char* out = getenv("ZM_DIMDRAW_SVG")) std::ofstream(out) << svg;
}

}  // namespace
