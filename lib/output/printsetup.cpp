/* The print set-up: the shared 840-byte record with its defaults, kept in the
** host's user preference file as 'PtSe' (read from the older 'PrSD' too), the
** preview's stored dialog size 'FoDa', and the printer set-up dialog 20006.
** State: the printer list of the open set-up dialog. */
#include "lib/output/printsetup.h"

#include <cstring>
#include <iterator>
#include <string>

#include "host/mdldialog.h"
#include "host/mdlplot.h"
#include "host/mdlresource.h"
#include "host/mdlsystem.h"
#include "lib/core/error.h"
#include "lib/core/main_int.h"
#include "lib/core/text_int.h"
#include "lib/core/upf.h"
#include "lib/core/util.h"
#include "lib/elements/support_int.h"
#include "lib/output/print.h"
#include "lib/output/printsetup_int.h"
#include "lib/platform/win32.h"

namespace {

using zmlib::elements::get4sle;
using zmlib::elements::get8le;
using zmlib::elements::put4le;
using zmlib::elements::put8le;

enum : int {
    DIALOG_SETUP = 20006,
    HOOK_SETUP_DIALOG = 20310,
    HOOK_SETUP_PAPER = 20311,
    HOOK_SETUP_OUTPUT = 20312,
    HOOK_SETUP_PLOT_DRIVER = 20313,
    HOOK_SETUP_SYSTEM_PRINTER = 20314,
    HOOK_SETUP_PRINTERS = 20315,
    ITEM_WIDTH = 2,
    ITEM_HEIGHT = 3,
    FILE_ITEMS_FIRST = 20,          /* printer, print file, file only, Windows printers */
    FILE_ITEMS_LAST = 29,
    SYSTEM_ITEMS_FIRST = 30,        /* plot driver file, system printer and paper */
    SYSTEM_ITEMS_LAST = 39,
    ITEM_PRINTERS = 23,
    MSG_CANNOT_OPEN_PREFS = 13,     /* list 20005 */
    MSG_NO_USERPREF_FOLDER = 21,
    TEXT_PLOT_DRIVER_TITLE = 51,    /* language texts */
    PLOT_DRIVER_DIALOG_ID = -20006,
    DEFAULT_PAPER_CODE = 9,
};
const char* const DEFAULT_PRINTER = "\\\\printserver\\drafting";
const char* const DEFAULT_PLOT_DRIVER = "default.plt";

/*  Stored print set-up, 840 bytes, little-endian ('PrSD' is the first 584):
**   OFFSET SIZE  FIELD
**      0     4   paperCode
**      4     4   (zero)
**      8     8   paperWidth
**     16     8   paperHeight
**     24     8   marginLeft
**     32     8   marginRight
**     40     8   marginTop
**     48     8   marginBottom
**     56     4   orientation
**     60     4   outputKind
**     64     4   copies
**     68   255   printer
**    323   257   printFile
**    580     4   printToFileOnly
**    584   256   plotDriver                                          */
enum : uint32_t {
    AT_PAPER_CODE = 0, AT_WIDTH = 8, AT_HEIGHT = 16, AT_LEFT = 24, AT_RIGHT = 32, AT_TOP = 40, AT_BOTTOM = 48,
    AT_ORIENTATION = 56, AT_OUTPUT = 60, AT_COPIES = 64, AT_PRINTER = 68, AT_PRINT_FILE = 323,
    AT_FILE_ONLY = 580, AT_PLOT_DRIVER = 584,
};

struct SetupDialogState {
    StringList* printers; /* name, network path: pairs of the Windows printers */
};
SetupDialogState dialogState{};

/* Copy a stored text slot of WIDTH bytes into DEST, ended inside the slot. */
void readText(char* dest, const uint8_t* slot, size_t width) {
    std::memcpy(dest, slot, width);
    dest[width - 1] = '\0';
}

void writeText(uint8_t* slot, size_t width, const char* text) {
    zmlib::copyFixed(reinterpret_cast<char*>(slot), width, text);
}

/* The host's user preference file opened in MODE; 0 (after telling the user) when it cannot be. */
RscFileHandle openPrefs(int mode, bool tell) {
    RscFileHandle file = 0;
    if (zmlibUtil_openUserPrefFile(&file, mode) == 0 && file) return file;
    if (!tell) return 0;
    char folder[MAXFILELENGTH] = "";
    if (mdlSystem_getCfgVar(folder, "MS_USERPREF", sizeof folder) != 0) {
        zmlibError_rscMsgBoxPrintf(ZMLIB_MSGBOX_INFO_OK, ZMLIB_LIST_ERRORS, MSG_NO_USERPREF_FOLDER);
    } else {
        char expanded[MAXFILELENGTH] = "";
        mdlSystem_getExpandedCfgVar(expanded, "MS_USERPREF", sizeof expanded);
        zmlibError_rscMsgBoxPrintf(ZMLIB_MSGBOX_INFO_OK, ZMLIB_LIST_ERRORS, MSG_CANNOT_OPEN_PREFS, expanded);
    }
    return 0;
}

/* Overwrite resource TYPE, ID of FILE with DATA, or add it when absent. */
int storeResource(RscFileHandle file, uint32_t type, int32_t id, const void* data, uint32_t size) {
    if (void* stored = mdlResource_load(file, type, id)) {
        int status = mdlResource_resize(&stored, size);
        if (status == RSC_SUCCESS) {
            std::memcpy(stored, data, size);
            status = mdlResource_write(stored);
        }
        mdlResource_free(stored);
        return status;
    }
    return mdlResource_add(file, type, id, data, size, nullptr);
}

/* ---- Hooks of dialog 20006 ---------------------------------------------------- */

DialogItem* itemById(DialogBox* db, uint32_t type, int32_t id) { return mdlDialog_itemGetByTypeAndId(db, type, id, 0); }

/* Size fields take a free size only; the groups follow the output kind. */
void applyItemStates(DialogBox* db) {
    const ZmPrinterSetup* r = zmlib::printsetup::record();
    if (!r) return;
    bool freeSize = r->paperCode == 0;
    for (int32_t id : {int32_t(ITEM_WIDTH), int32_t(ITEM_HEIGHT)})
        if (DialogItem* it = itemById(db, ITEMTYPE_TEXT, id)) mdlDialog_itemSetEnabledState(db, it->itemIndex, freeSize, 1);
    bool systemPrinter = r->outputKind == ZMLIB_OUTPUT_SYSTEM_PRINTER;
    bool fileItems = !systemPrinter && r->outputKind != ZMLIB_PRINT_TEXT;
    for (int i = 0, n = mdlDialog_itemCount(db); i < n; ++i) {
        DialogItem* it = mdlDialog_itemGetByIndex(db, i);
        if (!it) continue;
        bool show = true;
        if (it->id >= FILE_ITEMS_FIRST && it->id <= FILE_ITEMS_LAST) show = fileItems;
        else if (it->id >= SYSTEM_ITEMS_FIRST && it->id <= SYSTEM_ITEMS_LAST) show = systemPrinter;
        else continue;
        if (show) mdlDialog_itemShow(db, i);
        else mdlDialog_itemHide(db, i);
    }
}

void setupHook_dialog(DialogMessage* m) {
    m->msgUnderstood = 1;
    switch (m->messageType) {
    case DIALOG_MESSAGE_CREATE:
        // Changes that were not confirmed with OK are dropped; without a
        // preference file they are all there is, and stay.
        zmlib::printsetup::load(false);
        break;
    case DIALOG_MESSAGE_INIT: applyItemStates(m->db); break;
    case DIALOG_MESSAGE_DESTROY:
        if (dialogState.printers) mdlStringList_destroy(dialogState.printers);
        dialogState = SetupDialogState{};
        break;
    default: m->msgUnderstood = 0;
    }
}

void setupHook_paper(DialogItemMessage* m) {
    m->msgUnderstood = 1;
    if (m->messageType != DITEM_MESSAGE_STATECHANGED) {
        m->msgUnderstood = 0;
        return;
    }
    ZmPrinterSetup* r = zmlib::printsetup::record();
    if (!r) return;
    if (r->paperCode != 0) zmlibPrint_getPageSize(&r->paperWidth, &r->paperHeight, r->paperCode);
    mdlDialog_itemsSynch(m->db);
    applyItemStates(m->db);
}

void setupHook_output(DialogItemMessage* m) {
    m->msgUnderstood = m->messageType == DITEM_MESSAGE_STATECHANGED;
    if (m->msgUnderstood) applyItemStates(m->db);
}

/* Run ACTION on the record when a push button is released; other messages are not ours. */
template <void (*Action)(DialogBox*, ZmPrinterSetup*)>
void setupHook_button(DialogItemMessage* m) {
    if (m->messageType != DITEM_MESSAGE_BUTTON) {
        m->msgUnderstood = 0;
        return;
    }
    m->msgUnderstood = 1;
    ZmPrinterSetup* r = zmlib::printsetup::record();
    if (m->u.button.transition == BUTTONTRANS_UP && r) Action(m->db, r);
}

void pickPlotDriver(DialogBox* db, ZmPrinterSetup* r) {
    char chosen[MAXFILELENGTH] = "";
    char title[256];
    zmlib::copyFixed(title, zmlibUtil_getLanguageText(TEXT_PLOT_DRIVER_TITLE));
    if (zmlibUpf_defFileOpen(chosen, r->plotDriver, "*.plt", "MS_PLTR", title, PLOT_DRIVER_DIALOG_ID) != 0) return;
    zmlib::copyFixed(r->plotDriver, chosen);
    mdlDialog_itemsSynch(db);
}

void pickSystemPrinter(DialogBox* db, ZmPrinterSetup* r) {
    char printer[sizeof r->printer] = "", paper[sizeof r->printFile] = "";
    if (mdlPlotter_showSystemPrintdlg(printer, sizeof printer, paper, sizeof paper) != 0) return;
    zmlib::copyFixed(r->printer, printer);
    zmlib::copyFixed(r->printFile, paper);
    mdlDialog_itemsSynch(db);
}

/* The pair of LIST at member INDEX (the name; INDEX + 1 is the path). */
const char* member(StringList* list, int index) {
    const char* text = nullptr;
    return mdlStringList_getMember(&text, nullptr, list, index) == 0 && text ? text : "";
}

void setupHook_printers(DialogItemMessage* m) {
    m->msgUnderstood = 1;
    ZmPrinterSetup* r = zmlib::printsetup::record();
    switch (m->messageType) {
    case DITEM_MESSAGE_CREATE: {
        if (dialogState.printers) mdlStringList_destroy(dialogState.printers);
        dialogState.printers = zmlibWin32_findWindowsPrinterNames();
        StringList* list = dialogState.printers;
        int pairs = list ? mdlStringList_size(list) / 2 : 0;
        ListModel* model = mdlListModel_create(1);
        int exact = -1, marked = -1;
        for (int i = 0; i < pairs; ++i) {
            ListRow* row = mdlListModel_insertRow(model, -1);
            mdlListCell_setStringValue(mdlListRow_getCellAtIndex(row, 0), member(list, 2 * i));
            if (r && exact < 0 && std::strcmp(member(list, 2 * i + 1), r->printer) == 0) exact = i;
            int32_t isDefault = 0;
            if (marked < 0 && mdlStringList_getInfoField(&isDefault, list, 2 * i + 1, 1) == 0 && isDefault) marked = i;
        }
        mdlDialog_comboBoxSetListModelP(m->dialogItemP, model);
        int chosen = exact >= 0 ? exact : marked;
        if (chosen >= 0) mdlDialog_itemSetText(m->db, m->itemIndex, member(list, 2 * chosen));
        break;
    }
    case DITEM_MESSAGE_STATECHANGED: {
        char name[256] = "";
        mdlDialog_itemGetText(name, sizeof name, m->db, m->itemIndex);
        StringList* list = dialogState.printers;
        for (int i = 0, pairs = list ? mdlStringList_size(list) / 2 : 0; r && i < pairs; ++i) {
            if (std::strcmp(member(list, 2 * i), name) != 0) continue;
            zmlib::copyFixed(r->printer, member(list, 2 * i + 1));
            mdlDialog_itemsSynch(m->db);
            break;
        }
        break;
    }
    case DITEM_MESSAGE_DESTROY:
        if (ListModel* model = mdlDialog_comboBoxGetListModelP(m->dialogItemP)) {
            mdlDialog_comboBoxSetListModelP(m->dialogItemP, nullptr);
            mdlListModel_destroy(model);
        }
        break;
    default: m->msgUnderstood = 0;
    }
}

const DialogHookInfo setupHooks[] = {
    {HOOK_SETUP_DIALOG,         reinterpret_cast<void*>(setupHook_dialog)},
    {HOOK_SETUP_PAPER,          reinterpret_cast<void*>(setupHook_paper)},
    {HOOK_SETUP_OUTPUT,         reinterpret_cast<void*>(setupHook_output)},
    {HOOK_SETUP_PLOT_DRIVER,    reinterpret_cast<void*>(setupHook_button<pickPlotDriver>)},
    {HOOK_SETUP_SYSTEM_PRINTER, reinterpret_cast<void*>(setupHook_button<pickSystemPrinter>)},
    {HOOK_SETUP_PRINTERS,       reinterpret_cast<void*>(setupHook_printers)},
};

}  // namespace

