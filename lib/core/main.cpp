/* Library start-up and global data: the application table that maps each
** calling application to its global data record, the process-wide shared
** records, the init-app list, the new-design-file function and the
** installation-directory question. State: the table, the shared records and
** the record "zgdP" points at. */
#include "lib/core/main.h"

#include <cctype>
#include <cstdio>
#include <cstring>
#include <string>

#include "host/mdlcommand.h"
#include "host/mdldialog.h"
#include "host/mdlelement.h"
#include "host/mdllevel.h"
#include "host/mdlresource.h"
#include "host/mdlsystem.h"
#include "lib/core/error.h"
#include "lib/core/error_int.h"
#include "lib/core/main_int.h"
#include "lib/core/mem.h"
#include "lib/core/plotscale_int.h"
#include "lib/core/text_int.h"
#include "lib/core/upf.h"
#include "lib/dialogs/attrdialog_int.h"
#include "lib/dialogs/intro_int.h"
#include "lib/dialogs/select_int.h"
#include "lib/document/project_int.h"
#include "lib/elements/elmattr_int.h"
#include "lib/output/preview_int.h"
#include "lib/output/printsetup_int.h"

namespace {

struct AppEntry {
    int processNumber;
    MdlDescP desc;
    ZmGlobalData* record;
};

struct MainState {
    AppEntry entries[zmlib::main::APP_TABLE_SIZE];
    int count;                           /* entries ever used */
    zmlib::main::SharedRecords shared;
    ZmGlobalData* published;             /* "zgdP" */
    char versionText[zmlib::error::TEXT_SIZE];
};
MainState state{};

const char* const ZMLIB_VERSION = "6.14";
enum : int32_t { DIALOG_PROJECT = 20008, DIALOG_ATTRIBUTES = 20013 };
const char* const ZMLIB_LOCATION = "Statically Linked";

void* allocate(unsigned size) { return zmlibMem_mallocRscErrorPrintf(size, ZMLIB_LIST_ERRORS, ZMLIB_MSG_OUT_OF_MEMORY); }

bool isAlive(const AppEntry& e) { return e.desc && mdlSystem_getMdlDescFromProcessNumber(e.processNumber) != nullptr; }

/* Free RECORD and the blocks start-up gave it. */
void freeRecord(ZmGlobalData* record) {
    if (!record) return;
    if (state.published == record) state.published = nullptr;
    dlmSystem_mdlFree(record->ownerRecord);
    dlmSystem_mdlFree(record->dialogBlock);
    dlmSystem_mdlFree(record->projectBlock);
    dlmSystem_mdlFree(record->workBuffer);
    zmlib::preview::releaseRecord(record);
    dlmSystem_mdlFree(record->modulePointers[ZMGD_SLOT_ATTRIB_SMALL]);
    dlmSystem_mdlFree(record->modulePointers[ZMGD_SLOT_ATTRIB_LARGE]);
    dlmSystem_mdlFree(record);
}

/* Find or make the table entry of the calling application and give it a new
** record. Null (with the console line) when no entry is free. A full table
** never grows the count, and entries of ended applications are reused. */
ZmGlobalData* createRecord() {
    MdlDescP desc = mdlSystem_getCurrMdlDesc();
    if (state.count == 0) std::memset(state.entries, 0, sizeof state.entries);
    int slot = -1;
    for (int i = 0; i < state.count; ++i) {
        AppEntry& e = state.entries[i];
        bool inUse = e.desc || e.record;
        if (inUse && !isAlive(e)) {
            /* Its application has ended: nobody can reach the record any more. */
            freeRecord(e.record);
            e = AppEntry{};
            inUse = false;
        }
        if (!inUse && slot < 0) slot = i;
    }
    if (slot < 0 && state.count < zmlib::main::MAX_APPLICATIONS) slot = state.count;
    if (slot < 0) {
        toolSubsystem_printf("Error in zmlib_InitGlobalData\n");
        return nullptr;
    }
    auto* record = static_cast<ZmGlobalData*>(allocate(sizeof(ZmGlobalData)));
    if (!record) return nullptr;
    if (slot == state.count) ++state.count;
    record->pageScale = 1.0;
    record->reserved1 = 1;
    record->attribSetSelection = -1;
    record->projectDialog[0] = -1;
    record->projectDialog[1] = -1;
    record->projectDialog[2] = 1;
    record->previewShownPage = -1;
    state.entries[slot] = AppEntry{mdlSystem_getProcessNumberFromMdlDesc(desc), desc, record};
    return record;
}

/* Allocate the shared records once, for the first application. */
void allocateSharedRecords() {
    zmlib::main::SharedRecords& s = state.shared;
    if (!s.printSetup) s.printSetup = allocate(ZMLIB_PRINT_SETUP_SIZE);
    if (!s.project) s.project = allocate(ZMLIB_PROJECT_RECORD_SIZE);
    if (!s.page) s.page = allocate(ZMLIB_PAGE_RECORD_SIZE);
    if (!s.plotScale) s.plotScale = allocate(sizeof(ZmPlotScale));
}

void allocateBlocks(ZmGlobalData* gd) {
    gd->ownerRecord = static_cast<char*>(allocate(ZMGD_OWNER_RECORD_SIZE));
    gd->dialogBlock = static_cast<char*>(allocate(ZMGD_DIALOG_BLOCK_SIZE));
    if (gd->dialogBlock) zmlib::copyFixed(gd->dialogBlock + ZMGD_DIALOG_SEPARATOR_OFFSET, 2, ",");
    gd->projectBlock = allocate(ZMGD_PROJECT_BLOCK_SIZE);
    gd->modulePointers[ZMGD_SLOT_ATTRIB_LARGE] = allocate(ZMGD_ATTRIB_LARGE_SIZE);
    gd->modulePointers[ZMGD_SLOT_ATTRIB_SMALL] = allocate(ZMGD_ATTRIB_SMALL_SIZE);
    gd->workBuffer = static_cast<char*>(allocate(ZMGD_WORK_BUFFER_SIZE));
}

/* Set the four message box titles from the language texts. */
void setTitles(const char* name) {
    char text[zmlib::error::TEXT_SIZE];
    zmlib::copyFixed(text, zmlibUtil_getLanguageText(zmlib::main::TEXT_TITLE_KIND1));
    zmlibError_setTitle(ZMLIB_MSGBOX_INFO, text, name);
    zmlib::copyFixed(text, zmlibUtil_getLanguageText(zmlib::main::TEXT_TITLE_KIND4));
    zmlibError_setTitle(ZMLIB_MSGBOX_WARNING, text, name);
    zmlib::copyFixed(text, zmlibUtil_getLanguageText(zmlib::main::TEXT_TITLE_KIND8));
    zmlibError_setTitle(ZMLIB_MSGBOX_QUESTION, text, name);
    zmlibError_setTitle(ZMLIB_MSGBOX_ERROR, "%s", zmlibUtil_getLanguageText(zmlib::main::TEXT_TITLE_KIND2));
}

bool equalsLowerCase(const char* text, const char* lower) {
    for (; *text && *lower; ++text, ++lower)
        if (std::tolower(static_cast<unsigned char>(*text)) != *lower) return false;
    return !*text && !*lower;
}

/* Offer to define ZM_DIR when it is not defined: propose the directory four
** levels above the loaded application and ask the user. */
void offerInstallDirectory(const char* name, int argc, char* argv[]) {
    char value[MAXFILELENGTH];
    if (mdlSystem_getCfgVar(value, "ZM_DIR", sizeof value) == 0) return;
    char site[MAXFILELENGTH] = "";
    if (mdlSystem_getExpandedCfgVar(site, "_USTN_SITE", sizeof site) != 0) site[0] = '\0';
    std::string companyConfig = std::string(site) + "company.cfg";
    char proposed[MAXFILELENGTH] = "";
    if (argc >= 1 && argv && argv[0]) zmlib::main::proposeInstallDirectory(proposed, sizeof proposed, argv[0]);
    int action = zmlibError_rscMsgBoxPrintf(ZMLIB_MSGBOX_INFO | ZMLIB_MSGBOX_OK | ZMLIB_MSGBOX_CANCEL,
                                            ZMLIB_LIST_QUESTIONS, zmlib::main::MSG_INSTALL_DIRECTORY, proposed, name,
                                            name, companyConfig.c_str(), proposed);
    if (action == ZMLIB_ACTION_OK) mdlSystem_defineCfgVar("ZM_DIR", proposed, CFGVAR_LEVEL_USER);
}

/* Preload the line styles of the active model so that their numbers resolve:
** make every custom style (cell 0 holds CUSTOM_STYLE_MARK) active once by
** name, then put the user's active style back. */
void preloadLineStyles() {
    constexpr int64_t CUSTOM_STYLE_MARK = 0x7FFFFF00;
    ListModel* styles = mdlLevelList_getStyleListModel(mdlModelRef_getActive());
    if (styles) {
        int32_t activeStyle = 0;
        bool remembered = mdlParams_getActive(&activeStyle, ACTIVEPARAM_LINESTYLE) == 0;
        bool activated = false;
        for (int i = 0, rows = mdlListModel_getRowCount(styles); i < rows; ++i) {
            ListCell* cell = mdlListRow_getCellAtIndex(mdlListModel_getRowAtIndex(styles, i), 0);
            if (!cell || mdlListCell_getLongValue(cell) != CUSTOM_STYLE_MARK) continue;
            char name[MAX_PARAM_TEXT] = "";
            zmlib::copyFixed(name, mdlListCell_getStringValue(cell));
            if (mdlParams_setActive(name, ACTIVEPARAM_LINESTYLENAME) == 0) activated = true;
        }
        if (activated && remembered) mdlParams_setActive(&activeStyle, ACTIVEPARAM_LINESTYLE);
        mdlListModel_destroy(styles);
    }
    zmlib::elmattr::syncCustomLineStyles();
}

/* Publish the shared records and the caller's record to the dialog items. */
void publishVariables() {
    SymbolSet* set = mdlCExpression_initializeSet(4, 0, 0);
    mdlDialog_publishComplexPtr(set, "zmlibPrinterSetupData", "zmlibpsd", &state.shared.printSetup);
    mdlDialog_publishComplexPtr(set, "zmlibProsjektData", "zmlibpd", &state.shared.project);
    mdlDialog_publishComplexPtr(set, "zmlibSideData", "zmlibsd", &state.shared.page);
    mdlDialog_publishComplexPtr(set, "zmlibGlobalData", "zgdP", &state.published);
    mdlDialog_publishComplexPtr(set, "zmlibPlotScale", "zmScaleP", &state.shared.plotScale);
}

/* The caller's live entry, or null. */
AppEntry* callerEntry() {
    MdlDescP desc = mdlSystem_getCurrMdlDesc();
    if (!desc) return nullptr;
    int process = mdlSystem_getProcessNumberFromMdlDesc(desc);
    for (int i = 0; i < state.count; ++i) {
        AppEntry& e = state.entries[i];
        if (e.desc == desc && e.processNumber == process && isAlive(e)) return &e;
    }
    return nullptr;
}

/* Frees every record when the library itself is unloaded. */
struct LibraryLifetime {
    ~LibraryLifetime() { zmlib::main::resetForTests(); }
};
LibraryLifetime lifetime;

}  // namespace

