/* The dialog manager: dialogs built from resources, hooks per application,
** the messages of the dialog protocol, item values reached through access
** strings, option buttons, list boxes and list models, windows, the font
** model, modal and file dialogs answered by the scripted user.
** State: the open dialogs (and recently closed ones, so that stale handles
** are recognised), the hook tables, the answer queue and the test handlers.
**
** [SECTION] State and helpers
** [SECTION] Hooks and messages
** [SECTION] Item values
** [SECTION] Opening and closing
** [SECTION] The user's actions
** [SECTION] The scripted user
** [SECTION] Platform API: dialogs and items
** [SECTION] Platform API: option buttons, list boxes, list models
** [SECTION] Platform API: windows and fonts
** [SECTION] Platform API: file dialogs */
#include <algorithm>
#include <cctype>
#include <cstring>
#include <deque>
#include <map>
#include <memory>
#include <set>
#include <sstream>

#include "host/mdlcontrol.h"
#include "host/mdldialog.h"
#include "host/mdlsystem.h"
#include "host/sim/system/system.h"
#include "host/sim/dialogs/dialogs.h"
#include "host/sim/base/base.h"
#include "host/sim/resources/resources.h"

// [SECTION] State and helpers

struct ListCell {
    std::string text;
    int64_t value = 0;
    bool editable = true;
};
struct ListRow {
    std::vector<ListCell> cells;
};
struct ListModel {
    int columns = 1;
    std::vector<std::unique_ptr<ListRow>> rows;
};

namespace {

using sim::lower;
using sim::trim;

struct OptionEntry {
    std::string label;
    uint32_t iconType = 0;
    int32_t iconId = 0;
    int32_t value = 0;
};

/* The host's side of an item; PUB is what hooks see. */
struct ItemState {
    DialogItem pub{};
    std::string label;
    std::string access;
    std::vector<std::pair<std::string, std::string>> properties;
    std::string text;                 /* text fields, combo boxes */
    int32_t value = 0;                /* toggles (0/1), option buttons (chosen value) */
    uint32_t mask = 0;                /* toggles: the bits of an integer they switch */
    std::vector<OptionEntry> options; /* option buttons */
    std::vector<std::vector<std::string>> rows; /* list rows from the resource */
    StringList* strList = nullptr;
    int columns = 1;
    ListModel* model = nullptr;
    std::set<int> selected;
    int topRow = 0;
    std::vector<sim::MenuRsc> menus;  /* menu bars and pop-up menus */
    DialogBox* db = nullptr;
};

}  // namespace

struct DialogBox {
    int32_t id = 0;
    MdlDesc* owner = nullptr;
    std::string title;
    DialogRect extent{};
    int32_t hookId = 0;
    uint32_t attributes = 0;
    std::vector<std::unique_ptr<ItemState>> items;
    bool modal = false;
    bool open = false;
    bool closing = false;
    int action = 0;
    int dock = DOCK_NONE;
    void* userData = nullptr;
    int* actionOut = nullptr; /* a modal dialog's caller learns the closing action here */
    std::vector<std::string> drawings;
};

