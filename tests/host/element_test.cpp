#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "host/mdlelement.h"
#include "host/mdlgeom.h"
#include "host/sim/design/design.h"
#include "support/host_fixture.h"

namespace {

using ElementLinkage = HostTest;
using ElementSymbology = HostTest;
using ElementConstructors = HostTest;
using ElementCells = HostTest;
using ElementLinear = HostTest;
using ElementLayout = HostTest;

const Dpoint3d kLine[2] = {{0, 0, 0}, {10, 0, 0}};

/* A user-data style linkage of SIZE data bytes under PRIMARYID. */
StatusInt appendLinkage(MSElement* el, int primaryId, const std::vector<uint8_t>& data) {
    int words = static_cast<int>((data.size() + 1) / 2 + 7) / 4 * 4;
    std::vector<uint8_t> buffer(2 * words, 0);
    LinkageHeader h{LINKAGE_USER_FLAG, static_cast<UInt16>(primaryId)};
    EXPECT_EQ(mdlLinkage_setWords(&h, words), 0);
    std::memcpy(buffer.data() + 4, data.data(), data.size());
    return mdlLinkage_appendToElement(el, &h, buffer.data() + 4, nullptr, nullptr);
}

}  // namespace

TEST_F(ElementLinkage, LengthsUpToTheLargestRoundTripThroughTheHeaderWord) {
    for (int words : {2, 4, 12, 0xFFF, 0x1000, 4100, static_cast<int>(MAX_LINKAGE_WORDS)}) {
        LinkageHeader h{LINKAGE_USER_FLAG, 0x4F33};
        ASSERT_EQ(mdlLinkage_setWords(&h, words), 0);
        EXPECT_EQ(mdlLinkage_getWords(&h), words);
        EXPECT_TRUE(h.headerWord & LINKAGE_USER_FLAG) << words;
    }
    LinkageHeader h{0, 1};
    EXPECT_NE(mdlLinkage_setWords(&h, 1), 0);
    EXPECT_NE(mdlLinkage_setWords(&h, MAX_LINKAGE_WORDS + 1), 0);
}

TEST_F(ElementLinkage, AppendExtractAndDeleteKeepOtherLinkages) {
    MSElement el;
    ASSERT_EQ(mdlLine_create(&el, nullptr, kLine), 0);
    int bare = mdlElement_size(&el);
    ASSERT_EQ(appendLinkage(&el, 0x4F33, {1, 2, 3, 4, 5, 6, 7, 8, 9}), 0);   /* 9 bytes: 12 words */
    ASSERT_EQ(appendLinkage(&el, 0x0100, {0xAA}), 0);
    ASSERT_EQ(appendLinkage(&el, 0x4F33, {7}), 0);
    EXPECT_EQ(mdlElement_size(&el), bare + 24 + 16 + 16);   /* four words in front, rounded to four */
    EXPECT_EQ(mdlLinkage_count(&el), 3);

    uint8_t out[8192];
    const void* found = mdlLinkage_extractFromElement(out, sizeof out, &el, 0x4F33, nullptr, nullptr, nullptr);
    ASSERT_NE(found, nullptr);
    EXPECT_EQ(mdlLinkage_getWords(reinterpret_cast<LinkageHeader*>(out)), 12);   /* the first one of the id */
    EXPECT_EQ(out[4], 1);
    EXPECT_EQ(out[12], 9);
    EXPECT_EQ(out[13], 0);
    /* Too small a buffer is refused rather than overrun. */
    EXPECT_EQ(mdlLinkage_extractFromElement(out, 23, &el, 0x4F33, nullptr, nullptr, nullptr), nullptr);

    EXPECT_EQ(mdlLinkage_deleteFromElement(&el, 0x4F33), 2);
    EXPECT_EQ(mdlLinkage_count(&el), 1);
    EXPECT_EQ(mdlElement_size(&el), bare + 16);
    EXPECT_EQ(mdlLinkage_extractFromElement(out, sizeof out, &el, 0x4F33, nullptr, nullptr, nullptr), nullptr);
    ASSERT_NE(mdlLinkage_extractFromElement(out, sizeof out, &el, 0x0100, nullptr, nullptr, nullptr), nullptr);
    EXPECT_EQ(out[4], 0xAA);

    MSElement stripped;
    ASSERT_EQ(mdlElement_stripAttributes(&stripped, &el), 0);
    EXPECT_EQ(mdlElement_size(&stripped), bare);
    EXPECT_EQ(mdlLinkage_count(&stripped), 0);
}