namespace zmlib::main {

const SharedRecords& sharedRecords() { return state.shared; }
int tableCount() { return state.count; }
ZmGlobalData* publishedGlobalData() { return state.published; }

void proposeInstallDirectory(char* out, size_t size, const char* loadPath) {
    std::string path = loadPath ? loadPath : "";
    size_t cut = std::string::npos;
    int met = 0;
    for (size_t i = path.size(); i-- > 0 && met < 4;) {
        if (path[i] == '\\' || path[i] == '/') {
            cut = i + 1;
            ++met;
        }
    }
    if (cut != std::string::npos) path.resize(cut);
    zmlib::copyFixed(out, size, path.c_str());
}

void notifyScaleChange(double oldScale, double newScale, int includeSelf) {
    AppEntry* self = callerEntry();
    for (int i = 0; i < state.count; ++i) {
        AppEntry& e = state.entries[i];
        if (!isAlive(e) || !e.record || !e.record->scaleFunction) continue;
        if (&e == self && !includeSelf) continue;
        dlmSystem_callAnyFunction("DD", e.desc, reinterpret_cast<void*>(e.record->scaleFunction), oldScale, newScale);
    }
}

RscFileHandle ownResourceFile() {
    AppEntry* e = callerEntry();
    return e ? reinterpret_cast<RscFileHandle>(e->record->modulePointers[ZMGD_SLOT_OWN_RESOURCE_FILE]) : 0;
}

void resetForTests() {
    for (int i = 0; i < state.count; ++i) freeRecord(state.entries[i].record);
    dlmSystem_mdlFree(state.shared.printSetup);
    dlmSystem_mdlFree(state.shared.project);
    dlmSystem_mdlFree(state.shared.page);
    zmlib::plotscale::releaseTable();
    dlmSystem_mdlFree(state.shared.plotScale);
    state = MainState{};
}

}  // namespace zmlib::main

