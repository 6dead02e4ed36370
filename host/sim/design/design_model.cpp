/* The open design file and its models in memory: element slots in per-model
** arenas, write-through of every change inside the current event's
** transaction, the undo journal, the attached cell library and references.
** State: DesignState (the active file, the transaction, the journal). */
#include <sqlite3.h>
#include <sys/mman.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <functional>

#include "host/mdlelement.h"
#include "host/mdlgeom.h"
#include "host/mdlsystem.h"
#include "host/sim/base/base.h"
#include "host/sim/design/design_int.h"
#include "host/sim/system/system.h"

using namespace sim::elem;

namespace sim::design {
namespace {

constexpr size_t CHUNK_BYTES = 1 << 20;
constexpr size_t MAX_CHUNK_BYTES = 16 << 20;
constexpr uintptr_t HUGE_PAGE_BYTES = 2 << 20;
constexpr size_t MAX_UNDO_STEPS = 256;

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
};
DesignState state;

uint64_t nowMs() {
    return static_cast<uint64_t>(
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::system_clock::now().time_since_epoch()).count());
}

/* ---- Transactions --------------------------------------------------------------------------- */

void beginTransaction() {
    if (state.inTransaction || !state.active || state.active->readOnly) return;
    std::string error;
    if (exec(state.active->db, "BEGIN IMMEDIATE", &error))
        state.inTransaction = true;
    else
        reportFailure("cannot begin a transaction: " + error);
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
        if (!exec(state.active->db, "COMMIT", &error)) reportFailure("commit failed: " + error);
    }
    state.inTransaction = false;
}

void journal(DgnModel* m, uint32_t pos, const uint8_t* before, bool beforeDeleted, const uint8_t* after,
             bool afterDeleted, bool component) {
    if (state.replaying || m->file != state.active.get()) return;   /* other files are not undone */
    state.step.push_back({m, pos, before, after, static_cast<uint8_t>(beforeDeleted), static_cast<uint8_t>(afterDeleted),
                          static_cast<uint8_t>(component)});
}

/* Put every entry of STEP back (UNDOING) or forward, in memory; PERSIST
** writes through. False when a write failed (the rest is still applied). */
bool replay(const Step& step, bool undoing, bool persist) {
    bool ok = true;
    auto apply = [&](const JournalEntry& j) {
        if (undoing) {
            if (j.before) setSlot(j.model, j.pos, j.before, j.beforeDeleted, j.component);
            else setSlot(j.model, j.pos, j.after, true, j.component);
        } else {
            setSlot(j.model, j.pos, j.after, j.afterDeleted, j.component);
        }
        if (persist && ok) ok = writeSlot(j.model, j.pos);
    };
    if (undoing)
        for (auto it = step.rbegin(); it != step.rend(); ++it) apply(*it);
    else
        for (const auto& j : step) apply(j);
    return ok;
}

/* Replay STEP in memory and in the file, all or nothing: when the file
** refuses, it is rolled back and memory is put back as it was. */
bool replayThrough(const Step& step, bool undoing) {
    if (!state.active) return false;
    state.replaying = true;
    std::string error;
    bool ok = atomically(state.active->db, [&](std::string&) { return replay(step, undoing, true); }, error);
    if (!ok) {
        replay(step, !undoing, false);
        if (!error.empty()) reportFailure(error);
    }
    state.replaying = false;
    return ok;
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
            std::string error;
            if (state.inTransaction && state.active && !exec(state.active->db, "ROLLBACK", &error))
                reportFailure("rollback failed: " + error);
            state.inTransaction = false;
        },
    });
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

/* Write one table of the active file through (part of the current event). */
bool saveTable(bool (*write)(DesignFile&, std::string&)) {
    if (!state.active || state.active->readOnly) return false;
    Change c;
    std::string error;
    if (write(*state.active, error)) return true;
    reportFailure(error);
    return false;
}

}  // namespace

/* ---- Memory of a model ------------------------------------------------------------------------ */

