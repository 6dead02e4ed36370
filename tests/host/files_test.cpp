#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

#include "host/mdlsystem.h"
#include "host/sim/system/system.h"
#include "support/host_fixture.h"

using PathMapping = HostTest;

TEST_F(PathMapping, DriveLettersMapThroughVariablesWithEitherSeparator) {
    sim::defineVariable("_HOST_DRIVE_C", path("drive_c"), 0);  /* no trailing separator */
    sim::defineVariable("_HOST_DRIVE_D", "$(DDIR)", 0);
    sim::defineVariable("DDIR", path("d/"), 0);
    EXPECT_EQ(sim::hostPath("C:\\app\\data\\x.rsc"), path("drive_c/app/data/x.rsc"));
    EXPECT_EQ(sim::hostPath("c:/app/x"), path("drive_c/app/x"));
    EXPECT_EQ(sim::hostPath("c:app.cfg"), path("drive_c/app.cfg"));
    EXPECT_EQ(sim::hostPath("D:\\"), path("d/"));
    /* The drive's folder is made on first use. */
    struct stat st;
    EXPECT_EQ(::stat(path("drive_c").c_str(), &st), 0);
    /* POSIX paths pass through; an empty device before one is no device. */
    EXPECT_EQ(sim::hostPath(path("plain/file.txt")), path("plain/file.txt"));
    EXPECT_EQ(sim::hostPath(":" + path("x")), path("x"));
    EXPECT_EQ(sim::hostPath("relative\\name.txt"), "relative/name.txt");
}

TEST_F(PathMapping, UnmappedDriveGivesNoPathSoEveryOpenFails) {
    EXPECT_EQ(sim::hostPath("Q:\\secret.txt"), "");
    EXPECT_EQ(dlmSystem_mdlFopen("Q:\\secret.txt", "w"), nullptr);
    EXPECT_EQ(mdlTextFile_open("Q:\\secret.txt", TEXTFILE_WRITE), nullptr);
}

TEST_F(PathMapping, MissingComponentsAreFoundIgnoringCase) {
    writeFile("Drive/Program Files/Tarvik/DATA/Tarvik.RSC", "x");
    sim::defineVariable("_HOST_DRIVE_C", path("Drive/"), 0);
    EXPECT_EQ(sim::hostPath("c:\\program files\\TARVIK\\data\\tarvik.rsc"),
              path("Drive/Program Files/Tarvik/DATA/Tarvik.RSC"));
    /* A new file in an existing folder keeps its own spelling. */
    EXPECT_EQ(sim::hostPath("C:\\PROGRAM FILES\\tarvik\\New.rsc"), path("Drive/Program Files/Tarvik/New.rsc"));
    /* Exact names win over case-insensitive ones. */
    writeFile("Drive/dup/Name.txt", "1");
    writeFile("Drive/dup/name.txt", "2");
    EXPECT_EQ(sim::hostPath("C:\\dup\\name.txt"), path("Drive/dup/name.txt"));
    EXPECT_EQ(sim::hostPath("C:\\dup\\NAME.TXT"), path("Drive/dup/Name.txt"));
    FILE* f = dlmSystem_mdlFopen("c:\\PROGRAM FILES\\tarvik\\data\\TARVIK.rsc", "rb");
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(std::fgetc(f), 'x');
    EXPECT_EQ(dlmSystem_mdlFclose(f), 0);
}

using FileFind = HostTest;

TEST_F(FileFind, SearchesTheListInOrderWithTheDefaultExtension) {
    writeFile("one/lib.txt", "");
    writeFile("two/lib.cel", "");
    writeFile("three/lib.cel", "");
    writeFile("three/other", "");
    sim::defineVariable("_HOST_DRIVE_C", path(""), 0);
    sim::defineVariable("ZM_CELL", "c:\\nowhere\\;C:\\ONE;$(THREE);c:\\two\\", 0);
    sim::defineVariable("THREE", path("three/"), 0);
    char found[MAXFILELENGTH];
    ASSERT_EQ(mdlFile_find(found, "lib", "ZM_CELL", "cel"), 0);
    EXPECT_STREQ(found, path("three/lib.cel").c_str());
    ASSERT_EQ(mdlFile_find(found, "LIB", "ZM_CELL", ".txt"), 0);
    EXPECT_STREQ(found, "C:\\ONE\\LIB.txt");
    /* A name with an extension keeps it; the default only fills a gap. */
    ASSERT_EQ(mdlFile_find(found, "lib.cel", "ZM_CELL", "txt"), 0);
    EXPECT_STREQ(found, path("three/lib.cel").c_str());
    /* A literal list works where no variable of that name exists. */
    ASSERT_EQ(mdlFile_find(found, "other", (path("one;") + path("three")).c_str(), nullptr), 0);
    EXPECT_STREQ(found, path("three/other").c_str());
    /* Directories are not files. */
    EXPECT_NE(mdlFile_find(found, "three", path("").c_str(), nullptr), 0);
}

