/* Plotting: plot driver files read strictly, the fence made from a shape,
** and the fence's area drawn on the chosen paper as a PDF that an
** independent reader opens with the right page size and count. */
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <utility>
#include <filesystem>
#include <fstream>
#include <string>

#include "design_fixture.h"
#include "host/mdlelement.h"
#include "host/mdlplot.h"
#include "host/mdlsystem.h"
#include "host/sim/base/base.h"
#include "host/sim/output/output.h"
#include "host/sim/system/system.h"

namespace fs = std::filesystem;

namespace {

TEST(PlotDriverFile, KnownKeysAreReadAndAnythingElseIsRefusedWithItsLine) {
    sim::plot::Driver d;
    std::string error;
    ASSERT_TRUE(sim::plot::parseDriver("# office\nname = Office PDF\nprinter = PDF writer\n"
                                       "paper A4 = 210 297\npaper A3 = 297 420  # landscape below\n"
                                       "to_printer = 0\nto_named_file = 1\nfile = C:\\plots\\x.pdf\n"
                                       "extension = pdf\nspool = C:\\spool\\\n",
                                       d, error)) << error;
    EXPECT_EQ(d.printer, "PDF writer");
    ASSERT_EQ(d.papers.size(), 2u);
    EXPECT_EQ(d.papers[1].name, "a3");
    EXPECT_EQ(d.papers[1].height, 420);
    EXPECT_EQ(d.toNamedFile, 1);
    EXPECT_EQ(d.spool, "C:\\spool\\");

    const std::pair<std::string, const char*> bad[] = {
        {"paper A4 = 210\n", "line 1: a paper size"},
        {"\npaper A4 = 210 -297\n", "line 2: a paper size"},
        {"paper A4 = 1e400 297\n", "line 1: a paper size"},
        {"paper A4 = 210 297\npaper a4 = 1 1\n", "line 2: paper a4 is given twice"},
        {"to_printer = yes\n", "line 1: to_printer is 0 or 1"},
        {"colour = red\n", "line 1: unknown key colour"},
        {"just a line\n", "line 1: KEY = VALUE expected"},
        {std::string("name = a\0b\n", 11), "line 1: a NUL byte"},
    };
    for (const auto& [text, why] : bad) {
        sim::plot::Driver untouched;
        untouched.name = "kept";
        EXPECT_FALSE(sim::plot::parseDriver(text, untouched, error)) << text;
        EXPECT_EQ(error.rfind(why, 0), 0u) << error;
        EXPECT_EQ(untouched.name, "kept");
    }
    /* Without papers the driver has A4. */
    ASSERT_TRUE(sim::plot::parseDriver("name = bare\n", d, error));
    ASSERT_EQ(d.papers.size(), 1u);
    EXPECT_EQ(d.papers[0].width, 210);
}

class PlotTest : public DesignTest {
protected:
    void SetUp() override {
        DesignTest::SetUp();
        openFile("route.design");
        sim::defineVariable("_HOST_DRIVE_C", dir + "/c/", CFGVAR_LEVEL_USER);
        sim::defineVariable("MS_PLTR", dir + "/c/plt/", CFGVAR_LEVEL_USER);
        fs::create_directories(dir + "/c/plt");
        fs::create_directories(dir + "/c/spool");
        std::ofstream(dir + "/c/plt/office.plt") << "name = Office\nprinter = PDF writer\npaper A4 = 210 297\n"
                                                    "paper A3 = 420 297\nspool = C:\\spool\\\n";
    }
    void TearDown() override {
        if (desc) mdlPlotDesc_destroy(&desc);
        sim::design::close();
        DesignTest::TearDown();
    }
    void addLine(double x0, double y0, double x1, double y1) {
        Dpoint3d p[2] = {{x0, y0, 0}, {x1, y1, 0}};
        MSElement e;
        ASSERT_EQ(mdlLine_create(&e, nullptr, p), 0);
        ASSERT_NE(mdlElement_add(&e), 0u);
    }
    /* The page count and the first page's size in points, as pdfinfo reads them. */
    static std::string pdfinfo(const std::string& file) {
        std::string out;
        FILE* p = ::popen(("pdfinfo '" + file + "' 2>&1").c_str(), "r");
        if (!p) return out;
        char buf[512];
        while (std::fgets(buf, sizeof buf, p)) {
            std::string line = buf;
            if (line.rfind("Pages:", 0) == 0 || line.rfind("Page size:", 0) == 0) out += line;
        }
        ::pclose(p);
        return out;
    }
    PlotDesc* desc = nullptr;
};

TEST_F(PlotTest, TheFenceIsPlottedOnTheChosenPaperOnePagePerCopyOrSpooledForTheSystemPrinter) {
    addLine(0, 0, 100000, 50000);
    addLine(0, 50000, 100000, 0);
    EXPECT_NE(mdlPlotDesc_createFromTCBAndPltFile(&desc, "absent"), 0);
    EXPECT_EQ(desc, nullptr);
    ASSERT_EQ(mdlPlotDesc_createFromTCBAndPltFile(&desc, "office"), 0);
    char printer[64];
    ASSERT_EQ(mdlPlotDesc_getSysPrinter(printer, sizeof printer, desc), 0);
    EXPECT_STREQ(printer, "PDF writer");
    int toPrinter = -1;
    ASSERT_EQ(mdlPlotDesc_getInteger(&toPrinter, desc, PLOTDESC_INT_TO_PRINTER), 0);
    EXPECT_EQ(toPrinter, 0);
    char extension[8];
    ASSERT_EQ(mdlPlotDesc_getString(extension, sizeof extension, desc, PLOTDESC_STRING_EXTENSION), 0);
    EXPECT_STREQ(extension, "pdf");

    /* Nothing to plot without a fence; a line is no fence. */
    EXPECT_NE(mdlPlotDesc_setFenceFromTCB(desc), 0);
    EXPECT_NE(mdlPlotDesc_plot(desc, "C:\\out.pdf"), 0);
    Dpoint3d box[5] = {{0, 0, 0}, {100000, 0, 0}, {100000, 50000, 0}, {0, 50000, 0}, {0, 0, 0}};
    MSElement shape;
    ASSERT_EQ(mdlShape_create(&shape, nullptr, box, 5, 0), 0);
    ASSERT_EQ(mdlFence_fromShape(&shape), 0);
    ASSERT_EQ(mdlPlotDesc_setFenceFromTCB(desc), 0);
    EXPECT_NE(mdlPlotDesc_setPaperSize(desc, "B5"), 0);
    ASSERT_EQ(mdlPlotDesc_setPaperSize(desc, "a3"), 0);
    ASSERT_EQ(mdlPlotDesc_maximize(desc), 0);
    ASSERT_EQ(mdlPlotDesc_setNumCopies(desc, 2), 0);
    ASSERT_EQ(mdlPlotDesc_plot(desc, "C:\\out.pdf"), 0);
    ASSERT_TRUE(fs::exists(dir + "/c/out.pdf"));
    if (std::system("command -v pdfinfo >/dev/null") != 0) GTEST_SKIP() << "pdfinfo is not installed";
    std::string info = pdfinfo(dir + "/c/out.pdf");
    EXPECT_NE(info.find("Pages:           2"), std::string::npos) << info;
    EXPECT_NE(info.find("1190.55 x 841.89 pts"), std::string::npos) << info;

    /* The system printer takes it as a job of its own in its spool folder. */
    ASSERT_EQ(mdlPlotDesc_setNumCopies(desc, 1), 0);
    ASSERT_EQ(mdlPlotDesc_plot(desc, nullptr), 0);
    ASSERT_EQ(mdlPlotDesc_plot(desc, ""), 0);
    EXPECT_NE(pdfinfo(dir + "/c/spool/route_0001.pdf").find("Pages:           1"), std::string::npos);
    EXPECT_TRUE(fs::exists(dir + "/c/spool/route_0002.pdf"));
    mdlFence_clear(0);
    EXPECT_FALSE(mdlFence_isFenceActive());
}

}  // namespace
