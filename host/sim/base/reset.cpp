/* The one reset of the host for tests: the registered resets of every area,
** run in stage order. */
#include "host/sim/base/base.h"

#include <algorithm>
#include <utility>
#include <vector>

namespace {

/* Function-local so that registrations from other files' static
** initialisers always find it constructed. */
std::vector<std::pair<sim::ResetStage, void (*)()>>& resets() {
    static std::vector<std::pair<sim::ResetStage, void (*)()>> r;
    return r;
}

}  // namespace

namespace sim {

void registerReset(ResetStage stage, void (*reset)()) {
    if (reset) resets().emplace_back(stage, reset);
}

void resetForTests() {
    std::vector<std::pair<ResetStage, void (*)()>> order = resets();
    std::stable_sort(order.begin(), order.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    for (auto& [stage, reset] : order) reset();
}

}  // namespace sim
