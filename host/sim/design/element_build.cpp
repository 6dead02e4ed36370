/* Constructors of element records: lines, shapes, arcs and ellipses, text,
** cells and complex headers, honouring the current transform, a template
** element and the active settings; the fields of text and cell headers.
** State: the scratch record constructors build in. */
#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>

#include "host/mdlelement.h"
#include "host/mdlgeom.h"
#include "host/mdltext.h"
#include "host/sim/design/design.h"

using namespace sim::elem;

namespace {

MSElement* scratch = new MSElement();   /* lives for the process, like the shared buffer */

const sim::design::Settings& activeSettings() {
    static const sim::design::Settings defaults{};
    sim::design::DesignFile* f = sim::design::activeFile();
    return f ? f->settings : defaults;
}

/* Level, display header and properties from the template or the active settings. */
void applyTemplate(uint8_t* e, const MSElement* templ) {
    if (templ && wellFormed(templ->bytes, MAX_ELEMENT_SIZE) && isGraphicType(type(templ->bytes))) {
        put4(e + H_LEVEL, get4(templ->bytes + H_LEVEL));
        std::memcpy(e + D_COLOUR, templ->bytes + D_COLOUR, static_cast<int>(GRAPHIC_BODY_OFFSET) - static_cast<int>(D_COLOUR));
        put2(e + D_PROPS, get2(e + D_PROPS) & ~(ELEMPROP_NEW | ELEMPROP_MODIFIED));
        return;
    }
    const sim::design::Settings& s = activeSettings();
    put4(e + H_LEVEL, s.activeLevel);
    put4(e + D_COLOUR, s.activeColour);
    put4(e + D_WEIGHT, s.activeWeight);
    put4(e + D_STYLE, static_cast<uint32_t>(s.activeStyle));
    put4(e + D_GGROUP, s.graphicGroup);
    put2(e + D_CLASS, static_cast<uint32_t>(s.activeClass));
}

/* Style parameter linkage of the template, carried over to the new element. */
void copyStyleParams(uint8_t* e, const MSElement* templ) {
    LineStyleParams p;
    if (templ && mdlElement_getLineStyleParams(&p, templ) == 0) {
        Int32 style = static_cast<Int32>(get4(e + D_STYLE));
        mdlElement_setLineStyle(reinterpret_cast<MSElement*>(e), &style, &p);
    }
}

void finish(MSElement* out, const MSElement* templ) {
    uint8_t* e = scratch->bytes;
    copyStyleParams(e, templ);
    std::memcpy(out->bytes, e, sizeBytes(e));
}

/* P through T, as mdlTMatrix_transformPoint computes it (the same bits). */
Dpoint3d transformed(const Transform& t, const Dpoint3d& p) {
    const auto& m = t.form3d;
    return {m[0][0] * p.x + m[0][1] * p.y + m[0][2] * p.z + m[0][3],
            m[1][0] * p.x + m[1][1] * p.y + m[1][2] * p.z + m[1][3],
            m[2][0] * p.x + m[2][1] * p.y + m[2][2] * p.z + m[2][3]};
}

Dpoint3d toWorld(const Dpoint3d& p) { return transformed(sim::geom::currentToWorld(), p); }

/* Combine ROTATION (null: identity) with the frame's rotation; SCALES gets the
** frame's scale along the two in-plane axes. */
RotMatrix worldRotation(const RotMatrix* rotation, double scales[2]) {
    const Transform& t = sim::geom::currentToWorld();
    RotMatrix frame, r, out;
    mdlRMatrix_fromTMatrix(&frame, &t);
    if (rotation) r = *rotation; else mdlRMatrix_getIdentity(&r);
    mdlRMatrix_multiply(&out, &frame, &r);
    for (int c = 0; c < 3; ++c) {
        double n = std::sqrt(out.form3d[0][c] * out.form3d[0][c] + out.form3d[1][c] * out.form3d[1][c] +
                             out.form3d[2][c] * out.form3d[2][c]);
        if (c < 2) scales[c] = n;
        if (n > 0) for (int i = 0; i < 3; ++i) out.form3d[i][c] /= n;
    }
    return out;
}

bool finitePoint(const Dpoint3d& p) { return std::isfinite(p.x) && std::isfinite(p.y) && std::isfinite(p.z); }

/* The fill of a closed element: FILLMODE -1 takes TEMPL's, 0 none, else filled
** in the element's own colour. */
void applyFill(uint8_t* e, const MSElement* templ, int fillMode) {
    uint16_t props = get2(e + D_PROPS);
    bool fill = fillMode == -1 ? (templ && mdlElement_isFilled(templ, nullptr)) : fillMode != 0;
    props = fill ? (props | ELEMPROP_FILLED) : (props & ~ELEMPROP_FILLED);
    put2(e + D_PROPS, props);
    if (fill && fillMode != -1) put4(e + D_FILL, get4(e + D_COLOUR));
}

StatusInt buildLinear(MSElement* out, const MSElement* templ, int elemType, const Dpoint3d* points, int count, int fillMode) {
    if (!out || !points || count < 2 || count > MAX_VERTICES) return HOST_ERROR;
    if (elemType == SHAPE_ELM && count < 3) return HOST_ERROR;
    for (int i = 0; i < count; ++i)
        if (!finitePoint(points[i])) return HOST_ERROR;
    uint8_t* e = scratch->bytes;
    const Transform& t = sim::geom::currentToWorld();
    if (elemType == LINE_ELM) {
        initRecord(e, LINE_ELM, LINE_BYTES);
        applyTemplate(e, templ);
        putP(e + L_START, transformed(t, points[0]));
        putP(e + L_END, transformed(t, points[1]));
    } else {
        initRecord(e, elemType, LS_POINTS + 24 * count);
        applyTemplate(e, templ);
        put4(e + LS_COUNT, count);
        for (int i = 0; i < count; ++i) putP(e + LS_POINTS + 24 * i, transformed(t, points[i]));
    }
    if (elemType == SHAPE_ELM) {
        applyFill(e, templ, fillMode);
    }
    finish(out, templ);
    return HOST_SUCCESS;
}

StatusInt buildConic(MSElement* out, const MSElement* templ, bool arc, const Dpoint3d* centre, double a1, double a2,
                     const RotMatrix* rotation, double start, double sweep, int fillMode) {
    if (!out || !centre || !finitePoint(*centre) || !std::isfinite(a1) || !std::isfinite(a2) || !std::isfinite(start) ||
        !std::isfinite(sweep))
        return HOST_ERROR;
    uint8_t* e = scratch->bytes;
    initRecord(e, arc ? ARC_ELM : ELLIPSE_ELM, arc ? ARC_BYTES : ELLIPSE_BYTES);
    applyTemplate(e, templ);
    double scales[2];
    RotMatrix r = worldRotation(rotation, scales);
    putP(e + E_CENTRE, toWorld(*centre));
    putD(e + E_AXIS1, std::fabs(a1) * scales[0]);
    putD(e + E_AXIS2, std::fabs(a2) * scales[1]);
    putM(e + E_ROT, r);
    if (arc) {
        putD(e + A_START, start);
        putD(e + A_SWEEP, sweep);
    } else {
        applyFill(e, templ, fillMode);
    }
    finish(out, templ);
    return HOST_SUCCESS;
}

size_t wlen(const MSWChar* s, size_t max) {
    size_t n = 0;
    while (n < max && s[n]) ++n;
    return n;
}

}  // namespace

