#include <cmath>
#include <cstring>

#include "elements_fixture.h"
#include "host/mdlgeom.h"
#include "host/mdltext.h"
#include "host/mdllevel.h"
#include "lib/elements/element.h"
#include "lib/elements/userdata.h"

namespace {

using ElementCreationTest = ElementsTest;

ZmAttributeData textAttribute() {
    ZmAttributeData d{};
    d.applyMask = ZMATTR_COLOUR | ZMATTR_TEXTSIZE | ZMATTR_JUSTIFICATION;
    d.colour = 4;
    d.textWidth = 2.0;
    d.textHeight = 2.0;
    d.justification = 8;
    return d;
}

TEST_F(ElementCreationTest, TextWithJustificationOverrideLeavesTheAttributeUnchanged) {
    zmlibElmAttr_setGroupeNames(1, "Texts", 0, 0);
    ZmAttributeData d = textAttribute();
    d.applyMask &= ~ZMATTR_JUSTIFICATION;
    zmlibElmAttr_addAttribute(4, "Texts", 0, ZMATTR_KIND_TEXT, 0, nullptr, 0, &d);
    MSElementDescr* cell = nullptr;
    static MSElement header;
    Dpoint3d origin{0, 0, 0};
    ASSERT_EQ(mdlCell_create(&header, u"C", &origin, 0), 0);
    ASSERT_EQ(mdlElmdscr_new(&cell, nullptr, &header), 0);
    int just = 13;
    zmlibElement_createText(&origin, "10", 1.0, &just, 4, cell);
    ASSERT_EQ(mdlElmdscr_count(cell), 2);
    TextParamWide params{};
    ASSERT_EQ(mdlText_extract(nullptr, 0, nullptr, nullptr, nullptr, nullptr, &params, nullptr, &cell->firstChild->el,
                              nullptr),
              0);
    EXPECT_EQ(params.just, 13);
    ZmAttributeData after{};
    zmlibElmAttr_extractData(4, &after);
    EXPECT_EQ(std::memcmp(&after, &d, sizeof d), 0);
    /* An undefined attribute with an override creates nothing. */
    zmlibElement_createText(&origin, "10", 1.0, &just, 99, cell);
    EXPECT_EQ(mdlElmdscr_count(cell), 2);
    mdlElmdscr_freeAll(&cell);
}

TEST_F(ElementCreationTest, ConstructorsApplyTheAttributeAndAppend) {
    zmlibElmAttr_setGroupeNames(1, "Lines", 0, 0);
    ZmAttributeData d = textAttribute();
    zmlibElmAttr_addAttribute(1, "Lines", 0, 1, 0, nullptr, 0, &d);
    Dpoint3d centre{1, 2, 0};
    MSElementDescr* chain = nullptr;
    Dpoint3d points[3] = {{0, 0, 0}, {5, 0, 0}, {5, 5, 0}};
    zmlibElement_createLine(points, 1, nullptr);
    ASSERT_EQ(mdlElmdscr_new(&chain, nullptr, dgnBufP), 0);
    zmlibElement_createLineString(points, 3, 1, chain);
    zmlibElement_createShape(points, 3, 0, 1, chain);
    zmlibElement_createArc(&centre, 2.0, 0.0, M_PI, 1, chain);
    EXPECT_EQ(zmlibElement_createEllipse(&centre, 5.0, 1, chain), 0);
    EXPECT_EQ(zmlibElement_createEllipse(&centre, 5.0, 1, nullptr), 0);
    EXPECT_EQ(mdlElement_getType(dgnBufP), ELLIPSE_ELM);
    EXPECT_FALSE(mdlElement_isFilled(dgnBufP, nullptr));
    Dpoint3d low, high;
    MSElementDescr* circle = nullptr;
    mdlElmdscr_new(&circle, nullptr, dgnBufP);
    mdlElmdscr_computeRange(&low, &high, circle, nullptr);
    EXPECT_NEAR(high.x - low.x, 10.0, 1e-9);
    mdlElmdscr_freeAll(&circle);
    Dpoint3d end{1, 4, 0}, start{3, 2, 0};
    zmlibElement_createArcByCenter(&start, &centre, &end, 0, 1, chain);
    EXPECT_EQ(mdlElmdscr_count(chain), 6);
    int types[6], n = 0;
    for (MSElementDescr* e = chain; e; e = e->next) {
        types[n++] = mdlElement_getType(&e->el);
        UInt32 colour = 0;
        mdlElement_getSymbology(&colour, nullptr, nullptr, &e->el);
        EXPECT_EQ(colour, 4u) << n;
    }
    EXPECT_EQ(types[1], LINE_STRING_ELM);
    EXPECT_EQ(types[2], SHAPE_ELM);
    EXPECT_EQ(types[3], ARC_ELM);
    EXPECT_EQ(types[4], ELLIPSE_ELM);
    EXPECT_EQ(types[5], ARC_ELM);
    mdlElmdscr_freeAll(&chain);
}

TEST_F(ElementCreationTest, SymbologyByLevelAndFromALevel) {
    static MSElement line;
    makeLine(&line);
    EXPECT_EQ(zmlibElement_setSymbologyByLevel(&line), 0);
    UInt32 colour = 0, weight = 0;
    Int32 style = 0;
    mdlElement_getSymbology(&colour, &weight, &style, &line);
    EXPECT_EQ(colour, COLOR_BYLEVEL);
    EXPECT_EQ(weight, WEIGHT_BYLEVEL);
    EXPECT_EQ(style, STYLE_BYLEVEL);
    UInt32 level = 0;
    ASSERT_EQ(mdlLevel_create(&level, nullptr, u"Red", -1), 0);
    UInt32 red = 3, heavy = 5;
    Int32 dashed = 2;
    ASSERT_EQ(mdlLevel_setElementSymbology(nullptr, level, &red, &dashed, nullptr, &heavy, nullptr), 0);
    zmlibElement_setSymbologyFromLevel(&line, level);
    mdlElement_getSymbology(&colour, &weight, &style, &line);
    EXPECT_EQ(colour, 3u);
    EXPECT_EQ(weight, 5u);
    EXPECT_EQ(style, 2);
    zmlibElement_setSymbologyFromLevel(&line, 9999);   /* no such level: unchanged */
    mdlElement_getSymbology(&colour, nullptr, nullptr, &line);
    EXPECT_EQ(colour, 3u);
}

TEST_F(ElementCreationTest, StrippingKeepsOtherLinkagesAndCellNames) {
    static MSElement cell, out;
    Dpoint3d origin{0, 0, 0};
    ASSERT_EQ(mdlCell_create(&cell, u"TARVIK", &origin, 0), 0);
    ASSERT_EQ(mdlCell_setDescription(&cell, u"Chain"), 0);
    ASSERT_EQ(zmlibAttrib_appendElementUserData(13, 3, &cell, "abcd", 4), 0);
    LinkageHeader other{LINKAGE_USER_FLAG, 0x1234};
    mdlLinkage_setWords(&other, 4);
    uint8_t body[4] = {1, 2, 3, 4};
    ASSERT_EQ(mdlLinkage_appendToElement(&cell, &other, body, nullptr, nullptr), 0);
    EXPECT_EQ(zmlibElement_stripAttributes(&out, &cell), 1);
    EXPECT_EQ(mdlLinkage_count(&out), 1);
    EXPECT_EQ(zmlibElement_stripAttributes2(&out, &cell), 0);
    EXPECT_EQ(mdlLinkage_count(&out), 0);
    MSWChar name[32] = {}, description[32] = {};
    mdlCell_extractName(name, 32, &out);
    mdlCell_extractDescription(description, 32, &out);
    EXPECT_EQ(std::u16string(name), u"TARVIK");
    EXPECT_EQ(std::u16string(description), u"Chain");
    static MSElement line;
    makeLine(&line);
    ASSERT_EQ(zmlibAttrib_appendElementUserData(13, 3, &line, "abcd", 4), 0);
    EXPECT_EQ(zmlibElement_stripAttributes2(&out, &line), 0);
    EXPECT_EQ(mdlLinkage_count(&out), 0);
}

TEST_F(ElementCreationTest, FittingScalesAndCentresTheRange) {
    Dpoint3d points[2] = {{0, 0, 0}, {10, 5, 0}};
    mdlLine_create(dgnBufP, nullptr, points);
    MSElementDescr* d = nullptr;
    ASSERT_EQ(mdlElmdscr_new(&d, nullptr, dgnBufP), 0);
    Dpoint3d target[3] = {{100, 100, 0}, {0, 0, 0}, {120, 120, 0}};
    zmlibElemDscr_placeElementDescr(target, 1, d);
    Dpoint3d range[2];
    ASSERT_EQ(zmlibElemDscr_getRange(range, d), 0);
    EXPECT_NEAR(range[0].x, 100.0, 1e-9);   /* scale 2: 20 x 10, centred vertically */
    EXPECT_NEAR(range[1].x, 120.0, 1e-9);
    EXPECT_NEAR(range[0].y, 105.0, 1e-9);
    EXPECT_NEAR(range[1].y, 115.0, 1e-9);
    mdlElmdscr_freeAll(&d);
}

TEST_F(ElementCreationTest, FittingASinglePointAndAZeroWidthRectangle) {
    Dpoint3d points[2] = {{2, 3, 0}, {2, 3, 0}};
    mdlLine_create(dgnBufP, nullptr, points);
    MSElementDescr* d = nullptr;
    ASSERT_EQ(mdlElmdscr_new(&d, nullptr, dgnBufP), 0);
    Dpoint3d target[3] = {{0, 0, 0}, {0, 0, 0}, {0, 0.5, 0}};
    zmlibElemDscr_placeElementDescr(target, 0, d);
    EXPECT_EQ(target[2].x, 1.0);   /* the width the rectangle was given */
    Dpoint3d range[2];
    zmlibElemDscr_getRange(range, d);
    double s = 0.5 / 0.0001;       /* the height is the smaller fit */
    EXPECT_NEAR(range[0].x, 2 * s, 1e-6);
    EXPECT_NEAR(range[0].y, 3 * s, 1e-6);
    mdlElmdscr_freeAll(&d);
}

}  // namespace
