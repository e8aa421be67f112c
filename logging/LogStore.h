#pragma once

#include <QString>
#include <array>
#include <deque>

// One reading in a tab's log list: the date text and up to five cells
// (level probe: time, pressure, pressure units, temperature, temperature
// units; rotary: time, value, units).
struct LogRow {
    QString date;
    std::array<QString, 5> cells;
};

// The rows of a log list, newest first as shown. Adding a row at the top or
// at the bottom costs the same whatever the length of the list.
class LogStore
{
public:
    int size() const { return static_cast<int>(m_rows.size()); }
    bool empty() const { return m_rows.empty(); }
    // Row i as shown, 0 = the top (newest).
    const LogRow &at(int i) const { return m_rows[m_rows.size() - 1 - static_cast<size_t>(i)]; }
    void insertTop(LogRow row) { m_rows.push_back(std::move(row)); }
    void appendBottom(LogRow row) { m_rows.push_front(std::move(row)); }
    void clear() { std::deque<LogRow>().swap(m_rows); }

private:
    std::deque<LogRow> m_rows;   // oldest first
};
