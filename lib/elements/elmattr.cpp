/* The attribute set of each application: the group table, the list of
** attribute records, their operations, applying an attribute to an element
** and creating texts with one. State: the caller's global data record, and
** ElmAttrState (the dialog's refresh function). */
#include "lib/elements/elmattr.h"

#include <cmath>
#include <cstdarg>
#include <cstring>
#include <vector>
#include "host/mdlcommand.h"
#include "host/mdldialog.h"
#include "host/mdlgeom.h"
#include "host/mdllevel.h"
#include "host/mdlsystem.h"
#include "host/mdltextsettings.h"
#include "lib/core/error.h"
#include "lib/core/main.h"
#include "lib/core/mem.h"
#include "lib/elements/elmattr_int.h"
#include "lib/elements/support_int.h"

namespace {

struct ElmAttrState {
    zmlib::elmattr::RefreshFunction refresh;
};
ElmAttrState state{};

enum : int { WORK_GROUP_COUNT = 0, WORK_ATTRIBUTE_COUNT = 1, WORK_NEXT_ID = 2 };
static_assert(sizeof(ZmAttribute) <= ZMGD_ATTRIB_LARGE_SIZE);
static_assert(sizeof(MSWChar*) * (ZMATTR_LEVEL_VARIABLES + 1) <= ZMGD_ATTRIB_SMALL_SIZE);

void* allocate(size_t size) {
    return zmlibMem_mallocRscErrorPrintf(static_cast<unsigned>(size), ZMLIB_LIST_ERRORS, ZMLIB_MSG_OUT_OF_MEMORY);
}

char* copyString(const char* text) {
    if (!text) return nullptr;
    size_t n = std::strlen(text);
    char* copy = static_cast<char*>(allocate(n + 1));
    if (copy) std::memcpy(copy, text, n + 1);
    return copy;
}

bool usesIcons(int kind) {
    return kind == ZMATTR_KIND_SYMBOL || kind == ZMATTR_KIND_SYMBOL_SIZE || kind == ZMATTR_KIND_SYMBOL_STRING;
}

/* Free the group table and its names. */
void freeGroups(const zmlib::elmattr::SetView& set) {
    ZmAttributeGroup* groups = set.groups();
    for (int i = 0; groups && i < set.groupCount(); ++i) dlmSystem_mdlFree(groups[i].name);
    dlmSystem_mdlFree(groups);
    set.gd->attribCurrentSet = nullptr;
    set.gd->attribSetWork[WORK_GROUP_COUNT] = 0;
}

/* Build the group table from COUNT tuples of ARGS (with notification
** functions when EXTENDED). */
void setGroups(int count, va_list args, bool extended) {
    zmlib::elmattr::SetView set = zmlib::elmattr::callerSet();
    if (!set.gd) return;
    freeGroups(set);
    zmlibElmAttr_freeAllAttribute();
    if (count <= 0) return;
    auto* groups = static_cast<ZmAttributeGroup*>(allocate(sizeof(ZmAttributeGroup) * count));
    if (!groups) return;
    for (int i = 0; i < count; ++i) {
        groups[i].name = copyString(va_arg(args, const char*));
        groups[i].id = va_arg(args, int);
        groups[i].flags = va_arg(args, int);
        groups[i].notify = extended ? va_arg(args, ZmGroupNotifyFunction) : nullptr;
    }
    set.gd->attribCurrentSet = groups;
    set.gd->attribSetWork[WORK_GROUP_COUNT] = count;
}

/* Read the option list of a new record from ARGS: count, then pairs. */
bool readOptions(ZmAttribute* record, va_list& args) {
    int count = va_arg(args, int);
    if (count < 0) count = 0;
    record->optionCount = count;
    if (!count) return true;
    record->optionValues = static_cast<int32_t*>(allocate(sizeof(int32_t) * count));
    if (record->kind == ZMATTR_KIND_TEXT_OPTION)
        record->optionIcons = allocate(sizeof(char*) * count);
    else
        record->optionIcons = allocate(sizeof(int32_t) * count);
    if (!record->optionValues || !record->optionIcons) return false;
    for (int i = 0; i < count; ++i) {
        if (record->kind == ZMATTR_KIND_TEXT_OPTION) {
            char* label = copyString(va_arg(args, const char*));
            static_cast<char**>(record->optionIcons)[i] = label;
        } else {
            static_cast<int32_t*>(record->optionIcons)[i] = va_arg(args, int);
        }
        record->optionValues[i] = va_arg(args, int);
    }
    return true;
}

/* Apply the line style of DATA to ELEMENT: a standard or by-level number as
** it is, a custom style only when the host knows its name. */
void applyLineStyle(MSElement* element, const ZmAttributeData& data) {
    if (data.lineStyle >= 0) {
        Int32 style = data.lineStyle;
        mdlElement_setSymbology(element, nullptr, nullptr, &style);
        return;
    }
    LineStyleParams params{};
    if (data.applyMask & ZMATTR_STYLE_WIDTH) params.modifiers |= STYLEMOD_SWIDTH | STYLEMOD_EWIDTH;
    if (data.applyMask & ZMATTR_STYLE_SCALE) params.modifiers |= STYLEMOD_SCALE;
    params.scale = data.styleScale;
    params.startWidth = data.styleWidth;
    params.endWidth = data.styleWidth;
    char name[sizeof data.styleName + 1] = {};
    std::memcpy(name, data.styleName, sizeof data.styleName);
    Int32 number = 0;
    if (mdlLineStyle_numberFromName(&number, name, mdlModelRef_getActive()) != HOST_SUCCESS) return;
    mdlElement_setLineStyle(element, &number, &params);
}

}  // namespace

