/* The dialog manager's core: the open dialogs (and recently closed ones, so
** that stale handles are recognised), the hook tables per application, the
** messages of the dialog protocol, and building and closing a dialog.
** State: DialogState (dialog_int.h), shared by the files of the area. */
#include <algorithm>
#include <cstring>
#include <sstream>

#include "host/mdlcontrol.h"
#include "host/mdlsystem.h"
#include "host/sim/base/base.h"
#include "host/sim/dialogs/dialog_int.h"
#include "host/sim/system/system.h"

using namespace sim::dialogs;

namespace sim::dialogs {

DialogState state;

namespace {
constexpr size_t KEEP_CLOSED = 64;
}  // namespace

// [SECTION] State and helpers

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

void report(const DialogBox* db, const ItemState* it, const std::string& error) {
    toolSubsystem_printf("%s: %s\n", describe(db, it).c_str(), error.c_str());
}

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

namespace {

void* findHook(MdlDesc* owner, int32_t hookId) {
    if (!hookId) return nullptr;
    auto it = state.hooks.find({owner, hookId});
    return it == state.hooks.end() ? nullptr : it->second;
}

void record(const DialogBox* db, const ItemState* it, int message) {
    if (state.recording)
        state.calls.push_back({db->id, it ? it->pub.type : 0u, it ? it->pub.id : 0, message});
}

/* Call the hook FN with M on behalf of OWNER; a hook that throws is logged,
** and the exception goes no further. */
template <typename Message>
void callHook(MdlDesc* owner, void (*fn)(Message*), Message& m, const char* kind, int32_t hookId) {
    sim::CurrentApplicationScope scope(owner);
    try {
        fn(&m);
    } catch (...) {
        toolSubsystem_printf("%s hook %d failed on message %d\n", kind, hookId, m.messageType);
    }
}

}  // namespace

/* Send MESSAGE to the dialog's hook on behalf of the dialog's owner. */
void sendDialog(DialogBox* db, DialogMessage& m) {
    auto fn = reinterpret_cast<DialogHookFunction>(findHook(db->owner, db->hookId));
    m.db = db;
    m.dialogId = db->id;
    m.msgUnderstood = 0;
    if (!fn) return;
    record(db, nullptr, m.messageType);
    callHook(db->owner, fn, m, "Dialog", db->hookId);
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
    callHook(db->owner, fn, m, "Item", it->pub.hookId);
}

void sendItem(DialogBox* db, ItemState* it, int type) {
    DialogItemMessage m{};
    m.messageType = type;
    sendItem(db, it, m);
}

/* True while DB may still receive messages. */
bool active(DialogBox* db) { return live(db) && !db->closing; }

// [SECTION] Opening and closing

namespace {

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
        if (r.type == ITEMTYPE_OPTIONBUTTON)
            it->options.push_back({e.texts.empty() ? std::string() : e.texts[0], 0, 0, e.value});
        else
            it->rows.push_back(e.texts);
    }
    if (r.type == ITEMTYPE_OPTIONBUTTON && !it->options.empty()) it->value = it->options[0].value;
    if (r.type == ITEMTYPE_TEXT || r.type == ITEMTYPE_COMBOBOX)
        if (const std::string* v = property(*it, "value")) it->text = *v;
    if (r.type == ITEMTYPE_MENUBAR || r.type == ITEMTYPE_POPUPMENU) {
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

}  // namespace

/* Build and open dialog ID. *ACTIONOUT (may be null) gets the closing
** action whenever it closes, even while it is still being built. */
DialogBox* openDialog(RscFileHandle file, int32_t id, bool modal, int* actionOut) {
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

}  // namespace sim::dialogs

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
