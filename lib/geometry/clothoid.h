/* Clothoid geometry: origin distances of the end radii, local coordinates by
** the five-term series, point lists along a segment, and the point and
** direction at a distance along a segment given by its end points. */
#pragma once

#include "host/mdlbspline.h"
#include "host/mdltypes.h"
#include "lib/zmlib_api.h"

extern "C" ZMLIB_API double* zmlibGeo_getKlotoideRadiusP(double r1, double r2);
extern "C" ZMLIB_API int zmlibGeo_getKlotoideLength(double* lsOut, double* leOut, double r1, double r2, double A);
extern "C" ZMLIB_API int zmlibGeo_KlotCoord(double* xOut, double* yOut, double r1, double r2, double A, double L,
                                            double rSel);
extern "C" ZMLIB_API int zmlibGeo_getKlotPoints(Dpoint3d* points, int count, double r1, double r2, double A);
extern "C" ZMLIB_API int zmlibGeo_createKlotoide(Dpoint3d* points, int count, double x0, double y0, double r1,
                                                 double r2, double A, double rotation, double offsetX,
                                                 double offsetY);
extern "C" ZMLIB_API int zmlibGeo_createKlotoideByTangent(BsplineCurve* curve, int count, int order, double x1,
                                                          double y1, double x2, double y2, double r1, double r2,
                                                          double A);
extern "C" ZMLIB_API int zmlibGeo_createKlotoideByEndpoints(BsplineCurve* curve, int count, int order, double x1,
                                                            double y1, double x2, double y2, double r1, double r2,
                                                            double A);
extern "C" ZMLIB_API int zmlibGeo_getKlotCoord(double* xOut, double* yOut, double* angleOut, double x1, double y1,
                                               double x2, double y2, double r1, double r2, double A, double s);
