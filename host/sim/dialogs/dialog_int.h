/* What the files of the dialog manager share and nothing else reaches: the
** records of dialogs, items and list models, the manager's state, and the
** steps every concern builds on (messages, item values, opening and closing).
** hostsim and the tests use dialogs.h. */
#pragma once

#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "host/mdldialog.h"
#include "host/sim/base/base.h"
#include "host/sim/dialogs/dialogs.h"
#include "host/sim/resources/resources.h"

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

namespace sim::dialogs {

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
    std::string balloon;              /* shown while the pointer rests on it */
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
    std::vector<MenuRsc> menus;       /* menu bars and pop-up menus */
    DialogBox* db = nullptr;
};

}  // namespace sim::dialogs

struct DialogBox {
    int32_t id = 0;
    MdlDesc* owner = nullptr;
    std::string title;
    DialogRect extent{};
    int32_t hookId = 0;
    uint32_t attributes = 0;
    std::vector<std::unique_ptr<sim::dialogs::ItemState>> items;
    bool modal = false;
    bool open = false;
    bool closing = false;
    int action = 0;
    int dock = DOCK_NONE;
    void* userData = nullptr;
    int* actionOut = nullptr; /* a modal dialog's caller learns the closing action here */
    std::vector<std::string> drawings;
};

namespace sim::dialogs {

struct Answer {
    std::vector<std::string> actions;
};

struct DialogState {
    std::vector<std::unique_ptr<DialogBox>> open;
    std::deque<std::unique_ptr<DialogBox>> closed; /* kept a while: stale handles stay readable */
    std::map<std::pair<MdlDesc*, int32_t>, void*> hooks;
    std::deque<Answer> answers;
    ModalHandler modalHandler;
    FileHandler fileHandler;
    bool recording = false;
    std::vector<HookCall> calls;
    int listener = 0;
    int organizeCount = 0;
};
extern DialogState state;

/* ---- State and helpers (dialog.cpp) ---------------------------------------------- */

/* The item's resource property NAME, or null. */
const std::string* property(const ItemState& it, const char* name);
/* DB when it is open (closing included), else null. */
DialogBox* live(DialogBox* db);
/* True while DB may still receive messages. */
bool active(DialogBox* db);
ItemState* itemAt(DialogBox* db, int index);
/* The host's item behind a hook's DialogItem pointer. */
ItemState* itemOf(DialogItem* item);
/* "dialog ID [item TYPE ID]", for messages. */
std::string describe(const DialogBox* db, const ItemState* it);
/* Log "dialog ID item TYPE ID: ERROR" where no caller can be told. */
void report(const DialogBox* db, const ItemState* it, const std::string& error);
/* Close the dialogs of an application that unloads and forget its hooks. */
void ensureListener();

/* ---- Hooks and messages (dialog.cpp) --------------------------------------------- */

/* Send a message to the dialog's or the item's hook on behalf of the dialog's owner. */
void sendDialog(DialogBox* db, DialogMessage& m);
void sendDialog(DialogBox* db, int type);
void sendItem(DialogBox* db, ItemState* it, DialogItemMessage& m);
void sendItem(DialogBox* db, ItemState* it, int type);

/* ---- Opening and closing (dialog.cpp) -------------------------------------------- */

/* Build and open dialog ID. *ACTIONOUT (may be null) gets the closing
** action whenever it closes, even while it is still being built. */
DialogBox* openDialog(RscFileHandle file, int32_t id, bool modal, int* actionOut = nullptr);
void closeDialog(DialogBox* db, int action);

/* ---- Item values (dialog_values.cpp) --------------------------------------------- */

int optionIndexOfValue(const ItemState& it, int32_t value);
int rowCount(const ItemState& it);
/* The first selected row of a list, or -1. */
int selectedRow(const ItemState& it);
std::string cellText(const ItemState& it, int row, int column);
/* Read the item's value from its access string; a failure is logged. */
void loadValueOrReport(DialogBox* db, ItemState* it);
/* Write what the item shows through its access string. *CHANGED tells
** whether the variable changed. */
bool storeValue(DialogBox* db, ItemState* it, bool* changed, std::string& error);
void synchItem(DialogBox* db, ItemState* it);
/* Send 53 for the whole item (ROW -1) or one row of a list. */
void sendDraw(DialogBox* db, ItemState* it, int row);
/* Draw the item when it is shown and the dialog still open. */
void drawItem(DialogBox* db, ItemState* it);

/* ---- The user's actions and the scripted user ------------------------------------ */

/* Press a push button: 54 down, 54 up, 70; -3 and -4 then close. */
void press(DialogBox* db, ItemState* it);
/* Let the scripted user answer the modal dialog DB; it is closed afterwards. */
void answerModal(DialogBox* db);
/* Let the scripted user answer a file dialog: true with NAME set when a
** file was chosen (NAME comes in as the default). */
bool answerFileDialog(const std::string& title, bool create, std::string& name);
/* S without the quotes around it, when it is one quoted text. */
std::string unquote(const std::string& s);

/* ---- Menus (dialog_menu.cpp) ----------------------------------------------------- */

/* A menu label as the user names it: without its '~', in lower case. */
std::string menuLabel(std::string label);

/* ---- Pictures (dialog_picture.cpp) ----------------------------------------------- */

/* The SVG fragment of DB's title bar and shown items, in dialog pixels;
** OUTER gets the picture's rectangle (left, top, right, bottom), the title
** bar included. */
std::string dialogControlsSvg(const DialogBox* db, int32_t outer[4]);

}  // namespace sim::dialogs
