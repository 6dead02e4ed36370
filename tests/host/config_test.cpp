#include <algorithm>

#include "host/mdlsystem.h"
#include "host/sim/system/system.h"
#include "support/host_fixture.h"

namespace {

std::string getVar(const char* name) {
    char buf[512];
    return mdlSystem_getCfgVar(buf, name, sizeof buf) == 0 ? std::string(buf) : std::string("<undefined>");
}

std::string getExpanded(const char* name) {
    char buf[512];
    return mdlSystem_getExpandedCfgVar(buf, name, sizeof buf) == 0 ? std::string(buf) : std::string("<undefined>");
}

std::string expand(const char* text) {
    char* s = mdlSystem_expandCfgVar(text);
    std::string out = s ? s : "<null>";
    dlmSystem_mdlFree(s);
    return out;
}

}  // namespace

using ConfigVariables = HostTest;

TEST_F(ConfigVariables, HighestLevelWinsAndEachLevelKeepsItsOwnValue) {
    EXPECT_EQ(mdlSystem_defineCfgVar("ZM_DIR", "c:\\system\\", CFGVAR_LEVEL_SYSTEM), 0);
    EXPECT_EQ(mdlSystem_defineCfgVar("zm_dir", "c:\\user\\", CFGVAR_LEVEL_USER), 0);
    EXPECT_EQ(getVar("Zm_Dir"), "c:\\user\\");
    char buf[64];
    ASSERT_EQ(mdlSystem_getCfgVarAtLevel(buf, "ZM_DIR", CFGVAR_LEVEL_SYSTEM, sizeof buf), 0);
    EXPECT_STREQ(buf, "c:\\system\\");
    EXPECT_NE(mdlSystem_getCfgVarAtLevel(buf, "ZM_DIR", CFGVAR_LEVEL_SITE, sizeof buf), 0);
    EXPECT_STREQ(buf, "");
    /* Removing the user definition uncovers the system one. */
    EXPECT_EQ(mdlSystem_defineCfgVar("ZM_DIR", nullptr, CFGVAR_LEVEL_USER), 0);
    EXPECT_EQ(getVar("ZM_DIR"), "c:\\system\\");
}

TEST_F(ConfigVariables, RejectsBadNamesAndLevelsWithoutChangingAnything) {
    EXPECT_NE(mdlSystem_defineCfgVar("", "x", 0), 0);
    EXPECT_NE(mdlSystem_defineCfgVar("A B", "x", 0), 0);
    EXPECT_NE(mdlSystem_defineCfgVar("$(X)", "x", 0), 0);
    EXPECT_NE(mdlSystem_defineCfgVar("GOOD", "x", 9), 0);
    EXPECT_NE(mdlSystem_defineCfgVar(nullptr, "x", 0), 0);
    EXPECT_EQ(getVar("GOOD"), "<undefined>");
    EXPECT_NE(mdlSystem_getCfgVar(nullptr, nullptr, 0), 0);
}

TEST_F(ConfigVariables, ValuesAreCutToTheBufferAndZeroTerminated) {
    mdlSystem_defineCfgVar("LONG", "abcdefghij", 0);
    char buf[5] = {'x', 'x', 'x', 'x', 'x'};
    EXPECT_EQ(mdlSystem_getCfgVar(buf, "LONG", sizeof buf), 0);
    EXPECT_STREQ(buf, "abcd");
    EXPECT_EQ(mdlSystem_getCfgVar(nullptr, "LONG", 0), 0); /* definition test only */
    EXPECT_NE(mdlSystem_getCfgVar(nullptr, "MISSING", 0), 0);
}

TEST_F(ConfigVariables, ExpansionIsLazyRecursiveAndSurvivesCycles) {
    mdlSystem_defineCfgVar("ROOT", "c:\\zm\\", 0);
    mdlSystem_defineCfgVar("DATA", "$(ROOT)data\\", 0);
    EXPECT_EQ(getVar("DATA"), "$(ROOT)data\\");
    EXPECT_EQ(getExpanded("DATA"), "c:\\zm\\data\\");
    mdlSystem_defineCfgVar("ROOT", "d:\\", CFGVAR_LEVEL_USER); /* read at use time */
    EXPECT_EQ(getExpanded("DATA"), "d:\\data\\");
    EXPECT_EQ(expand("[$(data)|$(NOPE)|$( ROOT )|$(unterminated"), "[d:\\data\\||d:\\|$(unterminated");

    mdlSystem_defineCfgVar("A", "a$(B)", 0);
    mdlSystem_defineCfgVar("B", "b$(A)", 0);
    EXPECT_EQ(getExpanded("A"), "ab");
    EXPECT_EQ(getExpanded("UNDEFINED"), "<undefined>");
}