namespace {

struct Answer {
    std::vector<std::string> actions;
};

struct DialogState {
    std::vector<std::unique_ptr<DialogBox>> open;
    std::deque<std::unique_ptr<DialogBox>> closed; /* kept a while: stale handles stay readable */
    std::map<std::pair<MdlDesc*, int32_t>, void*> hooks;
    std::deque<Answer> answers;
    sim::ModalHandler modalHandler;
    sim::FileHandler fileHandler;
    bool recording = false;
    std::vector<sim::HookCall> calls;
    int listener = 0;
    int organizeCount = 0;
};
DialogState state;

constexpr size_t KEEP_CLOSED = 64;

void copyOut(char* buffer, int size, const std::string& text) {
    if (!buffer || size <= 0) return;
    size_t n = std::min(text.size(), static_cast<size_t>(size - 1));
    std::memcpy(buffer, text.data(), n);
    std::memset(buffer + n, 0, static_cast<size_t>(size) - n);
}

const std::string* property(const ItemState& it, const char* name) {
    for (auto& [k, v] : it.properties)
        if (k == name) return &v;
    return nullptr;
}

DialogBox* live(DialogBox* db) {
    if (!db) return nullptr;
    for (auto& d : state.open)
        if (d.get() == db) return db;
    return nullptr;
}

ItemState* itemAt(DialogBox* db, int index) {
    if (!live(db) || index < 0 || index >= static_cast<int>(db->items.size())) return nullptr;
    return db->items[static_cast<size_t>(index)].get();
}

/* The host's item behind a hook's DialogItem pointer. */
ItemState* itemOf(DialogItem* item) {
    if (!item) return nullptr;
    for (auto& d : state.open)
        for (auto& it : d->items)
            if (&it->pub == item) return it.get();
    return nullptr;
}

std::string describe(const DialogBox* db, const ItemState* it) {
    std::string s = "dialog " + std::to_string(db->id);
    if (it) s += " item " + sim::fourCCText(it->pub.type) + " " + std::to_string(it->pub.id);
    return s;
}

/* Close the dialogs of an application that unloads and forget its hooks. */
void closeDialog(DialogBox* db, int action);
void ensureListener() {
    if (state.listener) return;
    state.listener = sim::addApplicationListener({nullptr, [](MdlDesc* d) {
        std::vector<DialogBox*> mine;
        for (auto& db : state.open)
            if (db->owner == d) mine.push_back(db.get());
        for (auto it = mine.rbegin(); it != mine.rend(); ++it) closeDialog(*it, ACTIONBUTTON_CANCEL);
        for (auto it = state.hooks.begin(); it != state.hooks.end();)
            it = it->first.first == d ? state.hooks.erase(it) : std::next(it);
    }});
}

// [SECTION] Hooks and messages

void* findHook(MdlDesc* owner, int32_t hookId) {
    if (!hookId) return nullptr;
    auto it = state.hooks.find({owner, hookId});
    return it == state.hooks.end() ? nullptr : it->second;
}

void record(const DialogBox* db, const ItemState* it, int message) {
    if (state.recording)
        state.calls.push_back({db->id, it ? it->pub.type : 0u, it ? it->pub.id : 0, message});
}

/* Send MESSAGE to the dialog's hook on behalf of the dialog's owner. */
void sendDialog(DialogBox* db, DialogMessage& m) {
    auto fn = reinterpret_cast<DialogHookFunction>(findHook(db->owner, db->hookId));
    m.db = db;
    m.dialogId = db->id;
    m.msgUnderstood = 0;
    if (!fn) return;
    record(db, nullptr, m.messageType);
    sim::CurrentApplicationScope scope(db->owner);
    try {
        fn(&m);
    } catch (...) {
        toolSubsystem_printf("Dialog hook %d failed on message %d\n", db->hookId, m.messageType);
    }
}

void sendDialog(DialogBox* db, int type) {
    DialogMessage m{};
    m.messageType = type;
    sendDialog(db, m);
}

void sendItem(DialogBox* db, ItemState* it, DialogItemMessage& m) {
    auto fn = reinterpret_cast<ItemHookFunction>(findHook(db->owner, it->pub.hookId));
    m.db = db;
    m.dialogId = db->id;
    m.itemIndex = it->pub.itemIndex;
    m.dialogItemP = &it->pub;
    m.msgUnderstood = 0;
    if (!fn) return;
    record(db, it, m.messageType);
    sim::CurrentApplicationScope scope(db->owner);
    try {
        fn(&m);
    } catch (...) {
        toolSubsystem_printf("Item hook %d failed on message %d\n", it->pub.hookId, m.messageType);
    }
}

void sendItem(DialogBox* db, ItemState* it, int type) {
    DialogItemMessage m{};
    m.messageType = type;
    sendItem(db, it, m);
}

/* True while DB may still receive messages. */
bool active(DialogBox* db) { return live(db) && !db->closing; }

// [SECTION] Item values

/* A "%[flags][width][.precision]conv" format with text around it, checked
** so that resource texts never reach printf unchecked. */
struct NumberFormat {
    std::string prefix, conversion, suffix;
    char conv = 0;
};

bool parseFormat(const std::string& f, NumberFormat& out) {
    size_t p = f.find('%');
    while (p != std::string::npos && p + 1 < f.size() && f[p + 1] == '%') p = f.find('%', p + 2);
    if (p == std::string::npos) return false;
    size_t i = p + 1;
    while (i < f.size() && f[i] && std::strchr("-+ #0", f[i])) ++i;
    /* Width and precision of at most two digits: a resource cannot ask for megabytes. */
    auto digits = [&] {
        size_t b = i;
        while (i < f.size() && std::isdigit(static_cast<unsigned char>(f[i]))) ++i;
        return i - b <= 2;
    };
    if (!digits()) return false;
    if (i < f.size() && f[i] == '.') {
        ++i;
        if (!digits()) return false;
    }
    while (i < f.size() && (f[i] == 'l' || f[i] == 'h')) ++i;
    if (i >= f.size() || !f[i] || !std::strchr("diouxXfFeEgGs", f[i])) return false;
    out.conv = f[i];
    std::string conversion = f.substr(p, i - p);
    conversion.erase(std::remove_if(conversion.begin(), conversion.end(), [](char c) { return c == 'l' || c == 'h'; }),
                     conversion.end());
    out.conversion = conversion;
    out.prefix = f.substr(0, p);
    out.suffix = f.substr(i + 1);
    for (const std::string* part : {&out.prefix, &out.suffix})
        for (size_t k = part->find('%'); k != std::string::npos; k = part->find('%', k + 2)) {
            if (k + 1 >= part->size() || (*part)[k + 1] != '%') return false;
        }
    return true;
}

std::string unescapePercent(const std::string& s) {
    std::string out;
    for (size_t i = 0; i < s.size(); ++i) {
        out += s[i];
        if (s[i] == '%' && i + 1 < s.size() && s[i + 1] == '%') ++i;
    }
    return out;
}

std::string formatValue(const sim::AccessValue& v, const std::string* format) {
    NumberFormat f;
    if (format && parseFormat(*format, f)) {
        std::string body;
        if (f.conv == 's')
            body = sim::format((f.conversion + "s").c_str(), v.isText ? v.text.c_str()
                                                                : (v.isInteger ? std::to_string(v.integer).c_str() : sim::format("%g", v.number).c_str()));
        else if (v.isText)
            body = v.text;
        else if (std::strchr("diouxX", f.conv))
            body = sim::format((f.conversion + "ll" + f.conv).c_str(),
                               static_cast<long long>(v.isInteger ? v.integer : static_cast<int64_t>(v.number)));
        else
            body = sim::format((f.conversion + f.conv).c_str(), v.isInteger ? static_cast<double>(v.integer) : v.number);
        return unescapePercent(f.prefix) + body + unescapePercent(f.suffix);
    }
    if (v.isText) return v.text;
    if (v.isInteger) return std::to_string(v.integer);
    return sim::format("%g", v.number);
}

int optionIndexOfValue(const ItemState& it, int32_t value) {
    for (size_t i = 0; i < it.options.size(); ++i)
        if (it.options[i].value == value) return static_cast<int>(i);
    return -1;
}

int rowCount(const ItemState& it) {
    if (it.model) return static_cast<int>(it.model->rows.size());
    if (it.strList) return mdlStringList_size(it.strList) / std::max(1, it.columns);
    return static_cast<int>(it.rows.size());
}

std::string cellText(const ItemState& it, int row, int column) {
    if (row < 0 || column < 0) return {};
    if (it.model) {
        if (row >= static_cast<int>(it.model->rows.size())) return {};
        auto& cells = it.model->rows[static_cast<size_t>(row)]->cells;
        return column < static_cast<int>(cells.size()) ? cells[static_cast<size_t>(column)].text : std::string();
    }
    if (it.strList) {
        if (column >= it.columns) return {};
        const char* text = nullptr;
        if (mdlStringList_getMember(&text, nullptr, it.strList, row * it.columns + column) != 0 || !text) return {};
        return text;
    }
    if (row >= static_cast<int>(it.rows.size())) return {};
    auto& r = it.rows[static_cast<size_t>(row)];
    return column < static_cast<int>(r.size()) ? r[static_cast<size_t>(column)] : std::string();
}

bool takesValue(uint32_t type) {
    return type == sim::ITEM_TEXT || type == sim::ITEM_COMBOBOX || type == sim::ITEM_TOGGLE ||
           type == sim::ITEM_OPTIONBUTTON || type == sim::ITEM_LISTBOX;
}

/* Read the item's value from its access string. False with ERROR set when it
** has one that does not resolve. */
bool loadValue(DialogBox* db, ItemState* it, std::string& error) {
    if (it->access.empty() || !takesValue(it->pub.type)) return true;
    sim::AccessValue v;
    if (!sim::readAccessValue(it->access, db->owner, v, error)) return false;
    uint32_t t = it->pub.type;
    if (t == sim::ITEM_TEXT || t == sim::ITEM_COMBOBOX) {
        it->text = formatValue(v, property(*it, "format"));
    } else if (v.isText) {
        error = "\"" + it->access + "\" is a text, not a number";
        return false;
    } else {
        int64_t x = v.isInteger ? v.integer : static_cast<int64_t>(v.number);
        if (t == sim::ITEM_TOGGLE) {
            it->value = it->mask ? ((static_cast<uint64_t>(x) & it->mask) != 0) : (x != 0);
        } else if (t == sim::ITEM_OPTIONBUTTON) {
            it->value = static_cast<int32_t>(x);
        } else {
            it->selected.clear();
            if (x >= 0 && x < rowCount(*it)) it->selected.insert(static_cast<int>(x));
        }
    }
    return true;
}

void loadValueOrReport(DialogBox* db, ItemState* it) {
    std::string error;
    if (!loadValue(db, it, error)) toolSubsystem_printf("%s: %s\n", describe(db, it).c_str(), error.c_str());
}

/* Write what the item shows through its access string. *CHANGED tells
** whether the variable changed. */
bool storeValue(DialogBox* db, ItemState* it, bool* changed, std::string& error) {
    if (changed) *changed = false;
    if (it->access.empty() || !takesValue(it->pub.type)) return true;
    sim::AccessValue before;
    if (!sim::readAccessValue(it->access, db->owner, before, error)) return false;
    uint32_t t = it->pub.type;
    bool ok;
    if (t == sim::ITEM_TEXT || t == sim::ITEM_COMBOBOX) {
        ok = sim::writeAccessText(it->access, db->owner, it->text, error);
    } else if (before.isText) {
        error = "\"" + it->access + "\" is a text, not a number";
        return false;
    } else {
        int64_t x;
        if (t == sim::ITEM_TOGGLE) {
            int64_t old = before.isInteger ? before.integer : static_cast<int64_t>(before.number);
            x = it->mask ? (it->value ? (old | it->mask) : (old & ~static_cast<int64_t>(it->mask))) : it->value;
        } else if (t == sim::ITEM_OPTIONBUTTON) {
            x = it->value;
        } else {
            x = it->selected.empty() ? -1 : *it->selected.begin();
        }
        ok = sim::writeAccessInteger(it->access, db->owner, x, error);
    }
    if (!ok) return false;
    sim::AccessValue after;
    std::string ignored;
    if (changed && sim::readAccessValue(it->access, db->owner, after, ignored))
        *changed = after.isText != before.isText || after.text != before.text || after.integer != before.integer ||
                   !(after.number == before.number);
    return true;
}

void synchItem(DialogBox* db, ItemState* it) {
    loadValueOrReport(db, it);
    if (!active(db)) return;
    sendItem(db, it, DITEM_MESSAGE_SYNCHRONIZE);
    if (!active(db)) return;
    if (takesValue(it->pub.type)) sendItem(db, it, DITEM_MESSAGE_SETSTATE);
}

void drawItem(DialogBox* db, ItemState* it) {
    if (!active(db) || !it->pub.visible) return;
    DialogItemMessage m{};
    m.messageType = DITEM_MESSAGE_DRAW;
    m.u.draw.rect = it->pub.rect;
    m.u.draw.row = -1;
    m.u.draw.column = -1;
    sendItem(db, it, m);
}

// [SECTION] Opening and closing

DialogRect toRect(const sim::Extent& e) {
    return DialogRect{e.x, e.y, e.x + std::max(e.width, 1) - 1, e.y + std::max(e.height, 1) - 1};
}

std::unique_ptr<ItemState> buildItem(const sim::DialogItemRsc& r, int index, DialogBox* db) {
    auto it = std::make_unique<ItemState>();
    it->db = db;
    it->pub.type = r.type;
    it->pub.id = r.id;
    it->pub.itemIndex = index;
    it->pub.hookId = r.hookId;
    it->pub.attributes = r.attributes;
    it->pub.rect = toRect(r.extent);
    it->pub.enabled = !(r.attributes & sim::ITEMATTR_DISABLED);
    it->pub.visible = !(r.attributes & sim::ITEMATTR_HIDDEN);
    it->label = r.label;
    it->access = r.access;
    it->properties = r.properties;
    if (const std::string* m = property(*it, "mask")) it->mask = static_cast<uint32_t>(std::strtoul(m->c_str(), nullptr, 0));
    if (const std::string* c = property(*it, "columns")) it->columns = std::max(1, std::atoi(c->c_str()));
    for (const auto& e : r.entries) {
        if (r.type == sim::ITEM_OPTIONBUTTON)
            it->options.push_back({e.texts.empty() ? std::string() : e.texts[0], 0, 0, e.value});
        else
            it->rows.push_back(e.texts);
    }
    if (r.type == sim::ITEM_OPTIONBUTTON && !it->options.empty()) it->value = it->options[0].value;
    if (r.type == sim::ITEM_TEXT || r.type == sim::ITEM_COMBOBOX)
        if (const std::string* v = property(*it, "value")) it->text = *v;
    if (r.type == sim::ITEM_MENUBAR || r.type == sim::ITEM_POPUPMENU) {
        if (const std::string* list = property(*it, "menus")) {
            std::string ids = *list;
            std::replace(ids.begin(), ids.end(), ',', ' ');
            std::istringstream in(ids);
            for (int32_t id; in >> id;) {
                sim::MenuRsc m;
                if (sim::loadMenu(id, m) == RSC_SUCCESS) it->menus.push_back(std::move(m));
                else toolSubsystem_printf("%s: pull-down menu %d not found\n", describe(db, it.get()).c_str(), id);
            }
        }
    }
    return it;
}

void dropClosed() {
    while (state.closed.size() > KEEP_CLOSED) state.closed.pop_front();
}

/* Build and open dialog ID. *ACTIONOUT (may be null) gets the closing
** action whenever it closes, even while it is still being built. */
DialogBox* openDialog(RscFileHandle file, int32_t id, bool modal, int* actionOut = nullptr) {
    ensureListener();
    sim::DialogRsc rsc;
    int st = sim::loadDialog(id, rsc, file);
    if (st == RSCERR_NOT_FOUND) toolSubsystem_printf("Dialog %d not found\n", id);
    if (st != RSC_SUCCESS) return nullptr;
    auto owned = std::make_unique<DialogBox>();
    DialogBox* db = owned.get();
    db->id = id;
    db->owner = sim::currentApplication();
    db->title = rsc.title;
    db->extent = toRect(rsc.extent);
    db->hookId = rsc.hookId;
    db->attributes = rsc.attributes;
    db->modal = modal || (rsc.attributes & sim::DIALOGATTR_MODAL);
    db->open = true;
    db->actionOut = actionOut;
    for (size_t i = 0; i < rsc.items.size(); ++i) db->items.push_back(buildItem(rsc.items[i], static_cast<int>(i), db));
    state.open.push_back(std::move(owned));

    DialogMessage create{};
    create.messageType = DIALOG_MESSAGE_CREATE;
    sendDialog(db, create);
    for (size_t i = 0; i < db->items.size() && active(db); ++i) {
        ItemState* it = db->items[i].get();
        loadValueOrReport(db, it);
        DialogItemMessage m{};
        m.messageType = DITEM_MESSAGE_CREATE;
        sendItem(db, it, m);
        if (m.u.create.createFailed) toolSubsystem_printf("%s could not be created\n", describe(db, it).c_str());
    }
    if (active(db)) sendDialog(db, DIALOG_MESSAGE_INIT);
    if (active(db)) sendDialog(db, DIALOG_MESSAGE_UPDATE);
    for (size_t i = 0; i < db->items.size() && active(db); ++i) drawItem(db, db->items[i].get());
    return live(db);
}

void closeDialog(DialogBox* db, int action) {
    if (!live(db) || db->closing) return;
    db->closing = true;
    db->action = action;
    if (db->actionOut) *db->actionOut = action;
    for (auto& it : db->items) sendItem(db, it.get(), DITEM_MESSAGE_DESTROY);
    sendDialog(db, DIALOG_MESSAGE_DESTROY);
    db->open = false;
    auto pos = std::find_if(state.open.begin(), state.open.end(), [db](const auto& d) { return d.get() == db; });
    if (pos != state.open.end()) {
        state.closed.push_back(std::move(*pos));
        state.open.erase(pos);
    }
    dropClosed();
}

// [SECTION] The user's actions

/* Press a push button: 54 down, 54 up, 70; -3 and -4 then close. */
void press(DialogBox* db, ItemState* it) {
    DialogItemMessage m{};
    m.messageType = DITEM_MESSAGE_BUTTON;
    m.u.button.transition = BUTTONTRANS_DOWN;
    m.u.button.clicks = 1;
    m.u.button.row = m.u.button.column = -1;
    sendItem(db, it, m);
    if (!active(db)) return;
    m = DialogItemMessage{};
    m.messageType = DITEM_MESSAGE_BUTTON;
    m.u.button.transition = BUTTONTRANS_UP;
    m.u.button.clicks = 1;
    m.u.button.row = m.u.button.column = -1;
    sendItem(db, it, m);
    if (!active(db)) return;
    sendItem(db, it, DITEM_MESSAGE_ACTIVATE);
    if (!active(db) || it->pub.type != sim::ITEM_PUSHBUTTON) return;
    if (it->pub.id == PUSHBUTTONID_OK) closeDialog(db, ACTIONBUTTON_OK);
    else if (it->pub.id == PUSHBUTTONID_CANCEL) closeDialog(db, ACTIONBUTTON_CANCEL);
}

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

/* Apply one action of an answer to DB. */
bool applyAction(DialogBox* db, const std::string& action, std::string& error);

}  // namespace

