#include "support/TestEnvironment.h"

#include "WidgetsTestSupport.h"
#include "models/EGLAttribKey.h"
#include "widgets/EGLConfigTreeView.h"
#include "widgets/EGLSelectors.h"
#include "widgets/ESCapabilityTreeView.h"
#include "widgets/ESExtensionTreeView.h"
#include "widgets/ESSelectors.h"
#include "widgets/FormatSelectors.h"

#include <QLineEdit>
#include <QSignalSpy>

using namespace widgets::test;

namespace {

ProfileData sampleData()
{
    ProfileData data;
    data.capabilities[20] = {
        leaf("max_texture_size", "4096"),
        inner("aliased_point_size_range", {leaf("min", "1"), leaf("max", "64")}),
        leaf("compressed_texture_format", "35840"),
        leaf("compressed_texture_format", "GL_RGBA"),
        leaf("shader_binary_format", "35850"),
        leaf("implementation_color_read_type", "5121"),
        leaf("implementation_color_read_format", "6408"),
        leaf("max_texture_image_units", "8"),
    };
    data.capabilities[31] = {};
    data.extensions[2] = {"GL_OES_rgb8_rgba8", "GL_OES_depth24"};
    data.eglConfigs[1] = {
        leaf("red_size", "8"),
        leaf("config_caveat", "EGL_NONE"),
        inner("transparency", {leaf("type", "EGL_TRANSPARENT_RGB"), leaf("red", "0")}),
        leaf("bind_to_texture_rgb", "EGL_TRUE"),
        leaf("conformant", "EGL_OPENGL_ES2_BIT"),
        leaf("native_renderable", "EGL_TRUE"),
        leaf("renderable_type", "EGL_OPENGL_ES2_BIT"),
        inner("transparency", {leaf("type", "12344")}),
    };
    data.eglConfigs[150] = {leaf("red_size", "8")};
    forEachEGLAttribKey([&](const EGLAttribKey& key) { // every attribute once
        ProfileNode node = leaf(key.xmlPath[0].c_str(), "1");
        if (key.xmlPath.size() == 2)
            node = inner(key.xmlPath[0].c_str(), {leaf(key.xmlPath[1].c_str(), "1")});
        data.eglConfigs[2].push_back(node);
    });
    return data;
}

// The class of the editor a view's delegate makes for a cell and, for a combo box, its items.
QString editorOf(const widgets::ProfileTreeView& view, const QModelIndex& index)
{
    std::unique_ptr<QWidget> editor(
        view.itemDelegate()->createEditor(view.viewport(), QStyleOptionViewItem(), index));
    QString text = editor->metaObject()->className();
    if (auto* selector = dynamic_cast<widgets::GenericValueSelector*>(editor.get())) {
        text = typeid(*selector).name();
        text = text.mid(text.indexOf("widgets") + 7).remove(QRegularExpression("^[0-9]+|E$"));
        for (int i = 0; i < selector->count(); ++i)
            text += ' ' + selector->itemText(i);
    }
    return text;
}

const models::ProfileTreeItem* itemAt(const QModelIndex& index)
{
    return static_cast<const models::ProfileTreeItem*>(index.internalPointer());
}

} // namespace

class TestItemDelegates : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void editorPerCell();
    void offeredValueQueries();
    void noChoiceWritesNothingAChoiceIsWritten();
    void everyEditorOfEveryBuiltinProfileKeepsTheModel_data();
    void everyEditorOfEveryBuiltinProfileKeepsTheModel();

private:
    std::unique_ptr<ProfileFixture> fixture;
    widgets::EGLConfigTreeView egl;
    widgets::ESCapabilityTreeView caps;
    widgets::ESExtensionTreeView exts;
};

void TestItemDelegates::init()
{
    fixture = std::make_unique<ProfileFixture>(sampleData());
    egl.setModel(fixture->profile->eglConfigTree());
    caps.setModel(fixture->profile->capabilityTree());
    exts.setModel(fixture->profile->extensionTree());
}

