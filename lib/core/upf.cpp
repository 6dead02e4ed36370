/* User preference file: one resource file per application, kept open in the
** user preference record of its global data record; typed load and save; the
** library's file dialogs that remember the user's last file, filter and
** directory per dialog id in that file. No state of its own. */
#include "lib/core/upf.h"
#include "lib/dialogs/select.h"

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "host/mdldialog.h"
#include "host/mdlresource.h"
#include "host/mdlsystem.h"
#include "host/mdluserprefs.h"
#include "lib/core/main.h"
#include "lib/core/text_int.h"
#include "lib/core/upf_int.h"

namespace {

/* The caller's record when its user preference file is open, else null
** (with the console line when WARN is set). */
ZmGlobalData* openRecord(bool warn) {
    ZmGlobalData* gd = zmlibMain_getGlobalDataP();
    if (gd && gd->userPrefOpen) return gd;
    if (warn) toolSubsystem_printf("User preference file not open!!\n");
    return nullptr;
}

/* The handle the file dialogs remember their state in: the user preference
** file when it is open and writable, else 0 (kept for the session). */
RscFileHandle rememberHandle() {
    ZmGlobalData* gd = zmlibMain_getGlobalDataP();
    return gd && gd->userPrefOpen && !gd->userPrefReadOnly ? gd->userPrefFile.handle : 0;
}

/* The remembered state of DIALOGID (zeroed when there is none). */
std::unique_ptr<UserPrefsFileName> remembered(int32_t dialogId) {
    auto record = std::make_unique<UserPrefsFileName>();
    ZmGlobalData* gd = zmlibMain_getGlobalDataP();
    RscFileHandle file = gd && gd->userPrefOpen ? gd->userPrefFile.handle : 0;
    if (mdlUserPrefs_getFileName(record.get(), file, dialogId) != 0) std::memset(record.get(), 0, sizeof *record);
    return record;
}

using HostFileDialog = StatusInt (*)(char*, const char*, const char*, const char*, const char*, int32_t);

/* Run a host file dialog with the remembered file as the default name, and
** remember the user's choice. */
int fileDialog(HostFileDialog dialog, bool openVariant, char* fileName, const char* defaultName, const char* filter,
               const char* defaultDirVar, const char* title, int32_t dialogId) {
    if (!fileName) return 1;
    auto record = remembered(dialogId);
    std::string name = defaultName ? defaultName : "";
    if (record->fileName[0]) {
        name = record->fileName;
        if (openVariant) mdlUserPrefs_saveFileName(record.get(), 0, dialogId);
    }
    int status = dialog(fileName, name.c_str(), filter, defaultDirVar, title, dialogId);
    if (status == 0) zmlibUpf_saveFileName(fileName, rememberHandle(), dialogId);
    return status;
}

}  // namespace

namespace zmlib::upf {

void pushRecent(char (*list)[USERPREFS_TEXT], int32_t* count, const char* value) {
    int32_t n = *count < 0 ? 0 : (*count > USERPREFS_RECENT ? USERPREFS_RECENT : *count);
    if (n > 0 && std::strncmp(list[0], value, USERPREFS_TEXT - 1) == 0) return;
    int stop = USERPREFS_RECENT - 1;  /* the place whose entry is overwritten */
    bool found = false;
    for (int i = 1; i < n; ++i)
        if (std::strncmp(list[i], value, USERPREFS_TEXT - 1) == 0) {
            stop = i;
            found = true;
            break;
        }
    for (int i = stop; i > 0; --i) std::memcpy(list[i], list[i - 1], USERPREFS_TEXT);
    zmlib::copyFixed(list[0], USERPREFS_TEXT, value);
    if (!found && n < USERPREFS_RECENT) ++n;
    *count = n;
}

void rememberPath(UserPrefsFileName* record, const char* path) {
    char device[MAXDEVICELENGTH] = "", directory[MAXDIRLENGTH] = "", extension[MAXEXTENSIONLENGTH] = "";
    mdlFile_parseName(path, device, directory, nullptr, extension);
    // The host gives the device without its colon; the directory text carries it.
    std::string dirText = (*device ? std::string(device) + ":" : std::string()) + directory;
    std::string filterText = std::string("*.") + extension;
    zmlib::copyFixed(record->fileName, path);
    zmlib::copyFixed(record->filter, filterText.c_str());
    if (record->marker == USERPREFS_MARKER && record->version == USERPREFS_VERSION) {
        pushRecent(record->files, &record->fileCount, path);
        pushRecent(record->filters, &record->filterCount, filterText.c_str());
        pushRecent(record->directories, &record->directoryCount, dirText.c_str());
    }
    zmlib::copyFixed(record->directory, dirText.c_str());
    record->marker = USERPREFS_MARKER;
    record->version = USERPREFS_VERSION;
}

}  // namespace zmlib::upf

