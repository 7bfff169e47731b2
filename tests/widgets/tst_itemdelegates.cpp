#include "support/TestEnvironment.h"

#include "WidgetsTestSupport.h"
#include "models/EGLAttribKey.h"
#include "widgets/EGLConfigTreeView.h"
#include "widgets/ESCapabilityTreeView.h"
#include "widgets/ESExtensionTreeView.h"
#include "widgets/GenericValueSelector.h"

#include <QMenu>
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
    data.extensions[2] = {"GL_OES_rgb8_rgba8", "GL_OES_depth24", "OES_mapbuffer"};
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

// Opens the cell's editor as the view does and commits it, after picking item `choice` or
// entering `typed` if any.
void commit(widgets::ProfileTreeView& view, const QModelIndex& index, int choice = -1,
            const QVariant& typed = {})
{
    std::unique_ptr<QWidget> editor(
        view.itemDelegate()->createEditor(view.viewport(), QStyleOptionViewItem(), index));
    view.itemDelegate()->setEditorData(editor.get(), index);
    if (choice >= 0)
        static_cast<QComboBox*>(editor.get())->setCurrentIndex(choice);
    if (typed.isValid())
        QVERIFY(editor->metaObject()->userProperty().write(editor.get(), typed));
    view.itemDelegate()->setModelData(editor.get(), view.model(), index);
}

// The cell at "row/row/...:column" (column 0 when not given).
QModelIndex cellAt(const QAbstractItemModel& model, const QString& path)
{
    QModelIndex index;
    const QStringList rows = path.section(':', 0, 0).split('/');
    for (int i = 0; i < rows.size(); ++i)
        index = model.index(rows[i].toInt(), i + 1 < rows.size() ? 0 : path.section(':', 1).toInt(),
                            index);
    return index;
}

const models::ProfileTreeItem* itemAt(const QModelIndex& index)
{
    return static_cast<const models::ProfileTreeItem*>(index.internalPointer());
}

enum Tree
{
    EGL,
    Caps,
    Exts
};

} // namespace

class TestItemDelegates : public QObject
{
    Q_OBJECT

private slots:
    void init() { show(std::make_unique<ProfileFixture>(sampleData())); }
    void editorPerCell_data();
    void editorPerCell();
    void offeredValueQueries();
    void aChoiceIsWritten();
    void everyEditorLeftWithoutChoiceKeepsTheModel_data();
    void everyEditorLeftWithoutChoiceKeepsTheModel();
    void eglCellsRefuseWhatTheFileCannotHold_data();
    void eglCellsRefuseWhatTheFileCannotHold();

private:
    void show(std::unique_ptr<ProfileFixture> shown)
    {
        fixture = std::move(shown);
        egl.setModel(fixture->profile->eglConfigTree());
        caps.setModel(fixture->profile->capabilityTree());
        exts.setModel(fixture->profile->extensionTree());
    }
    widgets::ProfileTreeView& view(int tree)
    {
        return tree == EGL    ? static_cast<widgets::ProfileTreeView&>(egl)
               : tree == Caps ? static_cast<widgets::ProfileTreeView&>(caps)
                              : exts;
    }
    QModelIndex cell(int tree, const QString& path) { return cellAt(*view(tree).model(), path); }

    std::unique_ptr<ProfileFixture> fixture;
    widgets::EGLConfigTreeView egl;
    widgets::ESCapabilityTreeView caps;
    widgets::ESExtensionTreeView exts;
};

