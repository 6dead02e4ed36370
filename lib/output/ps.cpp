/* PostScript writer: owns the one open PostScript print file and its
** prologue (the Latin-1 re-encoded Helvetica and the line and text procedures). */
#include "lib/output/ps.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>

#include "host/mdlsystem.h"
#include "lib/output/driver_int.h"

namespace {

constexpr double POINTS_PER_MM = 2.834645651435303;

struct PsState {
    FILE* file;
};
PsState state{};

const char* const prologue[] = {
    "%!PS-Adobe",
    "/reencsmalldict 12 dict def",
    "/ReEncodeSmall",
    " { reencsmalldict begin",
    "   /newcodesandnames exch def",
    "   /newfontname exch def",
    "   /basefontname exch def",
    "   /basefontdict basefontname findfont def",
    "   /newfont basefontdict maxlength dict def",
    "   basefontdict",
    "   { exch dup /FID ne",
    "     { dup /Encoding eq",
    "       { exch dup length array copy",
    "         newfont 3 1 roll put }",
    "       { exch newfont 3 1 roll put }",
    "       ifelse",
    "     }",
    "     { pop pop }",
    "     ifelse",
    "   } forall",
    "   newfont /FontName newfontname put",
    "   newcodesandnames aload pop",
    "   newcodesandnames length 2 idiv",
    "    { newfont /Encoding get 3 1 roll put}",
    "    repeat",
    "   newfontname newfont definefont pop",
    "   end",
    " } def",
    " /scandvec [",
    "   8#304 /Adieresis",
    "   8#344 /adieresis",
    "   8#326 /Odieresis",
    "   8#366 /odieresis",
    "   8#334 /Udieresis",
    "   8#374 /udieresis",
    "   8#337 /germandbls",
    "   8#346 /ae",
    "   8#306 /AE",
    "   8#370 /oslash",
    "   8#330 /Oslash",
    "   8#345 /aring",
    "   8#305 /Aring",
    "   8#251 /copyright",
    " ] def",
    "/Helvetica /Helvetica-Norsk scandvec",
    "  ReEncodeSmall",
    "/_dl",
    "{ %def",
    "  /lwid exch def",
    "  /ytwo exch def",
    "  /xtwo exch def",
    "  /yone exch def",
    "  /xone exch def",
    "  lwid setlinewidth",
    "  xone yone moveto",
    "  xtwo ytwo lineto",
    "  stroke",
    "} bind def",
    "/_dtfl",
    "{ %def",
    "  /angle exch def",
    "  /height exch def",
    "  /s exch def",
    "  /y exch def",
    "  /x exch def",
    "  /Helvetica-Norsk findfont height scalefont setfont",
    "  x y translate",
    "  angle rotate",
    "  0 0 moveto",
    "  s show",
    "  0 angle sub rotate",
    "  0 x sub 0 y sub translate",
    "} bind def",
    "/_dtfr",
    "{ %def",
    "  /angle exch def",
    "  /height exch def",
    "  /s exch def",
    "  /y exch def",
    "  /x exch def",
    "  /Helvetica-Norsk findfont height scalefont setfont",
    "  x y translate",
    "  angle rotate",
    "  0 0 moveto",
    "  s stringwidth",
    "  exch neg exch rmoveto",
    "  s show",
    "  0 angle sub rotate",
    "  0 x sub 0 y sub translate",
    "} bind def",
    "/_dtfc",
    "{ %def",
    "  /angle exch def",
    "  /height exch def",
    "  /s exch def",
    "  /y exch def",
    "  /x exch def",
    "  /Helvetica-Norsk findfont height scalefont setfont",
    "  x y translate",
    "  angle rotate",
    "  0 0 moveto",
    "  s stringwidth",
    "  exch neg 2 div exch rmoveto",
    "  s show",
    "  0 angle sub rotate",
    "  0 x sub 0 y sub translate",
    "} bind def",
};
static_assert(sizeof prologue / sizeof prologue[0] == 107, "the prologue has 107 lines");

bool isGrey(double fill) { return fill >= 0.0 && fill <= 1.0; }

/* TEXT as the body of a PostScript string: backslashes doubled, parentheses
** escaped so that an unbalanced one cannot end the string early. */
std::string escapeText(const char* text) {
    std::string out;
    if (!text) return out;
    for (const char* p = text; *p; ++p) {
        if (*p == '\\' || *p == '(' || *p == ')') out += '\\';
        out += *p;
    }
    return out;
}

void writeArc(double cx, double cy, double r, double startAngle, double endAngle) {
    const double k = POINTS_PER_MM;
    toolSubsystem_fprintf(state.file, "%.2f %.2f %.2f %.2f %.2f arc\n", cx * k, cy * k, r * k, startAngle, endAngle);
}

}  // namespace

