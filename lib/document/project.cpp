/* Project and page information: the two shared records packed field by field
** into data elements of application ids 101 and 110, read back bounded by the
** block, deleted by name or keep list, copied to and from a resource file as
** 'CmPr' 3, edited in dialog 20008 and handed to material lists. */
#include "lib/document/project.h"

#include <cstring>
#include <iterator>
#include <string>

#include "host/mdldialog.h"
#include "host/mdlelement.h"
#include "host/mdlresource.h"
#include "host/mdlsystem.h"
#include "lib/core/error.h"
#include "lib/core/main.h"
#include "lib/core/main_int.h"
#include "lib/core/mem.h"
#include "lib/core/text_int.h"
#include "lib/core/upf.h"
#include "lib/document/matlist.h"
#include "lib/document/project_int.h"
#include "lib/elements/dataelem.h"

namespace {

enum : int {
    MSG_PROJECT_SAVED = 4,       /* list 20003 */
    MSG_PAGES_FOUND = 6,
    MSG_PAGE_SAVED = 7,
    MSG_CANNOT_OPEN = 1,         /* list 20005 */
    MSG_NO_PROJECT_IN_FILE = 7,
    MSG_REPLACE_FILE = 8,
    MSG_CANNOT_SAVE = 9,
    MSG_READ_ONLY = 10,
    MSG_NEWER_VERSION = 11,
    MSG_NOT_STORED = 12,
    TEXT_LOAD_TITLE = 54,        /* language texts */
    TEXT_SAVE_TITLE = 55,
    FILE_DIALOG_ID = -20001,
    HOOK_DIALOG = 20024,
    HOOK_LOAD = 20025,
    HOOK_SAVE = 20026,
    HOOK_READ = 20027,
    HOOK_WRITE = 20028,
    BOX_NOTICE = ZMLIB_MSGBOX_INFO | ZMLIB_MSGBOX_OK,                            /* 17 */
    BOX_WARNING = ZMLIB_MSGBOX_ERROR | ZMLIB_MSGBOX_CONTINUE,                    /* 66 */
    BOX_REPLACE = ZMLIB_MSGBOX_QUESTION | ZMLIB_MSGBOX_YES | ZMLIB_MSGBOX_NO,    /* 296 */
};
constexpr uint32_t RTYPE_PROJECT = 0x436D5072;  /* 'CmPr' */
constexpr int32_t RSCID_PROJECT = 3;

/* COUNT slots of WIDTH bytes from OFFSET, under KEY with indexes from FIRST. */
struct SlotGroup {
    const char* key;
    int first;
    int count;
    int offset;
    int width;
    bool extraInVersion1;   /* a project block of version 1 has one more string after it */
};

/* Stored order of the project block (30 strings). */
const SlotGroup projectBlock[] = {
    {"pron", 0, 1,     0, 31, false},
    {"pros", 0, 5,    31, 81, false},
    {"kost", 0, 3,   898, 81, false},
    {"kost", 3, 1,  1141, 31, false},
    {"kost", 4, 1,  1172, 31, false},
    {"USig", 0, 1,   517, 42, false},
    {"UDat", 0, 1,   559, 31, false},
    {"RSig", 0, 1,   671, 42, false},
    {"RDat", 0, 1,   713, 31, false},
    {"SSig", 0, 1,   825, 42, false},
    {"SDat", 0, 1,   867, 31, false},
    {"tegn", 0, 10, 1203, 40, false},
    {"UNav", 0, 1,   436, 81, true},
    {"RNav", 0, 1,   590, 81, true},
    {"SNav", 0, 1,   744, 81, true},
};

/* Stored order of the page block (45 strings); version 2 ends after SNav. */
const SlotGroup pageBlock[] = {
    {"",     0, 1,    31, 81, false},
    {"pros", 1, 4,   112, 81, false},
    {"USig", 0, 1,   598, 42, false},
    {"UDat", 0, 1,   640, 31, false},
    {"RSig", 0, 1,   752, 42, false},
    {"RDat", 0, 1,   794, 31, false},
    {"SSig", 0, 1,   906, 42, false},
    {"SDat", 0, 1,   948, 31, false},
    {"tegn", 0, 10, 1284, 40, false},
    {"UNav", 0, 1,   517, 81, false},
    {"RNav", 0, 1,   671, 81, false},
    {"SNav", 0, 1,   825, 81, false},
    {"kopo", 0, 20, 1684, 21, false},
    {"revs", 0, 1,  2104, 11, false},
};
constexpr size_t PAGE_GROUPS_VERSION2 = 12;

/* The order in which values reach a material list. */
const SlotGroup projectValues[] = {
    {"kost", 0, 3,   898, 81, false},
    {"kost", 3, 1,  1141, 31, false},
    {"kost", 4, 1,  1172, 31, false},
    {"pron", 0, 1,     0, 31, false},
    {"pros", 0, 5,    31, 81, false},
    {"UNav", 0, 1,   436, 81, false},
    {"USig", 0, 1,   517, 42, false},
    {"UDat", 0, 1,   559, 31, false},
    {"SSig", 0, 1,   825, 42, false},
    {"SNav", 0, 1,   744, 81, false},
    {"SDat", 0, 1,   867, 31, false},
    {"RSig", 0, 1,   671, 42, false},
    {"RNav", 0, 1,   590, 81, false},
    {"RDat", 0, 1,   713, 31, false},
    {"tegn", 0, 10, 1203, 40, false},
};
const SlotGroup pageValues[] = {
    {"pros", 1, 4,   112, 81, false},
    {"UNav", 0, 1,   517, 81, false},
    {"USig", 0, 1,   598, 42, false},
    {"UDat", 0, 1,   640, 31, false},
    {"SSig", 0, 1,   906, 42, false},
    {"SNav", 0, 1,   825, 81, false},
    {"SDat", 0, 1,   948, 31, false},
    {"RSig", 0, 1,   752, 42, false},
    {"RNav", 0, 1,   671, 81, false},
    {"RDat", 0, 1,   794, 31, false},
    {"tegn", 0, 10, 1284, 40, false},
    {"kopo", 0, 20, 1684, 21, false},
    {"revs", 0, 1,  2104, 11, false},
};

/* Append each slot's text (cut to its slot) and its NUL. */
int pack(const char* record, const SlotGroup* groups, size_t groupCount, char* block) {
    int at = 0;
    for (size_t g = 0; g < groupCount; ++g) {
        for (int i = 0; i < groups[g].count; ++i) {
            const char* slot = record + groups[g].offset + i * groups[g].width;
            size_t n = ::strnlen(slot, groups[g].width - 1);
            std::memcpy(block + at, slot, n);
            block[at + n] = 0;
            at += static_cast<int>(n) + 1;
        }
    }
    return at;
}

/* Read the next string of BLOCK into SLOT (cut to fit, zero-filled; SLOT may
** be null to skip it). False when its NUL does not lie inside the block. */
bool readString(const char* block, int size, int& at, char* slot, int width) {
    if (at < 0 || at >= size) return false;
    const void* nul = std::memchr(block + at, 0, size - at);
    if (!nul) return false;
    int length = static_cast<int>(static_cast<const char*>(nul) - (block + at));
    if (slot) {
        int kept = length < width - 1 ? length : width - 1;
        std::memcpy(slot, block + at, kept);
        std::memset(slot + kept, 0, width - kept);
    }
    at += length + 1;
    return true;
}

int unpack(const char* block, int size, char* record, size_t recordSize, const SlotGroup* groups,
           size_t groupCount, bool version1Extras) {
    std::memset(record, 0, recordSize);
    int at = 0;
    for (size_t g = 0; g < groupCount; ++g) {
        for (int i = 0; i < groups[g].count; ++i) {
            char* slot = record + groups[g].offset + i * groups[g].width;
            if (!readString(block, size, at, slot, groups[g].width)) {
                std::memset(record, 0, recordSize);
                return ZMLIB_ERROR;
            }
        }
        if (version1Extras && groups[g].extraInVersion1 && !readString(block, size, at, nullptr, 0)) {
            std::memset(record, 0, recordSize);
            return ZMLIB_ERROR;
        }
    }
    return ZMLIB_SUCCESS;
}

void insertValues(ZmFormDataArray* list, const char* record, const SlotGroup* groups, size_t groupCount,
                  bool onlyFilled) {
    for (size_t g = 0; g < groupCount; ++g) {
        for (int i = 0; i < groups[g].count; ++i) {
            char text[82];
            zmlib::copyFixed(text, groups[g].width, record + groups[g].offset + i * groups[g].width);
            if (onlyFilled && !text[0]) continue;
            zmlibMatList_insertValue(list, groups[g].key, ZMFORM_TEXT, groups[g].first + i, text);
        }
    }
}

void showNewerVersion(int version) {
    zmlibError_rscMsgBoxPrintf(BOX_NOTICE, ZMLIB_LIST_ERRORS, MSG_NEWER_VERSION, version);
}

/* ---- Scans ------------------------------------------------------------------ */

int readProjectElement(void* userArg, int version, MSElement*, uint32_t, int, void* data, int size) {
    auto* record = static_cast<ZmProjectRecord*>(userArg);
    ZmProjectRecord read;
    if (version < 1 || version > 3) {
        showNewerVersion(version);
        return 0;
    }
    if (zmlib::project::unpackProject(static_cast<const char*>(data), size, version, read) == ZMLIB_SUCCESS)
        *record = read;
    return 0;
}

int deleteElement(void*, int, MSElement* element, uint32_t filePos, int, void*, int) {
    mdlElement_undoableDelete(element, filePos, 0);
    return 0;
}

struct PageLookup {
    ZmPageRecord* record;
    std::string name;
};

/* Unpack a page element into a working record; null for another version
** (shown) or a broken block. Free with dlmSystem_mdlFree. */
ZmPageRecord* readWorkingPage(int version, const void* data, int size) {
    if (version != 2 && version != 3) {
        showNewerVersion(version);
        return nullptr;
    }
    auto* work = static_cast<ZmPageRecord*>(
        zmlibMem_mallocRscErrorPrintf(sizeof(ZmPageRecord), ZMLIB_LIST_ERRORS, ZMLIB_MSG_OUT_OF_MEMORY));
    if (!work) return nullptr;
    if (zmlib::project::unpackPage(static_cast<const char*>(data), size, version, *work) != ZMLIB_SUCCESS) {
        dlmSystem_mdlFree(work);
        return nullptr;
    }
    return work;
}

int readPageElement(void* userArg, int version, MSElement*, uint32_t, int, void* data, int size) {
    auto* lookup = static_cast<PageLookup*>(userArg);
    ZmPageRecord* work = readWorkingPage(version, data, size);
    if (!work) return 0;
    if (lookup->name == work->name) {
        *lookup->record = *work;
        zmlib::copyFixed(lookup->record->lookupName, lookup->name.c_str());
    }
    dlmSystem_mdlFree(work);
    return 0;
}

struct PageDeletion {
    const char* name;
    const char* const* keepList;
};

bool inList(const char* const* list, const char* name) {
    for (; *list; ++list)
        if (std::strcmp(*list, name) == 0) return true;
    return false;
}

int deletePageElement(void* userArg, int version, MSElement* element, uint32_t filePos, int, void* data, int size) {
    auto* how = static_cast<PageDeletion*>(userArg);
    if (!how->keepList && !how->name) {
        mdlElement_undoableDelete(element, filePos, 0);
        return 0;
    }
    ZmPageRecord* work = readWorkingPage(version, data, size);
    if (!work) return 0;
    bool drop = how->keepList ? !inList(how->keepList, work->name) : std::strcmp(how->name, work->name) == 0;
    dlmSystem_mdlFree(work);
    if (drop) mdlElement_undoableDelete(element, filePos, 0);
    return 0;
}

int scan(int applicationId, void* userArg, Zm66ScanFunction callback) {
    return zmlib66Elem_scanDataFromFileExtended(userArg, applicationId, mdlModelRef_getActive(), callback, 1);
}

/* ---- The resource-file copy --------------------------------------------------- */

void loadFromResourceFile() {
    char name[MAXFILELENGTH] = "";
    char title[256];
    zmlib::copyFixed(title, zmlibUtil_getLanguageText(TEXT_LOAD_TITLE));
    if (zmlibUpf_defFileOpen(name, "", "*.rsc", nullptr, title, FILE_DIALOG_ID) != 0) return;
    RscFileHandle file = 0;
    if (mdlResource_openFile(&file, name, 0) != RSC_SUCCESS) {
        zmlibError_rscMsgBoxPrintf(BOX_NOTICE, ZMLIB_LIST_ERRORS, MSG_CANNOT_OPEN, name);
        return;
    }
    void* stored = mdlResource_load(file, RTYPE_PROJECT, RSCID_PROJECT);
    uint32_t size = 0;
    if (stored) mdlResource_query(&size, stored, RSC_QRY_SIZE);
    if (!stored || size < sizeof(ZmProjectRecord)) {
        zmlibError_rscMsgBoxPrintf(BOX_WARNING, ZMLIB_LIST_ERRORS, MSG_NO_PROJECT_IN_FILE, name);
    } else {
        std::memcpy(zmlib::project::projectRecord(), stored, sizeof(ZmProjectRecord));
        // Slots from another program's file may lack their NUL: end each text inside its slot.
        ZmProjectRecord* r = zmlib::project::projectRecord();
        for (const SlotGroup& g : projectBlock)
            for (int i = 0; i < g.count; ++i) reinterpret_cast<char*>(r)[g.offset + (i + 1) * g.width - 1] = 0;
    }
    mdlResource_free(stored);
    mdlResource_closeFile(file);
}

void saveToResourceFile() {
    char name[MAXFILELENGTH] = "";
    char title[256];
    zmlib::copyFixed(title, zmlibUtil_getLanguageText(TEXT_SAVE_TITLE));
    if (zmlibUpf_defFileCreate(name, "", "*.rsc", nullptr, title, FILE_DIALOG_ID) != 0) return;
    if (mdlFile_getFileAttributes(name, nullptr, nullptr, nullptr) == 0 &&
        zmlibError_rscMsgBoxPrintf(BOX_REPLACE, ZMLIB_LIST_ERRORS, MSG_REPLACE_FILE, name) == ZMLIB_ACTION_CANCEL)
        return;
    RscFileHandle file = 0;
    if (mdlResource_createFile(name, "Prosjekt info", 1) != RSC_SUCCESS ||
        mdlResource_openFile(&file, name, 1) != RSC_SUCCESS) {
        zmlibError_rscMsgBoxPrintf(BOX_NOTICE, ZMLIB_LIST_ERRORS, MSG_CANNOT_OPEN, name);
        return;
    }
    int status = mdlResource_add(file, RTYPE_PROJECT, RSCID_PROJECT, zmlib::project::projectRecord(),
                                 sizeof(ZmProjectRecord), nullptr);
    if (status == RSCERR_READ_ONLY)
        zmlibError_rscMsgBoxPrintf(BOX_NOTICE, ZMLIB_LIST_ERRORS, MSG_READ_ONLY, name);
    else if (status != RSC_SUCCESS)
        zmlibError_rscMsgBoxPrintf(BOX_NOTICE, ZMLIB_LIST_ERRORS, MSG_CANNOT_SAVE, name);
    mdlResource_closeFile(file);
}

/* ---- Hooks of dialog 20008 ------------------------------------------------------ */

void projectHook_dialog(DialogMessage* m) {
    m->msgUnderstood = 1;
    switch (m->messageType) {
    case DIALOG_MESSAGE_CREATE:
        zmlibProject_readProjectInfoFromDesignFile(zmlib::project::projectRecord());
        break;
    case DIALOG_MESSAGE_INIT:
    case DIALOG_MESSAGE_DESTROY:
        break;
    default:
        m->msgUnderstood = 0;
    }
}

/* Run ACTION on the release of a push button; other messages are not ours. */
template <void (*Action)(DialogBox*)>
void projectHook_button(DialogItemMessage* m) {
    if (m->messageType != DITEM_MESSAGE_BUTTON) {
        m->msgUnderstood = 0;
        return;
    }
    m->msgUnderstood = 1;
    if (m->u.button.transition == BUTTONTRANS_UP) Action(m->db);
}

void loadAction(DialogBox* db) {
    loadFromResourceFile();
    mdlDialog_itemsSynch(db);
}
void saveAction(DialogBox*) { saveToResourceFile(); }
void readAction(DialogBox* db) {
    zmlibProject_readProjectInfoFromDesignFile(zmlib::project::projectRecord());
    mdlDialog_itemsSynch(db);
}
void writeAction(DialogBox*) { zmlibProject_writeProjectInfoToDesignFile(zmlib::project::projectRecord()); }

const DialogHookInfo projectHooks[] = {
    {HOOK_DIALOG, reinterpret_cast<void*>(projectHook_dialog)},
    {HOOK_LOAD,   reinterpret_cast<void*>(projectHook_button<loadAction>)},
    {HOOK_SAVE,   reinterpret_cast<void*>(projectHook_button<saveAction>)},
    {HOOK_READ,   reinterpret_cast<void*>(projectHook_button<readAction>)},
    {HOOK_WRITE,  reinterpret_cast<void*>(projectHook_button<writeAction>)},
};
static_assert(std::size(projectHooks) == 5);

}  // namespace

