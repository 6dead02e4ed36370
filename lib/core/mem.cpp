/* Allocation with a user-facing message: a failed allocation is shown as a
** numbered message, and the user chooses between going on without the memory
** and ending the application. No state of its own. */
#include "lib/core/mem.h"

#include <cstring>

#include "host/mdlsystem.h"
#include "lib/core/error.h"
#include "lib/core/error_int.h"

namespace {

/* Tell the user that an allocation failed; end the application when they choose Cancel. */
void reportFailure(int listId, int number, va_list args) {
    int action = zmlib::error::rscMsgBoxV(ZMLIB_MSGBOX_INFO | ZMLIB_MSGBOX_CONTINUE | ZMLIB_MSGBOX_END_APPLICATION,
                                          listId, number, args);
    if (action == ZMLIB_ACTION_CANCEL) mdlSystem_exit(0, 1);
}

}  // namespace

extern "C" ZMLIB_API void* zmlibMem_mallocRscErrorPrintf(unsigned int size, int listId, int number, ...) {
    void* block = dlmSystem_mdlMalloc(size);
    if (block) {
        std::memset(block, 0, size);
        return block;
    }
    va_list ap;
    va_start(ap, number);
    reportFailure(listId, number, ap);
    va_end(ap);
    return nullptr;
}

extern "C" ZMLIB_API void* zmlibMem_reallocRscErrorPrintf(void* block, unsigned int oldSize, unsigned int newSize,
                                                          int listId, int number, ...) {
    void* resized = dlmSystem_mdlRealloc(block, newSize);
    if (resized) {
        if (newSize > oldSize) std::memset(static_cast<char*>(resized) + oldSize, 0, newSize - oldSize);
        return resized;
    }
    va_list ap;
    va_start(ap, number);
    reportFailure(listId, number, ap);
    va_end(ap);
    return nullptr;
}