extern "C" ZMLIB_API void zmlibUpf_open(ZmResourceFile* destination, const char* variableName, const char* defaultName) {
    char prefs[MAXFILELENGTH];
    if (mdlSystem_getenv(prefs, "MS_USERPREF", sizeof prefs) != 0) {
        toolSubsystem_printf("\"MS_USERPREF\" undefined!\n");
        return;
    }
    char device[MAXDEVICELENGTH] = "", directory[MAXDIRLENGTH] = "";
    mdlFile_parseName(prefs, device, directory, nullptr, nullptr);
    char name[MAXFILELENGTH] = "";
    if (!variableName || mdlSystem_getCfgVar(name, variableName, sizeof name) != 0 || !name[0])
        zmlib::copyFixed(name, defaultName);
    char path[MAXFILELENGTH * 2];
    std::snprintf(path, sizeof path, "%s:%s%s", device, directory, name);
    if (std::strlen(path) >= MAXFILELENGTH) {
        toolSubsystem_printf("User preference file name too long: %s\n", path);
        return;
    }
    zmlibUpf_openWithPath(destination, path);
}

extern "C" ZMLIB_API int zmlibUpf_openWithPath(ZmResourceFile* destination, const char* path) {
    ZmGlobalData* gd = zmlibMain_getGlobalDataP();
    if (!gd || !path || !*path) return ZMLIB_ERROR;
    if (gd->userPrefOpen) zmlibUpf_close();
    ZmResourceFile& file = gd->userPrefFile;
    zmlib::copyFixed(file.fileName, path);
    file.handle = 0;
    /* The host opens a file it cannot write for reading only, even when asked
    ** for writing: take that as a failed first try. */
    BoolInt readOnly = 0;
    bool exists = mdlFile_getFileAttributes(path, nullptr, nullptr, &readOnly) == 0;
    if (!(exists && readOnly) && mdlResource_openFile(&file.handle, path, 1) == RSC_SUCCESS) {
        gd->userPrefOpen = 1;
        gd->userPrefReadOnly = 0;
    } else {
        file.handle = 0;
        char found[MAXFILELENGTH];
        if (mdlFile_find(found, path, nullptr, nullptr) == 0 && zmlibResource_openFile(&file, path, 0) == ZMLIB_SUCCESS) {
            gd->userPrefOpen = 1;
            gd->userPrefReadOnly = 1;
        } else if (zmlibResource_openFile(&file, path, 1) == ZMLIB_SUCCESS) {
            gd->userPrefOpen = 1;
            gd->userPrefReadOnly = 0;
        } else {
            file.handle = 0;
            gd->userPrefOpen = 0;
            gd->userPrefReadOnly = 0;
            return ZMLIB_ERROR;
        }
    }
    if (destination) *destination = file;
    return ZMLIB_SUCCESS;
}

extern "C" ZMLIB_API void zmlibUpf_close(void) {
    ZmGlobalData* gd = zmlibMain_getGlobalDataP();
    if (!gd || !gd->userPrefOpen) return;
    zmlibResource_closeFile(&gd->userPrefFile);
    gd->userPrefOpen = 0;
    gd->userPrefReadOnly = 0;
}

extern "C" ZMLIB_API int zmlibUpf_load(uint32_t type, int32_t id, void* destination, unsigned int size) {
    ZmGlobalData* gd = openRecord(true);
    if (!gd) return ZMLIB_ERROR;
    return zmlibResource_load(&gd->userPrefFile, type, id, destination, size);
}

extern "C" ZMLIB_API int zmlibUpf_save(uint32_t type, int32_t id, const void* data, unsigned int size) {
    ZmGlobalData* gd = openRecord(true);
    if (!gd) return ZMLIB_ERROR;
    if (gd->userPrefReadOnly) return ZMLIB_SUCCESS;
    return zmlibResource_add(&gd->userPrefFile, type, id, data, size, nullptr);
}