TEST_F(FileFind, AbsoluteAndCurrentDirectoryNamesAndFailures) {
    std::string file = writeFile("abs.rsc", "");
    char found[MAXFILELENGTH];
    ASSERT_EQ(mdlFile_find(found, file.c_str(), "UNDEFINED_LIST", nullptr), 0);
    EXPECT_STREQ(found, file.c_str());
    EXPECT_EQ(mdlFile_find(nullptr, file.c_str(), nullptr, nullptr), 0);

    char cwd[4096];
    ASSERT_NE(::getcwd(cwd, sizeof cwd), nullptr);
    ASSERT_EQ(::chdir(dir.c_str()), 0);
    ASSERT_EQ(mdlFile_find(found, "abs", nullptr, "rsc"), 0);
    EXPECT_STREQ(found, path("abs.rsc").c_str());
    /* Not found: the name as searched is left behind. */
    EXPECT_EQ(mdlFile_find(found, "tarvik", "UNDEFINED_LIST", "rsc"), HOST_ERROR);
    EXPECT_STREQ(found, "tarvik.rsc");
    EXPECT_EQ(mdlFile_find(found, "", nullptr, nullptr), HOST_ERROR);
    EXPECT_EQ(mdlFile_find(found, nullptr, nullptr, nullptr), HOST_ERROR);
    ASSERT_EQ(::chdir(cwd), 0);
}

TEST_F(FileFind, APathTooLongForTheBufferIsNotCutButRefused) {
    std::string deep = std::string(120, 'a') + "/" + std::string(120, 'b') + "/f.txt";
    writeFile(deep, "");
    char found[MAXFILELENGTH];
    std::memset(found, 'z', sizeof found);
    EXPECT_EQ(mdlFile_find(found, "f.txt", path(deep.substr(0, 241)).c_str(), nullptr), HOST_ERROR);
    EXPECT_NE(sim::consoleText().find("longer than"), std::string::npos);
}

TEST(FileNames, ParseNameSplitsDeviceDirectoryNameAndExtension) {
    char dev[MAXDEVICELENGTH], dirName[MAXDIRLENGTH], name[MAXNAMELENGTH], ext[MAXEXTENSIONLENGTH];
    ASSERT_EQ(mdlFile_parseName("C:\\Users\\me\\prefs.upf", dev, dirName, name, ext), 0);
    EXPECT_STREQ(dev, "C");
    EXPECT_STREQ(dirName, "\\Users\\me\\");
    EXPECT_STREQ(name, "prefs");
    EXPECT_STREQ(ext, "upf");
    ASSERT_EQ(mdlFile_parseName("/home/me/archive.tar.gz", dev, dirName, name, ext), 0);
    EXPECT_STREQ(dev, "");
    EXPECT_STREQ(dirName, "/home/me/");
    EXPECT_STREQ(name, "archive.tar");
    EXPECT_STREQ(ext, "gz");
    ASSERT_EQ(mdlFile_parseName("d:noext", dev, dirName, name, ext), 0);
    EXPECT_STREQ(dev, "d");
    EXPECT_STREQ(dirName, "");
    EXPECT_STREQ(name, "noext");
    EXPECT_STREQ(ext, "");
    ASSERT_EQ(mdlFile_parseName("C:\\dir.d\\", nullptr, dirName, name, nullptr), 0);
    EXPECT_STREQ(dirName, "\\dir.d\\");
    EXPECT_STREQ(name, "");
    EXPECT_EQ(mdlFile_parseName(nullptr, dev, dirName, name, ext), HOST_ERROR);
}

TEST(FileNames, AbbreviateKeepsHeadAndTailAroundAnEllipsis) {
    char out[64];
    mdlFile_abbreviateName(out, "C:\\short.txt", 20);
    EXPECT_STREQ(out, "C:\\short.txt");
    mdlFile_abbreviateName(out, "C:\\alpha\\beta\\gamma\\delta\\file.txt", 24);
    EXPECT_STREQ(out, "C:\\alpha\\...\\file.txt");
    EXPECT_LE(std::strlen(out), 24u);
    mdlFile_abbreviateName(out, "C:\\a\\averyveryverylongfilename.txt", 12);
    EXPECT_STREQ(out, "...ename.txt");
    mdlFile_abbreviateName(out, "C:\\a\\b", 0);
    EXPECT_STREQ(out, "");
}

