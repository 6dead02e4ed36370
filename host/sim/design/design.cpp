/* Design files: SQLite storage (WAL), loading into memory, write-through of
** every change inside the current event's transaction, the undo journal,
** file access calls and model references. State: DesignState (the active
** file, its prepared statements, the journal, the display hook and log). */
#include <sqlite3.h>
#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>

#include "host/mdlelement.h"
#include "host/mdlgeom.h"
#include "host/mdlsystem.h"
#include "host/sim/system/system.h"
#include "host/sim/design/design.h"
#include "host/sim/base/base.h"

/* Configuration is served by the host's system area; until it is linked in,
** the process environment answers. */
extern "C" __attribute__((weak)) StatusInt mdlSystem_getCfgVar(char* value, const char* name, int size);

using namespace sim::elem;

namespace sim::design {
namespace {

/* Marks a design file of this host (PRAGMA application_id). */
constexpr int32_t DESIGN_APPLICATION_ID = 0x5A4D4447;
constexpr int DESIGN_FORMAT_VERSION = 1;
constexpr size_t CHUNK_BYTES = 1 << 20;
constexpr size_t MAX_UNDO_STEPS = 256;
constexpr size_t MAX_SHOWN = 100000;

struct JournalEntry {
    DgnModel* model;
    uint32_t pos;
    const uint8_t* before;   /* null: the position did not exist */
    const uint8_t* after;
    uint8_t beforeDeleted;
    uint8_t afterDeleted;
    uint8_t component;
};
using Step = std::vector<JournalEntry>;

struct DesignState {
    std::unique_ptr<DesignFile> active;
    std::unique_ptr<DesignFile> library;   /* the attached cell library (read-only) */
    bool inTransaction = false;
    int listenerId = 0;
    Step step;                       /* changes of the current event */
    std::vector<Step> undoSteps, redoSteps;
    bool replaying = false;          /* undo/redo in progress: not journalled */
    DisplayHook hook;
    std::vector<Shown> shown;
    std::vector<std::vector<uint8_t>> spareShown;   /* buffers of trimmed log entries, for reuse */
};
DesignState state;

const char* const SCHEMA =
    "CREATE TABLE meta(key TEXT PRIMARY KEY, value);"
    "CREATE TABLE models(id INTEGER PRIMARY KEY, name TEXT NOT NULL UNIQUE, description TEXT NOT NULL DEFAULT '',"
    " is_cell INTEGER NOT NULL DEFAULT 0);"
    /* key = model id * 2^32 + file position: appends go to the end of one b-tree. */
    "CREATE TABLE elements(key INTEGER PRIMARY KEY, deleted INTEGER NOT NULL, data BLOB NOT NULL);"
    "CREATE VIEW element_positions AS SELECT key >> 32 AS model, key & 4294967295 AS pos, deleted, data FROM elements;"
    "CREATE TABLE levels(library INTEGER NOT NULL, id INTEGER NOT NULL, name TEXT NOT NULL, code INTEGER,"
    " colour INTEGER, weight INTEGER, style INTEGER, ovr_colour INTEGER, ovr_weight INTEGER, ovr_style INTEGER,"
    " ovr_on INTEGER, PRIMARY KEY(library, id));"
    "CREATE TABLE line_styles(number INTEGER PRIMARY KEY, name TEXT NOT NULL UNIQUE, dashes TEXT);"
    "CREATE TABLE text_styles(id INTEGER PRIMARY KEY, name TEXT NOT NULL UNIQUE, font INTEGER, just INTEGER,"
    " width REAL, height REAL, line_spacing REAL, slant REAL);"
    "CREATE TABLE colours(idx INTEGER PRIMARY KEY, rgb INTEGER NOT NULL);"
    "CREATE TABLE settings(name TEXT PRIMARY KEY, value);";

const char* const REQUIRED_TABLES[] = {"meta", "models", "elements", "levels", "line_styles", "text_styles", "colours", "settings"};

bool exec(sqlite3* db, const char* sql, std::string* error = nullptr) {
    char* msg = nullptr;
    if (sqlite3_exec(db, sql, nullptr, nullptr, &msg) == SQLITE_OK) return true;
    if (error) *error = msg ? msg : sqlite3_errmsg(db);
    sqlite3_free(msg);
    return false;
}

std::string cfg(const char* name, const char* fallback) {
    char value[512];
    if (mdlSystem_getCfgVar && mdlSystem_getCfgVar(value, name, sizeof value) == 0) return value;
    if (const char* env = std::getenv(name)) return env;
    return fallback;
}

double cfgNumber(const char* name, double fallback) {
    std::string s = cfg(name, "");
    if (s.empty()) return fallback;
    char* end = nullptr;
    double v = std::strtod(s.c_str(), &end);
    return end && *end == '\0' && v > 0 ? v : fallback;
}

uint64_t nowMs() {
    return static_cast<uint64_t>(
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::system_clock::now().time_since_epoch()).count());
}

/* ---- Memory of a model ------------------------------------------------------------- */

uint8_t* arenaCopy(DgnModel* m, const uint8_t* record, size_t n) {
    size_t need = (n + 7) & ~size_t{7};
    if (m->chunks.empty() || m->chunkUsed + need > m->chunkSize) {
        size_t size = std::max(CHUNK_BYTES, need);
        m->chunks.emplace_back(new (std::nothrow) uint8_t[size]);
        if (!m->chunks.back()) {
            m->chunks.pop_back();
            return nullptr;
        }
        m->chunkSize = size;
        m->chunkUsed = 0;
    }
    uint8_t* p = m->chunks.back().get() + m->chunkUsed;
    m->chunkUsed += need;
    std::memcpy(p, record, n);
    return p;
}

void setSlot(DgnModel* m, uint32_t pos, const uint8_t* data, bool deleted, bool component) {
    if (m->slots.size() < pos) m->slots.resize(pos, Slot{nullptr, 0, 0, 1, 0});
    Slot& s = m->slots[pos - 1];
    s.data = data;
    s.deleted = deleted ? 1 : 0;
    s.component = component ? 1 : 0;
    s.type = data ? static_cast<uint16_t>(type(data)) : 0;
    s.level = data ? get4(data + H_LEVEL) : 0;
}

/* ---- Transactions and write-through ----------------------------------------------------- */

void beginTransaction() {
    if (state.inTransaction || !state.active || state.active->readOnly) return;
    std::string error;
    if (exec(state.active->db, "BEGIN IMMEDIATE", &error))
        state.inTransaction = true;
    else
        sim::addOutput(sim::OutputKind::Host, 0, "design file: cannot begin a transaction: " + error);
}

void closeStep() {
    if (state.step.empty()) return;
    state.undoSteps.push_back(std::move(state.step));
    if (state.undoSteps.size() > MAX_UNDO_STEPS) state.undoSteps.erase(state.undoSteps.begin());
    state.redoSteps.clear();
    state.step.clear();
}

void commit() {
    if (state.inTransaction && state.active) {
        std::string error;
        if (!exec(state.active->db, "COMMIT", &error))
            sim::addOutput(sim::OutputKind::Host, 0, "design file: commit failed: " + error);
    }
    state.inTransaction = false;
}

/* Guard of a change: opens the transaction, and outside an event commits
** and closes the undo step when the change is done. */
struct Change {
    Change() { beginTransaction(); }
    ~Change() {
        if (sim::inEvent()) return;
        commit();
        if (!state.replaying) closeStep();
    }
};

/* Write slot POS of M. FRESH: a position never written before, stored with
** a plain insert (cheaper than a replace, which looks for the old row first). */
bool persistSlot(DgnModel* m, uint32_t pos, bool fresh = false) {
    DesignFile* f = m->file;
    if (f->readOnly || !f->putElement) return false;
    const Slot& s = m->slots[pos - 1];
    int rc = SQLITE_CONSTRAINT;
    for (sqlite3_stmt* st : {fresh ? f->newElement : nullptr, f->putElement}) {
        if (!st || (rc & 0xFF) != SQLITE_CONSTRAINT) continue;
        sqlite3_bind_int64(st, 1, (static_cast<sqlite3_int64>(m->id) << 32) | pos);
        sqlite3_bind_int(st, 2, s.deleted);
        sqlite3_bind_blob(st, 3, s.data, static_cast<int>(sizeBytes(s.data)), SQLITE_STATIC);
        rc = sqlite3_step(st);
        sqlite3_reset(st);
    }
    if (rc != SQLITE_DONE) {
        sim::addOutput(sim::OutputKind::Host, 0, std::string("design file: write failed: ") + sqlite3_errmsg(f->db));
        return false;
    }
    return true;
}

void journal(DgnModel* m, uint32_t pos, const uint8_t* before, bool beforeDeleted, const uint8_t* after,
             bool afterDeleted, bool component) {
    if (state.replaying || m->file != state.active.get()) return;   /* other files are not undone */
    state.step.push_back({m, pos, before, after, static_cast<uint8_t>(beforeDeleted), static_cast<uint8_t>(afterDeleted),
                          static_cast<uint8_t>(component)});
}

/* Put every entry of STEP back (UNDO) or forward, in memory; PERSIST writes through. */
void replay(const Step& step, bool undoing, bool persist) {
    auto apply = [&](const JournalEntry& j) {
        if (undoing) {
            if (j.before) setSlot(j.model, j.pos, j.before, j.beforeDeleted, j.component);
            else setSlot(j.model, j.pos, j.after, true, j.component);
        } else {
            setSlot(j.model, j.pos, j.after, j.afterDeleted, j.component);
        }
        if (persist) persistSlot(j.model, j.pos);
    };
    if (undoing)
        for (auto it = step.rbegin(); it != step.rend(); ++it) apply(*it);
    else
        for (const auto& j : step) apply(j);
}

void ensureListener() {
    if (state.listenerId) return;
    /* The transaction begins with the event's first change (see Change), so
    ** that events which change nothing, such as cursor moves, never touch the file. */
    state.listenerId = sim::addEventListener({
        [] {},
        [](bool committed) {
            if (committed) {
                commit();
                closeStep();
                return;
            }
            /* Roll the event back in memory as the database does. */
            bool was = state.replaying;
            state.replaying = true;
            replay(state.step, true, false);
            state.replaying = was;
            state.step.clear();
            if (state.inTransaction && state.active) exec(state.active->db, "ROLLBACK");
            state.inTransaction = false;
        },
    });
}

/* ---- Defaults of a new file ---------------------------------------------------------------- */

const char* const STANDARD_DASHES[8] = {"", "0.1,0.1", "0.5,0.25", "1,0.25", "0.5,0.25,0.1,0.25", "0.25,0.25",
                                        "1,0.25,0.1,0.25,0.1,0.25", "1,0.25,0.1,0.25"};

/* A new file takes its units from the workspace:
**   _HOST_MASTER_UNITS     name of the master unit (default "m")
**   _HOST_SUB_UNITS        name of the sub-unit (default "mm")
**   _HOST_SUB_PER_MASTER   sub-units per master unit (default 1000)
**   _HOST_UOR_PER_MASTER   units of resolution per master unit (default 1000)
**   _HOST_DESIGN_3D        0 makes a two-dimensional file (default 1)
** Text width and height start at one master unit. */
void setDefaults(DesignFile& f) {
    f.units.masterName = cfg("_HOST_MASTER_UNITS", "m");
    f.units.subName = cfg("_HOST_SUB_UNITS", "mm");
    f.units.subPerMaster = cfgNumber("_HOST_SUB_PER_MASTER", 1000.0);
    f.units.uorPerMaster = cfgNumber("_HOST_UOR_PER_MASTER", 1000.0);
    f.is3d = cfg("_HOST_DESIGN_3D", "1") != "0";
    f.settings = Settings{};
    f.settings.textWidth = f.settings.textHeight = f.units.uorPerMaster;
    f.levels.clear();
    for (uint32_t i = 1; i <= 63; ++i) {
        Level l;
        l.id = i;
        l.name = "Level " + std::to_string(i);
        l.code = static_cast<int>(i);
        f.levels.push_back(l);
    }
    Level def;
    def.id = 64;
    def.name = "Default";
    def.code = 0;
    f.levels.push_back(def);
    f.levelLibrary.clear();
    f.lineStyles.clear();
    for (int i = 0; i < 8; ++i) f.lineStyles.push_back({i, std::to_string(i), STANDARD_DASHES[i]});
    f.textStyles.clear();
    static const uint32_t base[8] = {0xFFFFFF, 0x0000FF, 0x00FF00, 0xFF0000, 0xFFFF00, 0xFF00FF, 0xFF7F00, 0x00FFFF};
    for (int i = 0; i < 256; ++i) {
        if (i < 8) {
            f.colours[i] = base[i];
        } else {
            /* A fixed spread of the remaining colours: hue steps over three brightness bands. */
            int band = (i - 8) / 62, step = (i - 8) % 62;
            uint32_t v = 255 - band * 70;
            uint32_t r = (step * 37) % 256, g = (step * 91 + 64) % 256, b = (step * 53 + 128) % 256;
            f.colours[i] = ((r * v / 255) << 16) | ((g * v / 255) << 8) | (b * v / 255);
        }
    }
}

/* ---- Writing the tables ------------------------------------------------------------------------- */

void writeSetting(sqlite3* db, const char* name, const std::string& value) {
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(db, "INSERT OR REPLACE INTO settings(name, value) VALUES(?, ?)", -1, &st, nullptr);
    sqlite3_bind_text(st, 1, name, -1, SQLITE_TRANSIENT);
    sqlite3_bind_text(st, 2, value.c_str(), -1, SQLITE_TRANSIENT);
    sqlite3_step(st);
    sqlite3_finalize(st);
}

std::string num(double v) {
    char b[64];
    std::snprintf(b, sizeof b, "%.17g", v);
    return b;
}

void writeSettings(DesignFile& f) {
    const Settings& s = f.settings;
    writeSetting(f.db, "active_angle", num(s.activeAngle));
    writeSetting(f.db, "active_font", std::to_string(s.activeFont));
    writeSetting(f.db, "text_width", num(s.textWidth));
    writeSetting(f.db, "text_height", num(s.textHeight));
    writeSetting(f.db, "text_justification", std::to_string(s.textJustification));
    writeSetting(f.db, "text_slant", num(s.textSlant));
    writeSetting(f.db, "line_spacing", num(s.lineSpacing));
    writeSetting(f.db, "active_colour", std::to_string(s.activeColour));
    writeSetting(f.db, "active_weight", std::to_string(s.activeWeight));
    writeSetting(f.db, "active_style", std::to_string(s.activeStyle));
    writeSetting(f.db, "active_level", std::to_string(s.activeLevel));
    writeSetting(f.db, "active_class", std::to_string(s.activeClass));
    writeSetting(f.db, "fill_mode", std::to_string(s.fillMode));
    writeSetting(f.db, "graphic_group", std::to_string(s.graphicGroup));
    writeSetting(f.db, "next_graphic_group", std::to_string(s.nextGraphicGroup));
    std::string locks;
    for (auto& [lock, on] : s.locks) locks += std::to_string(lock) + "=" + std::to_string(on) + ";";
    writeSetting(f.db, "locks", locks);
    writeSetting(f.db, "readout_format", std::to_string(s.readoutFormat));
    writeSetting(f.db, "readout_flags", std::to_string(s.readoutFlags));
    writeSetting(f.db, "active_cell_library", s.activeCellLibrary);
    writeSetting(f.db, "work_mode", std::to_string(s.workMode));
    writeSetting(f.db, "master_units", f.units.masterName);
    writeSetting(f.db, "sub_units", f.units.subName);
    writeSetting(f.db, "sub_per_master", num(f.units.subPerMaster));
    writeSetting(f.db, "uor_per_master", num(f.units.uorPerMaster));
    writeSetting(f.db, "is3d", f.is3d ? "1" : "0");
}

void writeLevels(DesignFile& f) {
    exec(f.db, "DELETE FROM levels");
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(f.db, "INSERT INTO levels VALUES(?,?,?,?,?,?,?,?,?,?,?)", -1, &st, nullptr);
    for (int lib = 0; lib < 2; ++lib) {
        for (const Level& l : lib ? f.levelLibrary : f.levels) {
            sqlite3_bind_int(st, 1, lib);
            sqlite3_bind_int64(st, 2, l.id);
            sqlite3_bind_text(st, 3, l.name.c_str(), -1, SQLITE_TRANSIENT);
            sqlite3_bind_int(st, 4, l.code);
            sqlite3_bind_int64(st, 5, l.colour);
            sqlite3_bind_int64(st, 6, l.weight);
            sqlite3_bind_int(st, 7, l.style);
            sqlite3_bind_int64(st, 8, l.overrideColour);
            sqlite3_bind_int64(st, 9, l.overrideWeight);
            sqlite3_bind_int(st, 10, l.overrideStyle);
            sqlite3_bind_int(st, 11, l.overridesOn);
            sqlite3_step(st);
            sqlite3_reset(st);
        }
    }
    sqlite3_finalize(st);
}

void writeStyles(DesignFile& f) {
    exec(f.db, "DELETE FROM line_styles; DELETE FROM text_styles;");
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(f.db, "INSERT INTO line_styles VALUES(?,?,?)", -1, &st, nullptr);
    for (const LineStyle& l : f.lineStyles) {
        sqlite3_bind_int(st, 1, l.number);
        sqlite3_bind_text(st, 2, l.name.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(st, 3, l.dashes.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_step(st);
        sqlite3_reset(st);
    }
    sqlite3_finalize(st);
    sqlite3_prepare_v2(f.db, "INSERT INTO text_styles VALUES(?,?,?,?,?,?,?,?)", -1, &st, nullptr);
    for (const TextStyle& t : f.textStyles) {
        sqlite3_bind_int64(st, 1, t.id);
        sqlite3_bind_text(st, 2, t.name.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_int(st, 3, t.font);
        sqlite3_bind_int(st, 4, t.justification);
        sqlite3_bind_double(st, 5, t.width);
        sqlite3_bind_double(st, 6, t.height);
        sqlite3_bind_double(st, 7, t.lineSpacing);
        sqlite3_bind_double(st, 8, t.slant);
        sqlite3_step(st);
        sqlite3_reset(st);
    }
    sqlite3_finalize(st);
}

void writeColours(DesignFile& f) {
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(f.db, "INSERT OR REPLACE INTO colours VALUES(?,?)", -1, &st, nullptr);
    for (int i = 0; i < 256; ++i) {
        sqlite3_bind_int(st, 1, i);
        sqlite3_bind_int64(st, 2, f.colours[i]);
        sqlite3_step(st);
        sqlite3_reset(st);
    }
    sqlite3_finalize(st);
}

/* ---- Reading a file ------------------------------------------------------------------------------------ */

uint32_t be(const unsigned char* p, int n) {
    uint32_t v = 0;
    for (int i = 0; i < n; ++i) v = (v << 8) | p[i];
    return v;
}

/* Check the database header against the file's length before SQLite sees
** it: a file cut short is refused here rather than read half. */
bool checkHeader(const std::string& path, std::string& error) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = "cannot read " + path;
        return false;
    }
    unsigned char h[100] = {};
    in.read(reinterpret_cast<char*>(h), sizeof h);
    if (in.gcount() < 100 || std::memcmp(h, "SQLite format 3", 16) != 0) {
        error = path + " is not a design file (no database header)";
        return false;
    }
    struct stat st{};
    if (stat(path.c_str(), &st) != 0) {
        error = "cannot read " + path;
        return false;
    }
    uint32_t pageSize = be(h + 16, 2);
    if (pageSize == 1) pageSize = 65536;
    if (pageSize < 512 || (pageSize & (pageSize - 1))) {
        error = path + " is corrupt (bad page size)";
        return false;
    }
    uint64_t size = static_cast<uint64_t>(st.st_size);
    uint32_t pages = be(h + 28, 4);
    bool pagesValid = be(h + 24, 4) == be(h + 92, 4) && pages > 0;
    if (size % pageSize != 0 || (pagesValid && static_cast<uint64_t>(pages) * pageSize > size)) {
        error = path + " is truncated or corrupt (" + std::to_string(size) + " bytes, " +
                (pagesValid ? std::to_string(static_cast<uint64_t>(pages) * pageSize) : std::string("whole pages")) +
                " expected)";
        return false;
    }
    return true;
}

bool loadTables(DesignFile& f, std::string& error) {
    sqlite3* db = f.db;
    sqlite3_stmt* st = nullptr;
    auto fail = [&](const std::string& what) {
        error = f.name + ": " + what + (sqlite3_errcode(db) != SQLITE_OK && sqlite3_errcode(db) < 100 ? std::string(": ") + sqlite3_errmsg(db) : "");
        if (st) sqlite3_finalize(st);
        st = nullptr;
        return false;
    };
    if (sqlite3_prepare_v2(db, "PRAGMA application_id", -1, &st, nullptr) != SQLITE_OK || sqlite3_step(st) != SQLITE_ROW)
        return fail("cannot read the file");
    int32_t appId = sqlite3_column_int(st, 0);
    sqlite3_finalize(st);
    st = nullptr;
    if (appId != DESIGN_APPLICATION_ID) return fail("not a design file");
    for (const char* table : REQUIRED_TABLES) {
        std::string sql = std::string("SELECT 1 FROM sqlite_master WHERE type='table' AND name='") + table + "'";
        if (sqlite3_prepare_v2(db, sql.c_str(), -1, &st, nullptr) != SQLITE_OK) return fail("cannot read the schema");
        int rc = sqlite3_step(st);
        sqlite3_finalize(st);
        st = nullptr;
        if (rc != SQLITE_ROW) return fail(std::string("table ") + table + " is missing");
    }
    /* Settings and units. */
    setDefaults(f);
    if (sqlite3_prepare_v2(db, "SELECT name, value FROM settings", -1, &st, nullptr) != SQLITE_OK) return fail("bad settings");
    int rc;
    Settings& s = f.settings;
    while ((rc = sqlite3_step(st)) == SQLITE_ROW) {
        std::string n = reinterpret_cast<const char*>(sqlite3_column_text(st, 0) ? sqlite3_column_text(st, 0) : (const unsigned char*)"");
        const char* v = reinterpret_cast<const char*>(sqlite3_column_text(st, 1));
        std::string value = v ? v : "";
        double d = std::strtod(value.c_str(), nullptr);
        long long i = std::strtoll(value.c_str(), nullptr, 10);
        if (n == "active_angle") s.activeAngle = d;
        else if (n == "active_font") s.activeFont = static_cast<int>(i);
        else if (n == "text_width") s.textWidth = d;
        else if (n == "text_height") s.textHeight = d;
        else if (n == "text_justification") s.textJustification = static_cast<int>(i);
        else if (n == "text_slant") s.textSlant = d;
        else if (n == "line_spacing") s.lineSpacing = d;
        else if (n == "active_colour") s.activeColour = static_cast<uint32_t>(i);
        else if (n == "active_weight") s.activeWeight = static_cast<uint32_t>(i);
        else if (n == "active_style") s.activeStyle = static_cast<int32_t>(i);
        else if (n == "active_level") s.activeLevel = static_cast<uint32_t>(i);
        else if (n == "active_class") s.activeClass = static_cast<int>(i);
        else if (n == "fill_mode") s.fillMode = static_cast<int>(i);
        else if (n == "graphic_group") s.graphicGroup = static_cast<uint32_t>(i);
        else if (n == "next_graphic_group") s.nextGraphicGroup = static_cast<uint32_t>(i);
        else if (n == "readout_format") s.readoutFormat = static_cast<int>(i);
        else if (n == "readout_flags") s.readoutFlags = static_cast<int>(i);
        else if (n == "active_cell_library") s.activeCellLibrary = value;
        else if (n == "work_mode") s.workMode = static_cast<int>(i);
        else if (n == "master_units") f.units.masterName = value;
        else if (n == "sub_units") f.units.subName = value;
        else if (n == "sub_per_master") f.units.subPerMaster = d;
        else if (n == "uor_per_master") f.units.uorPerMaster = d;
        else if (n == "is3d") f.is3d = i != 0;
        else if (n == "locks") {
            s.locks.clear();
            size_t p = 0;
            while (p < value.size()) {
                size_t semi = value.find(';', p), eq = value.find('=', p);
                if (semi == std::string::npos || eq == std::string::npos || eq > semi) break;
                s.locks.emplace_back(std::atoi(value.substr(p, eq - p).c_str()), std::atoi(value.substr(eq + 1, semi - eq - 1).c_str()));
                p = semi + 1;
            }
        }
    }
    sqlite3_finalize(st);
    st = nullptr;
    if (rc != SQLITE_DONE) return fail("cannot read the settings");
    if (!(f.units.uorPerMaster > 0) || !(f.units.subPerMaster > 0)) return fail("bad units");
    /* Levels, styles, colours. */
    f.levels.clear();
    f.levelLibrary.clear();
    if (sqlite3_prepare_v2(db, "SELECT * FROM levels ORDER BY library, id", -1, &st, nullptr) != SQLITE_OK) return fail("bad level table");
    while ((rc = sqlite3_step(st)) == SQLITE_ROW) {
        Level l;
        l.id = static_cast<uint32_t>(sqlite3_column_int64(st, 1));
        const unsigned char* name = sqlite3_column_text(st, 2);
        l.name = name ? reinterpret_cast<const char*>(name) : "";
        l.code = sqlite3_column_int(st, 3);
        l.colour = static_cast<uint32_t>(sqlite3_column_int64(st, 4));
        l.weight = static_cast<uint32_t>(sqlite3_column_int64(st, 5));
        l.style = sqlite3_column_int(st, 6);
        l.overrideColour = static_cast<uint32_t>(sqlite3_column_int64(st, 7));
        l.overrideWeight = static_cast<uint32_t>(sqlite3_column_int64(st, 8));
        l.overrideStyle = sqlite3_column_int(st, 9);
        l.overridesOn = sqlite3_column_int(st, 10) != 0;
        (sqlite3_column_int(st, 0) ? f.levelLibrary : f.levels).push_back(l);
    }
    sqlite3_finalize(st);
    st = nullptr;
    if (rc != SQLITE_DONE) return fail("cannot read the level table");
    f.lineStyles.clear();
    if (sqlite3_prepare_v2(db, "SELECT number, name, dashes FROM line_styles ORDER BY number", -1, &st, nullptr) != SQLITE_OK)
        return fail("bad line styles");
    while ((rc = sqlite3_step(st)) == SQLITE_ROW) {
        const unsigned char* n = sqlite3_column_text(st, 1);
        const unsigned char* d = sqlite3_column_text(st, 2);
        f.lineStyles.push_back({sqlite3_column_int(st, 0), n ? (const char*)n : "", d ? (const char*)d : ""});
    }
    sqlite3_finalize(st);
    st = nullptr;
    if (rc != SQLITE_DONE) return fail("cannot read the line styles");
    f.textStyles.clear();
    if (sqlite3_prepare_v2(db, "SELECT * FROM text_styles ORDER BY id", -1, &st, nullptr) != SQLITE_OK) return fail("bad text styles");
    while ((rc = sqlite3_step(st)) == SQLITE_ROW) {
        TextStyle t;
        t.id = static_cast<uint32_t>(sqlite3_column_int64(st, 0));
        const unsigned char* n = sqlite3_column_text(st, 1);
        t.name = n ? (const char*)n : "";
        t.font = sqlite3_column_int(st, 2);
        t.justification = sqlite3_column_int(st, 3);
        t.width = sqlite3_column_double(st, 4);
        t.height = sqlite3_column_double(st, 5);
        t.lineSpacing = sqlite3_column_double(st, 6);
        t.slant = sqlite3_column_double(st, 7);
        f.textStyles.push_back(t);
    }
    sqlite3_finalize(st);
    st = nullptr;
    if (rc != SQLITE_DONE) return fail("cannot read the text styles");
    if (sqlite3_prepare_v2(db, "SELECT idx, rgb FROM colours", -1, &st, nullptr) != SQLITE_OK) return fail("bad colour table");
    while ((rc = sqlite3_step(st)) == SQLITE_ROW) {
        int idx = sqlite3_column_int(st, 0);
        if (idx >= 0 && idx < 256) f.colours[idx] = static_cast<uint32_t>(sqlite3_column_int64(st, 1)) & 0xFFFFFF;
    }
    sqlite3_finalize(st);
    st = nullptr;
    if (rc != SQLITE_DONE) return fail("cannot read the colour table");
    /* Models and elements. */
    if (sqlite3_prepare_v2(db, "SELECT id, name, description, is_cell FROM models ORDER BY id", -1, &st, nullptr) != SQLITE_OK)
        return fail("bad model table");
    while ((rc = sqlite3_step(st)) == SQLITE_ROW) {
        auto m = std::make_unique<DgnModel>();
        m->file = &f;
        m->id = sqlite3_column_int(st, 0);
        const unsigned char* n = sqlite3_column_text(st, 1);
        m->name = n ? (const char*)n : "";
        const unsigned char* d = sqlite3_column_text(st, 2);
        m->description = d ? (const char*)d : "";
        m->isCell = sqlite3_column_int(st, 3) != 0;
        f.models.push_back(std::move(m));
    }
    sqlite3_finalize(st);
    st = nullptr;
    if (rc != SQLITE_DONE) return fail("cannot read the models");
    if (f.models.empty()) return fail("the file has no model");
    if (sqlite3_prepare_v2(db, "SELECT key >> 32, key & 4294967295, deleted, data FROM elements ORDER BY key", -1, &st, nullptr) != SQLITE_OK)
        return fail("bad element table");
    DgnModel* m = nullptr;
    uint64_t maxId = 0;
    while ((rc = sqlite3_step(st)) == SQLITE_ROW) {
        int modelId = sqlite3_column_int(st, 0);
        sqlite3_int64 pos = sqlite3_column_int64(st, 1);
        const auto* data = static_cast<const uint8_t*>(sqlite3_column_blob(st, 3));
        int bytes = sqlite3_column_bytes(st, 3);
        if (!m || m->id != modelId) {
            m = nullptr;
            for (auto& mm : f.models)
                if (mm->id == modelId) m = mm.get();
            if (!m) return fail("element " + std::to_string(pos) + " belongs to no model");
        }
        if (pos < 1 || pos > 0xFFFFFFFFLL || !data || bytes < ELEMENT_HEADER_SIZE ||
            sizeBytes(data) != static_cast<uint32_t>(bytes) || !wellFormed(data, static_cast<size_t>(bytes)))
            return fail("element " + std::to_string(pos) + " of model " + m->name + " is corrupt");
        uint8_t* copy = arenaCopy(m, data, static_cast<size_t>(bytes));
        if (!copy) return fail("out of memory");
        if (m->slots.capacity() == 0) m->slots.reserve(1024);
        setSlot(m, static_cast<uint32_t>(pos), copy, sqlite3_column_int(st, 2) != 0, (get4(copy) & COMPONENT_BIT) != 0);
        maxId = std::max(maxId, get8(copy + H_ID));
    }
    sqlite3_finalize(st);
    st = nullptr;
    if (rc != SQLITE_DONE) return fail("cannot read the elements");
    f.nextElementId = maxId + 1;
    return true;
}

bool createFile(const std::string& local, const std::string& name, std::string& error) {
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(local.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) != SQLITE_OK) {
        error = "cannot create " + name + ": " + (db ? sqlite3_errmsg(db) : "out of memory");
        sqlite3_close(db);
        return false;
    }
    DesignFile f;
    f.db = db;
    setDefaults(f);
    std::string sql = "PRAGMA journal_mode=WAL; PRAGMA application_id=" + std::to_string(DESIGN_APPLICATION_ID) +
                      "; PRAGMA user_version=" + std::to_string(DESIGN_FORMAT_VERSION) + "; BEGIN; " + SCHEMA +
                      "INSERT INTO models(id, name) VALUES(1, 'Default');";
    bool ok = exec(db, sql.c_str(), &error);
    if (ok) {
        writeSettings(f);
        writeLevels(f);
        writeStyles(f);
        writeColours(f);
        ok = exec(db, "COMMIT", &error);
    }
 f.db = nullptr;
    sqlite3_close(db);
    if (!ok) {
        error = "cannot create " + name + ": " + error;
        std::remove(local.c_str());
    }
    return ok;
}

void closeActive() {
    if (!state.active) return;
    commit();
    state.active.reset();
    state.library.reset();
    state.step.clear();
    state.undoSteps.clear();
    state.redoSteps.clear();
}

}  // namespace

}  // namespace sim::design