void TestItemDelegates::editorPerCell_data()
{
    QTest::addColumn<int>("tree");
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("editor"); // a pattern over the class and the items
    QTest::addColumn<QString>("added");  // answers the "Add" prompt on the path's top row first
    auto row = [](const char* name, int tree, const char* path, const char* editor,
                  const char* added = "") {
        QTest::newRow(name) << tree << QString(path) << QString(editor) << QString(added);
    };
    row("config id", EGL, "0", "^widgets::EGLConfigIDSelector$");
    row("attribute", EGL, "0/0", "^EGLAttribSelector 12324  (?!.*12324).*12325");
    row("bit masks offered again", EGL, "0/7", "(12352.*){2}");
    row("caveat", EGL, "0/1:1", "^EGLConfigCaveatSelector 12344  -1 12368 12369$");
    row("true/false", EGL, "0/4:1", "^EGLTrueFalseSelector 1  0$");
    row("transparent type", EGL, "0/8:1", "^EGLTransparentTypeSelector 12344  12370$");
    // Words and sizes keep the text editor (a selector would start on 0); EGL_NATIVE_RENDERABLE
    // is no selector cell though it holds EGL_TRUE.
    row("size", EGL, "0/0:1", "^QExpandingLineEdit$");
    row("stored word", EGL, "0/2:1", "^QExpandingLineEdit$");
    row("native renderable", EGL, "0/5:1", "^QExpandingLineEdit$");
    row("bit mask value", EGL, "0/6:1", "^QSpinBox$");
    row("API", Caps, "0", "^ESAPISelector 20  1 3$");
    row("capability", Caps, "0/0",
        "^ESCapabilitySelector max_texture_size  (?!.* max_texture_size).* compressed_texture_");
    row("range sub-key", Caps, "0/1/0", "^ESCapabilitySelector min  max$");
    row("image format", Caps, "0/2:1", "^ImageFormatSelector 35840 ");
    row("format kept as name", Caps, "0/3:1", "^QExpandingLineEdit$");
    row("binary format", Caps, "0/4:1", "^ShaderBinaryFormatSelector 35850 ");
    row("read format", Caps, "0/6:1", "^ImageFormatSelector 6408 ");
    // A row just added holds no value yet; its value cell still gets its selector.
    row("added true/false", EGL, "2/0:1", "^EGLTrueFalseSelector 0  1$", "EGL_CONFORMANT");
    row("added image format", Caps, "1/0:1", "^ImageFormatSelector 0 ",
        "GL_COMPRESSED_TEXTURE_FORMATS");
    row("extension API", Exts, "0", "^ESAPISelector 2  1 3 31$");
    // A name listed without its "GL_" prefix is not offered again either.
    row("extension", Exts, "0/1",
        "^ESExtensionSelector GL_OES_depth24  GL_APPLE_(?!.*(depth24|mapbuffer))");
}

void TestItemDelegates::editorPerCell()
{
    QFETCH(int, tree);
    QFETCH(QString, path);
    QFETCH(QString, editor);
    QFETCH(QString, added);
    if (!added.isEmpty()) {
        widgets::ProfileTreeView& v = view(tree);
        v.show();
        QVERIFY(QTest::qWaitForWindowExposed(&v));
        const QPoint top = v.visualRect(cell(tree, path.section('/', 0, 0))).center();
        kolz::test::answerNext<QMenu>([](QMenu* menu) { menu->close(); });
        QMetaObject::invokeMethod(&v, "onContextMenuRequested", Q_ARG(QPoint, top));
        ModalDriver driver{'=' + added};
        QMetaObject::invokeMethod(&v,
                                  tree == EGL ? "addAttribTriggered" : "addCapabilityTriggered");
        QVERIFY(driver.allAnswered());
        QCOMPARE(cell(tree, path).data(Qt::EditRole), QVariant(QString()));
    }
    const QString shown = editorOf(view(tree), cell(tree, path));
    QVERIFY2(QRegularExpression(editor).match(shown).hasMatch(), qPrintable(shown));
    if (!added.isEmpty()) { // left without a choice, the empty cell stays empty
        commit(view(tree), cell(tree, path));
        QCOMPARE(cell(tree, path).data(Qt::EditRole), QVariant(QString()));
    }
}

void TestItemDelegates::offeredValueQueries()
{
    using View = widgets::EGLConfigTreeView;
    QCOMPARE(View::usedAttribs(itemAt(cell(EGL, "1"))).size(), std::size_t(27));
    QCOMPARE(View::unusedAttribs(itemAt(cell(EGL, "1"))), (std::set<int>{0x3033, 0x3040}));

    // Names outside the key table are not counted; format lists are always offered again.
    const QModelIndex subKey = cell(Caps, "0/1/0");
    QCOMPARE(widgets::ProfileTreeView::topLevelIndex(subKey), cell(Caps, "0"));
    QCOMPARE(widgets::ESCapabilityTreeView::usedCapabilities(subKey).size(), std::size_t(6));
    const auto unused = widgets::ESCapabilityTreeView::unusedCapabilities(subKey);
    QCOMPARE(unused.size(), std::size_t(28 - 6 + 2));
    QVERIFY(unused.count("compressed_texture_format") && unused.count("shader_binary_format"));

    QCOMPARE(widgets::ESExtensionTreeView::usedExtensions(itemAt(cell(Exts, "0"))),
             QStringList({"GL_OES_rgb8_rgba8", "GL_OES_depth24", "OES_mapbuffer"}));
    const QStringList offered = widgets::ESExtensionTreeView::unusedExtensions(nullptr);
    QVERIFY(std::is_sorted(offered.begin(), offered.end()) && offered.size() == 133);
}

