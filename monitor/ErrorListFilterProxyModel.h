#pragma once

#include <QSortFilterProxyModel>

class ErrorListModel;

// Shows the error list's rows by kind, driven by the page's "Errors" and "Warnings" boxes.
class ErrorListFilterProxyModel : public QSortFilterProxyModel
{
    Q_OBJECT

public:
    ErrorListFilterProxyModel(QObject* parent, ErrorListModel* source);
    ~ErrorListFilterProxyModel() override;

    bool showWarnings() const { return m_showWarnings; }
    bool showErrors() const { return m_showErrors; }
    // Both re-filter only when the value actually changes: re-filtering a long list is costly.
    void setShowWarnings(bool show);
    void setShowErrors(bool show);

protected:
    bool filterAcceptsRow(int sourceRow, const QModelIndex& sourceParent) const override;

private:
    ErrorListModel* m_source;
    bool m_showWarnings = true;
    bool m_showErrors = true;
};
