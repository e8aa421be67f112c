// The run's sequences on the core alone: scripted answers or the simulated bus in, bytes, fields, rows and texts out.
#include "support/Golden.h"
#include "support/Rig.h"

#include "decode/Crc.h"
#include "discovery/LogPeriods.h"
#include "discovery/Scanner.h"
#include "discovery/SensorTable.h"
#include "discovery/Settings.h"
#include "link/PortMenu.h"
#include "logging/LogModel.h"
#include "logging/LoggingEngine.h"
#include "params/BusyState.h"
#include "params/Calibration.h"
#include "params/LevelParams.h"
#include "params/SensorTools.h"

#include <QRegularExpression>
#include <QtTest>

namespace {
// Scripted sensors of one family, scanned, answering calibration and reset; the tests drive the tick.
struct Bus : CoreRig {
    explicit Bus(bool rotary = false, int a = 3, int timeoutMs = 25) : CoreRig(rotary, {a}, timeoutMs)
    {
        bus.answerAt(a, {{"XREV0!", "0"}, {"XU1,0.0!", ""}, {"XLOF0!", "+0"}, {"XANCALCV0,0.0!", ""},
                         {"XANCALCV1,1.0!", ""}, {"XLOC0!", "0"}, {"XTRIMOF0.0!", ""}, {"XTRIMON1!", ""},
                         {"XANCALON1!", ""}, {"XP1!", "1"}, {"XP0!", "0"}, {"XU0,1.0!", "0,+1.0"},
                         {"XF0,10,0001!", ",10,0001"}, {"XANCALCV0,-0.25!", ""}, {"XANCALCV1,1.25!", ""},
                         {"XANCALCV1,0!", ""}});
        c->logging->SecondTimer.stop();
        clock.sleeps.clear();
    }
    // The calibrate box ticked or cleared; it acts on its change.
    void calibrate(bool on)
    {
        c->win.CalibrateCheck.setChecked(on);
        c->calibration->CalibrateCheck_Click();
    }
};

// When each command since the last clear left the port (ms).
QList<double> sentAt(const FakeSerialPort &port)
{
    QList<double> out;
    for (const FakeSerialPort::Call &c : port.calls())
        if (c.op == QLatin1String("tx"))
            out << c.atNs / 1e6;
    return out;
}

// Stage one or the sensor reset: the Reset window's choice, the step left unanswered.
struct Steps { bool reset; int index; QString unanswered{}; };
// A press of the calibrate or set-point controls, the answer to 3D0!, the answer to its question, the range shown.
struct CalPress { void (Calibration::*press)(int); QString reading; bool yes; QString range = "10"; };
// The Filter window's menu, Query or Set; Query: the answer after the address, Set: the two fields.
struct Filter { int press; QStringList in; };
// The start command and the answers to it and to every 3D0!; the wait for the data (0 the time announced, 1 a service
// request, 2 Stop Log ends it); the pauses (empty: not looked at).
struct Reading { QString start; QStringList answers; int wait; QList<int> sleeps{}; };
} // namespace
Q_DECLARE_METATYPE(Steps)
Q_DECLARE_METATYPE(CalPress)
Q_DECLARE_METATYPE(Filter)
Q_DECLARE_METATYPE(Reading)

class TestSequences : public QObject
{
    Q_OBJECT
    GoldenSections kept{"sequences.txt"};
private slots:
    // All that each row's presses and ticks changed, as kept in tests/golden/sequences.txt.
    void init() { takeChanges(); }
    // (Real time decides how the exchanges of the first two interleave in the comms log.)
    void cleanup()
    {
        const QStringList changed = takeChanges();
        if (!QByteArrayList{"announcedTime", "pressesWaitTheirTurn"}.contains(QTest::currentTestFunction()))
            kept.compare(changed);
    }
    void calibrateMode()
    {
        Bus r;
        Console &c = *r.c;
        // Ticking the box shows every tab's calibrate frame in place of its parameters; stage two waits for stage
        // one again. Clearing it turns back, sending nothing.
        r.note("stage two on", [&] { c.busy->EnableCalibrationButtons(3); });
        r.note("calibrate ticked", [&] { r.calibrate(true); });
        r.note("calibrate cleared", [&] { r.calibrate(false); });
        // "Calibration Complete": No stays; Yes restores density correction, frames still shown, then leaves.
        r.calibrate(true);
        c.StageOne_Flag = true;
        c.busy->EnableCalibrationButtons(3);
        QList<bool> framesAtSend;
        r.port.onWrite = [&, prev = r.port.onWrite](const QByteArray &b) {
            framesAtSend << r.tab(3).CalibrateFrame.isVisible();
            prev(b);
        };
        r.ui.answers = {false, true};
        for (int i = 0; i < 2; ++i)
            r.press(3, [&] { c.calibration->CalibrationCompleteBut_Click(3); });
        QVERIFY(framesAtSend.value(0));
    }

