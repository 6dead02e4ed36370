/* Locate speed as drawings grow: one pick in a view zoomed to 100 master
** units, in models of 10,000, 100,000 and 1,000,000 lines (a square grid of
** short lines 10 master units apart). Target under 200 microseconds at a
** million. Beside it, in the same run, one pass over the model's elements
** (the least a search without an index costs), and the index's build at the
** first pick. */
#include <benchmark/benchmark.h>

#include <chrono>
#include <cmath>
#include <string>

#include "bench/bench_main.h"
#include "host/mdlelement.h"
#include "host/mdlgeom.h"
#include "host/mdlstate.h"
#include "host/sim/base/base.h"
#include "host/sim/design/design.h"
#include "host/sim/display/display.h"
#include "tests/support/tempdir.h"

namespace {

constexpr double UOR = 1000.0;   /* per master unit of a new design file */

struct LocateBench {
    TempDir scratch;
    int built = 0;
    double firstPickMs = 0;   /* of the model built last: the index is built then */
};
LocateBench bench;

/* A model of COUNT lines, 8 master units long, on a grid 10 units apart. */
void buildModel(int count) {
    if (bench.built == count) return;
    std::string error;
    std::string file = bench.scratch.path("locate" + std::to_string(count) + ".design");
    if (!sim::design::open(file, true, error)) std::abort();
    int side = static_cast<int>(std::ceil(std::sqrt(count)));
    sim::runEvent([&] {
        for (int i = 0; i < count; ++i) {
            double x = (i % side) * 10 * UOR, y = (i / side) * 10 * UOR;
            const Dpoint3d pts[2] = {{x, y, 0}, {x + 8 * UOR, y + 4 * UOR, 0}};
            mdlLine_create(dgnBufP, nullptr, pts);
            mdlElement_add(dgnBufP);
        }
        return true;
    });
    bench.built = count;
    bench.firstPickMs = 0;
}

void BM_LocateOnePick(benchmark::State& state) {
    int count = static_cast<int>(state.range(0));
    buildModel(count);
    int side = static_cast<int>(std::ceil(std::sqrt(count)));
    double mid = side / 2 * 10.0;
    std::string error;
    sim::view::setWindowMaster(1, mid - 50, mid - 50, mid + 50, mid + 50, error);
    Dpoint3d pick{(mid + 4) * UOR, (mid + 2) * UOR, 0};   /* on the middle of a line */
    auto start = std::chrono::steady_clock::now();
    UInt32 found = mdlLocate_findElement(&pick, 1, 0, 0, 0);
    if (bench.firstPickMs == 0)
        bench.firstPickMs = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    for (auto _ : state) found = mdlLocate_findElement(&pick, 1, 0, 0, 0);
    if (!found) state.SkipWithError("nothing located");

    /* The baseline: one pass over the slots, as a search without an index makes. */
    DgnModel* m = sim::design::activeModel();
    auto scanStart = std::chrono::steady_clock::now();
    constexpr int passes = 5;
    int graphic = 0;
    for (int k = 0; k < passes; ++k)
        for (uint32_t p = 1; p <= m->slots.size(); ++p) {
            const sim::design::Slot* s = sim::design::slot(m, p);
            graphic += s && !s->deleted && sim::elem::isGraphicType(s->type);
        }
    benchmark::DoNotOptimize(graphic);
    double scanUs = std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - scanStart).count() / passes;
    state.counters["elements"] = count;
    state.counters["first_pick_ms"] = bench.firstPickMs;
    state.counters["plain_pass_us"] = scanUs;
    state.counters["plain_pass_over_pick"] = benchmark::Counter(scanUs * 1e-6, benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_LocateOnePick)->Arg(10000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMicrosecond);

}  // namespace

ZM_BENCHMARK_MAIN()
