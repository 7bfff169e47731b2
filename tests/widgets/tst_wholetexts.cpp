#include "support/ShownWindows.h"
#include "support/TestEnvironment.h"

#include "WidgetsTestSupport.h"
#include "models/ProfileFileDialogs.h"
#include "widgets/EGLConfigTreeView.h"
#include "widgets/ESCapabilityTreeView.h"
#include "widgets/GenericValueSelector.h"
#include "widgets/Profile.h"

#include <QLineEdit>
#include <QPushButton>
#include <QStyleOptionFrame>

using namespace widgets::test;

namespace {

// The room a line edit has for its text: inside its frame and text margins, less its own two
// pixels a side and the cursor. Empty when the text fits.
QString elision(const QLineEdit& field)
{
    QStyleOptionFrame option;
    option.initFrom(&field);
    option.lineWidth = field.hasFrame() ? 1 : 0;
    const int room = field.style()
                         ->subElementRect(QStyle::SE_LineEditContents, &option, &field)
                         .marginsRemoved(field.textMargins())
                         .width() -
                     5;
    const int needed = field.fontMetrics().horizontalAdvance(field.text());
    return needed <= room
               ? QString()
               : QString("'%1' needs %2, has %3").arg(field.text()).arg(needed).arg(room);
}

QModelIndex findRow(const QAbstractItemModel* model, const QString& text, const QModelIndex& in)
{
    for (int row = 0; row < model->rowCount(in); ++row) {
        const QModelIndex index = model->index(row, 0, in);
        const QModelIndex found =
            index.data().toString() == text ? index : findRow(model, text, index);
        if (found.isValid())
            return found;
    }
    return {};
}

} // namespace

class TestWholeTexts : public QObject
{
    Q_OBJECT

private slots:
    void headerFieldsFitTheirTexts_data();
    void headerFieldsFitTheirTexts();
    void fileNamePromptFitsTitleAndName_data();
    void fileNamePromptFitsTitleAndName();
    void treeCellsShowWholeValues_data();
    void treeCellsShowWholeValues();
};

// For each field, the built-in profile with the longest text there, in edit mode with room to
// spare; and long names (built-in -1) with and without room: a field too narrow for its text
// shows the text's start and has the whole text as its tool tip.
void TestWholeTexts::headerFieldsFitTheirTexts_data()
{
    QTest::addColumn<int>("builtin");
    QTest::addColumn<bool>("edit");
    QTest::addColumn<int>("width"); // 0: the editor's own size hint
    QTest::addColumn<bool>("whole");
    const std::string& (ProfileData::*fields[])()
        const = {&ProfileData::device, &ProfileData::vendor, &ProfileData::renderer};
    for (const auto field : fields) {
        auto length = [field](std::size_t i) {
            return (ProfileDataWrapper::fromXml(builtinProfiles[i], false).data()->*field)().size();
        };
        std::size_t longest = 0;
        for (std::size_t i = 0; i < builtinProfiles.size(); ++i)
            longest = length(i) > length(longest) ? i : longest;
        QTest::addRow("built-in %zu", longest) << int(longest) << true << 0 << true;
    }
    QTest::newRow("long names, view mode") << -1 << false << 700 << false;
    QTest::newRow("long names, edit mode") << -1 << true << 900 << false;
    QTest::newRow("long names, room to spare") << -1 << true << 2400 << true;
}

void TestWholeTexts::headerFieldsFitTheirTexts()
{
    QFETCH(int, builtin);
    QFETCH(bool, edit);
    QFETCH(int, width);
    QFETCH(bool, whole);
    ProfileData data =
        *ProfileDataWrapper::fromXml(builtinProfiles.at(std::max(builtin, 0)), false).data();
    for (auto set : {&ProfileData::setDevice, &ProfileData::setVendor, &ProfileData::setRenderer})
        if (builtin < 0)
            (data.*set)("Tollerwaith Technologies Kolvane Division, Reference Platforms");
    auto entry = std::make_shared<ProfileDataWrapper>(data);
    widgets::Profile editor(nullptr, nullptr);
    editor.setProfile(entry);
    if (edit)
        editor.findChild<QPushButton*>("btnEdit")->click();
    editor.resize(width > 0 ? width : editor.sizeHint().width(), 437);
    editor.show();
    QVERIFY(QTest::qWaitForWindowExposed(&editor));
    QCoreApplication::processEvents();
    for (const char* name : {"editDevice", "editVendor", "editRenderer"}) {
        auto* field = editor.findChild<QLineEdit*>(name);
        QVERIFY2(elision(*field).isEmpty() == whole, qPrintable(name + (": " + elision(*field))));
        QCOMPARE(field->toolTip(), whole ? QString() : field->text());
        QCOMPARE(field->cursorPosition(), 0);
    }
}

