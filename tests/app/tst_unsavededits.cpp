// Each step that would drop the editor's unsaved edits asks once first: Save, Discard or Cancel.
#include "AppTestSupport.h"
#include "tests/widgets/WidgetsTestSupport.h"
#include "widgets/Profile.h"

#include <QAction>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeView>

using namespace kolz::test;

namespace {
void nothingToPrepare() {}
} // namespace

class TestUnsavedEdits : public QObject
{
    Q_OBJECT

public:
    explicit TestUnsavedEdits(Controller& controller) : app(controller) {}

private slots:
    void stepsThatDropEditsAskFirst_data();
    void stepsThatDropEditsAskFirst();
    void cleanup();

private:
    Controller& app;
};

void TestUnsavedEdits::stepsThatDropEditsAskFirst_data()
{
    QTest::addColumn<QString>("step");
    QTest::addColumn<QString>("edit");
    QTest::addColumn<QString>("answer");
    // The titles of the dialogs that open; every one after the question is cancelled.
    QTest::addColumn<QStringList>("shown");
    const QStringList steps[] = {{"actionPreferences", "Preferences"},
                                 {"actionNew_Profile", "Choose a file name"},
                                 {"choose"},
                                 {"close"}};
    for (const QStringList& step : steps) {
        const QStringList asked = QStringList{"Unsaved changes"} + step.mid(1);
        for (const char* edit : {"none", "back"})
            QTest::addRow("%s, %s", qPrintable(step[0]), edit)
                << step[0] << edit << "" << step.mid(1);
        for (const char* answer : {"Cancel", "Discard", "Save"})
            QTest::addRow("%s, %s", qPrintable(step[0]), answer)
                << step[0] << "header" << answer << (*answer == 'C' ? asked.mid(0, 1) : asked);
        // A tree's edit, also one still in its cell's editor, counts like the header's.
        QTest::addRow("%s, tree", qPrintable(step[0])) << step[0] << "tree"
                                                       << "Save" << asked;
        QTest::addRow("%s, cell", qPrintable(step[0])) << step[0] << "cell"
                                                       << "Cancel" << asked.mid(0, 1);
    }
}

void TestUnsavedEdits::stepsThatDropEditsAskFirst()
{
    QFETCH(QString, step);
    QFETCH(QString, edit);
    QFETCH(QString, answer);
    QFETCH(QStringList, shown);
    MainWindow& window = app.window();
    auto* profiles = window.findChild<QComboBox*>("cmbProfile");
    widgets::Profile* editor = window.profileEditorWidget();
    auto* device = editor->findChild<QLineEdit*>("editDevice");
    const QString file = environment().profiles() + "/edit.xml";
    writeFile(file, "<profile><device>Before</device><egl><config id=\"1\"><red_size>8</red_size>"
                    "</config></egl></profile>");
    writeFile(environment().profiles() + "/other.xml", profileXml("Other"));
    app.reloadUserProfiles();
    profiles->setCurrentIndex(profiles->findText("Before"));
    editor->findChild<QPushButton*>("btnEdit")->click();
    auto* configs = editor->findChild<QTreeView*>("eglConfigsView");
    const QModelIndex redSize = configs->model()->index(0, 1, configs->model()->index(0, 0));
    if (edit == "header" || edit == "back")
        device->setText("Edited");
    if (edit == "back")
        device->setText("Before");
    if (edit == "tree")
        configs->model()->removeRows(0, 1, redSize.parent());
    if (edit == "cell") {
        configs->setCurrentIndex(redSize);
        configs->edit(redSize);
        qobject_cast<QLineEdit*>(configs->indexWidget(redSize))->setText("5");
    }

    widgets::test::ModalDriver driver;
    if (!answer.isEmpty())
        driver.queue({answer});
    bool wentAhead = true;
    if (step == "close") {
        window.show(); // a window closed before has no platform window to close again
        wentAhead = window.close();
    } else if (step == "choose") {
        profiles->setCurrentIndex(profiles->findText("Other"));
        wentAhead = profiles->currentText() == "Other";
    }
    if (step.startsWith("action"))
        window.findChild<QAction*>(step)->trigger();
    QStringList titles;
    for (const auto& dialog : driver.shown)
        titles << dialog.title;
    if (step.startsWith("action")) // its dialog opened
        wentAhead = !titles.isEmpty() && titles.last() != "Unsaved changes";
    QCOMPARE(titles, shown);
    QCOMPARE(wentAhead, answer != "Cancel");

    QFile written(file);
    QVERIFY(written.open(QIODevice::ReadOnly));
    const QByteArray saved = written.readAll();
    QCOMPARE(saved.contains("Edited") || !saved.contains("red_size"), answer == "Save");
    QCOMPARE(QDir(environment().profiles()).entryList(QDir::Files),
             (QStringList{"edit.xml", "other.xml"}));
    if (answer == "Cancel") { // everything as it was, the stored choice too
        QCOMPARE(profiles->currentText(), QStringLiteral("Before"));
        QCOMPARE(storedString(currentProfileKey), std::string("edit.xml"));
    } else if (step == "choose") {
        QCOMPARE(storedString(currentProfileKey), std::string("other.xml"));
        QCOMPARE(device->text(), QStringLiteral("Other"));
    }
    QCOMPARE(editor->hasUnsavedEdits(),
             answer == "Cancel" || (step == "close" && answer == "Discard"));
}

void TestUnsavedEdits::cleanup()
{
    app.window().profileEditorWidget()->discardPressed();
    app.window().findChild<QComboBox*>("cmbProfile")->setCurrentIndex(0);
    for (const QString& name : QDir(environment().profiles()).entryList(QDir::Files))
        QFile::remove(environment().profiles() + '/' + name);
}

KOLZ_APP_TEST_MAIN(TestUnsavedEdits, nothingToPrepare)
#include "tst_unsavededits.moc"
