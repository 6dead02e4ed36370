/* Attribute sets in resource files: records packed field by field at fixed
** offsets, the plain and the extended layout, and the conversion of the two
** older record versions. No state between calls. */
#include "lib/elements/attrstore.h"

#include <cstdio>
#include <cstring>
#include "host/mdlelement.h"
#include "host/mdllevel.h"
#include "lib/core/error.h"
#include "lib/core/mem.h"
#include "lib/core/text_int.h"
#include "lib/elements/attrstore_int.h"
#include "lib/elements/elmattr_int.h"
#include "lib/elements/support_int.h"

namespace {

using namespace zmlib::elements;
using namespace zmlib::attrstore;

bool usesIcons(int kind) {
    return kind == ZMATTR_KIND_SYMBOL || kind == ZMATTR_KIND_SYMBOL_SIZE || kind == ZMATTR_KIND_SYMBOL_STRING;
}
bool isTextKind(int kind) {
    return kind == ZMATTR_KIND_TEXT || kind == ZMATTR_KIND_TEXT_STRING || kind == ZMATTR_KIND_TEXT_OPTION;
}

}  // namespace

namespace zmlib::attrstore {

/* Attribute record, 1480 bytes, little-endian:
**   OFFSET SIZE  FIELD
**      0     4   group id
**      4     4   attribute kind
**      8     4   attribute id
**     12     4   label (pointer slot, zero)
**     16     4   callback (pointer slot, zero)
**     20     4   fixed-property mask
**     24     4   option count
**     28     4   option values (pointer slot, zero)
**     32     4   option icons or labels (pointer slot, zero)
**     36     4   text field length
**     40     4   string (pointer slot, zero)
**     44     4   not used
**     48  1424   data record (below)
**   1472     4   next (pointer slot, zero)
**   1476     4   not used, zero */
void packRecord(uint8_t* out, const ZmAttribute& r) {
    std::memset(out, 0, RECORD_SIZE);
    put4le(out + 0, static_cast<uint32_t>(r.groupId));
    put4le(out + 4, static_cast<uint32_t>(r.kind));
    put4le(out + 8, static_cast<uint32_t>(r.id));
    put4le(out + 20, static_cast<uint32_t>(r.fixedMask));
    put4le(out + 24, static_cast<uint32_t>(r.optionCount));
    put4le(out + 36, static_cast<uint32_t>(r.textFieldLength));
    put4le(out + 44, static_cast<uint32_t>(r.unused));
    packData(out + HEAD_SIZE, r.data, r.kind);
}

void unpackHead(ZmAttribute& r, const uint8_t* in) {
    r.groupId = get4sle(in + 0);
    r.kind = get4sle(in + 4);
    r.id = get4sle(in + 8);
    r.fixedMask = get4sle(in + 20);
    r.optionCount = get4sle(in + 24);
    r.textFieldLength = get4sle(in + 36);
    r.unused = get4sle(in + 44);
}

/* Attribute data record, 1424 bytes, little-endian:
**   OFFSET SIZE  FIELD
**      0     4   colour
**      4     4   line style number (signed)
**      8     4   weight
**     12  1024   level name, 512 UTF-16 characters
**   1036     4   element class
**   1040     4   apply mask
**   1044     4   not used
**   1048     8   custom line style scale
**   1056     8   custom line style width
**   1064    64   custom line style name
**   1128   164   kinds 2, 3, 5: symbol number (4), 4 bytes, symbol size (8),
**                28 bytes, text string (120); other kinds: text style name,
**                82 UTF-16 characters
**   1292     4   font
**   1296     8   text width
**   1304     8   text height
**   1312     4   justification
**   1316     4   not used
**   1320     8   line spacing factor
**   1328     8   not used
**   1336    84   kind 4: slant angle (8) and 76 bytes; other kinds: string
**   1420     4   further value of kind 7 */
void packData(uint8_t* out, const ZmAttributeData& d, int kind) {
    std::memset(out, 0, DATA_SIZE);
    put4le(out + 0, d.colour);
    put4le(out + 4, static_cast<uint32_t>(d.lineStyle));
    put4le(out + 8, d.weight);
    for (int i = 0; i < ZMATTR_LEVEL_NAME_SIZE; ++i) put2le(out + 12 + 2 * i, d.levelName[i]);
    put4le(out + 1036, d.elementClass);
    put4le(out + 1040, d.applyMask);
    put4le(out + 1044, d.unused1044);
    put8le(out + 1048, d.styleScale);
    put8le(out + 1056, d.styleWidth);
    std::memcpy(out + 1064, d.styleName, sizeof d.styleName);
    if (usesIcons(kind)) {
        put4le(out + 1128, static_cast<uint32_t>(d.extra.symbol.number));
        put4le(out + 1132, d.extra.symbol.unused);
        put8le(out + 1136, d.extra.symbol.size);
        std::memcpy(out + 1144, d.extra.symbol.unused2, sizeof d.extra.symbol.unused2);
        std::memcpy(out + 1172, d.extra.symbol.text, sizeof d.extra.symbol.text);
    } else {
        for (int i = 0; i < 82; ++i) put2le(out + 1128 + 2 * i, d.extra.textStyleName[i]);
    }
    put4le(out + 1292, static_cast<uint32_t>(d.font));
    put8le(out + 1296, d.textWidth);
    put8le(out + 1304, d.textHeight);
    put4le(out + 1312, static_cast<uint32_t>(d.justification));
    put4le(out + 1316, d.unused1316);
    put8le(out + 1320, d.lineSpacing);
    std::memcpy(out + 1328, d.unused1328, sizeof d.unused1328);
    if (kind == ZMATTR_KIND_TEXT) {
        put8le(out + 1336, d.text.slantAngle);
        std::memcpy(out + 1344, d.text.string + 8, sizeof d.text.string - 8);
    } else {
        std::memcpy(out + 1336, d.text.string, sizeof d.text.string);
    }
    put4le(out + 1420, static_cast<uint32_t>(d.furtherValue));
}

void unpackData(ZmAttributeData& d, const uint8_t* in, int kind) {
    d.colour = get4le(in + 0);
    d.lineStyle = get4sle(in + 4);
    d.weight = get4le(in + 8);
    for (int i = 0; i < ZMATTR_LEVEL_NAME_SIZE; ++i) d.levelName[i] = static_cast<MSWChar>(get2le(in + 12 + 2 * i));
    d.elementClass = get4le(in + 1036);
    d.applyMask = get4le(in + 1040);
    d.unused1044 = get4le(in + 1044);
    d.styleScale = get8le(in + 1048);
    d.styleWidth = get8le(in + 1056);
    std::memcpy(d.styleName, in + 1064, sizeof d.styleName);
    if (usesIcons(kind)) {
        d.extra.symbol.number = get4sle(in + 1128);
        d.extra.symbol.unused = get4le(in + 1132);
        d.extra.symbol.size = get8le(in + 1136);
        std::memcpy(d.extra.symbol.unused2, in + 1144, sizeof d.extra.symbol.unused2);
        std::memcpy(d.extra.symbol.text, in + 1172, sizeof d.extra.symbol.text);
    } else {
        for (int i = 0; i < 82; ++i) d.extra.textStyleName[i] = static_cast<MSWChar>(get2le(in + 1128 + 2 * i));
    }
    d.font = get4sle(in + 1292);
    d.textWidth = get8le(in + 1296);
    d.textHeight = get8le(in + 1304);
    d.justification = get4sle(in + 1312);
    d.unused1316 = get4le(in + 1316);
    d.lineSpacing = get8le(in + 1320);
    std::memcpy(d.unused1328, in + 1328, sizeof d.unused1328);
    if (kind == ZMATTR_KIND_TEXT) {
        d.text.slantAngle = get8le(in + 1336);
        std::memcpy(d.text.string + 8, in + 1344, sizeof d.text.string - 8);
    } else {
        std::memcpy(d.text.string, in + 1336, sizeof d.text.string);
    }
    d.furtherValue = get4sle(in + 1420);
}

/* Version 2 keeps the first 1128 bytes of the current layout; the text
** fields of text kinds, or the symbol fields of the others, follow at 1128. */
void convertVersion2(ZmAttributeData& data, const uint8_t* part, int kind) {
    uint8_t current[DATA_SIZE];
    packData(current, data, kind);
    std::memcpy(current, part, 1128);
    if (isTextKind(kind)) {
        std::memcpy(current + 1292, part + 1128, 4);
        std::memcpy(current + 1296, part + 1136, 36);
        if (kind == ZMATTR_KIND_TEXT) std::memcpy(current + 1336, part + 1176, 8);
        else std::memcpy(current + 1336, part + 1176, 84);
        if (kind == ZMATTR_KIND_TEXT_OPTION) std::memcpy(current + 1420, part + 1260, 4);
    } else {
        std::memcpy(current + 1128, part + 1128, 128);
    }
    unpackData(data, current, kind);
}

/* The oldest version has a level number instead of a name and marks a
** custom line style with the number 8 and its name at 48. */
void convertOldest(ZmAttributeData& data, const uint8_t* part, int kind) {
    uint8_t current[DATA_SIZE];
    packData(current, data, kind);
    std::memcpy(current + 0, part + 0, 4);
    int32_t style = get4sle(part + 4);
    if (style == 8) {
        char name[65] = {};
        std::memcpy(name, part + 48, 64);
        Int32 number = 0;
        if (mdlLineStyle_numberFromName(&number, name, mdlModelRef_getActive()) == HOST_SUCCESS)
            put4le(current + 4, static_cast<uint32_t>(number));
    } else {
        put4le(current + 4, static_cast<uint32_t>(style));
    }
    std::memcpy(current + 8, part + 8, 4);
    char levelText[32];
    std::snprintf(levelText, sizeof levelText, "Level %d", get4sle(part + 12));
    MSWChar levelName[ZMATTR_LEVEL_NAME_SIZE] = {};
    toWide(levelName, ZMATTR_LEVEL_NAME_SIZE, levelText);
    for (int i = 0; i < ZMATTR_LEVEL_NAME_SIZE; ++i) put2le(current + 12 + 2 * i, levelName[i]);
    std::memcpy(current + 1036, part + 16, 4);
    std::memcpy(current + 1040, part + 20, 4);
    std::memcpy(current + 1044, part + 24, 4);
    std::memcpy(current + 1048, part + 32, 80);
    if (isTextKind(kind)) {
        std::memcpy(current + 1292, part + 112, 4);
        std::memcpy(current + 1296, part + 120, 36);
        if (kind == ZMATTR_KIND_TEXT) std::memcpy(current + 1336, part + 160, 8);
        else std::memcpy(current + 1336, part + 156, 84);
        if (kind == ZMATTR_KIND_TEXT_OPTION) std::memcpy(current + 1420, part + 240, 4);
    } else {
        std::memcpy(current + 1128, part + 112, 128);
    }
    unpackData(data, current, kind);
}

}  // namespace zmlib::attrstore

