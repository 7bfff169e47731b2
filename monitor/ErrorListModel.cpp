#include "monitor/ErrorListModel.h"

#include "resources/KolZendraResources.h"

#include <algorithm>

ErrorListModel::ErrorListModel(QObject* parent) : QAbstractTableModel(parent)
{
    initKolZendraResources();
    m_infoIcon = QIcon(QStringLiteral(":/KolZendraResources/Info"));
    m_warningIcon = QIcon(QStringLiteral(":/KolZendraResources/Warning"));
    m_errorIcon = QIcon(QStringLiteral(":/KolZendraResources/Error"));
}

ErrorListModel::~ErrorListModel() = default;

int ErrorListModel::rowCount(const QModelIndex&) const
{
    return static_cast<int>(m_entries.size());
}

int ErrorListModel::columnCount(const QModelIndex&) const
{
    return ColumnCount;
}

QVariant ErrorListModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || role != Qt::DisplayRole || index.row() >= m_entries.size())
        return {};
    const ErrorListEntry& e = m_entries.at(index.row());
    switch (index.column()) {
    case FrameColumn:
        if (e.frame < 0)
            return {};
        return QString::number(e.frame);
    case FunctionColumn:
        return e.function;
    case CodeColumn:
        return e.code;
    case DescriptionColumn:
        return e.description;
    default:
        return {};
    }
}

QVariant ErrorListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole) {
        switch (section) {
        case FrameColumn:
            return tr("Frame");
        case FunctionColumn:
            return tr("Function");
        case CodeColumn:
            return tr("Code");
        case DescriptionColumn:
            return tr("Description");
        default:
            return {};
        }
    }
    if (orientation == Qt::Vertical && role == Qt::DecorationRole && section >= 0 &&
        section < m_entries.size()) {
        switch (m_entries.at(section).type) {
        case ErrorListEntry::Error:
            return m_errorIcon;
        case ErrorListEntry::Warning:
            return m_warningIcon;
        default:
            return {};
        }
    }
    return {};
}

Qt::ItemFlags ErrorListModel::flags(const QModelIndex& index) const
{
    // Editable only so that a cell can be opened to select and copy its text; without setData
    // nothing the user types is kept.
    if (!index.isValid())
        return Qt::ItemIsEnabled;
    return Qt::ItemIsSelectable | Qt::ItemIsEditable | Qt::ItemIsEnabled;
}

void ErrorListModel::append(const ErrorListEntry& entry)
{
    const int row = static_cast<int>(m_entries.size());
    beginInsertRows(QModelIndex(), row, row);
    m_entries.append(entry);
    endInsertRows();
    dropOldest();
}

void ErrorListModel::append(const QList<ErrorListEntry>& entries)
{
    if (entries.isEmpty())
        return;
    const int first = static_cast<int>(m_entries.size());
    beginInsertRows(QModelIndex(), first, first + static_cast<int>(entries.size()) - 1);
    m_entries.append(entries);
    endInsertRows();
    dropOldest();
}

void ErrorListModel::setRowLimit(int rows)
{
    m_rowLimit = std::max(1, rows);
    dropOldest();
}

void ErrorListModel::dropOldest()
{
    const int count = static_cast<int>(m_entries.size());
    if (count <= m_rowLimit)
        return;
    // A thirty-second of the limit at a time: the next removal is thousands of rows away, and
    // the proxy and the view renumber their rows in a few milliseconds.
    const int keep = std::max(1, m_rowLimit - m_rowLimit / removalFraction);
    const int drop = count - keep;
    beginRemoveRows(QModelIndex(), 0, drop - 1);
    m_entries.remove(0, drop);
    endRemoveRows();
    m_removedOldRows = true;
    emit oldRowsRemoved();
}
