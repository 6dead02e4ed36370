/* Allocation with a user-facing message on failure. */
#pragma once

#include <cstddef>
#include "lib/zmlib_api.h"

/* Return a zero-filled block of SIZE bytes. On failure show message NUMBER of
** message list LISTID (with the remaining arguments) and, when the user
** chooses Cancel, end the calling application; answer null. */
extern "C" ZMLIB_API void* zmlibMem_mallocRscErrorPrintf(unsigned int size, int listId, int number, ...);
/* Resize BLOCK from OLDSIZE to NEWSIZE bytes, zeroing the new tail; failure as above
** (BLOCK is then left as it was). */
extern "C" ZMLIB_API void* zmlibMem_reallocRscErrorPrintf(void* block, unsigned int oldSize, unsigned int newSize,
                                                          int listId, int number, ...);
