// libFuzzer target: what users and sensors feed the console. Nothing may crash, hang, read out of bounds, write a
// command while another exchange is pending, or let a list grow beyond the input.
//
// An input (a seed): byte 0 is the set-up (bit 0 rotary family; bit 1 answers follow the echo of their command,
// else they carry it; bit 2 received bytes go through the real port's decoding, bit 3 with parity marks; bit 4
// every question is answered Yes; bits 5-6 command timeout 1-4 ms). Then records: 00-EF n, a chunk of the n bytes
// that follow; F0-FF, action kActions[low nibble % 3] with parameter bytes p and q. The chunks before an action
// answer the commands it writes, one each (none left: it times out); a sensor awaited for its service request gets
// the next or sends the request itself; chunks no command took arrive unasked.
#include "discovery/AddressOps.h"
#include "discovery/Console.h"
#include "discovery/LogPeriods.h"
#include "discovery/Scanner.h"
#include "discovery/SensorTable.h"
#include "discovery/Settings.h"
#include "link/FakeSerialPort.h"
#include "link/HardwarePort.h"
#include "link/PortMenu.h"
#include "logging/LogModel.h"
#include "logging/LoggingEngine.h"
#include "logging/ParameterReport.h"
#include "params/BusyState.h"
#include "params/Calibration.h"
#include "params/SensorTools.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <deque>
#include <functional>
#include <iterator>
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
// The level probe's controls in its calibrate frame; the others are in its parameter frame.
const QStringList kCalibrateFrame = {"StageOneBut", "ClearOffsetsBut", "ZeroCalibrationText", "ZeroCalibrationBut",
                                     "SlopeCalibrationText", "SlopeCalibrationBut", "PressureText", "PressureBut",
                                     "CalibrationCompleteBut", "LocalGravityText", "LocalGravityBut",
                                     "LocalGravityQueryBut"};

QString outFolder, settingsPath;

QString typedText(int typed) { return QString::fromLatin1(kTyped[typed % std::size(kTyped)]); }

[[noreturn]] void fault(const char *what, long long value = 0)
{
    std::fprintf(stderr, "fuzz_decode: %s (%lld)\n", what, value);
    std::abort();
}

// The run of one family, the bus side of its port played from the input.
struct Run : Ui, Clock {
    FakeSerialPort port;
    Console *c = nullptr;   // never destroyed: it must not outlive Qt's statics
    std::deque<QByteArray> chunks;   // answers for the next action
    bool echo = false, yes = false, portDecoding = false, parityMarks = false, userCommandOpen = false;
    QByteArray raw;   // received, not decoded yet: a mark cut at a chunk's end
    QString saveAs;
    int filterIndex = 1, ticks = 0;
    QElapsedTimer sinceWrite, sinceDelivery;

    void message(Icon, const QString &, const QString &) override {}
    bool askYesNo(const QString &, const QString &) override { return yes; }
    void beep() override {}
    SaveChoice saveFile(const SaveDialog &) override { return {!saveAs.isEmpty(), saveAs, filterIndex}; }
    void sleepMs(int) override {}

    explicit Run(bool rotary)
    {
        // No journal, no user settings, no serial devices.
        c = new Console({this, this, &port, settingsPath, {}, {}, [] { return PortCatalogue{}; }});
        if (rotary)
            c->setRotaryEncoderSensorType();
        port.failNextOpen(QStringLiteral("not yet"));   // no scan at load
        c->prepare();
        c->start();
        c->ScanOnConnect = 0;
        c->logging->SecondTimer.stop();   // the harness ticks the logging clock
        port.exchangePending = [this] { return c->link.exchangeInFlight(); };
        port.onWrite = [this](const QByteArray &burst) {
            sinceWrite.restart();
            if (!chunks.empty())
                deliver(echo ? burst : QByteArray());
        };
    }

