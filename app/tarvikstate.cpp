/* The application's working state and the records it points to: their
** allocation, their release, and the one accessor. State: TarvikState. */
#include "app/tarvikstate.h"

#include "host/mdlsystem.h"
#include "lib/core/error.h"
#include "lib/core/mem.h"

namespace {

constexpr TarvikState START_STATE{nullptr, nullptr, nullptr, nullptr, -1, nullptr, nullptr, false, 0, false, false, {}, -1};
TarvikState state = START_STATE;

void* allocate(unsigned size) { return zmlibMem_mallocRscErrorPrintf(size, ZMLIB_LIST_ERRORS, ZMLIB_MSG_OUT_OF_MEMORY); }

/* Frees the records when the add-in itself is unloaded without its clean-up
** (the main dialog's end, the host's own shutdown). */
struct AddInLifetime {
    ~AddInLifetime() { tarvikState_freeRecords(); }
};
AddInLifetime lifetime;

}  // namespace

TarvikState& tarvik() { return state; }

bool tarvikState_allocateRecords() {
    state.settings = static_cast<UserInterfaceData*>(allocate(sizeof(UserInterfaceData)));
    if (!state.settings) return false;
    settings_setDefaults(state.settings);
    state.gd = static_cast<WorkingState*>(allocate(sizeof(WorkingState)));
    state.editCopy = static_cast<DimensionRecord*>(allocate(sizeof(DimensionRecord)));
    if (!state.gd || !state.editCopy) return false;
    *state.editCopy = state.settings->dimTemplate;
    state.activeDimension = &state.settings->dimTemplate;
    return true;
}

void tarvikState_freeRecords() {
    dlmSystem_mdlFree(state.settings);
    dlmSystem_mdlFree(state.gd);
    dlmSystem_mdlFree(state.editCopy);
    state.settings = nullptr;
    state.gd = nullptr;
    state.editCopy = nullptr;
    state.activeDimension = nullptr;
}

void tarvikState_resetForTests() {
    tarvikState_freeRecords();
    state = START_STATE;
}
