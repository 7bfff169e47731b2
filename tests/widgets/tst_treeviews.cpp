#include "support/TestEnvironment.h"

#include "WidgetsTestSupport.h"
#include "widgets/EGLConfigTreeView.h"
#include "widgets/ESCapabilityTreeView.h"
#include "widgets/ESExtensionTreeView.h"
#include "widgets/GenericValueSelector.h"

#include <QContextMenuEvent>
#include <QDir>
#include <QInputDialog>
#include <QMenu>
#include <QPainter>
#include <QPointer>
#include <QSignalSpy>
#include <QStandardItemModel>

using namespace widgets::test;

namespace {

ProfileData sampleData()
{
    ProfileData data;
    data.capabilities[2] = {
        leaf("max_texture_size", "4096"),
        inner("aliased_point_size_range", {leaf("min", "1"), leaf("max", "64")}),
        leaf("samples", "4"),
    };
    data.capabilities[31] = {};
    data.extensions[1] = {"GL_OES_a", "GL_OES_b"};
    data.eglConfigs[1] = {leaf("red_size", "8"), leaf("green_size", "8")};
    data.eglConfigs[7] = {leaf("red_size", "5")};
    return data;
}

// What a prompt showed, and the answer given to it.
struct Prompt
{
    bool shown = false;
    QString title;
    QString label;
    QStringList items;
};

// Answers the next item prompt with `choice` (an empty choice cancels it).
[[nodiscard]] std::shared_ptr<Prompt> answerPrompt(const QString& choice)
{
    auto prompt = std::make_shared<Prompt>();
    // A prompt that never came must not answer a later test's dialog once the test drops it.
    answerNextModal([weak = std::weak_ptr<Prompt>(prompt), choice](QWidget* modal) {
        const std::shared_ptr<Prompt> prompt = weak.lock();
        auto* dialog = qobject_cast<QInputDialog*>(modal);
        if (!prompt || !dialog)
            return;
        prompt->shown = true;
        prompt->title = dialog->windowTitle();
        prompt->label = dialog->labelText();
        prompt->items = dialog->comboBoxItems();
        if (choice.isEmpty()) {
            dialog->reject();
            return;
        }
        dialog->setTextValue(choice);
        dialog->accept();
    });
    return prompt;
}

// The visible actions of the menu that `request` opens, closing it again; "no menu" when
// none opened.
QStringList menuShown(const std::function<void()>& request)
{
    QStringList shown;
    bool looked = false;
    QTimer::singleShot(30, [&] {
        if (auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())) {
            for (QAction* action : menu->actions())
                if (action->isVisible())
                    shown << action->text();
            menu->close();
        } else {
            shown << "no menu";
        }
        looked = true;
    });
    request();
    if (!QTest::qWaitFor([&] { return looked; }))
        shown << "timed out";
    return shown;
}

QStringList rowTexts(const QAbstractItemModel& model, const QModelIndex& parent = {})
{
    QStringList texts;
    for (int r = 0; r < model.rowCount(parent); ++r)
        texts << model.index(r, 0, parent).data().toString();
    return texts;
}

} // namespace

class TestTreeViews : public QObject
{
    Q_OBJECT

private slots:
    void setModelFitsAndReplacesCleanly();
    void editModeSwitchesTheMenuPolicy();
    void settingAModelAgainConnectsOnce();
    void menusOnlyInEditMode();
    void eglConfigMenu();
    void esMenus();
    void addConfigTakesAFreeId();
    void addAttribute();
    void addCapability();
    void addExtension();
    void addAPI();
    void deleteRemovesTheClickedRow();
    void openSelectorsShowWholeNames();

private:
    void showViews(ProfileFixture& f);
    QPoint at(const widgets::ProfileTreeView& view, const QModelIndex& index)
    {
        return view.visualRect(index).center();
    }
    QPoint belowRows(const widgets::ProfileTreeView& view)
    {
        return QPoint(5, view.viewport()->height() - 5);
    }

