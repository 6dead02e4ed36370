/* Texts and strokes: the host's text metric model (see host/mdltext.h), text
** extraction and outlines, string compression, elements stroked into points
** and the symbology an element shows. No state of its own. */
#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "host/mdlelement.h"
#include "host/mdlgeom.h"
#include "host/mdlsystem.h"
#include "host/mdltext.h"
#include "host/sim/design/design.h"
#include "host/sim/base/base.h"

using namespace sim::elem;

namespace {

constexpr int MAX_STROKE_SEGMENTS = 4096;   /* per arc or ellipse */

bool isText(const MSElement* element) {
    return element && type(element->bytes) == TEXT_ELM && wellFormed(element->bytes, MAX_ELEMENT_SIZE);
}

Dpoint3d add(const Dpoint3d& a, const Dpoint3d& b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }

/* Offset of the lower-left corner from the origin, in the text's frame, by
** justification: 0-5 left, 6-8 centre, 9-14 right; code % 3 gives top (0),
** centre (1), bottom (2). */
Dpoint3d justificationOffset(int just, double length, double height) {
    Dpoint3d d{0, 0, 0};
    if (just >= 6 && just <= 8) d.x = -length / 2;
    else if (just >= 9 && just <= 14) d.x = -length;
    switch (just % 3) {
    case 0: d.y = -height; break;
    case 1: d.y = -height / 2; break;
    default: break;
    }
    return d;
}

/* Copy UTF-8 TEXT into OUT of SIZE bytes, cut at a character boundary. */
void copyUtf8(char* out, int size, const std::string& text) {
    if (!out || size <= 0) return;
    size_t n = std::min(text.size(), static_cast<size_t>(size - 1));
    while (n > 0 && n < text.size() && (static_cast<uint8_t>(text[n]) & 0xC0) == 0x80) --n;
    sim::copyFixed(out, size, std::string_view(text).substr(0, n));
}

/* Points of a conic record: chords no farther than TOLERANCE from the curve. */
void strokeConic(const uint8_t* e, bool arc, double tolerance, std::vector<Dpoint3d>& out) {
    Dpoint3d c = getP(e + E_CENTRE);
    double a1 = getD(e + E_AXIS1), a2 = getD(e + E_AXIS2);
    RotMatrix r = getM(e + E_ROT);
    double start = arc ? getD(e + A_START) : 0.0;
    double sweep = arc ? getD(e + A_SWEEP) : 2 * M_PI;
    double radius = std::max(std::fabs(a1), std::fabs(a2));
    int n = 1;
    if (radius > tolerance) {
        double step = 2 * std::acos(1 - tolerance / radius);
        n = static_cast<int>(std::ceil(std::fabs(sweep) / step));
    }
    n = std::clamp(n, arc ? 1 : 4, MAX_STROKE_SEGMENTS);
    for (int i = 0; i <= n; ++i) {
        double t = start + sweep * i / n;
        Dpoint3d p{a1 * std::cos(t), a2 * std::sin(t), 0};
        mdlRMatrix_rotatePoint(&p, &r);
        out.push_back(add(c, p));
    }
}

/* Hand a stroke back through the host allocator. */
StatusInt giveOut(const std::vector<Dpoint3d>& pts, Dpoint3d** points, int* count) {
    *points = nullptr;
    *count = 0;
    if (pts.empty()) return HOST_SUCCESS;
    auto* mem = static_cast<Dpoint3d*>(dlmSystem_mdlMalloc(pts.size() * sizeof(Dpoint3d)));
    if (!mem) return HOST_ERROR;
    std::memcpy(mem, pts.data(), pts.size() * sizeof(Dpoint3d));
    *points = mem;
    *count = static_cast<int>(pts.size());
    return HOST_SUCCESS;
}

bool strokeChain(const MSElementDescr* d, double tolerance, std::vector<Dpoint3d>& out) {
    for (; d; d = d->next) {
        if (!sim::stroke::element(d->el.bytes, tolerance, out)) return false;
        if (!strokeChain(d->firstChild, tolerance, out)) return false;
    }
    return true;
}

const sim::design::Level* findLevel(DgnModel* m, uint32_t id) {
    if (!m) return nullptr;
    for (const auto& l : m->file->levels)
        if (l.id == id) return &l;
    for (const auto& l : m->file->levelLibrary)
        if (l.id == id) return &l;
    return nullptr;
}

}  // namespace