namespace zmlib::elmattr {

ZmAttribute* SetView::head() const { return static_cast<ZmAttribute*>(gd->attribListHead); }
void SetView::setHead(ZmAttribute* h) const { gd->attribListHead = h; }
ZmAttributeGroup* SetView::groups() const { return static_cast<ZmAttributeGroup*>(gd->attribCurrentSet); }
int SetView::groupCount() const { return gd->attribSetWork[WORK_GROUP_COUNT]; }
int& SetView::count() const { return gd->attribSetWork[WORK_ATTRIBUTE_COUNT]; }
int& SetView::nextId() const { return gd->attribSetWork[WORK_NEXT_ID]; }
ZmAttribute* SetView::current() const { return static_cast<ZmAttribute*>(gd->modulePointers[ZMGD_SLOT_ATTRIB_LARGE]); }
MSWChar** SetView::levelVariables() const {
    return static_cast<MSWChar**>(gd->modulePointers[ZMGD_SLOT_ATTRIB_SMALL]);
}

SetView callerSet() { return SetView{zmlibMain_getGlobalDataP()}; }

ZmAttribute* find(int attributeId) {
    SetView set = callerSet();
    if (!set.gd) return nullptr;
    for (ZmAttribute* a = set.head(); a; a = a->next)
        if (a->id == attributeId) return a;
    return nullptr;
}

const ZmAttributeGroup* findGroup(int groupId) {
    SetView set = callerSet();
    if (!set.gd || !set.groups()) return nullptr;
    for (int i = 0; i < set.groupCount(); ++i)
        if (set.groups()[i].id == groupId) return &set.groups()[i];
    return nullptr;
}

ZmAttribute* allocateRecord() { return static_cast<ZmAttribute*>(allocate(sizeof(ZmAttribute))); }

void freeOwned(ZmAttribute* record) {
    if (!record) return;
    dlmSystem_mdlFree(record->label);
    dlmSystem_mdlFree(record->string);
    if (record->kind == ZMATTR_KIND_TEXT_OPTION && record->optionIcons)
        for (int i = 0; i < record->optionCount; ++i) dlmSystem_mdlFree(static_cast<char**>(record->optionIcons)[i]);
    dlmSystem_mdlFree(record->optionIcons);
    dlmSystem_mdlFree(record->optionValues);
    record->label = record->string = nullptr;
    record->optionIcons = nullptr;
    record->optionValues = nullptr;
    record->optionCount = 0;
}

void freeRecord(ZmAttribute* record) {
    freeOwned(record);
    dlmSystem_mdlFree(record);
}

bool copyOwned(ZmAttribute* record, const ZmAttribute& model) {
    record->label = copyString(model.label);
    record->string = copyString(model.string);
    record->optionCount = model.optionCount;
    record->optionValues = nullptr;
    record->optionIcons = nullptr;
    if (model.optionCount <= 0) return true;
    record->optionValues = static_cast<int32_t*>(allocate(sizeof(int32_t) * model.optionCount));
    if (!record->optionValues) return false;
    if (model.optionValues)
        std::memcpy(record->optionValues, model.optionValues, sizeof(int32_t) * model.optionCount);
    if (!model.optionIcons) return true;
    if (model.kind == ZMATTR_KIND_TEXT_OPTION) {
        auto** labels = static_cast<char**>(allocate(sizeof(char*) * model.optionCount));
        record->optionIcons = labels;
        if (!labels) return false;
        for (int i = 0; i < model.optionCount; ++i) labels[i] = copyString(static_cast<char**>(model.optionIcons)[i]);
    } else {
        record->optionIcons = allocate(sizeof(int32_t) * model.optionCount);
        if (!record->optionIcons) return false;
        std::memcpy(record->optionIcons, model.optionIcons, sizeof(int32_t) * model.optionCount);
    }
    return true;
}

void syncCustomLineStyles() {
    SetView set = callerSet();
    if (!set.gd) return;
    DgnModelRefP model = mdlModelRef_getActive();
    for (ZmAttribute* a = set.head(); a; a = a->next) {
        ZmAttributeData& d = a->data;
        if (d.lineStyle >= 0) continue;
        if (!d.styleName[0]) {
            char name[sizeof d.styleName] = {};
            if (mdlLineStyle_nameFromNumber(name, sizeof name, d.lineStyle, model) == HOST_SUCCESS)
                std::memcpy(d.styleName, name, sizeof name);
        } else {
            char name[sizeof d.styleName + 1] = {};
            std::memcpy(name, d.styleName, sizeof d.styleName);
            Int32 number = 0;
            if (mdlLineStyle_numberFromName(&number, name, model) == HOST_SUCCESS) d.lineStyle = number;
        }
    }
}

void setRefreshFunction(RefreshFunction fn) { state.refresh = fn; }
void refresh(int selectId) {
    if (state.refresh) state.refresh(selectId);
}

void resetForTests() { state = ElmAttrState{}; }

}  // namespace zmlib::elmattr

