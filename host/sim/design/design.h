/* The host's design area: design files in SQLite with their models, settings
** and undo journal; element records, descriptors, scanning, levels, styles,
** cells and the geometry services (text outlines, strokes). Builds on base,
** system, files and resources; never on display or above. */
#pragma once

#include <cstdint>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "host/mdlelement.h"
#include "host/sim/base/base.h"

/* The simulated host's design files as its other areas, hostsim and the
** tests see them: the open design file, its models and elements, levels,
** line styles, text styles, colour table, units and settings block, the undo
** journal, and what was shown in which draw mode (with a hook for views). */

struct sqlite3;

namespace sim::design {

struct Units {
    std::string masterName = "m";
    std::string subName = "mm";
    double subPerMaster = 1000.0;
    double uorPerMaster = 1000.0;    /* units of resolution per master unit */
};

/* The host's settings block, stored in the design file. */
struct Settings {
    double activeAngle = 0.0;        /* degrees */
    int activeFont = 1;
    double textWidth = 1.0;          /* units of resolution */
    double textHeight = 1.0;
    int textJustification = 2;       /* left bottom */
    double textSlant = 0.0;          /* degrees */
    double lineSpacing = 0.5;
    uint32_t activeColour = 0;
    uint32_t activeWeight = 0;
    int32_t activeStyle = 0;
    uint32_t activeLevel = 1;
    int activeClass = 0;
    int fillMode = 0;
    uint32_t graphicGroup = 0;       /* 0: none */
    uint32_t nextGraphicGroup = 1;
    std::vector<std::pair<int, int>> locks{{517, 0}};  /* lock number, state */
    int readoutFormat = 0;           /* coordinate read-out format byte */
    int readoutFlags = 0;
    std::string activeCellLibrary;
    int workMode = 0;                /* 0 DGN, 1 DWG, 2 V7 */

    bool operator==(const Settings&) const = default;
};

struct Level {
    uint32_t id = 0;
    std::string name;                /* UTF-8 */
    int code = 0;
    uint32_t colour = 0, weight = 0;
    int32_t style = 0;
    uint32_t overrideColour = 0, overrideWeight = 0;
    int32_t overrideStyle = 0;
    bool overridesOn = false;
};

struct LineStyle {
    int32_t number;                  /* 0..7 standard, negative for named custom styles */
    std::string name;
    std::string dashes;              /* on,off,... in master units; empty: solid */
};

struct TextStyle {
    uint32_t id = 0;
    std::string name;
    int font = 1;
    int justification = 2;
    double width = 1.0, height = 1.0;    /* master units */
    double lineSpacing = 0.5;
    double slant = 0.0;                  /* degrees */
};

/* One element position of a model; the record itself lives in the model's
** arena and is never changed in place (a rewrite stores a new record). */
struct Slot {
    const uint8_t* data;
    uint32_t level;
    uint16_t type;
    uint8_t deleted;
    uint8_t component;
};

}  // namespace sim::design

namespace sim::geom {
/* The current frame's local-to-world transform. */
const Transform& currentToWorld();
bool currentIsIdentity();
void resetTransformsForTests();
}  // namespace sim::geom

struct DgnFile;
struct sqlite3_stmt;

namespace sim::design {
struct RangeIndex;
void freeRangeIndex(RangeIndex* index);
}  // namespace sim::design

/* A model of a design file (the public handle DgnModelRefP points to one). */
struct DgnModel {
    DgnFile* file;
    int id;
    std::string name;                /* UTF-8 */
    std::string description;         /* UTF-8 */
    bool isCell = false;             /* a cell of a cell library */
    bool isReference = false;
    int referenceDisplay = 1;
    int referenceHidden = 0;
    double referenceScale = 1.0;
    std::vector<sim::design::Slot> slots;      /* file position p is slots[p - 1] */
    std::vector<std::unique_ptr<uint8_t[]>> chunks;
    size_t chunkUsed = 0, chunkSize = 0;
    /* Element boxes for locate, built at its first question (range_index.cpp). */
    std::unique_ptr<sim::design::RangeIndex, void (*)(sim::design::RangeIndex*)> rangeIndex{nullptr,
                                                                                           sim::design::freeRangeIndex};
};

/* Models in the order an iterator gives them. */
struct ModelRefIterator {
    std::vector<DgnModel*> models;
    size_t next = 0;
};

