/* The selection dialogs: the file picker (20016), the batch file selector
** (20018) and the single and multiple pickers (20021, 20022), with the item
** and pull-down menu helpers. State: SelectState, the working data of the one
** selection dialog open at a time and the menu inserted last. */
#include "lib/dialogs/select.h"

#include <algorithm>
#include <cstring>
#include <iterator>
#include <set>
#include <string>
#include <vector>

#include "host/mdlsystem.h"
#include "host/mdluserprefs.h"
#include "host/mdlutil.h"
#include "lib/core/error.h"
#include "lib/core/main.h"
#include "lib/core/text_int.h"
#include "lib/dialogs/select_int.h"
#include "lib/platform/file.h"

namespace {

using namespace zmlib::select;

enum : int {
    HOOK_PICKER_DIALOG = 20110,
    HOOK_PICKER_DIRECTORIES = 20111,
    HOOK_PICKER_FILES = 20112,
    HOOK_PICKER_PATTERN = 20113,
    HOOK_BATCH_DIALOG = 20114,
    HOOK_BATCH_SEARCH = 20115,
    HOOK_BATCH_REMOVE = 20116,
    HOOK_BATCH_SAVE = 20117,
    HOOK_BATCH_LOAD = 20118,
    HOOK_CHOICE_DIALOG = 20119,
    HOOK_CHOICE_LIST = 20120,
    HOOK_BATCH_BROWSE = 20121,
    HOST_MENU_BEFORE = -522,
    LIST_LINE_SIZE = NAME_SIZE + 1,
};

struct SelectState {
    std::string title;                /* set as the window title when a dialog opens */
    std::string label;                /* the pickers' list label */
    std::string pattern;
    std::string directory;            /* ends in '\' while a file dialog is open */
    StringList* result;               /* the file selectors' list */
    StringList* choices;              /* the pickers' list */
    int columns;
    int infoValue;
    std::vector<int> selection;       /* rows chosen in a picker or the file list */
    StringList* pickerDirectories;    /* rows of the file picker's directory list while it is open */
    StringList* pickerFiles;          /* its file rows, until the caller took the chosen ones */
    MenuBarMenu* menu;                /* inserted by zmlibDialog_insertPdm */
};
SelectState state{};

bool isDirectory(const std::string& path) {
    FileListP list = mdlFileList_create(path.c_str());
    bool found = list && mdlFileList_getCount(list) == 1 &&
                 (mdlFileList_getEntry(list, 0)->attributes & FILELIST_DIRECTORY);
    mdlFileList_free(&list);
    return found;
}

std::string withSeparator(std::string directory) {
    if (!directory.empty() && directory.back() != '\\' && directory.back() != '/') directory += '\\';
    return directory;
}

/* The names the host's file lister gives for DIRECTORY and PATTERN in MODE
** (directories, files or drives). */
std::vector<std::string> listEntries(const std::string& directory, const std::string& pattern, int mode) {
    std::vector<std::string> names;
    FileListP list = mdlFileList_createByMode((directory + pattern).c_str(), mode);
    for (int i = 0, n = list ? mdlFileList_getCount(list) : 0; i < n; ++i) names.push_back(mdlFileList_getEntry(list, i)->name);
    mdlFileList_free(&list);
    return names;
}

void searchDirectory(const std::string& directory, const std::string& pattern, int depth,
                     std::vector<std::string>& out) {
    if (depth > MAX_SEARCH_DEPTH) return;
    for (const std::string& sub : listEntries(directory, "*", FILELIST_MODE_DIRECTORIES))
        if (sub != "." && sub != "..") searchDirectory(directory + sub + "\\", pattern, depth + 1, out);
    for (const std::string& file : listEntries(directory, pattern, FILELIST_MODE_FILES)) out.push_back(directory + file);
}

std::vector<std::string> splitPatterns(const std::string& patterns) {
    std::vector<std::string> out;
    size_t start = 0;
    while (start <= patterns.size()) {
        size_t end = patterns.find(';', start);
        std::string p = patterns.substr(start, end == std::string::npos ? std::string::npos : end - start);
        p.erase(0, p.find_first_not_of(" \t"));
        p.erase(p.find_last_not_of(" \t") + 1);
        if (!p.empty()) out.push_back(p);
        if (end == std::string::npos) break;
        start = end + 1;
    }
    return out;
}

/* Append NAME as a new member of LIST; false (reported) when the list cannot take it. */
bool appendMember(StringList* list, const std::string& name) {
    if (name.size() > NAME_SIZE) {
        zmlibError_listPrintf(0, "\"%s\" is longer than %d characters", name.c_str(), NAME_SIZE);
        return false;
    }
    int index = 0;
    if (!list || mdlStringList_insertMember(&index, list, -1, 1) != 0 ||
        mdlStringList_setMember(list, index, name.c_str(), nullptr) != 0) {
        zmlibError_listPrintf(0, "\"%s\" cannot be added to the list", name.c_str());
        return false;
    }
    return true;
}

std::string itemText(DialogBox* db, uint32_t type, int32_t id) {
    char text[LIST_LINE_SIZE + 1] = "";
    if (DialogItem* it = mdlDialog_itemGetByTypeAndId(db, type, id, 0))
        mdlDialog_itemGetText(text, sizeof text, db, it->itemIndex);
    return text;
}

void setItemText(DialogBox* db, uint32_t type, int32_t id, const std::string& text) {
    if (DialogItem* it = mdlDialog_itemGetByTypeAndId(db, type, id, 0)) {
        mdlDialog_itemSetText(db, it->itemIndex, text.c_str());
        mdlDialog_itemDraw(db, it->itemIndex);
    }
}

std::vector<int> selectedRows(DialogItem* list) {
    std::vector<int> rows;
    BoolInt found = 1;
    int row = -1, column = -1;
    while (list && mdlDialog_listBoxGetNextSelection(&found, &row, &column, list) == 0 && found) {
        if (rows.empty() || rows.back() != row) rows.push_back(row);
    }
    return rows;
}

void showList(DialogBox* db, int32_t id, StringList* list, int columns) {
    if (DialogItem* it = mdlDialog_itemGetByTypeAndId(db, ITEMTYPE_LISTBOX, id, 0)) {
        mdlDialog_listBoxSetStrListP(it, list, columns);
        mdlDialog_listBoxDrawContents(it, -1, -1);
    }
}

/* ---- File picker (20016) ------------------------------------------------------------------ */

void refillPicker(DialogBox* db) {
    for (StringList** list : {&state.pickerDirectories, &state.pickerFiles}) {
        if (*list) mdlStringList_destroy(*list);
        *list = mdlStringList_create(0, 0);
    }
    appendMember(state.pickerDirectories, "..");
    for (const std::string& d : listEntries(state.directory, "*", FILELIST_MODE_DIRECTORIES))
        appendMember(state.pickerDirectories, d);
    for (const std::string& d : listEntries({}, {}, FILELIST_MODE_DRIVES)) appendMember(state.pickerDirectories, d);
    for (const std::string& p : splitPatterns(state.pattern))
        for (const std::string& f : listEntries(state.directory, p, FILELIST_MODE_FILES)) appendMember(state.pickerFiles, f);
    setItemText(db, ITEMTYPE_TEXT, ITEM_PICKER_DIRECTORY, state.directory);
    showList(db, ITEM_DIRECTORY_LIST, state.pickerDirectories, 1);
    showList(db, ITEM_FILE_LIST, state.pickerFiles, 1);
    state.selection.clear();
    if (DialogItem* ok = mdlDialog_itemGetByTypeAndId(db, ITEMTYPE_PUSHBUTTON, PUSHBUTTONID_OK, 0))
        mdlDialog_itemSetEnabledState(db, ok->itemIndex, 0, 1);
}

void pickerHook_dialog(DialogMessage* m) {
    m->msgUnderstood = 1;
    switch (m->messageType) {
    case DIALOG_MESSAGE_CREATE:
        zmlibMain_updateBeforeDialogOpen(m->dialogId);
        if (!state.title.empty()) mdlWindow_titleSet(m->db, state.title.c_str());
        break;
    case DIALOG_MESSAGE_INIT:
        setItemText(m->db, ITEMTYPE_TEXT, ITEM_PICKER_PATTERN, state.pattern);
        refillPicker(m->db);
        break;
    case DIALOG_MESSAGE_DESTROY:
        /* The file rows stay until the caller has taken the chosen ones. */
        for (int32_t id : {ITEM_DIRECTORY_LIST, ITEM_FILE_LIST})
            if (DialogItem* list = mdlDialog_itemGetByTypeAndId(m->db, ITEMTYPE_LISTBOX, id, 0))
                mdlDialog_listBoxSetStrListP(list, nullptr, 1);
        if (state.pickerDirectories) mdlStringList_destroy(state.pickerDirectories);
        state.pickerDirectories = nullptr;
        break;
    default: m->msgUnderstood = 0;
    }
}

void pickerHook_directories(DialogItemMessage* m) {
    m->msgUnderstood = 1;
    if (m->messageType == DITEM_MESSAGE_BUTTON && m->u.button.clicks == 2 &&
        m->u.button.transition == BUTTONTRANS_UP) {
        const char* entry = nullptr;
        if (state.pickerDirectories &&
            mdlStringList_getMember(&entry, nullptr, state.pickerDirectories, m->u.button.row) == 0 && entry) {
            state.directory = enterDirectory(state.directory, entry);
            refillPicker(m->db);
        }
    } else {
        m->msgUnderstood = 0;
    }
}

void pickerHook_files(DialogItemMessage* m) {
    m->msgUnderstood = 1;
    if (m->messageType == DITEM_MESSAGE_STATECHANGED) {
        state.selection = selectedRows(m->dialogItemP);
        if (DialogItem* ok = mdlDialog_itemGetByTypeAndId(m->db, ITEMTYPE_PUSHBUTTON, PUSHBUTTONID_OK, 0))
            mdlDialog_itemSetEnabledState(m->db, ok->itemIndex, !state.selection.empty(), 1);
    } else {
        m->msgUnderstood = 0;
    }
}

void pickerHook_pattern(DialogItemMessage* m) {
    m->msgUnderstood = 1;
    if (m->messageType == DITEM_MESSAGE_STATECHANGED) {
        state.pattern = itemText(m->db, ITEMTYPE_TEXT, ITEM_PICKER_PATTERN);
        refillPicker(m->db);
    } else {
        m->msgUnderstood = 0;
    }
}

/* ---- Batch file selector (20018) ---------------------------------------------------------- */

void batchHook_dialog(DialogMessage* m) {
    m->msgUnderstood = 1;
    switch (m->messageType) {
    case DIALOG_MESSAGE_CREATE:
        zmlibMain_updateBeforeDialogOpen(m->dialogId);
        if (!state.title.empty()) mdlWindow_titleSet(m->db, state.title.c_str());
        break;
    case DIALOG_MESSAGE_INIT:
        setItemText(m->db, ITEMTYPE_TEXT, ITEM_BATCH_DIRECTORY, state.directory);
        setItemText(m->db, ITEMTYPE_TEXT, ITEM_BATCH_PATTERN, state.pattern);
        showList(m->db, ITEM_RESULT_LIST, state.result, 1);
        break;
    case DIALOG_MESSAGE_DESTROY:
        state.directory = itemText(m->db, ITEMTYPE_TEXT, ITEM_BATCH_DIRECTORY);
        state.pattern = itemText(m->db, ITEMTYPE_TEXT, ITEM_BATCH_PATTERN);
        if (DialogItem* list = mdlDialog_itemGetByTypeAndId(m->db, ITEMTYPE_LISTBOX, ITEM_RESULT_LIST, 0))
            mdlDialog_listBoxSetStrListP(list, nullptr, 1);
        break;
    default: m->msgUnderstood = 0;
    }
}

/* Run ACTION for a push button's activation. */
void buttonHook(DialogItemMessage* m, void (*action)(DialogBox*)) {
    m->msgUnderstood = 1;
    if (m->messageType == DITEM_MESSAGE_ACTIVATE) action(m->db);
    else m->msgUnderstood = 0;
}

void batchSearch(DialogBox* db) {
    std::string directory = itemText(db, ITEMTYPE_TEXT, ITEM_BATCH_DIRECTORY);
    std::string patterns = itemText(db, ITEMTYPE_TEXT, ITEM_BATCH_PATTERN);
    if (state.result) mdlStringList_deleteMember(state.result, 0, mdlStringList_size(state.result));
    for (const std::string& name : searchTree(directory, patterns)) appendMember(state.result, name);
    showList(db, ITEM_RESULT_LIST, state.result, 1);
}

void batchRemove(DialogBox* db) {
    DialogItem* list = mdlDialog_itemGetByTypeAndId(db, ITEMTYPE_LISTBOX, ITEM_RESULT_LIST, 0);
    std::vector<int> rows = selectedRows(list);
    for (auto r = rows.rbegin(); r != rows.rend(); ++r) mdlStringList_deleteMember(state.result, *r, 1);
    if (list) mdlDialog_listBoxSelectCells(list, -1, -1, -1, -1, 0, 0);
    showList(db, ITEM_RESULT_LIST, state.result, 1);
}

std::string dataDirectory() {
    char value[MAXFILELENGTH] = "";
    if (mdlSystem_getCfgVar(value, "MS_DATA", sizeof value) != 0) return {};
    return value;
}

void batchSave(DialogBox*) {
    char name[MAXFILELENGTH] = "";
    std::string directory = dataDirectory();
    if (mdlDialog_fileCreate(name, 0, 0, "filelist.txt", "*.txt", directory.c_str(), "Create output file") != 0)
        return;
    TextFileP file = mdlTextFile_open(name, TEXTFILE_WRITE);
    if (!file) {
        zmlibError_rscMsgBoxPrintf(ZMLIB_MSGBOX_INFO_OK, ZMLIB_LIST_ERRORS, 1, name);
        return;
    }
    for (int i = 0, n = state.result ? mdlStringList_size(state.result) : 0; i < n; ++i) {
        const char* member = nullptr;
        if (mdlStringList_getMember(&member, nullptr, state.result, i) == 0 && member)
            mdlTextFile_putString(member, file, TEXTFILE_DEFAULT);
    }
    if (mdlTextFile_close(file) != 0) zmlibError_rscMsgBoxPrintf(ZMLIB_MSGBOX_INFO_OK, ZMLIB_LIST_ERRORS, 2);
}

void batchLoad(DialogBox* db) {
    char name[MAXFILELENGTH] = "";
    std::string directory = dataDirectory();
    if (mdlDialog_fileOpen(name, 0, 0, "filelist.txt", "*.txt", directory.c_str(), "Select input file") != 0) return;
    /* The list file's names replace the list. */
    if (state.result) mdlStringList_deleteMember(state.result, 0, mdlStringList_size(state.result));
    loadListFile(state.result, name);
    showList(db, ITEM_RESULT_LIST, state.result, 1);
}

/* The folder to search, picked through the host's file list editor: the
** folder of the file the user chose. */
void batchBrowse(DialogBox* db) {
    char directory[MAXFILELENGTH] = "", filter[MAXFILELENGTH] = "*.*";
    zmlib::copyFixed(directory, itemText(db, ITEMTYPE_TEXT, ITEM_BATCH_DIRECTORY).c_str());
    int action = ACTIONBUTTON_CANCEL;
    StringList* edited = mdlFileList_edit(&action, nullptr, directory, filter, "Select directory");
    if (edited) mdlStringList_destroy(edited);
    if (action == ACTIONBUTTON_OK) setItemText(db, ITEMTYPE_TEXT, ITEM_BATCH_DIRECTORY, directory);
}

void batchHook_search(DialogItemMessage* m) { buttonHook(m, batchSearch); }
void batchHook_browse(DialogItemMessage* m) { buttonHook(m, batchBrowse); }
void batchHook_remove(DialogItemMessage* m) { buttonHook(m, batchRemove); }
void batchHook_save(DialogItemMessage* m) { buttonHook(m, batchSave); }
void batchHook_load(DialogItemMessage* m) { buttonHook(m, batchLoad); }

/* ---- Pickers (20021, 20022) --------------------------------------------------------------- */

void choiceHook_dialog(DialogMessage* m) {
    m->msgUnderstood = 1;
    switch (m->messageType) {
    case DIALOG_MESSAGE_CREATE:
        zmlibMain_updateBeforeDialogOpen(m->dialogId);
        if (!state.title.empty()) mdlWindow_titleSet(m->db, state.title.c_str());
        break;
    case DIALOG_MESSAGE_INIT:
        if (DialogItem* list = mdlDialog_itemGetByTypeAndId(m->db, ITEMTYPE_LISTBOX, ITEM_CHOICE_LIST, 0)) {
            if (!state.label.empty()) mdlDialog_itemSetLabel(m->db, list->itemIndex, state.label.c_str());
            mdlDialog_listBoxSetStrListP(list, state.choices, std::max(1, state.columns));
            if (m->dialogId == DIALOG_SINGLE && mdlDialog_listBoxNRows(list) > 0) {
                mdlDialog_listBoxSelectCells(list, 0, 0, -1, -1, 1, 1);
                state.selection = {0};
            }
        }
        break;
    case DIALOG_MESSAGE_DESTROY:
        if (DialogItem* list = mdlDialog_itemGetByTypeAndId(m->db, ITEMTYPE_LISTBOX, ITEM_CHOICE_LIST, 0))
            mdlDialog_listBoxSetStrListP(list, nullptr, 1);
        break;
    default: m->msgUnderstood = 0;
    }
}

void choiceHook_list(DialogItemMessage* m) {
    m->msgUnderstood = 1;
    switch (m->messageType) {
    case DITEM_MESSAGE_STATECHANGED: state.selection = selectedRows(m->dialogItemP); break;
    case DITEM_MESSAGE_BUTTON:
        state.selection = selectedRows(m->dialogItemP);
        if (m->u.button.clicks == 2 && m->u.button.transition == BUTTONTRANS_UP)
            if (DialogItem* ok = mdlDialog_itemGetByTypeAndId(m->db, ITEMTYPE_PUSHBUTTON, PUSHBUTTONID_OK, 0))
                mdlDialog_itemPress(m->db, ok->itemIndex);
        break;
    default: m->msgUnderstood = 0;
    }
}

#define HOOK(id, fn) {id, reinterpret_cast<void*>(fn)}
const DialogHookInfo selectionHooks[] = {
    HOOK(HOOK_PICKER_DIALOG,      pickerHook_dialog),
    HOOK(HOOK_PICKER_DIRECTORIES, pickerHook_directories),
    HOOK(HOOK_PICKER_FILES,       pickerHook_files),
    HOOK(HOOK_PICKER_PATTERN,     pickerHook_pattern),
    HOOK(HOOK_BATCH_DIALOG,       batchHook_dialog),
    HOOK(HOOK_BATCH_SEARCH,       batchHook_search),
    HOOK(HOOK_BATCH_REMOVE,       batchHook_remove),
    HOOK(HOOK_BATCH_SAVE,         batchHook_save),
    HOOK(HOOK_BATCH_LOAD,         batchHook_load),
    HOOK(HOOK_BATCH_BROWSE,       batchHook_browse),
    HOOK(HOOK_CHOICE_DIALOG,      choiceHook_dialog),
    HOOK(HOOK_CHOICE_LIST,        choiceHook_list),
};
#undef HOOK

/* Clear the working data a call leaves behind. */
void endCall() {
    if (state.choices) mdlStringList_destroy(state.choices);
    MenuBarMenu* menu = state.menu;
    state = SelectState{};
    state.menu = menu;
}

/* Open the file dialog ID modally with the working data set; the result list on OK. */
StringList* runFileDialog(int32_t id, ZmFileSelection* selection) {
    int action = 0;
    bool opened = mdlDialog_openModal(&action, 0, id) == 0;
    StringList* result = state.result;
    if (opened && action == ACTIONBUTTON_OK) {
        if (id == DIALOG_FILE_PICKER) {
            for (int row : state.selection) {
                const char* name = nullptr;
                if (state.pickerFiles && mdlStringList_getMember(&name, nullptr, state.pickerFiles, row) == 0 && name)
                    appendMember(result, state.directory + name);
            }
        }
        if (selection) {
            zmlib::copyFixed(selection->pattern, state.pattern.c_str());
            zmlib::copyFixed(selection->directory, state.directory.c_str());
        }
    } else {
        if (result) mdlStringList_destroy(result);
        result = nullptr;
    }
    if (state.pickerFiles) mdlStringList_destroy(state.pickerFiles);
    state.pickerFiles = nullptr;
    state.result = nullptr;
    endCall();
    return result;
}

}  // namespace

