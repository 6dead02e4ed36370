/* Platform API of the items that hold entries and rows: option buttons, list
** boxes and combo boxes (rows from the resource, a string list or a list
** model), and list models with their rows and cells. */
#include <algorithm>
#include <cstdlib>
#include <new>

#include "host/mdldialog.h"
#include "host/mdllevel.h"
#include "host/sim/dialogs/dialog_int.h"

using namespace sim::dialogs;

HOST_API StatusInt mdlDialog_optionButtonInsertItem(DialogItem* item, int position, const char* label,
                                                    uint32_t iconType, int32_t iconId, int32_t value) {
    ItemState* it = itemOf(item);
    if (!it || it->pub.type != ITEMTYPE_OPTIONBUTTON) return HOST_ERROR;
    if (position > static_cast<int>(it->options.size())) return HOST_ERROR;
    OptionEntry e{label ? label : "", iconType, iconId, value};
    if (position < 0) it->options.push_back(std::move(e));
    else it->options.insert(it->options.begin() + position, std::move(e));
    return HOST_SUCCESS;
}

HOST_API StatusInt mdlDialog_optionButtonDeleteItem(DialogItem* item, int index) {
    ItemState* it = itemOf(item);
    if (!it || it->pub.type != ITEMTYPE_OPTIONBUTTON) return HOST_ERROR;
    if (index == -1) {
        it->options.clear();
        return HOST_SUCCESS;
    }
    if (index < 0 || index >= static_cast<int>(it->options.size())) return HOST_ERROR;
    it->options.erase(it->options.begin() + index);
    return HOST_SUCCESS;
}

HOST_API int mdlDialog_optionButtonGetCount(DialogItem* item) {
    ItemState* it = itemOf(item);
    return it ? static_cast<int>(it->options.size()) : 0;
}

HOST_API StatusInt mdlDialog_optionButtonGetItem(char* label, int size, int32_t* value, DialogItem* item, int index) {
    ItemState* it = itemOf(item);
    if (!it || index < 0 || index >= static_cast<int>(it->options.size())) return HOST_ERROR;
    const OptionEntry& e = it->options[static_cast<size_t>(index)];
    if (label) sim::copyFixed(label, size, e.label);
    if (value) *value = e.value;
    return HOST_SUCCESS;
}

namespace {
ItemState* listItem(DialogItem* item) {
    ItemState* it = itemOf(item);
    return it && (it->pub.type == ITEMTYPE_LISTBOX || it->pub.type == ITEMTYPE_COMBOBOX) ? it : nullptr;
}

void clampSelection(ItemState* it) {
    int rows = rowCount(*it);
    for (auto s = it->selected.begin(); s != it->selected.end();) s = *s >= rows ? it->selected.erase(s) : std::next(s);
    it->topRow = std::clamp(it->topRow, 0, std::max(rows - 1, 0));
}

/* Show the rows of LIST or MODEL (not both) in the item. */
void setRowSource(ItemState* it, StringList* list, ListModel* model, int columns) {
    it->strList = list;
    it->model = model;
    it->columns = columns;
    clampSelection(it);
}

/* FIRSTROW and LASTROW both -1 stand for every row. */
void expandAllRows(int& firstRow, int& lastRow, int rows) {
    if (firstRow == -1 && lastRow == -1) {
        firstRow = 0;
        lastRow = rows - 1;
    }
}
}  // namespace

HOST_API StatusInt mdlDialog_listBoxSetStrListP(DialogItem* item, StringList* list, int columns) {
    ItemState* it = listItem(item);
    if (!it || columns < 1) return HOST_ERROR;
    setRowSource(it, list, nullptr, columns);
    return HOST_SUCCESS;
}

HOST_API StringList* mdlDialog_listBoxGetStrListP(DialogItem* item) {
    ItemState* it = listItem(item);
    return it ? it->strList : nullptr;
}

HOST_API StatusInt mdlDialog_listBoxSetListModelP(DialogItem* item, ListModel* model, int columns) {
    ItemState* it = listItem(item);
    if (!it) return HOST_ERROR;
    setRowSource(it, nullptr, model, model ? model->columns : std::max(columns, 1));
    return HOST_SUCCESS;
}

HOST_API ListModel* mdlDialog_listBoxGetListModelP(DialogItem* item) {
    ItemState* it = listItem(item);
    return it ? it->model : nullptr;
}

HOST_API StatusInt mdlDialog_comboBoxSetListModelP(DialogItem* item, ListModel* model) {
    return mdlDialog_listBoxSetListModelP(item, model, model ? model->columns : 1);
}

HOST_API ListModel* mdlDialog_comboBoxGetListModelP(DialogItem* item) { return mdlDialog_listBoxGetListModelP(item); }

HOST_API ListModel* mdlDialog_comboBoxGetHostListModelP(int32_t id) {
    switch (id) {
    case COMBOBOX_HOST_FONTS: return mdlLevelList_getFontListModel(nullptr);
    case COMBOBOX_HOST_TEXTSTYLES: return mdlLevelList_getTextStyleListModel(nullptr);
    default: return nullptr;
    }
}

HOST_API int mdlDialog_listBoxNRows(DialogItem* item) {
    ItemState* it = listItem(item);
    return it ? rowCount(*it) : 0;
}

HOST_API StatusInt mdlDialog_listBoxSelectCells(DialogItem* item, int firstRow, int lastRow, int firstColumn,
                                                int lastColumn, BoolInt select, BoolInt redraw) {
    ItemState* it = listItem(item);
    if (!it) return HOST_ERROR;
    int rows = rowCount(*it);
    expandAllRows(firstRow, lastRow, rows);
    if (firstRow < 0 || lastRow >= rows || firstRow > lastRow) return rows == 0 && lastRow < firstRow ? HOST_SUCCESS : HOST_ERROR;
    if (select && !(it->pub.attributes & sim::ITEMATTR_MULTISELECT)) {
        it->selected.clear();
        lastRow = firstRow;
    }
    for (int r = firstRow; r <= lastRow; ++r) {
        if (select) it->selected.insert(r);
        else it->selected.erase(r);
    }
    if (redraw) drawItem(it->db, it);
    return HOST_SUCCESS;
}

