/* Costs of the host's system area that every file access and library call
** pays: variable expansion, path mapping, file search, signature calls. */
#include <benchmark/benchmark.h>

#include <filesystem>

#include "host/mdlsystem.h"
#include "host/sim/system/system.h"
#include "tests/support/tempdir.h"

namespace {

/* The scratch folder, with a trailing '/', made once per process. */
std::string scratch() {
    static const TempDir folder;
    static const std::string dir = [] {
        folder.writeFile("Drive/Program Files/Tarvik/Data/Tarvik.rsc", "x");
        for (int i = 0; i < 8; ++i) std::filesystem::create_directories(folder.path("list" + std::to_string(i)));
        folder.writeFile("list7/target.cel", "x");
        return folder.path("");
    }();
    return dir;
}

void BM_ExpandNested(benchmark::State& state) {
    sim::defineVariable("ROOT", "c:\\zm\\", 0);
    sim::defineVariable("DATA", "$(ROOT)data\\", 0);
    sim::defineVariable("FILE", "$(DATA)tarvik.rsc;$(DATA)other.rsc", 0);
    for (auto _ : state) benchmark::DoNotOptimize(sim::expandVariables("$(FILE);$(ROOT)"));
}
BENCHMARK(BM_ExpandNested);

void BM_HostPathExact(benchmark::State& state) {
    sim::defineVariable("_HOST_DRIVE_C", scratch() + "Drive/", 0);
    for (auto _ : state) benchmark::DoNotOptimize(sim::hostPath("C:\\Program Files\\Tarvik\\Data\\Tarvik.rsc"));
}
BENCHMARK(BM_HostPathExact);

void BM_HostPathCaseInsensitive(benchmark::State& state) {
    sim::defineVariable("_HOST_DRIVE_C", scratch() + "Drive/", 0);
    for (auto _ : state) benchmark::DoNotOptimize(sim::hostPath("c:\\PROGRAM FILES\\tarvik\\DATA\\tarvik.RSC"));
}
BENCHMARK(BM_HostPathCaseInsensitive);

void BM_FindAlongEightFolders(benchmark::State& state) {
    std::string list;
    for (int i = 0; i < 8; ++i) list += scratch() + "list" + std::to_string(i) + "/;";
    sim::defineVariable("ZM_CELL", list, 0);
    char found[MAXFILELENGTH];
    for (auto _ : state) benchmark::DoNotOptimize(mdlFile_find(found, "target", "ZM_CELL", "cel"));
}
BENCHMARK(BM_FindAlongEightFolders);

int scaleChanged(double oldScale, double newScale) { return static_cast<int>(oldScale + newScale); }

void BM_CallAnyFunctionDD(benchmark::State& state) {
    for (auto _ : state)
        benchmark::DoNotOptimize(dlmSystem_callAnyFunction("DD", nullptr, reinterpret_cast<void*>(scaleChanged), 1.0, 2.0));
}
BENCHMARK(BM_CallAnyFunctionDD);

}  // namespace

BENCHMARK_MAIN();
