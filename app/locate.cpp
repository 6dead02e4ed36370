/* Locating for the dimension and skew-triangle commands: lock 517 around
** them, the placement filter that accepts a line along an isometric axis
** (or, in skew mode, one off every axis), the locate handler with its
** confirm and next steps, and the prompts and status texts that say what
** a pick did. No state of its own: it fills the working state. */
#include "app/locate.h"

#include <cmath>
#include <limits>
#include <vector>

#include "app/messages.h"
#include "app/resourceids.h"
#include "app/tarvikstate.h"
#include "host/mdlcommand.h"
#include "host/mdlelement.h"
#include "host/mdlgeom.h"
#include "host/mdlstate.h"
#include "host/mdlsystem.h"
#include "host/mdlview.h"
#include "lib/geometry/geo.h"

namespace {

/* Tolerance of the axis match (radians) and of the skew sector test (in sectors). */
constexpr double AXIS_TOLERANCE = 0.001;

/* The two vertices of the segment of ELEMENT that the locate hit, into A and B. */
bool hitSegment(const MSElement* element, DgnModelRefP model, Dpoint3d* a, Dpoint3d* b) {
    int type = mdlElement_getType(element);
    if (type != LINE_ELM && type != LINE_STRING_ELM && type != SHAPE_ELM) return false;
    int k = 0;
    if (type != LINE_ELM && mdlLocate_getProjectedPoint(nullptr, &k) != 0) return false;
    std::vector<Dpoint3d> points(MAX_VERTICES);
    int count = 0;
    if (mdlLinear_extract(points.data(), &count, element, model) != 0) return false;
    if (k < 0 || k + 1 >= count) return false;
    *a = points[k];
    *b = points[k + 1];
    return true;
}

/* Run the command's located-element function on the cursor (dynamics). */
void locatedDynamics(Dpoint3d* point, int, int drawMode) {
    if (LocatedElementFunction fn = tarvik().locatedElementFunction) fn(point, drawMode);
}

/* Accept the located element: the final call stores the result. */
void locateConfirm(Dpoint3d* point, int) {
    if (LocatedElementFunction fn = tarvik().locatedElementFunction) fn(point, DRAW_MODE_NORMAL);
    locate_restoreLock();
    mdlState_restartCurrentCommand();
}

/* What the next point does with the element located now. */
void locatedPrompt() {
    int n = tarvik().locatedPrompt;
    locate_prompt(n ? n : PROMPT_ACCEPT_OR_NEXT);
}

/* Try the next candidate at the first point; none left: start over. */
void locateNext() {
    WorkingState* gd = tarvik().gd;
    locate_restoreLock();
    if (!gd || !locate_find(&gd->firstPoint, gd->pickView, true)) {
        mdlState_restartCurrentCommand();
        return;
    }
    locatedPrompt();
}

bool samePoint(const Dpoint3d& a, const Dpoint3d& b) { return a.x == b.x && a.y == b.y && a.z == b.z; }

}  // namespace

/* ---- Lock 517 ------------------------------------------------------------------------------ */

void locate_saveLock() {
    TarvikState& t = tarvik();
    t.savedLockState = mdlParams_getLock(LOCK_517) ? 1 : 0;
    if (t.savedLockState == 1) mdlDialog_cmdNumberQueue(0, CMD_LOCK_OFF, nullptr, 1);
}

void locate_restoreLock() {
    TarvikState& t = tarvik();
    if (t.savedLockState == 1) mdlDialog_cmdNumberQueue(0, CMD_LOCK_ON, nullptr, 1);
    else if (t.savedLockState == 0) mdlDialog_cmdNumberQueue(0, CMD_LOCK_OFF, nullptr, 1);
}

/* ---- Locate -------------------------------------------------------------------------------- */

