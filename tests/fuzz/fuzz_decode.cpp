// libFuzzer target: what users and sensors feed the console. An input is a
// short program of user actions (a command and its answer, a control
// pressed, a scan, a calibration or reset sequence, a logging run, the
// exports and the report, the settings file, an address change), each
// followed by the answers its commands get from the bus. Nothing may crash,
// hang, read out of bounds, break the one-exchange-at-a-time rule of the
// bus, or grow without bound.
//
// Input
//   byte 0, the set-up:
//     bit 0     rotary family (else level probe)
//     bit 1     each answer comes after the echo of its command, as the
//               SDI-12 interface gives it (else the input carries the echo)
//     bit 2     received bytes go through the real port's decoding
//     bit 3     ... with parity marks (FF 00 c reads '?', FF FF reads 7F)
//     bit 4     every question is answered Yes (else No)
//     bits 5-6  command timeout 1-4 ms
//     bit 7     every save dialog is cancelled
//   then records, up to the end:
//     00-EF n   a chunk of the n bytes that follow (any byte value)
//     F0-FF     action (low nibble) with two parameter bytes p and q
// Each command the console writes during an action is answered by the next
// chunk of that action; with none left it goes unanswered and times out.
// A sensor awaited for its service request gets the next chunk, or sends
// the request itself when there is none. Chunks no command took arrive
// unasked after the action.
#include "app/MainWindow.h"
#include "app/SensorTabWidget.h"
#include "app/Widgets.h"
#include "discovery/AddressOps.h"
#include "discovery/LogPeriods.h"
#include "discovery/Scanner.h"
#include "discovery/SensorTable.h"
#include "discovery/Settings.h"
#include "discovery/SysData.h"
#include "discovery/TimingWindow.h"
#include "link/FakeSerialPort.h"
#include "link/HardwarePort.h"
#include "link/PortMenu.h"
#include "logging/LogExport.h"
#include "logging/LogList.h"
#include "logging/LoggingEngine.h"
#include "logging/ParameterReport.h"
#include "params/BusyState.h"
#include "params/Calibration.h"
#include "params/FilterWindow.h"
#include "params/LevelParams.h"
#include "params/ResetWindow.h"
#include "params/SensorTools.h"
#include "params/UserCommandWindow.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QMenuBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <QTreeWidget>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <memory>
#include <vector>

namespace {

[[noreturn]] void fault(const char *what, long long value = 0)
{
    std::fprintf(stderr, "fuzz_decode: %s (%lld)\n", what, value);
    std::abort();
}

struct QuietUi : Ui {
    bool yes = false;
    bool cancel = false;
    QString saveAs;        // the name the save dialogs return
    int filterIndex = 1;
    void message(Icon, const QString &, const QString &) override {}
    bool askYesNo(const QString &, const QString &) override { return yes; }
    void beep() override {}
    SaveChoice saveFile(const SaveDialog &) override
    {
        if (cancel)
            return {};
        return {true, saveAs, filterIndex};
    }
};

struct NoSleep : Clock {
    void sleepMs(int) override {}
};

// The serial port double, with the received bytes optionally taken through
// the decoding the real port applies to what the system hands it.
struct FuzzPort : FakeSerialPort {
    bool decode = false;
    bool parityMarks = false;
    QByteArray raw;    // taken from the system, not decoded yet (a cut mark)
    qint64 delivered = 0;

