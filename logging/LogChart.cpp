#include "LogChart.h"

#include "link/Clock.h"
#include "logging/LogModel.h"

#include <QChart>
#include <QChartView>
#include <QContextMenuEvent>
#include <QGraphicsLayout>
#include <QDateTimeAxis>
#include <QHBoxLayout>
#include <QLineSeries>
#include <QMenu>
#include <QPushButton>
#include <QToolTip>
#include <QValueAxis>
#include <QVBoxLayout>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>

namespace {
const QColor kColours[2] = {QColor(0x1f, 0x77, 0xb4), QColor(0xd6, 0x27, 0x28)};
// The time axis spans a minute at least.
constexpr qint64 kLeastSpanMs = 60 * 1000;
} // namespace

LogChart::LogChart(QWidget *parent)
    : QWidget(parent), m_chart(new QChart), m_view(new QChartView(m_chart)), m_x(new QDateTimeAxis),
      m_fitBut(new QPushButton(QStringLiteral("Fit"))), m_saveBut(new QPushButton(QStringLiteral("Save Chart...")))
{
    m_chart->legend()->setAlignment(Qt::AlignTop);
    m_chart->setMargins(QMargins(2, 2, 2, 2));
    m_chart->layout()->setContentsMargins(0, 0, 0, 0);
    m_chart->setBackgroundRoundness(0);
    m_chart->addAxis(m_x, Qt::AlignBottom);
    for (size_t k = 0; k < 2; ++k) {
        m_y[k] = new QValueAxis;
        m_chart->addAxis(m_y[k], k == 0 ? Qt::AlignLeft : Qt::AlignRight);
        m_y[k]->setLabelFormat(QStringLiteral("%.4g"));
    }
    m_view->setRenderHint(QPainter::Antialiasing, false);
    m_view->setAccessibleName(QStringLiteral("Chart"));
    m_view->setMouseTracking(true);
    m_view->viewport()->installEventFilter(this);
    m_view->setMinimumHeight(90);
    m_fitBut->setToolTip(QStringLiteral("Show the whole run."));
    m_saveBut->setToolTip(QStringLiteral("Save the chart as a PNG image."));
    connect(m_fitBut, &QPushButton::clicked, this, &LogChart::fit);
    connect(m_saveBut, &QPushButton::clicked, this, &LogChart::saveRequested);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_fitBut);
    buttons->addWidget(m_saveBut);
    auto *v = new QVBoxLayout(this);
    v->setContentsMargins(0, 0, 0, 0);
    v->addWidget(m_view, 1);
    v->addLayout(buttons);
}

LogChart::~LogChart() = default;

void LogChart::setModel(LogModel *model, const QStringList &valueNames)
{
    if (m_model)
        disconnect(m_model, nullptr, this, nullptr);
    m_model = model;
    m_names = valueNames.mid(0, 2);
    if (m_model) {
        // A new reading arrives at the top; rows below come from a sensor
        // moved here or a restored log; a reset is a cleared log.
        connect(m_model, &QAbstractItemModel::rowsInserted, this, [this](const QModelIndex &, int first, int last) {
            if (first == 0 && last == 0 && m_model->size() > 1)
                readingAdded();
            else
                rebuild();
        });
        connect(m_model, &QAbstractItemModel::modelReset, this, &LogChart::fit);
    }
    fit();
}

int LogChart::columns() const
{
    // A bin two pixels wide: its lowest and highest reading make about one
    // point per pixel column, however many readings there are.
    const int w = static_cast<int>(m_chart->plotArea().width());
    return (w > 10 ? w : 600) / 2;
}

void LogChart::fit()
{
    m_fit = true;
    m_follow = true;
    rebuild();
}

void LogChart::showRange(qint64 x0, qint64 x1)
{
    m_fit = false;
    m_x0 = std::min(x0, x1);
    m_x1 = std::max(x0, x1);
    const LogStore &rows = m_model->rows();
    m_follow = rows.empty() || m_x1 >= rows.taken(0);
    rebuild();
}

void LogChart::zoom(double factor, qint64 at)
{
    if (!m_model || m_model->size() == 0 || factor <= 0)
        return;
    // About the span on show, which is never less than a minute: zooming out
    // of a short run widens it at the first step, and `at` stays where it is.
    const auto [s0, s1] = shownRange();
    const double span = std::max(double(kLeastSpanMs), double(s1 - s0) / factor);
    const double left = double(at - s0) / double(s1 - s0);
    const auto x0 = static_cast<qint64>(double(at) - left * span);
    showRange(x0, x0 + static_cast<qint64>(span));
}

