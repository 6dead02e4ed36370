/* Helpers shared by the element modules: little-endian field access for the
** stored layouts, and the level, unit and wide-text conversions they need. */
#pragma once

#include <cstdint>
#include <cstring>
#include "host/mdltypes.h"

namespace zmlib::elements {

inline void put2le(uint8_t* p, uint32_t v) { p[0] = uint8_t(v); p[1] = uint8_t(v >> 8); }
inline void put4le(uint8_t* p, uint32_t v) {
    p[0] = uint8_t(v); p[1] = uint8_t(v >> 8); p[2] = uint8_t(v >> 16); p[3] = uint8_t(v >> 24);
}
inline void put8le(uint8_t* p, double d) {
    uint64_t v;
    std::memcpy(&v, &d, 8);
    for (int i = 0; i < 8; ++i) p[i] = uint8_t(v >> (8 * i));
}
inline uint32_t get2le(const uint8_t* p) { return uint32_t(p[0]) | uint32_t(p[1]) << 8; }
inline uint32_t get4le(const uint8_t* p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}
inline int32_t get4sle(const uint8_t* p) { return static_cast<int32_t>(get4le(p)); }
inline int16_t get2sle(const uint8_t* p) { return static_cast<int16_t>(get2le(p)); }
inline double get8le(const uint8_t* p) {
    uint64_t v = 0;
    for (int i = 0; i < 8; ++i) v |= uint64_t(p[i]) << (8 * i);
    double d;
    std::memcpy(&d, &v, 8);
    return d;
}

/* The level of NAME (created when the file has none of that name); 0 when
** there is none and none can be made. */
UInt32 levelIdFromName(const MSWChar* name);
/* One unit of resolution of the active model in master units; 1.0 when no
** design file is open. */
double uorInMaster();
/* TEXT (multibyte, at most 512 characters) as wide text in OUT of SIZE
** characters, cut to fit. */
void toWide(MSWChar* out, int size, const char* text);

}  // namespace zmlib::elements