extern "C" ZMLIB_API int zmlibMain_initZmLib(const char* applicationName, int argc, char* argv[]) {
    return zmlibMain_initZmLibExtended(applicationName, argc, argv, 0);
}

extern "C" ZMLIB_API int zmlibMain_initZmLibExtended(const char* applicationName, int argc, char* argv[],
                                                     int resourceOpenMode) {
    const char* name = applicationName ? applicationName : "";
    ZmGlobalData* gd = createRecord();
    if (!gd) return ZMLIB_ERROR;
    state.published = gd;

    if (argc > 1 && argv && argv[1])
        gd->initAppFlag = std::strcmp(argv[1], "MS_DGNAPPS") == 0 || std::strcmp(argv[1], "MS_INITAPPS") == 0;

    RscFileHandle own = 0;
    if (mdlResource_openFile(&own, nullptr, resourceOpenMode) != RSC_SUCCESS) own = 0;
    gd->modulePointers[ZMGD_SLOT_OWN_RESOURCE_FILE] = reinterpret_cast<void*>(own);

    zmlib::copyFixed(gd->applicationName, name);

    if (state.count == 1) allocateSharedRecords();
    allocateBlocks(gd);

    if (state.count <= 1) zmlib::plotscale::startUp();

    // Dialog hook tables, in this order: about box; print set-up (then its
    // record is loaded from the user preference file); preview; project and
    // page; message box and message list; attribute dialog (then the
    // attribute-set list starts empty); file and list selection; plot scales.
    zmlib::intro::publishHooks();
    zmlib::printsetup::startUp();
    zmlib::preview::publishHooks();
    zmlib::error::publishHooks();
    zmlib::attrdialog::publishHooks();
    zmlib::select::publishHooks();
    zmlib::project::publishHooks();
    zmlib::plotscale::publishHooks();

    publishVariables();

    mdlSystem_setFunction(SYSTEM_NEW_DESIGN_FILE, reinterpret_cast<void*>(zmlibMain_newDesignFile));

    setTitles(gd->applicationName);

    if (!equalsLowerCase(gd->applicationName, "ostrav")) offerInstallDirectory(gd->applicationName, argc, argv);

    zmlibUpf_initialize(gd);

    if (std::strcmp(gd->applicationName, "Brisel") != 0) preloadLineStyles();
    return ZMLIB_SUCCESS;
}

