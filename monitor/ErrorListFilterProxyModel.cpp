#include "monitor/ErrorListFilterProxyModel.h"

#include "monitor/ErrorListModel.h"

ErrorListFilterProxyModel::ErrorListFilterProxyModel(QObject* parent, ErrorListModel* source)
    : QSortFilterProxyModel(parent), m_source(source)
{
    setSourceModel(source);
}

ErrorListFilterProxyModel::~ErrorListFilterProxyModel() = default;

void ErrorListFilterProxyModel::setShowWarnings(bool show)
{
    if (show == m_showWarnings)
        return;
    m_showWarnings = show;
    invalidateFilter();
}

void ErrorListFilterProxyModel::setShowErrors(bool show)
{
    if (show == m_showErrors)
        return;
    m_showErrors = show;
    invalidateFilter();
}

bool ErrorListFilterProxyModel::filterAcceptsRow(int sourceRow, const QModelIndex&) const
{
    if (!m_source || sourceRow < 0 || sourceRow >= m_source->rowCount())
        return false;
    switch (m_source->entry(sourceRow).type) {
    case ErrorListEntry::Error:
        return m_showErrors;
    case ErrorListEntry::Warning:
        return m_showWarnings;
    default:
        return false;
    }
}
