/* Cost of finding the caller's global data record, which every library
** function that keeps state pays first, with the application table full. */
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "host/mdlsystem.h"
#include "host/sim/base/base.h"
#include "host/sim/system/system.h"
#include "host/sim/dialogs/dialogs.h"
#include "host/sim/interaction/interaction.h"
#include "host/sim/resources/resources.h"
#include "host/sim/design/design.h"
#include "lib/core/main.h"
#include "lib/core/main_int.h"

namespace {

/* Start LIVE applications (ZM_DIR defined: no question asked); the last is current. */
std::vector<MdlDesc*> startApplications(int live) {
    sim::resetForTests();
    zmlib::main::resetForTests();
    sim::defineVariable("ZM_DIR", "C:\\zm\\", CFGVAR_LEVEL_USER);
    std::vector<MdlDesc*> apps;
    for (int i = 0; i < live; ++i) {
        MdlDesc* d = sim::registerApplication("BENCH" + std::to_string(i));
        sim::CurrentApplicationScope scope(d);
        char* argv[] = {const_cast<char*>("bench.so"), nullptr};
        zmlibMain_initZmLib("Bench", 1, argv);
        apps.push_back(d);
    }
    return apps;
}

void BM_GetGlobalData(benchmark::State& st) {
    std::vector<MdlDesc*> apps = startApplications(static_cast<int>(st.range(0)));
    sim::CurrentApplicationScope scope(apps.back()); /* the last entry: the longest walk */
    for (auto _ : st) benchmark::DoNotOptimize(zmlibMain_getGlobalDataP());
    st.SetLabel(std::to_string(zmlib::main::tableCount()) + " entries");
}
BENCHMARK(BM_GetGlobalData)->Arg(1)->Arg(10)->Arg(zmlib::main::MAX_APPLICATIONS);

void BM_StartUp(benchmark::State& st) {
    for (auto _ : st) {
        st.PauseTiming();
        sim::resetForTests();
        zmlib::main::resetForTests();
        sim::defineVariable("ZM_DIR", "C:\\zm\\", CFGVAR_LEVEL_USER);
        MdlDesc* d = sim::registerApplication("BENCH");
        st.ResumeTiming();
        sim::CurrentApplicationScope scope(d);
        char* argv[] = {const_cast<char*>("bench.so"), nullptr};
        benchmark::DoNotOptimize(zmlibMain_initZmLib("Bench", 1, argv));
    }
}
BENCHMARK(BM_StartUp);

}  // namespace

BENCHMARK_MAIN();
