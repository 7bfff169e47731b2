// Reading profiles: the thirteen built-in documents and a directory of 500 profile files, each
// beside a bare tinyxml2 parse of the same bytes as the floor.
#include "models/BuiltinProfiles.h"
#include "models/ProfileData.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>
#include <tinyxml2.h>

#include <cstdio>
#include <map>

namespace {

constexpr int directorySize = 500;

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

// Prints each reading time beside its floor once all have run.
class RatioReporter : public benchmark::ConsoleReporter
{
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        for (const Run& run : runs)
            m_times[run.benchmark_name()] = run.GetAdjustedRealTime(); // milliseconds
        ConsoleReporter::ReportRuns(runs);
    }

    void Finalize() override
    {
        ConsoleReporter::Finalize();
        printRatio("builtin profiles (13)", "readBuiltins", "parseBuiltins");
        printRatio("profile directory (500 files)", "readDirectory", "parseDirectory");
    }

private:
    void printRatio(const char* what, const std::string& reading, const std::string& floor)
    {
        if (!m_times.count(reading) || !m_times.count(floor))
            return;
        std::printf("%s: read %.3f ms, floor (bare tinyxml2 parse) %.3f ms, ratio %.2f\n", what,
                    m_times[reading], m_times[floor], m_times[reading] / m_times[floor]);
    }

    std::map<std::string, double> m_times;
};

} // namespace

BENCHMARK(readBuiltins)->Unit(benchmark::kMillisecond);
BENCHMARK(parseBuiltins)->Unit(benchmark::kMillisecond);
BENCHMARK(readDirectory)->Unit(benchmark::kMillisecond);
BENCHMARK(parseDirectory)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    profileDirectory();
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
