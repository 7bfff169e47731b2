#include "support/TestEnvironment.h"

#include "WidgetsTestSupport.h"
#include "widgets/EGLConfigTreeView.h"
#include "widgets/ESCapabilityTreeView.h"
#include "widgets/ESExtensionTreeView.h"

#include <QPointer>
#include <QSignalSpy>
#include <QStandardItemModel>

using widgets::test::ProfileFixture;

class TestTreeViews : public QObject
{
    Q_OBJECT

private slots:
    void setModelFitsAndReplacesCleanly();
    void editModeSwitchesTheMenuPolicy();
    void settingAModelAgainConnectsOnce();
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

KOLZ_TEST_MAIN_WIDGETS(TestTreeViews)
#include "tst_treeviews.moc"
