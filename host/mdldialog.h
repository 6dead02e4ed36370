/* The dialog manager of the platform: dialogs and items built from resource
** files, hook functions published per application, the messages sent to
** them, published variables reached through access strings, option buttons,
** list boxes with string lists or list models, windows, menus of the command
** window's menu bar and the file dialogs. */
#pragma once

#include "host/mdlsystem.h"
#include "host/mdltypes.h"

struct DialogBox;          /* an open dialog (also its window) */
struct ListModel;          /* rows of cells shown by list boxes and combo boxes */
struct ListRow;
struct ListCell;
struct SymbolSet;          /* a set of published variables */
struct MenuBar;            /* a menu bar: the command window's or an mBar item's */
struct MenuBarMenu;        /* one pull-down menu inserted in a menu bar */

/* A rectangle in dialog coordinates (pixels); right and bottom are inclusive. */
struct DialogRect {
    int32_t left, top, right, bottom;
};

/* Item types of dialog resources. */
enum : uint32_t {
    ITEMTYPE_LISTBOX = fourCC("lBox"),
    ITEMTYPE_MENUBAR = fourCC("mBar"),
    ITEMTYPE_POPUPMENU = fourCC("pMen"),
    ITEMTYPE_TOGGLE = fourCC("tBtn"),
    ITEMTYPE_OPTIONBUTTON = fourCC("oBtn"),
    ITEMTYPE_COMBOBOX = fourCC("cmBx"),
    ITEMTYPE_TEXT = fourCC("dTxt"),
    ITEMTYPE_LABEL = fourCC("labl"),
    ITEMTYPE_GROUPBOX = fourCC("gBox"),
    ITEMTYPE_COMPOSITE = fourCC("iCmX"),
    ITEMTYPE_PUSHBUTTON = fourCC("pBut"),
    ITEMTYPE_GENERIC = fourCC("gnrc"),
    ITEMTYPE_ICON = fourCC("Icon"),
};

/* An item of an open dialog. The record is the host's and stays valid while
** the dialog is open; hooks may read it and change attributes. */
struct DialogItem {
    uint32_t type;       /* ITEMTYPE_* */
    int32_t id;
    int32_t itemIndex;   /* position in the dialog, from 0 */
    int32_t hookId;      /* 0: none */
    uint32_t attributes; /* ITEMATTR_* bits of the resource */
    DialogRect rect;
    BoolInt enabled;
    BoolInt visible;
    void* userDataP;     /* free for the item's hook */
};

/* ---- Messages ----------------------------------------------------------------
** Dialog hooks receive DialogMessage, item hooks DialogItemMessage. A hook
** sets msgUnderstood to 1 when it handled the message. */
enum DialogMessageType : int {
    DIALOG_MESSAGE_CREATE = 0,
    DIALOG_MESSAGE_INIT = 1,
    DIALOG_MESSAGE_DESTROY = 2,
    DIALOG_MESSAGE_UPDATE = 3,
    DIALOG_MESSAGE_RESIZE = 10,
    DIALOG_MESSAGE_BUTTON = 25,
};
enum DialogItemMessageType : int {
    DITEM_MESSAGE_CREATE = 50,
    DITEM_MESSAGE_DESTROY = 51,
    DITEM_MESSAGE_DRAW = 53,
    DITEM_MESSAGE_BUTTON = 54,
    DITEM_MESSAGE_SYNCHRONIZE = 55,
    DITEM_MESSAGE_SETSTATE = 61,
    DITEM_MESSAGE_FOCUSIN = 69,
    DITEM_MESSAGE_ACTIVATE = 70,
    DITEM_MESSAGE_STATECHANGED = 71,
    DITEM_MESSAGE_USER = 72,
    DITEM_MESSAGE_CELLEDITEND = 80, /* a list box cell edit ended; row, column given */
    DITEM_MESSAGE_MENUPICK = 81,    /* an entry of an mBar or pMen item was picked */
};

/* Mouse buttons and events of the button messages. */
enum : int {
    BUTTON_DATA = 1,
    BUTTON_RESET = 2,          /* the right button */
    BUTTONEVENT_POPUP = 515,   /* the press that asks for a pop-up menu */
    BUTTONTRANS_DOWN = 0,
    BUTTONTRANS_UP = 1,
};

