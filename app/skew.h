/* Skew-line triangles: a hatched right triangle whose hypotenuse is a
** located skew line and whose legs run along isometric directions, in the
** horizontal plane, in a vertical plane, or both. */
#pragma once

#include "host/mdltypes.h"

enum : int {
    SKEW_ATTR_OUTLINE = 5, /* attribute of the triangle outlines */
    SKEW_ATTR_HATCH = 6,   /* attribute of the hatch lines (its shape is never stored) */
    SKEW_PROMPT_LOCATE = 106,
    SKEW_COMMAND_SINGLE = 2,
    SKEW_COMMAND_COMBINED = 3,
};

enum SkewPlane : int { SKEW_PLANE_HORIZONTAL = 0, SKEW_PLANE_VERTICAL = 1 };

/* Answers of skew_trianglePoints. */
enum : int { SKEW_OK = 0, SKEW_INVALID_ANGLE = 1, SKEW_NO_INTERSECTION = 2 };

/* 1 when CURSOR lies to the right of the line from ORIGIN at ANGLE (radians), else 0. */
int skew_cursorSide(const Dpoint3d* cursor, const Dpoint3d* origin, double angle);
/* Order the ends A and B of a line as the locate filter does (smaller x
** first, for equal x smaller y) and answer its direction in [0, 2 pi). */
double skew_orderEnds(Dpoint3d* a, Dpoint3d* b);
/* The right triangle P, Q, X in PLANE over the line from P to Q of direction
** ANGLE, on the cursor's side FLAG. SKEW_OK; SKEW_INVALID_ANGLE for a
** direction with no triangle (reported on the console); SKEW_NO_INTERSECTION
** when the legs do not meet. */
int skew_trianglePoints(Dpoint3d out[3], const Dpoint3d* p, const Dpoint3d* q, double angle, int flag,
                        SkewPlane plane);

/* Located-element functions: build the triangles for CURSOR in DRAWMODE
** from the located line in the working state; draw mode 0 also stores. */
void skew_horizontalTriangle(Dpoint3d* cursor, int drawMode);
void skew_verticalTriangle(Dpoint3d* cursor, int drawMode);
void skew_combinedTriangles(Dpoint3d* cursor, int drawMode);
