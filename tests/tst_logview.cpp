// One log model, two views: the list read by assistive technology and
// copied, and the chart drawing the same readings.
#include "support/ConsoleRig.h"

#include "discovery/AddressOps.h"
#include "logging/ChartData.h"
#include "logging/LogChart.h"
#include "logging/LogList.h"

#include <QAccessible>
#include <QApplication>
#include <QChartView>
#include <QClipboard>
#include <QLineSeries>
#include <QScrollBar>
#include <QTest>
#include <QValueAxis>

namespace {
const qint64 t0 = QDateTime(QDate(2026, 12, 6), QTime(9, 0)).toMSecsSinceEpoch();

LogRow reading(int second, const QString &pressure, const QString &units = "mH2O", const QString &temperature = "21.5")
{
    const QDateTime at = QDateTime::fromMSecsSinceEpoch(t0 + second * 1000LL);
    LogRow r;
    r.date = Clock::dateText(at.date());
    r.cells = {at.time().toString("hh:mm:ss"), pressure, units, temperature, "Centigrade"};
    r.takenMs = at.toMSecsSinceEpoch();
    return r;
}

// Every point the chart shows for value column k, segment by segment.
QStringList drawn(LogChart *chart, const QString &name)
{
    chart->redraw();
    QStringList out;
    for (QLineSeries *s : chart->shownSeries())
        if (s->name().startsWith(name)) {
            QStringList points;
            for (const QPointF &p : s->points())
                points << QString("%1=%2").arg((qint64(p.x()) - t0) / 1000).arg(p.y());
            out << s->name() + ": " + points.join(' ');
        }
    return out;
}
} // namespace

class TestLogView : public QObject
{
    Q_OBJECT
private slots:
    void listReadAndCopied();
    void chartDrawsTheList();
    void decimationKeepsTrueExtremes();
};

