#include <cstring>

#include "core_fixture.h"
#include "host/mdlcommand.h"
#include "host/mdllevel.h"
#include "host/sim/design/design.h"
#include "lib/core/error.h"
#include "lib/core/main.h"

namespace {

std::vector<std::string> calls;
void initA() { calls.push_back("A:" + std::string(mdlSystem_getCurrTaskID())); }
void initB() { calls.push_back("B"); }
void countCall() { calls.push_back("x"); }

std::vector<std::string> scaleCalls;
void scaleOfAlpha(double o, double n) { scaleCalls.push_back("ALPHA " + std::to_string(int(o)) + "->" + std::to_string(int(n))); }
void scaleOfBeta(double o, double n) { scaleCalls.push_back("BETA " + std::to_string(int(o)) + "->" + std::to_string(int(n))); }

using MainTest = CoreTest;

TEST_F(MainTest, EachApplicationGetsItsOwnRecord) {
    MdlDesc* a = startApp("ALPHA");
    MdlDesc* b = startApp("BETA");
    ZmGlobalData* ra;
    ZmGlobalData* rb;
    {
        sim::CurrentApplicationScope s(a);
        ra = zmlibMain_getGlobalDataP();
        EXPECT_STREQ(zmlibMain_getApplicationName(), "ALPHA");
        zmlibError_setTitle(1, "only %s", "alpha");
    }
    {
        sim::CurrentApplicationScope s(b);
        rb = zmlibMain_getGlobalDataP();
        EXPECT_STREQ(zmlibMain_getApplicationName(), "BETA");
        EXPECT_STREQ(rb->messageBoxTitles[2], "Message from BETA");
    }
    ASSERT_NE(ra, nullptr);
    ASSERT_NE(rb, nullptr);
    EXPECT_NE(ra, rb);
    EXPECT_STREQ(ra->messageBoxTitles[2], "only alpha");
    EXPECT_EQ(zmlib::main::tableCount(), 2);
    /* Shared records are made once. */
    const auto& shared = zmlib::main::sharedRecords();
    EXPECT_NE(shared.printSetup, nullptr);
    EXPECT_NE(shared.plotScale, nullptr);
}

TEST_F(MainTest, StartUpSetsInitialValuesTitlesAndBlocks) {
    MdlDesc* a = startApp("ALPHA");
    sim::CurrentApplicationScope s(a);
    ZmGlobalData* gd = zmlibMain_getGlobalDataP();
    ASSERT_NE(gd, nullptr);
    EXPECT_EQ(gd->pageScale, 1.0);
    EXPECT_EQ(gd->reserved1, 1);
    EXPECT_EQ(gd->attribSetSelection, -1);
    EXPECT_EQ(gd->projectDialog[0], -1);
    EXPECT_EQ(gd->projectDialog[1], -1);
    EXPECT_EQ(gd->projectDialog[2], 1);
    EXPECT_EQ(gd->initAppFlag, 0);
    EXPECT_STREQ(gd->messageBoxTitles[0], "Warning from ALPHA");  /* kind 4 */
    EXPECT_STREQ(gd->messageBoxTitles[1], "Question from ALPHA"); /* kind 8 */
    EXPECT_STREQ(gd->messageBoxTitles[2], "Message from ALPHA");  /* kind 1 */
    EXPECT_STREQ(gd->messageBoxTitles[3], "Error");               /* kind 2 */
    ASSERT_NE(gd->dialogBlock, nullptr);
    EXPECT_STREQ(gd->dialogBlock + ZMGD_DIALOG_SEPARATOR_OFFSET, ",");
    EXPECT_NE(gd->ownerRecord, nullptr);
    EXPECT_NE(gd->workBuffer, nullptr);
    EXPECT_NE(gd->modulePointers[ZMGD_SLOT_ATTRIB_SMALL], nullptr);
    EXPECT_NE(gd->modulePointers[ZMGD_SLOT_OWN_RESOURCE_FILE], nullptr);
    EXPECT_EQ(zmlib::main::publishedGlobalData(), gd);
    EXPECT_STREQ(zmlibMain_getZmlibVersion(), "Library version 6.14");
    EXPECT_STREQ(zmlibMain_getZmlibLocation(), "Statically Linked");
}

TEST_F(MainTest, CallerWithoutRecordIsToldOnTheConsole) {
    MdlDesc* a = addApp("ALPHA");
    sim::CurrentApplicationScope s(a);
    EXPECT_EQ(zmlibMain_getGlobalDataP(), nullptr);
    EXPECT_EQ(sim::consoleText(), "Error in zmlib_GetGlobalDataP\n");
    EXPECT_STREQ(zmlibMain_getApplicationName(), "");
    zmlibMain_addInitApp(initA); /* does nothing, does not crash */
}

TEST_F(MainTest, LongApplicationNameIsCut) {
    std::string name(400, 'n');
    MdlDesc* a = addApp("LONG");
    sim::CurrentApplicationScope s(a);
    char* argv[] = {const_cast<char*>("x"), nullptr};
    zmlibMain_initZmLib(name.c_str(), 1, argv);
    EXPECT_EQ(std::strlen(zmlibMain_getApplicationName()), 255u);
}

TEST_F(MainTest, InitAppFunctionsRunInOrderAtTheFirstDesignFileOnly) {
    MdlDesc* a = startApp("ALPHA", "MS_INITAPPS");
    sim::CurrentApplicationScope s(a);
    EXPECT_EQ(zmlibMain_currentAppIsInitApp(), 1);
    calls.clear();
    zmlibMain_execFuncOrAddToInitApps(initA);
    zmlibMain_execFuncOrAddToInitApps(initB);
    EXPECT_TRUE(calls.empty());
    zmlibMain_newDesignFile("a.dgn", 0);  /* state 0 changes nothing */
    EXPECT_TRUE(calls.empty());
    EXPECT_EQ(zmlibMain_currentAppIsInitApp(), 1);
    zmlibMain_newDesignFile("a.dgn", 1);
    EXPECT_EQ(calls, (std::vector<std::string>{"A:ALPHA", "B"}));
    EXPECT_EQ(zmlibMain_currentAppIsInitApp(), 0);
    zmlibMain_newDesignFile("b.dgn", 1);
    EXPECT_EQ(calls.size(), 2u);
    /* Once a design file was seen, functions run at once. */
    zmlibMain_execFuncOrAddToInitApps(initB);
    EXPECT_EQ(calls.back(), "B");
    EXPECT_EQ(calls.size(), 3u);
}

TEST_F(MainTest, InitFlagFollowsArgumentOneExactly) {
    MdlDesc* a = startApp("ALPHA", "MS_DGNAPPS");
    MdlDesc* b = startApp("BETA", "ms_initapps");
    MdlDesc* c = startApp("GAMMA", "");
    { sim::CurrentApplicationScope s(a); EXPECT_EQ(zmlibMain_currentAppIsInitApp(), 1); }
    { sim::CurrentApplicationScope s(b); EXPECT_EQ(zmlibMain_currentAppIsInitApp(), 0); }
    { sim::CurrentApplicationScope s(c); EXPECT_EQ(zmlibMain_currentAppIsInitApp(), 0); }
}

TEST_F(MainTest, EleventhInitAppIsIgnored) {
    MdlDesc* a = startApp("ALPHA", "MS_INITAPPS");
    sim::CurrentApplicationScope s(a);
    calls.clear();
    for (int i = 0; i < 11; ++i) zmlibMain_addInitApp(countCall);
    EXPECT_EQ(zmlibMain_getGlobalDataP()->initAppCount, 10);
    zmlibMain_newDesignFile("a.dgn", 1);
    EXPECT_EQ(calls.size(), 10u);
}

TEST_F(MainTest, FullTableRefusesStartUpUntilAnEntryIsFree) {
    std::vector<MdlDesc*> apps;
    for (int i = 0; i < zmlib::main::MAX_APPLICATIONS; ++i) apps.push_back(startApp("APP" + std::to_string(i)));
    EXPECT_EQ(zmlib::main::tableCount(), 49);
    sim::clearOutputLog();
    MdlDesc* extra = startApp("EXTRA");
    EXPECT_NE(sim::consoleText().find("Error in zmlib_InitGlobalData\n"), std::string::npos);
    EXPECT_EQ(zmlib::main::tableCount(), 49);
    {
        sim::CurrentApplicationScope s(extra);
        EXPECT_EQ(zmlibMain_getGlobalDataP(), nullptr);
    }
    /* Once an application has ended, its entry serves the next one, and the
    ** count has not crept up to lock the table for good. */
    sim::endApplication(apps[7]);
    MdlDesc* late = startApp("LATE");
    sim::CurrentApplicationScope s(late);
    ASSERT_NE(zmlibMain_getGlobalDataP(), nullptr);
    EXPECT_STREQ(zmlibMain_getApplicationName(), "LATE");
    EXPECT_EQ(zmlib::main::tableCount(), 49);
}

TEST_F(MainTest, ProposedInstallDirectory) {
    char out[256];
    zmlib::main::proposeInstallDirectory(out, sizeof out, "C:\\a\\b\\c\\d\\e\\app.dll");
    EXPECT_STREQ(out, "C:\\a\\b\\");
    zmlib::main::proposeInstallDirectory(out, sizeof out, "C:\\x\\app.dll");
    EXPECT_STREQ(out, "C:\\");
    zmlib::main::proposeInstallDirectory(out, sizeof out, "/opt/zm/mdlapps/bin/x/tarvik.so");
    EXPECT_STREQ(out, "/opt/zm/");
    zmlib::main::proposeInstallDirectory(out, sizeof out, "app.dll");
    EXPECT_STREQ(out, "app.dll");
    zmlib::main::proposeInstallDirectory(out, 5, "C:\\a\\b\\c\\d\\e\\app.dll");
    EXPECT_STREQ(out, "C:\\a");
}

TEST_F(MainTest, InstallDirectoryQuestion) {
    mdlSystem_defineCfgVar("_USTN_SITE", "C:\\Site\\", CFGVAR_LEVEL_SITE);
    startApp("ALPHA", "", "C:\\zm\\apps\\bin\\x\\y\\alpha.dll");
    EXPECT_EQ(boxText(), "Define C:\\zm\\apps\\ as the folder of ALPHA?|ALPHA|C:\\Site\\company.cfg|C:\\zm\\apps\\\n");
    char value[256];
    ASSERT_EQ(mdlSystem_getCfgVar(value, "ZM_DIR", sizeof value), 0);
    EXPECT_STREQ(value, "C:\\zm\\apps\\");
    EXPECT_EQ(mdlSystem_getCfgVarAtLevel(value, "ZM_DIR", CFGVAR_LEVEL_USER, sizeof value), 0);
}

TEST_F(MainTest, NoQuestionWhenDefinedOrForOstrav) {
    startApp("OSTRAV", "", "C:\\a\\b\\c\\d\\e\\app.dll");
    EXPECT_EQ(boxText(), "");
    char value[256];
    EXPECT_NE(mdlSystem_getCfgVar(value, "ZM_DIR", sizeof value), 0);
    mdlSystem_defineCfgVar("ZM_DIR", "D:\\zm\\", CFGVAR_LEVEL_SITE);
    startApp("ALPHA", "", "C:\\a\\b\\c\\d\\e\\app.dll");
    EXPECT_EQ(boxText(), "");
    mdlSystem_getCfgVar(value, "ZM_DIR", sizeof value);
    EXPECT_STREQ(value, "D:\\zm\\");
}

TEST_F(MainTest, ScaleChangeReachesOthersAndSelfOnlyWhenAsked) {
    MdlDesc* a = startApp("ALPHA");
    MdlDesc* b = startApp("BETA");
    { sim::CurrentApplicationScope s(a); zmlibMain_setScaleFunction(scaleOfAlpha); }
    { sim::CurrentApplicationScope s(b); zmlibMain_setScaleFunction(scaleOfBeta); }
    scaleCalls.clear();
    {
        sim::CurrentApplicationScope s(a);
        zmlib::main::notifyScaleChange(10, 20, 0);
        EXPECT_EQ(scaleCalls, (std::vector<std::string>{"BETA 10->20"}));
        zmlib::main::notifyScaleChange(20, 50, 1);
    }
    EXPECT_EQ(scaleCalls, (std::vector<std::string>{"BETA 10->20", "ALPHA 20->50", "BETA 20->50"}));
    sim::endApplication(b);
    scaleCalls.clear();
    sim::CurrentApplicationScope s(a);
    zmlib::main::notifyScaleChange(1, 2, 1);
    EXPECT_EQ(scaleCalls, (std::vector<std::string>{"ALPHA 1->2"}));
}

TEST_F(MainTest, UpdateBeforeDialogOpenPointsZgdAtTheCaller) {
    MdlDesc* a = startApp("ALPHA");
    MdlDesc* b = startApp("BETA");
    EXPECT_EQ(zmlib::main::publishedGlobalData()->applicationName, std::string("BETA"));
    sim::CurrentApplicationScope s(a);
    zmlibMain_updateBeforeDialogOpen(20027);
    EXPECT_EQ(zmlib::main::publishedGlobalData(), zmlibMain_getGlobalDataP());
    (void)b;
}

}  // namespace