    // Stage one and the sensor reset: fixed steps, each waiting for its answer; calibrate mode stays with its box.
    void stepSequences_data()
    {
        QTest::addColumn<Steps>("t");
        // Complete: stage two's controls on, a beep and a message.
        QTest::newRow("stage one") << Steps{false, 3};
        // No reading of its own after the density-correction answer.
        QTest::newRow("stage one, trim-off unanswered") << Steps{false, 3, "3XTRIMOF0.0!"};
        QTest::newRow("stage one, last step unanswered") << Steps{false, 3, "3XU1,0.0!"};
        for (int index : {7, -1})
            QTest::newRow(index < 0 ? "reset, no sensor chosen" : "reset, sensor absent") << Steps{true, index};
        // Every setting back to its default, then a reading.
        QTest::newRow("reset") << Steps{true, 3};
        QTest::newRow("reset, sensor 0") << Steps{true, 0};
        // A step that times out ends the sequence quietly, the tab released.
        QTest::newRow("reset, trim-on unanswered") << Steps{true, 3, "3XTRIMON1!"};
        QTest::newRow("reset, first step unanswered") << Steps{true, 3, "3XREV0!"};
    }
    void stepSequences()
    {
        QFETCH(Steps, t);
        Bus r(false, t.index == 0 ? 0 : 3);
        Console &c = *r.c;
        r.note("calibrate box", [&] { r.calibrate(!t.reset); });
        r.bus.replies.remove(t.unanswered);
        c.SkipLocalOffset_Flag = true;   // the local-offset step goes regardless
        if (t.reset)   // the Filter window's fields as a user left them: the reset sets its own
            c.tools->setFilterReadings(4), c.tools->setFilterInterval(3);
        r.press(t.reset ? -1 : 3,
                [&] { t.reset ? c.tools->ResetBut_Click(t.index) : c.calibration->StageOneBut_Click(3); });
        // A sequence complete says so as information (the kept copy holds the text, not the icon).
        if (t.unanswered.isEmpty() && t.index == 3)
            QVERIFY(r.ui.messages.size() == 1 && r.ui.messages[0].icon == Ui::Icon::Information);
    }

