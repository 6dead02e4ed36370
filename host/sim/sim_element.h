/* Field access of element records for the host's element code: offsets of
** each type's fields and little-endian readers and writers. */
#pragma once

#include <cstdint>
#include <cstring>

#include "host/mdlelement.h"

namespace sim::elem {

inline uint16_t get2(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
inline uint32_t get4(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) | (static_cast<uint32_t>(p[2]) << 16) |
           (static_cast<uint32_t>(p[3]) << 24);
}
inline uint64_t get8(const uint8_t* p) { return get4(p) | (static_cast<uint64_t>(get4(p + 4)) << 32); }
inline double getD(const uint8_t* p) {
    uint64_t b = get8(p);
    double d;
    std::memcpy(&d, &b, 8);
    return d;
}
inline void put2(uint8_t* p, uint32_t v) { p[0] = v & 0xFF; p[1] = (v >> 8) & 0xFF; }
inline void put4(uint8_t* p, uint32_t v) { for (int i = 0; i < 4; ++i) p[i] = (v >> (8 * i)) & 0xFF; }
inline void put8(uint8_t* p, uint64_t v) { for (int i = 0; i < 8; ++i) p[i] = (v >> (8 * i)) & 0xFF; }
inline void putD(uint8_t* p, double d) {
    uint64_t b;
    std::memcpy(&b, &d, 8);
    put8(p, b);
}
inline Dpoint3d getP(const uint8_t* p) { return {getD(p), getD(p + 8), getD(p + 16)}; }
inline void putP(uint8_t* p, const Dpoint3d& v) { putD(p, v.x); putD(p + 8, v.y); putD(p + 16, v.z); }
inline RotMatrix getM(const uint8_t* p) {
    RotMatrix m;
    for (int i = 0; i < 9; ++i) m.form3d[i / 3][i % 3] = getD(p + 8 * i);
    return m;
}
inline void putM(uint8_t* p, const RotMatrix& m) {
    for (int i = 0; i < 9; ++i) putD(p + 8 * i, m.form3d[i / 3][i % 3]);
}

/* Header fields. */
enum : int {
    H_TYPE = 0, H_SIZE = 4, H_ATTR = 8, H_LEVEL = 12, H_ID = 16, H_TIME = 24,
    /* display header of graphic elements */
    D_COLOUR = 32, D_WEIGHT = 36, D_STYLE = 40, D_GGROUP = 44, D_CLASS = 48, D_PROPS = 50, D_FILL = 52,
};
constexpr uint32_t COMPONENT_BIT = 0x10000;

/* Type fields, from GRAPHIC_BODY_OFFSET (56):
**   line 3:           56 start point, 80 end point                        (104 bytes)
**   line string 4,
**   shape 6:          56 vertex count, 60 reserved, 64 vertices (24 each)
**   ellipse 15:       56 centre, 80 primary axis, 88 secondary axis,
**                     96 rotation (9 doubles, row by row)                 (168 bytes)
**   arc 16:           as ellipse, 168 start angle, 176 sweep angle        (184 bytes)
**   text 17:          56 origin, 80 rotation, 152 width, 160 height,
**                     168 slant, 176 line spacing, 184 font, 188
**                     justification (2), 190 text flags (2), 192 character
**                     count, 196 reserved, 200 UTF-16 characters
**   cell header 2:    56 origin, 80 rotation, 152 range low, 176 range high,
**                     200 component count, 204 flags (2, 1 = point cell),
**                     206 name length, 208 description length, 210
**                     reserved, 212 name then description (UTF-16)
**   complex 12, 14:   56 component count, 60 reserved                      (64 bytes) */
enum : int {
    L_START = 56, L_END = 80, LINE_BYTES = 104,
    LS_COUNT = 56, LS_POINTS = 64,
    E_CENTRE = 56, E_AXIS1 = 80, E_AXIS2 = 88, E_ROT = 96, ELLIPSE_BYTES = 168,
    A_START = 168, A_SWEEP = 176, ARC_BYTES = 184,
    T_ORIGIN = 56, T_ROT = 80, T_WIDTH = 152, T_HEIGHT = 160, T_SLANT = 168, T_SPACING = 176, T_FONT = 184,
    T_JUST = 188, T_FLAGS = 190, T_COUNT = 192, T_CHARS = 200,
    C_ORIGIN = 56, C_ROT = 80, C_LOW = 152, C_HIGH = 176, C_COUNT = 200, C_FLAGS = 204, C_NAMELEN = 206,
    C_DESCLEN = 208, C_NAME = 212,
    X_COUNT = 56, COMPLEX_BYTES = 64,
    MAX_TEXT_CHARS = 512,
    MAX_CELL_NAME = 512,
};

inline int type(const uint8_t* e) { return static_cast<int>(get4(e + H_TYPE) & 0xFFFF); }
inline uint32_t sizeWords(const uint8_t* e) { return get4(e + H_SIZE); }
inline uint32_t sizeBytes(const uint8_t* e) { return 2 * get4(e + H_SIZE); }
inline uint32_t attrWords(const uint8_t* e) { return get4(e + H_ATTR); }
inline bool isGraphicType(int t) { return t != DATA_ELM; }
inline bool isComplexType(int t) { return t == CELL_HEADER_ELM || t == CMPLX_STRING_ELM || t == CMPLX_SHAPE_ELM; }

/* Start a record of TYPE with BODYBYTES bytes in front of the linkages. */
void initRecord(uint8_t* e, int type, uint32_t bodyBytes);
/* Structural check of a record of at most AVAILABLE bytes (see mdlElement_validate). */
bool wellFormed(const uint8_t* e, size_t available);
/* Change the body size of a record in place, moving its linkages. */
void resizeBody(uint8_t* e, uint32_t newBodyBytes);
/* Points of a linear element (line, line string, shape). */
int vertexCount(const uint8_t* e);
Dpoint3d vertex(const uint8_t* e, int i);
/* Range of one element record (cells: their stored range). */
bool range(const uint8_t* e, Dpoint3d& low, Dpoint3d& high);

}  // namespace sim::elem