using namespace zmlib::elmattr;

extern "C" ZMLIB_API void zmlibElmAttr_setGroupeNames(int count, ...) {
    va_list ap;
    va_start(ap, count);
    setGroups(count, ap, false);
    va_end(ap);
}

extern "C" ZMLIB_API void zmlibElmAttr_setGroupeNamesExtended(int count, ...) {
    va_list ap;
    va_start(ap, count);
    setGroups(count, ap, true);
    va_end(ap);
}

extern "C" ZMLIB_API void zmlibElmAttr_freeGroupeNames(void) {
    SetView set = callerSet();
    if (set.gd) freeGroups(set);
}

extern "C" ZMLIB_API int zmlibElmAttr_addAttribute(int attributeId, const char* label, int groupId, int kind,
                                                   int fixedMask, ZmAttributeCallback callback, int refreshDialog,
                                                   const ZmAttributeData* data, ...) {
    SetView set = callerSet();
    if (!set.gd) return ZMLIB_ERROR;
    ZmAttribute* record = allocateRecord();
    if (!record) return ZMLIB_ERROR;
    record->groupId = groupId;
    record->kind = kind;
    record->id = attributeId;
    record->fixedMask = fixedMask;
    record->textFieldLength = ZMATTR_DEFAULT_FIELD_LENGTH;
    const ZmAttributeGroup* group = findGroup(groupId);
    record->callback = group && !(group->flags & ZMATTR_GROUP_USER_EDITABLE) ? callback : nullptr;
    if (data) record->data = *data;
    bool ok = (record->label = copyString(label ? label : "")) != nullptr;
    va_list ap;
    va_start(ap, data);
    switch (kind) {
    case ZMATTR_KIND_SYMBOL_STRING:
    case ZMATTR_KIND_TEXT_STRING:
        record->textFieldLength = va_arg(ap, int);
        record->string = copyString(va_arg(ap, const char*));
        if (kind == ZMATTR_KIND_SYMBOL_STRING) ok = readOptions(record, ap) && ok;
        break;
    case ZMATTR_KIND_TEXT_OPTION:
        record->string = copyString(va_arg(ap, const char*));
        ok = readOptions(record, ap) && ok;
        break;
    case ZMATTR_KIND_SYMBOL:
    case ZMATTR_KIND_SYMBOL_SIZE: ok = readOptions(record, ap) && ok; break;
    default: break;
    }
    va_end(ap);
    if (!ok) {
        freeRecord(record);
        return ZMLIB_ERROR;
    }
    if (ZmAttribute* last = set.head()) {
        while (last->next) last = last->next;
        last->next = record;
    } else {
        set.setHead(record);
    }
    ++set.count();
    if (refreshDialog) refresh(attributeId);
    return ZMLIB_SUCCESS;
}

