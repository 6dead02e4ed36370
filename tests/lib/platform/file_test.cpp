#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "host/mdlsystem.h"
#include "host/sim/base/base.h"
#include "lib/platform/file.h"
#include "lib/library_messages.h"

namespace fs = std::filesystem;

namespace {

class TextFiles : public LibraryMessagesTest {
protected:
    sim::CurrentApplicationScope* scope = nullptr;
    void SetUp() override {
        LibraryMessagesTest::SetUp();
        scope = new sim::CurrentApplicationScope(app);
    }
    void TearDown() override {
        delete scope;
        LibraryMessagesTest::TearDown();
    }
    /* Every logical line of FILE (closing it), with the counts read answered. */
    static std::vector<std::string> readAll(ZmTextFile* file, std::vector<int>* counts = nullptr, int size = 256) {
        std::vector<std::string> lines;
        std::vector<char> buffer(static_cast<size_t>(size));
        int n;
        while ((n = zmlibFile_read(buffer.data(), file, size)) != 0) {
            if (counts) counts->push_back(n);
            lines.push_back(n > 0 ? std::string(buffer.data()) : "<error>");
        }
        zmlibFile_close(file);
        return lines;
    }
    /* The message boxes shown so far. */
    const std::vector<std::string>& messages() const { return shown; }
};

using Lines = std::vector<std::string>;

}  // namespace

TEST_F(TextFiles, CommentsAndBlankLinesAloneGiveNoLine) {
    std::string f = writeFile("c.cfg", "# one\n\n   \n\t \t\n# two\n");
    ZmTextFile* file = zmlibFile_open(f.c_str(), "r");
    ASSERT_NE(file, nullptr);
    char buffer[64] = "unchanged";
    EXPECT_EQ(zmlibFile_read(buffer, file, sizeof buffer), 0);
    EXPECT_STREQ(buffer, "");
    EXPECT_EQ(zmlibFile_close(file), 0);
}

TEST_F(TextFiles, ContinuationJoinsWithOneSpaceAndKeepsLeadingBlanks) {
    std::string f = writeFile("k.cfg", "a \\\n  b\n# c\nx\\  \t\n\n#skipped\ny\nlast \\");
    std::vector<int> counts;
    EXPECT_EQ(readAll(zmlibFile_open(f.c_str(), "r"), &counts), (Lines{"a   b", "x y", "last "}));
    /* The count includes the comment and blank lines read on the way. */
    EXPECT_EQ(counts, (std::vector<int>{2, 5, 1}));
    std::string g = writeFile("crlf.cfg", "one \\\r\ntwo\r\nno newline at the end");
    EXPECT_EQ(readAll(zmlibFile_open(g.c_str(), "r")), (Lines{"one two", "no newline at the end"}));
}

TEST_F(TextFiles, OwnContinuationAndCommentCharacters) {
    std::string f = writeFile("o.cfg", "; note\nA &\nB\n#kept\n");
    ZmTextFile* file = zmlibFile_openExtended(f.c_str(), "r", "&", ";", 64);
    EXPECT_EQ(readAll(file), (Lines{"A B", "#kept"}));
}

TEST_F(TextFiles, IncludesNestDepthFirstRelativeToTheIncludingFile) {
    std::string main = writeFile("main.cfg", "1\n%include sub/inc1.cfg\n5\n");
    writeFile("sub/inc1.cfg", "2\n%include  inc2.cfg \n%include\tspa ced.cfg\r\n4\n");
    writeFile("sub/inc2.cfg", "3\n");
    /* Blanks anywhere in an include name are removed, as are tabs and a CR line end. */
    writeFile("sub/spaced.cfg", "3b\n");
    EXPECT_EQ(readAll(zmlibFile_open(main.c_str(), "r")), (Lines{"1", "2", "3", "3b", "4", "5"}));
    EXPECT_EQ(messages(), Lines{});
}

TEST_F(TextFiles, IncludeNamesExpandConfigurationVariables) {
    writeFile("vars/inc.cfg", "from variable\n");
    ASSERT_EQ(mdlSystem_defineCfgVar("ZMTEST_INCLUDES", path("vars/").c_str(), CFGVAR_LEVEL_USER), 0);
    std::string main = writeFile("main.cfg", "%include $(ZMTEST_INCLUDES)inc.cfg\nafter\n");
    EXPECT_EQ(readAll(zmlibFile_open(main.c_str(), "r")), (Lines{"from variable", "after"}));
    mdlSystem_defineCfgVar("ZMTEST_INCLUDES", nullptr, CFGVAR_LEVEL_USER);
}

TEST_F(TextFiles, MissingIncludesAreSkippedWithOrWithoutAMessage) {
    std::string main = writeFile("main.cfg", "a\n%include gone.cfg\nb\n%if exist include gone2.cfg\nc\n");
    EXPECT_EQ(readAll(zmlibFile_open(main.c_str(), "r")), (Lines{"a", "b", "c"}));
    EXPECT_EQ(messages(), Lines{"open " + path("gone.cfg")});
}