/* Action codes: how a dialog was closed. */
enum : int {
    ACTIONBUTTON_OK = 3,
    ACTIONBUTTON_CANCEL = 4,
};
/* The confirming and cancelling push buttons of every dialog. */
enum : int32_t {
    PUSHBUTTONID_OK = -3,
    PUSHBUTTONID_CANCEL = -4,
};

struct DialogMessage {
    int messageType;
    BoolInt msgUnderstood;
    DialogBox* db;
    int32_t dialogId;
    union {
        struct {
            uint32_t interests; /* set by the hook */
        } create;
        struct {
            DialogRect oldExtent, newExtent;
        } resize;
        struct {
            int buttonNumber;   /* BUTTON_RESET for the right button */
            int eventCode;      /* BUTTONEVENT_POPUP: the host asks for a pop-up menu */
            DialogItem* itemP;  /* the item under the pointer, or null */
            int32_t popupMenuId; /* set by the hook: id of the pMen item to show (0: none) */
        } button;
    } u;
};

struct DialogItemMessage {
    int messageType;
    BoolInt msgUnderstood;
    DialogBox* db;
    int32_t dialogId;
    int itemIndex;
    DialogItem* dialogItemP;
    union {
        struct {
            BoolInt createFailed; /* set by the hook: the item cannot be built */
        } create;
        struct {
            DialogRect rect;
            int row, column;  /* list rows: the row drawn; -1 for the whole item */
        } draw;
        struct {
            int transition;   /* BUTTONTRANS_DOWN, then BUTTONTRANS_UP */
            int clicks;       /* 2 for a double click */
            int row, column;  /* list boxes: the cell; -1 elsewhere */
        } button;
        struct {
            BoolInt reallyChanged;
        } stateChanged;
        struct {
            intptr_t arg1, arg2;
        } user;
        struct {
            int row, column;
            BoolInt changed;
        } cellEdit;
        struct {
            int32_t entryId;    /* the picked entry's id */
            int32_t menuId;     /* the pull-down menu it belongs to */
            int32_t commandNumber;
        } menuPick;
    } u;
};

typedef void (*DialogHookFunction)(DialogMessage* message);
typedef void (*ItemHookFunction)(DialogItemMessage* message);

/* One row of a hook table: a hook id and its function (a DialogHookFunction
** or an ItemHookFunction, as the resources use the id). */
struct DialogHookInfo {
    int32_t hookId;
    void* function;
};

/* Publish COUNT hooks for the current application. Another application's
** hooks of the same ids stay its own. HOST_ERROR for a null table. */
HOST_API StatusInt mdlDialog_hookPublish(int count, const DialogHookInfo* table);

/* ---- Published variables -------------------------------------------------------
** Access strings of items ("uid.dimTemplate.extensionGap", "zmScaleP->index",
** "uid.values[2]") resolve through the type descriptions of the resource
** files. A pointer variable is followed by '.' or '->' alike. */

/* A new symbol set of the current application; VISIBILITY and the other
** arguments are kept but do not change where variables are found. */
HOST_API SymbolSet* mdlCExpression_initializeSet(int visibility, int reserved1, int reserved2);
/* Publish NAME as a pointer to a record of type TYPENAME: POINTERADDRESS is
** the address of the pointer variable, read at every access, so repointing
** the variable repoints the items. HOST_ERROR for null arguments. */
HOST_API StatusInt mdlDialog_publishComplexPtr(SymbolSet* set, const char* typeName, const char* name,
                                               void* pointerAddress);
/* Publish NAME as the record of type TYPENAME at ADDRESS. */
HOST_API StatusInt mdlDialog_publishComplexVariable(SymbolSet* set, const char* typeName, const char* name,
                                                    void* address);
/* Basic variable kinds of mdlDialog_publishBasicVariable. */
enum PublishedKind : int {
    PUBLISHED_INT32 = 3,
    PUBLISHED_DOUBLE = 9,
    PUBLISHED_CHARS = 10, /* SIZE bytes of text */
};
HOST_API StatusInt mdlDialog_publishBasicVariable(SymbolSet* set, int kind, const char* name, void* address,
                                                  int size);
