#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "host/mdlelement.h"
#include "host/mdlgeom.h"
#include "host/mdlview.h"
#include "host/sim/design/design.h"
#include "host/sim/base/base.h"
#include "view_fixture.h"

namespace {

class HatchTest : public ViewTest {
protected:
    /* A descriptor of the closed shape through POINTS. */
    MSElementDescr* shape(const std::vector<Dpoint3d>& points) {
        MSElement el;
        EXPECT_EQ(mdlShape_create(&el, nullptr, points.data(), static_cast<int>(points.size()), 0), 0);
        MSElementDescr* d = nullptr;
        EXPECT_EQ(mdlElmdscr_new(&d, nullptr, &el), 0);
        return d;
    }
    static std::vector<std::pair<Dpoint3d, Dpoint3d>> lines(const MSElementDescr* chain) {
        std::vector<std::pair<Dpoint3d, Dpoint3d>> out;
        for (; chain; chain = chain->next) {
            EXPECT_EQ(mdlElement_getType(&chain->el), LINE_ELM);
            out.push_back({sim::elem::getP(chain->el.bytes + sim::elem::L_START),
                           sim::elem::getP(chain->el.bytes + sim::elem::L_END)});
        }
        return out;
    }
};

/* Distance of P from the segment A-B. */
double segmentDistance(Dpoint3d p, Dpoint3d a, Dpoint3d b) {
    double dx = b.x - a.x, dy = b.y - a.y;
    double t = std::clamp(((p.x - a.x) * dx + (p.y - a.y) * dy) / (dx * dx + dy * dy), 0.0, 1.0);
    return std::hypot(p.x - a.x - t * dx, p.y - a.y - t * dy);
}

}  // namespace

TEST_F(HatchTest, LinesRunAtTheAngleSpacingApartAndEndOnTheBoundary) {
    /* The triangle of a skew line from (0,0) to (100,20) with its third vertex on the 30 and 150 degree rays. */
    const std::vector<Dpoint3d> tri = {{0, 0, 0}, {100, 20, 0}, {31.547, 18.214, 0}};
    MSElementDescr* boundary = shape(tri);
    MSElement templ;
    Dpoint3d ends[2] = {{0, 0, 0}, {1, 0, 0}};
    ASSERT_EQ(mdlLine_create(&templ, nullptr, ends), 0);
    UInt32 colour = 3, level = 12;
    ASSERT_EQ(mdlElement_setSymbology(&templ, &colour, nullptr, nullptr), 0);
    ASSERT_EQ(mdlElement_setProperties(&templ, &level, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr), 0);

    double angle = M_PI / 6, spacing = 2.0;
    MSElementDescr* hatch = nullptr;
    ASSERT_EQ(mdlPattern_hatch(&hatch, boundary, &templ, angle, spacing, nullptr), 0);
    auto ls = lines(hatch);
    ASSERT_GE(ls.size(), 3u);
    Dpoint3d normal{-std::sin(angle), std::cos(angle), 0};
    double previous = -1e300;
    for (const auto& [a, b] : ls) {
        /* Along the angle. */
        EXPECT_NEAR(std::fabs(std::atan2(b.y - a.y, b.x - a.x) - angle), 0, 1e-9);
        /* On the grid of lines through the first vertex, spacing apart. */
        double offset = a.x * normal.x + a.y * normal.y;
        EXPECT_NEAR(offset / spacing, std::round(offset / spacing), 1e-9);
        EXPECT_GT(offset, previous - 1e-9);
        previous = offset;
        /* Both ends on the triangle's edges. */
        for (const Dpoint3d& p : {a, b}) {
            double d = std::min({segmentDistance(p, tri[0], tri[1]), segmentDistance(p, tri[1], tri[2]),
                                 segmentDistance(p, tri[2], tri[0])});
            EXPECT_LT(d, 1e-6);
        }
        UInt32 c = 0, l = 0;
        mdlElement_getSymbology(&c, nullptr, nullptr, &hatch->el);
        mdlElement_getProperties(&l, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &hatch->el);
        EXPECT_EQ(c, 3u);
        EXPECT_EQ(l, 12u);
    }
    mdlElmdscr_freeAll(&hatch);
    mdlElmdscr_freeAll(&boundary);
}