    // Single presses of the calibrate and set-point controls, each asking first (but Get Pressure); a reading fills
    // the field of the press: zero, slope or pressure.
    void calibrationPresses_data()
    {
        QTest::addColumn<CalPress>("t");
        using C = Calibration;
        const QString d = "3+1.25+20.0";
        // Zero: the zero offset cleared and the pressure read; on Yes its negative is sent as the new offset.
        QTest::newRow("zero") << CalPress{&C::ZeroCalibrationBut_Click, "3+0.25+20.0", true};
        QTest::newRow("zero, not at zero") << CalPress{&C::ZeroCalibrationBut_Click, "3+0.25+20.0", false};
        // A data answer with no values is asked once more, then missed.
        QTest::newRow("zero, no pressure") << CalPress{&C::ZeroCalibrationBut_Click, "3", true};
        // Slope: the span cleared to 1 and the pressure read; on Yes the range over it is sent as the new span.
        QTest::newRow("slope") << CalPress{&C::SlopeCalibrationBut_Click, "3+8+20.0", true};
        QTest::newRow("slope, full scale 0") << CalPress{&C::SlopeCalibrationBut_Click, "3+0+20.0", true};
        QTest::newRow("slope, not at full scale") << CalPress{&C::SlopeCalibrationBut_Click, "3+8+20.0", false};
        QTest::newRow("slope, no pressure") << CalPress{&C::SlopeCalibrationBut_Click, "3", true};
        QTest::newRow("slope, no range") << CalPress{&C::SlopeCalibrationBut_Click, "3+8+20.0", true, ""};
        QTest::newRow("clear offsets") << CalPress{&C::ClearOffsetsBut_Click, d, true};
        QTest::newRow("clear offsets, no") << CalPress{&C::ClearOffsetsBut_Click, d, false};
        // The set-point controls: aXSPMn! with 0 or the level offset field, then the data.
        QTest::newRow("auto zero") << CalPress{&C::AutoZeroBut_Click, d, true};
        QTest::newRow("level offset") << CalPress{&C::LevelOffsetBut_Click, d, true};
        QTest::newRow("level offset, no") << CalPress{&C::LevelOffsetBut_Click, d, false};
        QTest::newRow("pressure") << CalPress{&C::PressureBut_Click, d, true};
    }
    void calibrationPresses()
    {
        QFETCH(CalPress, t);
        Bus r;
        Calibration &cal = *r.c->calibration;
        SensorFields &f = r.tab(3);
        r.bus.replies["3D0!"] = t.reading;
        r.bus.replies["3XSPM0.0!"] = r.bus.replies["3XSPM1.5!"] = "30002";
        f.RangeText.setText(t.range);
        f.LevelOffsetText.setText("1.5");
        f.PressureText.clear();
        // Auto zero and level offset are set-parameter controls.
        r.calibrate(t.press != &Calibration::AutoZeroBut_Click && t.press != &Calibration::LevelOffsetBut_Click);
        r.ui.answers = {t.yes};
        r.press(3, [&] { (cal.*t.press)(3); });
        // A trim-off answer alone starts no reading and releases nothing: the next step follows it.
        r.press(3, [&] { cal.SendTrimOff(3); });
    }

    // The Filter window's Query and Set on its fields, for the tab shown: the readings, interval, max. sample rate
    // and the tab's sample rate shown, its logging periods those no shorter than the sample rate.
    void filter_data()
    {
        QTest::addColumn<Filter>("t");
        QTest::newRow("menu") << Filter{0, {",10,0005"}};
        QTest::newRow("query, 1 s") << Filter{1, {",05,0001"}};
        // Digits missing: a message, the field keeps its value (the scan's).
        QTest::newRow("query, digits missing") << Filter{1, {",07,00"}};
        // Single, 5 and 15 minutes: the periods longer than the sample rate.
        QTest::newRow("set 5 x 250") << Filter{2, {"5", "250"}};
        QTest::newRow("set largest") << Filter{2, {"99", "9999"}};
        QTest::newRow("set, blanks") << Filter{2, {" 0 ", "5 "}};
        // Outside the frame's two and four digits, empty or not a whole number: a message, nothing sent.
        for (const QStringList &bad : {QStringList{"", "5"}, {"x", "5"}, {"100", "5"}, {"5", "10000"}, {"1.5", "5"}})
            QTest::addRow("refused '%s' x '%s'", qPrintable(bad[0]), qPrintable(bad[1])) << Filter{2, bad};
    }
    void filter()
    {
        QFETCH(Filter, t);
        Bus r(false, 4);
        Console &c = *r.c;
        if (t.press < 2)
            r.bus.replies["4XF!"] = "4" + t.in[0];
        else {
            c.win.NoOfReadingsText.setText(t.in[0]);
            c.win.ReadingIntervalText.setText(t.in[1]);
            r.bus.fallback = [](const QString &command) {   // a set is answered with the settings as now held
                return command.startsWith("4XF0") ? "4" + command.mid(4).chopped(1) : QString();
            };
        }
        r.press(-1, [&] { t.press == 0 ? c.tools->mnuFilter_Click()
                          : t.press == 1 ? c.tools->Command1_Click() : c.tools->FilterSetingsBut_Click(); });
    }

