/* The main of a benchmark program over the simulated host: run the
** benchmarks, then close every file the host still holds, so that nothing is
** left beside them (no -wal or -shm beside a resource or design file). */
#pragma once

#include <benchmark/benchmark.h>

#include "host/sim/base/base.h"

#define ZM_BENCHMARK_MAIN()                    \
    int main(int argc, char** argv) {          \
        benchmark::Initialize(&argc, argv);    \
        benchmark::RunSpecifiedBenchmarks();   \
        benchmark::Shutdown();                 \
        sim::resetForTests();                  \
        return 0;                              \
    }