/* Remove every variable of SET and free it. */
HOST_API void mdlCExpression_freeSet(SymbolSet* set);

/* ---- Dialogs -------------------------------------------------------------------- */

/* Open dialog DIALOGID from FILE (0: the open files, the current application's
** own first) for the current application. The dialog's hooks are the
** current application's. Answers the dialog, or null when the resource is
** missing or damaged (console line) or its create hook refused. */
HOST_API DialogBox* mdlDialog_open(RscFileHandle file, int32_t dialogId);
/* Open DIALOGID modally: the scripted user answers it. *LASTACTION (may be
** null) gets the action that closed it: ACTIONBUTTON_OK, ACTIONBUTTON_CANCEL
** or a hook's own. 0, or HOST_ERROR when it could not be opened. */
HOST_API StatusInt mdlDialog_openModal(int* lastAction, RscFileHandle file, int32_t dialogId);
/* Close DB as if by its button ACTION (3 or 4); a modal dialog answers it. */
HOST_API void mdlDialog_closeWithAction(DialogBox* db, int action);
/* The open dialog DIALOGID of application OWNER (null: the current one,
** else any application's), or null. */
HOST_API DialogBox* mdlDialog_find(int32_t dialogId, MdlDescP owner);
/* As mdlDialog_find for a dialog resource TYPE ('dBox'). */
HOST_API DialogBox* mdlDialog_findByTypeAndId(uint32_t type, int32_t dialogId, MdlDescP owner);
/* The open dialogs one by one, in the order they were opened: null gives
** the first, the last gives null. */
HOST_API DialogBox* mdlDialog_nextOpen(DialogBox* previous);
/* Refresh the items of every open dialog from their access strings (after
** a program changed variables that several dialogs show); SYNONYMID and
** FILE name the list of variables and are kept for the record. */
HOST_API void mdlDialog_synonymsSynch(RscFileHandle file, int32_t synonymId, void* reserved);
/* The dialog's resource id, 0 for null. */
HOST_API int32_t mdlDialog_getId(DialogBox* db);
HOST_API void* mdlDialog_getUserDataP(DialogBox* db);
HOST_API void mdlDialog_setUserDataP(DialogBox* db, void* data);

/* ---- Items ---------------------------------------------------------------------- */

/* The first item of TYPE and ID from index START on, or null. */
HOST_API DialogItem* mdlDialog_itemGetByTypeAndId(DialogBox* db, uint32_t type, int32_t id, int start);
HOST_API DialogItem* mdlDialog_itemGetByIndex(DialogBox* db, int itemIndex);
HOST_API int mdlDialog_itemCount(DialogBox* db);
/* Refresh every item (or one) from its access string: the value is read,
** then the item's hook gets 55 and 61. */
HOST_API void mdlDialog_itemsSynch(DialogBox* db);
HOST_API StatusInt mdlDialog_itemSynch(DialogBox* db, int itemIndex);
/* Write the value the item shows through its access string; *CHANGED (may
** be null) tells whether the variable changed. */
HOST_API StatusInt mdlDialog_itemSetState(BoolInt* changed, DialogBox* db, int itemIndex);
/* Draw the item: its hook gets 53 with the item's rectangle. */
HOST_API StatusInt mdlDialog_itemDraw(DialogBox* db, int itemIndex);
HOST_API void mdlDialog_itemsDrawAll(DialogBox* db);
HOST_API StatusInt mdlDialog_itemSetEnabledState(DialogBox* db, int itemIndex, BoolInt enabled, BoolInt redraw);
HOST_API StatusInt mdlDialog_itemShow(DialogBox* db, int itemIndex);
HOST_API StatusInt mdlDialog_itemHide(DialogBox* db, int itemIndex);
HOST_API StatusInt mdlDialog_itemSetLabel(DialogBox* db, int itemIndex, const char* label);
/* The text shown while the pointer rests on the item (null or "": none). */
HOST_API StatusInt mdlDialog_itemSetBalloonText(DialogBox* db, int itemIndex, const char* text);
/* Copy the item's label into BUFFER (SIZE bytes, cut). */
HOST_API StatusInt mdlDialog_itemGetLabel(char* buffer, int size, DialogBox* db, int itemIndex);
HOST_API StatusInt mdlDialog_itemSetExtent(DialogBox* db, int itemIndex, const DialogRect* rect, BoolInt redraw);
/* The text an item shows (text fields, combo boxes, the chosen option's
** label); SIZE bytes, cut. Setting it does not write the access string. */
HOST_API StatusInt mdlDialog_itemGetText(char* buffer, int size, DialogBox* db, int itemIndex);
HOST_API StatusInt mdlDialog_itemSetText(DialogBox* db, int itemIndex, const char* text);
/* The numeric value of a toggle, option button (its chosen value) or list
** box (the first selected row, -1 for none). */
HOST_API StatusInt mdlDialog_itemGetValue(int32_t* value, DialogBox* db, int itemIndex);
HOST_API StatusInt mdlDialog_itemSetValue(DialogBox* db, int itemIndex, int32_t value);
/* Press a push button as the user does: 54 (press), 54 (release), 70;
** -3 and -4 then close the dialog with 3 or 4. */
HOST_API StatusInt mdlDialog_itemPress(DialogBox* db, int itemIndex);
/* Send the item's hook 72 with the two user arguments. */
HOST_API StatusInt mdlDialog_hookItemSendUserMsg(DialogItem* item, intptr_t arg1, intptr_t arg2);

