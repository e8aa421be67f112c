// libFuzzer target: what users and sensors feed the console. Nothing may
// crash, hang, read out of bounds, write a command while another exchange is
// pending, or let a list grow beyond the input.
//
// An input (a seed): byte 0 is the set-up (bit 0 rotary family; bit 1
// answers follow the echo of their command, else they carry it; bit 2
// received bytes go through the real port's decoding, bit 3 with parity
// marks; bit 4 every question is answered Yes; bits 5-6 command timeout 1-4
// ms). Then records: 00-EF n, a chunk of the n bytes that follow; F0-FF,
// action kActions[low nibble % 3] with parameter bytes p and q. The chunks
// before an action answer the commands it writes, one each (none left: it
// times out); a sensor awaited for its service request gets the next or
// sends the request itself; chunks no command took arrive unasked.
#include "app/MainWindow.h"
#include "app/SensorTabWidget.h"
#include "discovery/LogPeriods.h"
#include "discovery/SensorTable.h"
#include "discovery/Settings.h"
#include "discovery/TimingWindow.h"
#include "link/FakeSerialPort.h"
#include "link/HardwarePort.h"
#include "link/PortMenu.h"
#include "logging/LogList.h"
#include "logging/LoggingEngine.h"
#include "params/BusyState.h"
#include "params/FilterWindow.h"
#include "params/ResetWindow.h"
#include "params/UserCommandWindow.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QListWidget>
#include <QMenuBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <deque>
#include <vector>

namespace {

// Commands by code, 'a' for the address: level probes 0-39, then rotary encoders 101-117.
const char *const kCommands[] = {
    "?!", "aA5!", "aXUP!", "aXUP12!", "aXUT!", "aXUT1!", "aXP!", "aXP1!", "aXE!", "aXE9.8!", "aI!", "aM!", "aD0!",
    "aXRA!", "aXRA+1!", "aXMOR!", "aXMOR2!", "aXREV!", "aXREV1!", "aXLOF!", "aXLOF-1!", "aXLOC!", "aXLOC1!",
    "aXUNLK!", "aXUNLK1!", "aXSN!", "aXF!", "aXF0,10,0001!", "aXSPM0.0!", "aXU0,1.0!", "aXU0!", "aXSPM1.5!",
    "aXTRIMOF0.0!", "aXTRIMON1!", "aXANCALCV0,0.0!", "aXANCALCV1,1.0!", "aXU1,0.0!", "aXANCALCV0!", "aXANCALCV1!",
    "aXANCALON1!", "aA5!", "aXMU!", "aXMU2!", "aXCP!", "aXCP200!", "aXRD!", "aXRD1!", "aXPC!", "aXPC1024!",
    "aXCV!", "aXCV+5!", "aI!", "aXSN!", "aXZE!", "aI!", "aC!", "aD0!"};
// What a user types into the entry fields; the names the save dialogs give.
const char *const kTyped[] = {"", "1.5", "-2", "+12.5", "0", "abc", "99999999", "1e5", "0.0001", "-0.25,3", "0I!"};
const char *const kSaveNames[] = {"/log", "/run.data.xls", "/sub.dir/none", "/Log.CSV", nullptr};   // null: cancel

QString outFolder, settingsPath;

[[noreturn]] void fault(const char *what, long long value = 0)
{
    std::fprintf(stderr, "fuzz_decode: %s (%lld)\n", what, value);
    std::abort();
}

// A console of one family, the bus side of its port played from the input.
struct Console : Ui, Clock {
    FakeSerialPort port;
    MainWindow *w = nullptr;   // never destroyed: it must not outlive Qt's statics
    std::deque<QByteArray> chunks;   // answers for the next action
    bool echo = false, yes = false, portDecoding = false, parityMarks = false;
    QByteArray raw;   // received, not decoded yet: a mark cut at a chunk's end
    QString saveAs;
    int filterIndex = 1, ticks = 0;
    QElapsedTimer sinceWrite, sinceDelivery;

    void message(Icon, const QString &, const QString &) override {}
    bool askYesNo(const QString &, const QString &) override { return yes; }
    void beep() override {}
    SaveChoice saveFile(const SaveDialog &) override { return {!saveAs.isEmpty(), saveAs, filterIndex}; }
    void sleepMs(int) override {}

