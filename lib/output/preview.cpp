/* The print preview: dialog 20005 shows the page an application's page
** function draws, fitted to the paper of the print set-up; its print run
** prints the range of pages through the print layer. The page list, the page
** on show and the preview state live in the opener's global data record;
** the page frames being placed are this file's state.
**
** [SECTION] Page list and drawing
** [SECTION] Page frames and the host's plotting
** [SECTION] The spreadsheet export
** [SECTION] The page information dialog 20024
** [SECTION] Hooks of dialog 20005
** [SECTION] The print run and the exports */
#include "lib/output/preview.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <iterator>
#include <numbers>
#include <string>
#include <vector>

#include "host/mdldialog.h"
#include "host/mdlelement.h"
#include "host/mdlcommand.h"
#include "host/mdlgeom.h"
#include "host/mdllevel.h"
#include "host/mdlplot.h"
#include "host/mdlstate.h"
#include "host/mdlsystem.h"
#include "lib/core/error.h"
#include "lib/core/mem.h"
#include "lib/core/text_int.h"
#include "lib/core/upf.h"
#include "lib/core/util.h"
#include "lib/document/project.h"
#include "lib/document/matlist.h"
#include "lib/document/project_int.h"
#include "lib/elements/element.h"
#include "lib/output/preview_int.h"
#include "lib/output/print.h"
#include "lib/output/printsetup_int.h"
#include "lib/platform/external.h"
#include "lib/platform/win32.h"

