#include "widgets/ESTreeView.h"

#include <QInputDialog>

namespace widgets {

ESTreeView::ESTreeView(QWidget* parent) : ProfileTreeView(parent) {}

std::set<esapi::API> ESTreeView::usedAPIs(const QAbstractItemModel* model)
{
    std::set<esapi::API> used;
    if (!model)
        return used;
    for (int r = 0; r < model->rowCount(); ++r) {
        bool ok = false;
        const int version = model->index(r, 0).data(Qt::EditRole).toInt(&ok);
        esapi::API api;
        if (ok && findAPI(version, &api))
            used.insert(api);
    }
    return used;
}

std::set<esapi::API> ESTreeView::unusedAPIs(const QAbstractItemModel* model)
{
    const std::set<esapi::API> used = usedAPIs(model);
    std::set<esapi::API> unused;
    forEachAPI([&](const esapi::API& api) {
        if (!used.count(api))
            unused.insert(api);
    });
    return unused;
}

void ESTreeView::addAPITriggered()
{
    QAbstractItemModel* m = model();
    if (!m)
        return;
    QStringList names;
    for (const esapi::API& api : unusedAPIs(m))
        names << QString::fromStdString(api.name);
    if (names.isEmpty())
        return;
    bool ok = false;
    const QString chosen =
        QInputDialog::getItem(this, tr("Add API"), tr("Select an API"), names, 0, false, &ok);
    esapi::API api;
    if (!ok || !findAPI(chosen.toStdString(), &api) || api.ids.empty())
        return;
    const int row = m->rowCount();
    if (m->insertRows(row, 1))
        m->setData(m->index(row, 0), *api.ids.begin(), Qt::EditRole);
}

void ESTreeView::showMenu(const QPoint& pos, const QModelIndex& clicked, QMenu* menu,
                          QAction* addAPI, QAction* second, QAction* remove)
{
    const bool onRow = clicked.isValid();
    const bool onTop = onRow && !clicked.parent().isValid();
    addAPI->setVisible((!onRow || onTop) && !unusedAPIs(model()).empty());
    second->setVisible(onRow);
    remove->setVisible(onRow);
    if (addAPI->isVisible() || second->isVisible() || remove->isVisible())
        menu->exec(viewport()->mapToGlobal(pos));
}

} // namespace widgets