namespace zmlib::select {

std::vector<std::string> searchTree(const std::string& directory, const std::string& patterns) {
    std::vector<std::string> out;
    for (const std::string& p : splitPatterns(patterns)) searchDirectory(withSeparator(directory), p, 0, out);
    return out;
}

std::string enterDirectory(const std::string& directory, const std::string& entry) {
    std::string d = withSeparator(directory);
    if (entry == "..") {
        size_t cut = d.find_last_of("\\/", d.size() >= 2 ? d.size() - 2 : 0);
        /* The root of a drive stays where it is. */
        return cut == std::string::npos ? d : d.substr(0, cut + 1);
    }
    if (entry.size() >= 4 && entry[1] == '-' && entry[3] == ':') return std::string(1, entry[2]) + ":\\";
    return d + entry + "\\";
}

void loadListFile(StringList* list, const char* path) {
    ZmTextFile* file = zmlibFile_open(path, "r");
    if (!file) return;
    char line[LIST_LINE_SIZE];
    int missing = 0, errors = 0;
    for (int n; (n = zmlibFile_read(line, file, sizeof line)) != 0;) {
        /* A line too long for a name was reported by the reader and is skipped;
        ** many in a row mean the file cannot be read on. */
        if (n < 0) {
            if (++errors > 100) break;
            continue;
        }
        errors = 0;
        if (!line[0]) continue;
        int64_t size = 0;
        if (mdlFile_getFileAttributes(line, &size, nullptr, nullptr) != 0) {
            zmlibError_listPrintf(0, "\"%s\" not found", line);
            ++missing;
            continue;
        }
        appendMember(list, line);
    }
    zmlibFile_close(file);
    if (missing) zmlibError_listPrintf(0, "%d files not found!", missing);
}

void publishHooks() { mdlDialog_hookPublish(static_cast<int>(std::size(selectionHooks)), selectionHooks); }

void resetForTests() {
    endCall();
    state.menu = nullptr;
}

}  // namespace zmlib::select

