#include <gtest/gtest.h>

#include <cstdio>
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

/* Names the add-in exports (defined dynamic symbols); the toolchain's own
** names, which all begin with '_', are left out. */
std::set<std::string> exportedNames() {
    std::set<std::string> names;
    std::string command = "nm -D --defined-only " ZM_MDLAPPS_DIR "/tarvik.so";
    FILE* p = ::popen(command.c_str(), "r");
    EXPECT_NE(p, nullptr);
    if (!p) return names;
    char line[1024];
    while (std::fgets(line, sizeof line, p)) {
        std::string s = line;
        size_t sp = s.find_last_of(' ');
        std::string name = s.substr(sp + 1);
        while (!name.empty() && (name.back() == '\n' || name.back() == '\r')) name.pop_back();
        if (!name.empty() && name[0] != '_') names.insert(name);
    }
    EXPECT_EQ(::pclose(p), 0);
    return names;
}

TEST(Exports, AddInExportsExactlyThePublicApi) {
    std::set<std::string> listed = listedNames();
    std::set<std::string> exported = exportedNames();
    ASSERT_FALSE(exported.empty());
    for (const std::string& n : listed) EXPECT_TRUE(exported.count(n)) << n << " is listed but not exported";
    for (const std::string& n : exported) EXPECT_TRUE(listed.count(n)) << n << " is exported but not listed";
}

}  // namespace
