/* The smallest add-in: greets from a configuration variable, tells how it
** was loaded, shows messages from its own resource file and, when
** MINIMAL_REFUSE_UNLOAD is set (defined, not empty and not "0"), refuses an
** ordinary unload (a forced one always goes). Its key-ins open a dialog
** bound to its published record, print the record, ask a modal question and
** leave through the host's unload command, and pick a file; a menu in the command window's
** menu bar offers the first two. */
#include <cstring>

#include "examples/minimal/minimal_record.h"
#include "host/mdlcommand.h"
#include "host/mdldialog.h"
#include "host/mdlresource.h"
#include "host/mdlsystem.h"

#define MINIMAL_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

enum { MSGLIST_MINIMAL = 1, MSG_FROM_RESOURCES = 1, MSG_READY = 2 };

RscFileHandle ownResources = 0;  /* open from MdlMain until unloaded */

enum : CommandNumber {
    CMD_MINIMAL_DIALOG = 0x01000001,
    CMD_MINIMAL_SHOW = 0x01000002,
    CMD_MINIMAL_ASK = 0x01000003,
    CMD_MINIMAL_EXIT = 0x01000004,
    CMD_MINIMAL_PICK = 0x01000005,
};
enum : int32_t {
    DIALOGID_SETTINGS = 1,
    DIALOGID_QUESTION = 2,
    HOOKID_SETTINGS_DIALOG = 1,
    HOOKID_GREETING = 2,
    MENUID_MINIMAL = 1,
};

struct MinimalState {
    MinimalRecord record;
    MinimalRecord* recordP;   /* published as "mini" */
    MenuBarMenu* menu;
};
MinimalState minimal{};

void cmdOpenDialog(char*) {
    if (!mdlDialog_open(0, DIALOGID_SETTINGS)) toolSubsystem_printf("minimal: cannot open dialog %d\n", DIALOGID_SETTINGS);
}

void cmdShow(char*) {
    const MinimalRecord& r = minimal.record;
    toolSubsystem_printf("minimal: greeting \"%s\", scale %.2f, choice %d, flags %d\n", r.greeting, r.scale, r.choice,
                         r.options.flags);
}

void cmdAsk(char*) {
    int action = 0;
    if (mdlDialog_openModal(&action, 0, DIALOGID_QUESTION) != 0) {
        toolSubsystem_printf("minimal: cannot ask\n");
        return;
    }
    toolSubsystem_printf("minimal: question answered %d%s\n", action,
                         action == ACTIONBUTTON_OK ? " (yes)" : action == ACTIONBUTTON_CANCEL ? " (no)" : "");
}

void cmdPick(char*) {
    char name[MAXFILELENGTH];
    if (mdlDialog_fileOpen(name, 0, 0, "settings.rsc", "*.rsc", "C:\\Data\\", "Pick a settings file") != 0)
        toolSubsystem_printf("minimal: no file picked\n");
    else
        toolSubsystem_printf("minimal: picked %s\n", name);
}

void cmdExit(char*) {
    mdlSystem_setFunction(SYSTEM_UNLOAD_PROGRAM, nullptr);
    mdlDialog_cmdNumberQueue(0, CMD_UNLOAD_APPLICATION, mdlSystem_getCurrTaskID(), 1);
    mdlState_startDefaultCommand();
}

const MdlCommandNumber commandNumbers[] = {
    {cmdOpenDialog, CMD_MINIMAL_DIALOG},
    {cmdShow,       CMD_MINIMAL_SHOW},
    {cmdAsk,        CMD_MINIMAL_ASK},
    {cmdExit,       CMD_MINIMAL_EXIT},
    {cmdPick,       CMD_MINIMAL_PICK},
    {nullptr,       0},
};

/* The settings dialog: tell when it closes. */
void settingsHook_dialog(DialogMessage* m) {
    if (m->messageType != DIALOG_MESSAGE_DESTROY) return;
    m->msgUnderstood = 1;
    toolSubsystem_printf("minimal: settings dialog closed\n");
}

/* The greeting field: tell when the user changed it. */
void settingsHook_greeting(DialogItemMessage* m) {
    if (m->messageType != DITEM_MESSAGE_STATECHANGED) return;
    m->msgUnderstood = 1;
    if (m->u.stateChanged.reallyChanged) toolSubsystem_printf("minimal: greeting is now \"%s\"\n", minimal.record.greeting);
}

const DialogHookInfo dialogHooks[] = {
    {HOOKID_SETTINGS_DIALOG, reinterpret_cast<void*>(settingsHook_dialog)},
    {HOOKID_GREETING,        reinterpret_cast<void*>(settingsHook_greeting)},
};

