/* Session verbs of the dialog area: the scripted user's answers for modal
** and file dialogs, actions on open dialogs, and menu picks.
**   answer ACTION[; ACTION...]      queue the answer of the next modal or file dialog
**   dialog ID set ITEM VALUE        write an item's value (then 71)
**   dialog ID press ITEM            press a push button (54, 54, 70) or flip a toggle
**   dialog ID select ITEM ROW[,COLUMN] [double]
**   dialog ID option ITEM VALUE     pick an option by label or value
**   dialog ID edit ITEM ROW,COLUMN TEXT   edit a list box cell (80)
**   dialog ID pick ITEM ENTRY       pick an entry of a menu bar or pop-up menu item
**   dialog ID popup ITEM            ask the dialog for the pop-up menu of an item
**   dialog ID show                  print what the dialog shows
**   dialog ID close [ok|cancel]     close it (cancel when not said)
**   dialog ID render [ITEM] FILE.png|FILE.svg  a picture of the dialog, or of what was drawn into the item
**   menu TITLE>ENTRY[>ENTRY]        pick from the command window's menu bar
** ITEM is an item id, or TYPE:ID ("dTxt:1") where ids repeat. */
#include <cstdio>
#include <sstream>

#include "host/sim/base/base.h"
#include "host/sim/dialogs/dialog_int.h"
#include "host/sim/display/display.h"

namespace {

using sim::dialogs::unquote;

std::string trim(const std::string& s) { return sim::trim(s, " \t"); }

/* Cut the first word off TEXT. */
std::string nextWord(std::string& text) {
    text = trim(text);
    size_t sp = text.find_first_of(" \t");
    std::string w = text.substr(0, sp);
    text = sp == std::string::npos ? std::string() : trim(text.substr(sp));
    return w;
}

bool isPicturePath(const std::string& word) {
    std::string w = sim::lower(word);
    return w.size() > 4 && (w.ends_with(".png") || w.ends_with(".svg") || w.ends_with(".png\"") ||
                            w.ends_with(".svg\""));
}

bool verbAnswer(const std::string& args, std::string& error) { return sim::queueAnswer(args, error); }

bool verbDialog(const std::string& args, std::string& error) {
    std::string rest = args;
    std::string idText = nextWord(rest);
    std::string action = nextWord(rest);
    char* end = nullptr;
    long id = std::strtol(idText.c_str(), &end, 10);
    if (idText.empty() || *end || action.empty()) {
        error = "dialog: give ID ACTION ...";
        return false;
    }
    DialogBox* db = sim::findOpenDialog(static_cast<int32_t>(id));
    if (!db) {
        error = "dialog " + idText + " is not open";
        return false;
    }
    if (action == "show") {
        for (const std::string& line : sim::describeDialog(db)) sim::addOutput(sim::OutputKind::Host, 0, line);
        return true;
    }
    if (action == "close") {
        std::string how = nextWord(rest);
        if (!how.empty() && how != "ok" && how != "cancel") {
            error = "dialog: close ok or close cancel";
            return false;
        }
        sim::userClose(db, how == "ok" ? ACTIONBUTTON_OK : ACTIONBUTTON_CANCEL);
        return true;
    }
    std::string itemName = nextWord(rest);
    if (action == "render" && rest.empty() && isPicturePath(itemName)) {
        return sim::renderDialogPicture(db, unquote(itemName), error);
    }
    if (itemName.empty()) {
        error = "dialog " + idText + " " + action + ": which item?";
        return false;
    }
    int index = sim::findItem(db, itemName, error);
    if (index < 0) return false;
    if (action == "set") return sim::userSetItem(db, index, unquote(rest), error);
    if (action == "render") {
        DialogItem* item = mdlDialog_itemGetByIndex(db, index);
        const int32_t rect[4] = {item->rect.left, item->rect.top, item->rect.right, item->rect.bottom};
        return sim::view::renderItemPicture(db, item->id, rect, sim::dialogDrawings(db), unquote(rest), error);
    }
    if (action == "press") return sim::userPressItem(db, index, error);
    if (action == "option") return sim::userPickOption(db, index, unquote(rest), error);
    if (action == "pick") return sim::userPickMenuEntry(db, index, unquote(rest), error);
    if (action == "popup") {
        int menu = sim::userPopupRequest(db, index);
        sim::addOutput(sim::OutputKind::Host, 0,
                       menu ? "Pop-up menu " + std::to_string(menu) : std::string("No pop-up menu"));
        return true;
    }
    if (action == "select" || action == "edit") {
        std::string cell = nextWord(rest);
        int row = 0, column = 0;
        if (cell.empty() || std::sscanf(cell.c_str(), "%d,%d", &row, &column) < 1) {
            error = "dialog: bad row \"" + cell + "\"";
            return false;
        }
        if (action == "edit") return sim::userEditCell(db, index, row, column, unquote(rest), error);
        if (!rest.empty() && rest != "double") {
            error = "dialog: select ITEM ROW[,COLUMN] [double]";
            return false;
        }
        return sim::userSelectRow(db, index, row, column, rest == "double", error);
    }
    error = "dialog: unknown action \"" + action + "\"";
    return false;
}

bool verbMenu(const std::string& args, std::string& error) { return sim::pickMenu(args, error); }

sim::Registration registration([] {
    sim::registerSessionVerb("answer", verbAnswer);
    sim::registerSessionVerb("dialog", verbDialog);
    sim::registerSessionVerb("menu", verbMenu);
});

}  // namespace
