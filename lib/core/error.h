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

/* Flags of the message box: one kind, one first button and at most one second
** button, added together. Where a field holds several bits the lowest counts;
** an empty kind is INFO, an empty first button OK. */
enum : int {
    ZMLIB_MSGBOX_INFO = 1, /* kinds: the icon and the title */
    ZMLIB_MSGBOX_ERROR = 2,
    ZMLIB_MSGBOX_WARNING = 4,
    ZMLIB_MSGBOX_QUESTION = 8,
    ZMLIB_MSGBOX_OK = 16, /* first button, answering ZMLIB_ACTION_OK */
    ZMLIB_MSGBOX_YES = 32,
    ZMLIB_MSGBOX_CONTINUE = 64,
    ZMLIB_MSGBOX_CANCEL = 128, /* second button, answering ZMLIB_ACTION_CANCEL */
    ZMLIB_MSGBOX_NO = 256,
    ZMLIB_MSGBOX_END_APPLICATION = 512,
    ZMLIB_MSGBOX_INFO_OK = ZMLIB_MSGBOX_INFO | ZMLIB_MSGBOX_OK, /* the plain notice */
};

/* Text NUMBER of the language list, in a static buffer that the next call overwrites. */
extern "C" ZMLIB_API char* zmlibUtil_getLanguageText(int number);
extern "C" ZMLIB_API int zmlibError_rscMsgBoxPrintf(int flags, int listId, int number, ...);
extern "C" ZMLIB_API int zmlibError_msgBoxPrintf(int flags, const char* format, ...);
extern "C" ZMLIB_API int zmlibError_rscListPrintf(int mode, int listId, int number, ...);
extern "C" ZMLIB_API int zmlibError_listPrintf(int mode, const char* format, ...);
extern "C" ZMLIB_API int zmlibError_setTitle(int kind, const char* format, ...);
