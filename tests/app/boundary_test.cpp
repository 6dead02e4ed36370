/* The add-in's include boundary: app/ and lib/ see the platform through the
** headers in host/ only, never the simulated host's own (host/sim/), so that
** the same sources build against the real platform. */
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <regex>
#include <set>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

bool isSource(const fs::path& p) {
    static const std::set<std::string> extensions = {".c", ".cc", ".cpp", ".h", ".hpp", ".inc"};
    return extensions.count(p.extension().string()) > 0;
}

/* Whether the include NAME, seen from a file in DIRECTORY, names a file of the
** simulated host: by its spelling, or by where it resolves (from the file's
** own folder or from the source root, as the build's include path does). */
bool reachesSimulatedHost(const fs::path& root, const fs::path& directory, const std::string& name) {
    if (name.find("host/sim/") != std::string::npos) return true;
    const fs::path simulated = fs::weakly_canonical(root / "host" / "sim");
    for (const fs::path& base : {directory, root}) {
        std::error_code ec;
        fs::path resolved = fs::weakly_canonical(base / name, ec);
        if (ec || !fs::is_regular_file(resolved)) continue;
        auto [end, at] = std::mismatch(simulated.begin(), simulated.end(), resolved.begin(), resolved.end());
        if (end == simulated.end()) return true;
    }
    return false;
}

/* "FILE includes NAME" for every include of app/ and lib/ that reaches host/sim/. */
std::vector<std::string> offenders() {
    const fs::path root = fs::weakly_canonical(ZM_SOURCE_DIR);
    const std::regex include(R"(^\s*#\s*include\s*[<"]([^>"]+)[>"])");
    std::vector<std::string> found;
    for (const char* folder : {"app", "lib"}) {
        for (const auto& entry : fs::recursive_directory_iterator(root / folder)) {
            if (!entry.is_regular_file() || !isSource(entry.path())) continue;
            std::ifstream in(entry.path());
            std::smatch m;
            for (std::string line; std::getline(in, line);) {
                if (!std::regex_search(line, m, include)) continue;
                if (!reachesSimulatedHost(root, entry.path().parent_path(), m[1].str())) continue;
                found.push_back(fs::relative(entry.path(), root).generic_string() + " includes " + m[1].str());
            }
        }
    }
    return found;
}

TEST(Boundary, AppAndLibIncludeNothingOfTheSimulatedHost) {
    for (const std::string& o : offenders()) ADD_FAILURE() << o;
}

}  // namespace