extern "C" ZMLIB_API StringList* zmlibDialog_selectFiles(ZmFileSelection* selection, StringList* initial,
                                                        const char* title, const char* pattern,
                                                        const char* directory) {
    endCall();
    state.title = title ? title : "";
    state.pattern = pattern ? pattern : "*.*";
    state.directory = withSeparator(directory && isDirectory(directory) ? directory : "c:\\");
    state.result = initial ? initial : mdlStringList_create(0, 0);
    return runFileDialog(DIALOG_FILE_PICKER, selection);
}

extern "C" ZMLIB_API StringList* zmlibDialog_searchFiles(ZmFileSelection* selection, const char* title,
                                                        const char* pattern, const char* directoryVariable) {
    endCall();
    state.title = title ? title : "";
    state.pattern = selection && selection->pattern[0] ? selection->pattern : (pattern ? pattern : "*.*");
    if (selection && selection->directory[0]) {
        state.directory = selection->directory;
    } else {
        char value[1024] = "";
        if (directoryVariable && mdlSystem_getCfgVar(value, directoryVariable, sizeof value) == 0) {
            if (char* semicolon = std::strchr(value, ';')) *semicolon = '\0';
            char* expanded = mdlSystem_expandCfgVar(value);
            state.directory = expanded ? expanded : value;
            dlmSystem_mdlFree(expanded);
        } else {
            state.directory = directoryVariable && isDirectory(directoryVariable) ? directoryVariable : "c:\\";
        }
    }
    state.result = mdlStringList_create(0, 0);
    StringList* result = runFileDialog(DIALOG_BATCH, selection);
    if (result && selection) selection->status = STATUS_CONFIRMED;
    return result;
}