extern "C" ZMLIB_API int zmlibElmAttr_insertAttribute(int beforeId, const char* label, int fixedMask,
                                                      const ZmAttributeData* data) {
    SetView set = callerSet();
    ZmAttribute* model = find(beforeId);
    if (!set.gd || !model) return ZMLIB_ERROR;
    ZmAttribute* record = allocateRecord();
    if (!record) return ZMLIB_ERROR;
    *record = *model;
    if (!copyOwned(record, *model)) {
        freeRecord(record);
        return ZMLIB_ERROR;
    }
    dlmSystem_mdlFree(record->label);
    record->label = copyString(label ? label : "");
    int id = set.nextId();
    for (ZmAttribute* a = set.head(); a; a = a->next)
        if (a->id >= id) id = a->id + 1;
    record->id = id;
    set.nextId() = id + 1;
    if (ZmAttribute* current = set.current()) record->groupId = current->groupId;
    record->fixedMask = fixedMask;
    if (data) record->data = *data;
    record->next = model;
    if (set.head() == model) {
        set.setHead(record);
    } else {
        ZmAttribute* p = set.head();
        while (p->next != model) p = p->next;
        p->next = record;
    }
    ++set.count();
    refresh(id);
    return ZMLIB_SUCCESS;
}

extern "C" ZMLIB_API int zmlibElmAttr_deleteAttribute(int attributeId, int refreshDialog) {
    SetView set = callerSet();
    if (!set.gd) return ZMLIB_ERROR;
    ZmAttribute* previous = nullptr;
    ZmAttribute* record = set.head();
    while (record && record->id != attributeId) {
        previous = record;
        record = record->next;
    }
    if (!record) return ZMLIB_ERROR;
    if (previous) previous->next = record->next;
    else set.setHead(record->next);
    freeRecord(record);
    --set.count();
    if (refreshDialog) refresh(previous ? previous->id : -1);
    return ZMLIB_SUCCESS;
}

extern "C" ZMLIB_API int zmlibElmAttr_editAttribute(int attributeId, int refreshDialog, const ZmAttributeData* data) {
    ZmAttribute* record = find(attributeId);
    if (!record) return ZMLIB_ERROR;
    if (data) record->data = *data;
    if (refreshDialog) refresh(attributeId);
    return ZMLIB_SUCCESS;
}

