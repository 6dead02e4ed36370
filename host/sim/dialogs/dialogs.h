/* The host's dialog area: the dialog manager, menus and the menu bar, and the
** scripted user who answers modal and file dialogs. The top of the host. */
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "host/mdlcommand.h"
#include "host/mdldialog.h"

/* As hostsim and the tests reach it: the scripted user (queued answers and a
** test callback), the user's actions on open dialogs and the menu bar. The
** public face is host/mdldialog.h. */

namespace sim {

/* ---- Dialogs --------------------------------------------------------------------- */

/* Open dialogs, oldest first. */
std::vector<DialogBox*> openDialogs();
/* The most recently opened dialog ID of any application, or null. */
DialogBox* findOpenDialog(int32_t id);
/* The item NAME names: "ID" (the first item of that id) or "TYPE:ID"
** ("dTxt:1"); -1 with ERROR set when there is none. */
int findItem(DialogBox* db, const std::string& name, std::string& error);

/* The user's actions on an open dialog, each as the design's protocol says.
** False with ERROR set when the item or value is not acceptable (nothing
** changed then). */
bool userSetItem(DialogBox* db, int itemIndex, const std::string& value, std::string& error);
bool userPressItem(DialogBox* db, int itemIndex, std::string& error);
bool userSelectRow(DialogBox* db, int itemIndex, int row, int column, bool doubleClick, std::string& error);
/* Pick an option: by label (case-insensitive), else by value. */
bool userPickOption(DialogBox* db, int itemIndex, const std::string& option, std::string& error);
/* Edit cell ROW, COLUMN of a list box to TEXT; the hook gets 80. */
bool userEditCell(DialogBox* db, int itemIndex, int row, int column, const std::string& text, std::string& error);
/* Pick entry ENTRYID (or the entry labelled so) of an mBar or pMen item. */
bool userPickMenuEntry(DialogBox* db, int itemIndex, const std::string& entry, std::string& error);
/* A right-button press over an item: the dialog hook gets 25; the pop-up
** menu it names (0: none) is answered. */
int userPopupRequest(DialogBox* db, int itemIndex);
/* Close DB with ACTION (3 or 4). */
void userClose(DialogBox* db, int action);
/* What DB shows, one line per item: "TYPE ID "label" = value [disabled] [hidden]",
** after a first line with the dialog's id and title; a menu bar's or pop-up
** menu's entries follow it, one line each. */
std::vector<std::string> describeDialog(DialogBox* db);
/* Write a picture of the whole of DB (.png or .svg PATH): its title bar, its
** shown items as controls with their values, and what was drawn into it. */
bool renderDialogPicture(DialogBox* db, const std::string& path, std::string& error);

/* What the hooks drew in DB since it opened or was cleared, one line each:
** "text X Y FONT TEXT", "icon TYPE ID L T R B", "bevel L T R B", "fill L T R B
** COLOUR", "style MODE STYLE COLOUR", "line X1 Y1 X2 Y2". */
std::vector<std::string> dialogDrawings(DialogBox* db);

/* ---- The scripted user ----------------------------------------------------------
** The next modal or file dialog takes the oldest queued answer. An answer is
** a list of actions separated by ';':
**     ok | cancel | result N          close with 3, 4 or N
**     press ITEM | set ITEM VALUE | option ITEM VALUE
**     select ITEM ROW[,COLUMN] [double]
**     file NAME                       a file dialog's choice
** A modal answer without a closing action closes with 3 after its actions.
** With nothing queued (and no handler) a modal dialog is cancelled (4), a
** file dialog too, and the host logs it. */
bool queueAnswer(const std::string& answer, std::string& error);
size_t queuedAnswers();
void clearAnswers();

/* A test's stand-in for the user: called with each modal dialog once it is
** built (answer with the action to close it with, unless the handler closed
** it itself) and with each file dialog (set NAME and answer true to choose
** it). Null handlers restore the queue. */
using ModalHandler = std::function<int(DialogBox* db)>;
using FileHandler = std::function<bool(const std::string& title, bool create, std::string& name)>;
void setModalHandler(ModalHandler handler);
void setFileHandler(FileHandler handler);

/* Every message a hook received, in order, when recording is on (tests):
** dialog messages with itemType 0. */
struct HookCall {
    int32_t dialogId;
    uint32_t itemType;
    int32_t itemId;
    int message;
};
void recordHookCalls(bool on);
const std::vector<HookCall>& hookCalls();

/* Close every dialog and forget hooks, answers and handlers (tests). */
void resetDialogs();

/* ---- Menus -------------------------------------------------------------------------- */

/* The titles of the command window's menus, in order, each with its id. */
std::vector<std::pair<int32_t, std::string>> menuBarMenus();
/* Pick "TITLE>ENTRY[>SUBENTRY...]" from the command window's menu bar (titles
** and labels without their '~', case-insensitive): its command number is
** queued or its key-in run. False with ERROR set when not found. */
bool pickMenu(const std::string& path, std::string& error);
/* Take the command window's menu bar away (false) or give it back (tests). */
void setCommandWindowMenuBar(bool present);
void resetMenus();

}  // namespace sim
