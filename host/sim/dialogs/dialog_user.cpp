/* The user's actions on open dialogs, each as the dialog protocol has the
** platform send it: setting values, pressing buttons, selecting rows, picking
** options and menu entries, editing cells, closing; and what a dialog shows.
** No state of its own: it works on the dialogs of dialog_int.h. */
#include <algorithm>
#include <cstdlib>

#include "host/mdlcommand.h"
#include "host/mdlcontrol.h"
#include "host/sim/base/base.h"
#include "host/sim/dialogs/dialog_int.h"

using namespace sim::dialogs;

namespace sim::dialogs {

namespace {

/* Message 54 for TRANSITION; ROW and COLUMN are -1 outside lists. */
DialogItemMessage buttonMessage(int transition, int clicks, int row, int column) {
    DialogItemMessage m{};
    m.messageType = DITEM_MESSAGE_BUTTON;
    m.u.button.transition = transition;
    m.u.button.clicks = clicks;
    m.u.button.row = row;
    m.u.button.column = column;
    return m;
}

}  // namespace

/* Press a push button: 54 down, 54 up, 70; -3 and -4 then close. */
void press(DialogBox* db, ItemState* it) {
    for (int transition : {BUTTONTRANS_DOWN, BUTTONTRANS_UP}) {
        DialogItemMessage m = buttonMessage(transition, 1, -1, -1);
        sendItem(db, it, m);
        if (!active(db)) return;
    }
    sendItem(db, it, DITEM_MESSAGE_ACTIVATE);
    if (!active(db) || it->pub.type != ITEMTYPE_PUSHBUTTON) return;
    if (it->pub.id == PUSHBUTTONID_OK) closeDialog(db, ACTIONBUTTON_OK);
    else if (it->pub.id == PUSHBUTTONID_CANCEL) closeDialog(db, ACTIONBUTTON_CANCEL);
}

namespace {

void stateChanged(DialogBox* db, ItemState* it, bool changed) {
    if (!active(db)) return;
    DialogItemMessage m{};
    m.messageType = DITEM_MESSAGE_STATECHANGED;
    m.u.stateChanged.reallyChanged = changed;
    sendItem(db, it, m);
}

ItemState* usable(DialogBox* db, int index, std::string& error) {
    ItemState* it = itemAt(db, index);
    if (!it) {
        error = live(db) ? "no item " + std::to_string(index) : "the dialog is not open";
        return nullptr;
    }
    if (!it->pub.enabled || !it->pub.visible) {
        error = describe(db, it) + " is " + (it->pub.visible ? "disabled" : "hidden");
        return nullptr;
    }
    return it;
}

bool parseToggle(const std::string& v, int32_t& out) {
    std::string s = lower(trim(v));
    if (s == "1" || s == "on" || s == "true" || s == "yes") out = 1;
    else if (s == "0" || s == "off" || s == "false" || s == "no") out = 0;
    else return false;
    return true;
}

}  // namespace

}  // namespace sim::dialogs

