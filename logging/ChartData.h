#pragma once

#include "logging/LogStore.h"

#include <QPointF>
#include <QVector>
#include <deque>
#include <vector>

// What a chart draws of one value column of a log, at most a few points per
// pixel column however many readings there are: the readings fall into time
// bins about one pixel wide, and each bin keeps its lowest and highest
// reading. A change of units starts a new segment, never joined to the last.
// Readings that are no number are left out.
//
// The cache is bounded: when adding readings makes it more than four times
// the columns asked for, neighbouring bins merge (twice as wide). Adding a
// reading costs the same at a hundred readings as at a million.
class ChartData
{
public:
    struct Bin {
        qint64 index = 0;       // the bin's start time / binMs()
        QPointF min, max;       // x: milliseconds since 1970 UTC
    };
    struct Segment {
        quint16 units = 0;      // the id the log model gave the units text
        std::deque<Bin> bins; // oldest first
    };

    // Recomputes from the readings of value column k taken from x0 to x1
    // (milliseconds), in about `columns` bins. Rows are newest first.
    void rebuild(const LogStore &rows, int k, qint64 x0, qint64 x1, int columns);
    // The newest reading.
    void add(qint64 t, double value, quint16 units);
    // Drops the bins that end before x0 (a view that follows the newest).
    void dropBefore(qint64 x0);
    void clear();

    const std::vector<Segment> &segments() const { return m_segments; }
    double binMs() const { return m_binMs; }
    int binCount() const { return m_binCount; }
    // The points of a segment: each bin's lowest and highest reading (one
    // point where they are the same reading), the one nearer the previous
    // bin's last point first.
    static QVector<QPointF> points(const Segment &s);
    // Lowest and highest value over the bins from x0 to x1; false if none.
    bool range(double x0, double x1, double *low, double *high) const;

    // The row index range [first, last] of readings taken from x0 to x1 in
    // a newest-first store whose times only grow towards the top; empty
    // (first > last) when there are none.
    static std::pair<int, int> rowsBetween(const LogStore &rows, qint64 x0, qint64 x1);

private:
    void coarsen();

    std::vector<Segment> m_segments;
    double m_binMs = 1000;
    int m_columns = 500;
    int m_binCount = 0;
};
