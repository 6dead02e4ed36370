/* Plane geometry of lines and circular arcs: direction angles, rotations,
** arc centres, points at a distance, fillets, trimming and values of x or y
** along lines and arcs. Angles in radians, counter-clockwise from +x. */
#pragma once

#include "host/mdlelement.h"
#include "host/mdltypes.h"
#include "lib/zmlib_api.h"

/* Range codes of the routines that give a value on a line or arc. */
enum : int {
    ZMLIB_GEO_BELOW = -10, /* the given coordinate lies below both end values */
    ZMLIB_GEO_WITHIN = 0,  /* between the end values, on one of them, or the ends are equal */
    ZMLIB_GEO_ABOVE = 10,  /* above both end values */
};

/* Geometry kinds selected from two radii and a clothoid parameter. */
enum : int {
    ZMLIB_GEO_LINE = 1,
    ZMLIB_GEO_ARC = 2,
    ZMLIB_GEO_CLOTHOID = 3,
};

extern "C" ZMLIB_API int zmlibGeo_getCircleQuadrant(double* angleOut, double dx, double dy);
extern "C" ZMLIB_API void zmlibGeo_coordGlobalToLocal(double* xOut, double* yOut, double x, double y, double angle);
extern "C" ZMLIB_API void zmlibGeo_coordLocalToGlobal(double* xOut, double* yOut, double x, double y, double angle);
extern "C" ZMLIB_API int zmlibGeo_getCircleCenter(double* cxOut, double* cyOut, double x1, double y1, double x2,
                                                  double y2, double r);
extern "C" ZMLIB_API int zmlibGeo_getElementType(double r1, double r2, double A);
extern "C" ZMLIB_API int zmlibGeo_getElementCoord(double* xOut, double* yOut, double* angleOut, double x1, double y1,
                                                  double x2, double y2, double r1, double r2, double A, double s);
extern "C" ZMLIB_API int zmlibGeo_getLineCoord(double* xOut, double* yOut, double* angleOut, double x1, double y1,
                                               double x2, double y2, double s);
extern "C" ZMLIB_API int zmlibGeo_getCircleCoord(double* xOut, double* yOut, double* angleOut, double x1, double y1,
                                                 double x2, double y2, double r, double s);
extern "C" ZMLIB_API int zmlibGeo_createLineByEndpoints(MSElement* element, double x1, double y1, double x2, double y2,
                                                        double yFactor);
extern "C" ZMLIB_API int zmlibGeo_createArcByEndpoints(MSElement* element, double x1, double y1, double x2, double y2,
                                                       double r, double yFactor);
extern "C" ZMLIB_API void zmlibGeo_createFillet(Dpoint3d* points, double radius);
extern "C" ZMLIB_API void zmlibGeo_trimVector(Dpoint3d* line, double startTrim, double endTrim);
extern "C" ZMLIB_API int zmlibGeo_getLinearAB(double* aOut, double* bOut, double x1, double y1, double x2, double y2);
extern "C" ZMLIB_API int zmlibGeo_getLinearY(double* yOut, double x1, double y1, double x2, double y2, double x);
extern "C" ZMLIB_API int zmlibGeo_getLinearX(double* xOut, double x1, double y1, double x2, double y2, double y);
extern "C" ZMLIB_API int zmlibGeo_getCircleX(double* xOut, double x1, double y1, double x2, double y2, double r,
                                             double y);
extern "C" ZMLIB_API int zmlibGeo_getCircleY(double* yOut, double x1, double y1, double x2, double y2, double r,
                                             double x);
extern "C" ZMLIB_API double* zmlibGeo_getNearestPointP(Dpoint3d* point, MSElementDescr* descr, int classMask);