TEST_F(ElementLinkage, LinkageRunningPastTheElementIsRefusedEverywhere) {
    MSElement el;
    ASSERT_EQ(mdlLine_create(&el, nullptr, kLine), 0);
    ASSERT_EQ(appendLinkage(&el, 0x4F33, {1, 2, 3}), 0);
    int size = mdlElement_size(&el);
    /* State a length of 200 words for the linkage of 16 bytes at the element's end. */
    LinkageHeader* h = reinterpret_cast<LinkageHeader*>(el.bytes + size - 16);
    ASSERT_EQ(mdlLinkage_setWords(h, 200), 0);
    std::memset(el.bytes + size, 0xEE, 1024);   /* bytes past the end must never be read as data */
    uint8_t out[8192];
    EXPECT_EQ(mdlLinkage_extractFromElement(out, sizeof out, &el, 0x4F33, nullptr, nullptr, nullptr), nullptr);
    EXPECT_EQ(mdlLinkage_deleteFromElement(&el, 0x4F33), -1);
    EXPECT_EQ(mdlLinkage_count(&el), -1);
    EXPECT_NE(mdlElement_validate(&el), 0);
    EXPECT_EQ(mdlElement_size(&el), size);
    EXPECT_NE(mdlLinkage_appendToElement(&el, h, out, nullptr, nullptr), 0);
}

TEST_F(ElementLinkage, AppendRefusesToGrowPastTheLargestElement) {
    MSElement el;
    ASSERT_EQ(mdlLine_create(&el, nullptr, kLine), 0);
    std::vector<uint8_t> big(2 * MAX_LINKAGE_WORDS - 4, 1);
    LinkageHeader h{LINKAGE_USER_FLAG, 9};
    mdlLinkage_setWords(&h, MAX_LINKAGE_WORDS);
    int appended = 0;
    while (mdlLinkage_appendToElement(&el, &h, big.data(), nullptr, nullptr) == 0) ++appended;
    EXPECT_EQ(appended, 1);
    EXPECT_LE(mdlElement_size(&el), MAX_ELEMENT_SIZE);
    EXPECT_EQ(mdlElement_validate(&el), 0);
}

TEST_F(ElementSymbology, SettersAndGettersAndStyleParameters) {
    MSElement el;
    const Dpoint3d square[4] = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}};
    ASSERT_EQ(mdlShape_create(&el, nullptr, square, 4, 1), 0);
    EXPECT_TRUE(mdlElement_isFilled(&el, nullptr));
    UInt32 colour = 5, weight = 3;
    Int32 style = -2;
    ASSERT_EQ(mdlElement_setSymbology(&el, &colour, nullptr, &style), 0);
    ASSERT_EQ(mdlElement_setSymbology(&el, nullptr, &weight, nullptr), 0);
    UInt32 c, w;
    Int32 s;
    ASSERT_EQ(mdlElement_getSymbology(&c, &w, &s, &el), 0);
    EXPECT_EQ(c, 5u);
    EXPECT_EQ(w, 3u);
    EXPECT_EQ(s, -2);

    LineStyleParams p{STYLEMOD_SCALE | STYLEMOD_SWIDTH, 2.5, 0.5, 0.0};
    ASSERT_EQ(mdlElement_setLineStyle(&el, &style, &p), 0);
    ASSERT_EQ(mdlElement_setLineStyle(&el, &style, &p), 0);   /* replaces, never stacks */
    EXPECT_EQ(mdlLinkage_count(&el), 1);
    LineStyleParams back{};
    ASSERT_EQ(mdlElement_getLineStyleParams(&back, &el), 0);
    EXPECT_EQ(back.modifiers, p.modifiers);
    EXPECT_EQ(back.scale, 2.5);

    UInt32 level = 20, group = 7;
    int cls = 4;
    BoolInt hole = 1;
    ASSERT_EQ(mdlElement_setProperties(&el, &level, &group, &cls, nullptr, nullptr, nullptr, nullptr, &hole), 0);
    UInt32 l, g;
    int k;
    BoolInt h, locked;
    ASSERT_EQ(mdlElement_getProperties(&l, &g, &k, &locked, nullptr, nullptr, nullptr, &h, &el), 0);
    EXPECT_EQ(l, 20u);
    EXPECT_EQ(g, 7u);
    EXPECT_EQ(k, 4);
    EXPECT_TRUE(h);
    EXPECT_FALSE(locked);

    /* A non-graphic element has a level but no symbology. */
    uint8_t data[40] = {};
    sim::elem::put4(data, DATA_ELM);
    sim::elem::put4(data + 4, 20);
    sim::elem::put4(data + 8, 20);
    MSElement* d = reinterpret_cast<MSElement*>(data);
    EXPECT_NE(mdlElement_setSymbology(d, &colour, nullptr, nullptr), 0);
    EXPECT_EQ(mdlElement_validate(d), 0);
}

