// Start-up of the program to its first shown main window, with the 13 built-in profiles and 500
// user profiles, beside its floor: a bare Qt Widgets window shown plus a bare tinyxml2 parse of
// the same 513 documents. Both run as fresh processes of this same binary, alternately, so that
// loading and the machine's mood weigh on both alike. Goal: at most 1.3 times the floor.
#include "BenchReport.h"
#include "ProgramStart.h"
#include "app/Controller.h"
#include "models/BuiltinProfiles.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QMainWindow>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <tinyxml2.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

constexpr int userProfileCount = 500;
constexpr int runs = 9;

// The floor's share of the work: every document parsed by tinyxml2 and dropped.
int bareParse()
{
    int parsed = 0;
    for (const std::string& text : builtinProfiles) {
        tinyxml2::XMLDocument document;
        parsed += document.Parse(text.c_str(), text.size()) == tinyxml2::XML_SUCCESS;
    }
    const QString directory = qEnvironmentVariable("ZENDRA_PROFILE_PATH");
    for (const QFileInfo& info : QDir(directory).entryInfoList(QDir::Files, QDir::Name)) {
        tinyxml2::XMLDocument document;
        parsed += document.LoadFile(QFile::encodeName(info.filePath()).constData()) ==
                  tinyxml2::XML_SUCCESS;
    }
    return parsed;
}

// Where the program's time beyond the floor goes: its profile loading beside the bare parse,
// in one process, each run several times.
int childBreakdown(int argc, char** argv)
{
    QApplication app(argc, argv);
    auto store = loadPreferences();
    std::vector<double> parse, load;
    for (int i = 0; i < 5; ++i) {
        QElapsedTimer timer;
        timer.start();
        if (bareParse() != int(builtinProfiles.size()) + userProfileCount)
            return 4;
        parse.push_back(double(timer.nsecsElapsed()) / 1e6);
        timer.restart();
        const size_t loaded = loadBuiltInProfiles().size() + loadUserProfiles(store.get()).size();
        load.push_back(double(timer.nsecsElapsed()) / 1e6);
        if (loaded != builtinProfiles.size() + userProfileCount)
            return 5;
    }
    std::sort(parse.begin(), parse.end());
    std::sort(load.begin(), load.end());
    std::printf("%.3f %.3f\n", parse[2], load[2]);
    return 0;
}

int childFloor(int argc, char** argv)
{
    QApplication app(argc, argv);
    QMainWindow window;
    window.resize(863, 213);
    window.show();
    if (!QTest::qWaitForWindowExposed(&window))
        return 3;
    const int parsed = bareParse();
    if (parsed != int(builtinProfiles.size()) + userProfileCount)
        return 4;
    std::_Exit(0);
}

void writeUserProfiles(const QString& directory)
{
    static const QRegularExpression device(QStringLiteral("<device>[^<]*</device>"));
    for (int i = 0; i < userProfileCount; ++i) {
        QString text = QString::fromStdString(builtinProfiles[i % builtinProfiles.size()]);
        text.replace(device,
                     QStringLiteral("<device>User device %1</device>").arg(i, 3, 10, QChar('0')));
        QFile file(directory + QStringLiteral("/user%1.xml").arg(i, 3, 10, QChar('0')));
        if (!file.open(QIODevice::WriteOnly) || file.write(text.toUtf8()) < 0)
            std::abort();
    }
}

double runChild(const QString& mode, const QProcessEnvironment& environment,
                QByteArray* output = nullptr)
{
    QProcess child;
    child.setProcessEnvironment(environment);
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    QElapsedTimer timer;
    timer.start();
    child.start(QCoreApplication::applicationFilePath(), {mode});
    if (!child.waitForFinished(60000) || child.exitCode() != 0) {
        std::fprintf(stderr, "%s failed (exit %d)\n", qPrintable(mode), child.exitCode());
        std::exit(1);
    }
    if (output)
        *output = child.readAllStandardOutput();
    return double(timer.nsecsElapsed()) / 1e6;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

} // namespace

int main(int argc, char** argv)
{
    if (argc > 1 && std::string_view(argv[1]) == "--child-program")
        kolz::bench::startProgramAndExit(argc, argv);
    if (argc > 1 && std::string_view(argv[1]) == "--child-floor")
        return childFloor(argc, argv);
    if (argc > 1 && std::string_view(argv[1]) == "--child-breakdown")
        return childBreakdown(argc, argv);

    QCoreApplication app(argc, argv);
    QTemporaryDir scratch;
    for (const char* dir : {"home", "tmp", "profiles"})
        QDir(scratch.path()).mkpath(QString::fromLatin1(dir));
    writeUserProfiles(scratch.path() + "/profiles");
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("HOME", scratch.path() + "/home");
    environment.insert("TMPDIR", scratch.path() + "/tmp");
    environment.insert("ZENDRA_PROFILE_PATH", scratch.path() + "/profiles");
    environment.insert("QT_QPA_PLATFORM", "offscreen");

    // One start of each first: the preference file is created and the disk caches are warm.
    runChild("--child-program", environment);
    runChild("--child-floor", environment);
    std::vector<double> program;
    std::vector<double> floor;
    for (int i = 0; i < runs; ++i) {
        program.push_back(runChild("--child-program", environment));
        floor.push_back(runChild("--child-floor", environment));
    }
    const double programMs = median(program);
    const double floorMs = median(floor);
    std::printf("start-up to the first shown main window (13 built-in + %d user profiles), median "
                "of %d: program %.1f ms, floor %.1f ms (bare window + tinyxml2 parse of the same "
                "documents)\n",
                userProfileCount, runs, programMs, floorMs);

    QByteArray breakdown;
    runChild("--child-breakdown", environment, &breakdown);
    const QList<QByteArray> parts = breakdown.trimmed().split(' ');
    const double parseMs = parts.value(0).toDouble();
    const double loadMs = parts.value(1).toDouble();
    std::printf("of which the 513 documents: bare parse %.1f ms, the program's profile loading "
                "%.1f ms\n",
                parseMs, loadMs);

    kolz::bench::Report report("bench_startup");
    report.figure("startup/bare-parse", parseMs, "ms");
    report.figure("startup/profile-loading", loadMs, "ms");
    report.figure("startup/program", programMs, "ms");
    report.figure("startup/floor", floorMs, "ms");
    report.verdict("startup/program-over-floor", programMs / floorMs, "x", 1.3,
                   kolz::bench::Better::Lower);
    return 0;
}
