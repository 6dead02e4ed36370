#include "app/dimtext.h"

#include <cmath>
#include <cstring>
#include <numbers>
#include <string>
#include <vector>

#include "app/dimdraw.h"
#include "app/dimrecord.h"
#include "app_fixture.h"
#include "host/mdlelement.h"
#include "host/sim/design/design.h"
#include "host/sim/interaction/interaction.h"

namespace {

constexpr double PI = std::numbers::pi;
constexpr double UOR = 1000.0; /* UORs per master unit of a new design file */

TEST(DimTextFormat, DecimalsGiveWayToTheElevenCharacters) {
    char text[DIM_TEXT_SIZE];
    dimText_format(text, 1234.5678, 2);
    EXPECT_STREQ(text, "1234.57");
    dimText_format(text, 1234.56, 0);
    EXPECT_STREQ(text, "1235");
    dimText_format(text, 12345678.123, 4);
    EXPECT_STREQ(text, "12345678.12");
    dimText_format(text, 1.5e12, 0);
    EXPECT_STREQ(text, "1.500e+12");
}

class DimTextTest : public AppTest {
protected:
    void SetUp() override {
        AppTest::SetUp();
        startOnNewDesign("texts.dgn");
        tarvik().settings->measuredTexts = 1;
        tarvik().settings->measuredDecimals = 0;
    }
    void TearDown() override {
        sim::interact::resetForTests();
        scope.reset();
        sim::design::close();
        AppTest::TearDown();
    }
    /* D master units along the 30 degree axis from the origin, moved OUT along 150 degrees. */
    static Dpoint3d along(double d, double out = 0) {
        return {(d * std::cos(PI / 6) + out * std::cos(5 * PI / 6)) * UOR,
                (d * std::sin(PI / 6) + out * std::sin(5 * PI / 6)) * UOR, 0};
    }
    /* The last dimension chain stored. */
    static DimensionRecord lastChain() {
        DimensionRecord found{};
        for (UInt32 pos = 1; pos <= mdlModelRef_getEof(nullptr); ++pos) {
            DimensionRecord d{};
            int32_t current = 0;
            if (dimRecord_readInto(&d, &current, pos, nullptr, pos + 1) != 0) found = d;
        }
        return found;
    }
    static std::vector<std::string> texts(const DimensionRecord& d) {
        std::vector<std::string> out;
        for (int i = 0; i < d.segmentCount; ++i) out.push_back(d.texts[i].text);
        return out;
    }
    static std::vector<bool> measured(const DimensionRecord& d) {
        std::vector<bool> out;
        for (int i = 0; i < d.segmentCount; ++i) out.push_back((d.texts[i].textFlags & TEXT_MEASURED) != 0);
        return out;
    }
    static void type(const char* text) {
        DialogBox* toolbox = sim::findOpenDialog(DIALOG_MAIN);
        ASSERT_NE(toolbox, nullptr);
        std::string error;
        int item = sim::findItem(toolbox, "3", error);
        ASSERT_TRUE(sim::userSetItem(toolbox, item, text, error)) << error;
    }
};

TEST_F(DimTextTest, ANewSegmentSaysItsLengthUnlessATextWasTypedForIt) {
    Dpoint3d ends[2] = {along(0), along(60)};
    MSElement line;
    ASSERT_EQ(mdlLine_create(&line, nullptr, ends), 0);
    ASSERT_NE(mdlElement_add(&line), 0u);
    cmdPlaceDimension(nullptr);
    ASSERT_TRUE(sim::interact::dataPoint(along(0), 1));
    ASSERT_TRUE(sim::interact::dataPoint(along(0, 10), 1));
    ASSERT_TRUE(sim::interact::dataPoint(along(10), 1));
    type("ABC");
    ASSERT_TRUE(sim::interact::dataPoint(along(25), 1));
    ASSERT_TRUE(sim::interact::dataPoint(along(45.4), 1));
    ASSERT_TRUE(sim::interact::reset());
    DimensionRecord d = lastChain();
    EXPECT_EQ(texts(d), (std::vector<std::string>{"10", "ABC", "20"}));
    EXPECT_EQ(measured(d), (std::vector<bool>{true, false, true}));

    /* In sub-units the file's sub-units per master unit (mm per m here) apply. */
    tarvik().settings->measuredUnits = MEASURED_IN_SUB;
    tarvik().settings->measuredDecimals = 1;
    cmdPlaceDimension(nullptr);
    ASSERT_TRUE(sim::interact::dataPoint(along(0), 1));
    ASSERT_TRUE(sim::interact::dataPoint(along(0, 10), 1));
    ASSERT_TRUE(sim::interact::dataPoint(along(12.3456), 1));
    ASSERT_TRUE(sim::interact::reset());
    EXPECT_EQ(texts(lastChain()), (std::vector<std::string>{"12345.6"}));
}

/* A chain of two measured segments (10 and 20 along the 30 degree axis);
** its first text edited, then points inserted and deleted. */
TEST_F(DimTextTest, MeasuredTextsFollowInsertAndDeleteAndAnEditedTextStays) {
    DimensionRecord d = tarvik().settings->dimTemplate;
    d.side = 1;
    d.rotation = 1;
    d.axisAngle = PI / 6;
    d.segmentCount = 2;
    d.lineOffset = 5 * UOR;
    const double at[] = {0, 10, 30};
    for (int i = 0; i < 3; ++i) d.points[i] = {along(at[i]), 0};
    for (int i = 0; i < 2; ++i) dimText_measure(&d, i);
    ASSERT_EQ(dimDraw_build(&d, 2, DIM_DRAW_STORE, nullptr), 0);
    const double line = 5 / std::cos(PI / 6); /* the dimension line, out along the extension lines */

    /* Edit the first text: half a text height above its base, across its slant. */
    sim::setModalHandler([](DialogBox*) {
        std::strcpy(tarvik().settings->dimText, "TEN");
        return int(ACTIONBUTTON_OK);
    });
    cmdEditText(nullptr);
    Dpoint3d text = along(5, line + 1 + 1.25);
    ASSERT_TRUE(sim::interact::dataPoint(text, 1));
    ASSERT_TRUE(sim::interact::dataPoint(text, 1));
    EXPECT_EQ(texts(lastChain()), (std::vector<std::string>{"TEN", "20"}));

    /* A point into each segment: the new segment is measured, the rest of a
    ** measured one measured again, the edited text kept. */
    cmdInsertPoint(nullptr);
    ASSERT_TRUE(sim::interact::dataPoint(along(7, line), 1));
    ASSERT_TRUE(sim::interact::dataPoint(along(4), 1));
    ASSERT_TRUE(sim::interact::dataPoint(along(20, line), 1));
    ASSERT_TRUE(sim::interact::dataPoint(along(18), 1));
    d = lastChain();
    EXPECT_EQ(texts(d), (std::vector<std::string>{"4", "TEN", "8", "12"}));
    EXPECT_EQ(measured(d), (std::vector<bool>{true, false, true, true}));

    /* Deleting the point at 18 joins its two segments under one length. */
    cmdDeletePoint(nullptr);
    ASSERT_TRUE(sim::interact::dataPoint(along(18, 3), 1));
    ASSERT_TRUE(sim::interact::dataPoint(along(18, 3), 1));
    EXPECT_EQ(texts(lastChain()), (std::vector<std::string>{"4", "TEN", "20"}));
}

}  // namespace