TEST_F(ElementConstructors, RefuseBadArgumentsAndLeaveTheBufferAlone) {
    MSElement el;
    ASSERT_EQ(mdlLine_create(&el, nullptr, kLine), 0);
    std::vector<uint8_t> before(el.bytes, el.bytes + mdlElement_size(&el));
    const Dpoint3d nan[2] = {{0, 0, 0}, {NAN, 0, 0}};
    EXPECT_NE(mdlLine_create(&el, nullptr, nan), 0);
    EXPECT_NE(mdlLineString_create(&el, nullptr, kLine, 1), 0);
    EXPECT_NE(mdlLineString_create(&el, nullptr, kLine, MAX_VERTICES + 1), 0);
    EXPECT_NE(mdlShape_create(&el, nullptr, kLine, 2, 0), 0);
    EXPECT_NE(mdlText_create(&el, nullptr, "", &kLine[0], nullptr, nullptr, nullptr, nullptr), 0);
    std::string tooLong(513, 'x');
    EXPECT_NE(mdlText_create(&el, nullptr, tooLong.c_str(), &kLine[0], nullptr, nullptr, nullptr, nullptr), 0);
    EXPECT_EQ(std::vector<uint8_t>(el.bytes, el.bytes + before.size()), before);
}

TEST_F(ElementConstructors, TextFromATemplateKeepsItsParametersWithANewString) {
    MSElement el;
    TextSizeParam size{1, {2.0, 3.0}, 1.0};
    TextParamWide params{};
    params.font = 105;
    params.just = 8;
    params.flags = TXTPARAM_SLANT;
    params.slant = M_PI / 6;
    RotMatrix r;
    mdlRMatrix_fromAngle(&r, M_PI / 6);
    Dpoint3d origin{5, 6, 0};
    ASSERT_EQ(mdlText_create(&el, nullptr, "12\xc3\xb8", &origin, &r, &size, &params, nullptr), 0);
    ASSERT_EQ(mdlText_create(&el, &el, "345", nullptr, nullptr, nullptr, nullptr, nullptr), 0);   /* in place */
    std::string line = sim::design::describeElement(1, el.bytes);
    EXPECT_NE(line.find("origin (5,6,0) angle 30 size 2x3 font 105 just 8 slant 30 \"345\""), std::string::npos) << line;
    MSWChar text[8];
    ASSERT_EQ(mdlText_extractStringWide(text, 8, &el), 0);
    EXPECT_EQ(std::u16string(text), u"345");
}

TEST_F(ElementCells, NameAndDescriptionGrowAndShrinkInPlaceKeepingLinkages) {
    MSElement cell;
    Dpoint3d origin{1, 2, 3};
    ASSERT_EQ(mdlCell_create(&cell, u"TARVIK", &origin, 0), 0);
    ASSERT_EQ(appendLinkage(&cell, 0x4F33, {42}), 0);
    ASSERT_EQ(mdlCell_setDescription(&cell, u"dimension chain"), 0);
    ASSERT_EQ(mdlCell_setName(&cell, u"T"), 0);
    MSWChar name[512], desc[512];
    ASSERT_EQ(mdlCell_extractName(name, 512, &cell), 0);
    ASSERT_EQ(mdlCell_extractDescription(desc, 512, &cell), 0);
    EXPECT_EQ(std::u16string(name), u"T");
    EXPECT_EQ(std::u16string(desc), u"dimension chain");
    uint8_t out[64];
    ASSERT_NE(mdlLinkage_extractFromElement(out, sizeof out, &cell, 0x4F33, nullptr, nullptr, nullptr), nullptr);
    EXPECT_EQ(out[4], 42);
    EXPECT_EQ(mdlElement_validate(&cell), 0);
    Dpoint3d o;
    ASSERT_EQ(mdlCell_extract(&o, nullptr, nullptr, nullptr, name, 2, &cell), 0);   /* cut to the buffer */
    EXPECT_EQ(std::u16string(name), u"T");
    EXPECT_TRUE(mdlVec_pointEqual(&o, &origin));
    std::u16string tooLong(513, u'x');
    EXPECT_NE(mdlCell_setName(&cell, tooLong.c_str()), 0);
}