void TestLogView::listReadAndCopied()
{
    LogModel model({"Date", "Time", "Pressure", "Units", "Temperature", "Units"}, {2, 4}, {3, 5});
    LogList list(&model);
    for (int s : {0, 1, 2})
        list.insertTop(reading(s, QString("1.%1").arg(s)));
    list.show();
    // Screen readers see a table of the rows, newest first.
    QAccessibleInterface *a = QAccessible::queryAccessibleInterface(&list);
    QVERIFY(a && a->tableInterface());
    QCOMPARE(a->tableInterface()->rowCount(), 3);
    QCOMPARE(a->tableInterface()->columnCount(), 6);
    QCOMPARE(a->tableInterface()->cellAt(0, 2)->text(QAccessible::Name), QString("1.2"));
    QCOMPARE(a->tableInterface()->cellAt(2, 1)->text(QAccessible::Name), QString("09:00:00"));
    // Several rows selected, Ctrl+C: tab-separated under the headings.
    list.selectRow(2);
    list.selectionModel()->select(list.model()->index(0, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    QTest::keySequence(&list, QKeySequence::Copy);
    const QString d = reading(0, "").date;
    QCOMPARE(QApplication::clipboard()->text(),
             "Date\tTime\tPressure\tUnits\tTemperature\tUnits\n" + d + "\t09:00:02\t1.2\tmH2O\t21.5\tCentigrade\n" +
                 d + "\t09:00:00\t1.0\tmH2O\t21.5\tCentigrade\n");
    // Rows are placed and scrolled to as the table itself would, without
    // summing the rows above (a list of a million rows stays flat).
    for (int s = 3; s < 300; ++s)
        list.insertTop(reading(s, "2.0"));
    list.resize(300, 200);
    for (int row : {0, 57, 299})
        for (auto hint : {QAbstractItemView::EnsureVisible, QAbstractItemView::PositionAtTop,
                          QAbstractItemView::PositionAtBottom, QAbstractItemView::PositionAtCenter}) {
            list.verticalScrollBar()->setValue(1000);
            list.QTableView::scrollTo(list.model()->index(row, 3), hint);
            const int expected = list.verticalScrollBar()->value();
            QCOMPARE(list.visualRect(list.model()->index(row, 3)), list.QTableView::visualRect(list.model()->index(row, 3)));
            list.verticalScrollBar()->setValue(1000);
            list.scrollTo(list.model()->index(row, 3), hint);
            QCOMPARE(list.verticalScrollBar()->value(), expected);
        }
}

void TestLogView::chartDrawsTheList()
{
    ConsoleRig r;
    LogList *list = r.tab(3)->LogListView;
    LogChart *chart = r.tab(3)->LogChartView;
    QCOMPARE(chart->view()->accessibleName(), QString("Chart"));
    // A single reading is drawn as a point; a reading that is no number is
    // left out, never drawn as zero; a change of units starts a new segment.
    list->insertTop(reading(0, "1.5"));
    QCOMPARE(drawn(chart, "Pressure"), QStringList{"Pressure (mH2O): 0=1.5"});
    QVERIFY(chart->shownSeries().first()->pointsVisible());
    list->insertTop(reading(1, "2.5", "mH2O", ""));
    list->insertTop(reading(2, "abc"));
    list->insertTop(reading(3, "0.2", "bar"));
    list->insertTop(reading(4, "0.3", "bar"));
    QCOMPARE(drawn(chart, "Pressure"), (QStringList{"Pressure (mH2O): 0=1.5 1=2.5", "Pressure (bar): 3=0.2 4=0.3"}));
    QCOMPARE(drawn(chart, "Temperature"), QStringList{"Temperature (Centigrade): 0=21.5 2=21.5 3=21.5 4=21.5"});
    QCOMPARE(chart->valueAxis(0)->titleText(), QString("Pressure (mH2O, bar)"));
    QVERIFY(chart->readingNear(t0 + 2900).endsWith("09:00:03\nPressure: 0.2 bar\nTemperature: 21.5 Centigrade"));

    // Zoomed in on the start, the view stays put as readings come; shown
    // the newest, it follows them; Fit shows the whole run again.
    chart->showRange(t0, t0 + 2000);
    QVERIFY(!chart->following());
    list->insertTop(reading(5, "0.4", "bar"));
    QCOMPARE(chart->rangeEnd(), t0 + 2000);
    chart->showRange(t0 + 1000, t0 + 5000);
    QVERIFY(chart->following());
    list->insertTop(reading(6, "0.5", "bar"));
    QCOMPARE(chart->rangeStart(), t0 + 2000);
    QCOMPARE(chart->rangeEnd(), t0 + 6000);
    QCOMPARE(drawn(chart, "Pressure"), QStringList{"Pressure (bar): 3=0.2 4=0.3 5=0.4 6=0.5"});
    chart->zoom(2, t0 + 4000);
    QCOMPARE(chart->rangeEnd() - chart->rangeStart(), 2000);
    chart->fit();
    QCOMPARE(chart->rangeStart(), t0);
    QCOMPARE(chart->rangeEnd(), t0 + 6000);

    // A moved sensor takes its readings, and so its chart, along; a
    // cleared log clears the chart.
    r.w->core.address->MoveLevelSensorTab(3, 6);
    QCOMPARE(drawn(chart, "Pressure"), QStringList());
    QCOMPARE(drawn(r.tab(6)->LogChartView, "Pressure"),
             (QStringList{"Pressure (mH2O): 0=1.5 1=2.5", "Pressure (bar): 3=0.2 4=0.3 5=0.4 6=0.5"}));
    r.tab(6)->LogListView->clear();
    QCOMPARE(drawn(r.tab(6)->LogChartView, "Pressure"), QStringList());

    // A rotary tab draws its one value with its units.
    ConsoleRig rotary(true, 50);
    rotary.tab(3)->RotaryLogListView->insertTop(reading(0, "12.5", "m", ""));
    QCOMPARE(drawn(rotary.tab(3)->LogChartView, ""), QStringList{"Level (m): 0=12.5"});

    // Save Chart...: a PNG through the save dialog.
    list->insertTop(reading(7, "1.0"));
    r.ui.saves = {{true, r.dir.filePath("chart.png"), 1}};
    emit chart->saveRequested();
    QCOMPARE(r.ui.dialogs.last().filter, QString("PNG Images(*.png)|*.png"));
    QImage png(r.dir.filePath("chart.png"));
    QVERIFY(!png.isNull() && png.width() > 50);
    r.ui.saves = {{true, r.dir.filePath("no/such/folder/chart.png"), 1}};
    emit chart->saveRequested();
    QCOMPARE(r.ui.texts().last(), "Save Chart.|Error encountered while saving file. " +
                                      r.dir.filePath("no/such/folder/chart.png") + " could not be written.");
}

void TestLogView::decimationKeepsTrueExtremes()
{
    // 10,000 readings, one a second, into 100 columns: each bin holds its
    // true lowest and highest reading; the cache stays bounded as the run
    // grows tenfold.
    LogStore rows;
    auto value = [](int i) { return std::sin(i * 0.37) * 100 + (i % 97 == 0 ? 500 : 0); };
    for (int i = 0; i < 10000; ++i) {
        LogNumbers n;
        n.value[0] = value(i);
        LogRow row;
        row.takenMs = t0 + i * 1000LL;
        rows.insertTop(row, n);
    }
    ChartData d;
    d.rebuild(rows, 0, t0, t0 + 9999 * 1000LL, 100);
    QCOMPARE(d.segments().size(), size_t(1));
    for (const ChartData::Bin &b : d.segments()[0].bins) {
        double low = 1e9, high = -1e9;
        for (int i = 0; i < 10000; ++i)
            if (qint64(std::floor((t0 + i * 1000.0) / d.binMs())) == b.index) {
                low = std::min(low, value(i));
                high = std::max(high, value(i));
            }
        QCOMPARE(b.min.y(), low);
        QCOMPARE(b.max.y(), high);
    }
    double top = -1e9;
    for (int i = 10000; i < 100000; ++i) {
        d.add(t0 + i * 1000LL, value(i), 0);
        top = std::max(top, value(i));
    }
    QVERIFY(d.binCount() <= 400);
    double low, high;
    QVERIFY(d.range(t0, t0 + 1e9, &low, &high));
    QCOMPARE(high, top);
    QCOMPARE(ChartData::rowsBetween(rows, t0 + 10 * 1000, t0 + 20 * 1000), std::make_pair(9979, 9989));
}

QTEST_MAIN(TestLogView)
#include "tst_logview.moc"
