#include "support/TestEnvironment.h"

#include "WidgetsTestSupport.h"
#include "widgets/EGLConfigTreeView.h"
#include "widgets/ESCapabilityTreeView.h"
#include "widgets/ESExtensionTreeView.h"
#include "widgets/GenericValueSelector.h"

#include <QContextMenuEvent>
#include <QDir>
#include <QMenu>
#include <QPainter>
#include <QPointer>
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

// The visible actions of the menu that `request` opens, closing it again; "no menu" when none
// opened.
QStringList menuShown(const std::function<void()>& request)
{
    QStringList shown;
    bool looked = false;
    kolz::test::ShownWindows windows;
    windows.next<QMenu>([&](QMenu* menu) {
        for (QAction* action : menu->actions())
            if (action->isVisible())
                shown << action->text();
        menu->close();
        looked = true;
    });
    request();
    // A menu that was shown is answered before its exec() returns; one shown without a loop of
    // its own is answered once it is ready.
    if (!QTest::qWaitFor([&] { return looked || windows.pending() > 0; }))
        return {"never answered"};
    return looked ? shown : QStringList{"no menu"};
}

QStringList rowTexts(const QAbstractItemModel& model, const QModelIndex& parent = {})
{
    QStringList texts;
    for (int r = 0; r < model.rowCount(parent); ++r)
        texts << model.index(r, 0, parent).data().toString();
    return texts;
}

struct CountingModel : QStandardItemModel
{
    int dataChangedReceivers() const
    {
        return receivers(SIGNAL(dataChanged(QModelIndex, QModelIndex, QList<int>)));
    }
};

} // namespace

class TestTreeViews : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void setModelFitsAndReplacesCleanly();
    void menuVisibility();
    void addConfigAndAttribute();
    void addCapabilityExtensionAPI();
    void deleteRemovesTheClickedRow();
    void openSelectorsShowWholeNames();

private:
    QPoint at(const widgets::ProfileTreeView& view, const QModelIndex& index)
    {
        return view.visualRect(index).center();
    }
    QPoint belowRows(const widgets::ProfileTreeView& view)
    {
        return QPoint(5, view.viewport()->height() - 5);
    }
    // Opens the view's menu on `pos` (setting the row the "Add" flows work on) and closes it.
    QStringList menuAt(widgets::ProfileTreeView& view, const QPoint& pos)
    {
        return menuShown([&] {
            QMetaObject::invokeMethod(&view, "onContextMenuRequested", Q_ARG(QPoint, pos));
        });
    }

    std::unique_ptr<ProfileFixture> fixture;
    std::unique_ptr<widgets::ESCapabilityTreeView> caps;
    std::unique_ptr<widgets::ESExtensionTreeView> exts;
    std::unique_ptr<widgets::EGLConfigTreeView> egl;
};

void TestTreeViews::init()
{
    caps = std::make_unique<widgets::ESCapabilityTreeView>();
    exts = std::make_unique<widgets::ESExtensionTreeView>();
    egl = std::make_unique<widgets::EGLConfigTreeView>();
    fixture = std::make_unique<ProfileFixture>(sampleData());
    caps->setModel(fixture->profile->capabilityTree());
    exts->setModel(fixture->profile->extensionTree());
    egl->setModel(fixture->profile->eglConfigTree());
    for (widgets::ProfileTreeView* view : {static_cast<widgets::ProfileTreeView*>(caps.get()),
                                           static_cast<widgets::ProfileTreeView*>(exts.get()),
                                           static_cast<widgets::ProfileTreeView*>(egl.get())}) {
        view->setEditable(true);
        view->resize(500, 500);
        view->expandAll();
        view->show();
        QVERIFY(QTest::qWaitForWindowExposed(view));
    }
}

