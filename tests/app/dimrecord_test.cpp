#include "app/dimrecord.h"

#include <cmath>
#include <cstring>
#include <numbers>

#include "app_fixture.h"
#include "host/mdlelement.h"
#include "host/sim/design/design.h"
#include "lib/core/error_int.h"
#include "lib/core/plotscale.h"
#include "lib/elements/userdata.h"

namespace {

/* Little-endian writers independent of the packer, for the expected bytes. */
void expectInt(std::vector<uint8_t>& out, int32_t v) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(static_cast<uint32_t>(v) >> (8 * i)));
}
void expectDouble(std::vector<uint8_t>& out, double v) {
    uint64_t bits;
    std::memcpy(&bits, &v, 8);
    for (int i = 0; i < 8; ++i) out.push_back(static_cast<uint8_t>(bits >> (8 * i)));
}

DimensionRecord sampleRecord() {
    DimensionRecord d{};
    d.side = 1;
    d.rotation = 1;
    d.segmentCount = 3;
    d.lineOffset = -7.5;
    d.extensionGap = 1.25;
    d.extensionOvershoot = 2.5;
    d.textGap = 0.75;
    d.terminatorType = 3;
    d.terminatorWidth = 2.0;
    d.terminatorLength = 3.5;
    d.minArrowSpace = 4.25;
    d.textMargin = 2.75;
    d.dimFlags = 5;
    for (int i = 0; i <= 3; ++i) {
        d.points[i].base = {1000.0 + 866.0 * i, 2000.0 + 500.0 * i, 0.0};
        d.points[i].offset = 10.0 * i - 5.0;
    }
    const char* texts[] = {"100", "250.5", "abc"};
    for (int i = 0; i < 3; ++i) {
        dimRecord_setText(&d.texts[i], texts[i]);
        d.texts[i].textFlags = i;
        d.texts[i].shift = 12.5 * i;
    }
    return d;
}

class DimRecordTest : public AppTest {
protected:
    std::unique_ptr<sim::CurrentApplicationScope> scope;
    std::vector<uint32_t> componentPositions; /* in creation order */

