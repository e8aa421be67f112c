#pragma once

#include "logging/LogStore.h"

#include <QAbstractTableModel>
#include <QStringList>
#include <QVector>

// The readings of one tab's log list: the one store that the list view,
// the chart, the export and the journal all read. Rows are newest first;
// column 0 is the date, then the cells. Beside the texts each row keeps the
// time it was taken and the numbers of its value columns, read once when
// the row arrives, so that a chart over a million readings parses nothing.
class LogModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    // `valueColumns`: the columns holding readings (at most two), each with
    // the column of its units in `unitsColumns`.
    LogModel(const QStringList &headers, const QVector<int> &valueColumns, const QVector<int> &unitsColumns,
             QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

    // "1 reading", "12 readings".
    static QString readingsText(int n);

    const QStringList &headers() const { return m_headers; }
    const LogStore &rows() const { return m_rows; }
    int size() const { return m_rows.size(); }
    QString text(int row, int column) const;
    const QVector<int> &valueColumns() const { return m_valueColumns; }
    // The units text that id `id` of value column k stands for.
    QString unitsText(int k, int id) const { return m_units.value(k).value(id); }

    // A new reading, at the top.
    void insertTop(const LogRow &row);
    // Older readings below the ones held (a sensor moved from another tab,
    // readings restored), in the order given, newest first; `unsaved` of
    // them were never saved.
    void appendRows(const LogStore &older, int unsaved);
    // The same for rows whose numbers measure() gave, all never saved: they
    // are moved in, not measured again.
    void appendMeasured(LogStore &&older);
    // All the rows of `from` (a list of the same columns) below these, and
    // `from` left empty (a sensor moved to another address). Into an empty
    // list they move as they are, at no cost whatever their number;
    // otherwise they are copied.
    void takeRows(LogModel &from);
    // The numbers of `row` as this list keeps them (a units text it has not
    // seen yet is added to its units).
    LogNumbers measure(const LogRow &row);
    void clear();

    // Readings held that were never saved to a file.
    int unsaved() const { return m_unsaved; }
    // `count` of them went into a file (those held when it was started).
    void markSaved(int count) { m_unsaved = qMax(0, m_unsaved - count); }

    // The selected rows as tab-separated text, headed by the column
    // headings; rows in list order, one line each.
    QString tabSeparated(const QVector<int> &rows) const;

signals:
    // A reading just added at the top (the journal stores it).
    void readingAdded(const LogRow &row);

private:
    // The numbers of a row whose five cells are `cell(0)` to `cell(4)`.
    template <class Cell>
    LogNumbers numbersOf(Cell cell);
    // `count` rows (`unsaved` of them never saved) below those held, as
    // `place` puts them in.
    template <class Place>
    void insertBelow(int count, int unsaved, Place place);

    QStringList m_headers;
    QVector<int> m_valueColumns;
    QVector<int> m_unitsColumns;
    QVector<QStringList> m_units;   // per value column: the units texts seen
    LogStore m_rows;
    int m_unsaved = 0;
};