/* ---- Constructors ------------------------------------------------------------------------------ */

StatusInt mdlLine_create(MSElement* out, const MSElement* templ, const Dpoint3d* points) {
    return buildLinear(out, templ, LINE_ELM, points, 2, 0);
}

StatusInt mdlLineString_create(MSElement* out, const MSElement* templ, const Dpoint3d* points, int count) {
    return buildLinear(out, templ, LINE_STRING_ELM, points, count, 0);
}

StatusInt mdlShape_create(MSElement* out, const MSElement* templ, const Dpoint3d* points, int count, int fillMode) {
    return buildLinear(out, templ, SHAPE_ELM, points, count, fillMode);
}

StatusInt mdlArc_create(MSElement* out, const MSElement* templ, const Dpoint3d* centre, double primaryAxis,
                        double secondaryAxis, const RotMatrix* rotation, double startAngle, double sweepAngle) {
    return buildConic(out, templ, true, centre, primaryAxis, secondaryAxis, rotation, startAngle, sweepAngle, 0);
}

StatusInt mdlArc_createByCenter(MSElement* out, const MSElement* templ, const Dpoint3d* start, const Dpoint3d* centre,
                                const Dpoint3d* end, int clockwise) {
    if (!start || !centre || !end) return HOST_ERROR;
    double r = std::hypot(start->x - centre->x, start->y - centre->y);
    if (r == 0.0) return HOST_ERROR;
    double a0 = std::atan2(start->y - centre->y, start->x - centre->x);
    double a1 = std::atan2(end->y - centre->y, end->x - centre->x);
    double sweep = a1 - a0;
    if (clockwise) {
        while (sweep >= 0) sweep -= 2 * M_PI;
    } else {
        while (sweep <= 0) sweep += 2 * M_PI;
    }
    return buildConic(out, templ, true, centre, r, r, nullptr, a0, sweep, 0);
}

