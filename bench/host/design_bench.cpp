/* Design file speed and memory: adding a million lines in one event and
** reopening the file, scanning for type 66 on level 20, and resident memory
** per element. Each is measured against a baseline in the same run (raw
** SQLite, a plain loop) and reports the ratio. */
#include <benchmark/benchmark.h>
#include <sqlite3.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <ctime>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "bench/bench_main.h"
#include "host/mdlelement.h"
#include "host/mdlgeom.h"
#include "host/sim/base/base.h"
#include "host/sim/design/design.h"
#include "tests/support/tempdir.h"

namespace {

constexpr int kElements = 1000000;

struct BenchState {
    TempDir scratch;
    bool linesBuilt = false, mixedBuilt = false;
};
BenchState bench;

std::string file(const char* name) { return bench.scratch.path(name); }

/* Wall-clock and process CPU time; on a shared machine the CPU figure is the
** steadier one, so both are reported. */
struct Stopwatch {
    std::chrono::steady_clock::time_point wall = std::chrono::steady_clock::now();
    double cpu = cpuNow();
    static double cpuNow() {
        timespec t{};
        clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
        return t.tv_sec + t.tv_nsec * 1e-9;
    }
    double wallSeconds() const { return std::chrono::duration<double>(std::chrono::steady_clock::now() - wall).count(); }
    double cpuSeconds() const { return cpuNow() - cpu; }
};

void addLines(int count) {
    for (int i = 0; i < count; ++i) {
        const Dpoint3d pts[2] = {{double(i), 0, 0}, {double(i) + 10, 5, 0}};
        mdlLine_create(dgnBufP, nullptr, pts);
        mdlElement_add(dgnBufP);
    }
}

/* 1,000,000 elements, every hundredth a type-66 element on level 20. */
void buildMixed() {
    if (bench.mixedBuilt) return;
    std::string error;
    std::filesystem::remove(file("mixed.design"));
    sim::design::open(file("mixed.design"), true, error);
    sim::runEvent([] {
        uint8_t data[48] = {};
        sim::elem::put4(data, DATA_ELM);
        sim::elem::put4(data + 4, 24);
        sim::elem::put4(data + 8, 24);
        sim::elem::put4(data + 12, 20);
        for (int i = 0; i < kElements; ++i) {
            if (i % 100 == 50) {
                mdlElement_add(reinterpret_cast<MSElement*>(data));
            } else {
                const Dpoint3d pts[2] = {{double(i), 0, 0}, {double(i) + 10, 5, 0}};
                mdlLine_create(dgnBufP, nullptr, pts);
                UInt32 level = 20;
                mdlElement_setProperties(dgnBufP, &level, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr);
                mdlElement_add(dgnBufP);
            }
        }
        return true;
    });
    sim::design::close();
    bench.mixedBuilt = true;
}

/* Rates of a raw SQLite insert of a million rows shaped like the design
** file's (one transaction, WAL), and of a select of them back. */
struct RawRates {
    double insert = 0, select = 0, insertCpu = 0, selectCpu = 0, insertSeconds = 0;
};
RawRates rawInsertSelect() {
    RawRates r;
    std::filesystem::remove(file("raw.db"));
    std::filesystem::remove(file("raw.db-wal"));
    sqlite3* db = nullptr;
    sqlite3_open(file("raw.db").c_str(), &db);
    sqlite3_exec(db, "PRAGMA journal_mode=WAL; PRAGMA synchronous=FULL; CREATE TABLE e(key INTEGER PRIMARY KEY,"
                     " deleted INTEGER, data BLOB);", nullptr, nullptr, nullptr);
    uint8_t blob[104] = {3};
    Stopwatch insertWatch;
    sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(db, "INSERT INTO e VALUES(?, 0, ?)", -1, &st, nullptr);
    for (int i = 1; i <= kElements; ++i) {
        std::memcpy(blob + 56, &i, sizeof i);
        sqlite3_bind_int64(st, 1, (sqlite3_int64{1} << 32) | i);
        sqlite3_bind_blob(st, 2, blob, sizeof blob, SQLITE_STATIC);
        sqlite3_step(st);
        sqlite3_reset(st);
    }
    sqlite3_finalize(st);
    sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
    double insert = insertWatch.wallSeconds(), insertCpu = insertWatch.cpuSeconds();
    Stopwatch selectWatch;
    sqlite3_prepare_v2(db, "SELECT key, deleted, data FROM e ORDER BY key", -1, &st, nullptr);
    size_t bytes = 0;
    while (sqlite3_step(st) == SQLITE_ROW) bytes += sqlite3_column_bytes(st, 2);
    sqlite3_finalize(st);
    double select = selectWatch.wallSeconds(), selectCpu = selectWatch.cpuSeconds();
    benchmark::DoNotOptimize(bytes);
    sqlite3_close(db);
    std::filesystem::remove(file("raw.db"));
    r.insert = kElements / insert;
    r.select = kElements / select;
    r.insertCpu = kElements / insertCpu;
    r.selectCpu = kElements / selectCpu;
    r.insertSeconds = insert;
    return r;
}

void BM_RawSqliteInsertBaseline(benchmark::State& state) {
    RawRates r;
    for (auto _ : state) {
        r = rawInsertSelect();
        state.SetIterationTime(r.insertSeconds);
    }
    state.counters["insert/s"] = r.insert;
    state.counters["select/s"] = r.select;
    state.counters["insert/cpu_s"] = r.insertCpu;
    state.counters["select/cpu_s"] = r.selectCpu;
}
BENCHMARK(BM_RawSqliteInsertBaseline)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);

