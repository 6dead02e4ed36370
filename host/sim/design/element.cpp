/* Element records: layout checks, range and vertices, accessors, symbology
** and properties, linear elements, transforming, linkages. Constructors are
** in element_build.cpp. State: the shared element buffer and the modes. */
#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>

#include "host/mdlelement.h"
#include "host/mdlgeom.h"
#include "host/sim/design/design.h"

using namespace sim::elem;

namespace {

struct ElementState {
    MSElement shared;     /* what dgnBufP points to */
    MgdsModes modes{1, {}};
};
ElementState* state = new ElementState();   /* lives for the process; never destroyed before late users */

/* A 2-D file leaves the modes at 2-D: back to the start's 3-D. */
sim::Registration resetRegistration([] { sim::registerReset(sim::ResetStage::Design, [] { state->modes = MgdsModes{1, {}}; }); });

/* Walk the linkages of E; FN(offset, words) answers false to stop. Answers
** false when a linkage is malformed. */
template <typename Fn>
bool walkLinkages(const uint8_t* e, Fn fn) {
    uint32_t pos = 2 * attrWords(e), end = sizeBytes(e);
    while (pos < end) {
        if (end - pos < 4) return false;
        int w = mdlLinkage_getWords(reinterpret_cast<const LinkageHeader*>(e + pos));
        if (w < 2 || pos + 2u * w > end) return false;
        if (!fn(pos, static_cast<uint32_t>(w))) return true;
        pos += 2u * w;
    }
    return true;
}

}  // namespace

MSElement* dgnBufP = &state->shared;
MgdsModes* mgds_modesP = &state->modes;

/* ---- Record helpers ----------------------------------------------------------------- */

