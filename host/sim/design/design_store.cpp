/* Storage of design files in SQLite (WAL): the schema, the defaults of a new
** file, the settings block written and read through one field table, the
** level, style and colour tables, element rows, and loading a file into
** memory. Every SQLite status is checked; a failure is answered or reported. */
#include <sqlite3.h>
#include <sys/stat.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <utility>

#include "host/mdlelement.h"
#include "host/mdlsystem.h"
#include "host/sim/base/base.h"
#include "host/sim/design/design_int.h"
#include "host/sim/system/system.h"

/* Configuration is served by the host's system area; until it is linked in,
** the process environment answers. */
extern "C" __attribute__((weak)) StatusInt mdlSystem_getCfgVar(char* value, const char* name, int size);

using namespace sim::elem;

namespace sim::design {
namespace {

/* Marks a design file of this host (PRAGMA application_id). */
constexpr int32_t DESIGN_APPLICATION_ID = 0x5A4D4447;
constexpr int DESIGN_FORMAT_VERSION = 1;

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

/* A prepared statement that finalises itself and keeps its first failure. */
struct Statement {
    sqlite3* db;
    sqlite3_stmt* st = nullptr;
    int rc;                  /* SQLITE_OK until something fails */
    std::string message;     /* SQLite's message of that failure */

