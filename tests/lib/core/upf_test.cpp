#include <unistd.h>

#include <cstring>
#include <memory>

#include "core_fixture.h"
#include "host/mdluserprefs.h"
#include "lib/core/main.h"
#include "lib/core/upf.h"
#include "lib/core/upf_int.h"

namespace {

constexpr uint32_t TYPE_TEST = 0x54657374; /* 'Test' */

class UpfTest : public CoreTest {
protected:
    MdlDesc* app = nullptr;
    std::vector<std::string> fileAnswers;  /* what the user picks in the next file dialogs */
    std::vector<std::string> offered;      /* default names the file dialogs offered */

    void SetUp() override {
        CoreTest::SetUp();
        sim::defineVariable("ZM_DIR", dir + "/", CFGVAR_LEVEL_USER);
        sim::defineVariable("MS_USERPREF", dir + "/prefs/", CFGVAR_LEVEL_USER);
        std::filesystem::create_directories(path("prefs"));
        sim::setFileHandler([this](const std::string&, bool, std::string& name) {
            offered.push_back(name);
            if (fileAnswers.empty()) return false;
            name = fileAnswers.front();
            fileAnswers.erase(fileAnswers.begin());
            return true;
        });
        app = startApp("ALPHA");
    }
    /* The remembered state of DIALOGID in the open user preference file. */
    std::unique_ptr<UserPrefsFileName> stateOf(int32_t dialogId) {
        auto r = std::make_unique<UserPrefsFileName>();
        EXPECT_EQ(mdlUserPrefs_getFileName(r.get(), zmlibUpf_getHandle(), dialogId), 0);
        return r;
    }
};

TEST_F(UpfTest, OpensTheDefaultNameInThePreferenceFolderCreatingIt) {
    sim::CurrentApplicationScope s(app);
    EXPECT_EQ(zmlibUpf_getHandle(), 0u);
    EXPECT_EQ(zmlibUpf_getUpfFileName(), nullptr);
    ZmResourceFile copy{};
    zmlibUpf_open(&copy, "ALPHA_UPF", "app.upf");
    ASSERT_NE(zmlibUpf_getHandle(), 0u);
    EXPECT_TRUE(std::filesystem::exists(path("prefs/app.upf")));
    EXPECT_EQ(copy.handle, zmlibUpf_getHandle());
    EXPECT_EQ(std::string(zmlibUpf_getUpfFileName()), ":" + path("prefs/app.upf"));
    EXPECT_EQ(zmlibUpf_getZmHandle(), &zmlibMain_getGlobalDataP()->userPrefFile);
    zmlibUpf_close();
    EXPECT_EQ(zmlibUpf_getHandle(), 0u);
    EXPECT_EQ(zmlibUpf_getZmHandle(), nullptr);
}

TEST_F(UpfTest, TheVariableNamesTheFile) {
    sim::CurrentApplicationScope s(app);
    sim::defineVariable("ALPHA_UPF", "mine.upf", CFGVAR_LEVEL_USER);
    zmlibUpf_open(nullptr, "ALPHA_UPF", "app.upf");
    EXPECT_TRUE(std::filesystem::exists(path("prefs/mine.upf")));
    EXPECT_FALSE(std::filesystem::exists(path("prefs/app.upf")));
}

TEST_F(UpfTest, WithoutThePreferenceFolderEverythingReportsNotOpen) {
    sim::CurrentApplicationScope s(app);
    sim::undefineVariable("MS_USERPREF");
    sim::clearOutputLog();
    zmlibUpf_open(nullptr, nullptr, "app.upf");
    int32_t value = 7;
    EXPECT_EQ(zmlibUpf_save(TYPE_TEST, 1, &value, sizeof value), ZMLIB_ERROR);
    EXPECT_EQ(zmlibUpf_load(TYPE_TEST, 1, &value, sizeof value), ZMLIB_ERROR);
    EXPECT_EQ(sim::consoleText(),
              "\"MS_USERPREF\" undefined!\nUser preference file not open!!\nUser preference file not open!!\n");
}

TEST_F(UpfTest, OpenWithPathAnswersZeroWheneverTheFileIsOpen) {
    sim::CurrentApplicationScope s(app);
    EXPECT_EQ(zmlibUpf_openWithPath(nullptr, path("prefs/new.upf").c_str()), ZMLIB_SUCCESS);  /* created */
    zmlibUpf_close();
    EXPECT_EQ(zmlibUpf_openWithPath(nullptr, path("prefs/new.upf").c_str()), ZMLIB_SUCCESS);  /* first try */
    EXPECT_EQ(zmlibMain_getGlobalDataP()->userPrefReadOnly, 0);
    zmlibUpf_close();
    modalDialogs.clear();
    EXPECT_EQ(zmlibUpf_openWithPath(nullptr, path("no/such/folder/x.upf").c_str()), ZMLIB_ERROR);
    EXPECT_EQ(zmlibUpf_getHandle(), 0u);
    EXPECT_FALSE(modalDialogs.empty());  /* the user was told */
}

TEST_F(UpfTest, SaveAndLoadByTypeAndId) {
    sim::CurrentApplicationScope s(app);
    zmlibUpf_open(nullptr, nullptr, "app.upf");
    int32_t out[2] = {11, 22}, in[2] = {};
    EXPECT_EQ(zmlibUpf_save(TYPE_TEST, 3, out, sizeof out), 0);
    out[1] = 33;
    EXPECT_EQ(zmlibUpf_save(TYPE_TEST, 3, out, sizeof out), 0);  /* replaces */
    zmlibUpf_close();
    zmlibUpf_open(nullptr, nullptr, "app.upf");
    EXPECT_EQ(zmlibUpf_load(TYPE_TEST, 3, in, sizeof in), 0);
    EXPECT_EQ(in[0], 11);
    EXPECT_EQ(in[1], 33);
    EXPECT_EQ(zmlibUpf_load(TYPE_TEST, 4, in, sizeof in), ZMLIB_ERROR);
}

TEST_F(UpfTest, AReadOnlyFileSavesNothingAndAnswersZero) {
    sim::CurrentApplicationScope s(app);
    zmlibUpf_open(nullptr, nullptr, "app.upf");
    int32_t value = 5;
    ASSERT_EQ(zmlibUpf_save(TYPE_TEST, 1, &value, sizeof value), 0);
    zmlibUpf_close();
    if (geteuid() != 0) {
        ::chmod(path("prefs/app.upf").c_str(), 0444);
        zmlibUpf_open(nullptr, nullptr, "app.upf");
        EXPECT_EQ(zmlibMain_getGlobalDataP()->userPrefReadOnly, 1);
    } else {
        /* Files are always writable for this user: take the read-only state as given. */
        zmlibUpf_open(nullptr, nullptr, "app.upf");
        zmlibMain_getGlobalDataP()->userPrefReadOnly = 1;
    }
    value = 9;
    EXPECT_EQ(zmlibUpf_save(TYPE_TEST, 1, &value, sizeof value), 0);
    EXPECT_EQ(zmlibUpf_save(TYPE_TEST, 2, &value, sizeof value), 0);
    int32_t in = 0;
    EXPECT_EQ(zmlibUpf_load(TYPE_TEST, 1, &in, sizeof in), 0);
    EXPECT_EQ(in, 5);
    EXPECT_EQ(zmlibUpf_load(TYPE_TEST, 2, &in, sizeof in), ZMLIB_ERROR);
}

TEST_F(UpfTest, InitializeClearsTheRecord) {
    sim::CurrentApplicationScope s(app);
    zmlibUpf_open(nullptr, nullptr, "app.upf");
    ZmGlobalData* gd = zmlibMain_getGlobalDataP();
    RscFileHandle h = gd->userPrefFile.handle;
    EXPECT_EQ(zmlibUpf_initialize(gd), 0);
    EXPECT_EQ(gd->userPrefOpen, 0);
    EXPECT_EQ(gd->userPrefFile.fileName[0], '\0');
    EXPECT_EQ(zmlibUpf_getHandle(), 0u);
    mdlResource_closeFile(h);
}

TEST(UpfRecent, SameFirstEntryLeavesTheListAlone) {
    char list[USERPREFS_RECENT][USERPREFS_TEXT] = {};
    int32_t count = 0;
    zmlib::upf::pushRecent(list, &count, "a");
    zmlib::upf::pushRecent(list, &count, "a");
    EXPECT_EQ(count, 1);
    EXPECT_STREQ(list[0], "a");
    EXPECT_STREQ(list[1], "");
}

TEST(UpfRecent, AnEarlierEntryMovesToTheFrontWithoutGrowing) {
    char list[USERPREFS_RECENT][USERPREFS_TEXT] = {};
    int32_t count = 0;
    for (const char* v : {"a", "b", "c", "d"}) zmlib::upf::pushRecent(list, &count, v);
    zmlib::upf::pushRecent(list, &count, "b");
    EXPECT_EQ(count, 4);
    EXPECT_STREQ(list[0], "b");
    EXPECT_STREQ(list[1], "d");
    EXPECT_STREQ(list[2], "c");
    EXPECT_STREQ(list[3], "a");
}

TEST(UpfRecent, ANewEntryPushesTheTenthOut) {
    char list[USERPREFS_RECENT][USERPREFS_TEXT] = {};
    int32_t count = 0;
    for (int i = 0; i < 10; ++i) zmlib::upf::pushRecent(list, &count, std::to_string(i).c_str());
    EXPECT_EQ(count, 10);
    EXPECT_STREQ(list[9], "0");
    zmlib::upf::pushRecent(list, &count, "new");
    EXPECT_EQ(count, 10);
    EXPECT_STREQ(list[0], "new");
    EXPECT_STREQ(list[9], "1");
}

TEST_F(UpfTest, FileDialogsRememberTheirChoiceInThePreferenceFile) {
    sim::CurrentApplicationScope s(app);
    zmlibUpf_open(nullptr, nullptr, "app.upf");
    char name[MAXFILELENGTH] = "";
    fileAnswers = {path("a/one.rsc"), path("a/one.rsc"), path("b/two.rsc")};
    ASSERT_EQ(zmlibUpf_defFileOpen(name, "start.rsc", "*.rsc", nullptr, "Open", -20007), 0);
    EXPECT_EQ(std::string(name), path("a/one.rsc"));
    ASSERT_EQ(zmlibUpf_defFileOpen(name, "start.rsc", "*.rsc", nullptr, "Open", -20007), 0);
    auto after2 = stateOf(-20007);
    EXPECT_EQ(after2->marker, USERPREFS_MARKER);
    EXPECT_EQ(after2->version, USERPREFS_VERSION);
    EXPECT_EQ(after2->fileCount, 1);  /* the same file twice: one entry */
    ASSERT_EQ(zmlibUpf_defFileCreate(name, "start.rsc", "*.rsc", nullptr, "New", -20007), 0);
    auto after3 = stateOf(-20007);
    EXPECT_STREQ(after3->fileName, path("b/two.rsc").c_str());
    EXPECT_STREQ(after3->filter, "*.rsc");
    EXPECT_STREQ(after3->directory, path("b/").c_str());
    EXPECT_EQ(after3->fileCount, 2);
    EXPECT_STREQ(after3->files[0], path("b/two.rsc").c_str());
    EXPECT_STREQ(after3->files[1], path("a/one.rsc").c_str());
    /* The first dialog offered the given default, the later ones the remembered file. */
    ASSERT_EQ(offered.size(), 3u);
    EXPECT_EQ(offered[0], "start.rsc");
    EXPECT_EQ(offered[1], path("a/one.rsc"));
    EXPECT_EQ(offered[2], path("a/one.rsc"));
    /* Another dialog id keeps its own state. */
    EXPECT_EQ(stateOf(-20001)->marker, 0);
    /* A cancelled dialog changes nothing. */
    EXPECT_NE(zmlibUpf_defFileOpen(name, "x", "*.rsc", nullptr, "Open", -20007), 0);
    EXPECT_EQ(stateOf(-20007)->fileCount, 2);
}

TEST_F(UpfTest, RememberedStateSurvivesReopeningTheFile) {
    sim::CurrentApplicationScope s(app);
    zmlibUpf_open(nullptr, nullptr, "app.upf");
    ASSERT_EQ(zmlibUpf_saveFileName(path("keep/me.txt").c_str(), zmlibUpf_getHandle(), -20002), 0);
    zmlibUpf_close();
    zmlibUpf_open(nullptr, nullptr, "app.upf");
    EXPECT_STREQ(stateOf(-20002)->fileName, path("keep/me.txt").c_str());
    EXPECT_STREQ(stateOf(-20002)->filter, "*.txt");
}

TEST_F(UpfTest, ADamagedRememberedRecordIsIgnored) {
    sim::CurrentApplicationScope s(app);
    zmlibUpf_open(nullptr, nullptr, "app.upf");
    const char junk[10] = "short";
    ASSERT_EQ(mdlResource_add(zmlibUpf_getHandle(), 0x5550666E, -20003, junk, sizeof junk, nullptr), 0);
    UserPrefsFileName r;
    EXPECT_NE(mdlUserPrefs_getFileName(&r, zmlibUpf_getHandle(), -20003), 0);
    EXPECT_EQ(r.marker, 0);
    char name[MAXFILELENGTH] = "";
    fileAnswers = {path("x.txt")};
    EXPECT_EQ(zmlibUpf_defFileOpen(name, "given.txt", "*.txt", nullptr, "Open", -20003), 0);
    ASSERT_EQ(offered.size(), 1u);
    EXPECT_EQ(offered[0], "given.txt");
}

TEST_F(UpfTest, FileListEditKeepsTheChosenDirectoryAndFilter) {
    sim::CurrentApplicationScope s(app);
    zmlibUpf_open(nullptr, nullptr, "app.upf");
    StringList* files = mdlStringList_create(0, 0);
    fileAnswers = {path("lists/a.lst")};
    int action = 0;
    StringList* edited = zmlibUpf_defFileListEdit(&action, files, "Files", "*.txt", path("start/").c_str(), -20001);
    EXPECT_EQ(action, ACTIONBUTTON_OK);
    ASSERT_NE(edited, files);
    EXPECT_EQ(mdlStringList_size(edited), 1);
    auto st = stateOf(-20001);
    EXPECT_STREQ(st->filter, "*.lst");
    EXPECT_STREQ(st->directory, path("lists/").c_str());
    mdlStringList_destroy(edited);
    /* Cancelled: the list comes back as it was. */
    EXPECT_EQ(zmlibUpf_defFileListEdit(&action, files, "Files", "*.txt", nullptr, -20001), files);
    EXPECT_EQ(action, ACTIONBUTTON_CANCEL);
    mdlStringList_destroy(files);
}

}  // namespace
