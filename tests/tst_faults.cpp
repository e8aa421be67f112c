// Fault drills: silent, garbled, endless, slow or unfinished answers, an adapter pulled out while logging.
// The run stays responsive, releases the tab, says what happened and keeps every log row it had. No window.
#include "support/Rig.h"
#include "support/SimProcess.h"   // QElapsedTimer, QFileInfo, QProcess, QTest

#include "discovery/LogPeriods.h"
#include "discovery/SensorTable.h"
#include "link/PortDirectory.h"
#include "link/PortMenu.h"
#include "logging/LogModel.h"
#include "logging/LoggingEngine.h"
#include "params/LevelParams.h"

#include <QRegularExpression>

namespace {
// The run on the in-process simulated bus with level probes at the given addresses.
struct Drill : CoreRig {
    explicit Drill(QList<int> level, int timeoutMs = 80) : CoreRig(false, timeoutMs)
    {
        for (int a : level)
            simulator().addSensor(a, sim::Family::Level);
    }
    // `action` runs once, when the bus receives the command `text`.
    void onCommand(const QString &text, std::function<void()> action)
    {
        auto once = [text, action, done = false](const QString &e) mutable {
            if (!done && (done = e == QLatin1String("rx ") + text))
                action();
        };
        QObject::connect(simBus.get(), &sim::SimBus::event, simBus.get(), once);
    }
    // The tab takes commands again: nothing in flight, its buttons live.
    bool levelTabIdle(int a) const
    {
        return !c->link.exchangeInFlight() && c->sequencesRunning == 0 && tab(a).RangeBut.isEnabled() &&
               tab(a).RangeQueryBut.isEnabled() && c->win.ScanBut.isEnabled();
    }
    // A fresh query on tab `a` gets its answer: the run is responsive.
    bool answersRangeQuery(int a)
    {
        tab(a).RangeText.clear();
        return press(a, [this, a] { c->level->RangeQueryBut_Click(a); }) == QString::number(a) + "XRA!" &&
               tab(a).RangeText.text() == "10.0000";
    }
};

// The Range query of tab `a`, pressed, and unless `leftToRun` waited for until the run is idle.
bool queryRange(CoreRig &r, int a, bool leftToRun = false)
{
    r.c->press(a, [&r, a] { r.c->level->RangeQueryBut_Click(a); });
    return leftToRun || r.settle();
}

QStringList rowTexts(const LogModel *l)
{
    QStringList out;
    for (int r = 0; r < l->size(); ++r)
        out << l->text(r, 0) + " " + l->text(r, 1) + " " + l->text(r, 2);
    return out;
}
} // namespace

