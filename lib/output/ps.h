/* PostScript print files: one open file, polylines, styled polylines, texts,
** lines, arcs, filled sectors, EPS inclusion and pages. Coordinates, widths
** and sizes in millimetres on the paper, angles in degrees. */
#pragma once

#include "host/mdltypes.h"
#include "lib/zmlib_api.h"

/* Open FILENAME for writing and write the prologue; 1 when open, 0 when not
** (with a console message). A file still open is closed first. */
extern "C" ZMLIB_API int zmlibPs_fopen(const char* fileName);
extern "C" ZMLIB_API void zmlibPs_newPage(void);
/* End the current page and close the file. */
extern "C" ZMLIB_API void zmlibPs_fclose(void);
/* FILL -1 strokes the outline; 0..1 fills it with that grey level. */
extern "C" ZMLIB_API void zmlibPs_drawPolyline(const Dpoint3d* points, int count, double width, double fill);
/* As zmlibPs_drawPolyline with DASH (numbers in points, "" for solid) as the dash array. */
extern "C" ZMLIB_API void zmlibPs_drawPolylineExtended(const Dpoint3d* points, int count, double width,
                                                       const char* dash, double fill);
/* ALIGNMENT 0 centre, 1 right, any other left. */
extern "C" ZMLIB_API void zmlibPs_drawText(double x, double y, const char* text, double size, double angle,
                                           int alignment);
extern "C" ZMLIB_API void zmlibPs_drawLine(float x1, float y1, float x2, float y2, float width);
extern "C" ZMLIB_API void zmlibPs_drawArc(double cx, double cy, double r, double startAngle, double endAngle,
                                          double width);
/* A sector from the centre along the arc, filled with grey level GREY. */
extern "C" ZMLIB_API void zmlibPs_fillCirc(double cx, double cy, double r, double startAngle, double endAngle,
                                           double grey);
/* Copy EPS file FILENAME into the page, placed at (X, Y), scaled and rotated;
** 1 when copied, 0 when it cannot be read (the print file is left as it was). */
extern "C" ZMLIB_API int zmlibPs_includeEPSFile(const char* fileName, double xScale, double yScale, double x,
                                                double y, double angle);