DgnFile::~DgnFile() {
    references.clear();
    if (putElement) sqlite3_finalize(putElement);
    if (newElement) sqlite3_finalize(newElement);
    if (db) sqlite3_close(db);
}

namespace sim::design {

/* ---- Files ---------------------------------------------------------------------------------------------- */

std::unique_ptr<DesignFile> load(const std::string& path, bool readOnly, std::string& error) {
    std::string local = sim::hostPath(path);
    if (!checkHeader(local, error)) return nullptr;
    auto f = std::make_unique<DesignFile>();
    f->path = local;
    f->name = path;
    f->readOnly = readOnly;
    int flags = readOnly ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE;
    if (sqlite3_open_v2(local.c_str(), &f->db, flags, nullptr) != SQLITE_OK) {
        error = "cannot open " + path + ": " + (f->db ? sqlite3_errmsg(f->db) : "out of memory");
        return nullptr;
    }
    sqlite3_busy_timeout(f->db, 1000);
    if (!loadTables(*f, error)) return nullptr;
    return f;
}

std::unique_ptr<DesignFile> loadWritable(const std::string& path, bool create, std::string& error) {
    std::string local = sim::hostPath(path);
    struct stat st{};
    if (stat(local.c_str(), &st) != 0) {
        if (!create) {
            error = "design file " + path + " not found";
            return nullptr;
        }
        if (!createFile(local, path, error)) return nullptr;
    }
    std::unique_ptr<DesignFile> f = load(path, false, error);
    if (!f) return nullptr;
    if (!exec(f->db, "PRAGMA journal_mode=WAL; PRAGMA synchronous=FULL;", &error) ||
        sqlite3_prepare_v2(f->db, "INSERT OR REPLACE INTO elements(key, deleted, data) VALUES(?, ?, ?)", -1,
                           &f->putElement, nullptr) != SQLITE_OK ||
        sqlite3_prepare_v2(f->db, "INSERT INTO elements(key, deleted, data) VALUES(?, ?, ?)", -1, &f->newElement,
                           nullptr) != SQLITE_OK) {
        error = "cannot write " + path + ": " + sqlite3_errmsg(f->db);
        return nullptr;
    }
    return f;
}

bool open(const std::string& path, bool create, std::string& error) {
    std::unique_ptr<DesignFile> f = loadWritable(path, create, error);
    if (!f) return false;
    if (state.active) sim::notifyNewDesignFile(state.active->name, 0);
    closeActive();
    ensureListener();
    state.active = std::move(f);
    mgds_modesP->is3d = state.active->is3d ? 1 : 0;
    if (!state.active->settings.activeCellLibrary.empty()) {
        /* The file remembers its cell library; a missing one is simply not attached. */
        std::string ignored;
        state.library = load(state.active->settings.activeCellLibrary, true, ignored);
    }
    if (sim::inEvent()) beginTransaction();
    sim::notifyNewDesignFile(path, 1);
    return true;
}

void close() { closeActive(); }

bool save(std::string& error) {
    if (!state.active) {
        error = "no design file is open";
        return false;
    }
    {
        Change c;
        writeSettings(*state.active);
    }
    if (!sim::inEvent()) {
        if (sqlite3_wal_checkpoint_v2(state.active->db, nullptr, SQLITE_CHECKPOINT_TRUNCATE, nullptr, nullptr) != SQLITE_OK) {
            error = std::string("cannot save: ") + sqlite3_errmsg(state.active->db);
            return false;
        }
    }
    return true;
}

DesignFile* activeFile() { return state.active.get(); }

DgnModel* activeModel() { return state.active ? state.active->models.front().get() : nullptr; }

DgnModel* addModel(DesignFile* f, const std::string& name, const std::string& description, bool isCell) {
    if (!f || f->readOnly || !f->putElement) return nullptr;
    for (auto& m : f->models)
        if (m->name == name) return nullptr;
    if (f == state.active.get()) beginTransaction();
    int id = f->models.back()->id + 1;
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(f->db, "INSERT INTO models(id, name, description, is_cell) VALUES(?, ?, ?, ?)", -1, &st, nullptr);
    sqlite3_bind_int(st, 1, id);
    sqlite3_bind_text(st, 2, name.c_str(), -1, SQLITE_TRANSIENT);
    sqlite3_bind_text(st, 3, description.c_str(), -1, SQLITE_TRANSIENT);
    sqlite3_bind_int(st, 4, isCell ? 1 : 0);
    int rc = sqlite3_step(st);
    sqlite3_finalize(st);
    if (f == state.active.get() && !sim::inEvent()) commit();
    if (rc != SQLITE_DONE) return nullptr;
    auto m = std::make_unique<DgnModel>();
    m->file = f;
    m->id = id;
    m->name = name;
    m->description = description;
    m->isCell = isCell;
    f->models.push_back(std::move(m));
    return f->models.back().get();
}

DgnModel* model(const std::string& name, bool create) {
    DesignFile* f = state.active.get();
    if (!f) return nullptr;
    for (auto& m : f->models)
        if (m->name == name) return m.get();
    return create ? addModel(f, name, "", false) : nullptr;
}

bool storeLibraryCell(const std::string& libraryPath, const std::string& name, const std::string& description,
                      MSElementDescr* elements, std::string& error) {
    std::unique_ptr<DesignFile> lib;
    DesignFile* f = nullptr;
    if (state.active && sim::hostPath(libraryPath) == state.active->path) {
        f = state.active.get();
    } else {
        lib = loadWritable(libraryPath, true, error);
        if (!lib) return false;
        f = lib.get();
        exec(f->db, "BEGIN IMMEDIATE");
    }
    DgnModel* m = addModel(f, name, description, true);
    if (!m) {
        error = "cell " + name + " already exists in " + libraryPath;
        if (lib) exec(f->db, "ROLLBACK");
        return false;
    }
    bool ok = true;
    /* Headers first, then their components, each in order. */
    std::function<void(MSElementDescr*, bool)> addChain = [&](MSElementDescr* d, bool component) {
        for (; d && ok; d = d->next) {
            ok = storeElement(m, 0, d->el.bytes, component) != 0;
            if (ok && isComplexType(type(d->el.bytes))) addChain(d->firstChild, true);
        }
    };
    if (elements && mdlElmdscr_validate(elements, m) != HOST_SUCCESS) ok = false;
    addChain(elements, false);
    if (!ok) error = "cannot store cell " + name + " in " + libraryPath;
    if (lib) exec(f->db, ok ? "COMMIT" : "ROLLBACK");
    if (state.library && state.library->path == sim::hostPath(libraryPath)) {
        /* Keep the attached copy up to date. */
        std::string ignored;
        std::unique_ptr<DesignFile> again = load(libraryPath, true, ignored);
        if (again) state.library = std::move(again);
    }
    return ok;
}

DesignFile* cellLibrary() { return state.library.get(); }

bool attachLibrary(const std::string& path, std::string& fullPath, std::string& error) {
    std::unique_ptr<DesignFile> lib = load(path, true, error);
    if (!lib) return false;
    fullPath = lib->path;
    state.library = std::move(lib);
    if (state.active) {
        state.active->settings.activeCellLibrary = path;
        saveSettings();
    }
    return true;
}

DgnModel* attachReference(const std::string& path, std::string& error) {
    if (!state.active) {
        error = "no design file is open";
        return nullptr;
    }
    std::unique_ptr<DesignFile> f = load(path, true, error);
    if (!f) return nullptr;
    DgnModel* m = f->models.front().get();
    m->isReference = true;
    state.active->references.push_back(std::move(f));
    return m;
}

double uorPerMaster(DgnModelRefP model) {
    if (model) return model->file->units.uorPerMaster;
    return state.active ? state.active->units.uorPerMaster : 0.0;
}

bool viewRotation(int view, RotMatrix* out) {
    if (view < 1 || view > 8 || !out) return false;
    mdlRMatrix_getIdentity(out);
    return true;
}

void saveSettings() {
    if (!state.active || state.active->readOnly) return;
    Change c;
    writeSettings(*state.active);
}

void saveLevels() {
    if (!state.active || state.active->readOnly) return;
    Change c;
    writeLevels(*state.active);
}

void saveStyles() {
    if (!state.active || state.active->readOnly) return;
    Change c;
    writeStyles(*state.active);
}

void saveColours() {
    if (!state.active || state.active->readOnly) return;
    Change c;
    writeColours(*state.active);
}

int32_t addLineStyle(const std::string& name, const std::string& dashes) {
    DesignFile* f = state.active.get();
    if (!f) return 0;
    int32_t lowest = 0;
    for (const LineStyle& l : f->lineStyles) {
        if (l.name == name) return l.number;
        lowest = std::min(lowest, l.number);
    }
    f->lineStyles.push_back({lowest - 1, name, dashes});
    saveStyles();
    return lowest - 1;
}

/* ---- Elements ----------------------------------------------------------------------------------------------- */

const Slot* slot(DgnModel* model, uint32_t filePos) {
    if (!model || filePos == 0 || filePos > model->slots.size()) return nullptr;
    const Slot* s = &model->slots[filePos - 1];
    return s->data ? s : nullptr;
}

uint32_t storeElement(DgnModel* m, uint32_t filePos, const uint8_t* record, bool component) {
    if (!m || !record || m->file->readOnly || !m->file->putElement) return 0;
    if (!wellFormed(record, MAX_ELEMENT_SIZE)) return 0;
    if (filePos == 0 && m->slots.size() >= 0xFFFFFFFEu) return 0;
    uint32_t size = sizeBytes(record);
    Change c;
    uint8_t* copy = arenaCopy(m, record, size);
    if (!copy) return 0;
    uint32_t typeWord = get4(copy);
    put4(copy, component ? (typeWord | COMPONENT_BIT) : (typeWord & ~COMPONENT_BIT));
    put8(copy + H_TIME, nowMs());
    const uint8_t* before = nullptr;
    bool beforeComponent = component;
    if (filePos == 0) {
        put8(copy + H_ID, m->file->nextElementId++);
        filePos = static_cast<uint32_t>(m->slots.size() + 1);
    } else {
        const Slot* old = slot(m, filePos);
        if (!old || old->deleted) return 0;
        put8(copy + H_ID, get8(old->data + H_ID));
        before = old->data;
        beforeComponent = old->component;
    }
    setSlot(m, filePos, copy, false, beforeComponent);
    if (!persistSlot(m, filePos, before == nullptr)) {
        /* Memory follows the file: what could not be written is not there. */
        if (before) setSlot(m, filePos, before, false, beforeComponent);
        else m->slots.pop_back();
        return 0;
    }
    journal(m, filePos, before, false, copy, false, beforeComponent);
    return filePos;
}

uint32_t span(DgnModel* m, uint32_t filePos) {
    const Slot* s = slot(m, filePos);
    if (!s) return 0;
    if (!isComplexType(s->type)) return 1;
    uint32_t count = get4(s->data + (s->type == CELL_HEADER_ELM ? C_COUNT : X_COUNT));
    uint32_t n = 1;
    for (uint32_t i = 0; i < count; ++i) {
        uint32_t sub = span(m, filePos + n);
        if (sub == 0) break;
        n += sub;
    }
    return n;
}

bool deleteElement(DgnModel* m, uint32_t filePos) {
    if (!m || m->file->readOnly || !m->file->putElement) return false;
    const Slot* s = slot(m, filePos);
    if (!s || s->deleted) return false;
    uint32_t n = span(m, filePos);
    Change c;
    for (uint32_t i = 0; i < n; ++i) {
        Slot& t = m->slots[filePos + i - 1];
        if (!t.data || t.deleted) continue;
        journal(m, filePos + i, t.data, false, t.data, true, t.component);
        t.deleted = 1;
        persistSlot(m, filePos + i);
    }
    return true;
}

bool undo() {
    if (state.undoSteps.empty()) return false;
    Change c;
    Step step = std::move(state.undoSteps.back());
    state.undoSteps.pop_back();
    state.replaying = true;
    replay(step, true, true);
    state.replaying = false;
    state.redoSteps.push_back(std::move(step));
    return true;
}

bool redo() {
    if (state.redoSteps.empty()) return false;
    Change c;
    Step step = std::move(state.redoSteps.back());
    state.redoSteps.pop_back();
    state.replaying = true;
    replay(step, false, true);
    state.replaying = false;
    state.undoSteps.push_back(std::move(step));
    return true;
}

size_t undoDepth() { return state.undoSteps.size(); }

/* ---- Display -------------------------------------------------------------------------------------------------- */

void setDisplayHook(DisplayHook hook) { state.hook = std::move(hook); }

namespace {
ViewSink viewSink = nullptr;        /* neither is part of STATE: resetForTests keeps them */
ViewRefresh viewRefresh = nullptr;
}

void setViewSink(ViewSink sink) { viewSink = sink; }

void setViewRefresh(ViewRefresh refresh) { viewRefresh = refresh; }

const std::vector<Shown>& shownLog() { return state.shown; }

void clearShownLog() { state.shown.clear(); }

void resetForTests() {
    closeActive();
    state.shown.clear();
    state.spareShown.clear();
    state.hook = nullptr;
    sim::geom::resetTransformsForTests();
}

static Registration resetRegistration([] { registerReset(ResetStage::Design, resetForTests); });

}  // namespace sim::design

