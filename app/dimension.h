/* The in-memory form of one dimension chain: its isometric axis, picked
** points, segment texts and drawing settings. */
#pragma once

#include <cstdint>
#include <type_traits>
#include "host/mdltypes.h"

enum : int {
    DIM_MAX_POINTS = 25,
    DIM_MAX_SEGMENTS = 24,
    DIM_TEXT_SIZE = 12, /* at most 11 characters and the terminator */
};

/* textFlags bits of a segment text. */
enum : int32_t {
    TEXT_SHIFTED = 1,    /* the text stands at shift, else in the middle of its segment */
    TEXT_OUTSIDE = 2,    /* the text lies outside its segment; the dimension line reaches it */
    TEXT_BEYOND_END = 4, /* with TEXT_OUTSIDE: beyond the far end of the last segment */
    TEXT_MEASURED = 8,   /* the text is the segment's measured length and follows it */
};

struct DimPoint {
    Dpoint3d base;  /* on the base line, UORs */
    double offset;  /* signed perpendicular distance of the picked point from the base line, UORs */
};

#define DIMPOINT_FIELDS(F) F(base) F(offset)

struct SegmentText {
    char text[DIM_TEXT_SIZE];
    int32_t textFlags;
    double shift;   /* position along the segment from its first point, UORs */
};
#define SEGMENTTEXT_FIELDS(F) F(text) F(textFlags) F(shift)

struct DimensionRecord {
    int32_t side;                 /* 1: extension lines at 120 degrees from the axis, 2: at 60 */
    int32_t rotation;             /* 1: axis at 30 degrees, 2: at 330, 3: vertical */
    double axisAngle;             /* radians */
    int32_t segmentCount;         /* 0 to 24 */
    DimPoint points[DIM_MAX_POINTS];
    SegmentText texts[DIM_MAX_SEGMENTS];
    double lineOffset;            /* UORs */
    double extensionGap;          /* master units */
    double extensionOvershoot;    /* master units */
    double textGap;               /* master units */
    int32_t terminatorType;       /* 1 open, 2 closed outline, 3 filled */
    double terminatorLength;      /* master units */
    double terminatorWidth;       /* master units */
    double textMargin;            /* master units */
    double minArrowSpace;         /* master units */
    int32_t dimFlags;
};
static_assert(std::is_trivially_copyable_v<DimensionRecord>);
/* The fields as dialog items reach them (type descriptions). */
#define DIMENSIONRECORD_FIELDS(F)                                                                     \
    F(side) F(rotation) F(axisAngle) F(segmentCount) F(points) F(texts) F(lineOffset) F(extensionGap) \
    F(extensionOvershoot) F(textGap) F(terminatorType) F(terminatorLength) F(terminatorWidth)         \
    F(textMargin) F(minArrowSpace) F(dimFlags)
