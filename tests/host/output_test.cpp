#include "host/mdlsystem.h"
#include "support/host_fixture.h"

using SimOutput = HostTest;

TEST_F(SimOutput, FormatsWideTextsAndKeepsEveryEntryInOrder) {
    toolSubsystem_printf("%s=%d %S|%-5S|\n", "n", 7, u"bl\u00e5", u"ab");
    mdlOutput_printf(MSG_PROMPT, "Enter point %.2f", 1.5);
    ASSERT_EQ(sim::outputLog().size(), 2u);
    EXPECT_EQ(sim::consoleText(), "n=7 bl\u00e5|ab   |\n");
    EXPECT_EQ(sim::messageField(MSG_PROMPT), "Enter point 1.50");
    EXPECT_EQ(sim::format("%*d|%%|%5.1f", 4, 12, 2.25), "  12|%|  2.2");
}

TEST_F(SimOutput, Utf16RoundTripIncludingSurrogatesAndStrayBytes) {
    std::string s = "\xc3\xa6\xc3\xb8\xc3\xa5 \xf0\x9f\x93\x90";
    EXPECT_EQ(sim::utf16ToUtf8(sim::utf8ToUtf16(s).c_str()), s);
    EXPECT_EQ(sim::utf8ToUtf16("\xe6").size(), 1u); /* a lone Latin-1 byte is kept, not dropped */
}

TEST(SimMemory, FailsTheRequestedAllocationsOnly) {
    sim::failAllocations(2, 1);
    void* a = dlmSystem_mdlMalloc(8);
    EXPECT_NE(a, nullptr);
    EXPECT_EQ(dlmSystem_mdlMalloc(8), nullptr);
    EXPECT_EQ(dlmSystem_mdlRealloc(a, 16), nullptr);
    void* b = dlmSystem_mdlCalloc(2, 8);
    EXPECT_NE(b, nullptr);
    EXPECT_EQ(sim::failedAllocations(), 2);
    dlmSystem_mdlFree(a);
    dlmSystem_mdlFree(b);
    sim::failAllocations(0);
}