using namespace sim::design;

void mdlElement_display(const MSElement* element, int drawMode) {
    if (!element || !wellFormed(element->bytes, MAX_ELEMENT_SIZE)) return;
    if (viewSink) viewSink(element, activeModel(), drawMode);
    if (state.hook) {
        state.hook(element, activeModel(), drawMode);
        return;
    }
    if (state.shown.size() >= MAX_SHOWN) {
        /* Trim the older half; its buffers serve the next entries, so that a
        ** long dynamics session does not allocate for every element shown. */
        for (size_t i = 0; i < MAX_SHOWN / 2; ++i) state.spareShown.push_back(std::move(state.shown[i].element));
        state.shown.erase(state.shown.begin(), state.shown.begin() + MAX_SHOWN / 2);
    }
    std::vector<uint8_t> copy;
    if (!state.spareShown.empty()) {
        copy = std::move(state.spareShown.back());
        state.spareShown.pop_back();
    }
    copy.assign(element->bytes, element->bytes + sizeBytes(element->bytes));
    state.shown.push_back({drawMode, std::move(copy)});
}

/* ---- File access calls ------------------------------------------------------------------------------------------ */

UInt32 mdlElement_add(MSElement* element) {
    DgnModel* m = activeModel();
    if (!element || !m || !wellFormed(element->bytes, MAX_ELEMENT_SIZE)) return 0;
    if (isComplexType(type(element->bytes))) {
        /* A header alone would claim the elements that follow it. */
        uint32_t count = get4(element->bytes + (type(element->bytes) == CELL_HEADER_ELM ? C_COUNT : X_COUNT));
        if (count != 0) return 0;
    }
    uint32_t pos = storeElement(m, 0, element->bytes, false);
    if (pos) {
        const uint8_t* stored = slot(m, pos)->data;
        std::memcpy(element->bytes + H_TYPE, stored + H_TYPE, 4);
        std::memcpy(element->bytes + H_ID, stored + H_ID, 16);
    }
    return pos;
}