void TestItemDelegates::editorPerCell()
{
    const QAbstractItemModel& e = *egl.model();
    const QModelIndex config = e.index(0, 0);
    auto cell = [&](int row, int column) { return editorOf(egl, e.index(row, column, config)); };
    QCOMPARE(editorOf(egl, config), QString("widgets::EGLConfigIDSelector"));
    QVERIFY(cell(0, 0).startsWith("EGLAttribSelector 12324  "));
    QVERIFY(!cell(0, 0).mid(25).contains("12324") && cell(0, 0).contains("12325"));
    QCOMPARE(cell(7, 0).count("12352"), 2); // bit-mask attributes are offered again
    QCOMPARE(cell(1, 1), QString("EGLConfigCaveatSelector 12344  -1 12368 12369"));
    QCOMPARE(cell(4, 1), QString("EGLTrueFalseSelector 1  0"));
    QCOMPARE(cell(8, 1), QString("EGLTransparentTypeSelector 12344  12370"));
    // Words and sizes keep the text editor (a selector would start on 0); EGL_NATIVE_RENDERABLE
    // is no selector cell though it holds EGL_TRUE.
    QCOMPARE(cell(2, 1), QString("QExpandingLineEdit"));
    QCOMPARE(cell(5, 1), QString("QExpandingLineEdit"));
    QCOMPARE(cell(0, 1), QString("QExpandingLineEdit"));
    QCOMPARE(cell(6, 1), QString("QSpinBox"));

    const QAbstractItemModel& c = *caps.model();
    const QModelIndex api = c.index(0, 0);
    auto capCell = [&](int row, int column) { return editorOf(caps, c.index(row, column, api)); };
    QCOMPARE(editorOf(caps, api), QString("ESAPISelector 20  1 3"));
    QVERIFY(capCell(0, 0).startsWith("ESCapabilitySelector max_texture_size  "));
    QVERIFY(capCell(0, 0).contains(" compressed_texture_format"));
    QCOMPARE(capCell(0, 0).count(" max_texture_size"), 1);
    QCOMPARE(editorOf(caps, c.index(0, 0, c.index(1, 0, api))), "ESCapabilitySelector min  max");
    QVERIFY(capCell(2, 1).startsWith("ImageFormatSelector 35840 "));
    QCOMPARE(capCell(3, 1), QString("QExpandingLineEdit")); // a stored GL name
    QVERIFY(capCell(4, 1).startsWith("ShaderBinaryFormatSelector 35850 "));
    QCOMPARE(capCell(5, 1), QString("QExpandingLineEdit"));
    QVERIFY(capCell(6, 1).startsWith("ImageFormatSelector 6408 "));
    QCOMPARE(capCell(7, 1), QString("QExpandingLineEdit"));
    QCOMPARE(editorOf(caps, c.index(1, 1)), QString("QExpandingLineEdit"));

    const QAbstractItemModel& x = *exts.model();
    QCOMPARE(editorOf(exts, x.index(0, 0)), QString("ESAPISelector 2  1 3 31"));
    const QString names = editorOf(exts, x.index(1, 0, x.index(0, 0)));
    QVERIFY(names.startsWith("ESExtensionSelector GL_OES_depth24  GL_APPLE_"));
    QVERIFY(names.indexOf("GL_OES_depth24") == names.lastIndexOf("GL_OES_depth24"));
}

void TestItemDelegates::offeredValueQueries()
{
    using View = widgets::EGLConfigTreeView;
    const QModelIndex full = egl.model()->index(1, 0);
    QCOMPARE(View::usedAttribs(itemAt(full)).size(), std::size_t(27));
    QCOMPARE(View::unusedAttribs(itemAt(full)), (std::set<int>{0x3033, 0x3040}));

    // Names outside the key table are not counted; format lists are always offered again.
    const QModelIndex api = caps.model()->index(0, 0);
    const QModelIndex subKey = caps.model()->index(0, 0, caps.model()->index(1, 0, api));
    QCOMPARE(widgets::ProfileTreeView::topLevelIndex(subKey), api);
    QCOMPARE(widgets::ESCapabilityTreeView::usedCapabilities(subKey).size(), std::size_t(6));
    const auto unused = widgets::ESCapabilityTreeView::unusedCapabilities(subKey);
    QCOMPARE(unused.size(), std::size_t(28 - 6 + 2));
    QVERIFY(unused.count("compressed_texture_format") && unused.count("shader_binary_format"));

    QVERIFY(widgets::ESTreeView::usedAPIs(nullptr).empty());
    QCOMPARE(widgets::ESTreeView::unusedAPIs(caps.model()).begin()->name, "OpenGL ES 1.1");
    QCOMPARE(widgets::ESExtensionTreeView::usedExtensions(itemAt(exts.model()->index(0, 0))),
             QStringList({"GL_OES_rgb8_rgba8", "GL_OES_depth24"}));
    const QStringList offered = widgets::ESExtensionTreeView::unusedExtensions(nullptr);
    QVERIFY(std::is_sorted(offered.begin(), offered.end()) && offered.size() == 133);
}