    // The Timing window: Apply stores the fields at once, Default at the next port choice.
    void timing()
    {
        Bus r;
        Console &c = *r.c;
        const auto stored = [&] {
            const SysDataRecord s = sysdata::read(r.dir.filePath("Varno sysfile.cfg"));
            return QList<int>{s.port, s.breakMs, s.markMs, s.dataTimeoutMs, s.commandTimeoutMs};
        };
        const auto inEffect = [&] { return QList<int>{c.link.BreakTiming, c.link.MarkTiming, c.link.DataTimeout,
                                                      c.link.commandTimeout()}; };
        QCOMPARE((QStringList{c.win.BreakText.text(), c.win.MarkText.text(), c.win.DataTimeoutText.text(),
                              c.win.TimeoutText.text()}),
                 (QStringList{"1", "1", "1", "25"}));   // the settings file's
        // A command timeout outside 1..6553 ms changes nothing; the fields show the timings in effect.
        const std::pair<const char *, bool> applies[] = {{"0", false}, {"6554", false}, {"-5", false}, {"abc", false},
                                                         {"1", true},  {"6553", true},  {"1000", true}};
        for (const auto &[timeout, taken] : applies) {
            c.win.MarkText.setText("12");
            c.win.DataTimeoutText.setText("30");
            c.win.TimeoutText.setText(timeout);
            r.note(QString("apply, timeout ") + timeout, [&] { c.settings->butApply_Click(); });
            QCOMPARE(inEffect(), (taken ? QList<int>{1, 12, 30, QString(timeout).toInt()} : QList<int>{1, 1, 1, 25}));
            QCOMPARE(stored(), QList<int>{1} + inEffect());
        }
        r.note("default", [&] { c.settings->butDefault_Click(); });
        QCOMPARE(inEffect(), (QList<int>{20, 15, 200, 400}));
        QCOMPARE(stored(), (QList<int>{1, 1, 12, 30, 1000}));
        for (int port : {2, 1}) {
            r.note(QString("port %1").arg(port), [&] { c.ports->mnuCom_Click(port); });
            QCOMPARE(stored(), (QList<int>{port, 20, 15, 200, 400}));
            c.win.TimeoutText.setText("0");   // after a refused Apply the next choice stores the timings in effect
            r.note("apply, timeout 0", [&] { c.settings->butApply_Click(); });
        }
    }

