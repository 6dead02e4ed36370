/* The print layer. The driver and paper codes live in the calling
** application's global data; the writers keep their open files themselves. */
#include "lib/output/print.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <numbers>
#include <vector>

#include "host/mdlelement.h"
#include "host/mdlgeom.h"
#include "host/mdllevel.h"
#include "host/mdlsystem.h"
#include "host/mdltext.h"
#include "lib/core/error.h"
#include "lib/core/main.h"
#include "lib/core/mem.h"
#include "lib/core/util.h"
#include "lib/elements/element.h"
#include "lib/output/ascii.h"
#include "lib/output/hpgl.h"
#include "lib/output/pcl.h"
#include "lib/output/ps.h"
#include "lib/platform/external.h"

namespace {

enum : int {
    BACKGROUND_LEVEL_CODE = 63,     /* printed first, and the only level with grey fills */
    MAX_COMMAND_LINES = 16,
    DECIMAL_ROOM = 11,              /* an int in decimal, sign included */
    MSG_OUT_OF_MEMORY = 14,         /* list ZMLIB_LIST_ERRORS */
    TEXT_BUFFER_SIZE = 1024,
};
constexpr double STROKE_TOLERANCE = 0.01;
constexpr double TEXT_SIZE_FACTOR = 1.3;  /* outline height to the writers' text size */

struct PaperSize {
    double width, height;
};
/* By paper code 1 to 12: A0 to A5, portrait then landscape. */
constexpr PaperSize PAPER_SIZES[] = {{841, 1189}, {1189, 841}, {594, 841},  {841, 594},   {420, 594}, {594, 420},
                                     {297, 420},  {420, 297},  {210, 297}, {297, 210},   {148.5, 210}, {210, 148.5}};

/* Line width in millimetres by weight 0 to 15. */
constexpr double PEN_WIDTHS[] = {0.1, 0.25, 0.35, 0.5, 0.7, 1.0, 1.5, 2.0, 2.5, 3.0, 3.5, 4.0, 4.5, 5.0, 5.5, 6.0};
constexpr UInt32 FALLBACK_WEIGHT = 2;

struct Dash {
    const char* postScript;
    int pclLineType;
    double pclPatternLength;
};
/* By line style 0 to 7. */
constexpr Dash DASHES[] = {
    {"", 0, 0.0},
    {"0.96 2.4", 2, 0.25},
    {"5.76 3.6", 2, 1.0},
    {"11.28 5.76", 3, 1.8},
    {"14.16 3.6 0.72 3.6", 4, 2.3},
    {"17.04 8.4", 3, 2.7},
    {"14.16 3.6 0.72 3.6 0.72 3.6", 6, 2.8},
    {"14.16 5.76 7.2 5.76", 5, 3.2},
};

/* Where a text's justification puts its origin, as a share of its height
** above the base line, and the writers' alignment (0 centre, 1 right, 2 left). */
struct Baseline {
    double drop;
    int alignment;
};

Baseline baselineOf(int justification) {
    static constexpr Baseline table[] = {
        {1, 2}, {0.5, 2}, {0, 2}, {1, 2}, {0.5, 2}, {0, 2},  /* left: top, centre, bottom; twice */
        {1, 0}, {0.5, 0}, {0, 0},                             /* centre */
        {1, 1}, {0.5, 1}, {0, 1}, {1, 1}, {0.5, 1}, {0, 1},  /* right */
    };
    if (justification >= 0 && justification < int(std::size(table))) return table[justification];
    return {0, justification};
}

int driverType() {
    const ZmGlobalData* gd = zmlibMain_getGlobalDataP();
    return gd ? gd->printDriverType : -1;
}

struct PrintPass {
    int driver;
    int levelFilter;   /* >= 0: only this level code; < 0: every code but its negation */
    double textAngleOffset;
};

bool skippedByLevel(const PrintPass& pass, int code) {
    return pass.levelFilter >= 0 ? code != pass.levelFilter : code == -pass.levelFilter;
}

/* The writers take millimetres on the page: points come from the host in
** design coordinates and go through the page frame set up by the caller. */
void toPage(Dpoint3d* points, int count) { mdlCurrTrans_invtransPointArray(points, points, count); }

void drawOutline(const PrintPass& pass, Dpoint3d* points, int count, UInt32 weight, Int32 style, double fill) {
    if (!points || count < 2) return;
    toPage(points, count);
    double width = PEN_WIDTHS[weight];
    const Dash& dash = DASHES[style];
    switch (pass.driver) {
    case ZMLIB_PRINT_POSTSCRIPT: zmlibPs_drawPolylineExtended(points, count, width, dash.postScript, fill); break;
    case ZMLIB_PRINT_HPGL: zmlibHpgl_drawPolyline(points, count, width, fill); break;
    case ZMLIB_PRINT_PCL:
        zmlibPcl_drawPolylineExtended(points, count, width, dash.pclLineType, dash.pclPatternLength, fill);
        break;
    default: break;  /* the text layout has no lines */
    }
}

bool blank(const char* text) {
    for (; *text; ++text)
        if (!std::isspace(static_cast<unsigned char>(*text))) return false;
    return true;
}

void printText(const PrintPass& pass, const MSElement* element) {
    char text[TEXT_BUFFER_SIZE] = "";
    Dpoint3d origin{};
    RotMatrix rotation{};
    TextParamWide params{};
    if (mdlText_extract(text, sizeof text, &origin, nullptr, &rotation, nullptr, &params, nullptr, element, nullptr) != 0)
        return;
    if (blank(text)) return;
    Dpoint3d outline[5];
    if (mdlText_extractShape(outline, element) != 0) return;
    toPage(outline, 5);
    toPage(&origin, 1);
    double h = std::hypot(outline[2].x - outline[1].x, outline[2].y - outline[1].y);
    Dpoint3d axis[2] = {{0, 0, 0}, {1, 0, 0}};
    mdlRMatrix_rotatePointArray(axis, &rotation, 2);
    double a = std::atan2(axis[1].y - axis[0].y, axis[1].x - axis[0].x);
    Baseline base = baselineOf(params.just);
    origin.x += base.drop * h * std::sin(a);
    origin.y -= base.drop * h * std::cos(a);
    double size = TEXT_SIZE_FACTOR * h;
    double degrees = a * 180.0 / std::numbers::pi;
    switch (pass.driver) {
    case ZMLIB_PRINT_POSTSCRIPT: zmlibPs_drawText(origin.x, origin.y, text, size, degrees, base.alignment); break;
    case ZMLIB_PRINT_HPGL: zmlibHpgl_drawText(origin.x, origin.y, text, size, degrees, base.alignment); break;
    case ZMLIB_PRINT_PCL: zmlibPcl_drawText(origin.x, origin.y, text, size, degrees, base.alignment); break;
    case ZMLIB_PRINT_TEXT:
        mdlRMatrix_unrotatePointArray(outline, &rotation, 5);
        zmlibAscii_drawText(outline, text, size, 0, 0, degrees - pass.textAngleOffset, base.alignment);
        break;
    default: break;
    }
}

int printElement(MSElement* element, void* params, DgnModelRefP, MSElementDescr* descr, MSElementDescr**) {
    const PrintPass& pass = *static_cast<const PrintPass*>(params);
    zmlibUtil_updateHourGlass();
    UInt32 colour = 0, weight = 0;
    Int32 style = 0;
    mdlElement_getEffectiveSymbology(&colour, &weight, &style, element, nullptr);
    if (style < 0 || style >= int(std::size(DASHES))) style = 0;
    if (weight >= std::size(PEN_WIDTHS)) weight = FALLBACK_WEIGHT;

    UInt32 level = 0;
    int code = 0;
    mdlElement_getProperties(&level, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, element);
    /* Levels by the active file: a page cell's descriptor still names the
    ** cell library it came from, which may be closed by now. */
    mdlLevel_getCode(&code, mdlModelRef_getActive(), level);
    if (skippedByLevel(pass, code)) return 0;
    /* A complex shape is printed as a whole, not by its components. */
    if (descr && descr->parent && mdlElement_getType(&descr->parent->el) == CMPLX_SHAPE_ELM) return 0;

    Dpoint3d* points = nullptr;
    int count = 0;
    switch (int type = mdlElement_getType(element)) {
    case SHAPE_ELM:
    case CMPLX_SHAPE_ELM:
    case ELLIPSE_ELM: {
        double fill = mdlElement_isFilled(element, nullptr) ? 0.0 : -1.0;
        if (colour >= 100 && colour <= 200 && code == BACKGROUND_LEVEL_CODE) fill = 1.0 - (colour - 100) * 0.01;
        /* The shape alone: its descriptor's siblings are printed on their own visits. */
        if (type == CMPLX_SHAPE_ELM && descr) mdlElmdscr_stroke(&points, &count, descr->firstChild, STROKE_TOLERANCE);
        else mdlElement_stroke(&points, &count, element, STROKE_TOLERANCE);
        if (pass.driver != ZMLIB_PRINT_TEXT) drawOutline(pass, points, count, weight, style, fill);
        break;
    }
    case TEXT_ELM: printText(pass, element); break;
    default:
        mdlElement_stroke(&points, &count, element, STROKE_TOLERANCE);
        drawOutline(pass, points, count, weight, style, -1.0);
        break;
    }
    if (points) dlmSystem_mdlFree(points);
    return 0;
}

bool isLptPort(const char* name) {
    return std::strlen(name) == 4 && std::strncmp(name, "LPT", 3) == 0 && name[3] >= '1' && name[3] <= '9';
}

/* The template with every "%s" replaced by FILE and every "%d" by COPIES;
** null when the allocation failed (the user has been told). */
char* fillTemplate(const char* printer, const char* file, int copies, bool* hadCopies) {
    size_t fileCount = 0, copyCount = 0;
    for (const char* p = printer; *p; ++p) {
        if (p[0] == '%' && p[1] == 's') ++fileCount;
        if (p[0] == '%' && p[1] == 'd') ++copyCount;
    }
    *hadCopies = copyCount > 0;
    size_t size = std::strlen(printer) + fileCount * std::strlen(file) + copyCount * DECIMAL_ROOM + 1;
    auto* out = static_cast<char*>(
        zmlibMem_mallocRscErrorPrintf(static_cast<unsigned int>(size), ZMLIB_LIST_ERRORS, MSG_OUT_OF_MEMORY));
    if (!out) return nullptr;
    char copiesText[DECIMAL_ROOM + 1];
    std::snprintf(copiesText, sizeof copiesText, "%d", copies);
    char* w = out;
    for (const char* p = printer; *p; ++p) {
        if (p[0] == '%' && (p[1] == 's' || p[1] == 'd')) {
            const char* with = p[1] == 's' ? file : copiesText;
            size_t n = std::strlen(with);
            std::memcpy(w, with, n);
            w += n;
            ++p;
        } else {
            *w++ = *p;
        }
    }
    *w = '\0';
    return out;
}

void runCommandLine(const char* line) {
    int status = 0;
    int started = zmlibExternal_executeCommandLine(line, &status);
    if (started != ZMLIB_SUCCESS || status != 0)
        toolSubsystem_printf("Error executing\n%s\nReturn status = %d\n", line, started != ZMLIB_SUCCESS ? started : status);
}

}  // namespace

