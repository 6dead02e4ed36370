#include <cmath>
#include <cstring>

#include "app_fixture.h"
#include "host/mdlresource.h"
#include "lib/core/text_int.h"
#include "lib/elements/elmattr.h"

namespace {

double at8(const unsigned char* p) {
    uint64_t v = 0;
    for (int i = 0; i < 8; ++i) v |= static_cast<uint64_t>(p[i]) << (8 * i);
    double d;
    std::memcpy(&d, &v, 8);
    return d;
}
int32_t at4(const unsigned char* p) { return static_cast<int32_t>(p[0] | p[1] << 8 | p[2] << 16 | uint32_t(p[3]) << 24); }

class SettingsTest : public AppTest {
protected:
    std::vector<std::string> fileAnswers;
    std::vector<std::string> fileTitles;

    void SetUp() override {
        AppTest::SetUp();
        sim::setFileHandler([this](const std::string& title, bool, std::string& name) {
            fileTitles.push_back(title);
            if (fileAnswers.empty()) return false;
            name = fileAnswers.front();
            fileAnswers.erase(fileAnswers.begin());
            return true;
        });
    }
    void TearDown() override {
        sim::setFileHandler(nullptr);
        AppTest::TearDown();
    }
    static UserInterfaceData& settings() { return *tarvik().settings; }
    static void changeEverything() {
        DimensionRecord& t = settings().dimTemplate;
        t.lineOffset = 11;
        t.extensionGap = 12;
        t.extensionOvershoot = 13;
        t.textGap = 14;
        t.terminatorType = 3;
        t.terminatorLength = 15;
        t.terminatorWidth = 16;
        t.textMargin = 17;
        t.minArrowSpace = 18;
        t.dimFlags = 1;
        settings().hatchSpacing = 19;
        settings().hatchAngle = 45;
        settings().measuredTexts = 1;
        settings().measuredDecimals = 3;
        settings().skewLegDimensions = 1;
    }
    static void expectChanged() {
        DimensionRecord& t = settings().dimTemplate;
        EXPECT_EQ(t.lineOffset, 11);
        EXPECT_EQ(t.extensionGap, 12);
        EXPECT_EQ(t.extensionOvershoot, 13);
        EXPECT_EQ(t.textGap, 14);
        EXPECT_EQ(t.terminatorType, 3);
        EXPECT_EQ(t.terminatorLength, 15);
        EXPECT_EQ(t.terminatorWidth, 16);
        EXPECT_EQ(t.textMargin, 17);
        EXPECT_EQ(t.minArrowSpace, 18);
        EXPECT_EQ(t.dimFlags, 1);
        EXPECT_EQ(settings().hatchSpacing, 19);
        EXPECT_EQ(settings().measuredTexts, 1);
        EXPECT_EQ(settings().measuredDecimals, 3);
        EXPECT_EQ(settings().skewLegDimensions, 1);
    }
    /* Write a settings file holding the given extension gap at DIR/data/NAME. */
    void writeSettingsFile(const std::string& name, double extensionGap) {
        std::filesystem::create_directories(dir + "/data");
        sim::CurrentApplicationScope scope(app);
        double before = settings().dimTemplate.extensionGap;
        settings().dimTemplate.extensionGap = extensionGap;
        char path[MAXFILELENGTH];
        std::snprintf(path, sizeof path, "%s/data/%s", dir.c_str(), name.c_str());
        ASSERT_EQ(settings_save(path, false), 0);
        settings().dimTemplate.extensionGap = before;
    }
    static DialogItem* optionButton() {
        DialogBox* db = sim::findOpenDialog(DIALOG_DEFAULT_SETUPS);
        return db ? mdlDialog_itemGetByTypeAndId(db, ITEMTYPE_OPTIONBUTTON, ITEM_DEFAULT_SETUP_OPTION, 0) : nullptr;
    }
    static std::vector<std::pair<std::string, int32_t>> options() {
        std::vector<std::pair<std::string, int32_t>> out;
        DialogItem* item = optionButton();
        for (int i = 0; item && i < mdlDialog_optionButtonGetCount(item); ++i) {
            char label[512] = "";
            int32_t value = -1;
            mdlDialog_optionButtonGetItem(label, sizeof label, &value, item, i);
            out.emplace_back(label, value);
        }
        return out;
    }
};

TEST(SettingsLayout, ResourcesFollowTheirTables) {
    UserInterfaceData s{};
    settings_setDefaults(&s);
    s.dimTemplate.lineOffset = -1.5;
    s.dimTemplate.terminatorType = 3;
    s.dimTemplate.dimFlags = 6;
    s.hatchAngle = 60;
    s.hatchSpacing = 4.5;
    unsigned char r2[SETTINGS_RESOURCE_TEMPLATE_SIZE], r3[SETTINGS_RESOURCE_HATCH_SIZE];
    std::memset(r2, 0xEE, sizeof r2);
    std::memset(r3, 0xEE, sizeof r3);
    settings_packTemplate(r2, &s);
    settings_packHatch(r3, &s);
    EXPECT_EQ(at8(r2 + 0), -1.5);
    EXPECT_EQ(at8(r2 + 8), 1.0);
    EXPECT_EQ(at8(r2 + 16), 2.0);
    EXPECT_EQ(at8(r2 + 24), 1.0);
    EXPECT_EQ(at4(r2 + 32), 3);
    EXPECT_EQ(at4(r2 + 36), 0);
    EXPECT_EQ(at8(r2 + 40), 3.0);
    EXPECT_EQ(at8(r2 + 48), 2.0);
    EXPECT_EQ(at8(r2 + 56), 2.5);
    EXPECT_EQ(at8(r2 + 64), 2.0);
    EXPECT_EQ(at4(r2 + 72), 6);
    EXPECT_EQ(at4(r2 + 76), 0);
    EXPECT_EQ(at4(r3 + 0), 60);
    EXPECT_EQ(at4(r3 + 4), 0);
    EXPECT_EQ(at8(r3 + 8), 4.5);
    /* The hatch angle is written but never read back. */
    UserInterfaceData back{};
    back.hatchAngle = 7;
    settings_unpackTemplate(&back, r2);
    settings_unpackHatch(&back, r3);
    EXPECT_EQ(back.hatchAngle, 7);
    EXPECT_EQ(back.hatchSpacing, 4.5);
    EXPECT_EQ(back.dimTemplate.textMargin, 2.5);

    /* Resource 4: measured texts and dimensioned skew legs. */
    s.measuredTexts = 1;
    s.measuredDecimals = 2;
    s.skewLegDimensions = 1;
    s.measuredUnits = MEASURED_IN_SUB;
    unsigned char r4[SETTINGS_RESOURCE_TEXTS_SIZE];
    std::memset(r4, 0xEE, sizeof r4);
    settings_packTexts(r4, &s);
    const unsigned char golden[SETTINGS_RESOURCE_TEXTS_SIZE] = {1, 0, 0, 0, 2, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0};
    EXPECT_EQ(std::memcmp(r4, golden, sizeof golden), 0);
    settings_unpackTexts(&back, r4);
    EXPECT_EQ(back.measuredTexts, 1);
    EXPECT_EQ(back.measuredDecimals, 2);
    EXPECT_EQ(back.skewLegDimensions, 1);
    EXPECT_EQ(back.measuredUnits, MEASURED_IN_SUB);
}

TEST_F(SettingsTest, AttributesAreRegisteredAtStartUp) {
    start();
    sim::CurrentApplicationScope scope(app);
    char label[256] = "";
    ASSERT_GT(zmlibElmAttr_getLabelFromId(1, label), 0);
    EXPECT_STREQ(label, "Dimension lines");
    ASSERT_GT(zmlibElmAttr_getLabelFromId(6, label), 0);
    EXPECT_STREQ(label, "Triangle hatching");
    ZmAttributeData text{};
    ASSERT_EQ(zmlibElmAttr_extractData(4, &text), 0);
    EXPECT_EQ(text.font, 105);
    EXPECT_EQ(text.justification, 8);
    EXPECT_EQ(text.lineSpacing, 0.56);
    EXPECT_EQ(text.applyMask, 231u);
    EXPECT_EQ(text.colour, 2u);
    ZmAttributeData hatch{};
    ASSERT_EQ(zmlibElmAttr_extractData(6, &hatch), 0);
    EXPECT_EQ(hatch.colour, 1u);
    EXPECT_EQ(hatch.weight, 0u);
    EXPECT_EQ(hatch.applyMask, 7u);
    EXPECT_EQ(zmlibElmAttr_findIdForAttributeName("Triangle outlines", 1), 5);
}

TEST_F(SettingsTest, SaveAsThenLoadRestoresTheTemplateAndSpacingButNotTheAngle) {
    start();
    std::string file = dir + "/mine.rsc";
    changeEverything();
    fileAnswers = {file};
    EXPECT_TRUE(keyin("tarvik settings saveas"));
    EXPECT_EQ(fileTitles, (std::vector<std::string>{"Save settings as"}));
    EXPECT_STREQ(tarvik().gd->settingsFile, file.c_str());
    settings_setDefaults(&settings());
    settings().hatchAngle = 75;
    fileAnswers = {file};
    EXPECT_TRUE(keyin("tarvik settings load"));
    expectChanged();
    EXPECT_EQ(settings().hatchAngle, 75);

    /* A cancelled dialog changes neither the settings nor the file name. */
    settings_setDefaults(&settings());
    EXPECT_TRUE(keyin("tarvik settings load"));
    EXPECT_EQ(settings().dimTemplate.extensionGap, 1.0);
    EXPECT_STREQ(tarvik().gd->settingsFile, file.c_str());
    /* Save without asking writes the current file. */
    changeEverything();
    EXPECT_TRUE(keyin("tarvik settings save"));
    settings_setDefaults(&settings());
    {
        sim::CurrentApplicationScope scope(app);
        ASSERT_EQ(settings_load(tarvik().gd->settingsFile, false), 0);
    }
    expectChanged();
    EXPECT_EQ(sim::consoleText(), "");
}

TEST_F(SettingsTest, AFileWithoutTheResourcesKeepsTheTemplateAndResetsTheRest) {
    start();
    std::string file = dir + "/empty.rsc";
    ASSERT_EQ(mdlResource_createFile(file.c_str(), "Empty", 0), RSC_SUCCESS);
    changeEverything();
    char path[MAXFILELENGTH];
    zmlib::copyFixed(path, file.c_str());
    sim::CurrentApplicationScope scope(app);
    settings_load(path, false);
    EXPECT_EQ(settings().dimTemplate.extensionGap, 12);
    EXPECT_EQ(settings().hatchSpacing, 2.0);
    /* Files from before measured texts and leg dimensions keep their meaning: both off. */
    EXPECT_EQ(settings().measuredTexts, 0);
    EXPECT_EQ(settings().skewLegDimensions, 0);
    /* A missing file on a silent load changes nothing. */
    settings().hatchSpacing = 19;
    zmlib::copyFixed(path, (dir + "/nowhere.rsc").c_str());
    EXPECT_EQ(settings_load(path, false), 0);
    EXPECT_EQ(settings().hatchSpacing, 19);
}

TEST_F(SettingsTest, LengthsOutsideTheDialogsRangesAreRefusedOnLoad) {
    start();
    std::string file = dir + "/hostile.rsc";
    changeEverything();
    settings().dimTemplate.extensionGap = -1e300;
    settings().dimTemplate.textMargin = std::nan("");
    settings().hatchSpacing = HUGE_VAL;
    char path[MAXFILELENGTH];
    zmlib::copyFixed(path, file.c_str());
    sim::CurrentApplicationScope scope(app);
    ASSERT_EQ(settings_save(path, false), 0);
    settings_setDefaults(&settings());
    EXPECT_EQ(settings_load(path, false), 0);
    /* The refused lengths keep their values; the file's other settings load. */
    EXPECT_EQ(settings().dimTemplate.extensionGap, 1.0);
    EXPECT_EQ(settings().dimTemplate.textMargin, 2.5);
    EXPECT_EQ(settings().hatchSpacing, 2.0);
    EXPECT_EQ(settings().dimTemplate.textGap, 14);
    EXPECT_EQ(settings().dimTemplate.minArrowSpace, 18);
    EXPECT_EQ(sim::messageField(MSG_ERROR), "Settings file: hatchSpacing of inf is outside 0.1 to 1000; it stays 2");
}

TEST_F(SettingsTest, SettingsSavedInOneSessionLoadInTheNext) {
    start();
    changeEverything();
    std::filesystem::create_directories(dir + "/data");
    fileAnswers = {dir + "/data/carried.rsc"};
    EXPECT_TRUE(keyin("tarvik settings saveas"));
    sim::resetForTests(); /* the next session */
    mapDriveC();
    define("ZM_DATA", dir + "/data/");
    define("ZMTV_RSC", "carried.rsc");
    start();
    EXPECT_STREQ(tarvik().gd->settingsFile, (dir + "/data/carried.rsc").c_str());
    expectChanged();
    EXPECT_EQ(settings().hatchAngle, 30);
}

TEST_F(SettingsTest, TheSetUpListIsSplitAndTrimmed) {
    define("ZMTV_MENU_ITEM", "Piping, pipe.rsc; Steel ,steel.rsc");
    start();
    ASSERT_EQ(settings_setupCount(), 2);
    EXPECT_STREQ(settings_setupLabel(0), "Piping");
    EXPECT_STREQ(settings_setupFile(0), "pipe.rsc");
    EXPECT_STREQ(settings_setupLabel(1), "Steel");
    EXPECT_STREQ(settings_setupFile(1), "steel.rsc");
    EXPECT_TRUE(keyin("tarvik setups"));
    using Options = std::vector<std::pair<std::string, int32_t>>;
    EXPECT_EQ(options(), (Options{{"Piping", 0}, {"Steel", 1}, {"Other file...", 2}}));
    /* Beyond the other-file entry the last item names the current file. */
    sim::CurrentApplicationScope scope(app);
    zmlib::copyFixed(tarvik().gd->settingsFile, "C:\\x\\own.rsc");
    settings().defaultSetupIndex = 5;
    settings_fillOptionButton(optionButton());
    EXPECT_EQ(options(), (Options{{"Piping", 0}, {"Steel", 1}, {"Other file..., C:\\x\\own.rsc", 2}}));
}

TEST_F(SettingsTest, TheOptionButtonFindsTheCurrentFileAndLoadsItsEntry) {
    define("ZMTV_MENU_ITEM", "Piping, pipe.rsc; Steel ,steel.rsc");
    define("ZM_DATA", dir + "/data/");
    start();
    writeSettingsFile("pipe.rsc", 5.0);
    writeSettingsFile("steel.rsc", 7.0);
    zmlib::copyFixed(tarvik().gd->settingsFile, (dir + "/data/steel.rsc").c_str());
    settings().defaultSetupIndex = 2;
    sim::clearOutputLog();
    EXPECT_TRUE(keyin("tarvik setups"));
    EXPECT_EQ(settings().defaultSetupIndex, 1);
    EXPECT_EQ(settings().dimTemplate.extensionGap, 7.0);
    EXPECT_NE(sim::debugText().find("finnOgSettTilDefaultOppsett: file = 'steel.rsc'"), std::string::npos);
    EXPECT_EQ(sim::consoleText().find("finnOgSettTilDefaultOppsett"), std::string::npos);

    /* Picking another entry loads its file. */
    DialogBox* db = sim::findOpenDialog(DIALOG_DEFAULT_SETUPS);
    ASSERT_NE(db, nullptr);
    std::string error;
    ASSERT_TRUE(sim::writeAccess("uid.defaultSetupIndex", "0", error)) << error;
    DialogItemMessage m{};
    m.messageType = DITEM_MESSAGE_STATECHANGED;
    m.db = db;
    m.dialogItemP = optionButton();
    m.u.stateChanged.reallyChanged = 1;
    {
        sim::CurrentApplicationScope scope(app);
        tarvikHook_defaultSetupOption(&m);
    }
    EXPECT_EQ(m.msgUnderstood, 1);
    EXPECT_EQ(settings().dimTemplate.extensionGap, 5.0);
    EXPECT_STREQ(tarvik().gd->settingsFile, (dir + "/data/pipe.rsc").c_str());
}

TEST_F(SettingsTest, AnUnknownFileFallsBackToTheFirstEntry) {
    define("ZMTV_MENU_ITEM", "Piping,pipe.rsc;Steel,steel.rsc;Loose");
    define("ZM_DATA", dir + "/data/");
    start();
    EXPECT_EQ(settings_setupCount(), 3);
    writeSettingsFile("pipe.rsc", 5.0);
    zmlib::copyFixed(tarvik().gd->settingsFile, "C:\\elsewhere\\mine.rsc");
    settings().defaultSetupIndex = 3;
    sim::CurrentApplicationScope scope(app);
    /* The entry without a file part matches nothing. */
    EXPECT_EQ(settings_selectSetupForSettingsFile(), -1);
    EXPECT_EQ(settings().defaultSetupIndex, 0);
    settings().defaultSetupIndex = 3;
    mdlDialog_open(0, DIALOG_DEFAULT_SETUPS);
    EXPECT_EQ(settings().defaultSetupIndex, 0);
    EXPECT_EQ(settings().dimTemplate.extensionGap, 5.0);
    /* An entry whose file is not found keeps the current file. */
    settings().defaultSetupIndex = 1;
    settings_applyDefaultSetup();
    EXPECT_STREQ(tarvik().gd->settingsFile, (dir + "/data/pipe.rsc").c_str());
}

TEST_F(SettingsTest, WithoutTheListTheOptionButtonStaysEmpty) {
    start();
    bool told = false;
    for (const auto& e : sim::outputLog())
        if (e.kind == sim::OutputKind::InfoBox && e.text.find("Cannot read config file") != std::string::npos) told = true;
    EXPECT_TRUE(told);
    EXPECT_EQ(settings_setupCount(), 0);
    EXPECT_TRUE(keyin("tarvik setups"));
    EXPECT_TRUE(options().empty());
}

}  // namespace