TEST_F(TextFiles, AnIncludeBackToAnOpenFileIsRefused) {
    std::string a = writeFile("a.cfg", "a1\n%include b.cfg\na2\n");
    writeFile("b.cfg", "b1\n%include ./A.CFG\n%include b.cfg\nb2\n");
    EXPECT_EQ(readAll(zmlibFile_open(a.c_str(), "r")), (Lines{"a1", "b1", "b2", "a2"}));
    {
        Lines shown = messages();
        ASSERT_EQ(shown.size(), 2u);
        EXPECT_EQ(shown[1], "open " + path("b.cfg"));
    }
}

TEST_F(TextFiles, LongNamesAndDeepChainsAreRefusedAtTheirInclude) {
    /* A 306-character path that includes itself. */
    std::string folder = std::string(160, 'd') + "/" + std::string(120, 'e');
    std::string self = path(folder + "/self.cfg");
    writeFile(folder + "/self.cfg", "s1\n%include " + self + "\ns2\n");
    ASSERT_GT(self.size(), 300u);
    EXPECT_EQ(readAll(zmlibFile_open(self.c_str(), "r"), nullptr, 1024), (Lines{"s1", "s2"}));
    ASSERT_EQ(messages().size(), 1u);
    /* A chain of distinct files stops at 32 open at once. */
    for (int i = 0; i < 40; ++i)
        writeFile("n" + std::to_string(i) + ".cfg", std::to_string(i) + "\n%include n" + std::to_string(i + 1) + ".cfg\n");
    Lines lines = readAll(zmlibFile_open(path("n0.cfg").c_str(), "r"));
    EXPECT_EQ(lines.size(), 32u);
    ASSERT_EQ(messages().size(), 2u);
    EXPECT_EQ(messages()[1], "open " + path("n32.cfg"));
}

TEST_F(TextFiles, PhysicalLinesFollowIncludesAndRewindStartsOver) {
    std::string main = writeFile("main.cfg", "x\n%include inc.cfg\n%include missing.cfg\ny");
    writeFile("inc.cfg", "i1\ni2\n");
    ZmTextFile* file = zmlibFile_open(main.c_str(), "r");
    ASSERT_NE(file, nullptr);
    EXPECT_STREQ(zmlibFile_fgets(nullptr, 0, file), "x\n");
    EXPECT_STREQ(zmlibFile_fgets(nullptr, 0, file), "i1\n");
    ASSERT_NE(file->child, nullptr);
    EXPECT_EQ(file->child->parent, file);
    EXPECT_EQ(file->child->buffer, file->buffer);
    EXPECT_EQ(file->child->included, 1);
    zmlibFile_rewind(file);
    EXPECT_EQ(file->child, nullptr);
    std::vector<std::string> physical;
    while (char* line = zmlibFile_fgets(nullptr, 0, file)) physical.push_back(line);
    EXPECT_EQ(physical, (Lines{"x\n", "i1\n", "i2\n", "#include missing.cfg\n", "y"}));
    EXPECT_EQ(zmlibFile_close(file), 0);
}

TEST_F(TextFiles, LinesThatDoNotFitAreRejectedWithoutOverflow) {
    std::string f = writeFile("s.cfg", "abcd\nabcde\nab \\\ncd\nnext\nz\n");
    ZmTextFile* file = zmlibFile_open(f.c_str(), "r");
    char buffer[6];
    EXPECT_EQ(zmlibFile_read(buffer, file, 6), 1);
    EXPECT_STREQ(buffer, "abcd");
    EXPECT_EQ(zmlibFile_read(buffer, file, 6), -1); /* "abcde\n" exactly fills the destination */
    EXPECT_EQ(zmlibFile_read(buffer, file, 6), -1); /* the continued line grows past it */
    EXPECT_EQ(zmlibFile_read(buffer, file, 6), 1);
    EXPECT_STREQ(buffer, "next");
    EXPECT_EQ(zmlibFile_read(buffer, file, 0), -1);
    EXPECT_EQ(zmlibFile_read(buffer, file, 6), 0);
    zmlibFile_close(file);
    EXPECT_EQ(messages(), (Lines{"longer than 6", "longer than 6", "longer than 0"}));

    /* A last line without a line feed needs room for its text and terminator only. */
    f = writeFile("last.cfg", "abcd");
    file = zmlibFile_open(f.c_str(), "r");
    EXPECT_EQ(zmlibFile_read(buffer, file, 5), 1);
    EXPECT_STREQ(buffer, "abcd");
    zmlibFile_close(file);
    file = zmlibFile_open(f.c_str(), "r");
    EXPECT_EQ(zmlibFile_read(buffer, file, 4), -1);
    zmlibFile_close(file);
}