extern "C" ZMLIB_API void zmlibPrint_getPageSize(double* width, double* height, int paperCode) {
    if (ZmGlobalData* gd = zmlibMain_getGlobalDataP()) gd->printPaperCode = paperCode;
    if (paperCode < 1 || paperCode > int(std::size(PAPER_SIZES))) return;
    if (width) *width = PAPER_SIZES[paperCode - 1].width;
    if (height) *height = PAPER_SIZES[paperCode - 1].height;
}

extern "C" ZMLIB_API int zmlibPrint_fopen(const char* fileName, int driverType) {
    ZmGlobalData* gd = zmlibMain_getGlobalDataP();
    if (!gd) return 0;
    gd->printDriverType = driverType;
    switch (driverType) {
    case ZMLIB_PRINT_POSTSCRIPT: return zmlibPs_fopen(fileName);
    case ZMLIB_PRINT_HPGL: return zmlibHpgl_fopen(fileName);
    case ZMLIB_PRINT_TEXT: return zmlibAscii_fopen(fileName);
    case ZMLIB_PRINT_PCL: return zmlibPcl_fopen(fileName, gd->printPaperCode);
    default: return 1;
    }
}

extern "C" ZMLIB_API void zmlibPrint_newPage(void) {
    switch (driverType()) {
    case ZMLIB_PRINT_POSTSCRIPT: zmlibPs_newPage(); break;
    case ZMLIB_PRINT_HPGL: zmlibHpgl_newPage(); break;
    case ZMLIB_PRINT_PCL: zmlibPcl_newPage(); break;
    default: break;  /* the text layout has no pages */
    }
}

