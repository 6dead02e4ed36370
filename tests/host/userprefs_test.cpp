#include <cstring>
#include <filesystem>
#include <memory>

#include "host/mdlresource.h"
#include "host/mdluserprefs.h"
#include "host/sim/resources/resources.h"
#include "host/sim/system/system.h"
#include "support/host_fixture.h"

namespace {

class UserPrefsTest : public HostTest {
protected:
    RscFileHandle file = 0;
    void SetUp() override {
        HostTest::SetUp();
        std::string p = path("prefs.upf");
        ASSERT_EQ(mdlResource_createFile(p.c_str(), "prefs", 1), 0);
        ASSERT_EQ(mdlResource_openFile(&file, p.c_str(), 1), 0);
    }
};

uint32_t le4(const uint8_t* p) { return p[0] | p[1] << 8 | p[2] << 16 | static_cast<uint32_t>(p[3]) << 24; }

TEST_F(UserPrefsTest, StoredRecordHasItsFixedLayout) {
    auto r = std::make_unique<UserPrefsFileName>();
    std::memset(r.get(), 0, sizeof *r);
    r->marker = 0xFF;
    r->version = 5;
    std::strcpy(r->fileName, "c:\\a\\b.rsc");
    std::strcpy(r->filter, "*.rsc");
    std::strcpy(r->directory, "c:\\a\\");
    r->fileCount = 2;
    r->filterCount = 1;
    r->directoryCount = 12;  /* out of range: stored as 10 */
    std::strcpy(r->files[1], "second");
    std::strcpy(r->filters[0], "*.rsc");
    std::strcpy(r->directories[9], "last");
    ASSERT_EQ(mdlUserPrefs_saveFileName(r.get(), file, -20007), 0);

    auto* stored = static_cast<const uint8_t*>(mdlResource_load(file, 0x5550666E, -20007));
    ASSERT_NE(stored, nullptr);
    uint32_t size = 0;
    mdlResource_query(&size, stored, RSC_QRY_SIZE);
    EXPECT_EQ(size, 8462u);
    EXPECT_EQ(stored[0], 0xFF);
    EXPECT_EQ(stored[1], 5);
    EXPECT_STREQ(reinterpret_cast<const char*>(stored + 2), "c:\\a\\b.rsc");
    EXPECT_STREQ(reinterpret_cast<const char*>(stored + 258), "*.rsc");
    EXPECT_STREQ(reinterpret_cast<const char*>(stored + 514), "c:\\a\\");
    EXPECT_EQ(le4(stored + 770), 2u);
    EXPECT_EQ(le4(stored + 774), 1u);
    EXPECT_EQ(le4(stored + 778), 10u);
    EXPECT_STREQ(reinterpret_cast<const char*>(stored + 782 + 256), "second");
    EXPECT_STREQ(reinterpret_cast<const char*>(stored + 3342), "*.rsc");
    EXPECT_STREQ(reinterpret_cast<const char*>(stored + 5902 + 9 * 256), "last");
    EXPECT_EQ(stored[2 + 11], 0);  /* padding after a text is zero */
    mdlResource_free(const_cast<uint8_t*>(stored));

    auto back = std::make_unique<UserPrefsFileName>();
    ASSERT_EQ(mdlUserPrefs_getFileName(back.get(), file, -20007), 0);
    EXPECT_STREQ(back->fileName, "c:\\a\\b.rsc");
    EXPECT_EQ(back->directoryCount, 10);
    EXPECT_STREQ(back->directories[9], "last");
}

TEST_F(UserPrefsTest, UnknownDialogGivesAnEmptyRecordAndTheSessionKeepsItsOwn) {
    auto r = std::make_unique<UserPrefsFileName>();
    std::memset(r.get(), 0x55, sizeof *r);
    EXPECT_EQ(mdlUserPrefs_getFileName(r.get(), file, -1), 0);
    EXPECT_EQ(r->marker, 0);
    EXPECT_EQ(r->fileName[0], '\0');
    std::strcpy(r->fileName, "session only");
    EXPECT_EQ(mdlUserPrefs_saveFileName(r.get(), 0, -1), 0);
    auto back = std::make_unique<UserPrefsFileName>();
    EXPECT_EQ(mdlUserPrefs_getFileName(back.get(), 0, -1), 0);
    EXPECT_STREQ(back->fileName, "session only");
    EXPECT_EQ(mdlUserPrefs_getFileName(back.get(), file, -1), 0);
    EXPECT_EQ(back->fileName[0], '\0');
}

TEST_F(UserPrefsTest, TheHostsOwnPreferenceFileIsCreatedWhenMissing) {
    RscFileHandle h = 0;
    EXPECT_NE(mdlDialog_userPrefFileOpen(&h, 1), 0);  /* no MS_USERPREF */
    sim::defineVariable("MS_USERPREF", path(""), 4);
    ASSERT_EQ(mdlDialog_userPrefFileOpen(&h, 1), 0);
    EXPECT_NE(h, 0u);
    EXPECT_TRUE(std::filesystem::exists(path("user.upf")));
    mdlResource_closeFile(h);
}

}  // namespace