TEST_F(ConfigVariables, SelfReferenceTakesTheOldValue) {
    mdlSystem_defineCfgVar("LIST", "a", 0);
    mdlSystem_defineCfgVar("LIST", "$(LIST);b", 0);
    EXPECT_EQ(getVar("LIST"), "a;b");
    EXPECT_EQ(getExpanded("LIST"), "a;b");
}

TEST_F(ConfigVariables, GetenvExpandsAndFallsBackToTheProcessEnvironment) {
    ::setenv("SIMSYS_FROM_ENV", "env-value", 1);
    mdlSystem_defineCfgVar("BASE", "c:\\b\\", 0);
    mdlSystem_defineCfgVar("FILE_VAR", "$(BASE)x.cfg", 0);
    char buf[64];
    ASSERT_EQ(mdlSystem_getenv(buf, "FILE_VAR", sizeof buf), 0);
    EXPECT_STREQ(buf, "c:\\b\\x.cfg");
    ASSERT_EQ(mdlSystem_getenv(buf, "SIMSYS_FROM_ENV", sizeof buf), 0);
    EXPECT_STREQ(buf, "env-value");
    EXPECT_NE(mdlSystem_getCfgVar(buf, "SIMSYS_FROM_ENV", sizeof buf), 0);
    EXPECT_EQ(mdlSystem_getCfgVarAtLevel(buf, "SIMSYS_FROM_ENV", CFGVAR_LEVEL_SYSENV, sizeof buf), 0);
    EXPECT_EQ(expand("$(SIMSYS_FROM_ENV)"), "env-value");
    ::unsetenv("SIMSYS_FROM_ENV");
}

TEST_F(ConfigVariables, ExpandAnswersNullWhenOutOfMemory) {
    sim::failAllocations(1);
    EXPECT_EQ(mdlSystem_expandCfgVar("text"), nullptr);
    sim::failAllocations(0);
    EXPECT_EQ(mdlSystem_expandCfgVar(nullptr), nullptr);
}

using ConfigFiles = HostTest;

TEST_F(ConfigFiles, AssignmentsAppendPrependCommentsAndImmediateValues) {
    std::string path = writeFile("ws.cfg",
                             "# a comment\n"
                             "   \n"
                             "MS_MDL = first/\r\n"
                             "MS_MDL > second/\n"
                             "MS_MDL < zeroth/\n"
                             "EMPTY_LIST > only\n"
                             "HASH = value # not a comment\n"
                             "LATER = $(MS_DATA)\n"
                             "NOW : [$(MS_DATA)]\n"
                             "MS_DATA = c:\\data\\\n"
                             "CLEARED =\n");
    ASSERT_EQ(mdlSystem_processCfgVarFile(path.c_str(), CFGVAR_LEVEL_SITE), 0);
    EXPECT_EQ(getVar("MS_MDL"), "zeroth/;first/;second/");
    EXPECT_EQ(getVar("EMPTY_LIST"), "only");
    EXPECT_EQ(getVar("HASH"), "value # not a comment");
    EXPECT_EQ(getExpanded("LATER"), "c:\\data\\");
    EXPECT_EQ(getVar("NOW"), "[]");
    EXPECT_EQ(getVar("CLEARED"), "");
    char buf[64];
    EXPECT_EQ(mdlSystem_getCfgVarAtLevel(buf, "MS_DATA", CFGVAR_LEVEL_SITE, sizeof buf), 0);
    EXPECT_TRUE(sim::consoleText().empty());
}

TEST_F(ConfigFiles, IncludesResolveRelativelyWithVariablesAndWildcards) {
    writeFile("site/b.cfg", "ORDER > b\n");
    writeFile("site/a.cfg", "ORDER > a\n%include sub/deep.cfg\n");
    writeFile("site/sub/deep.cfg", "ORDER > deep\n");
    writeFile("site/notes.txt", "not a cfg file\n");
    std::string main = writeFile("main.cfg",
                             "SITE = " + path("site/") + "\n"
                             "ORDER = main\n"
                             "%include $(SITE)*.cfg\n"
                             "%include $(SITE)nothing*.cfg\n"
                             "ORDER > end\n");
    ASSERT_EQ(mdlSystem_processCfgVarFile(main.c_str(), 0), 0) << sim::consoleText();
    EXPECT_EQ(getVar("ORDER"), "main;a;deep;b;end");
}