namespace zmlib::printsetup {

ZmPrinterSetup* record() { return static_cast<ZmPrinterSetup*>(zmlib::main::sharedRecords().printSetup); }

void pack(const ZmPrinterSetup& r, uint8_t* out) {
    std::memset(out, 0, STORED_SIZE);
    put4le(out + AT_PAPER_CODE, static_cast<uint32_t>(r.paperCode));
    put8le(out + AT_WIDTH, r.paperWidth);
    put8le(out + AT_HEIGHT, r.paperHeight);
    put8le(out + AT_LEFT, r.marginLeft);
    put8le(out + AT_RIGHT, r.marginRight);
    put8le(out + AT_TOP, r.marginTop);
    put8le(out + AT_BOTTOM, r.marginBottom);
    put4le(out + AT_ORIENTATION, static_cast<uint32_t>(r.orientation));
    put4le(out + AT_OUTPUT, static_cast<uint32_t>(r.outputKind));
    put4le(out + AT_COPIES, static_cast<uint32_t>(r.copies));
    writeText(out + AT_PRINTER, sizeof r.printer, r.printer);
    writeText(out + AT_PRINT_FILE, sizeof r.printFile, r.printFile);
    put4le(out + AT_FILE_ONLY, static_cast<uint32_t>(r.printToFileOnly));
    writeText(out + AT_PLOT_DRIVER, sizeof r.plotDriver, r.plotDriver);
}

void unpack(const uint8_t* in, uint32_t size, ZmPrinterSetup& r) {
    if (size < OLD_STORED_SIZE) return;
    r.paperCode = get4sle(in + AT_PAPER_CODE);
    r.unused0 = 0;
    r.paperWidth = get8le(in + AT_WIDTH);
    r.paperHeight = get8le(in + AT_HEIGHT);
    r.marginLeft = get8le(in + AT_LEFT);
    r.marginRight = get8le(in + AT_RIGHT);
    r.marginTop = get8le(in + AT_TOP);
    r.marginBottom = get8le(in + AT_BOTTOM);
    r.orientation = get4sle(in + AT_ORIENTATION);
    r.outputKind = get4sle(in + AT_OUTPUT);
    r.copies = get4sle(in + AT_COPIES);
    readText(r.printer, in + AT_PRINTER, sizeof r.printer);
    readText(r.printFile, in + AT_PRINT_FILE, sizeof r.printFile);
    r.printToFileOnly = get4sle(in + AT_FILE_ONLY);
    if (size >= STORED_SIZE) readText(r.plotDriver, in + AT_PLOT_DRIVER, sizeof r.plotDriver);
}

void findDefaultPlotDriver(char* out, size_t size) {
    char found[MAXFILELENGTH] = "";
    if (mdlFile_find(found, DEFAULT_PLOT_DRIVER, "MS_PLTR", nullptr) != 0) found[0] = '\0';
    zmlib::copyFixed(out, size, found);
}

void setDefaults(ZmPrinterSetup& r) {
    r = ZmPrinterSetup{};
    r.paperCode = DEFAULT_PAPER_CODE;
    zmlibPrint_getPageSize(&r.paperWidth, &r.paperHeight, r.paperCode);
    r.marginLeft = 20;
    r.marginRight = 10;
    r.marginTop = 10;
    r.marginBottom = 10;
    r.orientation = ZMLIB_ORIENT_AUTO;
    r.outputKind = ZMLIB_PRINT_POSTSCRIPT;
    r.copies = 1;
    zmlib::copyFixed(r.printer, DEFAULT_PRINTER);
    std::string file = "c:\\temp\\";
    if (mdlFile_getFileAttributes("c:\\temp", nullptr, nullptr, nullptr) != 0) {
        char tmp[MAXFILELENGTH] = "";
        file = mdlSystem_getExpandedCfgVar(tmp, "MS_TMP", sizeof tmp) == 0 ? tmp : "";
    }
    file += "zm.ps";
    zmlib::copyFixed(r.printFile, file.c_str());
    findDefaultPlotDriver(r.plotDriver, sizeof r.plotDriver);
}

void load(bool defaultsWithoutFile) {
    ZmPrinterSetup* r = record();
    if (!r) return;
    // At start-up a missing preference folder is no news to the user: the defaults serve.
    RscFileHandle file = openPrefs(0, false);
    if (!file && !defaultsWithoutFile) return;
    uint32_t size = 0;
    if (file && mdlResource_querySize(&size, file, RTYPE_SETUP, RSCID_SETUP) == 0 && size == STORED_SIZE) {
        if (void* stored = mdlResource_load(file, RTYPE_SETUP, RSCID_SETUP)) {
            unpack(static_cast<const uint8_t*>(stored), size, *r);
            mdlResource_free(stored);
            mdlResource_closeFile(file);
            return;
        }
    }
    if (file && mdlResource_querySize(&size, file, RTYPE_OLD_SETUP, RSCID_OLD_SETUP) == 0 && size == OLD_STORED_SIZE) {
        if (void* stored = mdlResource_load(file, RTYPE_OLD_SETUP, RSCID_OLD_SETUP)) {
            unpack(static_cast<const uint8_t*>(stored), size, *r);
            findDefaultPlotDriver(r->plotDriver, sizeof r->plotDriver);
            mdlResource_free(stored);
            mdlResource_closeFile(file);
            return;
        }
    }
    setDefaults(*r);
    if (file) mdlResource_closeFile(file);
}

int save() {
    ZmPrinterSetup* r = record();
    if (!r) return ZMLIB_ERROR;
    RscFileHandle file = openPrefs(1, true);
    if (!file) return ZMLIB_ERROR;
    uint8_t bytes[STORED_SIZE];
    pack(*r, bytes);
    int status = storeResource(file, RTYPE_SETUP, RSCID_SETUP, bytes, STORED_SIZE);
    mdlResource_closeFile(file);
    if (status != RSC_SUCCESS) {
        toolSubsystem_printf("zmlibPrintSet: the print set-up was not stored (%d).\n", status);
        return ZMLIB_ERROR;
    }
    return ZMLIB_SUCCESS;
}

void loadDialogSize(int* width, int* height) {
    *width = DEFAULT_DIALOG_WIDTH;
    *height = DEFAULT_DIALOG_HEIGHT;
    RscFileHandle file = openPrefs(0, false);
    if (!file) return;
    uint32_t size = 0;
    if (mdlResource_querySize(&size, file, RTYPE_DIALOG_SIZE, RSCID_DIALOG_SIZE) == 0 && size == DIALOG_SIZE_BYTES) {
        if (void* stored = mdlResource_load(file, RTYPE_DIALOG_SIZE, RSCID_DIALOG_SIZE)) {
            const auto* p = static_cast<const uint8_t*>(stored);
            int w = get4sle(p), h = get4sle(p + 4);
            // A size no window can have is not applied.
            if (w > 0 && h > 0) {
                *width = w;
                *height = h;
            }
            mdlResource_free(stored);
        }
    }
    mdlResource_closeFile(file);
}

void saveDialogSize(int width, int height) {
    RscFileHandle file = openPrefs(1, false);
    if (!file) return;
    uint8_t bytes[DIALOG_SIZE_BYTES];
    put4le(bytes, static_cast<uint32_t>(width));
    put4le(bytes + 4, static_cast<uint32_t>(height));
    storeResource(file, RTYPE_DIALOG_SIZE, RSCID_DIALOG_SIZE, bytes, DIALOG_SIZE_BYTES);
    mdlResource_closeFile(file);
}

void startUp() {
    mdlDialog_hookPublish(static_cast<int>(std::size(setupHooks)), setupHooks);
    load(true);
}

}  // namespace zmlib::printsetup

extern "C" ZMLIB_API int zmlibPrintSet_dialogOpen(void) {
    int answer = ACTIONBUTTON_CANCEL;
    if (mdlDialog_openModal(&answer, RscFileHandle{}, DIALOG_SETUP) != 0) return ACTIONBUTTON_CANCEL;
    if (answer == ACTIONBUTTON_OK) zmlib::printsetup::save();
    return answer;
}
