/* Minimal locate steps of the locate-based commands: the placement filter
** (a skew line, or with skewMode clear an isometric one) and the locate
** handler with its confirm and next steps. Stands in until the full
** versions that the dimension commands share are in place. */
#include <cmath>
#include <memory>
#include <vector>

#include "app/tarvik_int.h"
#include "host/mdlelement.h"
#include "host/mdlgeom.h"
#include "host/mdlstate.h"
#include "host/mdlsystem.h"
#include "lib/geometry/geo.h"

namespace {

/* The located element's function runs in the cursor's draw mode. */
void locatedDynamics(Dpoint3d* point, int, int drawMode) {
    if (tarvik().locatedElementFunction) tarvik().locatedElementFunction(point, drawMode);
}

void locatedConfirm(Dpoint3d* point, int) {
    if (tarvik().locatedElementFunction) tarvik().locatedElementFunction(point, 0);
    tarvik_restoreLock();
    mdlState_restartCurrentCommand();
}

void locatedNext() {
    WorkingState* gd = tarvik().gd;
    tarvik_restoreLock();
    if (!mdlLocate_findElement(&gd->firstPoint, gd->pickView, 1, 0, 1)) mdlState_restartCurrentCommand();
}

}  // namespace

int tarvik_placementFilter(MSElement* element, DgnModelRefP model, UInt32, Dpoint3d*, int) {
    WorkingState* gd = tarvik().gd;
    if (!element || !gd) return LOCATE_FILTER_REJECT;
    static auto component = std::make_unique<MSElement>();
    const MSElement* located = element;
    int type = mdlElement_getType(element);
    if (type == CELL_HEADER_ELM || type == CMPLX_STRING_ELM) {
        if (mdlElement_read(component.get(), model, mdlElement_getFilePos(FILEPOS_LOCATED_COMPONENT, nullptr)) != 0)
            return LOCATE_FILTER_REJECT;
        located = component.get();
        type = mdlElement_getType(located);
    }
    std::vector<Dpoint3d> points(MAX_VERTICES);
    int count = 0, k = 0;
    if (type != LINE_ELM && type != LINE_STRING_ELM && type != SHAPE_ELM) return LOCATE_FILTER_REJECT;
    if (mdlLinear_extract(points.data(), &count, located, model) != 0 || count < 2) return LOCATE_FILTER_REJECT;
    if (type != LINE_ELM && (mdlLocate_getProjectedPoint(nullptr, &k) != 0 || k < 0 || k + 1 >= count))
        return LOCATE_FILTER_REJECT;
    Dpoint3d a = points[k], b = points[k + 1];
    bool swap = std::fabs(a.x - b.x) < *fc_epsilonP ? a.y > b.y : a.x > b.x;
    if (swap) std::swap(a, b);
    gd->baseOrigin = a;
    gd->locatedEnd = b;
    zmlibGeo_getCircleQuadrant(&gd->locatedAngle, b.x - a.x, b.y - a.y);
    double q = (gd->locatedAngle + *fc_piover6P) / *fc_piover3P;
    double f = std::floor(q + *fc_epsilonP);
    if (gd->skewMode) return q - f > 0.001 ? LOCATE_FILTER_ACCEPT : LOCATE_FILTER_REJECT;
    const struct { double angle; int rotation; } axes[] = {
        {*fc_piover2P, 3}, {*fc_piover6P, 1}, {*fc_2piP - *fc_piover6P, 2}};
    for (const auto& axis : axes) {
        if (std::fabs(gd->locatedAngle - axis.angle) < 0.001) {
            gd->locatedRotation = axis.rotation;
            gd->locatedAxisAngle = axis.angle;
            return LOCATE_FILTER_ACCEPT;
        }
    }
    return LOCATE_FILTER_REJECT;
}

void tarvik_locateHandler(Dpoint3d* point, int view) {
    WorkingState* gd = tarvik().gd;
    tarvik_saveLock();
    gd->firstPoint = *point;
    gd->pickView = view;
    tarvik_prompt(3);
    if (!mdlLocate_findElement(point, view, 0, 0, 1)) return;
    mdlAccuSnap_enableLocate(0);
    mdlState_setFunction(STATEFUNC_DYNAMICS, reinterpret_cast<StateFunc>(locatedDynamics));
    mdlState_setFunction(STATEFUNC_DATAPOINT, reinterpret_cast<StateFunc>(locatedConfirm));
    mdlState_setFunction(STATEFUNC_RESET, reinterpret_cast<StateFunc>(locatedNext));
}

void tarvik_prompt(int n) { mdlOutput_rscPrintf(2, 0, LIST_PROMPTS, n); }
