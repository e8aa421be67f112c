// The run without a window, core alone: family set-up, the port and the scan, the decoder's dispatch, user command,
// the chart's cache of a log.
#include "decode/Dispatcher.h"
#include "discovery/LogPeriods.h"
#include "discovery/Scanner.h"
#include "discovery/SensorTable.h"
#include "link/PortMenu.h"
#include "logging/ChartData.h"
#include "logging/LoggingEngine.h"
#include "logging/JournalKeeper.h"
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
#include <cmath>

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
    void firstTabStopsAtClosedPort();
    void portLostWhileLogging();
    void stopOnAnotherTab();
    void rescanWhileLogging();
    void journalCannotOpen();
    void journalFullOrFailing();
    void restoreWithProgress();
    void outOfRange();
    void chartData();
    void movedRows_data();
    void movedRows();
};

void TestCore::familySetup()
{
    // Each family's lists, columns and frames on the first and last tab and the window, no sensor yet.
    for (bool rotary : {false, true}) {
        CoreRig r(rotary);
        r.c->prepare();
        noteState(*r.c, {"0:", "9:", "-1:", "table 0"});
        QCOMPARE(r.c->log(2)->headers().size(), rotary ? 4 : 6);
        QCOMPARE(r.c->table->headerData(8, Qt::Horizontal).toString(), QString(rotary ? "" : "Log Status"));
    }
}

void TestCore::portBeforeScan()
{
    // The port does not open: the message with its reason, no scan. The first port that opens runs the scan, its
    // choice stored first; a second port closes the first, no scan.
    CoreRig r(false);
    r.port.failNextOpen("busy");
    r.note("load", [&] { r.load(); });
    r.note("port 2", [&] { r.c->ports->mnuCom_Click(2); });
    QCOMPARE(r.c->CommPort, 2);
    r.note("port 1", [&] { r.c->ports->mnuCom_Click(1); });
    r.c->quit();
    QVERIFY(!r.port.isOpen());
}

void TestCore::scan_data()
{
    QTest::addColumn<bool>("rotary");
    QTest::newRow("level probe") << false;
    QTest::newRow("rotary encoder") << true;
}

void TestCore::scan()
{
    // Every query with the tab busy; what the answers fill; the tab idle after.
    QFETCH(bool, rotary);
    CoreRig r(rotary);
    rotary ? r.bus.rotarySensor(4) : r.bus.levelSensor(4);
    r.note("load", [&] { r.load(); });
}