namespace {

enum : int32_t {
    DIALOG_PREVIEW = 20005,
    DIALOG_CONFIRM = 20007,
    DIALOG_FRAMES = 20012,
    DIALOG_EXPORT = 20023,
    DIALOG_PAGE_INFO = 20024,
    HOOK_DIALOG = 20300,
    HOOK_AREA = 20301,
    HOOK_PAGE = 20302,
    HOOK_PRINT = 20303,
    HOOK_REFRESH = 20304,
    HOOK_SETUP = 20305,
    HOOK_FRAMES = 20306,
    HOOK_EXPORT = 20307,
    HOOK_PAGE_INFO = 20308,
    HOOK_INFO_DIALOG = 20320,
    HOOK_INFO_WRITE = 20321,
    HOOK_INFO_DELETE = 20322,
    HOOK_INFO_DELETE_ALL = 20323,
    HOOK_INFO_PURGE = 20324,
    HOOK_INFO_PROJECT = 20325,
    ITEM_AREA = 1,
    ITEM_PAGE = 2,
    MSG_CLEAR = 0,                 /* list 20003 */
    MSG_PRINTING_PAGE = 1,
    MSG_SENDING = 2,
    MSG_DELETE_ALL_PAGES = 9,
    MSG_PLACE_FRAMES = 14,
    MSG_CANNOT_OPEN_FILE = 1,      /* list 20005 */
    MSG_NO_TEMPLATE = 22,
    MSG_NO_SPREADSHEET = 23,
    MSG_SPREADSHEET_NOT_STARTED = 24,
    MSG_SPREADSHEET_SILENT = 25,
    MSG_NO_EXTERNAL_PROGRAMS = 26,
    BOX_PLACE_FRAMES = ZMLIB_MSGBOX_WARNING | ZMLIB_MSGBOX_CONTINUE,                  /* 68 */
    BOX_DELETE_ALL = ZMLIB_MSGBOX_QUESTION | ZMLIB_MSGBOX_OK | ZMLIB_MSGBOX_CANCEL,   /* 152 */
    TEXT_TITLE = 32,               /* language texts */
    TEXT_TEXT_FILE_TITLE = 34,
    TEXT_FRAME_PROMPT = 35,
    TEXT_EXPORT_TITLE = 36,
    TEXT_FILE_DIALOG_ID = -20003,
    EXPORT_FILE_DIALOG_ID = -20004,
    PLOT_UNITS = 4,
    CONNECT_TRIES = 10,            /* the spreadsheet program, after its start */
    CONNECT_PAUSE_TICKS = 120,
    AREA_LEFT = 10,                /* the preview area's place in the dialog, pixels */
    AREA_TOP = 40,
    AREA_BOTTOM_ROOM = 45,         /* the button row beneath it */
    PAPER_GAP = 6,                 /* between the area's edge and the paper */
};

ZmGlobalData* caller() { return zmlibMain_getGlobalDataP(); }

/* A page placed in its frame: where it lies and what was added. */
struct FrameRecord {
    Dpoint3d low, high;   /* the frame's corners, world coordinates */
    char pageName[256];
    uint32_t filePos;     /* the page added in the design file; 0 when none */
    int32_t pageIndex;
};

/* Page frames being placed: plot mode keeps the records and the plot description. */
struct FrameState {
    bool plotMode;
    PlotDesc* plot;
    std::vector<FrameRecord> records;
};
FrameState frames{};

/* ---- Page list and drawing ------------------------------------------------------- */

bool hasPage(const ZmGlobalData* gd, int index) { return index >= 0 && index < gd->previewPageCount; }

const char* pageName(const ZmGlobalData* gd, int index) {
    return hasPage(gd, index) && gd->previewPageNames[index] ? gd->previewPageNames[index] : "";
}

void freeNames(ZmGlobalData* gd) {
    if (gd->previewPageNames)
        for (char** p = gd->previewPageNames; *p; ++p) dlmSystem_mdlFree(*p);
    dlmSystem_mdlFree(gd->previewPageNames);
    gd->previewPageNames = nullptr;
    gd->previewPageCount = 0;
}

/* Replace the page list by copies of the first COUNT of NAMES (fewer when
** NAMES ends early with a null entry). False when memory ran out. */
bool copyNames(ZmGlobalData* gd, int count, char* const* names) {
    freeNames(gd);
    int n = 0;
    while (names && n < count && names[n]) ++n;
    auto* list = static_cast<char**>(zmlibMem_mallocRscErrorPrintf(static_cast<unsigned>((n + 1) * sizeof(char*)),
                                                                  ZMLIB_LIST_ERRORS, ZMLIB_MSG_OUT_OF_MEMORY));
    if (!list) return false;
    for (int i = 0; i < n; ++i) {
        size_t size = std::strlen(names[i]) + 1;
        list[i] = static_cast<char*>(
            zmlibMem_mallocRscErrorPrintf(static_cast<unsigned>(size), ZMLIB_LIST_ERRORS, ZMLIB_MSG_OUT_OF_MEMORY));
        if (!list[i]) {
            n = i;
            break;
        }
        std::memcpy(list[i], names[i], size);
    }
    list[n] = nullptr;
    gd->previewPageNames = list;
    gd->previewPageCount = n;
    return true;
}

/* Page INDEX from the application's page function; null when it gave none. */
MSElementDescr* fetchPage(ZmGlobalData* gd, int index, int flag) {
    MSElementDescr* descr = nullptr;
    if (!gd->previewPageFunction || !hasPage(gd, index)) return nullptr;
    dlmSystem_callAnyFunction("IPPI", mdlSystem_getCurrMdlDesc(), reinterpret_cast<void*>(gd->previewPageFunction),
                              index, gd->previewPageNames[index], &descr, flag);
    return descr;
}

void freeShown(ZmGlobalData* gd) {
    if (gd->previewDescr) mdlElmdscr_freeAll(&gd->previewDescr);
    gd->previewDescr = nullptr;
}

DialogItem* itemById(DialogBox* db, uint32_t type, int32_t id) { return mdlDialog_itemGetByTypeAndId(db, type, id, 0); }

void setTitle(DialogBox* db, const ZmGlobalData* gd) {
    std::string title = zmlibUtil_getLanguageText(TEXT_TITLE);
    title += " - ";
    title += gd->applicationName;
    mdlWindow_titleSet(db, title.c_str());
}

void redrawArea(DialogBox* db) {
    if (DialogItem* area = itemById(db, ITEMTYPE_GENERIC, ITEM_AREA)) mdlDialog_itemDraw(db, area->itemIndex);
}

void fillPageButton(DialogBox* db, const ZmGlobalData* gd) {
    DialogItem* button = itemById(db, ITEMTYPE_OPTIONBUTTON, ITEM_PAGE);
    if (!button) return;
    mdlDialog_optionButtonDeleteItem(button, -1);
    for (int i = 0; i < gd->previewPageCount; ++i) mdlDialog_optionButtonInsertItem(button, -1, pageName(gd, i), 0, 0, i);
    mdlDialog_itemSynch(db, button->itemIndex);
}

/* The preview area fills the dialog above the button row. */
void layOut(DialogBox* db) {
    DialogItem* area = itemById(db, ITEMTYPE_GENERIC, ITEM_AREA);
    DialogRect extent{};
    if (!area || mdlWindow_extentGet(&extent, db) != 0) return;
    int width = extent.right - extent.left, height = extent.bottom - extent.top;
    DialogRect rect{AREA_LEFT, AREA_TOP, std::max(width - AREA_LEFT, AREA_LEFT + 1),
                    std::max(height - AREA_BOTTOM_ROOM, AREA_TOP + 1)};
    mdlDialog_itemSetExtent(db, area->itemIndex, &rect, 0);
}

/* Paper and printable area in the preview area RECT, turned when the page is. */
void drawPaper(DialogBox* db, const DialogRect& rect, const ZmGlobalData* gd) {
    mdlWindow_rectFill(db, &rect, mdlWindow_fixedColorIndexGet(db, 0));
    int ink = mdlWindow_fixedColorIndexGet(db, 7);
    mdlWindow_lineStyleSet(db, 0, 0, ink);
    const ZmPrinterSetup* s = zmlib::printsetup::record();
    if (!s || !(s->paperWidth > 0) || !(s->paperHeight > 0)) return;
    bool turned = zmlib::preview::decideOrientation(*s, gd->previewDescr) == ZMLIB_ORIENT_TURN;
    double w = s->paperWidth, h = s->paperHeight;
    /* The drawing turned onto the paper shows as the paper turned clockwise under it. */
    double left = s->marginLeft, right = s->marginRight, top = s->marginTop, bottom = s->marginBottom;
    if (turned) {
        std::swap(w, h);
        left = s->marginBottom;
        top = s->marginLeft;
        right = s->marginTop;
        bottom = s->marginRight;
    }
    double room = std::min((rect.right - rect.left - 2.0 * int(PAPER_GAP)) / w, (rect.bottom - rect.top - 2.0 * int(PAPER_GAP)) / h);
    if (!(room > 0)) return;
    int pw = static_cast<int>(w * room), ph = static_cast<int>(h * room);
    int x0 = (rect.left + rect.right - pw) / 2, y0 = (rect.top + rect.bottom - ph) / 2;
    mdlWindow_lineDraw(db, x0, y0, x0 + pw, y0);
    mdlWindow_lineDraw(db, x0 + pw, y0, x0 + pw, y0 + ph);
    mdlWindow_lineDraw(db, x0 + pw, y0 + ph, x0, y0 + ph);
    mdlWindow_lineDraw(db, x0, y0 + ph, x0, y0);
    DialogRect inner{x0 + static_cast<int>(left * room), y0 + static_cast<int>(top * room),
                     x0 + pw - static_cast<int>(right * room), y0 + ph - static_cast<int>(bottom * room)};
    if (gd->previewDescr && inner.right > inner.left && inner.bottom > inner.top)
        zmlibElemDscr_drawElementDescr(db, &inner, gd->previewDescr, nullptr, 0);
}

void say(int number, const char* text = nullptr) {
    if (text) mdlOutput_rscPrintf(MSG_STATUS, 0, ZMLIB_LIST_QUESTIONS, number, text);
    else mdlOutput_rscPrintf(MSG_STATUS, 0, ZMLIB_LIST_QUESTIONS, number);
}

/* Print the pages of range mode 1 or 2 that lie in the list. */
void printRange(ZmGlobalData* gd) {
    const ZmPreviewState& p = gd->previewState;
    int first = 0, last = gd->previewPageCount - 1;
    if (p.rangeMode == 2) {
        first = std::max(first, p.rangeFirst);
        last = std::min(last, p.rangeLast);
    }
    if (first > last) {
        toolSubsystem_printf("zmlibPreview: no page lies in the range %d to %d of %d pages.\n", p.rangeFirst,
                             p.rangeLast, gd->previewPageCount);
        return;
    }
    for (int i = first; i <= last; ++i) {
        say(MSG_PRINTING_PAGE, pageName(gd, i));
        zmlib::copyFixed(gd->pageName, pageName(gd, i));
        if (gd->previewUserPrintFunction) {
            gd->previewUserPrintFunction(i);
            continue;
        }
        MSElementDescr* page = fetchPage(gd, i, 0);
        if (i > first) zmlibPrint_newPage();
        if (page) {
            zmlib::preview::printPage(page, false);
            mdlElmdscr_freeAll(&page);
        }
    }
}

/* ---- Page frames and the host's plotting ------------------------------------------ */

/* The pages of the range mode, clamped to the list. */
std::vector<int> rangePages(const ZmGlobalData* gd) {
    std::vector<int> out;
    const ZmPreviewState& p = gd->previewState;
    if (p.rangeMode == 0) {
        if (hasPage(gd, p.selectedPage)) out.push_back(p.selectedPage);
        return out;
    }
    int first = 0, last = gd->previewPageCount - 1;
    if (p.rangeMode == 2) {
        first = std::max(first, p.rangeFirst);
        last = std::min(last, p.rangeLast);
    }
    for (int i = first; i <= last; ++i) out.push_back(i);
    return out;
}

double uor(double master) { return *zmlibUtil_masterToUORP(master); }

/* Frame size in units of resolution: the paper, turned with orientation mode 0. */
void frameSize(const ZmPrinterSetup& s, double* w, double* h) {
    *w = uor(s.paperWidth);
    *h = uor(s.paperHeight);
    if (s.orientation == ZMLIB_ORIENT_TURN) std::swap(*w, *h);
}

/* The top-left corner of frame K, local to the frame layout. */
Dpoint3d frameOrigin(const ZmGlobalData* gd, int k, double w, double h) {
    int perRow = std::max(gd->previewState.pagesPerRow, 1);
    return {(k % perRow) * w, -(k / perRow) * h, 0};
}

void freeFrames() {
    if (frames.plot) mdlPlotDesc_destroy(&frames.plot);
    frames = FrameState{};
}

void framesDynamics(Dpoint3d* point, int view, int drawMode) {
    ZmGlobalData* gd = caller();
    const ZmPrinterSetup* s = zmlib::printsetup::record();
    if (!gd || !s) return;
    double w, h;
    frameSize(*s, &w, &h);
    mdlCurrTrans_begin();
    mdlCurrTrans_identity();
    mdlCurrTrans_translateOriginWorld(point);
    mdlCurrTrans_rotateByView(view);
    int count = static_cast<int>(rangePages(gd).size());
    for (int k = 0; k < count; ++k) {
        Dpoint3d o = frameOrigin(gd, k, w, h);
        Dpoint3d outline[5] = {o, {o.x + w, o.y, 0}, {o.x + w, o.y - h, 0}, {o.x, o.y - h, 0}, o};
        MSElement e;
        if (mdlLineString_create(&e, nullptr, outline, 5) == 0) mdlElement_display(&e, drawMode);
    }
    mdlCurrTrans_end();
}

/* Crosses of two lines, 4 master units long, at the four corners of a frame. */
void addCorners(const Dpoint3d& o, double w, double h) {
    double arm = uor(4) / 2;
    for (Dpoint3d c : {o, Dpoint3d{o.x + w, o.y, 0}, Dpoint3d{o.x + w, o.y - h, 0}, Dpoint3d{o.x, o.y - h, 0}}) {
        Dpoint3d across[2] = {{c.x - arm, c.y, 0}, {c.x + arm, c.y, 0}};
        Dpoint3d up[2] = {{c.x, c.y - arm, 0}, {c.x, c.y + arm, 0}};
        for (Dpoint3d* line : {across, up}) {
            MSElement e;
            if (mdlLine_create(&e, nullptr, line) != 0) continue;
            mdlElement_add(&e);
            mdlElement_display(&e, 0);
        }
    }
}

/* The inner area of the frame at O (local), less the margins, in world coordinates. */
void innerArea(const Dpoint3d& o, double w, double h, Dpoint3d* inner) {
    const ZmPrinterSetup* s = zmlib::printsetup::record();
    double left = uor(s->marginLeft), right = uor(s->marginRight), top = uor(s->marginTop), bottom = uor(s->marginBottom);
    inner[0] = {o.x + left, o.y - h + bottom, 0};
    inner[1] = {o.x + w - right, o.y - h + bottom, 0};
    inner[2] = {o.x + w - right, o.y - top, 0};
    inner[3] = {o.x + left, o.y - top, 0};
    mdlCurrTrans_transformPointArray(inner, inner, 4);
}

/* Place page INDEX fitted into INNER (world); its file position, 0 when none was added. */
uint32_t placePage(ZmGlobalData* gd, int index, Dpoint3d* inner, int flag) {
    zmlib::copyFixed(gd->pageName, pageName(gd, index));
    MSElementDescr* page = fetchPage(gd, index, flag);
    if (!page) return 0;
    zmlibElemDscr_placeElementDescr(inner, 1, page);
    uint32_t filePos = mdlElmdscr_validate(page, nullptr) == 0 ? mdlElmdscr_add(page) : 0;
    if (filePos) mdlElmdscr_display(page, nullptr, 0);
    else toolSubsystem_printf("zmlibPreview: page %s could not be placed in the design file.\n", pageName(gd, index));
    mdlElmdscr_freeAll(&page);
    return filePos;
}

/* The plot file of PAGE: MS_PLTFILES (else MS_TMP), the design file's name,
** "_", the page name and the plotter's extension ("000" when it has none). */
std::string builtPlotFile(const char* page) {
    char dir[MAXFILELENGTH] = "";
    if (mdlSystem_getExpandedCfgVar(dir, "MS_PLTFILES", sizeof dir) != 0 &&
        mdlSystem_getExpandedCfgVar(dir, "MS_TMP", sizeof dir) != 0)
        dir[0] = '\0';
    char design[MAXFILELENGTH] = "", name[MAXFILELENGTH] = "";
    mdlModelRef_getFileName(mdlModelRef_getActive(), design, sizeof design);
    mdlFile_parseName(design, nullptr, nullptr, name, nullptr);
    char extension[64] = "";
    if (mdlPlotDesc_getString(extension, sizeof extension, frames.plot, PLOTDESC_STRING_EXTENSION) != 0) extension[0] = '\0';
    const char* ext = extension[0] == '.' ? extension + 1 : extension;
    return std::string(dir) + name + "_" + page + "." + (*ext ? ext : "000");
}

void plotFrames() {
    const ZmPrinterSetup* s = zmlib::printsetup::record();
    for (const FrameRecord& r : frames.records) {
        if (!r.filePos) continue;
        Dpoint3d box[5] = {r.low, {r.high.x, r.low.y, 0}, r.high, {r.low.x, r.high.y, 0}, r.low};
        MSElement shape;
        if (mdlShape_create(&shape, nullptr, box, 5, 0) == 0 && mdlFence_fromShape(&shape) == 0 &&
            mdlPlotDesc_setFenceFromTCB(frames.plot) == 0) {
            mdlPlotDesc_setNumCopies(frames.plot, s->copies);
            mdlPlotDesc_maximize(frames.plot);
            int toPrinter = 0, toNamedFile = 0;
            char named[MAXFILELENGTH] = "";
            mdlPlotDesc_getInteger(&toPrinter, frames.plot, PLOTDESC_INT_TO_PRINTER);
            mdlPlotDesc_getInteger(&toNamedFile, frames.plot, PLOTDESC_INT_TO_NAMED_FILE);
            if (toNamedFile) mdlPlotDesc_getString(named, sizeof named, frames.plot, PLOTDESC_STRING_FILE);
            std::string file = toPrinter ? "" : toNamedFile && named[0] ? named : builtPlotFile(r.pageName);
            if (mdlPlotDesc_plot(frames.plot, toPrinter ? nullptr : file.c_str()) != 0)
                toolSubsystem_printf("zmlibPreview: page %s was not plotted.\n", r.pageName);
        }
        MSElementDescr* placed = nullptr;
        if (mdlElmdscr_read(&placed, r.filePos, nullptr, 0, nullptr) > 0) {
            mdlElmdscr_undoableDelete(placed, r.filePos, 1);
            mdlElmdscr_freeAll(&placed);
        }
    }
    mdlFence_clear(0);
}

void framesDataPoint(Dpoint3d* point, int view) {
    ZmGlobalData* gd = caller();
    const ZmPrinterSetup* s = zmlib::printsetup::record();
    if (!gd || !s) return;
    double w, h;
    frameSize(*s, &w, &h);
    std::vector<int> pages = rangePages(gd);
    gd->previewState.frameCount = static_cast<int>(pages.size());
    frames.records.assign(pages.size(), FrameRecord{});
    if (!frames.plotMode) mdlSystem_setGraphicGroup(mdlSystem_getNextGraphicGroup());
    mdlCurrTrans_begin();
    mdlCurrTrans_identity();
    mdlCurrTrans_translateOriginWorld(point);
    mdlCurrTrans_rotateByView(view);
    std::vector<std::array<Dpoint3d, 4>> inner(pages.size());
    for (size_t k = 0; k < pages.size(); ++k) {
        Dpoint3d o = frameOrigin(gd, static_cast<int>(k), w, h);
        FrameRecord& r = frames.records[k];
        r.pageIndex = pages[k];
        if (frames.plotMode) {
            Dpoint3d corners[2] = {{o.x, o.y - h, 0}, {o.x + w, o.y, 0}};
            mdlCurrTrans_transformPointArray(corners, corners, 2);
            r.low = corners[0];
            r.high = corners[1];
            zmlib::copyFixed(r.pageName, pageName(gd, pages[k]));
        } else {
            addCorners(o, w, h);
        }
        innerArea(o, w, h, inner[k].data());
    }
    mdlCurrTrans_end();
    if (!frames.plotMode) mdlSystem_setGraphicGroup(0);
    // The pages are made in world coordinates, outside the frame layout.
    for (size_t k = 0; k < pages.size(); ++k) {
        gd->previewState.frameIndex = static_cast<int>(k);
        frames.records[k].filePos = placePage(gd, pages[k], inner[k].data(), frames.plotMode ? 0 : 1);
    }
    if (frames.plotMode) plotFrames();
    freeFrames();
    mdlState_startDefaultCommand();
}

void framesReset() {
    freeFrames();
    mdlState_startDefaultCommand();
}

/* Start placing the pages' frames with the cursor; PLOT plots them after. */
void startFrames(bool plot, PlotDesc* desc) {
    freeFrames();
    frames.plotMode = plot;
    frames.plot = desc;
    if (plot) zmlibError_rscMsgBoxPrintf(BOX_PLACE_FRAMES, ZMLIB_LIST_QUESTIONS, MSG_PLACE_FRAMES);
    mdlState_startPrimitive(framesDataPoint, framesReset, 0, 0);
    mdlState_setFunction(STATEFUNC_DYNAMICS, reinterpret_cast<StateFunc>(framesDynamics));
    mdlOutput_rscPrintf(MSG_PROMPT, 0, ZMLIB_LIST_LANGUAGE, TEXT_FRAME_PROMPT);
}

/* The paper name of the plot driver by the set-up's paper code. */
const char* plotPaperName(int code) {
    switch (code) {
    case 1: return "A0";
    case 3: return "A1";
    case 5: return "A2";
    case 7: return "A3";
    case 11: return "A5";
    default: return "A4";
    }
}

/* Output kind 6: the pages plotted by the host once their frames are placed. */
int plotRun() {
    const ZmPrinterSetup* s = zmlib::printsetup::record();
    PlotDesc* plot = nullptr;
    if (mdlPlotDesc_createFromTCBAndPltFile(&plot, s->plotDriver) != 0 || !plot) {
        toolSubsystem_printf("zmlibPreview: no plot driver file \"%s\".\n", s->plotDriver);
        return ZMLIB_ERROR;
    }
    mdlPlotDesc_setPaperSize(plot, plotPaperName(s->paperCode));
    mdlPlotDesc_setUnits(plot, PLOT_UNITS);
    mdlPlotDesc_setViewFlags(plot, 0);
    int answer = ACTIONBUTTON_CANCEL;
    if (mdlDialog_openModal(&answer, RscFileHandle{}, DIALOG_CONFIRM) != 0 || answer != ACTIONBUTTON_OK) {
        mdlPlotDesc_destroy(&plot);
        return ZMLIB_ERROR;
    }
    startFrames(true, plot);
    return ZMLIB_SUCCESS;
}

/* ---- The spreadsheet export ---------------------------------------------------------- */

std::string expanded(const char* text) {
    char* e = mdlSystem_expandCfgVar(text);
    std::string out = e ? e : text;
    if (e) dlmSystem_mdlFree(e);
    return out;
}

/* Send FORMAT with each "%s" replaced by the next of ARGS, as one DDE command. */
void send(const char* format, std::initializer_list<const char*> args = {}) {
    std::string command;
    auto next = args.begin();
    for (const char* p = format; *p; ++p) {
        if (p[0] == '%' && p[1] == 's' && next != args.end()) {
            command += *next++;
            ++p;
        } else {
            command += *p;
        }
    }
    zmlibWin32_DdeSendMessage(command.c_str());
}

/* A DDE conversation with the spreadsheet program, started when none answers. */
bool connectSpreadsheet() {
    if (zmlibWin32_DdeInitialize("Excel", "system") == 0) return true;
    if (zmlibUtil_mdlExternalNotAvailable()) {
        zmlibError_rscMsgBoxPrintf(ZMLIB_MSGBOX_INFO_OK, ZMLIB_LIST_ERRORS, MSG_NO_EXTERNAL_PROGRAMS);
        return false;
    }
    std::string program = expanded("$(_HOST_SPREADSHEET)");
    if (program.empty() || program[0] == '$' || mdlFile_getFileAttributes(program.c_str(), nullptr, nullptr, nullptr) != 0) {
        zmlibError_rscMsgBoxPrintf(ZMLIB_MSGBOX_INFO_OK, ZMLIB_LIST_ERRORS, MSG_NO_SPREADSHEET, program.c_str());
        return false;
    }
    int wait = -1;
    if (zmlibExternal_executeProgram(program.c_str(), "/e", &wait) != ZMLIB_SUCCESS) {
        zmlibError_rscMsgBoxPrintf(ZMLIB_MSGBOX_INFO_OK, ZMLIB_LIST_ERRORS, MSG_SPREADSHEET_NOT_STARTED, program.c_str());
        return false;
    }
    for (int i = 0; i < CONNECT_TRIES; ++i) {
        mdlSystem_pauseTicks(CONNECT_PAUSE_TICKS);
        if (zmlibWin32_DdeInitialize("Excel", "system") == 0) return true;
    }
    zmlibError_rscMsgBoxPrintf(ZMLIB_MSGBOX_INFO_OK, ZMLIB_LIST_ERRORS, MSG_SPREADSHEET_SILENT);
    return false;
}

/* The pages of the range mode into a copy of the spreadsheet template, one
** sheet each, filled by the page function with the material list's export on. */
void exportPages(ZmGlobalData* gd) {
    const ZmPreviewState& p = gd->previewState;
    std::string templ = expanded(p.excelTemplate);
    if (templ.empty() || mdlFile_getFileAttributes(templ.c_str(), nullptr, nullptr, nullptr) != 0) {
        zmlibError_rscMsgBoxPrintf(ZMLIB_MSGBOX_INFO_OK, ZMLIB_LIST_ERRORS, MSG_NO_TEMPLATE, templ.c_str());
        return;
    }
    char target[MAXFILELENGTH] = "";
    char title[256];
    zmlib::copyFixed(title, zmlibUtil_getLanguageText(TEXT_EXPORT_TITLE));
    if (zmlibUpf_defFileCreate(target, "", "*.xls", "ZM_DIR", title, EXPORT_FILE_DIALOG_ID) != 0) return;
    if (mdlFile_copy(target, templ.c_str()) != 0) {
        zmlibError_rscMsgBoxPrintf(ZMLIB_MSGBOX_INFO_OK, ZMLIB_LIST_ERRORS, MSG_CANNOT_OPEN_FILE, target);
        return;
    }
    if (!connectSpreadsheet()) return;
    const char* sheet = p.excelSheet;
    send("[open(\"%s\")]", {target});
    send("[OPTIONS.GENERAL(2)]");
    send("[OPTIONS.VIEW(,,,,,,,,,,,,,,FALSE)]");
    std::string first;
    for (int index : rangePages(gd)) {
        if (!gd->previewPageFunction) break;
        const char* name = pageName(gd, index);
        say(MSG_PRINTING_PAGE, name);
        zmlib::copyFixed(gd->pageName, name);
        send("[WORKBOOK.COPY(\"%s\",\"%s\")]", {sheet, target});
        send("[WORKBOOK.ACTIVATE(\"%s (2)\")]", {sheet});
        send("[WORKBOOK.NAME(\"%s (2)\",\"%s\")]", {sheet, name});
        send("[SELECT(\"R100C1\")]");
        zmlibMatList_setExportToExcel(1);
        MSElementDescr* page = fetchPage(gd, index, 0);
        zmlibMatList_setExportToExcel(0);
        if (page) mdlElmdscr_freeAll(&page);
        char empty[1] = "";
        zmlibWin32_DdeReplaceText("%*", empty);
        send("[CLEAR(1)]");
        send("[SELECT(\"R1C1\")]");
        if (first.empty()) first = name;
    }
    say(MSG_CLEAR);
    send("[WORKBOOK.MOVE(\"%s\",\"%s\")]", {sheet, target});
    if (!first.empty()) send("[WORKBOOK.ACTIVATE(\"%s\")]", {first.c_str()});
    send("[OPTIONS.GENERAL(1)]");
    send("[OPTIONS.VIEW(,,,,,,,,,,,,,,TRUE)]");
    send("[SAVE()]");
    zmlibWin32_DdeDisconnect();
}

/* ---- The page information dialog 20024 ---------------------------------------------- */

/* The page the information dialog edits: the page on show. */
const char* editedPage(const ZmGlobalData* gd) { return pageName(gd, gd->previewState.selectedPage); }

/* After a change to the stored information of NAME, show the page again when it is on show. */
void refreshEdited(ZmGlobalData* gd, const char* name) {
    if (!hasPage(gd, gd->previewShownPage) || std::strcmp(pageName(gd, gd->previewShownPage), name) != 0) return;
    DialogBox* preview = mdlDialog_find(DIALOG_PREVIEW, mdlSystem_getCurrMdlDesc());
    zmlib::preview::showPage(preview, gd->previewShownPage);
}

void pageInfoHook_dialog(DialogMessage* m) {
    m->msgUnderstood = m->messageType == DIALOG_MESSAGE_CREATE;
    ZmGlobalData* gd = caller();
    ZmPageRecord* page = zmlib::project::pageRecord();
    if (!m->msgUnderstood || !gd || !page) return;
    zmlibProject_readPageInfoFromDesignFile(page, editedPage(gd));
    zmlib::copyFixed(page->name, editedPage(gd));
}

template <void (*Action)(DialogBox*, ZmGlobalData*, ZmPageRecord*)>
void pageInfoHook_button(DialogItemMessage* m) {
    if (m->messageType != DITEM_MESSAGE_BUTTON) {
        m->msgUnderstood = 0;
        return;
    }
    m->msgUnderstood = 1;
    ZmGlobalData* gd = caller();
    ZmPageRecord* page = zmlib::project::pageRecord();
    if (m->u.button.transition != BUTTONTRANS_UP || !gd || !page) return;
    Action(m->db, gd, page);
    // The material lists of a redrawn page read the shared record too: show the stored state again.
    zmlibProject_readPageInfoFromDesignFile(page, editedPage(gd));
    zmlib::copyFixed(page->name, editedPage(gd));
    mdlDialog_itemsSynch(m->db);
}

void writeInfo(DialogBox*, ZmGlobalData* gd, ZmPageRecord* page) {
    zmlibProject_writePageInfoToDesignFile(page);
    refreshEdited(gd, page->name);
}

/* The edited page's stored information goes; the record is read back (empty) after. */
void deleteInfo(DialogBox*, ZmGlobalData* gd, ZmPageRecord* page) {
    char name[sizeof page->name];
    zmlib::copyFixed(name, page->name);
    zmlibProject_deletePageInfoFromDesignFile(name, nullptr);
    refreshEdited(gd, name);
}

void deleteAllInfo(DialogBox*, ZmGlobalData* gd, ZmPageRecord* page) {
    if (zmlibError_rscMsgBoxPrintf(BOX_DELETE_ALL, ZMLIB_LIST_QUESTIONS, MSG_DELETE_ALL_PAGES) != ZMLIB_ACTION_OK) return;
    zmlibProject_deletePageInfoFromDesignFile(nullptr, nullptr);
    refreshEdited(gd, page->name);
}

void purgeInfo(DialogBox*, ZmGlobalData* gd, ZmPageRecord*) {
    // An empty page list keeps nothing: the null entry ends it either way.
    static const char* const none[] = {nullptr};
    const char* const* keep = gd->previewPageNames ? gd->previewPageNames : none;
    zmlibProject_deletePageInfoFromDesignFile(nullptr, keep);
}

void projectInfo(DialogBox*, ZmGlobalData*, ZmPageRecord*) { zmlibProject_dialogOpen(); }

/* ---- Hooks of dialog 20005 ------------------------------------------------------ */

void previewHook_dialog(DialogMessage* m) {
    m->msgUnderstood = 1;
    ZmGlobalData* gd = caller();
    if (!gd) return;
    switch (m->messageType) {
    case DIALOG_MESSAGE_CREATE: zmlibMain_updateBeforeDialogOpen(DIALOG_PREVIEW); break;
    case DIALOG_MESSAGE_INIT: {
        fillPageButton(m->db, gd);
        zmlib::printsetup::loadDialogSize(&gd->previewDialogSize[0], &gd->previewDialogSize[1]);
        DialogRect extent{};
        if (mdlWindow_extentGet(&extent, m->db) == 0) {
            extent.right = extent.left + gd->previewDialogSize[0];
            extent.bottom = extent.top + gd->previewDialogSize[1];
            mdlWindow_extentSet(m->db, &extent);
        }
        layOut(m->db);
        zmlib::preview::showPage(m->db, gd->previewState.selectedPage);
        break;
    }
    case DIALOG_MESSAGE_RESIZE:
        layOut(m->db);
        redrawArea(m->db);
        break;
    case DIALOG_MESSAGE_DESTROY: {
        DialogRect extent{};
        if (mdlWindow_extentGet(&extent, m->db) == 0)
            zmlib::printsetup::saveDialogSize(extent.right - extent.left, extent.bottom - extent.top);
        freeShown(gd);
        gd->previewShownPage = -1;
        break;
    }
    default: m->msgUnderstood = 0;
    }
}

void previewHook_area(DialogItemMessage* m) {
    m->msgUnderstood = m->messageType == DITEM_MESSAGE_DRAW;
    ZmGlobalData* gd = caller();
    if (m->msgUnderstood && gd) drawPaper(m->db, m->dialogItemP->rect, gd);
}

void previewHook_page(DialogItemMessage* m) {
    m->msgUnderstood = m->messageType == DITEM_MESSAGE_STATECHANGED;
    ZmGlobalData* gd = caller();
    if (!m->msgUnderstood || !gd) return;
    int index = gd->previewState.selectedPage;
    if (!hasPage(gd, index)) return;
    if (ZmPageRecord* page = zmlib::project::pageRecord()) zmlibProject_readPageInfoFromDesignFile(page, pageName(gd, index));
    if (index != gd->previewShownPage) zmlib::preview::showPage(m->db, index);
}

/* Run ACTION on the release of a push button; other messages are not ours. */
template <void (*Action)(DialogBox*)>
void previewHook_button(DialogItemMessage* m) {
    if (m->messageType != DITEM_MESSAGE_BUTTON) {
        m->msgUnderstood = 0;
        return;
    }
    m->msgUnderstood = 1;
    if (m->u.button.transition == BUTTONTRANS_UP) Action(m->db);
}

void printAction(DialogBox* db) { zmlib::preview::printRun(db); }

void refreshAction(DialogBox* db) {
    ZmGlobalData* gd = caller();
    if (!gd || !gd->previewPageListFunction) return;
    char** names = nullptr;
    int count = dlmSystem_callAnyFunction("P", mdlSystem_getCurrMdlDesc(),
                                          reinterpret_cast<void*>(gd->previewPageListFunction), &names);
    if (count <= 0 || !copyNames(gd, count, names)) return;
    int& selected = gd->previewState.selectedPage;
    selected = std::clamp(selected, 0, std::max(gd->previewPageCount - 1, 0));
    fillPageButton(db, gd);
    zmlib::preview::showPage(db, selected);
}

void framesAction(DialogBox*) {
    int answer = ACTIONBUTTON_CANCEL;
    if (mdlDialog_openModal(&answer, RscFileHandle{}, DIALOG_FRAMES) == 0 && answer == ACTIONBUTTON_OK)
        startFrames(false, nullptr);
}

void exportAction(DialogBox*) {
    ZmGlobalData* gd = caller();
    int answer = ACTIONBUTTON_CANCEL;
    if (gd && mdlDialog_openModal(&answer, RscFileHandle{}, DIALOG_EXPORT) == 0 && answer == ACTIONBUTTON_OK)
        exportPages(gd);
}

void pageInfoAction(DialogBox*) { mdlDialog_open(RscFileHandle{}, DIALOG_PAGE_INFO); }

void setupAction(DialogBox* db) {
    zmlibPrintSet_dialogOpen();
    redrawArea(db);
}

const DialogHookInfo previewHooks[] = {
    {HOOK_DIALOG,          reinterpret_cast<void*>(previewHook_dialog)},
    {HOOK_AREA,            reinterpret_cast<void*>(previewHook_area)},
    {HOOK_PAGE,            reinterpret_cast<void*>(previewHook_page)},
    {HOOK_PRINT,           reinterpret_cast<void*>(previewHook_button<printAction>)},
    {HOOK_REFRESH,         reinterpret_cast<void*>(previewHook_button<refreshAction>)},
    {HOOK_SETUP,           reinterpret_cast<void*>(previewHook_button<setupAction>)},
    {HOOK_FRAMES,          reinterpret_cast<void*>(previewHook_button<framesAction>)},
    {HOOK_EXPORT,          reinterpret_cast<void*>(previewHook_button<exportAction>)},
    {HOOK_PAGE_INFO,       reinterpret_cast<void*>(previewHook_button<pageInfoAction>)},
    {HOOK_INFO_DIALOG,     reinterpret_cast<void*>(pageInfoHook_dialog)},
    {HOOK_INFO_WRITE,      reinterpret_cast<void*>(pageInfoHook_button<writeInfo>)},
    {HOOK_INFO_DELETE,     reinterpret_cast<void*>(pageInfoHook_button<deleteInfo>)},
    {HOOK_INFO_DELETE_ALL, reinterpret_cast<void*>(pageInfoHook_button<deleteAllInfo>)},
    {HOOK_INFO_PURGE,      reinterpret_cast<void*>(pageInfoHook_button<purgeInfo>)},
    {HOOK_INFO_PROJECT,    reinterpret_cast<void*>(pageInfoHook_button<projectInfo>)},
};

}  // namespace

