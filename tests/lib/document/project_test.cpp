#include <cstring>
#include <string>
#include <vector>

#include "document_fixture.h"
#include "lib/core/text_int.h"
#include "lib/document/project_int.h"
#include "lib/elements/dataelem.h"

namespace {

using ProjectTest = DocumentTest;
using zmlib::copyFixed;

std::string bytes(const char* literal, size_t size) { return std::string(literal, size); }

/* The data elements of APPLICATIONID: (version, block) each. */
std::vector<std::pair<int, std::string>> stored(int applicationId) {
    std::vector<std::pair<int, std::string>> found;
    zmlib66Elem_scanDataFromFileExtended(
        &found, applicationId, mdlModelRef_getActive(),
        [](void* arg, int version, MSElement*, uint32_t, int, void* data, int size) {
            static_cast<std::vector<std::pair<int, std::string>>*>(arg)->emplace_back(
                version, std::string(static_cast<char*>(data), size));
            return 0;
        },
        1);
    return found;
}

ZmPageRecord page(const char* name, const char* revision = "") {
    ZmPageRecord p{};
    copyFixed(p.name, name);
    copyFixed(p.revs, revision);
    copyFixed(p.pros[0], (std::string("line of ") + name).c_str());
    return p;
}

std::vector<std::string> pageNames() {
    std::vector<std::string> names;
    for (auto& [version, block] : stored(ZMPAGE_APPLICATION_ID)) names.push_back(block.c_str());
    return names;
}

}  // namespace

TEST_F(ProjectTest, BlocksArePackedFieldByFieldInTheStoredOrder) {
    ZmProjectRecord project{};
    copyFixed(project.pron, "P1");
    copyFixed(project.pros[1], "L");
    copyFixed(project.UNav, "U");
    copyFixed(project.SNav, "S");
    copyFixed(project.tegn[9], "T9");
    copyFixed(project.kost4, "k4");
    char block[zmlib::project::PROJECT_BLOCK_MAX];
    int size = zmlib::project::packProject(project, block);
    /* number; pros 0-4; kost 0-4; USig UDat RSig RDat SSig SDat; tegn 0-9; UNav RNav SNav */
    const std::string golden = bytes("P1\0" "\0L\0\0\0\0" "\0\0\0\0k4\0" "\0\0\0\0\0\0"
                                     "\0\0\0\0\0\0\0\0\0T9\0" "U\0\0S\0", 39);
    EXPECT_EQ(std::string(block, size), golden);

    ZmPageRecord p{};
    copyFixed(p.name, "A1");
    copyFixed(p.pros[0], "p");
    copyFixed(p.USig, "us");
    copyFixed(p.kopo[19], "k");
    copyFixed(p.revs, "r9");
    char pageBlock[zmlib::project::PAGE_BLOCK_MAX];
    size = zmlib::project::packPage(p, pageBlock);
    /* name; pros 1-4; USig UDat RSig RDat SSig SDat; tegn 0-9; UNav RNav SNav; kopo 0-19; revs */
    const std::string pageGolden = bytes("A1\0" "p\0\0\0\0" "us\0\0\0\0\0\0" "\0\0\0\0\0\0\0\0\0\0" "\0\0\0"
                                         "\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0k\0" "r9\0", 53);
    EXPECT_EQ(std::string(pageBlock, size), pageGolden);

    /* Full slots pack to the largest blocks, each text cut to its slot less the NUL. */
    std::memset(&project, 'x', sizeof project);
    EXPECT_EQ(zmlib::project::packProject(project, block), 1603);
    std::memset(&p, 'x', sizeof p);
    EXPECT_EQ(zmlib::project::packPage(p, pageBlock), 1698);
}

TEST_F(ProjectTest, WritingTwiceLeavesOneElementThatReadsBack) {
    ZmProjectRecord project{};
    EXPECT_EQ(zmlibProject_readProjectInfoFromDesignFile(&project), 0);
    copyFixed(project.pron, "old");
    zmlibProject_writeProjectInfoToDesignFile(&project);
    copyFixed(project.pron, "2026-17");
    copyFixed(project.kost[2], "Client AS");
    copyFixed(project.RDat, "08.12.2026");
    zmlibProject_writeProjectInfoToDesignFile(&project);
    auto elements = stored(ZMPROJECT_APPLICATION_ID);
    ASSERT_EQ(elements.size(), 1u);
    EXPECT_EQ(elements[0].first, 3);
    EXPECT_EQ(sim::messageField(MSG_STATUS), "project saved");

    ZmProjectRecord read;
    std::memset(&read, 'z', sizeof read);
    EXPECT_EQ(zmlibProject_readProjectInfoFromDesignFile(&read), 1);
    EXPECT_EQ(std::memcmp(&read, &project, sizeof read), 0);
}

