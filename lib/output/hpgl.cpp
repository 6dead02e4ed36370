/* HPGL writer: owns the one open plotter file; positions in plotter units
** of 1/40 mm, scaled so that 26 mm on the paper are 1000 units. */
#include "lib/output/hpgl.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>

#include "host/mdlsystem.h"
#include "lib/output/driver_int.h"

namespace {

constexpr double UNITS_PER_MM = 38.46153846153846;

/* Polylines are formatted into PENDING and written in large blocks: a
** plot is mostly points, and a write per polyline cost more than their
** formatting. Other output writes PENDING first, so the order holds. */
struct HpglState {
    FILE* file;
    size_t used;
    char pending[1 << 16];
};
HpglState state{};

void writePending() {
    if (state.used) dlmSystem_mdlFwrite(state.pending, 1, state.used, state.file);
    state.used = 0;
}

int plotX(double x) { return zmoutput::truncToInt((x - 10.0) * UNITS_PER_MM); }
int plotY(double y) { return zmoutput::truncToInt((y - 1.0) * UNITS_PER_MM); }

/* Latin-1 letters the plotter's 7-bit national character set puts on ASCII codes. */
struct Replacement {
    unsigned char latin1;
    char ascii;
};
const Replacement nationalSet[] = {
    {0xE6, '{'},  /* ae */
    {0xF8, '|'},  /* o slash */
    {0xE5, '}'},  /* a ring */
    {0xC6, '['},  /* AE */
    {0xD8, '\\'}, /* O slash */
    {0xC5, ']'},  /* A ring */
};

}  // namespace

extern "C" ZMLIB_API int zmlibHpgl_fopen(const char* fileName) {
    if (state.file) zmlibHpgl_fclose();
    FILE* file = fileName ? dlmSystem_mdlFopen(fileName, "w") : nullptr;
    if (!file) {
        toolSubsystem_printf("zmhpgllib: cannot open %s.\n", fileName ? fileName : "");
        return 0;
    }
    state.file = file;
    toolSubsystem_fprintf(file, "IN;PU;VS80;IP,603,521,10603,7721;SP1;CS32;\n");
    return 1;
}

extern "C" ZMLIB_API void zmlibHpgl_newPage(void) {
    if (!state.file) return;
    writePending();
    toolSubsystem_fprintf(state.file, "PU;PA0,0;PG;\n");
}

extern "C" ZMLIB_API void zmlibHpgl_fclose(void) {
    if (!state.file) return;
    zmlibHpgl_newPage();
    dlmSystem_mdlFclose(state.file);
    state.file = nullptr;
}

extern "C" ZMLIB_API void zmlibHpgl_drawPolyline(const Dpoint3d* points, int count, double width, double fill) {
    if (!state.file || !points || count <= 0 || !zmoutput::drawable("zmhpgllib", {}, points, count)) return;
    /* The same bytes as "PU;PA%d,%d;PD;" for the first point and
    ** "PD;PA%d,%d;\n" for each other, without a format to read per point. */
    constexpr size_t LONGEST_POINT = 32;
    char* const end = state.pending + sizeof state.pending;
    char* at = state.pending + state.used;
    auto room = [&] {
        if (static_cast<size_t>(end - at) >= LONGEST_POINT) return;
        state.used = static_cast<size_t>(at - state.pending);
        writePending();
        at = state.pending;
    };
    auto put = [&](const char* text, size_t n) {
        std::memcpy(at, text, n);
        at += n;
    };
    auto point = [&](const Dpoint3d& p) {
        at = std::to_chars(at, end, plotX(p.x)).ptr;
        *at++ = ',';
        at = std::to_chars(at, end, plotY(p.y)).ptr;
        *at++ = ';';
    };
    room();
    put("PU;PA", 5);
    point(points[0]);
    put("PD;", 3);
    for (int i = 1; i < count; ++i) {
        room();
        put("PD;PA", 5);
        point(points[i]);
        *at++ = '\n';
    }
    state.used = static_cast<size_t>(at - state.pending);
}

extern "C" ZMLIB_API void zmlibHpgl_drawText(double x, double y, char* text, double size, double angle,
                                             int alignment) {
    if (!state.file || !zmoutput::drawable("zmhpgllib", {x, y, size, angle})) return;
    writePending();
    FILE* f = state.file;
    double a = angle * zmoutput::DEGREES_TO_RADIANS;
    size_t length = text ? std::strlen(text) : 0;
    toolSubsystem_fprintf(f, "PU;PA%d,%d;SI%.2f,%.2f;DI%.1f,%.1f;", plotX(x), plotY(y), 0.03 * size, 0.06 * size,
                          std::cos(a), std::sin(a));
    if (alignment == 0)
        toolSubsystem_fprintf(f, "CP%.2f,0;", -0.5 * static_cast<double>(length));
    else if (alignment == 1)
        toolSubsystem_fprintf(f, "CP%d,0;", -zmoutput::truncToInt(static_cast<double>(length)));
    std::string label;
    label.reserve(length);
    for (size_t i = 0; i < length; ++i) {
        for (const Replacement& r : nationalSet)
            if (static_cast<unsigned char>(text[i]) == r.latin1) text[i] = r.ascii;
        /* A terminator inside the text would end the label and run the rest as commands. */
        if (text[i] != zmoutput::LABEL_TERMINATOR) label += text[i];
    }
    toolSubsystem_fprintf(f, "SS;LB%s%c\n", label.c_str(), zmoutput::LABEL_TERMINATOR);
}

