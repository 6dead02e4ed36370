/* Element creation with an attribute's symbology, symbology by level,
** stripping of the library's linkages, and element descriptors fitted into
** a rectangle or drawn into a dialog window. */
#pragma once

#include "host/mdlelement.h"
#include "lib/zmlib_api.h"

struct DialogBox;
struct DialogRect;

/* Constructors: build into the shared element buffer (dgnBufP), give the
** element attribute ATTRIBUTEID (an undefined id leaves the active
** symbology) and, when DESCR is given, append a copy of it to DESCR. */
extern "C" ZMLIB_API void zmlibElement_createLine(const Dpoint3d* points, int attributeId, MSElementDescr* descr);
extern "C" ZMLIB_API void zmlibElement_createLineString(const Dpoint3d* points, int count, int attributeId,
                                                        MSElementDescr* descr);
extern "C" ZMLIB_API void zmlibElement_createShape(const Dpoint3d* points, int count, int fillMode, int attributeId,
                                                   MSElementDescr* descr);
extern "C" ZMLIB_API void zmlibElement_createArc(const Dpoint3d* centre, double radius, double startAngle,
                                                 double sweepAngle, int attributeId, MSElementDescr* descr);
/* Builds in a private buffer, not in dgnBufP. */
extern "C" ZMLIB_API void zmlibElement_createArcByCenter(const Dpoint3d* start, const Dpoint3d* centre,
                                                         const Dpoint3d* end, int clockwise, int attributeId,
                                                         MSElementDescr* descr);
/* A circle of RADIUS. Answers the append's status, 0 without DESCR. */
extern "C" ZMLIB_API int zmlibElement_createEllipseExtended(const Dpoint3d* centre, double radius, int fillMode,
                                                            int attributeId, MSElementDescr* descr);
extern "C" ZMLIB_API int zmlibElement_createEllipse(const Dpoint3d* centre, double radius, int attributeId,
                                                    MSElementDescr* descr);
/* A text with the attribute's text properties, sizes divided by
** SIZEDIVISOR. JUSTIFICATION (may be null) overrides the attribute's for
** this text only; with it, an undefined attribute creates nothing. */
extern "C" ZMLIB_API void zmlibElement_createText(const Dpoint3d* origin, const char* text, double sizeDivisor,
                                                  const int* justification, int attributeId, MSElementDescr* descr);

extern "C" ZMLIB_API int zmlibElement_setSymbologyByLevel(MSElement* element);
extern "C" ZMLIB_API void zmlibElement_setSymbologyFromLevel(MSElement* element, UInt32 levelId);
/* Copy IN to OUT without the library's user data linkages. */
extern "C" ZMLIB_API int zmlibElement_stripAttributes(MSElement* out, const MSElement* in);
/* Copy IN to OUT without any linkage, keeping a cell's name and description. */
extern "C" ZMLIB_API int zmlibElement_stripAttributes2(MSElement* out, const MSElement* in);

/* RANGE gets the low and high corners of DESCR. */
extern "C" ZMLIB_API int zmlibElemDscr_getRange(Dpoint3d* range, MSElementDescr* descr);
/* Scale DESCR (in place) to fit the rectangle of corners TARGET[0] and
** TARGET[2], and with TRANSLATE move it to the rectangle's centre. A
** rectangle without width or height gets 1.0 of it (TARGET is changed). */
extern "C" ZMLIB_API void zmlibElemDscr_placeElementDescr(Dpoint3d* target, int translate, MSElementDescr* descr);
/* Draw DESCR into RECT of dialog WINDOW, seen from the top. OVERRIDES: a
** 12-byte display override record, or null for the default one. */
extern "C" ZMLIB_API void zmlibElemDscr_drawElementDescr(DialogBox* window, const DialogRect* rect,
                                                         MSElementDescr* descr, const void* overrides, int extra);
