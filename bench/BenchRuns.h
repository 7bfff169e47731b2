#pragma once

// A console reporter that also keeps every run by name, so that a benchmark program can give
// its verdicts (bench/BenchReport.h) once all runs are done. A run left out by
// --benchmark_filter is simply not there: its verdict is skipped.

#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <optional>
#include <string>
#include <unistd.h>
#include <vector>

namespace kolz::bench {

class CollectingReporter : public benchmark::ConsoleReporter
{
public:
    // Colours only on a terminal, as the library's own reporter: a log stays plain text.
    CollectingReporter() : ConsoleReporter(::isatty(::fileno(stdout)) ? OO_Color : OO_None) {}

    void ReportRuns(const std::vector<Run>& runs) override
    {
        for (const Run& run : runs) {
            if (run.run_type == Run::RT_Iteration && !run.error_occurred)
                m_runs[run.benchmark_name()] = run;
        }
        ConsoleReporter::ReportRuns(runs);
    }

    // Wall time of one iteration, in seconds.
    std::optional<double> seconds(const std::string& name) const
    {
        const auto it = m_runs.find(name);
        if (it == m_runs.end())
            return std::nullopt;
        return it->second.GetAdjustedRealTime() /
               benchmark::GetTimeUnitMultiplier(it->second.time_unit);
    }

    // A counter as reported (rates already per second).
    std::optional<double> counter(const std::string& name, const std::string& counter) const
    {
        const auto it = m_runs.find(name);
        if (it == m_runs.end())
            return std::nullopt;
        const auto c = it->second.counters.find(counter);
        if (c == it->second.counters.end())
            return std::nullopt;
        return double(c->second);
    }

private:
    std::map<std::string, Run> m_runs;
};

} // namespace kolz::bench