namespace sim {

bool userSetItem(DialogBox* db, int itemIndex, const std::string& value, std::string& error) {
    ItemState* it = usable(db, itemIndex, error);
    if (!it) return false;
    uint32_t t = it->pub.type;
    if (t == ITEMTYPE_OPTIONBUTTON) return userPickOption(db, itemIndex, value, error);
    if (t == ITEMTYPE_LISTBOX) {
        char* end = nullptr;
        long row = std::strtol(value.c_str(), &end, 10);
        if (value.empty() || *end) {
            error = "a list box is set to a row number";
            return false;
        }
        return userSelectRow(db, itemIndex, static_cast<int>(row), 0, false, error);
    }
    if (t != ITEMTYPE_TEXT && t != ITEMTYPE_COMBOBOX && t != ITEMTYPE_TOGGLE) {
        error = describe(db, it) + " takes no value";
        return false;
    }
    if (it->pub.attributes & ITEMATTR_READONLY) {
        error = describe(db, it) + " is read-only";
        return false;
    }
    std::string oldText = it->text;
    int32_t oldValue = it->value;
    if (t == ITEMTYPE_TOGGLE) {
        if (!parseToggle(value, it->value)) {
            error = "a toggle is set to on or off, not \"" + value + "\"";
            return false;
        }
    } else {
        it->text = value;
    }
    bool changed = false;
    if (!it->access.empty()) {
        if (!storeValue(db, it, &changed, error)) {
            it->text = oldText;
            it->value = oldValue;
            error = describe(db, it) + ": " + error;
            return false;
        }
        loadValueOrReport(db, it);
    } else {
        changed = it->text != oldText || it->value != oldValue;
    }
    stateChanged(db, it, changed);
    return true;
}

bool userPressItem(DialogBox* db, int itemIndex, std::string& error) {
    ItemState* it = usable(db, itemIndex, error);
    if (!it) return false;
    if (it->pub.type == ITEMTYPE_TOGGLE) {
        it->value = !it->value;
        bool changed = true;
        if (!storeValue(db, it, &changed, error)) {
            it->value = !it->value;
            return false;
        }
        stateChanged(db, it, changed);
        return true;
    }
    press(db, it);
    return true;
}

bool userSelectRow(DialogBox* db, int itemIndex, int row, int column, bool doubleClick, std::string& error) {
    ItemState* it = usable(db, itemIndex, error);
    if (!it) return false;
    if (it->pub.type == ITEMTYPE_COMBOBOX) {
        if (row < 0 || row >= rowCount(*it)) {
            error = "row " + std::to_string(row) + " is out of range";
            return false;
        }
        return userSetItem(db, itemIndex, cellText(*it, row, 0), error);
    }
    if (it->pub.type != ITEMTYPE_LISTBOX) {
        error = describe(db, it) + " is not a list box";
        return false;
    }
    if (row < 0 || row >= rowCount(*it)) {
        error = "row " + std::to_string(row) + " is out of range (" + std::to_string(rowCount(*it)) + " rows)";
        return false;
    }
    std::set<int> before = it->selected;
    if (!(it->pub.attributes & ITEMATTR_MULTISELECT)) it->selected.clear();
    it->selected.insert(row);
    /* The variable holds the row before the hook hears of the click, so a
    ** hook that confirms the dialog on a double click confirms this row. */
    if (!it->access.empty()) {
        bool written = false;
        if (!storeValue(db, it, &written, error)) report(db, it, error);
    }
    for (int transition : {BUTTONTRANS_DOWN, BUTTONTRANS_UP}) {
        if (!active(db)) return true;
        DialogItemMessage m = buttonMessage(transition, doubleClick ? 2 : 1, row, column);
        sendItem(db, it, m);
    }
    if (!active(db)) return true;
    stateChanged(db, it, it->selected != before);
    return true;
}

bool userPickOption(DialogBox* db, int itemIndex, const std::string& option, std::string& error) {
    ItemState* it = usable(db, itemIndex, error);
    if (!it) return false;
    if (it->pub.type != ITEMTYPE_OPTIONBUTTON) {
        error = describe(db, it) + " is not an option button";
        return false;
    }
    std::string want = lower(trim(option));
    int index = -1;
    for (size_t i = 0; i < it->options.size() && index < 0; ++i)
        if (lower(it->options[i].label) == want) index = static_cast<int>(i);
    if (index < 0) {
        char* end = nullptr;
        long v = std::strtol(want.c_str(), &end, 0);
        if (!want.empty() && !*end) index = optionIndexOfValue(*it, static_cast<int32_t>(v));
    }
    if (index < 0) {
        error = describe(db, it) + " has no option \"" + option + "\"";
        return false;
    }
    int32_t old = it->value;
    it->value = it->options[static_cast<size_t>(index)].value;
    bool changed = it->value != old;
    if (!it->access.empty() && !storeValue(db, it, &changed, error)) {
        it->value = old;
        error = describe(db, it) + ": " + error;
        return false;
    }
    stateChanged(db, it, changed);
    return true;
}

bool userEditCell(DialogBox* db, int itemIndex, int row, int column, const std::string& text, std::string& error) {
    ItemState* it = usable(db, itemIndex, error);
    if (!it) return false;
    if (it->pub.type != ITEMTYPE_LISTBOX) {
        error = describe(db, it) + " is not a list box";
        return false;
    }
    std::string cell = "cell " + std::to_string(row) + "," + std::to_string(column);
    if (row < 0 || row >= rowCount(*it) || column < 0) {
        error = cell + " is out of range";
        return false;
    }
    std::string old = cellText(*it, row, column);
    if (it->model) {
        ListRow* r = it->model->rows[static_cast<size_t>(row)].get();
        if (column >= static_cast<int>(r->cells.size()) || !r->cells[static_cast<size_t>(column)].editable) {
            error = cell + " cannot be edited";
            return false;
        }
        r->cells[static_cast<size_t>(column)].text = text;
    } else if (it->strList) {
        if (column >= it->columns || mdlStringList_setMember(it->strList, row * it->columns + column, text.c_str(), nullptr)) {
            error = cell + " cannot be edited";
            return false;
        }
    } else {
        auto& r = it->rows[static_cast<size_t>(row)];
        if (static_cast<size_t>(column) >= r.size()) r.resize(static_cast<size_t>(column) + 1);
        r[static_cast<size_t>(column)] = text;
    }
    DialogItemMessage m{};
    m.messageType = DITEM_MESSAGE_CELLEDITEND;
    m.u.cellEdit.row = row;
    m.u.cellEdit.column = column;
    m.u.cellEdit.changed = old != text;
    sendItem(db, it, m);
    return true;
}

/* Find ENTRY (an id or a label) in ENTRIES, depth first. */
static const MenuEntryRsc* findEntry(const std::vector<MenuEntryRsc>& entries, const std::string& entry) {
    char* end = nullptr;
    long id = std::strtol(entry.c_str(), &end, 10);
    bool byId = !entry.empty() && !*end;
    for (const auto& e : entries) {
        if ((byId && e.id == id) || (!byId && menuLabel(e.label) == lower(entry))) return &e;
        if (const MenuEntryRsc* sub = findEntry(e.submenu, entry)) return sub;
    }
    return nullptr;
}

bool userPickMenuEntry(DialogBox* db, int itemIndex, const std::string& entry, std::string& error) {
    ItemState* it = usable(db, itemIndex, error);
    if (!it) return false;
    for (const MenuRsc& menu : it->menus) {
        const MenuEntryRsc* e = findEntry(menu.entries, trim(entry));
        if (!e) continue;
        if (e->flags & MENUENTRY_DISABLED) {
            error = "menu entry \"" + entry + "\" is disabled";
            return false;
        }
        /* An entry with a hook of its own hears the pick as a button
        ** release; otherwise the menu's hook (or the item's) gets 81. */
        DialogItemMessage m{};
        int32_t hookId;
        if (e->hookId) {
            hookId = e->hookId;
            m = buttonMessage(BUTTONTRANS_UP, 1, -1, -1);
        } else {
            hookId = menu.hookId ? menu.hookId : it->pub.hookId;
            m.messageType = DITEM_MESSAGE_MENUPICK;
            m.u.menuPick.entryId = e->id;
            m.u.menuPick.menuId = menu.id;
            m.u.menuPick.commandNumber = e->commandNumber;
        }
        int32_t saved = it->pub.hookId;
        it->pub.hookId = hookId;
        sendItem(db, it, m);
        it->pub.hookId = saved;
        if (e->commandNumber) mdlDialog_cmdNumberQueue(0, e->commandNumber, "", 1);
        else if (!e->keyin.empty()) mdlInput_sendKeyin(e->keyin.c_str(), 0, 0, nullptr);
        return true;
    }
    error = describe(db, it) + " has no menu entry \"" + entry + "\"";
    return false;
}

int userPopupRequest(DialogBox* db, int itemIndex) {
    if (!active(db)) return 0;
    DialogMessage m{};
    m.messageType = DIALOG_MESSAGE_BUTTON;
    m.u.button.buttonNumber = BUTTON_RESET;
    m.u.button.eventCode = BUTTONEVENT_POPUP;
    ItemState* it = itemAt(db, itemIndex);
    m.u.button.itemP = it ? &it->pub : nullptr;
    sendDialog(db, m);
    return m.u.button.popupMenuId;
}

void userClose(DialogBox* db, int action) { closeDialog(db, action); }

namespace {

/* A menu of a menu bar or pop-up menu: its title, then one line per entry
** with its marks; a submenu's entries follow its entry one level deeper. */
void describeMenu(const std::string& title, const std::vector<MenuEntryRsc>& entries, int depth,
                  std::vector<std::string>& out) {
    const std::string indent(2 * static_cast<size_t>(depth), ' ');
    if (depth == 2) out.push_back(indent + "menu \"" + title + "\"");
    for (const MenuEntryRsc& e : entries) {
        if (e.flags & MENUENTRY_SEPARATOR) out.push_back(indent + "  ----");
        std::string line = indent + "  \"" + e.label + "\"";
        if (e.flags & MENUENTRY_CHECKED) line += " [checked]";
        if (e.flags & MENUENTRY_DISABLED) line += " [disabled]";
        out.push_back(line);
        if (!e.submenu.empty()) describeMenu(e.label, e.submenu, depth + 1, out);
    }
}

}  // namespace

std::vector<std::string> describeDialog(DialogBox* db) {
    std::vector<std::string> out;
    if (!live(db)) return out;
    out.push_back("dialog " + std::to_string(db->id) + " \"" + db->title + "\"");
    for (auto& p : db->items) {
        const ItemState& it = *p;
        std::string line = "  " + fourCCText(it.pub.type) + " " + std::to_string(it.pub.id);
        if (!it.label.empty()) line += " \"" + it.label + "\"";
        if (!it.balloon.empty()) line += " balloon \"" + it.balloon + "\"";
        uint32_t t = it.pub.type;
        if (t == ITEMTYPE_TEXT || t == ITEMTYPE_COMBOBOX) {
            line += " = \"" + it.text + "\"";
        } else if (t == ITEMTYPE_TOGGLE) {
            line += it.value ? " = on" : " = off";
        } else if (t == ITEMTYPE_OPTIONBUTTON) {
            int i = optionIndexOfValue(it, it.value);
            line += " = " + (i < 0 ? std::to_string(it.value) : "\"" + it.options[static_cast<size_t>(i)].label + "\"");
            line += " of " + std::to_string(it.options.size());
        } else if (t == ITEMTYPE_LISTBOX) {
            line += " rows " + std::to_string(rowCount(it)) + " selected";
            if (it.selected.empty()) line += " none";
            for (int r : it.selected) line += " " + std::to_string(r);
        }
        if (!it.pub.enabled) line += " [disabled]";
        if (!it.pub.visible) line += " [hidden]";
        out.push_back(line);
        for (const MenuRsc& menu : it.menus) describeMenu(menu.title, menu.entries, 2, out);
    }
    return out;
}

}  // namespace sim
