#include <cstring>

#include "rsc_test_util.h"

namespace {

/* The members of LIST as "text:field0,field1|..." for compact comparisons. */
std::string dump(const StringList* list) {
    std::string s;
    for (int i = 0; i < mdlStringList_size(list); ++i) {
        const char* text = nullptr;
        int32_t* info = nullptr;
        EXPECT_EQ(mdlStringList_getMember(&text, &info, list, i), RSC_SUCCESS);
        s += text;
        s += ':';
        for (int f = 0; f < mdlStringList_infoFieldCount(list); ++f) s += (f ? "," : "") + std::to_string(info[f]);
        s += '|';
    }
    return s;
}

}  // namespace

TEST_F(ResourceTest, StringListMembersAndInformationFields) {
    StringList* list = mdlStringList_create(2, 2);
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(mdlStringList_size(list), 2);
    EXPECT_EQ(dump(list), ":0,0|:0,0|");
    const int32_t fields[] = {5, -6};
    EXPECT_EQ(mdlStringList_setMember(list, 0, "a", fields), RSC_SUCCESS);
    EXPECT_EQ(mdlStringList_setMember(list, 1, "b", nullptr), RSC_SUCCESS);
    EXPECT_EQ(mdlStringList_setInfoField(list, 1, 1, 9), RSC_SUCCESS);

    /* A member's text pointer stays valid while others are inserted and deleted. */
    const char* aText = nullptr;
    mdlStringList_getMember(&aText, nullptr, list, 0);
    int index = -5;
    EXPECT_EQ(mdlStringList_insertMember(&index, list, 0, 3), RSC_SUCCESS);
    EXPECT_EQ(index, 0);
    EXPECT_EQ(mdlStringList_insertMember(&index, list, -1, 1), RSC_SUCCESS);
    EXPECT_EQ(index, 5);
    mdlStringList_setMember(list, 5, "end", nullptr);
    EXPECT_EQ(mdlStringList_deleteMember(list, 0, 2), RSC_SUCCESS);
    EXPECT_STREQ(aText, "a");
    EXPECT_EQ(dump(list), ":0,0|a:5,-6|b:0,9|end:0,0|");
    EXPECT_EQ(mdlStringList_search(list, "b", 0), 2);
    EXPECT_EQ(mdlStringList_search(list, "b", 3), -1);

    int32_t value = 0;
    EXPECT_EQ(mdlStringList_getInfoField(&value, list, 1, 1), RSC_SUCCESS);
    EXPECT_EQ(value, -6);

    /* Out of range is refused and changes nothing. */
    EXPECT_EQ(mdlStringList_getInfoField(&value, list, 1, 2), RSCERR_BAD_ARGUMENT);
    EXPECT_EQ(mdlStringList_setInfoField(list, 4, 0, 1), RSCERR_BAD_ARGUMENT);
    EXPECT_EQ(mdlStringList_getMember(nullptr, nullptr, list, -1), RSCERR_BAD_ARGUMENT);
    EXPECT_EQ(mdlStringList_deleteMember(list, 3, 2), RSCERR_BAD_ARGUMENT);
    EXPECT_EQ(mdlStringList_insertMember(&index, list, 5, 1), RSCERR_BAD_ARGUMENT);
    EXPECT_EQ(index, -1);
    std::string huge(RSC_MAX_TEXT + 1, 'h');
    EXPECT_EQ(mdlStringList_setMember(list, 0, huge.c_str(), nullptr), RSCERR_TOO_LARGE);
    EXPECT_EQ(dump(list), ":0,0|a:5,-6|b:0,9|end:0,0|");

    EXPECT_EQ(mdlStringList_create(-1, 0), nullptr);
    EXPECT_EQ(mdlStringList_size(nullptr), 0);
    mdlStringList_destroy(list);
    mdlStringList_destroy(nullptr);
}

TEST_F(ResourceTest, RefusedInsertLetsTheCallerDropTheOldestMember) {
    sim::setStringListMemberLimit(3);
    StringList* list = mdlStringList_create(0, 1);
    int index = 0;
    for (int i = 0; i < 3; ++i) {
        ASSERT_EQ(mdlStringList_insertMember(&index, list, -1, 1), RSC_SUCCESS);
        mdlStringList_setMember(list, index, std::to_string(i).c_str(), nullptr);
    }
    EXPECT_NE(mdlStringList_insertMember(&index, list, -1, 1), RSC_SUCCESS);
    EXPECT_EQ(index, -1);
    /* What a collector of lines does: drop the oldest and try once more. */
    ASSERT_EQ(mdlStringList_deleteMember(list, 0, 1), RSC_SUCCESS);
    ASSERT_EQ(mdlStringList_insertMember(&index, list, -1, 1), RSC_SUCCESS);
    mdlStringList_setMember(list, index, "3", nullptr);
    EXPECT_EQ(dump(list), "1:0|2:0|3:0|");
    /* A list made larger than the limit is refused as a whole. */
    EXPECT_EQ(mdlStringList_create(4, 0), nullptr);
    sim::setStringListMemberLimit(0);
    StringList* empty = mdlStringList_create(0, 0); /* an empty list needs no member */
    EXPECT_NE(empty, nullptr);
    mdlStringList_destroy(empty);
    mdlStringList_destroy(list);
}

