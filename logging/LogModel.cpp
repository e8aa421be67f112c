#include "LogModel.h"

#include "decode/Values.h"

#include <algorithm>
#include <cmath>

LogModel::LogModel(const QStringList &headers, const QVector<int> &valueColumns, const QVector<int> &unitsColumns,
                   QObject *parent)
    : QAbstractTableModel(parent), m_headers(headers), m_valueColumns(valueColumns.mid(0, 2)),
      m_unitsColumns(unitsColumns.mid(0, 2)), m_units(m_valueColumns.size())
{
}

QString LogModel::readingsText(int n)
{
    return n == 1 ? QStringLiteral("1 reading") : QStringLiteral("%1 readings").arg(n);
}

int LogModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_rows.size();
}

int LogModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_headers.size());
}

QString LogModel::text(int row, int column) const
{
    if (row < 0 || row >= m_rows.size() || column < 0 || column >= m_headers.size() || column > 5)
        return {};
    return m_rows.text(row, column);
}

QVariant LogModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || (role != Qt::DisplayRole && role != Qt::AccessibleTextRole))
        return {};
    return text(index.row(), index.column());
}

QVariant LogModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole)
        return {};
    if (orientation == Qt::Horizontal)
        return m_headers.value(section);
    return section + 1;
}

template <class Cell>
LogNumbers LogModel::numbersOf(Cell cell)
{
    LogNumbers n;
    for (int k = 0; k < m_valueColumns.size(); ++k) {
        const auto v = values::strictNumber(cell(m_valueColumns[k] - 1));
        n.value[static_cast<size_t>(k)] = v && std::isfinite(*v) ? *v : qQNaN();
        const QStringView units = k < m_unitsColumns.size() ? cell(m_unitsColumns[k] - 1) : QStringView();
        QStringList &seen = m_units[k];
        qsizetype id = seen.indexOf(units);
        if (id < 0) {
            id = seen.size();
            seen.push_back(units.toString());
        }
        n.units[static_cast<size_t>(k)] = static_cast<quint16>(std::min<qsizetype>(id, 0xFFFF));
    }
    return n;
}

LogNumbers LogModel::measure(const LogRow &row)
{
    return numbersOf([&row](int c) { return QStringView(row.cells[static_cast<size_t>(c)]); });
}

void LogModel::insertTop(const LogRow &row)
{
    beginInsertRows({}, 0, 0);
    m_rows.insertTop(row, measure(row));
    ++m_unsaved;
    endInsertRows();
    emit readingAdded(row);
}

template <class Place>
void LogModel::insertBelow(int count, int unsaved, Place place)
{
    if (count == 0)
        return;
    m_unsaved += qBound(0, unsaved, count);
    const int first = m_rows.size();
    beginInsertRows({}, first, first + count - 1);
    place();
    endInsertRows();
}

void LogModel::appendRows(const LogStore &older, int unsaved)
{
    insertBelow(older.size(), unsaved, [&] {
        m_rows.appendBottom(older, [this](const LogStore &rows, int i) {
            return numbersOf([&rows, i](int c) { return rows.view(i, c + 1); });
        });
    });
}

void LogModel::appendMeasured(LogStore &&older)
{
    insertBelow(older.size(), older.size(), [&] { m_rows.appendBottom(std::move(older)); });
}

void LogModel::takeRows(LogModel &from)
{
    if (&from == this)
        return;
    if (!m_rows.empty() || from.m_rows.empty()) {
        appendRows(from.rows(), from.unsaved());
        from.clear();
        return;
    }
    // The rows' units ids stand for `from`'s units texts, which come with
    // them: nothing is measured again.
    LogStore rows;
    QVector<QStringList> units(from.m_units.size());
    const int unsaved = from.m_unsaved;
    from.beginResetModel();
    std::swap(rows, from.m_rows);
    std::swap(units, from.m_units);
    from.m_unsaved = 0;
    from.endResetModel();
    insertBelow(rows.size(), unsaved, [&] {
        m_rows = std::move(rows);
        m_units = std::move(units);
    });
}

void LogModel::clear()
{
    beginResetModel();
    m_rows.clear();
    m_unsaved = 0;
    for (QStringList &u : m_units)
        u.clear();
    endResetModel();
}

QString LogModel::tabSeparated(const QVector<int> &rows) const
{
    QString out = m_headers.join(QLatin1Char('\t')) + QLatin1Char('\n');
    for (int r : rows) {
        for (int c = 0; c < m_headers.size(); ++c) {
            if (c > 0)
                out += QLatin1Char('\t');
            out += text(r, c);
        }
        out += QLatin1Char('\n');
    }
    return out;
}