class TestFaults : public QObject
{
    Q_OBJECT
private slots:
    void silentSensors()
    {
        // Sensor 4 answers its presence query, then falls silent part way through its parameter queries; 0 is healthy.
        Drill r({0, 4});
        r.onCommand("4XP!", [&] { r.simulator().faults().silent.insert(4); });
        QElapsedTimer t;
        t.start();
        r.load();
        QVERIFY(t.elapsed() < 5000);
        Console &w = *r.c;
        QVERIFY(w.table->present(0) && w.table->present(4));   // it did answer "4!"
        // The queries stopped at the first one left unanswered.
        QVERIFY(r.sent().contains("4XP!") && !r.sent().contains("4XE!") && !r.sent().contains("4I!"));
        QVERIFY(r.levelTabIdle(4) && r.levelTabIdle(0));
        QCOMPARE(w.table->cell(0, SensorTable::SerialNo), QString("LT510230"));
        QVERIFY(r.answersRangeQuery(0));
        // A query to the silent sensor times out and releases its tab again.
        w.setCurrentTab(4);
        r.clearSent();
        QVERIFY(queryRange(r, 4));
        QCOMPARE(r.sent(), QStringList{"4XRA!"});
        QCOMPARE(w.link.ResponseState, 2);
        QVERIFY(r.levelTabIdle(4));
        // Sensor 0 logging falls silent between its start answer and its data: nothing lost, nothing invented.
        r.startLogging(0, "1 Second");
        LogModel *log = w.levelLog(0);
        for (int i = 0; i < 2; ++i)
            r.tick();
        QVERIFY(log->size() >= 3);
        const QStringList before = rowTexts(log);
        r.onCommand("0D0!", [&] { r.simulator().faults().silent.insert(0); });
        for (int i = 0; i < 4; ++i)
            r.tick();
        QCOMPARE(rowTexts(log), before);
        QVERIFY(w.LogEnabled[0] && !w.link.exchangeInFlight() && r.tab(0).StopLogBut.isEnabled());
        QCOMPARE(w.table->cell(0, SensorTable::LevelLogStatus), QString("Logging"));
        // Back on the bus: the readings carry on after the rows kept.
        r.simulator().faults().silent.clear();
        r.tick();
        QCOMPARE(log->size(), before.size() + 1);
        QCOMPARE(rowTexts(log).mid(1), before);
        w.logging->StopLogBut_Click(0);
        QVERIFY(r.levelTabIdle(0));
        QCOMPARE(w.win.StatusLogging.text(), QString("Logging of Sensor 0 stopped by the user at 09:30:15 (%1).")
                                                 .arg(LogModel::readingsText(log->size())));
    }

    void garbageBeforeAndInsideAnswers()
    {
        // Line noise between the echo and the answer is not the answer: a message, nothing filed.
        // An answer after a stray CR LF is still taken.
        CoreRig r(false, {1, 3});
        LogModel *log = r.c->levelLog(1);
        const int rows = log->size();
        const QString notRecognised = "SDI12 Message Error.|Received command not recognised.";
        const struct { QString range, data, rangeShown; int newRows; QStringList messages; } cases[] = {
            {"xyz1+12.5", "xyz1+1.2345+21.5", "", 0, {notRecognised, notRecognised}},
            {"\r\n1+12.5", "\r\n1+1.2345+21.5", "12.5000", 1, {}}};
        for (const auto &c : cases) {
            r.ui.clear();
            r.bus.replies["1XRA!"] = c.range;
            r.bus.replies["1D0!"] = c.data;
            QVERIFY(queryRange(r, 1));
            QCOMPARE(r.tab(1).RangeText.text(), c.rangeShown);
            r.tab(1).LogPeriodCombo.select(0);
            r.c->press(1, [&r] { r.c->logging->StartLogBut_Click(1); });
            QVERIFY(r.settle());
            QCOMPARE(log->size(), rows + c.newRows);
            QCOMPARE(log->text(0, 2), QString("1.2345"));
            QCOMPARE(r.ui.texts(), c.messages);
            QVERIFY(r.tab(1).RangeBut.isEnabled());
        }
        // Stray bytes inside answers: the tab is released each time, and the next good answer is read.
        const QStringList broken = {"3+1\x01.2\x7f" "3", "3XRA\x02" "10", "3+#!$%", QString(300, '9'),
                                    QString::fromLatin1("3\x00" "5", 3), QString::fromLatin1("\xff\xfe"),
                                    "3+nan+inf", "3+1e999", "3+12.5"};   // the last a good one
        for (const QString &reply : broken) {
            r.bus.replies["3XRA!"] = r.bus.replies["3D0!"] = reply;
            QVERIFY(queryRange(r, 3));
            QVERIFY2(r.tab(3).RangeBut.isEnabled(), qPrintable(reply));
            r.tab(3).LogPeriodCombo.select(-1);
            r.c->logging->StartLevelMeasurement(3);
            QVERIFY(r.settle());
            QVERIFY2(r.tab(3).RangeQueryBut.isEnabled(), qPrintable(reply));
        }
        QCOMPARE(r.tab(3).RangeText.text(), QString("12.5000"));
    }