namespace sim::elem {

void initRecord(uint8_t* e, int t, uint32_t bodyBytes) {
    std::memset(e, 0, bodyBytes);
    put4(e + H_TYPE, static_cast<uint32_t>(t));
    put4(e + H_SIZE, bodyBytes / 2);
    put4(e + H_ATTR, bodyBytes / 2);
    if (isGraphicType(t)) {
        put4(e + D_COLOUR, 0);
        put4(e + D_STYLE, 0);
    }
}

bool wellFormed(const uint8_t* e, size_t available) {
    if (!e || available < ELEMENT_HEADER_SIZE) return false;
    uint32_t size = sizeBytes(e), attr = 2 * attrWords(e);
    int t = type(e);
    if (size < ELEMENT_HEADER_SIZE || size > available || size > MAX_ELEMENT_SIZE || attr > size || attr < ELEMENT_HEADER_SIZE)
        return false;
    if (t <= 0 || t > 127) return false;
    if (get4(e + H_TYPE) & ~(0xFFFFu | COMPONENT_BIT)) return false;
    if (isGraphicType(t) && attr < GRAPHIC_BODY_OFFSET) return false;
    switch (t) {
    case LINE_ELM:
        if (attr < LINE_BYTES) return false;
        break;
    case LINE_STRING_ELM:
    case SHAPE_ELM: {
        if (attr < LS_POINTS) return false;
        uint32_t n = get4(e + LS_COUNT);
        if (n < 2 || n > MAX_VERTICES || attr < LS_POINTS + 24 * n) return false;
        break;
    }
    case ELLIPSE_ELM:
        if (attr < ELLIPSE_BYTES) return false;
        break;
    case ARC_ELM:
        if (attr < ARC_BYTES) return false;
        break;
    case TEXT_ELM: {
        if (attr < T_CHARS) return false;
        uint32_t n = get4(e + T_COUNT);
        if (n > MAX_TEXT_CHARS || attr < T_CHARS + 2 * n) return false;
        break;
    }
    case CELL_HEADER_ELM: {
        if (attr < C_NAME) return false;
        uint32_t nl = get2(e + C_NAMELEN), dl = get2(e + C_DESCLEN);
        if (nl > MAX_CELL_NAME || dl > MAX_CELL_NAME || attr < C_NAME + 2 * (nl + dl)) return false;
        break;
    }
    case CMPLX_STRING_ELM:
    case CMPLX_SHAPE_ELM:
        if (attr < COMPLEX_BYTES) return false;
        break;
    case TEXT_NODE_ELM:
        if (attr < TEXT_NODE_BYTES) return false;
        break;
    default:
        break;
    }
    return walkLinkages(e, [](uint32_t, uint32_t) { return true; });
}

void resizeBody(uint8_t* e, uint32_t newBody) {
    uint32_t attr = 2 * attrWords(e), size = sizeBytes(e);
    std::memmove(e + newBody, e + attr, size - attr);
    if (newBody > attr) std::memset(e + attr, 0, newBody - attr);
    put4(e + H_ATTR, newBody / 2);
    put4(e + H_SIZE, (newBody + size - attr) / 2);
}

int vertexCount(const uint8_t* e) {
    switch (type(e)) {
    case LINE_ELM: return 2;
    case LINE_STRING_ELM:
    case SHAPE_ELM: return static_cast<int>(get4(e + LS_COUNT));
    default: return 0;
    }
}

Dpoint3d vertex(const uint8_t* e, int i) {
    if (type(e) == LINE_ELM) return getP(e + (i == 0 ? L_START : L_END));
    return getP(e + LS_POINTS + 24 * i);
}

namespace {
void extend(Dpoint3d& low, Dpoint3d& high, const Dpoint3d& p, bool& first) {
    if (first) {
        low = high = p;
        first = false;
        return;
    }
    low.x = std::min(low.x, p.x), low.y = std::min(low.y, p.y), low.z = std::min(low.z, p.z);
    high.x = std::max(high.x, p.x), high.y = std::max(high.y, p.y), high.z = std::max(high.z, p.z);
}
}  // namespace

bool range(const uint8_t* e, Dpoint3d& low, Dpoint3d& high) {
    bool first = true;
    switch (type(e)) {
    case LINE_ELM:
    case LINE_STRING_ELM:
    case SHAPE_ELM:
        for (int i = 0, n = vertexCount(e); i < n; ++i) extend(low, high, vertex(e, i), first);
        break;
    case ELLIPSE_ELM:
    case ARC_ELM: {
        Dpoint3d c = getP(e + E_CENTRE);
        RotMatrix r = getM(e + E_ROT);
        double a = getD(e + E_AXIS1), b = getD(e + E_AXIS2);
        double start = type(e) == ARC_ELM ? getD(e + A_START) : 0.0;
        double sweep = type(e) == ARC_ELM ? getD(e + A_SWEEP) : 2 * M_PI;
        const int steps = 72;
        for (int i = 0; i <= steps; ++i) {
            double t = start + sweep * i / steps;
            Dpoint3d p{a * std::cos(t), b * std::sin(t), 0};
            mdlRMatrix_rotatePoint(&p, &r);
            extend(low, high, Dpoint3d{c.x + p.x, c.y + p.y, c.z + p.z}, first);
        }
        break;
    }
    case TEXT_ELM: {
        /* The outline as the text metric model places it: justification and slant included. */
        Dpoint3d corners[5];
        sim::text::outline(e, corners);
        for (const auto& p : corners) extend(low, high, p, first);
        break;
    }
    case CELL_HEADER_ELM:
        low = getP(e + C_LOW);
        high = getP(e + C_HIGH);
        first = false;
        break;
    default:
        break;
    }
    return !first;
}

}  // namespace sim::elem

/* ---- Accessors ------------------------------------------------------------------------ */

int mdlElement_getType(const MSElement* element) { return element ? type(element->bytes) : 0; }

int mdlElement_size(const MSElement* element) { return element ? static_cast<int>(sizeBytes(element->bytes)) : 0; }

BoolInt mdlElement_isComplexHeader(const MSElement* element) {
    return element && isComplexType(type(element->bytes));
}

BoolInt mdlElement_isGraphic(const MSElement* element) { return element && isGraphicType(type(element->bytes)); }

StatusInt mdlElement_validate(const MSElement* element) {
    return element && wellFormed(element->bytes, MAX_ELEMENT_SIZE) ? HOST_SUCCESS : HOST_ERROR;
}