    void SetUp() override {
        AppTest::SetUp();
        start();
        std::string error;
        ASSERT_TRUE(sim::design::open(dir + "/dims.dgn", true, error)) << error;
        scope = std::make_unique<sim::CurrentApplicationScope>(app);
        modalDialogs.clear();
    }
    void TearDown() override {
        scope.reset();
        AppTest::TearDown();
    }
    static void addLine(MSElementDescr* cell, Dpoint3d a, Dpoint3d b, int kind, int index, const DimensionRecord& d) {
        MSElement line;
        Dpoint3d points[2] = {a, b};
        ASSERT_EQ(mdlLine_create(&line, nullptr, points), 0);
        if (kind) {
            ASSERT_EQ(dimRecord_writeComponentData(&line, kind, index, &d), 0);
        }
        ASSERT_EQ(mdlElmdscr_appendElement(cell, &line), 0);
    }
    /* Store D as a cell with ORIGIN in the order extension line 0, then per
    ** segment: extension line, text, dimension line, two arrowheads. HEADER
    ** replaces the header data when given. Answers the header's position. */
    uint32_t store(const DimensionRecord& d, Dpoint3d origin, const char* name = "TARVIK",
                   const std::vector<char>* header = nullptr, int headerVersion = 3, const char* longText = nullptr) {
        MSElement cellHeader;
        MSWChar wide[16] = {};
        for (int i = 0; name[i]; ++i) wide[i] = static_cast<MSWChar>(name[i]);
        EXPECT_EQ(mdlCell_create(&cellHeader, wide, &origin, 0), 0);
        MSElementDescr* cell = nullptr;
        EXPECT_EQ(mdlElmdscr_new(&cell, nullptr, &cellHeader), 0);
        if (header)
            EXPECT_EQ(zmlibAttrib_appendElementUserData(13, headerVersion, &cell->el, header->data(),
                                                        static_cast<unsigned>(header->size())), 0);
        else
            EXPECT_EQ(dimRecord_writeHeaderData(&cell->el, &d), 0);
        auto up = [](Dpoint3d p) { return Dpoint3d{p.x, p.y + 20, p.z}; };
        addLine(cell, d.points[0].base, up(d.points[0].base), DIM_COMPONENT_EXTENSION, 0, d);
        for (int i = 0; i < d.segmentCount; ++i) {
            addLine(cell, d.points[i + 1].base, up(d.points[i + 1].base), DIM_COMPONENT_EXTENSION, i + 1, d);
            MSElement text;
            Dpoint3d at = up(d.points[i].base);
            EXPECT_EQ(mdlText_create(&text, nullptr, longText ? longText : d.texts[i].text, &at, nullptr, nullptr,
                                     nullptr, nullptr), 0);
            EXPECT_EQ(dimRecord_writeComponentData(&text, DIM_COMPONENT_TEXT, i, &d), 0);
            EXPECT_EQ(mdlElmdscr_appendElement(cell, &text), 0);
            addLine(cell, up(d.points[i].base), up(d.points[i + 1].base), DIM_COMPONENT_DIMLINE, i, d);
            addLine(cell, d.points[i].base, up(d.points[i].base), 0, 0, d);     /* arrowhead stand-ins */
            addLine(cell, d.points[i + 1].base, up(d.points[i + 1].base), 0, 0, d);
        }
        EXPECT_EQ(mdlCell_setRange(cell, nullptr), 0);
        uint32_t pos = mdlElmdscr_add(cell);
        componentPositions.clear();
        for (MSElementDescr* c = cell->firstChild; c; c = c->next) componentPositions.push_back(c->filePos);
        mdlElmdscr_freeAll(&cell);
        return pos;
    }
    static int readAt(DimensionRecord* d, int32_t* current, uint32_t componentPos) {
        uint32_t header = dimRecord_findHeader(componentPos, nullptr);
        return header ? dimRecord_readInto(d, current, header, nullptr, componentPos) : 0;
    }
    static void expectSameDimension(const DimensionRecord& a, const DimensionRecord& b) {
        EXPECT_EQ(a.side, b.side);
        EXPECT_EQ(a.rotation, b.rotation);
        EXPECT_DOUBLE_EQ(a.axisAngle, b.axisAngle);
        ASSERT_EQ(a.segmentCount, b.segmentCount);
        for (int i = 0; i <= a.segmentCount; ++i) {
            EXPECT_DOUBLE_EQ(a.points[i].base.x, b.points[i].base.x) << i;
            EXPECT_DOUBLE_EQ(a.points[i].base.y, b.points[i].base.y) << i;
            EXPECT_DOUBLE_EQ(a.points[i].offset, b.points[i].offset) << i;
        }
        for (int i = 0; i < a.segmentCount; ++i) {
            EXPECT_STREQ(a.texts[i].text, b.texts[i].text) << i;
            EXPECT_EQ(a.texts[i].textFlags, b.texts[i].textFlags) << i;
            EXPECT_DOUBLE_EQ(a.texts[i].shift, b.texts[i].shift) << i;
        }
        EXPECT_EQ(std::memcmp(&a.lineOffset, &b.lineOffset,
                              offsetof(DimensionRecord, dimFlags) + sizeof(int32_t) - offsetof(DimensionRecord, lineOffset)),
                  0);
    }
};

TEST(DimRecordLayout, HeaderBytesFollowTheTable) {
    DimensionRecord d = sampleRecord();
    char block[DIM_HEADER_SIZE + 4];
    std::memset(block, 0xEE, sizeof block);
    dimRecord_packHeader(block, &d, 50.0);
    std::vector<uint8_t> expected;
    expectInt(expected, 1);          /* side */
    expectInt(expected, 1);          /* rotation */
    expectInt(expected, 3);          /* segmentCount */
    expectDouble(expected, -7.5);    /* lineOffset */
    expectDouble(expected, 1.25);    /* extensionGap */
    expectDouble(expected, 2.5);     /* extensionOvershoot */
    expectDouble(expected, 0.75);    /* textGap */
    expectInt(expected, 3);          /* terminatorType */
    expectDouble(expected, 2.0);     /* terminatorWidth */
    expectDouble(expected, 3.5);     /* terminatorLength */
    expectDouble(expected, 50.0);    /* plot scale */
    expectDouble(expected, 4.25);    /* minArrowSpace */
    expectDouble(expected, 2.75);    /* textMargin */
    expectInt(expected, 5);          /* dimFlags */
    ASSERT_EQ(expected.size(), 92u);
    EXPECT_EQ(std::vector<uint8_t>(block, block + 92), expected);
    EXPECT_EQ(static_cast<uint8_t>(block[92]), 0xEE);
}

