// The run without a window, core alone: family set-up, the port and the scan, the decoder's dispatch, user command.
#include "decode/Dispatcher.h"
#include "discovery/LogPeriods.h"
#include "discovery/Scanner.h"
#include "discovery/SensorTable.h"
#include "link/PortMenu.h"
#include "logging/LoggingEngine.h"
#include "logging/LogModel.h"
#include "params/Calibration.h"
#include "params/LevelParams.h"
#include "params/RotaryParams.h"
#include "params/SensorTools.h"
#include "support/Golden.h"
#include "support/Rig.h"

#include <QCoreApplication>
#include <QRegularExpression>
#include <QtTest>

class TestCore : public QObject
{
    Q_OBJECT
    GoldenSections kept{"core.txt"};
private slots:
    // All that each row's presses and ticks changed, as kept in tests/golden/core.txt.
    void init() { takeChanges(); }
    void cleanup() { kept.compare(takeChanges()); }
    void initTestCase() { QVERIFY(!QCoreApplication::instance()->inherits("QGuiApplication")); }
    void familySetup();
    void portBeforeScan();
    void scan_data();
    void scan();
    void scanFindsNothing();
    void scanMeasurementTimeout();
    void logPeriods();
    void dispatch();
    void userCommand();
    void pressesDuringAnExchange();
    void portFailsWhileLogging();
    void journalCannotOpen();
};

void TestCore::familySetup()
{
    for (bool rotary : {false, true}) {
        CoreRig r(rotary);
        r.c->prepare();
        for (int i = 0; i < 10; ++i) {
            const SensorFields &t = r.tab(i);
            QVERIFY(!t.CalibrateFrame.isVisible() && t.ParameterFrame.isVisible());
            QCOMPARE(t.RotaryLogPeriodCombo.count(), rotary ? 9 : 0);
            QCOMPARE(t.LogPeriodCombo.items(), QStringList{"Single Log"});
            QCOMPARE((QStringList{t.RangeText.text(), t.LevelOffsetText.text()}), (QStringList{"", "0.00"}));
            QVERIFY(!t.ClearLogBut.isEnabled() && !t.SaveLogBut.isEnabled());
        }
        QCOMPARE(r.tab(0).RotaryLogPeriodCombo.text(), QString(rotary ? "Single Log" : "Select....."));
        QCOMPARE(r.tab(0).RotaryLogPeriodCombo.itemData(8), rotary ? 900 : -1);
        for (const Control *c : {static_cast<Control *>(&r.c->win.CalibrateCheck), &r.c->win.mnuFilter,
                                 &r.c->win.mnuReset})
            QCOMPARE(c->isVisible(), !rotary);
        QCOMPARE((QList<int>{r.c->table->columnCount(), int(r.c->log(2)->headers().size())}),
                 (rotary ? QList<int>{8, 4} : QList<int>{9, 6}));
        QCOMPARE(r.c->table->headerData(8, Qt::Horizontal).toString(), QString(rotary ? "" : "Log Status"));
        const ListField &pu = r.tab(3).PressUnitsCombo;
        if (!rotary)
            QCOMPARE((QStringList{QString::number(pu.count()), QString::number(pu.itemData(8)), pu.itemText(8),
                                  QString::number(pu.itemData(10)), pu.itemText(10), pu.text()}),
                     (QStringList{"11", "12", "Inch Hg", "14", "KPa", "Select....."}));
    }
}