extern "C" ZMLIB_API int zmlibElmAttr_editAttributeExtended(int attributeId, int refreshDialog,
                                                            const ZmAttributeData* data,
                                                            ZmAttributeCallback callback) {
    ZmAttribute* record = find(attributeId);
    if (!record) return ZMLIB_ERROR;
    record->callback = callback;
    return zmlibElmAttr_editAttribute(attributeId, refreshDialog, data);
}

extern "C" ZMLIB_API int zmlibElmAttr_extractData(int attributeId, ZmAttributeData* dataOut) {
    ZmAttribute* record = find(attributeId);
    if (!record) return ZMLIB_ERROR;
    if (dataOut) *dataOut = record->data;
    return ZMLIB_SUCCESS;
}

extern "C" ZMLIB_API int zmlibElmAttr_getLabelFromId(int attributeId, char* buffer) {
    ZmAttribute* record = find(attributeId);
    if (!record) return ZMLIB_ERROR;
    const char* label = record->label ? record->label : "";
    size_t n = std::strlen(label) + 1;
    if (buffer) std::memcpy(buffer, label, n);
    return static_cast<int>(n);
}

extern "C" ZMLIB_API int zmlibElmAttr_findIdForAttributeName(const char* label, int groupId) {
    SetView set = callerSet();
    if (!set.gd || !label) return 0;
    for (ZmAttribute* a = set.head(); a; a = a->next)
        if (a->groupId == groupId && a->label && std::strcmp(a->label, label) == 0) return a->id;
    return 0;
}

extern "C" ZMLIB_API void zmlibElmAttr_setLevelNameVariable(int index, MSWChar* buffer) {
    if (index < 1 || index > ZMATTR_LEVEL_VARIABLES) return;
    SetView set = callerSet();
    if (!set.gd || !set.levelVariables()) return;
    set.levelVariables()[index] = buffer;
}

extern "C" ZMLIB_API int zmlibElmAttr_setSymbologyAndProperties(MSElement* element, int attributeId,
                                                                ZmAttributeData* dataOut) {
    ZmAttribute* record = find(attributeId);
    if (!record) return ZMLIB_ERROR;
    const ZmAttributeData& d = record->data;
    if (element) {
        if (d.applyMask & ZMATTR_COLOUR) {
            UInt32 colour = d.colour;
            mdlElement_setSymbology(element, &colour, nullptr, nullptr);
        }
        if (d.applyMask & ZMATTR_LINESTYLE) applyLineStyle(element, d);
        if (d.applyMask & ZMATTR_WEIGHT) {
            UInt32 weight = d.weight;
            mdlElement_setSymbology(element, nullptr, &weight, nullptr);
        }
        if (d.applyMask & ZMATTR_LEVEL) {
            MSWChar name[ZMATTR_LEVEL_NAME_SIZE + 1] = {};
            std::memcpy(name, d.levelName, sizeof d.levelName);
            /* A name that gives no level leaves the element's level alone. */
            if (UInt32 level = zmlib::elements::levelIdFromName(name))
                mdlElement_setProperties(element, &level, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                                         nullptr);
        }
        if (d.applyMask & ZMATTR_CLASS) {
            int elementClass = static_cast<int>(d.elementClass);
            mdlElement_setProperties(element, nullptr, nullptr, &elementClass, nullptr, nullptr, nullptr, nullptr,
                                     nullptr);
        }
    }
    if (dataOut) *dataOut = d;
    return ZMLIB_SUCCESS;
}

