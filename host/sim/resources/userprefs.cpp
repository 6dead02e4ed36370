/* The host's user preferences: the per-dialog file-name records (stored in a
** user preference file, or kept for the session), the host's own user
** preference file and the file-list editor. State: the session's records. */
#include "host/mdluserprefs.h"

#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "host/mdldialog.h"
#include "host/mdlresource.h"
#include "host/sim/base/base.h"
#include "host/sim/system/system.h"

namespace {

/* File-name record, resource 'UPfn' with the dialog id, 8462 bytes, little-endian:
**   OFFSET SIZE  FIELD
**      0     1   marker (0xFF valid)
**      1     1   version (5)
**      2   256   current file name
**    258   256   current filter
**    514   256   current directory
**    770     4   file count
**    774     4   filter count
**    778     4   directory count
**    782  2560   10 recent files of 256 bytes, most recent first
**   3342  2560   10 recent filters
**   5902  2560   10 recent directories                                  */
constexpr uint32_t TYPE_FILE_NAME = fourCC("UPfn");
constexpr size_t TEXT = USERPREFS_TEXT;
constexpr size_t LIST = USERPREFS_RECENT * TEXT;
constexpr size_t OFF_FILE = 2, OFF_FILTER = 258, OFF_DIRECTORY = 514, OFF_COUNTS = 770;
constexpr size_t OFF_FILES = 782, OFF_FILTERS = OFF_FILES + LIST, OFF_DIRECTORIES = OFF_FILTERS + LIST;
constexpr size_t RECORD_SIZE = OFF_DIRECTORIES + LIST;
static_assert(RECORD_SIZE == 8462);

/* Text fields, always terminated and zero-padded. */
void putText(uint8_t* p, const char* text) { sim::copyFixed(reinterpret_cast<char*>(p), TEXT, text); }
void getText(char* out, const uint8_t* p) { sim::copyFixed(out, TEXT, reinterpret_cast<const char*>(p)); }
void putCount(uint8_t* p, int32_t n) { sim::put4(p, static_cast<uint32_t>(n)); }
int32_t getCount(const uint8_t* p) { return static_cast<int32_t>(sim::get4(p)); }
int32_t clampCount(int32_t n) { return n < 0 ? 0 : (n > USERPREFS_RECENT ? USERPREFS_RECENT : n); }

std::vector<uint8_t> pack(const UserPrefsFileName& r) {
    std::vector<uint8_t> b(RECORD_SIZE, 0);
    b[0] = r.marker;
    b[1] = r.version;
    putText(&b[OFF_FILE], r.fileName);
    putText(&b[OFF_FILTER], r.filter);
    putText(&b[OFF_DIRECTORY], r.directory);
    putCount(&b[OFF_COUNTS], clampCount(r.fileCount));
    putCount(&b[OFF_COUNTS + 4], clampCount(r.filterCount));
    putCount(&b[OFF_COUNTS + 8], clampCount(r.directoryCount));
    for (int i = 0; i < USERPREFS_RECENT; ++i) {
        putText(&b[OFF_FILES + i * TEXT], r.files[i]);
        putText(&b[OFF_FILTERS + i * TEXT], r.filters[i]);
        putText(&b[OFF_DIRECTORIES + i * TEXT], r.directories[i]);
    }
    return b;
}

void unpack(UserPrefsFileName& r, const uint8_t* b) {
    r.marker = b[0];
    r.version = b[1];
    getText(r.fileName, b + OFF_FILE);
    getText(r.filter, b + OFF_FILTER);
    getText(r.directory, b + OFF_DIRECTORY);
    r.fileCount = clampCount(getCount(b + OFF_COUNTS));
    r.filterCount = clampCount(getCount(b + OFF_COUNTS + 4));
    r.directoryCount = clampCount(getCount(b + OFF_COUNTS + 8));
    for (int i = 0; i < USERPREFS_RECENT; ++i) {
        getText(r.files[i], b + OFF_FILES + i * TEXT);
        getText(r.filters[i], b + OFF_FILTERS + i * TEXT);
        getText(r.directories[i], b + OFF_DIRECTORIES + i * TEXT);
    }
}

std::map<int32_t, std::vector<uint8_t>>& session() {
    static std::map<int32_t, std::vector<uint8_t>> records;
    return records;
}

}  // namespace