TEST_F(ProjectTest, OlderAndBrokenBlocksAreReadSafely) {
    /* Version 1: one more string after each of UNav, RNav and SNav. */
    std::string v1 = bytes("P\0" "\0\0\0\0\0" "\0\0\0\0\0" "\0\0\0\0\0\0" "\0\0\0\0\0\0\0\0\0\0"
                           "Ulla\0extra\0Rolf\0x\0Siri\0y\0", 53);
    uint32_t pos = 0;
    ASSERT_EQ(zmlib66Elem_saveDataToFile(ZMPROJECT_APPLICATION_ID, 1, v1.data(), static_cast<int>(v1.size()), &pos), 0);
    ZmProjectRecord read{};
    EXPECT_EQ(zmlibProject_readProjectInfoFromDesignFile(&read), 1);
    EXPECT_STREQ(read.pron, "P");
    EXPECT_STREQ(read.UNav, "Ulla");
    EXPECT_STREQ(read.RNav, "Rolf");
    EXPECT_STREQ(read.SNav, "Siri");

    /* A text longer than its slot is cut to it; one that runs past the block is refused. */
    std::string longNumber(40, '7');
    ZmProjectRecord unpacked;
    std::string block = longNumber + std::string(30, '\0');
    ASSERT_EQ(zmlib::project::unpackProject(block.data(), static_cast<int>(block.size()), 3, unpacked), 0);
    EXPECT_EQ(std::string(unpacked.pron), std::string(30, '7'));
    EXPECT_EQ(unpacked.pros[0][0], 0);
    std::string cut = block.substr(0, 50);
    EXPECT_EQ(zmlib::project::unpackProject(cut.data(), static_cast<int>(cut.size()), 3, unpacked), ZMLIB_ERROR);
    EXPECT_EQ(unpacked.pron[0], 0);

    /* A newer version is shown and contributes nothing. */
    ASSERT_EQ(zmlib66Elem_saveDataToFile(ZMPROJECT_APPLICATION_ID, 4, v1.data(), static_cast<int>(v1.size()), &pos), 0);
    EXPECT_EQ(zmlibProject_readProjectInfoFromDesignFile(&read), 2);
    EXPECT_STREQ(read.UNav, "Ulla");
    EXPECT_EQ(shown, std::vector<std::string>{"version 4"});
}

TEST_F(ProjectTest, PagesAreFoundByExactNameAndDeletedByKeepList) {
    for (const char* name : {"A1", "B", "C"}) {
        ZmPageRecord p = page(name, name[0] == 'B' ? "rev B" : "");
        zmlibProject_writePageInfoToDesignFile(&p);
    }
    ZmPageRecord again = page("B", "rev C");
    zmlibProject_writePageInfoToDesignFile(&again);
    EXPECT_EQ(pageNames(), (std::vector<std::string>{"A1", "C", "B"}));

    ZmPageRecord read;
    zmlibProject_readPageInfoFromDesignFile(&read, "a1");
    EXPECT_STREQ(read.name, "");
    EXPECT_STREQ(read.lookupName, "a1");
    EXPECT_EQ(sim::messageField(MSG_STATUS), "pages found");
    zmlibProject_readPageInfoFromDesignFile(&read, "B");
    EXPECT_STREQ(read.name, "B");
    EXPECT_STREQ(read.revs, "rev C");
    EXPECT_STREQ(read.pros[0], "line of B");

    const char* keep[] = {"A1", "B", nullptr};
    zmlibProject_deletePageInfoFromDesignFile("A1", keep);
    EXPECT_EQ(pageNames(), (std::vector<std::string>{"A1", "B"}));
    ASSERT_EQ(mdlUndo_undo(), 0);
    EXPECT_EQ(pageNames(), (std::vector<std::string>{"A1", "C", "B"}));
    zmlibProject_deletePageInfoFromDesignFile("C", nullptr);
    EXPECT_EQ(pageNames(), (std::vector<std::string>{"A1", "B"}));
    zmlibProject_deletePageInfoFromDesignFile(nullptr, nullptr);
    EXPECT_TRUE(pageNames().empty());
}

TEST_F(ProjectTest, PageValuesOverrideProjectValuesOfTheCurrentPage) {
    ZmProjectRecord project{};
    copyFixed(project.pron, "2026-17");
    copyFixed(project.pros[1], "project line 1");
    copyFixed(project.UNav, "Ulla");
    zmlibProject_writeProjectInfoToDesignFile(&project);
    ZmPageRecord p = page("A1");
    copyFixed(p.UNav, "Per");
    zmlibProject_writePageInfoToDesignFile(&p);

    char out[ZMMATLIST_TEXT_SIZE];
    const char* form = "%pron|%2%pros|%UNav|%revs|%kost";
    ZmFormDataArray* list = zmlibMatList_createFormDataArray(4, 20);
    zmlibProject_insertProjectData(list);   /* no current page: project values only */
    zmlibMatList_generateFormatedText(form, list, out, nullptr, 0, 0, 1);
    EXPECT_STREQ(out, "2026-17|project line 1|Ulla||");
    int fields = 0;
    for (ZmFormField* f = list->next; f; f = f->next) ++fields;
    EXPECT_EQ(fields, 13);   /* kost pron pros, nine names, signatures and dates, tegn */
    list = zmlibMatList_destroyFormDataArray(list);

    copyFixed(zmlibMain_getGlobalDataP()->pageName, "A1");
    list = zmlibMatList_createFormDataArray(4, 20);
    zmlibProject_insertProjectData(list);
    zmlibMatList_generateFormatedText(form, list, out, nullptr, 0, 0, 1);
    EXPECT_STREQ(out, "2026-17|line of A1|Per||");
    bool hasRevision = false;
    for (ZmFormField* f = list->next; f; f = f->next) hasRevision |= std::strcmp(f->name, "revs") == 0;
    EXPECT_FALSE(hasRevision);
    zmlibMatList_destroyFormDataArray(list);
}