void removeMenu() {
    if (minimal.menu) mdlDialog_menuBarDeleteMenu(minimal.menu, mdlDialog_menuBarGetCmdWinP(), 0, 0);
    minimal.menu = nullptr;
}

bool refuseUnload() {
    char value[16];
    if (mdlSystem_getenv(value, "MINIMAL_REFUSE_UNLOAD", sizeof value) != 0) return false;
    return value[0] && std::strcmp(value, "0") != 0;
}

/* Answer the host's unload request: 1 keeps the add-in loaded. */
int minimal_unload(int unloadType) {
    if (unloadType >= 0 && refuseUnload()) {
        toolSubsystem_printf("minimal: unload refused\n");
        return 1;
    }
    toolSubsystem_printf("minimal: unloading (type %d)\n", unloadType);
    removeMenu();
    if (ownResources) mdlResource_closeFile(ownResources);
    ownResources = 0;
    return 0;
}

void minimal_newDesignFile(const char* fileName, int state) {
    toolSubsystem_printf("minimal: design file %s, state %d\n", fileName ? fileName : "", state);
}

/* The last path component of PATH, either separator. */
const char* baseName(const char* path) {
    const char* b = path;
    for (const char* p = path; *p; ++p)
        if (*p == '/' || *p == '\\') b = p + 1;
    return b;
}

}  // namespace

/* Called by other applications through dlmSystem_callMdlFunction("ID", ...). */
MINIMAL_EXPORT int minimal_scale(int value, double factor) { return static_cast<int>(value * factor); }

MINIMAL_EXPORT int MdlMain(int argc, char* argv[]) {
    char greeting[256];
    if (mdlSystem_getenv(greeting, "MINIMAL_GREETING", sizeof greeting) != 0)
        std::strcpy(greeting, "MINIMAL_GREETING is not defined");
    toolSubsystem_printf("minimal: %s\n", greeting);
    toolSubsystem_printf("minimal: loaded from %s as task %s", argc > 0 ? baseName(argv[0]) : "?",
                         mdlSystem_getCurrTaskID());
    if (argc > 1 && argv[1][0]) toolSubsystem_printf(" through %s", argv[1]);
    for (int i = 2; i < argc; ++i) toolSubsystem_printf(i == 2 ? " with %s" : " %s", argv[i]);
    toolSubsystem_printf("\n");
    mdlSystem_setFunction(SYSTEM_UNLOAD_PROGRAM, reinterpret_cast<void*>(minimal_unload));
    mdlSystem_setFunction(SYSTEM_NEW_DESIGN_FILE, reinterpret_cast<void*>(minimal_newDesignFile));
    mdlSystem_setMdlAppVersionNumber(mdlSystem_getCurrMdlDesc(), 0x00010203);
    if (mdlResource_openFile(&ownResources, nullptr, 0) == RSC_SUCCESS) {
        char text[1024];
        if (mdlOutput_rscsPrintf(text, ownResources, MSGLIST_MINIMAL, MSG_FROM_RESOURCES, MSG_FROM_RESOURCES,
                                 MSGLIST_MINIMAL) == RSC_SUCCESS)
            toolSubsystem_printf("%s\n", text);
        mdlOutput_rscPrintf(MSG_STATUS, ownResources, MSGLIST_MINIMAL, MSG_READY);
    } else {
        toolSubsystem_printf("minimal: my resource file cannot be opened\n");
    }

    minimal.record = MinimalRecord{};
    std::strcpy(minimal.record.greeting, "hello");
    minimal.record.scale = 1.0;
    minimal.recordP = &minimal.record;
    mdlSystem_registerCommandNumbers(commandNumbers);
    if (!mdlParse_loadCommandTable(0)) toolSubsystem_printf("minimal: no command table\n");
    SymbolSet* set = mdlCExpression_initializeSet(4, 0, 0);
    mdlDialog_publishComplexPtr(set, "minimalRecord", "mini", &minimal.recordP);
    mdlDialog_hookPublish(sizeof dialogHooks / sizeof dialogHooks[0], dialogHooks);
    if (MenuBar* bar = mdlDialog_menuBarGetCmdWinP())
        minimal.menu = mdlDialog_menuBarInsMenu(bar, RTYPE_PULLDOWN, MENUID_MINIMAL,
                                                mdlDialog_menuBarFindMenu(bar, RTYPE_PULLDOWN, -522));
    return 0;
}
