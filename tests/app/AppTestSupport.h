#pragma once

#include "app/Controller.h"
#include "monitor/ClientInterface.h"
#include "monitor/ClientTabWidget.h"
#include "prefs/ProgramSettings.h"
#include "support/TestEnvironment.h"

#include <QComboBox>
#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>
#include <QTest>

#include <string>

namespace kolz::test {

// The preference file as it stands on disk, read through a store of its own.
inline std::string storedString(const std::string& key)
{
    KolPreferences store("KolZendra", 0);
    std::string error;
    std::string value;
    if (store.Load(error, false))
        store.GetString(key, value);
    return value;
}

inline bool storedKeyExists(const std::string& key)
{
    KolPreferences store("KolZendra", 0);
    std::string error;
    return store.Load(error, false) && store.Exists(key);
}

inline void writeFile(const QString& path, const QByteArray& contents)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(contents) != contents.size())
        qFatal("cannot write %s", qPrintable(path));
}

inline QByteArray profileXml(const QByteArray& device)
{
    return "<profile><vendor>Test vendor</vendor><renderer>Test renderer</renderer><device>" +
           device + "</device></profile>";
}

inline QStringList comboTexts(const QComboBox* combo)
{
    QStringList texts;
    for (int i = 0; i < combo->count(); ++i)
        texts << combo->itemText(i);
    return texts;
}

inline bool isSeparator(const QComboBox* combo, int index)
{
    return combo->itemData(index, Qt::AccessibleDescriptionRole).toString() ==
           QLatin1String("separator");
}

// Whether a local server of that name takes connections now.
inline bool serverAccepts(const QString& name)
{
    QLocalSocket probe;
    probe.connectToServer(name);
    const bool connected = probe.waitForConnected(500);
    probe.abort();
    return connected;
}

// The test runs inside the program's own application object, built after the environment is
// isolated; prepare runs in between and may leave files for the start-up to find.
#define KOLZ_APP_TEST_MAIN(TestObject, prepare)                                                    \
    int main(int argc, char** argv)                                                                \
    {                                                                                              \
        kolz::test::IsolatedEnvironment kolzEnvironment;                                           \
        prepare();                                                                                 \
        Controller app(argc, argv);                                                                \
        TestObject tc(app);                                                                        \
        return QTest::qExec(&tc, argc, argv);                                                      \
    }

} // namespace kolz::test
