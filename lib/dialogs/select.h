/* Ready-made selection dialogs: the file picker, the batch file selector,
** single and multiple pickers over a string list, and small operations on
** dialog items and on a pull-down menu of the command window's menu bar. */
#pragma once

#include <cstdint>
#include "host/mdldialog.h"
#include "host/mdlresource.h"
#include "lib/zmlib_api.h"

/* What a caller keeps of a file selection: its start values and, after a
** confirmed selection, the final ones. */
struct ZmFileSelection {
    int32_t status;          /* 3 after a confirmed search */
    char directory[256];
    char pattern[256];
};
static_assert(sizeof(ZmFileSelection) == 516);

/* The pickers' fill function (native, or a function of an interpreted
** program) is called through the host with the address of the choice list
** to create and the user argument; the multiple picker adds the number of
** information fields. */

extern "C" ZMLIB_API StringList* zmlibDialog_selectFiles(ZmFileSelection* selection, StringList* initial,
                                                        const char* title, const char* pattern,
                                                        const char* directory);
extern "C" ZMLIB_API StringList* zmlibDialog_searchFiles(ZmFileSelection* selection, const char* title,
                                                        const char* pattern, const char* directoryVariable);
/* Copy the chosen member into DESTINATION (cut to SIZE - 1; nothing for a
** SIZE of 0 or less); its index, or -1 when cancelled or no list came back. */
extern "C" ZMLIB_API int zmlibDialog_selectFromStringListSingle(char* destination, int size,
                                                               void* fill, void* userArgument,
                                                               const char* title, const char* label, int columns,
                                                               int infoValue);
extern "C" ZMLIB_API StringList* zmlibDialog_selectFromStringListMulti(void* fill,
                                                                      void* userArgument, int infoFields,
                                                                      const char* title, const char* label);
/* Give option button ITEMID of DIALOG one entry per STEP-th member of LIST
** from START (label: the member; value: its first information field, or its
** index when it has none). 0, or 0x8000 for a missing dialog, item or list
** or an empty list. */
extern "C" ZMLIB_API int zmlibDialog_optionButtonInsertFromStringlist(StringList* list, int step, int start,
                                                                     DialogBox* dialog, int32_t itemId);
extern "C" ZMLIB_API void zmlibDialog_itemEnableByTypeAndId(DialogBox* dialog, uint32_t type, int32_t id,
                                                           int enabled);
extern "C" ZMLIB_API void zmlibDialog_itemShowByTypeAndId(DialogBox* dialog, uint32_t type, int32_t id, int show);
/* Insert pull-down menu ID in front of the host menu -522; its handle (also
** in *HANDLE when given), or null when the host has no command window. */
extern "C" ZMLIB_API MenuBarMenu* zmlibDialog_insertPdm(MenuBarMenu** handle, int32_t menuId);
/* Remove the menu inserted last; the host's status, or 0 when there is none. */
extern "C" ZMLIB_API int zmlibDialog_deletePdm(void);
