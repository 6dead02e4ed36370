/* Language texts, the library message box (dialog 20011), the message list
** (dialog 20010) with its collection modes, and message box titles. State: the
** message box's kind, buttons and line table, the collected list and the
** language-text buffer, all process-wide. */
#include "lib/core/error.h"

#include <cstdio>
#include <cstring>

#include "host/mdlresource.h"
#include "host/mdlsystem.h"
#include "lib/core/error_int.h"
#include "lib/core/main.h"
#include "lib/core/text_int.h"

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

/* Open dialog 20011 modally with the current state; answer the action code. */
int showMessageBox() {
    int action = ZMLIB_ACTION_OK;
    // The modal dialog and its hooks are wired in with the host's dialog manager.
    return action;
}

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
        int action = ZMLIB_ACTION_OK;
        // The command queue of dialog 20009 is closed and dialog 20010 opened
        // modally once the host's dialog manager is wired in.
        return action;
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
    static const int kinds[] = {1, 2, 4, 8};
    static const int firsts[] = {16, 32, 64};
    static const int seconds[] = {128, 256, 512};
    *kind = lowestOf(flags, kinds, 1);
    *firstButtons = lowestOf(flags, firsts, 16);
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
    case 4: return 0;
    case 8: return 1;
    case 1: return 2;
    case 2: return 3;
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
    // Published with the host's dialog manager.
}

void resetForTests() {
    destroyMessageList();
    state = ErrorState{};
}

}  // namespace zmlib::error

/* The text is taken as stored, not formatted: several language texts are
** formats their callers fill in, and formatting them here without arguments
** would read arguments that were never passed. */
extern "C" ZMLIB_API char* zmlibUtil_getLanguageText(int number) {
    if (mdlResource_loadFromStringList(state.languageText, sizeof state.languageText, 0, ZMLIB_LIST_LANGUAGE,
                                       number) != RSC_SUCCESS)
        state.languageText[0] = '\0';
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
