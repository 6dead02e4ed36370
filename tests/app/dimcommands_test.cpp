#include "app/dimcommands_int.h"

#include <cmath>
#include <cstring>
#include <numbers>

#include "app/dimdraw.h"
#include "app/dimrecord.h"
#include "app_fixture.h"
#include "host/mdlcommand.h"
#include "host/mdlelement.h"
#include "host/mdlstate.h"
#include "host/mdltext.h"
#include "host/sim/design/design.h"
#include "host/sim/interaction/interaction.h"

namespace {

constexpr double PI = std::numbers::pi;
constexpr double DEG = PI / 180;
constexpr double UOR = 1000.0; /* UORs per master unit of a new design file */

/* A line of LENGTH master units from START (master units) at ANGLE degrees. */
MSElement lineAt(double angle, Dpoint3d start = {10, 10, 0}, double length = 20) {
    Dpoint3d ends[2] = {{start.x * UOR, start.y * UOR, 0},
                        {(start.x + length * std::cos(angle * DEG)) * UOR, (start.y + length * std::sin(angle * DEG)) * UOR, 0}};
    MSElement line;
    EXPECT_EQ(mdlLine_create(&line, nullptr, ends), 0);
    return line;
}

class DimCommandsTest : public AppTest {
protected:
    void SetUp() override {
        AppTest::SetUp();
        startOnNewDesign("commands.dgn");
    }
    /* The placement filter's answer for LINE with skewMode SKEW. */
    static int filter(MSElement line, bool skew) {
        tarvik().gd->skewMode = skew ? 1 : 0;
        return locate_placementFilter(&line, nullptr, 0, nullptr, 1);
    }
    static Dpoint3d at(double x, double y) { return {x * UOR, y * UOR, 0}; }
    /* Store into D a one-segment dimension "100" of a 40-unit line along the
    ** 30 degree axis from the origin, its dimension line 10 units out.
    ** Answers the cell's file position, 0 when it was not stored. */
    static uint32_t storeOneSegment(DimensionRecord& d) {
        d = tarvik().settings->dimTemplate;
        d.side = 1;
        d.rotation = 1;
        d.axisAngle = PI / 6;
        d.segmentCount = 1;
        d.lineOffset = 10 * UOR;
        d.points[0] = {{0, 0, 0}, 0};
        d.points[1] = {at(40 * std::cos(PI / 6), 40 * std::sin(PI / 6)), 0};
        dimRecord_setText(&d.texts[0], "100");
        uint32_t cell = 0;
        return dimDraw_build(&d, 1, DIM_DRAW_STORE, &cell) == 0 ? cell : 0;
    }
};

TEST_F(DimCommandsTest, FilterTakesLinesAlongTheThreeAxesOnly) {
    struct Case {
        double angle;
        int answer;
        int rotation;
    };
    const Case cases[] = {
        {30,     LOCATE_FILTER_ACCEPT, 1},
        {30.05,  LOCATE_FILTER_ACCEPT, 1},   /* within 0.001 radians */
        {29.95,  LOCATE_FILTER_ACCEPT, 1},
        {30.1,   LOCATE_FILTER_REJECT, 0},
        {45,     LOCATE_FILTER_REJECT, 0},
        {0,      LOCATE_FILTER_REJECT, 0},
        {90,     LOCATE_FILTER_ACCEPT, 3},
        {270,    LOCATE_FILTER_ACCEPT, 3},   /* drawn downwards: the ends are swapped */
        {210,    LOCATE_FILTER_ACCEPT, 1},   /* drawn right to left */
        {330,    LOCATE_FILTER_ACCEPT, 2},
        {150,    LOCATE_FILTER_ACCEPT, 2},
    };
    for (const Case& c : cases) {
        WorkingState& gd = *tarvik().gd;
        gd.locatedRotation = 0;
        EXPECT_EQ(filter(lineAt(c.angle, {50, 50, 0}), false), c.answer) << c.angle;
        EXPECT_EQ(gd.locatedRotation, c.rotation) << c.angle;
        if (c.answer != LOCATE_FILTER_ACCEPT) continue;
        /* The located segment runs from its left (or lower) end. */
        EXPECT_TRUE(gd.baseOrigin.x < gd.locatedEnd.x - 1 ||
                    (std::fabs(gd.baseOrigin.x - gd.locatedEnd.x) < 1 && gd.baseOrigin.y < gd.locatedEnd.y))
            << c.angle;
        double axis = c.rotation == 1 ? PI / 6 : c.rotation == 2 ? 2 * PI - PI / 6 : PI / 2;
        EXPECT_DOUBLE_EQ(gd.locatedAxisAngle, axis) << c.angle;
    }
    /* A line without length has no direction. */
    EXPECT_EQ(filter(lineAt(30, {50, 50, 0}, 0), false), LOCATE_FILTER_REJECT);
    EXPECT_EQ(filter(lineAt(30, {50, 50, 0}, 0), true), LOCATE_FILTER_REJECT);
}

TEST_F(DimCommandsTest, SkewModeTakesLinesOffTheAxesAndIsOneSided) {
    struct Case {
        double angle;
        int answer;
    };
    const Case cases[] = {
        {45,     LOCATE_FILTER_ACCEPT},
        {0,      LOCATE_FILTER_ACCEPT},
        {30,     LOCATE_FILTER_REJECT},
        {90,     LOCATE_FILTER_REJECT},
        {330,    LOCATE_FILTER_REJECT},
        {30.03,  LOCATE_FILTER_REJECT},   /* just above an axis: still isometric */
        {29.97,  LOCATE_FILTER_ACCEPT},   /* just below: skew */
        {30.1,   LOCATE_FILTER_ACCEPT},
    };
    for (const Case& c : cases) EXPECT_EQ(filter(lineAt(c.angle, {50, 50, 0}), true), c.answer) << c.angle;
    EXPECT_NEAR(tarvik().gd->locatedAngle, 30.1 * DEG, 1e-9);
}

TEST(DimCommandSide, SignsGiveTheQuotientsAnswerWithoutDividing) {
    EXPECT_EQ(dimCommand_side(5, 10), 2);
    EXPECT_EQ(dimCommand_side(-5, -10), 2);
    EXPECT_EQ(dimCommand_side(5, -10), 1);
    EXPECT_EQ(dimCommand_side(-5, 10), 1);
    /* What the division would give: x / +0 = +inf, x / -0 = -inf, 0 / x = 0, 0 / 0 = NaN. */
    EXPECT_EQ(dimCommand_side(5, 0.0), 2);
    EXPECT_EQ(dimCommand_side(5, -0.0), 1);
    EXPECT_EQ(dimCommand_side(-5, -0.0), 2);
    EXPECT_EQ(dimCommand_side(0, 10), 1);
    EXPECT_EQ(dimCommand_side(0, 0), 1);
    EXPECT_EQ(dimCommand_side(std::nan(""), 10), 1);
}

TEST(DimCommandTextFlags, MovesSetAndClearTheOutsideBits) {
    const int ALL = TEXT_SHIFTED | TEXT_OUTSIDE | TEXT_BEYOND_END;
    struct Case {
        const char* what;
        int k, count;
        double sx, ex, shift;
        int before, after;
    };
    const Case cases[] = {
        {"last text past the far end",         1, 2, 0, 100,  130, 0, ALL},
        {"last text back inside",              1, 2, 0, 100,   30, ALL, TEXT_SHIFTED},
        {"back to the middle clears all",      1, 2, 0, 100,   50, ALL, 0},
        {"first text before the start",        0, 2, 0, 100,  -20, 0, TEXT_SHIFTED | TEXT_OUTSIDE},
        {"first text back inside",             0, 2, 0, 100,   20, TEXT_SHIFTED | TEXT_OUTSIDE, TEXT_SHIFTED},
        {"middle text keeps the other bits",   1, 3, 0, 100,  130, TEXT_OUTSIDE, TEXT_SHIFTED | TEXT_OUTSIDE},
        {"single segment before its start",    0, 1, 0, 100,  -20, 0, TEXT_SHIFTED | TEXT_OUTSIDE},
        {"single segment beyond its end",      0, 1, 0, 100,  120, 0, ALL},
        {"reversed segment beyond its end",    1, 2, 0, -100, -130, 0, ALL},
        {"reversed segment inside",            1, 2, 0, -100, -30, ALL, TEXT_SHIFTED},
    };
    for (const Case& c : cases) {
        SegmentText text{};
        text.textFlags = c.before;
        text.shift = c.shift;
        dimModify_textMoveFlags(&text, c.k, c.count, c.sx, c.ex);
        EXPECT_EQ(text.textFlags, c.after) << c.what;
    }
}

TEST_F(DimCommandsTest, PlacementStopsAtTwentyFourSegments) {
    MSElement line = lineAt(30, {0, 0, 0}, 60);
    ASSERT_NE(mdlElement_add(&line), 0u);
    cmdPlaceDimension(nullptr);
    ASSERT_TRUE(sim::interact::dataPoint(at(10 * std::cos(PI / 6), 5), 1));
    ASSERT_TRUE(sim::interact::dataPoint(at(0, 20), 1));
    DimensionRecord& d = tarvik().settings->dimTemplate;
    for (int i = 1; i <= 26; ++i) ASSERT_TRUE(sim::interact::dataPoint(at(8.66 + i, 5 + i * 0.577), 1));
    DimPoint last = d.points[DIM_MAX_SEGMENTS];
    ASSERT_TRUE(sim::interact::cursorMove(at(90, 40), 1));
    EXPECT_EQ(std::memcmp(&last, &d.points[DIM_MAX_SEGMENTS], sizeof last), 0);
    ASSERT_TRUE(sim::interact::dataPoint(at(90, 40), 1));
    EXPECT_EQ(sim::messageField(MSG_PROMPT), "A dimension holds at most 24 segments");
    ASSERT_TRUE(sim::interact::reset());
    DimensionRecord stored{};
    int32_t current = 0;
    uint32_t cell = 2; /* after the line */
    MSElementDescr* descr = nullptr;
    ASSERT_GT(mdlElmdscr_read(&descr, cell, nullptr, 0, nullptr), 0);
    uint32_t firstComponent = cell + 1;
    mdlElmdscr_freeAll(&descr);
    EXPECT_EQ(dimRecord_readInto(&stored, &current, cell, nullptr, firstComponent), DIM_COMPONENT_EXTENSION);
    EXPECT_EQ(stored.segmentCount, DIM_MAX_SEGMENTS);
}

TEST_F(DimCommandsTest, ALineStringGivesTheSegmentThatWasHit) {
    /* Horizontal, then up along the 90 degree axis, then along the 30 degree axis. */
    Dpoint3d vertices[4] = {at(10, 10), at(30, 10), at(30, 30), at(30 + 20 * std::cos(PI / 6), 40)};
    MSElement string;
    ASSERT_EQ(mdlLineString_create(&string, nullptr, vertices, 4), 0);
    ASSERT_NE(mdlElement_add(&string), 0u);
    cmdDimensionElement(nullptr);
    WorkingState& gd = *tarvik().gd;
    /* On the horizontal segment: refused, nothing located. */
    ASSERT_TRUE(sim::interact::dataPoint(at(20, 10), 1));
    EXPECT_EQ(mdlElement_getFilePos(FILEPOS_LOCATED_ELEMENT, nullptr), 0u);
    ASSERT_TRUE(sim::interact::dataPoint(at(30, 20), 1));
    EXPECT_EQ(gd.locatedRotation, 3);
    EXPECT_DOUBLE_EQ(gd.baseOrigin.y, vertices[1].y);
    EXPECT_DOUBLE_EQ(gd.locatedEnd.y, vertices[2].y);
    ASSERT_TRUE(sim::interact::reset());   /* no other candidate: start over */
    ASSERT_TRUE(sim::interact::dataPoint(at(30 + 10 * std::cos(PI / 6), 35), 1));
    EXPECT_EQ(gd.locatedRotation, 1);
    EXPECT_DOUBLE_EQ(gd.baseOrigin.x, vertices[2].x);
    EXPECT_DOUBLE_EQ(gd.locatedEnd.x, vertices[3].x);
}

TEST_F(DimCommandsTest, ALocateThatFindsNothingGivesTheLockBack) {
    MSElement line = lineAt(30, {10, 10, 0}, 20);
    ASSERT_NE(mdlElement_add(&line), 0u);
    mdlParams_setLock(LOCK_517, 1);
    cmdDimensionElement(nullptr);
    ASSERT_TRUE(sim::interact::dataPoint(at(80, 70), 1));   /* nothing there */
    sim::runCommandQueue();
    EXPECT_EQ(mdlParams_getLock(LOCK_517), 1);
    /* A second miss still knows the user's lock was on. */
    ASSERT_TRUE(sim::interact::dataPoint(at(80, 60), 1));
    sim::runCommandQueue();
    EXPECT_EQ(mdlParams_getLock(LOCK_517), 1);
    /* Found: off while the element is held, on again after the accepting point. */
    ASSERT_TRUE(sim::interact::dataPoint(at(10 + 10 * std::cos(PI / 6), 15), 1));
    sim::runCommandQueue();
    EXPECT_EQ(mdlParams_getLock(LOCK_517), 0);
    ASSERT_TRUE(sim::interact::dataPoint(at(20, 30), 1));
    sim::runCommandQueue();
    EXPECT_EQ(mdlParams_getLock(LOCK_517), 1);
}

/* A pick that takes nothing says why in the status field, and the prompt
** says what the next point does once a pick took something. */
TEST_F(DimCommandsTest, APickThatTakesNothingSaysWhy) {
    MSElement skew = lineAt(45, {10, 10, 0}, 20), axis = lineAt(30, {10, 40, 0}, 20);
    ASSERT_NE(mdlElement_add(&skew), 0u);
    ASSERT_NE(mdlElement_add(&axis), 0u);
    Dpoint3d onSkew = at(10 + 10 * std::cos(PI / 4), 10 + 10 * std::sin(PI / 4));
    Dpoint3d onAxis = at(10 + 10 * std::cos(PI / 6), 45);
    auto status = [] { return sim::messageField(MSG_STATUS); };
    auto prompt = [] { return sim::messageField(MSG_PROMPT); };

    cmdDimensionElement(nullptr);
    ASSERT_TRUE(sim::interact::dataPoint(at(80, 80), 1));
    EXPECT_EQ(status(), "Nothing found at this point");
    ASSERT_TRUE(sim::interact::dataPoint(onSkew, 1));
    EXPECT_EQ(status(), "The line runs along no isometric axis");
    EXPECT_EQ(prompt(), "Identify an isometric line to dimension");
    ASSERT_TRUE(sim::interact::dataPoint(onAxis, 1));
    EXPECT_EQ(status(), "");
    EXPECT_EQ(prompt(), "Place the dimension line, reset for the next element");

    cmdSkewHorizontal(nullptr);
    ASSERT_TRUE(sim::interact::dataPoint(onAxis, 1));
    EXPECT_EQ(status(), "The line runs along an isometric axis: it is not skew");

    /* Placement locates through the host: its filter tells, once per pick. */
    cmdPlaceDimension(nullptr);
    ASSERT_TRUE(sim::interact::dataPoint(onSkew, 1));
    EXPECT_EQ(status(), "The line runs along no isometric axis");
    ASSERT_TRUE(sim::interact::dataPoint(onAxis, 1));
    EXPECT_EQ(status(), "");
    EXPECT_EQ(prompt(), "Place the dimension line beside the line, reset to start over");
    ASSERT_TRUE(sim::interact::dataPoint(at(10 + 15 * std::cos(PI / 6), 47.5), 1));   /* along the axis */
    EXPECT_EQ(status(), "The dimension line cannot lie along its own axis");
    ASSERT_TRUE(sim::interact::dataPoint(at(10, 55), 1));
    EXPECT_EQ(prompt(), "Enter the next dimension point, reset to store the dimension");

    /* The modify commands take dimensions only. */
    cmdModifyDimension(nullptr);
    ASSERT_TRUE(sim::interact::dataPoint(onSkew, 1));
    EXPECT_EQ(status(), "Not part of an isometric dimension");
}

/* Edit the single text of a one-segment chain, the dialog leaving ANSWER in
** dimText; answers the text element's string afterwards. */
class DimEditTextTest : public DimCommandsTest {
protected:
    std::string edit(const char* answer) {
        DimensionRecord d;
        uint32_t cell = storeOneSegment(d);
        EXPECT_NE(cell, 0u);
        uint32_t textPos = cell + 3; /* extension lines 0 and 1, then the text */
        MSElement text;
        EXPECT_EQ(mdlElement_read(&text, nullptr, textPos), 0);
        Dpoint3d origin;
        mdlText_extract(nullptr, 0, &origin, nullptr, nullptr, nullptr, nullptr, nullptr, &text, nullptr);
        sim::setModalHandler([answer](DialogBox*) {
            std::strncpy(tarvik().settings->dimText, answer, SETTINGS_DIMTEXT_SIZE - 1);
            return int(ACTIONBUTTON_OK);
        });
        cmdEditText(nullptr);
        /* Half a text height above the text's base, across its slant. */
        Dpoint3d pick{origin.x + 1.25 * UOR * std::cos(PI * 2 / 3), origin.y + 1.25 * UOR * std::sin(PI * 2 / 3), 0};
        EXPECT_TRUE(sim::interact::dataPoint(pick, 1));
        EXPECT_TRUE(sim::interact::dataPoint(pick, 1));
        EXPECT_EQ(mdlElement_read(&text, nullptr, textPos), 0);
        char string[64] = {};
        mdlText_extract(string, sizeof string, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &text, nullptr);
        /* The edited dimension still reads back whole. */
        DimensionRecord back{};
        int32_t current = 0;
        EXPECT_EQ(dimRecord_readInto(&back, &current, cell, nullptr, textPos), DIM_COMPONENT_TEXT);
        EXPECT_STREQ(back.texts[0].text, string);
        return string;
    }
};

TEST_F(DimEditTextTest, TheAnsweredTextReplacesTheOldOne) { EXPECT_EQ(edit("1250"), "1250"); }

TEST_F(DimEditTextTest, AnOverlongTextIsCutToWhatASegmentHolds) {
    EXPECT_EQ(edit("ABCDEFGHIJKLMNO"), "ABCDEFGHIJK");
}

TEST_F(DimEditTextTest, AnEmptyTextLeavesTheElementAlone) { EXPECT_EQ(edit(""), "100"); }



TEST_F(DimCommandsTest, AMoveThatCannotBeStoredKeepsTheOldDimension) {
    DimensionRecord d;
    uint32_t cell = storeOneSegment(d);
    ASSERT_NE(cell, 0u);
    /* The extension line of point 1, picked halfway out, moved along the axis. */
    Dpoint3d end = d.points[1].base;
    Dpoint3d pick{end.x + 5 * UOR * std::cos(5 * PI / 6), end.y + 5 * UOR * std::sin(5 * PI / 6), 0};
    cmdModifyDimension(nullptr);
    ASSERT_TRUE(sim::interact::dataPoint(pick, 1));
    sim::failAllocations(1000000);
    ASSERT_TRUE(sim::interact::dataPoint({pick.x + 5 * UOR, pick.y, 0}, 1));
    int refused = sim::failedAllocations();
    sim::failAllocations(0);
    EXPECT_GT(refused, 0);
    MSElementDescr* descr = nullptr;
    ASSERT_GT(mdlElmdscr_read(&descr, cell, nullptr, 0, nullptr), 0) << "the old dimension was lost";
    mdlElmdscr_freeAll(&descr);
    DimensionRecord back{};
    int32_t current = 0;
    EXPECT_EQ(dimRecord_readInto(&back, &current, cell, nullptr, cell + 2), DIM_COMPONENT_EXTENSION);
    EXPECT_DOUBLE_EQ(back.points[1].base.x, end.x);
    /* Once the host can store again the same move goes through. */
    ASSERT_TRUE(sim::interact::dataPoint(pick, 1));
    ASSERT_TRUE(sim::interact::dataPoint({pick.x + 5 * UOR, pick.y, 0}, 1));
    EXPECT_LE(mdlElmdscr_read(&descr, cell, nullptr, 0, nullptr), 0) << "the old cell is replaced";
    if (descr) mdlElmdscr_freeAll(&descr);
}

}  // namespace
