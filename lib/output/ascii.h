/* Plain-text print files: horizontal texts collected while drawing and laid
** out on character lines and columns when the file is closed. */
#pragma once

#include "host/mdltypes.h"
#include "lib/zmlib_api.h"

/* Open FILENAME and start an empty collection; 1 when open, 0 when not. */
extern "C" ZMLIB_API int zmlibAscii_fopen(const char* fileName);
/* No action: the layout has no pages. */
extern "C" ZMLIB_API void zmlibAscii_newPage(void);
/* Sort the collected texts into lines and columns, write them and close the file. */
extern "C" ZMLIB_API void zmlibAscii_fclose(void);
/* Collect TEXT placed by OUTLINE (five points in millimetres, the first one
** its origin), with the caller's values A and B kept beside it. Texts more
** than 1 degree from horizontal are ignored; SIZE and ALIGNMENT are not used. */
extern "C" ZMLIB_API void zmlibAscii_drawText(const Dpoint3d* outline, const char* text, double size, int a,
                                              int b, double angle, int alignment);