void TestItemDelegates::aChoiceIsWritten()
{
    commit(egl, cell(EGL, "0/4:1"), 2);
    QCOMPARE(cell(EGL, "0/4:1").data(), QVariant("EGL_FALSE"));
    commit(caps, cell(Caps, "0/1/0"), 2);
    QCOMPARE(cell(Caps, "0/1/0").data(Qt::EditRole), QVariant("max"));
}

void TestItemDelegates::everyEditorLeftWithoutChoiceKeepsTheModel_data()
{
    QTest::addColumn<int>("builtin");
    // The sample holds what once went wrong: stored bit and enum names, a range limit (whose own
    // key, committed again, rebuilt its min and max rows empty) and a configuration id above 99.
    QTest::newRow("sample") << -1;
    QCOMPARE(builtinProfiles.size(), std::size_t(13));
    for (int i = 0; i < 13; ++i)
        QTest::addRow("profile %d", i + 1) << i;
}

// Opens the editor of every cell of the three trees, commits without a choice, and finds every
// stored value, its type and the shape of each tree unchanged.
void TestItemDelegates::everyEditorLeftWithoutChoiceKeepsTheModel()
{
    QFETCH(int, builtin);
    if (builtin >= 0)
        show(std::make_unique<ProfileFixture>(std::size_t(builtin)));
    for (int tree : {EGL, Caps, Exts}) {
        QAbstractItemModel& m = *view(tree).model();
        const QStringList before = snapshot(m);
        QSignalSpy changes(&m, &QAbstractItemModel::dataChanged);
        int editors = 0;
        std::function<void(const QModelIndex&)> visit = [&](const QModelIndex& parent) {
            for (int r = 0; r < m.rowCount(parent); ++r) {
                for (const QModelIndex& index : {m.index(r, 0, parent), m.index(r, 1, parent)}) {
                    if (index.isValid() && ++editors)
                        commit(view(tree), index);
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

void TestItemDelegates::eglCellsRefuseWhatTheFileCannotHold_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QVariant>("typed");
    QTest::addColumn<QVariant>("stored"); // the cell's value afterwards
    QTest::addColumn<QString>("why");     // part of the box's text; empty: no box
    auto row = [](const char* name, const char* path, QVariant typed, QVariant stored,
                  const char* why = "") {
        QTest::newRow(name) << QString(path) << typed << stored << QString(why);
    };
    // Configurations 1, 2 and 150: a second 150 would merge two configurations on save.
    row("id another holds", "0", 150, 1, "\"Config 150\" already exists");
    row("free id", "0", 3, 3);
    row("word in a size", "0/0:1", "abc", "8", "EGL_RED_SIZE cannot hold \"abc\"");
    row("markup in a size", "0/0:1", "<img src=x.png>", "8", "\"<img src=x.png>\"");
    row("bit name as transparent type", "0/2:1", "EGL_WINDOW_BIT", "EGL_TRANSPARENT_RGB",
        "EGL_NON_CONFORMANT_CONFIG, EGL_TRANSPARENT_RGB.");
    row("bit name moved to a size", "0/7", "12325", 12352, "EGL_DEPTH_SIZE cannot hold");
    row("API bit as renderable type", "0/7:1", "EGL_OPENGL_ES3_BIT_KHR", "EGL_OPENGL_ES3_BIT_KHR");
}

// What a profile file cannot hold (or would merge on) leaves the cell as it was, and a box says
// why in plain text; the model refuses the same.
void TestItemDelegates::eglCellsRefuseWhatTheFileCannotHold()
{
    QFETCH(QString, path);
    QFETCH(QVariant, typed);
    QFETCH(QVariant, stored);
    QFETCH(QString, why);
    ModalDriver driver{"OK"};
    commit(egl, cell(EGL, path), -1, typed);
    QCoreApplication::processEvents(); // the box waits for the editor to be done with
    QCOMPARE(cell(EGL, path).data(Qt::EditRole), stored);
    QCOMPARE(driver.shown.size(), std::size_t(why.isEmpty() ? 0 : 1));
    QVERIFY(why.isEmpty() ||
            (driver.shown[0].text.contains(why) && driver.shown[0].format == Qt::PlainText));
    QCOMPARE(egl.model()->setData(cell(EGL, path), typed, Qt::EditRole), why.isEmpty());
}

KOLZ_TEST_MAIN_WIDGETS(TestItemDelegates)
#include "tst_itemdelegates.moc"
