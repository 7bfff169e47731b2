#include "support/TestEnvironment.h"

#include "WidgetsTestSupport.h"
#include "models/EGLAttribKey.h"
#include "models/ESCapabilityKey.h"
#include "widgets/EGLConfigTreeView.h"
#include "widgets/EGLSelectors.h"
#include "widgets/ESCapabilityTreeView.h"
#include "widgets/ESExtensionTreeView.h"
#include "widgets/ESSelectors.h"
#include "widgets/FormatSelectors.h"
#include "widgets/TreeItemDelegates.h"

#include <QLineEdit>
#include <QSignalSpy>
#include <QStyleOptionViewItem>

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
        leaf("native_visual_type", "12344"),
        inner("transparency", {leaf("type", "12344")}),
    };
    data.eglConfigs[150] = {leaf("red_size", "8")};
    // Every attribute once.
    forEachEGLAttribKey([&](const EGLAttribKey& key) {
        if (key.xmlPath.size() == 1)
            data.eglConfigs[2].push_back(leaf(key.xmlPath[0].c_str(), "1"));
        else
            data.eglConfigs[2].push_back(
                inner(key.xmlPath[0].c_str(), {leaf(key.xmlPath[1].c_str(), "1")}));
    });
    return data;
}

template <typename Editor> Editor* as(const std::unique_ptr<QWidget>& editor)
{
    return dynamic_cast<Editor*>(editor.get());
}

QStringList items(const QComboBox* box)
{
    QStringList texts;
    for (int i = 0; box && i < box->count(); ++i)
        texts << box->itemText(i);
    return texts;
}

} // namespace

class TestItemDelegates : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void eglConfigEditors();
    void capabilityEditors();
    void extensionEditors();
    void offeredValueQueries();
    void noChoiceWritesNothing();
    void aChoiceIsWritten();
    void everyEditorOfEveryBuiltinProfileKeepsTheModel_data();
    void everyEditorOfEveryBuiltinProfileKeepsTheModel();

private:
    std::unique_ptr<QWidget> editorFor(const widgets::ProfileTreeView& view,
                                       const QModelIndex& index)
    {
        return std::unique_ptr<QWidget>(
            view.itemDelegate()->createEditor(view.viewport(), QStyleOptionViewItem(), index));
    }

    std::unique_ptr<ProfileFixture> fixture;
    std::unique_ptr<widgets::EGLConfigTreeView> egl;
    std::unique_ptr<widgets::ESCapabilityTreeView> caps;
    std::unique_ptr<widgets::ESExtensionTreeView> exts;
};

void TestItemDelegates::init()
{
    egl.reset();
    caps.reset();
    exts.reset();
    fixture = std::make_unique<ProfileFixture>(sampleData());
    egl = std::make_unique<widgets::EGLConfigTreeView>();
    caps = std::make_unique<widgets::ESCapabilityTreeView>();
    exts = std::make_unique<widgets::ESExtensionTreeView>();
    egl->setModel(fixture->profile->eglConfigTree());
    caps->setModel(fixture->profile->capabilityTree());
    exts->setModel(fixture->profile->extensionTree());
}

