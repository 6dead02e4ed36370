/* Resource files: SQLite databases (rollback journal) holding resources by type and
** id. Owns the table of open files, the host's loaded copies, the
** applications' own files, message lookup and the transactions that follow the
** host's events. */
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <map>
#include <memory>
#include <unordered_map>

#include "host/mdlsystem.h"
#include "host/sim/system/system.h"
#include "host/sim/base/base.h"
#include "host/sim/resources/resources.h"

/* Database layout of a resource file:
**   PRAGMA application_id  RSC_APPLICATION_ID ('RscF')
**   PRAGMA user_version    RSC_SCHEMA_VERSION
**   file_info(key TEXT PRIMARY KEY, value TEXT)     'description'
**   resource(type INTEGER, id INTEGER, alias TEXT, data BLOB), key (type, id)
** type is the four-character code as an unsigned 32-bit number. */
namespace {

constexpr int RSC_APPLICATION_ID = fourCC("RscF");
constexpr int RSC_SCHEMA_VERSION = 1;

const char* const schemaSql =
    /* A rollback journal exists only while a write commits: a file that is
    ** only read gets nothing written beside it, and opens in a read-only folder. */
    "PRAGMA journal_mode=DELETE;"
    "CREATE TABLE file_info(key TEXT PRIMARY KEY, value TEXT);"
    "CREATE TABLE resource(type INTEGER NOT NULL, id INTEGER NOT NULL, alias TEXT,"
    " data BLOB NOT NULL, PRIMARY KEY(type, id)) WITHOUT ROWID;";

/* One SQLite connection per file, shared by every handle open on it, so that
** all writes of one event to one file form one transaction. */
struct Connection {
    sqlite3* db = nullptr;
    bool inTransaction = false;
    int users = 0;                     /* handles open on it */
    sqlite3_stmt* selectData = nullptr; /* the lookup every load makes, prepared once */
};

struct OpenFile {
    RscFileHandle handle = 0;
    std::string name;      /* as the caller gave it */
    std::string path;      /* local path */
    std::string key;       /* canonical path, the key of its connection */
    Connection* conn = nullptr;
    sqlite3* db = nullptr; /* conn->db */
    bool writable = false; /* opened for writing and the file accepts it */
    MdlDesc* owner = nullptr; /* application on whose behalf it was opened */
    uint64_t openOrder = 0;
};

struct LoadedCopy {
    uint32_t size;
    uint32_t type;
    int32_t id;
    RscFileHandle file;
};

struct ResourceState {
    std::map<RscFileHandle, OpenFile> files;
    std::map<std::string, std::unique_ptr<Connection>> connections;
    std::map<const MdlDesc*, RscFileHandle> applicationFiles;
    std::unordered_map<void*, LoadedCopy> copies;
    RscFileHandle nextHandle = 1;
    uint64_t nextOpenOrder = 1;
    int failWrites = 0;
    int failWritesSkip = 0;
    int listenerId = 0;
};
ResourceState state;

/* ---- SQLite helpers -------------------------------------------------------- */

struct Statement {
    sqlite3_stmt* stmt = nullptr;
    Statement(sqlite3* db, const char* sql) { sqlite3_prepare_v2(db, sql, -1, &stmt, nullptr); }
    ~Statement() { sqlite3_finalize(stmt); }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;
    explicit operator bool() const { return stmt != nullptr; }
};

OpenFile* openFileOf(RscFileHandle handle) {
    auto it = state.files.find(handle);
    return it == state.files.end() ? nullptr : &it->second;
}

std::string canonical(const std::string& path) {
    std::error_code ec;
    auto p = std::filesystem::weakly_canonical(path, ec);
    return ec ? path : p.string();
}

void reportDamaged(const std::string& name, const char* detail) {
    toolSubsystem_printf("Resource file %s is damaged or is not a resource file (%s)\n", name.c_str(), detail);
}

/* Answer 0 when DB is a sound resource file, else the reason. */
std::string checkResourceFile(sqlite3* db) {
    {
        Statement st(db, "PRAGMA quick_check");
        if (!st) return sqlite3_errmsg(db);
        int rc = sqlite3_step(st.stmt);
        if (rc != SQLITE_ROW) return sqlite3_errmsg(db);
        const char* r = reinterpret_cast<const char*>(sqlite3_column_text(st.stmt, 0));
        if (!r || std::strcmp(r, "ok") != 0) return r ? r : "quick check failed";
    }
    auto pragmaInt = [&](const char* sql, int* value) {
        Statement st(db, sql);
        if (!st || sqlite3_step(st.stmt) != SQLITE_ROW) return false;
        *value = sqlite3_column_int(st.stmt, 0);
        return true;
    };
    int appId = 0, version = 0;
    if (!pragmaInt("PRAGMA application_id", &appId) || appId != RSC_APPLICATION_ID) return "not a resource file";
    if (!pragmaInt("PRAGMA user_version", &version) || version < 1 || version > RSC_SCHEMA_VERSION)
        return "unknown format version";
    Statement st(db, "SELECT type, id, alias, data FROM resource LIMIT 0");
    Statement info(db, "SELECT key, value FROM file_info LIMIT 0");
    if (!st || !info) return "tables missing";
    return {};
}

/* Whether the SQLite file PATH was left in WAL mode (header bytes 18 and 19). */
bool inWalMode(const std::string& path) {
    unsigned char header[20] = {};
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return false;
    bool wal = std::fread(header, 1, sizeof header, f) == sizeof header && header[18] == 2 && header[19] == 2;
    std::fclose(f);
    return wal;
}

/* Open resource file PATH: read/write when the disk allows, so that the
** journal of a write a crash cut short is rolled back. Files written in WAL
** mode by earlier hosts are turned to a rollback journal when they can be
** written, and read as immutable when they cannot (their WAL index could
** not be made beside them). Null when it cannot be opened. */
sqlite3* openDatabase(const std::string& path, bool writable) {
    sqlite3* db = nullptr;
    int rc;
    if (!writable && inWalMode(path)) {
        std::string uri = "file:";
        for (char c : path) {
            if (c == '%' || c == '?' || c == '#') {
                char escaped[4];
                std::snprintf(escaped, sizeof escaped, "%%%02X", static_cast<unsigned char>(c));
                uri += escaped;
            } else {
                uri += c;
            }
        }
        rc = sqlite3_open_v2((uri + "?immutable=1").c_str(), &db, SQLITE_OPEN_READONLY | SQLITE_OPEN_URI, nullptr);
    } else {
        rc = sqlite3_open_v2(path.c_str(), &db, writable ? SQLITE_OPEN_READWRITE : SQLITE_OPEN_READONLY, nullptr);
        /* Another process holding it in WAL mode keeps it so; that is no error. */
        if (rc == SQLITE_OK && writable) sqlite3_exec(db, "PRAGMA journal_mode=DELETE", nullptr, nullptr, nullptr);
    }
    if (rc != SQLITE_OK) {
        sqlite3_close(db);
        return nullptr;
    }
    return db;
}

/* Commit or roll back the event's transaction of every file. */
void endTransactions(bool committed) {
    for (auto& [key, c] : state.connections) {
        if (!c->inTransaction) continue;
        c->inTransaction = false;
        if (sqlite3_exec(c->db, committed ? "COMMIT" : "ROLLBACK", nullptr, nullptr, nullptr) != SQLITE_OK) {
            toolSubsystem_printf("Resource file %s: %s failed (%s)\n", key.c_str(),
                                 committed ? "commit" : "rollback", sqlite3_errmsg(c->db));
            sqlite3_exec(c->db, "ROLLBACK", nullptr, nullptr, nullptr);
        }
    }
}

void ensureEventListener() {
    if (state.listenerId) return;
    state.listenerId = sim::addEventListener({nullptr, [](bool committed) { endTransactions(committed); }});
}

/* Map a failed SQLite write to the host's status. */
int writeFailure(OpenFile& f, int rc) {
    int primary = rc & 0xFF;
    if (primary == SQLITE_READONLY) return RSCERR_READ_ONLY;
    if (primary == SQLITE_CONSTRAINT) return RSCERR_EXISTS;
    if (primary == SQLITE_TOOBIG) return RSCERR_TOO_LARGE;
    if (primary == SQLITE_NOMEM) return RSCERR_NO_MEMORY;
    toolSubsystem_printf("Resource file %s: write failed (%s)\n", f.name.c_str(), sqlite3_errmsg(f.db));
    return RSCERR_WRITE_FAILED;
}

/* Checks before any write of F; inside an event, starts the file's transaction. */
int beginWrite(OpenFile& f) {
    if (!f.writable) return RSCERR_READ_ONLY;
    if (state.failWrites > 0) {
        if (state.failWritesSkip > 0) {
            --state.failWritesSkip;
        } else {
            --state.failWrites;
            return RSCERR_WRITE_FAILED;
        }
    }
    if (sim::inEvent() && !f.conn->inTransaction) {
        ensureEventListener();
        int rc = sqlite3_exec(f.db, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr);
        if (rc != SQLITE_OK) return writeFailure(f, rc);
        f.conn->inTransaction = true;
    }
    return RSC_SUCCESS;
}

int openFileImpl(RscFileHandle* handle, const std::string& name, int mode) {
    std::string path = sim::hostPath(name);
    struct stat sb;
    if (path.empty() || ::stat(path.c_str(), &sb) != 0 || !S_ISREG(sb.st_mode)) return RSCERR_CANNOT_OPEN;
    bool diskWritable = ::access(path.c_str(), W_OK) == 0;
    std::string key = canonical(path);
    Connection* conn = nullptr;
    auto it = state.connections.find(key);
    if (it != state.connections.end()) {
        conn = it->second.get();
    } else {
        sqlite3* db = openDatabase(path, diskWritable);
        if (!db) return RSCERR_CANNOT_OPEN;
        sqlite3_busy_timeout(db, 5000);
        std::string problem = checkResourceFile(db);
        if (!problem.empty()) {
            reportDamaged(name, problem.c_str());
            sqlite3_close(db);
            return RSCERR_NOT_RSC_FILE;
        }
        sqlite3_exec(db, "PRAGMA synchronous=FULL", nullptr, nullptr, nullptr);
        auto fresh = std::make_unique<Connection>();
        fresh->db = db;
        conn = fresh.get();
        state.connections.emplace(key, std::move(fresh));
    }
    ++conn->users;
    OpenFile f;
    f.handle = state.nextHandle++;
    f.name = name;
    f.path = path;
    f.key = key;
    f.conn = conn;
    f.db = conn->db;
    f.writable = mode != 0 && diskWritable;
    f.owner = sim::currentApplication();
    f.openOrder = state.nextOpenOrder++;
    *handle = f.handle;
    state.files.emplace(f.handle, std::move(f));
    return RSC_SUCCESS;
}

/* Drop handle F; the last handle of a file commits its writes and closes it. */
void closeFileImpl(OpenFile& f) {
    if (--f.conn->users == 0) {
        if (f.conn->inTransaction &&
            sqlite3_exec(f.db, "COMMIT", nullptr, nullptr, nullptr) != SQLITE_OK)
            toolSubsystem_printf("Resource file %s: commit failed (%s)\n", f.name.c_str(), sqlite3_errmsg(f.db));
        sqlite3_finalize(f.conn->selectData);
        sqlite3_close_v2(f.db);
        state.connections.erase(f.key);
    }
    f.conn = nullptr;
    f.db = nullptr;
    for (auto it = state.applicationFiles.begin(); it != state.applicationFiles.end();)
        it = it->second == f.handle ? state.applicationFiles.erase(it) : std::next(it);
}

/* Files to search for FILE: that file alone, or for 0 the current application's
** own file first and then every open file, most recently opened first. */
std::vector<OpenFile*> searchOrder(RscFileHandle file) {
    std::vector<OpenFile*> out;
    if (file) {
        if (OpenFile* f = openFileOf(file)) out.push_back(f);
        return out;
    }
    RscFileHandle own = sim::applicationResourceFile(sim::currentApplication());
    if (OpenFile* f = own ? openFileOf(own) : nullptr) out.push_back(f);
    std::vector<OpenFile*> rest;
    for (auto& [h, f] : state.files)
        if (h != own) rest.push_back(&f);
    std::sort(rest.begin(), rest.end(), [](OpenFile* a, OpenFile* b) { return a->openOrder > b->openOrder; });
    out.insert(out.end(), rest.begin(), rest.end());
    return out;
}

/* Read resource TYPE, ID of F into DATA: 1 found, 0 absent, -1 read error. */
int readBlob(OpenFile& f, uint32_t type, int32_t id, std::vector<uint8_t>* data, uint32_t* size) {
    sqlite3_stmt*& st = f.conn->selectData;
    if (!st && sqlite3_prepare_v3(f.db, "SELECT length(data), data FROM resource WHERE type=?1 AND id=?2", -1,
                                  SQLITE_PREPARE_PERSISTENT, &st, nullptr) != SQLITE_OK)
        return -1;
    struct Reset {
        sqlite3_stmt* s;
        ~Reset() { sqlite3_reset(s); }
    } reset{st};
    sqlite3_bind_int64(st, 1, type);
    sqlite3_bind_int(st, 2, id);
    int rc = sqlite3_step(st);
    if (rc == SQLITE_DONE) return 0;
    if (rc != SQLITE_ROW) {
        toolSubsystem_printf("Resource file %s: read failed (%s)\n", f.name.c_str(), sqlite3_errmsg(f.db));
        return -1;
    }
    int n = sqlite3_column_int(st, 0);
    if (size) *size = static_cast<uint32_t>(n);
    if (data) {
        const uint8_t* p = static_cast<const uint8_t*>(sqlite3_column_blob(st, 1));
        data->assign(p, p + (p ? n : 0));
    }
    return 1;
}

int storeBlob(OpenFile& f, uint32_t type, int32_t id, const void* data, uint32_t size, const char* alias,
              bool replace) {
    if (size > RSC_MAX_SIZE) return RSCERR_TOO_LARGE;
    if (size && !data) return RSCERR_BAD_ARGUMENT;
    int st0 = beginWrite(f);
    if (st0) return st0;
    Statement st(f.db, replace ? "INSERT INTO resource(type, id, alias, data) VALUES(?1, ?2, ?3, ?4)"
                                 " ON CONFLICT(type, id) DO UPDATE SET data=excluded.data"
                               : "INSERT INTO resource(type, id, alias, data) VALUES(?1, ?2, ?3, ?4)");
    if (!st) return writeFailure(f, sqlite3_errcode(f.db));
    sqlite3_bind_int64(st.stmt, 1, type);
    sqlite3_bind_int(st.stmt, 2, id);
    if (alias)
        sqlite3_bind_text(st.stmt, 3, alias, -1, SQLITE_TRANSIENT);
    else
        sqlite3_bind_null(st.stmt, 3);
    sqlite3_bind_blob(st.stmt, 4, size ? data : "", static_cast<int>(size), SQLITE_TRANSIENT);
    int rc = sqlite3_step(st.stmt);
    return rc == SQLITE_DONE ? RSC_SUCCESS : writeFailure(f, rc);
}

}  // namespace

