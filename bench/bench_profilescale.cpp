// Reading and merging files far larger than real profiles, each beside a bare tinyxml2 parse of
// the same bytes as the floor: a profile of 15,000 `es` blocks of one version, read as at start-up,
// and two files of 30,000 sections each, loaded and merged as the import does. Goal: each takes
// at most twice its floor, which holds only while both grow in step with the file.
//
// Then the most costly files the reading bounds admit, profile and preference file alike: one as
// large as admitted made of elements carrying as many attributes as admitted (the parser's work
// per element grows with their square), and one as large as admitted made of tiny elements (each
// costs far more memory than its bytes). Each is read as the program reads it (a profile at
// start-up and by the import, the preference file by the store), in a child process whose peak
// memory is taken. Beside them, the bare parse of the largest built-in profile. Goal: any
// admitted file is read in under 1 s and under 300 MB.
//
// Then the same admitted profiles, and one whose device, vendor and renderer are as long as
// admitted (padded out with tiny elements), each the one profile of the folder the real program
// starts with, shown as its current profile: its start to the first shown main window, against
// the start with an empty folder. Goal: under 1 s, and under 300 MB more than the empty folder.
#include "BenchReport.h"
#include "BenchRuns.h"
#include "ProgramStart.h"
#include "app/ProfileImport.h"
#include "models/BuiltinProfiles.h"
#include "models/ProfileData.h"
#include "models/ProfileFiles.h"
#include "prefs/KolPreferences.h"
#include "prefs/PlistFormat.h"
#include "prefs/ProgramSettings.h"
#include "prefs/XmlShape.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>
#include <tinyxml2.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

constexpr int blockCount = 15000;
constexpr int sectionCount = 30000;
constexpr double ratioGoal = 2.0;
constexpr double admittedSecondsGoal = 1.0;
constexpr double admittedMegabytesGoal = 300.0;
constexpr int startRuns = 5;

struct Files
{
    QTemporaryDir directory;
    std::string blocks;
    std::string sectionsA;
    std::string sectionsB;
    std::size_t blockBytes = 0;
    std::size_t sectionBytes = 0;
    std::string crowdedProfile;
    std::string tinyProfile;
    std::string namesProfile;
    std::size_t crowdedProfileBytes = 0;
    std::size_t tinyProfileBytes = 0;
    std::size_t namesProfileBytes = 0;
    std::size_t crowdedPreferenceBytes = 0;
    std::size_t tinyPreferenceBytes = 0;
};

const std::string crowdedStore = "Crowded";
const std::string tinyStore = "Tiny";

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

// An element with as many attributes as admitted, each of a name of its own (a repeated name
// would end the parse early).
std::string crowdedElement()
{
    std::string element = "<a";
    for (std::size_t i = 0; i < maxXmlAttributesPerElement; ++i)
        element += " a" + std::to_string(i) + "=''";
    return element + "/>";
}

// head, then as many copies of element as fit with tail into limit bytes, then tail.
std::string filledTo(std::int64_t limit, const std::string& head, const std::string& element,
                     const std::string& tail)
{
    const auto room = std::size_t(limit) - head.size() - tail.size();
    std::string text = head;
    text.reserve(std::size_t(limit));
    for (std::size_t i = 0; i < room / element.size(); ++i)
        text += element;
    return text + tail;
}

std::string profileOf(const std::string& element,
                      const std::string& names = "<device>Admitted</device>")
{
    return filledTo(maxProfileFileSize, "<profile>" + names + "<es version=\"2\">", element,
                    "</es><egl/></profile>\n");
}

// Device, vendor and renderer each as long as admitted, of many scripts, so that laying them
// out shapes each script and falls back on whatever fonts the system has for them.
std::string longestNames()
{
    const QString scripts = QStringLiteral("W\u4E2D\u0639\u0939\u00E9\u0301\u0E01\u05D0\u0416") +
                            QString::fromUcs4(U"\U0001F600", 1);
    QString name;
    while (name.size() < maxHeaderTextLength)
        name += scripts;
    name.truncate(maxHeaderTextLength);
    if (name.back().isHighSurrogate())
        name.chop(1);
    const std::string text = name.toStdString();
    return "<device>" + text + "</device><vendor>" + text + "</vendor><renderer>" + text +
           "</renderer>";
}

