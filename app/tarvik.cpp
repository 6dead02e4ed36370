/* The application's start-up and life: MdlMain, the unload and
** new-design-file callbacks, the main dialog's hooks, the configuration
** file, the menu and the settings-file search. Its records and state live
** in tarvikstate.cpp. */
#include "app/tarvik.h"

#include <cstdio>
#include <cstring>
#include <iterator>
#include <string>

#include "app/commands.h"
#include "app/resourceids.h"
#include "app/settings.h"
#include "app/tarvik_int.h"
#include "app/tarvikstate.h"
#include "host/mdlcommand.h"
#include "host/mdldialog.h"
#include "host/mdlresource.h"
#include "host/mdlsystem.h"
#include "lib/core/util.h"
#include "lib/core/main.h"
#include "lib/core/text_int.h"
#include "lib/dialogs/intro.h"
#include "lib/elements/elmattr.h"

namespace {

const char* const APPLICATION_NAME = "Tarvik";
const char* const DEFAULT_CONFIG_FILE = "zmsteel.cfg";
const char* const DEFAULT_SETTINGS_FILE = "tarvik.rsc";

const DialogHookInfo applicationHooks[] = {
    {HOOK_MAIN_DIALOG,          reinterpret_cast<void*>(tarvikHook_mainDialog)},
    {HOOK_DEFAULT_SETUP_OPTION, reinterpret_cast<void*>(tarvikHook_defaultSetupOption)},
    {HOOK_SEGMENT_TEXT,         reinterpret_cast<void*>(tarvikHook_segmentText)},
};

/* Ask whether the work mode changed since the configuration was read. */
bool workModeChanged() {
    // Bringing "ZMTV_WORKMODE" up to date answers non-zero only when it had
    // to be redefined: then the configuration has to be read again.
    return zmlibUtil_setWorkmode("ZMTV_WORKMODE") != 0;
}

}  // namespace

void tarvik_resetState() {
    tarvikState_resetForTests();
    settings_freeSetupList();
}

/* ---- Start-up steps ----------------------------------------------------------------- */

void tarvik_readConfigFile() {
    workModeChanged();
    char name[MAXFILELENGTH];
    if (mdlSystem_getenv(name, "ZMTV_MENU", sizeof name) != 0) zmlib::copyFixed(name, DEFAULT_CONFIG_FILE);
    char directories[1024] = "";
    if (mdlSystem_getExpandedCfgVar(directories, "ZMTV_DIR", sizeof directories) != 0) directories[0] = '\0';
    char path[MAXFILELENGTH];
    if (mdlFile_find(path, name, directories, nullptr) == 0) mdlSystem_processCfgVarFile(path, CFGVAR_LEVEL_USER);
}

void tarvik_insertMenu() {
    TarvikState& t = tarvik();
    MenuBar* bar = mdlDialog_menuBarGetCmdWinP();
    if (!bar) return;
    MenuBarMenu* before = mdlDialog_menuBarFindMenu(bar, RTYPE_PULLDOWN, MENU_HOST_BEFORE);
    t.menu = mdlDialog_menuBarInsMenu(bar, RTYPE_PULLDOWN, MENU_TARVIK, before);
}

void tarvik_findSettingsFile() {
    TarvikState& t = tarvik();
    if (!t.gd) return;
    char name[MAXFILELENGTH];
    if (mdlSystem_getenv(name, "ZMTV_RSC", sizeof name) != 0) zmlib::copyFixed(name, DEFAULT_SETTINGS_FILE);
    char* settingsFile = t.gd->settingsFile;
    if (mdlFile_find(settingsFile, name, "ZM_DATA", nullptr) == 0) return;
    char directory[MAXFILELENGTH];
    if (mdlSystem_getCfgVar(directory, "ZM_DIR", sizeof directory) == 0)
        zmlib::copyFixed(settingsFile, sizeof t.gd->settingsFile, (std::string(directory) + "data\\tarvik.rsc").c_str());
}

void tarvik_openMainDialog() {
    DialogBox* db = mdlDialog_open(0, DIALOG_MAIN);
    int edge = DOCK_NONE;
    if (db && mdlWindow_getDocked(db, &edge)) mdlWindow_organizeApplicationArea(DIALOG_MAIN);
}

/* ---- Callbacks -------------------------------------------------------------------------- */

void tarvik_cleanUp() {
    TarvikState& t = tarvik();
    t.exiting = true; /* the main dialog closes with the add-in: no second unload */
    if (t.menu) {
        mdlDialog_menuBarDeleteMenu(t.menu, mdlDialog_menuBarGetCmdWinP(), 0, 0);
        t.menu = nullptr;
    }
    dlmSystem_mdlFree(t.settings);
    t.settings = nullptr;
    if (t.activeDimension && t.activeDimension != t.editCopy) t.activeDimension = nullptr;
    zmlibElmAttr_freeAllAttribute();
    zmlibElmAttr_freeGroupeNames();
    settings_freeSetupList();
}

int tarvik_unload(int unloadType) {
    if (unloadType >= 0) return 1;
    tarvik_cleanUp();
    return 0;
}

