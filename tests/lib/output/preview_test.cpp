/* The print set-up record as stored, and the preview's printing: the
** orientation decision with its quarter turn, the page range, the user print
** function and page indexes outside the list. */
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "host/mdlelement.h"
#include "host/mdltext.h"
#include "host/sim/base/base.h"
#include "host/sim/design/design.h"
#include "host/sim/dialogs/dialogs.h"
#include "host/sim/interaction/interaction.h"
#include "host/sim/system/system.h"
#include "lib/core/main.h"
#include "lib/core/text_int.h"
#include "lib/core/util.h"
#include "lib/elements/element.h"
#include "lib/library_messages.h"
#include "lib/output/preview_int.h"
#include "lib/output/print.h"
#include "lib/output/printsetup_int.h"
#include "validators.h"

namespace fs = std::filesystem;
namespace setup = zmlib::printsetup;

namespace {

ZmPrinterSetup sample() {
    ZmPrinterSetup r{};
    r.paperCode = 9;
    r.paperWidth = 210;
    r.paperHeight = 297;
    r.marginLeft = 20;
    r.marginRight = 10;
    r.marginTop = 10;
    r.marginBottom = 10.5;
    r.orientation = 2;
    r.outputKind = 5;
    r.copies = 3;
    std::strcpy(r.printer, "\\\\srv\\pl");
    std::strcpy(r.printFile, "c:\\temp\\zm.ps");
    r.printToFileOnly = 1;
    std::strcpy(r.plotDriver, "C:\\pltcfg\\a.plt");
    return r;
}

TEST(PrinterSetupRecord, PacksEveryFieldAtItsOffsetLittleEndian) {
    ZmPrinterSetup r = sample();
    std::strcpy(r.printer + 20, "junk after the end");  /* padding is stored as zeros */
    std::vector<uint8_t> bytes(setup::STORED_SIZE, 0xAA);
    setup::pack(r, bytes.data());

    std::vector<uint8_t> want(setup::STORED_SIZE, 0);
    auto put = [&](size_t at, std::initializer_list<uint8_t> b) { std::copy(b.begin(), b.end(), want.begin() + at); };
    put(0, {9, 0, 0, 0});
    put(8, {0, 0, 0, 0, 0, 0x40, 0x6A, 0x40});     /* 210.0 */
    put(16, {0, 0, 0, 0, 0, 0x90, 0x72, 0x40});    /* 297.0 */
    put(24, {0, 0, 0, 0, 0, 0, 0x34, 0x40});       /* 20.0 */
    put(32, {0, 0, 0, 0, 0, 0, 0x24, 0x40});       /* 10.0 */
    put(40, {0, 0, 0, 0, 0, 0, 0x24, 0x40});
    put(48, {0, 0, 0, 0, 0, 0, 0x25, 0x40});       /* 10.5 */
    put(56, {2, 0, 0, 0});
    put(60, {5, 0, 0, 0});
    put(64, {3, 0, 0, 0});
    std::memcpy(&want[68], "\\\\srv\\pl", 8);
    std::memcpy(&want[323], "c:\\temp\\zm.ps", 13);
    put(580, {1, 0, 0, 0});
    std::memcpy(&want[584], "C:\\pltcfg\\a.plt", 15);
    EXPECT_EQ(bytes, want);

    ZmPrinterSetup back{};
    setup::unpack(bytes.data(), setup::STORED_SIZE, back);
    std::vector<uint8_t> again(setup::STORED_SIZE);
    setup::pack(back, again.data());
    EXPECT_EQ(again, want);
}

class PreviewTest : public LibraryMessagesTest {
protected:
    std::optional<sim::CurrentApplicationScope> scope;

    void SetUp() override {
        LibraryMessagesTest::SetUp();
        scope.emplace(app);
        std::string error;
        ASSERT_TRUE(sim::design::open(path("drawing.design"), true, error)) << error;
        pages.clear();
        printed.clear();
    }
    void TearDown() override {
        scope.reset();
        LibraryMessagesTest::TearDown();
    }
    static ZmGlobalData* gd() { return zmlibMain_getGlobalDataP(); }