TEST_F(ResourceTest, StringListsRoundTripThroughAFile) {
    RscFileHandle h = createOpen("plotscales.rsc", "Plotscales");
    StringList* list = mdlStringList_create(3, 1);
    mdlStringList_setMember(list, 0, "1:1", nullptr);
    mdlStringList_setMember(list, 1, "\u00e6\u00f8\u00e5", nullptr);
    mdlStringList_setMember(list, 2, "", nullptr);
    mdlStringList_setInfoField(list, 1, 0, 1);
    EXPECT_EQ(mdlStringList_addResource(h, 20001, list), RSC_SUCCESS);
    EXPECT_EQ(mdlStringList_addResource(h, 20001, list), RSCERR_EXISTS);
    EXPECT_EQ(mdlStringList_addResource(0, 20002, list), RSCERR_BAD_HANDLE);

    /* Overwrite with a longer list, and write a list that did not exist. */
    int index;
    mdlStringList_insertMember(&index, list, -1, 1);
    mdlStringList_setMember(list, index, "added", nullptr);
    mdlStringList_setInfoField(list, index, 0, -1);
    EXPECT_EQ(mdlStringList_writeResource(h, 20001, list), RSC_SUCCESS);
    EXPECT_EQ(mdlStringList_writeResource(h, 20003, list), RSC_SUCCESS);
    mdlStringList_destroy(list);
    mdlResource_closeFile(h);

    RscFileHandle r = 0;
    ASSERT_EQ(mdlResource_openFile(&r, path("plotscales.rsc").c_str(), 0), RSC_SUCCESS);
    StringList* back = mdlStringList_loadResource(r, 20001);
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(mdlStringList_infoFieldCount(back), 1);
    EXPECT_EQ(dump(back), "1:1:0|\u00e6\u00f8\u00e5:1|:0|added:-1|");
    mdlStringList_destroy(back);
    StringList* any = mdlStringList_loadResource(0, 20003); /* from any open file */
    ASSERT_NE(any, nullptr);
    EXPECT_EQ(mdlStringList_size(any), 4);
    mdlStringList_destroy(any);
    EXPECT_EQ(mdlStringList_loadResource(r, 20002), nullptr);
    /* A read-only file refuses the write with the read-only status. */
    StringList* one = mdlStringList_create(1, 0);
    EXPECT_EQ(mdlStringList_writeResource(r, 20001, one), RSCERR_READ_ONLY);
    mdlStringList_destroy(one);
}

TEST_F(ResourceTest, DamagedStringListResourceLoadsAsNothing) {
    RscFileHandle h = createOpen("d.rsc");
    sim::StringListRsc rsc;
    rsc.infoFields = 1;
    rsc.members.push_back({"abc", {4}});
    std::vector<uint8_t> bytes;
    ASSERT_EQ(sim::packStringList(rsc, bytes), RSC_SUCCESS);
    bytes.pop_back();
    ASSERT_EQ(mdlResource_add(h, RTYPE_STRINGLIST, 5, bytes.data(), static_cast<uint32_t>(bytes.size()), nullptr),
              RSC_SUCCESS);
    EXPECT_EQ(mdlStringList_loadResource(h, 5), nullptr);
    EXPECT_NE(sim::consoleText().find("String list 5 is damaged"), std::string::npos);
    /* Out of memory for the host's copy gives nothing either, without a leak. */
    bytes.push_back('c');
    mdlResource_add(h, RTYPE_STRINGLIST, 6, bytes.data(), static_cast<uint32_t>(bytes.size()), nullptr);
    sim::failAllocations(1);
    EXPECT_EQ(mdlStringList_loadResource(h, 6), nullptr);
    sim::failAllocations(0);
    StringList* ok = mdlStringList_loadResource(h, 6);
    ASSERT_NE(ok, nullptr);
    EXPECT_EQ(dump(ok), "abc:4|");
    mdlStringList_destroy(ok);
}
