#include "support/TestEnvironment.h"

#include "monitor/ErrorListFilterProxyModel.h"
#include "monitor/ErrorListModel.h"
#include "monitor/ErrorListView.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QHeaderView>
#include <QIcon>
#include <QMenu>
#include <QPointer>
#include <QSignalSpy>

namespace {

ErrorListEntry warning(std::int64_t frame, const QString& text)
{
    return {ErrorListEntry::Warning, frame, QString(), text, QString()};
}

ErrorListEntry error(std::int64_t frame, const QString& code, const QString& text,
                     const QString& function)
{
    return {ErrorListEntry::Error, frame, code, text, function};
}

QStringList descriptions(const QAbstractItemModel& model)
{
    QStringList texts;
    for (int row = 0; row < model.rowCount(); ++row)
        texts << model.index(row, ErrorListModel::DescriptionColumn).data().toString();
    return texts;
}

// Sends a context menu event to the view's viewport at the centre of the given cell, or at a
// point beside all cells when the index is invalid.
void openContextMenu(ErrorListView& view, const QModelIndex& at)
{
    const QPoint pos = at.isValid()
                           ? view.visualRect(at).center()
                           : QPoint(view.viewport()->width() - 2, view.viewport()->height() - 2);
    QContextMenuEvent event(QContextMenuEvent::Mouse, pos, view.viewport()->mapToGlobal(pos));
    QApplication::sendEvent(view.viewport(), &event);
}

QMenu* openMenu()
{
    return qobject_cast<QMenu*>(QApplication::activePopupWidget());
}

// Chooses the menu's only entry the way a user does.
void chooseViewContents(QMenu* menu)
{
    QVERIFY(menu);
    QAction* action = menu->actions().first();
    QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(action).center());
}

} // namespace

class TestErrorList : public QObject
{
    Q_OBJECT

private slots:
    void modelShowsRowsAsAppended();
    void proxyFiltersByKind();
    void contextMenuRequestsContentsOfSelectedCell();
    void contextMenuWithoutSelectionUsesCellUnderCursor();
};

void TestErrorList::modelShowsRowsAsAppended()
{
    ErrorListModel model;
    QSignalSpy inserted(&model, &QAbstractItemModel::rowsInserted);

    model.append(warning(-1, QStringLiteral("no frame")));
    model.append(error(0, QStringLiteral("GL_INVALID_ENUM"), QStringLiteral("bad enum"),
                       QStringLiteral("glEnable")));
    model.append(
        QList<ErrorListEntry>{warning(41, QStringLiteral("a")),
                              error(9000000000LL, QString(), QStringLiteral("b"), QString())});
    model.append(QList<ErrorListEntry>{});
    QCOMPARE(inserted.count(), 3);
    QCOMPARE(inserted.at(2).at(1).toInt(), 2);
    QCOMPARE(inserted.at(2).at(2).toInt(), 3);
    QCOMPARE(model.rowCount(), 4);
    QCOMPARE(model.columnCount(), 4);

    QVERIFY(!model.index(0, ErrorListModel::FrameColumn).data().isValid());
    QCOMPARE(model.index(1, ErrorListModel::FrameColumn).data().toString(), QStringLiteral("0"));
    QCOMPARE(model.index(3, ErrorListModel::FrameColumn).data().toString(),
             QStringLiteral("9000000000"));
    QCOMPARE(model.index(1, ErrorListModel::FunctionColumn).data().toString(),
             QStringLiteral("glEnable"));
    QCOMPARE(model.index(1, ErrorListModel::CodeColumn).data().toString(),
             QStringLiteral("GL_INVALID_ENUM"));
    QCOMPARE(descriptions(model), (QStringList{"no frame", "bad enum", "a", "b"}));
    QVERIFY(!model.index(1, ErrorListModel::CodeColumn).data(Qt::EditRole).isValid());

    const QStringList headers{"Frame", "Function", "Code", "Description"};
    for (int c = 0; c < 4; ++c)
        QCOMPARE(model.headerData(c, Qt::Horizontal).toString(), headers.at(c));
    QVERIFY(!model.headerData(4, Qt::Horizontal).isValid());
    QVERIFY(!model.headerData(0, Qt::Vertical).isValid());

    // Each row's header carries the icon of its kind.
    const QIcon warningIcon = model.headerData(0, Qt::Vertical, Qt::DecorationRole).value<QIcon>();
    const QIcon errorIcon = model.headerData(1, Qt::Vertical, Qt::DecorationRole).value<QIcon>();
    QVERIFY(!warningIcon.isNull());
    QVERIFY(!errorIcon.isNull());
    QVERIFY(warningIcon.cacheKey() != errorIcon.cacheKey());
    QCOMPARE(model.headerData(2, Qt::Vertical, Qt::DecorationRole).value<QIcon>().cacheKey(),
             warningIcon.cacheKey());
    QVERIFY(!model.headerData(4, Qt::Vertical, Qt::DecorationRole).isValid());

    const Qt::ItemFlags cell = model.flags(model.index(0, 0));
    QVERIFY(cell.testFlag(Qt::ItemIsSelectable) && cell.testFlag(Qt::ItemIsEditable));
    QCOMPARE(model.flags(QModelIndex()), Qt::ItemIsEnabled);
    // Cells can be opened for copying, but nothing typed is kept.
    QVERIFY(!model.setData(model.index(1, 3), QStringLiteral("changed")));
    QCOMPARE(model.index(1, 3).data().toString(), QStringLiteral("bad enum"));
}