/* A design file in memory (the public handle DgnFileP points to one). */
struct DgnFile {
    std::string path;                /* local path */
    std::string name;                /* as given to open */
    sqlite3* db = nullptr;
    sqlite3_stmt* putElement = nullptr;   /* insert or replace; null: not writable */
    sqlite3_stmt* newElement = nullptr;   /* insert of a new position */
    bool readOnly = false;
    bool is3d = true;
    sim::design::Units units;
    sim::design::Settings settings;
    std::vector<std::unique_ptr<DgnModel>> models;   /* models[0] is the default model */
    std::vector<sim::design::Level> levels;
    std::vector<sim::design::Level> levelLibrary;
    std::vector<sim::design::LineStyle> lineStyles;
    std::vector<sim::design::TextStyle> textStyles;
    uint32_t colours[256] = {};      /* 0xRRGGBB */
    uint64_t nextElementId = 1;
    std::vector<std::unique_ptr<DgnFile>> references;
    /* Unique to this load: the views tell files apart by it, since a later
    ** file may be given the address of a closed one. */
    const uint64_t serial;
    DgnFile();
    DgnFile(const DgnFile&) = delete;
    DgnFile& operator=(const DgnFile&) = delete;
    ~DgnFile();   /* closes the database */
};

namespace sim::design {

using DesignFile = ::DgnFile;

/* Open (or, with CREATE, create when missing) the design file PATH, a
** platform path. On success it becomes the active file (the previous one is
** closed) and every loaded application's new-design-file callback runs with
** state 1. On failure nothing changes and ERROR says why. */
bool open(const std::string& path, bool create, std::string& error);
/* Load a design file without making it active (references, dump). */
std::unique_ptr<DesignFile> load(const std::string& path, bool readOnly, std::string& error);
void close();
/* Commit what is pending and checkpoint the file. */
bool save(std::string& error);
DesignFile* activeFile();
DgnModel* activeModel();
/* Load design file PATH writable without making it active (cell libraries). */
std::unique_ptr<DesignFile> loadWritable(const std::string& path, bool create, std::string& error);
/* Add a model to a writable file; null when the name is taken. */
DgnModel* addModel(DesignFile* file, const std::string& name, const std::string& description, bool isCell);
/* Store ELEMENTS (a descriptor chain, components included) as cell NAME of
** the cell library LIBRARYPATH, creating the library when missing. */
bool storeLibraryCell(const std::string& libraryPath, const std::string& name, const std::string& description,
                      MSElementDescr* elements, std::string& error);
/* Attach the cell library PATH (read-only) and make it the active one in the
** settings block. FULLPATH gets its local path. */
bool attachLibrary(const std::string& path, std::string& fullPath, std::string& error);
/* The attached cell library, or null. */
DesignFile* cellLibrary();

/* Attach the default model of design file PATH as a read-only reference. */
DgnModel* attachReference(const std::string& path, std::string& error);
/* A further model of the active file (cell library cells), created when missing. */
DgnModel* model(const std::string& name, bool create);

double uorPerMaster(DgnModelRefP model);
double subPerMaster(DgnModelRefP model);
/* Rotation of standard view VIEW (1..8, top) until views are kept by the host. */
bool viewRotation(int view, RotMatrix* out);

/* Write the settings block, the level tables, styles or colours through to
** the file (part of the current event's transaction). False when there is no
** writable file or it refused: the table in the file stays as it was, and
** the failure is reported on the host's output. */
bool saveSettings();
bool saveLevels();
bool saveStyles();
bool saveColours();
/* Add a named custom line style; answers its (negative) number. */
int32_t addLineStyle(const std::string& name, const std::string& dashes);

/* Element access for the host's areas. Null when there is none. */
const Slot* slot(DgnModel* model, uint32_t filePos);
/* Store a record in the model: a new position (FILEPOS 0) or a replacement.
** Answers the position, 0 on refusal. COMPONENT marks complex members. */
uint32_t storeElement(DgnModel* model, uint32_t filePos, const uint8_t* record, bool component);
bool deleteElement(DgnModel* model, uint32_t filePos);
/* Complex elements nest at most this deep in a descriptor read from a file. */
constexpr int MAX_NESTING = 256;
/* A descriptor of the element at FILEPOS and its components; FILEPOS
** advances past them. Null when there is none (TOP: or it is a component),
** or it nests deeper than MAX_NESTING (reported). DEPTH: of FILEPOS's header. */
MSElementDescr* readTree(DgnModel* model, uint32_t& filePos, bool top, int depth = 0);
/* Number of positions a complex element at FILEPOS spans (1 for a simple one). */
uint32_t span(DgnModel* model, uint32_t filePos);
/* Into OUT, ascending: every position of MODEL whose drawing may come within
** TOLERANCE (UORs) of POINT seen through the view ROTATION. A superset: the
** caller measures each. */
void locateCandidates(DgnModel* model, const Dpoint3d& point, const RotMatrix& rotation, double tolerance,
                      std::vector<uint32_t>& out);

/* Undo journal: each event (or each change outside one) is one step. */
bool undo();
bool redo();
size_t undoDepth();

/* What was shown. The hook (if set) gets every element displayed, with its
** draw mode; without a hook the host keeps a log (at most 100,000 entries).
** Entries of the dynamics mode carry no element: sim::view::transient() has them. */
struct Shown {
    int drawMode;
    std::vector<uint8_t> element;
};
using DisplayHook = std::function<void(const MSElement* element, DgnModelRefP model, int drawMode)>;
void setDisplayHook(DisplayHook hook);
/* The views' own receiver of every displayed element, called before the hook
** or the log; it outlives resetForTests (the view area installs it once, from
** a static initialiser: hence a plain function pointer). */
using ViewSink = void (*)(const MSElement* element, DgnModelRefP model, int drawMode);
void setViewSink(ViewSink sink);
/* The views' redraw from the model, after an element changed without being
** displayed (a modify function's answer); installed once like the sink. */
using ViewRefresh = void (*)();
void setViewRefresh(ViewRefresh refresh);
const std::vector<Shown>& shownLog();
void clearShownLog();

/* One readable line per element of MODEL (null: active) into OUT. */
void dump(DgnModel* model, std::string& out);
/* One line for one element record. */
std::string describeElement(uint32_t filePos, const uint8_t* record);

/* Close the file, forget the journal and the log (tests). */
void resetForTests();

}  // namespace sim::design