void TestItemDelegates::eglConfigEditors()
{
    const QAbstractItemModel& m = *egl->model();
    const QModelIndex config = m.index(0, 0);
    auto id = editorFor(*egl, config);
    QVERIFY(as<widgets::EGLConfigIDSelector>(id));
    QCOMPARE(as<QSpinBox>(id)->prefix(), QString("Config "));
    egl->itemDelegate()->setEditorData(id.get(), config);
    QCOMPARE(as<QSpinBox>(id)->value(), 1);

    // The attribute editor starts on the row's own attribute and offers what is unused.
    auto attrib = editorFor(*egl, m.index(0, 0, config));
    QVERIFY(as<widgets::EGLAttribSelector>(attrib));
    QCOMPARE(items(as<QComboBox>(attrib)).at(0), QString::number(0x3024));
    QVERIFY(!items(as<QComboBox>(attrib)).mid(2).contains(QString::number(0x3024)));
    QVERIFY(items(as<QComboBox>(attrib)).mid(2).contains(QString::number(0x3025)));
    // Bit-mask attributes are offered again, so their own row lists them twice.
    auto renderable = editorFor(*egl, m.index(7, 0, config));
    QCOMPARE(items(as<QComboBox>(renderable)).count(QString::number(0x3040)), 2);

    QVERIFY(as<widgets::EGLConfigCaveatSelector>(editorFor(*egl, m.index(1, 1, config))));
    QVERIFY(as<widgets::EGLTrueFalseSelector>(editorFor(*egl, m.index(4, 1, config))));
    QVERIFY(as<widgets::EGLTransparentTypeSelector>(editorFor(*egl, m.index(9, 1, config))));
    // Values that are words, not numbers, keep the text editor: a selector would start on 0.
    QVERIFY(as<QLineEdit>(editorFor(*egl, m.index(2, 1, config))));
    QVERIFY(as<QLineEdit>(editorFor(*egl, m.index(5, 1, config))));
    // EGL_NATIVE_RENDERABLE is no selector cell, stored number or not; nor are sizes.
    QVERIFY(!as<QComboBox>(editorFor(*egl, m.index(5, 1, config))));
    QVERIFY(as<QLineEdit>(editorFor(*egl, m.index(0, 1, config))));
    QVERIFY(!as<QComboBox>(editorFor(*egl, m.index(8, 1, config))));
}

void TestItemDelegates::capabilityEditors()
{
    const QAbstractItemModel& m = *caps->model();
    const QModelIndex api = m.index(0, 0);
    auto apiEditor = editorFor(*caps, api);
    QVERIFY(as<widgets::ESAPISelector>(apiEditor));
    QCOMPARE(items(as<QComboBox>(apiEditor)), QStringList({"20", "", "1", "3"}));

    auto limit = editorFor(*caps, m.index(0, 0, api));
    QVERIFY(as<widgets::ESCapabilitySelector>(limit));
    const QStringList offered = items(as<QComboBox>(limit));
    QCOMPARE(offered.at(0), QString("max_texture_size"));
    QVERIFY(!offered.mid(2).contains("max_texture_size"));
    QVERIFY(!offered.mid(2).contains("aliased_point_size_range"));
    QVERIFY(offered.mid(2).contains("compressed_texture_format"));
    QVERIFY(offered.mid(2).contains("shader_binary_format"));

    const QModelIndex range = m.index(1, 0, api);
    auto subKey = editorFor(*caps, m.index(0, 0, range));
    QVERIFY(as<widgets::ESCapabilitySelector>(subKey));
    QCOMPARE(items(as<QComboBox>(subKey)), QStringList({"min", "", "max"}));
    QVERIFY(as<QLineEdit>(editorFor(*caps, m.index(0, 1, range))));

    QVERIFY(as<widgets::ImageFormatSelector>(editorFor(*caps, m.index(2, 1, api))));
    QVERIFY(as<QLineEdit>(editorFor(*caps, m.index(3, 1, api)))); // stored as a GL name
    QVERIFY(as<widgets::ShaderBinaryFormatSelector>(editorFor(*caps, m.index(4, 1, api))));
    QVERIFY(as<QLineEdit>(editorFor(*caps, m.index(5, 1, api))));
    QVERIFY(as<widgets::ImageFormatSelector>(editorFor(*caps, m.index(6, 1, api))));
    QVERIFY(as<QLineEdit>(editorFor(*caps, m.index(7, 1, api))));
    QVERIFY(as<QLineEdit>(editorFor(*caps, m.index(0, 1, api))));
    // An API row without limits has a value cell of its own; it is no selector cell.
    QVERIFY(!as<QComboBox>(editorFor(*caps, m.index(1, 1))));
}