    // One reading: start and data answers in; commands out, the row filed (newest at the top, the family's units
    // filled in) or missed, the fields after.
    void readings_data()
    {
        QTest::addColumn<Reading>("t");
        const QList<int> waited{1, 1, 7, 1, 1};   // break, mark, the data timeout, break, mark
        QTest::newRow("aM! 0 s") << Reading{"3M!", {"0002", "+1.234-3.5"}, 0, waited};
        QTest::newRow("aM! 1 s, one value") << Reading{"3M!", {"0011", "+7.5"}, 0, waited};
        // Two values announced, one sent: the second asked for with aD1!; none there, or no answer, the first kept.
        QTest::newRow("second value in aD1!") << Reading{"3M!", {"0012", "+7.5", "-0.5"}, 0, waited + QList{1, 1}};
        QTest::newRow("aD1! address alone") << Reading{"3M!", {"0012", "+7.5", " "}, 0};
        QTest::newRow("aD1! unanswered") << Reading{"3M!", {"0012", "+7.5"}, 0};
        // More values than the family's two: the first ones, the whole line logged.
        QTest::newRow("aM! 2 s, four values") << Reading{"3M!", {"0022", "+1.5-2.25+3.0-4.0"}, 1};
        // Set-point answers count every second: 1 s waits for the service request.
        QTest::newRow("auto zero 1 s") << Reading{"3XSPM0.0!", {"0012", "+0.0+21.5"}, 1};
        // 999 s is legal: waited for, its due time in the log, until Stop Log; the bus is free after it.
        QTest::newRow("aM! 999 s") << Reading{"3M!", {"9992", "+1.0"}, 2};
        // A start answer too short: a message, then the data request anyway.
        QTest::newRow("start answer too short") << Reading{"3M!", {"0", "+1.0+2.0"}, 0};
        // No values at the early request: measured again and waited for; still none: asked once more when the data
        // are due, then missed. The table keeps the last value and the next period retries.
        QTest::newRow("address alone") << Reading{"3M!", {"0012", ""}, 0};
        QTest::newRow("blanks") << Reading{"3M!", {"0012", "   "}, 0};
        QTest::newRow("aM! 0 s, address alone") << Reading{"3M!", {"0002", ""}, 0};   // not measured again
        // No data-timeout pause after aC!; at 0 s the address alone is asked once more, as after aM!.
        QTest::newRow("aC!") << Reading{"3C!", {"0001", "-5.0"}, 0, {1, 1, 1, 1}};
        QTest::newRow("aC! 0 s, address alone") << Reading{"3C!", {"0001", ""}, 0};
    }
    void readings()
    {
        QFETCH(Reading, t);
        const bool rotary = t.start == "3C!";
        Bus r(rotary);
        Console &c = *r.c;
        SensorFields &f = r.tab(3);
        r.bus.replies[t.start] = "3" + t.answers[0];
        r.bus.replies["3D0!"] = "3" + t.answers[1];
        if (t.answers.size() > 2)
            r.bus.replies["3D1!"] = "3" + t.answers[2];
        c.link.DataTimeout = 7;
        fillAllLogPeriods(f.periods(rotary));
        f.periods(rotary).select(1);   // every second
        c.link.ServiceRequestAddress = 5;   // the last measurement was another sensor's
        r.note("start", [&] {
            c.press(3, [&] {
                rotary ? c.logging->RotaryStartLogBut_Click(3)
                       : t.start == "3M!" ? c.logging->StartLogBut_Click(3) : c.calibration->AutoZeroBut_Click(3);
            });
            if (!t.wait)
                return;
            QTRY_COMPARE(c.link.RxState, 1);
            // The wait as the start answer set it.
            QCOMPARE((t.start == "3M!" ? c.MeasurementWait : c.SetPointWait)[3], t.wait == 2 ? 998 : 1);
            QVERIFY(r.sent() == QStringList{t.start} && c.link.exchangeInFlight() && r.busy(3));
            if (t.wait == 1)
                return r.port.feed("3\r\n");
            QVERIFY(c.comms.lines().last().endsWith(" --- Sensor 3 measures for 999 s: data due at 09:46:54"));
            c.logging->StopLogBut_Click(3);
            QVERIFY(!c.link.exchangeInFlight() && c.link.RxState == 0);
        });
        if (t.wait == 2)
            r.press(3, [&] { c.level->RangeQueryBut_Click(3); });   // the bus is free after Stop Log
        QVERIFY(t.sleeps.isEmpty() || r.clock.sleeps == t.sleeps);
        // No data at the early request: measured again, the request then once the data are due.
        const QList<double> at = sentAt(r.port);
        const bool again = t.answers[1].trimmed().isEmpty() && t.answers[0].startsWith("001");
        QVERIFY2(!again || at.value(3) - at.value(2) >= 1000.0, qPrintable(QString::number(at.value(3) - at.value(2))));
    }

    // Logging every period: each reading at its tick; while logging no tab can start another run or change address,
    // and the status bar says who logs, how often, how much and when next; Stop Log frees them all.
    void periodicTicks_data()
    {
        QTest::addColumn<bool>("rotary");
        QTest::addColumn<QString>("period");
        QTest::newRow("single log") << false << "Single Log";
        QTest::newRow("5 seconds") << false << "5 Seconds";
        QTest::newRow("rotary, 2 seconds") << true << "2 Seconds";
    }
    void periodicTicks()
    {
        QFETCH(bool, rotary);
        QFETCH(QString, period);
        Bus r(rotary);
        Console &c = *r.c;
        r.tab(3).periods(rotary).select(-1);   // no period: a message, nothing sent
        r.press(3, [&] { rotary ? c.logging->RotaryStartLogBut_Click(3) : c.logging->StartLogBut_Click(3); });
        r.startLogging(3, period);
        QVERIFY((rotary ? r.tab(3).RotaryStopLogBut : r.tab(3).StopLogBut).isEnabled());   // on all along
        const bool single = period == "Single Log";
        for (int second = 1; second <= (single ? 15 : 17); ++second)
            r.tick();
        if (single)
            return;
        r.note("stop", [&] { rotary ? c.logging->RotaryStopLogBut_Click(3) : c.logging->StopLogBut_Click(3); });
        r.tick();
    }

