#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>

#include "host/mdlelement.h"
#include "host/mdllevel.h"
#include "host/sim/design/design.h"
#include "host/mdldialog.h"
#include "view_fixture.h"

namespace {

class LevelTest : public ViewTest {
protected:
    void reopen(const std::string& name) {
        sim::design::close();
        openFile(name);
    }
};

int64_t cellValue(ListModel* m, int row, int column = 0) {
    return mdlListCell_getLongValue(mdlListRow_getCellAtIndex(mdlListModel_getRowAtIndex(m, row), column));
}
std::string cellText(ListModel* m, int row, int column = 0) {
    const char* t = mdlListCell_getStringValue(mdlListRow_getCellAtIndex(mdlListModel_getRowAtIndex(m, row), column));
    return t ? t : "";
}

}  // namespace

TEST_F(LevelTest, LevelsAreFoundByNameInTheModelAndCreatedLevelsSurviveARewrite) {
    openFile("levels.dgn");
    UInt32 id = 0;
    ASSERT_EQ(mdlLevel_getIdFromName(&id, nullptr, u"level 5"), 0);   /* names ignore case */
    EXPECT_EQ(id, 5u);
    EXPECT_NE(mdlLevel_getIdFromName(&id, nullptr, u"Walls"), 0);

    UInt32 walls = 0;
    ASSERT_EQ(mdlLevel_create(&walls, nullptr, u"Walls", -1), 0);
    EXPECT_GT(walls, 64u);
    EXPECT_NE(mdlLevel_create(nullptr, nullptr, u"WALLS", -1), 0);   /* exists */
    EXPECT_NE(mdlLevel_create(nullptr, nullptr, u"", -1), 0);
    std::u16string tooLong(MAX_LEVEL_NAME + 1, u'x');
    EXPECT_NE(mdlLevel_create(nullptr, nullptr, tooLong.c_str(), -1), 0);
    int code = 0;
    ASSERT_EQ(mdlLevel_getCode(&code, nullptr, walls), 0);
    EXPECT_EQ(code, 64);   /* after the highest code in use, 63 */

    UInt32 colour = 4, weight = 2;
    Int32 style = 1;
    ASSERT_EQ(mdlLevel_setElementSymbology(nullptr, walls, &colour, &style, nullptr, &weight, &colour), 0);
    ASSERT_EQ(mdlLevelTable_rewrite(nullptr), 0);
    reopen("levels.dgn");
    ASSERT_EQ(mdlLevel_getIdFromName(&id, nullptr, u"Walls"), 0);
    EXPECT_EQ(id, walls);
    UInt32 c = 0, w = 0;
    Int32 s = 0;
    ASSERT_EQ(mdlLevel_getElementSymbology(&c, &s, nullptr, &w, nullptr, nullptr, walls), 0);
    EXPECT_EQ(c, 4u);
    EXPECT_EQ(s, 1);
    EXPECT_EQ(w, 2u);
    MSWChar name[8];
    ASSERT_EQ(mdlLevel_getName(name, 8, nullptr, walls), 0);
    EXPECT_EQ(std::u16string(name), u"Walls");
    ASSERT_EQ(mdlLevel_getName(name, 3, nullptr, walls), 0);
    EXPECT_EQ(std::u16string(name), u"Wa");
}

TEST_F(LevelTest, LibraryLevelsAreValidInTheLibraryAndUsableFromTheModel) {
    EXPECT_EQ(mdlLevelLibrary_getModelRef(), nullptr);   /* no file */
    openFile("library.dgn");
    DgnModelRefP library = mdlLevelLibrary_getModelRef();
    ASSERT_NE(library, nullptr);
    UInt32 libId = sim::level::addLibraryLevel("Hatching", 70);
    ASSERT_NE(libId, 0u);
    EXPECT_EQ(sim::level::addLibraryLevel("hatching", 71), 0u);

    UInt32 id = 0;
    EXPECT_NE(mdlLevel_getIdFromName(&id, nullptr, u"Hatching"), 0);   /* not a level of the model */
    ASSERT_EQ(mdlLevel_getIdFromName(&id, library, u"HATCHING"), 0);
    EXPECT_EQ(id, libId);
    EXPECT_NE(mdlLevel_getIdFromName(&id, library, u"Level 1"), 0);
    EXPECT_TRUE(mdlLevel_isValid(nullptr, libId));
    int code = 0;
    ASSERT_EQ(mdlLevel_getCode(&code, nullptr, libId), 0);
    EXPECT_EQ(code, 70);
    EXPECT_NE(mdlLevel_create(nullptr, library, u"New", -1), 0);   /* the library is not a model */

    /* A model level made later never takes a library level's id. */
    UInt32 made = 0;
    ASSERT_EQ(mdlLevel_create(&made, nullptr, u"New", 5), 0);
    EXPECT_NE(made, libId);
    EXPECT_FALSE(mdlLevel_isValid(nullptr, 9999));
    EXPECT_NE(mdlLevel_getCode(&code, nullptr, 9999), 0);
}