    std::unique_ptr<widgets::ESCapabilityTreeView> caps;
    std::unique_ptr<widgets::ESExtensionTreeView> exts;
    std::unique_ptr<widgets::EGLConfigTreeView> egl;
};

void TestTreeViews::setModelFitsAndReplacesCleanly()
{
    widgets::ESCapabilityTreeView caps;
    widgets::ESExtensionTreeView exts;
    widgets::EGLConfigTreeView egl;
    QList<widgets::ProfileTreeView*> views{&caps, &exts, &egl};
    auto first = std::make_unique<ProfileFixture>(0);
    auto second = std::make_unique<ProfileFixture>(1);
    auto modelsOf = [](ProfileFixture& f) {
        return QList<QAbstractItemModel*>{f.profile->capabilityTree(), f.profile->extensionTree(),
                                          f.profile->eglConfigTree()};
    };

    for (int v = 0; v < views.size(); ++v) {
        views[v]->setModel(nullptr);
        QCOMPARE(views[v]->model(), nullptr);
        widgets::ProfileTreeView* view = views[v];
        view->setModel(modelsOf(*first)[v]);
        QPointer<QItemSelectionModel> oldSelection = view->selectionModel();
        QVERIFY(view->columnWidth(0) > 0);

        // A new model drops the old selection model and the old model's fitting.
        view->setModel(modelsOf(*second)[v]);
        QVERIFY(oldSelection.isNull());
        QCOMPARE(view->model(), modelsOf(*second)[v]);
        // The one-column extension view stretches its only column; widths tell nothing there.
        if (view == &exts)
            continue;
        view->setColumnWidth(0, 30);
        const QModelIndex oldTop = modelsOf(*first)[v]->index(0, 0);
        emit modelsOf(*first)[v]->dataChanged(oldTop, oldTop);
        QCOMPARE(view->columnWidth(0), 30);
        view->resizeToFit();
        QVERIFY(view->columnWidth(0) > 30);
        view->setColumnWidth(0, 30);
        const QModelIndex newTop = modelsOf(*second)[v]->index(0, 0);
        emit modelsOf(*second)[v]->dataChanged(newTop, newTop);
        QVERIFY(view->columnWidth(0) > 30);
    }
}

void TestTreeViews::editModeSwitchesTheMenuPolicy()
{
    widgets::EGLConfigTreeView egl;
    QCOMPARE(egl.contextMenuPolicy(), Qt::DefaultContextMenu);
    egl.setEditable(true);
    QCOMPARE(egl.contextMenuPolicy(), Qt::CustomContextMenu);
    egl.setEditable(false);
    QCOMPARE(egl.contextMenuPolicy(), Qt::NoContextMenu);
}

namespace {
struct CountingModel : QStandardItemModel
{
    int dataChangedReceivers() const
    {
        return receivers(SIGNAL(dataChanged(QModelIndex, QModelIndex, QList<int>)));
    }
};
} // namespace

void TestTreeViews::settingAModelAgainConnectsOnce()
{
    CountingModel model;
    model.appendRow(new QStandardItem("row"));
    widgets::EGLConfigTreeView view;
    const int none = model.dataChangedReceivers();
    view.setModel(&model);
    const int once = model.dataChangedReceivers();
    view.setModel(&model);
    view.setModel(&model);
    QCOMPARE(model.dataChangedReceivers(), once);
    CountingModel other;
    view.setModel(&other);
    QCOMPARE(model.dataChangedReceivers(), none);
}

void TestTreeViews::showViews(ProfileFixture& f)
{
    caps = std::make_unique<widgets::ESCapabilityTreeView>();
    exts = std::make_unique<widgets::ESExtensionTreeView>();
    egl = std::make_unique<widgets::EGLConfigTreeView>();
    caps->setModel(f.profile->capabilityTree());
    exts->setModel(f.profile->extensionTree());
    egl->setModel(f.profile->eglConfigTree());
    for (widgets::ProfileTreeView* view :
         std::initializer_list<widgets::ProfileTreeView*>{caps.get(), exts.get(), egl.get()}) {
        view->setEditable(true);
        view->resize(500, 500);
        view->expandAll();
        view->show();
        QVERIFY(QTest::qWaitForWindowExposed(view));
    }
}

