/* Stored form of a dimension chain: packs the header data and the component
** data as user data of application 13, and reads a placed "TARVIK" cell back
** into a DimensionRecord. */
#include "app/dimrecord.h"
#include "app/messages.h"

#include <cmath>
#include <cstring>
#include <numbers>

#include "app/tarvikstate.h"
#include "host/mdlgeom.h"
#include "host/mdlsystem.h"
#include "host/mdltext.h"
#include "lib/core/error.h"
#include "lib/core/plotscale.h"
#include "lib/core/text_int.h"
#include "lib/core/util.h"
#include "lib/elements/dataelem.h"
#include "lib/elements/userdata.h"

namespace {

constexpr const char* CELL_NAME = "TARVIK";
constexpr const char* NEWER_VERSION_MESSAGE = "Incompatible dimension element!\nConstructed with newer version of Tarvik";
constexpr int NAME_CHARS = 512;
/* Components of one cell at most: 25 extension lines, and per segment a text,
** a dimension line and two arrowheads; the search for a header looks back no
** further than that. */
constexpr uint32_t MAX_COMPONENTS = 1 + DIM_MAX_POINTS + 4 * DIM_MAX_SEGMENTS;

void putInt(char* block, int* offset, int32_t value) { zmlib66Elem_convertToFileFormat(block, offset, ZMFIELD_INT, value); }
void putDouble(char* block, int* offset, double value) {
    zmlib66Elem_convertToFileFormat(block, offset, ZMFIELD_DOUBLE, value);
}
void getInt(const char* block, int* offset, int32_t* value) {
    zmlib66Elem_convertFromFileFormat(block, offset, ZMFIELD_INT, value);
}
void getDouble(const char* block, int* offset, double* value) {
    zmlib66Elem_convertFromFileFormat(block, offset, ZMFIELD_DOUBLE, value);
}

void showNewerVersion() { zmlibError_msgBoxPrintf(ZMLIB_MSGBOX_INFO_OK, "%s", NEWER_VERSION_MESSAGE); }

bool isDimensionCell(const MSElement* element, Dpoint3d* origin) {
    if (mdlElement_getType(element) != CELL_HEADER_ELM) return false;
    MSWChar name[NAME_CHARS] = {};
    if (mdlCell_extract(origin, nullptr, nullptr, nullptr, name, NAME_CHARS, element) != 0) return false;
    const MSWChar* expected = zmlibUtil_convertToUnicodeText(CELL_NAME);
    size_t i = 0;
    for (; expected[i] && name[i] == expected[i]; ++i) {}
    return expected[i] == 0 && name[i] == 0;
}

struct ComponentVisit {
    DimensionRecord* dim;
    int32_t* current;
    bool failed;
};

int readComponent(MSElement* element, void* params, DgnModelRefP, MSElementDescr*, MSElementDescr**) {
    auto* visit = static_cast<ComponentVisit*>(params);
    int kind = 0;
    if (dimRecord_readComponentData(element, visit->dim, visit->current, &kind) != 0) visit->failed = true;
    return 0;
}

bool containsPosition(const MSElementDescr* descr, uint32_t filePos) {
    for (const MSElementDescr* d = descr; d; d = d->next)
        if (d->filePos == filePos || containsPosition(d->firstChild, filePos)) return true;
    return false;
}

}  // namespace

/* Header data, version 3, 92 bytes, little-endian, doubles in file form:
**   OFFSET SIZE  FIELD
**      0     4   side
**      4     4   rotation
**      8     4   segmentCount
**     12     8   lineOffset
**     20     8   extensionGap
**     28     8   extensionOvershoot
**     36     8   textGap
**     44     4   terminatorType
**     48     8   terminatorWidth
**     56     8   terminatorLength
**     64     8   active plot scale when written
**     72     8   minArrowSpace        (version 3 only)
**     80     8   textMargin           (version 3 only)
**     88     4   dimFlags             (version 3 only)          */
void dimRecord_packHeader(char* out, const DimensionRecord* dim, double plotScale) {
    int at = 0;
    putInt(out, &at, dim->side);
    putInt(out, &at, dim->rotation);
    putInt(out, &at, dim->segmentCount);
    putDouble(out, &at, dim->lineOffset);
    putDouble(out, &at, dim->extensionGap);
    putDouble(out, &at, dim->extensionOvershoot);
    putDouble(out, &at, dim->textGap);
    putInt(out, &at, dim->terminatorType);
    putDouble(out, &at, dim->terminatorWidth);
    putDouble(out, &at, dim->terminatorLength);
    putDouble(out, &at, plotScale);
    putDouble(out, &at, dim->minArrowSpace);
    putDouble(out, &at, dim->textMargin);
    putInt(out, &at, dim->dimFlags);
}