int mdlElement_memcpy(MSElement* out, const MSElement* in) {
    if (!out || !in) return 0;
    uint32_t n = std::min<uint32_t>(sizeBytes(in->bytes), MAX_ELEMENT_SIZE);
    if (n > roomOf(out)) return 0;   /* into a descriptor node too small for it */
    if (out != in) std::memmove(out->bytes, in->bytes, n);
    return static_cast<int>(n);
}

StatusInt mdlElement_stripAttributes(MSElement* out, const MSElement* in) {
    if (!out || !in || !wellFormed(in->bytes, MAX_ELEMENT_SIZE)) return HOST_ERROR;
    uint32_t attr = 2 * attrWords(in->bytes);
    if (out != in) std::memmove(out->bytes, in->bytes, attr);
    put4(out->bytes + H_SIZE, attr / 2);
    return HOST_SUCCESS;
}

/* ---- Symbology and properties ------------------------------------------------------------- */

StatusInt mdlElement_setSymbology(MSElement* element, const UInt32* colour, const UInt32* weight, const Int32* style) {
    if (!element || !isGraphicType(type(element->bytes))) return HOST_ERROR;
    uint8_t* e = element->bytes;
    if (colour) put4(e + D_COLOUR, *colour);
    if (weight) put4(e + D_WEIGHT, *weight);
    if (style) put4(e + D_STYLE, static_cast<uint32_t>(*style));
    return HOST_SUCCESS;
}

StatusInt mdlElement_getSymbology(UInt32* colour, UInt32* weight, Int32* style, const MSElement* element) {
    if (!element || !isGraphicType(type(element->bytes))) return HOST_ERROR;
    const uint8_t* e = element->bytes;
    if (colour) *colour = get4(e + D_COLOUR);
    if (weight) *weight = get4(e + D_WEIGHT);
    if (style) *style = static_cast<Int32>(get4(e + D_STYLE));
    return HOST_SUCCESS;
}

/* Style parameter linkage, 32 bytes:
**   OFFSET SIZE  FIELD
**      0     2   header word (16 words)
**      2     2   primary id LINKAGEID_STYLE_PARAMS
**      4     4   modifiers
**      8     8   scale
**     16     8   start width
**     24     8   end width                                          */
StatusInt mdlElement_setLineStyle(MSElement* element, const Int32* style, const LineStyleParams* params) {
    if (!element || !isGraphicType(type(element->bytes)) || !wellFormed(element->bytes, MAX_ELEMENT_SIZE))
        return HOST_ERROR;
    if (style) put4(element->bytes + D_STYLE, static_cast<uint32_t>(*style));
    mdlLinkage_deleteFromElement(element, LINKAGEID_STYLE_PARAMS);
    if (!params) return HOST_SUCCESS;
    uint8_t link[32] = {};
    LinkageHeader h{0, LINKAGEID_STYLE_PARAMS};
    mdlLinkage_setWords(&h, 16);
    put4(link + 4, params->modifiers);
    putD(link + 8, params->scale);
    putD(link + 16, params->startWidth);
    putD(link + 24, params->endWidth);
    return mdlLinkage_appendToElement(element, &h, link + 4, nullptr, nullptr);
}

StatusInt mdlElement_getLineStyleParams(LineStyleParams* params, const MSElement* element) {
    uint8_t link[32];
    if (!params || !mdlLinkage_extractFromElement(link, sizeof link, element, LINKAGEID_STYLE_PARAMS, nullptr, nullptr, nullptr))
        return HOST_ERROR;
    params->modifiers = get4(link + 4);
    params->scale = getD(link + 8);
    params->startWidth = getD(link + 16);
    params->endWidth = getD(link + 24);
    return HOST_SUCCESS;
}

