/* Logical-line reading of a 100 MB configuration-style file against a plain
** fgets loop over the same file. */
#include <benchmark/benchmark.h>

#include <ctime>
#include <cstdio>
#include <filesystem>
#include <string>

#include "lib/platform/file.h"
#include "tests/support/tempdir.h"

namespace fs = std::filesystem;

namespace {

constexpr long long FILE_BYTES = 100ll * 1024 * 1024;

/* A configuration-style file: assignments, comments, blank lines and continued lines. */
std::string makeFile(const fs::path& dir) {
    std::string path = (dir / "big.cfg").string();
    FILE* f = std::fopen(path.c_str(), "w");
    long long written = 0;
    char line[256];
    for (long long i = 0; written < FILE_BYTES; ++i) {
        int n;
        switch (i % 8) {
        case 0: n = std::snprintf(line, sizeof line, "# section %lld: settings of the drawing office\n", i); break;
        case 1: n = std::snprintf(line, sizeof line, "\n"); break;
        case 2: n = std::snprintf(line, sizeof line, "ZM_PLOT_%lld = $(ZM_DATA)plot\\scale%lld.txt \\\n", i, i); break;
        case 3: n = std::snprintf(line, sizeof line, "    ; $(ZM_LOCAL)plot\\local%lld.txt\n", i); break;
        default: n = std::snprintf(line, sizeof line, "ZMTV_ITEM_%lld = value %lld with some words in it\n", i, i * 7); break;
        }
        std::fwrite(line, 1, static_cast<size_t>(n), f);
        written += n;
    }
    std::fclose(f);
    return path;
}

/* CPU seconds of this thread (user and system): the machine is shared, so
** wall time would mostly measure the other processes. */
double cpuNow() {
    timespec t;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}
double seconds(double since) { return cpuNow() - since; }

void BM_FileReadLogicalLines(benchmark::State& state) {
    TempDir scratch;
    std::string path = makeFile(scratch.dir);
    static char destination[4096];
    for (auto _ : state) {
        double start = cpuNow();
        ZmTextFile* file = zmlibFile_open(path.c_str(), "r");
        long long logical = 0;
        while (zmlibFile_read(destination, file, sizeof destination) > 0) ++logical;
        zmlibFile_close(file);
        double reader = seconds(start);

        start = cpuNow();
        FILE* f = std::fopen(path.c_str(), "r");
        long long physical = 0;
        while (std::fgets(destination, sizeof destination, f)) ++physical;
        std::fclose(f);
        double plain = seconds(start);

        state.counters["logical_lines"] = static_cast<double>(logical);
        state.counters["logical_lines_per_s"] = static_cast<double>(logical) / reader;
        state.counters["fgets_lines_per_s"] = static_cast<double>(physical) / plain;
        state.counters["MB_per_s"] = static_cast<double>(FILE_BYTES) / 1048576.0 / reader;
        state.counters["speed_vs_fgets"] = plain / reader;
    }
}
BENCHMARK(BM_FileReadLogicalLines)->Iterations(2)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
