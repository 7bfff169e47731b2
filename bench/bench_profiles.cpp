// Reading profiles: the thirteen built-in documents and a directory of 500 profile files, each
// beside a bare tinyxml2 parse of the same bytes as the floor. Goal: reading, which builds the
// whole profile from the document, takes at most twice the bare parse.
#include "BenchReport.h"
#include "BenchRuns.h"
#include "models/BuiltinProfiles.h"
#include "models/ProfileData.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>
#include <tinyxml2.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

constexpr int directorySize = 500;
constexpr double ratioGoal = 2.0;

const QTemporaryDir& profileDirectory()
{
    static QTemporaryDir directory;
    static const bool filled = [] {
        for (int i = 0; i < directorySize; ++i) {
            QFile file(directory.filePath(QString("profile%1.xml").arg(i, 3, 10, QChar('0'))));
            const std::string& text = builtinProfiles[std::size_t(i) % builtinProfiles.size()];
            if (!file.open(QIODevice::WriteOnly) ||
                file.write(text.data(), qint64(text.size())) != qint64(text.size()))
                std::abort();
        }
        return true;
    }();
    (void)filled;
    return directory;
}

std::vector<std::string> profilePaths()
{
    std::vector<std::string> paths;
    const QDir dir(profileDirectory().path());
    for (const QFileInfo& info : dir.entryInfoList({"*.xml"}, QDir::Files, QDir::Name))
        paths.push_back(info.canonicalFilePath().toStdString());
    return paths;
}

void readBuiltins(benchmark::State& state)
{
    for (auto _ : state)
        for (const std::string& text : builtinProfiles)
            benchmark::DoNotOptimize(ProfileData::fromXml(text));
}

void parseBuiltins(benchmark::State& state)
{
    for (auto _ : state)
        for (const std::string& text : builtinProfiles) {
            tinyxml2::XMLDocument document(true, tinyxml2::PRESERVE_WHITESPACE);
            benchmark::DoNotOptimize(document.Parse(text.c_str()));
        }
}

void readDirectory(benchmark::State& state)
{
    for (auto _ : state)
        for (const std::string& path : profilePaths())
            benchmark::DoNotOptimize(ProfileData::fromFile(path));
}

void parseDirectory(benchmark::State& state)
{
    for (auto _ : state)
        for (const std::string& path : profilePaths()) {
            tinyxml2::XMLDocument document(true, tinyxml2::PRESERVE_WHITESPACE);
            benchmark::DoNotOptimize(document.LoadFile(path.c_str()));
        }
}

} // namespace

BENCHMARK(readBuiltins)->Unit(benchmark::kMillisecond);
BENCHMARK(parseBuiltins)->Unit(benchmark::kMillisecond);
BENCHMARK(readDirectory)->Unit(benchmark::kMillisecond);
BENCHMARK(parseDirectory)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    profileDirectory();
    kolz::bench::CollectingReporter runs;
    benchmark::RunSpecifiedBenchmarks(&runs);
    benchmark::Shutdown();

    kolz::bench::Report report("bench_profiles");
    const struct
    {
        const char* name;
        const char* what;
        const char* reading;
        const char* floor;
    } pairs[] = {
        {"profiles/builtins", "builtin profiles (13)", "readBuiltins", "parseBuiltins"},
        {"profiles/directory", "profile directory (500 files)", "readDirectory", "parseDirectory"},
    };
    for (const auto& pair : pairs) {
        const auto reading = runs.seconds(pair.reading);
        const auto floor = runs.seconds(pair.floor);
        if (!reading || !floor)
            continue;
        std::printf("%s: read %.3f ms, floor (bare tinyxml2 parse) %.3f ms, ratio %.2f\n",
                    pair.what, *reading * 1e3, *floor * 1e3, *reading / *floor);
        const std::string name = pair.name;
        report.figure(name, *reading * 1e3, "ms");
        report.figure(name + " floor", *floor * 1e3, "ms");
        report.verdict(name + " vs floor", *reading / *floor, "x", ratioGoal,
                       kolz::bench::Better::Lower);
    }
    return report.exitStatus();
}
