#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "lib/output/hpgl.h"
#include "lib/output/pcl.h"
#include "lib/output/ps.h"
#include "validators.h"
#include "writer_test_util.h"

namespace {

class PsWriter : public WriterTest {
protected:
    /* The file must pass Ghostscript with one bounding box per page. */
    void expectValid(const std::string& file, int pages) {
        if (!haveProgram("gs")) GTEST_SKIP() << "Ghostscript is not installed";
        GhostscriptResult r = runGhostscript(file);
        EXPECT_EQ(r.status, 0) << r.output;
        EXPECT_EQ(r.pages, pages) << r.output;
    }
    /* What the writer put after the prologue. */
    static std::string body(const std::string& text) {
        size_t at = text.find("} bind def\n/_dtfr");
        at = text.find("} bind def\n", text.find("/_dtfc"));
        return text.substr(at + 11);
    }
};

}  // namespace

TEST_F(PsWriter, PrologueHasItsLinesInOrderAndAnEmptyFileIsOnePage) {
    ASSERT_EQ(zmlibPs_fopen(path("p.ps").c_str()), 1);
    zmlibPs_fclose();
    std::string text = readFile(path("p.ps"));
    std::vector<std::string> lines;
    for (size_t at = 0, nl; (nl = text.find('\n', at)) != std::string::npos; at = nl + 1)
        lines.push_back(text.substr(at, nl - at));
    ASSERT_EQ(lines.size(), 108u);
    EXPECT_EQ(lines[0], "%!PS-Adobe");
    EXPECT_EQ(lines[28], " /scandvec [");
    EXPECT_EQ(lines[42], "   8#251 /copyright");
    EXPECT_EQ(lines[44], "/Helvetica /Helvetica-Norsk scandvec");
    EXPECT_EQ(lines[85], "  exch neg exch rmoveto");
    EXPECT_EQ(lines[102], "  exch neg 2 div exch rmoveto");
    EXPECT_EQ(lines[106], "} bind def");
    EXPECT_EQ(lines[107], "showpage");
    expectValid(path("p.ps"), 1);
}

TEST_F(PsWriter, PolylinesStrokeOrFillWithGreyAndDash) {
    ASSERT_EQ(zmlibPs_fopen(path("l.ps").c_str()), 1);
    Dpoint3d square[] = {{10, 20, 0}, {50, 20, 0}, {50, 60, 5}, {10, 60, 0}};
    zmlibPs_drawPolyline(square, 4, 0.35, -1.0);
    zmlibPs_drawPolyline(square, 4, 0.35, 0.5);
    zmlibPs_drawPolylineExtended(square, 2, 0.5, "5.76 3.6", -1.0);
    zmlibPs_drawPolylineExtended(square, 2, 0.5, "", 0.0);
    zmlibPs_drawPolyline(square, 0, 0.35, -1.0); /* nothing to draw */
    zmlibPs_drawPolyline(nullptr, 3, 0.35, -1.0);
    zmlibPs_fclose();
    EXPECT_EQ(body(readFile(path("l.ps"))),
              "0.99 setlinewidth\n28.35 56.69 moveto\n141.73 56.69 lineto\n141.73 170.08 lineto\n"
              "28.35 170.08 lineto\nstroke\n"
              "0.50 setgray\n0.99 setlinewidth\n28.35 56.69 moveto\n141.73 56.69 lineto\n141.73 170.08 lineto\n"
              "28.35 170.08 lineto\nclosepath fill\n0.00 setgray\n"
              "[5.76 3.6] 0 setdash\n1.42 setlinewidth\n28.35 56.69 moveto\n141.73 56.69 lineto\nstroke\n"
              "[] 0 setdash\n0.00 setgray\n1.42 setlinewidth\n28.35 56.69 moveto\n141.73 56.69 lineto\n"
              "closepath fill\n0.00 setgray\n"
              "showpage\n");
    expectValid(path("l.ps"), 1);
}

