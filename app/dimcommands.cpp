/* The placement commands: placing a dimension chain point by point along a
** located isometric line, and dimensioning a located line in one step. Both
** fill the settings' dimTemplate (activeDimension) and build it through the
** drawing module; their states live in the working state gd. */
#include <cmath>

#include "app/commands.h"
#include "app/dimcommands_int.h"
#include "app/dimdraw.h"
#include "app/dimtext.h"
#include "app/locate.h"
#include "app/tarvikstate.h"
#include "host/mdlelement.h"
#include "host/mdlgeom.h"
#include "host/mdlstate.h"
#include "host/mdlview.h"

namespace {

/* Commands' messages: command name (list 3) and first prompt (list 1). */
enum : int {
    MESSAGE_PLACE_COMMAND = 1,
    MESSAGE_PLACE_PROMPT = 101,
    MESSAGE_ELEMENT_COMMAND = 4,
    MESSAGE_ELEMENT_PROMPT = 100,
};

/* Rubber band of the dimension-line location: colour 0, line style 3. */
constexpr UInt32 RUBBER_BAND_COLOUR = 0;
constexpr Int32 RUBBER_BAND_STYLE = 3;

/* Offset given to a dimension line picked on the base line itself (UORs). */
constexpr double MIN_LINE_OFFSET = 0.001;

void placeRestart() { cmdPlaceDimension(nullptr); }
void elementRestart() { cmdDimensionElement(nullptr); }

/* Point CURRENT of the chain at CURSOR, with the segment text before it
** (STORED: placed for good, not a dynamics frame); false when the chain is
** full (nothing changed). */
bool placeAt(const Dpoint3d& cursor, bool stored) {
    TarvikState& t = tarvik();
    WorkingState* gd = t.gd;
    DimensionRecord* dim = t.activeDimension;
    if (gd->current < 1 || gd->current > DIM_MAX_SEGMENTS) return false;
    dim->points[gd->current] = dimDraw_projectPoint(&cursor, &gd->baseOrigin, dim->axisAngle, dim->side);
    dimText_newSegment(dim, gd->current - 1, stored);
    return true;
}

/* State 3: a further dimension point, shown highlighted. */
void placeDimensionPoint(Dpoint3d* point, int) {
    TarvikState& t = tarvik();
    if (dimCommand_chainFull(t.gd->current - 1)) return;
    if (!placeAt(*point, true)) return;
    dimDraw_build(t.activeDimension, t.gd->current, DRAW_MODE_HILITE, nullptr);
    t.gd->current += 1;
}

/* State 3 dynamics: the chain with the cursor as its next point, shown in
** DRAWMODE (nothing past the segment limit). */
void placePointDynamics(Dpoint3d* point, int, int drawMode) {
    TarvikState& t = tarvik();
    if (!placeAt(*point, false)) return;
    dimDraw_build(t.activeDimension, t.gd->current, drawMode, nullptr);
}

/* Reset in state 3: store the points placed so far, then start over. */
void placeFinish() {
    TarvikState& t = tarvik();
    t.activeDimension->segmentCount = t.gd->current - 1;
    dimDraw_build(t.activeDimension, t.activeDimension->segmentCount, DIM_DRAW_STORE, nullptr);
    placeRestart();
}

/* State 2: the dimension line's location fixes the offset and the side. */
void placeLineLocation(Dpoint3d* point, int) {
    TarvikState& t = tarvik();
    WorkingState* gd = t.gd;
    DimensionRecord* dim = t.activeDimension;
    Dpoint3d located;
    if (!dimDraw_constrain(&located, &gd->firstPoint, point, dim->rotation)) {
        locate_refuse(point, STATUS_ALONG_AXIS);
        return;
    }
    locate_accept();
    gd->current = 1;
    Dpoint3d first = dimCommand_toFrame(gd->firstPoint, gd->baseOrigin, dim->axisAngle);
    Dpoint3d line = dimCommand_toFrame(located, gd->baseOrigin, dim->axisAngle);
    dim->lineOffset = line.y;
    dim->side = dimCommand_side(line.x - first.x, dim->lineOffset);
    dim->points[0] = dimDraw_projectPoint(&gd->firstPoint, &gd->baseOrigin, dim->axisAngle, dim->side);
    locate_prompt(PROMPT_DIMENSION_POINTS);
    mdlState_setFunction(STATEFUNC_DATAPOINT, reinterpret_cast<StateFunc>(placeDimensionPoint));
    mdlState_setFunction(STATEFUNC_DYNAMICS, reinterpret_cast<StateFunc>(placePointDynamics));
    mdlState_setFunction(STATEFUNC_RESET, reinterpret_cast<StateFunc>(placeFinish));
}

void placeLineDynamics(Dpoint3d* point, int, int drawMode) {
    TarvikState& t = tarvik();
    Dpoint3d ends[2] = {t.gd->firstPoint, {}};
    if (!dimDraw_constrain(&ends[1], &t.gd->firstPoint, point, t.activeDimension->rotation)) return;
    MSElement line;
    if (mdlLine_create(&line, nullptr, ends) != 0) return;
    mdlElement_setSymbology(&line, &RUBBER_BAND_COLOUR, nullptr, &RUBBER_BAND_STYLE);
    mdlElement_display(&line, drawMode);
}

/* State 1: the host located an isometric line under the point. */
void placeFirstPoint(Dpoint3d* point, int) {
    TarvikState& t = tarvik();
    WorkingState* gd = t.gd;
    locate_saveLock();
    gd->firstPoint = *point;
    t.activeDimension->rotation = gd->locatedRotation;
    t.activeDimension->axisAngle = gd->locatedAxisAngle;
    mdlAccuSnap_enableLocate(0);
    mdlState_setFunction(STATEFUNC_DATAPOINT, reinterpret_cast<StateFunc>(placeLineLocation));
    mdlState_setFunction(STATEFUNC_DYNAMICS, reinterpret_cast<StateFunc>(placeLineDynamics));
    locate_prompt(PROMPT_LINE_LOCATION);
}

/* Dimension the located line from its first to its second vertex, the
** dimension line at the constrained cursor. */
void dimensionLocatedLine(Dpoint3d* cursor, int drawMode) {
    TarvikState& t = tarvik();
    WorkingState* gd = t.gd;
    DimensionRecord* dim = t.activeDimension;
    Dpoint3d located;
    if (!dimDraw_constrain(&located, &gd->firstPoint, cursor, gd->locatedRotation)) {
        if (drawMode == DIM_DRAW_STORE) locate_refuse(cursor, STATUS_ALONG_AXIS);
        return;
    }
    Dpoint3d first = dimCommand_toFrame(gd->firstPoint, gd->baseOrigin, gd->locatedAxisAngle);
    Dpoint3d line = dimCommand_toFrame(located, gd->baseOrigin, gd->locatedAxisAngle);
    dim->lineOffset = line.y == 0 ? MIN_LINE_OFFSET : line.y;
    dim->rotation = gd->locatedRotation;
    dim->axisAngle = gd->locatedAxisAngle;
    dim->side = dimCommand_side(line.x - first.x, dim->lineOffset);
    dim->segmentCount = 1;
    dim->points[0] = {gd->baseOrigin, 0};
    dim->points[1] = {gd->locatedEnd, 0};
    dimText_newSegment(dim, 0, drawMode == DIM_DRAW_STORE);
    dimDraw_build(dim, 1, drawMode, nullptr);
}

/* Locate set-up shared by the placement commands: every element type. */
void startPlacementLocate() {
    mdlAccuSnap_enableLocate(1);
    mdlAccuSnap_enableSnap(1);
    mdlLocate_setFunction(LOCATE_POSTLOCATE, locate_placementFilter);
    mdlLocate_normal();
    mdlLocate_init();
}

bool ready() {
    TarvikState& t = tarvik();
    return t.gd && t.settings;
}

}  // namespace

