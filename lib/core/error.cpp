/* Language texts, the library message box (dialog 20011), the message list
** (dialog 20010) with its collection modes, and message box titles. State: the
** message box's kind, buttons and line table, the collected list and the
** language-text buffer, all process-wide. */
#include "lib/core/error.h"

#include <cstdio>
#include <iterator>
#include <cstring>

#include "host/mdldialog.h"
#include "host/mdlresource.h"
#include "host/mdlsystem.h"
#include "lib/core/error_int.h"
#include "lib/core/main.h"
#include "lib/core/main_int.h"
#include "lib/core/text_int.h"
#include "lib/core/upf.h"

namespace {

struct ErrorState {
    zmlib::error::MessageBoxState box;
    StringList* messageList;
    char languageText[zmlib::error::TEXT_SIZE];
};
ErrorState state{};

using zmlib::error::MAX_LINES;
using zmlib::error::TEMPLATE_SIZE;
using zmlib::error::TEXT_SIZE;

/* The lowest bit of FLAGS among CANDIDATES, or FALLBACK when none is set. */
template <size_t N>
int lowestOf(int flags, const int (&candidates)[N], int fallback) {
    for (int c : candidates)
        if (flags & c) return c;
    return fallback;
}

/* Load message NUMBER of list LISTID from any open resource file and format it
** with ARGS into OUT (TEXT_SIZE bytes). False when the message is missing. */
bool formatMessage(char* out, int listId, int number, va_list args) {
    char templ[TEMPLATE_SIZE];
    if (mdlResource_loadFromStringList(templ, sizeof templ, 0, listId, number) != RSC_SUCCESS) return false;
    std::vsnprintf(out, TEXT_SIZE, templ, args);
    return true;
}

/* Take TEXT as the message box's text and split it into the line table. */
void setBoxText(const char* text) {
    zmlib::copyFixed(state.box.text, text);
    state.box.lineCount = zmlib::error::splitLines(state.box.text, state.box.lines, MAX_LINES);
}

/* Print the current text on the console: the fallback when a dialog cannot be shown. */
void printBoxText() {
    for (int i = 0; i < state.box.lineCount; ++i) toolSubsystem_printf("%s\n", state.box.lines[i]);
}

/* Open DIALOGID modally with the current state; answer the action code, or
** ZMERROR_NO_MESSAGE (after printing the text on the console) when the
** dialog cannot be opened, so that no caller takes that for an answer. */
int openModal(int dialogId) {
    int action = ACTIONBUTTON_CANCEL;
    if (mdlDialog_openModal(&action, 0, dialogId) != 0) {
        printBoxText();
        return ZMERROR_NO_MESSAGE;
    }
    return action;
}

/* The title of message box KIND for the calling application ("" when none). */
const char* kindTitle(int kind) {
    ZmGlobalData* gd = zmlibMain_getGlobalDataP();
    int index = zmlib::error::titleIndex(kind);
    return gd && index >= 0 ? gd->messageBoxTitles[index] : "";
}

int itemIndexOf(DialogBox* db, uint32_t type, int32_t id) {
    DialogItem* item = mdlDialog_itemGetByTypeAndId(db, type, id, 0);
    return item ? item->itemIndex : -1;
}

enum : int { MARGIN = 15, MIN_TEXT_HEIGHT = 50, BOX_FONT = 2, HEADING_FONT = 4 };

/* Width of the widest line of the current text in FONT. */
int widestLine(DialogBox* db, int font) {
    int w = 0;
    for (int i = 0; i < state.box.lineCount; ++i) {
        int lw = mdlDialog_stringWidth(db, font, state.box.lines[i]);
        if (lw > w) w = lw;
    }
    return w;
}

/* Move push button ID to X (its left edge) in the row whose bottom is BOTTOM. */
void placeButton(DialogBox* db, int32_t id, int x, int bottom) {
    int index = itemIndexOf(db, ITEMTYPE_PUSHBUTTON, id);
    if (index < 0) return;
    DialogRect r = mdlDialog_itemGetByIndex(db, index)->rect;
    int w = r.right - r.left, h = r.bottom - r.top;
    DialogRect moved{x, bottom - h, x + w, bottom};
    mdlDialog_itemSetExtent(db, index, &moved, 0);
}

int buttonWidth(DialogBox* db, int32_t id) {
    int index = itemIndexOf(db, ITEMTYPE_PUSHBUTTON, id);
    if (index < 0) return 0;
    DialogRect r = mdlDialog_itemGetByIndex(db, index)->rect;
    return r.right - r.left;
}

int buttonHeight(DialogBox* db, int32_t id) {
    int index = itemIndexOf(db, ITEMTYPE_PUSHBUTTON, id);
    if (index < 0) return 0;
    DialogRect r = mdlDialog_itemGetByIndex(db, index)->rect;
    return r.bottom - r.top;
}

/* Size the message box to its text and lay out its buttons and text area. */
void layoutMessageBox(DialogBox* db) {
    int h = mdlDialog_fontGetHeight(db, BOX_FONT);
    int w = widestLine(db, BOX_FONT);
    if (w < 8 * h - 50) w = 8 * h - 50;
    int t = state.box.lineCount * h;
    if (t < MIN_TEXT_HEIGHT) t = MIN_TEXT_HEIGHT;
    int width = w + 95, height = t + 3 * h + 45;
    DialogRect extent{};
    mdlWindow_extentGet(&extent, db);
    extent.right = extent.left + width;
    extent.bottom = extent.top + height;
    mdlWindow_extentSet(db, &extent);

    int bottom = height - MARGIN;
    int okWidth = buttonWidth(db, PUSHBUTTONID_OK), cancelWidth = buttonWidth(db, PUSHBUTTONID_CANCEL);
    int okIndex = itemIndexOf(db, ITEMTYPE_PUSHBUTTON, PUSHBUTTONID_OK);
    int cancelIndex = itemIndexOf(db, ITEMTYPE_PUSHBUTTON, PUSHBUTTONID_CANCEL);
    if (state.box.secondButton) {
        placeButton(db, PUSHBUTTONID_OK, width / 3 - okWidth / 2, bottom);
        placeButton(db, PUSHBUTTONID_CANCEL, 2 * width / 3 - cancelWidth / 2, bottom);
    } else {
        placeButton(db, PUSHBUTTONID_OK, (width - okWidth) / 2, bottom);
    }
    int textIndex = itemIndexOf(db, ITEMTYPE_GENERIC, zmlib::error::ITEM_TEXT_AREA);
    if (textIndex >= 0) {
        DialogRect area{MARGIN, MARGIN, width - MARGIN, bottom - buttonHeight(db, PUSHBUTTONID_OK) - MARGIN};
        mdlDialog_itemSetExtent(db, textIndex, &area, 0);
    }
    int first = state.box.firstButtons == ZMLIB_MSGBOX_CONTINUE ? 2
                : state.box.firstButtons == ZMLIB_MSGBOX_YES    ? 1
                                                                : 0;
    if (okIndex >= 0) mdlDialog_itemSetLabel(db, okIndex, zmlibUtil_getLanguageText(zmlib::error::TEXT_FIRST_BUTTON + first));
    if (cancelIndex >= 0) {
        if (state.box.secondButton) {
            int second = state.box.secondButton == ZMLIB_MSGBOX_END_APPLICATION ? 2
                         : state.box.secondButton == ZMLIB_MSGBOX_NO            ? 1
                                                                                : 0;
            mdlDialog_itemSetLabel(db, cancelIndex,
                                   zmlibUtil_getLanguageText(zmlib::error::TEXT_SECOND_BUTTON + second));
            mdlDialog_itemShow(db, cancelIndex);
        } else {
            mdlDialog_itemHide(db, cancelIndex);
        }
    }
}

/* Lay out the message list: the heading, the list below it, OK and save in the bottom row. */
void layoutMessageList(DialogBox* db) {
    int h = mdlDialog_fontGetHeight(db, HEADING_FONT);
    int heading = 8 * h + 6;
    int listHeight = state.box.lineCount * h;
    if (listHeight < MIN_TEXT_HEIGHT) listHeight = MIN_TEXT_HEIGHT;
    DialogRect extent{};
    mdlWindow_extentGet(&extent, db);
    int width = extent.right - extent.left;
    int buttonRow = buttonHeight(db, PUSHBUTTONID_OK);
    int height = heading + listHeight + 2 * MARGIN + buttonRow + MARGIN;
    extent.bottom = extent.top + height;
    mdlWindow_extentSet(db, &extent);
    int listIndex = itemIndexOf(db, ITEMTYPE_LISTBOX, zmlib::error::ITEM_MESSAGE_LIST_BOX);
    if (listIndex >= 0) {
        DialogRect r{MARGIN, heading, width - MARGIN, heading + listHeight + MARGIN};
        mdlDialog_itemSetExtent(db, listIndex, &r, 0);
    }
    int bottom = height - MARGIN;
    int free = width - buttonWidth(db, PUSHBUTTONID_OK) - buttonWidth(db, zmlib::error::ITEM_SAVE_BUTTON);
    placeButton(db, PUSHBUTTONID_OK, free / 3, bottom);
    placeButton(db, zmlib::error::ITEM_SAVE_BUTTON, 2 * free / 3 + buttonWidth(db, PUSHBUTTONID_OK), bottom);
}

/* ---- Hooks of dialogs 20011 and 20010 ---------------------------------------------- */

void messageBoxHook_dialog(DialogMessage* m) {
    m->msgUnderstood = 1;
    if (m->messageType == DIALOG_MESSAGE_INIT) layoutMessageBox(m->db);
    else m->msgUnderstood = 0;
}

/* The icon of message box KIND. */
int32_t kindIcon(int kind) {
    switch (kind) {
    case ZMLIB_MSGBOX_ERROR: return 20004;
    case ZMLIB_MSGBOX_WARNING: return 20002;
    case ZMLIB_MSGBOX_QUESTION: return 20003;
    default: return 20001;
    }
}

/* Draw the kind's icon at the left of RECT, vertically centred, and the lines
** one font height apart, 65 pixels right of its left edge. */
void drawIconAndLines(DialogBox* db, const DialogRect& rect, int kind, int font) {
    enum : int { ICON_SIDE = 32, TEXT_INDENT = 65 };
    int top = rect.top + (rect.bottom - rect.top - ICON_SIDE) / 2;
    DialogRect icon{rect.left, top, rect.left + ICON_SIDE, top + ICON_SIDE};
    mdlDialog_drawIcon(db, RTYPE_ICON, kindIcon(kind), &icon);
    int h = mdlDialog_fontGetHeight(db, font);
    for (int i = 0; i < state.box.lineCount; ++i)
        mdlDialog_drawText(db, rect.left + TEXT_INDENT, rect.top + i * h, font, state.box.lines[i]);
}

void messageBoxHook_text(DialogItemMessage* m) {
    m->msgUnderstood = 1;
    if (m->messageType == DITEM_MESSAGE_DRAW) {
        mdlWindow_titleSet(m->db, kindTitle(state.box.kind));
        drawIconAndLines(m->db, m->u.draw.rect, state.box.kind, BOX_FONT);
    } else {
        m->msgUnderstood = 0;
    }
}

void messageListHook_dialog(DialogMessage* m) {
    m->msgUnderstood = 1;
    switch (m->messageType) {
    case DIALOG_MESSAGE_CREATE:
        if (DialogItem* list =
                mdlDialog_itemGetByTypeAndId(m->db, ITEMTYPE_LISTBOX, zmlib::error::ITEM_MESSAGE_LIST_BOX, 0))
            mdlDialog_listBoxDrawContents(list, -1, -1);
        break;
    case DIALOG_MESSAGE_INIT:
        layoutMessageList(m->db);
        break;
    case DIALOG_MESSAGE_DESTROY:
        zmlib::error::destroyMessageList();
        break;
    default:
        m->msgUnderstood = 0;
    }
}

void messageListHook_listBox(DialogItemMessage* m) {
    m->msgUnderstood = 1;
    if (m->messageType == DITEM_MESSAGE_CREATE) {
        if (!state.messageList) state.messageList = mdlStringList_create(0, 1);
        mdlDialog_listBoxSetStrListP(m->dialogItemP, state.messageList, 1);
    } else {
        m->msgUnderstood = 0;
    }
}

void messageListHook_heading(DialogItemMessage* m) {
    m->msgUnderstood = 1;
    if (m->messageType == DITEM_MESSAGE_DRAW) {
        mdlWindow_titleSet(m->db, kindTitle(ZMLIB_MSGBOX_INFO));
        drawIconAndLines(m->db, m->u.draw.rect, ZMLIB_MSGBOX_INFO, HEADING_FONT);
    } else {
        m->msgUnderstood = 0;
    }
}

/* Ask for a text file and write the collected lines to it; a cancelled
** dialog or a file that cannot be opened ends the action silently. */
void messageListHook_save(DialogItemMessage* m) {
    m->msgUnderstood = 1;
    if (m->messageType != DITEM_MESSAGE_ACTIVATE) {
        m->msgUnderstood = 0;
        return;
    }
    if (!state.messageList) return;
    char title[TEXT_SIZE];
    zmlib::copyFixed(title, zmlibUtil_getLanguageText(zmlib::error::TEXT_SAVE_TITLE));
    char name[MAXFILELENGTH] = "";
    if (zmlibUpf_defFileCreate(name, "", "*.txt", nullptr, title, zmlib::error::FILE_DIALOG_MESSAGE_LIST) != 0) return;
    zmlib::error::saveMessageList(name);
}

const DialogHookInfo messageHooks[] = {
    {zmlib::error::HOOK_MESSAGE_LIST_DIALOG,  reinterpret_cast<void*>(messageListHook_dialog)},
    {zmlib::error::HOOK_MESSAGE_LIST_BOX,     reinterpret_cast<void*>(messageListHook_listBox)},
    {zmlib::error::HOOK_MESSAGE_LIST_HEADING, reinterpret_cast<void*>(messageListHook_heading)},
    {zmlib::error::HOOK_MESSAGE_LIST_SAVE,    reinterpret_cast<void*>(messageListHook_save)},
    {zmlib::error::HOOK_MESSAGE_BOX_TEXT,     reinterpret_cast<void*>(messageBoxHook_text)},
    {zmlib::error::HOOK_MESSAGE_BOX_DIALOG,   reinterpret_cast<void*>(messageBoxHook_dialog)},
};

/* Open dialog 20011 modally with the current state; answer the action code. */
int showMessageBox() { return openModal(zmlib::error::DIALOG_MESSAGE_BOX); }

/* Collect, show or print TEXT by MODE. */
int listText(int mode, const char* text) {
    switch (mode) {
    case 0: {
        setBoxText(text);
        for (int i = 0; i < state.box.lineCount; ++i)
            if (zmlib::error::appendListLine(state.box.lines[i]) != ZMERROR_COLLECTED) return ZMERROR_NO_MESSAGE;
        return ZMERROR_COLLECTED;
    }
    case 1: {
        setBoxText(text);
        mdlSystem_enterGraphics();
        // Dialog 20009 keeps no command queue of its own in this host, so
        // there is nothing to close before the list opens.
        return openModal(zmlib::error::DIALOG_MESSAGE_LIST);
    }
    case 2:
        return ZMERROR_COLLECTED;
    default:
        toolSubsystem_printf("%s", text);
        return ZMERROR_COLLECTED;
    }
}

/* Destroys the collected list when the library itself is unloaded. */
struct LibraryLifetime {
    ~LibraryLifetime() { zmlib::error::destroyMessageList(); }
};
LibraryLifetime lifetime;

}  // namespace