extern "C" ZMLIB_API int zmlibDialog_selectFromStringListSingle(char* destination, int size, void* fill,
                                                               void* userArgument, const char* title,
                                                               const char* label, int columns, int infoValue) {
    endCall();
    state.title = title ? title : "";
    state.label = label ? label : "";
    state.columns = columns;
    state.infoValue = infoValue;
    dlmSystem_callAnyFunction("PP", mdlSystem_getCurrMdlDesc(), fill, &state.choices, userArgument);
    if (!state.choices) {
        endCall();
        return -1;
    }
    int action = 0;
    int chosen = -1;
    if (mdlDialog_openModal(&action, 0, DIALOG_SINGLE) == 0 && action == ACTIONBUTTON_OK && !state.selection.empty()) {
        chosen = state.selection.front();
        const char* member = nullptr;
        if (mdlStringList_getMember(&member, nullptr, state.choices, chosen * std::max(1, columns)) != 0 || !member)
            member = "";
        if (destination && size > 0) zmlib::copyFixed(destination, static_cast<size_t>(size), member);
    }
    endCall();
    return chosen;
}

extern "C" ZMLIB_API StringList* zmlibDialog_selectFromStringListMulti(void* fill, void* userArgument,
                                                                      int infoFields, const char* title,
                                                                      const char* label) {
    endCall();
    state.title = title ? title : "";
    state.label = label ? label : "";
    state.columns = 1;
    dlmSystem_callAnyFunction("PPI", mdlSystem_getCurrMdlDesc(), fill, &state.choices, userArgument, infoFields);
    if (!state.choices) {
        endCall();
        return nullptr;
    }
    int action = 0;
    StringList* result = nullptr;
    if (mdlDialog_openModal(&action, 0, DIALOG_MULTI) == 0 && action == ACTIONBUTTON_OK && !state.selection.empty()) {
        std::vector<int> rows = state.selection;
        std::sort(rows.begin(), rows.end());
        int fields = std::max(0, infoFields);
        result = mdlStringList_create(0, fields);
        for (int row : rows) {
            const char* member = nullptr;
            int32_t* info = nullptr;
            int index = 0;
            if (mdlStringList_getMember(&member, &info, state.choices, row) != 0) continue;
            if (result && mdlStringList_insertMember(&index, result, -1, 1) == 0)
                mdlStringList_setMember(result, index, member ? member : "", info);
        }
    }
    endCall();
    return result;
}

