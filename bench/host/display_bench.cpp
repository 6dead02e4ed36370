/* Display speed: building a descriptor of 150 elements (a cell with the
** lines, texts and arrowheads of a 24-segment dimension chain) and showing
** it in the dynamics draw mode, as a command does at every cursor move.
** Target: under 20 microseconds per build and display. The build alone and
** the display alone are measured beside it. */
#include <benchmark/benchmark.h>

#include <string>

#include "host/mdlelement.h"
#include "host/mdlgeom.h"
#include "host/mdlview.h"
#include "host/sim/design/design.h"
#include "host/sim/display/display.h"
#include "tests/support/tempdir.h"

namespace {

constexpr int kSegments = 24;

void openFile() {
    static const TempDir scratch;
    static bool opened = false;
    if (opened) return;
    std::string error;
    if (!sim::design::open(scratch.path("bench.dgn"), true, error)) std::abort();
    opened = true;
}

/* A cell header, 25 extension lines, 24 texts, 24 dimension lines and 76
** arrowheads (150 elements), built through the constructors. */
MSElementDescr* buildChain() {
    MSElement el;
    MSElementDescr* d = nullptr;
    mdlCell_create(&el, u"CHAIN", nullptr, 0);
    mdlElmdscr_new(&d, nullptr, &el);
    TextSizeParam size{1, {2000, 3000}, 1.5};
    TextParamWide params{};
    params.just = 8;
    params.flags = TXTPARAM_SLANT;
    params.slant = -0.5235987755982988;
    for (int i = 0; i <= kSegments; ++i) {
        double x = i * 10000.0;
        Dpoint3d ext[2] = {{x, 0, 0}, {x + 5000, 8660, 0}};
        mdlLine_create(&el, nullptr, ext);
        mdlElmdscr_appendElement(d, &el);
        if (i == kSegments) break;
        Dpoint3d origin{x + 5000, 8000, 0};
        mdlText_create(&el, nullptr, "100.0", &origin, nullptr, &size, &params, nullptr);
        mdlElmdscr_appendElement(d, &el);
        Dpoint3d dim[2] = {{x, 7000, 0}, {x + 10000, 7000, 0}};
        mdlLine_create(&el, nullptr, dim);
        mdlElmdscr_appendElement(d, &el);
        for (int a = 0; a < (i < 4 ? 4 : 3); ++a) {
            Dpoint3d tri[3] = {{x + a, 7000, 0}, {x + 1500, 7300, 0}, {x + 1500, 6700, 0}};
            mdlShape_create(&el, nullptr, tri, 3, 1);
            mdlElmdscr_appendElement(d, &el);
        }
    }
    return d;
}

void BM_BuildChain(benchmark::State& st) {
    openFile();
    for (auto _ : st) {
        MSElementDescr* d = buildChain();
        benchmark::DoNotOptimize(d);
        mdlElmdscr_freeAll(&d);
    }
}
BENCHMARK(BM_BuildChain)->Unit(benchmark::kMicrosecond);

void BM_BuildAndDisplayInDynamics(benchmark::State& st) {
    openFile();
    for (auto _ : st) {
        /* Each cursor move replaces the dynamics of the one before: timed too. */
        sim::view::clearTransient();
        sim::design::clearShownLog();
        MSElementDescr* d = buildChain();
        mdlElmdscr_display(d, nullptr, DRAW_MODE_TEMP_DRAW);
        mdlElmdscr_freeAll(&d);
    }
    MSElementDescr* d = buildChain();
    st.counters["elements"] = mdlElmdscr_count(d);
    mdlElmdscr_freeAll(&d);
}
BENCHMARK(BM_BuildAndDisplayInDynamics)->Unit(benchmark::kMicrosecond);

/* The display alone, of a descriptor built once: what the views add. */
void BM_DisplayOnlyInDynamics(benchmark::State& st) {
    openFile();
    MSElementDescr* d = buildChain();
    for (auto _ : st) {
        sim::view::clearTransient();
        sim::design::clearShownLog();
        mdlElmdscr_display(d, nullptr, DRAW_MODE_TEMP_DRAW);
    }
    mdlElmdscr_freeAll(&d);
}
BENCHMARK(BM_DisplayOnlyInDynamics)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
