#pragma once

#include "logging/ChartData.h"

#include <QStringList>
#include <QWidget>
#include <array>

class LogModel;
class QChart;
class QChartView;
class QDateTimeAxis;
class QLineSeries;
class QPushButton;
class QValueAxis;

// The readings of a tab's log list drawn against their time, live: the
// level probe's pressure on the left axis and temperature on the right, the
// rotary family's value on the left, each axis labelled with its units. The
// chart reads the list's model and copies no rows: what it keeps is the
// bins of its ChartData, a few per pixel column.
//
// The mouse wheel zooms the time axis, dragging pans it, a double click or
// "Fit" shows the whole run again. While the newest reading is in view, the
// view follows new ones. Hovering names the reading nearest the pointer.
class LogChart : public QWidget
{
    Q_OBJECT
public:
    explicit LogChart(QWidget *parent = nullptr);
    ~LogChart() override;

    // The model to draw and the names of its value columns ("Pressure",
    // "Temperature"). Shows the whole run.
    void setModel(LogModel *model, const QStringList &valueNames);
    LogModel *model() const { return m_model; }

    // The whole run, and from then on every new reading.
    void fit();
    // Shows [x0, x1] (milliseconds since 1970 UTC).
    void showRange(qint64 x0, qint64 x1);
    qint64 rangeStart() const { return m_x0; }
    qint64 rangeEnd() const { return m_x1; }
    bool following() const { return m_follow; }
    // Zooms the time axis by `factor` (> 1 closer) about time `at`, to a
    // minute at the closest.
    void zoom(double factor, qint64 at);

    // The text shown on hovering near time `t`: the nearest reading's date,
    // time, values and units.
    QString readingNear(qint64 t) const;
    // The chart as an image, and saved as PNG.
    QImage image();
    bool savePng(const QString &path);

    // What is drawn, for the benchmark and tests: value column k's data and
    // the series on show.
    const ChartData &data(int k) const { return m_data[static_cast<size_t>(k)]; }
    QList<QLineSeries *> shownSeries() const;
    QValueAxis *valueAxis(int k) const { return m_y[static_cast<size_t>(k)]; }
    QDateTimeAxis *timeAxis() const { return m_x; }
    QChartView *view() const { return m_view; }
    // Draws now what changed (otherwise done when the event loop next runs).
    void redraw();

signals:
    // "Save Chart..." was chosen: the owner asks where and calls savePng().
    void saveRequested();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void rebuild();
    void readingAdded();
    void scheduleRedraw();
    void showLegend();
    int columns() const;
    qint64 timeAt(double x) const;
    // The time axis's range: the range asked for, at least a minute wide.
    std::pair<qint64, qint64> shownRange() const;
    int nearestRow(qint64 t) const;

    LogModel *m_model = nullptr;
    QStringList m_names;
    QChart *m_chart;
    QChartView *m_view;
    QDateTimeAxis *m_x;
    std::array<QValueAxis *, 2> m_y{};
    std::array<ChartData, 2> m_data;
    std::array<QList<QLineSeries *>, 2> m_series;
    QPushButton *m_fitBut;
    QPushButton *m_saveBut;
    qint64 m_x0 = 0, m_x1 = 0;
    bool m_fit = true;
    bool m_follow = true;
    bool m_redrawPending = false;
    bool m_dragging = false;
    double m_dragX = 0;
};
