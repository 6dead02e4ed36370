/* Plot scales: the shared plot-scale record with its table of labels and
** values, start-up from ZM_PLOTSCALES, the settings file (string list 20001),
** setting the active scale with the notification of every application, and
** the plot-scale dialog 20026 with its five hooks. State: the open dialog
** and the column being edited. */
#include "lib/core/plotscale.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <string>

#include "host/mdlcontrol.h"
#include "host/mdldialog.h"
#include "host/mdlgeom.h"
#include "host/mdlresource.h"
#include "host/mdlsystem.h"
#include "lib/core/error.h"
#include "lib/core/main_int.h"
#include "lib/core/plotscale_int.h"
#include "lib/core/text_int.h"
#include "lib/core/upf.h"

namespace {

using namespace zmlib::plotscale;

struct PlotScaleState {
    DialogBox* dialog;  /* the open plot-scale dialog, or null */
    int editColumn;     /* column of the cell being edited */
};
PlotScaleState state{};

double fallbackScale = 1.0;  /* answered before any application started */


const char* const DEFAULT_LABELS[] = {"1:1",   "1:2",   "1:5",   "1:10",   "1:20",   "1:25",   "1:50",   "1:100",
                                      "1:200", "1:250", "1:500", "1:1000", "1:2000", "1:5000", "1:10000"};
static_assert(std::size(DEFAULT_LABELS) == 15);

double epsilon() { return fc_epsilonP ? *fc_epsilonP : 1.0e-5; }

ListModel* table() {
    ZmPlotScale* r = record();
    return r ? r->table : nullptr;
}

int rowCount() { return table() ? mdlListModel_getRowCount(table()) : 0; }

ListCell* cell(int row, int column) {
    ListRow* r = table() ? mdlListModel_getRowAtIndex(table(), row) : nullptr;
    return r ? mdlListRow_getCellAtIndex(r, column) : nullptr;
}

const char* cellText(int row, int column) {
    ListCell* c = cell(row, column);
    const char* text = c ? mdlListCell_getStringValue(c) : nullptr;
    return text ? text : "";
}

void setCellText(int row, int column, const char* text) {
    if (ListCell* c = cell(row, column)) mdlListCell_setStringValue(c, text);
}

std::string valueText(double value) {
    char text[64];
    std::snprintf(text, sizeof text, "%.6f", value);
    return text;
}

/* Parse TEXT as a whole number; false when it is not one. */
bool parseNumber(const char* text, double* value) {
    if (!text || !*text) return false;
    char* end = nullptr;
    double v = std::strtod(text, &end);
    while (end && (*end == ' ' || *end == '\t')) ++end;
    if (end == text || (end && *end)) return false;
    *value = v;
    return true;
}

/* Insert a row before INDEX (-1: at the end) with LABEL and VALUE, both editable. */
bool addRow(ListModel* model, int index, const char* label, const char* value) {
    ListRow* row = mdlListModel_insertRow(model, index);
    if (!row) return false;
    for (int column = 0; column < 2; ++column) {
        ListCell* c = mdlListRow_getCellAtIndex(row, column);
        if (!c) return false;
        mdlListCell_setStringValue(c, column == COLUMN_LABEL ? label : value);
        mdlListCell_setEditable(c, 1);
    }
    return true;
}

/* The value of a new row made from LABEL: the number after its first two characters. */
double labelValue(const char* label) {
    return label && std::strlen(label) >= 2 ? std::atof(label + 2) : 0.0;
}

void replaceTable(ListModel* model) {
    ZmPlotScale* r = record();
    if (!r) {
        mdlListModel_destroy(model);
        return;
    }
    ListModel* old = r->table;
    r->table = model;
    if (state.dialog)
        if (DialogItem* list = mdlDialog_itemGetByTypeAndId(state.dialog, ITEMTYPE_LISTBOX, ITEM_LIST, 0)) {
            mdlDialog_listBoxSetListModelP(list, model, 2);
            mdlDialog_listBoxDrawContents(list, -1, -1);
        }
    if (old) mdlListModel_destroy(old);
}

/* Give option button ITEM one entry per row (label, row index) and refresh it. */
void fillPicker(DialogBox* db, DialogItem* item) {
    if (!item) return;
    mdlDialog_optionButtonDeleteItem(item, -1);
    for (int i = 0; i < rowCount(); ++i) mdlDialog_optionButtonInsertItem(item, -1, cellText(i, COLUMN_LABEL), 0, 0, i);
    mdlDialog_itemSynch(db, item->itemIndex);
    mdlDialog_itemDraw(db, item->itemIndex);
}

void refreshDialog(DialogBox* db) {
    if (!db) return;
    if (DialogItem* list = mdlDialog_itemGetByTypeAndId(db, ITEMTYPE_LISTBOX, ITEM_LIST, 0))
        mdlDialog_listBoxDrawContents(list, -1, -1);
    fillPicker(db, mdlDialog_itemGetByTypeAndId(db, ITEMTYPE_OPTIONBUTTON, ITEM_OPTION, 0));
}

/* The first selected row of the dialog's list box, -1 when none. */
int selectedRow(DialogBox* db) {
    DialogItem* list = mdlDialog_itemGetByTypeAndId(db, ITEMTYPE_LISTBOX, ITEM_LIST, 0);
    if (!list) return -1;
    BoolInt found = 0;
    int row = -1, column = -1;
    mdlDialog_listBoxGetNextSelection(&found, &row, &column, list);
    return found ? row : -1;
}

/* Ask for a plot-scale file with TITLE and answer its name (empty: cancelled). */
std::string askFile(bool create, int titleText) {
    char title[1024];
    zmlib::copyFixed(title, zmlibUtil_getLanguageText(titleText));
    char name[MAXFILELENGTH] = "";
    int status = create ? zmlibUpf_defFileCreate(name, "", "*.rsc", nullptr, title, FILE_DIALOG_ID)
                        : zmlibUpf_defFileOpen(name, "", "*.rsc", nullptr, title, FILE_DIALOG_ID);
    return status == 0 ? std::string(name) : std::string();
}

/* ---- Hooks of dialog 20026 ------------------------------------------------------ */

void plotScaleHook_dialog(DialogMessage* m) {
    m->msgUnderstood = 1;
    switch (m->messageType) {
    case DIALOG_MESSAGE_CREATE:
        state.dialog = m->db;
        break;
    case DIALOG_MESSAGE_DESTROY:
        if (state.dialog == m->db) state.dialog = nullptr;
        break;
    case DIALOG_MESSAGE_BUTTON:
        if (m->u.button.eventCode == BUTTONEVENT_POPUP && m->u.button.itemP &&
            m->u.button.itemP->type == ITEMTYPE_LISTBOX && m->u.button.itemP->id == ITEM_LIST)
            m->u.button.popupMenuId = POPUP_MENU;
        break;
    default:
        m->msgUnderstood = 0;
    }
}

void plotScaleHook_listBox(DialogItemMessage* m) {
    m->msgUnderstood = 1;
    switch (m->messageType) {
    case DITEM_MESSAGE_CREATE:
        mdlDialog_listBoxSetListModelP(m->dialogItemP, table(), 2);
        break;
    case DITEM_MESSAGE_BUTTON:
        if (m->u.button.transition == BUTTONTRANS_UP && m->u.button.clicks == 2) state.editColumn = m->u.button.column;
        break;
    case DITEM_MESSAGE_CELLEDITEND:
        recalculateRow(m->u.cellEdit.row, m->u.cellEdit.column);
        refreshDialog(m->db);
        break;
    default:
        m->msgUnderstood = 0;
    }
}

void plotScaleHook_option(DialogItemMessage* m) {
    m->msgUnderstood = 1;
    switch (m->messageType) {
    case DITEM_MESSAGE_CREATE:
        mdlDialog_optionButtonDeleteItem(m->dialogItemP, -1);
        for (int i = 0; i < rowCount(); ++i)
            mdlDialog_optionButtonInsertItem(m->dialogItemP, -1, cellText(i, COLUMN_LABEL), 0, 0, i);
        break;
    case DITEM_MESSAGE_STATECHANGED: {
        ZmPlotScale* r = record();
        if (!r) break;
        double old = r->activeScale;
        applyActiveRow();
        zmlib::main::notifyScaleChange(old, r->activeScale, 1);
        break;
    }
    default:
        m->msgUnderstood = 0;
    }
}

void rowAction(DialogBox* db, int value) {
    int row = selectedRow(db);
    if (row < 0) return;
    bool changed = value == 0 ? insertRowAfter(row) : deleteRow(row);
    if (changed) refreshDialog(db);
}

void plotScaleHook_rowButton(DialogItemMessage* m) {
    m->msgUnderstood = 1;
    if (m->messageType == DITEM_MESSAGE_ACTIVATE)
        rowAction(m->db, m->dialogItemP->id == ITEM_ROW_DELETE ? 1 : 0);
    else if (m->messageType == DITEM_MESSAGE_MENUPICK)
        rowAction(m->db, m->u.menuPick.entryId == 1 ? 1 : 0);
    else
        m->msgUnderstood = 0;
}

void plotScaleHook_fileButton(DialogItemMessage* m) {
    m->msgUnderstood = 1;
    if (m->messageType != DITEM_MESSAGE_ACTIVATE) {
        m->msgUnderstood = 0;
        return;
    }
    int id = m->dialogItemP->id;
    if (id == ITEM_FILE_NEW) {
        std::string name = askFile(true, TEXT_TITLE_NEW);
        if (!name.empty() && mdlResource_createFile(name.c_str(), "Plotscales", 0) != RSC_SUCCESS)
            zmlibError_rscMsgBoxPrintf(ZMLIB_MSGBOX_INFO_OK, ZMLIB_LIST_ERRORS, 1, name.c_str());
        return;
    }
    bool save = id == ITEM_FILE_SAVE;
    std::string name = askFile(false, save ? TEXT_TITLE_SAVE : TEXT_TITLE_READ);
    if (name.empty()) return;
    ZmResourceFile file{};
    if (zmlibResource_openFile(&file, name.c_str(), save ? 1 : 0) != ZMLIB_SUCCESS) return;
    if (save) zmlibPlotScale_saveSettings(&file);
    else zmlibPlotScale_readSettings(&file);
    zmlibResource_closeFile(&file);
    refreshDialog(m->db);
}

const DialogHookInfo plotScaleHooks[] = {
    {HOOK_DIALOG,      reinterpret_cast<void*>(plotScaleHook_dialog)},
    {HOOK_LIST,        reinterpret_cast<void*>(plotScaleHook_listBox)},
    {HOOK_OPTION,      reinterpret_cast<void*>(plotScaleHook_option)},
    {HOOK_ROW_BUTTON,  reinterpret_cast<void*>(plotScaleHook_rowButton)},
    {HOOK_FILE_BUTTON, reinterpret_cast<void*>(plotScaleHook_fileButton)},
};
static_assert(std::size(plotScaleHooks) == 5);

}  // namespace