/* Adds of a million lines in one event (commit included), then close and
** reopen; each against the raw insert and select run just before it. */
void BM_AddMillionLinesThenReopen(benchmark::State& state) {
    double addRate = 0, openRate = 0, addCpuRate = 0, openCpuRate = 0;
    RawRates raw;
    for (auto _ : state) {
        raw = rawInsertSelect();
        std::filesystem::remove(file("lines.design"));
        std::string error;
        sim::design::open(file("lines.design"), true, error);
        Stopwatch addWatch;
        sim::runEvent([] { addLines(kElements); return true; });
        double add = addWatch.wallSeconds(), addCpu = addWatch.cpuSeconds();
        sim::design::close();
        Stopwatch openWatch;
        sim::design::open(file("lines.design"), false, error);
        double open = openWatch.wallSeconds(), openCpu = openWatch.cpuSeconds();
        if (mdlModelRef_getEof(nullptr) != kElements) state.SkipWithError("the reopened file lost elements");
        sim::design::close();
        addRate = kElements / add;
        openRate = kElements / open;
        addCpuRate = kElements / addCpu;
        openCpuRate = kElements / openCpu;
        state.SetIterationTime(add + open);
    }
    bench.linesBuilt = true;
    state.counters["adds/s"] = addRate;
    state.counters["adds_vs_raw_insert"] = addRate / raw.insert;
    state.counters["reopen_elements/s"] = openRate;
    state.counters["reopen_vs_raw_select"] = openRate / raw.select;
    state.counters["adds/cpu_s"] = addCpuRate;
    state.counters["adds_vs_raw_insert_cpu"] = addCpuRate / raw.insertCpu;
    state.counters["reopen/cpu_s"] = openCpuRate;
    state.counters["reopen_vs_raw_select_cpu"] = openCpuRate / raw.selectCpu;
}
BENCHMARK(BM_AddMillionLinesThenReopen)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);

/* The baseline of the scan: one pass over a plain array of (type, level)
** pairs. Answers the wall and CPU seconds of the pass. */
struct Entry { uint16_t type; uint32_t level; };
const std::vector<Entry>& plainEntries() {
    static const std::vector<Entry> entries = [] {
        std::vector<Entry> e(kElements);
        for (int i = 0; i < kElements; ++i) e[i] = {static_cast<uint16_t>(i % 100 == 50 ? 66 : 3), 20};
        return e;
    }();
    return entries;
}
std::pair<double, double> plainLoop() {
    Stopwatch watch;
    int hits = 0;
    for (const Entry& e : plainEntries()) hits += e.type == 66 && e.level == 20;
    benchmark::DoNotOptimize(hits);
    return {watch.wallSeconds(), watch.cpuSeconds()};
}

void BM_PlainLoopBaseline(benchmark::State& state) {
    double rate = 0, cpuRate = 0;
    for (auto _ : state) {
        auto [t, cpu] = plainLoop();
        rate = kElements / t;
        cpuRate = kElements / cpu;
        state.SetIterationTime(t);
    }
    state.counters["elements/s"] = rate;
    state.counters["elements/cpu_s"] = cpuRate;
}
BENCHMARK(BM_PlainLoopBaseline)->Iterations(5)->UseManualTime()->Unit(benchmark::kMillisecond);