extern "C" ZMLIB_API int zmlibDialog_optionButtonInsertFromStringlist(StringList* list, int step, int start,
                                                                     DialogBox* dialog, int32_t itemId) {
    DialogItem* item = dialog ? mdlDialog_itemGetByTypeAndId(dialog, ITEMTYPE_OPTIONBUTTON, itemId, 0) : nullptr;
    int size = list ? mdlStringList_size(list) : 0;
    if (!item || size == 0) return ZMLIB_ERROR;
    mdlDialog_optionButtonDeleteItem(item, -1);
    bool info = mdlStringList_infoFieldCount(list) > 0;
    for (int i = std::max(0, start); i < size; i += std::max(1, step)) {
        const char* member = nullptr;
        int32_t* fields = nullptr;
        if (mdlStringList_getMember(&member, &fields, list, i) != 0) continue;
        mdlDialog_optionButtonInsertItem(item, -1, member ? member : "", 0, 0, info && fields ? fields[0] : i);
    }
    mdlDialog_itemSynch(dialog, item->itemIndex);
    return ZMLIB_SUCCESS;
}

extern "C" ZMLIB_API void zmlibDialog_itemEnableByTypeAndId(DialogBox* dialog, uint32_t type, int32_t id,
                                                           int enabled) {
    if (DialogItem* it = dialog ? mdlDialog_itemGetByTypeAndId(dialog, type, id, 0) : nullptr)
        mdlDialog_itemSetEnabledState(dialog, it->itemIndex, enabled ? 1 : 0, 1);
}