void TestCore::scanFindsNothing()
{
    // Said once; on a closed port, said once per scan, every scan, every command still logged.
    CoreRig r(false, 50);
    r.note("load", [&] { r.load(); });
    r.port.close();
    r.ui.clear();
    r.c->comms.clear();
    for (int scan = 1; scan <= 2; ++scan)
        r.press(-1, [&] { r.c->scanner->Poll_Sensors(); });
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
    r.note("load", [&] { r.load(); });
    QVERIFY(skipAtLoc && !r.c->SkipLocalOffset_Flag);
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
    r.note("0I! answered after 1I!", [&] { r.port.feed("0I!013OTHER   ZZ    1\r\n"); });
    QCOMPARE(l.ResponseState, 0);
    l.strSent_Command = "0I!", l.LastCommand = 115;   // an unknown code: the decoder says so
    r.note("unknown code", [&] { r.port.feed("0I!0\r\n"); });
    // An answer goes to the tab of the address asked, whichever tab is shown: first and last address alike.
    CoreRig both(false, {0, 9});
    for (const auto &[asked, shown] : {std::pair{0, 9}, {9, 0}}) {
        both.c->setCurrentTab(shown);
        both.bus.replies[QString("%1XRA!").arg(asked)] = QString("%1+2%1.000").arg(asked);
        both.press(asked, [&, a = asked] { both.c->level->RangeQueryBut_Click(a); });
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
    const auto submit = [&](const char *text) { r.press(-1, [&] { u.SubmitBut_Click(text); }); };
    // An unanswered command: nothing received, no rescan question on closing.
    u.mnuUserCommand_Click();
    submit("0XZZ!");
    r.note("closed", [&] { u.UserCommand_Form_Unload(); });
    // The text goes out as typed; "maintenance" is an ordinary command.
    QVERIFY(SensorTools::isMaintenanceCode("MAINTENANCE") && !SensorTools::isMaintenanceCode("maintenance"));
    u.mnuUserCommand_Click();
    submit("0I!");
    // Any line goes to the window in this mode, and nothing on the tab moves.
    r.note("a line unasked", [&] { r.port.feed("5XYZ\r\n"); });
    submit("0XZZ!");   // unanswered: the last answer is not left standing as its
    // Closing after an answer asks to rescan: No leaves things as they are, Yes rescans.
    r.ui.answers = {false};
    r.note("closed, No", [&] { u.UserCommand_Form_Unload(); });
    QVERIFY(!r.c->link.UserCommandFlag);
    u.mnuUserCommand_Click();
    submit("0I!");
    r.ui.answers = {true};
    r.note("closed, Yes", [&] { u.UserCommand_Form_Unload(); });
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
}

void TestCore::firstTabStopsAtClosedPort()
{
    // The first tab's run (logging tab 1) stops the same way.
    CoreRig r(false, {0});
    r.startLogging(0, "5 Seconds");
    r.port.failNextOpen("busy");
    r.c->ports->mnuCom_Click(2);
    for (int i = 0; i < 5; ++i)
        r.c->logging->SecondTimer_Timer();
    QCOMPARE(r.c->LoggingTab, 0);
    QVERIFY(r.c->win.StatusLogging.text().startsWith("Logging of Sensor 0 stopped because the port is closed"));
}

void TestCore::portLostWhileLogging()
{
    // The adapter unplugged while logging: the status says so at once and a tick sends nothing. Once the same USB
    // adapter (serial number, vendor, product) is listed again, here as COM4 beside another of its make, the port
    // reopens by itself, the status names the gap and the reading due meanwhile is taken. Sensor 0: the first tab's
    // logging is resumed as any other's.
    CoreRig r(false, 80);
    const PortIdentity adapter{0, "A1B2C3", 0x0403, 0x6001, "/dev/ttyUSB0"};
    const PortIdentity other{0, "OTHER", 0x0403, 0x6001, "/dev/ttyUSB0"};   // the same make, the old path
    r.devices.identities = {{1, adapter}};
    r.bus.levelSensor(0);
    r.load();
    r.startLogging(0, "5 Seconds");
    r.c->ports->setRetryIntervalMs(60000);   // no look for the device until it is back
    r.devices = {};
    r.note("unplugged", [&] { r.port.vanish(); });
    r.tick();
    r.clock.fixed = r.clock.fixed.addSecs(42);
    r.devices = {{"USB adapter (COM2)", "USB adapter (COM4)"}, {{2, "/dev/ttyUSB0"}, {4, "/dev/ttyUSB1"}},
                 {{2, other}, {4, adapter}}};
    r.note("plugged in again", [&] {
        r.c->ports->setRetryIntervalMs(5);
        QTRY_VERIFY(r.port.isOpen());
    });
    r.tick();
    // Another port chosen while the run goes on is no gap: the status stays as it was.
    r.note("another port", [&] { r.c->ports->mnuCom_Click(2); });
}

void TestCore::stopOnAnotherTab()
{
    // Stop Log on another sensor's tab ends the run all the same: every row shown as logging goes back to idle, the
    // tab that was logging is released (here from a 999 s wait for its data), and every tab can start and move again.
    CoreRig r(false, {0, 9});   // the first and last address
    r.startLogging(0, "5 Seconds");   // the first reading: every tab's start, period and address held off
    r.bus.replies["0M!"] = "09991";
    for (int i = 0; i < 5; ++i)
        r.c->logging->SecondTimer_Timer();   // the next reading waits for its data
    QTRY_COMPARE(r.c->link.RxState, 1);
    r.note("stop on 9", [&] { r.c->logging->StopLogBut_Click(9); });
    QVERIFY(!r.busy(0) && r.tab(0).StartLogBut.isEnabled() && r.tab(7).AddrBut.isEnabled());
}

void TestCore::rescanWhileLogging()
{
    // A rescan refills the tab's period list while the run goes on: the run keeps the period it was started with.
    CoreRig r(false, {3});
    r.startLogging(3, "5 Seconds");
    r.press(-1, [&] { r.c->scanner->Poll_Sensors(); });
    r.clearSent();
    for (int i = 0; i < 5; ++i)
        r.tick();
    QCOMPARE(r.sent(), (QStringList{"3M!", "3D0!"}));
    QVERIFY(r.c->win.StatusLogging.text().startsWith("Logging Sensor 3 every 5 Seconds: "));
}

void TestCore::journalCannotOpen()
{
    // A journal where none can be made (below a file): the run goes on in memory, says so, and offers no restore.
    // A damaged one is moved aside and a new one started: said, and the run journals as before.
    QTemporaryDir dir;
    QFile file(dir.filePath("file"));
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write("not a journal") > 0);
    file.close();
    for (const char *name : {"file/journal.sqlite", "file"}) {
        CoreRig r(false, 80, dir.filePath(name));
        r.bus.levelSensor(3);
        r.load();
        const bool damaged = QString(name) == "file";
        QVERIFY(r.c->win.mnuRestore.isEnabled() == damaged && r.c->table->present(3));
        QCOMPARE(r.ui.texts().filter("Journal.").size(), 1);
        const QString said = r.ui.texts().filter("Journal.").value(0);
        static const QRegularExpression aside(" was damaged; it was moved aside as file\\.corrupt-\\d{8}-\\d{6} and a "
                                              "new journal was started\\.$");
        QVERIFY2(damaged ? aside.match(said).hasMatch() : said.endsWith("\rReadings are kept in memory only: save them before the console ends."),
                 qPrintable(said));
        QCOMPARE(r.c->journal->isOpen(), damaged);
    }
}

