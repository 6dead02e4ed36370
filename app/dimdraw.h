/* Isometric dimension geometry: projecting picked points onto the base line,
** the isometric-direction constraint, and building a chain's elements. */
#pragma once

#include <cstdint>
#include "app/dimension.h"

struct MSElementDescr;

enum : int {
    DIM_DRAW_STORE = 0,      /* the only draw mode that stores the cell */
    DIM_BUILD_REFUSED = 0x8000,
};

/* Attribute ids of the application's element kinds. */
enum : int {
    DIM_ATTR_DIMLINE = 1,
    DIM_ATTR_EXTENSION = 2,
    DIM_ATTR_ARROWHEAD = 3,
    DIM_ATTR_TEXT = 4,
};

/* Stored constants: tan 30 degrees (to eleven digits) and 1 / cos 30 degrees. */
constexpr double DIM_TAN30 = 0.57735026919;
constexpr double DIM_SEC30 = 1.15470053838517;

/* The extension-line angle of DIM (radians). */
double dimDraw_extensionAngle(const DimensionRecord* dim);
/* Project POINT onto the base line through ORIGIN at AXISANGLE for SIDE. */
DimPoint dimDraw_projectPoint(const Dpoint3d* point, const Dpoint3d* origin, double axisAngle, int side);
/* Constrain CURSOR to the isometric direction from ORIGIN nearest to it; the
** two directions of the axis of ROTATION are refused. True with *OUT set
** when accepted. */
bool dimDraw_constrain(Dpoint3d* out, const Dpoint3d* origin, const Dpoint3d* cursor, int rotation);
/* Build the first N segments of DIM and display them in DRAWMODE; mode 0
** also stores the cell, *FILEPOSOUT (may be null) getting its position. 0,
** or DIM_BUILD_REFUSED for N outside 0 to 24 or a failed store. N = 0 builds
** nothing. */
int dimDraw_build(const DimensionRecord* dim, int n, int drawMode, uint32_t* filePosOut);
/* Build the first N segments of DIM into the new descriptor *OUT (the
** caller frees it) without showing or storing them; DRAWMODE 0 gives the
** cell its header data. 0, or DIM_BUILD_REFUSED (*OUT then may hold what
** was built, or be null). */
int dimDraw_buildDescr(MSElementDescr** out, const DimensionRecord* dim, int n, int drawMode);
