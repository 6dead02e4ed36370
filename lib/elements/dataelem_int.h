/* What the library's own readers use of the data-element module: unpacking
** bounded by the end of the block. */
#pragma once

#include "lib/elements/dataelem.h"

namespace zmlib::dataelem {

enum : int {
    UNPACK_OK = 0,
    UNPACK_REFUSED_CODE = 1,
    UNPACK_PAST_END = 2,   /* the field does not lie inside the block (or a string has no NUL there) */
};

/* A stored block being read: BLOCK of SIZE bytes, the running OFFSET. */
struct BlockReader {
    const char* block;
    int size;
    int offset;
};

/* Unpack one field of CODE into TARGET and advance the offset. For
** ZMFIELD_BYTES, LENGTH is the number of bytes; for ZMFIELD_STRING, the
** capacity of TARGET (a longer string fails as past the end). Fails without
** moving the offset or writing the target. */
int readField(BlockReader& reader, int code, void* target, int length = 0);

/* Fill the data-element header into ELEMENT (SIZE + 40 bytes): 0, or
** ZMLIB_ERROR when SIZE is negative or too large. */
int buildDataElement(uint8_t* element, int applicationId, int dataVersion, const void* data, int size);

}  // namespace zmlib::dataelem
