#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>

#include "host/mdlelement.h"
#include "host/mdlgeom.h"
#include "host/mdlsystem.h"
#include "host/mdllevel.h"
#include "host/mdltext.h"
#include "host/sim/design/design.h"
#include "host/sim/base/base.h"
#include "view_fixture.h"

namespace {

class TextTest : public ViewTest {};

/* A text of WIDTH x HEIGHT cells at ORIGIN with justification JUST and SLANT (radians, 0: none). */
MSElement makeText(const char* text, Dpoint3d origin, double width, double height, int just, double slant = 0,
                   const RotMatrix* rotation = nullptr) {
    MSElement el;
    TextSizeParam size{1, {width, height}, 1.0};
    TextParamWide params{};
    params.font = 3;
    params.just = just;
    params.textStyleId = -1;
    if (slant != 0) {
        params.flags = TXTPARAM_SLANT;
        params.slant = slant;
    }
    RotMatrix identity;
    mdlRMatrix_getIdentity(&identity);
    EXPECT_EQ(mdlText_create(&el, nullptr, text, &origin, rotation ? rotation : &identity, &size, &params, nullptr), 0);
    return el;
}

}  // namespace

TEST_F(TextTest, TextLengthExtentAndOutlineFollowTheMetricModel) {
    MSElement el = makeText("ABCD", {10, 20, 0}, 2, 3, 2);
    TextExtent extent{};
    TextSizeParam size{};
    TextParamWide params{};
    Dpoint3d origin, lowerLeft;
    int count = 0;
    char string[16];
    ASSERT_EQ(mdlText_extract(string, sizeof string, &origin, &lowerLeft, nullptr, &size, &params, &count, &el, &extent), 0);
    EXPECT_STREQ(string, "ABCD");
    EXPECT_EQ(count, 4);
    EXPECT_DOUBLE_EQ(extent.length, 8.0);
    EXPECT_DOUBLE_EQ(extent.height, 3.0);
    EXPECT_EQ(size.mode, 1);
    EXPECT_DOUBLE_EQ(size.size.x, 2.0);
    EXPECT_DOUBLE_EQ(size.size.y, 3.0);
    EXPECT_EQ(params.font, 3);
    EXPECT_EQ(params.just, 2);
    EXPECT_EQ(params.flags & TXTPARAM_SLANT, 0u);
    EXPECT_POINT(origin, 10, 20);
    EXPECT_POINT(lowerLeft, 10, 20);

    Dpoint3d shape[5];
    ASSERT_EQ(mdlText_extractShape(shape, &el), 0);
    EXPECT_POINT(shape[0], 10, 20);
    EXPECT_POINT(shape[1], 18, 20);
    EXPECT_POINT(shape[2], 18, 23);
    EXPECT_POINT(shape[3], 10, 23);
    EXPECT_POINT(shape[4], 10, 20);
}

TEST_F(TextTest, JustificationPlacesTheBoxAboutTheOrigin) {
    struct Case { int just; double llx, lly; };
    /* A text 8 long and 3 high at (10, 20). */
    const Case cases[] = {{0, 10, 17}, {1, 10, 18.5}, {2, 10, 20}, {6, 6, 17}, {7, 6, 18.5},
                          {8, 6, 20},  {12, 2, 17},   {13, 2, 18.5}, {14, 2, 20}};
    for (const Case& c : cases) {
        MSElement el = makeText("ABCD", {10, 20, 0}, 2, 3, c.just);
        Dpoint3d shape[5];
        ASSERT_EQ(mdlText_extractShape(shape, &el), 0);
        EXPECT_NEAR(shape[0].x, c.llx, 1e-9) << "justification " << c.just;
        EXPECT_NEAR(shape[0].y, c.lly, 1e-9) << "justification " << c.just;
        EXPECT_NEAR(shape[2].x - shape[0].x, 8, 1e-9);
    }
}

TEST_F(TextTest, SlantShearsTheTopEdgeAndRotationTurnsTheOutline) {
    double slant = M_PI / 6;
    MSElement el = makeText("AB", {0, 0, 0}, 1, 2, 2, slant);
    TextParamWide params{};
    ASSERT_EQ(mdlText_extract(nullptr, 0, nullptr, nullptr, nullptr, nullptr, &params, nullptr, &el, nullptr), 0);
    EXPECT_TRUE(params.flags & TXTPARAM_SLANT);
    EXPECT_DOUBLE_EQ(params.slant, slant);
    Dpoint3d shape[5];
    ASSERT_EQ(mdlText_extractShape(shape, &el), 0);
    double shear = 2 * std::tan(slant);
    EXPECT_POINT(shape[1], 2, 0);
    EXPECT_POINT(shape[2], 2 + shear, 2);
    EXPECT_POINT(shape[3], shear, 2);

    RotMatrix quarter;
    mdlRMatrix_fromAngle(&quarter, M_PI / 2);
    MSElement turned = makeText("AB", {5, 5, 0}, 1, 2, 2, 0, &quarter);
    ASSERT_EQ(mdlText_extractShape(shape, &turned), 0);
    EXPECT_POINT(shape[1], 5, 7);     /* the base runs up */
    EXPECT_POINT(shape[3], 3, 5);     /* the height runs to -x */
}

