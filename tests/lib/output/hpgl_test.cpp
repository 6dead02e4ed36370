#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "lib/output/hpgl.h"
#include "validators.h"
#include "writer_test_util.h"

namespace {

const char HEADER[] = "IN;PU;VS80;IP,603,521,10603,7721;SP1;CS32;\n";

class HpglWriter : public WriterTest {
protected:
    void expectValid(const std::string& file, int pages) {
        if (!haveProgram("hp2xx")) GTEST_SKIP() << "hp2xx is not installed";
        Hp2xxResult r = runHp2xx(file, path("hp2xx"));
        EXPECT_EQ(r.status, 0) << r.output;
        EXPECT_EQ(r.ignored, 0) << r.output;
        EXPECT_EQ(r.unexpected, 0) << r.output;
        EXPECT_EQ(r.pages, pages) << r.output;
    }
};

}  // namespace

TEST_F(HpglWriter, PlotterPositionsAndPolylines) {
    ASSERT_EQ(zmlibHpgl_fopen(path("p.plt").c_str()), 1);
    Dpoint3d points[] = {{10, 1, 0}, {36, 27, 0}, {9.99, 0.99, 0}, {100, 50, 0}};
    zmlibHpgl_drawPolyline(points, 4, 0.35, 0.5);
    zmlibHpgl_drawPolyline(points, 0, 0.35, -1);
    zmlibHpgl_newPage();
    zmlibHpgl_drawPolyline(points + 1, 2, 0.35, -1);
    zmlibHpgl_fclose();
    EXPECT_EQ(readFile(path("p.plt")), std::string(HEADER) +
                                           "PU;PA0,0;PD;PD;PA1000,1000;\nPD;PA0,0;\nPD;PA3461,1884;\n"
                                           "PU;PA0,0;PG;\n"
                                           "PU;PA1000,1000;PD;PD;PA0,0;\n"
                                           "PU;PA0,0;PG;\n");
    expectValid(path("p.plt"), 2);
}

/* Polylines are written in blocks: text between them, a polyline longer
** than a block and the last one before closing must keep their places. */
TEST_F(HpglWriter, PolylinesAndTextsKeepTheirOrderAcrossBlocks) {
    ASSERT_EQ(zmlibHpgl_fopen(path("o.plt").c_str()), 1);
    std::vector<Dpoint3d> longOne(5000);
    std::string expected = HEADER;
    for (size_t i = 0; i < longOne.size(); ++i) {
        longOne[i] = {10.0 + static_cast<double>(i), 1.0 + static_cast<double>(i % 7), 0};
        char line[64];
        int x = static_cast<int>(static_cast<double>(i) * 38.46153846153846);
        int y = static_cast<int>(static_cast<double>(i % 7) * 38.46153846153846);
        std::snprintf(line, sizeof line, i == 0 ? "PU;PA%d,%d;PD;" : "PD;PA%d,%d;\n", x, y);
        expected += line;
    }
    Dpoint3d shortOne[] = {{36, 27, 0}, {10, 1, 0}};
    char text[] = "A";
    zmlibHpgl_drawPolyline(shortOne, 2, 0.35, -1);
    zmlibHpgl_drawText(10, 1, text, 5, 0, 2);
    zmlibHpgl_drawPolyline(longOne.data(), static_cast<int>(longOne.size()), 0.35, -1);
    zmlibHpgl_drawPolyline(shortOne, 2, 0.35, -1);
    zmlibHpgl_fclose();
    expected = std::string(HEADER) + "PU;PA1000,1000;PD;PD;PA0,0;\n" +
               "PU;PA0,0;SI0.15,0.30;DI1.0,0.0;SS;LBA\003\n" + expected.substr(sizeof HEADER - 1) +
               "PU;PA1000,1000;PD;PD;PA0,0;\nPU;PA0,0;PG;\n";
    EXPECT_EQ(readFile(path("o.plt")), expected);
    expectValid(path("o.plt"), 1);
}

TEST_F(HpglWriter, TextsUseNationalReplacementsInTheCallersBuffer) {
    ASSERT_EQ(zmlibHpgl_fopen(path("t.plt").c_str()), 1);
    char text[] = "\xc6r\xf8";
    zmlibHpgl_drawText(36, 27, text, 5, 0, 0);
    EXPECT_STREQ(text, "[r|");
    char all[] = "\xe6\xf8\xe5\xc6\xd8\xc5!";
    zmlibHpgl_drawText(10, 1, all, 10, 90, 1);
    EXPECT_STREQ(all, "{|}[\\]!");
    char left[] = "a\003PG;b"; /* a terminator in the text must not end the label */
    zmlibHpgl_drawText(10, 1, left, 2, 180, 2);
    zmlibHpgl_fclose();
    EXPECT_EQ(readFile(path("t.plt")), std::string(HEADER) +
                                           "PU;PA1000,1000;SI0.15,0.30;DI1.0,0.0;CP-1.50,0;SS;LB[r|\003\n"
                                           "PU;PA0,0;SI0.30,0.60;DI0.0,1.0;CP-7,0;SS;LB{|}[\\]!\003\n"
                                           "PU;PA0,0;SI0.06,0.12;DI-1.0,0.0;SS;LBaPG;b\003\n"
                                           "PU;PA0,0;PG;\n");
    expectValid(path("t.plt"), 1);
}

TEST_F(HpglWriter, OpenFailureAndPositionsFarOffThePaper) {
    EXPECT_EQ(zmlibHpgl_fopen(path("missing/x.plt").c_str()), 0);
    EXPECT_EQ(sim::consoleText(), "zmhpgllib: cannot open " + path("missing/x.plt") + ".\n");
    ASSERT_EQ(zmlibHpgl_fopen(path("far.plt").c_str()), 1);
    Dpoint3d far[] = {{1e300, -1e300, 0}, {0, 0, 0}}, notANumber[] = {{0, 0, 0}, {NAN, 0, 0}};
    zmlibHpgl_drawPolyline(far, 2, 0, -1);
    zmlibHpgl_drawPolyline(notANumber, 2, 0, -1);   /* skipped */
    zmlibHpgl_drawLine(0, 0, 1, 1, 1);
    zmlibHpgl_drawArc(0, 0, 1, 0, 90, 1);
    zmlibHpgl_fillCirc(0, 0, 1, 0, 90, 1);
    zmlibHpgl_fclose();
    EXPECT_EQ(readFile(path("far.plt")),
              std::string(HEADER) + "PU;PA2147483647,-2147483648;PD;PD;PA-384,-38;\nPU;PA0,0;PG;\n");
}
