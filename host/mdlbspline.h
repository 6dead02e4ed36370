/* B-spline curves of the platform: the curve record and the least-squares
** fit of a curve to points. Curves are non-rational and open, with a
** clamped knot vector over the parameter range [0, 1]. */
#pragma once

#include "host/mdltypes.h"

enum : int {
    BSPLINE_MIN_ORDER = 2,  /* order = degree + 1 */
    BSPLINE_MAX_ORDER = 26,
};

struct BsplineDisplay {
    int32_t curveDisplay;   /* non-zero: the curve itself is drawn */
    int32_t polygonDisplay; /* non-zero: the control polygon is drawn */
};

struct BsplineParams {
    int32_t order;    /* degree + 1 */
    int32_t closed;   /* always 0: open curves only */
    int32_t numPoles;
    int32_t numKnots; /* interior knots: numPoles - order */
};

/* A curve record. The caller clears it and sets what a routine asks for;
** the host allocates poles and knots with dlmSystem_mdlMalloc, and
** mdlBspline_freeCurve gives them back. */
struct BsplineCurve {
    int32_t type;            /* 0: general curve */
    int32_t rational;        /* 0: no weights */
    BsplineDisplay display;
    BsplineParams params;
    Dpoint3d* poles;         /* numPoles points */
    double* knots;           /* the full clamped vector: numPoles + order values */
    double* weights;         /* null for a non-rational curve */
};

/* Fit CURVE to the NUMPOINTS points POINTS by least squares, with the order
** and pole count already set in curve->params. The end poles are the end
** points; PARAMS gives each point's curve parameter (non-decreasing, scaled
** to [0, 1]) or is null for chord-length parameters. Fills poles, knots and
** numKnots, and writes the average and maximum distance between each point
** and the curve at its parameter (either pointer may be null). Answers 0, or
** HOST_ERROR with no poles or knots allocated when the order is outside
** [BSPLINE_MIN_ORDER, BSPLINE_MAX_ORDER], the pole count below the order or
** above the point count, the parameters are not non-decreasing or all equal,
** the points do not determine the poles, or memory is short. */
HOST_API StatusInt mdlBspline_leastSquaresToCurve(BsplineCurve* curve, double* averageDistance,
                                                  double* maximumDistance, const Dpoint3d* points,
                                                  const double* params, int numPoints);
/* Write the point of CURVE at parameter U (clamped to [0, 1]). Answers 0, or
** HOST_ERROR when the curve has no poles or knots. */
HOST_API StatusInt mdlBspline_evaluateCurvePoint(Dpoint3d* point, const BsplineCurve* curve, double u);
/* Free the poles, knots and weights of CURVE and set those pointers to null. */
HOST_API void mdlBspline_freeCurve(BsplineCurve* curve);
