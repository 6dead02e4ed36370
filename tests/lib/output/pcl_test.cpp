#include <gtest/gtest.h>

#include <string>

#include "lib/output/pcl.h"
#include "validators.h"
#include "writer_test_util.h"

namespace {

const std::string PORTRAIT = "\033E\033&l26a0O\033*c5952x8418Y\033&l0E\033*p0x0Y\033*c0T\033%1BIN;SP1;PA0,0;\n";
const std::string LANDSCAPE = "\033E\033&l26a1O\033*c8418x5952Y\033&l0E\033*p0x0Y\033*c0T\033%1BIN;SP1;PA0,0;\n";
const std::string END = "\033%1A\033E";

class PclWriter : public WriterTest {
protected:
    /* The stream passes the tokenizer; its HP-GL/2 body goes to hp2xx as a loose check. */
    void expectValid(const std::string& text, int pages) {
        PclCheck c = checkPcl(text);
        EXPECT_EQ(c.fault, "");
        EXPECT_EQ(c.pages, pages);
        if (!haveProgram("hp2xx")) return;
        Hp2xxResult r = runHp2xx(writeFile("body.hpgl", c.hpgl), path("hp2xx"));
        EXPECT_EQ(r.status, 0) << r.output;
        EXPECT_EQ(r.unexpected, 0) << r.output;
    }
};

}  // namespace

TEST_F(PclWriter, PageHeadersFollowThePaperOrientation) {
    for (int code : {9, 10, 12, 1}) {
        ASSERT_EQ(zmlibPcl_fopen(path("h.pcl").c_str(), code), 1);
        zmlibPcl_newPage();
        zmlibPcl_fclose();
        const std::string& header = code == 10 || code == 12 ? LANDSCAPE : PORTRAIT;
        std::string text = readFile(path("h.pcl"));
        EXPECT_EQ(text, header + "\033%1A" + header + END) << "paper code " << code;
        expectValid(text, 2);
    }
}

TEST_F(PclWriter, PositionsOutlinesFilledPolygonsAndLineTypes) {
    ASSERT_EQ(zmlibPcl_fopen(path("p.pcl").c_str(), 9), 1);
    Dpoint3d points[] = {{6, 0, 0}, {10.5, 20.01, 0}, {-1, 5, 0}};
    zmlibPcl_drawPolyline(points, 3, 0.35, -1);
    zmlibPcl_drawPolyline(points, 3, 0.5, 0);
    zmlibPcl_drawPolyline(points, 3, 0.5, 0.25);
    zmlibPcl_drawPolylineExtended(points, 2, 0.25, 3, 1.8, -1);
    zmlibPcl_drawPolylineExtended(points, 2, 0.25, 0, 0, -1);
    zmlibPcl_fclose();
    std::string text = readFile(path("p.pcl"));
    EXPECT_EQ(text, PORTRAIT +
                        "PU;PW0.35;PA0,0;PD;PA180,800;\nPD;PA-280,200;\n"
                        "PU;PW0.50;PA0,0;PM0;PD180,800,-280,200,0,0;\nPM2;FT1;FP;"
                        "PU;PW0.50;PA0,0;PM0;PD180,800,-280,200,0,0;\nPM2;FT10,75;FP;"
                        "LT3,1.80;PU;PW0.25;PA0,0;PD;PA180,800;\nLT"
                        "PU;PW0.25;PA0,0;PD;PA180,800;\n" +
                        END);
    PclCheck c = checkPcl(text);
    EXPECT_EQ(c.filledPolygons, 2);
    expectValid(text, 1);
}

TEST_F(PclWriter, FontLineIsSentOnceUntilSizeAngleOrPageChanges) {
    ASSERT_EQ(zmlibPcl_fopen(path("t.pcl").c_str(), 10), 1);
    zmlibPcl_drawText(6, 0, "one", 3.5, 0, 2);
    zmlibPcl_drawText(16, 10, "two", 3.5, 0, 0);
    zmlibPcl_drawText(16, 10, "three", 3.5, 90, 0);
    zmlibPcl_drawText(16, 10, "four\003PG", 3.5, 90, 1);
    zmlibPcl_newPage();
    zmlibPcl_drawText(6, 0, "five", 3.5, 0, 2);
    zmlibPcl_fclose();
    std::string text = readFile(path("t.pcl"));
    EXPECT_EQ(text, LANDSCAPE +
                        "PU;PA0,0;SD1,14,2,1,4,9,5,0,5,-7,7,52;SS;DI1.0,0.0;LBone\003\n"
                        "PU;PA400,400;LO4;LBtwo\003\n"
                        "PU;PA400,400;SD1,14,2,1,4,9,5,0,5,-7,7,52;SS;DI0.0,1.0;LBthree\003\n"
                        "PU;PA400,400;LO7;LBfourPG\003\n"
                        "\033%1A" + LANDSCAPE +
                        "PU;PA0,0;SD1,14,2,1,4,9,5,0,5,-7,7,52;SS;DI1.0,0.0;LBfive\003\n" + END);
    PclCheck c = checkPcl(text);
    EXPECT_EQ(c.labels, 5);
    expectValid(text, 2);
}

TEST_F(PclWriter, TokenizerCatchesBrokenStreams) {
    EXPECT_NE(checkPcl(PORTRAIT + "LBopen label" + END).fault, "");
    EXPECT_NE(checkPcl(PORTRAIT + "PM2;FP;" + END).fault, "");
    EXPECT_NE(checkPcl(PORTRAIT + "PA1.2.3,4;" + END).fault, "");
    EXPECT_NE(checkPcl(PORTRAIT + "\033E").fault, "");
    EXPECT_EQ(checkPcl(PORTRAIT + "PM0;PD1,2;PM2;FP;" + END).fault, "");
}

TEST_F(PclWriter, OpenFailureIsReported) {
    EXPECT_EQ(zmlibPcl_fopen(path("missing/x.pcl").c_str(), 9), 0);
    EXPECT_EQ(sim::consoleText(), "zmlibPcl: cannot open " + path("missing/x.pcl") + ".\n");
    zmlibPcl_drawText(0, 0, "x", 1, 0, 0);
    zmlibPcl_fclose();
}