void TestCore::portBeforeScan()
{
    CoreRig r(false);
    r.port.failNextOpen("busy");
    r.load();
    for (int i = 0; i < 10; ++i)
        QCOMPARE(r.c->table->cell(i, 0) + '|' + r.c->table->cell(i, 8), QString(9, ' ') + QString::number(i) + '|');
    // The port did not open: the message with its reason, no scan.
    QCOMPARE(r.ui.texts(),
             QStringList{"Scan Sensors...|No sensors were found. Please check connections and addresses.\rCOM1: busy"});
    QCOMPARE(r.c->win.StatusPanel2.text(), QString("Not Connected. "));
    QVERIFY(!r.c->win.mnuCom[1].isChecked() && !r.c->win.SensorTab.isEnabled());
    QCOMPARE(r.c->win.mnuCom[1].caption(), QString("COM1 - Test port /dev/null (COM1)"));
    QVERIFY(r.c->win.mnuCom[2].isEnabled() && !r.c->win.mnuCom[3].isEnabled() && r.sent().isEmpty());
    // The first port that opens runs the scan; the choice is stored first.
    r.c->ports->mnuCom_Click(2);
    r.settle();
    QCOMPARE(r.c->win.StatusPanel2.text(), QString("Connected on Com Port 2, 1200, n, 7, 1. "));
    QVERIFY(r.sent().contains("0XUP!") && r.c->win.mnuCom[2].isChecked() && r.c->win.mnuQueryAddress.isEnabled());
    QCOMPARE(r.c->CommPort, 2);
    // A second port: the first closes, no scan.
    r.clearSent();
    r.c->ports->mnuCom_Click(1);
    QVERIFY(r.sent().isEmpty() && r.c->win.mnuCom[1].isChecked() && !r.c->win.mnuCom[2].isChecked());
    r.c->quit();
    QVERIFY(!r.port.isOpen());
}

void TestCore::scan_data()
{
    QTest::addColumn<bool>("rotary");
    QTest::addColumn<QStringList>("sent");    // to the sensor at 4
    QTest::addColumn<QStringList>("cells");   // its sensor-table row
    QTest::newRow("level probe") << false
        << QString("4XUP! 4XUT! 4XP! 4XE! 4I! 4XREV! 4XLOF! 4XRA! 4XU0! 4XANCALCV0! 4XANCALCV1! 4XMOR! 4XLOC! 4XSN! "
                   "4XF! 4M! 4D0!").split(' ')
        << QString("         4|LT510234|Compensated|9.8067|1.2345|mH2O|21.50|Centigrade|Idle").split('|');
    QTest::newRow("rotary encoder") << true << QString("4XMU! 4XCP! 4XRD! 4XPC! 4XCV! 4XSN! 4I! 4C! 4D0!").split(' ')
        << QString("         4|RQ910234|12.345|Millimetres|200|Clockwise|Idle||").split('|');
}

void TestCore::scan()
{
    QFETCH(bool, rotary);
    QFETCH(QStringList, sent);
    QFETCH(QStringList, cells);
    CoreRig r(rotary);
    rotary ? r.bus.rotarySensor(4) : r.bus.levelSensor(4);
    r.load();
    for (int i = 0; i < 10; ++i)   // nothing shown at the absent addresses
        QCOMPARE(r.c->table->present(i) ? "here" : r.c->table->cell(i, 1), QString(i == 4 ? "here" : ""));
    QCOMPARE((QList<int>{r.c->currentTab(), r.c->selectedRow(), r.ui.beeps, int(r.c->log(4)->size())}),
             (QList<int>{4, 4, 1, 1}));
    QCOMPARE(r.sent().filter(QRegularExpression("^4")), sent);
    // Every query went out with the tab busy; the tab is idle after.
    for (int k = 0; k < r.busyAtWrite.size(); ++k)
        if (r.sent()[k].startsWith('4'))
            QVERIFY2(r.busyAtWrite[k], qPrintable(r.sent()[k]));
    QVERIFY(!r.busy(4) && r.c->win.ScanBut.isEnabled() && r.c->win.SensorTabBar.isEnabled());
    for (int col = 0; col < 9; ++col)
        QCOMPARE(r.c->table->cell(4, col), cells.value(col));
    const SensorFields &t = r.tab(4);
    QVERIFY(t.ClearLogBut.isEnabled() && r.c->ReplyBeep_Flag && !r.c->SkipLocalOffset_Flag);
    QVERIFY(!r.c->win.SensorPoll.isVisible() && r.ui.messages.isEmpty());
    if (rotary) {
        QCOMPARE((QStringList{t.RotaryCountsPerRevText.text(), t.RotaryCurrentValueText.text(),
                              t.RotaryMeasurementResText.text(), QString::number(t.RotarySensorIDList.count())}),
                 (QStringList{"1024", "12.345", "0.049", "4"}));
        return;
    }
    QCOMPARE((QStringList{t.RangeText.text(), t.MaxOverRangeText.text(), t.LevelText.text(), t.SGText.text(),
                          t.ZeroCalibrationText.text(), t.SlopeCalibrationText.text(), t.SampleRateText.text(),
                          t.PressureText.text(), QString::number(t.LogPeriodCombo.count()),
                          t.LogPeriodCombo.itemText(1), r.c->win.NoOfReadingsText.text(),
                          r.c->win.ReadingIntervalText.text(), r.c->win.MaxSampleRateText.text()}),
             (QStringList{"10.0000", "12.0000", "0.0000", "1", "0.0", "1.0", "2 Seconds", "1.2345", "7", "5 Seconds",
                          "10", "1", "2"}));
    QCOMPARE(t.SensorIDList.lines(), (QStringList{"SDI Version = 1.3", "Company Name = ORVANE  ",
                                                  "Sensor Model = LT-Q5 ", "Sensor Version = 102"}));
}