TEST_F(PsWriter, TextsEscapeBackslashesAndParenthesesAndPickTheAlignment) {
    ASSERT_EQ(zmlibPs_fopen(path("t.ps").c_str()), 1);
    zmlibPs_drawText(10, 20, "a\\b", 3.5, 30, 0);
    zmlibPs_drawText(10, 20, "(unbalanced", 3.5, 0, 1);
    zmlibPs_drawText(10, 20, "x) y\\)", 3.5, 0, 2);
    zmlibPs_drawText(10, 20, "\xe6\xf8\xe5 plain", 2, -90, 7);
    zmlibPs_fclose();
    EXPECT_EQ(body(readFile(path("t.ps"))),
              "28.35 56.69 (a\\\\b) 9.92 30.00 _dtfc\n"
              "28.35 56.69 (\\(unbalanced) 9.92 0.00 _dtfr\n"
              "28.35 56.69 (x\\) y\\\\\\)) 9.92 0.00 _dtfl\n"
              "28.35 56.69 (\xe6\xf8\xe5 plain) 5.67 -90.00 _dtfl\n"
              "showpage\n");
    expectValid(path("t.ps"), 1);
}

TEST_F(PsWriter, TextsLongerThanAnyBufferAreWrittenWhole) {
    std::string text(200000, '\\');
    text += "(end";
    ASSERT_EQ(zmlibPs_fopen(path("long.ps").c_str()), 1);
    zmlibPs_drawText(1, 1, text.c_str(), 1, 0, 2);
    zmlibPs_drawText(1, 1, nullptr, 1, 0, 2);
    zmlibPs_fclose();
    std::string written = readFile(path("long.ps"));
    EXPECT_NE(written.find("(" + std::string(400000, '\\') + "\\(end)"), std::string::npos);
    EXPECT_NE(written.find("() 2.83 0.00 _dtfl"), std::string::npos);
    expectValid(path("long.ps"), 1);
}

TEST_F(PsWriter, LinesArcsSectorsAndPages) {
    ASSERT_EQ(zmlibPs_fopen(path("a.ps").c_str()), 1);
    zmlibPs_drawLine(0.0f, 0.0f, 100.0f, 50.0f, 0.25f);
    zmlibPs_drawArc(50, 50, 10, 90, 180, 0.5);
    zmlibPs_newPage();
    zmlibPs_fillCirc(50, 50, 10, 0, 360, 0.8);
    zmlibPs_newPage();
    zmlibPs_fclose();
    EXPECT_EQ(body(readFile(path("a.ps"))),
              "0.00 0.00 283.46 141.73 0.71 _dl\n"
              "1.42 setlinewidth\n141.73 170.08 moveto\n141.73 141.73 28.35 90.00 180.00 arc\nstroke\n"
              "showpage\n"
              "0.80 setgray\n141.73 141.73 moveto\n141.73 141.73 28.35 0.00 360.00 arc\nclosepath fill\n"
              "0.00 setgray\nshowpage\nshowpage\n");
    expectValid(path("a.ps"), 3);
}

