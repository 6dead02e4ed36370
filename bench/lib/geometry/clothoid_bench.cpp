#include <benchmark/benchmark.h>

#include <vector>

#include "lib/geometry/clothoid.h"
#include "lib/geometry/clothoid_int.h"

namespace {

void BM_KlotCoord(benchmark::State& state) {
    double x, y, a, s = 0;
    for (auto _ : state) {
        zmlibGeo_getKlotCoord(&x, &y, &a, 0, 0, 97.5, 16.4, 0, 100, 100, s);
        s = s < 99 ? s + 1 : 0;
        benchmark::DoNotOptimize(x);
    }
}
BENCHMARK(BM_KlotCoord);

void BM_CreateKlotoide(benchmark::State& state) {
    int n = int(state.range(0));
    std::vector<Dpoint3d> pts(n);
    for (auto _ : state) {
        zmlibGeo_createKlotoide(pts.data(), n, 10, 20, 100, 0, 100, 0.3, 0, 0);
        benchmark::DoNotOptimize(pts.data());
    }
    state.SetItemsProcessed(state.iterations() * n);
}
BENCHMARK(BM_CreateKlotoide)->Arg(1000);

void BM_BsplineByEndpoints(benchmark::State& state) {
    int n = int(state.range(0));
    std::vector<Dpoint3d> work(n);
    for (auto _ : state) {
        BsplineCurve c;
        clothoid::fitByEndpoints(&c, work.data(), n, 4, 0, 0, 90, 30, 0, 100, 100);
        mdlBspline_freeCurve(&c);
    }
    state.SetItemsProcessed(state.iterations() * n);
}
BENCHMARK(BM_BsplineByEndpoints)->Arg(100)->Arg(10000);

}  // namespace

BENCHMARK_MAIN();