/* ---- Shared helpers -------------------------------------------------------------------------- */

Dpoint3d dimCommand_toFrame(const Dpoint3d& point, const Dpoint3d& origin, double angle) {
    mdlCurrTrans_begin();
    mdlCurrTrans_translateOrigin(&origin);
    mdlCurrTrans_rotateByAngles(0, 0, angle);
    Dpoint3d out;
    mdlCurrTrans_invtransPointArray(&out, &point, 1);
    mdlCurrTrans_end();
    return out;
}

Dpoint3d dimCommand_fromFrame(const Dpoint3d& local, const Dpoint3d& origin, double angle) {
    mdlCurrTrans_begin();
    mdlCurrTrans_translateOrigin(&origin);
    mdlCurrTrans_rotateByAngles(0, 0, angle);
    Dpoint3d out;
    mdlCurrTrans_transformPointArray(&out, &local, 1);
    mdlCurrTrans_end();
    return out;
}

int dimCommand_side(double dx, double lineOffset) {
    if (std::isnan(dx) || std::isnan(lineOffset) || dx == 0) return 1;
    return std::signbit(dx) == std::signbit(lineOffset) ? 2 : 1;
}

bool dimCommand_chainFull(int segmentCount) {
    if (segmentCount < DIM_MAX_SEGMENTS) return false;
    locate_prompt(PROMPT_SEGMENT_LIMIT);
    return true;
}

/* ---- Commands -------------------------------------------------------------------------------- */

/* Start dimension placement: an isometric line, the dimension line's
** location, then the dimension points; a reset stores the chain. */
void cmdPlaceDimension(char*) {
    if (!ready()) return;
    TarvikState& t = tarvik();
    t.activeDimension = &t.settings->dimTemplate;
    t.gd->skewMode = 0;
    locate_restoreLock();
    t.gd->current = 0;
    mdlState_startModifyCommand(placeRestart, placeFirstPoint, nullptr, nullptr, nullptr, MESSAGE_PLACE_COMMAND,
                                MESSAGE_PLACE_PROMPT, 0, 1);
    startPlacementLocate();
    locate_prompt(PROMPT_IDENTIFY_LINE);
}

/* Start dimensioning of a located isometric line. */
void cmdDimensionElement(char*) {
    if (!ready()) return;
    TarvikState& t = tarvik();
    t.activeDimension = &t.settings->dimTemplate;
    t.gd->skewMode = 0;
    t.locatedElementFunction = dimensionLocatedLine;
    t.locatedPrompt = PROMPT_ELEMENT_LINE;
    mdlState_startPrimitive(locate_handler, elementRestart, MESSAGE_ELEMENT_COMMAND, MESSAGE_ELEMENT_PROMPT);
    startPlacementLocate();
    mdlLocate_setCursor();
}
