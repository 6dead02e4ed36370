/* The modify commands of placed dimensions: moving a text, an extension
** line or the dimension line, inserting and deleting points, and editing a
** text. Each reads the located chain into editCopy, changes it, deletes the
** old cell (undoable) and stores the rebuilt one. */
#include <cmath>
#include <cstring>

#include "app/commands.h"
#include "app/dimcommands_int.h"
#include "app/dimdraw.h"
#include "app/dimrecord.h"
#include "app/dimtext.h"
#include "app/locate.h"
#include "app/messages.h"
#include "app/resourceids.h"
#include "app/tarvikstate.h"
#include "host/mdldialog.h"
#include "host/mdlelement.h"
#include "host/mdlgeom.h"
#include "host/mdlstate.h"
#include "host/mdlsystem.h"
#include "host/mdltext.h"
#include "host/mdlview.h"

namespace {

/* Commands' messages: command name (list 3) and first prompt (list 1). */
enum : int {
    MESSAGE_MODIFY_COMMAND = 5,
    MESSAGE_MODIFY_PROMPT = 102,
    MESSAGE_DELETE_COMMAND = 6,
    MESSAGE_DELETE_PROMPT = 104,
    MESSAGE_EDIT_COMMAND = 7,
    MESSAGE_EDIT_PROMPT = 103,
    MESSAGE_INSERT_COMMAND = 8,
    MESSAGE_INSERT_PROMPT = 105,
};

const int modifyMask[] = {CELL_HEADER_ELM, LINE_ELM, TEXT_ELM};
const int pointMask[] = {CELL_HEADER_ELM, LINE_ELM};
const int textMask[] = {CELL_HEADER_ELM, TEXT_ELM};

bool ready() {
    TarvikState& t = tarvik();
    return t.gd && t.settings && t.editCopy;
}

/* Read the located dimension into editCopy. The element at FILEPOS must be
** its cell header, or with COMPONENTTOO the component itself (the host
** offers a component once more on its own). Answers the located component's
** kind, 0 when it is not a dimension. */
int readLocated(const MSElement* element, DgnModelRefP model, UInt32 filePos, bool componentToo) {
    UInt32 componentPos = mdlElement_getFilePos(FILEPOS_LOCATED_COMPONENT, nullptr);
    UInt32 cellPos = filePos;
    if (mdlElement_getType(element) != CELL_HEADER_ELM) {
        if (!componentToo) return 0;
        cellPos = dimRecord_findHeader(componentPos, model);
        if (!cellPos) return 0;
    }
    return dimRecord_read(cellPos, model, componentPos);
}

/* Refuse the located ELEMENT of MODEL as no dimension, the status field
** saying so; silently when it is a component the host offers once more by
** itself, since its cell was judged already. */
int refuseNotDimension(const MSElement* element, DgnModelRefP model, Dpoint3d* point) {
    if (mdlElement_getType(element) != CELL_HEADER_ELM) {
        UInt32 componentPos = mdlElement_getFilePos(FILEPOS_LOCATED_COMPONENT, nullptr);
        UInt32 header = dimRecord_findHeader(componentPos, model);
        if (header && header != componentPos) return LOCATE_FILTER_REJECT;
    }
    return locate_refuse(point, STATUS_NOT_A_DIMENSION);
}

/* Show the cell at CELLPOS of MODEL in DRAWMODE. */
void displayCell(UInt32 cellPos, DgnModelRefP model, int drawMode) {
    MSElementDescr* descr = nullptr;
    if (mdlElmdscr_read(&descr, cellPos, model, 0, nullptr) <= 0 || !descr) return;
    mdlElmdscr_display(descr, model, drawMode);
    mdlElmdscr_freeAll(&descr);
}

/* Replace the located cell by the rebuilt chain D in DRAWMODE; only the
** final call (mode 0) stores. The old cell is deleted (undoable) once the
** new one is stored, so that a failed store loses nothing; it is erased
** from the views before, so that parts the two share stay on show. */
void rebuild(const DimensionRecord& d, int drawMode) {
    if (drawMode != DIM_DRAW_STORE) {
        dimDraw_build(&d, d.segmentCount, drawMode, nullptr);
        return;
    }
    DgnModelRefP model = nullptr;
    UInt32 cellPos = mdlElement_getFilePos(FILEPOS_LOCATED_ELEMENT, &model);
    MSElement cell;
    if (!cellPos || mdlElement_read(&cell, model, cellPos) != 0) return;
    displayCell(cellPos, model, DRAW_MODE_ERASE);
    if (dimDraw_build(&d, d.segmentCount, DIM_DRAW_STORE, nullptr) != 0) {
        displayCell(cellPos, model, DRAW_MODE_NORMAL);
        return;
    }
    mdlElement_undoableDelete(&cell, cellPos, 0);
}

/* Shift points FROM to LAST of D up by one place (making room at FROM). */
void pointsUp(DimensionRecord& d, int from, int last) {
    for (int i = last; i >= from; --i) d.points[i + 1] = d.points[i];
}
void textsUp(DimensionRecord& d, int from, int last) {
    for (int i = last; i >= from; --i) d.texts[i + 1] = d.texts[i];
}

/* A new segment's text starts clean: dimText in the middle of its segment. */
void clearText(DimensionRecord& d, int i) {
    SegmentText& text = d.texts[i];
    text.textFlags = 0;
    text.shift = 0;
}

}  // namespace