void TestTreeViews::menusOnlyInEditMode()
{
    ProfileFixture f(sampleData());
    showViews(f);
    auto rightClick = [](widgets::ProfileTreeView& view, const QPoint& pos) {
        return [&view, pos] {
            QContextMenuEvent event(QContextMenuEvent::Mouse, pos,
                                    view.viewport()->mapToGlobal(pos));
            QApplication::sendEvent(view.viewport(), &event);
        };
    };
    const QPoint row = at(*egl, egl->model()->index(0, 0));
    QCOMPARE(menuShown(rightClick(*egl, row)),
             QStringList({"Add Config", "Add Attribute", "Delete"}));
    egl->setEditable(false);
    QCOMPARE(menuShown(rightClick(*egl, row)), QStringList({"no menu"}));
    caps->setEditable(false);
    QCOMPARE(menuShown(rightClick(*caps, belowRows(*caps))), QStringList({"no menu"}));
}

void TestTreeViews::eglConfigMenu()
{
    ProfileFixture f(sampleData());
    showViews(f);
    const QAbstractItemModel& m = *egl->model();
    auto menuAt = [&](const QPoint& pos) {
        return menuShown([&] { egl->onContextMenuRequested(pos); });
    };
    QCOMPARE(menuAt(belowRows(*egl)), QStringList({"Add Config"}));
    QCOMPARE(menuAt(at(*egl, m.index(1, 0))),
             QStringList({"Add Config", "Add Attribute", "Delete"}));
    const QModelIndex attribute = m.index(1, 0, m.index(0, 0));
    QCOMPARE(menuAt(at(*egl, attribute)), QStringList({"Add Attribute", "Delete"}));
    // Column 1 of a row counts as the row.
    QCOMPARE(menuAt(at(*egl, m.index(1, 1, m.index(0, 0)))),
             QStringList({"Add Attribute", "Delete"}));
    QCOMPARE(egl->currentIndex(), attribute);
}

void TestTreeViews::esMenus()
{
    ProfileFixture f(sampleData());
    showViews(f);
    for (widgets::ESTreeView* view :
         std::initializer_list<widgets::ESTreeView*>{caps.get(), exts.get()}) {
        const QString second = view == caps.get() ? "Add Capability" : "Add Extension";
        auto menuAt = [view](const QPoint& pos) {
            return menuShown([&] {
                QMetaObject::invokeMethod(view, "onContextMenuRequested", Q_ARG(QPoint, pos));
            });
        };
        QAbstractItemModel& m = *view->model();
        const QModelIndex api = m.index(0, 0);
        QCOMPARE(menuAt(belowRows(*view)), QStringList({"Add API"}));
        QCOMPARE(menuAt(at(*view, api)), QStringList({"Add API", second, "Delete"}));
        // Column 1 of an API row with children has no index; the click still means the row.
        const QPoint apiValue(view->columnViewportPosition(1) + 5, at(*view, api).y());
        if (view == caps.get())
            QCOMPARE(menuAt(apiValue), QStringList({"Add API", second, "Delete"}));
        QCOMPARE(menuAt(at(*view, m.index(0, 0, api))), QStringList({second, "Delete"}));

        // With all four API levels present there is nothing to add on empty space: no menu.
        for (const esapi::API& missing : widgets::ESTreeView::unusedAPIs(&m)) {
            m.insertRows(m.rowCount(), 1);
            m.setData(m.index(m.rowCount() - 1, 0), *missing.ids.begin(), Qt::EditRole);
        }
        QVERIFY(widgets::ESTreeView::unusedAPIs(&m).empty());
        QCOMPARE(menuAt(belowRows(*view)), QStringList({"no menu"}));
        QCOMPARE(menuAt(at(*view, api)), QStringList({second, "Delete"}));
    }
}

