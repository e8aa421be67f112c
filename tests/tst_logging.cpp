#include "support/ConsoleRig.h"

#include "discovery/SensorTable.h"
#include "logging/LogList.h"
#include "logging/LoggingEngine.h"
#include "params/LevelParams.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>

namespace {
struct Logged : ConsoleRig {
    explicit Logged(bool rotary = false) : ConsoleRig(rotary, {3})
    {
        clock.sleeps.clear();
        w->core.logging->SecondTimer.stop();   // the tests drive the tick
    }
    LogList *log() { return w->core.SensorType ? tab(3)->RotaryLogListView : tab(3)->LogListView; }
};
} // namespace

class TestLogging : public QObject
{
    Q_OBJECT
private slots:
    void measurementStartAnswers();
    void dataAnswersAndRows();
    void singleLog();
    void periodicTicks();
    void stopAndClear();
    void rotaryLogging();
};

void TestLogging::measurementStartAnswers()
{
    for (const char *ttt : {"000", "001"}) {
        Logged r;
        r.bus.replies["3M!"] = QString("3") + ttt + "2";
        r.w->core.link.DataTimeout = 7;
        r.w->core.logging->StartLevelMeasurement(3);
        r.settle();
        QCOMPARE(r.sent(), (QStringList{"3M!", "3D0!"}));
        // break, mark, the data timeout, then break and mark of the request
        QCOMPARE(r.clock.sleeps, (QVector<int>{1, 1, 7, 1, 1}));
        QCOMPARE(r.log()->rowCount(), 2);
    }
    // 002: wait for the sensor's service request.
    Logged r;
    r.bus.replies["3M!"] = "30022";
    r.w->core.logging->StartLevelMeasurement(3);
    QTRY_COMPARE(r.w->core.link.RxState, 1);
    QCOMPARE(r.w->core.MeasurementWait[3], 1);
    QCOMPARE(r.sent(), QStringList{"3M!"});
    QVERIFY(r.w->core.link.exchangeInFlight());
    r.port.feed("3\r\n");
    r.settle();
    QCOMPARE(r.sent(), (QStringList{"3M!", "3D0!"}));
    QCOMPARE(r.w->core.link.ResponseState, 1);

    // Set-point answers count every second: 001 waits for the service request.
    r.clearSent();
    r.bus.replies["3XSPM0.0!"] = "30012";
    r.tab(3)->AutoZeroBut->click();
    QTRY_COMPARE(r.w->core.link.RxState, 1);
    QCOMPARE(r.w->core.SetPointWait[3], 1);
    QCOMPARE(r.ui.questions, QStringList{"Auto Zero Function.|Are you sure you wish to proceed?"});
    r.port.feed("3\r\n");
    r.settle();
    QCOMPARE(r.sent(), (QStringList{"3XSPM0.0!", "3D0!"}));
}

void TestLogging::dataAnswersAndRows()
{
    Logged r;
    SensorTabWidget *t = r.tab(3);
    const QStringList data = {"+1.234-3.5", "+7.5"};
    for (const QString &d : data) {
        r.bus.replies["3D0!"] = "3" + d;
        r.w->core.logging->StartLevelMeasurement(3);
        r.settle();
    }
    LogList *log = r.log();
    QCOMPARE(log->rowCount(), 3);   // one from the scan
    QCOMPARE(log->selectedRow(), 0);
    auto row = [&](int i) {
        QStringList cells;
        for (int c = 0; c < 6; ++c)
            cells << log->text(i, c);
        return cells;
    };
    const QString date = Clock::dateText(QDate(2026, 12, 6));
    QCOMPARE(row(0), (QStringList{date, "09:30:15", "7.5", "mH2O", "", "Centigrade"}));
    QCOMPARE(row(1), (QStringList{date, "09:30:15", "1.234", "mH2O", "-3.5", "Centigrade"}));
    QCOMPARE(t->PressureText->text(), QString("7.5"));
    QCOMPARE(r.w->core.table->cell(3, SensorTable::Pressure), QString("7.5"));
    QCOMPARE(r.w->core.table->cell(3, SensorTable::Temperature), QString());
    QVERIFY(t->ClearLogBut->isEnabled() && t->SaveLogBut->isEnabled());

    // A start answer too short: a message, then the data request anyway.
    r.ui.clear();
    r.clearSent();
    r.bus.replies["3M!"] = "30";
    r.w->core.logging->StartLevelMeasurement(3);
    r.settle();
    QCOMPARE(r.ui.texts(), QStringList{"SDI12 Message Error.|Received command not recognised."});
    QCOMPARE(r.sent(), (QStringList{"3M!", "3D0!"}));
}

void TestLogging::singleLog()
{
    Logged r;
    r.tab(3)->LogPeriodCombo->setCurrentIndex(-1);
    r.tab(3)->StartLogBut->click();
    QCOMPARE(r.ui.texts(), QStringList{"Start Log.|Please select a logging period."});
    QVERIFY(r.sent().isEmpty());
    r.startLogging(3, "Single Log");
    QCOMPARE(r.sent(), (QStringList{"3M!", "3D0!"}));
    QCOMPARE(r.log()->rowCount(), 2);
    QCOMPARE(r.w->core.LoggingTab, 0);
    QVERIFY(!r.w->core.LogEnabled[3]);
    QCOMPARE(r.w->core.table->cell(3, SensorTable::LevelLogStatus), QString("Idle"));
    r.tick();
    QCOMPARE(r.sent().size(), 2);
}

