/* The print layer: a descriptor mapped onto its page area through the
** writers, the background level first, texts on their base lines, and the
** file sent through a print command. */
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "host/mdlelement.h"
#include "host/mdllevel.h"
#include "host/sim/base/base.h"
#include "host/sim/design/design.h"
#include "host/sim/system/system.h"
#include "lib/core/main.h"
#include "lib/library_messages.h"
#include "lib/output/print.h"
#include "validators.h"

namespace fs = std::filesystem;

namespace {

constexpr double PT = 72.0 / 25.4; /* the PostScript writer's points per millimetre */

class PrintTest : public LibraryMessagesTest {
protected:
    std::optional<sim::CurrentApplicationScope> scope;
    MSElementDescr* descr = nullptr;

    void SetUp() override {
        LibraryMessagesTest::SetUp();
        scope.emplace(app);
        std::string error;
        ASSERT_TRUE(sim::design::open(path("drawing.design"), true, error)) << error;
    }
    void TearDown() override {
        if (descr) mdlElmdscr_freeAll(&descr);
        scope.reset();
        LibraryMessagesTest::TearDown();
    }
    void add(const MSElement& element) {
        if (!descr) ASSERT_EQ(mdlElmdscr_new(&descr, nullptr, &element), 0);
        else ASSERT_EQ(mdlElmdscr_appendElement(descr, &element), 0);
    }
    void shape(double x0, double y0, double x1, double y1, int fill, UInt32 level = 0, UInt32 colour = 0) {
        Dpoint3d pts[5] = {{x0, y0, 0}, {x1, y0, 0}, {x1, y1, 0}, {x0, y1, 0}, {x0, y0, 0}};
        MSElement e;
        ASSERT_EQ(mdlShape_create(&e, nullptr, pts, 5, fill), 0);
        if (level) mdlElement_setProperties(&e, &level, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr);
        mdlElement_setSymbology(&e, &colour, nullptr, nullptr);
        add(e);
    }
    void text(const char* s, Dpoint3d at, int just, double height) {
        TextSizeParam size{1, {height, height}, 1.0};
        TextParamWide params{};
        params.font = 0;
        params.just = just;
        params.textStyleId = -1;
        MSElement e;
        ASSERT_EQ(mdlText_create(&e, nullptr, s, &at, nullptr, &size, &params, nullptr), 0);
        add(e);
    }
    std::string body(const std::string& file) {
        std::string all = readFile(file);
        return all.substr(all.find("} bind def\n", all.find("/_dtfc")) + 11);
    }
};

TEST_F(PrintTest, ADrawingIsFittedCentredWithTheBackgroundLevelFirstAndTextsOnTheirBaseLines) {
    UInt32 background = 0;
    ASSERT_EQ(mdlLevel_create(&background, nullptr, u"Background", 63), 0);
    /* 100 x 50 into 200 x 200: twice the size, 50 mm above and below. */
    shape(0, 0, 100, 50, 0);
    shape(10, 10, 20, 20, 1, background, 150);  /* a grey fill beneath */
    shape(30, 10, 40, 20, 1);                   /* black on an ordinary level */
    text("MID", {50, 25, 0}, 7, 10);            /* centre centre: down by half its height */
    text("   ", {50, 40, 0}, 7, 10);            /* blanks: nothing */
    std::string file = path("page.ps");
    ASSERT_EQ(zmlibPrint_fopen(file.c_str(), ZMLIB_PRINT_POSTSCRIPT), 1);
    zmlibPrint_printElementDescr(descr, 0, 0, 200, 200);
    zmlibPrint_fclose();

    std::string b = body(file);
    char frame[64], text[80];
    std::snprintf(frame, sizeof frame, "%.2f %.2f moveto\n", 0.0, 50 * PT);
    std::snprintf(text, sizeof text, "%.2f %.2f (MID) %.2f 0.00 _dtfc\n", 100 * PT, (100 - 10) * PT, 1.3 * 20 * PT);
    size_t grey = b.find("0.50 setgray"), outline = b.find(frame), black = b.find("0.00 setgray\n");
    EXPECT_NE(grey, std::string::npos) << b;
    EXPECT_NE(outline, std::string::npos) << b;
    EXPECT_LT(grey, outline); /* the background pass comes first */
    EXPECT_NE(black, std::string::npos);
    EXPECT_NE(b.find(text), std::string::npos) << b;
    EXPECT_EQ(b.find("(   )"), std::string::npos);
    if (haveProgram("gs")) EXPECT_EQ(runGhostscript(file).status, 0);
}

TEST_F(PrintTest, CodesWithoutAWriterAndDrawingsWithoutExtentPrintNothing) {
    double w = 1, h = 2;
    zmlibPrint_getPageSize(&w, &h, 13);
    EXPECT_EQ(w, 1);
    EXPECT_EQ(h, 2);
    EXPECT_EQ(zmlibMain_getGlobalDataP()->printPaperCode, 13);
    zmlibPrint_getPageSize(&w, &h, 12);
    EXPECT_EQ(w, 210);
    EXPECT_EQ(h, 148.5);

    shape(0, 0, 100, 50, 0);
    EXPECT_EQ(zmlibPrint_fopen(path("none.ps").c_str(), 2), 1);
    zmlibPrint_printElementDescr(descr, 0, 0, 200, 200);
    zmlibPrint_newPage();
    zmlibPrint_fclose();
    EXPECT_FALSE(fs::exists(path("none.ps")));

    /* A vertical line scales by its height; a point cannot be scaled at all. */
    mdlElmdscr_freeAll(&descr);
    Dpoint3d up[2] = {{5, 0, 0}, {5, 40, 0}};
    MSElement line;
    ASSERT_EQ(mdlLine_create(&line, nullptr, up), 0);
    add(line);
    std::string file = path("line.ps");
    ASSERT_EQ(zmlibPrint_fopen(file.c_str(), ZMLIB_PRINT_POSTSCRIPT), 1);
    zmlibPrint_printElementDescr(descr, 0, 0, 100, 80);
    char top[64];
    std::snprintf(top, sizeof top, "%.2f %.2f lineto\n", 50 * PT, 80 * PT);
    mdlElmdscr_freeAll(&descr);
    Dpoint3d dot[2] = {{5, 5, 0}, {5, 5, 0}};
    ASSERT_EQ(mdlLine_create(&line, nullptr, dot), 0);
    add(line);
    sim::clearOutputLog();
    zmlibPrint_printElementDescr(descr, 0, 0, 100, 80);
    zmlibPrint_fclose();
    EXPECT_NE(body(file).find(top), std::string::npos) << body(file);
    EXPECT_NE(sim::consoleText().find("nothing to print"), std::string::npos);
}

class PrintCommandTest : public PrintTest {
protected:
    void SetUp() override {
        PrintTest::SetUp();
        sim::defineVariable("_HOST_DRIVE_C", dir + "/c/", CFGVAR_LEVEL_USER);
        fs::create_directories(dir + "/c/bin");
        std::ofstream(dir + "/c/bin/log") << "#!/bin/sh\necho \"$@\" >> \"$(dirname \"$0\")/log.txt\"\n";
        fs::permissions(dir + "/c/bin/log", fs::perms::owner_all, fs::perm_options::add);
    }
    std::vector<std::string> log() {
        std::vector<std::string> lines;
        std::ifstream in(dir + "/c/bin/log.txt");
        for (std::string l; std::getline(in, l);) lines.push_back(l);
        fs::remove(dir + "/c/bin/log.txt");
        return lines;
    }
};

TEST_F(PrintCommandTest, CopiesRepeatTheCommandsUnlessTheTemplateCountsThem) {
    using V = std::vector<std::string>;
    zmlibPrint_sendFileToPrinter("f.ps", "C:\\bin\\log %s", 3);
    EXPECT_EQ(log(), (V{"f.ps", "f.ps", "f.ps"}));
    zmlibPrint_sendFileToPrinter("f.ps", "C:\\bin\\log %s %d %%x", 3);
    EXPECT_EQ(log(), (V{"f.ps 3 %%x"}));
    zmlibPrint_sendFileToPrinter("f.ps", "C:\\bin\\log a %s;C:\\bin\\log b", 2);
    EXPECT_EQ(log(), (V{"a f.ps", "b", "a f.ps", "b"}));

    /* Many "%d" each get room for a whole number; past sixteen commands the rest is said, not run. */
    std::string many;
    for (int i = 0; i < 17; ++i) many += "C:\\bin\\log %d %d %d %d;";
    zmlibPrint_sendFileToPrinter("f.ps", many.c_str(), -2147483647);
    V lines = log();
    ASSERT_EQ(lines.size(), 16u);
    EXPECT_EQ(lines[15], "-2147483647 -2147483647 -2147483647 -2147483647");
    EXPECT_NE(sim::consoleText().find("more than 16 commands"), std::string::npos);

    /* A failing command is reported and the next one still runs. */
    sim::clearOutputLog();
    zmlibPrint_sendFileToPrinter("f.ps", "C:\\bin\\missing %s;C:\\bin\\log after", 1);
    EXPECT_EQ(log(), (V{"after"}));
    EXPECT_NE(sim::consoleText().find("Error executing\nC:\\bin\\missing f.ps\n"), std::string::npos)
        << sim::consoleText();
}

TEST_F(PrintCommandTest, PortsTakeTheFileWhereTheWorkspaceMapsThemAndAFailedCopyIsAnswered) {
    std::ofstream(dir + "/c/page.txt") << "page\n";
    sim::defineVariable("PORT", "C:\\port.txt", CFGVAR_LEVEL_USER);
    EXPECT_EQ(zmlibPrint_sendFileToPrinterPort("C:\\page.txt", "$(PORT)", 2), 0);
    EXPECT_EQ(readFile(dir + "/c/port.txt"), "page\n");
    EXPECT_NE(zmlibPrint_sendFileToPrinterPort("C:\\absent.txt", "$(PORT)", 1), 0);

    /* Printer ports go where the workspace maps them: onto a file's end, or a job each in a folder. */
    sim::defineVariable("_HOST_PORT_LPT1", "C:\\lpt1.prn", CFGVAR_LEVEL_USER);
    sim::defineVariable("_HOST_PORT_LPT2", "C:\\spool\\", CFGVAR_LEVEL_USER);
    fs::create_directories(dir + "/c/spool");
    zmlibPrint_sendFileToPrinter("C:\\page.txt", "LPT1", 2);
    EXPECT_EQ(readFile(dir + "/c/lpt1.prn"), "page\npage\n");
    zmlibPrint_sendFileToPrinter("C:\\page.txt", "LPT2", 2);
    EXPECT_EQ(readFile(dir + "/c/spool/job_0002.prn"), "page\n");
    EXPECT_NE(zmlibPrint_sendFileToPrinterPort("C:\\page.txt", "LPT3", 1), 0);
    EXPECT_FALSE(fs::exists(dir + "/LPT3"));
}

}  // namespace
