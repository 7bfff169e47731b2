#pragma once

#include <QAbstractTableModel>
#include <QIcon>
#include <QList>
#include <QString>

#include <cstdint>

// One warning or error that an application reported.
struct ErrorListEntry
{
    enum Type : int
    {
        Error = 0,
        Warning = 1
    };

    int type = Error;
    std::int64_t frame = -1; // rendered-frame number of the event; negative when unknown
    QString code;
    QString description;
    QString function;
};

// The rows of one application's error list. Rows are appended at the end and never changed;
// once the list holds more than its row limit, the oldest rows are removed in one go.
class ErrorListModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    enum Column
    {
        FrameColumn = 0,
        FunctionColumn,
        CodeColumn,
        DescriptionColumn,
        ColumnCount
    };

    explicit ErrorListModel(QObject* parent = nullptr);
    ~ErrorListModel() override;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    void append(const ErrorListEntry& entry);
    // Appends a burst of rows with a single insertion, so that attached views and proxies do
    // their bookkeeping once per burst rather than once per row.
    void append(const QList<ErrorListEntry>& entries);

    const ErrorListEntry& entry(int row) const { return m_entries.at(row); }

    // A row costs a few hundred bytes with its view and proxy, and up to about 1.2 KB with the
    // longest description and function name a frame carries: an application that reports an
    // error per draw call must not exhaust memory through its list.
    static constexpr int defaultRowLimit = 200000;
    // Past the limit, this share of it goes at once (a thirty-second: 6,250 rows of 200,000).
    static constexpr int removalFraction = 32;
    int rowLimit() const { return m_rowLimit; }
    void setRowLimit(int rows);
    // Whether the oldest rows were ever removed to stay within the limit.
    bool removedOldRows() const { return m_removedOldRows; }

signals:
    // Sent after each removal of the oldest rows.
    void oldRowsRemoved();

private:
    void dropOldest();

    QList<ErrorListEntry> m_entries;
    int m_rowLimit = defaultRowLimit;
    bool m_removedOldRows = false;
    QIcon m_infoIcon;
    QIcon m_warningIcon;
    QIcon m_errorIcon;
};