void TestLogging::periodicTicks()
{
    Logged r;
    r.startLogging(3, "5 Seconds");
    QCOMPARE(r.w->core.LoggingTab, 4);
    QCOMPARE(r.w->core.table->cell(3, SensorTable::LevelLogStatus), QString("Logging"));
    // While logging, no tab can start another run or change address.
    for (int i = 0; i < 10; ++i)
        QVERIFY(r.tab(i)->StartLogBut->testAttribute(Qt::WA_ForceDisabled));
    QVERIFY(r.tab(3)->StopLogBut->isEnabled());
    QStringList perTick;
    for (int second = 1; second <= 15; ++second) {
        r.clearSent();
        r.tick();
        perTick << QString::number(r.sent().size());
    }
    QCOMPARE(perTick.join(""), QString("000020000200002"));
    QCOMPARE(r.log()->rowCount(), 1 + 1 + 3);
    // The status bar says who logs, how often, how much and when next.
    const QString at = Clock::timeText(QTime(9, 30, 20));
    QCOMPARE(r.w->StatusLogging->text(), "Logging Sensor 3 every 5 Seconds: 5 readings, next at " + at + ".");
    r.tick();
    QCOMPARE(r.w->StatusLogging->text(), "Logging Sensor 3 every 5 Seconds: 5 readings, next at " +
                                             Clock::timeText(QTime(9, 30, 19)) + ".");
    QCOMPARE(r.tab(3)->LogCountLabel->text(), QString("5 readings"));

    // A reading that falls due while another exchange is in flight waits for
    // the next tick instead of cutting it off.
    for (int i = 0; i < 3; ++i)
        r.tick();
    r.bus.delayMs = 40;
    r.tab(3)->RangeQueryBut->setEnabled(true);
    r.w->core.level->RangeQueryBut_Click(3);
    r.clearSent();
    r.w->core.logging->SecondTimer_Timer();
    QVERIFY(r.sent().isEmpty());
    r.settle();
    r.bus.delayMs = 1;
    r.tick();
    QCOMPARE(r.sent(), (QStringList{"3M!", "3D0!"}));
    QCOMPARE(r.tab(3)->RangeText->text(), QString("10.0000"));
}

void TestLogging::stopAndClear()
{
    Logged r;
    r.startLogging(3, "1 Second");
    // A scan meanwhile leaves the run going.
    r.w->ScanBut->click();
    r.settle();
    QCOMPARE(r.w->core.table->cell(3, SensorTable::LevelLogStatus), QString("Logging"));
    r.w->core.LogEnabled[7] = true;   // another sensor's run
    r.tick();
    // Clear while logging: empty, buttons off until the next row.
    r.tab(3)->ClearLogBut->click();
    QCOMPARE(r.log()->rowCount(), 0);
    QVERIFY(!r.tab(3)->ClearLogBut->isEnabled() && !r.tab(3)->SaveLogBut->isEnabled());
    r.tick();
    QCOMPARE(r.log()->rowCount(), 1);
    QVERIFY(r.tab(3)->SaveLogBut->isEnabled());
    // Stop on any tab ends every run.
    r.tab(3)->StopLogBut->click();
    QCOMPARE(r.w->core.LoggingTab, 0);
    for (bool on : r.w->core.LogEnabled)
        QVERIFY(!on);
    QCOMPARE(r.w->core.table->cell(3, SensorTable::LevelLogStatus), QString("Idle"));
    QCOMPARE(r.w->StatusLogging->text(),
             "Logging of Sensor 3 stopped by the user at " + Clock::timeText(QTime(9, 30, 15)) + " (1 reading).");
    QCOMPARE(r.tab(3)->LogCountLabel->text(), QString("1 reading"));
    r.clearSent();
    r.tick();
    QVERIFY(r.sent().isEmpty());
    QCOMPARE(r.log()->rowCount(), 1);
    QVERIFY(r.tab(3)->StartLogBut->isEnabled());
}

void TestLogging::rotaryLogging()
{
    Logged r(true);
    r.bus.replies["3D0!"] = "3-5.0";
    r.w->core.link.DataTimeout = 7;
    r.startLogging(3, "2 Seconds");
    QCOMPARE(r.sent(), (QStringList{"3C!", "3D0!"}));
    // break and mark of each command; no data-timeout pause between them
    QCOMPARE(r.clock.sleeps, (QVector<int>{1, 1, 1, 1}));
    r.tick();
    r.tick();
    QCOMPARE(r.log()->rowCount(), 3);
    QCOMPARE(r.log()->text(0, 2), QString("-5.0"));
    QCOMPARE(r.log()->text(0, 3), QString("Millimetres"));
    QCOMPARE(r.tab(3)->RotaryCurrentValueText->text(), QString("-5.0"));
    QCOMPARE(r.w->core.table->cell(3, SensorTable::RotaryLevel), QString("-5.0"));
    QCOMPARE(r.w->core.table->cell(3, SensorTable::RotaryLogStatus), QString("Logging"));
    r.tab(3)->RotaryStopLogBut->click();
    QCOMPARE(r.w->core.table->cell(3, SensorTable::RotaryLogStatus), QString("Idle"));
    QVERIFY(r.tab(3)->RotaryStartLogBut->isEnabled());
}

QTEST_MAIN(TestLogging)
#include "tst_logging.moc"