TEST_F(LevelTest, CustomLineStylesGoByNameAndNumber) {
    openFile("styles.dgn");
    Int32 number = 0;
    ASSERT_EQ(mdlLineStyle_numberFromName(&number, "3", nullptr), 0);
    EXPECT_EQ(number, 3);
    int32_t custom = sim::design::addLineStyle("Dash-Dot", "1,0.25,0.1,0.25");
    ASSERT_LT(custom, 0);
    ASSERT_EQ(mdlLineStyle_numberFromName(&number, "dash-dot", nullptr), 0);
    EXPECT_EQ(number, custom);
    char name[64];
    ASSERT_EQ(mdlLineStyle_nameFromNumber(name, sizeof name, custom, nullptr), 0);
    EXPECT_STREQ(name, "Dash-Dot");
    ASSERT_EQ(mdlLineStyle_nameFromNumber(name, 5, custom, nullptr), 0);
    EXPECT_STREQ(name, "Dash");
    EXPECT_NE(mdlLineStyle_numberFromName(&number, "Unknown", nullptr), 0);
    EXPECT_NE(mdlLineStyle_nameFromNumber(name, sizeof name, custom - 1, nullptr), 0);

    reopen("styles.dgn");
    ASSERT_EQ(mdlLineStyle_numberFromName(&number, "Dash-Dot", nullptr), 0);
    EXPECT_EQ(number, custom);
}

TEST_F(LevelTest, TextStylesGiveParametersAndSizesInUnitsOfResolution) {
    openFile("textstyles.dgn");
    sim::design::TextStyle t;
    t.id = 3;
    t.name = "Dim";
    t.font = 7;
    t.justification = 8;
    t.width = 2.5;
    t.height = 3.5;
    t.slant = 30;
    sim::design::activeFile()->textStyles.push_back(t);
    EXPECT_EQ(mdlTextStyle_getByName(u"Other", nullptr), nullptr);
    MdlTextStyle* style = mdlTextStyle_getByName(u"dim", nullptr);
    ASSERT_NE(style, nullptr);
    TextParamWide params{};
    double width = 0, height = 0;
    ASSERT_EQ(mdlTextStyle_getTextParamWideFromStyle(&params, &width, &height, style), 0);
    mdlTextStyle_free(style);
    EXPECT_EQ(params.font, 7);
    EXPECT_EQ(params.just, 8);
    EXPECT_EQ(params.textStyleId, 3);
    EXPECT_TRUE(params.flags & TXTPARAM_SLANT);
    EXPECT_NEAR(params.slant, M_PI / 6, 1e-12);
    EXPECT_DOUBLE_EQ(width, 2500.0);
    EXPECT_DOUBLE_EQ(height, 3500.0);
}

TEST_F(LevelTest, ListModelsHoldEveryChoiceWithItsValue) {
    EXPECT_EQ(mdlLevelList_getStyleListModel(nullptr), nullptr);   /* no file */
    openFile("lists.dgn");
    sim::design::addLineStyle("Rail", "2,1");
    ListModel* styles = mdlLevelList_getStyleListModel(nullptr);
    ASSERT_NE(styles, nullptr);
    ASSERT_EQ(mdlListModel_getRowCount(styles), 10);
    EXPECT_EQ(cellValue(styles, 0), STYLE_BYLEVEL);
    EXPECT_EQ(cellValue(styles, 4), 3);
    EXPECT_EQ(cellValue(styles, 9), 0x7FFFFF00);
    EXPECT_EQ(cellText(styles, 9), "Rail");
    mdlListModel_destroy(styles);

    ListModel* colours = mdlLevelList_getColorListModel(nullptr);
    ASSERT_NE(colours, nullptr);
    ASSERT_EQ(mdlListModel_getRowCount(colours), 257);
    EXPECT_EQ(cellText(colours, 0), "ByLevel");
    EXPECT_EQ(cellValue(colours, 4), 3);
    EXPECT_EQ(cellText(colours, 4, 1), "#FF0000");
    mdlListModel_destroy(colours);

    ListModel* weights = mdlLevelList_getWeightListModel(nullptr);
    ASSERT_NE(weights, nullptr);
    EXPECT_EQ(mdlListModel_getRowCount(weights), 33);
    EXPECT_EQ(cellValue(weights, 32), 31);
    mdlListModel_destroy(weights);
}

TEST_F(LevelTest, GraphicGroupCountersStayConsistentAndPersist) {
    openFile("groups.dgn");
    UInt32 next = mdlSystem_getNextGraphicGroup();
    mdlSystem_setGraphicGroup(next);
    mdlSystem_setNextGraphicGroup(next + 1);
    mdlSystem_updateGraphicGroup();
    mdlSystem_setGraphicGroup(0);
    EXPECT_EQ(mdlSystem_getNextGraphicGroup(), next + 1);

    mdlSystem_setGraphicGroup(40);
    mdlSystem_setNextGraphicGroup(3);   /* would hand out a group in use */
    mdlSystem_updateGraphicGroup();
    EXPECT_EQ(mdlSystem_getNextGraphicGroup(), 41u);
    reopen("groups.dgn");
    EXPECT_EQ(mdlSystem_getGraphicGroup(), 40u);
    EXPECT_EQ(mdlSystem_getNextGraphicGroup(), 41u);
}