    void endlessStreamWithoutCr()
    {
        Drill r({0}, 200);
        r.load();
        r.simulator().setStream(true);
        QElapsedTimer t;
        t.start();
        queryRange(r, 0, true);   // left to run
        QVERIFY(r.settle(10000));
        QVERIFY(t.elapsed() < 5000);   // the command timeout ends it
        QCOMPARE(r.c->link.ResponseState, 2);
        // The stream keeps coming while nothing is asked: the console stays responsive, nothing grows without bound.
        QTest::qWait(300);
        QVERIFY(r.c->link.rx().Data.size() <= Link::MaxLine && r.c->comms.count() <= 151);
        r.simulator().setStream(false);
        QTest::qWait(50);
        QVERIFY(r.levelTabIdle(0) && r.answersRangeQuery(0));
    }

    void answerInManyPiecesWithGaps()
    {
        CoreRig r(false, {5}, 600);
        Console &w = *r.c;
        r.bus.replies.remove("5XRA!");   // the echo comes at once, the answer fed below a byte at a time
        auto dribble = [&](const QByteArray &bytes, int gapMs) {
            for (char c : bytes) {
                QTest::qWait(gapMs);
                r.port.feed(QByteArray(1, c));
            }
        };
        r.clearSent();
        queryRange(r, 5, true);   // left to run
        QCOMPARE(r.sent(), QStringList{"5XRA!"});
        dribble("5+10.25\r\n", 25);
        r.settle();
        QCOMPARE(r.tab(5).RangeText.text(), QString("10.2500"));
        QCOMPARE(w.link.ResponseState, 1);
        QVERIFY(r.tab(5).RangeBut.isEnabled());
        // Gaps so long the exchange times out: the late rest is not taken for the answer to the next command.
        r.tab(5).RangeText.clear();
        queryRange(r, 5, true);   // left to run
        dribble("5+77", 150);
        QTRY_COMPARE_WITH_TIMEOUT(w.link.ResponseState, 2, 3000);
        QVERIFY(r.tab(5).RangeBut.isEnabled());
        r.port.feed(".5\r\n");
        r.settle();
        QVERIFY(r.tab(5).RangeText.text() != "77.5000");
        r.bus.replies["5XRA!"] = "5+10.5";
        QVERIFY(queryRange(r, 5));
        QCOMPARE(r.tab(5).RangeText.text(), QString("10.5000"));
    }

    void serviceRequestNeverComes()
    {
        // A 2 s measurement whose service request never comes: the scan, allowing ten command timeouts (0.8 s),
        // does not wait for it and says so; logging asks for the data once the time has passed.
        Drill r({6});
        r.simulator().setMeasurementSeconds(6, 2);
        r.simulator().faults().noServiceRequest = true;
        QElapsedTimer t;
        t.start();
        r.load();
        QVERIFY(t.elapsed() < 2000);
        Console &w = *r.c;
        QVERIFY(w.table->present(6));
        QCOMPARE(commsFind(w, "--- Sensor 6 needs 2 s for its measurement; this reading is not waited for",
                           Qt::MatchEndsWith).size(), 1);
        QCOMPARE(w.link.RxState, 0);
        QVERIFY(r.levelTabIdle(6));
        r.startLogging(6, "1 Second");
        QTRY_COMPARE_WITH_TIMEOUT(w.levelLog(6)->size(), 1, 5000);
        QVERIFY(t.elapsed() >= 2000 && w.LogEnabled[6]);
        QVERIFY(r.settle() && r.levelTabIdle(6));
    }