void TestTreeViews::setModelFitsAndReplacesCleanly()
{
    // A new model drops the old selection model and the old model's fitting.
    QPointer<QItemSelectionModel> oldSelection = egl->selectionModel();
    QAbstractItemModel* old = egl->model();
    ProfileFixture other(1);
    egl->setModel(other.profile->eglConfigTree());
    QVERIFY(oldSelection.isNull());
    egl->setColumnWidth(0, 30);
    emit old->dataChanged(old->index(0, 0), old->index(0, 0));
    QCOMPARE(egl->columnWidth(0), 30);
    // Changing a cell or expanding a row of the new one fits column 0 again.
    QAbstractItemModel* m = egl->model();
    emit m->dataChanged(m->index(0, 0), m->index(0, 0));
    QVERIFY(egl->columnWidth(0) > 30);
    egl->setColumnWidth(0, 30);
    egl->collapseAll();
    egl->expand(m->index(0, 0));
    QTRY_VERIFY(egl->columnWidth(0) > 30);

    // Setting a model again connects once; a null model only clears the view.
    CountingModel counting;
    const int none = counting.dataChangedReceivers();
    egl->setModel(&counting);
    const int once = counting.dataChangedReceivers();
    egl->setModel(&counting);
    QCOMPARE(counting.dataChangedReceivers(), once);
    egl->setModel(nullptr);
    QCOMPARE(counting.dataChangedReceivers(), none);
    QCOMPARE(egl->model(), nullptr);
}

void TestTreeViews::menuVisibility()
{
    const QAbstractItemModel& e = *egl->model();
    // Views open their menus on a right click in edit mode only.
    const QPoint row = at(*egl, e.index(0, 0));
    auto rightClick = [&] {
        QContextMenuEvent event(QContextMenuEvent::Mouse, row, egl->viewport()->mapToGlobal(row));
        QApplication::sendEvent(egl->viewport(), &event);
    };
    QCOMPARE(menuShown(rightClick), QStringList({"Add Config", "Add Attribute", "Delete"}));
    egl->setEditable(false);
    QCOMPARE(menuShown(rightClick), QStringList({"no menu"}));

    QCOMPARE(menuAt(*egl, belowRows(*egl)), QStringList({"Add Config"}));
    QCOMPARE(menuAt(*egl, at(*egl, e.index(1, 0, e.index(0, 0)))),
             QStringList({"Add Attribute", "Delete"}));
    // Column 1 of a row counts as the row, and the menu selects it.
    QCOMPARE(menuAt(*egl, at(*egl, e.index(1, 1, e.index(0, 0)))),
             QStringList({"Add Attribute", "Delete"}));
    QCOMPARE(egl->currentIndex(), e.index(1, 0, e.index(0, 0)));

    for (widgets::ESTreeView* view : {static_cast<widgets::ESTreeView*>(caps.get()),
                                      static_cast<widgets::ESTreeView*>(exts.get())}) {
        const QString second = view == caps.get() ? "Add Capability" : "Add Extension";
        QAbstractItemModel& m = *view->model();
        const QModelIndex api = m.index(0, 0);
        QCOMPARE(menuAt(*view, belowRows(*view)), QStringList({"Add API"}));
        QCOMPARE(menuAt(*view, at(*view, api)), QStringList({"Add API", second, "Delete"}));
        // Column 1 of an API row with children has no index; the click still means the row.
        const QPoint value(view->columnViewportPosition(1) + 5, at(*view, api).y());
        if (view == caps.get())
            QCOMPARE(menuAt(*view, value), QStringList({"Add API", second, "Delete"}));
        QCOMPARE(menuAt(*view, at(*view, m.index(0, 0, api))), QStringList({second, "Delete"}));

        // With all four API levels present, empty space has nothing to offer: no menu.
        for (const esapi::API& missing : widgets::ESTreeView::unusedAPIs(&m)) {
            m.insertRows(m.rowCount(), 1);
            m.setData(m.index(m.rowCount() - 1, 0), *missing.ids.begin(), Qt::EditRole);
        }
        QCOMPARE(menuAt(*view, belowRows(*view)), QStringList({"no menu"}));
        QCOMPARE(menuAt(*view, at(*view, api)), QStringList({second, "Delete"}));
    }
    // A view without a profile has nothing to add to: no menu.
    for (widgets::ProfileTreeView* view : {static_cast<widgets::ProfileTreeView*>(egl.get()),
                                           static_cast<widgets::ProfileTreeView*>(caps.get()),
                                           static_cast<widgets::ProfileTreeView*>(exts.get())}) {
        view->setModel(nullptr);
        QCOMPARE(menuAt(*view, belowRows(*view)), QStringList({"no menu"}));
    }
}

