#include "ChartData.h"

#include <algorithm>
#include <cmath>

std::pair<int, int> ChartData::rowsBetween(const LogStore &rows, qint64 x0, qint64 x1)
{
    // Row i is older than row i - 1: times fall with the index.
    const int n = rows.size();
    auto firstAtOrBefore = [&](qint64 t) {   // lowest index whose time <= t
        int lo = 0, hi = n;
        while (lo < hi) {
            const int mid = lo + (hi - lo) / 2;
            if (rows.taken(mid) <= t)
                hi = mid;
            else
                lo = mid + 1;
        }
        return lo;
    };
    auto lastAtOrAfter = [&](qint64 t) {     // highest index whose time >= t
        int lo = -1, hi = n - 1;
        while (lo < hi) {
            const int mid = hi - (hi - lo) / 2;
            if (rows.taken(mid) >= t)
                lo = mid;
            else
                hi = mid - 1;
        }
        return lo;
    };
    return {firstAtOrBefore(x1), lastAtOrAfter(x0)};
}

void ChartData::clear()
{
    m_segments.clear();
    m_binCount = 0;
}

void ChartData::rebuild(const LogStore &rows, int k, qint64 x0, qint64 x1, int columns)
{
    clear();
    m_columns = std::max(columns, 1);
    m_binMs = std::max(1.0, double(x1 - x0) / m_columns);
    const auto [first, last] = rowsBetween(rows, x0, x1);
    for (int i = last; i >= first; --i) {
        const LogNumbers &n = rows.numbers(i);
        add(rows.taken(i), n.value[static_cast<size_t>(k)], n.units[static_cast<size_t>(k)]);
    }
}

void ChartData::add(qint64 t, double value, quint16 units)
{
    if (std::isnan(value))
        return;
    if (m_segments.empty() || m_segments.back().units != units)
        m_segments.push_back({units, {}});
    std::deque<Bin> &bins = m_segments.back().bins;
    const QPointF p(double(t), value);
    const auto index = static_cast<qint64>(std::floor(double(t) / m_binMs));
    if (bins.empty() || bins.back().index != index) {
        bins.push_back({index, p, p});
        if (++m_binCount > 4 * m_columns)
            coarsen();
        return;
    }
    Bin &s = bins.back();
    if (value < s.min.y())
        s.min = p;
    if (value >= s.max.y())
        s.max = p;
}

void ChartData::coarsen()
{
    m_binMs *= 2;
    m_binCount = 0;
    for (Segment &seg : m_segments) {
        std::deque<Bin> merged;
        for (const Bin &s : seg.bins) {
            const qint64 index = static_cast<qint64>(std::floor(s.min.x() / m_binMs));
            if (merged.empty() || merged.back().index != index) {
                Bin m = s;
                m.index = index;
                merged.push_back(m);
                continue;
            }
            Bin &m = merged.back();
            if (s.min.y() < m.min.y())
                m.min = s.min;
            if (s.max.y() >= m.max.y())
                m.max = s.max;
        }
        m_binCount += static_cast<int>(merged.size());
        seg.bins.swap(merged);
    }
}

void ChartData::dropBefore(qint64 x0)
{
    const auto limit = static_cast<qint64>(std::floor(double(x0) / m_binMs));
    for (Segment &seg : m_segments)
        while (!seg.bins.empty() && seg.bins.front().index < limit) {
            seg.bins.pop_front();
            --m_binCount;
        }
    m_segments.erase(std::remove_if(m_segments.begin(), m_segments.end(),
                                    [](const Segment &s) { return s.bins.empty(); }),
                     m_segments.end());
}

QVector<QPointF> ChartData::points(const Segment &s)
{
    QVector<QPointF> out;
    out.reserve(static_cast<qsizetype>(s.bins.size()) * 2);
    // Each bin's two points go in the order that starts nearest the last
    // one: where the readings spread over the whole height (a noisy signal,
    // many readings a pixel) the line then runs up one bin and down the
    // next instead of crossing the band twice a bin.
    for (const Bin &bin : s.bins) {
        bool lowFirst = bin.min.x() <= bin.max.x();
        if (!out.isEmpty() && bin.min != bin.max) {
            const double last = out.last().y();
            lowFirst = std::abs(last - bin.min.y()) <= std::abs(last - bin.max.y());
        }
        out.push_back(lowFirst ? bin.min : bin.max);
        if (bin.min != bin.max)
            out.push_back(lowFirst ? bin.max : bin.min);
    }
    return out;
}

bool ChartData::range(double x0, double x1, double *low, double *high) const
{
    bool any = false;
    for (const Segment &seg : m_segments)
        for (const Bin &s : seg.bins) {
            if (s.max.x() < x0 && s.min.x() < x0)
                continue;
            if (s.max.x() > x1 && s.min.x() > x1)
                continue;
            *low = any ? std::min(*low, s.min.y()) : s.min.y();
            *high = any ? std::max(*high, s.max.y()) : s.max.y();
            any = true;
        }
    return any;
}