namespace zmlib::project {

int packProject(const ZmProjectRecord& record, char* block) {
    return pack(reinterpret_cast<const char*>(&record), projectBlock, std::size(projectBlock), block);
}

int packPage(const ZmPageRecord& record, char* block) {
    return pack(reinterpret_cast<const char*>(&record), pageBlock, std::size(pageBlock), block);
}

int unpackProject(const char* block, int size, int dataVersion, ZmProjectRecord& record) {
    if (dataVersion < 1 || dataVersion > 3) {
        record = ZmProjectRecord{};
        return ZMLIB_ERROR;
    }
    return unpack(block, size, reinterpret_cast<char*>(&record), sizeof record, projectBlock,
                  std::size(projectBlock), dataVersion == 1);
}

int unpackPage(const char* block, int size, int dataVersion, ZmPageRecord& record) {
    if (dataVersion != 2 && dataVersion != 3) {
        record = ZmPageRecord{};
        return ZMLIB_ERROR;
    }
    size_t groups = dataVersion == 2 ? PAGE_GROUPS_VERSION2 : std::size(pageBlock);
    return unpack(block, size, reinterpret_cast<char*>(&record), sizeof record, pageBlock, groups, false);
}

ZmProjectRecord* projectRecord() { return static_cast<ZmProjectRecord*>(zmlib::main::sharedRecords().project); }
ZmPageRecord* pageRecord() { return static_cast<ZmPageRecord*>(zmlib::main::sharedRecords().page); }

void publishHooks() { mdlDialog_hookPublish(static_cast<int>(std::size(projectHooks)), projectHooks); }

}  // namespace zmlib::project