TEST(DimRecordLayout, ShortOrUnknownHeadersAreRefusedAndChangeNothing) {
    DimensionRecord d = sampleRecord();
    char block[DIM_HEADER_SIZE];
    dimRecord_packHeader(block, &d, 1.0);
    DimensionRecord target{};
    target.minArrowSpace = 9.0;
    DimensionRecord before = target;
    double scale = -1;
    EXPECT_NE(dimRecord_unpackHeader(&target, &scale, 3, block, DIM_HEADER_SIZE - 1), 0);
    EXPECT_NE(dimRecord_unpackHeader(&target, &scale, 2, block, DIM_HEADER_SIZE_V2 - 1), 0);
    EXPECT_NE(dimRecord_unpackHeader(&target, &scale, 4, block, DIM_HEADER_SIZE), 0);
    EXPECT_EQ(std::memcmp(&target, &before, sizeof target), 0);
    EXPECT_EQ(scale, -1);
    /* A segment count past 24 is damage, not a dimension. */
    d.segmentCount = 25;
    dimRecord_packHeader(block, &d, 1.0);
    EXPECT_NE(dimRecord_unpackHeader(&target, &scale, 3, block, DIM_HEADER_SIZE), 0);
    /* Version 2 stops after the plot scale and leaves the later fields alone. */
    d.segmentCount = 2;
    dimRecord_packHeader(block, &d, 20.0);
    ASSERT_EQ(dimRecord_unpackHeader(&target, &scale, 2, block, DIM_HEADER_SIZE_V2), 0);
    EXPECT_EQ(target.segmentCount, 2);
    EXPECT_EQ(target.terminatorLength, 3.5);
    EXPECT_EQ(scale, 20.0);
    EXPECT_EQ(target.minArrowSpace, 9.0);
    EXPECT_EQ(target.textMargin, 0.0);
    EXPECT_EQ(target.dimFlags, 0);
}

TEST(DimRecordLayout, TextsAreCutToElevenCharactersAndAxisAnglesFollowRotation) {
    SegmentText t{};
    std::memset(t.text, 'x', sizeof t.text);
    dimRecord_setText(&t, "123456789012345");
    EXPECT_STREQ(t.text, "12345678901");
    DimensionRecord d{};
    d.rotation = 2;
    EXPECT_EQ(dimRecord_setAxisAngle(&d), 0);
    EXPECT_DOUBLE_EQ(d.axisAngle, 2 * std::numbers::pi - std::numbers::pi / 6);
    d.rotation = 3;
    EXPECT_EQ(dimRecord_setAxisAngle(&d), 0);
    EXPECT_DOUBLE_EQ(d.axisAngle, std::numbers::pi / 2);
    d.rotation = 7;
    EXPECT_EQ(dimRecord_setAxisAngle(&d), -1);
    EXPECT_DOUBLE_EQ(d.axisAngle, std::numbers::pi / 2);
}