/* ---- Move text, extension line, dimension line ---------------------------------------------- */

int dimModify_modifyFilter(MSElement* element, DgnModelRefP model, UInt32 filePos, Dpoint3d* point, int) {
    TarvikState& t = tarvik();
    int kind = readLocated(element, model, filePos, false);
    WorkingState& gd = *t.gd;
    DimensionRecord& d = *t.activeDimension;
    int k = gd.current;
    switch (kind) {
    case DIM_COMPONENT_TEXT: {
        if (k < 0 || k >= d.segmentCount) return locate_refuse(point, STATUS_NOT_A_DIMENSION);
        t.locatedElementFunction = dimModify_moveText;
        t.locatedPrompt = PROMPT_MOVE_TEXT;
        const SegmentText& text = d.texts[k];
        if (text.textFlags & TEXT_SHIFTED) {
            gd.textStart = text.shift;
        } else {
            Dpoint3d end = dimCommand_toFrame(d.points[k + 1].base, d.points[k].base, d.axisAngle);
            gd.textStart = end.x / 2;
        }
        return locate_accept();
    }
    case DIM_COMPONENT_EXTENSION:
        if (k < 0 || k > d.segmentCount) return locate_refuse(point, STATUS_NOT_A_DIMENSION);
        t.locatedElementFunction = dimModify_moveExtensionLine;
        t.locatedPrompt = PROMPT_MOVE_EXTENSION;
        gd.firstPoint = d.points[k].base;
        gd.textStart = k == d.segmentCount ? d.texts[k > 0 ? k - 1 : 0].shift : d.texts[k].shift;
        return locate_accept();
    case DIM_COMPONENT_DIMLINE: {
        if (!point) return LOCATE_FILTER_REJECT;
        t.locatedElementFunction = dimModify_moveDimensionLine;
        t.locatedPrompt = PROMPT_MOVE_DIMLINE;
        /* The dimension line is moved from the base point of the picked point. */
        Dpoint3d local = dimCommand_toFrame(*point, d.points[0].base, d.axisAngle);
        double slope = d.side == 1 ? DIM_TAN30 : -DIM_TAN30;
        gd.projectedPoint = *point;
        gd.firstPoint = dimCommand_fromFrame({local.x + local.y * slope, 0, 0}, d.points[0].base, d.axisAngle);
        return locate_accept();
    }
    default:
        return refuseNotDimension(element, model, point);
    }
}

