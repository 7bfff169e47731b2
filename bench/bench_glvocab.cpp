// Lookups per second of the enum name functions, cycling over every entry of
// their tables. Each figure is printed beside its floor: the display code
// calls these once per shown value, so a million a second is ample.

#include "BenchReport.h"
#include "BenchRuns.h"

#include <benchmark/benchmark.h>

#include <cstddef>
#include <string>
#include <vector>

#include "glvocab/EnumNames.h"
#include "glvocab/generated/VocabularyTables.h"

namespace {

constexpr double floorPerSecond = 1e6;

void report(benchmark::State& state)
{
    state.SetItemsProcessed(state.iterations());
    state.counters["floor/s"] = floorPerSecond;
}

void enumName(benchmark::State& state)
{
    const auto& table = glvocab_tables::kEnumNames;
    std::size_t i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(glEnumName(table[i].value));
        i = i + 1 == std::size(table) ? 0 : i + 1;
    }
    report(state);
}

void enumValueFromName(benchmark::State& state)
{
    const auto& table = glvocab_tables::kEnumValues;
    std::size_t i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(glEnumValueFromName(table[i].name));
        i = i + 1 == std::size(table) ? 0 : i + 1;
    }
    report(state);
}

void enumNameForNumber(benchmark::State& state)
{
    std::vector<std::string> texts;
    for (const auto& entry : glvocab_tables::kKnownValues)
        texts.push_back(std::to_string(static_cast<long long>(entry.value)));
    std::size_t i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(enumNameForNumericText(texts[i].c_str()));
        i = i + 1 == texts.size() ? 0 : i + 1;
    }
    report(state);
}

} // namespace

BENCHMARK(enumName);
BENCHMARK(enumValueFromName);
BENCHMARK(enumNameForNumber);

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    kolz::bench::CollectingReporter runs;
    benchmark::RunSpecifiedBenchmarks(&runs);
    benchmark::Shutdown();

    kolz::bench::Report report("bench_glvocab");
    for (const char* name : {"enumName", "enumValueFromName", "enumNameForNumber"}) {
        if (const auto rate = runs.counter(name, "items_per_second"))
            report.verdict(std::string("glvocab/") + name, *rate, "lookups/s", floorPerSecond,
                           kolz::bench::Better::Higher);
    }
    return report.exitStatus();
}