void TestCore::scanFindsNothing()
{
    CoreRig r(false, 50);
    r.load();
    const QString none = "Scan Sensors...|No sensors were found. Please check connections and addresses.";
    for (int i = 0; i < 10; ++i)
        QVERIFY(!r.c->table->present(i));
    QCOMPARE(r.ui.texts(), QStringList{none});
    QCOMPARE((QList<int>{r.c->currentTab(), r.ui.beeps, int(r.sent().size())}), (QList<int>{0, 1, 10}));
    // A closed port: said once per scan, every scan, every command still logged.
    r.port.close();
    r.ui.clear();
    r.c->comms.clear();
    for (int scan = 1; scan <= 2; ++scan)
        r.press(-1, [&] { r.c->scanner->Poll_Sensors(); });
    const QStringList once{"Connection.|Unable to connect to comm port.", none};
    QCOMPARE(r.ui.texts(), once + once);
    QCOMPARE(r.c->comms.count(), 20);
    QVERIFY(r.c->win.ScanBut.isEnabled());
}

void TestCore::scanMeasurementTimeout()
{
    // The scan's measurement waits ten command timeouts, then one again, answered or not; a level probe's
    // local-offset box is set from its answer without sending it back.
    CoreRig r(false, 80);
    r.bus.levelSensor(3);
    r.bus.replies["3XLOC!"] = "31";
    r.bus.replies.remove("3M!");
    QVector<int> timeoutAtM;
    bool skipAtLoc = false;
    const auto onWrite = r.port.onWrite;
    r.port.onWrite = [&](const QByteArray &b) {
        if (b == "3M!")
            timeoutAtM << r.c->link.commandTimeout();
        if (b == "3XLOC!")
            skipAtLoc = r.c->SkipLocalOffset_Flag;
        onWrite(b);
    };
    QVector<int> progress;
    QObject::connect(r.c.get(), &Console::changed, [&](int tab, int id) {
        if (tab == r.c->win.ProgressBar1.tab() && id == r.c->win.ProgressBar1.id())
            progress << r.c->win.ProgressBar1.value();
    });
    r.load();
    QVERIFY(skipAtLoc && !r.c->SkipLocalOffset_Flag);
    QVERIFY(r.tab(3).LocalOffsetCheck.isChecked() && !r.sent().contains("3XLOC1!"));
    QCOMPARE(timeoutAtM << r.c->link.commandTimeout(), (QVector<int>{800, 80}));   // at 3M!, after the scan
    QCOMPARE(progress.mid(progress.indexOf(1)), (QVector<int>{1, 2, 3, 4, 5, 6, 7, 8, 9}));
}

void TestCore::logPeriods()
{
    // A level probe's periods are those strictly longer than its sample rate plus one second: of all those
    // below, the ones from the `first` on.
    const QStringList all = {"1 Second", "2 Seconds", "5 Seconds", "10 Seconds", "30 Seconds", "1 Minute",
                             "5 Minutes", "15 Minutes"};
    FieldSet set(nullptr, 0);
    ListField list(set, "LogPeriodCombo");
    for (const auto &[rate, first] :
         {std::pair{"4 Seconds", 3}, {"1 Second", 2}, {"0", 1}, {"-1", 0}, {"899 Seconds", 8}}) {
        FillLogPeriods(list, rate);
        QCOMPARE(QStringList{rate} + list.items(), (QStringList{rate, "Single Log"} + all.mid(first)));
        QCOMPARE(list.currentIndex(), 0);
    }
}