namespace {

/* ---- Insert point ------------------------------------------------------------------------------- */

int insertFilter(MSElement* element, DgnModelRefP model, UInt32 filePos, Dpoint3d* point, int) {
    TarvikState& t = tarvik();
    int kind = readLocated(element, model, filePos, false);
    WorkingState& gd = *t.gd;
    DimensionRecord& d = *t.activeDimension;
    int k = gd.current;
    int n = d.segmentCount;
    if (kind == DIM_COMPONENT_EXTENSION) {
        if (k != 0 && k != n) return locate_refuse(point, STATUS_INSERT_WHERE);
        if (n >= DIM_MAX_SEGMENTS) return locate_refuse(point, STATUS_CHAIN_FULL);
        if (k == 0) {
            /* The new point becomes point 0 and its segment the first. */
            pointsUp(d, 0, n);
            textsUp(d, 0, n - 1);
            clearText(d, 0);
        } else {
            gd.current = k + 1;
            clearText(d, n);
        }
        d.segmentCount = n + 1;
        t.locatedElementFunction = dimModify_placeNewPoint;
        return locate_accept();
    }
    if (kind == DIM_COMPONENT_DIMLINE) {
        if (k < 0 || k > DIM_MAX_SEGMENTS - 1 || k >= n) return locate_refuse(point, STATUS_NOT_A_DIMENSION);
        if (n >= DIM_MAX_SEGMENTS) return locate_refuse(point, STATUS_CHAIN_FULL);
        pointsUp(d, k + 1, n);
        textsUp(d, k, n - 1);
        clearText(d, k);
        gd.current = k + 1;
        d.segmentCount = n + 1;
        t.locatedElementFunction = dimModify_placeNewPoint;
        return locate_accept();
    }
    return kind ? locate_refuse(point, STATUS_INSERT_WHERE) : refuseNotDimension(element, model, point);
}

/* ---- Delete point -------------------------------------------------------------------------------- */

int deleteFilter(MSElement* element, DgnModelRefP model, UInt32 filePos, Dpoint3d* point, int) {
    TarvikState& t = tarvik();
    int kind = readLocated(element, model, filePos, false);
    const DimensionRecord& d = *t.activeDimension;
    int k = t.gd->current;
    if (kind == 0) return refuseNotDimension(element, model, point);
    if (kind != DIM_COMPONENT_EXTENSION || k < 0 || k > d.segmentCount) return locate_refuse(point, STATUS_DELETE_WHAT);
    if (d.segmentCount <= 1) return locate_refuse(point, STATUS_DELETE_ONE_SEGMENT);
    return locate_accept();
}

/* Show the chain without the located point: erase it, remove the point, highlight the rest. */
void deleteShow() {
    TarvikState& t = tarvik();
    DimensionRecord& d = *t.activeDimension;
    int k = t.gd->current;
    int n = d.segmentCount;
    dimDraw_build(&d, n, DRAW_MODE_ERASE, nullptr);
    if (k < n) {
        for (int i = k; i < n; ++i) d.points[i] = d.points[i + 1];
        for (int i = k; i < n - 1; ++i) d.texts[i] = d.texts[i + 1];
    }
    d.segmentCount = n - 1;
    /* The two segments that met at the point are one now: a measured text says its length. */
    if (k > 0) dimText_remeasure(&d, k - 1);
    dimDraw_build(&d, d.segmentCount, DRAW_MODE_HILITE, nullptr);
    locate_prompt(PROMPT_ACCEPT_DELETE);
}

/* The preview goes; the next candidate is shown again, or the pick starts over. */
void deleteClean() {
    const DimensionRecord& d = *tarvik().activeDimension;
    dimDraw_build(&d, d.segmentCount, DRAW_MODE_ERASE, nullptr);
    locate_prompt(PROMPT_DELETE_POINT);
}

void deleteAccept(Dpoint3d*, int) {
    rebuild(*tarvik().activeDimension, DIM_DRAW_STORE);
    cmdDeletePoint(nullptr);
}

void deleteRestart() { cmdDeletePoint(nullptr); }

/* ---- Edit text ------------------------------------------------------------------------------------ */

int textFilter(MSElement* element, DgnModelRefP model, UInt32 filePos, Dpoint3d* point, int) {
    /* The text may come as the cell or as itself: the pick steps into the cell. */
    int kind = readLocated(element, model, filePos, true);
    if (kind == DIM_COMPONENT_TEXT) return locate_accept();
    return locate_refuse(point, kind ? STATUS_EDIT_WHAT : STATUS_NOT_A_DIMENSION);
}

/* Let the user edit the text ELEMENT in dialog 3; the new string replaces
** the old one and keeps its place, size and component data. */
int editText(MSElement* element, void*, DgnModelRefP, MSElementDescr*, MSElementDescr**) {
    TarvikState& t = tarvik();
    UserInterfaceData* settings = t.settings;
    char old[SETTINGS_DIMTEXT_SIZE] = {};
    if (!settings || mdlText_extract(old, sizeof old, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, element,
                                     nullptr) != 0)
        return MODIFY_STATUS_NOCHANGE;
    std::memcpy(settings->dimText, old, sizeof old);
    int action = 0;
    if (mdlDialog_openModal(&action, 0, DIALOG_TEXT_EDIT) == 0 && action == ACTIONBUTTON_OK) {
        /* The component data goes with the new element; the string is cut to
        ** what a segment text holds, so that a rebuild shows the same. */
        DimensionRecord data = *t.editCopy;
        int32_t index = 0;
        int kind = 0;
        SegmentText cut{};
        dimRecord_setText(&cut, settings->dimText);
        MSElement replaced = *element;
        bool read = dimRecord_readComponentData(element, &data, &index, &kind) == 0 && kind == DIM_COMPONENT_TEXT &&
                    index >= 0 && index < DIM_MAX_SEGMENTS;
        /* A text the user wrote is no longer the measured length: it stays as written. */
        if (read) data.texts[index].textFlags &= ~TEXT_MEASURED;
        if (read && mdlText_create(&replaced, element, cut.text, nullptr, nullptr, nullptr, nullptr, nullptr) == 0 &&
            dimRecord_writeComponentData(&replaced, DIM_COMPONENT_TEXT, index, &data) == 0) {
            *element = replaced;
            return MODIFY_STATUS_REPLACE;
        }
    }
    mdlElement_display(dgnBufP, DRAW_MODE_NORMAL);
    return MODIFY_STATUS_NOCHANGE;
}

void editConfirm(Dpoint3d*, int) {
    UInt32 cellPos = mdlElement_getFilePos(FILEPOS_LOCATED_ELEMENT, nullptr);
    UInt32 textPos = mdlElement_getFilePos(FILEPOS_LOCATED_COMPONENT, nullptr);
    if (cellPos && textPos)
        mdlModify_elementSingle(mdlModelRef_getActive(), cellPos, 2, 2, editText, nullptr,
                                static_cast<int>(textPos - cellPos));
    cmdEditText(nullptr);
}

void editCancel() {
    mdlElement_display(dgnBufP, DRAW_MODE_NORMAL);
    cmdEditText(nullptr);
}

void textPick(Dpoint3d* point, int view) {
    DgnModelRefP model = nullptr;
    if (!locate_find(point, view, false)) return;
    MSElement top;
    UInt32 topPos = mdlElement_getFilePos(FILEPOS_LOCATED_ELEMENT, &model);
    if (mdlElement_read(&top, model, topPos) == 0 && mdlElement_getType(&top) == CELL_HEADER_ELM) {
        tarvik_debugPrintf("Cell header => new locate\n");
        if (!mdlLocate_findElement(point, view, 1, 0, 0)) return;
    }
    UInt32 textPos = mdlElement_getFilePos(FILEPOS_LOCATED_COMPONENT, &model);
    if (!textPos || mdlElement_read(dgnBufP, model, textPos) != 0) return;
    mdlElement_display(dgnBufP, DRAW_MODE_HILITE);
    mdlState_setFunction(STATEFUNC_DATAPOINT, reinterpret_cast<StateFunc>(editConfirm));
    mdlState_setFunction(STATEFUNC_RESET, reinterpret_cast<StateFunc>(editCancel));
    locate_prompt(PROMPT_ACCEPT_EDIT);
}

/* ---- Starts ---------------------------------------------------------------------------------------- */

void modifyRestart() { cmdModifyDimension(nullptr); }
void insertRestart() { cmdInsertPoint(nullptr); }
void editRestart() { cmdEditText(nullptr); }

/* Locate set-up of the modify commands: FILTER over the types of MASK, never locked elements. */
void startModifyLocate(LocateFilterFunc filter, const int* mask, int count, bool snap) {
    mdlAccuSnap_enableLocate(1);
    if (snap) mdlAccuSnap_enableSnap(1);
    mdlLocate_setFunction(LOCATE_POSTLOCATE, filter);
    mdlLocate_noElemNoLocked();
    mdlLocate_setElemSearchMask(count, mask);
    mdlLocate_init();
}

void useEditCopy(bool clearSkew) {
    TarvikState& t = tarvik();
    t.activeDimension = t.editCopy;
    if (clearSkew) t.gd->skewMode = 0;
}

}  // namespace