/* ---- Option buttons --------------------------------------------------------------
** An option button shows one of its entries; its value is the chosen
** entry's value. */
/* Insert an entry before POSITION (-1: at the end) with LABEL, an icon
** (ICONTYPE 0: none) and VALUE. */
HOST_API StatusInt mdlDialog_optionButtonInsertItem(DialogItem* item, int position, const char* label,
                                                    uint32_t iconType, int32_t iconId, int32_t value);
/* Delete entry INDEX, or every entry for -1. */
HOST_API StatusInt mdlDialog_optionButtonDeleteItem(DialogItem* item, int index);
HOST_API int mdlDialog_optionButtonGetCount(DialogItem* item);
/* Entry INDEX: its label (SIZE bytes, cut; may be null) and value (may be null). */
HOST_API StatusInt mdlDialog_optionButtonGetItem(char* label, int size, int32_t* value, DialogItem* item,
                                                 int index);

/* ---- List boxes and combo boxes --------------------------------------------------
** Rows come from a string list (COLUMNS members per row) or a list model.
** The list stays the caller's; the item shows it until given another. */
HOST_API StatusInt mdlDialog_listBoxSetStrListP(DialogItem* item, StringList* list, int columns);
HOST_API StringList* mdlDialog_listBoxGetStrListP(DialogItem* item);
HOST_API StatusInt mdlDialog_listBoxSetListModelP(DialogItem* item, ListModel* model, int columns);
HOST_API ListModel* mdlDialog_listBoxGetListModelP(DialogItem* item);
HOST_API StatusInt mdlDialog_comboBoxSetListModelP(DialogItem* item, ListModel* model);
HOST_API ListModel* mdlDialog_comboBoxGetListModelP(DialogItem* item);
/* The host's own combo boxes whose rows dialogs may take. */
enum : int32_t { COMBOBOX_HOST_FONTS = -6301, COMBOBOX_HOST_TEXTSTYLES = -6302 };
/* A copy of the rows of the host's combo box ID for the active design file
** (see mdlLevelList_getFontListModel and _getTextStyleListModel), owned by
** the caller; null for another id or without a design file. */
HOST_API ListModel* mdlDialog_comboBoxGetHostListModelP(int32_t id);
HOST_API int mdlDialog_listBoxNRows(DialogItem* item);
/* Select (or deselect) rows FIRSTROW..LASTROW; -1, -1 for every row. */
HOST_API StatusInt mdlDialog_listBoxSelectCells(DialogItem* item, int firstRow, int lastRow, int firstColumn,
                                                int lastColumn, BoolInt select, BoolInt redraw);
