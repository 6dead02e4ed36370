/* A scratch folder of its own under the system's temporary folder, removed
** with everything in it when it goes. Test fixtures inherit it; benchmarks
** hold one. */
#pragma once

#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>

class TempDir {
public:
    TempDir() : dir(make()) {}
    ~TempDir() {
        std::error_code ec;
        std::filesystem::remove_all(dir, ec);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    /* The path of NAME in the folder; path("") ends in the separator. */
    std::string path(const std::string& name) const { return dir + "/" + name; }
    /* Write TEXT to NAME in the folder, making its folders; answer its path. */
    std::string writeFile(const std::string& name, const std::string& text) const {
        std::filesystem::path p = path(name);
        std::filesystem::create_directories(p.parent_path());
        std::ofstream(p, std::ios::binary) << text;
        return p.string();
    }
    /* The whole content of FILE, empty when it cannot be read. */
    static std::string readFile(const std::string& file) {
        std::ifstream in(file, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }

    const std::string dir; /* without a trailing separator */

private:
    static std::string make() {
        std::string templ = (std::filesystem::temp_directory_path() / "zmtest-XXXXXX").string();
        if (!::mkdtemp(templ.data())) throw std::runtime_error("cannot make a scratch folder in " + templ);
        return templ;
    }
};