StatusInt mdlElement_read(MSElement* out, DgnModelRefP model, UInt32 filePos) {
    DgnModel* m = model ? model : activeModel();
    const Slot* s = slot(m, filePos);
    if (!out || !s || s->deleted) return HOST_ERROR;
    std::memcpy(out->bytes, s->data, sizeBytes(s->data));
    return HOST_SUCCESS;
}

UInt32 mdlElement_rewrite(MSElement* newElement, const MSElement* oldElement, UInt32 filePos) {
    (void)oldElement;
    DgnModel* m = activeModel();
    const Slot* s = slot(m, filePos);
    if (!newElement || !s || s->deleted || !wellFormed(newElement->bytes, MAX_ELEMENT_SIZE)) return 0;
    /* A header must keep the number of components that follow it. */
    if (isComplexType(s->type) != isComplexType(type(newElement->bytes))) return 0;
    if (isComplexType(s->type)) {
        int off = s->type == CELL_HEADER_ELM ? C_COUNT : X_COUNT;
        int noff = type(newElement->bytes) == CELL_HEADER_ELM ? C_COUNT : X_COUNT;
        if (get4(s->data + off) != get4(newElement->bytes + noff)) return 0;
    }
    uint32_t pos = storeElement(m, filePos, newElement->bytes, s->component);
    if (pos) std::memcpy(newElement->bytes + H_ID, slot(m, pos)->data + H_ID, 16);
    return pos;
}