    static inline std::vector<int> pages;    /* indexes the page function was asked for */
    static inline std::vector<int> printed;  /* indexes the user print function got */

    /* A landscape page of 100 x 50 with a horizontal text "P<index>". */
    static MSElementDescr* landscape(int index) {
        MSElementDescr* d = nullptr;
        Dpoint3d pts[5] = {{0, 0, 0}, {100, 0, 0}, {100, 50, 0}, {0, 50, 0}, {0, 0, 0}};
        MSElement e;
        mdlShape_create(&e, nullptr, pts, 5, 0);
        mdlElmdscr_new(&d, nullptr, &e);
        TextSizeParam size{1, {5, 5}, 1.0};
        TextParamWide params{};
        params.just = 7;
        params.textStyleId = -1;
        Dpoint3d at{50, 25, 0};
        std::string text = "P" + std::to_string(index);
        mdlText_create(&e, nullptr, text.c_str(), &at, nullptr, &size, &params, nullptr);
        mdlElmdscr_appendElement(d, &e);
        return d;
    }
    static inline std::vector<int> flags;    /* the flag of each page function call */
    static int pageFunction(int index, char*, MSElementDescr** descr, int flag) {
        pages.push_back(index);
        flags.push_back(flag);
        *descr = landscape(index);
        return 0;
    }
    static void userPrint(int index) { printed.push_back(index); }