void TestTreeViews::addConfigTakesAFreeId()
{
    ProfileFixture f(sampleData());
    showViews(f);
    QAbstractItemModel& m = *egl->model();
    egl->addConfigTriggered();
    egl->addConfigTriggered();
    QCOMPARE(rowTexts(m), QStringList({"Config 1", "Config 7", "Config 8", "Config 9"}));
    QCOMPARE(m.index(3, 0).data(Qt::EditRole), QVariant(9));

    ProfileData none;
    ProfileFixture empty(none);
    egl->setModel(empty.profile->eglConfigTree());
    egl->addConfigTriggered();
    QCOMPARE(rowTexts(*egl->model()), QStringList({"Config 0"}));
}

void TestTreeViews::addAttribute()
{
    ProfileFixture f(sampleData());
    showViews(f);
    QAbstractItemModel& m = *egl->model();
    const QModelIndex config = m.index(0, 0);
    menuShown([&] { egl->onContextMenuRequested(at(*egl, config)); });
    auto prompt = answerPrompt("EGL_DEPTH_SIZE");
    egl->addAttribTriggered();
    QVERIFY(prompt->shown);
    QCOMPARE(prompt->title, QString("Add Attribute"));
    QCOMPARE(prompt->label, QString("Select an attribute"));
    QCOMPARE(prompt->items.size(), 25);
    QVERIFY(!prompt->items.contains("EGL_RED_SIZE"));
    QCOMPARE(prompt->items.first(), QString("EGL_BUFFER_SIZE")); // ascending attribute value
    QCOMPARE(rowTexts(m, config),
             QStringList({"EGL_DEPTH_SIZE", "EGL_RED_SIZE", "EGL_GREEN_SIZE"}));

    // On an attribute row the new one goes right after it; a cancelled prompt adds nothing.
    menuShown([&] { egl->onContextMenuRequested(at(*egl, m.index(1, 0, config))); });
    prompt = answerPrompt("EGL_SURFACE_TYPE");
    egl->addAttribTriggered();
    prompt = answerPrompt("");
    egl->addAttribTriggered();
    QVERIFY(prompt->shown);
    QCOMPARE(rowTexts(m, config),
             QStringList({"EGL_DEPTH_SIZE", "EGL_RED_SIZE", "EGL_SURFACE_TYPE", "EGL_GREEN_SIZE"}));
    QCOMPARE(m.index(2, 0, config).data(Qt::EditRole).toInt(), 0x3033);
}

void TestTreeViews::addCapability()
{
    ProfileFixture f(sampleData());
    showViews(f);
    QAbstractItemModel& m = *caps->model();
    const QModelIndex api = m.index(0, 0);
    const QModelIndex min = m.index(0, 0, m.index(1, 0, api));
    // From a sub-key row the new limit goes after the limit that holds it.
    menuShown([&] { caps->onContextMenuRequested(at(*caps, min)); });
    auto prompt = answerPrompt("GL_MAX_LIGHTS");
    caps->addCapabilityTriggered();
    QCOMPARE(prompt->title, QString("Add Capability"));
    QCOMPARE(prompt->label, QString("Select a capability"));
    QVERIFY(prompt->items.contains("GL_COMPRESSED_TEXTURE_FORMATS"));
    QVERIFY(prompt->items.contains("GL_SHADER_BINARY_FORMATS"));
    QVERIFY(!prompt->items.contains("GL_SAMPLES"));
    QCOMPARE(rowTexts(m, api), QStringList({"GL_MAX_TEXTURE_SIZE", "GL_ALIASED_POINT_SIZE_RANGE",
                                            "GL_MAX_LIGHTS", "GL_SAMPLES"}));
    QCOMPARE(m.index(2, 0, api).data(Qt::EditRole), QVariant("max_lights"));

    // A range limit arrives with its sub-key rows; on a childless API row it goes first.
    const QModelIndex empty = m.index(1, 0);
    menuShown([&] { caps->onContextMenuRequested(at(*caps, empty)); });
    prompt = answerPrompt("GL_MAX_VIEWPORT_DIMS");
    caps->addCapabilityTriggered();
    QCOMPARE(rowTexts(m, empty), QStringList({"GL_MAX_VIEWPORT_DIMS"}));
    QCOMPARE(rowTexts(m, m.index(0, 0, empty)), QStringList({"width", "height"}));
}