void TestCore::journalFullOrFailing()
{
    // At its bound the journal drops the oldest readings never saved, said once a run; one that can no longer be
    // written is said once too. The log list keeps every reading (the messages: the kept copy).
    CoreRig r(false, {3});
    Journal &j = *r.c->journal->journal();
    r.startLogging(3, "1 Second");
    j.setMaxRows(1);
    takeChanges();   // the start: another test's
    for (const QString step : {"full", "full again", "closed", "closed, cleared"}) {
        r.c->logging->SecondTimer_Timer();
        QVERIFY(r.settle());
        if (step.startsWith("full"))
            QVERIFY(j.prune());
        else
            j.close();
        r.note(step, [&] { step.endsWith("cleared") ? r.c->logging->ClearLogBut_Click(3) : r.c->logging->SecondTimer_Timer(); });
    }
}

void TestCore::restoreWithProgress()
{
    // An earlier run left five readings unsaved. Cancel when the reading starts, or once the rows are all read,
    // leaves them in the journal, as No does. Yes and no Cancel: they are placed in their lists; meanwhile Restore...
    // is off and asking again does nothing.
    QTemporaryDir dir;
    const QString path = dir.filePath("journal.sqlite");
    {
        Journal j;
        QVERIFY(j.open(path).ready());
        for (int a : {3, 5, 3, 3, 5})
            QVERIFY(j.append(0, a, LogRow{"06/12/2026", {"09:30:15", "1.5", "mH2O", "20.1", "Centigrade"}, 0}, {}));
    }
    {
        CoreRig rotary(true, 80, path);   // the rotary family's run is not offered the level probes' readings
        rotary.load();
        QVERIFY(rotary.ui.questions.isEmpty());
    }
    CoreRig r(false, 80, path);
    const QString doing = "Restore Readings.|Restoring 5 readings ... ";
    QStringList menu;
    const struct { int cancelAt; QStringList steps; } offers[] = {
        {0, {doing + "0/6", doing + "0/0"}},
        {5, {doing + "0/6", doing + "5/6", doing + "0/0"}},
        {-1, {doing + "0/6", doing + "5/6", doing + "0/0"}},
    };
    for (const auto &offer : offers) {
        r.ui.steps.clear();
        r.ui.onStep = [&](int done) {
            r.c->journal->offerRestore(true);
            menu << (r.c->win.mnuRestore.isEnabled() ? "on" : "off");
            return done != offer.cancelAt;
        };
        if (offer.cancelAt < 0)   // logged in this run before the restore: it stays on top
            r.c->levelLog(3)->insertTop(LogRow{"06/12/2026", {"09:31:00", "1.6", "mH2O", "20.2", "Centigrade"}, 0});
        offer.cancelAt == 0 ? r.load() : r.c->journal->offerRestore(true);
        QCOMPARE(r.ui.steps, offer.steps);
        QCOMPARE(r.c->levelLog(3)->size() * 10 + r.c->levelLog(5)->size(), offer.cancelAt < 0 ? 42 : 0);
        QCOMPARE(QList<bool>({r.c->tab[5]->SaveLogBut.isEnabled(), r.c->tab[5]->ClearLogBut.isEnabled()}),
                 QList<bool>(2, offer.cancelAt < 0));
    }
    QCOMPARE(r.ui.questions.size(), 3);
    QVERIFY(!menu.contains("on") && r.c->win.mnuRestore.isEnabled());
    // Placed below, with their numbers for the chart, and unsaved.
    const LogModel &log = *r.c->levelLog(3);
    const LogNumbers &n = log.rows().numbers(3);
    QCOMPARE(log.text(0, 1) + log.text(3, 1), QString("09:31:0009:30:15"));
    QCOMPARE(QList<double>({n.value[0], n.value[1], double(log.unsaved())}), QList<double>({1.5, 20.1, 4}));
    QCOMPARE(log.unitsText(0, n.units[0]) + log.unitsText(1, n.units[1]), QString("mH2OCentigrade"));
}