void TestErrorList::proxyFiltersByKind()
{
    ErrorListModel model;
    ErrorListFilterProxyModel proxy(nullptr, &model);
    model.append(warning(1, QStringLiteral("w1")));
    model.append(error(2, QString(), QStringLiteral("e1"), QString()));
    model.append(ErrorListEntry{7, 3, QString(), QStringLiteral("odd kind"), QString()});
    model.append(warning(4, QStringLiteral("w2")));
    QVERIFY(proxy.showErrors() && proxy.showWarnings());
    QCOMPARE(descriptions(proxy), (QStringList{"w1", "e1", "w2"}));

    proxy.setShowErrors(false);
    QCOMPARE(descriptions(proxy), (QStringList{"w1", "w2"}));
    // Icons follow their rows through the filter.
    const QIcon warningIcon = model.headerData(0, Qt::Vertical, Qt::DecorationRole).value<QIcon>();
    QCOMPARE(proxy.headerData(1, Qt::Vertical, Qt::DecorationRole).value<QIcon>().cacheKey(),
             warningIcon.cacheKey());

    proxy.setShowWarnings(false);
    QCOMPARE(proxy.rowCount(), 0);
    model.append(error(5, QString(), QStringLiteral("e2"), QString()));
    QCOMPARE(proxy.rowCount(), 0);

    proxy.setShowErrors(true);
    QCOMPARE(descriptions(proxy), (QStringList{"e1", "e2"}));
    proxy.setShowWarnings(true);
    QCOMPARE(descriptions(proxy), (QStringList{"w1", "e1", "w2", "e2"}));

    // Setting a flag to the value it has already does not re-filter.
    QSignalSpy reset(&proxy, &QAbstractItemModel::layoutChanged);
    QSignalSpy removed(&proxy, &QAbstractItemModel::rowsRemoved);
    proxy.setShowWarnings(true);
    proxy.setShowErrors(true);
    QCOMPARE(reset.count() + removed.count(), 0);
}