using zmlib::elmattr::SetView;
using zmlib::elmattr::callerSet;

extern "C" ZMLIB_API int zmlibElmAttr_writeResourceByHandle(ZmResourceFile* handle) {
    SetView set = callerSet();
    if (!set.gd || !handle) return ZMLIB_ERROR;
    uint8_t record[RECORD_SIZE];
    for (ZmAttribute* a = set.head(); a; a = a->next) {
        packRecord(record, *a);
        if (zmlibResource_add(handle, TYPE_PLAIN, a->id, record, RECORD_SIZE, nullptr) != ZMLIB_SUCCESS)
            return ZMLIB_ERROR;
    }
    return ZMLIB_SUCCESS;
}

extern "C" ZMLIB_API int zmlibElmAttr_writeResource(const char* fileName) {
    ZmResourceFile file{};
    if (zmlibResource_openFile(&file, fileName, 1) != ZMLIB_SUCCESS) return ZMLIB_ERROR;
    int status = zmlibElmAttr_writeResourceByHandle(&file);
    zmlibResource_closeFile(&file);
    return status;
}

extern "C" ZMLIB_API int zmlibElmAttr_readResourceByHandle(ZmResourceFile* handle) {
    SetView set = callerSet();
    if (!set.gd || !handle) return ZMLIB_SUCCESS;
    uint8_t record[RECORD_SIZE];
    for (ZmAttribute* a = set.head(); a; a = a->next) {
        if (zmlibResource_load(handle, TYPE_PLAIN, a->id, record, RECORD_SIZE) == ZMLIB_SUCCESS)
            unpackData(a->data, record + HEAD_SIZE, a->kind);
        else if (zmlibResource_load(handle, TYPE_PLAIN_V2, a->id, record, RECORD_SIZE_V2) == ZMLIB_SUCCESS)
            convertVersion2(a->data, record + HEAD_SIZE, a->kind);
        else if (zmlibResource_load(handle, TYPE_PLAIN_V1, a->id, record, RECORD_SIZE_V1) == ZMLIB_SUCCESS)
            convertOldest(a->data, record + HEAD_SIZE, a->kind);
    }
    zmlib::elmattr::syncCustomLineStyles();
    zmlib::elmattr::refresh(-1);
    return ZMLIB_SUCCESS;
}