/* The next selected row after *ROW (start with -1): *FOUND and *ROW, *COLUMN. */
HOST_API StatusInt mdlDialog_listBoxGetNextSelection(BoolInt* found, int* row, int* column, DialogItem* item);
/* Rows shown: the top row and how many fit (the item's "rows" property, 10). */
HOST_API StatusInt mdlDialog_listBoxGetDisplayRange(int* topRow, int* visibleRows, DialogItem* item);
HOST_API StatusInt mdlDialog_listBoxSetTopRow(DialogItem* item, int row);
/* Redraw rows FIRSTROW..LASTROW (-1, -1: all): the hook gets 53 per row. */
HOST_API StatusInt mdlDialog_listBoxDrawContents(DialogItem* item, int firstRow, int lastRow);
/* The text of cell ROW, COLUMN (SIZE bytes, cut). */
HOST_API StatusInt mdlDialog_listBoxGetCellText(char* buffer, int size, DialogItem* item, int row, int column);

/* ---- List models ------------------------------------------------------------------ */
HOST_API ListModel* mdlListModel_create(int columns);
/* Free MODEL and its rows. */
HOST_API void mdlListModel_destroy(ListModel* model);
HOST_API int mdlListModel_getRowCount(const ListModel* model);
HOST_API int mdlListModel_getColumnCount(const ListModel* model);
/* Insert a new row of empty cells before INDEX (-1: at the end); the row. */
HOST_API ListRow* mdlListModel_insertRow(ListModel* model, int index);
HOST_API StatusInt mdlListModel_removeRows(ListModel* model, int index, int count);
HOST_API ListRow* mdlListModel_getRowAtIndex(const ListModel* model, int index);
HOST_API ListCell* mdlListRow_getCellAtIndex(const ListRow* row, int column);
/* A cell holds a display text and a long value. */
HOST_API StatusInt mdlListCell_setStringValue(ListCell* cell, const char* text);
HOST_API const char* mdlListCell_getStringValue(const ListCell* cell);
HOST_API StatusInt mdlListCell_setLongValue(ListCell* cell, int64_t value);
HOST_API int64_t mdlListCell_getLongValue(const ListCell* cell);
HOST_API BoolInt mdlListCell_isEditable(const ListCell* cell);
HOST_API StatusInt mdlListCell_setEditable(ListCell* cell, BoolInt editable);

/* ---- Windows ---------------------------------------------------------------------- */
HOST_API StatusInt mdlWindow_extentGet(DialogRect* extent, DialogBox* window);
/* Set the window's extent; the dialog hook gets 10 with both extents when it changed. */
HOST_API StatusInt mdlWindow_extentSet(DialogBox* window, const DialogRect* extent);
HOST_API StatusInt mdlWindow_titleSet(DialogBox* window, const char* title);
HOST_API StatusInt mdlWindow_titleGet(char* buffer, int size, DialogBox* window);
/* Close the window (its dialog gets its destroy messages); a modal dialog
** closed this way answers 4. */
HOST_API StatusInt mdlWindow_close(DialogBox* window);
/* Dock edges; DOCK_NONE floats. */
enum DockEdge : int { DOCK_NONE = 0, DOCK_TOP = 1, DOCK_BOTTOM = 2, DOCK_LEFT = 3, DOCK_RIGHT = 4 };
HOST_API BoolInt mdlWindow_getDocked(DialogBox* window, int* edge);
HOST_API StatusInt mdlWindow_dock(DialogBox* window, int edge);
/* Arrange the docked windows of the application area (AREA is kept for the record). */
HOST_API void mdlWindow_organizeApplicationArea(int area);
HOST_API void mdlWindow_clear(DialogBox* window);
HOST_API void mdlWindow_cursorTurnOff(void);

/* The font model of the headless host, the same for every font number:
**   height of a line: 14 pixels (mdlDialog_fontGetHeight);
**   width of a character: 3 for "il.,:;'|!` ", 9 for "mwMW@", 8 for other
**   upper-case letters and "%&", 6 for every other character (a byte of a
**   UTF-8 sequence after its first counts 0).
** Answers the width of TEXT in pixels (0 for null). */
HOST_API int mdlDialog_stringWidth(DialogBox* db, int font, const char* text);
HOST_API int mdlDialog_fontGetHeight(DialogBox* db, int font);

