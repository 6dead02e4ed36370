/* How reopening and rendering grow with the drawing: files of 10,000,
** 100,000 and 1,000,000 lines. Reopen is measured against a raw select of
** the same rows in the same iteration (target at least 0.5 at a million);
** render writes the SVG picture of a view fitted to the drawing, in a child
** process so that its peak resident memory is its own (target under
** 150 MiB at a million); `hostsim dump` writes every element's line. */
#include <benchmark/benchmark.h>
#include <sqlite3.h>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <filesystem>
#include <string>

#include "bench/bench_main.h"
#include "host/mdlelement.h"
#include "host/mdlgeom.h"
#include "host/sim/base/base.h"
#include "host/sim/design/design.h"
#include "host/sim/display/display.h"
#include "tests/support/tempdir.h"

namespace {

struct GrowthBench {
    TempDir scratch;
};
GrowthBench bench;

double secondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

/* The file of COUNT lines on a square grid, written once. */
std::string linesFile(int count) {
    std::string path = bench.scratch.path("lines" + std::to_string(count) + ".design");
    if (std::filesystem::exists(path)) return path;
    std::string error;
    if (!sim::design::open(path, true, error)) std::abort();
    int side = static_cast<int>(std::ceil(std::sqrt(count)));
    sim::runEvent([&] {
        for (int i = 0; i < count; ++i) {
            double x = (i % side) * 10000.0, y = (i / side) * 10000.0;
            const Dpoint3d pts[2] = {{x, y, 0}, {x + 8000, y + 4000, 0}};
            mdlLine_create(dgnBufP, nullptr, pts);
            mdlElement_add(dgnBufP);
        }
        return true;
    });
    if (!sim::design::save(error)) std::abort();
    sim::design::close();
    return path;
}

double rawSelectSeconds(const std::string& path) {
    auto start = std::chrono::steady_clock::now();
    sqlite3* db = nullptr;
    sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(db, "SELECT key, deleted, data FROM elements ORDER BY key", -1, &st, nullptr);
    size_t bytes = 0;
    while (sqlite3_step(st) == SQLITE_ROW) bytes += sqlite3_column_bytes(st, 2);
    benchmark::DoNotOptimize(bytes);
    sqlite3_finalize(st);
    sqlite3_close(db);
    return secondsSince(start);
}

void BM_ReopenVsRawSelect(benchmark::State& state) {
    int count = static_cast<int>(state.range(0));
    std::string path = linesFile(count);
    double ratio = 0;
    for (auto _ : state) {
        double raw = rawSelectSeconds(path);
        auto start = std::chrono::steady_clock::now();
        std::string error;
        if (!sim::design::open(path, false, error)) state.SkipWithError("cannot reopen");
        double open = secondsSince(start);
        sim::design::close();
        ratio = raw / open;
        state.SetIterationTime(open);
    }
    state.counters["elements"] = count;
    state.counters["raw_select_over_reopen"] = ratio;
}
BENCHMARK(BM_ReopenVsRawSelect)->Arg(10000)->Arg(100000)->Arg(1000000)->Iterations(3)->UseManualTime()
    ->Unit(benchmark::kMillisecond);

/* Open, fit view 1 and render it in a child; answers the child's peak
** resident growth in MiB (after the whole render and after opening alone)
** and its seconds (the whole, and opening alone) through a pipe. */
bool renderInChild(const std::string& path, const std::string& svg, double& peakMiB, double& openMiB,
                   double& seconds, double& openSeconds) {
    int fds[2];
    if (pipe(fds) != 0) return false;
    pid_t pid = fork();
    if (pid == 0) {
        close(fds[0]);
        rusage before{}, after{};
        getrusage(RUSAGE_SELF, &before);
        auto start = std::chrono::steady_clock::now();
        std::string error;
        rusage opened{};
        double openSeconds = 0;
        bool ok = sim::design::open(path, false, error) && getrusage(RUSAGE_SELF, &opened) == 0 &&
                  (openSeconds = secondsSince(start)) > 0 &&
                  sim::view::setWindowMaster(1, -10, -10, 10010, 10010, error) &&
                  sim::view::renderSvg(1, svg, error);
        double out[4] = {0, secondsSince(start), 0, openSeconds};
        getrusage(RUSAGE_SELF, &after);
        out[0] = ok ? (after.ru_maxrss - before.ru_maxrss) / 1024.0 : -1;
        out[2] = (opened.ru_maxrss - before.ru_maxrss) / 1024.0;
        if (write(fds[1], out, sizeof out) != sizeof out) _exit(1);
        _exit(0);
    }
    close(fds[1]);
    double in[4] = {-1, 0, 0, 0};
    bool ok = read(fds[0], in, sizeof in) == sizeof in && in[0] >= 0;
    close(fds[0]);
    waitpid(pid, nullptr, 0);
    peakMiB = in[0];
    seconds = in[1];
    openMiB = in[2];
    openSeconds = in[3];
    return ok;
}

void BM_RenderView(benchmark::State& state) {
    int count = static_cast<int>(state.range(0));
    std::string path = linesFile(count);
    std::string svg = bench.scratch.path("view.svg");
    double peak = 0, opened = 0, seconds = 0, openSeconds = 0;
    for (auto _ : state) {
        if (!renderInChild(path, svg, peak, opened, seconds, openSeconds)) state.SkipWithError("the rendering process failed");
        state.SetIterationTime(seconds);
    }
    state.counters["elements"] = count;
    state.counters["peak_growth_MiB"] = peak;
    state.counters["open_MiB"] = opened;
    state.counters["render_s"] = seconds - openSeconds;   /* the picture alone, after opening */
    state.counters["svg_MB"] = static_cast<double>(std::filesystem::file_size(svg)) / 1e6;
    std::filesystem::remove(svg);
}
BENCHMARK(BM_RenderView)->Arg(10000)->Arg(100000)->Arg(1000000)->Iterations(1)->UseManualTime()
    ->Unit(benchmark::kMillisecond);

/* `hostsim dump` of the file in a child process, its output thrown away:
** the child's CPU seconds, and the share of them spent in the system (one
** write per line made that 44 % before its output was buffered). */
void BM_HostsimDump(benchmark::State& state) {
    int count = static_cast<int>(state.range(0));
    std::string path = linesFile(count);
    std::string hostsim = std::filesystem::read_symlink("/proc/self/exe").parent_path() / "hostsim";
    double user = 0, system = 0;
    for (auto _ : state) {
        pid_t pid = fork();
        if (pid == 0) {
            int null = ::open("/dev/null", O_WRONLY);
            if (null < 0 || dup2(null, STDOUT_FILENO) < 0) _exit(127);
            execl(hostsim.c_str(), "hostsim", "dump", path.c_str(), static_cast<char*>(nullptr));
            _exit(127);
        }
        int status = 0;
        rusage usage{};
        if (pid < 0 || wait4(pid, &status, 0, &usage) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
            state.SkipWithError("hostsim dump failed");
            break;
        }
        user = usage.ru_utime.tv_sec + usage.ru_utime.tv_usec / 1e6;
        system = usage.ru_stime.tv_sec + usage.ru_stime.tv_usec / 1e6;
        state.SetIterationTime(user + system);
    }
    state.counters["elements"] = count;
    state.counters["system_share"] = user + system > 0 ? system / (user + system) : 0;
}
BENCHMARK(BM_HostsimDump)->Arg(10000)->Arg(100000)->Arg(1000000)->Iterations(1)->UseManualTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace

ZM_BENCHMARK_MAIN()