/* ---- Located-element functions ----------------------------------------------------------------- */

void dimModify_textMoveFlags(SegmentText* text, int k, int segmentCount, double sx, double ex) {
    if (std::fabs((ex - sx) / 2 - text->shift) < *fc_epsilonP) {
        /* Back in the middle the text lies inside its segment: with the
        ** outside bits left set the dimension line would be cut short of
        ** its arrowhead (extended by a negative length). */
        text->textFlags &= ~(TEXT_SHIFTED | TEXT_OUTSIDE | TEXT_BEYOND_END);
        return;
    }
    text->textFlags |= TEXT_SHIFTED;
    bool forward = ex >= sx;
    if (k == 0) {
        double v = text->shift;
        if ((forward && v >= 0) || (!forward && v <= 0)) text->textFlags &= ~TEXT_OUTSIDE;
        else text->textFlags |= TEXT_OUTSIDE;
    }
    if (k + 1 == segmentCount) {
        double w = text->shift - ex + sx;
        if ((forward && w <= 0) || (!forward && w >= 0)) {
            text->textFlags &= ~TEXT_BEYOND_END;
            if (k >= 1) text->textFlags &= ~TEXT_OUTSIDE;
        } else {
            text->textFlags |= TEXT_OUTSIDE | TEXT_BEYOND_END;
        }
    }
}

