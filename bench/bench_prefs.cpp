// The preference store against its floor: a bare tinyxml2 parse and print of the same 1,000-key
// document. Every store figure is printed beside the floor it is measured against. Goals: a load
// or a save costs at most half again what tinyxml2 alone takes, and a whole session on the file
// (load, read and change every key, save) fits in one 60 Hz frame. Beside them, the largest file
// the store reads, nested as deep as it reads, whose indented print is some 30 times its size: a
// save refused for that size costs no more than loading the file (the program saves at every
// setting change). A save of that file that is not refused fails the run whatever the timing:
// the file written would not be read back. `bench_prefs --deep-bytes=N` makes that file N bytes
// long instead, small enough to be saved, to show that failure.
#include "BenchReport.h"
#include "BenchRuns.h"
#include "prefs/KolPreferences.h"
#include "prefs/PlistFormat.h"

#include <algorithm>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <optional>
#include <string>
#include <sys/stat.h>
#include <tinyxml2.h>
#include <unistd.h>
#include <vector>

namespace {

constexpr int groups = 10;
constexpr int keysPerGroup = 100;
const std::string storeName = "Bench";
const std::string deepStoreName = "BenchDeep";

constexpr double loadSaveRatioGoal = 1.5;
constexpr double sessionGoalMs = 1000.0 / 60;
constexpr double refusedSaveGoal = 1.0; // times the load of the same file

std::string g_root;
std::string g_file;
std::string g_deepFile;
long long g_deepBytes = maxPreferenceFileSize;
// Whether the deep store's save was refused; unknown when that benchmark did not run.
std::optional<bool> g_deepSaveRefused;
std::vector<std::string> g_keys;

std::string keyOf(int group, int index)
{
    return "group" + std::to_string(group) + "/key" + std::to_string(index);
}

// 1,000 entries in ten dictionaries, a mix of the scalar types the program stores.
void writeDocument()
{
    std::string body;
    for (int g = 0; g < groups; ++g) {
        body += "<key>group" + std::to_string(g) + "</key><dict>\n";
        for (int i = 0; i < keysPerGroup; ++i) {
            body += "<key>key" + std::to_string(i) + "</key>";
            switch (i % 4) {
            case 0:
                body += "<string>some setting text " + std::to_string(i) + "</string>\n";
                break;
            case 1:
                body += "<integer>" + std::to_string(i * 37) + "</integer>\n";
                break;
            case 2:
                body += "<real>" + std::to_string(i) + ".25</real>\n";
                break;
            default:
                body += i % 8 == 3 ? "<true/>\n" : "<false/>\n";
                break;
            }
            g_keys.push_back(keyOf(g, i));
        }
        body += "</dict>\n";
    }
    const std::string document = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                                 "<plist version=\"1.0\">\n<dict>\n" +
                                 body + "</dict>\n</plist>\n";
    std::FILE* fp = std::fopen(g_file.c_str(), "wb");
    std::fwrite(document.data(), 1, document.size(), fp);
    std::fclose(fp);
}

// As large as a preference file may be (or g_deepBytes), its empty elements inside 29 nested lists
// at the deepest level the store reads.
void writeDeepDocument()
{
    const std::string head = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                             "<plist version=\"1.0\">\n<dict>\n<key>deep</key>";
    const std::string tail = "</dict>\n</plist>\n";
    std::string open;
    std::string close;
    for (int i = 0; i < 29; ++i) {
        open += "<array>";
        close += "</array>";
    }
    const std::size_t fixed = head.size() + open.size() + close.size() + tail.size();
    std::string fill;
    for (std::size_t size = fixed; size + 4 <= std::size_t(g_deepBytes); size += 4)
        fill += "<a/>";
    const std::string document = head + open + fill + close + tail;
    std::FILE* fp = std::fopen(g_deepFile.c_str(), "wb");
    std::fwrite(document.data(), 1, document.size(), fp);
    std::fclose(fp);
}

// The store lives under HOME: a fresh one inside TMPDIR, removed when the program ends.
void setUp()
{
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/kolz-bench-prefs-XXXXXX";
    if (!::mkdtemp(pattern.data())) {
        std::perror(pattern.c_str());
        std::exit(1);
    }
    g_root = pattern;
    std::atexit([] {
        std::error_code ignored;
        std::filesystem::remove_all(g_root, ignored);
    });
    ::setenv("HOME", pattern.c_str(), 1);
    const std::string directory = pattern + "/.kolconfig/Tollerwaith Technologies";
    ::mkdir((pattern + "/.kolconfig").c_str(), 0775);
    ::mkdir(directory.c_str(), 0775);
    g_file = directory + "/com.heliark." + storeName + ".plist";
    writeDocument();
    g_deepFile = directory + "/com.heliark." + deepStoreName + ".plist";
    writeDeepDocument();
}

KolPreferences loadedStore(const std::string& name = storeName)
{
    KolPreferences store(name, 0);
    std::string error;
    if (!store.Load(error, true))
        std::abort();
    return store;
}

void BM_FloorParse(benchmark::State& state)
{
    for (auto _ : state) {
        tinyxml2::XMLDocument document(true, tinyxml2::PRESERVE_WHITESPACE);
        std::FILE* fp = std::fopen(g_file.c_str(), "rb");
        document.LoadFile(fp);
        std::fclose(fp);
        benchmark::DoNotOptimize(document.FirstChild());
    }
}

// Loads the named store again at every iteration.
void loadStore(benchmark::State& state, const std::string& name)
{
    KolPreferences store(name, 0);
    for (auto _ : state) {
        std::string error;
        benchmark::DoNotOptimize(store.Load(error, true));
    }
}

void BM_StoreLoad(benchmark::State& state)
{
    loadStore(state, storeName);
}

void BM_FloorPrint(benchmark::State& state)
{
    tinyxml2::XMLDocument document(true, tinyxml2::PRESERVE_WHITESPACE);
    document.LoadFile(g_file.c_str());
    const std::string out = g_file + ".floor";
    for (auto _ : state) {
        std::FILE* fp = std::fopen(out.c_str(), "wb");
        document.SaveFile(fp, false);
        std::fclose(fp);
    }
}

void BM_StoreSave(benchmark::State& state)
{
    KolPreferences store = loadedStore();
    for (auto _ : state)
        benchmark::DoNotOptimize(store.Save(true));
}

void BM_FloorParsePrint(benchmark::State& state)
{
    const std::string out = g_file + ".floor";
    for (auto _ : state) {
        tinyxml2::XMLDocument document(true, tinyxml2::PRESERVE_WHITESPACE);
        std::FILE* in = std::fopen(g_file.c_str(), "rb");
        document.LoadFile(in);
        std::fclose(in);
        std::FILE* fp = std::fopen(out.c_str(), "wb");
        document.SaveFile(fp, false);
        std::fclose(fp);
    }
}

// What a session does to its file: load, read every key, change every key, save.
void BM_StoreLoadGetSetSave(benchmark::State& state)
{
    for (auto _ : state) {
        KolPreferences store(storeName, 0);
        std::string error;
        store.Load(error, true);
        std::string text;
        int number = 0;
        double real = 0;
        bool flag = false;
        for (std::size_t i = 0; i < g_keys.size(); ++i) {
            switch (i % 4) {
            case 0:
                store.GetString(g_keys[i], text);
                break;
            case 1:
                store.GetInt(g_keys[i], number);
                break;
            case 2:
                store.GetReal(g_keys[i], real);
                break;
            default:
                store.GetBool(g_keys[i], flag);
                break;
            }
        }
        for (std::size_t i = 0; i < g_keys.size(); ++i) {
            switch (i % 4) {
            case 0:
                store.SetString(g_keys[i], text);
                break;
            case 1:
                store.SetInt(g_keys[i], number);
                break;
            case 2:
                store.SetReal(g_keys[i], real);
                break;
            default:
                store.SetBool(g_keys[i], !flag);
                break;
            }
        }
        store.Save(false);
    }
}

// Typed access alone, per 1,000 gets on a clean store (each checks the file's stamp) and
// 1,000 sets.
void BM_StoreGets(benchmark::State& state)
{
    KolPreferences store = loadedStore();
    std::string text;
    for (auto _ : state) {
        for (const std::string& key : g_keys)
            benchmark::DoNotOptimize(store.GetString(key, text));
    }
}

void BM_StoreSets(benchmark::State& state)
{
    KolPreferences store = loadedStore();
    for (auto _ : state) {
        for (const std::string& key : g_keys)
            benchmark::DoNotOptimize(store.SetInt(key, 7));
    }
}

void BM_DeepStoreLoad(benchmark::State& state)
{
    loadStore(state, deepStoreName);
}

// Each save is refused: indented, the document would take some 67 MB.
void BM_DeepStoreRefusedSave(benchmark::State& state)
{
    KolPreferences store = loadedStore(deepStoreName);
    // Each refusal says so in a line on standard error, which is not wanted here.
    std::fflush(stderr);
    const int kept = ::dup(STDERR_FILENO);
    const int null = ::open("/dev/null", O_WRONLY);
    ::dup2(null, STDERR_FILENO);
    const bool refused = !store.Save(true);
    g_deepSaveRefused = refused;
    if (refused) {
        for (auto _ : state)
            benchmark::DoNotOptimize(store.Save(true));
    }
    std::fflush(stderr);
    ::dup2(kept, STDERR_FILENO);
    ::close(kept);
    ::close(null);
    if (!refused)
        state.SkipWithError("the save was not refused");
}

BENCHMARK(BM_FloorParse)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_StoreLoad)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_FloorPrint)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_StoreSave)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_FloorParsePrint)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_StoreLoadGetSetSave)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_StoreGets)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_StoreSets)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_DeepStoreLoad)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_DeepStoreRefusedSave)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv)
{
    // Taken out before the library reads the rest.
    const std::string deepBytes = "--deep-bytes=";
    for (int i = 1; i < argc; ++i) {
        if (std::string(argv[i]).starts_with(deepBytes)) {
            char* end = nullptr;
            g_deepBytes = std::strtoll(argv[i] + deepBytes.size(), &end, 10);
            if (*end || g_deepBytes < 0 || g_deepBytes > maxPreferenceFileSize) {
                std::fprintf(stderr, "--deep-bytes takes a size from 0 to %lld\n",
                             static_cast<long long>(maxPreferenceFileSize));
                return 2;
            }
            std::copy(argv + i + 1, argv + argc + 1, argv + i);
            --argc;
            --i;
        }
    }
    setUp();
    benchmark::Initialize(&argc, argv);
    kolz::bench::CollectingReporter runs;
    benchmark::RunSpecifiedBenchmarks(&runs);
    benchmark::Shutdown();

    const struct
    {
        const char* name;
        const char* store;
        const char* floor;
    } pairs[] = {
        {"prefs/load", "BM_StoreLoad", "BM_FloorParse"},
        {"prefs/save", "BM_StoreSave", "BM_FloorPrint"},
        {"prefs/session", "BM_StoreLoadGetSetSave", "BM_FloorParsePrint"},
    };
    const auto deepLoad = runs.seconds("BM_DeepStoreLoad");
    const auto deepSave = runs.seconds("BM_DeepStoreRefusedSave");
    std::printf("\n%-24s %12s   %-20s %12s %8s\n", "store (1,000 keys)", "us", "floor", "us",
                "ratio");
    for (const auto& pair : pairs) {
        const auto store = runs.seconds(pair.store);
        const auto floor = runs.seconds(pair.floor);
        if (store && floor)
            std::printf("%-24s %12.1f   %-20s %12.1f %8.2f\n", pair.store, *store * 1e6, pair.floor,
                        *floor * 1e6, *store / *floor);
    }
    if (deepLoad && deepSave) {
        std::printf("\n%-24s %12s   %-20s %12s %8s\n", "refused save (2 MiB)", "us", "load", "us",
                    "ratio");
        std::printf("%-24s %12.1f   %-20s %12.1f %8.2f\n", "BM_DeepStoreRefusedSave",
                    *deepSave * 1e6, "BM_DeepStoreLoad", *deepLoad * 1e6, *deepSave / *deepLoad);
    }

    kolz::bench::Report report("bench_prefs");
    using kolz::bench::Better;
    for (const auto& pair : pairs) {
        const auto store = runs.seconds(pair.store);
        const auto floor = runs.seconds(pair.floor);
        if (!store || !floor)
            continue;
        const std::string name = pair.name;
        report.figure(name + " floor", *floor * 1e3, "ms");
        if (name == "prefs/session") {
            report.verdict(name, *store * 1e3, "ms", sessionGoalMs, Better::Lower);
        } else {
            report.figure(name, *store * 1e3, "ms");
            report.verdict(name + " vs floor", *store / *floor, "x", loadSaveRatioGoal,
                           Better::Lower);
        }
    }
    if (g_deepSaveRefused) {
        report.verdict("prefs/deep save refused", *g_deepSaveRefused ? 1 : 0, "of 1", 1,
                       Better::Higher);
    }
    if (deepLoad && deepSave) {
        report.figure("prefs/deep load", *deepLoad * 1e3, "ms");
        report.figure("prefs/deep refused save", *deepSave * 1e3, "ms");
        report.verdict("prefs/deep refused save vs load", *deepSave / *deepLoad, "x",
                       refusedSaveGoal, Better::Lower);
    }
    // Not a figure that wanders with the machine's load: a save let through always fails.
    return g_deepSaveRefused == false ? 1 : report.exitStatus();
}
