/* What other library files and the tests may reach of start-up and global
** data: the application table, the shared records and the helpers of the
** start-up steps. */
#pragma once

#include <cstddef>
#include "lib/core/main.h"

namespace zmlib::main {

enum : int {
    APP_TABLE_SIZE = 50,
    MAX_APPLICATIONS = APP_TABLE_SIZE - 1, /* live applications the table serves */
    MSG_INSTALL_DIRECTORY = 5,             /* list 20003 */
    TEXT_VERSION = 57,                     /* language texts */
    TEXT_TITLE_KIND1 = 38,
    TEXT_TITLE_KIND4 = 39,
    TEXT_TITLE_KIND8 = 40,
    TEXT_TITLE_KIND2 = 41,
};

/* Process-wide records, allocated when the first application initialises. */
struct SharedRecords {
    void* printSetup; /* 840 bytes */
    void* project;    /* 1603 bytes */
    void* page;       /* 2115 bytes */
    void* plotScale;  /* 24 bytes */
};
const SharedRecords& sharedRecords();

/* Entries of the application table ever used. */
int tableCount();
/* The record "zgdP" points at. */
ZmGlobalData* publishedGlobalData();

/* The directory proposed for ZM_DIR from LOADPATH: cut after the fourth
** separator counted from the end (after the first when there are fewer).
** Both '\\' and '/' separate. */
void proposeInstallDirectory(char* out, size_t size, const char* loadPath);

/* Call the scale-change function of every live application with (OLDSCALE,
** NEWSCALE); the caller's own only when INCLUDESELF is non-zero. */
void notifyScaleChange(double oldScale, double newScale, int includeSelf);

/* The caller's own resource file, 0 when none. */
RscFileHandle ownResourceFile();

/* Free every record and forget the table (tests, and the library's unload). */
void resetForTests();

}  // namespace zmlib::main
