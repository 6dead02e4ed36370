/* Attribute sets: named element attributes in attribute groups, each with a
** symbology and text properties, applied to elements and used to create
** texts. The set lives in the calling application's global data record. */
#pragma once

#include <cstddef>
#include <cstdint>
#include <type_traits>
#include "host/mdlelement.h"
#include "lib/zmlib_api.h"

struct DialogBox;
struct DialogItem;

/* Apply mask bits (the fixed-property mask uses the same values). */
enum ZmApplyMask : uint32_t {
    ZMATTR_COLOUR = 0x1,
    ZMATTR_LINESTYLE = 0x2,
    ZMATTR_WEIGHT = 0x4,
    ZMATTR_LEVEL = 0x8,
    ZMATTR_CLASS = 0x10,
    ZMATTR_FONT = 0x20,
    ZMATTR_TEXTSIZE = 0x40,
    ZMATTR_JUSTIFICATION = 0x80,
    ZMATTR_STYLE_WIDTH = 0x800,
    ZMATTR_STYLE_SCALE = 0x1000,
    ZMATTR_SLANT = 0x2000,
    ZMATTR_TEXTSTYLE = 0x4000,
};

/* Attribute kinds. */
enum ZmAttributeKind : int32_t {
    ZMATTR_KIND_SYMBOLOGY = 1,
    ZMATTR_KIND_SYMBOL = 2,          /* a symbol number chosen from icons */
    ZMATTR_KIND_SYMBOL_SIZE = 3,     /* and a symbol size */
    ZMATTR_KIND_TEXT = 4,
    ZMATTR_KIND_SYMBOL_STRING = 5,   /* symbol, size and a text string */
    ZMATTR_KIND_TEXT_STRING = 6,     /* a text with a text string */
    ZMATTR_KIND_TEXT_OPTION = 7,     /* a text with a value chosen from labelled options */
};

enum : int {
    ZMATTR_GROUP_USER_EDITABLE = 0x4,   /* group flag: editable set, no attribute callbacks */
    ZMATTR_LEVEL_NAME_SIZE = 512,       /* wide characters */
    ZMATTR_LABEL_SIZE = 80,             /* stored labels, NUL included */
    ZMATTR_DEFAULT_FIELD_LENGTH = 80,
    ZMATTR_LEVEL_VARIABLES = 10,
};

/* The values of one attribute (1424 bytes, the same in memory and stored).
** Members packed to 4 bytes (the 164-byte region at 1128 holds a double but
** is not a multiple of 8 bytes long), the record aligned to 8 so that every
** double still lies on an 8-byte boundary. */
#pragma pack(push, 4)
struct alignas(8) ZmAttributeData {
    uint32_t colour;                        /*    0 0xFFFFFFFF: by level */
    int32_t lineStyle;                      /*    4 0x7FFFFFFF: by level; negative: custom, named below */
    uint32_t weight;                        /*    8 0xFFFFFFFF: by level */
    MSWChar levelName[ZMATTR_LEVEL_NAME_SIZE]; /* 12 */
    uint32_t elementClass;                  /* 1036 0: primary */
    uint32_t applyMask;                     /* 1040 ZMATTR_* bits */
    uint32_t unused1044;                    /* 1044 */
    double styleScale;                      /* 1048 custom line style scale */
    double styleWidth;                      /* 1056 custom line style start and end width */
    char styleName[64];                     /* 1064 custom line style name */
    union {                                 /* 1128, 164 bytes */
        MSWChar textStyleName[82];         /* kinds 4, 6, 7 */
        struct {
            int32_t number;                 /* 1128 kinds 2, 3, 5 */
            uint32_t unused;
            double size;                    /* 1136 kinds 3, 5 */
            uint8_t unused2[28];
            char text[120];                 /* 1172 kind 5 (kind 6 keeps its string here too) */
        } symbol;
    } extra;
    int32_t font;                           /* 1292 */
    double textWidth;                       /* 1296 */
    double textHeight;                      /* 1304 */
    int32_t justification;                  /* 1312 host code: 0 LT ... 14 RB */
    uint32_t unused1316;
    double lineSpacing;                     /* 1320 a multiple of the text height */
    uint8_t unused1328[8];
    union {                                 /* 1336, 84 bytes */
        double slantAngle;                  /* kind 4, degrees */
        char string[84];                    /* kinds 6, 7 */
    } text;
    int32_t furtherValue;                   /* 1420 kind 7 */
};
#pragma pack(pop)
static_assert(sizeof(ZmAttributeData) == 1424);
static_assert(offsetof(ZmAttributeData, elementClass) == 1036);
static_assert(offsetof(ZmAttributeData, styleScale) == 1048);
static_assert(offsetof(ZmAttributeData, extra) == 1128);
static_assert(offsetof(ZmAttributeData, extra.symbol.size) == 1136);
static_assert(offsetof(ZmAttributeData, extra.symbol.text) == 1172);
static_assert(offsetof(ZmAttributeData, font) == 1292);
static_assert(offsetof(ZmAttributeData, justification) == 1312);
static_assert(offsetof(ZmAttributeData, lineSpacing) == 1320);
static_assert(offsetof(ZmAttributeData, text) == 1336);
static_assert(offsetof(ZmAttributeData, furtherValue) == 1420);
static_assert(std::is_trivially_copyable_v<ZmAttributeData>);
static_assert(alignof(ZmAttributeData) == 8);

