/* The add-in's export boundary: tarvik.so exports exactly the public API list
** (every defined dynamic symbol counts), and the other add-ins reach the
** library through those exports instead of carrying a copy of their own. */
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>

namespace {

/* Names of the public API list: one a line, '#' comments and blank lines skipped. */
std::set<std::string> listedNames() {
    std::set<std::string> names;
    std::ifstream in(ZM_SOURCE_DIR "/lib/public_api.txt");
    EXPECT_TRUE(in.good());
    for (std::string line; std::getline(in, line);) {
        size_t b = line.find_first_not_of(" \t");
        if (b == std::string::npos || line[b] == '#') continue;
        size_t e = line.find_last_not_of(" \t\r");
        names.insert(line.substr(b, e - b + 1));
    }
    return names;
}

/* The symbol names (last field of each line) that COMMAND prints. */
std::set<std::string> symbolNames(const std::string& command) {
    std::set<std::string> names;
    FILE* p = ::popen(command.c_str(), "r");
    EXPECT_NE(p, nullptr) << command;
    if (!p) return names;
    char line[4096];
    while (std::fgets(line, sizeof line, p)) {
        std::string s = line;
        while (!s.empty() && (s.back() == '\n' || s.back() == '\r')) s.pop_back();
        std::string name = s.substr(s.find_last_of(' ') + 1);
        if (!name.empty()) names.insert(name);
    }
    EXPECT_EQ(::pclose(p), 0) << command;
    return names;
}

TEST(Exports, AddInExportsExactlyThePublicApi) {
    std::set<std::string> listed = listedNames();
    std::set<std::string> exported = symbolNames("nm -D --defined-only " ZM_MDLAPPS_DIR "/tarvik.so");
    ASSERT_FALSE(exported.empty());
    for (const std::string& n : listed) EXPECT_TRUE(exported.count(n)) << n << " is listed but not exported";
    for (const std::string& n : exported) EXPECT_TRUE(listed.count(n)) << n << " is exported but not listed";
}

/* A copy of the library in another add-in would keep process-wide records
** (plot scale, print set-up, project and page) of its own. Its C names begin
** with "zmlib", its C++ ones are in namespace zmlib (mangled "5zmlib"). */
TEST(Exports, OtherAddInsCarryNoCopyOfTheLibrary) {
    int checked = 0;
    for (const auto& entry : std::filesystem::directory_iterator(ZM_MDLAPPS_DIR)) {
        std::string file = entry.path().filename().string();
        if (entry.path().extension() != ".so" || file == "tarvik.so") continue;
        ++checked;
        for (const std::string& n : symbolNames("nm --defined-only " + entry.path().string()))
            EXPECT_TRUE(n.rfind("zmlib", 0) != 0 && n.find("5zmlib") == std::string::npos)
                << file << " defines " << n;
    }
    EXPECT_GE(checked, 2);   /* scaleprobe and elemdemo at least */
}

/* The writers' operations that do nothing on their device are one function
** under seven names: a caller comparing writer entries finds one address. */
TEST(Exports, NoActionWriterOperationsShareOneBody) {
    std::set<std::string> addresses;
    FILE* p = ::popen("nm -D --defined-only " ZM_MDLAPPS_DIR "/tarvik.so", "r");
    ASSERT_NE(p, nullptr);
    const std::set<std::string> names = {"zmlibAscii_newPage", "zmlibHpgl_drawArc", "zmlibHpgl_drawLine",
                                         "zmlibHpgl_fillCirc", "zmlibPcl_drawArc",  "zmlibPcl_drawLine",
                                         "zmlibPcl_fillCirc"};
    int found = 0;
    char line[4096];
    while (std::fgets(line, sizeof line, p)) {
        std::string s = line;
        while (!s.empty() && (s.back() == '\n' || s.back() == '\r')) s.pop_back();
        if (!names.count(s.substr(s.find_last_of(' ') + 1))) continue;
        ++found;
        addresses.insert(s.substr(0, s.find(' ')));
    }
    ::pclose(p);
    EXPECT_EQ(found, 7);
    EXPECT_EQ(addresses.size(), 1u);
}

}  // namespace
