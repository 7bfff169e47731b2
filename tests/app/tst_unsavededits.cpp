// Every step that would drop the profile editor's unsaved edits asks first, once: Save, Discard
// or Cancel. Driven through the real controller, window and dialogs.
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

const QByteArray editedXml = "<profile><device>Before</device><es version=\"2\"><extension>"
                             "GL_OES_depth24</extension></es><egl><config id=\"1\"><red_size>8"
                             "</red_size></config></egl></profile>";

QByteArray fileContents(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

class TestUnsavedEdits : public QObject
{
    Q_OBJECT

public:
    explicit TestUnsavedEdits(Controller& controller)
        : app(controller), window(controller.window()),
          profiles(window.findChild<QComboBox*>(QStringLiteral("cmbProfile"))),
          editor(window.profileEditorWidget())
    {}

private slots:
    void init();
    void cleanup();
    void stepsThatDropEditsAskFirst_data();
    void stepsThatDropEditsAskFirst();
    void savingABuiltInFromTheQuestionOffersACopy_data();
    void savingABuiltInFromTheQuestionOffersACopy();

private:
    QString path(const char* name) const { return environment().profiles() + '/' + name; }
    void edit(const QString& how);
    // Runs the step; for closing and choosing, true when it went ahead.
    bool runStep(const QString& step);

    Controller& app;
    MainWindow& window;
    QComboBox* profiles;
    widgets::Profile* editor;
};

void TestUnsavedEdits::init()
{
    writeFile(path("edit.xml"), editedXml);
    writeFile(path("other.xml"), profileXml("Other"));
    app.reloadUserProfiles();
    profiles->setCurrentIndex(profiles->findText("Before"));
    QCOMPARE(storedString(currentProfileKey), std::string("edit.xml"));
    editor->findChild<QPushButton*>("btnEdit")->click();
    QVERIFY(editor->isEditing());
}

void TestUnsavedEdits::cleanup()
{
    if (editor->isEditing())
        editor->discardPressed();
    profiles->setCurrentIndex(0);
    for (const char* name : {"edit.xml", "other.xml"})
        QFile::remove(path(name));
    for (const QString& left : QDir(environment().profiles()).entryList(QDir::Files))
        QFile::remove(environment().profiles() + '/' + left);
}

void TestUnsavedEdits::edit(const QString& how)
{
    if (how == "header") {
        editor->findChild<QLineEdit*>("editDevice")->setText("Edited");
    } else if (how == "tree") {
        QAbstractItemModel* configs = editor->findChild<QTreeView*>("eglConfigsView")->model();
        QVERIFY(configs->removeRows(0, 1, configs->index(0, 0)));
    } else if (how == "cell") {
        // A value typed into a cell whose editor is still open.
        auto* view = editor->findChild<QTreeView*>("eglConfigsView");
        const QModelIndex redSize = view->model()->index(0, 1, view->model()->index(0, 0));
        view->setCurrentIndex(redSize);
        view->edit(redSize);
        auto* text = qobject_cast<QLineEdit*>(view->indexWidget(redSize));
        QVERIFY(text);
        text->setText("5");
    } else if (how == "back") {
        // Changed and changed back: nothing to save.
        editor->findChild<QLineEdit*>("editDevice")->setText("Edited");
        editor->findChild<QLineEdit*>("editDevice")->setText("Before");
    }
}

bool TestUnsavedEdits::runStep(const QString& step)
{
    if (step == "close") {
        window.show(); // a window closed before has no platform window to close again
        return window.close();
    }
    if (step == "choose") {
        profiles->setCurrentIndex(profiles->findText("Other"));
        return profiles->currentText() == "Other";
    }
    window.findChild<QAction*>(step == "preferences" ? "actionPreferences" : "actionNew_Profile")
        ->trigger();
    return true;
}

void TestUnsavedEdits::stepsThatDropEditsAskFirst_data()
{
    QTest::addColumn<QString>("step");
    QTest::addColumn<QString>("edit");
    QTest::addColumn<QString>("answer");
    // The dialogs that open, by title, in order; every dialog after the question is cancelled.
    QTest::addColumn<QStringList>("shown");

    const QString question = "Unsaved changes";
    const QStringList steps[] = {{"preferences", "Preferences"},
                                 {"new profile", "Choose a file name"},
                                 {"choose"},
                                 {"close"}};
    for (const QStringList& step : steps) {
        const QStringList after = step.mid(1);
        const QByteArray name = step[0].toUtf8();
        QTest::newRow((name + ", nothing edited").constData()) << step[0] << "none"
                                                               << "" << after;
        QTest::newRow((name + ", edited back").constData()) << step[0] << "back"
                                                            << "" << after;
        for (const char* answer : {"Cancel", "Discard", "Save"}) {
            QTest::newRow((name + ", " + answer).constData())
                << step[0] << "header" << answer
                << (answer == QLatin1String("Cancel") ? QStringList{question}
                                                      : QStringList{question} + after);
        }
    }
    // Edits of the trees, also one still in its cell's editor, count like the header's.
    const QStringList oneQuestion{question};
    QTest::newRow("choose, tree edited, Cancel") << "choose"
                                                 << "tree"
                                                 << "Cancel" << oneQuestion;
    QTest::newRow("choose, tree edited, Save") << "choose"
                                               << "tree"
                                               << "Save" << oneQuestion;
    QTest::newRow("close, cell in editing, Cancel") << "close"
                                                    << "cell"
                                                    << "Cancel" << oneQuestion;
    QTest::newRow("new profile, cell in editing, Save")
        << "new profile"
        << "cell"
        << "Save" << QStringList{question, "Choose a file name"};
}

void TestUnsavedEdits::stepsThatDropEditsAskFirst()
{
    QFETCH(QString, step);
    QFETCH(QString, edit);
    QFETCH(QString, answer);
    QFETCH(QStringList, shown);

    this->edit(edit);
    const bool edited = edit != "none" && edit != "back";
    if (edit != "cell")
        QCOMPARE(editor->hasUnsavedEdits(), edited);
    const QByteArray before = fileContents(path("edit.xml"));

    widgets::test::ModalDriver driver;
    if (!answer.isEmpty())
        driver.queue({answer});
    const bool wentAhead = runStep(step);

    QStringList titles;
    for (const auto& dialog : driver.shown)
        titles << dialog.title;
    QCOMPARE(titles, shown);
    const bool cancelled = answer == "Cancel";
    if (step == "close" || step == "choose") // the actions' own dialogs show whether they ran
        QCOMPARE(wentAhead, !cancelled);

    // Saved only when asked to, in place: the file has the edit, and nothing else was written.
    const QByteArray after = fileContents(path("edit.xml"));
    if (answer == "Save")
        QVERIFY(edit == "header" ? after.contains("<device>Edited</device>")
                : edit == "cell" ? after.contains("<red_size>5</red_size>")
                                 : !after.contains("red_size"));
    else
        QCOMPARE(after, before);
    QCOMPARE(QDir(environment().profiles()).entryList(QDir::Files),
             (QStringList{"edit.xml", "other.xml"}));

    if (cancelled) {
        // Everything as it was: the edits, the selector and the stored choice.
        QVERIFY(editor->isEditing());
        QVERIFY(editor->hasUnsavedEdits());
        QCOMPARE(profiles->currentText(), QStringLiteral("Before"));
        QCOMPARE(storedString(currentProfileKey), std::string("edit.xml"));
        if (edit == "header")
            QCOMPARE(editor->findChild<QLineEdit*>("editDevice")->text(), QStringLiteral("Edited"));
    } else if (step != "close") { // a closed window leaves the models to the program's end
        QVERIFY(!editor->hasUnsavedEdits());
    }
    if (step == "choose" && !cancelled) {
        QCOMPARE(storedString(currentProfileKey), std::string("other.xml"));
        QCOMPARE(editor->findChild<QLineEdit*>("editDevice")->text(), QStringLiteral("Other"));
    }
}

void TestUnsavedEdits::savingABuiltInFromTheQuestionOffersACopy_data()
{
    QTest::addColumn<QString>("copy");
    QTest::newRow("copy declined") << "btnCancel";
    QTest::newRow("copy made") << "btnCopy";
}

// A built-in profile is never written: Save in the question goes the Save button's way, and a
// declined copy leaves everything as it was.
void TestUnsavedEdits::savingABuiltInFromTheQuestionOffersACopy()
{
    QFETCH(QString, copy);
    editor->discardPressed();
    const QString builtIn = QString::fromStdString(app.builtIns().front()->data()->displayName());
    profiles->setCurrentIndex(profiles->findText(builtIn));
    editor->findChild<QPushButton*>("btnEdit")->click();
    edit("header");

    widgets::test::ModalDriver driver{"Save", copy, "accept"};
    profiles->setCurrentIndex(profiles->findText("Other"));
    QStringList titles;
    for (const auto& dialog : driver.shown)
        titles << dialog.title;
    const bool made = copy == "btnCopy";
    QStringList expected{"Unsaved changes", "Save changes"};
    if (made)
        expected << "Choose a file name";
    QCOMPARE(titles, expected);
    QCOMPARE(profiles->currentText(), made ? QStringLiteral("Other") : builtIn);
    QCOMPARE(editor->hasUnsavedEdits(), !made);
    const QString copyPath = environment().profiles() + '/' + builtIn + " (copy).xml";
    QCOMPARE(QFile::exists(copyPath), made);
    if (made)
        QVERIFY(fileContents(copyPath).contains("<device>Edited</device>"));
}

KOLZ_APP_TEST_MAIN(TestUnsavedEdits, nothingToPrepare)
#include "tst_unsavededits.moc"