void TestTreeViews::addExtension()
{
    ProfileFixture f(sampleData());
    showViews(f);
    QAbstractItemModel& m = *exts->model();
    const QModelIndex api = m.index(0, 0);
    menuShown([&] { exts->onContextMenuRequested(at(*exts, m.index(0, 0, api))); });
    auto prompt = answerPrompt("GL_OES_depth24");
    exts->addExtensionTriggered();
    QCOMPARE(prompt->title, QString("Add Extension"));
    QCOMPARE(prompt->label, QString("Select an extension"));
    QCOMPARE(prompt->items.size(), 133);
    QCOMPARE(rowTexts(m, api), QStringList({"GL_OES_a", "GL_OES_depth24", "GL_OES_b"}));

    // Once every extension is listed there is nothing to offer and nothing is added.
    const QStringList all = widgets::ESExtensionTreeView::unusedExtensions(nullptr);
    for (const QString& name : all) {
        m.insertRows(0, 1, api);
        m.setData(m.index(0, 0, api), name, Qt::EditRole);
    }
    const int rows = m.rowCount(api);
    menuShown([&] { exts->onContextMenuRequested(at(*exts, api)); });
    prompt = answerPrompt("GL_OES_a");
    exts->addExtensionTriggered();
    QTest::qWait(100);
    QVERIFY(!prompt->shown);
    QCOMPARE(m.rowCount(api), rows);
    prompt.reset();
}

void TestTreeViews::addAPI()
{
    ProfileFixture f(sampleData());
    showViews(f);
    QAbstractItemModel& m = *caps->model();
    auto prompt = answerPrompt("OpenGL ES 3.0");
    caps->addAPITriggered();
    QCOMPARE(prompt->title, QString("Add API"));
    QCOMPARE(prompt->label, QString("Select an API"));
    QCOMPARE(prompt->items, QStringList({"OpenGL ES 1.1", "OpenGL ES 3.0"}));
    QCOMPARE(rowTexts(m), QStringList({"OpenGL ES 2.0", "OpenGL ES 3.1", "OpenGL ES 3.0"}));
    QCOMPARE(m.index(2, 0).data(Qt::EditRole), QVariant(3));

    prompt = answerPrompt("OpenGL ES 3.1");
    exts->addAPITriggered();
    QCOMPARE(prompt->items, QStringList({"OpenGL ES 2.0", "OpenGL ES 3.0", "OpenGL ES 3.1"}));
    QCOMPARE(exts->model()->index(1, 0).data(Qt::EditRole), QVariant(31));
}

void TestTreeViews::deleteRemovesTheClickedRow()
{
    ProfileFixture f(sampleData());
    showViews(f);
    QAbstractItemModel& caps_m = *caps->model();
    menuShown([&] { caps->onContextMenuRequested(at(*caps, caps_m.index(0, 0))); });
    caps->deleteItemTriggered();
    QCOMPARE(rowTexts(caps_m), QStringList({"OpenGL ES 3.1"}));

    // A click on the value cell deletes that row, not the one selected before.
    QAbstractItemModel& m = *egl->model();
    const QModelIndex config = m.index(0, 0);
    egl->setCurrentIndex(config);
    menuShown([&] { egl->onContextMenuRequested(at(*egl, m.index(1, 1, config))); });
    egl->deleteItemTriggered();
    QCOMPARE(rowTexts(m), QStringList({"Config 1", "Config 7"}));
    QCOMPARE(rowTexts(m, config), QStringList({"EGL_RED_SIZE"}));
}