void LogChart::rebuild()
{
    if (!m_model)
        return;
    const LogStore &rows = m_model->rows();
    if (m_fit && !rows.empty()) {
        m_x0 = rows.taken(rows.size() - 1);
        m_x1 = rows.taken(0);
    }
    for (int k = 0; k < m_names.size(); ++k)
        m_data[static_cast<size_t>(k)].rebuild(rows, k, m_x0, m_x1, columns());
    scheduleRedraw();
}

void LogChart::readingAdded()
{
    const LogStore &rows = m_model->rows();
    const qint64 t = rows.taken(0);
    if (!m_follow)
        return;   // the view shows earlier readings: nothing of it changes
    if (m_fit) {
        m_x1 = std::max(m_x1, t);
    } else if (t > m_x1) {
        // Keep the span, the newest reading at the right edge.
        m_x0 += t - m_x1;
        m_x1 = t;
    }
    const LogNumbers &n = rows.numbers(0);
    for (int k = 0; k < m_names.size(); ++k) {
        ChartData &d = m_data[static_cast<size_t>(k)];
        d.add(t, n.value[static_cast<size_t>(k)], n.units[static_cast<size_t>(k)]);
        if (!m_fit)
            d.dropBefore(m_x0);
    }
    scheduleRedraw();
}

void LogChart::scheduleRedraw()
{
    if (m_redrawPending)
        return;
    m_redrawPending = true;
    QMetaObject::invokeMethod(this, [this] {
        if (m_redrawPending)
            redraw();
    }, Qt::QueuedConnection);
}

std::pair<qint64, qint64> LogChart::shownRange() const
{
    qint64 x0 = m_x0, x1 = m_x1;
    if (x1 - x0 < kLeastSpanMs) {
        // A short run starts at the left and grows to the right.
        const qint64 mid = x0 + (x1 - x0) / 2;
        x0 = m_fit ? x0 : mid - kLeastSpanMs / 2;
        x1 = x0 + kLeastSpanMs;
    }
    return {x0, x1};
}

void LogChart::redraw()
{
    m_redrawPending = false;
    if (!m_model)
        return;
    const auto [x0, x1] = shownRange();
    const bool empty = m_model->size() == 0;
    m_chart->setTitle(empty ? QStringLiteral("No readings yet") : QString());
    m_x->setVisible(!empty);
    for (int k = 0; k < 2; ++k)
        m_y[static_cast<size_t>(k)]->setVisible(!empty && k < m_names.size());
    m_x->setRange(QDateTime::fromMSecsSinceEpoch(x0), QDateTime::fromMSecsSinceEpoch(x1));
    m_x->setFormat(x1 - x0 > 24 * 3600 * 1000LL ? QStringLiteral("dd/MM hh:mm") : QStringLiteral("hh:mm:ss"));
    for (int k = 0; k < 2; ++k) {
        const size_t kk = static_cast<size_t>(k);
        const ChartData &d = m_data[kk];
        const auto &segments = d.segments();
        const int shown = k < m_names.size() ? static_cast<int>(segments.size()) : 0;
        // One series per run of one units text, so that values of different
        // units are never joined; each is named with its units.
        while (m_series[kk].size() < shown) {
            auto *s = new QLineSeries;
            // A cosmetic one-pixel pen: a million readings make a dense band
            // of short strokes, which a wider pen would have to outline.
            QPen pen(kColours[k], 1);
            pen.setCosmetic(true);
            s->setPen(pen);
            s->setColor(kColours[k]);
            m_chart->addSeries(s);
            s->attachAxis(m_x);
            s->attachAxis(m_y[kk]);
            m_series[kk].push_back(s);
        }
        QStringList units;
        for (int i = 0; i < m_series[kk].size(); ++i) {
            QLineSeries *s = m_series[kk][i];
            if (i >= shown) {
                s->clear();
                s->setVisible(false);
                continue;
            }
            const QString u = m_model->unitsText(k, segments[static_cast<size_t>(i)].units);
            if (!units.contains(u))
                units << u;
            const QVector<QPointF> points = ChartData::points(segments[static_cast<size_t>(i)]);
            s->replace(QList<QPointF>(points.cbegin(), points.cend()));
            s->setName(m_names[k] + (u.isEmpty() ? QString() : QStringLiteral(" (") + u + QLatin1Char(')')));
            s->setPointsVisible(points.size() == 1);
            s->setVisible(true);
        }
        if (k < m_names.size()) {
            m_y[kk]->setTitleText(m_names[k] +
                                  (units.isEmpty() ? QString()
                                                   : QStringLiteral(" (") + units.join(QStringLiteral(", ")) +
                                                         QLatin1Char(')')));
            double low = 0, high = 1;
            if (d.range(double(x0), double(x1), &low, &high)) {
                const double pad = high > low ? (high - low) * 0.05 : std::max(std::abs(high) * 0.05, 0.5);
                m_y[kk]->setRange(low - pad, high + pad);
            }
            // As many labels as the height has room for.
            m_y[kk]->setTickCount(std::clamp(static_cast<int>(m_chart->plotArea().height() / 28), 2, 6));
        }
    }
    showLegend();
}