    // The bus hands the port `prefix` and the next chunk, optionally through the real port's decoding.
    void deliver(QByteArray bytes = {})
    {
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

    // A sensor awaited for its service request sends it; a wait that only the announced measurement time could
    // end is given up (the longest command timeout is the scan's measurement step, 10 x 4 ms): no input waits long.
    void watchdog()
    {
        if (!port.isOpen())
            return;
        if (c->link.RxState == 1 && sinceDelivery.elapsed() >= 2)
            deliver(chunks.empty() ? QByteArray::number(c->link.ServiceRequestAddress) + "\r\n" : "");
        if (c->link.exchangeInFlight() && sinceWrite.elapsed() > 60)
            c->link.abandonMeasurement();
    }

    // Lets the exchange under way and whatever it started run out.
    void settle()
    {
        QElapsedTimer t;
        t.start();
        for (int quiet = 0; quiet < 3;) {
            if (t.elapsed() >= 5000)   // generous: a loaded machine must not look like a hang
                fault("an exchange did not settle", t.elapsed());
            const bool busy = c->link.exchangeInFlight() || c->sequencesRunning > 0;
            quiet = busy ? 0 : quiet + 1;
            QCoreApplication::processEvents(busy ? QEventLoop::WaitForMoreEvents : QEventLoop::AllEvents);
        }
    }

    // The chunks no command took arrive unasked, one after another.
    void leftovers()
    {
        for (settle(); !chunks.empty(); settle())
            deliver();
    }

    // A command sent as its control sends it; p: the command, q: address (q % 10) and flags (q / 10).
    void decode(int p, int q)
    {
        const int n = p % static_cast<int>(std::size(kCommands));
        QString text = QString::fromLatin1(kCommands[n]);
        if (text.startsWith(QLatin1Char('a')))
            text[0] = QLatin1Char(static_cast<char>('0' + q % 10));
        c->Calibrate_Flag = (q / 10) & 1;
        c->SkipLocalOffset_Flag = (q / 10) & 2;
        c->UpdateReadings_Flag = (q / 10) & 4;
        c->link.UserCommandFlag = (q / 10) & 8;
        c->link.ServiceRequestAddress = q % 10;
        c->sendCommand(text, n < 40 ? n : n + 61);
    }

    // A control pressed: p picks it among the tab's buttons the user reaches with tab q % 10 chosen (its sensor
    // present), then the window's commands, the logging clock (q / 10 + 1 seconds pass), the port (lost or back)
    // and closing the User Command window. q / 10, if not 0, is typed in every field and picks every list's entry
    // first, and the save dialogs' name and filter (4: one the dialog does not offer).
    void press(int p, int q)
    {
        const int typed = q / 10, a = q % 10;
        c->table->setPresent(a, true);
        c->setCurrentTab(a);
        SensorFields &t = *c->tab[static_cast<size_t>(a)];
        const bool rotary = c->SensorType;
        // What the family's frames show: the rotary one, or the level probe's parameter or calibrate frame.
        const auto shown = [&](const QString &name) {
            if (name.contains(QLatin1String("Rotary")))
                return rotary;
            return name.contains(QLatin1String("Log")) ||
                   (!rotary && (kCalibrateFrame.contains(name) ? t.CalibrateFrame : t.ParameterFrame).isVisible());
        };
        if (typed)
            for (FieldSet *set : {static_cast<FieldSet *>(&t), static_cast<FieldSet *>(&c->win)})
                for (Control *f : set->controls()) {
                    if (!f->isEnabled() || (set == &t && !shown(QLatin1String(f->name()))))
                        continue;
                    if (f->kind() == Control::Kind::Text)
                        static_cast<TextField *>(f)->setText(typedText(typed));
                    else if (f->kind() == Control::Kind::List)
                        static_cast<ListField *>(f)->select(typed % (static_cast<ListField *>(f)->count() + 1) - 1);
                }
        const char *name = kSaveNames[typed / 4 % 5];
        saveAs = name ? outFolder + QString::fromLatin1(name) : QString();
        filterIndex = 1 + typed % 4;
        std::vector<std::function<void()>> controls;
        const auto add = [&controls](bool on, std::function<void()> f) {
            if (on)
                controls.push_back(std::move(f));
        };
        const auto gated = [this](std::function<void()> f) { return [this, f] { c->press(-1, f); }; };
        for (const Console::TabOperation &op : Console::tabOperations()) {
            const Control *b = t.find(QLatin1String(op.control));
            add(b && b->isEnabled() && shown(QLatin1String(op.control)), [this, a, &op] { c->click(a, op); });
        }
        if (!userCommandOpen) {
            const bool filter = !rotary && c->win.mnuFilter.isEnabled();
            add(c->win.ScanBut.isEnabled(), gated([this] { c->scanner->Poll_Sensors(); }));
            add(true, [this] { c->report->mnuSaveAs_Click(); });
            add(c->win.mnuQueryAddress.isEnabled(), gated([this] { c->address->mnuQueryAddress_Click(); }));
            add(c->win.mnuUserCommand.isEnabled(), [this] {
                userCommandOpen = true;
                c->tools->mnuUserCommand_Click();
            });
            add(filter, gated([this] { c->tools->Command1_Click(); }));
            add(filter, gated([this] { c->tools->FilterSetingsBut_Click(); }));
            add(!rotary && c->win.mnuReset.isEnabled(), gated([this, a] { c->tools->ResetBut_Click(a); }));
            add(!rotary, [this] {
                c->win.CalibrateCheck.setChecked(!c->win.CalibrateCheck.isChecked());
                c->calibration->CalibrateCheck_Click();
            });
        } else {
            add(true, gated([this, typed] {
                if (!SensorTools::isMaintenanceCode(typedText(typed)))
                    c->tools->SubmitBut_Click(typedText(typed));
            }));
            add(true, [this] { userCommandOpen = false, c->tools->UserCommand_Form_Unload(); });
        }
        add(true, [this] { c->settings->butApply_Click(); });
        add(true, [this] { c->settings->butDefault_Click(); });
        add(true, [this, typed] {
            for (int k = 0; k <= typed; ++k, ++ticks)
                c->logging->SecondTimer_Timer(), settle();
        });
        add(true, [this] {
            if (port.isOpen())
                port.vanish();
            else if (port.open())
                c->ports->stopReopening(), c->logging->portBack();
        });
        controls[static_cast<size_t>(p) % controls.size()]();
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
        c->settings->ReadSysData();
    }

    // Every growing list stays within a bound proportional to the input: growing by itself is a leak. An
    // identification answer adds four lines and takes at least three bytes; a data answer adds one row and takes
    // as many. The comms log has a line each command sent (one per answer, timeout or logging tick), line feed
    // received and port loss.
    void checkBounds(long long size)
    {
        if (c->link.rx().Data.size() > Link::MaxLine || c->link.rx().Text.size() > Link::MaxLine)
            fault("receive record beyond a line", c->link.rx().Data.size());
        long long idLines = 0, rows = 0;
        for (int a = 0; a < 10; ++a) {
            const SensorFields &t = *c->tab[static_cast<size_t>(a)];
            idLines += t.SensorIDList.count() + t.RotarySensorIDList.count();
            rows += c->levelLog(a)->size() + c->rotaryLog(a)->size();
        }
        if (idLines > 2 * size)
            fault("identification lines beyond the input", idLines);
        if (rows > size)
            fault("log rows beyond the input", rows);
        if (c->comms.count() > 4 * size + 8 * ticks + 64)
            fault("comms log beyond the input", c->comms.count());
        if (!port.violations().isEmpty())
            fault(qPrintable(QStringLiteral("bus rule broken: ") + port.violations().join(QStringLiteral("; "))));
        if (c->link.overlapCount() != 0)
            fault("a command written while another exchange was pending", c->link.overlapCount());
    }

    void reset(quint8 setup)
    {
        if (c->LoggingTab != 0)
            c->logging->stopAll(QString());
        c->link.abandonMeasurement();
        if (!port.isOpen())
            port.open();
        c->link.FlushInput();
        c->link.UserCommandFlag = userCommandOpen = false;
        c->link.strSent_Command.clear();   // what arrives unasked is not an answer
        c->win.CalibrateCheck.setChecked(false);
        c->calibration->CalibrateCheck_Click();
        c->Calibrate_Flag = c->StageOne_Flag = c->UpdateReadings_Flag = c->SkipLocalOffset_Flag = false;
        c->win.SensorTab.setEnabled(true);
        c->comms.clear();
        for (int i = 0; i < 10; ++i) {
            SensorFields &t = *c->tab[static_cast<size_t>(i)];
            t.SensorIDList.clear();
            t.RotarySensorIDList.clear();
            for (LogModel *l : {c->levelLog(i), c->rotaryLog(i)})
                if (l->size() > 0)
                    l->clear();
            for (Control *f : t.controls())
                if (f->kind() == Control::Kind::Text)
                    static_cast<TextField *>(f)->clear();
            c->table->clearRow(i);
            c->table->setPresent(i, false);
            c->busy->setIdle(i);
            FillLogPeriods(t.LogPeriodCombo, QStringLiteral("0"));
            t.RotaryLogPeriodCombo.select(0);
        }
        port.clearCalls();
        port.clearViolations();
        echo = setup & 2, portDecoding = setup & 4, parityMarks = setup & 8, yes = setup & 16;
        raw.clear();
        ticks = 0;
        chunks.clear();
        QDir(outFolder).removeRecursively();
        QDir().mkpath(outFolder);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
};

using Action = void (Run::*)(int p, int q);
const Action kActions[] = {&Run::decode, &Run::press, &Run::settings};
Run *runs[2], *current = nullptr;   // level probes, rotary encoders; the one running

} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    new QCoreApplication(*argc, *argv);
    auto *folder = new QTemporaryDir;
    outFolder = folder->path() + QStringLiteral("/out");
    settingsPath = folder->path() + QStringLiteral("/Varno sysfile.cfg");
    if (!folder->isValid() || !QDir().mkpath(outFolder))
        fault("no temporary folder");
    runs[0] = current = new Run(false);
    runs[1] = new Run(true);
    auto *watch = new QTimer;
    QObject::connect(watch, &QTimer::timeout, [] { current->watchdog(); });
    watch->start(1);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 1)
        return 0;
    Run &r = *(current = runs[data[0] & 1]);
    r.reset(data[0]);
    for (size_t i = 1, actions = 0; i < size && actions < 8;) {
        // Whatever a settings file or the Timing window said, inputs stay quick (pauses between bytes not slept).
        r.c->link.setCommandTimeout(1 + ((data[0] >> 5) & 3));
        const uint8_t op = data[i++];
        if (op < 0xF0) {
            const size_t n = std::min<size_t>(op, size - i);
            r.chunks.emplace_back(reinterpret_cast<const char *>(data + i), static_cast<int>(n));
            i += n;
            continue;
        }
        (r.*kActions[(op & 0x0F) % 3])(i < size ? data[i] : 0, i + 1 < size ? data[i + 1] : 0);
        i += 2;
        ++actions;
        r.leftovers();
    }
    r.leftovers();
    r.checkBounds(static_cast<long long>(size));
    return 0;
}