void TestCore::dispatch()
{
    CoreRig r(false, {0});
    Link &l = r.c->link;
    l.strSent_Command = "1I!", l.LastCommand = 10, l.ResponseState = 0;   // an answer to 0I! after 1I!: ignored
    r.port.feed("0I!013OTHER   ZZ    1\r\n");
    QCOMPARE(r.tab(0).SensorIDList.lines().value(1), QString("Company Name = ORVANE  "));
    QVERIFY(l.ResponseState == 0 && r.ui.messages.isEmpty());
    l.strSent_Command = "0I!", l.LastCommand = 115;   // an unknown code: the decoder says so
    r.port.feed("0I!0\r\n");
    QCOMPARE(r.ui.texts(), QStringList{"SDI12 Message Error.|Command response not found."});
    // An answer goes to the tab of the address asked, whichever tab is shown: first and last address alike.
    CoreRig both(false, {0, 9});
    for (const auto &[asked, shown] : {std::pair{0, 9}, {9, 0}}) {
        both.c->setCurrentTab(shown);
        const QString before = both.tab(shown).RangeText.text();
        both.bus.replies[QString("%1XRA!").arg(asked)] = QString("%1+2%1.000").arg(asked);
        both.press(asked, [&, a = asked] { both.c->level->RangeQueryBut_Click(a); });
        QCOMPARE(both.tab(asked).RangeText.text(), QString("2%1.0000").arg(asked));
        QCOMPARE(both.tab(shown).RangeText.text(), before);
    }
    // A rotary tab whose answer times out is released.
    CoreRig rot(true, {2});
    rot.bus.replies.remove("2XCP!");
    rot.c->press(2, [&] { rot.c->rotary->QueryRotaryPulleyCircumfBut_Click(2); });
    QVERIFY(rot.busy(2) && rot.settle());
    QVERIFY(!rot.busy(2) && rot.c->win.ScanBut.isEnabled());
}

void TestCore::userCommand()
{
    CoreRig r(false, {0});
    SensorTools &u = *r.c->tools;
    const auto submit = [&](const char *text) {
        r.c->press(-1, [&] { u.SubmitBut_Click(text); });
        r.settle();
    };
    // An unanswered command: no rescan question on closing.
    u.mnuUserCommand_Click();
    submit("0XZZ!");
    QCOMPARE(r.sent() << r.c->win.ReceivedText.text(), (QStringList{"0XZZ!", ""}));   // written, nothing received
    u.UserCommand_Form_Unload();
    QVERIFY(r.ui.questions.isEmpty());
    // The text goes out as typed; "maintenance" is an ordinary command.
    QVERIFY(SensorTools::isMaintenanceCode("MAINTENANCE") && !SensorTools::isMaintenanceCode("maintenance"));
    r.clearSent();
    u.mnuUserCommand_Click();
    submit("0I!");
    QCOMPARE(r.sent() << r.c->win.ReceivedText.text(), (QStringList{"0I!", "0I!013ORVANE  LT-Q5 102"}));
    QCOMPARE(r.c->UserCommandCount, 1);
    // Any line goes to the window in this mode, and nothing on the tab moves.
    r.port.feed("5XYZ\r\n");
    QCOMPARE(r.c->win.ReceivedText.text(), QString("5XYZ"));
    QCOMPARE((QList<int>{r.tab(0).SensorIDList.count(), r.c->UserCommandCount}), (QList<int>{4, 2}));
    submit("0XZZ!");   // unanswered: the last answer is not left standing as its
    QCOMPARE(r.c->win.ReceivedText.text(), QString());
    // Closing after an answer asks to rescan: No leaves things as they are, Yes rescans.
    r.ui.answers = {false};
    u.UserCommand_Form_Unload();
    QVERIFY(!r.c->link.UserCommandFlag);
    QCOMPARE(r.ui.questions,
             QStringList{"User Command.|You may have altered sensor settings. Do you wish to rescan the sensors?"});
    QCOMPARE(r.sent(), (QStringList{"0I!", "0XZZ!"}));
    u.mnuUserCommand_Click();
    submit("0I!");
    r.ui.answers = {true};
    u.UserCommand_Form_Unload();
    r.settle();
    QVERIFY(r.sent().contains("9XUP!"));
}

