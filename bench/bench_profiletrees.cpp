// Showing and saving a profile: building the three tree models of the largest built-in profile,
// and rebuilding its data from them. The floor is what an editor needs to feel immediate when
// the user picks a profile or saves it: both well inside one 60 Hz frame, 60 per second.
#include "BenchReport.h"
#include "BenchRuns.h"
#include "models/BuiltinProfiles.h"
#include "models/Profile.h"
#include "models/ProfileDataWrapper.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <memory>
#include <string>

namespace {

constexpr double floorPerSecond = 60;

std::shared_ptr<ProfileDataWrapper> largestBuiltin()
{
    const auto largest = std::max_element(
        builtinProfiles.begin(), builtinProfiles.end(),
        [](const std::string& a, const std::string& b) { return a.size() < b.size(); });
    return std::make_shared<ProfileDataWrapper>(ProfileDataWrapper::fromXml(*largest, false));
}

void buildModels(benchmark::State& state)
{
    const auto wrapper = largestBuiltin();
    for (auto _ : state) {
        models::Profile profile(nullptr, wrapper);
        benchmark::DoNotOptimize(profile.capabilityTree());
    }
    state.counters["per_second"] =
        benchmark::Counter(double(state.iterations()), benchmark::Counter::kIsRate);
    state.counters["floor/s"] = floorPerSecond;
}

void rebuildData(benchmark::State& state)
{
    const auto wrapper = largestBuiltin();
    const models::Profile profile(nullptr, wrapper);
    ProfileData data = *wrapper->data();
    for (auto _ : state) {
        data.updateFromModels(profile);
        benchmark::DoNotOptimize(data.eglConfigs.size());
    }
    state.counters["per_second"] =
        benchmark::Counter(double(state.iterations()), benchmark::Counter::kIsRate);
    state.counters["floor/s"] = floorPerSecond;
}

} // namespace

BENCHMARK(buildModels)->Unit(benchmark::kMicrosecond);
BENCHMARK(rebuildData)->Unit(benchmark::kMicrosecond);

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    kolz::bench::CollectingReporter runs;
    benchmark::RunSpecifiedBenchmarks(&runs);
    benchmark::Shutdown();

    kolz::bench::Report report("bench_profiletrees");
    for (const char* name : {"buildModels", "rebuildData"}) {
        if (const auto rate = runs.counter(name, "per_second"))
            report.verdict(std::string("profiletrees/") + name, *rate, "per s", floorPerSecond,
                           kolz::bench::Better::Higher);
    }
    return report.exitStatus();
}
