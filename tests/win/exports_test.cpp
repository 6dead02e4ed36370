/* The lists of what each simulated Windows library exports agree with the
** layer: what is listed is built and exported, what is marked stub is not,
** and nothing with C linkage is exported without being listed. */
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>

namespace {

TEST(WinExports, TheListsAndTheLayerAgree) {
    std::set<std::string> built, stubs;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(ZM_SOURCE_DIR "/host/win")) {
        if (entry.path().extension() != ".exports") continue;
        std::ifstream in(entry.path());
        for (std::string line; std::getline(in, line);) {
            std::istringstream words(line);
            std::string name, word, last;
            if (!(words >> name) || name[0] == '#') continue;
            while (words >> word) last = word;
            (last == "stub" ? stubs : built).insert(name);
        }
    }
    ASSERT_GT(built.size(), 20u);
    std::set<std::string> exported;
    FILE* p = ::popen("nm -D --defined-only " ZM_BIN_DIR "/libsimwin.so", "r");
    ASSERT_NE(p, nullptr);
    char line[4096];
    while (std::fgets(line, sizeof line, p)) {
        std::string s = line;
        while (!s.empty() && (s.back() == '\n' || s.back() == '\r')) s.pop_back();
        std::string name = s.substr(s.find_last_of(' ') + 1);
        if (s.find(" T ") != std::string::npos && name.rfind("_Z", 0) != 0 && name[0] != '_') exported.insert(name);
    }
    ASSERT_EQ(::pclose(p), 0);
    for (const auto& n : built) EXPECT_TRUE(exported.count(n)) << n << " is listed but not exported";
    for (const auto& n : stubs) EXPECT_FALSE(exported.count(n)) << n << " is marked stub but built";
    for (const auto& n : exported) EXPECT_TRUE(built.count(n)) << n << " is exported but not listed";
}

}  // namespace