extern "C" ZMLIB_API int zmlibPs_fopen(const char* fileName) {
    if (state.file) zmlibPs_fclose();
    /* Binary: included EPS files are copied byte for byte. */
    FILE* file = fileName ? dlmSystem_mdlFopen(fileName, "wb") : nullptr;
    if (!file) {
        toolSubsystem_printf("zmpslib: cannot open %s.\n", fileName ? fileName : "");
        return 0;
    }
    state.file = file;
    for (const char* line : prologue) toolSubsystem_fprintf(file, "%s\n", line);
    return 1;
}

extern "C" ZMLIB_API void zmlibPs_newPage(void) {
    if (state.file) toolSubsystem_fprintf(state.file, "showpage\n");
}

extern "C" ZMLIB_API void zmlibPs_fclose(void) {
    if (!state.file) return;
    zmlibPs_newPage();
    dlmSystem_mdlFclose(state.file);
    state.file = nullptr;
}

extern "C" ZMLIB_API void zmlibPs_drawPolyline(const Dpoint3d* points, int count, double width, double fill) {
    if (!state.file || !points || count <= 0 || !zmoutput::drawable("zmpslib", {width}, points, count)) return;
    const double k = POINTS_PER_MM;
    FILE* f = state.file;
    bool filled = isGrey(fill);
    if (filled) toolSubsystem_fprintf(f, "%.2f setgray\n", fill);
    toolSubsystem_fprintf(f, "%.2f setlinewidth\n", width * k);
    toolSubsystem_fprintf(f, "%.2f %.2f moveto\n", points[0].x * k, points[0].y * k);
    for (int i = 1; i < count; ++i) toolSubsystem_fprintf(f, "%.2f %.2f lineto\n", points[i].x * k, points[i].y * k);
    if (filled) {
        toolSubsystem_fprintf(f, "closepath fill\n");
        toolSubsystem_fprintf(f, "%.2f setgray\n", 0.0);
    } else {
        toolSubsystem_fprintf(f, "stroke\n");
    }
}

extern "C" ZMLIB_API void zmlibPs_drawPolylineExtended(const Dpoint3d* points, int count, double width,
                                                       const char* dash, double fill) {
    if (!state.file || !points || count <= 0) return;
    toolSubsystem_fprintf(state.file, "[%s] 0 setdash\n", dash ? dash : "");
    zmlibPs_drawPolyline(points, count, width, fill);
}

extern "C" ZMLIB_API void zmlibPs_drawText(double x, double y, const char* text, double size, double angle,
                                           int alignment) {
    if (!state.file || !zmoutput::drawable("zmpslib", {x, y, size, angle})) return;
    const double k = POINTS_PER_MM;
    const char* format = alignment == 0   ? "%.2f %.2f (%s) %.2f %.2f _dtfc\n"
                         : alignment == 1 ? "%.2f %.2f (%s) %.2f %.2f _dtfr\n"
                                          : "%.2f %.2f (%s) %.2f %.2f _dtfl\n";
    std::string body = escapeText(text);
    toolSubsystem_fprintf(state.file, format, x * k, y * k, body.c_str(), size * k, angle);
}

extern "C" ZMLIB_API void zmlibPs_drawLine(float x1, float y1, float x2, float y2, float width) {
    if (!state.file || !zmoutput::drawable("zmpslib", {x1, y1, x2, y2, width})) return;
    const double k = POINTS_PER_MM;
    toolSubsystem_fprintf(state.file, "%.2f %.2f %.2f %.2f %.2f _dl\n", x1 * k, y1 * k, x2 * k, y2 * k, width * k);
}