    explicit Console(bool rotary)
    {
        MainWindow::Platform p;
        p.ui = this;
        p.clock = this;
        p.port = &port;
        p.settingsPath = settingsPath;   // journal, window state, user settings: none
        p.catalogue = [] { return PortCatalogue{}; };
        w = new MainWindow(p);
        if (rotary)
            w->setRotaryEncoderSensorType();
        port.failNextOpen(QStringLiteral("not yet"));   // no scan at load
        w->Form_Load();
        w->core.ScanOnConnect = 0;
        // Not shown or painted, which costs more than an input; the harness ticks the logging clock.
        w->hide();
        w->menuBar()->hide();
        for (QWidget *window : QApplication::topLevelWidgets())
            window->setUpdatesEnabled(false);
        w->core.logging->SecondTimer.stop();
        port.exchangePending = [this] { return w->core.link.exchangeInFlight(); };
        port.onWrite = [this](const QByteArray &burst) {
            sinceWrite.restart();
            if (!chunks.empty())
                deliver(echo ? burst : QByteArray());
        };
    }

    // The bus hands the port `prefix` and the next chunk, optionally through
    // the real port's decoding of what the system gives it.
    void deliver(const QByteArray &prefix = {})
    {
        QByteArray bytes = prefix;
        if (!chunks.empty()) {
            bytes += chunks.front();
            chunks.pop_front();
        }
        sinceDelivery.restart();
        if (portDecoding) {
            raw += bytes;
            bytes.clear();
            decodeReceived(raw, bytes, parityMarks);
        }
        if (!bytes.isEmpty())
            port.arrive(bytes);
    }

    // A sensor awaited for its service request sends it; a wait that only the
    // announced measurement time could end is given up: no input waits long.
    void watchdog()
    {
        if (!port.isOpen())
            return;
        if (w->core.link.RxState == 1 && sinceDelivery.elapsed() >= 2)
            deliver(chunks.empty() ? QByteArray::number(w->core.link.ServiceRequestAddress) + "\r\n" : "");
        // The longest command timeout is the scan's measurement step: 10 x 4 ms.
        if (w->core.link.exchangeInFlight() && sinceWrite.elapsed() > 60)
            w->core.link.abandonMeasurement();
    }

    // Lets the exchange under way and whatever it started run out.
    void settle()
    {
        QElapsedTimer t;
        t.start();
        for (int quiet = 0; quiet < 3;) {
            if (t.elapsed() >= 5000)   // generous: a loaded machine must not look like a hang
                fault("an exchange did not settle", t.elapsed());
            const bool busy = w->core.link.exchangeInFlight() || w->core.sequencesRunning > 0;
            quiet = busy ? 0 : quiet + 1;
            QCoreApplication::processEvents(busy ? QEventLoop::WaitForMoreEvents : QEventLoop::AllEvents);
        }
    }

    // The chunks no command took arrive unasked, one after another.
    void leftovers()
    {
        settle();
        while (!chunks.empty()) {
            deliver();
            settle();
        }
    }

    // A command sent as its control sends it; p: the command, q: address (q % 10) and flags (q / 10).
    void decode(int p, int q)
    {
        const int n = p % static_cast<int>(sizeof kCommands / sizeof kCommands[0]);
        QString text = QString::fromLatin1(kCommands[n]);
        if (text.startsWith(QLatin1Char('a')))
            text[0] = QLatin1Char(static_cast<char>('0' + q % 10));
        w->core.Calibrate_Flag = (q / 10) & 1;
        w->core.SkipLocalOffset_Flag = (q / 10) & 2;
        w->core.UpdateReadings_Flag = (q / 10) & 4;
        w->core.link.UserCommandFlag = (q / 10) & 8;
        w->core.link.ServiceRequestAddress = q % 10;
        w->core.sendCommand(text, n < 40 ? n : n + 61);
    }

