/* Print file writers: time per point of polylines against a plain C
** fprintf loop writing the same lines, and resident memory while streaming. */
#include <benchmark/benchmark.h>

#include <ctime>
#include <sys/resource.h>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "lib/output/hpgl.h"
#include "lib/output/ps.h"
#include "tests/support/tempdir.h"

namespace fs = std::filesystem;

namespace {

constexpr int POLYLINES = 200000;
constexpr int POINTS = 10;
constexpr double POINTS_PER_MM = 2.834645651435303;
constexpr double HPGL_UNITS_PER_MM = 38.46153846153846;

/* Polylines spread over an A3 sheet, in millimetres. */
const std::vector<Dpoint3d>& drawing() {
    static std::vector<Dpoint3d> points = [] {
        std::vector<Dpoint3d> p(static_cast<size_t>(POLYLINES) * POINTS);
        uint64_t seed = 12345;
        for (auto& q : p) {
            seed = seed * 6364136223846793005ull + 1442695040888963407ull;
            q.x = static_cast<double>(seed >> 40) / static_cast<double>(1ull << 24) * 420.0;
            q.y = static_cast<double>((seed >> 16) & 0xffffff) / static_cast<double>(1ull << 24) * 297.0;
            q.z = 0;
        }
        return p;
    }();
    return points;
}

/* CPU seconds of this thread (user and system): the machine is shared, so
** wall time would mostly measure the other processes. */
double cpuNow() {
    timespec t;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}
/* User-mode CPU seconds of this thread: the formatting alone, without the
** kernel's cost of taking the bytes into the file, which both sides share. */
double userNow() {
    rusage u;
    getrusage(RUSAGE_THREAD, &u);
    return static_cast<double>(u.ru_utime.tv_sec) + static_cast<double>(u.ru_utime.tv_usec) * 1e-6;
}

long residentKb() {
    std::ifstream statm("/proc/self/statm");
    long size = 0, resident = 0;
    statm >> size >> resident;
    return resident * (::sysconf(_SC_PAGESIZE) / 1024);
}

struct Times {
    double cpu, user;
};
Times timesNow() { return {cpuNow(), userNow()}; }
Times since(Times start) { return {cpuNow() - start.cpu, userNow() - start.user}; }

void report(benchmark::State& state, Times writer, Times plain) {
    double points = static_cast<double>(POLYLINES) * POINTS;
    state.counters["writer_ns_per_point"] = writer.cpu / points * 1e9;
    state.counters["fprintf_ns_per_point"] = plain.cpu / points * 1e9;
    state.counters["speedup"] = plain.cpu / writer.cpu;
    state.counters["user_speedup"] = plain.user / writer.user;
}

void BM_PsPolylines(benchmark::State& state) {
    const auto& p = drawing();
    TempDir scratch;
    std::string file = scratch.path("w.ps");
    for (auto _ : state) {
        Times start = timesNow();
        zmlibPs_fopen(file.c_str());
        for (int i = 0; i < POLYLINES; ++i) zmlibPs_drawPolyline(&p[static_cast<size_t>(i) * POINTS], POINTS, 0.35, -1);
        zmlibPs_fclose();
        Times writer = since(start);

        start = timesNow();
        FILE* f = std::fopen(scratch.path("c.ps").c_str(), "w");
        for (const Dpoint3d& q : p) std::fprintf(f, "%.2f %.2f lineto\n", q.x * POINTS_PER_MM, q.y * POINTS_PER_MM);
        std::fclose(f);
        report(state, writer, since(start));
    }
}
BENCHMARK(BM_PsPolylines)->Iterations(2)->Unit(benchmark::kMillisecond);

void BM_HpglPolylines(benchmark::State& state) {
    const auto& p = drawing();
    TempDir scratch;
    std::string file = scratch.path("w.plt");
    for (auto _ : state) {
        Times start = timesNow();
        zmlibHpgl_fopen(file.c_str());
        for (int i = 0; i < POLYLINES; ++i) zmlibHpgl_drawPolyline(&p[static_cast<size_t>(i) * POINTS], POINTS, 0.35, -1);
        zmlibHpgl_fclose();
        Times writer = since(start);

        start = timesNow();
        FILE* f = std::fopen(scratch.path("c.plt").c_str(), "w");
        for (const Dpoint3d& q : p)
            std::fprintf(f, "PD;PA%d,%d;\n", static_cast<int>((q.x - 10) * HPGL_UNITS_PER_MM),
                         static_cast<int>((q.y - 1) * HPGL_UNITS_PER_MM));
        std::fclose(f);
        report(state, writer, since(start));
    }
}
BENCHMARK(BM_HpglPolylines)->Iterations(2)->Unit(benchmark::kMillisecond);

/* Resident memory before and while writing 2,000,000 points: the writers stream. */
void BM_PsResidentMemory(benchmark::State& state) {
    const auto& p = drawing();
    TempDir scratch;
    std::string file = scratch.path("m.ps");
    for (auto _ : state) {
        long before = residentKb();
        long peak = before;
        zmlibPs_fopen(file.c_str());
        for (int i = 0; i < POLYLINES; ++i) {
            zmlibPs_drawPolyline(&p[static_cast<size_t>(i) * POINTS], POINTS, 0.35, -1);
            if (i % 20000 == 0) peak = std::max(peak, residentKb());
        }
        peak = std::max(peak, residentKb());
        zmlibPs_fclose();
        state.counters["points"] = static_cast<double>(POLYLINES) * POINTS;
        state.counters["rss_start_MB"] = static_cast<double>(before) / 1024.0;
        state.counters["rss_growth_MB"] = static_cast<double>(peak - before) / 1024.0;
        state.counters["file_MB"] = static_cast<double>(fs::file_size(file)) / 1048576.0;
    }
}
BENCHMARK(BM_PsResidentMemory)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