extern "C" ZMLIB_API int zmlibElmAttr_readResource(const char* fileName) {
    ZmResourceFile file{};
    if (zmlibResource_openFile(&file, fileName, 0) != ZMLIB_SUCCESS) return ZMLIB_ERROR;
    zmlibElmAttr_readResourceByHandle(&file);
    zmlibResource_closeFile(&file);
    return ZMLIB_SUCCESS;
}

extern "C" ZMLIB_API int zmlibElmAttr_writeResourceExtended(const char* fileName) {
    SetView set = callerSet();
    if (!set.gd) return ZMLIB_ERROR;
    ZmResourceFile file{};
    if (zmlibResource_openFile(&file, fileName, 1) != ZMLIB_SUCCESS) return ZMLIB_ERROR;
    bool failed = false;
    int32_t position = 0;
    uint8_t record[RECORD_SIZE];
    for (ZmAttribute* a = set.head(); a; a = a->next, ++position) {
        packRecord(record, *a);
        char label[LABEL_RECORD_SIZE];
        zmlib::copyFixed(label, a->label);
        failed |= zmlibResource_add(&file, TYPE_EXT, position, record, RECORD_SIZE, nullptr) != ZMLIB_SUCCESS;
        failed |= zmlibResource_add(&file, TYPE_EXT_LABEL, position, label, sizeof label, nullptr) != ZMLIB_SUCCESS;
    }
    uint8_t count[4];
    put4le(count, static_cast<uint32_t>(position));
    failed |= zmlibResource_add(&file, TYPE_EXT_COUNT, 1, count, sizeof count, nullptr) != ZMLIB_SUCCESS;
    zmlibResource_closeFile(&file);
    return failed ? ZMLIB_ERROR : ZMLIB_SUCCESS;
}