StatusInt mdlEllipse_create(MSElement* out, const MSElement* templ, const Dpoint3d* centre, double primaryAxis,
                            double secondaryAxis, const RotMatrix* rotation, int fillMode) {
    return buildConic(out, templ, false, centre, primaryAxis, secondaryAxis, rotation, 0.0, 2 * M_PI, fillMode);
}

StatusInt mdlText_createWide(MSElement* out, const MSElement* templ, const MSWChar* text, const Dpoint3d* origin,
                             const RotMatrix* rotation, const TextSizeParam* size, const TextParamWide* params,
                             const void* textOptions) {
    (void)textOptions;
    if (!out || !text || !text[0]) return HOST_ERROR;
    size_t n = wlen(text, MAX_TEXT_CHARS + 1);
    if (n > MAX_TEXT_CHARS) return HOST_ERROR;
    const uint8_t* t = templ && type(templ->bytes) == TEXT_ELM && wellFormed(templ->bytes, MAX_ELEMENT_SIZE)
                           ? templ->bytes : nullptr;
    const sim::design::Settings& s = activeSettings();
    /* Everything the template gives is read before SCRATCH is written: OUT may equal TEMPL. */
    Dpoint3d o;
    if (origin) {
        if (!finitePoint(*origin)) return HOST_ERROR;
        o = toWorld(*origin);
    } else if (t) {
        o = getP(t + T_ORIGIN);
    } else {
        return HOST_ERROR;
    }
    double scales[2] = {1.0, 1.0};
    RotMatrix r;
    bool frameApplied = true;
    if (rotation) {
        r = worldRotation(rotation, scales);
    } else if (t) {
        r = getM(t + T_ROT);
        frameApplied = false;
    } else {
        RotMatrix a;
        mdlRMatrix_fromAngle(&a, s.activeAngle * M_PI / 180.0);
        r = worldRotation(&a, scales);
    }
    double width, height;
    if (size) {
        width = size->size.x, height = size->size.y;
    } else if (t) {
        width = getD(t + T_WIDTH), height = getD(t + T_HEIGHT);
        scales[0] = scales[1] = 1.0;
    } else {
        width = s.textWidth, height = s.textHeight;
    }
    if (frameApplied) width *= scales[0], height *= scales[1];
    if (!std::isfinite(width) || !std::isfinite(height)) return HOST_ERROR;
    int font = t ? static_cast<int>(get4(t + T_FONT)) : s.activeFont;
    int just = t ? get2(t + T_JUST) : s.textJustification;
    double slant = t ? getD(t + T_SLANT) : 0.0;
    double spacing = t ? getD(t + T_SPACING) : s.lineSpacing;
    uint16_t flags = t ? get2(t + T_FLAGS) : 0;
    if (params) {
        if (params->font >= 0) font = params->font;
        if (params->just >= 0 && params->just <= 14) just = params->just;
        spacing = params->lineSpacing != 0.0 ? params->lineSpacing : spacing;
        if (params->flags & TXTPARAM_SLANT) {
            flags |= TXTPARAM_SLANT;
            slant = params->slant;
        } else {
            flags &= ~TXTPARAM_SLANT;
            slant = 0.0;
        }
    }
    uint8_t* e = scratch->bytes;
    initRecord(e, TEXT_ELM, T_CHARS + 2 * static_cast<uint32_t>(n));
    applyTemplate(e, templ);
    putP(e + T_ORIGIN, o);
    putM(e + T_ROT, r);
    putD(e + T_WIDTH, std::fabs(width));
    putD(e + T_HEIGHT, std::fabs(height));
    putD(e + T_SLANT, slant);
    putD(e + T_SPACING, spacing);
    put4(e + T_FONT, static_cast<uint32_t>(font));
    put2(e + T_JUST, static_cast<uint32_t>(just));
    put2(e + T_FLAGS, flags);
    put4(e + T_COUNT, static_cast<uint32_t>(n));
    for (size_t i = 0; i < n; ++i) put2(e + T_CHARS + 2 * i, text[i]);
    finish(out, templ);
    return HOST_SUCCESS;
}

