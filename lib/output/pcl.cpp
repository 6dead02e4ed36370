/* PCL writer: owns the one open PCL print file, its paper code and the font
** line last sent (size, angle, label origin), which each page header resets. */
#include "lib/output/pcl.h"

#include <cmath>
#include <cstdio>
#include <string>

#include "host/mdlsystem.h"
#include "lib/output/driver_int.h"

namespace {

constexpr double UNITS_PER_MM = 40.0;
constexpr double POINTS_PER_MM = 2.7932960893854752;

struct PclState {
    FILE* file;
    int paperCode;
    double lastSize;      /* mm */
    double lastAngle;     /* radians */
    int lastAlignment;
};
PclState state{};

int pclX(double x) { return -240 - zmoutput::truncToInt(-UNITS_PER_MM * x); }
int pclY(double y) { return zmoutput::truncToInt(UNITS_PER_MM * y); }

bool isLandscape(int paperCode) { return paperCode == 10 || paperCode == 12; }

void writePageHeader() {
    state.lastSize = 0.0;
    state.lastAngle = 0.0;
    state.lastAlignment = 2;
    bool landscape = isLandscape(state.paperCode);
    toolSubsystem_fprintf(state.file, "\033E\033&l26a%dO\033*c%s\033&l0E\033*p0x0Y\033*c0T\033%%1BIN;SP1;PA0,0;\n",
                          landscape ? 1 : 0, landscape ? "8418x5952Y" : "5952x8418Y");
}

}  // namespace

extern "C" ZMLIB_API int zmlibPcl_fopen(const char* fileName, int paperCode) {
    if (state.file) zmlibPcl_fclose();
    state.paperCode = paperCode;
    FILE* file = fileName ? dlmSystem_mdlFopen(fileName, "w") : nullptr;
    if (!file) {
        toolSubsystem_printf("zmlibPcl: cannot open %s.\n", fileName ? fileName : "");
        return 0;
    }
    state.file = file;
    writePageHeader();
    return 1;
}

extern "C" ZMLIB_API void zmlibPcl_newPage(void) {
    if (!state.file) return;
    toolSubsystem_fprintf(state.file, "\033%%1A");
    writePageHeader();
}

extern "C" ZMLIB_API void zmlibPcl_fclose(void) {
    if (!state.file) return;
    toolSubsystem_fprintf(state.file, "\033%%1A\033E");
    dlmSystem_mdlFclose(state.file);
    state.file = nullptr;
}

extern "C" ZMLIB_API void zmlibPcl_drawPolyline(const Dpoint3d* points, int count, double width, double fill) {
    if (!state.file || !points || count <= 0 || !zmoutput::drawable("zmlibPcl", {width}, points, count)) return;
    FILE* f = state.file;
    int x0 = pclX(points[0].x), y0 = pclY(points[0].y);
    if (fill >= 0.0 && fill <= 1.0) {
        toolSubsystem_fprintf(f, "PU;PW%.2f;PA%d,%d;PM0;PD", width, x0, y0);
        for (int i = 1; i < count; ++i) toolSubsystem_fprintf(f, "%d,%d,", pclX(points[i].x), pclY(points[i].y));
        toolSubsystem_fprintf(f, "%d,%d;\n", x0, y0);
        if (fill == 0.0)
            toolSubsystem_fprintf(f, "PM2;FT1;FP;");
        else
            toolSubsystem_fprintf(f, "PM2;FT10,%d;FP;", zmoutput::truncToInt((1.0 - fill) * 100.0));
    } else {
        toolSubsystem_fprintf(f, "PU;PW%.2f;PA%d,%d;", width, x0, y0);
        for (int i = 1; i < count; ++i) toolSubsystem_fprintf(f, "PD;PA%d,%d;\n", pclX(points[i].x), pclY(points[i].y));
    }
}

extern "C" ZMLIB_API void zmlibPcl_drawPolylineExtended(const Dpoint3d* points, int count, double width,
                                                        int lineType, double patternLength, double fill) {
    if (!state.file || !points || count <= 0) return;
    if (lineType > 0) toolSubsystem_fprintf(state.file, "LT%d,%.2f;", lineType, patternLength);
    zmlibPcl_drawPolyline(points, count, width, fill);
    if (lineType > 0) toolSubsystem_fprintf(state.file, "LT");
}

extern "C" ZMLIB_API void zmlibPcl_drawText(double x, double y, const char* text, double size, double angle,
                                            int alignment) {
    if (!state.file || !zmoutput::drawable("zmlibPcl", {x, y, size, angle})) return;
    FILE* f = state.file;
    double a = angle * zmoutput::DEGREES_TO_RADIANS;
    if (size == state.lastSize && a == state.lastAngle) {
        toolSubsystem_fprintf(f, "PU;PA%d,%d;", pclX(x), pclY(y));
    } else {
        state.lastSize = size;
        state.lastAngle = a;
        toolSubsystem_fprintf(f, "PU;PA%d,%d;SD1,14,2,1,4,%d,5,0,5,-7,7,52;SS;DI%.1f,%.1f;", pclX(x), pclY(y),
                              zmoutput::truncToInt(size * POINTS_PER_MM), std::cos(a), std::sin(a));
    }
    if (alignment != state.lastAlignment) {
        state.lastAlignment = alignment;
        toolSubsystem_fprintf(f, alignment == 0 ? "LO4;" : alignment == 1 ? "LO7;" : "LO1;");
    }
    /* A terminator inside the text would end the label and run the rest as commands. */
    std::string label;
    for (const char* p = text ? text : ""; *p; ++p)
        if (*p != zmoutput::LABEL_TERMINATOR) label += *p;
    toolSubsystem_fprintf(f, "LB%s%c\n", label.c_str(), zmoutput::LABEL_TERMINATOR);
}