// The entry a, then the entry b: an array of copies of element, which the store does not look into.
std::string preferencesOf(const std::string& element)
{
    return filledTo(maxPreferenceFileSize,
                    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\">\n<dict>\n"
                    "<key>a</key><string>x</string><key>b</key><array>",
                    element, "</array>\n</dict>\n</plist>\n");
}

std::string preferenceFile(const QTemporaryDir& home, const std::string& store)
{
    return home.path().toStdString() + "/.kolconfig/Tollerwaith Technologies/com.heliark." + store +
           ".plist";
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

        made.crowdedProfile = made.directory.filePath("crowded.xml").toStdString();
        made.tinyProfile = made.directory.filePath("tiny.xml").toStdString();
        made.crowdedProfileBytes =
            writeFile(QString::fromStdString(made.crowdedProfile), profileOf(crowdedElement()));
        made.tinyProfileBytes =
            writeFile(QString::fromStdString(made.tinyProfile), profileOf("<a/>"));
        made.namesProfile = made.directory.filePath("names.xml").toStdString();
        made.namesProfileBytes =
            writeFile(QString::fromStdString(made.namesProfile), profileOf("<a/>", longestNames()));
        ::setenv("HOME", made.directory.path().toLocal8Bit().constData(), 1);
        ::mkdir((made.directory.path() + "/.kolconfig").toLocal8Bit().constData(), 0775);
        ::mkdir((made.directory.path() + "/.kolconfig/Tollerwaith Technologies")
                    .toLocal8Bit()
                    .constData(),
                0775);
        made.crowdedPreferenceBytes =
            writeFile(QString::fromStdString(preferenceFile(made.directory, crowdedStore)),
                      preferencesOf(crowdedElement()));
        made.tinyPreferenceBytes =
            writeFile(QString::fromStdString(preferenceFile(made.directory, tinyStore)),
                      preferencesOf("<a/>"));
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

// Each read must take the file in: a refused one would cost nothing and prove nothing.
void readProfile(const std::string& path)
{
    if (ProfileData::fromFile(path).capabilities.at(2).empty())
        std::abort();
}

void importProfile(const std::string& path)
{
    tinyxml2::XMLDocument output(true, tinyxml2::PRESERVE_WHITESPACE);
    mergeProfileFile(output, path);
    if (!isImportableProfile(output))
        std::abort();
}

void loadPreferences(const std::string& store)
{
    KolPreferences preferences(store, 0);
    std::string error;
    std::string value;
    if (!preferences.Load(error, true) ||
        preferences.GetString("a", value) != KolPreferences::SUCCESS)
        std::abort();
}

struct Admitted
{
    const char* name;
    std::string what;
    std::size_t bytes;
    std::function<void()> read;
};

const std::vector<Admitted>& admitted()
{
    static const std::vector<Admitted> cases = [] {
        const Files& f = files();
        const std::string crowded =
            " of elements with " + std::to_string(maxXmlAttributesPerElement) + " attributes";
        return std::vector<Admitted>{
            {"readCrowdedProfile", "profile" + crowded, f.crowdedProfileBytes,
             [] { readProfile(files().crowdedProfile); }},
            {"readTinyProfile", "profile of tiny elements", f.tinyProfileBytes,
             [] { readProfile(files().tinyProfile); }},
            {"importCrowdedProfile", "import of a profile" + crowded, f.crowdedProfileBytes,
             [] { importProfile(files().crowdedProfile); }},
            {"importTinyProfile", "import of a profile of tiny elements", f.tinyProfileBytes,
             [] { importProfile(files().tinyProfile); }},
            {"readNamesProfile", "profile with the longest names", f.namesProfileBytes,
             [] { readProfile(files().namesProfile); }},
            {"importNamesProfile", "import of a profile with the longest names",
             f.namesProfileBytes, [] { importProfile(files().namesProfile); }},
            {"loadCrowdedPreferences", "preference file" + crowded, f.crowdedPreferenceBytes,
             [] { loadPreferences(crowdedStore); }},
            {"loadTinyPreferences", "preference file of tiny elements", f.tinyPreferenceBytes,
             [] { loadPreferences(tinyStore); }},
        };
    }();
    return cases;
}

void readAdmitted(benchmark::State& state)
{
    const Admitted& admittedCase = admitted().at(std::size_t(state.range(0)));
    for (auto _ : state)
        admittedCase.read();
}

// The scan that guards every read, against a bare parse of the same crowded profile.
std::string crowdedProfileText()
{
    QFile file(QString::fromStdString(files().crowdedProfile));
    if (!file.open(QIODevice::ReadOnly))
        std::abort();
    return file.readAll().toStdString();
}

void scanCrowded(benchmark::State& state)
{
    const std::string text = crowdedProfileText();
    for (auto _ : state) {
        if (!XmlShapeWithinBounds(text))
            std::abort();
    }
}

void parseCrowded(benchmark::State& state)
{
    const std::string text = crowdedProfileText();
    for (auto _ : state) {
        tinyxml2::XMLDocument document(true, tinyxml2::PRESERVE_WHITESPACE);
        benchmark::DoNotOptimize(document.Parse(text.c_str(), text.size()));
    }
}

void parseBuiltin(benchmark::State& state)
{
    const std::string& largest = *std::max_element(
        builtinProfiles.begin(), builtinProfiles.end(),
        [](const std::string& a, const std::string& b) { return a.size() < b.size(); });
    for (auto _ : state) {
        tinyxml2::XMLDocument document(true, tinyxml2::PRESERVE_WHITESPACE);
        benchmark::DoNotOptimize(document.Parse(largest.c_str(), largest.size()));
    }
}

// The peak resident memory, in MB, of a child process that runs work once: what the process
// held already at the fork counts too, as it would in the program. seconds, when given, receives
// the time from the fork to the child's end.
double peakMegabytes(const std::function<void()>& work, double* seconds = nullptr)
{
    std::fflush(nullptr); // or the child prints what the parent had buffered once more
    QElapsedTimer timer;
    timer.start();
    const pid_t child = ::fork();
    if (child < 0)
        std::abort();
    if (child == 0) {
        work();
        std::fflush(nullptr);
        ::_exit(0);
    }
    int status = 0;
    rusage usage{};
    if (::wait4(child, &status, 0, &usage) != child || !WIFEXITED(status) ||
        WEXITSTATUS(status) != 0)
        std::abort();
    if (seconds)
        *seconds = double(timer.nsecsElapsed()) / 1e9;
    return double(usage.ru_maxrss) / 1024.0;
}

// A folder the program starts with: empty, or holding one of the files as its one profile.
struct Start
{
    std::string what;
    std::string profile; // empty: none
    double seconds = 0;  // median of the runs
    double peak = 0;     // the highest of the runs, in MB
};

std::vector<Start> starts()
{
    const Files& f = files();
    return {{"an empty profiles folder", {}},
            {"the profile with the longest names", f.namesProfile},
            {"the profile of tiny elements", f.tinyProfile},
            {"the crowded profile", f.crowdedProfile}};
}

// The real program started with a folder holding only the profile, which its preferences make
// the current one, so that the editor shows it as well as the selector.
void startProgram(const std::string& profile)
{
    const QString folder = files().directory.filePath("start");
    QDir(folder).removeRecursively();
    if (!QDir().mkpath(folder) ||
        (!profile.empty() && !QFile::copy(QString::fromStdString(profile), folder + "/p.xml")))
        std::abort();
    {
        KolPreferences store("KolZendra", 0);
        std::string error;
        if (!store.Load(error, false) ||
            store.SetString(profilesDirectoryKey, folder.toStdString()) !=
                KolPreferences::SUCCESS ||
            store.SetString(currentProfileKey, "p.xml") != KolPreferences::SUCCESS ||
            !store.Save(true))
            std::abort();
    }
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    int argc = 1;
    char name[] = "kolzendra-gui";
    char* argv[] = {name, nullptr};
    kolz::bench::startProgramAndExit(argc, argv);
}

void measureStarts(std::vector<Start>& cases)
{
    std::vector<std::vector<double>> seconds(cases.size());
    for (int run = 0; run < startRuns; ++run) {
        for (std::size_t i = 0; i < cases.size(); ++i) {
            double elapsed = 0;
            const std::string& profile = cases[i].profile;
            cases[i].peak =
                std::max(cases[i].peak, peakMegabytes([&] { startProgram(profile); }, &elapsed));
            seconds[i].push_back(elapsed);
        }
    }
    for (std::size_t i = 0; i < cases.size(); ++i) {
        std::sort(seconds[i].begin(), seconds[i].end());
        cases[i].seconds = seconds[i][seconds[i].size() / 2];
    }
}

} // namespace

