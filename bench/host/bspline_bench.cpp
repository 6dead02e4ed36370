#include <benchmark/benchmark.h>

#include <cmath>
#include <vector>

#include "host/mdlbspline.h"

namespace {

std::vector<Dpoint3d> spiralPoints(int n) {
    std::vector<Dpoint3d> pts(n);
    for (int i = 0; i < n; ++i) {
        double t = 6.0 * i / (n - 1);
        pts[i] = {t * 100 * std::cos(t), t * 100 * std::sin(t), 10 * t};
    }
    return pts;
}

/* Points, poles, order. */
void BM_LeastSquaresFit(benchmark::State& state) {
    int n = int(state.range(0)), poles = int(state.range(1)), order = int(state.range(2));
    std::vector<Dpoint3d> pts = spiralPoints(n);
    double average, maximum;
    for (auto _ : state) {
        BsplineCurve c{};
        c.params.order = order;
        c.params.numPoles = poles;
        if (mdlBspline_leastSquaresToCurve(&c, &average, &maximum, pts.data(), nullptr, n) != HOST_SUCCESS)
            state.SkipWithError("fit refused");
        mdlBspline_freeCurve(&c);
    }
    state.SetItemsProcessed(state.iterations() * n);
    state.counters["maxDistance"] = maximum;
}
BENCHMARK(BM_LeastSquaresFit)
    ->Args({1000, 50, 4})
    ->Args({100000, 500, 4})
    ->Args({1000, 1000, 4})   /* interpolation */
    ->Args({100000, 100000, 4})
    ->Args({10000, 200, 8});

}  // namespace

BENCHMARK_MAIN();