namespace {

TEST_F(MainTest, FailedRecordAllocationDoesNotUseAnEntry) {
    startApp("ALPHA");
    answer = ACTIONBUTTON_OK; /* go on without the memory */
    MdlDesc* b = addApp("BETA");
    {
        sim::CurrentApplicationScope s(b);
        char* argv[] = {const_cast<char*>("b.so"), nullptr};
        sim::failAllocations(1);
        EXPECT_EQ(zmlibMain_initZmLib("BETA", 1, argv), ZMLIB_ERROR);
        EXPECT_EQ(zmlib::main::tableCount(), 1);
        EXPECT_EQ(boxText(), "Out of memory\n");
    }
}

}  // namespace

TEST_F(MainTest, NewDesignFilePreloadsCustomLineStylesAndKeepsTheActiveOne) {
    MdlDesc* a = startApp("ALPHA", "");
    sim::CurrentApplicationScope s(a);
    std::string error;
    ASSERT_TRUE(sim::design::open(path("styles.design"), true, error)) << error;
    sim::design::addLineStyle("Centre", "2,0.5");
    sim::design::addLineStyle("Hidden", "1,1");
    int32_t two = 2;
    ASSERT_EQ(mdlParams_setActive(&two, ACTIVEPARAM_LINESTYLE), 0);
    zmlibMain_newDesignFile("styles.design", 1);
    int32_t active = -1;
    ASSERT_EQ(mdlParams_getActive(&active, ACTIVEPARAM_LINESTYLE), 0);
    EXPECT_EQ(active, 2); /* the custom styles were made active in turn, then the user's put back */
    sim::design::close();
}
