/* Language texts, the library message box, the message list and message box titles. */
#pragma once

#include "lib/zmlib_api.h"

enum : int {
    ZMERROR_NO_MESSAGE = 20000, /* the message cannot be loaded, or the list cannot take the line */
    ZMERROR_COLLECTED = 20001,  /* the message was collected or sent to the console */
    ZMLIB_ACTION_OK = 3,
    ZMLIB_ACTION_CANCEL = 4,
};

/* Message list numbers of the library's resource files. */
enum : int {
    ZMLIB_LIST_QUESTIONS = 20003,
    ZMLIB_LIST_ERRORS = 20005,
    ZMLIB_LIST_LANGUAGE = 20007,
    ZMLIB_MSG_OUT_OF_MEMORY = 14,
};

/* Text NUMBER of the language list, in a static buffer that the next call overwrites. */
extern "C" ZMLIB_API char* zmlibUtil_getLanguageText(int number);
extern "C" ZMLIB_API int zmlibError_rscMsgBoxPrintf(int flags, int listId, int number, ...);
extern "C" ZMLIB_API int zmlibError_msgBoxPrintf(int flags, const char* format, ...);
extern "C" ZMLIB_API int zmlibError_rscListPrintf(int mode, int listId, int number, ...);
extern "C" ZMLIB_API int zmlibError_listPrintf(int mode, const char* format, ...);
extern "C" ZMLIB_API int zmlibError_setTitle(int kind, const char* format, ...);