void preferHugePages(void* memory, size_t bytes) {
    if (bytes < HUGE_PAGE_BYTES) return;
    auto first = (reinterpret_cast<uintptr_t>(memory) + HUGE_PAGE_BYTES - 1) & ~(HUGE_PAGE_BYTES - 1);
    auto last = (reinterpret_cast<uintptr_t>(memory) + bytes) & ~(HUGE_PAGE_BYTES - 1);
    if (last > first) ::madvise(reinterpret_cast<void*>(first), last - first, MADV_HUGEPAGE);
}

uint8_t* arenaCopy(DgnModel* m, const uint8_t* record, size_t n) {
    size_t need = (n + 7) & ~size_t{7};
    if (m->chunks.empty() || m->chunkUsed + need > m->chunkSize) {
        /* Chunks double up to MAX_CHUNK_BYTES, so that a large model takes few
        ** of them; those are backed by huge pages where the system offers
        ** them, so that filling them does not fault every 4 KB. Pages never
        ** written are never resident. */
        size_t size = std::max(std::min(m->chunks.empty() ? CHUNK_BYTES : 2 * m->chunkSize, MAX_CHUNK_BYTES), need);
        m->chunks.emplace_back(new (std::nothrow) uint8_t[size]);
        if (!m->chunks.back()) {
            m->chunks.pop_back();
            return nullptr;
        }
        preferHugePages(m->chunks.back().get(), size);
        m->chunkSize = size;
        m->chunkUsed = 0;
    }
    uint8_t* p = m->chunks.back().get() + m->chunkUsed;
    m->chunkUsed += need;
    std::memcpy(p, record, n);
    return p;
}

void setSlot(DgnModel* m, uint32_t pos, const uint8_t* data, bool deleted, bool component) {
    if (m->slots.size() + 1 == pos) m->slots.push_back(Slot{nullptr, 0, 0, 1, 0});   /* the usual case */
    else if (m->slots.size() < pos) m->slots.resize(pos, Slot{nullptr, 0, 0, 1, 0});
    Slot& s = m->slots[pos - 1];
    s.data = data;
    s.deleted = deleted ? 1 : 0;
    s.component = component ? 1 : 0;
    s.type = data ? static_cast<uint16_t>(type(data)) : 0;
    s.level = data ? get4(data + H_LEVEL) : 0;
    if (m->rangeIndex) indexSlot(m, pos);
}

Change::Change() { beginTransaction(); }

Change::~Change() {
    if (sim::inEvent()) return;
    commit();
    if (!state.replaying) closeStep();
}