void TestItemDelegates::extensionEditors()
{
    const QAbstractItemModel& m = *exts->model();
    const QModelIndex api = m.index(0, 0);
    auto apiEditor = editorFor(*exts, api);
    QCOMPARE(items(as<widgets::ESAPISelector>(apiEditor)), QStringList({"2", "", "1", "3", "31"}));

    auto name = editorFor(*exts, m.index(1, 0, api));
    const QStringList offered = items(as<widgets::ESExtensionSelector>(name));
    QCOMPARE(offered.at(0), QString("GL_OES_depth24"));
    QVERIFY(!offered.mid(2).contains("GL_OES_depth24"));
    QVERIFY(!offered.mid(2).contains("GL_OES_rgb8_rgba8"));
    QCOMPARE(offered.size(), 2 + 133 - 2);
    QStringList sorted = offered.mid(2);
    sorted.sort(Qt::CaseSensitive);
    QCOMPARE(offered.mid(2), sorted);
}

void TestItemDelegates::offeredValueQueries()
{
    using View = widgets::EGLConfigTreeView;
    const QAbstractItemModel& eglModel = *egl->model();
    auto itemAt = [](const QModelIndex& i) {
        return static_cast<const models::ProfileTreeItem*>(i.internalPointer());
    };
    const QModelIndex full = eglModel.index(1, 0);
    QCOMPARE(View::usedAttribs(itemAt(full)).size(), std::size_t(27));
    QCOMPARE(View::unusedAttribs(itemAt(full)), (std::set<int>{0x3033, 0x3040}));
    QCOMPARE(View::unusedAttribs(itemAt(eglModel.index(2, 0))).size(), std::size_t(26));
    QCOMPARE(eglModel.index(2, 0).data().toString(), QString("Config 150"));

    const QModelIndex api = caps->model()->index(0, 0);
    const QModelIndex subKey = caps->model()->index(0, 0, caps->model()->index(1, 0, api));
    // Names outside the key table are ignored; the lookup works from any row below the API row.
    const std::set<std::string> used = widgets::ESCapabilityTreeView::usedCapabilities(subKey);
    QCOMPARE(used, (std::set<std::string>{"aliased_point_size_range", "compressed_texture_format",
                                          "implementation_color_read_format",
                                          "implementation_color_read_type", "max_texture_size",
                                          "shader_binary_format"}));
    const auto unused = widgets::ESCapabilityTreeView::unusedCapabilities(subKey);
    QCOMPARE(unused.size(), std::size_t(28 - 6 + 2));
    QVERIFY(unused.count("compressed_texture_format") && unused.count("shader_binary_format"));

    QCOMPARE(widgets::ProfileTreeView::topLevelIndex(subKey), api);
    QCOMPARE(widgets::ProfileTreeView::topLevelIndex(api), api);
    QVERIFY(!widgets::ProfileTreeView::topLevelIndex(QModelIndex()).isValid());

    const auto usedApis = widgets::ESTreeView::usedAPIs(caps->model());
    QCOMPARE(usedApis.size(), std::size_t(2));
    QCOMPARE(usedApis.begin()->name, std::string("OpenGL ES 2.0"));
    std::vector<std::string> missing;
    for (const esapi::API& a : widgets::ESTreeView::unusedAPIs(caps->model()))
        missing.push_back(a.name);
    QCOMPARE(missing, (std::vector<std::string>{"OpenGL ES 1.1", "OpenGL ES 3.0"}));
    QVERIFY(widgets::ESTreeView::usedAPIs(nullptr).empty());

    const auto* extApi = itemAt(exts->model()->index(0, 0));
    QCOMPARE(widgets::ESExtensionTreeView::usedExtensions(extApi),
             QStringList({"GL_OES_rgb8_rgba8", "GL_OES_depth24"}));
    QCOMPARE(widgets::ESExtensionTreeView::unusedExtensions(nullptr).size(), 133);
}