extern "C" ZMLIB_API int zmlibProject_readProjectInfoFromDesignFile(ZmProjectRecord* record) {
    if (!record) return 0;
    *record = ZmProjectRecord{};
    return scan(ZMPROJECT_APPLICATION_ID, record, readProjectElement);
}

extern "C" ZMLIB_API void zmlibProject_writeProjectInfoToDesignFile(ZmProjectRecord* record) {
    if (!record) return;
    scan(ZMPROJECT_APPLICATION_ID, nullptr, deleteElement);
    char block[zmlib::project::PROJECT_BLOCK_MAX] = {};
    int size = zmlib::project::packProject(*record, block);
    uint32_t filePos = 0;
    if (zmlib66Elem_saveDataToFile(ZMPROJECT_APPLICATION_ID, ZMPROJECT_DATA_VERSION, block, size, &filePos) != 0)
        zmlibError_rscMsgBoxPrintf(BOX_NOTICE, ZMLIB_LIST_ERRORS, MSG_NOT_STORED);
    else
        mdlOutput_rscPrintf(MSG_STATUS, 0, ZMLIB_LIST_QUESTIONS, MSG_PROJECT_SAVED);
}

extern "C" ZMLIB_API void zmlibProject_readPageInfoFromDesignFile(ZmPageRecord* record, const char* name) {
    if (!record) return;
    *record = ZmPageRecord{};
    zmlib::copyFixed(record->lookupName, name);
    PageLookup lookup{record, record->lookupName};
    if (scan(ZMPAGE_APPLICATION_ID, &lookup, readPageElement) > 0)
        mdlOutput_rscPrintf(MSG_STATUS, 0, ZMLIB_LIST_QUESTIONS, MSG_PAGES_FOUND);
}

