/* Isometric dimension geometry and drawing: a DimensionRecord becomes a
** "TARVIK" cell of extension lines, slanted texts, dimension lines and
** arrowheads, built in local frames on the host's transform stack. */
#include "app/dimdraw.h"

#include <cmath>

#include "app/dimrecord.h"
#include "host/mdlcommand.h"
#include "host/mdlelement.h"
#include "host/mdlgeom.h"
#include "host/mdltext.h"
#include "host/mdltextsettings.h"
#include "host/mdlview.h"
#include "lib/core/plotscale.h"
#include "lib/core/util.h"
#include "lib/elements/element.h"
#include "lib/elements/elmattr.h"
#include "lib/geometry/geo.h"

namespace {

double uor(double master) {
    const double* value = zmlibUtil_masterToUORP(master);
    return value ? *value : master;
}

double activeScale() {
    const double* scale = zmlibPlotScale_getActiveScaleP();
    return scale && *scale > 0 ? *scale : 1.0;
}

/* Open a frame at ORIGIN (current coordinates) rotated by ANGLE about z. */
void beginFrame(const Dpoint3d& origin, double angle) {
    mdlCurrTrans_begin();
    mdlCurrTrans_translateOrigin(&origin);
    mdlCurrTrans_rotateByAngles(0, 0, angle);
}

Dpoint3d toLocal(const Dpoint3d& world) {
    Dpoint3d out;
    mdlCurrTrans_invtransPointArray(&out, &world, 1);
    return out;
}

Dpoint3d toWorld(const Dpoint3d& local) {
    Dpoint3d out;
    mdlCurrTrans_transformPointArray(&out, &local, 1);
    return out;
}

struct Build {
    const DimensionRecord* dim;
    MSElementDescr* descr;
    int drawMode;
    double scale;     /* active plot scale */
    bool failed;
    double perMaster; /* UORs per master unit, 0: ask for each conversion */
};

/* MASTER in UORs as uor() answers, without a lookup per conversion. */
double uor(const Build& b, double master) { return b.perMaster > 0 ? master * b.perMaster : uor(master); }

/* Component data is read back from stored cells only; dynamics go without it.
** Erase and highlight draw it, so that they match what the views show. */
bool withComponentData(const Build& b) { return b.drawMode != DRAW_MODE_TEMP_DRAW; }

void append(Build& b, const MSElement& element) {
    if (mdlElmdscr_appendElement(b.descr, &element) != 0) b.failed = true;
}

/* Line from A to B (local) with ATTRIBUTE and, when KIND is set, its component data. */
void addLine(Build& b, const Dpoint3d& a, const Dpoint3d& c, int attribute, int kind, int index) {
    MSElement line;
    Dpoint3d points[2] = {a, c};
    if (mdlLine_create(&line, nullptr, points) != 0) {
        b.failed = true;
        return;
    }
    zmlibElmAttr_setSymbologyAndProperties(&line, attribute, nullptr);
    if (kind && withComponentData(b) && dimRecord_writeComponentData(&line, kind, index, b.dim) != 0) b.failed = true;
    append(b, line);
}

/* Draw the extension line of point I; answers its dimension-line point in world coordinates. */
Dpoint3d extensionLine(Build& b, int i) {
    const DimensionRecord& r = *b.dim;
    beginFrame(r.points[i].base, dimDraw_extensionAngle(&r));
    Dpoint3d d{r.lineOffset * DIM_SEC30, 0, 0};
    double g = uor(b, r.extensionGap) * b.scale;
    double o = uor(b, r.extensionOvershoot) * b.scale;
    double w = r.points[i].offset * DIM_SEC30;
    double start, end;
    if (r.lineOffset > 0) {
        start = w + g;
        end = d.x + o;
    } else {
        start = w - g;
        end = d.x - o;
    }
    addLine(b, {start, 0, 0}, {end, 0, 0}, DIM_ATTR_EXTENSION, DIM_COMPONENT_EXTENSION, i);
    Dpoint3d world = toWorld(d);
    mdlCurrTrans_end();
    return world;
}

/* Arrowhead at the frame's origin pointing at it along x; FLIPPED puts it on the negative side. */
void arrowhead(Build& b, bool flipped) {
    const DimensionRecord& r = *b.dim;
    int fill;
    switch (r.terminatorType) {
    case 1: fill = -1; break;
    case 2: fill = 0; break;
    case 3: fill = 1; break;
    default: return;
    }
    double w = uor(b, r.terminatorWidth) * b.scale * 0.5;
    double k = w * DIM_TAN30;
    double l = uor(b, r.terminatorLength) * b.scale;
    Dpoint3d p[3];
    p[1] = {0, 0, 0};
    if (r.side == 1) {
        p[0] = {l - k, w, 0};
        p[2] = {l + k, -w, 0};
    } else {
        p[0] = {l + k, w, 0};
        p[2] = {l - k, -w, 0};
    }
    mdlCurrTrans_begin();
    if (flipped) mdlCurrTrans_rotateByAngles(0, 0, *fc_piP);
    if (fill < 0) zmlibElement_createLineString(p, 3, DIM_ATTR_ARROWHEAD, b.descr);
    else zmlibElement_createShape(p, 3, fill, DIM_ATTR_ARROWHEAD, b.descr);
    mdlCurrTrans_end();
}

void segment(Build& b, int i, const Dpoint3d& di, const Dpoint3d& dnext) {
    const DimensionRecord& r = *b.dim;
    const SegmentText& t = r.texts[i];
    double length = mdlVec_distance(&di, &dnext);
    beginFrame(di, r.axisAngle);
    Dpoint3d a{0, 0, 0};
    Dpoint3d c = toLocal(dnext);
    c.y = c.z = 0; /* the points lie on the axis; drop rounding noise */
    Dpoint3d c0 = c;
    bool reversed = a.x > c.x;

    bool arrowsTooLong = uor(b, r.minArrowSpace) + 2 * b.scale * uor(b, r.terminatorLength) > length;
    bool outsideText = (t.textFlags & TEXT_OUTSIDE) != 0;
    bool noLineBetween = arrowsTooLong && (r.dimFlags & 2);

    /* The host's active angle is left at +-30 degrees for the user; the text
    ** creation slants by the active text slant, and the text itself is given
    ** the frame's own rotation so that its base runs along the axis (the
    ** active angle would otherwise turn it off the axis). */
    double angle = r.side == 1 ? -*fc_piover6P : *fc_piover6P;
    mdlParams_setActive(&angle, ACTIVEPARAM_ANGLE);
    mdlSettings_setTextSlant(angle / *fc_piover180P);
    RotMatrix alongAxis;
    mdlRMatrix_getIdentity(&alongAxis);
    /* Make the text H (master units at the plot scale) off the line; false
    ** when there is none or the host refuses it. */
    MSElement text;
    auto place = [&](double h) {
        double y = uor(b, b.scale) * h;
        double x0 = r.side == 1 ? -y * DIM_TAN30 : y * DIM_TAN30;
        Dpoint3d at{x0 + ((t.textFlags & TEXT_SHIFTED) ? t.shift : c.x / 2), y, 0};
        return t.text[0] && zmlibElmAttr_createText(&text, nullptr, t.text, &at, &alongAxis, nullptr, DIM_ATTR_TEXT,
                                                    1.0 / uor(b, b.scale), nullptr) == 0;
    };
    /* The text is made where it stands when it fits, and measured as made (at
    ** the plot scale already: lambda is compared as it is); its length is the
    ** host's metric of its characters, wherever it stands. One too long for
    ** its segment is made again where it then stands. */
    bool made = place(r.textGap);
    double lambda = 0.0;
    TextExtent extent{};
    if (made && mdlText_extract(nullptr, 0, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &text, &extent) == 0)
        lambda = extent.length;
    bool textTooLong = lambda + uor(b, r.textMargin) > length;
    if (!outsideText && textTooLong) {
        ZmAttributeData data{};
        zmlibElmAttr_extractData(DIM_ATTR_TEXT, &data);
        made = place(r.lineOffset > 0 ? r.textGap + data.textHeight : -(2 * r.textGap + data.textHeight));
    }
    if (t.text[0]) {
        if (made) {
            if (withComponentData(b) && dimRecord_writeComponentData(&text, DIM_COMPONENT_TEXT, i, &r) != 0)
                b.failed = true;
            append(b, text);
        } else {
            b.failed = true;
        }
    }

    if (reversed) std::swap(a, c);
    if (outsideText || !noLineBetween) {
        if (outsideText) {
            double d = std::fabs(t.shift) + lambda * 0.5;
            if (t.textFlags & TEXT_BEYOND_END) d -= c.x - a.x;
            if (t.shift < 0) {
                if (noLineBetween) c = a;
                a.x -= d;
            } else {
                if (noLineBetween) a = c;
                c.x += d;
            }
        }
        addLine(b, a, c, DIM_ATTR_DIMLINE, DIM_COMPONENT_DIMLINE, i);
    }

    bool outside = arrowsTooLong != reversed;
    arrowhead(b, outside);
    mdlCurrTrans_translateOrigin(&c0);
    arrowhead(b, !outside);
    mdlCurrTrans_end();
}

}  // namespace