void TestWholeTexts::fileNamePromptFitsTitleAndName_data()
{
    QTest::addColumn<QString>("proposal");
    QTest::newRow("copy of a built-in") << "Brannock Slate 10 Custom (copy).xml";
    QTest::newRow("short") << "a.xml";
    QTest::newRow("long") << "Tollerwaith Technologies Kolvane K235 reference device profile, "
                             "second revision (copy).xml";
}

void TestWholeTexts::fileNamePromptFitsTitleAndName()
{
    QFETCH(QString, proposal);
    ProfileData data;
    data.setFileName(proposal.toStdString());
    QString problem = "no prompt";
    kolz::test::answerNext<QInputDialog>([&problem](QInputDialog* prompt) {
        problem = elision(*prompt->findChild<QLineEdit*>());
        if (prompt->width() <= prompt->fontMetrics().horizontalAdvance(prompt->windowTitle()))
            problem += " title cut";
        prompt->reject();
    });
    askFileName(data, kolz::test::environment().profiles().toStdString());
    QVERIFY2(problem.isEmpty(), qPrintable(problem));
}

void TestWholeTexts::treeCellsShowWholeValues_data()
{
    QTest::addColumn<bool>("capabilities");
    QTest::addColumn<int>("width");
    QTest::addColumn<QString>("row");
    QTest::addColumn<int>("column");
    const QString formats = "GL_COMPRESSED_TEXTURE_FORMATS";
    QTest::newRow("format, room to spare") << true << 1000 << formats << 1;
    QTest::newRow("format, narrow view") << true << 320 << formats << 1;
    QTest::newRow("capability name") << true << 500 << "GL_IMPLEMENTATION_COLOR_READ_FORMAT" << 0;
    QTest::newRow("configuration id") << false << 500 << "Config 1" << 0;
    QTest::newRow("EGL enum") << false << 500 << "EGL_CONFIG_CAVEAT" << 1;
}

// Both columns are as wide as their cells (the last takes what is left, or scrolls), and an
// open editor is as large as its value needs, whatever the row's height and column's width.
void TestWholeTexts::treeCellsShowWholeValues()
{
    QFETCH(bool, capabilities);
    QFETCH(int, width);
    QFETCH(QString, row);
    QFETCH(int, column);
    ProfileFixture f(0);
    widgets::ESCapabilityTreeView caps;
    widgets::EGLConfigTreeView egl;
    widgets::ProfileTreeView& view =
        capabilities ? static_cast<widgets::ProfileTreeView&>(caps) : egl;
    view.setModel(capabilities ? static_cast<QAbstractItemModel*>(f.profile->capabilityTree())
                               : f.profile->eglConfigTree());
    view.resize(width, 400);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    const QModelIndex cell = findRow(view.model(), row, {}).siblingAtColumn(column);
    QVERIFY(cell.isValid());
    for (QModelIndex up = cell.parent(); up.isValid(); up = up.parent())
        view.expand(up);
    const QAbstractItemView& cells = view;
    // The view fits its columns a turn after an expansion.
    QTRY_VERIFY(view.columnWidth(0) >= cells.sizeHintForColumn(0) &&
                view.columnWidth(1) >= cells.sizeHintForColumn(1));

    view.scrollTo(cell);
    view.edit(cell);
    QWidget* editor = view.indexWidget(cell);
    QVERIFY(editor);
    const QSize needed = editor->minimumSizeHint();
    if (auto* selector = dynamic_cast<widgets::GenericValueSelector*>(editor)) {
        const QString shown = selector->displayText(selector->currentText());
        QVERIFY2(selector->sizeHint().width() > selector->fontMetrics().horizontalAdvance(shown),
                 qPrintable(shown));
        QVERIFY(selector->width() >= selector->sizeHint().width());
    }
    QVERIFY(editor->width() >= needed.width() && editor->height() >= needed.height());
}

KOLZ_TEST_MAIN_WIDGETS(TestWholeTexts)
#include "tst_wholetexts.moc"
