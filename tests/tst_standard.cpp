// Sensors that keep to SDI-12 v1.4 to the letter (the simulator's standard
// mode, or scripted answers): every reading arrives with its values, none
// without them is filed, service requests are lines of their own, presses
// wait their turn, CRC answers are checked.

#include "decode/Crc.h"
#include "discovery/SensorTable.h"
#include "logging/LogList.h"
#include "logging/LoggingEngine.h"
#include "params/UserCommandWindow.h"
#include "support/ConsoleRig.h"

#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRegularExpression>
#include <QtTest>

namespace {
// The commands that left the port since the last clear, and when (ms).
QVector<QPair<QString, double>> bursts(const FakeSerialPort &port)
{
    QVector<QPair<QString, double>> out;
    for (const FakeSerialPort::Call &c : port.calls())
        if (c.op == QLatin1String("tx"))
            out.push_back({QString::fromLatin1(c.data), c.atNs / 1e6});
    return out;
}

QStringList comms(const MainWindow &w)
{
    return w.core.comms.lines();
}

LogList *logOf(ConsoleRig &r, int a)
{
    return r.w->core.SensorType ? r.tab(a)->RotaryLogListView : r.tab(a)->LogListView;
}
} // namespace

class TestStandard : public QObject
{
    Q_OBJECT
private slots:
    void announcedTime_data();
    void announcedTime();
    void dataWithoutValues_data();
    void dataWithoutValues();
    void pressesWaitTheirTurn_data();
    void pressesWaitTheirTurn();
    void longMeasurement();
    void crcAnswers();
};

void TestStandard::announcedTime_data()
{
    QTest::addColumn<bool>("rotary");
    QTest::addColumn<int>("seconds");
    QTest::addColumn<QStringList>("sent");   // one reading
    QTest::newRow("aM! 0 s") << false << 0 << QStringList{"4M!", "4D0!"};
    // Asked at once, as the family's own probes want; "no data yet", then
    // again when the data are due.
    QTest::newRow("aM! 1 s") << false << 1 << QStringList{"4M!", "4D0!", "4D0!"};
    QTest::newRow("aM! 2 s") << false << 2 << QStringList{"4M!", "4D0!"};
    QTest::newRow("aC! 0 s") << true << 0 << QStringList{"4C!", "4D0!"};
    QTest::newRow("aC! 1 s") << true << 1 << QStringList{"4C!", "4D0!"};
    QTest::newRow("aC! 3 s") << true << 3 << QStringList{"4C!", "4D0!"};
}

void TestStandard::announcedTime()
{
    QFETCH(bool, rotary);
    QFETCH(int, seconds);
    QFETCH(QStringList, sent);
    // A command timeout of 150 ms: the scan waits up to 1.5 s for a reading.
    ConsoleRig r(rotary, 150, false);
    sim::SimBus &bus = r.simulator();
    bus.setStandard(true);
    bus.addSensor(4, rotary ? sim::Family::Rotary : sim::Family::Level);
    bus.setMeasurementSeconds(4, seconds);
    r.load();
    const QString value = r.w->core.table->cell(4, rotary ? SensorTable::RotaryLevel : SensorTable::Pressure);
    QCOMPARE(value.isEmpty(), seconds > 1);
    QCOMPARE(logOf(r, 4)->rowCount(), seconds > 1 ? 0 : 1);

    r.clearSent();
    const int rows = logOf(r, 4)->rowCount();
    r.startLogging(4, "Single Log");
    QVERIFY(r.settle(seconds * 1000 + 3000));
    const auto b = bursts(r.port);
    QStringList commands;
    for (const auto &x : b)
        commands << x.first;
    QCOMPARE(commands, sent);
    // The data request that got the values went no sooner than the time
    // announced after the start, and not long after.
    const double waited = b.last().second - b.first().second;
    QVERIFY2(waited >= seconds * 1000.0 && waited < seconds * 1000.0 + 1500, qPrintable(QString::number(waited)));
    LogList *log = logOf(r, 4);
    QCOMPARE(log->rowCount(), rows + 1);
    QVERIFY(!log->text(0, 2).isEmpty());
    if (!rotary)
        QVERIFY(!log->text(0, 4).isEmpty());
    QVERIFY(!r.w->core.table->cell(4, rotary ? SensorTable::RotaryLevel : SensorTable::Pressure).isEmpty());
    QVERIFY(!comms(*r.w).join('\n').contains("missed"));
    // A service request is a line of its own; the data answer is framed alone.
    const QString log2 = comms(*r.w).join('\n');
    QCOMPARE(log2.contains(QRegularExpression(" <-- 4\n")), !rotary && seconds > 0);
    QVERIFY(log2.contains(QRegularExpression(" <-- 4D0!4[+-][0-9]")));
    QVERIFY(!log2.contains(" <-- 44D0!"));
}