namespace {

/* Load record POSITION of the extended layout (any version) and its label
** into RECORD. False when a part is missing. */
bool loadExtended(ZmResourceFile& file, int32_t position, ZmAttribute& record) {
    uint8_t stored[RECORD_SIZE];
    if (zmlibResource_load(&file, TYPE_EXT, position, stored, RECORD_SIZE) == ZMLIB_SUCCESS) {
        unpackHead(record, stored);
        unpackData(record.data, stored + HEAD_SIZE, record.kind);
    } else if (zmlibResource_load(&file, TYPE_EXT_V2, position, stored, RECORD_SIZE_V2) == ZMLIB_SUCCESS) {
        unpackHead(record, stored);
        convertVersion2(record.data, stored + HEAD_SIZE, record.kind);
    } else if (zmlibResource_load(&file, TYPE_EXT_V1, position, stored, RECORD_SIZE_V1) == ZMLIB_SUCCESS) {
        unpackHead(record, stored);
        convertOldest(record.data, stored + HEAD_SIZE, record.kind);
    } else {
        return false;
    }
    /* What the file holds in these slots belonged to another run of the program. */
    record.callback = nullptr;
    record.optionCount = 0;
    record.optionValues = nullptr;
    record.optionIcons = nullptr;
    record.string = nullptr;
    record.next = nullptr;
    char label[LABEL_RECORD_SIZE + 1] = {};
    if (zmlibResource_load(&file, TYPE_EXT_LABEL, position, label, LABEL_RECORD_SIZE) != ZMLIB_SUCCESS) return false;
    size_t n = std::strlen(label);
    record.label = static_cast<char*>(
        zmlibMem_mallocRscErrorPrintf(static_cast<unsigned>(n + 1), ZMLIB_LIST_ERRORS, ZMLIB_MSG_OUT_OF_MEMORY));
    if (!record.label) return false;
    std::memcpy(record.label, label, n + 1);
    return true;
}

/* Give the records of FRESH what the program attached to the records of
** OLD with the same ids, in one forward pass over both lists. Options and
** strings move only between records of the same kind, whose owned lists
** have the same form. */
void takeOver(ZmAttribute* fresh, ZmAttribute* old) {
    ZmAttribute* cursor = old;
    for (ZmAttribute* r = fresh; r && cursor; r = r->next) {
        if (r->id != cursor->id) continue;
        r->callback = cursor->callback;
        if (r->kind == cursor->kind) {
            r->optionCount = cursor->optionCount;
            r->optionValues = cursor->optionValues;
            r->optionIcons = cursor->optionIcons;
            r->string = cursor->string;
            cursor->optionCount = 0;
            cursor->optionValues = nullptr;
            cursor->optionIcons = nullptr;
            cursor->string = nullptr;
        }
        cursor = cursor->next;
    }
}

}  // namespace