int locate_placementFilter(MSElement* element, DgnModelRefP model, UInt32, Dpoint3d* point, int) {
    WorkingState* gd = tarvik().gd;
    if (!gd || !element) return LOCATE_FILTER_REJECT;

    /* A cell or complex chain stands for the component that was hit. */
    MSElement component;
    int type = mdlElement_getType(element);
    if (type == CELL_HEADER_ELM || type == CMPLX_STRING_ELM) {
        if (mdlElement_read(&component, model, mdlElement_getFilePos(FILEPOS_LOCATED_COMPONENT, nullptr)) != 0)
            return locate_refuse(point, STATUS_NOT_A_LINE);
        element = &component;
    }
    Dpoint3d a, b;
    if (!hitSegment(element, model, &a, &b)) return locate_refuse(point, STATUS_NOT_A_LINE);

    /* Order the ends left to right (bottom to top for a vertical line), so
    ** that the direction lies in [0, pi/2] or (3 pi/2, 2 pi). */
    double eps = *fc_epsilonP;
    if (std::fabs(a.x - b.x) < eps ? a.y > b.y : a.x > b.x) std::swap(a, b);
    /* A segment without length has no direction. */
    if (std::fabs(a.x - b.x) < eps && std::fabs(a.y - b.y) < eps) return locate_refuse(point, STATUS_NOT_A_LINE);
    gd->baseOrigin = a;
    gd->locatedEnd = b;
    zmlibGeo_getCircleQuadrant(&gd->locatedAngle, b.x - a.x, b.y - a.y);

    if (gd->skewMode) {
        /* One-sided: just below an isometric direction is skew, up to a
        ** thousandth of a sector above it is not. */
        double q = (gd->locatedAngle + *fc_piover6P) / *fc_piover3P;
        double f = std::floor(q + eps);
        return q - f > AXIS_TOLERANCE ? locate_accept() : locate_refuse(point, STATUS_NOT_SKEW);
    }

    struct Axis {
        double angle;
        int32_t rotation;
    };
    const Axis axes[] = {
        {*fc_piover2P,              3},
        {*fc_piover6P,              1},
        {*fc_2piP - *fc_piover6P,   2},
    };
    for (const Axis& axis : axes) {
        if (std::fabs(gd->locatedAngle - axis.angle) < AXIS_TOLERANCE) {
            gd->locatedRotation = axis.rotation;
            gd->locatedAxisAngle = axis.angle;
            return locate_accept();
        }
    }
    return locate_refuse(point, STATUS_NOT_ISOMETRIC);
}

void locate_handler(Dpoint3d* point, int view) {
    WorkingState* gd = tarvik().gd;
    if (!gd || !point) return;
    locate_saveLock();
    gd->firstPoint = *point;
    gd->pickView = view;
    if (!locate_find(point, view, false)) {
        /* Nothing here: the lock goes back now, so that the next try saves
        ** the user's own state and not the one switched off for this one. */
        locate_restoreLock();
        return;
    }
    mdlAccuSnap_enableLocate(0);
    mdlState_setFunction(STATEFUNC_DYNAMICS, reinterpret_cast<StateFunc>(locatedDynamics));
    mdlState_setFunction(STATEFUNC_DATAPOINT, reinterpret_cast<StateFunc>(locateConfirm));
    mdlState_setFunction(STATEFUNC_RESET, reinterpret_cast<StateFunc>(locateNext));
    locatedPrompt();
}

void locate_prompt(int n) { mdlOutput_rscPrintf(MSG_PROMPT, 0, LIST_PROMPTS, n); }

/* ---- Why a pick took nothing --------------------------------------------------------------- */

int locate_refuse(const Dpoint3d* point, int status) {
    TarvikState& t = tarvik();
    /* In a pick of the command's own the reason waits: a farther candidate may still be taken. */
    if (t.pickRefusal >= 0) {
        if (t.pickRefusal == 0) t.pickRefusal = status;
        return LOCATE_FILTER_REJECT;
    }
    Dpoint3d at = point ? *point : Dpoint3d{};
    if (!t.refusalShown || !samePoint(at, t.refusedAt)) {
        mdlOutput_rscPrintf(MSG_STATUS, 0, LIST_STATUS, status);
        t.refusalShown = true;
        t.refusedAt = at;
    }
    return LOCATE_FILTER_REJECT;
}

int locate_accept() {
    TarvikState& t = tarvik();
    if (t.refusalShown) mdlOutput_printf(MSG_STATUS, "");
    t.refusalShown = false;
    return LOCATE_FILTER_ACCEPT;
}

UInt32 locate_find(Dpoint3d* point, int view, bool next) {
    TarvikState& t = tarvik();
    t.pickRefusal = 0;
    UInt32 found = mdlLocate_findElement(point, view, next ? 1 : 0, 0, 1);
    int reason = t.pickRefusal ? t.pickRefusal : STATUS_NOTHING_FOUND;
    t.pickRefusal = -1;
    /* None left after a next search: the command starts over, nothing to explain. */
    if (!found && !next) {
        /* Shown even where the last pick was refused: NaN equals no point. */
        double none = std::numeric_limits<double>::quiet_NaN();
        t.refusedAt = {none, none, none};
        locate_refuse(point, reason);
    }
    return found;
}