StatusInt mdlText_create(MSElement* out, const MSElement* templ, const char* text, const Dpoint3d* origin,
                         const RotMatrix* rotation, const TextSizeParam* size, const TextParamWide* params,
                         const void* textOptions) {
    if (!text) return HOST_ERROR;
    MSWChar wide[MAX_TEXT_CHARS + 2];
    int n = mdlCnv_convertMultibyteToUnicode(text, -1, wide, MAX_TEXT_CHARS + 2);
    if (n > MAX_TEXT_CHARS) return HOST_ERROR;
    return mdlText_createWide(out, templ, wide, origin, rotation, size, params, textOptions);
}

StatusInt mdlText_extractStringWide(MSWChar* out, int size, const MSElement* element) {
    if (!out || size <= 0 || !element || type(element->bytes) != TEXT_ELM || !wellFormed(element->bytes, MAX_ELEMENT_SIZE))
        return HOST_ERROR;
    uint32_t n = std::min<uint32_t>(get4(element->bytes + T_COUNT), static_cast<uint32_t>(size - 1));
    for (uint32_t i = 0; i < n; ++i) out[i] = get2(element->bytes + T_CHARS + 2 * i);
    out[n] = 0;
    return HOST_SUCCESS;
}

/* ---- Cells and complex headers ---------------------------------------------------------------------- */

StatusInt mdlCell_create(MSElement* out, const MSWChar* name, const Dpoint3d* origin, BoolInt pointCell) {
    if (!out) return HOST_ERROR;
    size_t nl = name ? wlen(name, MAX_CELL_NAME + 1) : 0;
    if (nl > MAX_CELL_NAME) return HOST_ERROR;
    Dpoint3d o = origin ? *origin : Dpoint3d{0, 0, 0};
    if (!finitePoint(o)) return HOST_ERROR;
    uint8_t* e = scratch->bytes;
    initRecord(e, CELL_HEADER_ELM, C_NAME + 2 * static_cast<uint32_t>(nl));
    applyTemplate(e, nullptr);
    double scales[2];
    Dpoint3d w = toWorld(o);
    putP(e + C_ORIGIN, w);
    putM(e + C_ROT, worldRotation(nullptr, scales));
    putP(e + C_LOW, w);
    putP(e + C_HIGH, w);
    put2(e + C_FLAGS, pointCell ? 1 : 0);
    put2(e + C_NAMELEN, static_cast<uint32_t>(nl));
    for (size_t i = 0; i < nl; ++i) put2(e + C_NAME + 2 * i, name[i]);
    std::memcpy(out->bytes, e, sizeBytes(e));
    return HOST_SUCCESS;
}

StatusInt mdlCell_extract(Dpoint3d* origin, DRange3d* range, RotMatrix* rotation, BoolInt* pointCell, MSWChar* name,
                          int nameSize, const MSElement* element) {
    if (!element || type(element->bytes) != CELL_HEADER_ELM || !wellFormed(element->bytes, MAX_ELEMENT_SIZE))
        return HOST_ERROR;
    const uint8_t* e = element->bytes;
    if (origin) *origin = getP(e + C_ORIGIN);
    if (range) *range = {getP(e + C_LOW), getP(e + C_HIGH)};
    if (rotation) *rotation = getM(e + C_ROT);
    if (pointCell) *pointCell = get2(e + C_FLAGS) & 1;
    if (name) return mdlCell_extractName(name, nameSize, element);
    return HOST_SUCCESS;
}

StatusInt mdlCell_extractName(MSWChar* name, int nameSize, const MSElement* element) {
    if (!name || nameSize <= 0 || !element || type(element->bytes) != CELL_HEADER_ELM ||
        !wellFormed(element->bytes, MAX_ELEMENT_SIZE))
        return HOST_ERROR;
    const uint8_t* e = element->bytes;
    uint32_t n = std::min<uint32_t>(get2(e + C_NAMELEN), static_cast<uint32_t>(nameSize - 1));
    for (uint32_t i = 0; i < n; ++i) name[i] = get2(e + C_NAME + 2 * i);
    name[n] = 0;
    return HOST_SUCCESS;
}