HOST_API StatusInt mdlUserPrefs_getFileName(UserPrefsFileName* record, RscFileHandle file, int32_t dialogId) {
    if (!record) return HOST_ERROR;
    std::memset(record, 0, sizeof *record);
    if (!file) {
        auto found = session().find(dialogId);
        if (found != session().end()) unpack(*record, found->second.data());
        return HOST_SUCCESS;
    }
    void* stored = mdlResource_load(file, TYPE_FILE_NAME, dialogId);
    if (!stored) return HOST_SUCCESS;
    uint32_t size = 0;
    mdlResource_query(&size, stored, RSC_QRY_SIZE);
    StatusInt status = HOST_SUCCESS;
    if (size == RECORD_SIZE) unpack(*record, static_cast<const uint8_t*>(stored));
    else status = HOST_ERROR;  /* damaged: a zeroed record, nothing guessed */
    mdlResource_free(stored);
    return status;
}

HOST_API StatusInt mdlUserPrefs_saveFileName(const UserPrefsFileName* record, RscFileHandle file, int32_t dialogId) {
    if (!record) return HOST_ERROR;
    std::vector<uint8_t> bytes = pack(*record);
    if (!file) {
        session()[dialogId] = std::move(bytes);
        return HOST_SUCCESS;
    }
    void* stored = mdlResource_load(file, TYPE_FILE_NAME, dialogId);
    if (!stored) return mdlResource_add(file, TYPE_FILE_NAME, dialogId, bytes.data(), RECORD_SIZE, nullptr);
    StatusInt status = mdlResource_resize(&stored, RECORD_SIZE);
    if (status == RSC_SUCCESS) {
        std::memcpy(stored, bytes.data(), RECORD_SIZE);
        status = mdlResource_write(stored);
    }
    mdlResource_free(stored);
    return status;
}

HOST_API StatusInt mdlDialog_userPrefFileOpen(RscFileHandle* file, int mode) {
    if (!file) return HOST_ERROR;
    *file = 0;
    std::string path;
    if (auto named = sim::variableValue("_HOST_USERPREF"); named && !named->empty()) {
        path = *named;
    } else {
        auto dir = sim::variableValue("MS_USERPREF");
        if (!dir) return HOST_ERROR;
        path = *dir + "user.upf";
    }
    if (mdlFile_getFileAttributes(path.c_str(), nullptr, nullptr, nullptr) != 0) {
        StatusInt created = mdlResource_createFile(path.c_str(), "User preferences", 0);
        if (created != RSC_SUCCESS) return created;
    }
    return mdlResource_openFile(file, path.c_str(), mode);
}

HOST_API StringList* mdlFileList_edit(int* action, StringList* files, char* directory, char* filter,
                                      const char* title) {
    char chosen[MAXFILELENGTH] = "";
    int answer = mdlDialog_fileOpen(chosen, 0, 0, nullptr, filter, directory && *directory ? directory : nullptr,
                                    title);
    if (answer != 0) {
        if (action) *action = ACTIONBUTTON_CANCEL;
        return files;
    }
    int count = files ? mdlStringList_size(files) : 0;
    int infoFields = files ? mdlStringList_infoFieldCount(files) : 0;
    StringList* edited = mdlStringList_create(0, infoFields);
    if (!edited) {
        if (action) *action = ACTIONBUTTON_CANCEL;
        return files;
    }
    for (int i = 0; i < count; ++i) {
        const char* text = nullptr;
        int32_t* info = nullptr;
        int index = -1;
        mdlStringList_getMember(&text, &info, files, i);
        mdlStringList_insertMember(&index, edited, -1, 1);
        mdlStringList_setMember(edited, index, text, nullptr);
    }
    int index = -1;
    mdlStringList_insertMember(&index, edited, -1, 1);
    mdlStringList_setMember(edited, index, chosen, nullptr);
    char device[MAXDEVICELENGTH] = "", dir[MAXDIRLENGTH] = "", extension[MAXEXTENSIONLENGTH] = "";
    mdlFile_parseName(chosen, device, dir, nullptr, extension);
    std::string d = (*device ? std::string(device) + ":" : std::string()) + dir;
    if (directory) sim::copyFixed(directory, MAXFILELENGTH, d);
    if (filter && *extension) sim::copyFixed(filter, MAXFILELENGTH, std::string("*.") + extension);
    if (action) *action = ACTIONBUTTON_OK;
    return edited;
}