TEST_F(DimRecordTest, ComponentDataRefusesBadKindsAndIndexes) {
    DimensionRecord d = sampleRecord();
    MSElement line;
    Dpoint3d points[2] = {{0, 0, 0}, {1, 0, 0}};
    ASSERT_EQ(mdlLine_create(&line, nullptr, points), 0);
    EXPECT_NE(dimRecord_writeComponentData(&line, DIM_COMPONENT_DIMLINE + 1, 0, &d), 0);
    EXPECT_NE(dimRecord_writeComponentData(&line, DIM_COMPONENT_TEXT, 24, &d), 0);
    EXPECT_NE(dimRecord_writeComponentData(&line, DIM_COMPONENT_EXTENSION, 25, &d), 0);
    EXPECT_NE(dimRecord_writeComponentData(&line, DIM_COMPONENT_DIMLINE, -1, &d), 0);
    /* Without data the element is skipped: success, kind unchanged. */
    int kind = 77;
    int32_t current = 5;
    EXPECT_EQ(dimRecord_readComponentData(&line, &d, &current, &kind), 0);
    EXPECT_EQ(kind, 77);
    EXPECT_EQ(current, 5);
    /* Data shorter than its kind's layout is damage. */
    const int32_t shortExtension[4] = {DIM_COMPONENT_EXTENSION, 1, 0, 0};
    ASSERT_EQ(zmlibAttrib_appendElementUserData(13, 3, &line, shortExtension, 16), 0);
    EXPECT_NE(dimRecord_readComponentData(&line, &d, &current, &kind), 0);
    EXPECT_EQ(current, 5);
}

TEST_F(DimRecordTest, EveryComponentReadsBackTheWholeRecord) {
    DimensionRecord d = sampleRecord();
    dimRecord_setAxisAngle(&d);
    uint32_t header = store(d, d.points[0].base);
    ASSERT_NE(header, 0u);
    ASSERT_EQ(componentPositions.size(), 1u + 5u * 3u);
    /* Expected kind and index of each component, in creation order. */
    using Kind = std::pair<int, int>;
    std::vector<Kind> expected = {{DIM_COMPONENT_EXTENSION, 0}};
    for (int i = 0; i < 3; ++i)
        for (Kind k : {Kind{DIM_COMPONENT_EXTENSION, i + 1}, Kind{DIM_COMPONENT_TEXT, i}, Kind{DIM_COMPONENT_DIMLINE, i},
                       Kind{0, 0}, Kind{0, 0}})
            expected.push_back(k);
    for (size_t c = 0; c < componentPositions.size(); ++c) {
        SCOPED_TRACE(c);
        DimensionRecord back{};
        int32_t current = -1;
        EXPECT_EQ(dimRecord_findHeader(componentPositions[c], nullptr), header);
        int kind = readAt(&back, &current, componentPositions[c]);
        EXPECT_EQ(kind, expected[c].first);
        if (kind == 0) {
            /* An arrowhead carries no data: refused, record untouched. */
            EXPECT_EQ(back.segmentCount, 0);
            continue;
        }
        EXPECT_EQ(current, expected[c].second);
        expectSameDimension(back, d);
    }
    /* The header itself is not a component of the dimension. */
    DimensionRecord back{};
    EXPECT_EQ(dimRecord_readInto(&back, nullptr, header, nullptr, header), 0);
    EXPECT_TRUE(modalDialogs.empty());
}

TEST_F(DimRecordTest, ReadingMakesTheStoredPlotScaleActive) {
    ASSERT_EQ(zmlibPlotScale_setActiveScale(50.0, 0), 0);
    DimensionRecord d = sampleRecord();
    store(d, d.points[0].base);
    ASSERT_EQ(zmlibPlotScale_setActiveScale(100.0, 0), 0);
    DimensionRecord back{};
    int32_t current = 0;
    ASSERT_EQ(readAt(&back, &current, componentPositions[0]), DIM_COMPONENT_EXTENSION);
    EXPECT_EQ(*zmlibPlotScale_getActiveScaleP(), 50.0);
}

TEST_F(DimRecordTest, AMovedCellShiftsEveryBase) {
    DimensionRecord d = sampleRecord();
    Dpoint3d moved{d.points[0].base.x + 300, d.points[0].base.y - 40, 0};
    store(d, moved);
    DimensionRecord back{};
    int32_t current = 0;
    ASSERT_EQ(readAt(&back, &current, componentPositions[2]), DIM_COMPONENT_TEXT);
    for (int i = 0; i <= 3; ++i) {
        EXPECT_DOUBLE_EQ(back.points[i].base.x, d.points[i].base.x + 300) << i;
        EXPECT_DOUBLE_EQ(back.points[i].base.y, d.points[i].base.y - 40) << i;
        EXPECT_DOUBLE_EQ(back.points[i].offset, d.points[i].offset) << i;
    }
}