StatusInt mdlElement_undoableDelete(MSElement* element, UInt32 filePos, BoolInt display) {
    DgnModel* m = activeModel();
    const Slot* s = slot(m, filePos);
    if (!s || s->deleted) return HOST_ERROR;
    if (display) {
        uint32_t pos = filePos;
        MSElementDescr* d = readTree(m, pos, false);
        if (d) {
            mdlElmdscr_display(d, m, 1);
            mdlElmdscr_freeAll(&d);
        }
    }
    (void)element;
    return deleteElement(m, filePos) ? HOST_SUCCESS : HOST_ERROR;
}

StatusInt mdlElmdscr_undoableDelete(MSElementDescr* descr, UInt32 filePos, BoolInt display) {
    if (display && descr) mdlElmdscr_display(descr, activeModel(), 1);
    return mdlElement_undoableDelete(nullptr, filePos, 0);
}

namespace {

/* Add one chain; components follow their header. Answers the first position. */
uint32_t addChain(DgnModel* m, MSElementDescr* d, bool component, bool& ok) {
    uint32_t first = 0;
    for (; d && ok; d = d->next) {
        uint32_t pos = storeElement(m, 0, d->el.bytes, component);
        if (!pos) {
            ok = false;
            break;
        }
        d->filePos = pos;
        d->modelRef = m;
        std::memcpy(d->el.bytes + H_ID, slot(m, pos)->data + H_ID, 16);
        if (!first) first = pos;
        if (isComplexType(type(d->el.bytes))) addChain(m, d->firstChild, true, ok);
    }
    return first;
}

}  // namespace