namespace zmlib::plotscale {

ZmPlotScale* record() { return static_cast<ZmPlotScale*>(zmlib::main::sharedRecords().plotScale); }

void buildDefaultTable() {
    ListModel* model = mdlListModel_create(2);
    if (!model) return;
    double value = 0;
    for (const char* label : DEFAULT_LABELS) {
        value = labelValue(label);
        if (!addRow(model, -1, label, valueText(value).c_str())) break;
    }
    replaceTable(model);
    if (ZmPlotScale* r = record()) {
        r->activeRow = 0;
        r->activeScale = 1.0;
    }
}

void startUp() {
    char name[MAXFILELENGTH], found[MAXFILELENGTH];
    if (mdlSystem_getCfgVar(name, "ZM_PLOTSCALES", sizeof name) == 0 && name[0] &&
        mdlFile_find(found, name, "ZM_DATA", nullptr) == 0) {
        ZmResourceFile file{};
        if (zmlibResource_openFile(&file, found, 0) == ZMLIB_SUCCESS) {
            int status = zmlibPlotScale_readSettings(&file);
            zmlibResource_closeFile(&file);
            if (status == ZMLIB_SUCCESS) return;
        }
    }
    buildDefaultTable();
}

void applyActiveRow() {
    ZmPlotScale* r = record();
    if (!r) return;
    r->activeScale = 1.0;
    if (r->activeRow < 0 || r->activeRow >= rowCount()) return;
    double value = 0;
    if (parseNumber(cellText(r->activeRow, COLUMN_VALUE), &value) && value > 0) r->activeScale = value;
}

double rowValue(int row) {
    double value = 0;
    return parseNumber(cellText(row, COLUMN_VALUE), &value) ? value : 0.0;
}

void recalculateRow(int row, int column) {
    if (row < 0 || row >= rowCount()) return;
    if (column == COLUMN_VALUE) {
        double value = 0;
        if (!parseNumber(cellText(row, COLUMN_VALUE), &value) || !(value > 0)) value = 1.0;
        setCellText(row, COLUMN_VALUE, valueText(value).c_str());
        return;
    }
    std::string label = cellText(row, COLUMN_LABEL);
    size_t colon = label.find(':');
    if (colon == std::string::npos) return;
    double a = std::atof(label.substr(0, colon).c_str());
    double b = std::atof(label.substr(colon + 1).c_str());
    if (a > 0 && b > 0) setCellText(row, COLUMN_VALUE, valueText(b / a).c_str());
}

bool insertRowAfter(int row) {
    ZmPlotScale* r = record();
    if (!r || row < 0 || row >= rowCount()) return false;
    std::string label = cellText(row, COLUMN_LABEL);
    if (!addRow(r->table, row + 1, label.c_str(), valueText(labelValue(label.c_str())).c_str())) return false;
    if (row < r->activeRow) ++r->activeRow;
    return true;
}

bool deleteRow(int row) {
    ZmPlotScale* r = record();
    if (!r || row < 0 || row >= rowCount() || rowCount() <= 1) return false;
    if (mdlListModel_removeRows(r->table, row, 1) != 0) return false;
    if (row <= r->activeRow) --r->activeRow;
    return true;
}

void publishHooks() { mdlDialog_hookPublish(static_cast<int>(std::size(plotScaleHooks)), plotScaleHooks); }

void releaseTable() {
    if (ZmPlotScale* r = record()) {
        if (r->table) mdlListModel_destroy(r->table);
        r->table = nullptr;
    }
    state = PlotScaleState{};
}

}  // namespace zmlib::plotscale