/* ---- The print run and the exports ------------------------------------------------ */

namespace zmlib::preview {

int decideOrientation(const ZmPrinterSetup& setup, MSElementDescr* descr) {
    if (setup.orientation == ZMLIB_ORIENT_TURN || setup.orientation == ZMLIB_ORIENT_KEEP) return setup.orientation;
    if (!descr) return ZMLIB_ORIENT_KEEP;
    Dpoint3d range[2];
    zmlibElemDscr_getRange(range, descr);
    double dx = std::fabs(range[1].x - range[0].x), dy = std::fabs(range[1].y - range[0].y);
    double w = std::fabs(setup.paperWidth), h = std::fabs(setup.paperHeight);
    // Without an extent there is no shape to match: leave it as it is.
    if (!(dx > 0 || dy > 0) || !(w > 0 && h > 0)) return ZMLIB_ORIENT_KEEP;
    double d = dx > 0 ? dy / dx : INFINITY, e = h / w;
    return (d > 1 && e > 1) || (d < 1 && e < 1) ? ZMLIB_ORIENT_KEEP : ZMLIB_ORIENT_TURN;
}

void printPage(MSElementDescr* descr, bool shown) {
    ZmGlobalData* gd = caller();
    const ZmPrinterSetup* s = zmlib::printsetup::record();
    if (!gd || !s || !descr) return;
    bool turned = decideOrientation(*s, descr) == ZMLIB_ORIENT_TURN;
    gd->printTextAngleOffset = 0;
    auto turn = [descr](double angle) {
        Transform t;
        mdlTMatrix_getIdentity(&t);
        mdlTMatrix_rotateByAngles(&t, &t, 0, 0, angle);
        mdlElmdscr_transform(descr, &t);
        mdlCell_setRange(descr, nullptr);
    };
    if (turned) {
        turn(std::numbers::pi / 2);
        gd->printTextAngleOffset = 90;
    }
    zmlibPrint_printElementDescr(descr, s->marginLeft, s->marginBottom, s->paperWidth - s->marginLeft - s->marginRight,
                                 s->paperHeight - s->marginTop - s->marginBottom);
    if (turned && shown) turn(-std::numbers::pi / 2);
}

int printRun(DialogBox* db) {
    ZmGlobalData* gd = caller();
    ZmPrinterSetup* s = zmlib::printsetup::record();
    if (!gd || !s) return ZMLIB_ERROR;
    if (s->outputKind == ZMLIB_OUTPUT_SYSTEM_PRINTER) return plotRun();
    char file[MAXFILELENGTH] = "";
    if (s->outputKind == ZMLIB_PRINT_TEXT) {
        char title[256];
        zmlib::copyFixed(title, zmlibUtil_getLanguageText(TEXT_TEXT_FILE_TITLE));
        if (zmlibUpf_defFileCreate(file, "", "*.txt", nullptr, title, TEXT_FILE_DIALOG_ID) != 0) return ZMLIB_ERROR;
        gd->previewState.rangeMode = 0;
    } else {
        int answer = ACTIONBUTTON_CANCEL;
        if (mdlDialog_openModal(&answer, RscFileHandle{}, DIALOG_CONFIRM) != 0 || answer != ACTIONBUTTON_OK)
            return ZMLIB_ERROR;
        zmlib::copyFixed(file, s->printFile);
    }
    zmlibPrint_getPageSize(nullptr, nullptr, s->paperCode);
    if (!zmlibPrint_fopen(file, s->outputKind)) return ZMLIB_ERROR;
    if (gd->previewState.rangeMode == 0) {
        int index = gd->previewState.selectedPage;
        say(MSG_PRINTING_PAGE, pageName(gd, index));
        if (gd->previewUserPrintFunction) {
            if (hasPage(gd, index)) gd->previewUserPrintFunction(index);
            else toolSubsystem_printf("zmlibPreview: page %d is not in the list of %d pages.\n", index, gd->previewPageCount);
        } else {
            printPage(gd->previewDescr, true);
        }
    } else {
        printRange(gd);
    }
    zmlibPrint_fclose();
    if (s->outputKind != ZMLIB_PRINT_TEXT) {
        if (s->printToFileOnly == 0 && !gd->previewUserPrintFunction) {
            say(MSG_SENDING);
            zmlibPrint_sendFileToPrinter(file, s->printer, s->copies);
        }
    }
    say(MSG_CLEAR);
    if (db) redrawArea(db);
    return ZMLIB_SUCCESS;
}

void showPage(DialogBox* db, int index) {
    ZmGlobalData* gd = caller();
    if (!gd) return;
    freeShown(gd);
    gd->previewShownPage = -1;
    if (gd->previewPageCount > 0) {
        index = std::clamp(index, 0, gd->previewPageCount - 1);
        gd->previewState.selectedPage = index;
        zmlib::copyFixed(gd->pageName, pageName(gd, index));
        gd->previewDescr = fetchPage(gd, index, 0);
        gd->previewShownPage = index;
    }
    if (!db) return;
    setTitle(db, gd);
    if (DialogItem* button = itemById(db, ITEMTYPE_OPTIONBUTTON, ITEM_PAGE)) mdlDialog_itemSynch(db, button->itemIndex);
    redrawArea(db);
}

void releaseRecord(ZmGlobalData* record) {
    freeNames(record);
    freeShown(record);
}

void publishHooks() { mdlDialog_hookPublish(static_cast<int>(std::size(previewHooks)), previewHooks); }

}  // namespace zmlib::preview