TEST_F(ConfigFiles, ConditionsAndUndef) {
    std::string path = writeFile("c.cfg",
                             "GONE = x\n"
                             "%undef GONE\n"
                             "%ifdef GONE\n"
                             "R > wrong1\n"
                             "%else\n"
                             "R > right1\n"
                             "%endif\n"
                             "%ifndef GONE\n"
                             "  %if exists(" + dir + "/c.cfg)\n"
                             "R > right2\n"
                             "  %else\n"
                             "R > wrong2\n"
                             "  %endif\n"
                             "%endif\n"
                             "%if !defined(GONE)\n"
                             "R > right3\n"
                             "%endif\n"
                             "%if exists($(NOWHERE)/missing.cfg)\n"
                             "R > wrong3\n"
                             "%include missing-but-skipped.cfg\n"
                             "%endif\n");
    ASSERT_EQ(mdlSystem_processCfgVarFile(path.c_str(), 0), 0) << sim::consoleText();
    EXPECT_EQ(getVar("R"), "right1;right2;right3");
    EXPECT_EQ(getVar("GONE"), "<undefined>");
}

TEST_F(ConfigFiles, BadLinesAreReportedWithFileAndLineAndTheRestStillCounts) {
    std::string path = writeFile("bad.cfg",
                             "GOOD1 = 1\n"
                             "this line has no operator\n"
                             "BAD NAME = 2\n"
                             "%frobnicate\n"
                             "%include nowhere.cfg\n"
                             "%endif\n"
                             "GOOD2 = 2\n"
                             "%ifdef GOOD1\n");
    EXPECT_EQ(mdlSystem_processCfgVarFile(path.c_str(), 0), HOST_ERROR);
    EXPECT_EQ(getVar("GOOD1"), "1");
    EXPECT_EQ(getVar("GOOD2"), "2");
    std::string console = sim::consoleText();
    for (const char* where : {"bad.cfg:2:", "bad.cfg:3:", "bad.cfg:4:", "bad.cfg:5:", "bad.cfg:6:", "without %endif"})
        EXPECT_NE(console.find(where), std::string::npos) << where << " in\n" << console;
}

TEST_F(ConfigFiles, MissingFilesAndIncludeLoopsFailCleanly) {
    EXPECT_EQ(mdlSystem_processCfgVarFile(path("none.cfg").c_str(), 0), HOST_ERROR);
    EXPECT_NE(sim::consoleText().find("cannot open"), std::string::npos);
    EXPECT_EQ(mdlSystem_processCfgVarFile(nullptr, 0), HOST_ERROR);
    std::string loop = writeFile("loop.cfg", "N > x\n%include loop.cfg\n");
    std::string error;
    EXPECT_FALSE(sim::processConfigFile(loop, 0, error));
    EXPECT_NE(error.find("loop.cfg:2: include cycle"), std::string::npos) << error;
    EXPECT_FALSE(sim::processConfigFile(loop, 7, error)); /* bad level */
}

TEST_F(ConfigFiles, WildcardCyclesAndRunawayValuesEndInOneErrorEach) {
    /* Three files that include every file of the folder, each other among them. */
    for (const char* name : {"a.cfg", "b.cfg", "c.cfg"}) writeFile(std::string("cyc/") + name, "%include *.cfg\n");
    std::string error;
    EXPECT_FALSE(sim::processConfigFile(path("cyc/a.cfg"), 0, error));
    EXPECT_NE(error.find("a.cfg:1: include cycle: "), std::string::npos) << error;
    EXPECT_LT(std::count(error.begin(), error.end(), '\n'), 20) << error;

    /* A value that doubles on every line. */
    std::string doubling = "A = x\n";
    for (int i = 0; i < 40; ++i) doubling += "A = $(A)$(A)\n";
    EXPECT_FALSE(sim::processConfigFile(writeFile("double.cfg", doubling), 0, error));
    EXPECT_NE(error.find("double.cfg:18: value of A is longer than 65536 bytes"), std::string::npos) << error;
    EXPECT_EQ(sim::rawVariable("A")->size(), 65536u);

    /* Values that double only when expanded, then used by a condition and an immediate value. */
    std::string lazy = "L0 = xxxxxxxx\n";
    for (int i = 1; i <= 60; ++i) lazy += "L" + std::to_string(i) + " = $(L" + std::to_string(i - 1) + ")$(L" + std::to_string(i - 1) + ")\n";
    lazy += "%if exists($(L60))\n%endif\nNOW : $(L60)\n";
    EXPECT_FALSE(sim::processConfigFile(writeFile("lazy.cfg", lazy), 0, error));
    EXPECT_NE(error.find("lazy.cfg:62: $(L60) expands past 65536 bytes"), std::string::npos) << error;
    EXPECT_NE(error.find("lazy.cfg:64: $(L60) expands past 65536 bytes"), std::string::npos) << error;
    EXPECT_FALSE(sim::variableValue("L60").has_value());
    EXPECT_EQ(sim::variableValue("L3"), std::string(64, 'x'));
}