StatusInt mdlElement_setProperties(MSElement* element, const UInt32* level, const UInt32* graphicGroup,
                                   const int* elementClass, const BoolInt* locked, const BoolInt* newElement,
                                   const BoolInt* modified, const BoolInt* viewIndependent, const BoolInt* solidHole) {
    if (!element) return HOST_ERROR;
    uint8_t* e = element->bytes;
    if (level) put4(e + H_LEVEL, *level);
    if (!isGraphicType(type(e))) return graphicGroup || elementClass || locked || newElement || modified ||
                                               viewIndependent || solidHole ? HOST_ERROR : HOST_SUCCESS;
    if (graphicGroup) put4(e + D_GGROUP, *graphicGroup);
    if (elementClass) put2(e + D_CLASS, static_cast<uint32_t>(*elementClass));
    uint16_t p = get2(e + D_PROPS);
    auto flag = [&p](const BoolInt* v, uint16_t bit) {
        if (v) p = *v ? (p | bit) : (p & ~bit);
    };
    flag(locked, ELEMPROP_LOCKED);
    flag(newElement, ELEMPROP_NEW);
    flag(modified, ELEMPROP_MODIFIED);
    flag(viewIndependent, ELEMPROP_VIEW_INDEPENDENT);
    flag(solidHole, ELEMPROP_HOLE);
    put2(e + D_PROPS, p);
    return HOST_SUCCESS;
}

StatusInt mdlElement_getProperties(UInt32* level, UInt32* graphicGroup, int* elementClass, BoolInt* locked,
                                   BoolInt* newElement, BoolInt* modified, BoolInt* viewIndependent, BoolInt* solidHole,
                                   const MSElement* element) {
    if (!element) return HOST_ERROR;
    const uint8_t* e = element->bytes;
    if (level) *level = get4(e + H_LEVEL);
    bool g = isGraphicType(type(e));
    uint16_t p = g ? get2(e + D_PROPS) : 0;
    if (graphicGroup) *graphicGroup = g ? get4(e + D_GGROUP) : 0;
    if (elementClass) *elementClass = g ? get2(e + D_CLASS) : 0;
    if (locked) *locked = (p & ELEMPROP_LOCKED) != 0;
    if (newElement) *newElement = (p & ELEMPROP_NEW) != 0;
    if (modified) *modified = (p & ELEMPROP_MODIFIED) != 0;
    if (viewIndependent) *viewIndependent = (p & ELEMPROP_VIEW_INDEPENDENT) != 0;
    if (solidHole) *solidHole = (p & ELEMPROP_HOLE) != 0;
    return HOST_SUCCESS;
}

BoolInt mdlElement_isFilled(const MSElement* element, UInt32* fillColour) {
    if (!element) return 0;
    int t = type(element->bytes);
    if (t != SHAPE_ELM && t != CMPLX_SHAPE_ELM && t != ELLIPSE_ELM) return 0;
    if (!(get2(element->bytes + D_PROPS) & ELEMPROP_FILLED)) return 0;
    if (fillColour) *fillColour = get4(element->bytes + D_FILL);
    return 1;
}

/* ---- Linear elements --------------------------------------------------------------------------------- */

StatusInt mdlLinear_extract(Dpoint3d* points, int* count, const MSElement* element, DgnModelRefP model) {
    (void)model;
    if (!points || !element || !wellFormed(element->bytes, MAX_ELEMENT_SIZE)) return HOST_ERROR;
    const uint8_t* e = element->bytes;
    int t = type(e);
    if (t == ARC_ELM) {
        Dpoint3d c = getP(e + E_CENTRE);
        RotMatrix r = getM(e + E_ROT);
        double a = getD(e + E_AXIS1), b = getD(e + E_AXIS2), s = getD(e + A_START), w = getD(e + A_SWEEP);
        for (int i = 0; i < 2; ++i) {
            double t2 = s + (i ? w : 0.0);
            Dpoint3d p{a * std::cos(t2), b * std::sin(t2), 0};
            mdlRMatrix_rotatePoint(&p, &r);
            points[i] = {c.x + p.x, c.y + p.y, c.z + p.z};
        }
        if (count) *count = 2;
        return HOST_SUCCESS;
    }
    int n = vertexCount(e);
    if (n == 0) return HOST_ERROR;
    for (int i = 0; i < n; ++i) points[i] = vertex(e, i);
    if (count) *count = n;
    return HOST_SUCCESS;
}