extern "C" ZMLIB_API DialogBox* zmlibPreview_dialogOpenExtended(int pageCount, int startPage, char** pageNames,
                                                                ZmPreviewPageFunction pageFunction,
                                                                ZmPreviewPageListFunction pageListFunction) {
    ZmGlobalData* gd = caller();
    if (!gd) return nullptr;
    gd->previewUserPrintFunction = nullptr;
    if (!copyNames(gd, pageCount, pageNames)) return nullptr;
    gd->previewPageFunction = pageFunction;
    gd->previewPageListFunction = pageListFunction;
    gd->previewState.selectedPage = startPage;
    gd->previewState.pagesPerRow = 1;
    zmlibMain_updateBeforeDialogOpen(DIALOG_PREVIEW);
    return mdlDialog_open(RscFileHandle{}, DIALOG_PREVIEW);
}

extern "C" ZMLIB_API DialogBox* zmlibPreview_dialogOpen(int pageCount, char** pageNames,
                                                        ZmPreviewPageFunction pageFunction,
                                                        ZmPreviewPageListFunction pageListFunction) {
    return zmlibPreview_dialogOpenExtended(pageCount, 0, pageNames, pageFunction, pageListFunction);
}

extern "C" ZMLIB_API ZmPreviewUserPrintFunction zmlibPreview_setUserPrintFunction(ZmPreviewUserPrintFunction function) {
    if (ZmGlobalData* gd = caller()) gd->previewUserPrintFunction = function;
    return function;
}

extern "C" ZMLIB_API void zmlibPreview_setExcelTemplateNames(const char* templateFile, const char* templateSheet) {
    ZmGlobalData* gd = caller();
    if (!gd) return;
    if (templateFile) zmlib::copyFixed(gd->previewState.excelTemplate, templateFile);
    if (templateSheet) zmlib::copyFixed(gd->previewState.excelSheet, templateSheet);
}
