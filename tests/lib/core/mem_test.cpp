#include <cstring>

#include "core_fixture.h"
#include "lib/core/mem.h"

namespace {

using MemTest = CoreTest;

TEST_F(MemTest, BlocksAreZeroFilledAndTailsZeroedOnGrowth) {
    MdlDesc* a = startApp("ALPHA");
    sim::CurrentApplicationScope s(a);
    auto* p = static_cast<unsigned char*>(zmlibMem_mallocRscErrorPrintf(64, ZMLIB_LIST_ERRORS, 14));
    ASSERT_NE(p, nullptr);
    for (int i = 0; i < 64; ++i) EXPECT_EQ(p[i], 0);
    std::memset(p, 0xAB, 64);
    p = static_cast<unsigned char*>(zmlibMem_reallocRscErrorPrintf(p, 64, 4096, ZMLIB_LIST_ERRORS, 14));
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(p[63], 0xAB);
    for (int i = 64; i < 4096; ++i) ASSERT_EQ(p[i], 0);
    dlmSystem_mdlFree(p);
}

TEST_F(MemTest, FailureTellsTheUserAndAnswersNull) {
    MdlDesc* a = startApp("ALPHA");
    sim::CurrentApplicationScope s(a);
    sim::failAllocations(1);
    EXPECT_EQ(zmlibMem_mallocRscErrorPrintf(64, ZMLIB_LIST_ERRORS, 16, "big.rsc"), nullptr);
    EXPECT_EQ(boxText(), "Cannot open big.rsc\n");
    EXPECT_EQ(zmlib::error::messageBoxState().secondButton, 512);
    EXPECT_TRUE(a->alive);

    void* block = zmlibMem_mallocRscErrorPrintf(8, ZMLIB_LIST_ERRORS, 14);
    std::memset(block, 0x11, 8);
    sim::failAllocations(1);
    EXPECT_EQ(zmlibMem_reallocRscErrorPrintf(block, 8, 1 << 20, ZMLIB_LIST_ERRORS, 14), nullptr);
    EXPECT_EQ(boxText(), "Out of memory\n");
    EXPECT_EQ(static_cast<unsigned char*>(block)[7], 0x11); /* left as it was */
    dlmSystem_mdlFree(block);
}

}  // namespace

namespace {

TEST_F(MemTest, CancelAfterFailureEndsTheApplication) {
    MdlDesc* a = startApp("ALPHA");
    answer = ACTIONBUTTON_CANCEL;
    modalDialogs.clear();
    {
        sim::CurrentApplicationScope s(a);
        sim::failAllocations(1);
        EXPECT_EQ(zmlibMem_mallocRscErrorPrintf(64, ZMLIB_LIST_ERRORS, 14), nullptr);
    }
    EXPECT_EQ(modalDialogs, (std::vector<int32_t>{zmlib::error::DIALOG_MESSAGE_BOX}));
    EXPECT_EQ(buttons, (std::vector<std::string>{"Go on", "Stop"}));
    sim::processPendingUnloads(); /* the host unloads once the call into the application is over */
    EXPECT_FALSE(a->alive);
}

}  // namespace