TEST_F(ElementLinear, ExtractAndClosestSegment) {
    MSElement el;
    const Dpoint3d pts[4] = {{0, 0, 0}, {10, 0, 0}, {10, 10, 0}, {0, 10, 0}};
    ASSERT_EQ(mdlShape_create(&el, nullptr, pts, 4, 0), 0);
    Dpoint3d out[MAX_VERTICES];
    int n = 0;
    ASSERT_EQ(mdlLinear_extract(out, &n, &el, nullptr), 0);
    EXPECT_EQ(n, 4);
    Dpoint3d p{-3, 5, 0}, seg[2];
    EXPECT_EQ(mdlLinear_getClosestSegment(seg, &p, &el), 3);   /* the closing segment of a shape */
    EXPECT_DOUBLE_EQ(p.x, 0.0);
    EXPECT_DOUBLE_EQ(p.y, 5.0);
    Dpoint3d q{4, -2, 0};
    ASSERT_EQ(mdlLineString_create(&el, nullptr, pts, 3), 0);
    EXPECT_EQ(mdlLinear_getClosestSegment(nullptr, &q, &el), 0);
    EXPECT_DOUBLE_EQ(q.y, 0.0);
}

TEST_F(ElementLayout, LineAndStyleParameterBytesAreFixed) {
    MSElement el;
    const Dpoint3d pts[2] = {{1, 2, 3}, {-1, 0.5, 0}};
    ASSERT_EQ(mdlLine_create(&el, nullptr, pts), 0);
    UInt32 colour = 0x11223344, weight = 5, level = 20, group = 9;
    Int32 style = -3;
    int cls = 2;
    mdlElement_setSymbology(&el, &colour, &weight, &style);
    mdlElement_setProperties(&el, &level, &group, &cls, nullptr, nullptr, nullptr, nullptr, nullptr);
    LineStyleParams p{STYLEMOD_SCALE, 2.0, 0.0, 0.0};
    ASSERT_EQ(mdlElement_setLineStyle(&el, nullptr, &p), 0);
    const uint8_t header[56] = {
        3, 0, 0, 0,  68, 0, 0, 0,  52, 0, 0, 0,  20, 0, 0, 0,      /* type, words, attribute offset, level */
        0, 0, 0, 0, 0, 0, 0, 0,  0, 0, 0, 0, 0, 0, 0, 0,           /* id and time stamp: not added yet */
        0x44, 0x33, 0x22, 0x11,  5, 0, 0, 0,  0xFD, 0xFF, 0xFF, 0xFF,  9, 0, 0, 0,
        2, 0,  0, 0,  0, 0, 0, 0};                                 /* class, properties, fill colour */
    ASSERT_EQ(mdlElement_size(&el), 136);
    EXPECT_EQ(std::vector<uint8_t>(el.bytes, el.bytes + 56), std::vector<uint8_t>(header, header + 56));
    EXPECT_EQ(sim::elem::getD(el.bytes + 56), 1.0);
    EXPECT_EQ(sim::elem::getD(el.bytes + 72), 3.0);
    EXPECT_EQ(sim::elem::getD(el.bytes + 88), 0.5);
    const uint8_t link[16] = {16, 0, 0x01, 0x7D, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x40};   /* 2.0 little-endian */
    EXPECT_EQ(std::vector<uint8_t>(el.bytes + 104, el.bytes + 120), std::vector<uint8_t>(link, link + 16));
}
