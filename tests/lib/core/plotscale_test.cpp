#include <cmath>
#include <cstring>

#include "core_fixture.h"
#include "lib/core/main.h"
#include "lib/core/plotscale.h"
#include "lib/core/plotscale_int.h"

namespace {

using namespace zmlib::plotscale;

std::vector<std::string> heard;
void alphaHears(double o, double n) { heard.push_back("ALPHA " + std::to_string(int(o)) + "->" + std::to_string(int(n))); }
void betaHears(double o, double n) { heard.push_back("BETA " + std::to_string(int(o)) + "->" + std::to_string(int(n))); }

class PlotScaleTest : public CoreTest {
protected:
    MdlDesc* alpha = nullptr;
    MdlDesc* beta = nullptr;
    std::function<void(DialogBox*)> user;  /* what the user does in the plot-scale dialog */
    std::vector<std::string> fileAnswers;

    void SetUp() override {
        CoreTest::SetUp();
        heard.clear();
        sim::defineVariable("ZM_DIR", dir + "/", CFGVAR_LEVEL_USER);
        sim::setModalHandler([this](DialogBox* db) {
            int id = answerModal(db);
            if (mdlDialog_getId(db) == DIALOG_PLOT_SCALE && user) user(db);
            return id;
        });
        sim::setFileHandler([this](const std::string&, bool, std::string& name) {
            if (fileAnswers.empty()) return false;
            name = fileAnswers.front();
            fileAnswers.erase(fileAnswers.begin());
            return true;
        });
    }
    void startBoth() {
        alpha = startApp("ALPHA");
        beta = startApp("BETA");
        { sim::CurrentApplicationScope s(alpha); zmlibMain_setScaleFunction(alphaHears); }
        { sim::CurrentApplicationScope s(beta); zmlibMain_setScaleFunction(betaHears); }
    }
    static std::string label(int row) { return cellAt(row, COLUMN_LABEL); }
    static std::string value(int row) { return cellAt(row, COLUMN_VALUE); }
    static std::string cellAt(int row, int column) {
        ListRow* r = mdlListModel_getRowAtIndex(record()->table, row);
        const char* t = r ? mdlListCell_getStringValue(mdlListRow_getCellAtIndex(r, column)) : nullptr;
        return t ? t : "<none>";
    }
    static int rows() { return mdlListModel_getRowCount(record()->table); }
    static int itemIndex(DialogBox* db, const char* item) {
        std::string error;
        int i = sim::findItem(db, item, error);
        EXPECT_GE(i, 0) << error;
        return i;
    }
};

TEST_F(PlotScaleTest, WithoutAFileTheDefaultTableIsActiveAtOneToOne) {
    startBoth();
    ASSERT_NE(record(), nullptr);
    ASSERT_EQ(rows(), 15);
    EXPECT_EQ(label(0), "1:1");
    EXPECT_EQ(value(0), "1.000000");
    EXPECT_EQ(label(6), "1:50");
    EXPECT_EQ(value(6), "50.000000");
    EXPECT_EQ(label(14), "1:10000");
    EXPECT_EQ(value(14), "10000.000000");
    EXPECT_EQ(record()->activeRow, 0);
    EXPECT_EQ(*zmlibPlotScale_getActiveScaleP(), 1.0);
    EXPECT_EQ(zmlibPlotScale_getActiveScaleP(), &record()->activeScale);
}

TEST_F(PlotScaleTest, SettingAScaleNotifiesTheOthersAndTheCallerOnlyWhenAsked) {
    startBoth();
    {
        sim::CurrentApplicationScope s(alpha);
        EXPECT_EQ(zmlibPlotScale_setActiveScale(500.0, 0), 0);
    }
    EXPECT_EQ(heard, std::vector<std::string>{"BETA 1->500"});
    EXPECT_EQ(record()->activeRow, 10);
    EXPECT_EQ(*zmlibPlotScale_getActiveScaleP(), 500.0);
    heard.clear();
    {
        sim::CurrentApplicationScope s(alpha);
        EXPECT_EQ(zmlibPlotScale_setActiveScale(500.0, 1), 0);  /* already active: nobody hears */
        EXPECT_TRUE(heard.empty());
        EXPECT_EQ(zmlibPlotScale_setActiveScale(20.0, 1), 0);
    }
    EXPECT_EQ(heard, (std::vector<std::string>{"ALPHA 500->20", "BETA 500->20"}));
}

TEST_F(PlotScaleTest, AScaleNoRowHasChangesNothing) {
    startBoth();
    sim::CurrentApplicationScope s(alpha);
    EXPECT_EQ(zmlibPlotScale_setActiveScale(333.0, 1), ZMLIB_ERROR);
    EXPECT_EQ(record()->activeRow, 0);
    EXPECT_EQ(*zmlibPlotScale_getActiveScaleP(), 1.0);
    EXPECT_TRUE(heard.empty());
}

TEST_F(PlotScaleTest, LabelEditsRecalculateTheValue) {
    startBoth();
    ListRow* row = mdlListModel_getRowAtIndex(record()->table, 2);
    mdlListCell_setStringValue(mdlListRow_getCellAtIndex(row, COLUMN_LABEL), "1:250");
    recalculateRow(2, COLUMN_LABEL);
    EXPECT_EQ(value(2), "250.000000");
    mdlListCell_setStringValue(mdlListRow_getCellAtIndex(row, COLUMN_LABEL), "2:1");
    recalculateRow(2, COLUMN_LABEL);
    EXPECT_EQ(value(2), "0.500000");
    mdlListCell_setStringValue(mdlListRow_getCellAtIndex(row, COLUMN_LABEL), "half");
    recalculateRow(2, COLUMN_LABEL);
    EXPECT_EQ(value(2), "0.500000");  /* no colon: unchanged */
    mdlListCell_setStringValue(mdlListRow_getCellAtIndex(row, COLUMN_LABEL), "0:5");
    recalculateRow(2, COLUMN_LABEL);
    EXPECT_EQ(value(2), "0.500000");  /* a part not greater than 0: unchanged */
}

TEST_F(PlotScaleTest, ValueEditsThatAreNoPositiveNumberBecomeOne) {
    startBoth();
    ListRow* row = mdlListModel_getRowAtIndex(record()->table, 3);
    for (const char* bad : {"abc", "-4", "0", "", "12x"}) {
        mdlListCell_setStringValue(mdlListRow_getCellAtIndex(row, COLUMN_VALUE), bad);
        recalculateRow(3, COLUMN_VALUE);
        EXPECT_EQ(value(3), "1.000000") << bad;
    }
    mdlListCell_setStringValue(mdlListRow_getCellAtIndex(row, COLUMN_VALUE), "75");
    recalculateRow(3, COLUMN_VALUE);
    EXPECT_EQ(value(3), "75.000000");
}

TEST_F(PlotScaleTest, RowsInsertedAndDeletedKeepTheActiveRow) {
    startBoth();
    { sim::CurrentApplicationScope s(alpha); zmlibPlotScale_setActiveScale(50.0, 0); }
    ASSERT_EQ(record()->activeRow, 6);
    EXPECT_TRUE(insertRowAfter(2));  /* copy of "1:5" after row 2 */
    EXPECT_EQ(label(3), "1:5");
    EXPECT_EQ(value(3), "5.000000");
    EXPECT_EQ(record()->activeRow, 7);
    EXPECT_TRUE(insertRowAfter(7));  /* after the active row: it stays */
    EXPECT_EQ(record()->activeRow, 7);
    EXPECT_TRUE(deleteRow(0));
    EXPECT_EQ(record()->activeRow, 6);
    EXPECT_EQ(label(6), "1:50");
    EXPECT_FALSE(insertRowAfter(99));
}

TEST_F(PlotScaleTest, DeletingActiveRowZeroLeavesMinusOneAndScaleOne) {
    startBoth();
    EXPECT_TRUE(deleteRow(0));
    EXPECT_EQ(record()->activeRow, -1);
    applyActiveRow();
    EXPECT_EQ(*zmlibPlotScale_getActiveScaleP(), 1.0);
    while (rows() > 1) deleteRow(0);
    EXPECT_FALSE(deleteRow(0));  /* the last row stays */
    EXPECT_EQ(rows(), 1);
}

TEST_F(PlotScaleTest, SaveThenReadRestoresLabelsValuesAndActiveRow) {
    startBoth();
    std::string file = path("scales.rsc");
    ASSERT_EQ(mdlResource_createFile(file.c_str(), "Plotscales", 0), RSC_SUCCESS);
    {
        sim::CurrentApplicationScope s(alpha);
        ListRow* row = mdlListModel_getRowAtIndex(record()->table, 1);
        mdlListCell_setStringValue(mdlListRow_getCellAtIndex(row, COLUMN_LABEL), "A3 half");
        mdlListCell_setStringValue(mdlListRow_getCellAtIndex(row, COLUMN_VALUE), "2.500000");
        zmlibPlotScale_setActiveScale(2.5, 0);
        ZmResourceFile f{};
        ASSERT_EQ(zmlibResource_openFile(&f, file.c_str(), 1), 0);
        EXPECT_EQ(zmlibPlotScale_saveSettings(&f), 0);
        zmlibResource_closeFile(&f);
        buildDefaultTable();
        zmlibPlotScale_setActiveScale(1000.0, 0);
    }
    heard.clear();
    {
        sim::CurrentApplicationScope s(alpha);
        ZmResourceFile f{};
        ASSERT_EQ(zmlibResource_openFile(&f, file.c_str(), 0), 0);
        EXPECT_EQ(zmlibPlotScale_readSettings(&f), 0);
        zmlibResource_closeFile(&f);
    }
    EXPECT_EQ(rows(), 15);
    EXPECT_EQ(label(1), "A3 half");
    EXPECT_EQ(value(1), "2.500000");
    EXPECT_EQ(label(14), "1:10000");
    EXPECT_EQ(record()->activeRow, 1);
    EXPECT_EQ(*zmlibPlotScale_getActiveScaleP(), 2.5);
    EXPECT_EQ(heard, std::vector<std::string>{"BETA 1000->2"});  /* the other application hears */
}

TEST_F(PlotScaleTest, AFileWithoutTheListIsRefusedAndTheTableStays) {
    startBoth();
    std::string file = path("empty.rsc");
    ASSERT_EQ(mdlResource_createFile(file.c_str(), "Plotscales", 0), RSC_SUCCESS);
    { sim::CurrentApplicationScope s(alpha); zmlibPlotScale_setActiveScale(100.0, 0); }
    ZmResourceFile f{};
    sim::CurrentApplicationScope s(alpha);
    ASSERT_EQ(zmlibResource_openFile(&f, file.c_str(), 0), 0);
    EXPECT_EQ(zmlibPlotScale_readSettings(&f), ZMLIB_ERROR);
    zmlibResource_closeFile(&f);
    EXPECT_EQ(rows(), 15);
    EXPECT_EQ(*zmlibPlotScale_getActiveScaleP(), 100.0);
}

TEST_F(PlotScaleTest, StartUpReadsTheFileNamedByTheVariable) {
    std::filesystem::create_directories(path("data"));
    std::string file = path("data/office.rsc");
    {
        /* Write a two-row table with the second row active. */
        ASSERT_EQ(mdlResource_createFile(file.c_str(), "Plotscales", 0), RSC_SUCCESS);
        RscFileHandle h = 0;
        ASSERT_EQ(mdlResource_openFile(&h, file.c_str(), 1), 0);
        StringList* list = mdlStringList_create(4, 1);
        int32_t on = 1, off = 0;
        mdlStringList_setMember(list, 0, "1:1", &off);
        mdlStringList_setMember(list, 1, "1.000000", &off);
        mdlStringList_setMember(list, 2, "1:75", &on);
        mdlStringList_setMember(list, 3, "75.000000", &off);
        ASSERT_EQ(mdlStringList_addResource(h, STRING_LIST_ID, list), 0);
        mdlStringList_destroy(list);
        mdlResource_closeFile(h);
    }
    sim::defineVariable("ZM_DATA", path("data/"), CFGVAR_LEVEL_USER);
    sim::defineVariable("ZM_PLOTSCALES", "office.rsc", CFGVAR_LEVEL_USER);
    startBoth();
    EXPECT_EQ(rows(), 2);
    EXPECT_EQ(record()->activeRow, 1);
    EXPECT_EQ(*zmlibPlotScale_getActiveScaleP(), 75.0);
}

TEST_F(PlotScaleTest, AMissingFileNamedByTheVariableGivesTheDefaultTable) {
    sim::defineVariable("ZM_DATA", path("data/"), CFGVAR_LEVEL_USER);
    sim::defineVariable("ZM_PLOTSCALES", "nowhere.rsc", CFGVAR_LEVEL_USER);
    startBoth();
    EXPECT_EQ(rows(), 15);
    EXPECT_EQ(*zmlibPlotScale_getActiveScaleP(), 1.0);
}

TEST_F(PlotScaleTest, TheDialogPicksAScaleEditsACellAndRefreshesOtherPickers) {
    startBoth();
    std::vector<std::string> shown;
    user = [&](DialogBox* db) {
        std::string error;
        int list = itemIndex(db, "lBox:20010");
        EXPECT_TRUE(sim::userEditCell(db, list, 9, 0, "1:300", error)) << error;
        EXPECT_TRUE(sim::userPickOption(db, itemIndex(db, "oBtn:20011"), "1:50", error)) << error;
        EXPECT_EQ(sim::userPopupRequest(db, list), POPUP_MENU);
        EXPECT_TRUE(sim::userSelectRow(db, list, 0, 0, false, error)) << error;
        EXPECT_TRUE(sim::userPressItem(db, itemIndex(db, "pBut:20012"), error)) << error;  /* insert after row 0 */
        shown = sim::describeDialog(db);
    };
    {
        sim::CurrentApplicationScope s(alpha);
        zmlibPlotScale_dialogOpen();
    }
    EXPECT_EQ(value(10), "300.000000");  /* row 9 moved down by the insert */
    EXPECT_EQ(rows(), 16);
    EXPECT_EQ(record()->activeRow, 7);
    EXPECT_EQ(*zmlibPlotScale_getActiveScaleP(), 50.0);
    EXPECT_EQ(heard, (std::vector<std::string>{"ALPHA 1->50", "BETA 1->50"}));
    bool pickerShows16 = false;
    for (const auto& line : shown)
        if (line.find("oBtn 20011") != std::string::npos && line.find("of 16") != std::string::npos) pickerShows16 = true;
    EXPECT_TRUE(pickerShows16);
}

TEST_F(PlotScaleTest, TheDialogsFileButtonsSaveAndRead) {
    startBoth();
    std::string file = path("mine.rsc");
    fileAnswers = {file, file, file};
    user = [&](DialogBox* db) {
        std::string error;
        EXPECT_TRUE(sim::userPressItem(db, itemIndex(db, "pBut:20017"), error)) << error;  /* new file */
        EXPECT_TRUE(sim::userPickOption(db, itemIndex(db, "oBtn:20011"), "1:25", error)) << error;
        EXPECT_TRUE(sim::userPressItem(db, itemIndex(db, "pBut:20015"), error)) << error;  /* save */
        EXPECT_TRUE(sim::userPickOption(db, itemIndex(db, "oBtn:20011"), "1:1", error)) << error;
        EXPECT_TRUE(sim::userPressItem(db, itemIndex(db, "pBut:20014"), error)) << error;  /* read back */
    };
    sim::CurrentApplicationScope s(alpha);
    zmlibPlotScale_dialogOpen();
    EXPECT_TRUE(std::filesystem::exists(file));
    EXPECT_EQ(record()->activeRow, 5);
    EXPECT_EQ(*zmlibPlotScale_getActiveScaleP(), 25.0);
}

TEST_F(PlotScaleTest, CancelledFileDialogsDoNothing) {
    startBoth();
    user = [&](DialogBox* db) {
        std::string error;
        EXPECT_TRUE(sim::userPressItem(db, itemIndex(db, "pBut:20014"), error)) << error;
        EXPECT_TRUE(sim::userPressItem(db, itemIndex(db, "pBut:20017"), error)) << error;
    };
    sim::CurrentApplicationScope s(alpha);
    zmlibPlotScale_dialogOpen();
    EXPECT_EQ(rows(), 15);
    EXPECT_TRUE(heard.empty());
}

}  // namespace