extern "C" ZMLIB_API double* zmlibPlotScale_getActiveScaleP(void) {
    ZmPlotScale* r = record();
    return r ? &r->activeScale : &fallbackScale;
}

extern "C" ZMLIB_API int zmlibPlotScale_setActiveScale(double scale, int notifySelf) {
    ZmPlotScale* r = record();
    if (!r || !r->table) return ZMLIB_ERROR;
    if (std::fabs(scale - r->activeScale) < epsilon()) return ZMLIB_SUCCESS;
    for (int i = 0; i < rowCount(); ++i) {
        double value = rowValue(i);
        if (std::fabs(value - scale) > epsilon()) continue;
        double old = r->activeScale;
        r->activeScale = value;
        r->activeRow = i;
        mdlDialog_synonymsSynch(0, SYNONYM_LIST, nullptr);
        zmlib::main::notifyScaleChange(old, value, notifySelf);
        return ZMLIB_SUCCESS;
    }
    return ZMLIB_ERROR;
}

extern "C" ZMLIB_API int zmlibPlotScale_readSettings(ZmResourceFile* file) {
    ZmPlotScale* r = record();
    if (!r) return ZMLIB_ERROR;
    StringList* list = zmlibResource_loadStringList(file, STRING_LIST_ID);
    if (!list) return ZMLIB_ERROR;
    ListModel* model = mdlListModel_create(2);
    if (!model) {
        mdlStringList_destroy(list);
        return ZMLIB_ERROR;
    }
    int members = mdlStringList_size(list);
    int active = -1;
    bool hasInfo = mdlStringList_infoFieldCount(list) > 0;
    for (int i = 0; i + 1 < members; i += 2) {
        const char* label = nullptr;
        const char* value = nullptr;
        mdlStringList_getMember(&label, nullptr, list, i);
        mdlStringList_getMember(&value, nullptr, list, i + 1);
        int32_t flag = 0;
        if (hasInfo) mdlStringList_getInfoField(&flag, list, i, 0);
        if (!addRow(model, -1, label ? label : "", value ? value : "")) {
            mdlStringList_destroy(list);
            mdlListModel_destroy(model);
            return ZMLIB_ERROR;
        }
        if (flag) active = i / 2;
    }
    mdlStringList_destroy(list);
    double old = r->activeScale;
    replaceTable(model);
    r->activeRow = active;
    zmlib::plotscale::applyActiveRow();
    if (std::fabs(r->activeScale - old) > epsilon()) zmlib::main::notifyScaleChange(old, r->activeScale, 0);
    return ZMLIB_SUCCESS;
}

