#include "support/TestEnvironment.h"

#include "WidgetsTestSupport.h"
#include "models/ProfileFileDialogs.h"
#include "widgets/EGLConfigTreeView.h"
#include "widgets/ESCapabilityTreeView.h"
#include "widgets/GenericValueSelector.h"
#include "widgets/Profile.h"

#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QStyleOptionFrame>

using namespace widgets::test;

namespace {

// The width a line edit has for its text: inside its frame and text margins, less its own two
// pixels a side and the cursor.
int textRoom(const QLineEdit& field)
{
    QStyleOptionFrame option;
    option.initFrom(&field);
    option.rect = field.contentsRect();
    option.lineWidth =
        field.hasFrame() ? field.style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &option, &field)
                         : 0;
    const QRect contents = field.style()
                               ->subElementRect(QStyle::SE_LineEditContents, &option, &field)
                               .marginsRemoved(field.textMargins());
    return contents.width() - 5;
}

QString elision(const QLineEdit& field)
{
    return QStringLiteral("'%1' needs %2, has %3")
        .arg(field.text())
        .arg(field.fontMetrics().horizontalAdvance(field.text()))
        .arg(textRoom(field));
}

QModelIndex findRow(const QAbstractItemModel* model, const QString& text, const QModelIndex& in)
{
    for (int row = 0; row < model->rowCount(in); ++row) {
        const QModelIndex index = model->index(row, 0, in);
        if (index.data().toString() == text)
            return index;
        if (const QModelIndex found = findRow(model, text, index); found.isValid())
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
    void valueColumnFitsItsValues_data();
    void valueColumnFitsItsValues();
    void cellEditorsShowWholeValues_data();
    void cellEditorsShowWholeValues();
};

// For each field, the built-in profile whose text there is longest, in edit mode at the
// editor's initial size.
void TestWholeTexts::headerFieldsFitTheirTexts_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<int>("builtin");
    const std::pair<const char*, std::string (*)(const ProfileData&)> fields[] = {
        {"editDevice", [](const ProfileData& d) { return d.device(); }},
        {"editVendor", [](const ProfileData& d) { return d.vendor(); }},
        {"editRenderer", [](const ProfileData& d) { return d.renderer(); }},
    };
    for (const auto& [name, text] : fields) {
        int longest = 0;
        std::size_t length = 0;
        for (std::size_t i = 0; i < builtinProfiles.size(); ++i) {
            const auto entry = ProfileDataWrapper::fromXml(builtinProfiles[i], false);
            if (text(*entry.data()).size() > length) {
                length = text(*entry.data()).size();
                longest = int(i);
            }
        }
        QTest::newRow(name) << QString::fromLatin1(name) << longest;
    }
}

void TestWholeTexts::headerFieldsFitTheirTexts()
{
    QFETCH(QString, field);
    QFETCH(int, builtin);
    auto entry = std::make_shared<ProfileDataWrapper>(
        ProfileDataWrapper::fromXml(builtinProfiles.at(builtin), false));
    widgets::Profile editor(nullptr, nullptr);
    // The width the editor has in the main window at its initial size.
    editor.resize(840, 437);
    editor.setProfile(entry);
    editor.show();
    QVERIFY(QTest::qWaitForWindowExposed(&editor));
    editor.findChild<QPushButton*>(QStringLiteral("btnEdit"))->click();
    QCoreApplication::processEvents();
    for (const char* name : {"editDevice", "editVendor", "editRenderer"}) {
        const auto* edit = editor.findChild<QLineEdit*>(QString::fromLatin1(name));
        QVERIFY2(edit->fontMetrics().horizontalAdvance(edit->text()) <= textRoom(*edit),
                 qPrintable(elision(*edit)));
    }
    Q_UNUSED(field);
}

void TestWholeTexts::fileNamePromptFitsTitleAndName_data()
{
    QTest::addColumn<QString>("proposal");
    QTest::newRow("copy of a built-in") << QStringLiteral("Brannock Slate 10 Custom (copy).xml");
    QTest::newRow("short") << QStringLiteral("a.xml");
    QTest::newRow("long") << QStringLiteral("Tollerwaith Technologies Kolvane K235 reference "
                                            "device profile, second revision (copy).xml");
}

