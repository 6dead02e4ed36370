/* What the dimension commands share between their files and with the
** tests: axis frames, the side test, the text-move flag rules and the
** refusal of a chain that would grow past its 24 segments. */
#pragma once

#include "app/dimension.h"
#include "app/messages.h"
#include "host/mdltypes.h"

union MSElement;

/* ---- dimcommands.cpp ---- */

/* POINT (world) in the frame at ORIGIN whose x axis runs at ANGLE (radians). */
Dpoint3d dimCommand_toFrame(const Dpoint3d& point, const Dpoint3d& origin, double angle);
/* LOCAL of that frame back to world coordinates. */
Dpoint3d dimCommand_fromFrame(const Dpoint3d& local, const Dpoint3d& origin, double angle);

/* The side of a dimension whose dimension line lies at LINEOFFSET and was
** picked DX along the axis from the first point: 2 when DX / LINEOFFSET is
** greater than 0, else 1. Decided by the signs, so that an offset of 0 needs
** no division (a signed zero gives the answer the infinite quotient would). */
int dimCommand_side(double dx, double lineOffset);

/* True when a chain of SEGMENTCOUNT segments cannot take another one; the
** prompt field then says so. */
bool dimCommand_chainFull(int segmentCount);

/* ---- dimmodify.cpp ---- */

/* Set TEXT's flags after it was moved to its shift on segment K of a chain
** of SEGMENTCOUNT segments; SX and EX are the local x of the segment's first
** and second point in the axis frame. A text moved back to the middle
** loses all three bits. */
void dimModify_textMoveFlags(SegmentText* text, int k, int segmentCount, double sx, double ex);

/* The modify command's locate filter: reads the located dimension into
** editCopy and picks the located-element function for its component. */
int dimModify_modifyFilter(MSElement* element, DgnModelRefP model, UInt32 filePos, Dpoint3d* point, int view);

/* The located-element functions of the modify commands (tests reach them). */
void dimModify_moveText(Dpoint3d* cursor, int drawMode);
void dimModify_moveExtensionLine(Dpoint3d* cursor, int drawMode);
void dimModify_moveDimensionLine(Dpoint3d* cursor, int drawMode);
void dimModify_placeNewPoint(Dpoint3d* cursor, int drawMode);
