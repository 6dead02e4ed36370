/* Speed of the interactive dimension commands. One dynamics step of
** placement with 24 segments in the chain (the host carries the cursor move
** to the command, which projects the cursor, builds the chain and shows it
** in the dynamics draw mode): target under 25 microseconds. Reading a placed
** 24-segment dimension back through the modify command's locate filter:
** target under 30 microseconds. Beside each, the same chain built without
** the host's display, to show where the time goes. */
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <chrono>
#include <cmath>
#include <numbers>
#include <string>

#include "app/dimcommands_int.h"
#include "app/dimdraw.h"
#include "app/dimrecord.h"
#include "app/tarvik.h"
#include "app/tarvikstate.h"
#include "bench/bench_main.h"
#include "host/mdldialog.h"
#include "host/mdlelement.h"
#include "host/mdlstate.h"
#include "host/mdlsystem.h"
#include "host/mdlview.h"
#include "host/sim/base/base.h"
#include "host/sim/design/design.h"
#include "host/sim/dialogs/dialogs.h"
#include "host/sim/display/display.h"
#include "host/sim/interaction/interaction.h"
#include "host/sim/resources/resources.h"
#include "host/sim/system/system.h"
#include "tests/support/tempdir.h"

namespace {

constexpr int kSegments = 24;
constexpr double UOR = 1000.0;  /* per master unit of a new design file */
const double c30 = std::cos(std::numbers::pi / 6), s30 = std::sin(std::numbers::pi / 6);

MdlDesc* app = nullptr;

/* A point DISTANCE master units along the 30 degree axis from the origin,
** OFFSET master units up. */
Dpoint3d along(double distance, double offset = 0) {
    return {distance * c30 * UOR, (distance * s30 + offset) * UOR, 0};
}

bool keyin(const std::string& text) {
    std::string error;
    bool ok = sim::dispatchKeyin(text, error);
    sim::runCommandQueue();
    return ok;
}

/* The application started in a scratch design file with one line along the
** 30 degree axis, 0 to 500 master units. */
void setUp() {
    static const TempDir scratch;
    if (app) return;
    sim::defineVariable("_HOST_DRIVE_C", scratch.path(""), CFGVAR_LEVEL_SYSTEM);
    sim::setModalHandler([](DialogBox*) { return static_cast<int>(ACTIONBUTTON_OK); });
    app = sim::registerApplication("TARVIK", ZM_MDLAPPS_DIR "/tarvik.ma");
    if (sim::openApplicationResources(app) != RSC_SUCCESS) std::abort();
    {
        sim::CurrentApplicationScope scope(app);
        char* argv[] = {const_cast<char*>("tarvik"), const_cast<char*>(""), nullptr};
        MdlMain(2, argv);
    }
    std::string error;
    if (!sim::design::open(scratch.path("bench.dgn"), true, error)) std::abort();
    if (!sim::view::setWindowMaster(1, -50, -50, 550, 400, error)) std::abort();
    MSElement line;
    Dpoint3d ends[2] = {along(0), along(500)};
    mdlLine_create(&line, nullptr, ends);
    if (mdlElement_add(&line) == 0) std::abort();
}

/* Placement running with 23 segments placed: the cursor makes the 24th.
** Placed once; the benchmarks end the command without storing. */
DimensionRecord placed;
void placeTwentyThree() {
    keyin("tarvik place dimension");
    sim::interact::dataPoint(along(0), 1);
    sim::interact::dataPoint(along(0, 40), 1);
    for (int i = 1; i < kSegments; ++i) sim::interact::dataPoint(along(i * 20), 1);
    placed = *tarvik().activeDimension;
}

void BM_PlacementDynamicsStep(benchmark::State& st) {
    setUp();
    placeTwentyThree();
    int i = 0;
    for (auto _ : st) {
        Dpoint3d cursor = along(kSegments * 20 + (i++ & 7), 3);
        sim::interact::cursorMove(cursor, 1);
    }
    st.counters["segments"] = tarvik().gd ? tarvik().gd->current : 0;
    mdlState_startDefaultCommand();
}
BENCHMARK(BM_PlacementDynamicsStep)->Unit(benchmark::kMicrosecond);

/* The same step without the host: project the cursor and build the chain's
** descriptor, shown nowhere. */
void BM_PlacementStepWithoutDisplay(benchmark::State& st) {
    setUp();
    placeTwentyThree();
    mdlState_startDefaultCommand();
    DimensionRecord dim = placed;
    sim::CurrentApplicationScope scope(app);  /* as the host runs the command's functions */
    int i = 0;
    for (auto _ : st) {
        Dpoint3d cursor = along(kSegments * 20 + (i++ & 7), 3);
        dim.points[kSegments] = dimDraw_projectPoint(&cursor, &dim.points[0].base, dim.axisAngle, dim.side);
        MSElementDescr* d = nullptr;
        dimDraw_buildDescr(&d, &dim, kSegments, DRAW_MODE_TEMP_DRAW);
        mdlElmdscr_freeAll(&d);
    }
}
BENCHMARK(BM_PlacementStepWithoutDisplay)->Unit(benchmark::kMicrosecond);

/* The two steps above in turns, a hundred of each per iteration, so that
** their ratio is taken under the same load (target at most 1.15: the
** host's display should cost almost nothing). */
void BM_DisplayShareOfTheStep(benchmark::State& st) {
    setUp();
    placeTwentyThree();
    DimensionRecord dim = placed;
    constexpr int kTurn = 100;
    double with = 0, without = 0;
    int i = 0;
    for (auto _ : st) {
        auto start = std::chrono::steady_clock::now();
        for (int k = 0; k < kTurn; ++k) sim::interact::cursorMove(along(kSegments * 20 + (i++ & 7), 3), 1);
        auto middle = std::chrono::steady_clock::now();
        {
            sim::CurrentApplicationScope scope(app);
            for (int k = 0; k < kTurn; ++k) {
                Dpoint3d cursor = along(kSegments * 20 + (i++ & 7), 3);
                dim.points[kSegments] = dimDraw_projectPoint(&cursor, &dim.points[0].base, dim.axisAngle, dim.side);
                MSElementDescr* d = nullptr;
                dimDraw_buildDescr(&d, &dim, kSegments, DRAW_MODE_TEMP_DRAW);
                mdlElmdscr_freeAll(&d);
            }
        }
        auto end = std::chrono::steady_clock::now();
        with += std::chrono::duration<double, std::micro>(middle - start).count();
        without += std::chrono::duration<double, std::micro>(end - middle).count();
    }
    double steps = static_cast<double>(st.iterations()) * kTurn;
    st.counters["step_us"] = with / steps;
    st.counters["without_display_us"] = without / steps;
    st.counters["ratio"] = without > 0 ? with / without : 0;
    mdlState_startDefaultCommand();
}
BENCHMARK(BM_DisplayShareOfTheStep)->Unit(benchmark::kMillisecond);

/* A stored 24-segment dimension, read back through the modify command's
** filter as it runs when the user picks one of its extension lines: the
** whole chain is read from the cell's user data into the edit copy. */
uint32_t storedAt = 0;
void storeTwentyFour() {
    if (storedAt) return;
    placeTwentyThree();
    sim::interact::dataPoint(along(kSegments * 20), 1);
    sim::interact::reset();
    mdlState_startDefaultCommand();
    storedAt = 1;
}

/* The filter alone, on the element a locate found (the host's located
** element and component stay as that locate left them). */
void BM_ModifyFilterReadBack(benchmark::State& st) {
    setUp();
    storeTwentyFour();
    keyin("tarvik modify dimension");
    Dpoint3d pick = along(kSegments * 20, 20);  /* on the last extension line */
    UInt32 pos = mdlLocate_findElement(&pick, 1, 0, 0, 0);
    DgnModelRefP model = nullptr;
    UInt32 top = mdlElement_getFilePos(FILEPOS_LOCATED_ELEMENT, &model);
    MSElement element;
    if (!pos || !top || mdlElement_read(&element, model, top) != 0) {
        st.SkipWithError("nothing located");
        return;
    }
    sim::CurrentApplicationScope scope(app);
    int accepted = 0;
    for (auto _ : st) accepted = dimModify_modifyFilter(&element, model, top, &pick, 1);
    st.counters["accepted"] = accepted == LOCATE_FILTER_ACCEPT;
    st.counters["segments"] = tarvik().editCopy->segmentCount;
    mdlState_startDefaultCommand();
}
BENCHMARK(BM_ModifyFilterReadBack)->Unit(benchmark::kMicrosecond);

/* The same with the host's locate around it: the search among the chain's
** elements, the candidates and the filter. */
void BM_ModifyLocateAndReadBack(benchmark::State& st) {
    setUp();
    storeTwentyFour();
    keyin("tarvik modify dimension");
    Dpoint3d pick = along(kSegments * 20, 20);
    UInt32 pos = 0;
    for (auto _ : st) pos = mdlLocate_findElement(&pick, 1, 0, 0, 0);
    st.counters["located"] = pos != 0;
    mdlState_startDefaultCommand();
}
BENCHMARK(BM_ModifyLocateAndReadBack)->Unit(benchmark::kMicrosecond);

}  // namespace

ZM_BENCHMARK_MAIN()
