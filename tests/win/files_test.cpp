/* kernel32's file calls: deletion and short path names. */
#include <gtest/gtest.h>

#include <windows.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

namespace fs = std::filesystem;

TEST(Kernel32Files, DeletesFilesOnlyAndGivesShortNamesOfExistingPaths) {
    fs::path d = fs::temp_directory_path() / ("zm_win32_" + std::to_string(::getpid()));
    fs::remove_all(d);
    fs::create_directories(d);
    std::string file = (d / "x.dgn").string();
    std::ofstream(file) << "x";
    char buffer[256];
    EXPECT_EQ(GetShortPathNameA(file.c_str(), buffer, sizeof buffer), file.size());
    EXPECT_EQ(std::string(buffer), file);
    EXPECT_EQ(GetShortPathNameA(file.c_str(), buffer, 3), file.size() + 1);
    EXPECT_EQ(GetShortPathNameA((file + ".missing").c_str(), buffer, sizeof buffer), 0u);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(DeleteFileA(d.string().c_str()), FALSE); /* a directory is no file */
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
    EXPECT_NE(DeleteFileA(file.c_str()), FALSE);
    EXPECT_FALSE(fs::exists(file));
    EXPECT_EQ(DeleteFileA(file.c_str()), FALSE);
    fs::remove_all(d);
}