void TestWholeTexts::fileNamePromptFitsTitleAndName()
{
    QFETCH(QString, proposal);
    ProfileData data;
    data.setFileName(proposal.toStdString());
    int titleRoom = 0;
    int titleNeeds = 0;
    QString fieldProblem = QStringLiteral("no prompt");
    QTimer poll;
    connect(&poll, &QTimer::timeout, this, [&] {
        auto* prompt = qobject_cast<QInputDialog*>(QApplication::activeModalWidget());
        if (!prompt || !prompt->isVisible())
            return;
        poll.stop();
        const auto* field = prompt->findChild<QLineEdit*>();
        fieldProblem = field->fontMetrics().horizontalAdvance(field->text()) <= textRoom(*field)
                           ? QString()
                           : elision(*field);
        titleRoom = prompt->width();
        titleNeeds = prompt->fontMetrics().horizontalAdvance(prompt->windowTitle());
        prompt->reject();
    });
    poll.start(5);
    QCOMPARE(askFileName(data, kolz::test::environment().profiles().toStdString()), std::string());
    QVERIFY2(fieldProblem.isEmpty(), qPrintable(fieldProblem));
    QVERIFY(titleRoom > titleNeeds);
}

void TestWholeTexts::valueColumnFitsItsValues_data()
{
    QTest::addColumn<int>("width");
    QTest::newRow("room to spare") << 1000;
    QTest::newRow("narrower than its values") << 320;
}

// The capability tree's values (format names among them) are never narrower than their
// texts: with room to spare the column takes it, in a narrow view it scrolls.
void TestWholeTexts::valueColumnFitsItsValues()
{
    QFETCH(int, width);
    ProfileFixture f(0);
    widgets::ESCapabilityTreeView view;
    view.setModel(f.profile->capabilityTree());
    view.header()->hide();
    view.resize(width, 500);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    view.expandAll();
    const QAbstractItemView& cells = view;
    QTRY_VERIFY(view.columnWidth(1) >= cells.sizeHintForColumn(1));
    QVERIFY(view.columnWidth(0) >= cells.sizeHintForColumn(0));
    QVERIFY(view.columnWidth(0) + view.columnWidth(1) >= view.viewport()->width());
}

void TestWholeTexts::cellEditorsShowWholeValues_data()
{
    QTest::addColumn<bool>("capabilities");
    QTest::addColumn<QString>("row");
    QTest::addColumn<int>("column");
    QTest::newRow("format selector")
        << true << QStringLiteral("GL_COMPRESSED_TEXTURE_FORMATS") << 1;
    QTest::newRow("capability selector")
        << true << QStringLiteral("GL_IMPLEMENTATION_COLOR_READ_FORMAT") << 0;
    QTest::newRow("configuration id") << false << QStringLiteral("Config 1") << 0;
    QTest::newRow("enum selector") << false << QStringLiteral("EGL_CONFIG_CAVEAT") << 1;
}

// An open editor is as large as its value needs, whatever the row's height and column's width.
void TestWholeTexts::cellEditorsShowWholeValues()
{
    QFETCH(bool, capabilities);
    QFETCH(QString, row);
    QFETCH(int, column);
    ProfileFixture f(0);
    widgets::ESCapabilityTreeView caps;
    widgets::EGLConfigTreeView egl;
    widgets::ProfileTreeView& view =
        capabilities ? static_cast<widgets::ProfileTreeView&>(caps) : egl;
    view.setModel(capabilities ? static_cast<QAbstractItemModel*>(f.profile->capabilityTree())
                               : f.profile->eglConfigTree());
    view.resize(500, 400);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    const QModelIndex cell = findRow(view.model(), row, {}).siblingAtColumn(column);
    QVERIFY(cell.isValid());
    for (QModelIndex up = cell.parent(); up.isValid(); up = up.parent())
        view.expand(up);
    view.scrollTo(cell);
    view.edit(cell);
    QWidget* editor = view.indexWidget(cell);
    QVERIFY(editor);
    QTRY_VERIFY(editor->isVisible());
    if (auto* selector = dynamic_cast<widgets::GenericValueSelector*>(editor)) {
        const QString shown = selector->displayText(selector->currentText());
        QVERIFY2(selector->sizeHint().width() > selector->fontMetrics().horizontalAdvance(shown),
                 qPrintable(shown));
        QVERIFY(selector->width() >= selector->sizeHint().width());
    }
    if (auto* spin = qobject_cast<QSpinBox*>(editor))
        QVERIFY(spin->width() >= spin->minimumSizeHint().width());
    QVERIFY2(editor->height() >= editor->minimumSizeHint().height(),
             qPrintable(QStringLiteral("%1 < %2")
                            .arg(editor->height())
                            .arg(editor->minimumSizeHint().height())));
}

KOLZ_TEST_MAIN_WIDGETS(TestWholeTexts)
#include "tst_wholetexts.moc"