TEST_F(PsWriter, IncludesEpsFilesByteForByteAndRefusesMissingOnes) {
    std::string eps = "%!PS-Adobe-3.0 EPSF-3.0\n%%BoundingBox: 0 0 10 10\n0 0 moveto 10 10 lineto stroke\nshowpage\n";
    eps += std::string("\0\x01\xff", 3); /* binary bytes pass unchanged */
    eps += "\n";
    { std::ofstream(path("in.eps"), std::ios::binary) << eps; }
    ASSERT_EQ(zmlibPs_fopen(path("e.ps").c_str()), 1);
    EXPECT_EQ(zmlibPs_includeEPSFile(path("in.eps").c_str(), 1.5, 2, 10, 20, 45), 1);
    std::string before = readFile(path("e.ps"));
    EXPECT_EQ(zmlibPs_includeEPSFile(path("missing.eps").c_str(), 1, 1, 0, 0, 0), 0);
    EXPECT_EQ(sim::consoleText(), "zmpslib: unable to load " + path("missing.eps") + ".\n");
    /* A folder and a file that is not EPS are refused, and so is a place that is not a number. */
    { std::ofstream(path("photo.png"), std::ios::binary) << "\x89PNG\r\n\x1a\n"; }
    EXPECT_EQ(zmlibPs_includeEPSFile(path("").c_str(), 1, 1, 0, 0, 0), 0);
    EXPECT_EQ(zmlibPs_includeEPSFile(path("photo.png").c_str(), 1, 1, 0, 0, 0), 0);
    EXPECT_EQ(zmlibPs_includeEPSFile(path("in.eps").c_str(), 1, 1, NAN, 0, 0), 0);
    EXPECT_NE(sim::consoleText().find("zmpslib: " + path("photo.png") + " is not an EPS file to place there.\n"),
              std::string::npos);
    EXPECT_EQ(readFile(path("e.ps")), before);
    zmlibPs_fclose();
    std::string b = body(readFile(path("e.ps")));
    EXPECT_EQ(b, "/EPSsave save def\n/showpage {} def\n28.35 56.69 translate 1.500 2.000 scale 45.00 rotate\n"
                 "% begin included EPS file\n" + eps + "% end included EPS file\nEPSsave restore\nshowpage\n");
}

TEST_F(PsWriter, OpenFailureIsReportedAndLaterCallsWriteNothing) {
    EXPECT_EQ(zmlibPs_fopen(path("no/such/dir/x.ps").c_str()), 0);
    EXPECT_EQ(sim::consoleText(), "zmpslib: cannot open " + path("no/such/dir/x.ps") + ".\n");
    Dpoint3d p[] = {{0, 0, 0}, {1, 1, 0}};
    zmlibPs_drawPolyline(p, 2, 1, -1);
    zmlibPs_drawText(0, 0, "x", 1, 0, 0);
    zmlibPs_newPage();
    zmlibPs_fclose();
    EXPECT_FALSE(fs::exists(path("no/such/dir/x.ps")));
}

TEST_F(PsWriter, ElementsWithCoordinatesThatAreNotNumbersAreSkippedByEveryWriter) {
    const Dpoint3d bad[2] = {{0, 0, 0}, {NAN, 1, 0}}, good[2] = {{0, 0, 0}, {1, 1, 0}};
    char text[] = "T";
    ASSERT_EQ(zmlibPs_fopen(path("n.ps").c_str()), 1);
    zmlibPs_drawPolyline(bad, 2, 0.25, -1);
    zmlibPs_drawText(INFINITY, 0, text, 2.5, 0, 0);
    zmlibPs_drawArc(0, 0, NAN, 0, 90, 0.25);
    zmlibPs_drawPolyline(good, 2, 0.25, -1);
    zmlibPs_fclose();
    ASSERT_EQ(zmlibPcl_fopen(path("n.pcl").c_str(), 0), 1);
    zmlibPcl_drawPolyline(bad, 2, 0.25, -1);
    zmlibPcl_drawText(0, NAN, text, 2.5, 0, 0);
    zmlibPcl_fclose();
    ASSERT_EQ(zmlibHpgl_fopen(path("n.plt").c_str()), 1);
    zmlibHpgl_drawPolyline(bad, 2, 0.25, -1);
    zmlibHpgl_drawText(0, 0, text, NAN, 0, 0);
    zmlibHpgl_fclose();
    for (const char* name : {"n.ps", "n.pcl", "n.plt"}) {
        std::string written = readFile(path(name));
        EXPECT_EQ(written.find("nan"), std::string::npos) << name;
        EXPECT_EQ(written.find("inf"), std::string::npos) << name;
    }
    EXPECT_NE(readFile(path("n.ps")).find("lineto"), std::string::npos);
    std::string console = sim::consoleText();
    for (const char* writer : {"zmpslib", "zmlibPcl", "zmhpgllib"})
        EXPECT_NE(console.find(std::string(writer) + ": an element with a coordinate that is not a number is skipped."),
                  std::string::npos)
            << console;
}