    // A control pressed: p picks it among the named buttons the user reaches
    // with tab q % 10 chosen (its sensor present), by name, then the menus,
    // the logging clock (q / 10 + 1 seconds pass), the port (lost or back)
    // and closing an open User Command window. q / 10, if not 0, is typed in
    // every field and picks every list's entry first, and the save dialogs'
    // name and filter (4: one the dialog does not offer).
    void press(int p, int q)
    {
        const int typed = q / 10;
        w->core.table->setPresent(q % 10, true);
        w->SensorTab->setCurrentIndex(q % 10);
        auto reachable = [this](const QWidget *x) {
            const bool levelOnly = x->window() == w->Filter || x->window() == w->Reset;
            return !x->objectName().isEmpty() && x->isVisibleTo(x->window()) && !(levelOnly && w->core.SensorType);
        };
        const QWidget *roots[] = {w, w->Timing, w->UserCommand};
        std::vector<QObject *> controls;
        for (const QWidget *root : roots) {
            for (QLineEdit *e : root->findChildren<QLineEdit *>())
                if (typed && reachable(e) && e->isEnabled() && !e->isReadOnly())
                    e->setText(QString::fromLatin1(kTyped[typed % (sizeof kTyped / sizeof kTyped[0])]));
            for (QComboBox *box : root->findChildren<QComboBox *>())
                if (typed && reachable(box) && box->isEnabled())
                    box->setCurrentIndex(typed % (box->count() + 1) - 1);   // -1: none
            for (QAbstractButton *b : root->findChildren<QAbstractButton *>())
                if (reachable(b))
                    controls.push_back(b);
        }
        const char *name = kSaveNames[typed / 4 % 5];
        saveAs = name ? outFolder + QString::fromLatin1(name) : QString();
        filterIndex = 1 + typed % 4;
        std::sort(controls.begin(), controls.end(),
                  [](const QObject *x, const QObject *y) { return x->objectName() < y->objectName(); });
        if (w->isEnabled())
            controls.insert(controls.end(), {w->mnuSaveAs, w->mnuQueryAddress, w->mnuUserCommand});
        controls.insert(controls.end(), {&w->core.logging->SecondTimer, &port});
        if (w->UserCommand->isVisible())
            controls.push_back(w->UserCommand);
        QObject *control = controls[static_cast<size_t>(p) % controls.size()];
        if (auto *button = qobject_cast<QAbstractButton *>(control)) {
            button->click();
        } else if (auto *menu = qobject_cast<QAction *>(control)) {
            menu->trigger();
        } else if (control == w->UserCommand) {
            w->UserCommand->close();
        } else if (control == &w->core.logging->SecondTimer) {
            for (int k = 0; k <= typed; ++k, ++ticks) {
                w->core.logging->SecondTimer_Timer();
                settle();
            }
        } else if (port.isOpen()) {
            port.vanish();
        } else if (port.open()) {
            w->core.ports->stopReopening();
            w->core.logging->portBack();
        }
    }

    // The settings file is the first chunk (none: bit 0 of p), read as at the start; bit 1: port busy.
    void settings(int p, int)
    {
        QFile f(settingsPath);
        f.remove();
        if (!(p & 1) && !f.open(QIODevice::WriteOnly))
            fault("settings file not writable");
        if (f.isOpen() && !chunks.empty()) {
            f.write(chunks.front());
            chunks.pop_front();
        }
        f.close();
        if (p & 2)
            port.failNextOpen(QStringLiteral("Device or resource busy"));
        w->core.settings->ReadSysData();
    }

    // Every growing list stays within a bound proportional to the input: growing by itself is a leak.
    void checkBounds(long long size)
    {
        if (w->core.link.rx().Data.size() > Link::MaxLine || w->core.link.rx().Text.size() > Link::MaxLine)
            fault("receive record beyond a line", w->core.link.rx().Data.size());
        long long idLines = 0, rows = 0;
        for (SensorTabWidget *t : w->tab) {
            idLines += t->SensorIDList->count() + t->RotarySensorIDList->count();
            rows += t->LogListView->rowCount() + t->RotaryLogListView->rowCount();
        }
        // An identification answer adds four lines and takes at least three bytes; a data
        // answer adds one row and takes as many. The comms log has a line each command sent
        // (one per answer, timeout or logging tick), line feed received and port loss.
        if (idLines > 2 * size)
            fault("identification lines beyond the input", idLines);
        if (rows > size)
            fault("log rows beyond the input", rows);
        if (w->CommsList->count() > 4 * size + 8 * ticks + 64)
            fault("comms log beyond the input", w->CommsList->count());
        if (!port.violations().isEmpty())
            fault(qPrintable(QStringLiteral("bus rule broken: ") + port.violations().join(QStringLiteral("; "))));
        if (w->core.link.overlapCount() != 0)
            fault("a command written while another exchange was pending", w->core.link.overlapCount());
    }