extern "C" ZMLIB_API ZmGlobalData* zmlibMain_getGlobalDataP(void) {
    if (AppEntry* e = callerEntry()) return e->record;
    toolSubsystem_printf("Error in zmlib_GetGlobalDataP\n");
    return nullptr;
}

extern "C" ZMLIB_API char* zmlibMain_getApplicationName(void) {
    static char none[1];
    ZmGlobalData* gd = zmlibMain_getGlobalDataP();
    return gd ? gd->applicationName : none;
}

extern "C" ZMLIB_API char* zmlibMain_getZmlibVersion(void) {
    char format[zmlib::error::TEXT_SIZE];
    zmlib::copyFixed(format, zmlibUtil_getLanguageText(zmlib::main::TEXT_VERSION));
    std::snprintf(state.versionText, sizeof state.versionText, format, ZMLIB_VERSION);
    return state.versionText;
}

extern "C" ZMLIB_API const char* zmlibMain_getZmlibLocation(void) { return ZMLIB_LOCATION; }

extern "C" ZMLIB_API int zmlibMain_currentAppIsInitApp(void) {
    ZmGlobalData* gd = zmlibMain_getGlobalDataP();
    return gd ? gd->initAppFlag : 0;
}

extern "C" ZMLIB_API void zmlibMain_addInitApp(ZmInitAppFunction function) {
    ZmGlobalData* gd = zmlibMain_getGlobalDataP();
    if (!gd || !function || gd->initAppCount >= ZMGD_INIT_APPS) return;
    gd->initApps[gd->initAppCount++] = function;
}