void TestStandard::dataWithoutValues_data()
{
    QTest::addColumn<QString>("answer");        // to every 4D0!
    QTest::addColumn<QStringList>("filed");     // pressure, temperature; empty: nothing filed
    QTest::newRow("address alone") << "4" << QStringList{};
    QTest::newRow("blanks") << "4   " << QStringList{};
    // More values than the family's two: the first ones, the whole line logged.
    QTest::newRow("four values") << "4+1.5-2.25+3.0-4.0" << QStringList{"1.5", "-2.25"};
}

void TestStandard::dataWithoutValues()
{
    QFETCH(QString, answer);
    QFETCH(QStringList, filed);
    ConsoleRig r(false, {4});
    r.bus.replies["4M!"] = "40012";   // ready in 1 s
    r.bus.replies["4D0!"] = answer;
    const QString before = r.w->core.table->cell(4, SensorTable::Pressure);
    const int rows = r.tab(4)->LogListView->rowCount();
    r.startLogging(4, "1 Second");
    QVERIFY(r.settle(4000));
    const QString log = comms(*r.w).join('\n');
    if (filed.isEmpty()) {
        // Asked once more when the data are due, then missed; nothing filed.
        QCOMPARE(r.sent(), (QStringList{"4M!", "4D0!", "4D0!"}));
        QVERIFY(log.endsWith(" --- Sensor 4 sent no values: reading missed"));
        QCOMPARE(r.tab(4)->LogListView->rowCount(), rows);
        QCOMPARE(r.w->core.table->cell(4, SensorTable::Pressure), before);
        QVERIFY(r.w->core.LogEnabled[4]);   // the next period tries again
        QVERIFY(r.tab(4)->RangeBut->isEnabled() && r.tab(4)->StopLogBut->isEnabled());
    } else {
        QCOMPARE(r.sent(), (QStringList{"4M!", "4D0!"}));
        QVERIFY(log.endsWith(" <-- 4D0!" + answer));
        QCOMPARE(r.tab(4)->LogListView->rowCount(), rows + 1);
        QCOMPARE((QStringList{r.tab(4)->LogListView->text(0, 2), r.tab(4)->LogListView->text(0, 4)}), filed);
    }
}

void TestStandard::pressesWaitTheirTurn_data()
{
    // What holds the bus when the presses are made: a reading waiting for
    // its service request, or a reading that gets no answer.
    QTest::addColumn<bool>("silent");
    QTest::addColumn<QStringList>("sent");
    QTest::newRow("measurement under way") << false
                                           << QStringList{"4M!", "4D0!", "3XRA!", "5XUT!", "3XLOF!", "4M!", "4D0!"};
    QTest::newRow("reading timing out") << true << QStringList{"4M!", "3XRA!", "5XUT!", "3XLOF!", "4M!"};
}