    DialogBox* open(int count) {
        static char n0[] = "one", n1[] = "two", n2[] = "three", n3[] = "four";
        static char* names[] = {n0, n1, n2, n3, nullptr};
        DialogBox* db = zmlibPreview_dialogOpen(count, names, pageFunction, nullptr);
        EXPECT_NE(db, nullptr);
        pages.clear();
        return db;
    }
    /* PostScript to FILE, not sent, range MODE from FIRST to LAST. */
    void printTo(const std::string& file, int mode, int first = 0, int last = 0) {
        ZmPrinterSetup* s = setup::record();
        s->outputKind = ZMLIB_PRINT_POSTSCRIPT;
        zmlib::copyFixed(s->printFile, file.c_str());
        s->printToFileOnly = 1;
        gd()->previewState.rangeMode = mode;
        gd()->previewState.rangeFirst = first;
        gd()->previewState.rangeLast = last;
    }
};

TEST_F(PreviewTest, StartUpGivesTheDefaultsAndAnOldRecordKeepsItsBytesWithTheDefaultPlotDriver) {
    const ZmPrinterSetup* s = setup::record();
    EXPECT_EQ(s->paperCode, 9);
    EXPECT_EQ(s->paperWidth, 210);
    EXPECT_EQ(s->paperHeight, 297);
    EXPECT_EQ(s->marginLeft, 20);
    EXPECT_EQ(s->orientation, ZMLIB_ORIENT_AUTO);
    EXPECT_EQ(s->copies, 1);
    EXPECT_STREQ(s->printer, "\\\\printserver\\drafting");
    EXPECT_STREQ(s->printFile, "zm.ps");  /* neither c:\temp\ nor MS_TMP */

    /* A preference file with only the old 584 bytes. */
    sim::defineVariable("_HOST_USERPREF", path("user.upf"), CFGVAR_LEVEL_USER);
    sim::defineVariable("MS_PLTR", path("pltcfg") + "/", CFGVAR_LEVEL_USER);
    writeFile("pltcfg/default.plt", "name = Office\n");
    ZmPrinterSetup old = sample();
    std::vector<uint8_t> bytes(setup::STORED_SIZE);
    setup::pack(old, bytes.data());
    ASSERT_EQ(mdlResource_createFile(path("user.upf").c_str(), "prefs", 0), RSC_SUCCESS);
    RscFileHandle h = 0;
    ASSERT_EQ(mdlResource_openFile(&h, path("user.upf").c_str(), 1), RSC_SUCCESS);
    ASSERT_EQ(mdlResource_add(h, setup::RTYPE_OLD_SETUP, setup::RSCID_OLD_SETUP, bytes.data(), setup::OLD_STORED_SIZE,
                              nullptr),
              RSC_SUCCESS);
    mdlResource_closeFile(h);
    setup::load();
    s = setup::record();
    EXPECT_EQ(s->marginBottom, 10.5);
    EXPECT_EQ(s->copies, 3);
    EXPECT_STREQ(s->printFile, "c:\\temp\\zm.ps");
    EXPECT_EQ(s->printToFileOnly, 1);
    EXPECT_NE(std::string(s->plotDriver).find("default.plt"), std::string::npos) << s->plotDriver;

    /* Saved, it comes back whole as 'PtSe', beside the old record. */
    ZmPrinterSetup* w = setup::record();
    w->outputKind = ZMLIB_OUTPUT_SYSTEM_PRINTER;
    ASSERT_EQ(setup::save(), ZMLIB_SUCCESS);
    ASSERT_EQ(setup::save(), ZMLIB_SUCCESS);  /* the second overwrites */
    w->outputKind = 0;
    setup::load();
    EXPECT_EQ(setup::record()->outputKind, ZMLIB_OUTPUT_SYSTEM_PRINTER);
    uint32_t size = 0;
    ASSERT_EQ(mdlResource_openFile(&h, path("user.upf").c_str(), 0), RSC_SUCCESS);
    EXPECT_EQ(mdlResource_querySize(&size, h, setup::RTYPE_SETUP, setup::RSCID_SETUP), 0);
    EXPECT_EQ(size, 840u);
    mdlResource_closeFile(h);

    /* The dialog size is kept likewise, and a size no window can have is ignored. */
    int width = 0, height = 0;
    setup::loadDialogSize(&width, &height);
    EXPECT_EQ(width, 600);
    setup::saveDialogSize(700, 450);
    setup::loadDialogSize(&width, &height);
    EXPECT_EQ(width, 700);
    EXPECT_EQ(height, 450);
    setup::saveDialogSize(-1, 450);
    setup::loadDialogSize(&width, &height);
    EXPECT_EQ(width, 600);
}

TEST_F(PreviewTest, TheSetUpDialogFollowsPaperAndOutputKindAndPreselectsThePrinterByItsPathElseTheHostsDefault) {
    writeFile("printers.txt",
              "[Desk]\nport = LPT1:\n[Plotter A3]\nserver = \\\\printsrv\nshare = A3-Plot\n"
              "[Office]\nserver = \\\\printsrv\nshare = Office\n");
    sim::defineVariable("_HOST_PRINTERS", path("printers.txt"), CFGVAR_LEVEL_USER);
    sim::defineVariable("_HOST_USERPREF", path("user.upf"), CFGVAR_LEVEL_USER);
    ZmPrinterSetup* r = setup::record();
    zmlib::copyFixed(r->printer, "\\\\printsrv\\Office");
    ASSERT_EQ(setup::save(), ZMLIB_SUCCESS);

    struct Seen {
        std::string preselected;
        double landscapeWidth = 0;
        bool sizeEnabledForCode = true, sizeEnabledFree = false;
        bool fileItemsForSystem = true, systemItemsForSystem = false, anyForText = true;
    } seen;
    sim::setModalHandler([&](DialogBox* db) {
        if (mdlDialog_getId(db) != 20006) return int(ACTIONBUTTON_OK);
        auto item = [db](uint32_t type, int id) { return mdlDialog_itemGetByTypeAndId(db, type, id, 0); };
        std::string error;
        char text[256] = "";
        DialogItem* printers = item(ITEMTYPE_COMBOBOX, 23);
        mdlDialog_itemGetText(text, sizeof text, db, printers->itemIndex);
        seen.preselected = text;
        EXPECT_TRUE(sim::userSetItem(db, printers->itemIndex, "Plotter A3", error)) << error;
        EXPECT_TRUE(sim::userSetItem(db, item(ITEMTYPE_OPTIONBUTTON, 1)->itemIndex, "10", error)) << error;
        seen.landscapeWidth = setup::record()->paperWidth;
        seen.sizeEnabledForCode = item(ITEMTYPE_TEXT, 2)->enabled;
        EXPECT_TRUE(sim::userSetItem(db, item(ITEMTYPE_OPTIONBUTTON, 1)->itemIndex, "0", error)) << error;
        seen.sizeEnabledFree = item(ITEMTYPE_TEXT, 2)->enabled && item(ITEMTYPE_TEXT, 3)->enabled;
        EXPECT_TRUE(sim::userSetItem(db, item(ITEMTYPE_OPTIONBUTTON, 9)->itemIndex, "6", error)) << error;
        seen.fileItemsForSystem = item(ITEMTYPE_TEXT, 20)->visible || printers->visible;
        seen.systemItemsForSystem = item(ITEMTYPE_TEXT, 30)->visible && item(ITEMTYPE_PUSHBUTTON, 34)->visible;
        EXPECT_TRUE(sim::userSetItem(db, item(ITEMTYPE_OPTIONBUTTON, 9)->itemIndex, "4", error)) << error;
        seen.anyForText = item(ITEMTYPE_TEXT, 20)->visible || item(ITEMTYPE_TEXT, 30)->visible;
        return int(ACTIONBUTTON_OK);
    });
    r->copies = 7;  /* not stored: the dialog starts from the stored record */
    EXPECT_EQ(zmlibPrintSet_dialogOpen(), ACTIONBUTTON_OK);
    EXPECT_EQ(seen.preselected, "Office");
    EXPECT_EQ(seen.landscapeWidth, 297);
    EXPECT_FALSE(seen.sizeEnabledForCode);
    EXPECT_TRUE(seen.sizeEnabledFree);
    EXPECT_FALSE(seen.fileItemsForSystem);
    EXPECT_TRUE(seen.systemItemsForSystem);
    EXPECT_FALSE(seen.anyForText);

    /* What OK stored is what the next start loads. */
    *setup::record() = ZmPrinterSetup{};
    setup::load();
    EXPECT_STREQ(setup::record()->printer, "\\\\printsrv\\A3-Plot");
    EXPECT_EQ(setup::record()->paperCode, 0);
    EXPECT_EQ(setup::record()->paperWidth, 297);
    EXPECT_EQ(setup::record()->outputKind, ZMLIB_PRINT_TEXT);
    EXPECT_EQ(setup::record()->copies, 1);

    /* No printer has the record's path: the host's default printer, named by the plot driver file. */
    writeFile("office.plt", "name = Office\nprinter = Plotter A3\npaper A4 = 210 297\n");
    zmlib::copyFixed(setup::record()->printer, "\\\\elsewhere\\gone");
    zmlib::copyFixed(setup::record()->plotDriver, path("office.plt").c_str());
    ASSERT_EQ(setup::save(), ZMLIB_SUCCESS);
    sim::setModalHandler([&](DialogBox* db) {
        char text[256] = "";
        DialogItem* printers = mdlDialog_itemGetByTypeAndId(db, ITEMTYPE_COMBOBOX, 23, 0);
        if (printers) mdlDialog_itemGetText(text, sizeof text, db, printers->itemIndex);
        seen.preselected = text;
        return int(ACTIONBUTTON_CANCEL);
    });
    EXPECT_EQ(zmlibPrintSet_dialogOpen(), ACTIONBUTTON_CANCEL);
    EXPECT_EQ(seen.preselected, "Plotter A3");
}

TEST_F(PreviewTest, ALandscapeDrawingIsTurnedOntoPortraitPaperAndItsTextsReachThePlainTextDriverLevel) {
    ZmPrinterSetup s = *setup::record();
    MSElementDescr* page = landscape(7);
    EXPECT_EQ(zmlib::preview::decideOrientation(s, page), ZMLIB_ORIENT_TURN);
    s.paperCode = 10;
    std::swap(s.paperWidth, s.paperHeight);
    EXPECT_EQ(zmlib::preview::decideOrientation(s, page), ZMLIB_ORIENT_KEEP);
    s.orientation = ZMLIB_ORIENT_TURN;
    EXPECT_EQ(zmlib::preview::decideOrientation(s, page), ZMLIB_ORIENT_TURN);
    s.orientation = ZMLIB_ORIENT_AUTO;
    EXPECT_EQ(zmlib::preview::decideOrientation(s, nullptr), ZMLIB_ORIENT_KEEP);

    std::string file = path("page.txt");
    ASSERT_EQ(zmlibPrint_fopen(file.c_str(), ZMLIB_PRINT_TEXT), 1);
    zmlib::preview::printPage(page, true);
    zmlibPrint_fclose();
    EXPECT_EQ(gd()->printTextAngleOffset, 90);
    Dpoint3d range[2];
    zmlibElemDscr_getRange(range, page);
    EXPECT_NEAR(range[1].x - range[0].x, 100, 1e-6);  /* the page on show is turned back */
    EXPECT_NEAR(range[1].y - range[0].y, 50, 1e-6);
    EXPECT_NE(readFile(file).find("P7"), std::string::npos) << readFile(file);

    /* PostScript of the turned page: a whole page that Ghostscript reads. */
    std::string ps = path("page.ps");
    ASSERT_EQ(zmlibPrint_fopen(ps.c_str(), ZMLIB_PRINT_POSTSCRIPT), 1);
    zmlib::preview::printPage(page, false);
    zmlibPrint_fclose();
    if (haveProgram("gs")) {
        EXPECT_EQ(runGhostscript(ps).status, 0);
    }
    mdlElmdscr_freeAll(&page);
}

TEST_F(PreviewTest, RangeModeTwoPrintsExactlyItsPagesAndIndexesOutsideTheListAreClamped) {
    DialogBox* db = open(4);
    ASSERT_NE(db, nullptr);
    std::string file = path("range.ps");
    printTo(file, 2, 2, 3);
    ASSERT_EQ(zmlib::preview::printRun(db), ZMLIB_SUCCESS);
    EXPECT_EQ(pages, (std::vector<int>{2, 3}));
    if (haveProgram("gs")) {
        GhostscriptResult gs = runGhostscript(file);
        EXPECT_EQ(gs.status, 0) << gs.output;
        EXPECT_EQ(gs.pages, 2);
    }

    /* Past both ends of the list: the pages that are in it. */
    pages.clear();
    printTo(file, 2, -5, 99);
    ASSERT_EQ(zmlib::preview::printRun(db), ZMLIB_SUCCESS);
    EXPECT_EQ(pages, (std::vector<int>{0, 1, 2, 3}));
    pages.clear();
    printTo(file, 2, 7, 9);
    zmlib::preview::printRun(db);
    EXPECT_TRUE(pages.empty());
    EXPECT_NE(sim::consoleText().find("no page lies in the range 7 to 9"), std::string::npos);

    /* A selected page outside the list shows and prints the nearest one. */
    zmlib::preview::showPage(db, 12);
    EXPECT_EQ(gd()->previewShownPage, 3);
    EXPECT_STREQ(gd()->pageName, "four");

    /* Cancelled at the confirmation: nothing is written. */
    answer = ACTIONBUTTON_CANCEL;
    sim::setModalHandler([this](DialogBox* d) { return answerModal(d); });
    printTo(path("cancelled.ps"), 1);
    EXPECT_EQ(zmlib::preview::printRun(db), ZMLIB_ERROR);
    EXPECT_FALSE(fs::exists(path("cancelled.ps")));
    mdlDialog_closeWithAction(db, ACTIONBUTTON_CANCEL);
    EXPECT_EQ(gd()->previewDescr, nullptr);
}

TEST_F(PreviewTest, AUserPrintFunctionReplacesThePageFunctionAndTheFileIsNotSent) {
    DialogBox* db = open(3);
    ASSERT_NE(db, nullptr);
    sim::defineVariable("PORT", path("port.prn"), CFGVAR_LEVEL_USER);
    std::string file = path("user.ps");
    printTo(file, 1);
    setup::record()->printToFileOnly = 0;
    zmlib::copyFixed(setup::record()->printer, "$(PORT)");
    EXPECT_EQ(zmlibPreview_setUserPrintFunction(userPrint), userPrint);
    ASSERT_EQ(zmlib::preview::printRun(db), ZMLIB_SUCCESS);
    EXPECT_TRUE(pages.empty());
    EXPECT_EQ(printed, (std::vector<int>{0, 1, 2}));
    EXPECT_FALSE(fs::exists(path("port.prn")));

    /* Without it the pages come from the page function and the file goes to the port. */
    zmlibPreview_setUserPrintFunction(nullptr);
    ASSERT_EQ(zmlib::preview::printRun(db), ZMLIB_SUCCESS);
    EXPECT_EQ(pages, (std::vector<int>{0, 1, 2}));
    EXPECT_EQ(readFile(path("port.prn")), readFile(file));
    mdlDialog_closeWithAction(db, ACTIONBUTTON_CANCEL);
}

}  // namespace

