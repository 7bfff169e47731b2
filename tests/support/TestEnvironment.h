#pragma once

#include <QApplication>
#include <QCoreApplication>
#include <QString>
#include <QStringList>
#include <QTest>

namespace kolz::test {

// Gives the test process a private, freshly created HOME, TMPDIR and ZENDRA_PROFILE_PATH so
// that tests never touch the user's files and parallel tests never share local socket names
// (Qt puts local sockets in the temporary directory). Everything is removed on destruction.
// Construct it before any Qt object that caches paths.
class IsolatedEnvironment
{
public:
    IsolatedEnvironment();
    ~IsolatedEnvironment();
    IsolatedEnvironment(const IsolatedEnvironment&) = delete;
    IsolatedEnvironment& operator=(const IsolatedEnvironment&) = delete;

    const QString& root() const { return m_root; }
    QString home() const { return m_root + QStringLiteral("/home"); }
    QString tmp() const { return m_root + QStringLiteral("/tmp"); }
    QString profiles() const { return m_root + QStringLiteral("/profiles"); }

private:
    QString m_root;
};

// The environment of the running test process (valid inside the test functions).
const IsolatedEnvironment& environment();

// For its lifetime the process acts as an ordinary user, for whom a file's permissions count:
// run as root (as CI runs the suite), it hands the owned paths to "nobody" and takes that user's
// effective ids, and the test's folder lets that user in; any other user stays who they are.
class OrdinaryUser
{
    Q_DISABLE_COPY(OrdinaryUser)
public:
    explicit OrdinaryUser(const QStringList& owned = {});
    ~OrdinaryUser();
};

} // namespace kolz::test

// Test mains: the environment is isolated before the application object exists.
#define KOLZ_TEST_MAIN_WITH(AppClass, TestObject)                                                  \
    int main(int argc, char** argv)                                                                \
    {                                                                                              \
        kolz::test::IsolatedEnvironment kolzEnvironment;                                           \
        AppClass app(argc, argv);                                                                  \
        TestObject tc;                                                                             \
        return QTest::qExec(&tc, argc, argv);                                                      \
    }

#define KOLZ_TEST_MAIN_CORE(TestObject) KOLZ_TEST_MAIN_WITH(QCoreApplication, TestObject)
#define KOLZ_TEST_MAIN_WIDGETS(TestObject) KOLZ_TEST_MAIN_WITH(QApplication, TestObject)