UInt32 mdlElmdscr_add(MSElementDescr* descr) {
    DgnModel* m = activeModel();
    if (!descr || !m || m->file->readOnly) return 0;
    if (mdlElmdscr_validate(descr, m) != HOST_SUCCESS) return 0;
    Change c;
    uint32_t before = static_cast<uint32_t>(m->slots.size());
    bool ok = true;
    uint32_t pos = addChain(m, descr, false, ok);
    if (!ok) {
        /* Take back what was added of a complex element that did not fit. */
        for (uint32_t p = before + 1; p <= m->slots.size(); ++p) deleteElement(m, p);
        return 0;
    }
    return pos;
}

StatusInt mdlModify_elementSingle(DgnModelRefP model, UInt32 filePos, int type, int mode, ModifyFunc fn, void* params,
                                  int componentOffset) {
    (void)type, (void)mode;
    DgnModel* m = model ? model : activeModel();
    if (!m || !fn) return HOST_ERROR;
    int64_t target = static_cast<int64_t>(filePos) + componentOffset;
    if (target < 1 || target > 0xFFFFFFFFLL) return HOST_ERROR;
    uint32_t pos = static_cast<uint32_t>(target);
    const Slot* s = slot(m, pos);
    if (!s || s->deleted) return HOST_ERROR;
    static MSElement buffer;
    std::memcpy(buffer.bytes, s->data, sizeBytes(s->data));
    int answer = fn(&buffer, params, m, nullptr, nullptr);
    bool changed = false;
    if (answer & MODIFY_STATUS_DELETE) {
        changed = deleteElement(m, pos);
    } else if (answer & MODIFY_STATUS_REPLACE) {
        if (m != activeModel()) return HOST_ERROR;
        changed = mdlElement_rewrite(&buffer, nullptr, pos) != 0;
    } else {
        return HOST_SUCCESS;
    }
    /* The views show the element as it is now, not its old (perhaps highlighted) drawing. */
    if (changed && viewRefresh) viewRefresh();
    return changed ? HOST_SUCCESS : HOST_ERROR;
}