int dimRecord_unpackHeader(DimensionRecord* dim, double* plotScaleOut, int version, const char* data, int size) {
    if (version != 2 && version != 3) return DIM_READ_FAILED;
    if (size < (version == 3 ? DIM_HEADER_SIZE : DIM_HEADER_SIZE_V2)) return DIM_READ_FAILED;
    /* Unpack into a copy so that a refused count leaves DIM untouched. */
    DimensionRecord d = *dim;
    double scale = 0.0;
    int at = 0;
    getInt(data, &at, &d.side);
    getInt(data, &at, &d.rotation);
    getInt(data, &at, &d.segmentCount);
    getDouble(data, &at, &d.lineOffset);
    getDouble(data, &at, &d.extensionGap);
    getDouble(data, &at, &d.extensionOvershoot);
    getDouble(data, &at, &d.textGap);
    getInt(data, &at, &d.terminatorType);
    getDouble(data, &at, &d.terminatorWidth);
    getDouble(data, &at, &d.terminatorLength);
    getDouble(data, &at, &scale);
    if (version == 3) {
        getDouble(data, &at, &d.minArrowSpace);
        getDouble(data, &at, &d.textMargin);
        getInt(data, &at, &d.dimFlags);
    }
    if (d.segmentCount < 0 || d.segmentCount > DIM_MAX_SEGMENTS) return DIM_READ_FAILED;
    *dim = d;
    if (plotScaleOut) *plotScaleOut = scale;
    return 0;
}

int dimRecord_writeHeaderData(MSElement* cellHeader, const DimensionRecord* dim) {
    if (dim->segmentCount < 0 || dim->segmentCount > DIM_MAX_SEGMENTS) return DIM_READ_FAILED;
    char block[DIM_HEADER_SIZE];
    const double* scale = zmlibPlotScale_getActiveScaleP();
    dimRecord_packHeader(block, dim, scale ? *scale : 1.0);
    return zmlibAttrib_appendElementUserData(DIM_USERDATA_APPLICATION, DIM_DATA_VERSION, cellHeader, block,
                                             DIM_HEADER_SIZE);
}

/* Component data, version 3, little-endian, doubles in file form:
**   kind 1 (text of segment i):       0 kind, 4 i, 8 textFlags, 12 shift (8)       20 bytes
**   kind 2 (extension line, point i): 0 kind, 4 i, 8 base.x, 16 base.y, 24 offset  32 bytes
**   kind 3 (dimension line, segment i): 0 kind, 4 i                                  8 bytes */
int dimRecord_writeComponentData(MSElement* element, int kind, int index, const DimensionRecord* dim) {
    char block[DIM_EXTENSION_DATA_SIZE];
    int at = 0;
    putInt(block, &at, kind);
    putInt(block, &at, index);
    switch (kind) {
    case DIM_COMPONENT_TEXT:
        if (index < 0 || index >= DIM_MAX_SEGMENTS) return DIM_READ_FAILED;
        putInt(block, &at, dim->texts[index].textFlags);
        putDouble(block, &at, dim->texts[index].shift);
        break;
    case DIM_COMPONENT_EXTENSION:
        if (index < 0 || index >= DIM_MAX_POINTS) return DIM_READ_FAILED;
        putDouble(block, &at, dim->points[index].base.x);
        putDouble(block, &at, dim->points[index].base.y);
        putDouble(block, &at, dim->points[index].offset);
        break;
    case DIM_COMPONENT_DIMLINE:
        if (index < 0 || index >= DIM_MAX_SEGMENTS) return DIM_READ_FAILED;
        break;
    default: return DIM_READ_FAILED;
    }
    return zmlibAttrib_appendElementUserData(DIM_USERDATA_APPLICATION, DIM_DATA_VERSION, element, block,
                                             static_cast<unsigned>(at));
}

int dimRecord_readComponentData(const MSElement* element, DimensionRecord* dim, int32_t* current, int* kindOut) {
    static char buffer[ZMLIB_USERDATA_MAX_EXTRACT];
    int version = 0, size = 0;
    if (zmlibAttrib_extractElementUserData(element, DIM_USERDATA_APPLICATION, &version, buffer, &size) != 0) return 0;
    if (version != 2 && version != 3) {
        showNewerVersion();
        return DIM_READ_FAILED;
    }
    if (size < DIM_DIMLINE_DATA_SIZE) return DIM_READ_FAILED;
    int32_t kind = 0, index = 0;
    int at = 0;
    getInt(buffer, &at, &kind);
    getInt(buffer, &at, &index);
    switch (kind) {
    case DIM_COMPONENT_TEXT: {
        if (size < DIM_TEXT_DATA_SIZE || index < 0 || index >= DIM_MAX_SEGMENTS) return DIM_READ_FAILED;
        SegmentText& t = dim->texts[index];
        /* The slot takes 11 characters; a longer string is cut, not refused. */
        char text[DIM_TEXT_SIZE] = {};
        if (mdlText_extractString(text, DIM_TEXT_SIZE, element) == 0) dimRecord_setText(&t, text);
        getInt(buffer, &at, &t.textFlags);
        getDouble(buffer, &at, &t.shift);
        break;
    }
    case DIM_COMPONENT_EXTENSION: {
        if (size < DIM_EXTENSION_DATA_SIZE || index < 0 || index >= DIM_MAX_POINTS) return DIM_READ_FAILED;
        DimPoint& p = dim->points[index];
        getDouble(buffer, &at, &p.base.x);
        getDouble(buffer, &at, &p.base.y);
        getDouble(buffer, &at, &p.offset);
        break;
    }
    case DIM_COMPONENT_DIMLINE:
        if (index < 0 || index >= DIM_MAX_SEGMENTS) return DIM_READ_FAILED;
        break;
    default: return DIM_READ_FAILED;
    }
    if (current) *current = index;
    if (kindOut) *kindOut = kind;
    return 0;
}