namespace {

TEST_F(PreviewTest, PageFramesAreLaidOutInRowsWithCrossesAtTheirCornersAndThePagesInside) {
    DialogBox* db = open(3);
    ASSERT_NE(db, nullptr);
    gd()->previewState.rangeMode = 1;
    gd()->previewState.pagesPerRow = 2;
    flags.clear();
    std::string error;
    DialogItem* frames = mdlDialog_itemGetByTypeAndId(db, ITEMTYPE_PUSHBUTTON, 13, 0);
    ASSERT_TRUE(sim::userPressItem(db, frames->itemIndex, error)) << error;
    ASSERT_TRUE(sim::interact::dataPoint({0, 0, 0}, 1));
    EXPECT_EQ(pages, (std::vector<int>{0, 1, 2}));
    EXPECT_EQ(flags, (std::vector<int>{1, 1, 1}));
    EXPECT_FALSE(sim::interact::commandRunning());

    /* The crosses share one new graphic group; each page's shape lies in its frame. */
    int crosses = 0;
    std::vector<Dpoint3d> centres;
    MSElement e;
    for (UInt32 pos = 1; mdlElement_read(&e, nullptr, pos) == 0; ++pos) {
        UInt32 group = 0;
        mdlElement_getProperties(nullptr, &group, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &e);
        if (mdlElement_getType(&e) == LINE_ELM && group != 0) ++crosses;
        if (mdlElement_getType(&e) == SHAPE_ELM) {
            Dpoint3d pts[5];
            int n = 0;
            mdlLinear_extract(pts, &n, &e, nullptr);
            centres.push_back({(pts[0].x + pts[2].x) / 2, (pts[0].y + pts[2].y) / 2, 0});
        }
    }
    EXPECT_EQ(crosses, 3 * 4 * 2);
    ASSERT_EQ(centres.size(), 3u);
    double w = *zmlibUtil_masterToUORP(210), h = *zmlibUtil_masterToUORP(297);
    EXPECT_NEAR(centres[1].x - centres[0].x, w, 1e-6);
    EXPECT_NEAR(centres[1].y - centres[0].y, 0, 1e-6);
    EXPECT_NEAR(centres[2].x - centres[0].x, 0, 1e-6);
    EXPECT_NEAR(centres[2].y - centres[0].y, -h, 1e-6);
    mdlDialog_closeWithAction(db, ACTIONBUTTON_CANCEL);
}

}  // namespace