namespace sim {

std::vector<DialogBox*> openDialogs() {
    std::vector<DialogBox*> out;
    for (auto& d : state.open) out.push_back(d.get());
    return out;
}

DialogBox* findOpenDialog(int32_t id) {
    for (auto it = state.open.rbegin(); it != state.open.rend(); ++it)
        if ((*it)->id == id && !(*it)->closing) return it->get();
    return nullptr;
}

int findItem(DialogBox* db, const std::string& name, std::string& error) {
    if (!live(db)) {
        error = "the dialog is not open";
        return -1;
    }
    std::string s = trim(name);
    uint32_t type = 0;
    std::string idText = s;
    size_t colon = s.find(':');
    if (colon != std::string::npos) {
        if (!parseFourCC(s.substr(0, colon), &type)) {
            error = "bad item type in \"" + s + "\"";
            return -1;
        }
        idText = s.substr(colon + 1);
    }
    char* end = nullptr;
    long id = std::strtol(idText.c_str(), &end, 10);
    if (idText.empty() || *end) {
        error = "bad item \"" + s + "\"";
        return -1;
    }
    for (auto& it : db->items)
        if (it->pub.id == id && (!type || it->pub.type == type)) return it->pub.itemIndex;
    error = "dialog " + std::to_string(db->id) + " has no item " + s;
    return -1;
}

bool userSetItem(DialogBox* db, int itemIndex, const std::string& value, std::string& error) {
    ItemState* it = usable(db, itemIndex, error);
    if (!it) return false;
    uint32_t t = it->pub.type;
    if (t == ITEM_OPTIONBUTTON) return userPickOption(db, itemIndex, value, error);
    if (t == ITEM_LISTBOX) {
        char* end = nullptr;
        long row = std::strtol(value.c_str(), &end, 10);
        if (value.empty() || *end) {
            error = "a list box is set to a row number";
            return false;
        }
        return userSelectRow(db, itemIndex, static_cast<int>(row), 0, false, error);
    }
    if (t != ITEM_TEXT && t != ITEM_COMBOBOX && t != ITEM_TOGGLE) {
        error = describe(db, it) + " takes no value";
        return false;
    }
    if (it->pub.attributes & ITEMATTR_READONLY) {
        error = describe(db, it) + " is read-only";
        return false;
    }
    std::string oldText = it->text;
    int32_t oldValue = it->value;
    if (t == ITEM_TOGGLE) {
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
    if (it->pub.type == ITEM_TOGGLE) {
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
    if (it->pub.type == ITEM_COMBOBOX) {
        if (row < 0 || row >= rowCount(*it)) {
            error = "row " + std::to_string(row) + " is out of range";
            return false;
        }
        return userSetItem(db, itemIndex, cellText(*it, row, 0), error);
    }
    if (it->pub.type != ITEM_LISTBOX) {
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
        if (!storeValue(db, it, &written, error)) toolSubsystem_printf("%s: %s\n", describe(db, it).c_str(), error.c_str());
    }
    for (int transition : {BUTTONTRANS_DOWN, BUTTONTRANS_UP}) {
        if (!active(db)) return true;
        DialogItemMessage m{};
        m.messageType = DITEM_MESSAGE_BUTTON;
        m.u.button.transition = transition;
        m.u.button.clicks = doubleClick ? 2 : 1;
        m.u.button.row = row;
        m.u.button.column = column;
        sendItem(db, it, m);
    }
    if (!active(db)) return true;
    stateChanged(db, it, it->selected != before);
    return true;
}

bool userPickOption(DialogBox* db, int itemIndex, const std::string& option, std::string& error) {
    ItemState* it = usable(db, itemIndex, error);
    if (!it) return false;
    if (it->pub.type != ITEM_OPTIONBUTTON) {
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
    if (it->pub.type != ITEM_LISTBOX) {
        error = describe(db, it) + " is not a list box";
        return false;
    }
    if (row < 0 || row >= rowCount(*it) || column < 0) {
        error = "cell " + std::to_string(row) + "," + std::to_string(column) + " is out of range";
        return false;
    }
    std::string old = cellText(*it, row, column);
    if (it->model) {
        ListRow* r = it->model->rows[static_cast<size_t>(row)].get();
        if (column >= static_cast<int>(r->cells.size()) || !r->cells[static_cast<size_t>(column)].editable) {
            error = "cell " + std::to_string(row) + "," + std::to_string(column) + " cannot be edited";
            return false;
        }
        r->cells[static_cast<size_t>(column)].text = text;
    } else if (it->strList) {
        if (column >= it->columns || mdlStringList_setMember(it->strList, row * it->columns + column, text.c_str(), nullptr)) {
            error = "cell " + std::to_string(row) + "," + std::to_string(column) + " cannot be edited";
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
        std::string label = e.label;
        label.erase(std::remove(label.begin(), label.end(), '~'), label.end());
        if ((byId && e.id == id) || (!byId && lower(label) == lower(entry))) return &e;
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
            m.messageType = DITEM_MESSAGE_BUTTON;
            m.u.button.transition = BUTTONTRANS_UP;
            m.u.button.clicks = 1;
            m.u.button.row = m.u.button.column = -1;
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

std::vector<std::string> describeDialog(DialogBox* db) {
    std::vector<std::string> out;
    if (!live(db)) return out;
    out.push_back("dialog " + std::to_string(db->id) + " \"" + db->title + "\"");
    for (auto& p : db->items) {
        const ItemState& it = *p;
        std::string line = "  " + fourCCText(it.pub.type) + " " + std::to_string(it.pub.id);
        if (!it.label.empty()) line += " \"" + it.label + "\"";
        uint32_t t = it.pub.type;
        if (t == ITEM_TEXT || t == ITEM_COMBOBOX) {
            line += " = \"" + it.text + "\"";
        } else if (t == ITEM_TOGGLE) {
            line += it.value ? " = on" : " = off";
        } else if (t == ITEM_OPTIONBUTTON) {
            int i = optionIndexOfValue(it, it.value);
            line += " = " + (i < 0 ? std::to_string(it.value) : "\"" + it.options[static_cast<size_t>(i)].label + "\"");
            line += " of " + std::to_string(it.options.size());
        } else if (t == ITEM_LISTBOX) {
            line += " rows " + std::to_string(rowCount(it)) + " selected";
            if (it.selected.empty()) line += " none";
            for (int r : it.selected) line += " " + std::to_string(r);
        }
        if (!it.pub.enabled) line += " [disabled]";
        if (!it.pub.visible) line += " [hidden]";
        out.push_back(line);
    }
    return out;
}

// [SECTION] The scripted user

static std::vector<std::string> splitActions(const std::string& answer) {
    std::vector<std::string> out;
    std::string cur;
    bool quoted = false;
    for (char c : answer) {
        if (c == '"') quoted = !quoted;
        if (c == ';' && !quoted) {
            if (!trim(cur).empty()) out.push_back(trim(cur));
            cur.clear();
        } else {
            cur += c;
        }
    }
    if (!trim(cur).empty()) out.push_back(trim(cur));
    return out;
}

bool queueAnswer(const std::string& answer, std::string& error) {
    Answer a;
    a.actions = splitActions(answer);
    if (a.actions.empty()) {
        error = "answer: nothing to answer";
        return false;
    }
    static const char* const verbs[] = {"ok", "cancel", "result", "press", "set", "option", "select", "file"};
    for (const std::string& act : a.actions) {
        std::string verb = lower(act.substr(0, act.find(' ')));
        if (std::none_of(std::begin(verbs), std::end(verbs), [&](const char* v) { return verb == v; })) {
            error = "answer: unknown action \"" + act + "\"";
            return false;
        }
    }
    state.answers.push_back(std::move(a));
    return true;
}

size_t queuedAnswers() { return state.answers.size(); }
void clearAnswers() { state.answers.clear(); }
void setModalHandler(ModalHandler handler) { state.modalHandler = std::move(handler); }
void setFileHandler(FileHandler handler) { state.fileHandler = std::move(handler); }

void recordHookCalls(bool on) {
    state.recording = on;
    state.calls.clear();
}
const std::vector<HookCall>& hookCalls() { return state.calls; }

void resetDialogs() {
    while (!state.open.empty()) closeDialog(state.open.back().get(), ACTIONBUTTON_CANCEL);
    state.closed.clear();
    state.hooks.clear();
    state.answers.clear();
    state.modalHandler = nullptr;
    state.fileHandler = nullptr;
    state.recording = false;
    state.calls.clear();
    state.organizeCount = 0;
}

static Registration resetRegistration([] { registerReset(ResetStage::Dialogs, resetDialogs); });

}  // namespace sim

namespace {

/* Split "VERB REST" and REST into words, keeping a quoted text whole. */
std::vector<std::string> words(const std::string& s) {
    std::vector<std::string> out;
    std::string cur;
    bool quoted = false, any = false;
    for (char c : s) {
        if (c == '"') {
            quoted = !quoted;
            any = true;
        } else if ((c == ' ' || c == '\t') && !quoted) {
            if (any) out.push_back(cur);
            cur.clear();
            any = false;
        } else {
            cur += c;
            any = true;
        }
    }
    if (any) out.push_back(cur);
    return out;
}

/* The text after the first N words of S, unquoted when it is one quoted text. */
std::string restAfter(const std::string& s, size_t n) {
    size_t i = 0;
    for (size_t k = 0; k < n; ++k) {
        while (i < s.size() && (s[i] == ' ' || s[i] == '\t')) ++i;
        bool quoted = false;
        while (i < s.size() && (quoted || (s[i] != ' ' && s[i] != '\t'))) {
            if (s[i] == '"') quoted = !quoted;
            ++i;
        }
    }
    std::string rest = trim(s.substr(std::min(i, s.size())));
    if (rest.size() >= 2 && rest.front() == '"' && rest.back() == '"') rest = rest.substr(1, rest.size() - 2);
    return rest;
}

bool applyAction(DialogBox* db, const std::string& action, std::string& error) {
    std::vector<std::string> w = words(action);
    if (w.empty()) return true;
    std::string verb = lower(w[0]);
    if (verb == "ok" || verb == "cancel") {
        closeDialog(db, verb == "ok" ? ACTIONBUTTON_OK : ACTIONBUTTON_CANCEL);
        return true;
    }
    if (verb == "result") {
        if (w.size() < 2) {
            error = "result needs a number";
            return false;
        }
        closeDialog(db, std::atoi(w[1].c_str()));
        return true;
    }
    if (w.size() < 2) {
        error = "\"" + action + "\" needs an item";
        return false;
    }
    int index = sim::findItem(db, w[1], error);
    if (index < 0) return false;
    if (verb == "press") return sim::userPressItem(db, index, error);
    if (verb == "set") return sim::userSetItem(db, index, restAfter(action, 2), error);
    if (verb == "option") return sim::userPickOption(db, index, restAfter(action, 2), error);
    if (verb == "select") {
        if (w.size() < 3) {
            error = "select needs a row";
            return false;
        }
        int row = 0, column = 0;
        if (std::sscanf(w[2].c_str(), "%d,%d", &row, &column) < 1) {
            error = "bad row \"" + w[2] + "\"";
            return false;
        }
        bool dbl = w.size() > 3 && lower(w[3]) == "double";
        return sim::userSelectRow(db, index, row, column, dbl, error);
    }
    error = "\"" + action + "\" cannot answer a dialog";
    return false;
}

/* Let the scripted user answer the modal dialog DB; it is closed afterwards. */
void answerModal(DialogBox* db) {
    if (state.modalHandler) {
        int action = state.modalHandler(db);
        closeDialog(db, action);
        return;
    }
    if (state.answers.empty()) {
        sim::addOutput(sim::OutputKind::Host, 0,
                       "Dialog " + std::to_string(db->id) + " \"" + db->title + "\" cancelled: no answer queued");
        closeDialog(db, ACTIONBUTTON_CANCEL);
        return;
    }
    Answer a = std::move(state.answers.front());
    state.answers.pop_front();
    for (const std::string& act : a.actions) {
        if (!active(db)) break;
        std::string error;
        if (!applyAction(db, act, error)) {
            sim::addOutput(sim::OutputKind::Host, 0,
                           "Dialog " + std::to_string(db->id) + ": answer \"" + act + "\" failed: " + error + "; cancelled");
            closeDialog(db, ACTIONBUTTON_CANCEL);
            return;
        }
    }
    closeDialog(db, ACTIONBUTTON_OK);
}

}  // namespace

// [SECTION] Platform API: dialogs and items

HOST_API StatusInt mdlDialog_hookPublish(int count, const DialogHookInfo* table) {
    if (!table || count < 0) return HOST_ERROR;
    ensureListener();
    MdlDesc* owner = sim::currentApplication();
    for (int i = 0; i < count; ++i) state.hooks[{owner, table[i].hookId}] = table[i].function;
    return HOST_SUCCESS;
}

HOST_API DialogBox* mdlDialog_open(RscFileHandle file, int32_t dialogId) {
    /* A dialog the application has open already is brought back, not built twice. */
    for (auto& d : state.open)
        if (d->id == dialogId && d->owner == sim::currentApplication() && !d->modal && !d->closing) return d.get();
    return openDialog(file, dialogId, false);
}

HOST_API StatusInt mdlDialog_openModal(int* lastAction, RscFileHandle file, int32_t dialogId) {
    if (lastAction) *lastAction = ACTIONBUTTON_CANCEL;
    int action = 0; /* stays 0 unless the dialog was built */
    DialogBox* db = openDialog(file, dialogId, true, &action);
    if (db) {
        answerModal(db);
    } else if (action == 0) {
        return HOST_ERROR;
    }
    /* else its hooks closed it while it was being built: that action answers. */
    if (lastAction) *lastAction = action;
    return HOST_SUCCESS;
}

HOST_API void mdlDialog_closeWithAction(DialogBox* db, int action) { closeDialog(db, action); }

HOST_API DialogBox* mdlDialog_find(int32_t dialogId, MdlDescP owner) {
    if (owner && !sim::knownApplication(owner)) return nullptr;
    MdlDesc* want = owner ? owner : sim::currentApplication();
    DialogBox* any = nullptr;
    for (auto it = state.open.rbegin(); it != state.open.rend(); ++it) {
        DialogBox* db = it->get();
        if (db->id != dialogId || db->closing) continue;
        if (db->owner == want) return db;
        if (!any) any = db;
    }
    return owner ? nullptr : any;
}

HOST_API DialogBox* mdlDialog_findByTypeAndId(uint32_t type, int32_t dialogId, MdlDescP owner) {
    if (type != sim::RTYPE_DIALOG) return nullptr;
    return mdlDialog_find(dialogId, owner);
}

HOST_API DialogBox* mdlDialog_nextOpen(DialogBox* previous) {
    auto& v = state.open;
    if (!previous) return v.empty() ? nullptr : v.front().get();
    auto it = std::find_if(v.begin(), v.end(), [previous](const auto& d) { return d.get() == previous; });
    return it == v.end() || std::next(it) == v.end() ? nullptr : std::next(it)->get();
}

HOST_API void mdlDialog_synonymsSynch(RscFileHandle file, int32_t synonymId, void* reserved) {
    for (DialogBox* db : sim::openDialogs()) mdlDialog_itemsSynch(db);
}

HOST_API int32_t mdlDialog_getId(DialogBox* db) { return live(db) ? db->id : 0; }
HOST_API void* mdlDialog_getUserDataP(DialogBox* db) { return live(db) ? db->userData : nullptr; }
HOST_API void mdlDialog_setUserDataP(DialogBox* db, void* data) {
    if (live(db)) db->userData = data;
}

HOST_API DialogItem* mdlDialog_itemGetByTypeAndId(DialogBox* db, uint32_t type, int32_t id, int start) {
    if (!live(db)) return nullptr;
    for (size_t i = static_cast<size_t>(std::max(start, 0)); i < db->items.size(); ++i)
        if (db->items[i]->pub.type == type && db->items[i]->pub.id == id) return &db->items[i]->pub;
    return nullptr;
}

HOST_API DialogItem* mdlDialog_itemGetByIndex(DialogBox* db, int itemIndex) {
    ItemState* it = itemAt(db, itemIndex);
    return it ? &it->pub : nullptr;
}

HOST_API int mdlDialog_itemCount(DialogBox* db) { return live(db) ? static_cast<int>(db->items.size()) : 0; }

HOST_API void mdlDialog_itemsSynch(DialogBox* db) {
    if (!live(db)) return;
    for (size_t i = 0; i < db->items.size() && active(db); ++i) synchItem(db, db->items[i].get());
}

HOST_API StatusInt mdlDialog_itemSynch(DialogBox* db, int itemIndex) {
    ItemState* it = itemAt(db, itemIndex);
    if (!it) return HOST_ERROR;
    synchItem(db, it);
    return HOST_SUCCESS;
}

HOST_API StatusInt mdlDialog_itemSetState(BoolInt* changed, DialogBox* db, int itemIndex) {
    if (changed) *changed = 0;
    ItemState* it = itemAt(db, itemIndex);
    if (!it) return HOST_ERROR;
    bool c = false;
    std::string error;
    if (!storeValue(db, it, &c, error)) {
        toolSubsystem_printf("%s: %s\n", describe(db, it).c_str(), error.c_str());
        return HOST_ERROR;
    }
    if (changed) *changed = c;
    return HOST_SUCCESS;
}

HOST_API StatusInt mdlDialog_itemDraw(DialogBox* db, int itemIndex) {
    ItemState* it = itemAt(db, itemIndex);
    if (!it) return HOST_ERROR;
    drawItem(db, it);
    return HOST_SUCCESS;
}

HOST_API void mdlDialog_itemsDrawAll(DialogBox* db) {
    if (!live(db)) return;
    for (size_t i = 0; i < db->items.size() && active(db); ++i) drawItem(db, db->items[i].get());
}

HOST_API StatusInt mdlDialog_itemSetEnabledState(DialogBox* db, int itemIndex, BoolInt enabled, BoolInt redraw) {
    ItemState* it = itemAt(db, itemIndex);
    if (!it) return HOST_ERROR;
    it->pub.enabled = enabled ? 1 : 0;
    if (redraw) drawItem(db, it);
    return HOST_SUCCESS;
}

HOST_API StatusInt mdlDialog_itemShow(DialogBox* db, int itemIndex) {
    ItemState* it = itemAt(db, itemIndex);
    if (!it) return HOST_ERROR;
    it->pub.visible = 1;
    drawItem(db, it);
    return HOST_SUCCESS;
}

HOST_API StatusInt mdlDialog_itemHide(DialogBox* db, int itemIndex) {
    ItemState* it = itemAt(db, itemIndex);
    if (!it) return HOST_ERROR;
    it->pub.visible = 0;
    return HOST_SUCCESS;
}

HOST_API StatusInt mdlDialog_itemSetLabel(DialogBox* db, int itemIndex, const char* label) {
    ItemState* it = itemAt(db, itemIndex);
    if (!it || !label) return HOST_ERROR;
    it->label = label;
    return HOST_SUCCESS;
}

HOST_API StatusInt mdlDialog_itemGetLabel(char* buffer, int size, DialogBox* db, int itemIndex) {
    ItemState* it = itemAt(db, itemIndex);
    if (!it || !buffer) return HOST_ERROR;
    copyOut(buffer, size, it->label);
    return HOST_SUCCESS;
}

HOST_API StatusInt mdlDialog_itemSetExtent(DialogBox* db, int itemIndex, const DialogRect* rect, BoolInt redraw) {
    ItemState* it = itemAt(db, itemIndex);
    if (!it || !rect) return HOST_ERROR;
    it->pub.rect = *rect;
    if (redraw) drawItem(db, it);
    return HOST_SUCCESS;
}

HOST_API StatusInt mdlDialog_itemGetText(char* buffer, int size, DialogBox* db, int itemIndex) {
    ItemState* it = itemAt(db, itemIndex);
    if (!it || !buffer) return HOST_ERROR;
    if (it->pub.type == sim::ITEM_OPTIONBUTTON) {
        int i = optionIndexOfValue(*it, it->value);
        copyOut(buffer, size, i < 0 ? std::string() : it->options[static_cast<size_t>(i)].label);
    } else {
        copyOut(buffer, size, it->text);
    }
    return HOST_SUCCESS;
}

HOST_API StatusInt mdlDialog_itemSetText(DialogBox* db, int itemIndex, const char* text) {
    ItemState* it = itemAt(db, itemIndex);
    if (!it || !text) return HOST_ERROR;
    it->text = text;
    return HOST_SUCCESS;
}

HOST_API StatusInt mdlDialog_itemGetValue(int32_t* value, DialogBox* db, int itemIndex) {
    ItemState* it = itemAt(db, itemIndex);
    if (!it || !value) return HOST_ERROR;
    if (it->pub.type == sim::ITEM_LISTBOX) *value = it->selected.empty() ? -1 : *it->selected.begin();
    else *value = it->value;
    return HOST_SUCCESS;
}

HOST_API StatusInt mdlDialog_itemSetValue(DialogBox* db, int itemIndex, int32_t value) {
    ItemState* it = itemAt(db, itemIndex);
    if (!it) return HOST_ERROR;
    if (it->pub.type == sim::ITEM_LISTBOX) {
        it->selected.clear();
        if (value >= 0 && value < rowCount(*it)) it->selected.insert(value);
    } else {
        it->value = it->pub.type == sim::ITEM_TOGGLE ? (value != 0) : value;
    }
    return HOST_SUCCESS;
}

HOST_API StatusInt mdlDialog_itemPress(DialogBox* db, int itemIndex) {
    ItemState* it = itemAt(db, itemIndex);
    if (!it || !active(db)) return HOST_ERROR;
    press(db, it);
    return HOST_SUCCESS;
}

HOST_API StatusInt mdlDialog_hookItemSendUserMsg(DialogItem* item, intptr_t arg1, intptr_t arg2) {
    ItemState* it = itemOf(item);
    if (!it || !active(it->db)) return HOST_ERROR;
    DialogItemMessage m{};
    m.messageType = DITEM_MESSAGE_USER;
    m.u.user.arg1 = arg1;
    m.u.user.arg2 = arg2;
    sendItem(it->db, it, m);
    return HOST_SUCCESS;
}

// [SECTION] Platform API: option buttons, list boxes, list models

HOST_API StatusInt mdlDialog_optionButtonInsertItem(DialogItem* item, int position, const char* label,
                                                    uint32_t iconType, int32_t iconId, int32_t value) {
    ItemState* it = itemOf(item);
    if (!it || it->pub.type != sim::ITEM_OPTIONBUTTON) return HOST_ERROR;
    if (position > static_cast<int>(it->options.size())) return HOST_ERROR;
    OptionEntry e{label ? label : "", iconType, iconId, value};
    if (position < 0) it->options.push_back(std::move(e));
    else it->options.insert(it->options.begin() + position, std::move(e));
    return HOST_SUCCESS;
}

HOST_API StatusInt mdlDialog_optionButtonDeleteItem(DialogItem* item, int index) {
    ItemState* it = itemOf(item);
    if (!it || it->pub.type != sim::ITEM_OPTIONBUTTON) return HOST_ERROR;
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
    if (label) copyOut(label, size, e.label);
    if (value) *value = e.value;
    return HOST_SUCCESS;
}

namespace {
ItemState* listItem(DialogItem* item) {
    ItemState* it = itemOf(item);
    return it && (it->pub.type == sim::ITEM_LISTBOX || it->pub.type == sim::ITEM_COMBOBOX) ? it : nullptr;
}

void clampSelection(ItemState* it) {
    int rows = rowCount(*it);
    for (auto s = it->selected.begin(); s != it->selected.end();) s = *s >= rows ? it->selected.erase(s) : std::next(s);
    it->topRow = std::clamp(it->topRow, 0, std::max(rows - 1, 0));
}
}  // namespace

HOST_API StatusInt mdlDialog_listBoxSetStrListP(DialogItem* item, StringList* list, int columns) {
    ItemState* it = listItem(item);
    if (!it || columns < 1) return HOST_ERROR;
    it->strList = list;
    it->model = nullptr;
    it->columns = columns;
    clampSelection(it);
    return HOST_SUCCESS;
}

HOST_API StringList* mdlDialog_listBoxGetStrListP(DialogItem* item) {
    ItemState* it = listItem(item);
    return it ? it->strList : nullptr;
}

HOST_API StatusInt mdlDialog_listBoxSetListModelP(DialogItem* item, ListModel* model, int columns) {
    ItemState* it = listItem(item);
    if (!it) return HOST_ERROR;
    it->model = model;
    it->strList = nullptr;
    it->columns = model ? model->columns : std::max(columns, 1);
    clampSelection(it);
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

HOST_API int mdlDialog_listBoxNRows(DialogItem* item) {
    ItemState* it = listItem(item);
    return it ? rowCount(*it) : 0;
}

HOST_API StatusInt mdlDialog_listBoxSelectCells(DialogItem* item, int firstRow, int lastRow, int firstColumn,
                                                int lastColumn, BoolInt select, BoolInt redraw) {
    ItemState* it = listItem(item);
    if (!it) return HOST_ERROR;
    int rows = rowCount(*it);
    if (firstRow == -1 && lastRow == -1) {
        firstRow = 0;
        lastRow = rows - 1;
    }
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
    if (firstRow == -1 && lastRow == -1) {
        firstRow = 0;
        lastRow = rows - 1;
    }
    clampSelection(it);
    for (int r = std::max(firstRow, 0); r <= std::min(lastRow, rows - 1) && active(it->db); ++r) {
        DialogItemMessage m{};
        m.messageType = DITEM_MESSAGE_DRAW;
        m.u.draw.rect = it->pub.rect;
        m.u.draw.row = r;
        m.u.draw.column = -1;
        sendItem(it->db, it, m);
    }
    return HOST_SUCCESS;
}

HOST_API StatusInt mdlDialog_listBoxGetCellText(char* buffer, int size, DialogItem* item, int row, int column) {
    ItemState* it = listItem(item);
    if (!it || !buffer || row < 0 || row >= rowCount(*it) || column < 0 || column >= std::max(it->columns, 1))
        return HOST_ERROR;
    copyOut(buffer, size, cellText(*it, row, column));
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

// [SECTION] Platform API: windows and fonts

namespace {
std::string rectText(const DialogRect& r) {
    return std::to_string(r.left) + " " + std::to_string(r.top) + " " + std::to_string(r.right) + " " +
           std::to_string(r.bottom);
}
}  // namespace

namespace sim {
std::vector<std::string> dialogDrawings(DialogBox* db) { return live(db) ? db->drawings : std::vector<std::string>(); }
}  // namespace sim

HOST_API void mdlDialog_drawText(DialogBox* db, int x, int y, int font, const char* text) {
    if (live(db) && text)
        db->drawings.push_back("text " + std::to_string(x) + " " + std::to_string(y) + " " + std::to_string(font) + " " + text);
}

HOST_API StatusInt mdlDialog_drawIcon(DialogBox* db, uint32_t type, int32_t id, const DialogRect* rect) {
    if (!live(db) || !rect) return HOST_ERROR;
    std::vector<uint8_t> bytes;
    if (sim::findResource(type, id, bytes) != RSC_SUCCESS) return HOST_ERROR;
    db->drawings.push_back("icon " + sim::fourCCText(type) + " " + std::to_string(id) + " " + rectText(*rect));
    return HOST_SUCCESS;
}

HOST_API void mdlDialog_rectDrawBeveled(DialogBox* db, const DialogRect* rect, BoolInt raised) {
    if (live(db) && rect) db->drawings.push_back("bevel " + rectText(*rect));
}

HOST_API StatusInt mdlWindow_extentGet(DialogRect* extent, DialogBox* window) {
    if (!live(window) || !extent) return HOST_ERROR;
    *extent = window->extent;
    return HOST_SUCCESS;
}

HOST_API StatusInt mdlWindow_extentSet(DialogBox* window, const DialogRect* extent) {
    if (!live(window) || !extent || extent->right < extent->left || extent->bottom < extent->top) return HOST_ERROR;
    DialogRect old = window->extent;
    window->extent = *extent;
    if (std::memcmp(&old, extent, sizeof old) != 0 && active(window)) {
        DialogMessage m{};
        m.messageType = DIALOG_MESSAGE_RESIZE;
        m.u.resize.oldExtent = old;
        m.u.resize.newExtent = *extent;
        sendDialog(window, m);
    }
    return HOST_SUCCESS;
}

HOST_API StatusInt mdlWindow_titleSet(DialogBox* window, const char* title) {
    if (!live(window) || !title) return HOST_ERROR;
    window->title = title;
    return HOST_SUCCESS;
}

HOST_API StatusInt mdlWindow_titleGet(char* buffer, int size, DialogBox* window) {
    if (!live(window) || !buffer) return HOST_ERROR;
    copyOut(buffer, size, window->title);
    return HOST_SUCCESS;
}

HOST_API StatusInt mdlWindow_close(DialogBox* window) {
    if (!live(window)) return HOST_ERROR;
    closeDialog(window, ACTIONBUTTON_CANCEL);
    return HOST_SUCCESS;
}

HOST_API BoolInt mdlWindow_getDocked(DialogBox* window, int* edge) {
    if (edge) *edge = DOCK_NONE;
    if (!live(window)) return 0;
    if (edge) *edge = window->dock;
    return window->dock != DOCK_NONE;
}

HOST_API StatusInt mdlWindow_dock(DialogBox* window, int edge) {
    if (!live(window) || edge < DOCK_NONE || edge > DOCK_RIGHT) return HOST_ERROR;
    window->dock = edge;
    return HOST_SUCCESS;
}

HOST_API void mdlWindow_organizeApplicationArea(int area) {
    /* Docked windows are stacked along their edge, in the order they were opened. */
    int offset[5] = {0, 0, 0, 0, 0};
    for (auto& d : state.open) {
        if (d->dock == DOCK_NONE) continue;
        DialogRect& e = d->extent;
        int w = e.right - e.left, h = e.bottom - e.top;
        int& o = offset[d->dock];
        if (d->dock == DOCK_TOP || d->dock == DOCK_BOTTOM) {
            e.left = o;
            e.top = 0;
            o += w + 1;
        } else {
            e.left = 0;
            e.top = o;
            o += h + 1;
        }
        e.right = e.left + w;
        e.bottom = e.top + h;
    }
    ++state.organizeCount;
}

HOST_API void mdlWindow_clear(DialogBox* window) {
    if (live(window)) window->drawings.clear();
}
HOST_API void mdlWindow_cursorTurnOff(void) {}

HOST_API int mdlDialog_stringWidth(DialogBox* db, int font, const char* text) {
    if (!text) return 0;
    int width = 0;
    for (const unsigned char* p = reinterpret_cast<const unsigned char*>(text); *p; ++p) {
        unsigned char c = *p;
        if ((c & 0xC0) == 0x80) continue;
        if (std::strchr("il.,:;'|!` ", c)) width += 3;
        else if (std::strchr("mwMW@", c)) width += 9;
        else if ((c >= 'A' && c <= 'Z') || c == '%' || c == '&') width += 8;
        else width += 6;
    }
    return width;
}

HOST_API int mdlDialog_fontGetHeight(DialogBox* db, int font) { return 14; }

// [SECTION] Platform API: file dialogs

namespace {

bool isAbsolute(const std::string& p) {
    return !p.empty() && (p[0] == '/' || p[0] == '\\' || (p.size() > 1 && p[1] == ':'));
}

StatusInt fileDialog(bool create, char* fileName, const char* defaultName, const char* defaultDir, const char* title) {
    if (!fileName) return HOST_ERROR;
    std::string t = title ? title : "";
    std::string name = defaultName ? defaultName : "";
    bool chosen = false;
    if (state.fileHandler) {
        chosen = state.fileHandler(t, create, name);
    } else if (state.answers.empty()) {
        sim::addOutput(sim::OutputKind::Host, 0, "File dialog \"" + t + "\" cancelled: no answer queued");
    } else {
        Answer a = std::move(state.answers.front());
        state.answers.pop_front();
        const std::string& act = a.actions.front();
        std::string verb = lower(act.substr(0, act.find(' ')));
        if (verb == "file") {
            name = restAfter(act, 1);
            chosen = !name.empty();
        } else if (verb == "ok") {
            chosen = !name.empty();
        } else if (verb != "cancel") {
            sim::addOutput(sim::OutputKind::Host, 0, "File dialog \"" + t + "\": answer \"" + act + "\" does not fit; cancelled");
        }
    }
    if (!chosen) return 1;
    std::string dir = defaultDir ? defaultDir : "";
    if (!isAbsolute(name) && !dir.empty()) {
        char last = dir.back();
        name = dir + (last == '/' || last == '\\' ? "" : "\\") + name;
    }
    if (name.size() >= MAXFILELENGTH) {
        sim::addOutput(sim::OutputKind::Host, 0, "File dialog \"" + t + "\": file name longer than " +
                                                     std::to_string(MAXFILELENGTH - 1) + " characters; cancelled");
        return 1;
    }
    copyOut(fileName, MAXFILELENGTH, name);
    return 0;
}

std::string directoryOfVariable(const char* var) {
    if (!var || !*var) return {};
    auto v = sim::variableValue(var);
    if (!v) return {};
    std::vector<std::string> dirs = sim::splitList(*v);
    return dirs.empty() ? std::string() : dirs.front();
}

}  // namespace

HOST_API StatusInt mdlDialog_fileOpen(char* fileName, RscFileHandle file, int32_t dialogId, const char* defaultName,
                                      const char* filter, const char* defaultDir, const char* title) {
    return fileDialog(false, fileName, defaultName, defaultDir, title);
}

HOST_API StatusInt mdlDialog_fileCreate(char* fileName, RscFileHandle file, int32_t dialogId,
                                        const char* defaultName, const char* filter, const char* defaultDir,
                                        const char* title) {
    return fileDialog(true, fileName, defaultName, defaultDir, title);
}

HOST_API StatusInt mdlDialog_defFileOpen(char* fileName, const char* defaultName, const char* filter,
                                         const char* defaultDirVar, const char* title, int32_t fileDialogId) {
    std::string dir = directoryOfVariable(defaultDirVar);
    return fileDialog(false, fileName, defaultName, dir.empty() ? nullptr : dir.c_str(), title);
}

HOST_API StatusInt mdlDialog_defFileCreate(char* fileName, const char* defaultName, const char* filter,
                                           const char* defaultDirVar, const char* title, int32_t fileDialogId) {
    std::string dir = directoryOfVariable(defaultDirVar);
    return fileDialog(true, fileName, defaultName, dir.empty() ? nullptr : dir.c_str(), title);
}

// [SECTION] Platform API: display formats of text items

HOST_API StatusInt mdlDialog_textItemGetFormat(char* format, int size, DialogItem* item) {
    ItemState* it = itemOf(item);
    if (!it || !format || it->pub.type != sim::ITEM_TEXT) return HOST_ERROR;
    const std::string* f = property(*it, "format");
    copyOut(format, size, f ? *f : std::string());
    return HOST_SUCCESS;
}

HOST_API StatusInt mdlDialog_textItemSetFormat(DialogItem* item, const char* format) {
    ItemState* it = itemOf(item);
    if (!it || !format || it->pub.type != sim::ITEM_TEXT) return HOST_ERROR;
    auto found = std::find_if(it->properties.begin(), it->properties.end(),
                              [](const auto& p) { return p.first == "format"; });
    if (found != it->properties.end()) found->second = format;
    else it->properties.emplace_back("format", format);
    mdlDialog_itemSynch(it->db, it->pub.itemIndex);
    return HOST_SUCCESS;
}