int dimRecord_setAxisAngle(DimensionRecord* dim) {
    switch (dim->rotation) {
    case 1: dim->axisAngle = std::numbers::pi / 6.0; return 0;
    case 2: dim->axisAngle = 2.0 * std::numbers::pi - std::numbers::pi / 6.0; return 0;
    case 3: dim->axisAngle = std::numbers::pi / 2.0; return 0;
    default: return -1;
    }
}

void dimRecord_setText(SegmentText* slot, const char* text) { zmlib::copyFixed(slot->text, text); }

int dimRecord_readInto(DimensionRecord* dim, int32_t* current, uint32_t filePos, DgnModelRefP model,
                       uint32_t componentPos) {
    MSElementDescr* descr = nullptr;
    if (mdlElmdscr_read(&descr, filePos, model, 0, nullptr) <= 0 || !descr) return 0;
    Dpoint3d origin{};
    if (!isDimensionCell(&descr->el, &origin)) {
        mdlElmdscr_freeAll(&descr);
        return 0;
    }
    /* Work on a copy: a damaged dimension leaves the caller's record as it was. */
    DimensionRecord d = *dim;
    int32_t located = current ? *current : 0;
    d.points[0].base = origin;

    static char buffer[ZMLIB_USERDATA_MAX_EXTRACT];
    int version = 0, size = 0;
    if (zmlibAttrib_extractElementUserData(&descr->el, DIM_USERDATA_APPLICATION, &version, buffer, &size) != 0) {
        mdlElmdscr_freeAll(&descr);
        return 0;
    }
    double scale = 0.0;
    if (version != 2 && version != 3) {
        showNewerVersion();
        mdlElmdscr_freeAll(&descr);
        return 0;
    }
    if (dimRecord_unpackHeader(&d, &scale, version, buffer, size) != 0) {
        mdlElmdscr_freeAll(&descr);
        return 0;
    }
    if (dimRecord_setAxisAngle(&d) != 0) tarvik_debugPrintf("Unknown rotation: %d\n", d.rotation);

    ComponentVisit visit{&d, &located, false};
    mdlElmdscr_operation(descr, readComponent, &visit, ELMD_ELEMENT);
    bool inCell = containsPosition(descr->firstChild, componentPos);
    mdlElmdscr_freeAll(&descr);
    if (visit.failed || !inCell) return 0;

    MSElement component;
    int kind = 0;
    if (mdlElement_read(&component, model, componentPos) != 0) return 0;
    if (dimRecord_readComponentData(&component, &d, &located, &kind) != 0 || kind == 0) return 0;

    /* The stored bases are where the cell was built; a moved or copied cell
    ** shifts them all by its origin's displacement. */
    if (!mdlVec_pointEqualUOR(&origin, &d.points[0].base)) {
        Dpoint3d delta{origin.x - d.points[0].base.x, origin.y - d.points[0].base.y, origin.z - d.points[0].base.z};
        for (int i = 0; i <= d.segmentCount; ++i) {
            d.points[i].base.x += delta.x;
            d.points[i].base.y += delta.y;
            d.points[i].base.z += delta.z;
        }
    }
    *dim = d;
    if (current) *current = located;
    zmlibPlotScale_setActiveScale(scale, 0);
    return kind;
}

uint32_t dimRecord_findHeader(uint32_t componentPos, DgnModelRefP model) {
    for (uint32_t back = 0; back <= MAX_COMPONENTS && back <= componentPos; ++back) {
        MSElementDescr* descr = nullptr;
        if (mdlElmdscr_read(&descr, componentPos - back, model, 0, nullptr) <= 0 || !descr) continue;
        bool holds = containsPosition(descr, componentPos);
        mdlElmdscr_freeAll(&descr);
        /* The first top-level element found going back either holds the
        ** component or shows that it stands alone. */
        return holds ? componentPos - back : 0;
    }
    return 0;
}

int dimRecord_read(uint32_t filePos, DgnModelRefP model, uint32_t componentPos) {
    TarvikState& t = tarvik();
    if (!t.activeDimension || !t.gd) return 0;
    return dimRecord_readInto(t.activeDimension, &t.gd->current, filePos, model, componentPos);
}