extern "C" ZMLIB_API void zmlibPs_drawArc(double cx, double cy, double r, double startAngle, double endAngle,
                                          double width) {
    if (!state.file || !zmoutput::drawable("zmpslib", {cx, cy, r, startAngle, endAngle, width})) return;
    const double k = POINTS_PER_MM;
    double s = startAngle * zmoutput::DEGREES_TO_RADIANS;
    toolSubsystem_fprintf(state.file, "%.2f setlinewidth\n", width * k);
    toolSubsystem_fprintf(state.file, "%.2f %.2f moveto\n", (cx + r * std::cos(s)) * k, (cy + r * std::sin(s)) * k);
    writeArc(cx, cy, r, startAngle, endAngle);
    toolSubsystem_fprintf(state.file, "stroke\n");
}

extern "C" ZMLIB_API void zmlibPs_fillCirc(double cx, double cy, double r, double startAngle, double endAngle,
                                           double grey) {
    if (!state.file || !zmoutput::drawable("zmpslib", {cx, cy, r, startAngle, endAngle, grey})) return;
    const double k = POINTS_PER_MM;
    toolSubsystem_fprintf(state.file, "%.2f setgray\n", grey);
    toolSubsystem_fprintf(state.file, "%.2f %.2f moveto\n", cx * k, cy * k);
    writeArc(cx, cy, r, startAngle, endAngle);
    toolSubsystem_fprintf(state.file, "closepath fill\n");
    toolSubsystem_fprintf(state.file, "%.2f setgray\n", 0.0);
}

extern "C" ZMLIB_API int zmlibPs_includeEPSFile(const char* fileName, double xScale, double yScale, double x,
                                                double y, double angle) {
    FILE* eps = fileName ? dlmSystem_mdlFopen(fileName, "rb") : nullptr;
    if (!eps) {
        toolSubsystem_printf("zmpslib: unable to load %s.\n", fileName ? fileName : "");
        return 0;
    }
    if (!state.file) {
        dlmSystem_mdlFclose(eps);
        return 0;
    }
    /* Only EPS goes in: PostScript text ("%!PS") or the binary EPS header.
    ** A folder reads nothing and is refused with any other file. */
    unsigned char magic[4] = {};
    bool isEps = std::fread(magic, 1, sizeof magic, eps) == sizeof magic &&
                 (std::memcmp(magic, "%!PS", 4) == 0 || std::memcmp(magic, "\xC5\xD0\xD3\xC6", 4) == 0);
    if (!isEps || !std::isfinite(xScale) || !std::isfinite(yScale) || !std::isfinite(x) || !std::isfinite(y) ||
        !std::isfinite(angle)) {
        toolSubsystem_printf("zmpslib: %s is not an EPS file to place there.\n", fileName);
        dlmSystem_mdlFclose(eps);
        return 0;
    }
    std::rewind(eps);
    const double k = POINTS_PER_MM;
    FILE* f = state.file;
    toolSubsystem_fprintf(f, "/EPSsave save def\n");
    toolSubsystem_fprintf(f, "/showpage {} def\n");
    toolSubsystem_fprintf(f, "%.2f %.2f translate %.3f %.3f scale %.2f rotate\n", x * k, y * k, xScale, yScale, angle);
    toolSubsystem_fprintf(f, "%% begin included EPS file\n");
    /* The EPS body is copied byte for byte (it may hold binary previews),
    ** through the host: both streams belong to its run-time library. */
    char buffer[65536];
    size_t n;
    while ((n = dlmSystem_mdlFread(buffer, 1, sizeof buffer, eps)) > 0) dlmSystem_mdlFwrite(buffer, 1, n, f);
    toolSubsystem_fprintf(f, "%% end included EPS file\n");
    toolSubsystem_fprintf(f, "EPSsave restore\n");
    dlmSystem_mdlFclose(eps);
    return 1;
}
