#pragma once

#include "monitor/Message.h"

#include <QCommandLineParser>
#include <QString>
#include <QStringList>

#include <vector>

namespace kolz::test {

// What kolz-peer was asked to do.
struct PeerOptions
{
    QString server = QStringLiteral("KolZendra");
    QString name = QStringLiteral("kolz-peer");
    PID_TYPE pid = 0;
    int warnings = 0;
    int waitMs = 5000;
    bool lost = false;
};

// kolz-peer's command line, apart from the program so that the tests can read it too.
class PeerCommandLine
{
public:
    enum class Outcome
    {
        Run,
        Help,
        Error
    };

    // `ownPid` is the default of --pid.
    explicit PeerCommandLine(PID_TYPE ownPid);

    // `arguments` includes the program name first, as QCoreApplication::arguments() does.
    Outcome parse(const QStringList& arguments);
    const PeerOptions& options() const { return m_options; }
    // Why parse() gave Error, without the program name.
    const QString& error() const { return m_error; }
    QString helpText() const { return m_parser.helpText(); }

private:
    QCommandLineParser m_parser;
    PeerOptions m_options;
    QString m_error;
};

// The frames of the demonstration, in the order they are sent.
std::vector<ui::messages::Message> demoFrames(const QByteArray& name, PID_TYPE pid);

// The file a local server name stands for: Qt puts a bare name in the temporary directory.
QString localSocketPath(const QString& serverName);

} // namespace kolz::test
