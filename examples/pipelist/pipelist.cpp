/* Example add-in on the library's exports: a pipe list of the drawing.
** "pipelist run [X Y]" lists the pipes (lines on level 1 outside graphic
** groups) with their axis and length, a skew pipe with the legs of the
** triangle that marks it, fills a form with them and the project, page and
** system data and the logo, and places the A4 material-list page and the
** title block of forms.cel as cells at X Y (master units), at the plot scale.
** "pipelist project" opens the project dialog, "pipelist pageinfo NAME REV
** TEXT" stores a page's information, "pipelist page NAME" makes NAME the
** current page, "pipelist logo" previews the logo, "pipelist export BOOK"
** exports the list of the current page to the spreadsheet workbook BOOK,
** "pipelist preview" opens the print preview of its two pages: P1, the
** drawing fitted above the title block, and P2, the material list. */
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sstream>
#include <string>
#include <vector>

#include "host/mdlcommand.h"
#include "host/mdldialog.h"
#include "host/mdlelement.h"
#include "host/mdlgeom.h"
#include "host/mdlsystem.h"
#include "lib/core/main.h"
#include "lib/core/plotscale.h"
#include "lib/core/util.h"
#include "lib/document/cell.h"
#include "lib/document/matlist.h"
#include "lib/document/project.h"
#include "lib/elements/element.h"
#include "lib/output/preview.h"
#include "lib/platform/external.h"
#include "lib/platform/win32.h"