// Whatever a tab's control runs, pressed while an exchange is under way it
// writes nothing until that exchange is over (the rig fails on a breach).
void TestCore::pressesDuringAnExchange()
{
    for (bool rotary : {false, true}) {
        CoreRig r(rotary, {3, 5}, 25);
        for (const Console::TabOperation &op : Console::tabOperations()) {
            r.clearSent();
            r.c->press(3, [&r] { r.c->sendCommand("3I!", 10); });
            QCOMPARE(r.sent(), QStringList{"3I!"});
            r.c->click(3, op);
            QVERIFY2(r.sent().size() == 1 && r.settle(), op.control);
            QCOMPARE(r.port.violations(), QStringList());
            QVERIFY2(!r.busy(3), op.control);
        }
        // One that waited for another tab's exchange and then sent nothing (refused, or answered No) leaves its
        // tab idle too.
        r.ui.clear();
        rotary ? r.tab(3).RotaryDirectionCombo.reset() : void(r.ui.answers = {false});
        r.clearSent();
        r.c->press(5, [&r] { r.c->sendCommand("5I!", 10); });
        r.c->press(3, [&r, rotary] {
            rotary ? r.c->rotary->RotaryDirectionBut_Click(3) : r.c->calibration->ClearOffsetsBut_Click(3);
        });
        const Control &set = rotary ? static_cast<Control &>(r.tab(3).RotaryCountsPerRevBut) : r.tab(3).RangeBut;
        QVERIFY(!set.isEnabled() && r.settle() && set.isEnabled() && !r.busy(3) && r.sent() == QStringList{"5I!"});
        QCOMPARE(r.ui.texts() + r.ui.questions,
                 QStringList{rotary ? "Set Rotation Direction.|Please select the rotation direction."
                                    : "Clear Offsets.|Are you sure you wish to proceed?"});
    }
}

void TestCore::portFailsWhileLogging()
{
    // Another port chosen while logging, and it will not open: the next reading cannot be sent, so the run
    // stops there, its row says "Idle", a row with no sensor stays blank, and the user is told.
    CoreRig r(false, {3});
    r.startLogging(3, "5 Seconds");
    r.port.failNextOpen("busy");
    r.press(-1, [&] { r.c->ports->mnuCom_Click(2); });
    r.ui.clear();
    for (int i = 0; i < 5; ++i)
        r.tick();
    QVERIFY(!r.c->LogEnabled[3] && r.c->LoggingTab == 0);
    const auto status = [&](int a) { return r.c->table->cell(a, SensorTable::LevelLogStatus); };
    QCOMPARE((QStringList{status(3), status(4)}), (QStringList{"Idle", ""}));
    QCOMPARE(r.ui.texts(), QStringList{"Connection.|Unable to connect to comm port."});
}

void TestCore::journalCannotOpen()
{
    // A journal where none can be made (below a file): the run goes on in memory, says so, and offers no restore.
    QTemporaryDir dir;
    QFile file(dir.filePath("file"));
    QVERIFY(file.open(QIODevice::WriteOnly));
    CoreRig r(false, 80, dir.filePath("file/journal.sqlite"));
    r.bus.levelSensor(3);
    r.load();
    QVERIFY(!r.c->win.mnuRestore.isEnabled() && r.c->table->present(3));
    QCOMPARE(r.ui.texts().filter("Journal.").size(), 1);
    QVERIFY2(r.ui.texts().filter("Journal.").value(0).endsWith(
                 "\rReadings are kept in memory only: save them before the console ends."),
             qPrintable(r.ui.texts().join('\n')));
}

QTEST_GUILESS_MAIN(TestCore)
#include "tst_core.moc"