void LogChart::showLegend()
{
    // With one line the axis title names it; with more the legend does.
    m_chart->legend()->setVisible(shownSeries().size() > 1);
}

QList<QLineSeries *> LogChart::shownSeries() const
{
    QList<QLineSeries *> out;
    for (const auto &list : m_series)
        for (QLineSeries *s : list)
            if (s->isVisible())
                out.push_back(s);
    return out;
}

qint64 LogChart::timeAt(double x) const
{
    const QRectF area = m_chart->plotArea();
    const double at = area.width() > 0 ? (x - area.left()) / area.width() : 0.5;
    const QDateTime a = m_x->min(), b = m_x->max();
    return a.toMSecsSinceEpoch() + static_cast<qint64>(at * double(a.msecsTo(b)));
}

int LogChart::nearestRow(qint64 t) const
{
    if (!m_model || m_model->size() == 0)
        return -1;
    const LogStore &rows = m_model->rows();
    const auto [first, last] = ChartData::rowsBetween(rows, t, t);
    // `first` is the newest at or before t, `last` the oldest at or after: every other reading is further away.
    if (first >= rows.size())
        return last;
    if (last < 0)
        return first;
    return std::llabs(rows.taken(last) - t) <= std::llabs(rows.taken(first) - t) ? last : first;   // a tie: the newer
}

QString LogChart::readingNear(qint64 t) const
{
    const int row = nearestRow(t);
    if (row < 0)
        return {};
    QString text = m_model->text(row, 0) + QLatin1Char(' ') + m_model->text(row, 1);
    const QVector<int> &columns = m_model->valueColumns();
    for (int k = 0; k < columns.size() && k < m_names.size(); ++k)
        text += QStringLiteral("\n%1: %2 %3").arg(m_names[k], m_model->text(row, columns[k]),
                                                  m_model->text(row, columns[k] + 1));
    return text;
}

QImage LogChart::image()
{
    redraw();
    return m_view->grab().toImage();
}

bool LogChart::savePng(const QString &path)
{
    return image().save(path, "PNG");
}

bool LogChart::eventFilter(QObject *watched, QEvent *event)
{
    if (watched != m_view->viewport() || !m_model)
        return QWidget::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::Wheel: {
        auto *w = static_cast<QWheelEvent *>(event);
        const double notches = w->angleDelta().y() / 120.0;
        if (notches != 0)
            zoom(std::pow(1.25, notches), timeAt(w->position().x()));
        return true;
    }
    case QEvent::MouseButtonPress: {
        auto *e = static_cast<QMouseEvent *>(event);
        if (e->button() == Qt::LeftButton) {
            m_dragging = true;
            m_dragX = e->position().x();
        }
        return false;
    }
    case QEvent::MouseMove: {
        auto *e = static_cast<QMouseEvent *>(event);
        if (m_dragging) {
            const qint64 shift = timeAt(m_dragX) - timeAt(e->position().x());
            m_dragX = e->position().x();
            if (shift != 0)
                showRange(m_x0 + shift, m_x1 + shift);
            return true;
        }
        const QString text = readingNear(timeAt(e->position().x()));
        if (m_chart->plotArea().contains(e->position()) && !text.isEmpty())
            QToolTip::showText(e->globalPosition().toPoint(), text, m_view);
        else
            QToolTip::hideText();
        return false;
    }
    case QEvent::MouseButtonRelease:
        m_dragging = false;
        return false;
    case QEvent::MouseButtonDblClick:
        fit();
        return true;
    case QEvent::ContextMenu: {
        QMenu menu;
        menu.addAction(QStringLiteral("Fit"), this, &LogChart::fit);
        menu.addAction(QStringLiteral("Save Chart..."), this, &LogChart::saveRequested);
        menu.exec(static_cast<QContextMenuEvent *>(event)->globalPos());
        return true;
    }
    default:
        return QWidget::eventFilter(watched, event);
    }
}