/* Move text k along its segment with the cursor. */
void dimModify_moveText(Dpoint3d* cursor, int drawMode) {
    TarvikState& t = tarvik();
    DimensionRecord& d = *t.activeDimension;
    WorkingState& gd = *t.gd;
    int k = gd.current;
    if (k < 0 || k >= d.segmentCount) return;
    gd.projectedPoint = dimCommand_toFrame(*cursor, gd.firstPoint, d.axisAngle);
    Dpoint3d s = dimCommand_toFrame(d.points[k].base, gd.firstPoint, d.axisAngle);
    Dpoint3d e = dimCommand_toFrame(d.points[k + 1].base, gd.firstPoint, d.axisAngle);
    SegmentText& text = d.texts[k];
    text.shift = gd.textStart + gd.projectedPoint.x;
    dimModify_textMoveFlags(&text, k, d.segmentCount, s.x, e.x);
    rebuild(d, drawMode);
}

/* Move extension line k to the cursor; a text beyond that end keeps its place beyond it. */
void dimModify_moveExtensionLine(Dpoint3d* cursor, int drawMode) {
    TarvikState& t = tarvik();
    DimensionRecord& d = *t.activeDimension;
    WorkingState& gd = *t.gd;
    int k = gd.current;
    int n = d.segmentCount;
    if (k < 0 || k > n) return;
    Dpoint3d origin = d.points[0].base;
    d.points[k] = dimDraw_projectPoint(cursor, &origin, d.axisAngle, d.side);
    bool lastEnd = k > 0 && k == n && (d.texts[k - 1].textFlags & TEXT_BEYOND_END);
    bool firstEnd = k == 0 && n == 1 && (d.texts[0].textFlags & TEXT_BEYOND_END);
    if (lastEnd || firstEnd) {
        double moved = dimCommand_toFrame(d.points[k].base, gd.firstPoint, d.axisAngle).x;
        if (lastEnd) d.texts[k - 1].shift = gd.textStart + moved;
        else d.texts[0].shift = gd.textStart - moved;
    }
    dimText_remeasure(&d, k - 1);
    dimText_remeasure(&d, k);
    rebuild(d, drawMode);
}