    void runMeanwhile()
    {
        Bus r(false, 3, 80);   // answers 40 ms late below
        Console &c = *r.c;
        r.startLogging(3, "1 Second");
        r.press(-1, [&] { c.scanner->Poll_Sensors(); });   // a scan leaves the run going
        // A reading due while another exchange is in flight goes once the bus is free, not cutting it off.
        r.bus.delayMs = 40;
        r.clearSent();
        r.note("range query, a reading due", [&] {
            c.press(3, [&] { c.level->RangeQueryBut_Click(3); });
            c.logging->SecondTimer_Timer();
            QCOMPARE(r.sent(), QStringList{"3XRA!"});
        });
        QCOMPARE(r.tab(3).RangeText.text(), QString("10.0000"));
        r.bus.delayMs = 1;
        // Clear while logging asks first (nothing saved), then empties; its buttons off until the next row.
        c.LogEnabled[7] = true;   // another sensor's run
        r.ui.answers = {false};
        r.note("clear, no", [&] { c.logging->ClearLogBut_Click(3); });
        r.note("clear, yes", [&] { c.logging->ClearLogBut_Click(3); });
        r.tick();
        r.ui.answers = {false};
        r.note("clear one, no", [&] { c.logging->ClearLogBut_Click(3); });
        r.note("stop", [&] { c.logging->StopLogBut_Click(3); });   // ends every run
    }

    // Sensors to the letter on the simulated bus.
    void announcedTime_data()
    {
        QTest::addColumn<bool>("rotary");
        QTest::addColumn<int>("seconds");
        QTest::addColumn<QStringList>("sent");   // one reading
        // aM! 1 s: asked at once, as the family's probes want; "no data yet" ended the measurement: measured again,
        // waiting for the service request.
        for (bool rotary : {false, true})
            for (int s : {0, 1, 2})
                QTest::addRow("%s %d s", rotary ? "aC!" : "aM!", s) << rotary << s
                    << QStringList{rotary ? "4C!" : "4M!", "4D0!", "4M!", "4D0!"}.mid(0, s == 1 && !rotary ? 4 : 2);
        // One value to each data command: the second asked for with aD1!.
        for (int s : {0, 2})
            QTest::addRow("aM! %d s, one value each", s) << false << s << QStringList{"4M!", "4D0!", "4D1!"};
    }
    void announcedTime()
    {
        QFETCH(bool, rotary);
        QFETCH(int, seconds);
        QFETCH(QStringList, sent);
        CoreRig r(rotary, 150);   // the scan waits up to 1.5 s for a reading
        r.simulator().setStandard(true);
        r.simulator().setOneValuePerCommand(sent.contains("4D1!"));
        r.simBus->addSensor(4, rotary ? sim::Family::Rotary : sim::Family::Level);
        r.simBus->setMeasurementSeconds(4, seconds);
        r.load();
        Console &c = *r.c;
        const int value = rotary ? int(SensorTable::RotaryLevel) : int(SensorTable::Pressure);
        QCOMPARE(c.table->cell(4, value).isEmpty(), seconds > 1);
        QVERIFY(rotary || c.table->cell(4, SensorTable::Temperature).isEmpty() == (seconds > 1));
        const int rows = c.log(4)->size();
        QCOMPARE(rows, seconds > 1 ? 0 : 1);
        r.clearSent();
        r.startLogging(4, "Single Log");
        QVERIFY(r.settle(seconds * 1000 + 3000));
        QCOMPARE(r.sent(), sent);
        // The data request that got the values went no sooner than the time announced, and not long after.
        const QList<double> at = sentAt(r.port);
        const double waited = at.last() - at.first();
        QVERIFY2(waited >= seconds * 1000.0 && waited < seconds * 1000.0 + 1500, qPrintable(QString::number(waited)));
        QCOMPARE(c.log(4)->size(), rows + 1);
        QVERIFY(!c.log(4)->text(0, 2).isEmpty() && (rotary || !c.log(4)->text(0, 4).isEmpty()));
        const QString log = c.comms.lines().join('\n');
        QVERIFY(!c.table->cell(4, value).isEmpty() && !log.contains("missed"));
        // A service request is a line of its own; the data answer is framed alone.
        QCOMPARE(log.contains(QRegularExpression(" <-- 4\n")), !rotary && seconds > 0);
        QVERIFY(log.contains(QRegularExpression(" <-- 4D0!4[+-][0-9]")) && !log.contains(" <-- 44D0!"));
    }