/* ---- Drawing -----------------------------------------------------------------------
** Hooks draw on 53 (and whenever they like). The headless host keeps what
** was drawn per dialog, in order, until mdlWindow_clear or the dialog closes. */
HOST_API void mdlDialog_drawText(DialogBox* db, int x, int y, int font, const char* text);
/* Draw icon TYPE ('Icon'), ID of the dialog owner's resource files in RECT. */
HOST_API StatusInt mdlDialog_drawIcon(DialogBox* db, uint32_t type, int32_t id, const DialogRect* rect);
HOST_API void mdlDialog_rectDrawBeveled(DialogBox* db, const DialogRect* rect, BoolInt raised);
/* Draw RGB image resource TYPE, ID of the dialog owner's resource files into
** RECT with the pixels of colour RED, GREEN, BLUE left transparent; SIZE is
** the caller's size argument, kept for the record. HOST_ERROR when the image
** is missing or not an RGB image. */
HOST_API StatusInt mdlWindow_transparentRgbDataDraw(DialogBox* db, const DialogRect* rect, uint32_t type, int32_t id,
                                                    int size, int red, int green, int blue);
/* Window drawing: fill RECT with colour index COLOUR; set the line style
** (DRAWMODE 0, STYLE 0 solid) and colour of the lines drawn next; draw a line
** between two pixels. A window's fixed colour N (0 background, 7 foreground)
** has the colour index mdlWindow_fixedColorIndexGet answers. */
HOST_API void mdlWindow_rectFill(DialogBox* window, const DialogRect* rect, int colour);
HOST_API void mdlWindow_lineStyleSet(DialogBox* window, int drawMode, int style, int colour);
HOST_API void mdlWindow_lineDraw(DialogBox* window, int x1, int y1, int x2, int y2);
HOST_API int mdlWindow_fixedColorIndexGet(DialogBox* window, int fixedColour);

/* ---- Menus -------------------------------------------------------------------------
** The command window's menu bar holds the host's pull-down menus, the last
** of them the host menu -522; applications insert theirs in front of it. */
HOST_API MenuBar* mdlDialog_menuBarGetCmdWinP(void);
/* Insert pull-down menu TYPE ('pdMn'), ID from the current application's
** resource files in front of BEFORE (null: at the end). The new menu, or
** null when the resource is missing or BAR is null. */
HOST_API MenuBarMenu* mdlDialog_menuBarInsMenu(MenuBar* bar, uint32_t type, int32_t id, MenuBarMenu* before);
HOST_API MenuBarMenu* mdlDialog_menuBarFindMenu(MenuBar* bar, uint32_t type, int32_t id);
/* Remove MENU (or, when null, the menu of id MENUID) from BAR. */
HOST_API StatusInt mdlDialog_menuBarDeleteMenu(MenuBarMenu* menu, MenuBar* bar, RscFileHandle file, int32_t menuId);

/* ---- File dialogs ------------------------------------------------------------------
** The scripted user answers them. FILENAME (MAXFILELENGTH bytes) gets the
** chosen file; 0 when a file was chosen, 1 when cancelled. A relative answer
** is taken in DEFAULTDIR when one is given. */
HOST_API StatusInt mdlDialog_fileOpen(char* fileName, RscFileHandle file, int32_t dialogId, const char* defaultName,
                                      const char* filter, const char* defaultDir, const char* title);
HOST_API StatusInt mdlDialog_fileCreate(char* fileName, RscFileHandle file, int32_t dialogId,
                                        const char* defaultName, const char* filter, const char* defaultDir,
                                        const char* title);
/* As above with DEFAULTDIRVAR a configuration variable naming the default
** directory (or null) and a dialog id the host may remember choices by. */
HOST_API StatusInt mdlDialog_defFileOpen(char* fileName, const char* defaultName, const char* filter,
                                         const char* defaultDirVar, const char* title, int32_t fileDialogId);
HOST_API StatusInt mdlDialog_defFileCreate(char* fileName, const char* defaultName, const char* filter,
                                           const char* defaultDirVar, const char* title, int32_t fileDialogId);