    void reset(quint8 setup)
    {
        if (w->core.LoggingTab != 0)
            w->core.logging->stopAll(QString());
        w->core.link.abandonMeasurement();
        if (!port.isOpen())
            port.open();
        w->core.link.FlushInput();
        w->core.link.UserCommandFlag = false;
        w->core.link.strSent_Command.clear();   // what arrives unasked is not an answer
        w->CalibrateCheck->setChecked(false);
        w->core.Calibrate_Flag = w->core.StageOne_Flag = w->core.UpdateReadings_Flag = w->core.SkipLocalOffset_Flag = false;
        w->UserCommand->hide();
        w->setEnabled(true);
        w->SensorTab->setEnabled(true);
        for (QListWidget *l : w->findChildren<QListWidget *>())
            l->clear();
        for (LogList *l : w->findChildren<LogList *>())
            if (l->rowCount() > 0)   // a log list cleared lays its chart out again
                l->clear();
        for (QLineEdit *e : w->findChildren<QLineEdit *>())
            if (!e->objectName().isEmpty() && !e->text().isEmpty())
                e->clear();
        for (int i = 0; i < 10; ++i) {
            w->core.table->clearRow(i);
            w->core.table->setPresent(i, false);
            w->core.busy->setIdle(i);
            FillLogPeriods(w->tab[static_cast<size_t>(i)]->LogPeriodCombo, QStringLiteral("0"));
            w->tab[static_cast<size_t>(i)]->RotaryLogPeriodCombo->setCurrentIndex(0);
        }
        port.clearCalls();
        port.clearViolations();
        portDecoding = setup & 4;
        parityMarks = setup & 8;
        raw.clear();
        echo = setup & 2;
        yes = setup & 16;
        ticks = 0;
        chunks.clear();
        QDir(outFolder).removeRecursively();
        QDir().mkpath(outFolder);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
};

using Action = void (Console::*)(int p, int q);
const Action kActions[] = {&Console::decode, &Console::press, &Console::settings};
Console *consoles[2], *current = nullptr;   // level probes, rotary encoders; the one running

} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    new QApplication(*argc, *argv);
    auto *folder = new QTemporaryDir;
    outFolder = folder->path() + QStringLiteral("/out");
    settingsPath = folder->path() + QStringLiteral("/Varno sysfile.cfg");
    if (!folder->isValid() || !QDir().mkpath(outFolder))
        fault("no temporary folder");
    consoles[0] = current = new Console(false);
    consoles[1] = new Console(true);
    auto *watch = new QTimer;
    QObject::connect(watch, &QTimer::timeout, [] { current->watchdog(); });
    watch->start(1);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 1)
        return 0;
    Console &c = *(current = consoles[data[0] & 1]);
    c.reset(data[0]);
    for (size_t i = 1, actions = 0; i < size && actions < 8;) {
        // Whatever a settings file or the Timing window said, inputs stay quick
        // (the pauses between bytes are not slept).
        c.w->core.link.setCommandTimeout(1 + ((data[0] >> 5) & 3));
        const uint8_t op = data[i++];
        if (op < 0xF0) {
            const size_t n = std::min<size_t>(op, size - i);
            c.chunks.emplace_back(reinterpret_cast<const char *>(data + i), static_cast<int>(n));
            i += n;
            continue;
        }
        (c.*kActions[(op & 0x0F) % 3])(i < size ? data[i] : 0, i + 1 < size ? data[i + 1] : 0);
        i += 2;
        ++actions;
        c.leftovers();
    }
    c.leftovers();
    c.checkBounds(static_cast<long long>(size));
    return 0;
}
