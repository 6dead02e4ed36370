/* PCL 5 print files with HP-GL/2 drawing: one open file, polylines (filled
** or outlined, with line types), texts and A4 pages in the paper's orientation. */
#pragma once

#include "host/mdltypes.h"
#include "lib/zmlib_api.h"

/* Open FILENAME and write the first page header; PAPERCODE 10 and 12 are
** landscape, every other code portrait. 1 when open, 0 when not. */
extern "C" ZMLIB_API int zmlibPcl_fopen(const char* fileName, int paperCode);
extern "C" ZMLIB_API void zmlibPcl_newPage(void);
extern "C" ZMLIB_API void zmlibPcl_fclose(void);
/* FILL -1 draws the outline; 0..1 fills the closed polygon with that grey level. */
extern "C" ZMLIB_API void zmlibPcl_drawPolyline(const Dpoint3d* points, int count, double width, double fill);
/* LINETYPE 0 is solid; others use that line type with PATTERNLENGTH. */
extern "C" ZMLIB_API void zmlibPcl_drawPolylineExtended(const Dpoint3d* points, int count, double width,
                                                        int lineType, double patternLength, double fill);
extern "C" ZMLIB_API void zmlibPcl_drawText(double x, double y, const char* text, double size, double angle,
                                            int alignment);
/* No action in PCL files. */
extern "C" ZMLIB_API void zmlibPcl_drawLine(float x1, float y1, float x2, float y2, float width);
extern "C" ZMLIB_API void zmlibPcl_drawArc(double cx, double cy, double r, double startAngle, double endAngle,
                                           double width);
extern "C" ZMLIB_API void zmlibPcl_fillCirc(double cx, double cy, double r, double startAngle, double endAngle,
                                            double grey);