/* ---- Platform API: files ------------------------------------------------- */

HOST_API StatusInt mdlResource_createFile(const char* name, const char* description, int flags) {
    try {
        if (!name || !*name) return RSCERR_BAD_ARGUMENT;
        std::string path = sim::hostPath(name);
        if (state.connections.count(canonical(path))) {
            toolSubsystem_printf("Resource file %s is open and cannot be replaced\n", name);
            return RSCERR_CANNOT_OPEN;
        }
        std::error_code ec;
        if (std::filesystem::exists(path, ec) && flags == 0) return RSCERR_EXISTS;
        /* Build the new file beside the old one and rename it into place, so that
        ** a failure leaves the old file as it was. */
        std::string temp = path + ".new" + std::to_string(::getpid());
        std::filesystem::remove(temp, ec);
        sqlite3* db = nullptr;
        int rc = sqlite3_open_v2(temp.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
        bool ok = rc == SQLITE_OK;
        ok = ok && sqlite3_exec(db, schemaSql, nullptr, nullptr, nullptr) == SQLITE_OK;
        ok = ok && sqlite3_exec(db, ("PRAGMA application_id=" + std::to_string(RSC_APPLICATION_ID) +
                                     ";PRAGMA user_version=" + std::to_string(RSC_SCHEMA_VERSION))
                                        .c_str(),
                                nullptr, nullptr, nullptr) == SQLITE_OK;
        if (ok) {
            Statement st(db, "INSERT INTO file_info(key, value) VALUES('description', ?1)");
            const char* text = description ? description : "";
            ok = st && sqlite3_bind_text(st.stmt, 1, text, -1, SQLITE_TRANSIENT) == SQLITE_OK &&
                 sqlite3_step(st.stmt) == SQLITE_DONE;
        }
        sqlite3_close_v2(db);
        if (ok) {
            /* A WAL left beside the old file would be replayed into the new one. */
            std::filesystem::remove(path + "-wal", ec);
            std::filesystem::remove(path + "-shm", ec);
            std::filesystem::rename(temp, path, ec);
            ok = !ec;
        }
        if (!ok) {
            std::filesystem::remove(temp, ec);
            std::filesystem::remove(temp + "-wal", ec);
            std::filesystem::remove(temp + "-shm", ec);
            return RSCERR_CANNOT_OPEN;
        }
        return RSC_SUCCESS;
    } catch (...) {
        return RSCERR_NO_MEMORY; /* no exception leaves the host */
    }
}

HOST_API StatusInt mdlResource_openFile(RscFileHandle* handle, const char* name, int mode) {
    try {
        if (!handle) return RSCERR_BAD_ARGUMENT;
        *handle = 0;
        std::string fileName;
        if (name) {
            fileName = name;
        } else {
            MdlDesc* app = sim::currentApplication();
            if (!app || app->resourcePath.empty()) return RSCERR_CANNOT_OPEN;
            fileName = app->resourcePath;
        }
        return openFileImpl(handle, fileName, mode);
    } catch (...) {
        return RSCERR_NO_MEMORY; /* no exception leaves the host */
    }
}

HOST_API StatusInt mdlResource_closeFile(RscFileHandle file) {
    try {
        OpenFile* f = openFileOf(file);
        if (!f) return RSCERR_BAD_HANDLE;
        closeFileImpl(*f);
        state.files.erase(file);
        return RSC_SUCCESS;
    } catch (...) {
        return RSCERR_NO_MEMORY; /* no exception leaves the host */
    }
}

HOST_API StatusInt mdlResource_getFileDescription(char* buffer, int size, RscFileHandle file) {
    try {
        OpenFile* f = openFileOf(file);
        if (!f) return RSCERR_BAD_HANDLE;
        if (!buffer || size <= 0) return RSCERR_BAD_ARGUMENT;
        Statement st(f->db, "SELECT value FROM file_info WHERE key='description'");
        std::string text;
        if (st && sqlite3_step(st.stmt) == SQLITE_ROW) {
            const char* t = reinterpret_cast<const char*>(sqlite3_column_text(st.stmt, 0));
            text = t ? t : "";
        }
        sim::copyFixed(buffer, size, text);
        return RSC_SUCCESS;
    } catch (...) {
        return RSCERR_NO_MEMORY; /* no exception leaves the host */
    }
}

/* ---- Platform API: resources ---------------------------------------------- */

HOST_API void* mdlResource_load(RscFileHandle file, uint32_t type, int32_t id) {
    try {
        for (OpenFile* f : searchOrder(file)) {
            std::vector<uint8_t> data;
            if (readBlob(*f, type, id, &data, nullptr) != 1) continue;
            void* copy = dlmSystem_mdlMalloc(data.empty() ? 1 : data.size());
            if (!copy) return nullptr;
            if (!data.empty()) std::memcpy(copy, data.data(), data.size());
            state.copies[copy] = {static_cast<uint32_t>(data.size()), type, id, f->handle};
            return copy;
        }
        return nullptr;
    } catch (...) {
        return nullptr; /* no exception leaves the host */
    }
}

HOST_API void mdlResource_free(void* resource) {
    try {
        if (!resource) return;
        auto it = state.copies.find(resource);
        if (it == state.copies.end()) {
            toolSubsystem_printf("mdlResource_free: %p is not a loaded resource\n", resource);
            return;
        }
        state.copies.erase(it);
        dlmSystem_mdlFree(resource);
    } catch (...) { /* out of memory: nothing to report to a void call */ }
}

HOST_API StatusInt mdlResource_write(void* resource) {
    try {
        auto it = state.copies.find(resource);
        if (it == state.copies.end()) return RSCERR_BAD_ARGUMENT;
        OpenFile* f = openFileOf(it->second.file);
        if (!f) return RSCERR_BAD_HANDLE;
        return storeBlob(*f, it->second.type, it->second.id, resource, it->second.size, nullptr, true);
    } catch (...) {
        return RSCERR_NO_MEMORY; /* no exception leaves the host */
    }
}

HOST_API StatusInt mdlResource_resize(void** resource, uint32_t newSize) {
    try {
        if (!resource) return RSCERR_BAD_ARGUMENT;
        auto it = state.copies.find(*resource);
        if (it == state.copies.end()) return RSCERR_BAD_ARGUMENT;
        if (newSize > RSC_MAX_SIZE) return RSCERR_TOO_LARGE;
        LoadedCopy info = it->second;
        void* grown = dlmSystem_mdlRealloc(*resource, newSize ? newSize : 1);
        if (!grown) return RSCERR_NO_MEMORY;
        if (newSize > info.size) std::memset(static_cast<char*>(grown) + info.size, 0, newSize - info.size);
        state.copies.erase(it);
        info.size = newSize;
        state.copies[grown] = info;
        *resource = grown;
        return RSC_SUCCESS;
    } catch (...) {
        return RSCERR_NO_MEMORY; /* no exception leaves the host */
    }
}

HOST_API StatusInt mdlResource_add(RscFileHandle file, uint32_t type, int32_t id, const void* data, uint32_t size,
                                   const char* alias) {
    try {
        OpenFile* f = openFileOf(file);
        if (!f) return RSCERR_BAD_HANDLE;
        return storeBlob(*f, type, id, data, size, alias, false);
    } catch (...) {
        return RSCERR_NO_MEMORY; /* no exception leaves the host */
    }
}

HOST_API StatusInt mdlResource_delete(RscFileHandle file, uint32_t type, int32_t id) {
    try {
        OpenFile* f = openFileOf(file);
        if (!f) return RSCERR_BAD_HANDLE;
        int st0 = beginWrite(*f);
        if (st0) return st0;
        Statement st(f->db, "DELETE FROM resource WHERE type=?1 AND id=?2");
        if (!st) return writeFailure(*f, sqlite3_errcode(f->db));
        sqlite3_bind_int64(st.stmt, 1, type);
        sqlite3_bind_int(st.stmt, 2, id);
        int rc = sqlite3_step(st.stmt);
        if (rc != SQLITE_DONE) return writeFailure(*f, rc);
        return sqlite3_changes(f->db) ? RSC_SUCCESS : RSCERR_NOT_FOUND;
    } catch (...) {
        return RSCERR_NO_MEMORY; /* no exception leaves the host */
    }
}

HOST_API StatusInt mdlResource_query(void* result, const void* resource, int query) {
    if (!result) return RSCERR_BAD_ARGUMENT;
    auto it = state.copies.find(const_cast<void*>(resource));
    if (it == state.copies.end()) return RSCERR_BAD_ARGUMENT;
    const LoadedCopy& c = it->second;
    switch (query) {
    case RSC_QRY_SIZE: *static_cast<uint32_t*>(result) = c.size; break;
    case RSC_QRY_TYPE: *static_cast<uint32_t*>(result) = c.type; break;
    case RSC_QRY_ID: *static_cast<int32_t*>(result) = c.id; break;
    case RSC_QRY_FILE: *static_cast<RscFileHandle*>(result) = c.file; break;
    default: return RSCERR_BAD_ARGUMENT;
    }
    return RSC_SUCCESS;
}

HOST_API StatusInt mdlResource_querySize(uint32_t* size, RscFileHandle file, uint32_t type, int32_t id) {
    try {
        if (!size) return RSCERR_BAD_ARGUMENT;
        if (file && !openFileOf(file)) return RSCERR_BAD_HANDLE;
        for (OpenFile* f : searchOrder(file))
            if (readBlob(*f, type, id, nullptr, size) == 1) return RSC_SUCCESS;
        return RSCERR_NOT_FOUND;
    } catch (...) {
        return RSCERR_NO_MEMORY; /* no exception leaves the host */
    }
}

HOST_API StatusInt mdlResource_loadFromStringList(char* buffer, int size, RscFileHandle file, int32_t listId,
                                                  int32_t number) {
    try {
        if (!buffer || size <= 0) return RSCERR_BAD_ARGUMENT;
        buffer[0] = '\0';
        if (file && !openFileOf(file)) return RSCERR_BAD_HANDLE;
        std::string text;
        int st = sim::findMessage(listId, number, text, file);
        if (st) return st;
        sim::copyFixed(buffer, size, text);
        return RSC_SUCCESS;
    } catch (...) {
        return RSCERR_NO_MEMORY; /* no exception leaves the host */
    }
}

HOST_API StatusInt mdlResource_getApplLoadFile(char* buffer, int size, MdlDescP desc) {
    try {
        if (!buffer || size <= 0) return RSCERR_BAD_ARGUMENT;
        buffer[0] = '\0';
        if (!desc) desc = sim::currentApplication();
        if (!desc) return HOST_ERROR;
        const std::string& path = desc->loadPath.empty() ? desc->resourcePath : desc->loadPath;
        if (path.empty()) return HOST_ERROR;
        sim::copyFixed(buffer, size, path);
        return RSC_SUCCESS;
    } catch (...) {
        return RSCERR_NO_MEMORY; /* no exception leaves the host */
    }
}

/* ---- Message output ------------------------------------------------------- */

HOST_API StatusInt mdlOutput_rscvsPrintf(char* buffer, RscFileHandle file, int listId, int number, va_list args) {
    try {
        if (!buffer) return RSCERR_BAD_ARGUMENT;
        buffer[0] = '\0';
        if (file && !openFileOf(file)) return RSCERR_BAD_HANDLE;
        std::string templ;
        int st = sim::findMessage(listId, number, templ, file);
        if (st) return st;
        /* The caller's buffer may be shorter than the largest message: write
        ** the text and its terminator, never padding up to that size. */
        std::string text = sim::formatV(templ.c_str(), args);
        if (text.size() > 1023) text.resize(1023);
        std::memcpy(buffer, text.c_str(), text.size() + 1);
        return RSC_SUCCESS;
    } catch (...) {
        return RSCERR_NO_MEMORY; /* no exception leaves the host */
    }
}

/* The two below call the guarded mdlOutput_rscvsPrintf and need no barrier. */
HOST_API StatusInt mdlOutput_rscsPrintf(char* buffer, RscFileHandle file, int listId, int number, ...) {
    va_list ap;
    va_start(ap, number);
    StatusInt st = mdlOutput_rscvsPrintf(buffer, file, listId, number, ap);
    va_end(ap);
    return st;
}

HOST_API StatusInt mdlOutput_rscPrintf(int field, RscFileHandle file, int listId, int number, ...) {
    char text[1024];
    va_list ap;
    va_start(ap, number);
    StatusInt st = mdlOutput_rscvsPrintf(text, file, listId, number, ap);
    va_end(ap);
    if (st) return st;
    mdlOutput_printf(field, "%s", text);
    return RSC_SUCCESS;
}

/* ---- Host side ------------------------------------------------------------- */

namespace sim {

/* An application's own resource file, when it has one, is open before its
** MdlMain runs. */
static Registration openOnLoad([] {
    addApplicationListener({[](MdlDesc* desc) {
                                struct stat st;
                                if (!desc->resourcePath.empty() && ::stat(hostPath(desc->resourcePath).c_str(), &st) == 0)
                                    openApplicationResources(desc);
                            },
                            nullptr, closeApplicationResources});
});

int openApplicationResources(MdlDesc* desc) {
    if (!desc || desc->resourcePath.empty()) return RSC_SUCCESS;
    if (applicationResourceFile(desc)) return RSC_SUCCESS;
    RscFileHandle h = 0;
    int st;
    {
        CurrentApplicationScope scope(desc);
        st = openFileImpl(&h, desc->resourcePath, 0);
    }
    if (st) return st;
    state.applicationFiles[desc] = h;
    return RSC_SUCCESS;
}

void closeApplicationResources(MdlDesc* desc) {
    if (!desc) return;
    std::vector<RscFileHandle> toClose;
    for (auto& [h, f] : state.files)
        if (f.owner == desc) toClose.push_back(h);
    for (RscFileHandle h : toClose) mdlResource_closeFile(h);
    state.applicationFiles.erase(desc);
}

RscFileHandle applicationResourceFile(const MdlDesc* desc) {
    if (!desc) return 0;
    auto it = state.applicationFiles.find(desc);
    return it == state.applicationFiles.end() ? 0 : it->second;
}

int findResource(uint32_t type, int32_t id, std::vector<uint8_t>& data, RscFileHandle file) {
    for (OpenFile* f : searchOrder(file))
        if (readBlob(*f, type, id, &data, nullptr) == 1) return RSC_SUCCESS;
    data.clear();
    return RSCERR_NOT_FOUND;
}

int findMessage(int32_t listId, int32_t number, std::string& text, RscFileHandle file) {
    text.clear();
    for (OpenFile* f : searchOrder(file)) {
        std::vector<uint8_t> data;
        if (readBlob(*f, RTYPE_MESSAGELIST, listId, &data, nullptr) != 1) continue;
        MessageListRsc list;
        if (decodeMessageList(data.data(), data.size(), list)) {
            toolSubsystem_printf("Resource file %s: message list %d is damaged\n", f->name.c_str(), listId);
            continue;
        }
        auto it = std::find_if(list.messages.begin(), list.messages.end(),
                               [number](const auto& m) { return m.first == number; });
        if (it != list.messages.end() && it->first == number) {
            text = std::move(it->second);
            return RSC_SUCCESS;
        }
    }
    return RSCERR_NOT_FOUND;
}

std::vector<ResourceKey> listResources(RscFileHandle file) {
    std::vector<ResourceKey> out;
    OpenFile* f = openFileOf(file);
    if (!f) return out;
    Statement st(f->db, "SELECT type, id, length(data), alias FROM resource ORDER BY type, id");
    while (st && sqlite3_step(st.stmt) == SQLITE_ROW) {
        const char* alias = reinterpret_cast<const char*>(sqlite3_column_text(st.stmt, 3));
        out.push_back({static_cast<uint32_t>(sqlite3_column_int64(st.stmt, 0)), sqlite3_column_int(st.stmt, 1),
                       static_cast<uint32_t>(sqlite3_column_int(st.stmt, 2)), alias ? alias : ""});
    }
    return out;
}

std::string resourceFilePath(RscFileHandle file) {
    OpenFile* f = openFileOf(file);
    return f ? f->path : std::string();
}

std::vector<RscFileHandle> openResourceFiles() {
    std::vector<RscFileHandle> out;
    for (OpenFile* f : searchOrder(0)) out.push_back(f->handle);
    return out;
}

void closeAllResourceFiles() {
    for (auto& [h, f] : state.files) closeFileImpl(f);
    state.files.clear();
    state.applicationFiles.clear();
}

void failResourceWrites(int count, int skip) {
    state.failWrites = count;
    state.failWritesSkip = count > 0 ? skip : 0;
}

static Registration resetRegistration([] {
    registerReset(ResetStage::Resources, [] {
        closeAllResourceFiles();
        failResourceWrites(0, 0);
    });
});

namespace {
template <class T, class Decode>
int loadDecoded(uint32_t type, int32_t id, T& out, RscFileHandle file, Decode decode) {
    std::vector<uint8_t> data;
    if (findResource(type, id, data, file)) return RSCERR_NOT_FOUND;
    if (decode(data.data(), data.size(), out)) {
        toolSubsystem_printf("Resource %s %d is damaged\n", fourCCText(type).c_str(), id);
        return RSCERR_BAD_RESOURCE;
    }
    return RSC_SUCCESS;
}
}  // namespace

int loadDialog(int32_t id, DialogRsc& out, RscFileHandle file) {
    out.id = id;
    return loadDecoded(RTYPE_DIALOG, id, out, file, decodeDialog);
}

int loadMenu(int32_t id, MenuRsc& out, RscFileHandle file) {
    out.id = id;
    return loadDecoded(RTYPE_PULLDOWN, id, out, file, decodeMenu);
}

int loadCommandTable(int32_t id, CommandTableRsc& out, RscFileHandle file) {
    return loadDecoded(RTYPE_COMMANDTABLE, id, out, file, decodeCommandTable);
}

int loadRaster(uint32_t type, int32_t id, RasterRsc& out, RscFileHandle file) {
    return loadDecoded(type, id, out, file, decodeRaster);
}

int loadTypeDescription(const std::string& name, TypeDescriptionRsc& out, RscFileHandle file) {
    for (OpenFile* f : searchOrder(file)) {
        Statement st(f->db, "SELECT id, data FROM resource WHERE type=?1 ORDER BY id");
        if (!st) continue;
        sqlite3_bind_int64(st.stmt, 1, RTYPE_TYPEDESC);
        while (sqlite3_step(st.stmt) == SQLITE_ROW) {
            const uint8_t* p = static_cast<const uint8_t*>(sqlite3_column_blob(st.stmt, 1));
            int n = sqlite3_column_bytes(st.stmt, 1);
            TypeDescriptionRsc t;
            if (decodeTypeDescription(p, static_cast<size_t>(n), t)) {
                toolSubsystem_printf("Resource TpDs %d is damaged\n", sqlite3_column_int(st.stmt, 0));
                continue;
            }
            if (t.name == name) {
                out = std::move(t);
                return RSC_SUCCESS;
            }
        }
    }
    return RSCERR_NOT_FOUND;
}

}  // namespace sim