/* Move the dimension line to the constrained cursor; onto the base line it does not go. */
void dimModify_moveDimensionLine(Dpoint3d* cursor, int drawMode) {
    TarvikState& t = tarvik();
    DimensionRecord& d = *t.activeDimension;
    WorkingState& gd = *t.gd;
    Dpoint3d located;
    if (!dimDraw_constrain(&located, &gd.firstPoint, cursor, d.rotation)) return;
    Dpoint3d first = dimCommand_toFrame(gd.firstPoint, d.points[0].base, d.axisAngle);
    Dpoint3d line = dimCommand_toFrame(located, d.points[0].base, d.axisAngle);
    if (std::fabs(line.y) < *fc_epsilonP) return;
    d.lineOffset = line.y;
    d.side = dimCommand_side(line.x - first.x, d.lineOffset);
    rebuild(d, drawMode);
}

/* Place the inserted point at the cursor, its segment taking dimText. */
void dimModify_placeNewPoint(Dpoint3d* cursor, int drawMode) {
    TarvikState& t = tarvik();
    DimensionRecord& d = *t.activeDimension;
    WorkingState& gd = *t.gd;
    int k = gd.current;
    if (k < 0 || k > d.segmentCount) return;
    const Dpoint3d origin = d.points[k == 0 ? 1 : 0].base;
    d.points[k] = dimDraw_projectPoint(cursor, &origin, d.axisAngle, d.side);
    dimText_newSegment(&d, k == 0 ? 0 : k - 1, drawMode == DIM_DRAW_STORE);
    /* A point inside the chain splits a segment: the rest of it, after the point, is shorter now. */
    if (k > 0) dimText_remeasure(&d, k);
    rebuild(d, drawMode);
}

/* ---- Commands ---------------------------------------------------------------------------------------- */

/* Start moving a text, extension line or dimension line of a placed dimension. */
void cmdModifyDimension(char*) {
    if (!ready()) return;
    useEditCopy(true);
    mdlState_startPrimitive(locate_handler, modifyRestart, MESSAGE_MODIFY_COMMAND, MESSAGE_MODIFY_PROMPT);
    startModifyLocate(dimModify_modifyFilter, modifyMask, 3, true);
    mdlLocate_setCursor();
}

/* Start inserting a point into a placed dimension. */
void cmdInsertPoint(char*) {
    if (!ready()) return;
    useEditCopy(true);
    tarvik().locatedPrompt = PROMPT_NEW_POINT;
    mdlState_startPrimitive(locate_handler, insertRestart, MESSAGE_INSERT_COMMAND, MESSAGE_INSERT_PROMPT);
    startModifyLocate(insertFilter, pointMask, 2, true);
    mdlLocate_setCursor();
}

/* Start editing a text of a placed dimension. */
void cmdEditText(char*) {
    if (!ready()) return;
    useEditCopy(false);
    mdlState_startPrimitive(textPick, editRestart, MESSAGE_EDIT_COMMAND, MESSAGE_EDIT_PROMPT);
    startModifyLocate(textFilter, textMask, 2, true);
    mdlLocate_setCursor();
}

/* Start deleting a point of a placed dimension. */
void cmdDeletePoint(char*) {
    if (!ready()) return;
    useEditCopy(true);
    mdlState_startModifyCommand(deleteRestart, deleteAccept, nullptr, deleteShow, deleteClean, MESSAGE_DELETE_COMMAND,
                                MESSAGE_DELETE_PROMPT, 0, 3);
    startModifyLocate(deleteFilter, pointMask, 2, false);
    locate_prompt(PROMPT_DELETE_POINT);
}