namespace zmlib::error {

const MessageBoxState& messageBoxState() { return state.box; }

void decodeFlags(int flags, int* kind, int* firstButtons, int* secondButton) {
    static const int kinds[] = {ZMLIB_MSGBOX_INFO, ZMLIB_MSGBOX_ERROR, ZMLIB_MSGBOX_WARNING, ZMLIB_MSGBOX_QUESTION};
    static const int firsts[] = {ZMLIB_MSGBOX_OK, ZMLIB_MSGBOX_YES, ZMLIB_MSGBOX_CONTINUE};
    static const int seconds[] = {ZMLIB_MSGBOX_CANCEL, ZMLIB_MSGBOX_NO, ZMLIB_MSGBOX_END_APPLICATION};
    *kind = lowestOf(flags, kinds, ZMLIB_MSGBOX_INFO);
    *firstButtons = lowestOf(flags, firsts, ZMLIB_MSGBOX_OK);
    *secondButton = lowestOf(flags, seconds, 0);
}

int splitLines(char* text, const char* lines[], int maxLines) {
    int count = 0;
    char* p = text;
    while (*p && count < maxLines) {
        while (*p == '\n') ++p;
        if (!*p) break;
        lines[count++] = p;
        char* end = std::strchr(p, '\n');
        if (!end) break;
        *end = '\0';
        p = end + 1;
    }
    lines[count] = nullptr;
    return count;
}

int titleIndex(int kind) {
    switch (kind) {
    case ZMLIB_MSGBOX_WARNING: return 0;
    case ZMLIB_MSGBOX_QUESTION: return 1;
    case ZMLIB_MSGBOX_INFO: return 2;
    case ZMLIB_MSGBOX_ERROR: return 3;
    default: return -1;
    }
}

StringList* messageList() { return state.messageList; }

int appendListLine(const char* line) {
    if (!state.messageList && !(state.messageList = mdlStringList_create(0, 1))) return ZMERROR_NO_MESSAGE;
    int index = -1;
    mdlStringList_insertMember(&index, state.messageList, -1, 1);
    if (index == -1) {
        /* The host takes no more: drop the oldest line and try once more. */
        if (mdlStringList_size(state.messageList) > 0) mdlStringList_deleteMember(state.messageList, 0, 1);
        mdlStringList_insertMember(&index, state.messageList, -1, 1);
        if (index == -1) return ZMERROR_NO_MESSAGE;
    }
    if (mdlStringList_setMember(state.messageList, index, line, nullptr) != RSC_SUCCESS) {
        mdlStringList_deleteMember(state.messageList, index, 1);
        return ZMERROR_NO_MESSAGE;
    }
    return ZMERROR_COLLECTED;
}

int saveMessageList(const char* path) {
    if (!state.messageList || !path || !*path) return ZMLIB_ERROR;
    FILE* f = dlmSystem_mdlFopen(path, "w");
    if (!f) return ZMLIB_ERROR;
    int n = mdlStringList_size(state.messageList);
    for (int i = 0; i < n; ++i) {
        const char* text = nullptr;
        mdlStringList_getMember(&text, nullptr, state.messageList, i);
        toolSubsystem_fprintf(f, "%s\n", text ? text : "");
    }
    dlmSystem_mdlFclose(f);
    return ZMLIB_SUCCESS;
}

void destroyMessageList() {
    mdlStringList_destroy(state.messageList);
    state.messageList = nullptr;
}

int msgBoxV(int flags, const char* format, va_list args) {
    char text[TEXT_SIZE];
    std::vsnprintf(text, sizeof text, format ? format : "", args);
    decodeFlags(flags, &state.box.kind, &state.box.firstButtons, &state.box.secondButton);
    setBoxText(text);
    return showMessageBox();
}

int rscMsgBoxV(int flags, int listId, int number, va_list args) {
    char text[TEXT_SIZE];
    if (!formatMessage(text, listId, number, args)) return ZMERROR_NO_MESSAGE;
    decodeFlags(flags, &state.box.kind, &state.box.firstButtons, &state.box.secondButton);
    setBoxText(text);
    return showMessageBox();
}

int listV(int mode, const char* format, va_list args) {
    char text[TEXT_SIZE];
    std::vsnprintf(text, sizeof text, format ? format : "", args);
    return listText(mode, text);
}

int rscListV(int mode, int listId, int number, va_list args) {
    char text[TEXT_SIZE];
    if (!formatMessage(text, listId, number, args)) return ZMERROR_NO_MESSAGE;
    return listText(mode, text);
}

void publishHooks() {
    mdlDialog_hookPublish(static_cast<int>(std::size(messageHooks)), messageHooks);
}

void resetForTests() {
    destroyMessageList();
    state = ErrorState{};
}

}  // namespace zmlib::error

