/* HPGL plotter files: one open file, polylines, texts and pages.
** Coordinates and sizes in millimetres, angles in degrees. */
#pragma once

#include "host/mdltypes.h"
#include "lib/zmlib_api.h"

/* Open FILENAME and write the plotter set-up; 1 when open, 0 when not. */
extern "C" ZMLIB_API int zmlibHpgl_fopen(const char* fileName);
extern "C" ZMLIB_API void zmlibHpgl_newPage(void);
extern "C" ZMLIB_API void zmlibHpgl_fclose(void);
/* WIDTH and FILL are accepted for the common shape of the writers; plotters draw outlines. */
extern "C" ZMLIB_API void zmlibHpgl_drawPolyline(const Dpoint3d* points, int count, double width, double fill);
/* Writes TEXT as a label; the Norwegian letters of TEXT are replaced in the
** caller's buffer by their 7-bit national replacements first. */
extern "C" ZMLIB_API void zmlibHpgl_drawText(double x, double y, char* text, double size, double angle,
                                             int alignment);
/* No action on a plotter. */
extern "C" ZMLIB_API void zmlibHpgl_drawLine(float x1, float y1, float x2, float y2, float width);
extern "C" ZMLIB_API void zmlibHpgl_drawArc(double cx, double cy, double r, double startAngle, double endAngle,
                                            double width);
extern "C" ZMLIB_API void zmlibHpgl_fillCirc(double cx, double cy, double r, double startAngle, double endAngle,
                                             double grey);