StatusInt mdlUndo_undo(void) { return undo() ? HOST_SUCCESS : HOST_ERROR; }

StatusInt mdlUndo_redo(void) { return redo() ? HOST_SUCCESS : HOST_ERROR; }

/* ---- Models and references ------------------------------------------------------------------------------------------ */

DgnModelRefP mdlModelRef_getActive(void) { return activeModel(); }

BoolInt mdlModelRef_isReference(DgnModelRefP model) { return model && model->isReference; }

UInt32 mdlModelRef_getEof(DgnModelRefP model) {
    DgnModel* m = model ? model : activeModel();
    return m ? static_cast<UInt32>(m->slots.size()) : 0;
}


StatusInt mdlModelRefIterator_create(ModelRefIteratorP* out, DgnModelRefP root, int flags, int depth) {
    (void)depth;
    if (!out) return HOST_ERROR;
    DgnModel* r = root ? root : activeModel();
    if (!r) return HOST_ERROR;
    auto* it = new (std::nothrow) ModelRefIterator();
    if (!it) return HOST_ERROR;
    if (flags & MRITERATE_ROOT) it->models.push_back(r);
    if ((flags & MRITERATE_PRIMARY_CHILD_REFS) && r->file == state.active.get() && r == activeModel())
        for (auto& f : state.active->references) it->models.push_back(f->models.front().get());
    *out = it;
    return HOST_SUCCESS;
}

DgnModelRefP mdlModelRefIterator_getFirst(ModelRefIteratorP it) {
    if (!it) return nullptr;
    it->next = 0;
    return mdlModelRefIterator_getNext(it);
}

DgnModelRefP mdlModelRefIterator_getNext(ModelRefIteratorP it) {
    if (!it || it->next >= it->models.size()) return nullptr;
    return it->models[it->next++];
}

void mdlModelRefIterator_free(ModelRefIteratorP* it) {
    if (!it) return;
    delete *it;
    *it = nullptr;
}

StatusInt mdlRefFile_getParameters(void* param, int paramName, DgnModelRefP model) {
    if (!param || !model || !model->isReference) return HOST_ERROR;
    switch (paramName) {
    case REFERENCE_DISPLAY: *static_cast<int*>(param) = model->referenceDisplay; return HOST_SUCCESS;
    case REFERENCE_FILE_FOUND: *static_cast<int*>(param) = 1; return HOST_SUCCESS;
    case REFERENCE_SCALE: *static_cast<double*>(param) = model->referenceScale; return HOST_SUCCESS;
    case REFERENCE_HIDDEN: *static_cast<int*>(param) = model->referenceHidden; return HOST_SUCCESS;
    default: return HOST_ERROR;
    }
}