double dimDraw_extensionAngle(const DimensionRecord* dim) {
    return dim->side == 1 ? dim->axisAngle + *fc_piover2P + *fc_piover6P : dim->axisAngle + *fc_piover2P - *fc_piover6P;
}

DimPoint dimDraw_projectPoint(const Dpoint3d* point, const Dpoint3d* origin, double axisAngle, int side) {
    beginFrame(*origin, axisAngle);
    Dpoint3d local = toLocal(*point);
    DimPoint out{};
    out.offset = local.y;
    Dpoint3d base{side == 2 ? local.x - local.y * DIM_TAN30 : local.x + local.y * DIM_TAN30, 0, 0};
    out.base = toWorld(base);
    mdlCurrTrans_end();
    return out;
}

bool dimDraw_constrain(Dpoint3d* out, const Dpoint3d* origin, const Dpoint3d* cursor, int rotation) {
    double a = 0;
    zmlibGeo_getCircleQuadrant(&a, cursor->x - origin->x, cursor->y - origin->y);
    const double sector = *fc_piover3P;
    a = std::floor(a / sector) * sector + *fc_piover6P;
    if (a > *fc_2piP) a -= *fc_2piP;
    auto near = [a](double v) { return std::fabs(a - v) < *fc_epsilonP; };
    const double pi = *fc_piP, p6 = *fc_piover6P;
    if (rotation == 3 && (near(*fc_piover2P) || near(pi + *fc_piover2P))) return false;
    if (rotation == 1 && (near(p6) || near(pi + p6))) return false;
    if (rotation == 2 && (near(pi - p6) || near(*fc_2piP - p6))) return false;
    beginFrame(*origin, a);
    Dpoint3d local = toLocal(*cursor);
    local.y = local.z = 0;
    *out = toWorld(local);
    mdlCurrTrans_end();
    return true;
}