namespace sim::text {

bool outline(const uint8_t* e, Dpoint3d shape[5]) {
    if (type(e) != TEXT_ELM) return false;
    Dpoint3d o = getP(e + T_ORIGIN);
    RotMatrix r = getM(e + T_ROT);
    double w = getD(e + T_WIDTH), h = getD(e + T_HEIGHT);
    double length = w * get4(e + T_COUNT);
    double slant = (get2(e + T_FLAGS) & TXTPARAM_SLANT) ? getD(e + T_SLANT) : 0.0;
    double shear = h * std::tan(slant);
    Dpoint3d ll = justificationOffset(get2(e + T_JUST), length, h);
    Dpoint3d local[4] = {ll, {ll.x + length, ll.y, 0}, {ll.x + length + shear, ll.y + h, 0}, {ll.x + shear, ll.y + h, 0}};
    for (int i = 0; i < 4; ++i) {
        mdlRMatrix_rotatePoint(&local[i], &r);
        shape[i] = add(o, local[i]);
    }
    shape[4] = shape[0];
    return true;
}

std::string string(const uint8_t* e) {
    uint32_t n = std::min<uint32_t>(get4(e + T_COUNT), MAX_TEXT_CHARS);
    std::u16string wide(n, u'\0');
    for (uint32_t i = 0; i < n; ++i) wide[i] = get2(e + T_CHARS + 2 * i);
    return sim::utf16ToUtf8(wide.c_str());
}

}  // namespace sim::text

namespace sim::stroke {

bool element(const uint8_t* e, double tolerance, std::vector<Dpoint3d>& out) {
    if (!wellFormed(e, MAX_ELEMENT_SIZE) || !isGraphicType(type(e))) return false;
    if (!(tolerance > 0) || !std::isfinite(tolerance)) tolerance = 1.0;
    switch (type(e)) {
    case LINE_ELM:
        out.push_back(getP(e + L_START));
        out.push_back(getP(e + L_END));
        break;
    case LINE_STRING_ELM:
    case SHAPE_ELM: {
        int n = vertexCount(e);
        for (int i = 0; i < n; ++i) out.push_back(vertex(e, i));
        if (type(e) == SHAPE_ELM && n > 0 && !mdlVec_pointEqual(&out[out.size() - n], &out.back()))
            out.push_back(vertex(e, 0));
        break;
    }
    case ARC_ELM: strokeConic(e, true, tolerance, out); break;
    case ELLIPSE_ELM: strokeConic(e, false, tolerance, out); break;
    case TEXT_ELM: {
        Dpoint3d shape[5];
        sim::text::outline(e, shape);
        out.insert(out.end(), shape, shape + 5);
        break;
    }
    default:
        break;   /* complex headers: their components carry the geometry */
    }
    return true;
}

}  // namespace sim::stroke

/* ---- Platform calls ------------------------------------------------------------------------ */

StatusInt mdlText_extract(char* string, int stringSize, Dpoint3d* origin, Dpoint3d* lowerLeft, RotMatrix* rotation,
                          TextSizeParam* size, TextParamWide* params, int* characterCount, const MSElement* element,
                          TextExtent* extent) {
    if (!isText(element)) return HOST_ERROR;
    const uint8_t* e = element->bytes;
    double w = getD(e + T_WIDTH), h = getD(e + T_HEIGHT);
    uint32_t count = get4(e + T_COUNT);
    uint16_t flags = get2(e + T_FLAGS);
    if (string) copyUtf8(string, stringSize, sim::text::string(e));
    if (origin) *origin = getP(e + T_ORIGIN);
    if (rotation) *rotation = getM(e + T_ROT);
    if (lowerLeft) {
        Dpoint3d d = justificationOffset(get2(e + T_JUST), w * count, h);
        RotMatrix r = getM(e + T_ROT);
        mdlRMatrix_rotatePoint(&d, &r);
        *lowerLeft = add(getP(e + T_ORIGIN), d);
    }
    if (size) {
        size->mode = 1;
        size->size = {w, h};
        size->aspectRatio = w != 0.0 ? h / w : 1.0;
    }
    if (params) {
        std::memset(params, 0, sizeof *params);
        params->font = static_cast<Int32>(get4(e + T_FONT));
        params->just = get2(e + T_JUST);
        params->textStyleId = -1;
        params->viewIndependent = (get2(e + sim::elem::D_PROPS) & ELEMPROP_VIEW_INDEPENDENT) ? 1 : 0;
        params->lineSpacing = getD(e + T_SPACING);
        params->flags = flags;
        params->slant = (flags & TXTPARAM_SLANT) ? getD(e + T_SLANT) : 0.0;
    }
    if (characterCount) *characterCount = static_cast<int>(count);
    if (extent) *extent = {w * count, h};
    return HOST_SUCCESS;
}

