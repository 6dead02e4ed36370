#include <sys/stat.h>

#include <cmath>
#include <cstring>
#include <fstream>

#include "core_fixture.h"
#include "host/mdlcommand.h"
#include "host/mdlcontrol.h"
#include "host/mdlexternal.h"
#include "host/mdlelement.h"
#include "host/mdlgeom.h"
#include "host/mdllevel.h"
#include "host/mdltext.h"
#include "host/sim/design/design.h"
#include "host/sim/system/system.h"
#include "lib/core/main.h"
#include "lib/core/util.h"
#include "lib/core/util_int.h"
#include "lib/elements/elmattr.h"

namespace {

class UtilTest : public CoreTest {
protected:
    void SetUp() override {
        CoreTest::SetUp();
        /* Month and weekday names of their own, so that a mix-up shows. */
        std::filesystem::remove(messages);
        Lists lists = {
            {ZMLIB_LIST_ERRORS, {{14, "Out of memory"}, {19, "No browser"}, {20, "Reduced edition"}}},
            {ZMLIB_LIST_LANGUAGE, {{61, "_no"}, {38, "%s"}, {39, "%s"}, {40, "%s"}, {41, "Error"}}},
        };
        const char* months[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun", "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
        const char* days[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
        for (int i = 0; i < 12; ++i) lists[ZMLIB_LIST_LANGUAGE].push_back({2 + i, months[i]});
        for (int i = 0; i < 7; ++i) lists[ZMLIB_LIST_LANGUAGE].push_back({14 + i, days[i]});
        writeMessages(messages, lists);
        sim::defineVariable("ZM_DIR", dir + "/", CFGVAR_LEVEL_USER);
    }
    void openDesign() {
        std::string error;
        ASSERT_TRUE(sim::design::open(path("work.design"), true, error)) << error;
    }
    static std::string hostLines() {
        std::string out;
        for (const auto& e : sim::outputLog())
            if (e.kind == sim::OutputKind::Host || e.kind == sim::OutputKind::MessageCenter) out += e.text + "\n";
        return out;
    }
};

TEST(UtilText, SplitTextAtEitherKindOfLineBreak) {
    char text[32] = "A\\nB", rest[32] = "";
    EXPECT_EQ(zmlibUtil_splitText(text, rest), 1);
    EXPECT_STREQ(text, "A");
    EXPECT_STREQ(rest, "B");

    char upper[32] = "one\\Ntwo\\nthree";
    EXPECT_EQ(zmlibUtil_splitText(upper, rest), 1);
    EXPECT_STREQ(upper, "one");
    EXPECT_STREQ(rest, "two\\nthree");  /* only the first break splits */

    char trailing[32] = "A\n";
    rest[0] = 'x';
    rest[1] = '\0';
    EXPECT_EQ(zmlibUtil_splitText(trailing, rest), 0);
    EXPECT_STREQ(trailing, "A");
    EXPECT_STREQ(rest, "x");  /* nothing followed: the rest buffer is untouched */

    char plain[32] = "no break \\ here";
    EXPECT_EQ(zmlibUtil_splitText(plain, rest), 0);
    EXPECT_STREQ(plain, "no break \\ here");
}

TEST(UtilText, SplitIntoASmallRestBufferIsBounded) {
    char text[64] = "A\nBCDEFGHIJKLMNOP";
    char rest[8];
    std::memset(rest, 'z', sizeof rest);
    EXPECT_EQ(zmlib::util::splitAtLineBreak(text, rest, 4), 1);
    EXPECT_STREQ(rest, "BCD");
    EXPECT_EQ(rest[5], 'z');
}

TEST(UtilText, RemoveSpacesDropsBlanksAndTabsOnly) {
    char text[] = " a\tb  c\n";
    EXPECT_EQ(zmlibUtil_removeSpaces(text), text);
    EXPECT_STREQ(text, "abc\n");
}

TEST(UtilText, QuadrantTestAtTheAxes) {
    const double deg = M_PI / 180.0;
    EXPECT_EQ(zmlibUtil_angleIn2Or3Quadrant(0.0), 0);
    EXPECT_EQ(zmlibUtil_angleIn2Or3Quadrant(90 * deg), 0);
    EXPECT_EQ(zmlibUtil_angleIn2Or3Quadrant(135 * deg), 1);
    EXPECT_EQ(zmlibUtil_angleIn2Or3Quadrant(180.001 * deg), 1);
    EXPECT_EQ(zmlibUtil_angleIn2Or3Quadrant(270 * deg), 1);
    EXPECT_EQ(zmlibUtil_angleIn2Or3Quadrant(300 * deg), 0);
}

TEST(UtilReadout, DecimalsFromFormatAndFlags) {
    using zmlib::util::readoutDecimals;
    EXPECT_EQ(readoutDecimals(3, 0, 2), 2);
    EXPECT_EQ(readoutDecimals(0, 0, 2), 4);
    EXPECT_EQ(readoutDecimals(7, 0, 2), 6);
    EXPECT_EQ(readoutDecimals(3 | (7 << 3), 0, 2), 2);      /* denominator bits ignored without fractions */
    EXPECT_EQ(readoutDecimals(0, READOUT_FLAG_FRACTIONS, 3), 3);
    EXPECT_EQ(readoutDecimals(0 << 3, READOUT_FLAG_FRACTIONS, -1), 5);
    EXPECT_EQ(readoutDecimals(7 << 3, READOUT_FLAG_FRACTIONS, -1), 8);
    EXPECT_EQ(readoutDecimals(31 << 3, READOUT_FLAG_FRACTIONS, -1), 10);
    EXPECT_EQ(readoutDecimals(2 << 3, READOUT_FLAG_FRACTIONS, -1), -1);
}

TEST(UtilReadout, DecimalFormatRewrite) {
    char format[16] = "%.2f";
    EXPECT_TRUE(zmlib::util::rewriteDecimalFormat(format, sizeof format, 4));
    EXPECT_STREQ(format, "%.4f");
    EXPECT_FALSE(zmlib::util::rewriteDecimalFormat(format, sizeof format, 4));
    char integer[16] = "%d";
    EXPECT_FALSE(zmlib::util::rewriteDecimalFormat(integer, sizeof integer, 4));
    char tight[5] = "%.2f";
    EXPECT_FALSE(zmlib::util::rewriteDecimalFormat(tight, sizeof tight, 10));  /* would not fit: left alone */
    EXPECT_STREQ(tight, "%.2f");
}

TEST(UtilWorkmode, NamesOfTheModes) {
    EXPECT_STREQ(zmlib::util::workmodeText(0), "DGN");
    EXPECT_STREQ(zmlib::util::workmodeText(1), "DWG");
    EXPECT_STREQ(zmlib::util::workmodeText(2), "V7");
    EXPECT_EQ(zmlib::util::workmodeText(3), nullptr);
}

TEST_F(UtilTest, WorkmodeRedefinesTheVariableOnlyWhenItDiffers) {
    MdlDesc* a = startApp("ALPHA");
    sim::CurrentApplicationScope s(a);
    EXPECT_EQ(zmlibUtil_setWorkmode("ZMTV_WORKMODE"), 0);  /* not defined */
    sim::defineVariable("ZMTV_WORKMODE", "DGN", CFGVAR_LEVEL_USER);
    EXPECT_EQ(zmlibUtil_setWorkmode("ZMTV_WORKMODE"), 0);
    sim::setWorkmode(1);
    EXPECT_EQ(zmlibUtil_setWorkmode("ZMTV_WORKMODE"), 1);
    EXPECT_EQ(sim::variableValue("ZMTV_WORKMODE").value_or(""), "DWG");
    sim::setWorkmode(7);
    EXPECT_EQ(zmlibUtil_setWorkmode("ZMTV_WORKMODE"), 0);
    EXPECT_EQ(sim::variableValue("ZMTV_WORKMODE").value_or(""), "DWG");
}

TEST_F(UtilTest, TokensSkipRunsOfDelimiters) {
    MdlDesc* a = startApp("ALPHA");
    sim::CurrentApplicationScope s(a);
    char text[] = "one,,two";
    int count = -1;
    char** tokens = zmlibString_tokenize(&count, text, ",");
    ASSERT_NE(tokens, nullptr);
    ASSERT_EQ(count, 2);
    EXPECT_STREQ(tokens[0], "one");
    EXPECT_STREQ(tokens[1], "two");
    zmlibString_freeTokenList(tokens, count);

    char commas[] = ",,,";
    EXPECT_EQ(zmlibString_tokenize(&count, commas, ","), nullptr);
    EXPECT_EQ(count, 0);
    char empty[] = "";
    EXPECT_EQ(zmlibString_tokenize(&count, empty, ","), nullptr);
    EXPECT_EQ(count, 0);
}

TEST_F(UtilTest, TokenListGrowsPastTwentyAndTheCopyVariantKeepsTheText) {
    MdlDesc* a = startApp("ALPHA");
    sim::CurrentApplicationScope s(a);
    std::string text;
    for (int i = 0; i < 45; ++i) text += " t" + std::to_string(i) + " ;";
    const std::string before = text;
    int count = 0;
    char** tokens = zmlibString_tokenize2(&count, text.c_str(), " ;");
    ASSERT_NE(tokens, nullptr);
    ASSERT_EQ(count, 45);
    EXPECT_STREQ(tokens[20], "t20");
    EXPECT_STREQ(tokens[44], "t44");
    EXPECT_EQ(text, before);
    zmlibString_freeTokenList(tokens, count);
}

TEST_F(UtilTest, TokenListGrowthThatFailsLosesNothingAndLeaksNothing) {
    MdlDesc* a = startApp("ALPHA");
    sim::CurrentApplicationScope s(a);
    std::string text;
    for (int i = 0; i < 21; ++i) text += "w,";
    /* list, 20 copies, then the growth fails */
    sim::failAllocations(1, 21);
    int count = 5;
    char** tokens = zmlibString_tokenize2(&count, text.c_str(), ",");
    sim::failAllocations(0);
    EXPECT_EQ(tokens, nullptr);
    EXPECT_EQ(count, 0);
    EXPECT_NE(std::find(modalDialogs.begin(), modalDialogs.end(), zmlib::error::DIALOG_MESSAGE_BOX), modalDialogs.end());
}

TEST_F(UtilTest, WideAndMultibyteConversionsAreBounded) {
    std::string longText(2000, 'x');
    MSWChar* wide = zmlibUtil_convertToUnicodeText(longText.c_str());
    EXPECT_EQ(std::u16string(wide).size(), 511u);
    EXPECT_STREQ(zmlibUtil_convertToMultibyteText(u"\u00e6r\u00f8"), "\xc3\xa6r\xc3\xb8");
    EXPECT_EQ(zmlibUtil_convertToUnicodeText(nullptr)[0], 0);
}

TEST_F(UtilTest, DateNamesComeEachIntoTheirOwnOutput) {
    MdlDesc* a = startApp("ALPHA");
    sim::CurrentApplicationScope s(a);
    int year = 0, month = 0, day = 0, weekday = -1;
    char weekdayName[zmlib::util::NAME_SIZE] = "", monthName[zmlib::util::NAME_SIZE] = "";
    zmlibUtil_getDateAndTime(&year, &month, &day, nullptr, nullptr, nullptr, &weekday, weekdayName, monthName);
    const char* months[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun", "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    const char* days[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    ASSERT_GE(month, 1);
    ASSERT_LE(month, 12);
    ASSERT_GE(weekday, 0);
    ASSERT_LE(weekday, 6);
    EXPECT_GE(year, 2024);
    EXPECT_STREQ(monthName, months[month - 1]);
    EXPECT_STREQ(weekdayName, days[weekday]);
}

TEST_F(UtilTest, SpinnerTurnsEveryThirtyTicks) {
    MdlDesc* a = startApp("ALPHA");
    sim::CurrentApplicationScope s(a);
    zmlibUtil_initHourGlass();
    mdlSystem_pauseTicks(30);
    zmlibUtil_updateHourGlass();
    EXPECT_EQ(sim::messageField(MSG_STATUS), "");  /* not yet more than 30 ticks */
    std::string shown;
    for (int i = 0; i < 5; ++i) {
        mdlSystem_pauseTicks(31);
        zmlibUtil_updateHourGlass();
        shown += sim::messageField(MSG_STATUS);
    }
    EXPECT_EQ(shown, "|/-\\|");
    EXPECT_EQ(sim::messageField(MSG_PROMPT), "");  /* the prompt stays the command's */
}

TEST_F(UtilTest, ConversionsLandInTheCallersRecord) {
    openDesign();
    MdlDesc* a = startApp("ALPHA");
    MdlDesc* b = startApp("BETA");
    double* pa;
    {
        sim::CurrentApplicationScope s(a);
        pa = zmlibUtil_masterToUORP(2.5);
        EXPECT_DOUBLE_EQ(*pa, 2.5 * sim::design::uorPerMaster(nullptr));
        EXPECT_EQ(pa, &zmlibMain_getGlobalDataP()->conversionResult);
    }
    {
        sim::CurrentApplicationScope s(b);
        double* pb = zmlibUtil_UORToMasterP(sim::design::uorPerMaster(nullptr) * 4);
        EXPECT_DOUBLE_EQ(*pb, 4.0);
        EXPECT_NE(pb, pa);
    }
    EXPECT_DOUBLE_EQ(*pa, 2.5 * sim::design::uorPerMaster(nullptr));
}

TEST_F(UtilTest, UnknownLevelInV7WorkmodeIsRefusedWithAMessage) {
    openDesign();
    MdlDesc* a = startApp("ALPHA");
    sim::CurrentApplicationScope s(a);
    sim::clearOutputLog();
    sim::setWorkmode(2);
    EXPECT_EQ(zmlibUtil_levelIdFromName(u"Dimensions"), 0u);
    std::string log = hostLines();
    EXPECT_NE(log.find("Cannot create level 'Dimensions' because MicroStation is in 'V7 Workmode'."), std::string::npos)
        << log;
    UInt32 id = 0;
    EXPECT_NE(mdlLevel_getIdFromName(&id, nullptr, u"Dimensions"), 0);
}

TEST_F(UtilTest, UnknownLevelIsCreatedOnceWithItsSymbology) {
    openDesign();
    MdlDesc* a = startApp("ALPHA");
    sim::CurrentApplicationScope s(a);
    uint32_t id = zmlibUtil_levelIdFromNameExtended(u"Hatch", 1, 1, 3, 2, 1);
    ASSERT_NE(id, 0u);
    EXPECT_EQ(zmlibUtil_levelIdFromName(u"Hatch"), id);
    UInt32 colour = 0, weight = 0, fill = 0;
    Int32 style = 0;
    ASSERT_EQ(mdlLevel_getElementSymbology(&colour, &style, nullptr, &weight, &fill, nullptr, id), 0);
    EXPECT_EQ(colour, 3u);
    EXPECT_EQ(weight, 2u);
    EXPECT_EQ(style, 1);
    EXPECT_EQ(zmlibUtil_levelIdFromName(u""), 0u);
}

TEST_F(UtilTest, ReadoutAccuracyFollowsTheSettingsBlock) {
    openDesign();
    ASSERT_EQ(mdlSystem_setCoordinateReadout(3, 0), 0);
    EXPECT_EQ(zmlibUtil_getCoordinateReadoutAccuracy(2), 2);
    ASSERT_EQ(mdlSystem_setCoordinateReadout(0, 0), 0);
    EXPECT_EQ(zmlibUtil_getCoordinateReadoutAccuracy(2), 4);
}

TEST_F(UtilTest, WebPagesGoThroughTheBrowserApplication) {
    MdlDesc* a = startApp("ALPHA");
    {
        sim::CurrentApplicationScope s(a);
        EXPECT_EQ(zmlibWeb_openUrl("https://example.invalid/support"), 0);
        EXPECT_NE(mdlSystem_findMdlDesc("WEBBROWS"), nullptr);
    }
    sim::runCommandQueue();
    EXPECT_NE(hostLines().find("Web browser: open url https://example.invalid/support"), std::string::npos)
        << hostLines();
}

TEST_F(UtilTest, TheBrowserStartsTheViewerTheWorkspaceNames) {
    {
        std::ofstream viewer(path("viewer"));
        viewer << "#!/bin/sh\nexit 0\n";
    }
    ::chmod(path("viewer").c_str(), 0755);
    sim::defineVariable("_HOST_WEB_VIEWER", path("viewer"), CFGVAR_LEVEL_USER);
    MdlDesc* a = startApp("ALPHA");
    {
        sim::CurrentApplicationScope s(a);
        EXPECT_EQ(zmlibWeb_openFile(path("page.htm").c_str()), 0);
    }
    sim::runCommandQueue();
    ASSERT_EQ(sim::startedPrograms().size(), 1u);
    EXPECT_EQ(sim::startedPrograms()[0].program, path("viewer"));
    EXPECT_EQ(sim::startedPrograms()[0].arguments, std::vector<std::string>{path("page.htm")});
}

TEST_F(UtilTest, ManualFallsBackToTheNameWithoutLanguage) {
    std::filesystem::create_directories(path("doc/manual/ALPHA"));
    std::ofstream(path("doc/manual/ALPHA/index.htm")) << "<html/>";
    MdlDesc* a = startApp("ALPHA");
    {
        sim::CurrentApplicationScope s(a);
        zmlibWeb_openApplHelp();
    }
    sim::runCommandQueue();
    EXPECT_NE(hostLines().find("open file " + path("doc/manual/ALPHA/index.htm")), std::string::npos) << hostLines();
}

TEST_F(UtilTest, CompiledHelpStartsTheViewerAsARealProcess) {
    std::filesystem::create_directories(path("help"));
    std::filesystem::create_directories(path("win"));
    std::ofstream(path("help/ALPHA_no.chm")) << "help";
    {
        std::ofstream viewer(path("win/hh.exe"));
        viewer << "#!/bin/sh\necho \"$1\" > \"$(dirname \"$0\")/shown.txt\"\n";
    }
    ::chmod(path("win/hh.exe").c_str(), 0755);
    sim::defineVariable("SystemRoot", path("win"), CFGVAR_LEVEL_USER);
    MdlDesc* a = startApp("ALPHA");
    sim::CurrentApplicationScope s(a);
    zmlibWeb_openApplChmHelp();
    ASSERT_EQ(sim::startedPrograms().size(), 1u);
    EXPECT_EQ(sim::startedPrograms()[0].arguments, std::vector<std::string>{path("help/ALPHA_no.chm")});
    sim::resetPrograms();  /* waits for it */
    std::ifstream shown(path("win/shown.txt"));
    std::string line;
    std::getline(shown, line);
    EXPECT_EQ(line, path("help/ALPHA_no.chm"));
}

TEST_F(UtilTest, StartingAProgramThatCannotStartFails) {
    EXPECT_EQ(mdlExternal_extStartProgram(path("missing").c_str(), nullptr), HOST_ERROR);
    sim::failProgramStarts(true);
    EXPECT_EQ(mdlExternal_extStartProgram("/bin/true", ""), HOST_ERROR);
    sim::failProgramStarts(false);
    EXPECT_EQ(mdlExternal_extStartProgram("/bin/true", "\"two words\" three"), 0);
    ASSERT_EQ(sim::startedPrograms().size(), 1u);
    EXPECT_EQ(sim::startedPrograms()[0].arguments, (std::vector<std::string>{"two words", "three"}));
}

TEST_F(UtilTest, ReducedEditions) {
    MdlDesc* a = startApp("ALPHA");
    sim::CurrentApplicationScope s(a);
    EXPECT_EQ(zmlibUtil_mdlExternalNotAvailable(), 0);
    EXPECT_EQ(zmlibUtil_runningPowerDraft(), 0);
    sim::defineVariable("_PRJREVIEW", "1", CFGVAR_LEVEL_SYSTEM);
    EXPECT_EQ(zmlibUtil_mdlExternalNotAvailable(), 1);
    sim::defineVariable("_MSDRAFT", "1", CFGVAR_LEVEL_PREDEFINED);
    modalDialogs.clear();
    EXPECT_EQ(zmlibUtil_runningPowerDraft(), 1);
    EXPECT_EQ(modalDialogs.size(), 1u);
}

std::vector<uint32_t> fences;
int collectFence(MSElement* element, uint32_t filePos, DgnModelRefP model, void* userArg) {
    fences.push_back(filePos);
    ++*static_cast<int*>(userArg);
    return 0;
}
int stopAtFirst(MSElement*, uint32_t filePos, DgnModelRefP, void*) {
    fences.push_back(filePos);
    return 1;
}

/* Add a construction-class shape with a user data linkage of APPID (0: none). */
uint32_t addShape(int appId, int elementClass = 2) {
    alignas(8) static uint8_t buffer[MAX_ELEMENT_SIZE];
    auto* el = reinterpret_cast<MSElement*>(buffer);
    Dpoint3d pts[5] = {{0, 0, 0}, {10, 0, 0}, {10, 10, 0}, {0, 10, 0}, {0, 0, 0}};
    EXPECT_EQ(mdlShape_create(el, nullptr, pts, 5, 0), 0);
    mdlElement_setProperties(el, nullptr, nullptr, &elementClass, nullptr, nullptr, nullptr, nullptr, nullptr);
    if (appId) {
        LinkageHeader header{LINKAGE_USER_FLAG, 20275};
        mdlLinkage_setWords(&header, 8);
        uint8_t body[12] = {static_cast<uint8_t>(appId), 0, 1, 0, 'f', 'e', 'n', 'c', 'e'};
        EXPECT_EQ(mdlLinkage_appendToElement(el, &header, body, nullptr, nullptr), 0);
    }
    return mdlElement_add(el);
}

TEST_F(UtilTest, PlotFencesAreShapesWithUserDataOfTheirOwnId) {
    openDesign();
    MdlDesc* a = startApp("ALPHA");
    sim::CurrentApplicationScope s(a);
    fences.clear();
    uint32_t first = addShape(6);
    addShape(0);
    addShape(13);
    addShape(6, 0);  /* a primary-class shape is no plot fence */
    uint32_t second = addShape(6);
    ASSERT_NE(first, 0u);
    int count = 0;
    EXPECT_EQ(zmlibUtil_findAllPlotFence(collectFence, &count), 0);
    EXPECT_EQ(fences, (std::vector<uint32_t>{first, second}));
    EXPECT_EQ(count, 2);
    fences.clear();
    zmlibUtil_findAllPlotFence(stopAtFirst, nullptr);
    EXPECT_EQ(fences, std::vector<uint32_t>{first});
}

TEST_F(UtilTest, TextItemsShowTheReadoutAccuracy) {
    openDesign();
    ASSERT_EQ(mdlSystem_setCoordinateReadout(5, 0), 0);  /* 4 decimals */
    std::string file = path("dialogs.rsc");
    {
        sim::DialogRsc d;
        d.id = 900;
        d.title = "Decimals";
        sim::DialogItemRsc text;
        text.type = ITEMTYPE_TEXT;
        text.id = 1;
        text.properties = {{"format", "%.2f"}};
        sim::DialogItemRsc plain = text;
        plain.id = 2;
        plain.properties = {{"format", "%d"}};
        sim::DialogItemRsc button;
        button.type = ITEMTYPE_PUSHBUTTON;
        button.id = 3;
        d.items = {text, plain, button};
        std::vector<uint8_t> bytes;
        ASSERT_EQ(sim::packDialog(d, bytes), 0);
        ASSERT_EQ(mdlResource_createFile(file.c_str(), "dialogs", 1), 0);
        RscFileHandle h = 0;
        ASSERT_EQ(mdlResource_openFile(&h, file.c_str(), 1), 0);
        ASSERT_EQ(mdlResource_add(h, RTYPE_DIALOG, 900, bytes.data(), static_cast<uint32_t>(bytes.size()), nullptr), 0);
        mdlResource_closeFile(h);
    }
    MdlDesc* a = startApp("ALPHA");
    sim::CurrentApplicationScope s(a);
    RscFileHandle h = 0;
    ASSERT_EQ(mdlResource_openFile(&h, file.c_str(), 0), 0);
    DialogBox* db = mdlDialog_open(h, 900);
    ASSERT_NE(db, nullptr);
    char format[32] = "";
    DialogItem* text = mdlDialog_itemGetByTypeAndId(db, ITEMTYPE_TEXT, 1, 0);
    EXPECT_EQ(zmlibUtil_setActiveDecimalNumberInTextItem(text), 0);
    ASSERT_EQ(mdlDialog_textItemGetFormat(format, sizeof format, text), 0);
    EXPECT_STREQ(format, "%.4f");
    DialogItem* plain = mdlDialog_itemGetByTypeAndId(db, ITEMTYPE_TEXT, 2, 0);
    EXPECT_EQ(zmlibUtil_setActiveDecimalNumberInTextItem(plain), 0);
    ASSERT_EQ(mdlDialog_textItemGetFormat(format, sizeof format, plain), 0);
    EXPECT_STREQ(format, "%d");
    DialogItem* button = mdlDialog_itemGetByTypeAndId(db, ITEMTYPE_PUSHBUTTON, 3, 0);
    EXPECT_EQ(zmlibUtil_setActiveDecimalNumberInTextItem(button), 0);
    EXPECT_NE(mdlDialog_textItemGetFormat(format, sizeof format, button), 0);
    mdlWindow_close(db);
}

TEST_F(UtilTest, TextSizeOfSeveralLines) {
    openDesign();
    MdlDesc* a = startApp("ALPHA");
    sim::CurrentApplicationScope s(a);
    ZmAttributeData d{};
    d.applyMask = ZMATTR_TEXTSIZE;
    d.textWidth = d.textHeight = 2.0;
    ASSERT_EQ(zmlibElmAttr_addAttribute(1, "Small", 0, ZMATTR_KIND_TEXT, 0, nullptr, 0, &d), 0);
    d.textWidth = d.textHeight = 6.0;
    ASSERT_EQ(zmlibElmAttr_addAttribute(2, "Large", 0, ZMATTR_KIND_TEXT, 0, nullptr, 0, &d), 0);
    double w1 = 0, h1 = 0, t1 = 0, w2 = 0, h2 = 0, t2 = 0;
    zmlibUtil_extractTextSize("ABCD", 1.0, 1, 0.5, &w1, &h1, &t1, nullptr);
    EXPECT_GT(w1, 0);
    EXPECT_GT(h1, 0);
    EXPECT_DOUBLE_EQ(t1, h1);
    zmlibUtil_extractTextSize("AB\\nABCDEFGH\nC", 1.0, 1, 0.5, &w2, &h2, &t2, nullptr);
    EXPECT_GT(w2, w1);  /* the widest line counts */
    EXPECT_DOUBLE_EQ(h2, h1);
    EXPECT_DOUBLE_EQ(t2, 2 * 0.5 + 3 * h1);
    zmlibUtil_extractTextSize(std::string(2000, 'x').c_str(), 1.0, 1, 0.5, nullptr, nullptr, nullptr, nullptr);

    /* The attribute's size and the divisor both count. */
    double large = 0, halved = 0, largeHeight = 0;
    zmlibUtil_extractTextSize("ABCD", 1.0, 2, 0.5, &large, &largeHeight, nullptr, nullptr);
    EXPECT_NEAR(large, 3 * w1, 1e-6 * large);
    EXPECT_NEAR(largeHeight, 3 * h1, 1e-6 * largeHeight);
    zmlibUtil_extractTextSize("ABCD", 2.0, 2, 0.5, &halved, nullptr, nullptr, nullptr);
    EXPECT_NEAR(halved, large / 2, 1e-6 * large);
    zmlibElmAttr_freeAllAttribute();
}

}  // namespace