TEST_F(DimRecordTest, OlderHeadersKeepLaterFieldsAndNewerOnesAreRefused) {
    DimensionRecord d = sampleRecord();
    char block[DIM_HEADER_SIZE];
    dimRecord_packHeader(block, &d, 1.0);
    std::vector<char> v2(block, block + DIM_HEADER_SIZE_V2);
    store(d, d.points[0].base, "TARVIK", &v2, 2);
    DimensionRecord back{};
    back.minArrowSpace = 11.0;
    back.textMargin = 12.0;
    back.dimFlags = 13;
    int32_t current = 0;
    ASSERT_EQ(readAt(&back, &current, componentPositions[0]), DIM_COMPONENT_EXTENSION);
    EXPECT_EQ(back.terminatorLength, d.terminatorLength);
    EXPECT_EQ(back.minArrowSpace, 11.0);
    EXPECT_EQ(back.textMargin, 12.0);
    EXPECT_EQ(back.dimFlags, 13);
    EXPECT_TRUE(modalDialogs.empty());

    std::vector<char> v4(block, block + DIM_HEADER_SIZE);
    store(d, d.points[0].base, "TARVIK", &v4, 4);
    DimensionRecord untouched{};
    EXPECT_EQ(readAt(&untouched, &current, componentPositions[0]), 0);
    EXPECT_EQ(untouched.segmentCount, 0);
    EXPECT_EQ(modalDialogs, (std::vector<int32_t>{zmlib::error::DIALOG_MESSAGE_BOX}));
    const auto& box = zmlib::error::messageBoxState();
    ASSERT_EQ(box.lineCount, 2);
    EXPECT_STREQ(box.lines[0], "Incompatible dimension element!");
    EXPECT_STREQ(box.lines[1], "Constructed with newer version of Tarvik");
}

TEST_F(DimRecordTest, DamagedOrForeignCellsAreNotDimensions) {
    DimensionRecord d = sampleRecord();
    store(d, d.points[0].base, "OTHER");
    DimensionRecord back{};
    int32_t current = 0;
    EXPECT_EQ(readAt(&back, &current, componentPositions[0]), 0);
    char block[DIM_HEADER_SIZE];
    dimRecord_packHeader(block, &d, 1.0);
    std::vector<char> cut(block, block + 60);
    store(d, d.points[0].base, "TARVIK", &cut, 3);
    EXPECT_EQ(readAt(&back, &current, componentPositions[0]), 0);
    EXPECT_EQ(back.segmentCount, 0);
    /* A plain element is found as its own top-level element, not a dimension. */
    MSElement line;
    Dpoint3d points[2] = {{0, 0, 0}, {1, 0, 0}};
    ASSERT_EQ(mdlLine_create(&line, nullptr, points), 0);
    uint32_t pos = mdlElement_add(&line);
    ASSERT_NE(pos, 0u);
    EXPECT_EQ(dimRecord_findHeader(pos, nullptr), pos);
    EXPECT_EQ(readAt(&back, &current, pos), 0);
    EXPECT_TRUE(modalDialogs.empty());
}

TEST_F(DimRecordTest, ALongTextInTheFileIsCutToTheSlot) {
    DimensionRecord d = sampleRecord();
    store(d, d.points[0].base, "TARVIK", nullptr, 3, "1234567890ABCDEF");
    DimensionRecord back{};
    int32_t current = 0;
    ASSERT_EQ(readAt(&back, &current, componentPositions[2]), DIM_COMPONENT_TEXT);
    EXPECT_STREQ(back.texts[0].text, "1234567890A");
    EXPECT_STREQ(back.texts[2].text, "1234567890A");
}

TEST_F(DimRecordTest, ReadGoesToTheActiveDimension) {
    DimensionRecord d = sampleRecord();
    uint32_t header = store(d, d.points[0].base);
    TarvikState& t = tarvik();
    ASSERT_EQ(dimRecord_read(header, nullptr, componentPositions[6]), DIM_COMPONENT_EXTENSION);
    EXPECT_EQ(t.gd->current, 2);
    EXPECT_EQ(t.activeDimension->segmentCount, 3);
    EXPECT_EQ(t.activeDimension->points[2].offset, d.points[2].offset);
}

}  // namespace
