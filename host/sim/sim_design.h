/* The simulated host's design files as its other areas, hostsim and the
** tests see them: the open design file, its models and elements, levels,
** line styles, text styles, colour table, units and settings block, the undo
** journal, and what was shown in which draw mode (with a hook for views). */
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "host/mdlelement.h"

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
    DgnFile() = default;
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
/* Rotation of standard view VIEW (1..8, top) until views are kept by the host. */
bool viewRotation(int view, RotMatrix* out);

/* Write the settings block, a level, the level tables, styles and colours
** through to the file (part of the current event's transaction). */
void saveSettings();
void saveLevels();
void saveStyles();
void saveColours();
/* Add a named custom line style; answers its (negative) number. */
int32_t addLineStyle(const std::string& name, const std::string& dashes);

/* Element access for the host's areas. Null when there is none. */
const Slot* slot(DgnModel* model, uint32_t filePos);
/* Store a record in the model: a new position (FILEPOS 0) or a replacement.
** Answers the position, 0 on refusal. COMPONENT marks complex members. */
uint32_t storeElement(DgnModel* model, uint32_t filePos, const uint8_t* record, bool component);
bool deleteElement(DgnModel* model, uint32_t filePos);
/* A descriptor of the element at FILEPOS and its components; FILEPOS
** advances past them. Null when there is none (TOP: or it is a component). */
MSElementDescr* readTree(DgnModel* model, uint32_t& filePos, bool top);
/* Number of positions a complex element at FILEPOS spans (1 for a simple one). */
uint32_t span(DgnModel* model, uint32_t filePos);

/* Undo journal: each event (or each change outside one) is one step. */
bool undo();
bool redo();
size_t undoDepth();

/* What was shown. The hook (if set) gets every element displayed, with its
** draw mode; without a hook the host keeps a log (at most 100,000 entries). */
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
const std::vector<Shown>& shownLog();
void clearShownLog();

/* One readable line per element of MODEL (null: active) into OUT. */
void dump(DgnModel* model, std::string& out);
/* One line for one element record. */
std::string describeElement(uint32_t filePos, const uint8_t* record);

/* Close the file, forget the journal and the log (tests). */
void resetForTests();

}  // namespace sim::design