void TestErrorList::contextMenuRequestsContentsOfSelectedCell()
{
    ErrorListModel model;
    ErrorListFilterProxyModel proxy(nullptr, &model);
    model.append(warning(1, QStringLiteral("w1")));
    model.append(error(2, QStringLiteral("GL_INVALID_VALUE"), QStringLiteral("e1"),
                       QStringLiteral("glUniform1i")));
    model.append(warning(3, QStringLiteral("w2")));
    proxy.setShowWarnings(false);

    ErrorListView view;
    view.setModel(&proxy);
    view.resize(600, 300);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    QSignalSpy opened(&view, &ErrorListView::contextMenuOpened);
    QSignalSpy requested(&view, &ErrorListView::itemContentsRequested);

    // The selection wins over the position of the click.
    const QModelIndex selected = proxy.index(0, ErrorListModel::FunctionColumn);
    view.selectionModel()->select(selected, QItemSelectionModel::ClearAndSelect);
    openContextMenu(view, proxy.index(0, ErrorListModel::DescriptionColumn));
    QCOMPARE(opened.count(), 1);
    QMenu* menu = openMenu();
    QVERIFY(menu);
    QCOMPARE(menu->actions().size(), 1);
    QCOMPARE(menu->actions().first()->text(), QStringLiteral("View contents"));
    chooseViewContents(menu);
    QTRY_COMPARE(requested.count(), 1);
    QCOMPARE(requested.at(0).at(0).toInt(), 0);
    QCOMPARE(requested.at(0).at(1).toInt(), int(ErrorListModel::FunctionColumn));
    QCOMPARE(requested.at(0).at(2).toPoint(),
             view.viewport()->mapToGlobal(view.visualRect(selected).topLeft()));
    QTRY_VERIFY(!openMenu());

    // Closing the menu without choosing requests nothing.
    openContextMenu(view, selected);
    QTRY_VERIFY(openMenu());
    openMenu()->close();
    QCOMPARE(requested.count(), 1);

    // A row filtered away while the menu is open is no longer offered.
    view.selectionModel()->select(selected, QItemSelectionModel::ClearAndSelect);
    openContextMenu(view, selected);
    QTRY_VERIFY(openMenu());
    menu = openMenu();
    chooseViewContents(menu);
    proxy.setShowErrors(false); // before the queued request is delivered
    QTRY_VERIFY(!openMenu());
    QTest::qWait(20);
    QCOMPARE(requested.count(), 1);

    // A view that goes while its menu is open takes the menu with it.
    auto* doomed = new ErrorListView;
    doomed->setModel(&proxy);
    proxy.setShowErrors(true);
    doomed->resize(600, 300);
    doomed->show();
    QVERIFY(QTest::qWaitForWindowExposed(doomed));
    openContextMenu(*doomed, proxy.index(0, 0));
    QPointer<QMenu> orphan = openMenu();
    QVERIFY(orphan);
    delete doomed;
    QVERIFY(!orphan);
}

void TestErrorList::contextMenuWithoutSelectionUsesCellUnderCursor()
{
    ErrorListModel model;
    ErrorListFilterProxyModel proxy(nullptr, &model);
    model.append(warning(1, QStringLiteral("w1")));
    model.append(warning(2, QStringLiteral("w2")));

    ErrorListView view;
    view.setModel(&proxy);
    view.resize(600, 300);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    QSignalSpy opened(&view, &ErrorListView::contextMenuOpened);
    QSignalSpy requested(&view, &ErrorListView::itemContentsRequested);

    const QModelIndex under = proxy.index(1, ErrorListModel::CodeColumn);
    openContextMenu(view, under);
    QVERIFY(openMenu());
    chooseViewContents(openMenu());
    QTRY_COMPARE(requested.count(), 1);
    QCOMPARE(requested.at(0).at(0).toInt(), 1);
    QCOMPARE(requested.at(0).at(1).toInt(), int(ErrorListModel::CodeColumn));
    QTRY_VERIFY(!openMenu());

    // Beside every cell there is nothing to show: no menu, but auto-scroll still stops.
    view.selectionModel()->clearSelection();
    openContextMenu(view, QModelIndex());
    QCOMPARE(opened.count(), 2);
    QVERIFY(!openMenu());
    QCOMPARE(requested.count(), 1);
}

KOLZ_TEST_MAIN_WIDGETS(TestErrorList)
#include "tst_errorlist.moc"
