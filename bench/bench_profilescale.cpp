// Reading and merging files far larger than real profiles, each beside a bare tinyxml2 parse of
// the same bytes as the floor: a profile of 20,000 `es` blocks of one version, read as at start-up,
// and two files of 40,000 sections each, loaded and merged as the import does. Goal: each takes
// at most twice its floor, which holds only while both grow in step with the file.
#include "BenchReport.h"
#include "BenchRuns.h"
#include "app/ProfileImport.h"
#include "models/ProfileData.h"

#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>
#include <tinyxml2.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

constexpr int blockCount = 20000;
constexpr int sectionCount = 40000;
constexpr double ratioGoal = 2.0;

struct Files
{
    QTemporaryDir directory;
    std::string blocks;
    std::string sectionsA;
    std::string sectionsB;
    std::size_t blockBytes = 0;
    std::size_t sectionBytes = 0;
};

std::size_t writeFile(const QString& path, const std::string& text)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) ||
        file.write(text.data(), qint64(text.size())) != qint64(text.size()))
        std::abort();
    return text.size();
}

// One extension per block, named in falling order so that the list must really be sorted.
std::string blockProfile()
{
    std::string xml = "<profile><device>Blocks</device>\n";
    char name[32];
    for (int i = blockCount; i-- > 0;) {
        std::snprintf(name, sizeof name, "GL_EXT_e%05d", i);
        xml += std::string("<es version=\"2\"><extension>") + name + "</extension></es>\n";
    }
    return xml + "<egl/></profile>\n";
}

// Sections of versions first, first + 1, ...; the second file overlaps the first by half.
std::string sectionProfile(int first)
{
    std::string xml = "<profile><device>Sections</device>\n";
    for (int v = first; v < first + sectionCount; ++v)
        xml += "<es version=\"" + std::to_string(v) + "\"><a>1</a></es>\n";
    return xml + "<egl/></profile>\n";
}

const Files& files()
{
    static Files f = [] {
        Files made;
        if (!made.directory.isValid())
            std::abort();
        made.blocks = made.directory.filePath("blocks.xml").toStdString();
        made.sectionsA = made.directory.filePath("sectionsA.xml").toStdString();
        made.sectionsB = made.directory.filePath("sectionsB.xml").toStdString();
        made.blockBytes = writeFile(QString::fromStdString(made.blocks), blockProfile());
        made.sectionBytes =
            writeFile(QString::fromStdString(made.sectionsA), sectionProfile(0)) +
            writeFile(QString::fromStdString(made.sectionsB), sectionProfile(sectionCount / 2));
        return made;
    }();
    return f;
}

void readBlocks(benchmark::State& state)
{
    for (auto _ : state) {
        const ProfileData data = ProfileData::fromFile(files().blocks);
        if (data.extensions.at(2).size() != std::size_t(blockCount))
            std::abort();
    }
}

void parseBlocks(benchmark::State& state)
{
    for (auto _ : state) {
        tinyxml2::XMLDocument document(true, tinyxml2::PRESERVE_WHITESPACE);
        benchmark::DoNotOptimize(document.LoadFile(files().blocks.c_str()));
    }
}

void mergeSections(benchmark::State& state)
{
    for (auto _ : state) {
        tinyxml2::XMLDocument output(true, tinyxml2::PRESERVE_WHITESPACE);
        for (const std::string* path : {&files().sectionsA, &files().sectionsB})
            mergeProfileFile(output, *path);
        if (!isImportableProfile(output))
            std::abort();
    }
}

void parseSections(benchmark::State& state)
{
    for (auto _ : state) {
        for (const std::string* path : {&files().sectionsA, &files().sectionsB}) {
            tinyxml2::XMLDocument document(true, tinyxml2::PRESERVE_WHITESPACE);
            benchmark::DoNotOptimize(document.LoadFile(path->c_str()));
        }
    }
}

} // namespace

BENCHMARK(readBlocks)->Unit(benchmark::kMillisecond);
BENCHMARK(parseBlocks)->Unit(benchmark::kMillisecond);
BENCHMARK(mergeSections)->Unit(benchmark::kMillisecond);
BENCHMARK(parseSections)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    files();
    kolz::bench::CollectingReporter runs;
    benchmark::RunSpecifiedBenchmarks(&runs);
    benchmark::Shutdown();

    kolz::bench::Report report("bench_profilescale");
    const struct
    {
        const char* name;
        std::string what;
        const char* work;
        const char* floor;
    } pairs[] = {
        {"profilescale/read",
         "read " + std::to_string(blockCount) + " blocks (" +
             std::to_string(files().blockBytes / 1024) + " KiB)",
         "readBlocks", "parseBlocks"},
        {"profilescale/merge",
         "merge 2 x " + std::to_string(sectionCount) + " sections (" +
             std::to_string(files().sectionBytes / 1024) + " KiB)",
         "mergeSections", "parseSections"},
    };
    for (const auto& pair : pairs) {
        const auto work = runs.seconds(pair.work);
        const auto floor = runs.seconds(pair.floor);
        if (!work || !floor)
            continue;
        std::printf("%s: %.3f ms, floor (bare tinyxml2 parse) %.3f ms, ratio %.2f\n",
                    pair.what.c_str(), *work * 1e3, *floor * 1e3, *work / *floor);
        const std::string name = pair.name;
        report.figure(name, *work * 1e3, "ms");
        report.figure(name + " floor", *floor * 1e3, "ms");
        report.verdict(name + " vs floor", *work / *floor, "x", ratioGoal,
                       kolz::bench::Better::Lower);
    }
    return report.exitStatus();
}