    Statement(sqlite3* d, const char* sql) : db(d), rc(SQLITE_OK) { keep(sqlite3_prepare_v2(d, sql, -1, &st, nullptr)); }
    ~Statement() { sqlite3_finalize(st); }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    void keep(int r) {
        if (rc != SQLITE_OK || r == SQLITE_OK || r == SQLITE_ROW || r == SQLITE_DONE) return;
        rc = r;
        message = sqlite3_errmsg(db);
    }
    void bindInt(int i, sqlite3_int64 v) { if (rc == SQLITE_OK) keep(sqlite3_bind_int64(st, i, v)); }
    void bindReal(int i, double v) { if (rc == SQLITE_OK) keep(sqlite3_bind_double(st, i, v)); }
    void bindText(int i, const std::string& v) {
        if (rc == SQLITE_OK) keep(sqlite3_bind_text(st, i, v.c_str(), static_cast<int>(v.size()), SQLITE_TRANSIENT));
    }
    /* Run a write with what is bound, ready for the next; false once anything failed. */
    bool run() {
        if (rc != SQLITE_OK) return false;
        int r = sqlite3_step(st);
        keep(r == SQLITE_DONE ? SQLITE_OK : r);
        sqlite3_reset(st);
        return rc == SQLITE_OK;
    }
    /* Step a query: true on a row; false at its end or on a failure (rc says which). */
    bool row() {
        if (rc != SQLITE_OK) return false;
        int r = sqlite3_step(st);
        if (r == SQLITE_ROW) return true;
        keep(r == SQLITE_DONE ? SQLITE_OK : r);
        return false;
    }
    int integer(int column) const { return sqlite3_column_int(st, column); }
    sqlite3_int64 integer64(int column) const { return sqlite3_column_int64(st, column); }
    double real(int column) const { return sqlite3_column_double(st, column); }
    std::string text(int column) const {
        const unsigned char* t = sqlite3_column_text(st, column);
        return t ? reinterpret_cast<const char*>(t) : "";
    }
    /* Answer false with ERROR set to WHAT and SQLite's message. */
    bool failed(const std::string& what, std::string& error) const {
        error = what + ": " + (message.empty() ? sqlite3_errstr(rc) : message);
        return false;
    }
};

std::string cfg(const char* name, const char* fallback) {
    char value[512];
    if (mdlSystem_getCfgVar && mdlSystem_getCfgVar(value, name, sizeof value) == 0) return value;
    if (const char* env = std::getenv(name)) return env;
    return fallback;
}

/* Units per master unit a file may have: finite and far from what would make
** every coordinate overflow or vanish. */
bool saneUnits(double perMaster) { return std::isfinite(perMaster) && perMaster >= 1e-6 && perMaster <= 1e12; }

double cfgNumber(const char* name, double fallback) {
    std::string s = cfg(name, "");
    if (s.empty()) return fallback;
    char* end = nullptr;
    double v = std::strtod(s.c_str(), &end);
    return end && *end == '\0' && saneUnits(v) ? v : fallback;
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

/* ---- The settings block ------------------------------------------------------------------------
** Table settings(name, value) holds one row per field, every value as text:
** reals as "%.17g", integers in decimal, flags as 0 or 1, locks as
** "lock=state;" pairs. Rows the reader does not know are left alone; fields
** without a row keep their defaults. */

enum class FieldKind { Real, Int, Unsigned, Text, Flag, Locks };

using Locks = std::vector<std::pair<int, int>>;

template <typename T> constexpr FieldKind kindOf() {
    static_assert(sizeof(T) == 0, "the settings block has no kind for this type");
    return FieldKind::Text;
}
template <> constexpr FieldKind kindOf<double>() { return FieldKind::Real; }
template <> constexpr FieldKind kindOf<int>() { return FieldKind::Int; }
template <> constexpr FieldKind kindOf<uint32_t>() { return FieldKind::Unsigned; }
template <> constexpr FieldKind kindOf<std::string>() { return FieldKind::Text; }
template <> constexpr FieldKind kindOf<bool>() { return FieldKind::Flag; }
template <> constexpr FieldKind kindOf<Locks>() { return FieldKind::Locks; }

struct SettingsField {
    const char* name;                  /* the row's name in table settings */
    FieldKind kind;                    /* follows the member's type */
    void* (*field)(DesignFile& f);     /* where the value lives */
};

/* The kind comes from the member's declared type, so a row cannot misread its field. */
#define SETTING(name, member) \
    { name, kindOf<decltype(std::declval<DesignFile&>().member)>(), [](DesignFile& f) -> void* { return &f.member; } }

/* In the order the rows are written. */
static const SettingsField SETTINGS_FIELDS[] = {
    SETTING("active_angle",        settings.activeAngle),
    SETTING("active_font",         settings.activeFont),
    SETTING("text_width",          settings.textWidth),
    SETTING("text_height",         settings.textHeight),
    SETTING("text_justification",  settings.textJustification),
    SETTING("text_slant",          settings.textSlant),
    SETTING("line_spacing",        settings.lineSpacing),
    SETTING("active_colour",       settings.activeColour),
    SETTING("active_weight",       settings.activeWeight),
    SETTING("active_style",        settings.activeStyle),
    SETTING("active_level",        settings.activeLevel),
    SETTING("active_class",        settings.activeClass),
    SETTING("fill_mode",           settings.fillMode),
    SETTING("graphic_group",       settings.graphicGroup),
    SETTING("next_graphic_group",  settings.nextGraphicGroup),
    SETTING("locks",               settings.locks),
    SETTING("readout_format",      settings.readoutFormat),
    SETTING("readout_flags",       settings.readoutFlags),
    SETTING("active_cell_library", settings.activeCellLibrary),
    SETTING("work_mode",           settings.workMode),
    SETTING("master_units",        units.masterName),
    SETTING("sub_units",           units.subName),
    SETTING("sub_per_master",      units.subPerMaster),
    SETTING("uor_per_master",      units.uorPerMaster),
    SETTING("is3d",                is3d),
};

#undef SETTING

std::string formatSetting(const SettingsField& row, DesignFile& f) {
    void* p = row.field(f);
    switch (row.kind) {
    case FieldKind::Real: {
        char b[64];
        std::snprintf(b, sizeof b, "%.17g", *static_cast<double*>(p));
        return b;
    }
    case FieldKind::Int: return std::to_string(*static_cast<int*>(p));
    case FieldKind::Unsigned: return std::to_string(*static_cast<uint32_t*>(p));
    case FieldKind::Text: return *static_cast<std::string*>(p);
    case FieldKind::Flag: return *static_cast<bool*>(p) ? "1" : "0";
    case FieldKind::Locks: {
        std::string s;
        for (auto& [lock, on] : *static_cast<Locks*>(p)) s += std::to_string(lock) + "=" + std::to_string(on) + ";";
        return s;
    }
    }
    return {};
}

void parseSetting(const SettingsField& row, DesignFile& f, const std::string& value) {
    void* p = row.field(f);
    double d = std::strtod(value.c_str(), nullptr);
    long long i = std::strtoll(value.c_str(), nullptr, 10);
    switch (row.kind) {
    case FieldKind::Real: *static_cast<double*>(p) = d; break;
    case FieldKind::Int: *static_cast<int*>(p) = static_cast<int>(i); break;
    case FieldKind::Unsigned: *static_cast<uint32_t*>(p) = static_cast<uint32_t>(i); break;
    case FieldKind::Text: *static_cast<std::string*>(p) = value; break;
    case FieldKind::Flag: *static_cast<bool*>(p) = i != 0; break;
    case FieldKind::Locks: {
        Locks& locks = *static_cast<Locks*>(p);
        locks.clear();
        size_t at = 0;
        while (at < value.size()) {
            size_t semi = value.find(';', at), eq = value.find('=', at);
            if (semi == std::string::npos || eq == std::string::npos || eq > semi) break;
            locks.emplace_back(std::atoi(value.substr(at, eq - at).c_str()),
                               std::atoi(value.substr(eq + 1, semi - eq - 1).c_str()));
            at = semi + 1;
        }
        break;
    }
    }
}

/* ---- Reading a file ------------------------------------------------------------------------------------ */

uint32_t be(const unsigned char* p, int n) {
    uint32_t v = 0;
    for (int i = 0; i < n; ++i) v = (v << 8) | p[i];
    return v;
}

/* Check the database header against the file's length before SQLite sees
** it: a file cut short is refused here rather than read half. While a WAL
** with frames lies beside it the length is not compared: a checkpoint writes
** page 1 before it extends the file, and SQLite replays the WAL on opening,
** so the pages past the end are in the WAL (a missing one is SQLite's error). */
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
    struct stat wal{};
    bool walFrames = stat((path + "-wal").c_str(), &wal) == 0 && wal.st_size > 0;
    bool pagesValid = be(h + 24, 4) == be(h + 92, 4) && pages > 0 && !walFrames;
    if (size % pageSize != 0 || (pagesValid && static_cast<uint64_t>(pages) * pageSize > size)) {
        error = path + " is truncated or corrupt (" + std::to_string(size) + " bytes, " +
                (pagesValid ? std::to_string(static_cast<uint64_t>(pages) * pageSize) : std::string("whole pages")) +
                " expected)";
        return false;
    }
    return true;
}

/* Each reader answers "" when done, else what went wrong (SQLite's message
** is added by loadTables). */

std::string readIdentity(sqlite3* db) {
    {
        Statement q(db, "PRAGMA application_id");
        if (!q.row()) return "cannot read the file";
        if (q.integer(0) != DESIGN_APPLICATION_ID) return "not a design file";
    }
    for (const char* table : REQUIRED_TABLES) {
        Statement q(db, "SELECT 1 FROM sqlite_master WHERE type='table' AND name=?");
        q.bindText(1, table);
        if (q.row()) continue;
        return q.rc != SQLITE_OK ? "cannot read the schema" : std::string("table ") + table + " is missing";
    }
    return "";
}

std::string readSettings(DesignFile& f) {
    Statement q(f.db, "SELECT name, value FROM settings");
    if (q.rc != SQLITE_OK) return "bad settings";
    while (q.row()) {
        std::string name = q.text(0);
        for (const SettingsField& row : SETTINGS_FIELDS) {
            if (name != row.name) continue;
            parseSetting(row, f, q.text(1));
            break;
        }
    }
    if (q.rc != SQLITE_OK) return "cannot read the settings";
    if (!saneUnits(f.units.uorPerMaster) || !saneUnits(f.units.subPerMaster)) return "bad units";
    return "";
}

std::string readLevels(DesignFile& f) {
    f.levels.clear();
    f.levelLibrary.clear();
    Statement q(f.db, "SELECT library, id, name, code, colour, weight, style, ovr_colour, ovr_weight, ovr_style, ovr_on"
                      " FROM levels ORDER BY library, id");
    if (q.rc != SQLITE_OK) return "bad level table";
    while (q.row()) {
        Level l;
        l.id = static_cast<uint32_t>(q.integer64(1));
        l.name = q.text(2);
        l.code = q.integer(3);
        l.colour = static_cast<uint32_t>(q.integer64(4));
        l.weight = static_cast<uint32_t>(q.integer64(5));
        l.style = q.integer(6);
        l.overrideColour = static_cast<uint32_t>(q.integer64(7));
        l.overrideWeight = static_cast<uint32_t>(q.integer64(8));
        l.overrideStyle = q.integer(9);
        l.overridesOn = q.integer(10) != 0;
        (q.integer(0) ? f.levelLibrary : f.levels).push_back(l);
    }
    return q.rc == SQLITE_OK ? "" : "cannot read the level table";
}

std::string readStyles(DesignFile& f) {
    f.lineStyles.clear();
    f.textStyles.clear();
    {
        Statement q(f.db, "SELECT number, name, dashes FROM line_styles ORDER BY number");
        if (q.rc != SQLITE_OK) return "bad line styles";
        while (q.row()) f.lineStyles.push_back({q.integer(0), q.text(1), q.text(2)});
        if (q.rc != SQLITE_OK) return "cannot read the line styles";
    }
    Statement q(f.db, "SELECT id, name, font, just, width, height, line_spacing, slant FROM text_styles ORDER BY id");
    if (q.rc != SQLITE_OK) return "bad text styles";
    while (q.row()) {
        TextStyle t;
        t.id = static_cast<uint32_t>(q.integer64(0));
        t.name = q.text(1);
        t.font = q.integer(2);
        t.justification = q.integer(3);
        t.width = q.real(4);
        t.height = q.real(5);
        t.lineSpacing = q.real(6);
        t.slant = q.real(7);
        f.textStyles.push_back(t);
    }
    return q.rc == SQLITE_OK ? "" : "cannot read the text styles";
}

std::string readColours(DesignFile& f) {
    Statement q(f.db, "SELECT idx, rgb FROM colours");
    if (q.rc != SQLITE_OK) return "bad colour table";
    while (q.row()) {
        int idx = q.integer(0);
        if (idx >= 0 && idx < 256) f.colours[idx] = static_cast<uint32_t>(q.integer64(1)) & 0xFFFFFF;
    }
    return q.rc == SQLITE_OK ? "" : "cannot read the colour table";
}

std::string readModels(DesignFile& f) {
    Statement q(f.db, "SELECT id, name, description, is_cell FROM models ORDER BY id");
    if (q.rc != SQLITE_OK) return "bad model table";
    while (q.row()) {
        auto m = std::make_unique<DgnModel>();
        m->file = &f;
        m->id = q.integer(0);
        m->name = q.text(1);
        m->description = q.text(2);
        m->isCell = q.integer(3) != 0;
        f.models.push_back(std::move(m));
    }
    if (q.rc != SQLITE_OK) return "cannot read the models";
    return f.models.empty() ? "the file has no model" : "";
}

/* Positions are handed out one after another, so a model's rows are dense
** but for the few an event that was rolled back leaves unused. A position
** further than this past the model's rows read so far is damage, and would
** otherwise size the model's slot table by it. */
constexpr sqlite3_int64 MAX_POSITION_GAP = 1 << 20;

/* Room in each model's slot table for its last position, so that reading
** grows it once. A damaged last position gets no more than the file's
** size allows: every row takes at least a record header. */
void reserveSlots(DesignFile& f) {
    struct stat st{};
    sqlite3_int64 most = (stat(f.path.c_str(), &st) == 0 ? st.st_size / ELEMENT_HEADER_SIZE : 0) + MAX_POSITION_GAP;
    for (auto& m : f.models) {
        Statement q(f.db, "SELECT max(key) FROM elements WHERE key BETWEEN ? AND ?");
        if (q.rc != SQLITE_OK) return;
        sqlite3_bind_int64(q.st, 1, static_cast<sqlite3_int64>(m->id) << 32);
        sqlite3_bind_int64(q.st, 2, static_cast<sqlite3_int64>(m->id) << 32 | 0xFFFFFFFFLL);
        if (!q.row()) continue;
        sqlite3_int64 last = q.integer64(0) & 0xFFFFFFFFLL;
        m->slots.reserve(static_cast<size_t>(std::min(last, most)));
        preferHugePages(m->slots.data(), m->slots.capacity() * sizeof(Slot));
    }
}

/* Every element row into its model's arena; each must be a whole record. */
std::string readElements(DesignFile& f) {
    reserveSlots(f);
    Statement q(f.db, "SELECT key, deleted, data FROM elements ORDER BY key");
    if (q.rc != SQLITE_OK) return "bad element table";
    DgnModel* m = nullptr;
    uint64_t maxId = 0;
    sqlite3_int64 rowsOfModel = 0;
    while (q.row()) {
        /* The key is the model id over the file position (32 bits each). */
        sqlite3_int64 key = q.integer64(0);
        int modelId = static_cast<int>(key >> 32);
        sqlite3_int64 pos = key & 0xFFFFFFFFLL;
        const auto* data = static_cast<const uint8_t*>(sqlite3_column_blob(q.st, 2));
        int bytes = sqlite3_column_bytes(q.st, 2);
        if (!m || m->id != modelId) {
            m = nullptr;
            for (auto& mm : f.models)
                if (mm->id == modelId) m = mm.get();
            if (!m) return "element " + std::to_string(pos) + " belongs to no model";
            rowsOfModel = 0;
        }
        if (pos > ++rowsOfModel + MAX_POSITION_GAP)
            return "element " + std::to_string(pos) + " of model " + m->name + " lies beyond its " +
                   std::to_string(rowsOfModel - 1) + " elements: the file is corrupt";
        if (pos < 1 || pos > 0xFFFFFFFFLL || !data || bytes < ELEMENT_HEADER_SIZE ||
            sizeBytes(data) != static_cast<uint32_t>(bytes) || !wellFormed(data, static_cast<size_t>(bytes)))
            return "element " + std::to_string(pos) + " of model " + m->name + " is corrupt";
        uint8_t* copy = arenaCopy(m, data, static_cast<size_t>(bytes));
        if (!copy) return "out of memory";
        if (m->slots.capacity() == 0) m->slots.reserve(1024);
        setSlot(m, static_cast<uint32_t>(pos), copy, q.integer(1) != 0, (get4(copy) & COMPONENT_BIT) != 0);
        maxId = std::max(maxId, get8(copy + H_ID));
    }
    if (q.rc != SQLITE_OK) return "cannot read the elements";
    f.nextElementId = maxId + 1;
    return "";
}

bool loadTables(DesignFile& f, std::string& error) {
    setDefaults(f);
    std::string what = readIdentity(f.db);
    using Reader = std::string (*)(DesignFile&);
    for (Reader read : {readSettings, readLevels, readStyles, readColours, readModels, readElements}) {
        if (!what.empty()) break;
        what = read(f);
    }
    if (what.empty()) return true;
    int code = sqlite3_errcode(f.db);
    error = f.name + ": " + what + (code != SQLITE_OK && code < 100 ? std::string(": ") + sqlite3_errmsg(f.db) : "");
    return false;
}

/* Create the design file LOCAL (NAME in messages) with its schema and
** defaults. It is made whole under a name of its own and renamed into
** place, so that a crash while creating it leaves no file without a schema. */
bool createFile(const std::string& local, const std::string& name, std::string& error) {
    const std::string fresh = local + "-new";
    for (const char* part : {"", "-wal", "-shm"}) std::remove((fresh + part).c_str());
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(fresh.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) != SQLITE_OK) {
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
    bool ok = exec(db, sql.c_str(), &error) && writeSettings(f, error) && writeLevels(f, error) &&
              writeStyles(f, error) && writeColours(f, error) && exec(db, "COMMIT", &error);
    f.db = nullptr;
    if (sqlite3_close(db) != SQLITE_OK && ok) {
        error = sqlite3_errmsg(db);
        ok = false;
    }
    if (ok && std::rename(fresh.c_str(), local.c_str()) != 0) {
        error = std::strerror(errno);
        ok = false;
    }
    if (!ok) {
        error = "cannot create " + name + ": " + error;
        std::remove(fresh.c_str());
    }
    return ok;
}

}  // namespace

bool exec(sqlite3* db, const char* sql, std::string* error) {
    char* msg = nullptr;
    if (sqlite3_exec(db, sql, nullptr, nullptr, &msg) == SQLITE_OK) return true;
    if (error) *error = msg ? msg : sqlite3_errmsg(db);
    sqlite3_free(msg);
    return false;
}

bool atomically(sqlite3* db, const std::function<bool(std::string&)>& write, std::string& error) {
    if (!exec(db, "SAVEPOINT design_write", &error)) return false;
    if (write(error) && exec(db, "RELEASE design_write", &error)) return true;
    std::string again;
    if (!exec(db, "ROLLBACK TO design_write; RELEASE design_write", &again))
        error += (error.empty() ? "" : "; ") + ("rollback failed: " + again);
    return false;
}

void reportFailure(const std::string& what) { sim::addOutput(sim::OutputKind::Host, 0, "design file: " + what); }

/* ---- Writing the tables ------------------------------------------------------------------------- */

bool writeSettings(DesignFile& f, std::string& error) {
    return atomically(f.db, [&](std::string& e) {
        Statement st(f.db, "INSERT OR REPLACE INTO settings(name, value) VALUES(?, ?)");
        for (const SettingsField& row : SETTINGS_FIELDS) {
            st.bindText(1, row.name);
            st.bindText(2, formatSetting(row, f));
            if (!st.run()) return st.failed("cannot write the settings", e);
        }
        return true;
    }, error);
}

bool writeLevels(DesignFile& f, std::string& error) {
    return atomically(f.db, [&](std::string& e) {
        if (!exec(f.db, "DELETE FROM levels", &e)) return false;
        Statement st(f.db, "INSERT INTO levels(library, id, name, code, colour, weight, style, ovr_colour, ovr_weight,"
                           " ovr_style, ovr_on) VALUES(?,?,?,?,?,?,?,?,?,?,?)");
        for (int lib = 0; lib < 2; ++lib) {
            for (const Level& l : lib ? f.levelLibrary : f.levels) {
                st.bindInt(1, lib);
                st.bindInt(2, l.id);
                st.bindText(3, l.name);
                st.bindInt(4, l.code);
                st.bindInt(5, l.colour);
                st.bindInt(6, l.weight);
                st.bindInt(7, l.style);
                st.bindInt(8, l.overrideColour);
                st.bindInt(9, l.overrideWeight);
                st.bindInt(10, l.overrideStyle);
                st.bindInt(11, l.overridesOn);
                if (!st.run()) return st.failed("cannot write the level table", e);
            }
        }
        return true;
    }, error);
}

bool writeStyles(DesignFile& f, std::string& error) {
    return atomically(f.db, [&](std::string& e) {
        if (!exec(f.db, "DELETE FROM line_styles; DELETE FROM text_styles;", &e)) return false;
        Statement line(f.db, "INSERT INTO line_styles(number, name, dashes) VALUES(?,?,?)");
        for (const LineStyle& l : f.lineStyles) {
            line.bindInt(1, l.number);
            line.bindText(2, l.name);
            line.bindText(3, l.dashes);
            if (!line.run()) return line.failed("cannot write the line styles", e);
        }
        Statement text(f.db, "INSERT INTO text_styles(id, name, font, just, width, height, line_spacing, slant)"
                             " VALUES(?,?,?,?,?,?,?,?)");
        for (const TextStyle& t : f.textStyles) {
            text.bindInt(1, t.id);
            text.bindText(2, t.name);
            text.bindInt(3, t.font);
            text.bindInt(4, t.justification);
            text.bindReal(5, t.width);
            text.bindReal(6, t.height);
            text.bindReal(7, t.lineSpacing);
            text.bindReal(8, t.slant);
            if (!text.run()) return text.failed("cannot write the text styles", e);
        }
        return true;
    }, error);
}

bool writeColours(DesignFile& f, std::string& error) {
    return atomically(f.db, [&](std::string& e) {
        Statement st(f.db, "INSERT OR REPLACE INTO colours(idx, rgb) VALUES(?,?)");
        for (int i = 0; i < 256; ++i) {
            st.bindInt(1, i);
            st.bindInt(2, f.colours[i]);
            if (!st.run()) return st.failed("cannot write the colour table", e);
        }
        return true;
    }, error);
}

bool writeSlot(DgnModel* m, uint32_t pos, bool fresh) {
    DesignFile* f = m->file;
    if (f->readOnly || !f->putElement) return false;
    const Slot& s = m->slots[pos - 1];
    /* A fresh position already taken (it should not be) falls back to the replace. */
    int rc = SQLITE_CONSTRAINT;
    for (sqlite3_stmt* st : {fresh ? f->newElement : nullptr, f->putElement}) {
        if (!st || (rc & 0xFF) != SQLITE_CONSTRAINT) continue;
        rc = sqlite3_bind_int64(st, 1, (static_cast<sqlite3_int64>(m->id) << 32) | pos);
        if (rc == SQLITE_OK) rc = sqlite3_bind_int(st, 2, s.deleted);
        if (rc == SQLITE_OK) rc = sqlite3_bind_blob(st, 3, s.data, static_cast<int>(sizeBytes(s.data)), SQLITE_STATIC);
        if (rc == SQLITE_OK) rc = sqlite3_step(st);
        sqlite3_reset(st);
    }
    if (rc != SQLITE_DONE) {
        reportFailure(std::string("write failed: ") + sqlite3_errmsg(f->db));
        return false;
    }
    return true;
}

bool writeModel(DesignFile& f, int id, const std::string& name, const std::string& description, bool isCell,
                std::string& error) {
    Statement st(f.db, "INSERT INTO models(id, name, description, is_cell) VALUES(?, ?, ?, ?)");
    st.bindInt(1, id);
    st.bindText(2, name);
    st.bindText(3, description);
    st.bindInt(4, isCell ? 1 : 0);
    return st.run() || st.failed("cannot add model " + name, error);
}

/* ---- Files ---------------------------------------------------------------------------------------------- */

std::unique_ptr<DesignFile> load(const std::string& path, bool readOnly, std::string& error) {
    std::string local = sim::hostPath(path);
    if (!checkHeader(local, error)) return nullptr;
    auto f = std::make_unique<DesignFile>();
    f->path = local;
    f->name = path;
    f->readOnly = readOnly;
    /* One thread uses a design file's connection: no locking per call. */
    int flags = (readOnly ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE) | SQLITE_OPEN_NOMUTEX;
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

}  // namespace sim::design

DgnFile::DgnFile() : serial([] {
    static uint64_t loads = 0;
    return ++loads;
}()) {}

DgnFile::~DgnFile() {
    references.clear();
    sqlite3_finalize(putElement);
    sqlite3_finalize(newElement);
    if (db && sqlite3_close(db) != SQLITE_OK) sim::design::reportFailure(name + ": cannot close: " + sqlite3_errmsg(db));
}