TEST_F(TextFiles, PhysicalLinesLongerThanTheLineBufferAreRejectedWhole) {
    std::string f = writeFile("l.cfg", std::string(100, 'x') + "\nshort\n%include " + std::string(50, 'n') + "\nend\n");
    ZmTextFile* file = zmlibFile_openExtended(f.c_str(), "r", "\\", "#", 16);
    ASSERT_NE(file, nullptr);
    char buffer[256];
    EXPECT_EQ(zmlibFile_read(buffer, file, sizeof buffer), -1);
    EXPECT_EQ(zmlibFile_read(buffer, file, sizeof buffer), 1);
    EXPECT_STREQ(buffer, "short");
    EXPECT_EQ(zmlibFile_read(buffer, file, sizeof buffer), 2); /* the cut include line is skipped */
    EXPECT_STREQ(buffer, "end");
    zmlibFile_close(file);
    EXPECT_EQ(messages().front(), "longer than 16");

    /* A NUL byte is said as what it is, not as a long line; the next line still reads. */
    f = writeFile("n.cfg", std::string("ab\0cd\nnext\n", 10));
    file = zmlibFile_openExtended(f.c_str(), "r", "\\", "#", 16);
    EXPECT_EQ(zmlibFile_read(buffer, file, sizeof buffer), -1);
    EXPECT_EQ(zmlibFile_read(buffer, file, sizeof buffer), 1);
    EXPECT_STREQ(buffer, "next");
    zmlibFile_close(file);
    EXPECT_EQ(messages().back(), "NUL in " + f);
}

TEST_F(TextFiles, Read2SplitsTheCommentPart) {
    std::string f = writeFile("r2.cfg", "key value ; the note\n;only a note\nlong \\;first\n  tail;second\nplain\n");
    ZmTextFile* file = zmlibFile_open(f.c_str(), "r");
    char data[64], comment[64];
    EXPECT_EQ(zmlibFile_read2(data, comment, file, sizeof data), 1);
    EXPECT_STREQ(data, "key value");
    EXPECT_STREQ(comment, " the note");
    EXPECT_EQ(zmlibFile_read2(data, comment, file, sizeof data), 3);
    EXPECT_STREQ(data, "long   tail");
    EXPECT_STREQ(comment, "second");
    EXPECT_EQ(zmlibFile_read2(data, comment, file, sizeof data), 1);
    EXPECT_STREQ(data, "plain");
    EXPECT_STREQ(comment, "");
    EXPECT_EQ(zmlibFile_read2(data, comment, file, sizeof data), 0);
    zmlibFile_close(file);
    /* A comment longer than the buffer is cut to its size. */
    std::string g = writeFile("r3.cfg", "v;" + std::string(100, 'c') + "\n");
    file = zmlibFile_open(g.c_str(), "r");
    char small[8], smallComment[8];
    EXPECT_EQ(zmlibFile_read2(small, smallComment, file, sizeof small), 1);
    EXPECT_STREQ(smallComment, "ccccccc");
    zmlibFile_close(file);
}

TEST_F(TextFiles, OpenRefusesBadModesMissingFilesAndMissingMemory) {
    std::string f = writeFile("m.cfg", "x\n");
    EXPECT_EQ(zmlibFile_open(f.c_str(), "R"), nullptr);
    EXPECT_EQ(zmlibFile_open(f.c_str(), "rb"), nullptr);
    EXPECT_EQ(zmlibFile_open(path("none.cfg").c_str(), "r"), nullptr);
    sim::failAllocations(1);
    EXPECT_EQ(zmlibFile_open(f.c_str(), "r"), nullptr);
    sim::failAllocations(1, 1); /* the line buffer */
    EXPECT_EQ(zmlibFile_open(f.c_str(), "r"), nullptr);
    sim::failAllocations(0);
    EXPECT_EQ(messages(), (Lines{"open Unknown file open mode", "open Unknown file open mode",
                                     "open " + path("none.cfg"), "no memory", "no memory"}));
    ZmTextFile* w = zmlibFile_open(path("new.txt").c_str(), "w");
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(zmlibFile_close(w), 0);
    EXPECT_TRUE(fs::exists(path("new.txt")));
    ZmTextFile* a = zmlibFile_openHWSpesific(path("new.txt").c_str(), "a");
    ASSERT_NE(a, nullptr);
    zmlibFile_close(a);
}

TEST_F(TextFiles, SingleCallServices) {
    std::string f = writeFile("d.dgn", "x");
    EXPECT_EQ(zmlibFile_directoryExists(dir.c_str()), 1);
    EXPECT_EQ(zmlibFile_directoryExists(f.c_str()), 0);
    EXPECT_EQ(zmlibFile_directoryExists(path("none").c_str()), 0);
    EXPECT_EQ(std::string(zmlibFile_GetShortPathName(f.c_str())), f);
    EXPECT_STREQ(zmlibFile_GetShortPathName(path("none").c_str()), "");
    EXPECT_EQ(zmlibFile_isReadOnly(f.c_str()), 0);
    ::chmod(f.c_str(), 0444);
    if (::geteuid() != 0) EXPECT_EQ(zmlibFile_isReadOnly(f.c_str()), 1); /* root may write anything */
    EXPECT_NE(zmlibFile_delete(f.c_str()), 0);
    EXPECT_FALSE(fs::exists(f));
    EXPECT_EQ(zmlibFile_delete(f.c_str()), 0);
    EXPECT_EQ(zmlibFile_isReadOnly(f.c_str()), 0);
}
