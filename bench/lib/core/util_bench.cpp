/* Token lists and line breaks over texts of the sizes the library meets:
** configuration lines and list-file rows. */
#include <benchmark/benchmark.h>

#include <cstring>
#include <string>

#include "lib/core/util.h"

namespace {

std::string row(int fields) {
    std::string text;
    for (int i = 0; i < fields; ++i) text += "field" + std::to_string(i) + (i % 3 ? ";" : ";;");
    return text;
}

void BM_Tokenize2(benchmark::State& state) {
    std::string text = row(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        int count = 0;
        char** tokens = zmlibString_tokenize2(&count, text.c_str(), ";");
        benchmark::DoNotOptimize(tokens);
        zmlibString_freeTokenList(tokens, count);
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_Tokenize2)->Arg(5)->Arg(20)->Arg(100);

void BM_SplitText(benchmark::State& state) {
    const char* source = "first line\\nsecond line\\nthird";
    char text[64], rest[64];
    for (auto _ : state) {
        std::strcpy(text, source);
        while (zmlibUtil_splitText(text, rest)) std::strcpy(text, rest);
        benchmark::DoNotOptimize(text);
    }
}
BENCHMARK(BM_SplitText);

}  // namespace

BENCHMARK_MAIN();
