/* Platform paths onto local paths (first cut: separators only). */
#include "host/sim/sim_paths.h"

namespace sim {

std::string hostPath(const std::string& platformPath) {
    std::string p = platformPath;
    for (char& c : p)
        if (c == '\\') c = '/';
    return p;
}

}  // namespace sim