extern "C" ZMLIB_API void zmlibPrint_fclose(void) {
    switch (driverType()) {
    case ZMLIB_PRINT_POSTSCRIPT: zmlibPs_fclose(); break;
    case ZMLIB_PRINT_HPGL: zmlibHpgl_fclose(); break;
    case ZMLIB_PRINT_TEXT: zmlibAscii_fclose(); break;
    case ZMLIB_PRINT_PCL: zmlibPcl_fclose(); break;
    default: break;
    }
}

extern "C" ZMLIB_API void zmlibPrint_printElementDescr(MSElementDescr* descr, double originX, double originY,
                                                       double width, double height) {
    const ZmGlobalData* gd = zmlibMain_getGlobalDataP();
    if (!descr || !gd) return;
    Dpoint3d range[2];
    zmlibElemDscr_getRange(range, descr);
    double dx = range[1].x - range[0].x, dy = range[1].y - range[0].y;
    /* A drawing without width or height (a point, a vertical line) scales by its other extent. */
    double m = dx > 0 && dy > 0 ? std::min(width / dx, height / dy) : dx > 0 ? width / dx : dy > 0 ? height / dy : 0;
    if (!(m > 0) || !std::isfinite(m)) {
        toolSubsystem_printf("zmlibPrint: nothing to print, the drawing or its page area has no extent.\n");
        return;
    }
    double offX = (width - dx * m) / 2, offY = (height - dy * m) / 2;

    PrintPass pass{gd->printDriverType, BACKGROUND_LEVEL_CODE, gd->printTextAngleOffset};
    mdlCurrTrans_begin();
    mdlCurrTrans_identity();
    mdlCurrTrans_translateOrigin(&range[0]);
    mdlCurrTrans_scale(1 / m, 1 / m, 1);
    if (pass.driver == ZMLIB_PRINT_HPGL) {
        /* The plotter's axes are a quarter turn from the page's. */
        mdlCurrTrans_rotateByAngles(0, 0, -std::numbers::pi / 2);
        Dpoint3d turn{-height, 0, 0};
        mdlCurrTrans_translateOrigin(&turn);
    }
    Dpoint3d corner{-originX - offX, -originY - offY, 0};
    mdlCurrTrans_translateOrigin(&corner);
    mdlElmdscr_operation(descr, printElement, &pass, ELMD_ALL_ONCE);
    pass.levelFilter = -BACKGROUND_LEVEL_CODE;
    mdlElmdscr_operation(descr, printElement, &pass, ELMD_ALL_ONCE);
    mdlCurrTrans_end();
}