HOST_API StatusInt mdlDialog_listBoxGetNextSelection(BoolInt* found, int* row, int* column, DialogItem* item) {
    ItemState* it = listItem(item);
    if (found) *found = 0;
    if (!it || !row) return HOST_ERROR;
    auto next = it->selected.upper_bound(*row);
    if (next == it->selected.end()) return HOST_SUCCESS;
    *row = *next;
    if (column) *column = 0;
    if (found) *found = 1;
    return HOST_SUCCESS;
}

HOST_API StatusInt mdlDialog_listBoxGetDisplayRange(int* topRow, int* visibleRows, DialogItem* item) {
    ItemState* it = listItem(item);
    if (!it) return HOST_ERROR;
    const std::string* r = property(*it, "rows");
    if (topRow) *topRow = it->topRow;
    if (visibleRows) *visibleRows = r ? std::max(1, std::atoi(r->c_str())) : 10;
    return HOST_SUCCESS;
}

HOST_API StatusInt mdlDialog_listBoxSetTopRow(DialogItem* item, int row) {
    ItemState* it = listItem(item);
    if (!it || row < 0 || (row > 0 && row >= rowCount(*it))) return HOST_ERROR;
    it->topRow = row;
    return HOST_SUCCESS;
}

HOST_API StatusInt mdlDialog_listBoxDrawContents(DialogItem* item, int firstRow, int lastRow) {
    ItemState* it = listItem(item);
    if (!it) return HOST_ERROR;
    int rows = rowCount(*it);
    expandAllRows(firstRow, lastRow, rows);
    clampSelection(it);
    for (int r = std::max(firstRow, 0); r <= std::min(lastRow, rows - 1) && active(it->db); ++r) sendDraw(it->db, it, r);
    return HOST_SUCCESS;
}

HOST_API StatusInt mdlDialog_listBoxGetCellText(char* buffer, int size, DialogItem* item, int row, int column) {
    ItemState* it = listItem(item);
    if (!it || !buffer || row < 0 || row >= rowCount(*it) || column < 0 || column >= std::max(it->columns, 1))
        return HOST_ERROR;
    sim::copyFixed(buffer, size, cellText(*it, row, column));
    return HOST_SUCCESS;
}

HOST_API ListModel* mdlListModel_create(int columns) {
    if (columns < 1) return nullptr;
    auto* m = new (std::nothrow) ListModel;
    if (m) m->columns = columns;
    return m;
}

HOST_API void mdlListModel_destroy(ListModel* model) {
    if (!model) return;
    /* Items that show it forget it. */
    for (auto& d : state.open)
        for (auto& it : d->items)
            if (it->model == model) it->model = nullptr;
    delete model;
}

HOST_API int mdlListModel_getRowCount(const ListModel* model) { return model ? static_cast<int>(model->rows.size()) : 0; }
HOST_API int mdlListModel_getColumnCount(const ListModel* model) { return model ? model->columns : 0; }

HOST_API ListRow* mdlListModel_insertRow(ListModel* model, int index) {
    if (!model || index < -1 || index > static_cast<int>(model->rows.size())) return nullptr;
    auto row = std::make_unique<ListRow>();
    row->cells.resize(static_cast<size_t>(model->columns));
    ListRow* p = row.get();
    if (index < 0) model->rows.push_back(std::move(row));
    else model->rows.insert(model->rows.begin() + index, std::move(row));
    return p;
}

HOST_API StatusInt mdlListModel_removeRows(ListModel* model, int index, int count) {
    if (!model || index < 0 || count < 0 || index + count > static_cast<int>(model->rows.size())) return HOST_ERROR;
    model->rows.erase(model->rows.begin() + index, model->rows.begin() + index + count);
    return HOST_SUCCESS;
}

HOST_API ListRow* mdlListModel_getRowAtIndex(const ListModel* model, int index) {
    if (!model || index < 0 || index >= static_cast<int>(model->rows.size())) return nullptr;
    return model->rows[static_cast<size_t>(index)].get();
}

HOST_API ListCell* mdlListRow_getCellAtIndex(const ListRow* row, int column) {
    if (!row || column < 0 || column >= static_cast<int>(row->cells.size())) return nullptr;
    return const_cast<ListCell*>(&row->cells[static_cast<size_t>(column)]);
}

HOST_API StatusInt mdlListCell_setStringValue(ListCell* cell, const char* text) {
    if (!cell || !text) return HOST_ERROR;
    cell->text = text;
    return HOST_SUCCESS;
}
HOST_API const char* mdlListCell_getStringValue(const ListCell* cell) { return cell ? cell->text.c_str() : nullptr; }
HOST_API StatusInt mdlListCell_setLongValue(ListCell* cell, int64_t value) {
    if (!cell) return HOST_ERROR;
    cell->value = value;
    return HOST_SUCCESS;
}
HOST_API int64_t mdlListCell_getLongValue(const ListCell* cell) { return cell ? cell->value : 0; }
HOST_API BoolInt mdlListCell_isEditable(const ListCell* cell) { return cell && cell->editable; }
HOST_API StatusInt mdlListCell_setEditable(ListCell* cell, BoolInt editable) {
    if (!cell) return HOST_ERROR;
    cell->editable = editable != 0;
    return HOST_SUCCESS;
}
