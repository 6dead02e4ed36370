/* Stored forms of attribute records, for the resource functions and tests. */
#pragma once

#include <cstdint>
#include "host/mdltypes.h"
#include "lib/elements/elmattr.h"

namespace zmlib::attrstore {

enum : uint32_t {
    RECORD_SIZE = 1480,       /* current version */
    RECORD_SIZE_V2 = 1320,
    RECORD_SIZE_V1 = 320,     /* oldest version */
    HEAD_SIZE = 48,
    DATA_SIZE = 1424,
    LABEL_RECORD_SIZE = 80,
};

/* Resource types. */
enum : uint32_t {
    TYPE_PLAIN = fourCC("ZmA3"),
    TYPE_PLAIN_V2 = fourCC("ZmA2"),
    TYPE_PLAIN_V1 = fourCC("ZmAs"),
    TYPE_EXT = fourCC("ASD3"),
    TYPE_EXT_V2 = fourCC("ASD2"),
    TYPE_EXT_V1 = fourCC("ASDa"),
    TYPE_EXT_LABEL = fourCC("ASNa"),
    TYPE_EXT_COUNT = fourCC("ASNo"),
};

/* RECORD in its stored form (RECORD_SIZE bytes); pointer slots hold zero. */
void packRecord(uint8_t* out, const ZmAttribute& record);
/* The data record of a KIND attribute, DATA_SIZE bytes each way. */
void packData(uint8_t* out, const ZmAttributeData& data, int kind);
void unpackData(ZmAttributeData& data, const uint8_t* in, int kind);
/* Group, kind, id, fixed mask, option count, text field length and the
** unused word of a stored head; the pointer slots are not read. */
void unpackHead(ZmAttribute& record, const uint8_t* in);
/* Convert the data part of an older record (1272 or 272 bytes) into DATA;
** fields the version lacks keep their values. */
void convertVersion2(ZmAttributeData& data, const uint8_t* part, int kind);
void convertOldest(ZmAttributeData& data, const uint8_t* part, int kind);

}  // namespace zmlib::attrstore