extern "C" ZMLIB_API void zmlibDialog_itemShowByTypeAndId(DialogBox* dialog, uint32_t type, int32_t id, int show) {
    DialogItem* it = dialog ? mdlDialog_itemGetByTypeAndId(dialog, type, id, 0) : nullptr;
    if (!it) return;
    if (show) mdlDialog_itemShow(dialog, it->itemIndex);
    else mdlDialog_itemHide(dialog, it->itemIndex);
}

extern "C" ZMLIB_API MenuBarMenu* zmlibDialog_insertPdm(MenuBarMenu** handle, int32_t menuId) {
    MenuBar* bar = mdlDialog_menuBarGetCmdWinP();
    if (!bar) return nullptr;
    MenuBarMenu* before = mdlDialog_menuBarFindMenu(bar, fourCC("pdMn"), HOST_MENU_BEFORE);
    MenuBarMenu* menu = mdlDialog_menuBarInsMenu(bar, fourCC("pdMn"), menuId, before);
    if (menu) state.menu = menu;
    if (handle) *handle = menu;
    return menu;
}

extern "C" ZMLIB_API int zmlibDialog_deletePdm(void) {
    MenuBar* bar = mdlDialog_menuBarGetCmdWinP();
    if (!state.menu || !bar) return 0;
    int status = mdlDialog_menuBarDeleteMenu(state.menu, bar, 0, 0);
    state.menu = nullptr;
    return status;
}
