#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "host/sim/base/base.h"
#include "lib/output/ascii.h"
#include "lib/library_messages.h"
#include "validators.h"
#include "writer_test_util.h"

namespace {

struct Placed {
    double x, y;
    const char* text;
    double angle = 0;
};

class AsciiWriter : public WriterTest {
protected:
    /* Write TEXTS in the given order and answer the file. */
    std::string layout(const std::vector<Placed>& texts) {
        EXPECT_EQ(zmlibAscii_fopen(path("a.txt").c_str()), 1);
        for (const Placed& t : texts) {
            Dpoint3d outline[5] = {{t.x, t.y, 0}, {t.x + 5, t.y, 0}, {t.x + 5, t.y + 2, 0}, {t.x, t.y + 2, 0}, {t.x, t.y, 0}};
            zmlibAscii_drawText(outline, t.text, 2.5, 1, 2, t.angle, 2);
        }
        zmlibAscii_newPage();
        zmlibAscii_fclose();
        return readFile(path("a.txt"));
    }
};

}  // namespace

TEST_F(AsciiWriter, TextsWithinTwoUnitsShareALineInXOrder) {
    EXPECT_EQ(layout({{30, 99, "B"}, {0, 100, "A"}}), "A" + std::string(24, ' ') + "B\n");
    EXPECT_EQ(layout({{0, 98, "B"}, {0.5, 100, "A"}}), "AB\n");  /* gap 2 is one line, higher first */
    EXPECT_EQ(layout({{0, 99, "B"}, {0.5, 100, "A"}}), "BA\n");  /* x less than 1 apart compare equal */
    EXPECT_EQ(layout({{12, 98, "B"}, {0, 100, "A"}}), "A         B\n"); /* column 10 */
}

TEST_F(AsciiWriter, LineGapsGiveNewlinesByHalfTheDistance) {
    EXPECT_EQ(layout({{0, 96, "B"}, {0, 100, "A"}}), "A\nB\n");
    EXPECT_EQ(layout({{0, 95, "B"}, {0, 100, "A"}}), "A\n\nB\n");
    EXPECT_EQ(layout({{0, 90, "C"}, {12, 95, "B"}, {0, 100, "A"}}), "A\n\n          B\n\nC\n");
    EXPECT_EQ(layout({}), "\n");
}

TEST_F(AsciiWriter, SlantedTextsAreLeftOutAndColumnsNeverGoBack) {
    EXPECT_EQ(layout({{0, 100, "long text"}, {2.4, 100, "x"}, {20, 100, "slanted", 1.5}, {20, 100, "ok", -1.0}}),
              "long textx      ok\n");
}

TEST_F(AsciiWriter, TextsFarOffThePageStandAtItsEdge) {
    std::string far = layout({{0, 0, "A"}, {1e15, -1e15, "B"}});
    EXPECT_EQ(far, "A" + std::string(4000, '\n') + std::string(4000, ' ') + "B\n");
}

using AsciiMemory = LibraryMessagesTest;

TEST_F(AsciiMemory, RefusedMemoryDropsOnlyThatTextAfterAMessage) {
    sim::CurrentApplicationScope scope(app);
    std::string file = path("m.txt");
    ASSERT_EQ(zmlibAscii_fopen(file.c_str()), 1);
    Dpoint3d outline[5] = {};
    sim::failAllocations(1);
    zmlibAscii_drawText(outline, "lost", 1, 0, 0, 0, 0);
    sim::failAllocations(0);
    EXPECT_EQ(shown, std::vector<std::string>{"no memory"});
    for (int i = 0; i < 16; ++i) zmlibAscii_drawText(outline, "k", 1, 0, 0, 0, 0);
    sim::failAllocations(1, 1); /* the record array cannot grow: the text is dropped, not leaked */
    zmlibAscii_drawText(outline, "also lost", 1, 0, 0, 0, 0);
    EXPECT_EQ(sim::failedAllocations(), 1);
    sim::failAllocations(0);
    zmlibAscii_drawText(outline, "!", 1, 0, 0, 0, 0);
    zmlibAscii_fclose();
    EXPECT_EQ(readFile(file), std::string(16, 'k') + "!\n");
}

TEST_F(AsciiWriter, OpenFailureIsReported) {
    EXPECT_EQ(zmlibAscii_fopen(path("missing/x.txt").c_str()), 0);
    EXPECT_EQ(sim::consoleText(), "zmlibAscii: cannot open " + path("missing/x.txt") + ".\n");
    Dpoint3d outline[5] = {};
    zmlibAscii_drawText(outline, "x", 1, 0, 0, 0, 0);
    zmlibAscii_fclose();
}
