#pragma once

// The run on the serial-port test double, with the platform edges replaced:
// message boxes are recorded, questions answered by script, the beep counted,
// the clock fixed, and the break/mark/data pauses not slept. No widgets: the
// suites on this rig run under a QCoreApplication.

#include "discovery/Console.h"
#include "discovery/Fields.h"
#include "link/FakeSerialPort.h"
#include "link/HardwarePort.h"
#include "sim/SimBus.h"

#include <QMap>
#include <QTemporaryDir>
#include <functional>
#include <initializer_list>
#include <memory>

struct TestUi : Ui {
    struct Message {
        Icon icon;
        QString title;
        QString text;
    };
    QVector<Message> messages;
    QStringList questions;           // "title|text" of every question asked
    QList<bool> answers;             // next answers; Yes when empty
    int beeps = 0;
    QVector<SaveDialog> dialogs;
    QList<SaveChoice> saves;         // next dialog results; cancel when empty
    QStringList opens;               // next files chosen to open; cancel when empty

    void message(Icon icon, const QString &title, const QString &text) override;
    bool askYesNo(const QString &title, const QString &text) override;
    void beep() override { ++beeps; }
    SaveChoice saveFile(const SaveDialog &d) override;
    QString openFile(const QString &, const QString &) override { return opens.isEmpty() ? QString() : opens.takeFirst(); }
    QStringList steps;   // "title|text done/total" of every progress step shown
    std::function<bool(int done)> onStep;   // the user at each step: false cancels; none goes on
    bool progress(const QString &title, const QString &text, int done, int total) override;

    QStringList texts() const;   // "title|text" of every message
    void clear();
};

struct TestClock : Clock {
    QDateTime fixed = QDateTime(QDate(2026, 12, 6), QTime(9, 30, 15));
    QVector<int> sleeps;
    QDateTime now() const override { return fixed; }
    void sleepMs(int ms) override { sleeps.push_back(ms); }
};

// Scripted sensors: every command written is echoed, and answered with the
// reply given for it (CR LF added), through the event loop.
struct Responder {
    QMap<QString, QString> replies;
    std::function<QString(const QString &)> fallback;   // for commands not in replies; null result: no answer
    QStringList received;
    int delayMs = 1;
    void attach(FakeSerialPort &port);
    // The sensor at `a` answers each command with its answer (address added).
    void answerAt(int a, std::initializer_list<std::pair<const char *, const char *>> answers);
    // A healthy sensor of the family at `a`, answering every command the
    // scan and the parameter controls send.
    void levelSensor(int a);
    void rotarySensor(int a);
};

// Lines of the comms log that match `text` (Qt::MatchContains, MatchEndsWith
// or MatchExactly).
QStringList commsFind(const Console &core, const QString &text, Qt::MatchFlags how);

// Everything of the run a view or a later press reads, by name: each control ("3:RangeText", "-1:ScanBut")
// with its enabled and shown state and value, the table's cells, the logs, the comms log, the flags and
// waits, the link's register, and on the test platform the messages, questions and beeps. changes()
// names what differs between two of them, "name: before -> after".
using RunState = QMap<QString, QString>;
RunState stateOf(const Console &c);
QStringList changes(const RunState &before, const RunState &after);
// Runs `what` (which settles the run) and notes what it changed in `c` under `heading`. The rigs note
// each press, logging start and tick; takeChanges() hands over the notes since the last take, so that
// a suite keeps them row by row (see GoldenSections).
void noteChanges(const Console &c, const QString &heading, const std::function<void()> &what);
QStringList takeChanges();
void noteLines(const QStringList &lines);   // a note of the suite's own among them
// Notes the state (as stateOf names it) of every name that starts with one of `prefixes`.
void noteState(const Console &c, const QStringList &prefixes);


// Quietens what the offscreen platform says of window operations it cannot do.
void installQuietHandler();

// What the rigs share: the test edges, scripted sensors (or the simulated
// bus), a folder of its own, and the bus rules checked at the end.
struct RigBase {
    virtual ~RigBase();
    // The edges for a run with the command timeout and journal given
    // (default: a new journal in `dir`).
    Console::Platform platform(int commandTimeoutMs, const QString &journal);
    // Commands written since the last clear, as text.
    QStringList sent() const;
    virtual void clearSent() { port.clearCalls(); }
    // The simulated bus in place of the scripted answers (call before load).
    sim::SimBus &simulator();
    // Waits (pumping events) until `run` has no exchange in flight, no
    // sequence running and no press waiting.
    static bool settle(const Console &run, int maxMs);
    // The port let go of its listeners, before the run is destroyed.
    void release();

    // The port double checks the bus rules in every test (one command per
    // burst after its own break, no write while an exchange is pending); a
    // test that provokes a breach on purpose says so here.
    bool breachesExpected = false;

    QTemporaryDir dir;
    PortCatalogue devices;   // the system's serial devices as listed
    FakeSerialPort port;
    TestUi ui;
    TestClock clock;
    Responder bus;
    std::unique_ptr<sim::SimBus> simBus;
    std::unique_ptr<sim::InProcessLink> simLink;

protected:
    virtual void watchWrites() {}
};

// The run on the test double, no window.
struct CoreRig : RigBase {
    explicit CoreRig(bool rotary = false, int commandTimeoutMs = 80, const QString &journal = {});
    // Scripted sensors of the family at `addresses`, scanned; what the start
    // showed, beeped and wrote forgotten.
    CoreRig(bool rotary, std::initializer_list<int> addresses, int commandTimeoutMs = 80);
    ~CoreRig() override;

    // The load without a window: set-up, settings, port, first scan.
    void load();
    SensorFields &tab(int a) const { return *c->tab[static_cast<size_t>(a)]; }
    void clearSent() override { port.clearCalls(); busyAtWrite.clear(); }
    // A press on tab `a` (-1: none) as the window makes it; returns the
    // first command written once the exchanges are over.
    QString press(int a, const std::function<void()> &handler);
    // Runs `what`, settles, and notes under `heading` what it changed and the
    // busy state at each command it wrote (see noteChanges).
    void note(const QString &heading, const std::function<void()> &what);
    bool settle(int maxMs = 5000) { return RigBase::settle(*c, maxMs); }
    // Starts logging on tab `a` every `period` (any period, whatever the
    // sample rate), the second timer stopped so that tests drive tick().
    void startLogging(int a, const QString &period);
    void tick();
    // Whether tab `a` showed busy (its family's set controls and the scan
    // off): recorded for each command as it is written, in busyAtWrite.
    bool busy(int a) const;
    QList<bool> busyAtWrite;
    std::unique_ptr<Console> c;

protected:
    void watchWrites() override;
};

// What the runs on the real serial code (HardwarePort) share: the edges and the settings in a folder of their own.
struct PtyBase {
    Console::Platform platform(int commandTimeoutMs);
    QTemporaryDir home;
    TestUi ui;
    Clock clock;
};

// The run on the real serial code, on the ports that `catalogue` gives listed. Not loaded yet.
struct PtyCore : PtyBase {
    PtyCore(bool rotary, std::function<PortCatalogue()> catalogue, int commandTimeoutMs = 250);
    PortCatalogue listed;
    std::unique_ptr<SerialPort> port;
    std::unique_ptr<Console> c;
};

// The family chosen on a run or its window.
template <class Run>
void setFamily(Run &run, bool rotary)
{
    rotary ? run.setRotaryEncoderSensorType() : run.setLevelProbeSensorType();
}
