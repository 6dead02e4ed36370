/* Cell libraries: the library directory from ZM_CELL or ZM_DIR, attaching a
** library unless it is the active one, listing its cells for a picker,
** drawing a cell into a dialog item and merging descriptors into a cell. */
#pragma once

#include "host/mdlelement.h"
#include "host/mdltypes.h"
#include "lib/zmlib_api.h"

struct DialogBox;

enum : int {
    ZMCELL_CROSS_VERTICAL = 1,   /* crossMode of zmlibCell_drawCell */
    ZMCELL_CROSS_HORIZONTAL = 2,
    ZMCELL_CROSS_BOTH = 3,
};

/* BUFFER (SIZE bytes) gets ZM_CELL, else ZM_DIR and "cell\", else the default directory. 0. */
extern "C" ZMLIB_API int zmlibCell_getZmCellPath(char* buffer, int size);
/* PATHOUT (256 bytes) gets the library's full file name: 0 when found, else
** 0x8000 with the last name tried. */
extern "C" ZMLIB_API int zmlibCell_getCellPathAndName(char* pathOut, const char* libraryName);
/* Attach LIBRARYNAME unless it is the active library: 0 when nothing had to
** be done, else the host's result of attaching. */
extern "C" ZMLIB_API int zmlibCell_loadCellLibraryIfNeeded(const char* libraryName);
/* Append a row (MEMBERSPERROW members: name, description) per cell of the
** active library; the rows added, 0 when it cannot be opened, 0x8000 when
** MEMBERSPERROW is below 2. */
extern "C" ZMLIB_API int zmlibCell_getStringlistFromLib(StringList* stringList, int membersPerRow);
/* Draw cell CELLNAME of the active library into item ITEM of WINDOW. 0, or 0x8000. */
extern "C" ZMLIB_API int zmlibCell_drawCell(const char* cellName, DialogBox* window, int item, int inset,
                                           int crossMode);
/* Append the non-header elements of FIRST and SECOND (either may be null) to
** the cell TARGET and reset its rotation and origin. 0, or 0x8000. */
extern "C" ZMLIB_API int zmlibCell_mergeCells(MSElementDescr* target, MSElementDescr* first, MSElementDescr* second);
/* Not needed on this host generation: a console line and 0x8000. */
extern "C" ZMLIB_API int zmlibCell_getFilePosFromStringlist(void);