/* The fields as dialog items reach them through "zmAttrP" (type descriptions). */
using ZmAttributeExtra = decltype(ZmAttributeData::extra);
using ZmAttributeSymbol = decltype(ZmAttributeExtra::symbol);
using ZmAttributeTextValue = decltype(ZmAttributeData::text);
#define ZMATTRIBUTESYMBOL_FIELDS(F) F(number) F(size) F(text)
#define ZMATTRIBUTEEXTRA_FIELDS(F) F(textStyleName) F(symbol)
#define ZMATTRIBUTETEXTVALUE_FIELDS(F) F(slantAngle) F(string)
#define ZMATTRIBUTEDATA_FIELDS(F)                                                                            \
    F(colour) F(lineStyle) F(weight) F(levelName) F(elementClass) F(applyMask) F(styleScale) F(styleWidth)   \
    F(styleName) F(extra) F(font) F(textWidth) F(textHeight) F(justification) F(lineSpacing) F(text)         \
    F(furtherValue)

/* What an attribute callback is given (by pointer, its only argument). */
struct ZmAttributeCallbackRecord {
    DialogBox* dialog;
    int32_t attributeId;
    int32_t reason;          /* 4 leaving, 2 became current, 3 items set, 1 changed by the user */
    int32_t groupId;
    const char* label;
    int32_t kind;
    ZmAttributeData data;
};
typedef void (*ZmAttributeCallback)(ZmAttributeCallbackRecord* record);
typedef void (*ZmGroupNotifyFunction)(void);

/* One attribute of the set, in memory. Its stored form (1480 bytes, 4-byte
** pointer slots) is written field by field by the resource functions. */
struct ZmAttribute {
    int32_t groupId;
    int32_t kind;                  /* ZMATTR_KIND_* */
    int32_t id;                    /* unique in the set */
    char* label;                   /* owned */
    ZmAttributeCallback callback;  /* or null */
    int32_t fixedMask;             /* properties the user cannot change */
    int32_t optionCount;
    int32_t* optionValues;         /* owned, optionCount entries */
    void* optionIcons;             /* owned: int32_t[] for kinds 2, 3, 5; char*[] (each owned) for kind 7 */
    int32_t textFieldLength;       /* kinds 5 and 6; 80 otherwise */
    char* string;                  /* owned: the text field label (5, 6) or option list label (7) */
    int32_t unused;
    ZmAttributeData data;
    ZmAttribute* next;
};
static_assert(std::is_trivially_copyable_v<ZmAttribute>);
#define ZMATTRIBUTE_FIELDS(F) F(groupId) F(kind) F(id) F(label) F(fixedMask) F(optionCount) F(textFieldLength) F(data)

/* One entry of the group table. Group ids are 0, 1, 2, ... in table order. */
struct ZmAttributeGroup {
    char* name;                    /* owned by the table */
    int32_t id;
    int32_t flags;                 /* ZMATTR_GROUP_USER_EDITABLE */
    ZmGroupNotifyFunction notify;  /* after the user edited an attribute of the group, or null */
};

extern "C" ZMLIB_API void zmlibElmAttr_setGroupeNames(int count, ...);
extern "C" ZMLIB_API void zmlibElmAttr_setGroupeNamesExtended(int count, ...);
extern "C" ZMLIB_API void zmlibElmAttr_freeGroupeNames(void);
/* Append an attribute; the extras follow DATA by kind: 2, 3: option count and
** (icon, value) pairs; 5: text field length, its label, option count and
** (icon, value) pairs; 6: text field length and its label; 7: option list
** label, option count and (label, value) pairs. 0, or 0x8000 when memory
** runs out. */
extern "C" ZMLIB_API int zmlibElmAttr_addAttribute(int attributeId, const char* label, int groupId, int kind,
                                                   int fixedMask, ZmAttributeCallback callback, int refresh,
                                                   const ZmAttributeData* data, ...);
extern "C" ZMLIB_API int zmlibElmAttr_insertAttribute(int beforeId, const char* label, int fixedMask,
                                                      const ZmAttributeData* data);
extern "C" ZMLIB_API int zmlibElmAttr_deleteAttribute(int attributeId, int refresh);
extern "C" ZMLIB_API int zmlibElmAttr_editAttribute(int attributeId, int refresh, const ZmAttributeData* data);
extern "C" ZMLIB_API int zmlibElmAttr_editAttributeExtended(int attributeId, int refresh, const ZmAttributeData* data,
                                                            ZmAttributeCallback callback);
extern "C" ZMLIB_API int zmlibElmAttr_extractData(int attributeId, ZmAttributeData* dataOut);
/* Copy the label with its NUL into BUFFER; answers its length plus one, or
** 0x8000 (BUFFER unchanged) for an undefined id. */
extern "C" ZMLIB_API int zmlibElmAttr_getLabelFromId(int attributeId, char* buffer);
/* The id of the first attribute of GROUPID labelled exactly LABEL; 0 when none. */
extern "C" ZMLIB_API int zmlibElmAttr_findIdForAttributeName(const char* label, int groupId);
extern "C" ZMLIB_API void zmlibElmAttr_setLevelNameVariable(int index, MSWChar* buffer);
extern "C" ZMLIB_API int zmlibElmAttr_setSymbologyAndProperties(MSElement* element, int attributeId,
                                                                ZmAttributeData* dataOut);
extern "C" ZMLIB_API int zmlibElmAttr_createText(MSElement* element, const MSElement* templ, const char* text,
                                                 const Dpoint3d* origin, const RotMatrix* rotation,
                                                 const void* textOptions, int attributeId, double sizeDivisor,
                                                 ZmAttributeData* dataOut);
/* Fill option button ITEM of DIALOG with the attributes of GROUPID (label,
** value = id) and synchronise it; *SELECTEDID becomes the group's first
** attribute when it is not among them (unchanged for an empty group). */
extern "C" ZMLIB_API int zmlibElmAttr_insertOptionButton(DialogBox* dialog, DialogItem* item, int groupId,
                                                         int* selectedId);
extern "C" ZMLIB_API void zmlibElmAttr_freeAllAttribute(void);
