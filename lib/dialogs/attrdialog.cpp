/* The attribute dialog (20013) with its edit dialog (20017) and level list
** (20025): the hooks behind their resources. State: AttrDialogState, the one
** open dialog's list, menu bar state and content height, and the records the
** dialogs' items reach ("zmAttrP", the current attribute; "zmAttrEditP"). */
#include "lib/dialogs/attrdialog.h"

#include <cstdio>
#include <cstring>
#include <iterator>
#include <string>

#include "host/mdldialog.h"
#include "host/mdlelement.h"
#include "host/mdlgeom.h"
#include "host/mdllevel.h"
#include "host/mdlresource.h"
#include "host/mdlsystem.h"
#include "lib/core/main.h"
#include "lib/core/text_int.h"
#include "lib/core/util.h"
#include "lib/dialogs/attrdialog_int.h"
#include "lib/elements/elmattr_int.h"

namespace {

using namespace zmlib::attrdialog;
using zmlib::elmattr::SetView;

enum : int {
    HOOK_DIALOG = 20203,
    HOOK_LIST = 20043,
    HOOK_GROUP = 20044,
    HOOK_COLOUR_TOGGLE = 20039,
    HOOK_STYLE_TOGGLE = 20040,
    HOOK_WEIGHT_TOGGLE = 20041,
    HOOK_LEVEL_TOGGLE = 20042,
    HOOK_CLASS_TOGGLE = 20050,
    HOOK_TEXTSTYLE_TOGGLE = 20104,
    HOOK_FONT_TOGGLE = 20046,
    HOOK_SIZE_TOGGLE = 20047,
    HOOK_JUST_TOGGLE = 20048,
    HOOK_SLANT_TOGGLE = 20049,
    HOOK_STYLE_WIDTH_TOGGLE = 20051,
    HOOK_STYLE_SCALE_TOGGLE = 20052,
    HOOK_DECIMAL_TEXT = 20045,
    HOOK_SYMBOLOGY_COMBO = 20093,
    HOOK_FONT_COMBO = 20100,
    HOOK_TEXTSTYLE_COMBO = 20105,
    HOOK_LEVEL_BUTTON = 20094,
    HOOK_LEVEL_LIST = 20095,
    HOOK_EDIT_DIALOG = 20200,
    HOOK_MENU_EDIT = 20063,
    HOOK_MENU_INSERT = 20064,
    HOOK_MENU_ADD = 20065,
    HOOK_MENU_DELETE = 20066,
    HOOK_MENU_UP = 20102,
    HOOK_MENU_DOWN = 20103,
    /* Combo boxes 20093 by item id: what their list model holds. */
    ITEM_COLOUR_COMBO = 20001,
    ITEM_STYLE_COMBO = 20002,
    ITEM_WEIGHT_COMBO = 20003,
    /* Toggles of the attribute edit dialog that only text attributes have. */
    ITEM_EDIT_TEXT_FIRST = 20017,
    ITEM_EDIT_TEXT_LAST = 20020,
    ITEM_ATTR_SKIP_RESIZE = 0x20,   /* item attribute: not counted by the resize */
    VISIBLE_LIST_ROWS = 10,
};

/* A row of controls: its toggle, the bit it switches and how many items
** after the toggle belong to it. */
struct ControlRow {
    int32_t toggleId;
    uint32_t bit;
    int dependents;
};

const ControlRow propertyRows[] = {
    {20001, ZMATTR_COLOUR,    1},
    {20002, ZMATTR_LINESTYLE, 5},
    {20003, ZMATTR_WEIGHT,    1},
    {20004, ZMATTR_LEVEL,     2},
    {20009, ZMATTR_CLASS,     1},
};
const ControlRow textStyleRow = {20021, ZMATTR_TEXTSTYLE, 1};
const ControlRow fontRow = {20005, ZMATTR_FONT, 1};
const ControlRow sizeRow = {20006, ZMATTR_TEXTSIZE, 4};
const ControlRow justificationRow = {20007, ZMATTR_JUSTIFICATION, 1};
const ControlRow slantRow = {20008, ZMATTR_SLANT, 1};

struct AttrDialogState {
    DialogBox* dialog;            /* dialog 20013 while it is open */
    StringList* list;             /* the rows of the list box, owned */
    int menuBarShown;             /* -1: not decided yet */
    int contentHeight;            /* the lowest item edge of the last resize, 0 after creation */
    int firstWidth;               /* the dialog's width when it was built */
    ZmAttribute* current;         /* what "zmAttrP" points at */
    EditRequest editRequest;      /* what "zmAttrEditP" points at */
    EditRequest* editRequestP;
    ListModel* levelModel;        /* rows of the level list while it is open */
};
AttrDialogState state{nullptr, nullptr, -1, 0, 0, nullptr, {}, nullptr, nullptr};

SetView caller() { return zmlib::elmattr::callerSet(); }

ZmAttribute* currentAttribute() {
    SetView set = caller();
    return set.gd ? set.current() : nullptr;
}

int selectedId() {
    SetView set = caller();
    return set.gd ? set.gd->attribSetSelection : -1;
}

void setSelectedId(int id) {
    if (ZmGlobalData* gd = caller().gd) gd->attribSetSelection = id;
}

DialogItem* item(DialogBox* db, uint32_t type, int32_t id) { return mdlDialog_itemGetByTypeAndId(db, type, id, 0); }

void showItem(DialogBox* db, DialogItem* it, bool show) {
    if (!it) return;
    if (show) mdlDialog_itemShow(db, it->itemIndex);
    else mdlDialog_itemHide(db, it->itemIndex);
}

void enableItem(DialogBox* db, DialogItem* it, bool enable) {
    if (it) mdlDialog_itemSetEnabledState(db, it->itemIndex, enable ? 1 : 0, 0);
}

/* The item OFFSET places after IT, or null. */
DialogItem* after(DialogBox* db, DialogItem* it, int offset) {
    return it ? mdlDialog_itemGetByIndex(db, it->itemIndex + offset) : nullptr;
}

/* ---- The list's short forms --------------------------------------------------------- */

const char* justificationCode(int justification) {
    switch (justification) {
    case 0: return "LT";
    case 1: return "LC";
    case 2: return "LB";
    case 6: return "CT";
    case 7: return "CC";
    case 8: return "CB";
    case 12: return "RT";
    case 13: return "RC";
    case 14: return "RB";
    default: return "";
    }
}

/* PIECE with each "%s" replaced by NUMBER, a "%.Nf" format. */
std::string withNumberFormat(const char* piece, const std::string& number) {
    std::string out;
    for (const char* p = piece; *p; ++p) {
        if (p[0] == '%' && p[1] == 's') {
            out += number;
            ++p;
        } else {
            out += *p;
        }
    }
    return out;
}

template <class... A>
std::string formatted(const std::string& format, A... args) {
    char text[512];
    std::snprintf(text, sizeof text, format.c_str(), args...);
    return text;
}

std::string multibyte(const MSWChar* wide, size_t size) {
    char text[ZMATTR_LEVEL_NAME_SIZE * 2];
    text[0] = '\0';
    MSWChar copy[ZMATTR_LEVEL_NAME_SIZE + 1] = {};
    std::memcpy(copy, wide, std::min(size, static_cast<size_t>(ZMATTR_LEVEL_NAME_SIZE)) * sizeof(MSWChar));
    mdlCnv_convertUnicodeToMultibyte(copy, -1, text, sizeof text);
    return text;
}

std::string boundedText(const char* text, size_t size) { return std::string(text, strnlen(text, size)); }

std::string furtherColumn(const ZmAttribute& a, int decimals) {
    const ZmAttributeData& d = a.data;
    std::string number = formatted("%%.%df", decimals);
    std::string out;
    switch (a.kind) {
    case ZMATTR_KIND_SYMBOL: out = formatted("SY=%d", d.extra.symbol.number); break;
    case ZMATTR_KIND_SYMBOL_SIZE:
        out = formatted("SY=%d,", d.extra.symbol.number) +
              formatted(withNumberFormat("SI=%s", number), d.extra.symbol.size);
        break;
    case ZMATTR_KIND_SYMBOL_STRING:
        out = formatted("SY=%d,", d.extra.symbol.number) +
              formatted(withNumberFormat("SI=%s,", number), d.extra.symbol.size) + "\"" +
              boundedText(d.extra.symbol.text, sizeof d.extra.symbol.text) + "\"";
        break;
    case ZMATTR_KIND_TEXT:
    case ZMATTR_KIND_TEXT_STRING:
    case ZMATTR_KIND_TEXT_OPTION: {
        uint32_t A = d.applyMask;
        if ((A & ZMATTR_TEXTSTYLE) && d.extra.textStyleName[0])
            out += "TS=" + multibyte(d.extra.textStyleName, std::size(d.extra.textStyleName)) + ",";
        if (A & ZMATTR_FONT) out += formatted("FO=%d,", d.font);
        if (A & ZMATTR_TEXTSIZE)
            out += formatted(withNumberFormat("SI=%s/%s/%s,", number), d.textHeight, d.textWidth, d.lineSpacing);
        if (A & ZMATTR_JUSTIFICATION) out += std::string("JU=") + justificationCode(d.justification) + ",";
        if (a.kind == ZMATTR_KIND_TEXT && (A & ZMATTR_SLANT))
            out += formatted(withNumberFormat("SL=%s,", number), d.text.slantAngle);
        if (a.kind == ZMATTR_KIND_TEXT_STRING) out += "\"" + boundedText(d.text.string, sizeof d.text.string) + "\"";
        else if (!out.empty() && out.back() == ',') out.pop_back();
        break;
    }
    default: break;
    }
    return out;
}

/* ---- The list ---------------------------------------------------------------------- */

int currentGroup() {
    ZmAttribute* c = currentAttribute();
    return c ? c->groupId : 0;
}

const ZmAttributeGroup* groupOf(int groupId) { return zmlib::elmattr::findGroup(groupId); }

bool groupEditable(int groupId) {
    const ZmAttributeGroup* g = groupOf(groupId);
    return g && (g->flags & ZMATTR_GROUP_USER_EDITABLE);
}

void setRowTexts(StringList* list, int row, const ZmAttribute& a) {
    std::string columns[LIST_COLUMNS];
    rowTexts(a, zmlibUtil_getCoordinateReadoutAccuracy(2), columns);
    for (int c = 0; c < LIST_COLUMNS; ++c) {
        int32_t info = a.id;
        mdlStringList_setMember(list, row * LIST_COLUMNS + c, columns[c].c_str(), &info);
    }
}

DialogItem* listItem(DialogBox* db) { return db ? item(db, ITEMTYPE_LISTBOX, ITEM_LIST) : nullptr; }

/* The attribute id of list row ROW, -1 when there is none. */
int rowAttributeId(int row) {
    int32_t id = -1;
    if (!state.list || row < 0) return -1;
    if (mdlStringList_getInfoField(&id, state.list, row * LIST_COLUMNS, 0) != 0) return -1;
    return id;
}

int rowOfAttribute(int id) {
    int rows = state.list ? mdlStringList_size(state.list) / LIST_COLUMNS : 0;
    for (int r = 0; r < rows; ++r)
        if (rowAttributeId(r) == id) return r;
    return -1;
}

void buildList(DialogBox* db) {
    DialogItem* list = listItem(db);
    if (list) mdlDialog_listBoxSetStrListP(list, nullptr, LIST_COLUMNS);
    if (state.list) mdlStringList_destroy(state.list);
    state.list = mdlStringList_create(0, 1);
    SetView set = caller();
    if (!state.list || !set.gd) return;
    int group = currentGroup();
    int row = 0;
    for (ZmAttribute* a = set.head(); a; a = a->next) {
        if (a->id >= set.nextId()) set.nextId() = a->id + 1;
        if (a->groupId != group) continue;
        int index = 0;
        if (mdlStringList_insertMember(&index, state.list, -1, LIST_COLUMNS) != 0) break;
        setRowTexts(state.list, row++, *a);
    }
    if (list) {
        mdlDialog_listBoxSetStrListP(list, state.list, LIST_COLUMNS);
        mdlDialog_listBoxDrawContents(list, -1, -1);
    }
}

int selectedRow(DialogBox* db) {
    DialogItem* list = listItem(db);
    if (!list) return -1;
    BoolInt found = 0;
    int row = -1, column = -1;
    mdlDialog_listBoxGetNextSelection(&found, &row, &column, list);
    return found ? row : -1;
}

/* ---- Callbacks ------------------------------------------------------------------------ */

void callCallback(DialogBox* db, const ZmAttribute& a, int reason) {
    if (!a.callback) return;
    ZmAttributeCallbackRecord record{};
    record.dialog = db;
    record.attributeId = a.id;
    record.reason = reason;
    record.groupId = a.groupId;
    record.label = a.label;
    record.kind = a.kind;
    record.data = a.data;
    dlmSystem_callAnyFunction("P", mdlSystem_getCurrMdlDesc(), reinterpret_cast<void*>(a.callback), &record);
}

/* ---- Kind rules ------------------------------------------------------------------------- */

void resize(DialogBox* db);

/* Show or enable the items of toggle IT by the toggle rule with bits M. */
void applyToggleRule(DialogBox* db, DialogItem* it, uint32_t M, bool free) {
    ZmAttribute* c = currentAttribute();
    if (!it || !c) return;
    uint32_t A = c->data.applyMask;
    bool applied = (A & M) != 0;
    DialogItem* value = after(db, it, 1);
    showItem(db, value, true);
    enableItem(db, value, free && applied);
    if (M & ZMATTR_LEVEL) showItem(db, after(db, it, 2), applied);
    if (M & ZMATTR_LINESTYLE) {
        bool custom = applied && c->data.lineStyle < 0;
        for (int k = 2; k <= 5; ++k) showItem(db, after(db, it, k), custom);
        if (custom) {
            enableItem(db, after(db, it, 2), free);
            enableItem(db, after(db, it, 3), free && (A & ZMATTR_STYLE_WIDTH));
            enableItem(db, after(db, it, 4), free);
            enableItem(db, after(db, it, 5), free && (A & ZMATTR_STYLE_SCALE));
        }
        resize(db);
    }
    if ((M & ZMATTR_TEXTSTYLE) && free && applied && value) {
        ListModel* model = mdlDialog_comboBoxGetListModelP(value);
        if (!model || mdlListModel_getRowCount(model) == 0) enableItem(db, value, false);
    }
    if (M & ZMATTR_TEXTSIZE) {
        for (int k = 2; k <= 3; ++k) {
            showItem(db, after(db, it, k), true);
            enableItem(db, after(db, it, k), free && applied);
        }
        showItem(db, after(db, it, 4), free && applied);
    }
    mdlDialog_itemDraw(db, it->itemIndex);
}

uint32_t lineStyleBits() {
    ZmAttribute* c = currentAttribute();
    return c && (c->data.applyMask & ZMATTR_LINESTYLE) ? 0x1802u : static_cast<uint32_t>(ZMATTR_LINESTYLE);
}

/* Show the row of controls (toggle and dependents) by the toggle rule, or hide it. */
void setRow(DialogBox* db, const ControlRow& row, bool show) {
    DialogItem* toggle = item(db, ITEMTYPE_TOGGLE, row.toggleId);
    if (!toggle) return;
    if (!show) {
        for (int k = 0; k <= row.dependents; ++k) showItem(db, after(db, toggle, k), false);
        return;
    }
    ZmAttribute* c = currentAttribute();
    bool free = c && !(static_cast<uint32_t>(c->fixedMask) & row.bit);
    showItem(db, toggle, true);
    enableItem(db, toggle, free);
    applyToggleRule(db, toggle, row.bit == ZMATTR_LINESTYLE ? lineStyleBits() : row.bit, free);
}

void showSymbolItems(DialogBox* db, bool chooser, bool size) {
    showItem(db, item(db, ITEMTYPE_OPTIONBUTTON, ITEM_SYMBOL_CHOOSER), chooser);
    showItem(db, item(db, ITEMTYPE_TEXT, ITEM_SYMBOL_TEXT), chooser);
    showItem(db, item(db, ITEMTYPE_TEXT, ITEM_SYMBOL_SIZE), size);
}

void showTextRows(DialogBox* db, bool show, bool slant) {
    setRow(db, textStyleRow, show);
    setRow(db, fontRow, show);
    setRow(db, sizeRow, show);
    setRow(db, justificationRow, show);
    setRow(db, slantRow, show && slant);
}

/* The text string of kinds 5 and 6 (they keep it in different places), or null. */
char* textStringOf(ZmAttribute* c, size_t* size) {
    if (c && c->kind == ZMATTR_KIND_SYMBOL_STRING) {
        *size = sizeof c->data.extra.symbol.text;
        return c->data.extra.symbol.text;
    }
    if (c && c->kind == ZMATTR_KIND_TEXT_STRING) {
        *size = sizeof c->data.text.string;
        return c->data.text.string;
    }
    return nullptr;
}

/* Show the text string field for kinds 5 and 6, labelled and filled; hide it otherwise. */
void showTextString(DialogBox* db, ZmAttribute* c) {
    DialogItem* it = item(db, ITEMTYPE_TEXT, ITEM_TEXT_STRING);
    if (!it) return;
    size_t size = 0;
    char* text = textStringOf(c, &size);
    if (text) {
        if (c->string) mdlDialog_itemSetLabel(db, it->itemIndex, c->string);
        mdlDialog_itemSetText(db, it->itemIndex, boundedText(text, size).c_str());
    }
    showItem(db, it, text != nullptr);
}

void setControls(DialogBox* db) {
    ZmAttribute* c = currentAttribute();
    int kind = c ? c->kind : 0;
    for (const ControlRow& row : propertyRows) setRow(db, row, kind >= 1 && kind <= 7);
    DialogItem* valueChooser = item(db, ITEMTYPE_OPTIONBUTTON, ITEM_VALUE_CHOOSER);
    showItem(db, item(db, ITEMTYPE_COMPOSITE, ITEM_UNDEFINED_KIND), kind >= 1 && kind <= 7);
    switch (kind) {
    case ZMATTR_KIND_SYMBOLOGY:
    case ZMATTR_KIND_SYMBOL:
        showTextRows(db, false, false);
        showSymbolItems(db, kind == ZMATTR_KIND_SYMBOL, false);
        showTextString(db, c);
        showItem(db, valueChooser, false);
        break;
    case ZMATTR_KIND_SYMBOL_SIZE:
    case ZMATTR_KIND_SYMBOL_STRING:
        showTextRows(db, false, false);
        showSymbolItems(db, true, true);
        showTextString(db, c);
        showItem(db, valueChooser, false);
        break;
    case ZMATTR_KIND_TEXT:
        showSymbolItems(db, false, false);
        showTextRows(db, true, true);
        showTextString(db, c);
        showItem(db, valueChooser, false);
        break;
    case ZMATTR_KIND_TEXT_STRING:
    case ZMATTR_KIND_TEXT_OPTION:
        showSymbolItems(db, false, false);
        showTextRows(db, true, false);
        showTextString(db, c);
        if (kind == ZMATTR_KIND_TEXT_OPTION && valueChooser && c->string)
            mdlDialog_itemSetLabel(db, valueChooser->itemIndex, c->string);
        showItem(db, valueChooser, kind == ZMATTR_KIND_TEXT_OPTION);
        break;
    default:
        showTextRows(db, false, false);
        showSymbolItems(db, false, false);
        showTextString(db, c);
        showItem(db, valueChooser, false);
        break;
    }
    mdlDialog_itemsSynch(db);
    resize(db);
}

/* Fit the window to its lowest visible item (group boxes and items flagged
** 0x20 do not count) and stretch group box 1 below it. */
void resize(DialogBox* db) {
    if (!db) return;
    int lowest = 0, textHeight = 0;
    for (int i = 0, n = mdlDialog_itemCount(db); i < n; ++i) {
        DialogItem* it = mdlDialog_itemGetByIndex(db, i);
        if (!textHeight && it->type == ITEMTYPE_TEXT) textHeight = it->rect.bottom - it->rect.top + 1;
        if (!it->visible || it->type == ITEMTYPE_GROUPBOX || (it->attributes & ITEM_ATTR_SKIP_RESIZE)) continue;
        if (it->rect.bottom > lowest) lowest = it->rect.bottom;
    }
    if (lowest == state.contentHeight) return;
    state.contentHeight = lowest;
    DialogRect extent{};
    mdlWindow_extentGet(&extent, db);
    extent.right = extent.left + state.firstWidth - 1;
    extent.bottom = extent.top + lowest + textHeight;
    mdlWindow_extentSet(db, &extent);
    mdlWindow_clear(db);
    if (DialogItem* box = item(db, ITEMTYPE_GROUPBOX, 1)) {
        DialogRect r = box->rect;
        r.bottom = lowest + static_cast<int>(0.6 * textHeight);
        mdlDialog_itemSetExtent(db, box->itemIndex, &r, 0);
    }
    mdlDialog_itemsDrawAll(db);
}

/* ---- Selection and writing back ------------------------------------------------------------ */

void fillChoosers(DialogBox* db, const ZmAttribute& a) {
    bool icons = a.kind == ZMATTR_KIND_SYMBOL || a.kind == ZMATTR_KIND_SYMBOL_SIZE ||
                 a.kind == ZMATTR_KIND_SYMBOL_STRING;
    if (icons) {
        if (DialogItem* chooser = item(db, ITEMTYPE_OPTIONBUTTON, ITEM_SYMBOL_CHOOSER)) {
            mdlDialog_optionButtonDeleteItem(chooser, -1);
            const int32_t* iconIds = static_cast<const int32_t*>(a.optionIcons);
            for (int i = 0; i < a.optionCount && iconIds && a.optionValues; ++i)
                mdlDialog_optionButtonInsertItem(chooser, -1, "", ITEMTYPE_ICON, iconIds[i], a.optionValues[i]);
            showItem(db, chooser, true);
        }
    } else if (a.kind == ZMATTR_KIND_TEXT_OPTION) {
        if (DialogItem* chooser = item(db, ITEMTYPE_OPTIONBUTTON, ITEM_VALUE_CHOOSER)) {
            mdlDialog_optionButtonDeleteItem(chooser, -1);
            char* const* labels = static_cast<char* const*>(a.optionIcons);
            for (int i = 0; i < a.optionCount && labels && a.optionValues; ++i)
                mdlDialog_optionButtonInsertItem(chooser, -1, labels[i] ? labels[i] : "", 0, 0, a.optionValues[i]);
            showItem(db, chooser, true);
        }
    }
}

void selectionChanged(DialogBox* db) {
    ZmAttribute* c = currentAttribute();
    if (!c) return;
    int row = selectedRow(db);
    ZmAttribute* a = row < 0 ? nullptr : zmlib::elmattr::find(rowAttributeId(row));
    if (!a) {
        c->kind = 0;
        setControls(db);
        return;
    }
    setSelectedId(a->id);
    /* The attribute left may have been deleted: only a live one hears it, with its own label. */
    if (ZmAttribute* left = c->kind ? zmlib::elmattr::find(c->id) : nullptr) {
        ZmAttribute leaving = *c;
        leaving.label = left->label;
        callCallback(db, leaving, 4);
    }
    *c = *a;
    c->next = nullptr;
    callCallback(db, *c, 2);
    fillChoosers(db, *c);
    setControls(db);
    callCallback(db, *c, 3);
}

/* Copy the current attribute's values into the selected attribute, redraw
** its row and tell its callback. */
void writeBack(DialogBox* db) {
    ZmAttribute* c = currentAttribute();
    ZmAttribute* a = zmlib::elmattr::find(selectedId());
    if (!c || !a) return;
    a->data = c->data;
    int row = rowOfAttribute(a->id);
    if (row >= 0 && state.list) {
        setRowTexts(state.list, row, *a);
        if (DialogItem* list = listItem(db)) {
            int top = 0, visible = VISIBLE_LIST_ROWS;
            mdlDialog_listBoxGetDisplayRange(&top, &visible, list);
            if (row >= top && row < top + visible) mdlDialog_listBoxDrawContents(list, row, row);
        }
    }
    callCallback(db, *a, 1);
}

/* ---- Menu bar ------------------------------------------------------------------------------ */

void setMenuBar(DialogBox* db) {
    int editable = groupEditable(currentGroup()) ? 1 : 0;
    if (editable == state.menuBarShown) return;
    bool first = state.menuBarShown < 0;
    state.menuBarShown = editable;
    DialogItem* bar = item(db, ITEMTYPE_MENUBAR, ITEM_MENU_BAR);
    DialogItem* box0 = item(db, ITEMTYPE_GROUPBOX, 0);
    DialogItem* box1 = item(db, ITEMTYPE_GROUPBOX, 1);
    showItem(db, box0, false);
    showItem(db, box1, false);
    if (bar) {
        enableItem(db, bar, editable);
        showItem(db, bar, editable);
    }
    /* Items stand below the bar while it is shown; at creation they stand as built, without it. */
    int shift = bar && !(first && !editable) ? (bar->rect.bottom - bar->rect.top + 1) * (editable ? 1 : -1) : 0;
    for (int i = 0, n = mdlDialog_itemCount(db); shift && i < n; ++i) {
        DialogItem* it = mdlDialog_itemGetByIndex(db, i);
        if (it == bar) continue;
        DialogRect r = it->rect;
        r.top += shift;
        r.bottom += shift;
        mdlDialog_itemSetExtent(db, i, &r, 0);
    }
    if (bar) mdlDialog_itemDraw(db, bar->itemIndex);
    showItem(db, box0, true);
    showItem(db, box1, true);
    if (DialogItem* g = item(db, ITEMTYPE_OPTIONBUTTON, ITEM_GROUP_SELECTOR)) mdlDialog_itemDraw(db, g->itemIndex);
}

/* ---- Refresh (called by the attribute set's operations) ------------------------------------- */

void refreshDialog(int selectId) {
    DialogBox* db = state.dialog;
    /* Another application's set is not the one the open dialog shows. */
    if (!db || mdlDialog_find(DIALOG_ATTRIBUTES, nullptr) != db) return;
    buildList(db);
    if (selectId >= 0) {
        int row = rowOfAttribute(selectId);
        if (DialogItem* list = listItem(db); list && row >= 0) {
            mdlDialog_listBoxSelectCells(list, -1, -1, -1, -1, 0, 0);
            mdlDialog_listBoxSelectCells(list, row, row, -1, -1, 1, 1);
            int top = 0, visible = VISIBLE_LIST_ROWS;
            mdlDialog_listBoxGetDisplayRange(&top, &visible, list);
            if (row < top || row >= top + visible) mdlDialog_listBoxSetTopRow(list, row);
        }
    }
    selectionChanged(db);
}

/* ---- Hooks of dialog 20013 ---------------------------------------------------------------- */

void attrHook_dialog(DialogMessage* m) {
    m->msgUnderstood = 1;
    switch (m->messageType) {
    case DIALOG_MESSAGE_CREATE: {
        zmlibMain_updateBeforeDialogOpen(DIALOG_ATTRIBUTES);
        state.current = currentAttribute();
        state.dialog = m->db;
        m->u.create.interests = INTEREST_FLAGS;
        state.contentHeight = 0;
        DialogRect extent{};
        mdlWindow_extentGet(&extent, m->db);
        state.firstWidth = extent.right - extent.left + 1;
        break;
    }
    case DIALOG_MESSAGE_INIT:
        setMenuBar(m->db);
        setControls(m->db);
        buildList(m->db);
        selectionChanged(m->db);
        break;
    case DIALOG_MESSAGE_DESTROY:
        state.menuBarShown = -1;
        if (state.dialog == m->db) state.dialog = nullptr;
        break;
    case DIALOG_MESSAGE_UPDATE:
    case DIALOG_MESSAGE_RESIZE:
        if (DialogItem* g = item(m->db, ITEMTYPE_OPTIONBUTTON, ITEM_GROUP_SELECTOR))
            mdlDialog_itemDraw(m->db, g->itemIndex);
        break;
    case DIALOG_MESSAGE_BUTTON:
        if (m->u.button.buttonNumber == BUTTON_RESET && m->u.button.eventCode == BUTTONEVENT_POPUP &&
            m->u.button.itemP && m->u.button.itemP->type == ITEMTYPE_LISTBOX &&
            m->u.button.itemP->id == ITEM_LIST && groupEditable(currentGroup()))
            m->u.button.popupMenuId = ITEM_POPUP;
        break;
    default:
        m->msgUnderstood = 0;
    }
}

void attrHook_list(DialogItemMessage* m) {
    m->msgUnderstood = 1;
    switch (m->messageType) {
    case DITEM_MESSAGE_CREATE: buildList(m->db); break;
    case DITEM_MESSAGE_DESTROY:
        mdlDialog_listBoxSetStrListP(m->dialogItemP, nullptr, LIST_COLUMNS);
        if (state.list) mdlStringList_destroy(state.list);
        state.list = nullptr;
        break;
    case DITEM_MESSAGE_STATECHANGED: selectionChanged(m->db); break;
    default: m->msgUnderstood = 0;
    }
}

void attrHook_group(DialogItemMessage* m) {
    m->msgUnderstood = 1;
    switch (m->messageType) {
    case DITEM_MESSAGE_CREATE: {
        SetView set = caller();
        mdlDialog_optionButtonDeleteItem(m->dialogItemP, -1);
        for (int i = 0; set.gd && set.groups() && i < set.groupCount(); ++i) {
            const ZmAttributeGroup& g = set.groups()[i];
            mdlDialog_optionButtonInsertItem(m->dialogItemP, -1, g.name ? g.name : "", 0, 0, g.id);
        }
        break;
    }
    case DITEM_MESSAGE_STATECHANGED:
        if (!m->u.stateChanged.reallyChanged) break;
        setMenuBar(m->db);
        buildList(m->db);
        selectionChanged(m->db);
        break;
    default: m->msgUnderstood = 0;
    }
}

/* The bits a toggle hook stands for. */
uint32_t toggleBits(int32_t hookId) {
    switch (hookId) {
    case HOOK_COLOUR_TOGGLE: return ZMATTR_COLOUR;
    case HOOK_STYLE_TOGGLE: return ZMATTR_LINESTYLE;
    case HOOK_WEIGHT_TOGGLE: return ZMATTR_WEIGHT;
    case HOOK_LEVEL_TOGGLE: return ZMATTR_LEVEL;
    case HOOK_CLASS_TOGGLE: return ZMATTR_CLASS;
    case HOOK_TEXTSTYLE_TOGGLE: return ZMATTR_TEXTSTYLE;
    case HOOK_FONT_TOGGLE: return ZMATTR_FONT;
    case HOOK_SIZE_TOGGLE: return ZMATTR_TEXTSIZE;
    case HOOK_JUST_TOGGLE: return ZMATTR_JUSTIFICATION;
    case HOOK_SLANT_TOGGLE: return ZMATTR_SLANT;
    case HOOK_STYLE_WIDTH_TOGGLE: return ZMATTR_STYLE_WIDTH;
    case HOOK_STYLE_SCALE_TOGGLE: return ZMATTR_STYLE_SCALE;
    default: return 0;
    }
}

void attrHook_toggle(DialogItemMessage* m) {
    m->msgUnderstood = 1;
    uint32_t bit = toggleBits(m->dialogItemP->hookId);
    ZmAttribute* c = currentAttribute();
    bool free = c && !(static_cast<uint32_t>(c->fixedMask) & bit);
    switch (m->messageType) {
    case DITEM_MESSAGE_SYNCHRONIZE:
        /* A hidden row stays hidden: the kind rules decide which rows show. */
        if (!m->dialogItemP->visible) break;
        if (bit == ZMATTR_STYLE_WIDTH || bit == ZMATTR_STYLE_SCALE) {
            /* The width and scale fields follow their toggles. */
            enableItem(m->db, after(m->db, m->dialogItemP, 1),
                       free && c && (c->data.applyMask & bit) && m->dialogItemP->enabled);
        } else {
            applyToggleRule(m->db, m->dialogItemP, bit == ZMATTR_LINESTYLE ? lineStyleBits() : bit, free);
        }
        break;
    case DITEM_MESSAGE_STATECHANGED:
        if (!m->u.stateChanged.reallyChanged) break;
        if (bit == ZMATTR_TEXTSTYLE) mdlDialog_itemSetState(nullptr, m->db, m->dialogItemP->itemIndex + 1);
        writeBack(m->db);
        if (bit == ZMATTR_LINESTYLE) applyToggleRule(m->db, m->dialogItemP, lineStyleBits(), free);
        else if (bit == ZMATTR_STYLE_WIDTH || bit == ZMATTR_STYLE_SCALE)
            enableItem(m->db, after(m->db, m->dialogItemP, 1), free && c && (c->data.applyMask & bit));
        else applyToggleRule(m->db, m->dialogItemP, bit, free);
        break;
    default: m->msgUnderstood = 0;
    }
}

void attrHook_decimalText(DialogItemMessage* m) {
    m->msgUnderstood = 1;
    switch (m->messageType) {
    case DITEM_MESSAGE_SETSTATE:
    case DITEM_MESSAGE_FOCUSIN:
        if (m->dialogItemP->type == ITEMTYPE_TEXT) zmlibUtil_setActiveDecimalNumberInTextItem(m->dialogItemP);
        m->msgUnderstood = 0;  /* the host still shows the value */
        break;
    case DITEM_MESSAGE_STATECHANGED: {
        size_t size = 0;
        char* text = m->dialogItemP->id == ITEM_TEXT_STRING ? textStringOf(currentAttribute(), &size) : nullptr;
        if (text) {
            /* The field has no access string: its text goes where the kind keeps it. */
            char typed[256] = "";
            mdlDialog_itemGetText(typed, sizeof typed, m->db, m->dialogItemP->itemIndex);
            zmlib::copyFixed(text, size, typed);
            writeBack(m->db);
        } else if (m->u.stateChanged.reallyChanged) {
            writeBack(m->db);
        }
        break;
    }
    default: m->msgUnderstood = 0;
    }
}

void attrHook_symbologyCombo(DialogItemMessage* m) {
    m->msgUnderstood = 1;
    switch (m->messageType) {
    case DITEM_MESSAGE_CREATE: {
        DgnModelRefP model = mdlModelRef_getActive();
        ListModel* list = m->dialogItemP->id == ITEM_COLOUR_COMBO   ? mdlLevelList_getColorListModel(model)
                          : m->dialogItemP->id == ITEM_STYLE_COMBO  ? mdlLevelList_getStyleListModel(model)
                          : m->dialogItemP->id == ITEM_WEIGHT_COMBO ? mdlLevelList_getWeightListModel(model)
                                                                    : nullptr;
        /* Without an open design file there is nothing to choose from; the value is still typed. */
        if (list) mdlDialog_comboBoxSetListModelP(m->dialogItemP, list);
        break;
    }
    case DITEM_MESSAGE_DESTROY:
        if (ListModel* list = mdlDialog_comboBoxGetListModelP(m->dialogItemP)) {
            mdlDialog_comboBoxSetListModelP(m->dialogItemP, nullptr);
            mdlListModel_destroy(list);
        }
        break;
    case DITEM_MESSAGE_STATECHANGED: {
        if (!m->u.stateChanged.reallyChanged) break;
        ZmAttribute* c = currentAttribute();
        if (c && m->dialogItemP->id == ITEM_STYLE_COMBO) {
            if (c->data.lineStyle < 0) {
                char name[sizeof c->data.styleName] = {};
                if (mdlLineStyle_nameFromNumber(name, sizeof name, c->data.lineStyle, mdlModelRef_getActive()) == 0)
                    std::memcpy(c->data.styleName, name, sizeof name);
            }
            if (DialogItem* toggle = after(m->db, m->dialogItemP, -1))
                applyToggleRule(m->db, toggle, lineStyleBits(),
                                !(static_cast<uint32_t>(c->fixedMask) & ZMATTR_LINESTYLE));
        }
        writeBack(m->db);
        break;
    }
    default: m->msgUnderstood = 0;
    }
}

/* The font and text style boxes show the rows of the host's own boxes: the
** fonts, and the text styles without the host's first two rows ("none" and
** the active style); with no style left the box is disabled. */
void attrHook_hostCombo(DialogItemMessage* m) {
    m->msgUnderstood = 1;
    const bool styles = m->dialogItemP->hookId == HOOK_TEXTSTYLE_COMBO;
    switch (m->messageType) {
    case DITEM_MESSAGE_CREATE: {
        ListModel* rows = mdlDialog_comboBoxGetHostListModelP(styles ? COMBOBOX_HOST_TEXTSTYLES : COMBOBOX_HOST_FONTS);
        if (styles && rows) mdlListModel_removeRows(rows, 0, std::min(2, mdlListModel_getRowCount(rows)));
        if (!rows || mdlListModel_getRowCount(rows) == 0) {
            if (rows) mdlListModel_destroy(rows);
            if (styles) m->dialogItemP->enabled = 0;
            break;
        }
        mdlDialog_comboBoxSetListModelP(m->dialogItemP, rows);
        break;
    }
    case DITEM_MESSAGE_DESTROY:
        if (ListModel* rows = mdlDialog_comboBoxGetListModelP(m->dialogItemP)) {
            mdlDialog_comboBoxSetListModelP(m->dialogItemP, nullptr);
            mdlListModel_destroy(rows);
        }
        break;
    case DITEM_MESSAGE_STATECHANGED:
        if (m->u.stateChanged.reallyChanged || styles) writeBack(m->db);
        break;
    default: m->msgUnderstood = 0;
    }
}

/* ---- Levels --------------------------------------------------------------------------------- */

void attrHook_levelButton(DialogItemMessage* m) {
    m->msgUnderstood = 1;
    if (m->messageType != DITEM_MESSAGE_ACTIVATE) {
        m->msgUnderstood = 0;
        return;
    }
    SetView set = caller();
    ZmAttribute* c = currentAttribute();
    MSWChar** variables = set.gd ? set.levelVariables() : nullptr;
    if (!variables || !c) return;
    int which = m->dialogItemP->id;
    MSWChar* target = which >= 1 && which <= ZMATTR_LEVEL_VARIABLES && variables[which] ? variables[which]
                                                                                        : c->data.levelName;
    if (!target) return;
    variables[0] = target;
    MSWChar kept[ZMATTR_LEVEL_NAME_SIZE];
    std::memcpy(kept, target, sizeof kept);
    int action = 0;
    if (mdlDialog_openModal(&action, 0, DIALOG_LEVELS) == 0 && action == ACTIONBUTTON_OK) {
        mdlDialog_itemSynch(m->db, m->dialogItemP->itemIndex - 1);
        writeBack(m->db);
    } else {
        std::memcpy(target, kept, sizeof kept);
    }
}

void attrHook_levelList(DialogItemMessage* m) {
    m->msgUnderstood = 1;
    SetView set = caller();
    MSWChar** variables = set.gd ? set.levelVariables() : nullptr;
    switch (m->messageType) {
    case DITEM_MESSAGE_CREATE: {
        DgnModelRefP model = mdlModelRef_getActive();
        ListModel* list = mdlListModel_create(1);
        if (!list) {
            m->u.create.createFailed = 1;
            break;
        }
        int found = -1;
        for (int i = 0, n = mdlLevel_getCount(model); i < n; ++i) {
            UInt32 id = 0;
            MSWChar name[ZMATTR_LEVEL_NAME_SIZE] = {};
            if (mdlLevel_getIdAtIndex(&id, model, i) != 0 ||
                mdlLevel_getName(name, ZMATTR_LEVEL_NAME_SIZE, model, id) != 0)
                continue;
            std::string text = multibyte(name, ZMATTR_LEVEL_NAME_SIZE);
            ListRow* row = mdlListModel_insertRow(list, -1);
            mdlListCell_setStringValue(mdlListRow_getCellAtIndex(row, 0), text.c_str());
            if (found < 0 && variables && variables[0] &&
                text == multibyte(variables[0], ZMATTR_LEVEL_NAME_SIZE))
                found = mdlListModel_getRowCount(list) - 1;
        }
        state.levelModel = list;
        mdlDialog_listBoxSetListModelP(m->dialogItemP, list, 1);
        if (found >= 0) {
            mdlDialog_listBoxSelectCells(m->dialogItemP, found, found, -1, -1, 1, 0);
            if (found >= VISIBLE_LIST_ROWS) mdlDialog_listBoxSetTopRow(m->dialogItemP, found);
        }
        break;
    }
    case DITEM_MESSAGE_DESTROY: {
        int row = -1, column = -1;
        BoolInt found = 0;
        mdlDialog_listBoxGetNextSelection(&found, &row, &column, m->dialogItemP);
        if (found && variables && variables[0] && state.levelModel) {
            const char* text = mdlListCell_getStringValue(
                mdlListRow_getCellAtIndex(mdlListModel_getRowAtIndex(state.levelModel, row), 0));
            MSWChar wide[ZMATTR_LEVEL_NAME_SIZE] = {};
            mdlCnv_convertMultibyteToUnicode(text ? text : "", -1, wide, ZMATTR_LEVEL_NAME_SIZE);
            std::memcpy(variables[0], wide, sizeof wide);
        }
        mdlDialog_listBoxSetListModelP(m->dialogItemP, nullptr, 1);
        if (state.levelModel) mdlListModel_destroy(state.levelModel);
        state.levelModel = nullptr;
        break;
    }
    case DITEM_MESSAGE_BUTTON:
        if (m->u.button.clicks == 2 && m->u.button.transition == BUTTONTRANS_UP)
            if (DialogItem* ok = item(m->db, ITEMTYPE_PUSHBUTTON, PUSHBUTTONID_OK))
                mdlDialog_itemPress(m->db, ok->itemIndex);
        break;
    default: m->msgUnderstood = 0;
    }
}

/* ---- The edit dialog and the menu commands ---------------------------------------------------- */

void editHook_dialog(DialogMessage* m) {
    m->msgUnderstood = 1;
    if (m->messageType != DIALOG_MESSAGE_INIT) {
        m->msgUnderstood = 0;
        return;
    }
    bool text = state.editRequest.kind == ZMATTR_KIND_TEXT;
    for (int id = ITEM_EDIT_TEXT_FIRST; id <= ITEM_EDIT_TEXT_LAST; ++id)
        enableItem(m->db, item(m->db, ITEMTYPE_TOGGLE, id), text);
}

void notifyGroup(int groupId) {
    SetView set = caller();
    for (int i = 0; set.gd && set.groups() && i < set.groupCount(); ++i) {
        const ZmAttributeGroup& g = set.groups()[i];
        if (g.id == groupId && g.notify)
            dlmSystem_callAnyFunction("", mdlSystem_getCurrMdlDesc(), reinterpret_cast<void*>(g.notify));
    }
}

/* Swap A with its neighbour in the list, in front (UP) or behind; false when
** there is none of its group on that side. */
bool moveAttribute(ZmAttribute* a, bool up) {
    SetView set = caller();
    ZmAttribute* before = nullptr;  /* the record in front of a */
    for (ZmAttribute* p = set.head(); p && p != a; p = p->next) before = p;
    ZmAttribute* other = up ? before : a->next;
    if (!other || other->groupId != a->groupId) return false;
    /* Exchange the records' contents but keep the chain, so that no link moves. */
    ZmAttribute* first = up ? other : a;
    ZmAttribute* second = up ? a : other;
    ZmAttribute saved = *first;
    *first = *second;
    first->next = saved.next;
    ZmAttribute* secondNext = second->next;
    *second = saved;
    second->next = secondNext;
    return true;
}

enum class MenuCommand { Edit, Insert, Add, Delete, Up, Down };

void runMenuCommand(DialogBox* db, MenuCommand command) {
    int row = selectedRow(db);
    ZmAttribute* a = row < 0 ? nullptr : zmlib::elmattr::find(rowAttributeId(row));
    if (!a) return;
    int id = a->id;
    int group = a->groupId;
    switch (command) {
    case MenuCommand::Delete: zmlibElmAttr_deleteAttribute(id, 1); return;
    case MenuCommand::Up:
    case MenuCommand::Down:
        if (moveAttribute(a, command == MenuCommand::Up)) refreshDialog(id);
        return;
    default: break;
    }
    state.editRequest = EditRequest{};
    zmlib::copyFixed(state.editRequest.name, a->label ? a->label : "");
    state.editRequest.kind = a->kind;
    state.editRequest.fixedMask = a->fixedMask;
    int action = 0;
    if (mdlDialog_openModal(&action, 0, DIALOG_EDIT) == 0 && action == ACTIONBUTTON_OK &&
        (a = zmlib::elmattr::find(id))) {
        ZmAttributeData data = a->data;
        data.applyMask &= ~static_cast<uint32_t>(state.editRequest.fixedMask);
        const char* name = state.editRequest.name;
        if (command == MenuCommand::Edit) {
            char* label = static_cast<char*>(dlmSystem_mdlMalloc(std::strlen(name) + 1));
            if (label) {
                std::strcpy(label, name);
                dlmSystem_mdlFree(a->label);
                a->label = label;
            }
            a->fixedMask = state.editRequest.fixedMask;
            zmlibElmAttr_editAttribute(id, 1, &data);
        } else if (command == MenuCommand::Insert) {
            zmlibElmAttr_insertAttribute(id, name, state.editRequest.fixedMask, &data);
        } else {
            SetView set = caller();
            int newId = set.nextId();
            for (ZmAttribute* p = set.head(); p; p = p->next)
                if (p->id >= newId) newId = p->id + 1;
            set.nextId() = newId + 1;
            setSelectedId(newId);
            zmlibElmAttr_addAttribute(newId, name, group, state.editRequest.kind, state.editRequest.fixedMask,
                                      nullptr, 1, &data);
        }
    }
    notifyGroup(group);
}

void menuHook(DialogItemMessage* m, MenuCommand command) {
    m->msgUnderstood = 1;
    if (m->messageType == DITEM_MESSAGE_BUTTON && m->u.button.transition == BUTTONTRANS_UP)
        runMenuCommand(state.dialog ? state.dialog : m->db, command);
    else
        m->msgUnderstood = 0;
}

void attrHook_menuEdit(DialogItemMessage* m) { menuHook(m, MenuCommand::Edit); }
void attrHook_menuInsert(DialogItemMessage* m) { menuHook(m, MenuCommand::Insert); }
void attrHook_menuAdd(DialogItemMessage* m) { menuHook(m, MenuCommand::Add); }
void attrHook_menuDelete(DialogItemMessage* m) { menuHook(m, MenuCommand::Delete); }
void attrHook_menuUp(DialogItemMessage* m) { menuHook(m, MenuCommand::Up); }
void attrHook_menuDown(DialogItemMessage* m) { menuHook(m, MenuCommand::Down); }

#define HOOK(id, fn) {id, reinterpret_cast<void*>(fn)}
const DialogHookInfo attributeHooks[] = {
    HOOK(HOOK_DIALOG,             attrHook_dialog),
    HOOK(HOOK_LIST,               attrHook_list),
    HOOK(HOOK_GROUP,              attrHook_group),
    HOOK(HOOK_COLOUR_TOGGLE,      attrHook_toggle),
    HOOK(HOOK_STYLE_TOGGLE,       attrHook_toggle),
    HOOK(HOOK_WEIGHT_TOGGLE,      attrHook_toggle),
    HOOK(HOOK_LEVEL_TOGGLE,       attrHook_toggle),
    HOOK(HOOK_CLASS_TOGGLE,       attrHook_toggle),
    HOOK(HOOK_TEXTSTYLE_TOGGLE,   attrHook_toggle),
    HOOK(HOOK_FONT_TOGGLE,        attrHook_toggle),
    HOOK(HOOK_SIZE_TOGGLE,        attrHook_toggle),
    HOOK(HOOK_JUST_TOGGLE,        attrHook_toggle),
    HOOK(HOOK_SLANT_TOGGLE,       attrHook_toggle),
    HOOK(HOOK_STYLE_WIDTH_TOGGLE, attrHook_toggle),
    HOOK(HOOK_STYLE_SCALE_TOGGLE, attrHook_toggle),
    HOOK(HOOK_DECIMAL_TEXT,       attrHook_decimalText),
    HOOK(HOOK_SYMBOLOGY_COMBO,    attrHook_symbologyCombo),
    HOOK(HOOK_FONT_COMBO,         attrHook_hostCombo),
    HOOK(HOOK_TEXTSTYLE_COMBO,    attrHook_hostCombo),
    HOOK(HOOK_LEVEL_BUTTON,       attrHook_levelButton),
    HOOK(HOOK_LEVEL_LIST,         attrHook_levelList),
    HOOK(HOOK_EDIT_DIALOG,        editHook_dialog),
    HOOK(HOOK_MENU_EDIT,          attrHook_menuEdit),
    HOOK(HOOK_MENU_INSERT,        attrHook_menuInsert),
    HOOK(HOOK_MENU_ADD,           attrHook_menuAdd),
    HOOK(HOOK_MENU_DELETE,        attrHook_menuDelete),
    HOOK(HOOK_MENU_UP,            attrHook_menuUp),
    HOOK(HOOK_MENU_DOWN,          attrHook_menuDown),
};
#undef HOOK
static_assert(std::size(attributeHooks) == HOOK_COUNT);

}  // namespace