extern "C" ZMLIB_API int zmlibElmAttr_createText(MSElement* element, const MSElement* templ, const char* text,
                                                 const Dpoint3d* origin, const RotMatrix* rotation,
                                                 const void* textOptions, int attributeId, double sizeDivisor,
                                                 ZmAttributeData* dataOut) {
    size_t length = text ? std::strlen(text) : 0;
    std::vector<MSWChar> wide(length + 1, 0);
    if (text) zmlib::elements::toWide(wide.data(), static_cast<int>(wide.size()), text);
    ZmAttribute* record = find(attributeId);
    if (!record) return ZMLIB_ERROR;
    const ZmAttributeData& d = record->data;
    TextSizeParam size{1, {0.0, 0.0}, 1.0};
    TextParamWide params{};
    bool useSize = false, styled = false;
    DgnModelRefP model = mdlModelRef_getActive();
    if (d.applyMask & ZMATTR_TEXTSTYLE) {
        MSWChar name[83] = {};
        std::memcpy(name, d.extra.textStyleName, sizeof d.extra.textStyleName);
        if (MdlTextStyle* style = mdlTextStyle_getByName(name, model)) {
            double width = 0.0, height = 0.0;
            mdlTextStyle_getTextParamWideFromStyle(&params, &width, &height, style);
            mdlTextStyle_free(style);
            double u = zmlib::elements::uorInMaster();
            width = width * u / sizeDivisor;
            height = height * u / sizeDivisor;
            double active = 0.0;
            if (width == 0.0 || height == 0.0) mdlParams_getActive(&active, ACTIVEPARAM_TEXTHEIGHT);
            if (width == 0.0) width = active / sizeDivisor;
            if (height == 0.0) height = active / sizeDivisor;
            size.size = {width, height};
            useSize = styled = true;
        }
    }
    if (!styled) {
        params.textStyleId = -1;
        params.viewIndependent = -1;
    }
    if (d.applyMask & ZMATTR_TEXTSIZE) {
        size.size = {d.textWidth / sizeDivisor, d.textHeight / sizeDivisor};
        params.lineSpacing = size.size.y * d.lineSpacing;
        useSize = true;
    }
    if (d.applyMask & ZMATTR_JUSTIFICATION) params.just = d.justification;
    else if (!styled) params.just = -1;
    if (d.applyMask & ZMATTR_FONT) {
        params.font = d.font;
    } else if (!styled) {
        int32_t font = 0;
        mdlParams_getActive(&font, ACTIVEPARAM_FONT);
        params.font = font;
    }
    if (d.applyMask & ZMATTR_SLANT) {
        params.flags |= TXTPARAM_SLANT;
        params.slant = d.text.slantAngle * *fc_piover180P;
    } else if (!styled) {
        double slant = mdlSettings_getTextSlant();
        if (std::fabs(slant) > *fc_epsilonP) {
            params.flags |= TXTPARAM_SLANT;
            params.slant = slant * *fc_piover180P;
        }
    }
    if (mdlText_createWide(element, templ, text ? wide.data() : nullptr, origin, rotation, useSize ? &size : nullptr,
                           &params, textOptions) != HOST_SUCCESS)
        return ZMLIB_ERROR;
    return zmlibElmAttr_setSymbologyAndProperties(element, attributeId, dataOut);
}

extern "C" ZMLIB_API int zmlibElmAttr_insertOptionButton(DialogBox* dialog, DialogItem* item, int groupId,
                                                         int* selectedId) {
    if (!item) return ZMLIB_ERROR;
    mdlDialog_optionButtonDeleteItem(item, -1);
    SetView set = callerSet();
    bool found = false;
    int first = 0;
    bool any = false;
    for (ZmAttribute* a = set.gd ? set.head() : nullptr; a; a = a->next) {
        if (a->groupId != groupId) continue;
        mdlDialog_optionButtonInsertItem(item, -1, a->label ? a->label : "", 0, 0, a->id);
        if (!any) first = a->id;
        any = true;
        if (selectedId && *selectedId == a->id) found = true;
    }
    if (selectedId && any && !found) *selectedId = first;
    return mdlDialog_itemSynch(dialog, item->itemIndex);
}

extern "C" ZMLIB_API void zmlibElmAttr_freeAllAttribute(void) {
    SetView set = callerSet();
    if (!set.gd) return;
    for (ZmAttribute* a = set.head(); a;) {
        ZmAttribute* next = a->next;
        freeRecord(a);
        a = next;
    }
    set.setHead(nullptr);
    set.count() = 0;
}