extern "C" ZMLIB_API int zmlibElmAttr_readResourceExtended(const char* fileName) {
    SetView set = callerSet();
    if (!set.gd) return ZMLIB_ERROR;
    ZmResourceFile file{};
    if (zmlibResource_openFile(&file, fileName, 0) != ZMLIB_SUCCESS) return ZMLIB_ERROR;
    uint8_t countBytes[4];
    if (zmlibResource_load(&file, TYPE_EXT_COUNT, 1, countBytes, sizeof countBytes) != ZMLIB_SUCCESS) {
        zmlibResource_closeFile(&file);
        return ZMLIB_ERROR;
    }
    int32_t count = get4sle(countBytes);
    ZmAttribute* detached = set.head();
    set.setHead(nullptr);
    ZmAttribute* tail = nullptr;
    int read = 0;
    bool ok = true;
    for (int32_t i = 0; i < count; ++i) {
        ZmAttribute* record = zmlib::elmattr::allocateRecord();
        if (!record || !loadExtended(file, i, *record)) {
            zmlib::elmattr::freeRecord(record);
            ok = false;
            break;
        }
        if (tail) tail->next = record;
        else set.setHead(record);
        tail = record;
        ++read;
    }
    zmlibResource_closeFile(&file);
    set.count() = read;
    if (ok) takeOver(set.head(), detached);
    while (detached) {
        ZmAttribute* next = detached->next;
        zmlib::elmattr::freeRecord(detached);
        detached = next;
    }
    if (!ok) return ZMLIB_ERROR;
    zmlib::elmattr::syncCustomLineStyles();
    zmlib::elmattr::refresh(-1);
    return ZMLIB_SUCCESS;
}