void tarvik_newDesignFile(const char* fileName, int newState) {
    zmlibMain_newDesignFile(fileName, newState);
    if (newState != 1 || !workModeChanged()) return;
    tarvik_readConfigFile();
    settings_readSetupList();
    if (DialogBox* db = mdlDialog_find(DIALOG_DEFAULT_SETUPS, nullptr))
        if (DialogItem* item = mdlDialog_itemGetByTypeAndId(db, ITEMTYPE_OPTIONBUTTON, ITEM_DEFAULT_SETUP_OPTION, 0))
            mdlDialog_hookItemSendUserMsg(item, 0, 0);
}

void tarvik_queueUnload() {
    TarvikState& t = tarvik();
    t.exiting = true;
    /* The unload runs without the clean-up callback: the attribute
    ** definitions live in library memory and are let go here. */
    zmlibElmAttr_freeAllAttribute();
    zmlibElmAttr_freeGroupeNames();
    settings_freeSetupList();
    mdlSystem_setFunction(SYSTEM_UNLOAD_PROGRAM, nullptr);
    mdlDialog_cmdNumberQueue(0, CMD_UNLOAD_APPLICATION, mdlSystem_getCurrTaskID(), 1);
    mdlState_startDefaultCommand();
}

/* ---- Dialog hooks -------------------------------------------------------------------------- */

/* The main dialog: closing it ends the application. */
void tarvikHook_mainDialog(DialogMessage* message) {
    TarvikState& t = tarvik();
    if (message->messageType != DIALOG_MESSAGE_DESTROY) {
        message->msgUnderstood = 0;
        return;
    }
    message->msgUnderstood = 1;
    if (!t.exiting) tarvik_queueUnload();
}

/* The default set-up option button of dialog 4. */
void tarvikHook_defaultSetupOption(DialogItemMessage* message) {
    TarvikState& t = tarvik();
    message->msgUnderstood = 1;
    UserInterfaceData* settings = t.settings;
    switch (message->messageType) {
    case DITEM_MESSAGE_CREATE:
    case DITEM_MESSAGE_USER: {
        if (!settings) return;
        if (settings_setupCount() == 0) {
            mdlDialog_itemSetEnabledState(message->db, message->itemIndex, 0, 0);
            return;
        }
        settings_fillOptionButton(message->dialogItemP);
        if (settings->defaultSetupIndex >= settings_setupCount()) {
            if (settings_selectSetupForSettingsFile() == -1) {
                settings->defaultSetupIndex = 0;
                settings_applyDefaultSetup();
            }
        }
        if (settings->defaultSetupIndex < settings_setupCount()) settings_applyDefaultSetup();
        mdlDialog_itemSynch(message->db, message->itemIndex);
        mdlDialog_itemDraw(message->db, message->itemIndex);
        return;
    }
    case DITEM_MESSAGE_STATECHANGED:
        if (!settings || !t.gd || !message->u.stateChanged.reallyChanged) return;
        if (settings->defaultSetupIndex < settings_setupCount()) settings_applyDefaultSetup();
        else settings_load(t.gd->settingsFile, true);
        return;
    default: message->msgUnderstood = 0; return;
    }
}

/* The text of new segments in the tool box and the settings dialog: what
** the user types there is the text of the next segment, measured texts or
** not. Typing the same text again counts too, so every change is taken. */
void tarvikHook_segmentText(DialogItemMessage* message) {
    if (message->messageType != DITEM_MESSAGE_STATECHANGED) {
        message->msgUnderstood = 0;
        return;
    }
    message->msgUnderstood = 1;
    tarvik().textTyped = true;
}

/* ---- Entry point ---------------------------------------------------------------------------- */

extern "C" ZMLIB_API int MdlMain(int argc, char* argv[]) {
    /* Another add-in linked to this one may have kept it loaded since an
    ** earlier run: drop what that run left (records, menu, exiting flag). */
    tarvik_resetState();
    zmlibMain_initZmLib(APPLICATION_NAME, argc, argv);

    if (!tarvikState_allocateRecords()) {
        tarvikState_freeRecords();
        mdlSystem_exit(1, 1);
        return 0;
    }
    settings_registerAttributes();

    commands_register();

    mdlSystem_setFunction(SYSTEM_UNLOAD_PROGRAM, reinterpret_cast<void*>(tarvik_unload));
    mdlSystem_setFunction(SYSTEM_NEW_DESIGN_FILE, reinterpret_cast<void*>(tarvik_newDesignFile));

    TarvikState& t = tarvik();
    SymbolSet* set = mdlCExpression_initializeSet(4, 0, 0);
    mdlDialog_publishComplexPtr(set, "userInterfaceData", "uid", &t.settings);

    mdlDialog_hookPublish(static_cast<int>(std::size(applicationHooks)), applicationHooks);

    tarvik_readConfigFile();
    settings_readSetupList();

    tarvik_insertMenu();
    tarvik_findSettingsFile();
    settings_load(t.gd->settingsFile, false);
    tarvik_openMainDialog();

    zmlibIntro_setVersionNumber();
    return 0;
}
