#include <cstring>
#include <vector>

#include "elements_fixture.h"
#include "host/sim/base/base.h"
#include "lib/elements/userdata.h"

namespace {

using UserDataTest = ElementsTest;

/* Words of the linkage of primary id 20275 on ELEMENT, 0 when none. */
int linkageWords(const MSElement* element) {
    static uint8_t buffer[16384];
    if (!mdlLinkage_extractFromElement(buffer, sizeof buffer, element, ZMLIB_USERDATA_LINKAGE_ID, nullptr, nullptr,
                                       nullptr))
        return 0;
    return mdlLinkage_getWords(reinterpret_cast<const LinkageHeader*>(buffer));
}

TEST_F(UserDataTest, LinkageLengthAndReportedSizeFollowThePadding) {
    struct Case { unsigned size; int words; int reported; };
    for (Case c : {Case{0, 4, 0}, Case{9, 12, 16}, Case{8188, 4100, 8192}}) {
        static MSElement line;
        makeLine(&line);
        std::vector<uint8_t> data(c.size, 0xA5);
        ASSERT_EQ(zmlibAttrib_appendElementUserData(13, 3, &line, data.data(), c.size), 0) << c.size;
        EXPECT_EQ(linkageWords(&line), c.words) << c.size;
        std::vector<uint8_t> out(ZMLIB_USERDATA_MAX_EXTRACT, 0xEE);
        int version = -1, size = -1;
        ASSERT_EQ(zmlibAttrib_extractElementUserData(&line, 13, &version, out.data(), &size), 0) << c.size;
        EXPECT_EQ(version, 3);
        EXPECT_EQ(size, c.reported);
        for (int i = 0; i < size; ++i)
            ASSERT_EQ(out[i], i < static_cast<int>(c.size) ? 0xA5 : 0) << c.size << " byte " << i;
    }
}

TEST_F(UserDataTest, TooLargeDataIsRefusedWithAConsoleLineAndTheElementUntouched) {
    static MSElement line, before;
    makeLine(&line);
    mdlElement_memcpy(&before, &line);
    std::vector<uint8_t> data(8189, 1);
    sim::clearOutputLog();
    EXPECT_EQ(zmlibAttrib_appendElementUserData(13, 3, &line, data.data(), 8189), ZMLIB_ERROR);
    EXPECT_NE(sim::consoleText().find("Userdata er for stor. buffersize=8189\n"), std::string::npos);
    EXPECT_EQ(std::memcmp(&line, &before, mdlElement_size(&before)), 0);
}

TEST_F(UserDataTest, OnlyTheFirstLinkageIsExamined) {
    static MSElement line;
    makeLine(&line);
    int32_t six = 6, thirteen = 13;
    ASSERT_EQ(zmlibAttrib_appendElementUserData(6, 1, &line, &six, 4), 0);
    ASSERT_EQ(zmlibAttrib_appendElementUserData(13, 3, &line, &thirteen, 4), 0);
    int version = -7, size = -7;
    uint8_t out[ZMLIB_USERDATA_MAX_EXTRACT];
    EXPECT_EQ(zmlibAttrib_extractElementUserData(&line, 13, &version, out, &size), ZMLIB_ERROR);
    EXPECT_EQ(version, -7);
    EXPECT_EQ(size, -7);
    ASSERT_EQ(zmlibAttrib_extractElementUserData(&line, 6, &version, out, &size), 0);
    EXPECT_EQ(version, 1);
    EXPECT_EQ(size, 8);
    int32_t value;
    std::memcpy(&value, out, 4);
    EXPECT_EQ(value, 6);
}

TEST_F(UserDataTest, NegativeIdsAreSignExtendedAndAnElementWithoutLinkageFails) {
    static MSElement line;
    makeLine(&line);
    int version = 0, size = 0;
    uint8_t out[ZMLIB_USERDATA_MAX_EXTRACT];
    EXPECT_EQ(zmlibAttrib_extractElementUserData(&line, 13, &version, out, &size), ZMLIB_ERROR);
    ASSERT_EQ(zmlibAttrib_appendElementUserData(-2, -5, &line, "x", 1), 0);
    ASSERT_EQ(zmlibAttrib_extractElementUserData(&line, -2, &version, out, &size), 0);
    EXPECT_EQ(version, -5);
}

/* A hand-made linkage that claims less than its own head reports nothing. */
TEST_F(UserDataTest, ALinkageShorterThanItsHeadIsRefused) {
    static MSElement line;
    makeLine(&line);
    LinkageHeader h{LINKAGE_USER_FLAG, ZMLIB_USERDATA_LINKAGE_ID};
    ASSERT_EQ(mdlLinkage_setWords(&h, 2), 0);
    ASSERT_EQ(mdlLinkage_appendToElement(&line, &h, nullptr, nullptr, nullptr), 0);
    int version = 0, size = 0;
    uint8_t out[ZMLIB_USERDATA_MAX_EXTRACT];
    EXPECT_EQ(zmlibAttrib_extractElementUserData(&line, 0, &version, out, &size), ZMLIB_ERROR);
}

}  // namespace