StatusInt mdlText_extractShape(Dpoint3d* shape, const MSElement* element) {
    if (!shape || !isText(element)) return HOST_ERROR;
    sim::text::outline(element->bytes, shape);
    return HOST_SUCCESS;
}

StatusInt mdlText_extractString(char* out, int size, const MSElement* element) {
    if (!out || size <= 0 || !isText(element)) return HOST_ERROR;
    copyUtf8(out, size, sim::text::string(element->bytes));
    return HOST_SUCCESS;
}

int mdlText_compressString(char* text, int maxChars, int options) {
    if (!text) return -1;
    std::string s(text);
    if (maxChars > 0 && s.size() > static_cast<size_t>(maxChars)) {
        size_t n = static_cast<size_t>(maxChars);
        while (n > 0 && (static_cast<uint8_t>(s[n]) & 0xC0) == 0x80) --n;
        s.resize(n);
    }
    if (options & TEXT_COMPRESS_ALL) options |= TEXT_COMPRESS_LEADING | TEXT_COMPRESS_TRAILING | TEXT_COMPRESS_INTERNAL;
    auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    std::string out;
    out.reserve(s.size());
    size_t i = 0;
    if (options & TEXT_COMPRESS_LEADING)
        while (i < s.size() && blank(s[i])) ++i;
    for (; i < s.size(); ++i) {
        if ((options & TEXT_COMPRESS_INTERNAL) && blank(s[i])) {
            size_t j = i;
            while (j < s.size() && blank(s[j])) ++j;
            if (j < s.size() || !(options & TEXT_COMPRESS_TRAILING)) out += ' ';
            i = j - 1;
            continue;
        }
        out += s[i];
    }
    if (options & TEXT_COMPRESS_TRAILING)
        while (!out.empty() && blank(out.back())) out.pop_back();
    std::memcpy(text, out.c_str(), out.size() + 1);
    return static_cast<int>(out.size());
}

StatusInt mdlElement_stroke(Dpoint3d** points, int* count, const MSElement* element, double tolerance) {
    if (!points || !count) return HOST_ERROR;
    *points = nullptr;
    *count = 0;
    if (!element) return HOST_ERROR;
    std::vector<Dpoint3d> pts;
    if (!sim::stroke::element(element->bytes, tolerance, pts)) return HOST_ERROR;
    return giveOut(pts, points, count);
}

StatusInt mdlElmdscr_stroke(Dpoint3d** points, int* count, const MSElementDescr* descr, double tolerance) {
    if (!points || !count) return HOST_ERROR;
    *points = nullptr;
    *count = 0;
    if (!descr) return HOST_ERROR;
    std::vector<Dpoint3d> pts;
    if (!strokeChain(descr, tolerance, pts)) return HOST_ERROR;
    return giveOut(pts, points, count);
}

StatusInt mdlElement_getEffectiveSymbology(UInt32* colour, UInt32* weight, Int32* style, const MSElement* element,
                                           DgnModelRefP model) {
    if (!element || !wellFormed(element->bytes, MAX_ELEMENT_SIZE) || !isGraphicType(type(element->bytes)))
        return HOST_ERROR;
    const uint8_t* e = element->bytes;
    uint32_t c = get4(e + D_COLOUR), w = get4(e + D_WEIGHT);
    int32_t s = static_cast<int32_t>(get4(e + D_STYLE));
    const sim::design::Level* l = findLevel(model ? model : sim::design::activeModel(), get4(e + H_LEVEL));
    if (l && l->overridesOn) {
        c = l->overrideColour, w = l->overrideWeight, s = l->overrideStyle;
    } else {
        if (c == COLOR_BYLEVEL) c = l ? l->colour : 0;
        if (w == WEIGHT_BYLEVEL) w = l ? l->weight : 0;
        if (s == STYLE_BYLEVEL) s = l ? l->style : 0;
    }
    if (colour) *colour = c;
    if (weight) *weight = w;
    if (style) *style = s;
    return HOST_SUCCESS;
}
