#include <cstring>
#include <filesystem>

#include "core_fixture.h"
#include "lib/core/error.h"
#include "lib/core/resource.h"

namespace {

using ResourceLayerTest = CoreTest;
constexpr uint32_t TYPE = fourCC("Test");

TEST_F(ResourceLayerTest, MissingFileForReadingShowsMessage16) {
    MdlDesc* a = startApp("ALPHA");
    sim::CurrentApplicationScope s(a);
    ZmResourceFile f{};
    std::string name = path("missing.rsc");
    EXPECT_EQ(zmlibResource_openFile(&f, name.c_str(), 0), ZMLIB_ERROR);
    EXPECT_EQ(boxText(), "Cannot open " + name + "\n");
    EXPECT_FALSE(std::filesystem::exists(name));
}

TEST_F(ResourceLayerTest, FileForWritingIsCreatedOrMessage1) {
    MdlDesc* a = startApp("ALPHA");
    sim::CurrentApplicationScope s(a);
    ZmResourceFile f{};
    std::string name = path("new.rsc");
    ASSERT_EQ(zmlibResource_openFile(&f, name.c_str(), 1), ZMLIB_SUCCESS);
    EXPECT_STREQ(f.fileName, name.c_str());
    char description[64];
    mdlResource_getFileDescription(description, sizeof description, f.handle);
    EXPECT_STREQ(description, "Attributes");
    EXPECT_EQ(zmlibResource_closeFile(&f), RSC_SUCCESS);

    std::string bad = path("no/such/folder/x.rsc");
    EXPECT_EQ(zmlibResource_openFile(&f, bad.c_str(), 1), ZMLIB_ERROR);
    EXPECT_EQ(boxText(), "Cannot create " + bad + "\n");
}

TEST_F(ResourceLayerTest, DamagedFileIsNeverReplaced) {
    MdlDesc* a = startApp("ALPHA");
    sim::CurrentApplicationScope s(a);
    std::string name = path("damaged.rsc");
    { FILE* fp = std::fopen(name.c_str(), "w"); std::fputs("not a resource file", fp); std::fclose(fp); }
    ZmResourceFile f{};
    EXPECT_EQ(zmlibResource_openFile(&f, name.c_str(), 1), ZMLIB_ERROR);
    EXPECT_EQ(boxText(), "Cannot create " + name + "\n");
    EXPECT_EQ(std::filesystem::file_size(name), 19u);
}

TEST_F(ResourceLayerTest, AddReplacesOrAddsAndLoadReadsBack) {
    MdlDesc* a = startApp("ALPHA");
    sim::CurrentApplicationScope s(a);
    ZmResourceFile f{};
    ASSERT_EQ(zmlibResource_openFile(&f, path("r.rsc").c_str(), 1), ZMLIB_SUCCESS);
    int32_t v[4] = {1, 2, 3, 4};
    EXPECT_EQ(zmlibResource_add(&f, TYPE, 2, v, sizeof v, nullptr), ZMLIB_SUCCESS);
    int32_t w[4] = {9, 8, 7, 6};
    EXPECT_EQ(zmlibResource_add(&f, TYPE, 2, w, sizeof w, nullptr), ZMLIB_SUCCESS);
    int32_t back[4] = {};
    EXPECT_EQ(zmlibResource_load(&f, TYPE, 2, back, sizeof back), ZMLIB_SUCCESS);
    EXPECT_EQ(std::memcmp(back, w, sizeof w), 0);
    /* Replacing with data of another size stores the new size. */
    int32_t longer[6] = {5, 5, 5, 5, 5, 5};
    EXPECT_EQ(zmlibResource_add(&f, TYPE, 2, longer, sizeof longer, nullptr), ZMLIB_SUCCESS);
    uint32_t size = 0;
    mdlResource_querySize(&size, f.handle, TYPE, 2);
    EXPECT_EQ(size, sizeof longer);
    zmlibError_msgBoxPrintf(17, "marker");
    EXPECT_EQ(zmlibResource_load(&f, TYPE, 3, back, sizeof back), ZMLIB_ERROR);
    EXPECT_EQ(boxText(), "marker\n"); /* no message for a missing resource */
    zmlibResource_closeFile(&f);
    EXPECT_EQ(f.handle, 0u);
    /* A closed record never searches the other open files. */
    EXPECT_EQ(zmlibResource_load(&f, TYPE, 2, back, sizeof back), ZMLIB_ERROR);
}

TEST_F(ResourceLayerTest, ShortResourceIsRefusedAndLeavesTheDestination) {
    MdlDesc* a = startApp("ALPHA");
    sim::CurrentApplicationScope s(a);
    ZmResourceFile f{};
    ASSERT_EQ(zmlibResource_openFile(&f, path("r.rsc").c_str(), 1), ZMLIB_SUCCESS);
    int32_t v[2] = {1, 2};
    zmlibResource_add(&f, TYPE, 2, v, sizeof v, nullptr);
    int32_t back[4] = {-1, -1, -1, -1};
    sim::clearOutputLog();
    EXPECT_EQ(zmlibResource_load(&f, TYPE, 2, back, sizeof back), ZMLIB_ERROR);
    EXPECT_EQ(back[0], -1);
    EXPECT_NE(sim::consoleText().find("holds 8 bytes, 16 expected"), std::string::npos);
    zmlibResource_closeFile(&f);
}

TEST_F(ResourceLayerTest, WriteFailuresShowMessages9And10) {
    MdlDesc* a = startApp("ALPHA");
    sim::CurrentApplicationScope s(a);
    ZmResourceFile f{};
    ASSERT_EQ(zmlibResource_openFile(&f, path("r.rsc").c_str(), 1), ZMLIB_SUCCESS);
    int32_t v = 5;
    sim::failResourceWrites(1);
    EXPECT_EQ(zmlibResource_add(&f, TYPE, 1, &v, sizeof v, nullptr), ZMLIB_ERROR);
    EXPECT_EQ(boxText(), "Cannot write " + path("r.rsc") + "\n");
    zmlibResource_closeFile(&f);
    ASSERT_EQ(zmlibResource_openFile(&f, path("r.rsc").c_str(), 0), ZMLIB_SUCCESS);
    EXPECT_EQ(zmlibResource_add(&f, TYPE, 1, &v, sizeof v, nullptr), ZMLIB_ERROR);
    EXPECT_EQ(boxText(), path("r.rsc") + " is read-only\n");
    zmlibResource_closeFile(&f);
}

TEST_F(ResourceLayerTest, StringListsAreAddedThenOverwritten) {
    MdlDesc* a = startApp("ALPHA");
    sim::CurrentApplicationScope s(a);
    ZmResourceFile f{};
    ASSERT_EQ(zmlibResource_openFile(&f, path("r.rsc").c_str(), 1), ZMLIB_SUCCESS);
    StringList* list = mdlStringList_create(2, 1);
    mdlStringList_setMember(list, 0, "a", nullptr);
    mdlStringList_setMember(list, 1, "b", nullptr);
    EXPECT_EQ(zmlibResource_addStringList(&f, 7, list), ZMLIB_SUCCESS);
    mdlStringList_setMember(list, 1, "c", nullptr);
    EXPECT_EQ(zmlibResource_addStringList(&f, 7, list), ZMLIB_SUCCESS);
    mdlStringList_destroy(list);
    StringList* back = zmlibResource_loadStringList(&f, 7);
    ASSERT_NE(back, nullptr);
    const char* text = nullptr;
    mdlStringList_getMember(&text, nullptr, back, 1);
    EXPECT_STREQ(text, "c");
    mdlStringList_destroy(back);
    EXPECT_EQ(zmlibResource_loadStringList(&f, 8), nullptr);
    zmlibResource_closeFile(&f);
}

}  // namespace
