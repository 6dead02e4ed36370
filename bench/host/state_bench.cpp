/* Interaction speed: one locate among 10,000 lines, and the host's share of
** a cursor move (event, dynamics layer, the call) against drawing the same
** line straight into the dynamics layer. */
#include <benchmark/benchmark.h>

#include <string>

#include "host/mdlelement.h"
#include "host/mdlstate.h"
#include "host/mdlview.h"
#include "host/sim/design/design.h"
#include "host/sim/interaction/interaction.h"
#include "host/sim/base/base.h"
#include "host/sim/display/display.h"
#include "tests/support/tempdir.h"

namespace {

/* A fresh host with a design file of LINES lines open; the host is reset again
** when it goes. */
struct Drawing : TempDir {
    explicit Drawing(int lines) {
        sim::resetForTests();
        std::string error;
        if (!sim::design::open(path("b.design"), true, error)) return;
        /* A grid of short lines over the default window (100 x 75 master units). */
        for (int i = 0; i < lines; ++i) {
            double x = (i % 100) * 1000.0, y = (i / 100) * 750.0;
            Dpoint3d pts[2] = {{x, y, 0}, {x + 500, y + 300, 0}};
            MSElement el;
            mdlLine_create(&el, nullptr, pts);
            mdlElement_add(&el);
        }
    }
    ~Drawing() { sim::resetForTests(); }
};

void BM_LocateAmong10000Lines(benchmark::State& st) {
    Drawing drawing(10000);
    mdlState_startPrimitive(nullptr, nullptr, 0, 0);
    mdlLocate_normal();
    Dpoint3d p{50250, 37650, 0};
    for (auto _ : st) benchmark::DoNotOptimize(mdlLocate_findElement(&p, 1, 0, 0, 0));
}
BENCHMARK(BM_LocateAmong10000Lines)->Unit(benchmark::kMicrosecond);

void drawBand(Dpoint3d* p, int, int drawMode) {
    Dpoint3d pts[2] = {{0, 0, 0}, *p};
    MSElement el;
    mdlLine_create(&el, nullptr, pts);
    mdlElement_display(&el, drawMode);
}

void BM_CursorMoveWithDynamics(benchmark::State& st) {
    Drawing drawing(0);
    mdlState_startPrimitive(nullptr, nullptr, 0, 0);
    mdlState_setFunction(STATEFUNC_DYNAMICS, reinterpret_cast<StateFunc>(drawBand));
    double x = 0;
    for (auto _ : st) sim::interact::cursorMove({x += 1, 500, 0}, 1);
}
BENCHMARK(BM_CursorMoveWithDynamics)->Unit(benchmark::kMicrosecond);

/* The baseline: the same line drawn into the dynamics layer without the state machine. */
void BM_DynamicsDrawOnly(benchmark::State& st) {
    Drawing drawing(0);
    double x = 0;
    for (auto _ : st) {
        sim::view::clearTransient();
        Dpoint3d p{x += 1, 500, 0};
        drawBand(&p, 1, DRAW_MODE_TEMP_DRAW);
    }
}
BENCHMARK(BM_DynamicsDrawOnly)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
