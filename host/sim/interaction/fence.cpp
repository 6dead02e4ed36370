/* The fence: one box in world coordinates, made from a shape, that plots
** and fence commands work on. State: the box. */
#include <algorithm>
#include <vector>

#include "host/mdlelement.h"
#include "host/mdlplot.h"
#include "host/sim/base/base.h"
#include "host/sim/interaction/interaction.h"

namespace {

struct FenceState {
    bool active = false;
    Dpoint3d low{}, high{};
};
FenceState current;

sim::Registration resetRegistration([] {
    sim::registerReset(sim::ResetStage::Interaction, [] { current = FenceState{}; });
});

}  // namespace

namespace sim::fence {

bool box(Dpoint3d& low, Dpoint3d& high) {
    if (!current.active) return false;
    low = current.low;
    high = current.high;
    return true;
}

void set(const Dpoint3d& a, const Dpoint3d& b) {
    current.low = {std::min(a.x, b.x), std::min(a.y, b.y), std::min(a.z, b.z)};
    current.high = {std::max(a.x, b.x), std::max(a.y, b.y), std::max(a.z, b.z)};
    current.active = true;
}

}  // namespace sim::fence

StatusInt mdlFence_fromShape(const MSElement* shape) {
    if (!shape || mdlElement_getType(shape) != SHAPE_ELM) return HOST_ERROR;
    std::vector<Dpoint3d> points(MAX_VERTICES);
    int count = 0;
    if (mdlLinear_extract(points.data(), &count, shape, nullptr) != 0 || count < 3) return HOST_ERROR;
    Dpoint3d low = points[0], high = points[0];
    for (int i = 1; i < count; ++i) {
        low = {std::min(low.x, points[i].x), std::min(low.y, points[i].y), std::min(low.z, points[i].z)};
        high = {std::max(high.x, points[i].x), std::max(high.y, points[i].y), std::max(high.z, points[i].z)};
    }
    if (!(high.x > low.x) || !(high.y > low.y)) return HOST_ERROR;
    sim::fence::set(low, high);
    return HOST_SUCCESS;
}

void mdlFence_clear(BoolInt) { current = FenceState{}; }

BoolInt mdlFence_isFenceActive(void) { return current.active; }
