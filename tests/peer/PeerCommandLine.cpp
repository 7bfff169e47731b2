#include "PeerCommandLine.h"

#include <QDir>

#include <limits>
#include <optional>

using ui::messages::Message;

namespace kolz::test {

namespace {

const char* const description =
    "Pretends to be an emulated application so that the panel's monitor can be watched without\n"
    "one: connects to the panel's local socket, sends the demo, prints every command the panel\n"
    "sends back (ServerStop, WireframeOn, WireframeOff) and ends the connection after --wait.\n"
    "\n"
    "The demo, in order: the process id and the application name (the tab's title); an info\n"
    "message; a section \"eglInitialize\" holding an info and a debug message; a warning; an\n"
    "error; a GL error (GL_INVALID_OPERATION in glDrawArrays); one context's info; and a system\n"
    "report (GL version, a host extension, a missing feature with its requirement) ending with\n"
    "ReportComplete.";

// A whole decimal number from `low` up, or nullopt.
std::optional<qint64> wholeNumber(const QString& text, qint64 low, qint64 high)
{
    bool ok = false;
    const qint64 value = text.trimmed().toLongLong(&ok, 10);
    if (!ok || value < low || value > high)
        return std::nullopt;
    return value;
}

} // namespace

PeerCommandLine::PeerCommandLine(PID_TYPE ownPid)
{
    m_options.pid = ownPid;
    m_parser.setApplicationDescription(QString::fromLatin1(description));
    m_parser.addHelpOption();
    m_parser.addOptions({
        QCommandLineOption(
            QStringLiteral("server"),
            QStringLiteral(
                "Local server name of the panel; a bare name is a socket in the temporary "
                "directory (TMPDIR). Default: %1.")
                .arg(m_options.server),
            QStringLiteral("name"), m_options.server),
        QCommandLineOption(
            QStringLiteral("name"),
            QStringLiteral("Application name sent in the demo. Default: %1.").arg(m_options.name),
            QStringLiteral("text"), m_options.name),
        QCommandLineOption(
            QStringLiteral("pid"),
            QStringLiteral("Process id sent in the demo. Default: this process's id."),
            QStringLiteral("n")),
        QCommandLineOption(
            QStringLiteral("warnings"),
            QStringLiteral("After the demo, send n warning frames \"Flood warning 0\", \"Flood "
                           "warning 1\", ... Default: %1.")
                .arg(m_options.warnings),
            QStringLiteral("n"), QString::number(m_options.warnings)),
        QCommandLineOption(
            QStringLiteral("wait"),
            QStringLiteral("Milliseconds to listen for the panel's commands before disconnecting. "
                           "Default: %1.")
                .arg(m_options.waitMs),
            QStringLiteral("ms"), QString::number(m_options.waitMs)),
        QCommandLineOption(
            QStringLiteral("lost"),
            QStringLiteral("End without a CleanDisconnect frame, as a crashed application would.")),
    });
}

PeerCommandLine::Outcome PeerCommandLine::parse(const QStringList& arguments)
{
    m_error.clear();
    if (!m_parser.parse(arguments)) {
        m_error = m_parser.errorText();
        return Outcome::Error;
    }
    if (m_parser.isSet(QStringLiteral("help")) || m_parser.isSet(QStringLiteral("help-all")))
        return Outcome::Help;
    if (!m_parser.positionalArguments().isEmpty()) {
        m_error =
            QStringLiteral("unexpected argument \"%1\"").arg(m_parser.positionalArguments()[0]);
        return Outcome::Error;
    }

    // Every number must read whole: "abc" or "5s" is a mistake, not 0 or 5.
    const auto number = [this](const char* option, qint64 high,
                               const QString& what) -> std::optional<qint64> {
        const QString text = m_parser.value(QString::fromLatin1(option));
        const auto value = wholeNumber(text, 0, high);
        if (!value)
            m_error = QStringLiteral("--%1 wants %2, not \"%3\"")
                          .arg(QString::fromLatin1(option), what, text);
        return value;
    };
    const auto warnings =
        number("warnings", std::numeric_limits<int>::max(), QStringLiteral("a count (0 or more)"));
    if (!warnings)
        return Outcome::Error;
    const auto wait =
        number("wait", std::numeric_limits<int>::max(), QStringLiteral("milliseconds (0 or more)"));
    if (!wait)
        return Outcome::Error;
    if (m_parser.isSet(QStringLiteral("pid"))) {
        const auto pid = number("pid", std::numeric_limits<PID_TYPE>::max(),
                                QStringLiteral("a process id (0 or more)"));
        if (!pid)
            return Outcome::Error;
        m_options.pid = PID_TYPE(*pid);
    }
    const QString server = m_parser.value(QStringLiteral("server"));
    if (server.isEmpty()) {
        m_error = QStringLiteral("--server wants a name");
        return Outcome::Error;
    }

    m_options.server = server;
    m_options.name = m_parser.value(QStringLiteral("name"));
    m_options.warnings = int(*warnings);
    m_options.waitMs = int(*wait);
    m_options.lost = m_parser.isSet(QStringLiteral("lost"));
    return Outcome::Run;
}

std::vector<Message> demoFrames(const QByteArray& name, PID_TYPE pid)
{
    std::vector<Message> frames;
    frames.push_back(Message::makeSetPID(pid));
    frames.push_back(Message::makeSetName(name.toStdString()));
    frames.push_back(Message::makeInfo("Starting up"));
    frames.push_back(Message::makeBeginSection(0x8246, 1, "eglInitialize"));
    frames.push_back(Message::makeInfo("Choosing a configuration"));
    frames.push_back(Message::makeDebugMessage(0x8246, 0x824C, 7, 0x9146, "A debug message"));
    frames.push_back(Message::makeEndSection());
    frames.push_back(Message::makeWarning("Texture size rounded up"));
    frames.push_back(Message::makeError("Shader failed to compile"));
    frames.push_back(Message::makeGLError(0x502, "glDrawArrays", "No program bound"));
    frames.push_back(
        Message::makeContextInfo(1, false, 2, 1, {1, 2, 34}, {5}, {7}, 13, 6, {1, 2, 3}));
    frames.push_back(Message::makeReportGLVersion(13));
    frames.push_back(Message::makeReportHostExtension(1, true));
    frames.push_back(Message::makeReportFeature("compute shaders", false));
    frames.push_back(Message::makeReportRequirement("compute shaders", 16, {}));
    frames.push_back(Message::makeReportAPIFeature(4, "compute shaders"));
    frames.push_back(Message::makeReportComplete());
    return frames;
}

QString localSocketPath(const QString& serverName)
{
    if (serverName.startsWith(QLatin1Char('/')))
        return serverName;
    return QDir::tempPath() + QLatin1Char('/') + serverName;
}

} // namespace kolz::test