void TestCore::outOfRange()
{
    // No address but 0-9 and no column beyond the table's reaches the sensor table or the tab choice: nothing read,
    // changed or told, and the rows of the sensors there are untouched.
    for (bool rotary : {false, true}) {
        CoreRig r(rotary, {0, 9});
        SensorTable &t = *r.c->table;
        const int columns = t.columnCount();
        QCOMPARE(columns, rotary ? 8 : 9);
        QSignalSpy told(&t, &QAbstractItemModel::dataChanged), presence(&t, &SensorTable::presenceChanged);
        for (const auto &[a, column] : {std::pair{-1, 1}, {10, 1}, {0, -1}, {0, columns}, {9, 9}}) {
            t.setCell(a, column, "x");
            QVERIFY(t.cell(a, column).isEmpty());
        }
        for (int a : {-1, 10}) {
            t.setPresent(a, true);
            r.c->setCurrentTab(a);
            QVERIFY(!t.present(a));
        }
        QVERIFY(told.isEmpty() && presence.isEmpty());
        // Nor beyond a log's rows and columns (a rotary log has four).
        const LogModel &log = *r.c->log(9);
        for (const auto &[row, column] : {std::pair{-1, 0}, {log.size(), 0}, {0, -1}, {0, log.columnCount()}})
            QVERIFY(log.text(row, column).isEmpty());
        QCOMPARE(log.text(log.size() - 1, log.columnCount() - 1), QString(rotary ? "Millimetres" : "Centigrade"));
        QCOMPARE(t.cell(9, 0) + t.cell(9, 1), QString("         9") + (rotary ? "RQ910239" : "LT510239"));
        // A cell as shown and as a screen reader reads it; no other role.
        const QModelIndex serial = t.index(9, 1);
        for (int role : {Qt::DisplayRole, Qt::AccessibleTextRole})
            QCOMPARE(t.data(serial, role).toString(), t.cell(9, 1));
        QVERIFY(!t.data(serial, Qt::ToolTipRole).isValid() && !t.data({}, Qt::DisplayRole).isValid());
    }
}

