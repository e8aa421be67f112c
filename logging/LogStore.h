#pragma once

#include <QString>
#include <QtNumeric>
#include <array>
#include <deque>
#include <iterator>

// One reading in a tab's log list: the date text and up to five cells
// (level probe: time, pressure, pressure units, temperature, temperature
// units; rotary: time, value, units), and when it was taken.
struct LogRow {
    QString date;
    std::array<QString, 5> cells;
    qint64 takenMs = 0;   // milliseconds since 1970 UTC; 0 when not known
};

// What a chart reads of a row besides its texts: the numbers of its value
// cells (NaN where the text is no number) and, for each, which of the list's
// units texts it carries.
struct LogNumbers {
    std::array<double, 2> value{qQNaN(), qQNaN()};
    std::array<quint16, 2> units{};
};

// The rows of a log list, newest first as shown. Adding a row at the top or
// at the bottom costs the same whatever the length of the list.
//
// A row is kept as one string with the ends of its six texts, so a long
// log costs one small block per row rather than six: with a million rows
// the heap stays compact and appending stays as quick as at the start.
class LogStore
{
public:
    int size() const { return static_cast<int>(m_rows.size()); }
    bool empty() const { return m_rows.empty(); }
    // Row i as shown, 0 = the top (newest).
    LogRow at(int i) const
    {
        const Packed &p = packed(i);
        LogRow r;
        r.date = piece(p, 0);
        for (int c = 0; c < 5; ++c)
            r.cells[static_cast<size_t>(c)] = piece(p, c + 1);
        r.takenMs = p.taken;
        return r;
    }
    // Text `column` of row i (0 the date, 1-5 the cells).
    QString text(int i, int column) const { return piece(packed(i), column); }
    // The same, valid while the store holds the row unchanged.
    QStringView view(int i, int column) const { return pieceView(packed(i), column); }
    qint64 taken(int i) const { return packed(i).taken; }
    const LogNumbers &numbers(int i) const { return packed(i).numbers; }
    void insertTop(const LogRow &row, const LogNumbers &numbers = {}) { m_rows.push_back(pack(row, numbers)); }
    // The rows of `older`, top first, below these, with the numbers
    // `numbersOf(older, i)` gives for each; their texts are shared, not copied.
    template <class NumbersOf>
    void appendBottom(const LogStore &older, NumbersOf numbersOf)
    {
        for (int i = 0; i < older.size(); ++i) {
            Packed p = older.packed(i);
            p.numbers = numbersOf(older, i);
            m_rows.push_front(std::move(p));
        }
    }
    // The rows of `older`, top first, below these, with the numbers they
    // carry; they are moved, and these (the newer) follow them.
    void appendBottom(LogStore &&older)
    {
        std::deque<Packed> rows = std::move(older.m_rows);   // oldest first
        rows.insert(rows.end(), std::make_move_iterator(m_rows.begin()), std::make_move_iterator(m_rows.end()));
        m_rows = std::move(rows);
    }
    void clear() { std::deque<Packed>().swap(m_rows); }

private:
    struct Packed {
        QString text;
        std::array<int, 6> ends{};
        qint64 taken = 0;
        LogNumbers numbers;
    };
    const Packed &packed(int i) const { return m_rows[m_rows.size() - 1 - static_cast<size_t>(i)]; }
    static QStringView pieceView(const Packed &p, int column)
    {
        const int from = column == 0 ? 0 : p.ends[static_cast<size_t>(column - 1)];
        return QStringView(p.text).mid(from, p.ends[static_cast<size_t>(column)] - from);
    }
    static QString piece(const Packed &p, int column) { return pieceView(p, column).toString(); }
    static Packed pack(const LogRow &row, const LogNumbers &numbers)
    {
        Packed p;
        qsizetype n = row.date.size();
        for (const QString &c : row.cells)
            n += c.size();
        p.text.reserve(n);
        p.text += row.date;
        p.ends[0] = static_cast<int>(p.text.size());
        for (size_t c = 0; c < 5; ++c) {
            p.text += row.cells[c];
            p.ends[c + 1] = static_cast<int>(p.text.size());
        }
        p.taken = row.takenMs;
        p.numbers = numbers;
        return p;
    }

    std::deque<Packed> m_rows;   // oldest first
};