void TestItemDelegates::noChoiceWritesNothing()
{
    // Re-committing a range limit's own key would rebuild its min and max rows empty.
    QAbstractItemModel& m = *caps->model();
    const QModelIndex range = m.index(1, 0, m.index(0, 0));
    const QStringList before = snapshot(m);
    QSignalSpy changes(&m, &QAbstractItemModel::dataChanged);
    auto editor = editorFor(*caps, range);
    caps->itemDelegate()->setEditorData(editor.get(), range);
    QCOMPARE(as<QComboBox>(editor)->currentIndex(), 0);
    caps->itemDelegate()->setModelData(editor.get(), &m, range);
    QCOMPARE(snapshot(m), before);
    QCOMPARE(m.index(1, 1, range).data().toString(), QString("64"));

    // A configuration id above 99 survives its spin box.
    QAbstractItemModel& e = *egl->model();
    const QModelIndex config = e.index(2, 0);
    auto id = editorFor(*egl, config);
    egl->itemDelegate()->setEditorData(id.get(), config);
    QCOMPARE(as<QSpinBox>(id)->value(), 150);
    egl->itemDelegate()->setModelData(id.get(), &e, config);
    QCOMPARE(config.data(Qt::EditRole), QVariant(150));

    // A number stored as a text goes back untouched, though the line edit holds the same text.
    const QModelIndex size = e.index(0, 1, e.index(0, 0));
    auto text = editorFor(*egl, size);
    egl->itemDelegate()->setEditorData(text.get(), size);
    egl->itemDelegate()->setModelData(text.get(), &e, size);
    QCOMPARE(changes.count(), 0);
    QVERIFY(snapshot(e).contains("/0/0:1 QString 8 8"));
}

void TestItemDelegates::aChoiceIsWritten()
{
    QAbstractItemModel& e = *egl->model();
    const QModelIndex bind = e.index(4, 1, e.index(0, 0));
    auto editor = editorFor(*egl, bind);
    egl->itemDelegate()->setEditorData(editor.get(), bind);
    as<QComboBox>(editor)->setCurrentIndex(2);
    egl->itemDelegate()->setModelData(editor.get(), &e, bind);
    QCOMPARE(bind.data().toString(), QString("EGL_FALSE"));

    QAbstractItemModel& m = *caps->model();
    const QModelIndex min = m.index(0, 0, m.index(1, 0, m.index(0, 0)));
    auto subKey = editorFor(*caps, min);
    caps->itemDelegate()->setEditorData(subKey.get(), min);
    as<QComboBox>(subKey)->setCurrentIndex(2);
    caps->itemDelegate()->setModelData(subKey.get(), &m, min);
    QCOMPARE(min.data(Qt::EditRole), QVariant("max"));
}

void TestItemDelegates::everyEditorOfEveryBuiltinProfileKeepsTheModel_data()
{
    QTest::addColumn<int>("builtin");
    for (std::size_t i = 0; i < builtinProfiles.size(); ++i)
        QTest::addRow("profile %zu", i + 1) << int(i);
    QCOMPARE(builtinProfiles.size(), std::size_t(13));
}

void TestItemDelegates::everyEditorOfEveryBuiltinProfileKeepsTheModel()
{
    QFETCH(int, builtin);
    fixture = std::make_unique<ProfileFixture>(std::size_t(builtin));
    egl->setModel(fixture->profile->eglConfigTree());
    caps->setModel(fixture->profile->capabilityTree());
    exts->setModel(fixture->profile->extensionTree());

    for (widgets::ProfileTreeView* view :
         std::initializer_list<widgets::ProfileTreeView*>{egl.get(), caps.get(), exts.get()}) {
        QAbstractItemModel& m = *view->model();
        const QStringList before = snapshot(m);
        QSignalSpy changes(&m, &QAbstractItemModel::dataChanged);
        int editors = 0;
        std::function<void(const QModelIndex&)> visit = [&](const QModelIndex& parent) {
            for (int r = 0; r < m.rowCount(parent); ++r) {
                for (int c = 0; c < 2; ++c) {
                    const QModelIndex index = m.index(r, c, parent);
                    if (!index.isValid())
                        continue;
                    auto editor = editorFor(*view, index);
                    QVERIFY(editor);
                    view->itemDelegate()->setEditorData(editor.get(), index);
                    view->itemDelegate()->setModelData(editor.get(), &m, index);
                    ++editors;
                }
                visit(m.index(r, 0, parent));
            }
        };
        visit({});
        QVERIFY(editors > 0);
        QCOMPARE(changes.count(), 0);
        QCOMPARE(snapshot(m), before);
    }
}

KOLZ_TEST_MAIN_WIDGETS(TestItemDelegates)
#include "tst_itemdelegates.moc"