extern "C" ZMLIB_API void zmlibMain_execFuncOrAddToInitApps(ZmInitAppFunction function) {
    ZmGlobalData* gd = zmlibMain_getGlobalDataP();
    if (!gd || !function) return;
    if (gd->initAppFlag) {
        zmlibMain_addInitApp(function);
        return;
    }
    dlmSystem_callAnyFunction("", mdlSystem_getCurrMdlDesc(), reinterpret_cast<void*>(function));
}

extern "C" ZMLIB_API void zmlibMain_newDesignFile(const char* fileName, int state) {
    if (state != 1) return;
    ZmGlobalData* gd = zmlibMain_getGlobalDataP();
    if (!gd) return;
    if (gd->initAppFlag) {
        gd->initAppFlag = 0;
        MdlDescP desc = mdlSystem_getCurrMdlDesc();
        for (int i = 0; i < gd->initAppCount; ++i)
            dlmSystem_callAnyFunction("", desc, reinterpret_cast<void*>(gd->initApps[i]));
    }
    zmlibProject_readProjectInfoFromDesignFile(zmlib::project::projectRecord());
    if (DialogBox* db = mdlDialog_find(DIALOG_PROJECT, nullptr)) mdlDialog_itemsSynch(db);
    if (DialogBox* db = mdlDialog_find(DIALOG_ATTRIBUTES, nullptr)) mdlWindow_close(db);
    preloadLineStyles();
}

extern "C" ZMLIB_API void zmlibMain_updateBeforeDialogOpen(int dialogId) {
    AppEntry* self = callerEntry();
    for (int i = 0; i < state.count; ++i) {
        AppEntry& e = state.entries[i];
        if (!isAlive(e)) continue;
        if (&e == self) {
            state.published = e.record;
            continue;
        }
        if (DialogBox* db = mdlDialog_findByTypeAndId(RTYPE_DIALOG, dialogId, e.desc)) mdlWindow_close(db);
    }
}

extern "C" ZMLIB_API void zmlibMain_setScaleFunction(ZmScaleFunction function) {
    if (ZmGlobalData* gd = zmlibMain_getGlobalDataP()) gd->scaleFunction = function;
}
