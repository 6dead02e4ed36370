/* Speed of the resource area: loading a resource, formatting a message from a
** list, loading a string list, and a write inside one event. */
#include <benchmark/benchmark.h>

#include <cstring>
#include <string>

#include "host/mdlsystem.h"
#include "host/sim/base/base.h"
#include "host/sim/resources/resources.h"
#include "tests/support/tempdir.h"

namespace {

constexpr uint32_t TARV = fourCC("Tarv");

/* A scratch resource file with a 200-byte settings resource, a message list
** of 100 messages and a string list of 1000 members, open for writing. */
struct Fixture : TempDir {
    RscFileHandle file = 0;
    Fixture() {
        std::string path = this->path("bench.rsc");
        mdlResource_createFile(path.c_str(), "bench", 1);
        mdlResource_openFile(&file, path.c_str(), 1);
        std::string settings(200, 's');
        mdlResource_add(file, TARV, 1, settings.data(), 200, nullptr);
        sim::MessageListRsc list;
        for (int i = 1; i <= 100; ++i) list.messages.push_back({i, "Message %d of the list, for %s"});
        std::vector<uint8_t> bytes;
        sim::packMessageList(list, bytes);
        mdlResource_add(file, RTYPE_MESSAGELIST, 20005, bytes.data(), static_cast<uint32_t>(bytes.size()), nullptr);
        StringList* sl = mdlStringList_create(1000, 1);
        for (int i = 0; i < 1000; ++i) mdlStringList_setMember(sl, i, "1:1000 scale row", nullptr);
        mdlStringList_addResource(file, 20001, sl);
        mdlStringList_destroy(sl);
    }
    ~Fixture() { sim::resetForTests(); }
};

void BM_LoadResource(benchmark::State& state) {
    Fixture f;
    for (auto _ : state) {
        void* p = mdlResource_load(f.file, TARV, 1);
        benchmark::DoNotOptimize(p);
        mdlResource_free(p);
    }
}
BENCHMARK(BM_LoadResource);

void BM_MessageFromList(benchmark::State& state) {
    Fixture f;
    char buffer[1024];
    for (auto _ : state) {
        mdlOutput_rscsPrintf(buffer, 0, 20005, 77, 77, "the bench");
        benchmark::DoNotOptimize(buffer);
    }
}
BENCHMARK(BM_MessageFromList);

void BM_LoadStringList1000(benchmark::State& state) {
    Fixture f;
    for (auto _ : state) {
        StringList* sl = mdlStringList_loadResource(f.file, 20001);
        benchmark::DoNotOptimize(sl);
        mdlStringList_destroy(sl);
    }
}
BENCHMARK(BM_LoadStringList1000);

void BM_WriteInOneEvent(benchmark::State& state) {
    Fixture f;
    for (auto _ : state) {
        sim::runEvent([&] {
            void* p = mdlResource_load(f.file, TARV, 1);
            std::memset(p, 'w', 8);
            int st = mdlResource_write(p);
            mdlResource_free(p);
            return st == 0;
        });
    }
}
BENCHMARK(BM_WriteInOneEvent);

}  // namespace

BENCHMARK_MAIN();
