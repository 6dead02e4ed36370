/* Skew-line triangles: the three skew commands, the triangle tables, and
** the outlines (attribute 5) and hatching (attribute 6) they build in
** dynamics or store as one graphic group; with the settings' leg
** dimensions, a dimension chain of each leg beside it. No state beyond the
** working state. */
#include "app/skew.h"

#include <cmath>
#include <utility>

#include "app/commands.h"
#include "app/dimdraw.h"
#include "app/dimtext.h"
#include "app/locate.h"
#include "app/messages.h"
#include "app/tarvikstate.h"
#include "host/mdlelement.h"
#include "host/mdlgeom.h"
#include "host/mdllevel.h"
#include "host/mdlstate.h"
#include "host/mdlsystem.h"
#include "host/mdlview.h"
#include "lib/core/plotscale.h"
#include "lib/core/util.h"
#include "lib/elements/element.h"
#include "lib/elements/elmattr.h"
#include "lib/geometry/geo.h"

namespace {

/* Isometric directions, 1000 UORs long, named by their angle. */
const Dpoint3d V30 = {866.025403784, 500, 0};
const Dpoint3d V150 = {-866.025403784, 500, 0};
const Dpoint3d V210 = {-866.025403784, -500, 0};
const Dpoint3d V330 = {866.025403784, -500, 0};
const Dpoint3d V90 = {0, 1000, 0};
const Dpoint3d V270 = {0, -1000, 0};

/* Tolerance of an isometric direction (radians), as the locate filter's. */
constexpr double AXIS_TOLERANCE = 0.001;
/* Legs shorter than this (UORs) get no dimension. */
constexpr double MIN_LEG_LENGTH = 1.0;

/* A row of a triangle table: for a line direction strictly between FROM
** and TO (multiples of 30 degrees; -1 and 13 leave that side open), the
** leg through P runs along U and the leg through Q along W, each indexed
** by the cursor side. */
struct TriangleRow {
    int from, to;
    const Dpoint3d* u[2];
    const Dpoint3d* w[2];
};

const TriangleRow horizontalRows[] = {
    {-1,  1, {&V30,  &V330}, {&V150, &V210}},
    {11, 13, {&V30,  &V330}, {&V150, &V210}},
    { 1,  3, {&V150, &V30},  {&V210, &V330}},
    { 9, 11, {&V330, &V210}, {&V30,  &V150}},
};

const TriangleRow verticalRows[] = {
    {-1,  1, {&V90,  &V330}, {&V150, &V270}},
    { 1,  3, {&V90,  &V30},  {&V210, &V270}},
    {11, 13, {&V30,  &V270}, {&V90,  &V210}},
    { 9, 11, {&V330, &V270}, {&V90,  &V150}},
};

bool inRow(const TriangleRow& row, double angle) {
    double step = *fc_piover6P;
    return (row.from < 0 || angle > row.from * step) && (row.to > 12 || angle < row.to * step);
}

Dpoint3d plus(const Dpoint3d& a, const Dpoint3d& b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }

/* Where the line through A0 and A1 meets the line through B0 and B1. */
bool meet(Dpoint3d* out, const Dpoint3d& a0, const Dpoint3d& a1, const Dpoint3d& b0, const Dpoint3d& b1) {
    Dvector3d a{a0, a1}, b{b0, b1};
    return mdlVec_intersect(out, &a, &b) == 0;
}

double uor(double master) {
    const double* value = zmlibUtil_masterToUORP(master);
    return value ? *value : master;
}

double activeScale() {
    const double* scale = zmlibPlotScale_getActiveScaleP();
    return scale && *scale > 0 ? *scale : 1.0;
}

/* The outline of T (attribute 5) as a descriptor of its own; null without memory. */
MSElementDescr* outline(const Dpoint3d t[3]) {
    zmlibElement_createShape(t, 3, 0, SKEW_ATTR_OUTLINE, nullptr);
    MSElementDescr* descr = nullptr;
    if (mdlElmdscr_new(&descr, nullptr, dgnBufP) != 0) return nullptr;
    return descr;
}

/* Hatch lines of T at ANGLE (radians), the user's spacing apart at the
** active plot scale, with the symbology of attribute 6. The attribute-6
** shape only serves as boundary and template. Null when no line fits. */
MSElementDescr* hatch(const Dpoint3d t[3], double angle) {
    const UserInterfaceData* settings = tarvik().settings;
    zmlibElement_createShape(t, 3, 0, SKEW_ATTR_HATCH, nullptr);
    MSElementDescr* shape = nullptr;
    if (!settings || mdlElmdscr_new(&shape, nullptr, dgnBufP) != 0) return nullptr;
    MSElementDescr* lines = nullptr;
    mdlPattern_hatch(&lines, shape, dgnBufP, angle, uor(settings->hatchSpacing) * activeScale(), nullptr);
    mdlElmdscr_freeAll(&shape);
    return lines;
}

/* What one triangle command builds: the outlines and up to two hatches. */
struct Triangles {
    MSElementDescr* parts[3];
};

/* A stored triangle gets a graphic group of its own: the next free number
** is active while its elements are made. Dynamics leave the numbers alone. */
void beginGroup(int drawMode) {
    if (drawMode == DRAW_MODE_NORMAL) mdlSystem_setGraphicGroup(mdlSystem_getNextGraphicGroup());
}

/* Hand out the group when something was stored. The active group is put
** back to 0 before the counters are written through, so that the design
** file does not keep the triangle's group as the active one. */
void endGroup(int drawMode, bool stored) {
    if (drawMode != DRAW_MODE_NORMAL) return;
    if (stored) mdlSystem_setNextGraphicGroup(mdlSystem_getNextGraphicGroup() + 1);
    mdlSystem_setGraphicGroup(0);
    mdlSystem_updateGraphicGroup();
}

/* Display the parts in DRAWMODE, store them in mode 0, and free them. */
void finish(Triangles& built, int drawMode) {
    DgnModelRefP model = mdlModelRef_getActive();
    bool stored = false;
    for (MSElementDescr* part : built.parts)
        if (part) mdlElmdscr_display(part, model, drawMode);
    if (drawMode == DRAW_MODE_NORMAL)
        for (MSElementDescr* part : built.parts)
            if (part && mdlElmdscr_add(part) != 0) stored = true;
    for (MSElementDescr*& part : built.parts)
        if (part) mdlElmdscr_freeAll(&part);
    endGroup(drawMode, stored);
}

/* ---- Leg dimensions ------------------------------------------------------------------------ */

bool legDimensionsOn() {
    const UserInterfaceData* settings = tarvik().settings;
    return settings && settings->skewLegDimensions;
}

/* True when directions A and B (radians) lie on one line, either way. */
bool sameLine(double a, double b) {
    double d = std::fmod(std::fabs(a - b), *fc_piP);
    return d < AXIS_TOLERANCE || *fc_piP - d < AXIS_TOLERANCE;
}

/* The isometric axis that DIRECTION runs along, either way, into DIM's
** rotation and axisAngle; false for a skew direction. */
bool legAxis(DimensionRecord* dim, const Dpoint3d& direction) {
    double angle = 0;
    zmlibGeo_getCircleQuadrant(&angle, direction.x, direction.y);
    struct Axis {
        double angle;
        int32_t rotation;
    };
    const Axis axes[] = {
        {*fc_piover6P,              1},
        {*fc_piover2P,              3},
        {*fc_2piP - *fc_piover6P,   2},
    };
    for (const Axis& axis : axes) {
        if (sameLine(angle, axis.angle)) {
            dim->rotation = axis.rotation;
            dim->axisAngle = axis.angle;
            return true;
        }
    }
    return false;
}

/* Distance of a leg's dimension line from its leg on paper (master units):
** room for the text between them, and its gap once more. */
double legLineDistance(const DimensionRecord& dim) {
    ZmAttributeData text{};
    double height = zmlibElmAttr_extractData(DIM_ATTR_TEXT, &text) == 0 ? text.textHeight : 0.0;
    return 2 * height + dim.textGap;
}

/* Dimension the leg from A to B of a triangle whose third vertex is
** OPPOSITE in DRAWMODE (0 stores): one segment that says the leg's length,
** extension lines along ALONG (an isometric direction of the triangle's
** plane), the dimension line outside the triangle. A dimension chain like
** any other, so that the modify commands take it. */
void legDimension(Dpoint3d a, Dpoint3d b, const Dpoint3d& opposite, const Dpoint3d& along, int drawMode) {
    const UserInterfaceData* settings = tarvik().settings;
    if (!settings || mdlVec_distance(&a, &b) < MIN_LEG_LENGTH) return;
    DimensionRecord d = settings->dimTemplate;
    skew_orderEnds(&a, &b);
    if (!legAxis(&d, {b.x - a.x, b.y - a.y, 0})) return;
    double extension = 0;
    zmlibGeo_getCircleQuadrant(&extension, along.x, along.y);
    d.side = sameLine(extension, d.axisAngle + *fc_piover2P + *fc_piover6P) ? 1 : 2;
    double c = std::cos(d.axisAngle), s = std::sin(d.axisAngle);
    double inside = -(opposite.x - a.x) * s + (opposite.y - a.y) * c;
    double offset = uor(legLineDistance(d)) * activeScale();
    d.lineOffset = inside > 0 ? -offset : offset;
    d.segmentCount = 1;
    d.points[0] = {a, 0};
    d.points[1] = {b, 0};
    d.texts[0] = SegmentText{};
    dimText_measure(&d, 0);
    dimDraw_build(&d, 1, drawMode, nullptr);
}

/* Dimension both legs of the triangle T (hypotenuse T[0]-T[1], right angle at T[2]). */
void legDimensions(const Dpoint3d t[3], int drawMode) {
    Dpoint3d towardQ{t[1].x - t[2].x, t[1].y - t[2].y, 0};
    Dpoint3d towardP{t[0].x - t[2].x, t[0].y - t[2].y, 0};
    legDimension(t[0], t[2], t[1], towardQ, drawMode);
    legDimension(t[2], t[1], t[0], towardP, drawMode);
}

/* One triangle in PLANE over the located line, hatched at HATCHANGLE. */
void singleTriangle(const Dpoint3d* cursor, int drawMode, SkewPlane plane, double hatchAngle) {
    WorkingState* gd = tarvik().gd;
    if (!gd || !cursor) return;
    int flag = skew_cursorSide(cursor, &gd->baseOrigin, gd->locatedAngle);
    Dpoint3d t[3];
    if (skew_trianglePoints(t, &gd->baseOrigin, &gd->locatedEnd, gd->locatedAngle, flag, plane) != SKEW_OK) return;
    beginGroup(drawMode);
    Triangles built{};
    built.parts[0] = outline(t);
    bool made = built.parts[0] != nullptr;
    if (made) built.parts[1] = hatch(t, hatchAngle);
    finish(built, drawMode);
    /* After the triangle's group is handed out: the dimensions belong to none. */
    if (made && legDimensionsOn()) legDimensions(t, drawMode);
}

double userHatchAngle() {
    const UserInterfaceData* settings = tarvik().settings;
    return settings ? settings->hatchAngle * *fc_piover180P : 0.0;
}

/* Start a skew command that runs FN on the located line; RESTART is its own start. */
void startSkew(LocatedElementFunction fn, StateFunc_Reset restart, int commandMessage) {
    TarvikState& app = tarvik();
    if (!app.gd) return;
    app.gd->skewMode = 1;
    app.locatedElementFunction = fn;
    app.locatedPrompt = commandMessage == SKEW_COMMAND_COMBINED ? PROMPT_SKEW_HEIGHT : PROMPT_SKEW_SIDE;
    mdlState_startPrimitive(locate_handler, restart, commandMessage, SKEW_PROMPT_LOCATE);
    mdlAccuSnap_enableSnap(1);
    mdlAccuSnap_enableLocate(1);
    mdlLocate_setFunction(LOCATE_POSTLOCATE, locate_placementFilter);
    mdlLocate_normal();
    mdlLocate_init();
    mdlLocate_setCursor();
}

void restartHorizontal() { cmdSkewHorizontal(nullptr); }
void restartVertical() { cmdSkewVertical(nullptr); }
void restartCombined() { cmdSkewCombined(nullptr); }

}  // namespace