extern "C" ZMLIB_API char* zmlibUpf_getUpfFileName(void) {
    ZmGlobalData* gd = openRecord(false);
    return gd ? gd->userPrefFile.fileName : nullptr;
}

extern "C" ZMLIB_API RscFileHandle zmlibUpf_getHandle(void) {
    ZmGlobalData* gd = openRecord(false);
    return gd ? gd->userPrefFile.handle : 0;
}

extern "C" ZMLIB_API ZmResourceFile* zmlibUpf_getZmHandle(void) {
    ZmGlobalData* gd = openRecord(false);
    return gd ? &gd->userPrefFile : nullptr;
}

extern "C" ZMLIB_API int zmlibUpf_initialize(ZmGlobalData* globalData) {
    if (!globalData) return ZMLIB_SUCCESS;
    globalData->userPrefOpen = 0;
    globalData->userPrefReadOnly = 0;
    globalData->userPrefFile = ZmResourceFile{};
    return ZMLIB_SUCCESS;
}

extern "C" ZMLIB_API int zmlibUpf_saveFileName(const char* path, RscFileHandle file, int32_t fileDialogId) {
    if (!path) return HOST_ERROR;
    auto record = std::make_unique<UserPrefsFileName>();
    if (mdlUserPrefs_getFileName(record.get(), file, fileDialogId) != 0) std::memset(record.get(), 0, sizeof *record);
    zmlib::upf::rememberPath(record.get(), path);
    return mdlUserPrefs_saveFileName(record.get(), file, fileDialogId);
}

extern "C" ZMLIB_API int zmlibUpf_defFileOpen(char* fileName, const char* defaultName, const char* filter,
                                              const char* defaultDirVar, const char* title, int32_t fileDialogId) {
    return fileDialog(mdlDialog_defFileOpen, true, fileName, defaultName, filter, defaultDirVar, title, fileDialogId);
}

extern "C" ZMLIB_API int zmlibUpf_defFileCreate(char* fileName, const char* defaultName, const char* filter,
                                                const char* defaultDirVar, const char* title, int32_t fileDialogId) {
    return fileDialog(mdlDialog_defFileCreate, false, fileName, defaultName, filter, defaultDirVar, title,
                      fileDialogId);
}

extern "C" ZMLIB_API StringList* zmlibUpf_defFileListEdit(int* action, StringList* files, const char* title,
                                                          const char* filter, const char* directory,
                                                          int32_t fileDialogId) {
    auto record = remembered(fileDialogId);
    char dir[MAXFILELENGTH], flt[MAXFILELENGTH];
    zmlib::copyFixed(dir, record->directory[0] ? record->directory : directory);
    zmlib::copyFixed(flt, record->filter[0] ? record->filter : filter);
    int answer = ACTIONBUTTON_CANCEL;
    StringList* edited = mdlFileList_edit(&answer, files, dir, flt, title);
    if (action) *action = answer;
    if (answer == ACTIONBUTTON_OK) {
        zmlib::copyFixed(record->directory, dir);
        zmlib::copyFixed(record->filter, flt);
        record->marker = USERPREFS_MARKER;
        record->version = USERPREFS_VERSION;
        mdlUserPrefs_saveFileName(record.get(), rememberHandle(), fileDialogId);
    }
    return edited;
}

extern "C" ZMLIB_API StringList* zmlibUpf_defSearchFiles(const char* directory, const char* filter, const char* title,
                                                         int32_t fileDialogId) {
    auto record = remembered(fileDialogId);
    ZmFileSelection selection{};
    zmlib::copyFixed(selection.directory, record->directory[0] ? record->directory : (directory ? directory : ""));
    zmlib::copyFixed(selection.pattern, record->filter[0] ? record->filter : (filter ? filter : ""));
    StringList* result = zmlibDialog_searchFiles(&selection, title, selection.pattern, nullptr);
    if (result) {
        zmlib::copyFixed(record->directory, selection.directory);
        zmlib::copyFixed(record->filter, selection.pattern);
        record->marker = USERPREFS_MARKER;
        record->version = USERPREFS_VERSION;
        mdlUserPrefs_saveFileName(record.get(), rememberHandle(), fileDialogId);
    }
    return result;
}

extern "C" ZMLIB_API int zmlibUtil_openUserPrefFile(RscFileHandle* file, int mode) {
    return mdlDialog_userPrefFileOpen(file, mode);
}