using FileServices = HostTest;

TEST_F(FileServices, AttributesAndCopy) {
    std::string src = writeFile("src.bin", std::string("a\0b\nc", 5));
    int64_t size = -1, mtime = -1;
    BoolInt ro = -1;
    ASSERT_EQ(mdlFile_getFileAttributes(src.c_str(), &size, &mtime, &ro), 0);
    EXPECT_EQ(size, 5);
    EXPECT_GT(mtime, 0);
    EXPECT_EQ(ro, 0);
    EXPECT_EQ(mdlFile_getFileAttributes(path("none").c_str(), nullptr, nullptr, nullptr), HOST_ERROR);

    std::string dst = path("copy.bin");
    writeFile("copy.bin", "old content that is longer");
    ASSERT_EQ(mdlFile_copy(dst.c_str(), src.c_str()), 0);
    EXPECT_EQ(readFile(dst), std::string("a\0b\nc", 5));
    /* Onto itself: nothing lost. */
    ASSERT_EQ(mdlFile_copy(src.c_str(), src.c_str()), 0);
    EXPECT_EQ(readFile(src), std::string("a\0b\nc", 5));
    /* A missing source or an unwritable target leaves the target alone. */
    EXPECT_EQ(mdlFile_copy(dst.c_str(), path("none").c_str()), HOST_ERROR);
    EXPECT_EQ(readFile(dst), std::string("a\0b\nc", 5));
    EXPECT_EQ(mdlFile_copy(path("no/such/dir/x").c_str(), src.c_str()), HOST_ERROR);
    EXPECT_FALSE(std::filesystem::exists(path("copy.bin.part")));
}

TEST_F(FileServices, TextFilesReadLinesOfEveryEndingAndLongLinesInPieces) {
    std::string path = writeFile("t.txt", "one\r\ntwo\nthree\rabcdefgh\n\nlast");
    TextFileP f = mdlTextFile_open(path.c_str(), TEXTFILE_READ);
    ASSERT_NE(f, nullptr);
    char buf[5];
    std::vector<std::string> lines;
    while (mdlTextFile_getString(buf, sizeof buf, f, TEXTFILE_DEFAULT) == 0) lines.push_back(buf);
    EXPECT_TRUE(mdlTextFile_isEof(f));
    /* "abcdefgh" comes as "abcd", "efgh": the line end after the exact fit is
    ** taken with it, so no empty line appears that the file does not have. */
    EXPECT_EQ(lines, (std::vector<std::string>{"one", "two", "thre", "e", "abcd", "efgh", "", "last"}));
    ASSERT_EQ(mdlTextFile_rewind(f), 0);
    char big[64];
    ASSERT_EQ(mdlTextFile_getString(big, sizeof big, f, TEXTFILE_KEEP_NEWLINE), 0);
    EXPECT_STREQ(big, "one\n");
    EXPECT_EQ(mdlTextFile_putString("x", f, 0), HOST_ERROR); /* opened for reading */
    EXPECT_EQ(mdlTextFile_close(f), 0);
    EXPECT_EQ(mdlTextFile_getString(big, sizeof big, nullptr, 0), HOST_ERROR);
}

TEST_F(FileServices, TextFilesWriteAndAppend) {
    sim::defineVariable("_HOST_DRIVE_C", path(""), 0);
    TextFileP f = mdlTextFile_open("C:\\out.txt", TEXTFILE_WRITE);
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(mdlTextFile_putString("first", f, TEXTFILE_DEFAULT), 0);
    EXPECT_EQ(mdlTextFile_putString("sec", f, TEXTFILE_KEEP_NEWLINE), 0);
    EXPECT_EQ(mdlTextFile_close(f), 0);
    f = mdlTextFile_open("c:\\OUT.TXT", TEXTFILE_APPEND);
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(mdlTextFile_putString("ond", f, TEXTFILE_DEFAULT), 0);
    EXPECT_EQ(mdlTextFile_close(f), 0);
    EXPECT_EQ(readFile(path("out.txt")), "first\nsecond\n");
    EXPECT_EQ(mdlTextFile_open("C:\\out.txt", 7), nullptr);
    EXPECT_EQ(mdlTextFile_open(path("missing/x.txt").c_str(), TEXTFILE_READ), nullptr);
}