StatusInt mdlCell_extractDescription(MSWChar* description, int size, const MSElement* element) {
    if (!description || size <= 0 || !element || type(element->bytes) != CELL_HEADER_ELM ||
        !wellFormed(element->bytes, MAX_ELEMENT_SIZE))
        return HOST_ERROR;
    const uint8_t* e = element->bytes;
    uint32_t nl = get2(e + C_NAMELEN);
    uint32_t n = std::min<uint32_t>(get2(e + C_DESCLEN), static_cast<uint32_t>(size - 1));
    for (uint32_t i = 0; i < n; ++i) description[i] = get2(e + C_NAME + 2 * (nl + i));
    description[n] = 0;
    return HOST_SUCCESS;
}

namespace {

/* Replace the name (WHICH 0) or the description (1) of a cell header in place. */
StatusInt setCellText(MSElement* element, const MSWChar* text, int which) {
    if (!element || type(element->bytes) != CELL_HEADER_ELM || !wellFormed(element->bytes, MAX_ELEMENT_SIZE))
        return HOST_ERROR;
    size_t n = text ? wlen(text, MAX_CELL_NAME + 1) : 0;
    if (n > MAX_CELL_NAME) return HOST_ERROR;
    uint8_t* e = element->bytes;
    uint32_t nl = get2(e + C_NAMELEN), dl = get2(e + C_DESCLEN);
    std::u16string name(nl, u'\0'), desc(dl, u'\0');
    for (uint32_t i = 0; i < nl; ++i) name[i] = get2(e + C_NAME + 2 * i);
    for (uint32_t i = 0; i < dl; ++i) desc[i] = get2(e + C_NAME + 2 * (nl + i));
    (which == 0 ? name : desc).assign(text ? text : u"", n);
    uint32_t body = C_NAME + 2 * static_cast<uint32_t>(name.size() + desc.size());
    if (sizeBytes(e) - 2 * attrWords(e) + body > roomOf(element)) return HOST_ERROR;
    resizeBody(e, body);
    put2(e + C_NAMELEN, static_cast<uint32_t>(name.size()));
    put2(e + C_DESCLEN, static_cast<uint32_t>(desc.size()));
    for (size_t i = 0; i < name.size(); ++i) put2(e + C_NAME + 2 * i, name[i]);
    for (size_t i = 0; i < desc.size(); ++i) put2(e + C_NAME + 2 * (name.size() + i), desc[i]);
    return HOST_SUCCESS;
}

}  // namespace

StatusInt mdlCell_setName(MSElement* element, const MSWChar* name) { return setCellText(element, name, 0); }

StatusInt mdlCell_setDescription(MSElement* element, const MSWChar* description) {
    return setCellText(element, description, 1);
}

StatusInt mdlCell_setOrigin(MSElement* element, const Dpoint3d* origin, const RotMatrix* rotation) {
    if (!element || type(element->bytes) != CELL_HEADER_ELM) return HOST_ERROR;
    if (origin) putP(element->bytes + C_ORIGIN, *origin);
    if (rotation) putM(element->bytes + C_ROT, *rotation);
    return HOST_SUCCESS;
}

StatusInt mdlTextNode_create(MSElement* out, const MSElement* templ, const Dpoint3d* origin, double lineSpacing) {
    if (!out || !origin || lineSpacing < 0) return HOST_ERROR;
    uint8_t* e = scratch->bytes;
    initRecord(e, TEXT_NODE_ELM, TEXT_NODE_BYTES);
    applyTemplate(e, templ);
    putP(e + TN_ORIGIN, toWorld(*origin));
    putD(e + TN_SPACING, lineSpacing);
    std::memcpy(out->bytes, e, sizeBytes(e));
    return HOST_SUCCESS;
}

StatusInt mdlComplexChain_createHeader(MSElement* out, BoolInt shape, int fillMode) {
    if (!out) return HOST_ERROR;
    uint8_t* e = scratch->bytes;
    initRecord(e, shape ? CMPLX_SHAPE_ELM : CMPLX_STRING_ELM, COMPLEX_BYTES);
    applyTemplate(e, nullptr);
    if (shape && fillMode > 0) {
        put2(e + D_PROPS, get2(e + D_PROPS) | ELEMPROP_FILLED);
        put4(e + D_FILL, get4(e + D_COLOUR));
    }
    std::memcpy(out->bytes, e, sizeBytes(e));
    return HOST_SUCCESS;
}