extern "C" ZMLIB_API int zmlibPrint_sendFileToPrinterPort(const char* fileName, const char* port, int copies) {
    if (!fileName || !port) return ZMLIB_ERROR;
    char* expanded = mdlSystem_expandCfgVar(port);
    int status = 0;
    for (int i = 0; i < copies && status == 0; ++i) status = mdlFile_copy(expanded ? expanded : port, fileName);
    if (expanded) dlmSystem_mdlFree(expanded);
    return status;
}

extern "C" ZMLIB_API void zmlibPrint_sendFileToPrinter(const char* fileName, const char* printer, int copies) {
    if (!fileName || !printer) return;
    if (isLptPort(printer) || printer[0] == '$' || printer[0] == '\\') {
        zmlibPrint_sendFileToPrinterPort(fileName, printer, copies);
        return;
    }
    bool hadCopies = false;
    char* text = fillTemplate(printer, fileName, copies, &hadCopies);
    if (!text) return;
    std::vector<const char*> lines;
    for (char* p = text; p;) {
        char* end = std::strchr(p, ';');
        if (end) *end = '\0';
        if (*p) {
            if (lines.size() == MAX_COMMAND_LINES) {
                /* Said rather than dropped, so that no half list runs unnoticed. */
                toolSubsystem_printf("zmlibPrint: a print command holds more than %d commands; from \"%s\" on they are not run.\n",
                                     int(MAX_COMMAND_LINES), p);
                break;
            }
            lines.push_back(p);
        }
        p = end ? end + 1 : nullptr;
    }
    int runs = hadCopies ? 1 : copies;
    for (int i = 0; i < runs; ++i)
        for (const char* line : lines) runCommandLine(line);
    dlmSystem_mdlFree(text);
}