void TestTreeViews::addConfigAndAttribute()
{
    // New configurations take the highest id + 1, so that two never merge when saved.
    QAbstractItemModel& m = *egl->model();
    egl->addConfigTriggered();
    egl->addConfigTriggered();
    QCOMPARE(rowTexts(m), QStringList({"Config 1", "Config 7", "Config 8", "Config 9"}));
    QCOMPARE(m.index(3, 0).data(Qt::EditRole), QVariant(9));

    // Only missing attributes are offered. On the configuration row the new one goes first, on
    // an attribute row right after it; a cancelled prompt adds nothing.
    const QModelIndex config = m.index(0, 0);
    ModalDriver driver{"=EGL_DEPTH_SIZE", "=EGL_SURFACE_TYPE", "cancel"};
    menuAt(*egl, at(*egl, config));
    egl->addAttribTriggered();
    menuAt(*egl, at(*egl, m.index(1, 0, config)));
    egl->addAttribTriggered();
    egl->addAttribTriggered();
    QVERIFY(driver.allAnswered());
    QCOMPARE(driver.shown[0].items.size(), 25);
    QVERIFY(driver.shown[0].items[0] == "EGL_BUFFER_SIZE" &&
            !driver.shown[0].items.contains("EGL_RED_SIZE"));
    QCOMPARE(rowTexts(m, config),
             QStringList({"EGL_DEPTH_SIZE", "EGL_RED_SIZE", "EGL_SURFACE_TYPE", "EGL_GREEN_SIZE"}));
    QCOMPARE(m.index(2, 0, config).data(Qt::EditRole), QVariant(0x3033));

    ProfileFixture empty{ProfileData()};
    egl->setModel(empty.profile->eglConfigTree());
    egl->addConfigTriggered();
    QCOMPARE(rowTexts(*egl->model()), QStringList({"Config 0"}));
}

void TestTreeViews::addCapabilityExtensionAPI()
{
    // From a sub-key row the new limit goes right after the limit that holds the sub-key; a
    // range limit arrives with its sub-key rows; under a clicked API row it goes first.
    QAbstractItemModel& c = *caps->model();
    const QModelIndex api = c.index(0, 0);
    ModalDriver driver{"=GL_MAX_LIGHTS", "=GL_MAX_VIEWPORT_DIMS", "=OpenGL ES 3.0"};
    menuAt(*caps, at(*caps, c.index(0, 0, c.index(1, 0, api))));
    caps->addCapabilityTriggered();
    QCOMPARE(rowTexts(c, api), QStringList({"GL_MAX_TEXTURE_SIZE", "GL_ALIASED_POINT_SIZE_RANGE",
                                            "GL_MAX_LIGHTS", "GL_SAMPLES"}));
    menuAt(*caps, at(*caps, c.index(1, 0)));
    caps->addCapabilityTriggered();
    QCOMPARE(rowTexts(c, c.index(0, 0, c.index(1, 0))), QStringList({"width", "height"}));
    caps->addAPITriggered();
    QVERIFY(driver.allAnswered());
    const QStringList& offered = driver.shown[0].items;
    QVERIFY(offered.contains("GL_COMPRESSED_TEXTURE_FORMATS") && !offered.contains("GL_SAMPLES"));
    QCOMPARE(driver.shown[2].items, QStringList({"OpenGL ES 1.1", "OpenGL ES 3.0"}));
    QCOMPARE(c.index(2, 0).data(Qt::EditRole), QVariant(3));

    QAbstractItemModel& x = *exts->model();
    const QModelIndex extApi = x.index(0, 0);
    menuAt(*exts, at(*exts, x.index(0, 0, extApi)));
    driver.queue({"=GL_OES_depth24"});
    exts->addExtensionTriggered();
    QVERIFY(driver.allAnswered());
    QCOMPARE(driver.shown[3].items.size(), 133);
    QCOMPARE(rowTexts(x, extApi), QStringList({"GL_OES_a", "GL_OES_depth24", "GL_OES_b"}));
    // Once every extension is listed there is nothing to offer: no prompt, no empty row.
    for (const QString& name : widgets::ESExtensionTreeView::unusedExtensions(nullptr)) {
        x.insertRows(0, 1, extApi);
        x.setData(x.index(0, 0, extApi), name, Qt::EditRole);
    }
    const int rows = x.rowCount(extApi);
    exts->addExtensionTriggered();
    QCOMPARE(driver.shown.size(), std::size_t(4));
    QCOMPARE(x.rowCount(extApi), rows);
}