int mdlLinear_getClosestSegment(Dpoint3d* segment, Dpoint3d* point, const MSElement* element) {
    if (!point || !element || !wellFormed(element->bytes, MAX_ELEMENT_SIZE)) return -1;
    const uint8_t* e = element->bytes;
    int n = vertexCount(e);
    int segments = type(e) == SHAPE_ELM ? n : n - 1;
    int best = -1;
    double bestDistance = 0;
    Dpoint3d bestPoint{};
    for (int i = 0; i < segments; ++i) {
        Dpoint3d a = vertex(e, i), b = vertex(e, (i + 1) % n);
        Dpoint3d d{b.x - a.x, b.y - a.y, b.z - a.z};
        double len2 = d.x * d.x + d.y * d.y + d.z * d.z;
        double t = len2 > 0 ? ((point->x - a.x) * d.x + (point->y - a.y) * d.y + (point->z - a.z) * d.z) / len2 : 0.0;
        t = std::clamp(t, 0.0, 1.0);
        Dpoint3d p{a.x + t * d.x, a.y + t * d.y, a.z + t * d.z};
        double dist = mdlVec_distanceSquared(&p, point);
        if (best < 0 || dist < bestDistance) {
            best = i, bestDistance = dist, bestPoint = p;
            if (segment) segment[0] = a, segment[1] = b;
        }
    }
    if (best >= 0) *point = bestPoint;
    return best;
}

/* ---- Transforming an element ---------------------------------------------------------------------------- */

StatusInt mdlElement_transform(MSElement* out, const MSElement* in, const Transform* transform) {
    if (!out || !in || !transform || !wellFormed(in->bytes, MAX_ELEMENT_SIZE)) return HOST_ERROR;
    if (out != in) std::memmove(out->bytes, in->bytes, sizeBytes(in->bytes));
    uint8_t* e = out->bytes;
    auto point = [&](int off) {
        Dpoint3d p = getP(e + off);
        mdlTMatrix_transformPoint(&p, transform);
        putP(e + off, p);
    };
    RotMatrix m;
    mdlRMatrix_fromTMatrix(&m, transform);
    /* Rotate a stored rotation; answer the scale along its first two axes. */
    auto rotation = [&](int off, double scales[2]) {
        RotMatrix r = getM(e + off), o;
        mdlRMatrix_multiply(&o, &m, &r);
        for (int c = 0; c < 3; ++c) {
            double len = std::sqrt(o.form3d[0][c] * o.form3d[0][c] + o.form3d[1][c] * o.form3d[1][c] +
                                   o.form3d[2][c] * o.form3d[2][c]);
            if (c < 2) scales[c] = len;
            if (len > 0) for (int i = 0; i < 3; ++i) o.form3d[i][c] /= len;
        }
        putM(e + off, o);
    };
    double s[2];
    switch (type(e)) {
    case LINE_ELM:
        point(L_START), point(L_END);
        break;
    case LINE_STRING_ELM:
    case SHAPE_ELM:
        for (int i = 0, n = vertexCount(e); i < n; ++i) point(LS_POINTS + 24 * i);
        break;
    case ELLIPSE_ELM:
    case ARC_ELM:
        point(E_CENTRE);
        rotation(E_ROT, s);
        putD(e + E_AXIS1, getD(e + E_AXIS1) * s[0]);
        putD(e + E_AXIS2, getD(e + E_AXIS2) * s[1]);
        break;
    case TEXT_ELM:
        point(T_ORIGIN);
        rotation(T_ROT, s);
        putD(e + T_WIDTH, getD(e + T_WIDTH) * s[0]);
        putD(e + T_HEIGHT, getD(e + T_HEIGHT) * s[1]);
        break;
    case CELL_HEADER_ELM:
        point(C_ORIGIN);
        rotation(C_ROT, s);
        point(C_LOW), point(C_HIGH);
        {
            Dpoint3d lo = getP(e + C_LOW), hi = getP(e + C_HIGH);
            putP(e + C_LOW, {std::min(lo.x, hi.x), std::min(lo.y, hi.y), std::min(lo.z, hi.z)});
            putP(e + C_HIGH, {std::max(lo.x, hi.x), std::max(lo.y, hi.y), std::max(lo.z, hi.z)});
        }
        break;
    case TEXT_NODE_ELM:
        point(TN_ORIGIN);
        putD(e + TN_SPACING, getD(e + TN_SPACING) * s[1]);
        break;
    default:
        break;
    }
    return HOST_SUCCESS;
}

