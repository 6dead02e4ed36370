/* The attribute dialog: the attribute set of the calling application shown
** one group at a time, with the controls of the selected attribute and, for
** user-editable groups, the commands that add, edit and reorder attributes. */
#pragma once

#include "lib/zmlib_api.h"

/* Open the attribute dialog (20013) for the calling application; the
** host's status of opening it: 0, or 0x8000 when it could not be opened. */
extern "C" ZMLIB_API int zmlibElmAttr_dialogOpen(void);