int skew_cursorSide(const Dpoint3d* cursor, const Dpoint3d* origin, double angle) {
    double localY = -(cursor->x - origin->x) * std::sin(angle) + (cursor->y - origin->y) * std::cos(angle);
    return localY < 0 ? 1 : 0;
}

double skew_orderEnds(Dpoint3d* a, Dpoint3d* b) {
    bool swap = std::fabs(a->x - b->x) < *fc_epsilonP ? a->y > b->y : a->x > b->x;
    if (swap) std::swap(*a, *b);
    double angle = 0;
    zmlibGeo_getCircleQuadrant(&angle, b->x - a->x, b->y - a->y);
    return angle;
}

int skew_trianglePoints(Dpoint3d out[3], const Dpoint3d* p, const Dpoint3d* q, double angle, int flag,
                        SkewPlane plane) {
    const TriangleRow* rows = plane == SKEW_PLANE_VERTICAL ? verticalRows : horizontalRows;
    const TriangleRow* row = nullptr;
    for (int i = 0; i < 4 && !row; ++i)
        if (inRow(rows[i], angle)) row = &rows[i];
    if (!row) {
        toolSubsystem_printf("Error - invalid angle: %.1f\n", angle / *fc_piover180P);
        return SKEW_INVALID_ANGLE;
    }
    int side = flag ? 1 : 0;
    Dpoint3d x;
    if (!meet(&x, *p, plus(*p, *row->u[side]), *q, plus(*q, *row->w[side]))) return SKEW_NO_INTERSECTION;
    out[0] = *p;
    out[1] = *q;
    out[2] = x;
    return SKEW_OK;
}

