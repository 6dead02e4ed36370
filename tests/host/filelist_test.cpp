#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "host/mdlutil.h"
#include "support/tempdir.h"

namespace fs = std::filesystem;

TEST(HostFileList, ListsMatchesWithAttributesSortedByName) {
    TempDir scratch;
    fs::path d = scratch.dir;
    std::ofstream(d / "b.cfg") << "12345";
    std::ofstream(d / "A.CFG") << "1";
    std::ofstream(d / "c.txt") << "";
    fs::create_directory(d / "sub.cfg");
    FileListP list = mdlFileList_create((d.string() + "/*.cfg").c_str());
    ASSERT_EQ(mdlFileList_getCount(list), 3);
    EXPECT_STREQ(mdlFileList_getEntry(list, 0)->name, "A.CFG");
    EXPECT_STREQ(mdlFileList_getEntry(list, 1)->name, "b.cfg");
    EXPECT_EQ(mdlFileList_getEntry(list, 1)->size, 5);
    EXPECT_EQ(mdlFileList_getEntry(list, 1)->path, d.string() + "/b.cfg");
    EXPECT_EQ(mdlFileList_getEntry(list, 2)->attributes & FILELIST_DIRECTORY, FILELIST_DIRECTORY);
    EXPECT_EQ(mdlFileList_getEntry(list, 3), nullptr);
    mdlFileList_free(&list);
    EXPECT_EQ(list, nullptr);

    /* A path without wildcards lists the entry itself, with or without a trailing separator. */
    for (std::string p : {d.string(), d.string() + "/", d.string() + "\\sub.cfg\\"}) {
        FileListP one = mdlFileList_create(p.c_str());
        ASSERT_EQ(mdlFileList_getCount(one), 1) << p;
        EXPECT_TRUE(mdlFileList_getEntry(one, 0)->attributes & FILELIST_DIRECTORY);
        mdlFileList_free(&one);
    }
    EXPECT_EQ(mdlFileList_create((d.string() + "/missing*").c_str()), nullptr);
    EXPECT_EQ(mdlFileList_create((d.string() + "/missing").c_str()), nullptr);
    EXPECT_EQ(mdlFileList_create(""), nullptr);
}