    void adapterUnpluggedWhileLogging_data()
    {
        // The device comes back as a new pseudo-terminal: found by its COM link, or at the same path (a system link).
        QTest::addColumn<bool>("samePath");
        QTest::newRow("port link, new path") << false;
        QTest::newRow("same path") << true;
    }
    void adapterUnpluggedWhileLogging()
    {
        // The real serial code on a pseudo-terminal; the simulator program killed (unplugged) and started again.
        QFETCH(bool, samePath);
        SimProcess first, second;
        second.runtimePath = first.runtimePath;
        const QString adapter = first.runtime.filePath("ttyADAPTER");
        auto plugIn = [&](SimProcess &sim) {
            QVERIFY(sim.start({"--com", "1", "--level", "3"}));
            QFile::remove(adapter);
            QFile::link(QFileInfo(sim.link(1)).symLinkTarget(), adapter);
        };
        plugIn(first);
        PtyCore c(false, [&] {
            return samePath ? ports::numberDevices({}, {{adapter, "USB adapter"}})
                            : ports::numberDevices(portdir::linkedPorts(first.portDir()), {});
        });
        Console &w = *c.c;
        w.prepare();
        w.start();
        w.ports->setRetryIntervalMs(300);
        QVERIFY(w.table->present(3));
        LogModel *log = w.levelLog(3);
        fillAllLogPeriods(w.tab[3]->LogPeriodCombo);
        w.tab[3]->LogPeriodCombo.select(w.tab[3]->LogPeriodCombo.findText("1 Second"));
        w.press(3, [&] { w.logging->StartLogBut_Click(3); });
        QTRY_VERIFY_WITH_TIMEOUT(log->size() >= 2, 15000);
        c.ui.clear();
        first.process.kill();
        QVERIFY(first.process.waitForFinished(3000));
        // Unplugged, the device's names go with it: the freed terminal number may go to another program at once.
        QFile::remove(adapter);
        QFile::remove(first.link(1));
        QTRY_COMPARE_WITH_TIMEOUT(w.win.StatusPanel2.text(), QString("Not Connected. "), 5000);
        QTRY_VERIFY_WITH_TIMEOUT(!w.link.exchangeInFlight(), 5000);
        const QStringList before = rowTexts(log);
        QVERIFY(before.size() >= 2);
        // Gone for a while (two retries of the port): one message, no readings, logging still on.
        QTest::qWait(700);
        QCOMPARE(c.ui.texts(), QStringList{"Connection.|The connection on COM1 was lost: the adapter or its port went "
                                           "away.\rLogging will resume by itself as soon as the adapter is back."});
        QCOMPARE(rowTexts(log), before);
        QCOMPARE(w.LoggingTab, 4);
        const QRegularExpression paused("^Logging of Sensor 3 paused at \\d\\d:\\d\\d:\\d\\d: the port was lost; it "
                                        "resumes when the adapter is back \\(" + QString::number(before.size()) +
                                        " readings\\)\\.$");
        QVERIFY2(paused.match(w.win.StatusLogging.text()).hasMatch(), qPrintable(w.win.StatusLogging.text()));
        QCOMPARE(w.table->cell(3, SensorTable::LevelLogStatus), QString("Logging"));
        // Back: logging goes on by itself, every earlier row kept below the new.
        plugIn(second);
        QTRY_VERIFY_WITH_TIMEOUT(log->size() >= before.size() + 2, 15000);
        QCOMPARE(rowTexts(log).mid(log->size() - before.size()), before);
        QCOMPARE(w.win.StatusPanel2.text(), QString("Connected on Com Port 1, 1200, n, 7, 1. "));
        QVERIFY(c.port->isOpen() && w.win.StatusLogging.text().contains(" Resumed at "));
        QCOMPARE(commsFind(w, " --- port lost", Qt::MatchContains).size(), 1);
        QCOMPARE(commsFind(w, " --- port back", Qt::MatchContains).size(), 1);
        QCOMPARE(c.ui.messages.size(), 1);
        w.logging->StopLogBut_Click(3);
        QVERIFY(w.win.StatusLogging.text().startsWith("Logging of Sensor 3 stopped by the user at "));
    }
};

QTEST_GUILESS_MAIN(TestFaults)
#include "tst_faults.moc"