namespace {

enum : CommandNumber {
    CMD_PROJECT = 0x02000001,
    CMD_PAGEINFO = 0x02000002,
    CMD_PAGE = 0x02000003,
    CMD_RUN = 0x02000004,
    CMD_LOGO = 0x02000005,
    CMD_EXPORT = 0x02000006,
    CMD_PREVIEW = 0x02000007,
};
enum : int {
    PIPE_LEVEL = 1,
    ROWS = 20,
    NAME_LENGTH = 4,
    DIALOG_LOGO = 1,
    HOOK_LOGO_DIALOG = 1,
    HOOK_LOGO_ITEM = 2,
};
constexpr double TOLERANCE_DEGREES = 0.01;
constexpr const char* FORMS = "forms.cel";

struct Pipe {
    Dpoint3d start, end;
};
struct Triangle {
    Dpoint3d corner[3];
};

bool same(const Dpoint3d& a, const Dpoint3d& b) { return std::fabs(a.x - b.x) < 1 && std::fabs(a.y - b.y) < 1; }
double length(const Dpoint3d& a, const Dpoint3d& b) { return std::hypot(b.x - a.x, b.y - a.y); }
double master(double uor) { return *zmlibUtil_UORToMasterP(uor); }

/* The file positions of the top-level elements of TYPE, on LEVEL (0: on any
** level), each handed to USE. */
template <class Use>
void scanPositions(int type, UInt32 level, Use use) {
    ScanCriteriaP criteria = mdlScanCriteria_create();
    mdlScanCriteria_setModel(criteria, mdlModelRef_getActive());
    mdlScanCriteria_addSingleElementTypeTest(criteria, type);
    if (level) mdlScanCriteria_addSingleLevelTest(criteria, level);
    mdlScanCriteria_setReturnType(criteria, SCAN_RETURN_FILEPOS, 0, 0);
    int status = 0;
    do {
        UInt32 positions[64];
        int words = static_cast<int>(sizeof positions / 2);
        status = mdlScanCriteria_scan(criteria, positions, &words, nullptr);
        for (int i = 0; i < words / 2; ++i) use(positions[i]);
        if (words <= 0) break;
    } while (status == SCAN_BUFFER_FULL);
    mdlScanCriteria_free(criteria);
}

/* The top-level elements of TYPE on the pipe level, each handed to USE. */
template <class Use>
void scan(int type, Use use) {
    scanPositions(type, PIPE_LEVEL, [&](UInt32 position) {
        static MSElement element;
        if (mdlElement_read(&element, nullptr, position) == 0) use(element);
    });
}

UInt32 groupOf(const MSElement& element) {
    UInt32 group = 0;
    mdlElement_getProperties(nullptr, &group, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &element);
    return group;
}

/* "30", "90", "330" for the isometric axes, "skew" for anything else. */
const char* axisOf(const Pipe& p) {
    double degrees = std::atan2(p.end.y - p.start.y, p.end.x - p.start.x) * 180.0 / M_PI;
    degrees = std::fmod(degrees + 360.0, 180.0);
    if (std::fabs(degrees - 30) < TOLERANCE_DEGREES) return "30";
    if (std::fabs(degrees - 90) < TOLERANCE_DEGREES) return "90";
    if (std::fabs(degrees - 150) < TOLERANCE_DEGREES) return "330";
    return "skew";
}

/* "LEG / LEG" of the triangle whose hypotenuse is the pipe, empty when none marks it. */
std::string legsOf(const Pipe& p, const std::vector<Triangle>& triangles) {
    for (const Triangle& t : triangles) {
        for (int i = 0; i < 3; ++i) {
            const Dpoint3d& a = t.corner[i];
            const Dpoint3d& b = t.corner[(i + 1) % 3];
            const Dpoint3d& c = t.corner[(i + 2) % 3];
            if (!((same(a, p.start) && same(b, p.end)) || (same(a, p.end) && same(b, p.start)))) continue;
            char text[64];
            std::snprintf(text, sizeof text, "%.0f / %.0f", master(length(p.start, c)), master(length(c, p.end)));
            return text;
        }
    }
    return "";
}

void fillPipes(ZmFormDataArray* list) {
    std::vector<Pipe> pipes;
    std::vector<Triangle> triangles;
    scan(LINE_ELM, [&](const MSElement& element) {
        Dpoint3d points[2];
        int count = 0;
        if (groupOf(element) == 0 && mdlLinear_extract(points, &count, &element, nullptr) == 0 && count == 2)
            pipes.push_back({points[0], points[1]});
    });
    scan(SHAPE_ELM, [&](const MSElement& element) {
        Dpoint3d points[8];
        int count = 0;
        if (groupOf(element) != 0 && mdlLinear_extract(points, &count, &element, nullptr) == 0 && count >= 3)
            triangles.push_back({{points[0], points[1], points[2]}});
    });
    int row = 0;
    for (const Pipe& p : pipes) {
        if (row == ROWS) break;
        const char* axis = axisOf(p);
        zmlibMatList_insertValue(list, "posn", ZMFORM_INT, row, row + 1);
        zmlibMatList_insertValue(list, "axis", ZMFORM_TEXT, row, axis);
        zmlibMatList_insertValue(list, "leng", ZMFORM_DOUBLE, row, master(length(p.start, p.end)));
        if (std::strcmp(axis, "skew") == 0)
            zmlibMatList_insertValue(list, "legs", ZMFORM_TEXT, row, legsOf(p, triangles).c_str());
        ++row;
    }
    toolSubsystem_printf("pipelist: %d pipes listed\n", row);
}

/* Scale the page cell from paper to the drawing and move it to AT. */
void place(MSElementDescr* page, const Dpoint3d& at) {
    double scale = *zmlibPlotScale_getActiveScaleP();
    Transform move;
    mdlTMatrix_getIdentity(&move);
    mdlTMatrix_scale(&move, &move, scale, scale, scale);
    mdlTMatrix_setTranslation(&move, &at);
    mdlElmdscr_transform(page, &move);
    mdlElmdscr_validate(page, nullptr);
    UInt32 position = mdlElmdscr_add(page);
    mdlElmdscr_display(page, nullptr, 0);
    toolSubsystem_printf("pipelist: page cell at %u\n", position);
}

/* A form of the pipes with the project, page and system data and the logo. */
ZmFormDataArray* pipeForm() {
    ZmFormDataArray* list = zmlibMatList_createFormDataArray(NAME_LENGTH, ROWS);
    fillPipes(list);
    zmlibProject_insertProjectData(list);
    zmlibMatList_insertSystemData(list);
    zmlibMatList_insertLogo(list);
    return list;
}

std::string expanded(const char* text) {
    char* e = mdlSystem_expandCfgVar(text);
    std::string out = e ? e : text;
    if (e) dlmSystem_mdlFree(e);
    return out;
}

void send(const char* format, const std::string& a = "", const std::string& b = "") {
    char command[600];
    std::snprintf(command, sizeof command, format, a.c_str(), b.c_str());
    zmlibWin32_DdeSendMessage(command);
}

/* The template $(ZM_DATA)pipelist.xlsx copied to BOOK, its sheet "Form"
** copied to a sheet of the current page filled through the material list's
** spreadsheet export, started and connected as the print preview does. */
void cmdExport(char* unparsed) {
    std::string book = unparsed ? unparsed : "";
    ZmGlobalData* gd = zmlibMain_getGlobalDataP();
    std::string page = gd && gd->pageName[0] ? gd->pageName : "Pipes";
    if (book.empty() || mdlFile_copy(book.c_str(), expanded("$(ZM_DATA)pipelist.xlsx").c_str()) != 0) {
        toolSubsystem_printf("pipelist: cannot copy the template to %s\n", book.c_str());
        return;
    }
    if (zmlibWin32_DdeInitialize("Excel", "system") != 0) {
        int wait = -1;
        zmlibExternal_executeProgram(expanded("$(_HOST_SPREADSHEET)").c_str(), "/e", &wait);
        for (int i = 0; i < 10 && zmlibWin32_DdeInitialize("Excel", "system") != 0; ++i) mdlSystem_pauseTicks(120);
    }
    send("[open(\"%s\")]", book);
    send("[WORKBOOK.COPY(\"%s\",\"%s\")]", "Form", book);
    send("[WORKBOOK.ACTIVATE(\"%s (2)\")]", "Form");
    send("[WORKBOOK.NAME(\"%s (2)\",\"%s\")]", "Form", page);
    send("[SELECT(\"R100C1\")]");
    ZmFormDataArray* list = pipeForm();
    zmlibMatList_setExportToExcel(1);
    MSElementDescr* none = nullptr;
    int status = zmlibMatList_generatePageElementDescr("A4LIST", FORMS, &none, list, 0);
    zmlibMatList_setExportToExcel(0);
    zmlibMatList_destroyFormDataArray(list);
    char empty[1] = "";
    zmlibWin32_DdeReplaceText("%*", empty);
    send("[CLEAR(1)]");
    send("[SELECT(\"R1C1\")]");
    send("[WORKBOOK.MOVE(\"%s\",\"%s\")]", "Form", book);
    send("[WORKBOOK.ACTIVATE(\"%s\")]", page);
    send("[SAVE()]");
    toolSubsystem_printf("pipelist: export answers %d, disconnect %d\n", status, zmlibWin32_DdeDisconnect());
}

void cmdRun(char* unparsed) {
    Dpoint3d at{0, 0, 0};
    if (unparsed && *unparsed) {
        double x = 0, y = 0;
        if (std::sscanf(unparsed, "%lf %lf", &x, &y) == 2) at = {*zmlibUtil_masterToUORP(x), *zmlibUtil_masterToUORP(y), 0};
    }
    ZmFormDataArray* list = pipeForm();
    struct { const char* cell; double dy; } pages[] = {{"A4LIST", 55}, {"A4TITLE", 0}};
    for (const auto& p : pages) {
        MSElementDescr* page = nullptr;
        int status = zmlibMatList_generatePageElementDescr(p.cell, FORMS, &page, list, 0);
        if (status != 0 || !page) {
            toolSubsystem_printf("pipelist: no page %s (%d)\n", p.cell, status);
            continue;
        }
        Dpoint3d origin{at.x, at.y + *zmlibUtil_masterToUORP(p.dy * *zmlibPlotScale_getActiveScaleP()), 0};
        place(page, origin);
        mdlElmdscr_freeAll(&page);
    }
    zmlibMatList_destroyFormDataArray(list);
}

/* A new cell NAME at the origin: the header of a page's parts. */
MSElementDescr* newCell(const MSWChar* name) {
    MSElement header;
    Dpoint3d origin{0, 0, 0};
    MSElementDescr* cell = nullptr;
    if (mdlCell_create(&header, name, &origin, 0) == 0) mdlElmdscr_new(&cell, nullptr, &header);
    return cell;
}

/* The drawing as one cell: every graphic element of the active model, the
** pipes with their triangles and the dimension cells with their texts. */
MSElementDescr* drawingCopy() {
    MSElementDescr* cell = newCell(u"DRAWING");
    if (!cell) return nullptr;
    for (int type : {LINE_ELM, LINE_STRING_ELM, SHAPE_ELM, CMPLX_STRING_ELM, CMPLX_SHAPE_ELM, ELLIPSE_ELM, ARC_ELM,
                     TEXT_ELM, TEXT_NODE_ELM, CELL_HEADER_ELM}) {
        scanPositions(type, 0, [&](UInt32 position) {
            MSElementDescr* element = nullptr;
            if (mdlElmdscr_read(&element, position, nullptr, 0, nullptr) > 0 && element)
                mdlElmdscr_appendDscr(cell, element);
        });
    }
    mdlCell_setRange(cell, nullptr);
    return cell;
}

/* Page P1: a sheet of the material list's paper (180 x 277 on A4) with the
** title block at its foot and the drawing fitted in above it. */
MSElementDescr* titlePage(ZmFormDataArray* list) {
    MSElementDescr* title = nullptr;
    if (zmlibMatList_generatePageElementDescr("A4TITLE", FORMS, &title, list, 0) != 0 || !title) return nullptr;
    MSElementDescr* page = newCell(u"P1");
    if (!page) {
        mdlElmdscr_freeAll(&title);
        return nullptr;
    }
    Dpoint3d range[2];
    zmlibElemDscr_getRange(range, title);
    mdlElmdscr_appendDscr(page, title);
    double w = range[1].x - range[0].x, top = range[0].y + w * 277.0 / 180.0, gap = w * 0.03;
    Dpoint3d sheet[5] = {{range[0].x, range[0].y, 0}, {range[1].x, range[0].y, 0}, {range[1].x, top, 0},
                         {range[0].x, top, 0}, {range[0].x, range[0].y, 0}};
    MSElement border;
    if (mdlShape_create(&border, nullptr, sheet, 5, 0) == 0) mdlElmdscr_appendElement(page, &border);
    if (MSElementDescr* drawing = drawingCopy()) {
        Dpoint3d target[4] = {{range[0].x + gap, range[1].y + gap, 0}, {range[1].x - gap, range[1].y + gap, 0},
                              {range[1].x - gap, top - gap, 0}, {range[0].x + gap, top - gap, 0}};
        zmlibElemDscr_placeElementDescr(target, 1, drawing);
        mdlElmdscr_appendDscr(page, drawing);
    }
    mdlCell_setRange(page, nullptr);
    return page;
}

char pageP1[] = "P1";
char pageP2[] = "P2";
char* pageNames[] = {pageP1, pageP2, nullptr};

int previewPage(int index, char*, MSElementDescr** descr, int) {
    ZmFormDataArray* list = pipeForm();
    if (index == 0) {
        *descr = titlePage(list);
    } else if (index == 1) {
        zmlibMatList_generatePageElementDescr("A4LIST", FORMS, descr, list, 0);
    }
    zmlibMatList_destroyFormDataArray(list);
    return 0;
}

int previewPageList(char*** names) {
    *names = pageNames;
    return 2;
}

void cmdPreview(char*) {
    if (!zmlibPreview_dialogOpen(2, pageNames, previewPage, previewPageList)) {
        toolSubsystem_printf("pipelist: the print preview did not open\n");
        return;
    }
    zmlibPreview_setExcelTemplateNames("$(ZM_DATA)pipelist.xlsx", "Form");
}

void cmdProject(char*) {
    if (zmlibProject_dialogOpen() != 0) toolSubsystem_printf("pipelist: the project dialog did not open\n");
}

/* "NAME REVISION TEXT...": the page's name, revision and first text line. */
void cmdPageInfo(char* unparsed) {
    std::istringstream in(unparsed ? unparsed : "");
    std::string name, revision, text;
    in >> name >> revision;
    std::getline(in, text);
    if (!text.empty() && text[0] == ' ') text.erase(0, 1);
    ZmPageRecord page{};
    std::snprintf(page.name, sizeof page.name, "%s", name.c_str());
    std::snprintf(page.revs, sizeof page.revs, "%s", revision.c_str());
    std::snprintf(page.pros[0], sizeof page.pros[0], "%s", text.c_str());
    zmlibProject_writePageInfoToDesignFile(&page);
}

void cmdPage(char* unparsed) {
    ZmGlobalData* gd = zmlibMain_getGlobalDataP();
    if (!gd) return;
    std::snprintf(gd->pageName, sizeof gd->pageName, "%s", unparsed ? unparsed : "");
}

void cmdLogo(char*) {
    zmlibCell_loadCellLibraryIfNeeded("logo.cel");
    if (!mdlDialog_open(RscFileHandle{}, DIALOG_LOGO)) toolSubsystem_printf("pipelist: no logo dialog\n");
}

void logoHook_dialog(DialogMessage* m) {
    m->msgUnderstood = m->messageType == DIALOG_MESSAGE_CREATE || m->messageType == DIALOG_MESSAGE_DESTROY;
}

void logoHook_item(DialogItemMessage* m) {
    m->msgUnderstood = 1;
    if (m->messageType == DITEM_MESSAGE_DRAW) zmlibCell_drawCell("LOGO", m->db, m->itemIndex, 6, ZMCELL_CROSS_BOTH);
    else m->msgUnderstood = 0;
}

const DialogHookInfo hooks[] = {
    {HOOK_LOGO_DIALOG, reinterpret_cast<void*>(logoHook_dialog)},
    {HOOK_LOGO_ITEM,   reinterpret_cast<void*>(logoHook_item)},
};

const MdlCommandNumber commandNumbers[] = {
    {cmdProject,  CMD_PROJECT},
    {cmdPageInfo, CMD_PAGEINFO},
    {cmdPage,     CMD_PAGE},
    {cmdRun,      CMD_RUN},
    {cmdLogo,     CMD_LOGO},
    {cmdExport,   CMD_EXPORT},
    {cmdPreview,  CMD_PREVIEW},
    {nullptr, 0},
};

}  // namespace

extern "C" __attribute__((visibility("default"))) int MdlMain(int argc, char* argv[]) {
    zmlibMain_initZmLib("pipelist", argc, argv);
    mdlDialog_hookPublish(2, hooks);
    mdlSystem_registerCommandNumbers(commandNumbers);
    if (!mdlParse_loadCommandTable(0)) toolSubsystem_printf("pipelist: no command table\n");
    return 0;
}