/* Field access of element records for the host's element code: offsets of
** each type's fields and little-endian readers and writers. */

namespace sim::elem {

using sim::get2, sim::get4, sim::get8, sim::getD, sim::put2, sim::put4, sim::put8, sim::putD;
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
**   complex 12, 14:   56 component count, 60 reserved                      (64 bytes)
**   text node 7:      56 component count, 60 reserved, 64 origin, 88 line
**                     spacing                                             (96 bytes) */
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
    TN_ORIGIN = 64, TN_SPACING = 88, TEXT_NODE_BYTES = 96,
    MAX_TEXT_CHARS = 512,
    MAX_CELL_NAME = 512,
};

inline int type(const uint8_t* e) { return static_cast<int>(get4(e + H_TYPE) & 0xFFFF); }
inline uint32_t sizeWords(const uint8_t* e) { return get4(e + H_SIZE); }
inline uint32_t sizeBytes(const uint8_t* e) { return 2 * get4(e + H_SIZE); }
inline uint32_t attrWords(const uint8_t* e) { return get4(e + H_ATTR); }
inline bool isGraphicType(int t) { return t != DATA_ELM; }
inline bool isComplexType(int t) {
    return t == CELL_HEADER_ELM || t == CMPLX_STRING_ELM || t == CMPLX_SHAPE_ELM || t == TEXT_NODE_ELM;
}

/* Start a record of TYPE with BODYBYTES bytes in front of the linkages. */
void initRecord(uint8_t* e, int type, uint32_t bodyBytes);
/* Structural check of a record of at most AVAILABLE bytes (see mdlElement_validate). */
bool wellFormed(const uint8_t* e, size_t available);
/* Bytes ELEMENT may grow to in place: its descriptor node's room when it is
** a node's element, else MAX_ELEMENT_SIZE (a whole element buffer). */
uint32_t roomOf(const MSElement* element);
/* Change the body size of a record in place, moving its linkages. */
void resizeBody(uint8_t* e, uint32_t newBodyBytes);
/* Points of a linear element (line, line string, shape). */
int vertexCount(const uint8_t* e);
Dpoint3d vertex(const uint8_t* e, int i);
/* Range of one element record (cells: their stored range). */
bool range(const uint8_t* e, Dpoint3d& low, Dpoint3d& high);

}  // namespace sim::elem

namespace sim::text {

/* The five outline points of a text record (see host/mdltext.h). */
bool outline(const uint8_t* record, Dpoint3d shape[5]);
/* The UTF-8 string of a text record. */
std::string string(const uint8_t* record);

}  // namespace sim::text

namespace sim::stroke {

/* Points of one element record, appended to OUT (see mdlElement_stroke).
** False for a record that is not graphic or not well formed. */
bool element(const uint8_t* record, double tolerance, std::vector<Dpoint3d>& out);

}  // namespace sim::stroke

namespace sim::level {

/* Add a level to the active file's level library; answers its id (0 on
** refusal: no file, empty or existing name). */
uint32_t addLibraryLevel(const std::string& name, int code);
/* Forget the level library's model reference (tests). */
void resetForTests();

}  // namespace sim::level

namespace sim {

/* Forget locks and active parameters (tests). */
void resetParams();

}  // namespace sim
