/* Details of the host's control block and dialog manager that the library's
** utilities reach: the coordinate read-out format of the settings block, the
** display format of text items. */
#pragma once

#include "host/mdltypes.h"

struct DialogItem;

/* Coordinate read-out flags. */
enum : int {
    READOUT_FLAG_FRACTIONS = 0x4, /* accuracy in fractions: the format's bits 3..7 give the denominator */
};
/* The coordinate read-out format byte and flag byte of the active design
** file's settings block; both 0 when no file is open. Either may be null. */
HOST_API StatusInt mdlSystem_getCoordinateReadout(int* format, int* flags);
HOST_API StatusInt mdlSystem_setCoordinateReadout(int format, int flags);

/* The display format of a text item ("%.2f"); SIZE bytes, cut. "" when it
** has none. HOST_ERROR for an item that is not a text item. */
HOST_API StatusInt mdlDialog_textItemGetFormat(char* format, int size, DialogItem* item);
/* Set the text item's display format; shown from its next refresh. */
HOST_API StatusInt mdlDialog_textItemSetFormat(DialogItem* item, const char* format);
