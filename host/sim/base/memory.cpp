/* The host's allocator, with a switch that makes allocations fail. */
#include <malloc.h>

#include <cstdlib>

#include "host/mdlsystem.h"
#include "host/sim/base/base.h"

namespace {
struct MemoryState {
    int skip = 0;      /* allocations that still succeed before failures start */
    int toFail = 0;    /* failures still to give */
    int failed = 0;
};
MemoryState state;

/* The host keeps memory it got back for the next element or descriptor
** rather than handing it to the system at every free: a chain of nodes built
** and freed at every cursor move would otherwise fault its pages in anew. */
struct KeepFreedMemory {
    KeepFreedMemory() { mallopt(M_TRIM_THRESHOLD, 64 << 20); }
};
KeepFreedMemory keepFreedMemory;

bool refuse() {
    if (state.toFail <= 0) return false;
    if (state.skip > 0) {
        --state.skip;
        return false;
    }
    --state.toFail;
    ++state.failed;
    return true;
}
}  // namespace

namespace sim {
void failAllocations(int count, int skip) { state = MemoryState{skip, count, 0}; }
int failedAllocations() { return state.failed; }
bool grantAllocation() { return !refuse(); }

static Registration resetRegistration([] { registerReset(ResetStage::Base, [] { failAllocations(0); }); });
}  // namespace sim

HOST_API void* dlmSystem_mdlMalloc(size_t size) {
    if (refuse()) return nullptr;
    return std::malloc(size ? size : 1);
}

HOST_API void* dlmSystem_mdlCalloc(size_t count, size_t size) {
    if (refuse()) return nullptr;
    return std::calloc(count ? count : 1, size ? size : 1);
}

HOST_API void* dlmSystem_mdlRealloc(void* block, size_t size) {
    if (refuse()) return nullptr;
    return std::realloc(block, size ? size : 1);
}

HOST_API void dlmSystem_mdlFree(void* block) { std::free(block); }