void BM_ScanType66OnLevel20(benchmark::State& state) {
    buildMixed();
    std::string error;
    sim::design::open(file("mixed.design"), false, error);
    double rate = 0, cpuRate = 0, loopRate = 0, loopCpuRate = 0;
    int found = 0;
    for (auto _ : state) {
        auto [loop, loopCpu] = plainLoop();   /* this iteration's own baseline */
        loopRate = kElements / loop;
        loopCpuRate = kElements / loopCpu;
        Stopwatch watch;
        ScanCriteriaP sc = mdlScanCriteria_create();
        mdlScanCriteria_setModel(sc, mdlModelRef_getActive());
        mdlScanCriteria_addSingleElementTypeTest(sc, 66);
        mdlScanCriteria_addSingleLevelTest(sc, 20);
        mdlScanCriteria_setReturnType(sc, SCAN_RETURN_FILEPOS, 0, 1);
        found = 0;
        for (;;) {
            UInt32 buffer[64];
            int words = 128;
            int status = mdlScanCriteria_scan(sc, buffer, &words, nullptr);
            found += words / 2;
            if (words == 0 || status != SCAN_BUFFER_FULL) break;
        }
        mdlScanCriteria_free(sc);
        double t = watch.wallSeconds();
        rate = kElements / t;
        cpuRate = kElements / watch.cpuSeconds();
        state.SetIterationTime(t);
    }
    if (found != kElements / 100) state.SkipWithError("wrong number of matches");
    sim::design::close();
    state.counters["elements/s"] = rate;
    state.counters["vs_plain_loop"] = rate / loopRate;
    state.counters["elements/cpu_s"] = cpuRate;
    state.counters["vs_plain_loop_cpu"] = cpuRate / loopCpuRate;
}
BENCHMARK(BM_ScanType66OnLevel20)->Iterations(5)->UseManualTime()->Unit(benchmark::kMillisecond);

/* Peak resident memory per element in a fresh process: once loading the
** million-line file, once adding a million lines in one event (undo journal
** included). Measured in a child so that earlier benchmarks do not count. */
double childPeakBytesPerElement(bool load) {
    int fds[2];
    if (pipe(fds) != 0) return -1;
    pid_t pid = fork();
    if (pid == 0) {
        close(fds[0]);
        struct rusage before{}, after{};
        getrusage(RUSAGE_SELF, &before);
        std::string error;
        if (load) {
            sim::design::open(file("lines.design"), false, error);
        } else {
            std::filesystem::remove(file("rss.design"));
            sim::design::open(file("rss.design"), true, error);
            sim::runEvent([] { addLines(kElements); return true; });
        }
        getrusage(RUSAGE_SELF, &after);
        double perElement = (after.ru_maxrss - before.ru_maxrss) * 1024.0 / kElements;
        if (mdlModelRef_getEof(nullptr) != kElements) perElement = -1;
        if (write(fds[1], &perElement, sizeof perElement) != sizeof perElement) _exit(1);
        _exit(0);
    }
    close(fds[1]);
    double value = -1;
    if (read(fds[0], &value, sizeof value) != sizeof value) value = -1;
    close(fds[0]);
    waitpid(pid, nullptr, 0);
    return value;
}

void BM_ResidentBytesPerLine(benchmark::State& state) {
    double loaded = 0, added = 0;
    for (auto _ : state) {
        if (!bench.linesBuilt) {
            std::string error;
            std::filesystem::remove(file("lines.design"));
            sim::design::open(file("lines.design"), true, error);
            sim::runEvent([] { addLines(kElements); return true; });
            sim::design::close();
            bench.linesBuilt = true;
        }
        loaded = childPeakBytesPerElement(true);
        added = childPeakBytesPerElement(false);
        state.SetIterationTime(1.0);
    }
    if (loaded < 0 || added < 0) state.SkipWithError("the measuring process failed");
    state.counters["loaded_bytes/element"] = loaded;
    state.counters["added_bytes/element"] = added;
    state.counters["record_bytes/element"] = 104;
}
BENCHMARK(BM_ResidentBytesPerLine)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace

ZM_BENCHMARK_MAIN()