void TestStandard::pressesWaitTheirTurn()
{
    QFETCH(bool, silent);
    QFETCH(QStringList, sent);
    ConsoleRig r(false, 200, false);
    sim::SimBus &bus = r.simulator();
    bus.setStandard(true);
    for (int a : {3, 4, 5})
        bus.addSensor(a, sim::Family::Level);
    bus.setMeasurementSeconds(4, 0);
    r.load();
    bus.setMeasurementSeconds(4, 2);
    if (silent)
        bus.faults().silent.insert(4);
    r.startLogging(4, "1 Second");   // its first reading
    r.clearSent();
    r.ui.clear();
    r.w->core.logging->SecondTimer_Timer();   // the next: 4M! goes out
    QVERIFY(r.w->core.link.exchangeInFlight());
    for (QPushButton *b : {r.tab(3)->RangeQueryBut, r.tab(5)->TempUnitsQueryBut, r.tab(3)->LevelQueryBut})
        b->click();
    // None refused; their tabs show busy while they wait.
    QCOMPARE(r.ui.beeps, 0);
    for (int a : {3, 5})
        QVERIFY(!r.tab(a)->RangeQueryBut->isEnabled() && !r.tab(a)->PressUnitsBut->isEnabled());
    // A reading that falls due now goes after them.
    r.w->core.logging->SecondTimer_Timer();
    QVERIFY(r.settle(6000));
    QCOMPARE(r.sent(), sent);
    QVERIFY(r.port.violations().isEmpty());
    QVERIFY(r.tab(3)->RangeQueryBut->isEnabled() && r.tab(5)->RangeQueryBut->isEnabled());
    QCOMPARE(r.tab(3)->RangeText->text(), QString("10.0000"));
}

void TestStandard::longMeasurement()
{
    // 999 s is a legal measurement: waited for, with its due time in the
    // log, until Stop Log ends the wait.
    ConsoleRig r(false, {4});
    r.bus.replies["4M!"] = "49992";
    r.startLogging(4, "15 Minutes");
    QVERIFY(r.w->core.link.exchangeInFlight());
    QVERIFY(comms(*r.w).last().endsWith(" --- Sensor 4 measures for 999 s: data due at 09:46:54"));
    r.tab(4)->StopLogBut->click();
    QVERIFY(!r.w->core.link.exchangeInFlight());
    QCOMPARE(r.w->core.link.RxState, 0);
    QVERIFY(r.tab(4)->RangeQueryBut->isEnabled() && r.tab(4)->StartLogBut->isEnabled());
    QCOMPARE(r.press(r.tab(4)->RangeQueryBut), QString("4XRA!"));
}

void TestStandard::crcAnswers()
{
    ConsoleRig r(false, {4});
    UserCommandWindow *u = r.w->UserCommand;
    r.w->mnuUserCommand->trigger();
    const QByteArray good = crc::withCrc("4+3.14");
    const struct {
        const char *command, *answer, *crcText;
    } steps[] = {
        {"4MC!", "40011", ""},   // the start answer carries none
        {"4D0!", good.constData(), "CRC correct."},
        {"4D0!", "4+3.15OqZ", "CRC wrong: the answer ends in OqZ, its text gives "},
        {"4D0!", "4", "No CRC in the answer."},
        {"4M!", "40011", ""},
        {"4D0!", good.constData(), ""},   // data of a plain aM!
        {"4RC0!", good.constData(), "CRC correct."},
    };
    for (const auto &s : steps) {
        r.bus.replies[s.command] = QString::fromLatin1(s.answer);
        u->UserText->setText(s.command);
        u->SubmitBut->click();
        QVERIFY(r.settle());
        QCOMPARE(u->ReceivedText->text(), QString(s.command) + s.answer);   // whole, after the echo
        QCOMPARE(u->CrcText->text().left(int(strlen(s.crcText))), QString(s.crcText));
        QCOMPARE(u->CrcText->text().isEmpty(), !*s.crcText);
    }
    u->close();
}

QTEST_MAIN(TestStandard)
#include "tst_standard.moc"
