/* Weak test versions of the library core's message box and allocator, used
** only while the core's own are not linked in: they record each message
** instead of showing it. Include from exactly one file of a test program. */
#pragma once

#include <cstdarg>
#include <cstring>
#include <string>
#include <vector>

#include "host/mdlsystem.h"
#include "lib/core/error.h"
#include "lib/core/mem.h"
#include "test_core_fake_decl.h"

std::vector<ShownMessage> shownMessages;

extern "C" int zmTestFake_rscMsgBoxPrintf(int flags, int listId, int number, ...) {
    va_list ap;
    va_start(ap, number);
    std::string argument;
    if (number == 1) argument = va_arg(ap, const char*);
    if (number == 3) argument = std::to_string(va_arg(ap, int));
    va_end(ap);
    shownMessages.push_back({listId, number, argument});
    return ZMLIB_ACTION_OK;
}

extern "C" void* zmTestFake_mallocRscErrorPrintf(unsigned int size, int listId, int number, ...) {
    void* block = dlmSystem_mdlMalloc(size);
    if (!block) {
        shownMessages.push_back({listId, number, ""});
        return nullptr;
    }
    std::memset(block, 0, size);
    return block;
}

extern "C" int zmlibError_rscMsgBoxPrintf(int flags, int listId, int number, ...)
    __attribute__((weak, alias("zmTestFake_rscMsgBoxPrintf")));
extern "C" void* zmlibMem_mallocRscErrorPrintf(unsigned int size, int listId, int number, ...)
    __attribute__((weak, alias("zmTestFake_mallocRscErrorPrintf")));

bool messagesRecorded() {
    return reinterpret_cast<void*>(&zmlibError_rscMsgBoxPrintf) ==
           reinterpret_cast<void*>(&zmTestFake_rscMsgBoxPrintf);
}
