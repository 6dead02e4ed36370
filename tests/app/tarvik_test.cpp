#include <cstring>

#include "app_fixture.h"
#include "lib/core/error_int.h"
#include "lib/core/main.h"

namespace {

TEST_F(AppTest, StartUpBuildsEverything) {
    start();
    /* The installation folder was offered and accepted. */
    EXPECT_EQ(modalDialogs, (std::vector<int32_t>{zmlib::error::DIALOG_MESSAGE_BOX}));
    char value[256];
    ASSERT_EQ(mdlSystem_getCfgVar(value, "ZM_DIR", sizeof value), 0);
    EXPECT_STREQ(value, "C:\\zm\\apps\\");
    EXPECT_TRUE(menuHasTarvik());
    EXPECT_NE(sim::findOpenDialog(DIALOG_MAIN), nullptr);
    EXPECT_EQ(sim::consoleText(), "");
    /* The settings are published with their defaults. */
    std::string text, error;
    ASSERT_TRUE(sim::readAccess("uid.dimText", text, error)) << error;
    EXPECT_EQ(text, "100.0");
    ASSERT_TRUE(sim::readAccess("uid.dimTemplate.terminatorLength", text, error)) << error;
    EXPECT_EQ(text, "3");
    ASSERT_TRUE(sim::readAccess("uid.dimTemplate.points[24].base.z", text, error)) << error;
    ASSERT_TRUE(sim::writeAccess("uid.dimTemplate.texts[1].text", "12345678901", error)) << error;
    EXPECT_FALSE(sim::writeAccess("uid.dimTemplate.texts[1].text", "123456789012", error));
    /* The library's records reach the dialogs as well. */
    ASSERT_TRUE(sim::readAccess("zgdP->applicationName", text, error)) << error;
    EXPECT_EQ(text, "Tarvik");
    ASSERT_TRUE(sim::readAccess("zgdP->messageBoxTitles[2]", text, error)) << error;
    EXPECT_EQ(text, "Tarvik");
    ASSERT_TRUE(sim::readAccess("zgdP->pageScale", text, error)) << error;
    EXPECT_EQ(text, "1");
    TarvikState& t = tarvik();
    ASSERT_NE(t.editCopy, nullptr);
    EXPECT_EQ(t.editCopy->extensionOvershoot, 2.0);
    EXPECT_EQ(t.activeDimension, &t.settings->dimTemplate);
    EXPECT_EQ(t.savedLockState, -1);
    sim::CurrentApplicationScope scope(app);
    EXPECT_STREQ(zmlibMain_getApplicationName(), "Tarvik");
}

TEST_F(AppTest, KeyinsReachTheirCommands) {
    start();
    EXPECT_TRUE(keyin("tarvik settings"));
    EXPECT_NE(sim::findOpenDialog(DIALOG_SETTINGS), nullptr);
    EXPECT_TRUE(keyin("TARVIK SETUPS"));
    EXPECT_NE(sim::findOpenDialog(DIALOG_DEFAULT_SETUPS), nullptr);
    /* Commands of the later stages are known and change nothing yet. */
    sim::clearOutputLog();
    for (const char* k : {"tarvik about", "tarvik help", "tarvik place dimension", "tarvik dimension element",
                          "tarvik modify dimension", "tarvik insert point", "tarvik edit text", "tarvik delete point",
                          "tarvik skew horizontal", "tarvik skew vertical", "tarvik skew combined",
                          "tarvik attributes", "tarvik settings save", "tarvik settings saveas",
                          "tarvik settings load"})
        EXPECT_TRUE(keyin(k)) << k;
    EXPECT_EQ(sim::consoleText(), "");
    EXPECT_TRUE(app->alive);
}

TEST_F(AppTest, HelpOpensTheManualInTheWebBrowser) {
    writeFile("zm/doc/manual/Tarvik/index.htm", "<html/>");
    define("ZM_LOCAL", "C:\\zm\\");
    start();
    sim::clearOutputLog();
    EXPECT_TRUE(keyin("tarvik help"));
    std::string host;
    for (const auto& e : sim::outputLog())
        if (e.kind == sim::OutputKind::Host) host += e.text + "\n";
    EXPECT_NE(host.find("open file C:\\zm\\doc/manual/Tarvik/index.htm"), std::string::npos) << host;
}

TEST_F(AppTest, ToolboxReopensTheMainDialog) {
    start();
    tarvik().exiting = true; /* closing it here must not end the application */
    sim::userClose(sim::findOpenDialog(DIALOG_MAIN), ACTIONBUTTON_OK);
    tarvik().exiting = false;
    EXPECT_EQ(sim::findOpenDialog(DIALOG_MAIN), nullptr);
    EXPECT_TRUE(keyin("tarvik toolbox"));
    EXPECT_NE(sim::findOpenDialog(DIALOG_MAIN), nullptr);
}

TEST_F(AppTest, OrdinaryUnloadIsRefusedForcedUnloadCleansUp) {
    start();
    EXPECT_FALSE(sim::unloadApplication(app, false));
    EXPECT_TRUE(app->alive);
    EXPECT_NE(tarvik().settings, nullptr);
    EXPECT_TRUE(menuHasTarvik());
    {
        sim::CurrentApplicationScope scope(app);
        EXPECT_EQ(tarvik_unload(0), 1);
        EXPECT_NE(tarvik().settings, nullptr);
        EXPECT_EQ(tarvik_unload(-1), 0);
    }
    EXPECT_EQ(tarvik().settings, nullptr);
    EXPECT_EQ(tarvik().menu, nullptr);
    EXPECT_FALSE(menuHasTarvik());
}

TEST_F(AppTest, ExitCleansUpAndUnloads) {
    start();
    EXPECT_TRUE(keyin("tarvik exit"));
    EXPECT_FALSE(app->alive);
    EXPECT_FALSE(menuHasTarvik());
    EXPECT_EQ(tarvik().settings, nullptr);
    EXPECT_EQ(sim::findOpenDialog(DIALOG_MAIN), nullptr);
    EXPECT_EQ(sim::consoleText(), "");
    std::string error;
    EXPECT_FALSE(sim::dispatchKeyin("tarvik exit", error));
}

TEST_F(AppTest, ClosingTheMainDialogEndsTheApplication) {
    start();
    sim::userClose(sim::findOpenDialog(DIALOG_MAIN), ACTIONBUTTON_CANCEL);
    EXPECT_EQ(app->unloadFunction, nullptr);
    sim::runCommandQueue();
    sim::processPendingUnloads();
    EXPECT_FALSE(app->alive);
    EXPECT_EQ(sim::consoleText(), "");
}

TEST_F(AppTest, NoMenuBarNoMenu) {
    sim::setCommandWindowMenuBar(false);
    start();
    EXPECT_EQ(tarvik().menu, nullptr);
    sim::setCommandWindowMenuBar(true);
    EXPECT_FALSE(menuHasTarvik());
    EXPECT_TRUE(keyin("tarvik exit"));
    EXPECT_FALSE(app->alive);
}

TEST_F(AppTest, SettingsFileFromZmDirWhenNotFoundInZmData) {
    define("ZM_DIR", "C:\\app\\");
    define("ZM_DATA", "C:\\data\\");
    start();
    EXPECT_STREQ(tarvik().gd->settingsFile, "C:\\app\\data\\tarvik.rsc");
}

TEST_F(AppTest, SettingsFileFoundInZmData) {
    writeFile("data/tarvik.rsc", "x");
    writeFile("other/mine.rsc", "x");
    define("ZM_DIR", "C:\\app\\");
    define("ZM_DATA", "C:\\nothing\\;C:\\data\\");
    start();
    std::string found = tarvik().gd->settingsFile;
    EXPECT_NE(found.find("data"), std::string::npos);
    EXPECT_EQ(found.substr(found.size() - 10), "tarvik.rsc");
    EXPECT_EQ(found.find("app"), std::string::npos);
    /* ZMTV_RSC names another file, searched the same way. */
    define("ZMTV_RSC", "mine.rsc");
    define("ZM_DATA", "C:\\other\\");
    sim::CurrentApplicationScope scope(app);
    tarvik_findSettingsFile();
    found = tarvik().gd->settingsFile;
    EXPECT_EQ(found.substr(found.size() - 8), "mine.rsc");
}

TEST_F(AppTest, SettingsFileWithoutAnyDefinitionIsLeftToTheSearch) {
    answer = ACTIONBUTTON_CANCEL; /* the installation folder stays undefined */
    start();
    char value[256];
    EXPECT_NE(mdlSystem_getCfgVar(value, "ZM_DIR", sizeof value), 0);
    /* Neither ZM_DATA nor ZM_DIR: the name the search left behind. */
    EXPECT_STREQ(tarvik().gd->settingsFile, "tarvik.rsc");
}

TEST_F(AppTest, ConfigurationFileIsReadFromZmtvDir) {
    writeFile("cfg/zmsteel.cfg", "FROM_DEFAULT = yes\n");
    writeFile("cfg/other.cfg", "FROM_OTHER = yes\n");
    define("ZMTV_DIR", "C:\\cfg\\");
    start();
    char value[64];
    EXPECT_EQ(mdlSystem_getCfgVarAtLevel(value, "FROM_DEFAULT", CFGVAR_LEVEL_USER, sizeof value), 0);
    EXPECT_NE(mdlSystem_getCfgVar(value, "FROM_OTHER", sizeof value), 0);
    define("ZMTV_MENU", "other.cfg");
    sim::CurrentApplicationScope scope(app);
    tarvik_readConfigFile();
    EXPECT_EQ(mdlSystem_getCfgVar(value, "FROM_OTHER", sizeof value), 0);
    /* A missing file is skipped quietly. */
    define("ZMTV_MENU", "missing.cfg");
    sim::clearOutputLog();
    tarvik_readConfigFile();
    EXPECT_EQ(sim::consoleText(), "");
}

TEST_F(AppTest, LockIsSavedSwitchedOffAndRestored) {
    start();
    sim::CurrentApplicationScope scope(app);
    locate_restoreLock(); /* unknown: nothing queued */
    EXPECT_EQ(sim::queuedCommands(), 0u);
    mdlParams_setLock(LOCK_517, 1);
    locate_saveLock();
    EXPECT_EQ(tarvik().savedLockState, 1);
    sim::runCommandQueue();
    EXPECT_EQ(mdlParams_getLock(LOCK_517), 0);
    locate_restoreLock();
    sim::runCommandQueue();
    EXPECT_EQ(mdlParams_getLock(LOCK_517), 1);
    mdlParams_setLock(LOCK_517, 0);
    locate_saveLock();
    EXPECT_EQ(tarvik().savedLockState, 0);
    EXPECT_EQ(sim::queuedCommands(), 0u);
}

TEST_F(AppTest, NewDesignFileReachesTheLibrary) {
    std::vector<std::string> calls;
    start("MS_INITAPPS");
    {
        sim::CurrentApplicationScope scope(app);
        EXPECT_EQ(zmlibMain_currentAppIsInitApp(), 1);
    }
    sim::notifyNewDesignFile("first.dgn", 1);
    sim::CurrentApplicationScope scope(app);
    EXPECT_EQ(zmlibMain_currentAppIsInitApp(), 0);
}

TEST_F(AppTest, StartUpStopsWhenItsRecordsCannotBeHad) {
    define("ZM_DIR", "C:\\zm\\");
    answer = ACTIONBUTTON_OK; /* go on without the memory */
    app = sim::registerApplication("TARVIK", ZM_MDLAPPS_DIR "/tarvik.ma");
    sim::openApplicationResources(app);
    {
        sim::CurrentApplicationScope scope(app);
        char* argv[] = {const_cast<char*>("tarvik.dll"), nullptr};
        zmlibMain_initZmLib("Other", 1, argv); /* the library's own allocations are done */
        sim::failAllocations(1000, 7);         /* the library again, then the settings fail */
        MdlMain(1, argv);
        sim::failAllocations(0);
    }
    sim::processPendingUnloads();
    EXPECT_FALSE(app->alive);
    EXPECT_EQ(tarvik().settings, nullptr);
    EXPECT_FALSE(menuHasTarvik());
}

}  // namespace

TEST_F(AppTest, NewDesignFileRereadsTheConfigurationOnlyWhenTheWorkModeChanged) {
    writeFile("cfg/zmsteel.cfg", "FROM_CONFIG = first\n");
    define("ZMTV_DIR", "C:\\cfg\\");
    define("ZMTV_WORKMODE", "");
    start();
    char value[64] = "";
    ASSERT_EQ(mdlSystem_getCfgVarAtLevel(value, "FROM_CONFIG", CFGVAR_LEVEL_USER, sizeof value), 0);
    EXPECT_STREQ(value, "first");

    writeFile("cfg/zmsteel.cfg", "FROM_CONFIG = second\n");
    sim::notifyNewDesignFile("same.dgn", 1); /* same work mode: nothing read again */
    mdlSystem_getCfgVarAtLevel(value, "FROM_CONFIG", CFGVAR_LEVEL_USER, sizeof value);
    EXPECT_STREQ(value, "first");

    sim::setWorkmode(1);
    sim::notifyNewDesignFile("drawing.dwg", 1);
    mdlSystem_getCfgVarAtLevel(value, "FROM_CONFIG", CFGVAR_LEVEL_USER, sizeof value);
    EXPECT_STREQ(value, "second");
    sim::setWorkmode(0);
}