void TestTreeViews::deleteRemovesTheClickedRow()
{
    menuAt(*caps, at(*caps, caps->model()->index(0, 0)));
    caps->deleteItemTriggered();
    QCOMPARE(rowTexts(*caps->model()), QStringList({"OpenGL ES 3.1"}));
    // A click on a value cell deletes that row, not the one selected before.
    QAbstractItemModel& m = *egl->model();
    egl->setCurrentIndex(m.index(0, 0));
    menuAt(*egl, at(*egl, m.index(1, 1, m.index(0, 0))));
    egl->deleteItemTriggered();
    QCOMPARE(rowTexts(m), QStringList({"Config 1", "Config 7"}));
    QCOMPARE(rowTexts(m, m.index(0, 0)), QStringList({"EGL_RED_SIZE"}));
}

// Opens a selector in each view as a user does and checks that the popup is wide enough for
// every name it shows. With KOLZ_SCREENSHOTS naming a folder, each view is written there as a
// PNG, with the closed selector and with its popup (tools/screenshots/editor_widgets.sh).
void TestTreeViews::openSelectorsShowWholeNames()
{
    ProfileFixture f(0);
    caps->setModel(f.profile->capabilityTree());
    exts->setModel(f.profile->extensionTree());
    egl->setModel(f.profile->eglConfigTree());
    const QString folder = qEnvironmentVariable("KOLZ_SCREENSHOTS");
    auto row = [](const QAbstractItemModel* m, const QModelIndex& parent, const char* text) {
        return m->match(m->index(0, 0, parent), Qt::DisplayRole, text, 1, Qt::MatchExactly)
            .value(0);
    };
    const QModelIndex format = row(caps->model(), row(caps->model(), {}, "OpenGL ES 2.0"),
                                   "GL_COMPRESSED_TEXTURE_FORMATS");
    const QModelIndex config = egl->model()->index(0, 0);
    const std::vector<std::tuple<const char*, widgets::ProfileTreeView*, QModelIndex>> shots{
        {"capability-format", caps.get(), format.siblingAtColumn(1)},
        {"capability-name", caps.get(), format},
        {"extension-name", exts.get(), exts->model()->index(0, 0, exts->model()->index(0, 0))},
        {"egl-attribute", egl.get(), egl->model()->index(0, 0, config)},
        {"egl-caveat", egl.get(),
         row(egl->model(), config, "EGL_CONFIG_CAVEAT").siblingAtColumn(1)},
    };
    for (const auto& [name, view, cell] : shots) {
        view->expandAll();
        view->resize(900, 600);
        view->scrollTo(cell);
        view->edit(cell);
        auto* selector = view->findChild<widgets::GenericValueSelector*>();
        QVERIFY2(selector, name);
        const QString file = QDir(folder).filePath(QString("editor-widgets-%1").arg(name));
        QVERIFY(folder.isEmpty() || view->grab().save(file + "-closed.png"));
        selector->showPopup();
        QWidget* popup = selector->view()->window();
        QTRY_VERIFY(popup->isVisible());
        auto* named = dynamic_cast<QStyledItemDelegate*>(selector->itemDelegate());
        for (int i = 0; i < selector->count(); ++i) {
            const QString text = named ? named->displayText(selector->itemText(i), QLocale())
                                       : selector->itemText(i);
            QVERIFY2(selector->view()->viewport()->width() >=
                         selector->view()->fontMetrics().horizontalAdvance(text),
                     qPrintable(text));
        }
        if (!folder.isEmpty()) {
            // The popup is a window of its own: drawn over the view where the screen shows it.
            const QRect area = view->geometry().united(popup->geometry());
            QImage image(area.size(), QImage::Format_RGB32);
            image.fill(Qt::gray);
            QPainter painter(&image);
            painter.drawPixmap(view->geometry().topLeft() - area.topLeft(), view->grab());
            painter.drawPixmap(popup->geometry().topLeft() - area.topLeft(), popup->grab());
            painter.end();
            QVERIFY(image.save(file + ".png"));
        }
        selector->hidePopup();
        emit view->itemDelegate()->closeEditor(selector);
        QTRY_VERIFY(!view->findChild<widgets::GenericValueSelector*>());
    }
}

KOLZ_TEST_MAIN_WIDGETS(TestTreeViews)
#include "tst_treeviews.moc"