extern "C" ZMLIB_API int zmlibPlotScale_saveSettings(ZmResourceFile* file) {
    ZmPlotScale* r = record();
    if (!r || !r->table) return ZMLIB_ERROR;
    int rows = rowCount();
    StringList* list = mdlStringList_create(2 * rows, 1);
    if (!list) return ZMLIB_ERROR;
    for (int i = 0; i < rows; ++i) {
        int32_t activeFlag = i == r->activeRow ? 1 : 0, zero = 0;
        mdlStringList_setMember(list, 2 * i, cellText(i, COLUMN_LABEL), &activeFlag);
        mdlStringList_setMember(list, 2 * i + 1, cellText(i, COLUMN_VALUE), &zero);
    }
    int status = zmlibResource_addStringList(file, STRING_LIST_ID, list);
    mdlStringList_destroy(list);
    return status;
}

extern "C" ZMLIB_API void zmlibPlotScale_dialogOpen(void) {
    ZmPlotScale* r = record();
    if (!r) return;
    int rowBefore = r->activeRow;
    int action = 0;
    mdlDialog_openModal(&action, 0, DIALOG_PLOT_SCALE);
    // Other dialogs carry a plot-scale picker: give it the rows as they are now.
    for (DialogBox* db = mdlDialog_nextOpen(nullptr); db; db = mdlDialog_nextOpen(db))
        fillPicker(db, mdlDialog_itemGetByTypeAndId(db, ITEMTYPE_OPTIONBUTTON, ITEM_PICKER, 0));
    if (r->activeRow < rowBefore) {
        double old = r->activeScale;
        zmlib::plotscale::applyActiveRow();
        if (std::fabs(r->activeScale - old) > epsilon()) zmlib::main::notifyScaleChange(old, r->activeScale, 1);
    }
}
