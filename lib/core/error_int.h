/* What other library files and the tests may reach of the message module:
** the message box state, its flag decoding and line splitting, the message
** list, and the varargs forms of the message functions. */
#pragma once

#include <cstdarg>
#include "host/mdlresource.h"
#include "lib/core/error.h"

namespace zmlib::error {

enum : int {
    MAX_LINES = 25,          /* lines kept of one message */
    TEMPLATE_SIZE = 512,     /* a message template of the resource file, with its terminator */
    TEXT_SIZE = 1024,        /* a formatted message, with its terminator */
    TITLE_SIZE = 513,        /* a message box title, with its terminator */
};

/* Dialogs, items and hooks of the message box and the message list. */
enum : int {
    DIALOG_MESSAGE_LIST = 20010,
    DIALOG_MESSAGE_BOX = 20011,
    ITEM_MESSAGE_LIST_BOX = 20000,
    ITEM_SAVE_BUTTON = 20004,
    ITEM_TEXT_AREA = 20004,
    HOOK_MESSAGE_LIST_DIALOG = 20030,
    HOOK_MESSAGE_LIST_BOX = 20031,
    HOOK_MESSAGE_LIST_HEADING = 20032,
    HOOK_MESSAGE_LIST_SAVE = 20033,
    HOOK_MESSAGE_BOX_TEXT = 20034,
    HOOK_MESSAGE_BOX_DIALOG = 20035,
    FILE_DIALOG_MESSAGE_LIST = -20002,
};

/* Language texts the message dialogs use. */
enum : int {
    TEXT_FIRST_BUTTON = 25,   /* 25, 26, 27 by first button set */
    TEXT_SECOND_BUTTON = 28,  /* 28, 29, 30 by second button */
    TEXT_SAVE_TITLE = 31,
};

/* The message box as the last call left it (process-wide). LINES point into TEXT. */
struct MessageBoxState {
    int kind;             /* 1, 2, 4 or 8 */
    int firstButtons;     /* 16, 32 or 64 */
    int secondButton;     /* 128, 256, 512, or 0: none */
    const char* lines[MAX_LINES + 1];  /* the last entry ends the table */
    int lineCount;
    char text[TEXT_SIZE];
};
const MessageBoxState& messageBoxState();

/* Split FLAGS into kind, first button set and second button: the lowest set
** bit of each field counts, an empty field takes its default. */
void decodeFlags(int flags, int* kind, int* firstButtons, int* secondButton);
/* Split TEXT in place at line feeds into at most MAXLINES non-empty lines;
** LINES[count] is set to null. Return the count. */
int splitLines(char* text, const char* lines[], int maxLines);
/* Index of KIND's title in the global data record (kind 4, 8, 1, 2), -1 for another kind. */
int titleIndex(int kind);

/* The collected lines (null before the first mode-0 call). */
StringList* messageList();
/* Append one line to the message list, dropping the oldest line when the host
** refuses more. ZMERROR_COLLECTED or ZMERROR_NO_MESSAGE. */
int appendListLine(const char* line);
/* Write every collected line to PATH. ZMLIB_SUCCESS, or ZMLIB_ERROR when
** there is no list or the file cannot be opened. */
int saveMessageList(const char* path);
/* Destroy the message list, as closing its dialog does. */
void destroyMessageList();

int rscMsgBoxV(int flags, int listId, int number, va_list args);
int msgBoxV(int flags, const char* format, va_list args);
int rscListV(int mode, int listId, int number, va_list args);
int listV(int mode, const char* format, va_list args);

/* Publish the six hooks of the message box and the message list for the
** current application. */
void publishHooks();

void resetForTests();

}  // namespace zmlib::error
