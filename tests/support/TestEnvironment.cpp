#include "support/TestEnvironment.h"

#include <QDir>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <stdexcept>
#include <string>

namespace kolz::test {

namespace {
const IsolatedEnvironment* g_current = nullptr;

void setVariable(const char* name, const QString& value)
{
    if (::setenv(name, QFile::encodeName(value).constData(), 1) != 0)
        throw std::runtime_error(std::string("cannot set ") + name);
}
} // namespace

IsolatedEnvironment::IsolatedEnvironment()
{
    const char* base = std::getenv("TMPDIR");
    std::string pattern = std::string(base && *base ? base : "/tmp") + "/kolz-test-XXXXXX";
    if (!::mkdtemp(pattern.data())) {
        std::perror("mkdtemp");
        std::abort();
    }
    m_root = QFile::decodeName(pattern.c_str());
    for (const QString& dir : {home(), tmp(), profiles()}) {
        if (!QDir().mkpath(dir)) {
            std::fprintf(stderr, "cannot create %s\n", qPrintable(dir));
            std::abort();
        }
    }
    setVariable("HOME", home());
    setVariable("TMPDIR", tmp());
    setVariable("ZENDRA_PROFILE_PATH", profiles());
    if (!std::getenv("QT_QPA_PLATFORM"))
        setVariable("QT_QPA_PLATFORM", QStringLiteral("offscreen"));
    g_current = this;
}

IsolatedEnvironment::~IsolatedEnvironment()
{
    g_current = nullptr;
    QDir(m_root).removeRecursively();
}

const IsolatedEnvironment& environment()
{
    if (!g_current)
        throw std::logic_error("no isolated test environment");
    return *g_current;
}

// "nobody" and "nogroup", to whom no file of the system belongs.
constexpr unsigned ordinaryId = 65534;

OrdinaryUser::OrdinaryUser(const QStringList& owned)
{
    if (::getuid() != 0)
        return;
    bool ready = ::chmod(QFile::encodeName(environment().root()).constData(), 0711) == 0;
    for (const QString& path : owned)
        ready = ready && ::lchown(QFile::encodeName(path).constData(), ordinaryId, ordinaryId) == 0;
    // Group first: once the user id is given up, the group can no longer be changed.
    if (!ready || ::setegid(ordinaryId) != 0 || ::seteuid(ordinaryId) != 0)
        qFatal("cannot act as an ordinary user");
}

OrdinaryUser::~OrdinaryUser()
{
    if (::getuid() == 0 && (::seteuid(0) != 0 || ::setegid(0) != 0))
        qFatal("cannot act as root again");
}

} // namespace kolz::test