extern "C" ZMLIB_API void zmlibProject_writePageInfoToDesignFile(ZmPageRecord* record) {
    if (!record) return;
    char name[sizeof record->name];
    zmlib::copyFixed(name, record->name);
    zmlibProject_deletePageInfoFromDesignFile(name, nullptr);
    char block[zmlib::project::PAGE_BLOCK_MAX] = {};
    int size = zmlib::project::packPage(*record, block);
    uint32_t filePos = 0;
    if (zmlib66Elem_saveDataToFile(ZMPAGE_APPLICATION_ID, ZMPROJECT_DATA_VERSION, block, size, &filePos) != 0)
        zmlibError_rscMsgBoxPrintf(BOX_NOTICE, ZMLIB_LIST_ERRORS, MSG_NOT_STORED);
    else
        mdlOutput_rscPrintf(MSG_STATUS, 0, ZMLIB_LIST_QUESTIONS, MSG_PAGE_SAVED);
}

extern "C" ZMLIB_API int zmlibProject_deletePageInfoFromDesignFile(const char* name, const char* const* keepList) {
    PageDeletion how{name, keepList};
    return scan(ZMPAGE_APPLICATION_ID, &how, deletePageElement);
}

extern "C" ZMLIB_API void zmlibProject_insertProjectData(ZmFormDataArray* list) {
    ZmProjectRecord* project = zmlib::project::projectRecord();
    ZmPageRecord* page = zmlib::project::pageRecord();
    if (!project || !page) return;
    ZmGlobalData* gd = zmlibMain_getGlobalDataP();
    zmlibProject_readProjectInfoFromDesignFile(project);
    zmlibProject_readPageInfoFromDesignFile(page, gd ? gd->pageName : "");
    insertValues(list, reinterpret_cast<const char*>(project), projectValues, std::size(projectValues), false);
    if (!page->name[0]) return;
    insertValues(list, reinterpret_cast<const char*>(page), pageValues, std::size(pageValues), true);
}

extern "C" ZMLIB_API int zmlibProject_dialogOpen(void) {
    zmlibMain_updateBeforeDialogOpen(ZMPROJECT_DIALOG);
    return mdlDialog_open(RscFileHandle{}, ZMPROJECT_DIALOG) ? ZMLIB_SUCCESS : ZMLIB_ERROR;
}