void TestItemDelegates::noChoiceWritesNothingAChoiceIsWritten()
{
    auto commit = [](widgets::ProfileTreeView& view, const QModelIndex& index, int choice) {
        std::unique_ptr<QWidget> editor(
            view.itemDelegate()->createEditor(view.viewport(), QStyleOptionViewItem(), index));
        view.itemDelegate()->setEditorData(editor.get(), index);
        if (choice >= 0)
            static_cast<QComboBox*>(editor.get())->setCurrentIndex(choice);
        view.itemDelegate()->setModelData(editor.get(), view.model(), index);
    };
    // Re-committing a range limit's own key would rebuild its min and max rows empty; a
    // configuration id above 99 must survive its spin box; a number kept as a text stays a text.
    QAbstractItemModel& c = *caps.model();
    QAbstractItemModel& e = *egl.model();
    const QStringList before = snapshot(c) + snapshot(e);
    QSignalSpy capChanges(&c, &QAbstractItemModel::dataChanged);
    QSignalSpy eglChanges(&e, &QAbstractItemModel::dataChanged);
    const QModelIndex range = c.index(1, 0, c.index(0, 0));
    commit(caps, range, -1);
    commit(egl, e.index(2, 0), -1);
    commit(egl, e.index(0, 1, e.index(0, 0)), -1);
    QCOMPARE(capChanges.count() + eglChanges.count(), 0);
    QCOMPARE(snapshot(c) + snapshot(e), before);

    commit(egl, e.index(4, 1, e.index(0, 0)), 2);
    QCOMPARE(e.index(4, 1, e.index(0, 0)).data(), QVariant("EGL_FALSE"));
    commit(caps, c.index(0, 0, range), 2);
    QCOMPARE(c.index(0, 0, range).data(Qt::EditRole), QVariant("max"));
}

void TestItemDelegates::everyEditorOfEveryBuiltinProfileKeepsTheModel_data()
{
    QTest::addColumn<int>("builtin");
    QCOMPARE(builtinProfiles.size(), std::size_t(13));
    for (int i = 0; i < 13; ++i)
        QTest::addRow("profile %d", i + 1) << i;
}

// Opens the editor of every cell of the three trees, commits without a choice, and finds every
// stored value, its type and the shape of each tree unchanged.
void TestItemDelegates::everyEditorOfEveryBuiltinProfileKeepsTheModel()
{
    QFETCH(int, builtin);
    fixture = std::make_unique<ProfileFixture>(std::size_t(builtin));
    egl.setModel(fixture->profile->eglConfigTree());
    caps.setModel(fixture->profile->capabilityTree());
    exts.setModel(fixture->profile->extensionTree());
    for (widgets::ProfileTreeView* view : {static_cast<widgets::ProfileTreeView*>(&egl),
                                           static_cast<widgets::ProfileTreeView*>(&caps),
                                           static_cast<widgets::ProfileTreeView*>(&exts)}) {
        QAbstractItemModel& m = *view->model();
        const QStringList before = snapshot(m);
        QSignalSpy changes(&m, &QAbstractItemModel::dataChanged);
        int editors = 0;
        std::function<void(const QModelIndex&)> visit = [&](const QModelIndex& parent) {
            for (int r = 0; r < m.rowCount(parent); ++r) {
                for (const QModelIndex& index : {m.index(r, 0, parent), m.index(r, 1, parent)}) {
                    if (!index.isValid())
                        continue;
                    std::unique_ptr<QWidget> editor(view->itemDelegate()->createEditor(
                        view->viewport(), QStyleOptionViewItem(), index));
                    view->itemDelegate()->setEditorData(editor.get(), index);
                    view->itemDelegate()->setModelData(editor.get(), &m, index);
                    ++editors;
                }
                visit(m.index(r, 0, parent));
            }
        };
        visit({});
        QVERIFY(editors > m.rowCount());
        QCOMPARE(changes.count(), 0);
        QCOMPARE(snapshot(m), before);
    }
}

KOLZ_TEST_MAIN_WIDGETS(TestItemDelegates)
#include "tst_itemdelegates.moc"