void skew_horizontalTriangle(Dpoint3d* cursor, int drawMode) {
    singleTriangle(cursor, drawMode, SKEW_PLANE_HORIZONTAL, userHatchAngle());
}

void skew_verticalTriangle(Dpoint3d* cursor, int drawMode) {
    singleTriangle(cursor, drawMode, SKEW_PLANE_VERTICAL, *fc_piover2P);
}

/* A vertical triangle whose height the cursor sets, and the horizontal
** triangle on its far edge. Both are worked out before anything is made, so
** that a second triangle that cannot be built leaves nothing behind. */
void skew_combinedTriangles(Dpoint3d* cursor, int drawMode) {
    WorkingState* gd = tarvik().gd;
    if (!gd || !cursor) return;
    const Dpoint3d& p = gd->baseOrigin;
    const Dpoint3d& q = gd->locatedEnd;
    double b = gd->locatedAngle;
    int flag = skew_cursorSide(cursor, &p, b);
    const Dpoint3d& up = flag ? V270 : V90;
    Dpoint3d vertical[3], x;
    if ((flag == 0 && b <= *fc_2piP - *fc_piover6P) || (flag == 1 && b >= *fc_piover2P)) {
        if (!meet(&x, p, plus(p, up), q, *cursor)) return;
        vertical[0] = p, vertical[1] = x, vertical[2] = q;
    } else {
        if (!meet(&x, p, *cursor, q, plus(q, up))) return;
        vertical[0] = q, vertical[1] = p, vertical[2] = x;
    }
    Dpoint3d e0 = vertical[1], e1 = vertical[2];
    double edgeAngle = skew_orderEnds(&e0, &e1);
    Dpoint3d horizontal[3];
    if (skew_trianglePoints(horizontal, &e0, &e1, edgeAngle, flag, SKEW_PLANE_HORIZONTAL) != SKEW_OK) return;

    beginGroup(drawMode);
    Triangles built{};
    built.parts[0] = outline(vertical);
    bool made = built.parts[0] != nullptr;
    if (made) {
        MSElementDescr* verticalHatch = hatch(vertical, *fc_piover2P);
        zmlibElement_createShape(horizontal, 3, 0, SKEW_ATTR_OUTLINE, built.parts[0]);
        built.parts[1] = hatch(horizontal, userHatchAngle());
        built.parts[2] = verticalHatch;
    }
    finish(built, drawMode);
    if (!made || !legDimensionsOn()) return;
    /* The fall is the vertical triangle's vertical edge; its extension lines
    ** run along the horizontal leg that starts where the fall ends. */
    const int edges[3][3] = {{0, 1, 2}, {0, 2, 1}, {1, 2, 0}};
    for (const auto& e : edges) {
        const Dpoint3d& a = vertical[e[0]];
        const Dpoint3d& c = vertical[e[1]];
        DimensionRecord probe{};
        if (!legAxis(&probe, {c.x - a.x, c.y - a.y, 0}) || probe.rotation != 3) continue;
        const Dpoint3d& end = mdlVec_pointEqualUOR(&a, &horizontal[0]) || mdlVec_pointEqualUOR(&a, &horizontal[1]) ? a : c;
        Dpoint3d along{horizontal[2].x - end.x, horizontal[2].y - end.y, 0};
        legDimension(a, c, vertical[e[2]], along, drawMode);
        break;
    }
    legDimensions(horizontal, drawMode);
}

/* ---- Commands ------------------------------------------------------------------------------ */

/* Skew triangle in the horizontal plane. */
void cmdSkewHorizontal(char*) {
    startSkew(skew_horizontalTriangle, restartHorizontal, SKEW_COMMAND_SINGLE);
}

/* Skew triangle in a vertical plane. */
void cmdSkewVertical(char*) {
    startSkew(skew_verticalTriangle, restartVertical, SKEW_COMMAND_SINGLE);
}

/* Vertical and horizontal skew triangles. */
void cmdSkewCombined(char*) {
    startSkew(skew_combinedTriangles, restartCombined, SKEW_COMMAND_COMBINED);
}