void TestCore::chartData()
{
    const qint64 t0 = QDateTime(QDate(2026, 12, 6), QTime(9, 0)).toMSecsSinceEpoch();
    // 10,000 readings into 100 columns: each bin holds its true lowest and highest; the cache stays bounded at 100,000.
    LogStore rows;
    auto value = [](int i) { return std::sin(i * 0.37) * 100 + (i % 97 == 0 ? 500 : 0); };
    for (int i = 0; i < 10000; ++i)
        rows.insertTop(LogRow{{}, {}, t0 + i * 1000LL}, LogNumbers{{value(i), qQNaN()}, {}});
    ChartData d;
    d.rebuild(rows, 0, t0, t0 + 9999 * 1000LL, 100);
    QCOMPARE(d.segments().size(), size_t(1));
    for (const ChartData::Bin &b : d.segments()[0].bins) {
        double low = 1e9, high = -1e9;
        for (int i = 0; i < 10000; ++i)
            if (qint64(std::floor((t0 + i * 1000.0) / d.binMs())) == b.index)
                std::tie(low, high) = std::pair(std::min(low, value(i)), std::max(high, value(i)));
        QCOMPARE(std::pair(b.min.y(), b.max.y()), std::pair(low, high));
    }
    double top = -1e9, low, high;
    for (int i = 10000; i < 100000; ++i) {
        d.add(t0 + i * 1000LL, value(i), 0);
        top = std::max(top, value(i));
    }
    QVERIFY(d.binCount() <= 400 && d.range(t0, t0 + 1e9, &low, &high));
    QCOMPARE(high, top);
    // A bin that reaches into the range from either side counts (one bin a minute here).
    ChartData e;
    e.rebuild(LogStore(), 0, t0, t0 + 60000, 1);
    e.add(t0, 1, 0);
    e.add(t0 + 500, 9, 0);
    for (const auto &[from, to] : {std::pair{t0 + 500, t0 + 900}, {t0 - 900, t0}})
        QVERIFY(e.range(from, to, &low, &high) && low == 1 && high == 9);
    QVERIFY(!e.range(t0 + 600, t0 + 900, &low, &high));
    for (int minute = 1; minute < 5; ++minute)   // a fifth bin: two minutes a bin, three bins
        e.add(t0 + minute * 60000, minute, 0);
    QCOMPARE(std::pair(e.binCount(), e.binMs()), std::pair(3, 120000.0));
    QCOMPARE(ChartData::rowsBetween(rows, t0 + 10 * 1000, t0 + 20 * 1000), std::make_pair(9979, 9989));
}

void TestCore::movedRows_data()
{
    QTest::addColumn<QStringList>("there");   // the rows the list at the new address holds already
    QTest::newRow("into an empty list") << QStringList();
    QTest::newRow("behind a row there") << QStringList{"bar"};
}

void TestCore::movedRows()
{
    // A sensor moved to another address takes its readings there with their numbers and units (what the chart
    // draws), the unsaved ones still unsaved; the list it leaves is empty and measures afresh.
    QFETCH(QStringList, there);
    const QStringList headers{"Date", "Time", "Pressure", "Units", "Temperature", "Units"};
    LogModel from(headers, {2, 4}, {3, 5}), to(headers, {2, 4}, {3, 5});
    auto row = [](const QString &units, const QString &value) {
        return LogRow{"6/12/26", {"10:00:00", value, units, "x", "Centigrade"}, 7};
    };
    for (const QString &units : there)
        to.insertTop(row(units, "9"));
    to.markSaved(1);
    for (const char *units : {"mH2O", "bar", "mH2O"})
        from.insertTop(row(units, units[0] == 'b' ? "2.5" : "1.25"));
    from.markSaved(1);
    QSignalSpy reset(&from, &QAbstractItemModel::modelReset), inserted(&to, &QAbstractItemModel::rowsInserted);
    to.takeRows(from);
    QCOMPARE(std::pair(int(reset.count()), int(inserted.count())), std::pair(1, 1));
    QCOMPARE(inserted[0].mid(1), (QVariantList{int(there.size()), int(there.size()) + 2}));
    QStringList shown;
    for (int i = 0; i < to.size(); ++i) {
        const LogNumbers &n = to.rows().numbers(i);
        shown << to.text(i, 3) + "=" + to.unitsText(0, n.units[0]) + " " + QString::number(n.value[0]) +
                     (std::isnan(n.value[1]) ? " " : "?") + to.unitsText(1, n.units[1]);
    }
    const QStringList moved{"mH2O=mH2O 1.25 Centigrade", "bar=bar 2.5 Centigrade", "mH2O=mH2O 1.25 Centigrade"};
    QCOMPARE(shown, there.isEmpty() ? moved : QStringList{"bar=bar 9 Centigrade"} + moved);
    QCOMPARE(std::pair(to.unsaved(), from.unsaved()), std::pair(2, 0));
    QCOMPARE(from.size(), 0);
    from.insertTop(row("KPa", "3"));
    QCOMPARE(std::pair(from.rows().numbers(0).units[0], from.unitsText(0, 0)), std::pair(quint16(0), QString("KPa")));
    to.takeRows(to);   // onto itself: nothing moves
    QCOMPARE(to.size(), int(there.size()) + 3);
}

QTEST_GUILESS_MAIN(TestCore)
#include "tst_core.moc"