TEST_F(HatchTest, AConcaveShapeCutsALineInTwoAndTheOriginSetsThePhase) {
    /* A U: the horizontal line at y = 15 crosses both arms. */
    MSElementDescr* u = shape({{0, 0, 0}, {30, 0, 0}, {30, 20, 0}, {20, 20, 0}, {20, 10, 0}, {10, 10, 0},
                               {10, 20, 0}, {0, 20, 0}});
    Dpoint3d origin{0, 5, 0};
    MSElementDescr* hatch = nullptr;
    ASSERT_EQ(mdlPattern_hatch(&hatch, u, nullptr, 0.0, 10.0, &origin), 0);
    auto ls = lines(hatch);
    ASSERT_EQ(ls.size(), 3u);   /* y = 5 across, y = 15 in two pieces */
    EXPECT_POINT(ls[0].first, 0, 5);
    EXPECT_POINT(ls[0].second, 30, 5);
    EXPECT_POINT(ls[1].first, 0, 15);
    EXPECT_POINT(ls[1].second, 10, 15);
    EXPECT_POINT(ls[2].first, 20, 15);
    EXPECT_POINT(ls[2].second, 30, 15);
    mdlElmdscr_freeAll(&hatch);
    mdlElmdscr_freeAll(&u);
}

TEST_F(HatchTest, BadBoundariesSpacingsAndFailedAllocationsGiveNoHatch) {
    MSElementDescr* square = shape({{0, 0, 0}, {100, 0, 0}, {100, 100, 0}, {0, 100, 0}});
    MSElementDescr* hatch = reinterpret_cast<MSElementDescr*>(1);
    EXPECT_NE(mdlPattern_hatch(&hatch, square, nullptr, 0.3, 0.0, nullptr), 0);
    EXPECT_EQ(hatch, nullptr);
    EXPECT_NE(mdlPattern_hatch(&hatch, square, nullptr, 0.3, -1.0, nullptr), 0);
    EXPECT_NE(mdlPattern_hatch(&hatch, square, nullptr, 0.3, 1e-4, nullptr), 0);   /* a million lines */
    EXPECT_NE(mdlPattern_hatch(&hatch, square, nullptr, NAN, 1.0, nullptr), 0);

    MSElement open;
    Dpoint3d ends[2] = {{0, 0, 0}, {1, 1, 0}};
    ASSERT_EQ(mdlLine_create(&open, nullptr, ends), 0);
    MSElementDescr* line = nullptr;
    ASSERT_EQ(mdlElmdscr_new(&line, nullptr, &open), 0);
    EXPECT_NE(mdlPattern_hatch(&hatch, line, nullptr, 0.0, 1.0, nullptr), 0);
    mdlElmdscr_freeAll(&line);

    sim::failAllocations(1, 3);   /* the fourth line cannot be made */
    EXPECT_NE(mdlPattern_hatch(&hatch, square, nullptr, 0.0, 10.0, nullptr), 0);
    sim::failAllocations(0);
    EXPECT_EQ(hatch, nullptr);

    /* An ellipse is closed too; a hatch far from it is empty but not an error. */
    MSElement circle;
    Dpoint3d centre{0, 0, 0};
    ASSERT_EQ(mdlEllipse_create(&circle, nullptr, &centre, 10, 10, nullptr, 0), 0);
    MSElementDescr* c = nullptr;
    ASSERT_EQ(mdlElmdscr_new(&c, nullptr, &circle), 0);
    ASSERT_EQ(mdlPattern_hatch(&hatch, c, nullptr, M_PI / 2, 5.0, &centre), 0);
    auto ls = lines(hatch);
    ASSERT_EQ(ls.size(), 3u);   /* x = -5, 0, 5 */
    EXPECT_NEAR(ls[1].first.y, -10, 0.01);
    EXPECT_NEAR(ls[1].second.y, 10, 0.01);
    mdlElmdscr_freeAll(&hatch);
    mdlElmdscr_freeAll(&c);
    mdlElmdscr_freeAll(&square);
}