TEST_F(TextTest, StringsAreCutAtCharacterBoundariesAndOtherElementsRefused) {
    MSElement el = makeText("\xC3\x85" "bc", {0, 0, 0}, 1, 1, 2);   /* "Åbc" */
    char out[8];
    ASSERT_EQ(mdlText_extractString(out, 2, &el), 0);
    EXPECT_STREQ(out, "");          /* Å needs two bytes and the NUL */
    ASSERT_EQ(mdlText_extractString(out, 3, &el), 0);
    EXPECT_STREQ(out, "\xC3\x85");
    ASSERT_EQ(mdlText_extractString(out, sizeof out, &el), 0);
    EXPECT_STREQ(out, "\xC3\x85" "bc");

    MSElement line;
    Dpoint3d ends[2] = {{0, 0, 0}, {1, 0, 0}};
    ASSERT_EQ(mdlLine_create(&line, nullptr, ends), 0);
    Dpoint3d shape[5];
    EXPECT_NE(mdlText_extractString(out, sizeof out, &line), 0);
    EXPECT_NE(mdlText_extractShape(shape, &line), 0);
    EXPECT_NE(mdlText_extract(out, sizeof out, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &line, nullptr), 0);
    EXPECT_NE(mdlText_extractString(out, 0, &el), 0);
}

TEST(TextCompress, OptionsTrimAndCollapseWhiteSpace) {
    char text[64];
    std::strcpy(text, " \t a  \n b   ");
    EXPECT_EQ(mdlText_compressString(text, 1024, TEXT_COMPRESS_ALL), 3);
    EXPECT_STREQ(text, "a b");
    std::strcpy(text, "  a  b  ");
    EXPECT_EQ(mdlText_compressString(text, 0, TEXT_COMPRESS_LEADING), 6);
    EXPECT_STREQ(text, "a  b  ");
    std::strcpy(text, "  a  b  ");
    mdlText_compressString(text, 0, TEXT_COMPRESS_TRAILING | TEXT_COMPRESS_INTERNAL);
    EXPECT_STREQ(text, " a b");
    std::strcpy(text, "abcdef");
    EXPECT_EQ(mdlText_compressString(text, 4, 0), 4);
    EXPECT_STREQ(text, "abcd");
    std::strcpy(text, "a\xC3\x85");
    EXPECT_EQ(mdlText_compressString(text, 2, 0), 1);   /* not half a character */
    EXPECT_EQ(mdlText_compressString(nullptr, 4, 8), -1);
}

TEST_F(TextTest, StrokesFollowTheGeometryWithinTheTolerance) {
    Dpoint3d* pts = nullptr;
    int count = 0;
    MSElement shape;
    Dpoint3d tri[3] = {{0, 0, 0}, {10, 0, 0}, {0, 10, 0}};
    ASSERT_EQ(mdlShape_create(&shape, nullptr, tri, 3, 0), 0);
    ASSERT_EQ(mdlElement_stroke(&pts, &count, &shape, 0.01), 0);
    ASSERT_EQ(count, 4);   /* closed */
    EXPECT_POINT(pts[3], 0, 0);
    dlmSystem_mdlFree(pts);

    MSElement arc;
    Dpoint3d centre{0, 0, 0};
    ASSERT_EQ(mdlArc_create(&arc, nullptr, &centre, 100, 100, nullptr, 0, M_PI / 2), 0);
    ASSERT_EQ(mdlElement_stroke(&pts, &count, &arc, 0.1), 0);
    ASSERT_GT(count, 2);
    EXPECT_POINT(pts[0], 100, 0);
    EXPECT_POINT(pts[count - 1], 0, 100);
    for (int i = 0; i + 1 < count; ++i) {
        EXPECT_NEAR(std::hypot(pts[i].x, pts[i].y), 100, 1e-9);
        /* The chord's middle lies within the tolerance of the circle. */
        double mx = (pts[i].x + pts[i + 1].x) / 2, my = (pts[i].y + pts[i + 1].y) / 2;
        EXPECT_LE(100 - std::hypot(mx, my), 0.1 + 1e-9);
    }
    dlmSystem_mdlFree(pts);

    MSElement text = makeText("AB", {0, 0, 0}, 1, 1, 2);
    ASSERT_EQ(mdlElement_stroke(&pts, &count, &text, 0.01), 0);
    EXPECT_EQ(count, 5);
    dlmSystem_mdlFree(pts);
}