/* ---- Files ---------------------------------------------------------------------------------------------- */

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
        if (!writeSettings(*state.active, error)) {
            error = "cannot save: " + error;
            return false;
        }
    }
    /* Sessions run every verb inside an event: commit what the event has
    ** written so far, so that the checkpoint can move it into the file and the
    ** saved file alone holds everything. What is committed stays in the undo
    ** history but is no longer rolled back with the event. */
    commit();
    closeStep();
    if (sqlite3_wal_checkpoint_v2(state.active->db, nullptr, SQLITE_CHECKPOINT_TRUNCATE, nullptr, nullptr) != SQLITE_OK) {
        error = std::string("cannot save: ") + sqlite3_errmsg(state.active->db);
        return false;
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
    std::string error;
    bool ok = writeModel(*f, id, name, description, isCell, error);
    if (f == state.active.get() && !sim::inEvent()) commit();
    if (!ok) {
        reportFailure(error);
        return nullptr;
    }
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
    std::string why;
    if (state.active && sim::hostPath(libraryPath) == state.active->path) {
        f = state.active.get();
    } else {
        lib = loadWritable(libraryPath, true, error);
        if (!lib) return false;
        f = lib.get();
        if (!exec(f->db, "BEGIN IMMEDIATE", &why)) {
            error = "cannot write " + libraryPath + ": " + why;
            return false;
        }
    }
    DgnModel* m = addModel(f, name, description, true);
    if (!m) {
        error = "cell " + name + " already exists in " + libraryPath;
        if (lib && !exec(f->db, "ROLLBACK", &why)) reportFailure("rollback failed: " + why);
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
    if (lib && ok && !exec(f->db, "COMMIT", &why)) ok = false;
    if (!ok) {
        error = "cannot store cell " + name + " in " + libraryPath + (why.empty() ? "" : ": " + why);
        std::string again;
        if (lib && !sqlite3_get_autocommit(f->db) && !exec(f->db, "ROLLBACK", &again))
            reportFailure("rollback failed: " + again);
    }
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

double subPerMaster(DgnModelRefP model) {
    if (model) return model->file->units.subPerMaster;
    return state.active ? state.active->units.subPerMaster : 0.0;
}

bool viewRotation(int view, RotMatrix* out) {
    if (view < 1 || view > 8 || !out) return false;
    mdlRMatrix_getIdentity(out);
    return true;
}

bool saveSettings() { return saveTable(writeSettings); }

bool saveLevels() { return saveTable(writeLevels); }

bool saveStyles() { return saveTable(writeStyles); }

bool saveColours() { return saveTable(writeColours); }

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
    if (!writeSlot(m, filePos, before == nullptr)) {
        /* Memory follows the file: what could not be written is not there. */
        if (before) setSlot(m, filePos, before, false, beforeComponent);
        else m->slots.pop_back();
        return 0;
    }
    journal(m, filePos, before, false, copy, false, beforeComponent);
    return filePos;
}

/* A walk with a stack of the components each open header still holds, not
** recursion: cells nested in a file may be as deep as it has elements. A
** missing position ends every open header there. */
uint32_t span(DgnModel* m, uint32_t filePos) {
    uint32_t n = 0;
    std::vector<uint32_t> pending{1};
    while (!pending.empty()) {
        if (pending.back() == 0) {
            pending.pop_back();
            continue;
        }
        const Slot* s = slot(m, filePos + n);
        if (!s) break;
        --pending.back();
        ++n;
        if (isComplexType(s->type)) pending.push_back(get4(s->data + (s->type == CELL_HEADER_ELM ? C_COUNT : X_COUNT)));
    }
    return n;
}

bool deleteElement(DgnModel* m, uint32_t filePos) {
    if (!m || m->file->readOnly || !m->file->putElement) return false;
    const Slot* s = slot(m, filePos);
    if (!s || s->deleted) return false;
    uint32_t n = span(m, filePos);
    Change c;
    size_t journalled = state.step.size();
    std::vector<uint32_t> deleted;
    std::string error;
    /* A complex element goes as a whole or not at all. */
    bool ok = atomically(m->file->db, [&](std::string&) {
        for (uint32_t i = 0; i < n; ++i) {
            Slot& t = m->slots[filePos + i - 1];
            if (!t.data || t.deleted) continue;
            t.deleted = 1;
            deleted.push_back(filePos + i);
            if (!writeSlot(m, filePos + i)) return false;
            journal(m, filePos + i, t.data, false, t.data, true, t.component);
        }
        return true;
    }, error);
    if (ok) return true;
    /* Memory follows the file: what it still holds is still there. */
    for (uint32_t p : deleted) m->slots[p - 1].deleted = 0;
    state.step.erase(state.step.begin() + static_cast<std::ptrdiff_t>(journalled), state.step.end());
    if (!error.empty()) reportFailure("cannot delete element " + std::to_string(filePos) + ": " + error);
    return false;
}

bool undo() {
    if (state.undoSteps.empty()) return false;
    Change c;
    if (!replayThrough(state.undoSteps.back(), true)) return false;
    state.redoSteps.push_back(std::move(state.undoSteps.back()));
    state.undoSteps.pop_back();
    return true;
}

bool redo() {
    if (state.redoSteps.empty()) return false;
    Change c;
    if (!replayThrough(state.redoSteps.back(), false)) return false;
    state.undoSteps.push_back(std::move(state.redoSteps.back()));
    state.redoSteps.pop_back();
    return true;
}

size_t undoDepth() { return state.undoSteps.size(); }

void resetForTests() {
    closeActive();
    resetShown();
}

static Registration resetRegistration([] { registerReset(ResetStage::Design, resetForTests); });

}  // namespace sim::design
