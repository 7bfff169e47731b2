#pragma once

#include "models/ESAPI.h"
#include "widgets/ProfileTreeView.h"

#include <QAction>
#include <QMenu>

#include <set>

namespace widgets {

// Common base of the capability and extension views, whose top-level rows are API levels.
class ESTreeView : public ProfileTreeView
{
    Q_OBJECT

public:
    explicit ESTreeView(QWidget* parent = nullptr);

    // The API levels of the model's top-level rows, and the levels not among them.
    static std::set<esapi::API> usedAPIs(const QAbstractItemModel* model);
    static std::set<esapi::API> unusedAPIs(const QAbstractItemModel* model);

public slots:
    void addAPITriggered();

protected:
    // The menu rules both ES views share: "Add API" on empty space or an API row while a level
    // is missing, the second action and "Delete" on any row; nothing is shown when all three
    // are hidden.
    void showMenu(const QPoint& pos, const QModelIndex& clicked, QMenu* menu, QAction* addAPI,
                  QAction* second, QAction* remove);
};

} // namespace widgets