namespace {

/* Format a text that takes no arguments in place: "%%" becomes "%". A text
** with other conversions is a format its callers fill in, and is left as
** stored so that they still find its "%%" and its conversions. */
void formatPlainText(char* text) {
    for (const char* p = text; (p = std::strchr(p, '%')) != nullptr; p += 2)
        if (p[1] != '%') return;
    char* out = text;
    for (const char* p = text; *p; ++p) {
        *out++ = *p;
        if (p[0] == '%' && p[1] == '%') ++p;
    }
    *out = '\0';
}

}  // namespace

extern "C" ZMLIB_API char* zmlibUtil_getLanguageText(int number) {
    if (mdlResource_loadFromStringList(state.languageText, sizeof state.languageText, 0, ZMLIB_LIST_LANGUAGE,
                                       number) != RSC_SUCCESS)
        state.languageText[0] = '\0';
    formatPlainText(state.languageText);
    return state.languageText;
}

extern "C" ZMLIB_API int zmlibError_rscMsgBoxPrintf(int flags, int listId, int number, ...) {
    va_list ap;
    va_start(ap, number);
    int result = zmlib::error::rscMsgBoxV(flags, listId, number, ap);
    va_end(ap);
    return result;
}

extern "C" ZMLIB_API int zmlibError_msgBoxPrintf(int flags, const char* format, ...) {
    va_list ap;
    va_start(ap, format);
    int result = zmlib::error::msgBoxV(flags, format, ap);
    va_end(ap);
    return result;
}

extern "C" ZMLIB_API int zmlibError_rscListPrintf(int mode, int listId, int number, ...) {
    va_list ap;
    va_start(ap, number);
    int result = zmlib::error::rscListV(mode, listId, number, ap);
    va_end(ap);
    return result;
}

extern "C" ZMLIB_API int zmlibError_listPrintf(int mode, const char* format, ...) {
    va_list ap;
    va_start(ap, format);
    int result = zmlib::error::listV(mode, format, ap);
    va_end(ap);
    return result;
}

extern "C" ZMLIB_API int zmlibError_setTitle(int kind, const char* format, ...) {
    int index = zmlib::error::titleIndex(kind);
    if (index < 0) {
        toolSubsystem_printf("%s %d\n", "Feil under setting av tittel", kind);
        return 0;
    }
    ZmGlobalData* gd = zmlibMain_getGlobalDataP();
    if (!gd) return 0;
    char text[zmlib::error::TITLE_SIZE];
    va_list ap;
    va_start(ap, format);
    std::vsnprintf(text, sizeof text, format ? format : "", ap);
    va_end(ap);
    return static_cast<int>(zmlib::copyFixed(gd->messageBoxTitles[index], text));
}