    void receive(const QByteArray &bytes)
    {
        delivered += bytes.size();
        if (!decode) {
            arrive(bytes);
            return;
        }
        // Read in two pieces, as the system may hand them over: a mark can
        // be cut between them.
        QByteArray out;
        raw += bytes.left(bytes.size() / 2);
        decodeReceived(raw, out, parityMarks);
        raw += bytes.mid(bytes.size() / 2);
        decodeReceived(raw, out, parityMarks);
        if (!out.isEmpty())
            arrive(out);
    }
    void clearInput() override
    {
        raw.clear();
        FakeSerialPort::clearInput();
    }
};

struct Command {
    int code;
    const char *text;   // with 'a' for the address
};
const Command kCommands[] = {
    {0, "?!"},          {1, "aA5!"},        {2, "aXUP!"},        {3, "aXUP12!"},     {4, "aXUT!"},
    {5, "aXUT1!"},      {6, "aXP!"},        {7, "aXP1!"},        {8, "aXE!"},        {9, "aXE9.8!"},
    {10, "aI!"},        {11, "aM!"},        {12, "aD0!"},        {13, "aXRA!"},      {14, "aXRA+1!"},
    {15, "aXMOR!"},     {16, "aXMOR2!"},    {17, "aXREV!"},      {18, "aXREV1!"},    {19, "aXLOF!"},
    {20, "aXLOF-1!"},   {21, "aXLOC!"},     {22, "aXLOC1!"},     {23, "aXUNLK!"},    {24, "aXUNLK1!"},
    {25, "aXSN!"},      {26, "aXF!"},       {27, "aXF0,10,0001!"}, {28, "aXSPM0.0!"}, {29, "aXU0,1.0!"},
    {30, "aXU0!"},      {31, "aXSPM1.5!"},  {32, "aXTRIMOF0.0!"}, {33, "aXTRIMON1!"}, {34, "aXANCALCV0,0.0!"},
    {35, "aXANCALCV1,1.0!"}, {36, "aXU1,0.0!"}, {37, "aXANCALCV0!"}, {38, "aXANCALCV1!"}, {39, "aXANCALON1!"},
    {101, "aA5!"},      {102, "aXMU!"},     {103, "aXMU2!"},     {104, "aXCP!"},     {105, "aXCP200!"},
    {106, "aXRD!"},     {107, "aXRD1!"},    {108, "aXPC!"},      {109, "aXPC1024!"}, {110, "aXCV!"},
    {111, "aXCV+5!"},   {112, "aI!"},       {113, "aXSN!"},      {114, "aXZE!"},     {116, "aC!"},
    {117, "aD0!"},      {115, "aI!"},
};
constexpr int kCommandCount = sizeof kCommands / sizeof kCommands[0];

// What a user types into the entry fields before pressing a control.
const char *const kTyped[] = {"", "1.5", "-2", "+12.5", "0", "abc", "99999999", "1e5", "0.0001", "-0.25,3"};
constexpr int kTypedCount = sizeof kTyped / sizeof kTyped[0];

enum ActionKind {
    Noise = -1,      // chunks before the first action: they arrive unasked
    Decode = 0,      // p: command; q: address (q % 10), flags (q / 10)
    Press,           // p: control of the tab; q: tab (q % 10), typed text (q / 10)
    Scan,
    Calibrate,       // p: operation; q: address
    Logging,         // p: period, sample rate, port loss; q: tab (q % 10), ticks (q / 10)
    Export,          // p: save name; q: tab
    SettingsFile,    // first chunk: the file; p: how it is read and applied; q: typed timing
    Address,         // p: new address / query; q: address (q % 10), others present (q / 10)
    Filter,          // p: readings; q: interval (and query or set)
    SelectTab,       // q: tab
    UserCommand,     // first chunk: the text
    ActionKinds
};

struct Action {
    int kind = Noise;
    quint8 p = 0, q = 0;
    std::deque<QByteArray> chunks;
};
constexpr int kMaxActions = 8;

struct Console {
    FuzzPort port;
    QuietUi ui;
    NoSleep clock;
    QString settingsPath;
    std::unique_ptr<MainWindow> w;
    explicit Console(bool rotary, const QString &folder)
    {
        settingsPath = folder + QStringLiteral("/Varno sysfile.cfg");
        MainWindow::Platform p;
        p.ui = &ui;
        p.clock = &clock;
        p.port = &port;
        p.settingsPath = settingsPath;   // journal, window state, user settings: none
        p.catalogue = [] { return PortCatalogue{}; };
        w = std::make_unique<MainWindow>(p);
        if (rotary)
            w->setRotaryEncoderSensorType();
        port.failNextOpen(QStringLiteral("not yet"));   // no scan at load
        w->Form_Load();
        w->ScanOnConnect = 0;
        // Nothing is shown or painted: the widgets' state is what counts,
        // and showing a tab page or a window, or measuring the menu bar at
        // every busy and idle change, costs more than the rest of an input.
        w->hide();
        w->menuBar()->hide();
        for (QWidget *window : QApplication::topLevelWidgets())
            window->setUpdatesEnabled(false);
        // The harness ticks the logging clock itself.
        w->logging->SecondTimer.stop();
        w->ClockTimer->stop();
        port.exchangePending = [this] { return w->link.exchangeInFlight(); };
    }
};

// Everything one input works with.
struct Run {
    Console *c = nullptr;
    std::deque<QByteArray> *chunks = nullptr;   // the current action's
    bool echo = false;
    QElapsedTimer sinceWrite;
    QElapsedTimer sinceDelivery;
    int ticks = 0;
    int commandTimeout = 1;
};
Run run;

// Break and mark cost nothing here; the command timeout is a few
// milliseconds.
void fastTimings(Link &link)
{
    link.BreakTiming = link.MarkTiming = 0;
    link.DataTimeout = 1;
    link.setCommandTimeout(run.commandTimeout);
}

QTemporaryDir &temporary()
{
    static QTemporaryDir dir;
    return dir;
}

QString outFolder()
{
    return temporary().path() + QStringLiteral("/out");
}

void deliverNext(const QByteArray &prefix)
{
    QByteArray bytes = prefix;
    if (run.chunks && !run.chunks->empty()) {
        bytes += run.chunks->front();
        run.chunks->pop_front();
    } else if (prefix.isEmpty()) {
        return;
    }
    run.sinceDelivery.restart();
    run.c->port.receive(bytes);
}

// The bus side: every command written takes the next chunk as its answer.
void onWrite(const QByteArray &burst)
{
    run.sinceWrite.restart();
    if (!run.chunks || run.chunks->empty())
        return;   // nobody answers: the command times out
    deliverNext(run.echo ? burst : QByteArray());
}

// Runs while an input is processed: a sensor awaited for its service request
// sends it (from the input if there is any left, else the right one); a wait
// that can only end by the announced measurement time is given up (a logging
// run stopped), so that no input waits for seconds.
void watchdog()
{
    Console &c = *run.c;
    Link &link = c.w->link;
    if (!c.port.isOpen())
        return;
    if (link.RxState == 1 && run.sinceDelivery.elapsed() >= 2) {
        if (run.chunks && !run.chunks->empty()) {
            deliverNext({});
        } else {
            run.sinceDelivery.restart();
            c.port.receive(QByteArray(1, static_cast<char>('0' + link.ServiceRequestAddress)) + "\r\n");
        }
    }
    // The longest command timeout is the scan's measurement step: 10 x 4 ms.
    if (link.exchangeInFlight() && run.sinceWrite.elapsed() > 60)
        link.abandonServiceRequest();
}

QTimer &watchdogTimer()
{
    static QTimer *t = [] {
        auto *timer = new QTimer;
        timer->setInterval(1);
        QObject::connect(timer, &QTimer::timeout, [] { watchdog(); });
        return timer;
    }();
    return *t;
}

// Lets the exchange under way and whatever it started run out.
void settle()
{
    MainWindow &w = *run.c->w;
    QElapsedTimer t;
    t.start();
    int quiet = 0;
    while (t.elapsed() < 500) {
        if (w.link.exchangeInFlight() || w.sequencesRunning > 0) {
            quiet = 0;
            QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
        } else {
            QCoreApplication::processEvents(QEventLoop::AllEvents);
            if (++quiet >= 3)
                return;
        }
    }
    fault("an exchange did not settle", t.elapsed());
}

// Chunks no command took arrive unasked, one after another.
void leftovers()
{
    while (run.chunks && !run.chunks->empty()) {
        deliverNext({});
        settle();
    }
}

Console *console(bool rotary)
{
    static int argc = 1;
    static char arg0[] = "fuzz_decode";
    static char *argv[] = {arg0, nullptr};
    static QApplication *app = [] {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        auto *a = new QApplication(argc, argv);
        if (!temporary().isValid())
            fault("no temporary folder");
        QDir().mkpath(temporary().path() + QStringLiteral("/level"));
        QDir().mkpath(temporary().path() + QStringLiteral("/rotary"));
        QDir().mkpath(outFolder());
        return a;
    }();
    (void)app;
    // Never destroyed: the windows must not outlive Qt's own statics at exit.
    static Console *level = new Console(false, temporary().path() + QStringLiteral("/level"));
    static Console *rot = new Console(true, temporary().path() + QStringLiteral("/rotary"));
    return rotary ? rot : level;
}

// --- actions

void decodeAction(Console &c, const Action &a)
{
    MainWindow &w = *c.w;
    const Command &cmd = kCommands[a.p % kCommandCount];
    const int address = a.q % 10;
    const int flags = a.q / 10;
    QString text = QString::fromLatin1(cmd.text);
    if (text.startsWith(QLatin1Char('a')))
        text[0] = QLatin1Char(static_cast<char>('0' + address));
    w.Calibrate_Flag = flags & 1;
    w.SkipLocalOffset_Flag = flags & 2;
    w.UpdateReadings_Flag = flags & 4;
    w.link.UserCommandFlag = flags & 8;
    w.link.ServiceRequestAddress = address;
    w.sendCommand(text, cmd.code);
}

void pressAction(Console &c, const Action &a)
{
    MainWindow &w = *c.w;
    const int i = a.q % 10;
    SensorTabWidget *t = w.tab[static_cast<size_t>(i)];
    w.table->setPresent(i, true);
    w.SensorTab->setCurrentIndex(i);
    if (a.q / 10 != 0) {
        // The user fills in the fields and picks list entries first.
        const QString typed = QString::fromLatin1(kTyped[(a.q / 10) % kTypedCount]);
        for (QLineEdit *e : t->findChildren<QLineEdit *>())
            if (!e->isReadOnly() && e->isEnabled())
                e->setText(typed);
        for (QComboBox *box : t->findChildren<QComboBox *>())
            if (box->count() > 0 && box->isEnabled())
                box->setCurrentIndex((a.q / 10) % box->count());
    }
    std::vector<QAbstractButton *> buttons;
    for (QAbstractButton *b : t->findChildren<QAbstractButton *>())
        if (!b->objectName().isEmpty() && b->isVisibleTo(t))
            buttons.push_back(b);
    if (buttons.empty())
        return;
    std::sort(buttons.begin(), buttons.end(),
              [](const QAbstractButton *x, const QAbstractButton *y) { return x->objectName() < y->objectName(); });
    buttons[a.p % buttons.size()]->click();
}

void calibrateAction(Console &c, const Action &a)
{
    MainWindow &w = *c.w;
    if (w.SensorType)
        return;   // level probes only
    const int i = a.q % 10;
    Calibration &cal = *w.calibration;
    w.table->setPresent(i, true);
    w.SensorTab->setCurrentIndex(i);
    if (a.p & 0x80)
        w.CalibrateCheck->setChecked(true);
    switch ((a.p & 0x7F) % 11) {
    case 0: cal.StageOneBut_Click(i); break;
    case 1: cal.ResetSensor(i); break;
    case 2: cal.ZeroCalibrationBut_Click(i); break;
    case 3: cal.SlopeCalibrationBut_Click(i); break;
    case 4: cal.PressureBut_Click(i); break;
    case 5: cal.CalibrationCompleteBut_Click(i); break;
    case 6: cal.ClearOffsetsBut_Click(i); break;
    case 7: cal.AutoZeroBut_Click(i); break;
    case 8: cal.LevelOffsetBut_Click(i); break;
    case 9: w.CalibrateCheck->setChecked(!w.CalibrateCheck->isChecked()); break;
    default:
        // The Reset window, which checks that the sensor is there.
        w.table->setPresent(i, a.p & 0x40);
        w.Reset->SensorCombo->setCurrentIndex(i);
        w.tools->ResetBut_Click();
        break;
    }
}

void loggingAction(Console &c, const Action &a)
{
    MainWindow &w = *c.w;
    const int i = a.q % 10;
    const int ticks = a.q / 10;
    SensorTabWidget *t = w.tab[static_cast<size_t>(i)];
    QComboBox *period = w.SensorType ? t->RotaryLogPeriodCombo : t->LogPeriodCombo;
    static const char *const rates[] = {nullptr, "-1", "0", "0.4", "1", "4", "29", "899"};
    if (!w.SensorType && rates[(a.p >> 4) & 7])
        FillLogPeriods(period, QString::fromLatin1(rates[(a.p >> 4) & 7]));
    if (period->count() > 0)
        period->setCurrentIndex((a.p & 0x0F) % (period->count() + 1) - 1);   // -1: nothing selected
    w.table->setPresent(i, true);
    w.SensorTab->setCurrentIndex(i);
    if (w.SensorType)
        w.logging->RotaryStartLogBut_Click(i);
    else
        w.logging->StartLogBut_Click(i);
    settle();
    for (int k = 0; k < ticks; ++k) {
        if ((a.p & 0x80) && k == 1)
            c.port.vanish();   // the adapter goes away and comes back two ticks later
        if ((a.p & 0x80) && k == 3 && !c.port.isOpen() && c.port.open()) {
            w.ports->stopReopening();
            w.logging->portBack();
        }
        ++run.ticks;
        w.logging->SecondTimer_Timer();
        settle();
    }
    if (w.SensorType)
        w.logging->RotaryStopLogBut_Click(i);
    else
        w.logging->StopLogBut_Click(i);
}

void exportAction(Console &c, const Action &a)
{
    MainWindow &w = *c.w;
    const int i = a.q % 10;
    w.SensorTab->setCurrentIndex(i);
    const QString out = outFolder();
    static const char *const names[] = {"log", "run.data.xls", "sub.dir/none", "Log.CSV"};
    const QString chosen = out + QLatin1Char('/') + QString::fromLatin1(names[a.p % 4]);
    if (a.p % 4 == 3) {
        // A file the dialog confirmed replacing, and one under the save name.
        for (const char *n : {"Log.CSV", "Log.xls", "Log.xlsx", "Log.csv"}) {
            QFile f(out + QLatin1Char('/') + QString::fromLatin1(n));
            if (f.open(QIODevice::WriteOnly))
                f.write("old\n");
        }
    }
    c.ui.saveAs = chosen;
    for (int filter : {1, 2, 3, 4}) {
        if (filter == 4 && !(a.p & 4))
            break;   // a filter the dialog does not offer, now and then
        c.ui.filterIndex = filter;
        w.exporter->SaveLogBut_Click(i);
    }
    c.ui.saveAs = out + QLatin1Char('/') + QString::fromLatin1((a.p & 8) ? "sub.dir/report.txt" : "report.txt");
    w.report->mnuSaveAs_Click();
}

void settingsAction(Console &c, Action &a)
{
    MainWindow &w = *c.w;
    if (a.p & 1) {
        QFile::remove(c.settingsPath);
    } else {
        QFile f(c.settingsPath);
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
            fault("settings file not writable");
        if (!a.chunks.empty()) {
            f.write(a.chunks.front());
            a.chunks.pop_front();
        }
    }
    if (a.p & 2)
        c.port.failNextOpen(QStringLiteral("Device or resource busy"));
    // The first opening scans, with the timings just read: only where they
    // are short, so that the input stays quick.
    w.ScanOnConnect = (a.p & 4) && sysdata::withDefaults(sysdata::read(c.settingsPath)).commandTimeoutMs <= 4;
    w.settings->ReadSysData();
    settle();
    if (a.p & 8) {
        const QString typed = QString::fromLatin1(kTyped[a.q % kTypedCount]);
        QLineEdit *fields[] = {w.Timing->BreakText, w.Timing->MarkText, w.Timing->DataTimeoutText,
                               w.Timing->TimeoutText};
        fields[(a.q / kTypedCount) % 4]->setText(typed);
        w.settings->butApply_Click();
    }
    if (a.p & 16)
        w.settings->butDefault_Click();
    w.ScanOnConnect = 0;
    fastTimings(w.link);   // whatever the file said: inputs stay quick
}

void addressAction(Console &c, const Action &a)
{
    MainWindow &w = *c.w;
    const int i = a.q % 10;
    const int others = a.q / 10;
    const int n = a.p % 12;   // 10: nothing chosen; 11: query the address
    if (n < 10)
        w.table->setPresent(n, others & 1);
    w.table->setPresent(i, true);
    if (others & 2)
        w.table->setPresent((i + 1) % 10, true);
    w.SensorTab->setCurrentIndex(i);
    if (n == 11) {
        w.address->mnuQueryAddress_Click();
        return;
    }
    QComboBox *box = w.SensorType ? w.tab[static_cast<size_t>(i)]->RotaryAddressCombo
                                  : w.tab[static_cast<size_t>(i)]->AddressCombo;
    box->setCurrentIndex(n < 10 ? n : -1);
    if (w.SensorType)
        w.address->RotaryAddrBut_Click(i);
    else
        w.address->AddrBut_Click(i);
}

void filterAction(Console &c, const Action &a)
{
    MainWindow &w = *c.w;
    const int i = w.currentTab();
    w.Filter->NoOfReadingsText->setText(QString::number(a.p % 128 - 10));
    w.Filter->ReadingIntervalText->setText((a.q & 1) ? QString::number(a.q * 41) : QString::fromLatin1(kTyped[a.q % kTypedCount]));
    if (a.p & 0x80)
        w.level->FilterQuery(i);
    else
        w.level->FilterSet(i);
}

void userCommandAction(Console &c, Action &a)
{
    MainWindow &w = *c.w;
    QString text;
    if (!a.chunks.empty()) {
        text = QString::fromLatin1(a.chunks.front());
        a.chunks.pop_front();
    }
    if (text == QLatin1String("MAINTENANCE"))
        return;   // opens the modal Timing window
    w.tools->mnuUserCommand_Click();
    w.tools->SubmitBut_Click(text);
    settle();
    leftovers();
    w.tools->UserCommand_Form_Unload();
}

void runAction(Console &c, Action &a)
{
    run.chunks = &a.chunks;
    switch (a.kind) {
    case Decode: decodeAction(c, a); break;
    case Press: pressAction(c, a); break;
    case Scan: c.w->scanner->Poll_Sensors(); break;
    case Calibrate: calibrateAction(c, a); break;
    case Logging: loggingAction(c, a); break;
    case Export: exportAction(c, a); break;
    case SettingsFile: settingsAction(c, a); break;
    case Address: addressAction(c, a); break;
    case Filter: filterAction(c, a); break;
    case SelectTab: c.w->SensorTab->setCurrentIndex(a.q % 10); break;
    case UserCommand: userCommandAction(c, a); break;
    default: break;
    }
    settle();
    leftovers();
    run.chunks = nullptr;
}

// --- between inputs

// Every list that grows with what arrives stays within a bound proportional
// to the input: a list that grows by itself is a leak, not a long input.
void checkBounds(Console &c, size_t size)
{
    MainWindow &w = *c.w;
    const long long n = static_cast<long long>(size);
    if (w.link.rx().Data.size() > Link::MaxLine || w.link.rx().Text.size() > Link::MaxLine)
        fault("receive record beyond a line", w.link.rx().Data.size());
    long long idLines = 0, rows = 0;
    for (SensorTabWidget *t : w.tab) {
        idLines += t->SensorIDList->count() + t->RotarySensorIDList->count();
        rows += t->LogListView->rowCount() + t->RotaryLogListView->rowCount();
        if (t->LogListView->logModel()->unsaved() > t->LogListView->rowCount() ||
            t->RotaryLogListView->logModel()->unsaved() > t->RotaryLogListView->rowCount())
            fault("more unsaved readings than rows");
    }
    // An identification answer adds four lines and takes at least three
    // bytes of input; a data answer adds one row and takes as many.
    if (idLines > 2 * n)
        fault("identification lines beyond the input", idLines);
    if (rows > n)
        fault("log rows beyond the input", rows);
    // A command line each command sent (at most one per answer, a timeout
    // or a logging tick), a line each line feed received, a note each port
    // loss.
    const long long comms = w.CommsList->count();
    if (comms > 4 * n + 8 * run.ticks + 64)
        fault("comms log beyond the input", comms);
    long long reads = 0;
    for (const FakeSerialPort::Call &call : c.port.calls())
        if (call.op == QLatin1String("read"))
            ++reads;
    if (reads > c.port.delivered)
        fault("more bytes read than received", reads);
    if (!c.port.violations().isEmpty()) {
        std::fprintf(stderr, "%s\n", qPrintable(c.port.violations().join(QLatin1Char('\n'))));
        fault("bus rule broken", c.port.violations().size());
    }
    if (w.link.overlapCount() != 0)
        fault("a command written while another exchange was pending", w.link.overlapCount());
}

void resetConsole(Console &c, quint8 setup)
{
    MainWindow &w = *c.w;
    Link &link = w.link;
    if (w.LoggingTab != 0)
        w.logging->stopAll(QString());
    link.abandonServiceRequest();
    if (!c.port.isOpen())
        c.port.open();
    link.FlushInput();
    link.ResponseState = Link::Waiting;
    link.UserCommandFlag = false;
    link.strSent_Command.clear();
    link.LastCommand = 0;
    run.commandTimeout = 1 + ((setup >> 5) & 3);
    fastTimings(link);
    if (w.CalibrateCheck->isChecked())
        w.CalibrateCheck->setChecked(false);
    w.Calibrate_Flag = w.StageOne_Flag = w.UpdateReadings_Flag = w.SkipLocalOffset_Flag = false;
    w.ReplyBeep_Flag = true;
    w.UserCommand->UserCommandCount = 0;
    w.UserCommand->hide();
    w.setEnabled(true);
    w.SensorTab->setEnabled(true);
    w.SensorTab->setCurrentIndex(0);
    // Only what changed is reset: a log list cleared lays its chart out again.
    for (int i = 0; i < 10; ++i) {
        SensorTabWidget *t = w.tab[static_cast<size_t>(i)];
        for (QListWidget *l : {t->SensorIDList, t->RotarySensorIDList})
            if (l->count() > 0)
                l->clear();
        for (LogList *l : {t->LogListView, t->RotaryLogListView})
            if (l->rowCount() > 0)
                l->clear();
        for (QLineEdit *e : t->findChildren<QLineEdit *>())
            if (!e->text().isEmpty())
                e->clear();
        w.table->clearRow(i);
        w.table->setPresent(i, false);
        w.busy->setIdle(i);
        // Every period (rotary), or those of a sample rate of 0 (level probe).
        QComboBox *period = w.SensorType ? t->RotaryLogPeriodCombo : t->LogPeriodCombo;
        if (period->count() != (w.SensorType ? 9 : 8) || period->currentIndex() != 0) {
            if (w.SensorType)
                fillAllLogPeriods(period);
            else
                FillLogPeriods(period, QStringLiteral("0"));
        }
    }
    if (w.CommsList->count() > 0)
        w.CommsList->clear();
    c.port.clearCalls();
    c.port.clearViolations();
    c.port.delivered = 0;
    c.port.decode = setup & 4;
    c.port.parityMarks = setup & 8;
    c.ui.yes = setup & 16;
    c.ui.cancel = setup & 128;
    c.ui.saveAs = outFolder() + QStringLiteral("/saved");   // a Save button pressed
    c.ui.filterIndex = 1;
    if (!QDir(outFolder()).isEmpty()) {
        QDir(outFolder()).removeRecursively();
        QDir().mkpath(outFolder());
    }
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

std::vector<Action> parse(const uint8_t *data, size_t size)
{
    std::vector<Action> actions(1);   // the unasked chunks before any action
    size_t i = 1;
    while (i < size) {
        const uint8_t op = data[i++];
        if (op >= 0xF0) {
            if (static_cast<int>(actions.size()) > kMaxActions)
                break;
            Action a;
            a.kind = (op & 0x0F) % ActionKinds;
            a.p = i < size ? data[i] : 0;
            a.q = i + 1 < size ? data[i + 1] : 0;
            i += 2;
            actions.push_back(a);
            continue;
        }
        const size_t n = std::min<size_t>(op, size - i);
        actions.back().chunks.emplace_back(reinterpret_cast<const char *>(data + i), static_cast<int>(n));
        i += n;
    }
    return actions;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 1)
        return 0;
    const quint8 setup = data[0];
    Console *c = console(setup & 1);
    std::vector<Action> actions = parse(data, size);

    run = Run{};
    run.c = c;
    resetConsole(*c, setup);
    run.echo = setup & 2;
    run.sinceWrite.start();
    run.sinceDelivery.start();
    c->port.onWrite = onWrite;
    watchdogTimer().start();
    for (Action &a : actions)
        runAction(*c, a);
    watchdogTimer().stop();
    c->port.onWrite = nullptr;
    checkBounds(*c, size);
    return 0;
}