int dimDraw_buildDescr(MSElementDescr** out, const DimensionRecord* dim, int n, int drawMode) {
    *out = nullptr;
    if (n <= 0 || n > DIM_MAX_SEGMENTS) return DIM_BUILD_REFUSED;
    MSElement header;
    if (mdlCell_create(&header, zmlibUtil_convertToUnicodeText("TARVIK"), &dim->points[0].base, 0) != 0)
        return DIM_BUILD_REFUSED;
    if (drawMode == DIM_DRAW_STORE) {
        /* The stored count is the built one, so that reading it back gives this chain. */
        DimensionRecord stored = *dim;
        stored.segmentCount = n;
        if (dimRecord_writeHeaderData(&header, &stored) != 0) return DIM_BUILD_REFUSED;
    }
    Build b{dim, nullptr, drawMode, activeScale(), false, uor(1.0)};
    if (mdlElmdscr_new(&b.descr, nullptr, &header) != 0 || !b.descr) return DIM_BUILD_REFUSED;
    Dpoint3d previous = extensionLine(b, 0);
    for (int i = 0; i < n; ++i) {
        Dpoint3d next = extensionLine(b, i + 1);
        segment(b, i, previous, next);
        previous = next;
    }
    *out = b.descr;
    return b.failed ? DIM_BUILD_REFUSED : 0;
}

int dimDraw_build(const DimensionRecord* dim, int n, int drawMode, uint32_t* filePosOut) {
    if (filePosOut) *filePosOut = 0;
    if (n < 0 || n > DIM_MAX_SEGMENTS) return DIM_BUILD_REFUSED;
    if (n == 0) return 0;
    MSElementDescr* descr = nullptr;
    int status = dimDraw_buildDescr(&descr, dim, n, drawMode);
    if (!descr) return DIM_BUILD_REFUSED;
    DgnModelRefP model = mdlModelRef_getActive();
    mdlElmdscr_display(descr, model, drawMode);
    if (drawMode == DIM_DRAW_STORE && status == 0) {
        mdlCell_setRange(descr, model);
        uint32_t pos = mdlElmdscr_add(descr);
        if (pos == 0) status = DIM_BUILD_REFUSED;
        if (filePosOut) *filePosOut = pos;
    }
    mdlElmdscr_freeAll(&descr);
    return status;
}