/* ---- Linkages ------------------------------------------------------------------------------------------------
** The header word keeps the user-data flag (bit 12); the length in words is
** stored in bits 0-11 (low part) and 13-15 (high part), up to 0x7FFF words. */

StatusInt mdlLinkage_setWords(LinkageHeader* header, int words) {
    if (!header || words < 2 || words > MAX_LINKAGE_WORDS) return HOST_ERROR;
    uint32_t w = static_cast<uint32_t>(words);
    header->headerWord = static_cast<UInt16>((header->headerWord & LINKAGE_USER_FLAG) | (w & 0xFFF) | ((w >> 12) << 13));
    return HOST_SUCCESS;
}

int mdlLinkage_getWords(const LinkageHeader* header) {
    if (!header) return 0;
    uint8_t b[2];
    std::memcpy(b, &header->headerWord, 2);   /* headers may sit at any even offset of a record */
    uint32_t w = get2(b);
    return static_cast<int>((w & 0xFFF) | ((w >> 13) << 12));
}

StatusInt mdlLinkage_appendToElement(MSElement* element, const LinkageHeader* header, const void* body,
                                     const void* dataDef, void* convert) {
    (void)dataDef, (void)convert;
    if (!element || !header || !wellFormed(element->bytes, MAX_ELEMENT_SIZE)) return HOST_ERROR;
    int words = mdlLinkage_getWords(header);
    if (words < 2) return HOST_ERROR;
    uint32_t size = sizeBytes(element->bytes);
    if (size + 2u * words > roomOf(element)) return HOST_ERROR;   /* a descriptor node has less room */
    uint8_t* p = element->bytes + size;
    std::memcpy(p, header, sizeof(LinkageHeader));
    if (words > 2) {
        if (body) std::memcpy(p + 4, body, 2u * words - 4);
        else std::memset(p + 4, 0, 2u * words - 4);
    }
    put4(element->bytes + H_SIZE, size / 2 + words);
    return HOST_SUCCESS;
}

const void* mdlLinkage_extractFromElement(void* out, int outSize, const MSElement* element, int primaryId,
                                          const void* dataDef, void* convert, void* params) {
    (void)dataDef, (void)convert, (void)params;
    if (!element || !wellFormed(element->bytes, MAX_ELEMENT_SIZE)) return nullptr;
    const uint8_t* found = nullptr;
    uint32_t foundWords = 0;
    walkLinkages(element->bytes, [&](uint32_t pos, uint32_t words) {
        if (get2(element->bytes + pos + 2) != static_cast<uint16_t>(primaryId)) return true;
        found = element->bytes + pos;
        foundWords = words;
        return false;
    });
    if (!found) return nullptr;
    if (out) {
        if (outSize < 0 || 2u * foundWords > static_cast<uint32_t>(outSize)) return nullptr;
        std::memcpy(out, found, 2u * foundWords);
    }
    return found;
}

int mdlLinkage_deleteFromElement(MSElement* element, int primaryId) {
    if (!element || !wellFormed(element->bytes, MAX_ELEMENT_SIZE)) return -1;
    uint8_t* e = element->bytes;
    uint32_t pos = 2 * attrWords(e), end = sizeBytes(e);
    int deleted = 0;
    while (pos < end) {
        uint32_t w = static_cast<uint32_t>(mdlLinkage_getWords(reinterpret_cast<const LinkageHeader*>(e + pos)));
        if (get2(e + pos + 2) == static_cast<uint16_t>(primaryId)) {
            std::memmove(e + pos, e + pos + 2 * w, end - pos - 2 * w);
            end -= 2 * w;
            ++deleted;
        } else {
            pos += 2 * w;
        }
    }
    put4(e + H_SIZE, end / 2);
    return deleted;
}

int mdlLinkage_count(const MSElement* element) {
    if (!element || !wellFormed(element->bytes, MAX_ELEMENT_SIZE)) return -1;
    int n = 0;
    walkLinkages(element->bytes, [&n](uint32_t, uint32_t) { return ++n, true; });
    return n;
}
