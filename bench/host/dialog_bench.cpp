/* Speed of the dialog area: an access string resolved and written, a dialog
** of 20 bound items opened and closed, a key-in parsed through a command
** table of 200 commands. */
#include <benchmark/benchmark.h>

#include <cstring>
#include <string>

#include "host/mdlcommand.h"
#include "host/mdldialog.h"
#include "host/sim/system/system.h"
#include "host/sim/dialogs/dialogs.h"
#include "host/sim/interaction/interaction.h"
#include "host/sim/design/design.h"
#include "host/sim/resources/resources.h"
#include "tests/support/tempdir.h"

namespace {

struct Inner {
    double gap;
    int32_t type;
};
struct Outer {
    char text[16];
    Inner inner;
    int32_t values[8];
};
Outer record;
Outer* recordP = &record;

void noCommand(char*) {}

/* One application with its resource file, "rec" published, once per process. */
MdlDesc* setUp() {
    static MdlDesc* app = nullptr;
    static const TempDir scratch;
    if (app) return app;
    std::string path = scratch.path("bench.ma");
    mdlResource_createFile(path.c_str(), "bench", 1);
    RscFileHandle f = 0;
    mdlResource_openFile(&f, path.c_str(), 1);
    std::vector<uint8_t> bytes;
    sim::TypeDescriptionRsc inner{"inner", sizeof(Inner), {{"gap", 0, sim::FieldKind::Double, 8, 1, {}},
                                                           {"type", 8, sim::FieldKind::Int32, 4, 1, {}}}};
    sim::packTypeDescription(inner, bytes);
    mdlResource_add(f, RTYPE_TYPEDESC, 1, bytes.data(), static_cast<uint32_t>(bytes.size()), "inner");
    sim::TypeDescriptionRsc outer{"outer", sizeof(Outer),
                                  {{"text", 0, sim::FieldKind::Chars, 1, 16, {}},
                                   {"inner", offsetof(Outer, inner), sim::FieldKind::Struct, sizeof(Inner), 1, "inner"},
                                   {"values", offsetof(Outer, values), sim::FieldKind::Int32, 4, 8, {}}}};
    sim::packTypeDescription(outer, bytes);
    mdlResource_add(f, RTYPE_TYPEDESC, 2, bytes.data(), static_cast<uint32_t>(bytes.size()), "outer");
    sim::DialogRsc d;
    d.id = 1;
    for (int i = 0; i < 20; ++i) {
        sim::DialogItemRsc it;
        it.type = i % 2 ? ITEMTYPE_TEXT : ITEMTYPE_OPTIONBUTTON;
        it.id = i + 1;
        it.access = i % 2 ? "rec.inner.gap" : "rec.values[" + std::to_string(i % 8) + "]";
        it.entries = {{0, {"zero"}}, {1, {"one"}}};
        d.items.push_back(it);
    }
    sim::packDialog(d, bytes);
    mdlResource_add(f, RTYPE_DIALOG, 1, bytes.data(), static_cast<uint32_t>(bytes.size()), nullptr);
    sim::CommandTableRsc t;
    for (int i = 0; i < 200; ++i) t.commands.push_back({i + 1, 0, {"BENCH", "CMD" + std::to_string(i), "GO"}});
    sim::packCommandTable(t, bytes);
    mdlResource_add(f, RTYPE_COMMANDTABLE, 1, bytes.data(), static_cast<uint32_t>(bytes.size()), nullptr);
    mdlResource_closeFile(f);

    app = sim::registerApplication("bench", path);
    sim::openApplicationResources(app);
    sim::CurrentApplicationScope scope(app);
    SymbolSet* set = mdlCExpression_initializeSet(4, 0, 0);
    mdlDialog_publishComplexPtr(set, "outer", "rec", &recordP);
    static MdlCommandNumber table[201];
    for (int i = 0; i < 200; ++i) table[i] = {noCommand, i + 1};
    table[200] = {nullptr, 0};
    mdlSystem_registerCommandNumbers(table);
    mdlParse_loadCommandTable(0);
    return app;
}

void BM_AccessWriteNested(benchmark::State& st) {
    sim::CurrentApplicationScope scope(setUp());
    std::string error;
    for (auto _ : st) benchmark::DoNotOptimize(sim::writeAccess("rec.inner.gap", "2.5", error));
}
BENCHMARK(BM_AccessWriteNested);

void BM_AccessReadArrayElement(benchmark::State& st) {
    sim::CurrentApplicationScope scope(setUp());
    std::string text, error;
    for (auto _ : st) benchmark::DoNotOptimize(sim::readAccess("rec.values[5]", text, error));
}
BENCHMARK(BM_AccessReadArrayElement);

void BM_DialogOpenClose20Items(benchmark::State& st) {
    sim::CurrentApplicationScope scope(setUp());
    for (auto _ : st) {
        DialogBox* db = mdlDialog_open(0, 1);
        mdlWindow_close(db);
    }
}
BENCHMARK(BM_DialogOpenClose20Items);

void BM_KeyinParse200Commands(benchmark::State& st) {
    setUp();
    std::string error;
    for (auto _ : st) benchmark::DoNotOptimize(sim::dispatchKeyin("bench cmd199 go now", error));
}
BENCHMARK(BM_KeyinParse200Commands);

}  // namespace

BENCHMARK_MAIN();
