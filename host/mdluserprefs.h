/* The host's user preferences: its own user preference file, the file-name
** record it keeps per file dialog (current name, filter and directory with
** three lists of recent entries), and the file-list editor. */
#pragma once

#include "host/mdlsystem.h"

struct StringList;

enum : int {
    USERPREFS_RECENT = 10,          /* entries of each recent list */
    USERPREFS_MARKER = 0xFF,        /* marker of a valid record */
    USERPREFS_VERSION = 5,
    USERPREFS_TEXT = MAXFILELENGTH, /* bytes of each text, with the terminator */
};

/* The file-name record of one file dialog. */
struct UserPrefsFileName {
    uint8_t marker;                              /* USERPREFS_MARKER when valid */
    uint8_t version;                             /* USERPREFS_VERSION */
    char fileName[USERPREFS_TEXT];               /* current choice */
    char filter[USERPREFS_TEXT];
    char directory[USERPREFS_TEXT];
    int32_t fileCount;                           /* 0..10 entries used in each list */
    int32_t filterCount;
    int32_t directoryCount;
    char files[USERPREFS_RECENT][USERPREFS_TEXT];        /* most recent first */
    char filters[USERPREFS_RECENT][USERPREFS_TEXT];
    char directories[USERPREFS_RECENT][USERPREFS_TEXT];
};

/* Read the record of file dialog DIALOGID from the user preference file FILE
** (0: the host keeps it for the session). A dialog never saved gives a
** zeroed record (marker 0) and 0; HOST_ERROR for a null record or a stored
** record that is damaged (the record is zeroed then). */
HOST_API StatusInt mdlUserPrefs_getFileName(UserPrefsFileName* record, RscFileHandle file, int32_t dialogId);
/* Store the record of DIALOGID in FILE (0: for the session). 0, or the
** resource status of the write. */
HOST_API StatusInt mdlUserPrefs_saveFileName(const UserPrefsFileName* record, RscFileHandle file, int32_t dialogId);

/* Open the host's own user preference file (the file named by _HOST_USERPREF,
** else user.upf in MS_USERPREF), creating it when missing. MODE as for
** mdlResource_openFile. 0 with *FILE set, or the open status. */
HOST_API StatusInt mdlDialog_userPrefFileOpen(RscFileHandle* file, int mode);

/* Let the user edit a list of files: the scripted user answers with files to
** add ("file NAME") or cancels. FILES (may be null) is the list to start
** with; DIRECTORY and FILTER (MAXFILELENGTH bytes each, may be null) are the
** dialog's start values and get the user's last directory and filter.
** *ACTION gets 3 when confirmed, 4 when cancelled. Answers a new list (the
** caller destroys it) on confirmation, FILES itself when cancelled. */
HOST_API StringList* mdlFileList_edit(int* action, StringList* files, char* directory, char* filter,
                                      const char* title);
