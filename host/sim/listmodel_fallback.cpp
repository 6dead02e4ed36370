/* Weak stand-ins for the dialog manager's list models, so that the level
** list models work in a host built without it. Its strong definitions win
** at link time; these never see its records (they use their own). */
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "host/sim/sim_listmodel.h"

#define WEAK __attribute__((weak))

namespace {

struct FallbackCell {
    int64_t value = 0;
    std::string text;
};
struct FallbackRow {
    std::vector<FallbackCell> cells;
};
struct FallbackModel {
    int columns = 1;
    std::vector<std::unique_ptr<FallbackRow>> rows;
};

FallbackModel* M(const ListModel* m) { return reinterpret_cast<FallbackModel*>(const_cast<ListModel*>(m)); }
FallbackRow* R(const ListRow* r) { return reinterpret_cast<FallbackRow*>(const_cast<ListRow*>(r)); }
FallbackCell* C(const ListCell* c) { return reinterpret_cast<FallbackCell*>(const_cast<ListCell*>(c)); }

}  // namespace

WEAK ListModel* mdlListModel_create(int columns) {
    if (columns < 1) return nullptr;
    auto* m = new (std::nothrow) FallbackModel;
    if (m) m->columns = columns;
    return reinterpret_cast<ListModel*>(m);
}

WEAK void mdlListModel_destroy(ListModel* model) { delete M(model); }

WEAK int mdlListModel_getRowCount(const ListModel* model) { return model ? static_cast<int>(M(model)->rows.size()) : 0; }

WEAK int mdlListModel_getColumnCount(const ListModel* model) { return model ? M(model)->columns : 0; }

WEAK ListRow* mdlListModel_insertRow(ListModel* model, int index) {
    FallbackModel* m = M(model);
    if (!m || index < -1 || index > static_cast<int>(m->rows.size())) return nullptr;
    auto row = std::make_unique<FallbackRow>();
    row->cells.resize(static_cast<size_t>(m->columns));
    FallbackRow* p = row.get();
    if (index < 0) m->rows.push_back(std::move(row));
    else m->rows.insert(m->rows.begin() + index, std::move(row));
    return reinterpret_cast<ListRow*>(p);
}

WEAK ListRow* mdlListModel_getRowAtIndex(const ListModel* model, int index) {
    FallbackModel* m = M(model);
    if (!m || index < 0 || index >= static_cast<int>(m->rows.size())) return nullptr;
    return reinterpret_cast<ListRow*>(m->rows[static_cast<size_t>(index)].get());
}

WEAK ListCell* mdlListRow_getCellAtIndex(const ListRow* row, int column) {
    FallbackRow* r = R(row);
    if (!r || column < 0 || column >= static_cast<int>(r->cells.size())) return nullptr;
    return reinterpret_cast<ListCell*>(&r->cells[static_cast<size_t>(column)]);
}

WEAK StatusInt mdlListCell_setStringValue(ListCell* cell, const char* text) {
    if (!cell || !text) return HOST_ERROR;
    C(cell)->text = text;
    return HOST_SUCCESS;
}

WEAK const char* mdlListCell_getStringValue(const ListCell* cell) { return cell ? C(cell)->text.c_str() : nullptr; }

WEAK StatusInt mdlListCell_setLongValue(ListCell* cell, int64_t value) {
    if (!cell) return HOST_ERROR;
    C(cell)->value = value;
    return HOST_SUCCESS;
}

WEAK int64_t mdlListCell_getLongValue(const ListCell* cell) { return cell ? C(cell)->value : 0; }