BENCHMARK(readBlocks)->Unit(benchmark::kMillisecond);
BENCHMARK(parseBlocks)->Unit(benchmark::kMillisecond);
BENCHMARK(mergeSections)->Unit(benchmark::kMillisecond);
BENCHMARK(parseSections)->Unit(benchmark::kMillisecond);
BENCHMARK(readAdmitted)->DenseRange(0, 7)->Unit(benchmark::kMillisecond);
BENCHMARK(parseBuiltin)->Unit(benchmark::kMicrosecond);
BENCHMARK(scanCrowded)->Unit(benchmark::kMillisecond);
BENCHMARK(parseCrowded)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    files();
    // Taken before the timed runs, whose freed memory would otherwise count for every child.
    const double idle = peakMegabytes([] {});
    std::vector<double> peaks;
    for (const Admitted& a : admitted())
        peaks.push_back(peakMegabytes(a.read));
    std::vector<Start> programStarts = starts();
    measureStarts(programStarts);
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

    if (const auto floor = runs.seconds("parseBuiltin")) {
        std::printf("largest built-in profile: bare tinyxml2 parse %.3f ms\n", *floor * 1e3);
        report.figure("profilescale/builtin parse", *floor * 1e3, "ms");
    }
    if (const auto scan = runs.seconds("scanCrowded"), parse = runs.seconds("parseCrowded");
        scan && parse) {
        std::printf("attribute scan of the crowded profile %.3f ms, bare parse %.3f ms\n",
                    *scan * 1e3, *parse * 1e3);
        report.figure("profilescale/attribute scan", *scan * 1e3, "ms");
        report.figure("profilescale/attribute scan floor", *parse * 1e3, "ms");
    }
    std::printf("idle child process: peak %.1f MB\n", idle);
    report.figure("profilescale/idle peak", idle, "MB");
    for (std::size_t i = 0; i < admitted().size(); ++i) {
        const Admitted& a = admitted()[i];
        const auto seconds = runs.seconds("readAdmitted/" + std::to_string(i));
        if (!seconds)
            continue;
        const double peak = peaks[i];
        std::printf("%s (%zu KiB): %.1f ms, peak %.1f MB\n", a.what.c_str(), a.bytes / 1024,
                    *seconds * 1e3, peak);
        const std::string name = std::string("profilescale/") + a.name;
        report.verdict(name + " time", *seconds, "s", admittedSecondsGoal,
                       kolz::bench::Better::Lower);
        report.verdict(name + " peak", peak, "MB", admittedMegabytesGoal,
                       kolz::bench::Better::Lower);
    }
    const Start& empty = programStarts.front();
    std::printf("program start with %s: %.1f ms, peak %.1f MB\n", empty.what.c_str(),
                empty.seconds * 1e3, empty.peak);
    report.figure("profilescale/start empty folder", empty.seconds * 1e3, "ms");
    report.figure("profilescale/start empty folder peak", empty.peak, "MB");
    for (std::size_t i = 1; i < programStarts.size(); ++i) {
        const Start& start = programStarts[i];
        std::printf("program start with %s: %.1f ms, peak %.1f MB (%.1f MB more)\n",
                    start.what.c_str(), start.seconds * 1e3, start.peak, start.peak - empty.peak);
        const std::string name = "profilescale/start with " + start.what;
        report.verdict(name + " time", start.seconds, "s", admittedSecondsGoal,
                       kolz::bench::Better::Lower);
        report.verdict(name + " peak over empty", start.peak - empty.peak, "MB",
                       admittedMegabytesGoal, kolz::bench::Better::Lower);
    }
    return report.exitStatus();
}
