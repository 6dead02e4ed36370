/* What the design area's files share among themselves and nobody else:
** storage calls (design_store.cpp), model memory and the change guard
** (design_model.cpp), and the display log's reset and the views' refresh
** (design_shown.cpp). The area's interface is design.h. */
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

#include "host/sim/design/design.h"

namespace sim::design {

/* ---- Storage ------------------------------------------------------------------------------- */

/* Run SQL; on failure ERROR (when given) gets SQLite's message. */
bool exec(sqlite3* db, const char* sql, std::string* error = nullptr);
/* Run WRITE inside a savepoint of DB: all of it reaches the file or none of
** it. WRITE answers false on failure, with its ERROR set or already reported. */
bool atomically(sqlite3* db, const std::function<bool(std::string& error)>& write, std::string& error);
/* Write the settings block (settings and units), the level tables, the line
** and text styles, or the colour table of F, each all or nothing: a refused
** row leaves the table as it was and ERROR says why. */
bool writeSettings(DesignFile& f, std::string& error);
bool writeLevels(DesignFile& f, std::string& error);
bool writeStyles(DesignFile& f, std::string& error);
bool writeColours(DesignFile& f, std::string& error);
/* Write slot POS of M. FRESH: a position never written before (a plain
** insert, cheaper than a replace). False, reported on the host's output, when
** the file is not writable or refuses the row. */
bool writeSlot(DgnModel* m, uint32_t pos, bool fresh = false);
/* Add the row of model ID to F's model table. */
bool writeModel(DesignFile& f, int id, const std::string& name, const std::string& description, bool isCell,
                std::string& error);
/* Report a storage failure on the host's output ("design file: WHAT"). */
void reportFailure(const std::string& what);

/* ---- Models and the journal --------------------------------------------------------------- */

/* Ask for huge pages behind the whole ones inside MEMORY..MEMORY+BYTES, so
** that filling a large block does not fault every 4 KB. */
void preferHugePages(void* memory, size_t bytes);
/* Copy N bytes of RECORD into M's arena; null when out of memory. */
uint8_t* arenaCopy(DgnModel* m, const uint8_t* record, size_t n);
/* Point slot POS of M (grown as needed) at DATA. */
void setSlot(DgnModel* m, uint32_t pos, const uint8_t* data, bool deleted, bool component);
/* Tell M's range index (once built) that slot POS changed. */
void indexSlot(DgnModel* m, uint32_t pos);

/* Guard of a change of the active file: opens the transaction, and outside
** an event commits and closes the undo step when the change is done. */
struct Change {
    Change();
    ~Change();
    Change(const Change&) = delete;
    Change& operator=(const Change&) = delete;
};

/* ---- Descriptor nodes (descr_memory.cpp) ------------------------------------------------------ */

/* A node with room for an element of SIZE bytes and some growth (its
** capacity set, nothing else); null when memory or the failure switch says no. */
MSElementDescr* allocNode(uint32_t size);
void freeNode(MSElementDescr* node);

/* ---- What was shown ------------------------------------------------------------------------- */

/* Forget the hook and the log (the views' sink and refresh stay). */
void resetShown();
/* Redraw the views from the model, when they installed a refresh. */
void refreshViews();

}  // namespace sim::design