    void pressesWaitTheirTurn_data()
    {
        // What holds the bus at the presses: a reading awaiting its service request, or one unanswered.
        QTest::addColumn<bool>("silent");
        QTest::addColumn<QStringList>("sent");
        QTest::newRow("measurement under way")
            << false << QStringList{"4M!", "4D0!", "3XRA!", "5XUT!", "3XLOF!", "4M!", "4D0!"};
        QTest::newRow("reading timing out") << true << QStringList{"4M!", "3XRA!", "5XUT!", "3XLOF!", "4M!"};
    }
    void pressesWaitTheirTurn()
    {
        QFETCH(bool, silent);
        QFETCH(QStringList, sent);
        CoreRig r(false, 200);
        sim::SimBus &bus = r.simulator();
        bus.setStandard(true);
        for (int a : {3, 4, 5})
            bus.addSensor(a, sim::Family::Level);
        bus.setMeasurementSeconds(4, 0);
        r.load();
        Console &c = *r.c;
        bus.setMeasurementSeconds(4, 2);
        if (silent)
            bus.faults().silent.insert(4);
        r.startLogging(4, "1 Second");   // its first reading
        r.clearSent();
        r.ui.clear();
        c.logging->SecondTimer_Timer();   // the next: 4M! goes out
        QVERIFY(c.link.exchangeInFlight());
        c.press(3, [&] { c.level->RangeQueryBut_Click(3); });
        c.press(5, [&] { c.level->TempUnitsQueryBut_Click(5); });
        c.press(3, [&] { c.level->LevelQueryBut_Click(3); });
        // None refused; their tabs show busy while they wait.
        QVERIFY(r.ui.beeps == 0 && r.sent() == QStringList{"4M!"});
        for (int a : {3, 5})
            QVERIFY(r.busy(a) && !r.tab(a).RangeQueryBut.isEnabled() && !r.tab(a).PressUnitsBut.isEnabled());
        QStringList tab3;   // tab 3 at each write: busy until its last press is done
        r.port.onWrite = [&, inner = r.port.onWrite](const QByteArray &b) { tab3 << (r.busy(3) ? "busy" : "idle"); inner(b); };
        c.logging->SecondTimer_Timer();   // a reading due now goes after them
        QVERIFY(r.settle(6000));
        QCOMPARE(r.sent(), sent);
        QStringList expected;
        for (int i = 1; i < sent.size(); ++i)
            expected << (i <= sent.indexOf("3XLOF!") ? "busy" : "idle");
        QCOMPARE(tab3, expected);
        QVERIFY(r.port.violations().isEmpty());
        QVERIFY(r.tab(3).RangeQueryBut.isEnabled() && r.tab(5).RangeQueryBut.isEnabled());
        QCOMPARE(r.tab(3).RangeText.text(), QString("10.0000"));
    }

    // The User Command window: each answer shown whole after the echo, its CRC checked where asked for.
    void crcAnswers()
    {
        Bus r(false, 4);
        Console &c = *r.c;
        c.tools->mnuUserCommand_Click();
        const QByteArray good = crc::withCrc("4+3.14");
        const struct { const char *command, *answer; } steps[] = {
            {"4MC!", "40011"},   // the start answer carries no CRC
            {"4D0!", good.constData()},
            {"4D0!", "4+3.15OqZ"},   // a CRC that does not fit the text: both named
            {"4D0!", "4"},           // none where one was asked for
            {"4M!", "40011"},
            {"4D0!", good.constData()},   // data of a plain aM!: not looked at
            {"4RC0!", good.constData()},
        };
        for (const auto &s : steps) {
            r.bus.replies[s.command] = QString::fromLatin1(s.answer);
            r.press(-1, [&] { c.tools->SubmitBut_Click(s.command); });
        }
        r.press(-1, [&] { c.tools->SubmitBut_Click(QString()); });   // nothing to send
    }
};

QTEST_GUILESS_MAIN(TestSequences)
#include "tst_sequences.moc"