TEST_F(TextTest, DescriptorStrokesJoinEveryComponentAndFailCleanlyWithoutMemory) {
    MSElement cell, line;
    ASSERT_EQ(mdlCell_create(&cell, u"C", nullptr, 0), 0);
    MSElementDescr* d = nullptr;
    ASSERT_EQ(mdlElmdscr_new(&d, nullptr, &cell), 0);
    Dpoint3d a[2] = {{0, 0, 0}, {1, 0, 0}}, b[2] = {{2, 0, 0}, {3, 0, 0}};
    ASSERT_EQ(mdlLine_create(&line, nullptr, a), 0);
    ASSERT_EQ(mdlElmdscr_appendElement(d, &line), 0);
    ASSERT_EQ(mdlLine_create(&line, nullptr, b), 0);
    ASSERT_EQ(mdlElmdscr_appendElement(d, &line), 0);
    Dpoint3d* pts = nullptr;
    int count = 0;
    ASSERT_EQ(mdlElmdscr_stroke(&pts, &count, d, 0.01), 0);
    ASSERT_EQ(count, 4);
    EXPECT_POINT(pts[2], 2, 0);
    dlmSystem_mdlFree(pts);

    sim::failAllocations(1);
    EXPECT_NE(mdlElmdscr_stroke(&pts, &count, d, 0.01), 0);
    sim::failAllocations(0);
    EXPECT_EQ(pts, nullptr);
    EXPECT_EQ(count, 0);
    mdlElmdscr_freeAll(&d);
}

TEST_F(TextTest, EffectiveSymbologyResolvesByLevelValuesAndOverrides) {
    openFile("eff.dgn");
    UInt32 level = 7, colour = 5, weight = 3;
    Int32 style = 2;
    ASSERT_EQ(mdlLevel_setElementSymbology(nullptr, level, &colour, &style, nullptr, &weight, nullptr), 0);
    MSElement line;
    Dpoint3d a[2] = {{0, 0, 0}, {1, 0, 0}};
    ASSERT_EQ(mdlLine_create(&line, nullptr, a), 0);
    UInt32 byLevelColour = COLOR_BYLEVEL, byLevelWeight = WEIGHT_BYLEVEL, fixedColour = 9;
    Int32 byLevelStyle = STYLE_BYLEVEL;
    ASSERT_EQ(mdlElement_setProperties(&line, &level, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr), 0);
    ASSERT_EQ(mdlElement_setSymbology(&line, &byLevelColour, &byLevelWeight, &byLevelStyle), 0);
    UInt32 c = 0, w = 0;
    Int32 s = 0;
    ASSERT_EQ(mdlElement_getEffectiveSymbology(&c, &w, &s, &line, nullptr), 0);
    EXPECT_EQ(c, 5u);
    EXPECT_EQ(w, 3u);
    EXPECT_EQ(s, 2);
    ASSERT_EQ(mdlElement_setSymbology(&line, &fixedColour, nullptr, nullptr), 0);
    ASSERT_EQ(mdlElement_getEffectiveSymbology(&c, nullptr, nullptr, &line, nullptr), 0);
    EXPECT_EQ(c, 9u);

    UInt32 oc = 1, ow = 0;
    Int32 os = 0;
    ASSERT_EQ(mdlLevel_setSymbology(nullptr, level, &oc, &os, &ow), 0);
    ASSERT_EQ(mdlLevel_setOverrideSymbologyOn(nullptr, level, 1), 0);
    ASSERT_EQ(mdlElement_getEffectiveSymbology(&c, &w, &s, &line, nullptr), 0);
    EXPECT_EQ(c, 1u);
    EXPECT_EQ(w, 0u);
}

TEST_F(TextTest, RangesOfTextsCoverTheJustifiedSlantedOutline) {
    MSElement el = makeText("ABCD", {10, 20, 0}, 2, 3, 8, M_PI / 4);   /* centre bottom */
    MSElementDescr* d = nullptr;
    ASSERT_EQ(mdlElmdscr_new(&d, nullptr, &el), 0);
    Dpoint3d low, high;
    ASSERT_EQ(mdlElmdscr_computeRange(&low, &high, d, nullptr), 0);
    EXPECT_POINT(low, 6, 20);
    EXPECT_POINT(high, 14 + 3, 23);   /* the top edge moved by height x tan 45 */
    mdlElmdscr_freeAll(&d);
}