// Opens a selector in each view as a user would and checks that the popup is wide enough for
// every name it shows. With KOLZ_SCREENSHOTS naming a folder, each view is also written there as
// a PNG with its open popup (tools/screenshots/editor_widgets.sh).
void TestTreeViews::openSelectorsShowWholeNames()
{
    ProfileFixture f(0);
    showViews(f);
    const QString folder = qEnvironmentVariable("KOLZ_SCREENSHOTS");
    auto firstRow = [](const QAbstractItemModel& m, const QModelIndex& parent, const char* text) {
        return findRow(m, parent, [text](const QModelIndex& i) { return i.data() == text; });
    };
    const QAbstractItemModel& cm = *caps->model();
    const QModelIndex es2 = firstRow(cm, {}, "OpenGL ES 2.0");
    const QModelIndex format = firstRow(cm, es2, "GL_COMPRESSED_TEXTURE_FORMATS");
    const QAbstractItemModel& em = *egl->model();
    const QModelIndex config = em.index(0, 0);
    const QAbstractItemModel& xm = *exts->model();
    struct Shot
    {
        const char* name;
        widgets::ProfileTreeView* view;
        QModelIndex cell;
    };
    const std::vector<Shot> shots{
        {"capability-format", caps.get(), format.siblingAtColumn(1)},
        {"capability-name", caps.get(), format},
        {"extension-name", exts.get(), xm.index(0, 0, xm.index(0, 0))},
        {"egl-attribute", egl.get(), em.index(0, 0, config)},
        {"egl-caveat", egl.get(), firstRow(em, config, "EGL_CONFIG_CAVEAT").siblingAtColumn(1)},
    };
    for (const Shot& shot : shots) {
        QVERIFY2(shot.cell.isValid(), shot.name);
        shot.view->resize(900, 600);
        shot.view->scrollTo(shot.cell);
        shot.view->edit(shot.cell);
        auto* selector = shot.view->findChild<widgets::GenericValueSelector*>();
        QVERIFY2(selector, shot.name);
        const QString file = QDir(folder).filePath(QString("editor-widgets-%1").arg(shot.name));
        if (!folder.isEmpty())
            QVERIFY(shot.view->window()->grab().save(file + "-closed.png"));
        selector->showPopup();
        QWidget* popup = selector->view()->window();
        QTRY_VERIFY(popup->isVisible());

        const QFontMetrics metrics(selector->view()->font());
        int widest = 0;
        for (int i = 0; i < selector->count(); ++i) {
            auto* named =
                dynamic_cast<widgets::GenericValueSelectorItemDelegate*>(selector->itemDelegate());
            const QString shown = named ? named->displayText(selector->itemText(i), QLocale())
                                        : selector->itemText(i);
            widest = std::max(widest, metrics.horizontalAdvance(shown));
        }
        if (!folder.isEmpty()) {
            QWidget* window = shot.view->window();
            QImage image(window->size().expandedTo(
                             QSize(popup->geometry().right() - window->geometry().left() + 1,
                                   popup->geometry().bottom() - window->geometry().top() + 1)),
                         QImage::Format_RGB32);
            image.fill(Qt::gray);
            QPainter painter(&image);
            painter.drawPixmap(0, 0, window->grab());
            painter.drawPixmap(popup->geometry().topLeft() - window->geometry().topLeft(),
                               popup->grab());
            painter.end();
            QVERIFY(image.save(file + ".png"));
        }
        QVERIFY2(selector->view()->viewport()->width() >= widest, shot.name);
        selector->hidePopup();
        emit shot.view->itemDelegate()->closeEditor(selector);
        QTRY_VERIFY(!shot.view->findChild<widgets::GenericValueSelector*>());
    }
}

KOLZ_TEST_MAIN_WIDGETS(TestTreeViews)
#include "tst_treeviews.moc"
