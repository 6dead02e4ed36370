/* Platform API of dialogs and items: hook tables, opening (modeless and
** modal), finding and walking open dialogs, and an item's label, text, value,
** state, extent, display format and messages. */
#include <algorithm>

#include "host/mdldialog.h"
#include "host/mdlsystem.h"
#include "host/sim/dialogs/dialog_int.h"
#include "host/sim/system/system.h"

using namespace sim::dialogs;

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
    if (type != RTYPE_DIALOG) return nullptr;
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
        report(db, it, error);
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

HOST_API StatusInt mdlDialog_itemSetBalloonText(DialogBox* db, int itemIndex, const char* text) {
    ItemState* it = itemAt(db, itemIndex);
    if (!it) return HOST_ERROR;
    it->balloon = text ? text : "";
    return HOST_SUCCESS;
}

HOST_API StatusInt mdlDialog_itemGetLabel(char* buffer, int size, DialogBox* db, int itemIndex) {
    ItemState* it = itemAt(db, itemIndex);
    if (!it || !buffer) return HOST_ERROR;
    sim::copyFixed(buffer, size, it->label);
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
    if (it->pub.type == ITEMTYPE_OPTIONBUTTON) {
        int i = optionIndexOfValue(*it, it->value);
        sim::copyFixed(buffer, size, i < 0 ? std::string() : it->options[static_cast<size_t>(i)].label);
    } else {
        sim::copyFixed(buffer, size, it->text);
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
    if (it->pub.type == ITEMTYPE_LISTBOX) *value = selectedRow(*it);
    else *value = it->value;
    return HOST_SUCCESS;
}

HOST_API StatusInt mdlDialog_itemSetValue(DialogBox* db, int itemIndex, int32_t value) {
    ItemState* it = itemAt(db, itemIndex);
    if (!it) return HOST_ERROR;
    if (it->pub.type == ITEMTYPE_LISTBOX) {
        it->selected.clear();
        if (value >= 0 && value < rowCount(*it)) it->selected.insert(value);
    } else {
        it->value = it->pub.type == ITEMTYPE_TOGGLE ? (value != 0) : value;
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

// [SECTION] Platform API: display formats of text items

HOST_API StatusInt mdlDialog_textItemGetFormat(char* format, int size, DialogItem* item) {
    ItemState* it = itemOf(item);
    if (!it || !format || it->pub.type != ITEMTYPE_TEXT) return HOST_ERROR;
    const std::string* f = property(*it, "format");
    sim::copyFixed(format, size, f ? *f : std::string());
    return HOST_SUCCESS;
}

HOST_API StatusInt mdlDialog_textItemSetFormat(DialogItem* item, const char* format) {
    ItemState* it = itemOf(item);
    if (!it || !format || it->pub.type != ITEMTYPE_TEXT) return HOST_ERROR;
    auto found = std::find_if(it->properties.begin(), it->properties.end(),
                              [](const auto& p) { return p.first == "format"; });
    if (found != it->properties.end()) found->second = format;
    else it->properties.emplace_back("format", format);
    mdlDialog_itemSynch(it->db, it->pub.itemIndex);
    return HOST_SUCCESS;
}