namespace zmlib::attrdialog {

void rowTexts(const ZmAttribute& a, int decimals, std::string (&columns)[LIST_COLUMNS]) {
    const ZmAttributeData& d = a.data;
    uint32_t A = d.applyMask;
    columns[0] = a.label ? a.label : "";
    /* Numbers through snprintf: std::to_string would publish library templates from the add-in. */
    columns[1] = !(A & ZMATTR_COLOUR) ? "" : d.colour == 0xFFFFFFFFu ? "BL" : formatted("%u", d.colour);
    columns[2] = !(A & ZMATTR_LINESTYLE)   ? ""
                 : d.lineStyle == 0x7FFFFFFF ? "BL"
                 : d.lineStyle < 0           ? "UD"
                                             : formatted("%d", d.lineStyle);
    columns[3] = !(A & ZMATTR_WEIGHT) ? "" : d.weight == 0xFFFFFFFFu ? "BL" : formatted("%u", d.weight);
    columns[4] = (A & ZMATTR_LEVEL) ? multibyte(d.levelName, ZMATTR_LEVEL_NAME_SIZE) : "";
    columns[5] = !(A & ZMATTR_CLASS) ? "" : d.elementClass == 0 ? "P" : "C";
    columns[6] = furtherColumn(a, decimals);
}

void publishHooks() {
    mdlDialog_hookPublish(static_cast<int>(std::size(attributeHooks)), attributeHooks);
    state.editRequestP = &state.editRequest;
    SymbolSet* set = mdlCExpression_initializeSet(4, 0, 0);
    mdlDialog_publishComplexPtr(set, "zmlibAttribute", "zmAttrP", &state.current);
    mdlDialog_publishComplexPtr(set, "zmlibAttrEditRequest", "zmAttrEditP", &state.editRequestP);
    zmlib::elmattr::setRefreshFunction(refreshDialog);
}

void resetForTests() {
    if (state.list) mdlStringList_destroy(state.list);
    if (state.levelModel) mdlListModel_destroy(state.levelModel);
    state = AttrDialogState{nullptr, nullptr, -1, 0, 0, nullptr, {}, nullptr, nullptr};
}

}  // namespace zmlib::attrdialog

extern "C" ZMLIB_API int zmlibElmAttr_dialogOpen(void) {
    /* The pointer the items reach is the caller's current attribute from here on. */
    state.current = currentAttribute();
    return mdlDialog_open(0, DIALOG_ATTRIBUTES) ? ZMLIB_SUCCESS : ZMLIB_ERROR;
}
