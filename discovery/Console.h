#pragma once

#include "discovery/Fields.h"
#include "link/Clock.h"
#include "link/CommsLog.h"
#include "link/Link.h"
#include "link/PortCatalogue.h"
#include "link/Ui.h"

#include <QObject>
#include <QStringListModel>
#include <QTimer>
#include <array>
#include <deque>
#include <functional>
#include <memory>
#include <vector>

class AddressOps;
class BusyState;
class Calibration;
class Dispatcher;
class JournalKeeper;
class LevelParams;
class LogExport;
class LogModel;
class LoggingEngine;
class ParameterProfile;
class ParameterReport;
class PortMenu;
class RotaryParams;
class Scanner;
class SensorTable;
class SensorTools;
class Settings;

// The comms log: every line sent (" --> ") and received (" <-- "), and the
// console's own notes (" --- "), as a list model that views show.
class CommsLines : public CommsLog
{
public:
    QStringListModel model;
    int count() const override { return model.rowCount(); }
    void clear() override { model.setStringList({}); }
    void append(const QString &line) override;
    QString line(int i) const { return model.index(i).data().toString(); }
    QStringList lines() const { return model.stringList(); }
};

// The run: the serial link and the SDI-12 exchanges on it, the sensors found
// on the bus and everything known of them, the logging runs, the journal,
// the settings, and every operation the user can start. It owns all state a
// window shows (the fields of every tab, the sensor table, the log models,
// the comms log, the enabled state of every control) and tells its views of
// every change through direct signals, so that a sequence may read at once
// what a nested decoding just wrote. It needs no widgets: the console's
// window and the command line are two views of it.
class Console : public QObject, public FieldOwner
{
    Q_OBJECT
public:
    struct Platform {
        Ui *ui = nullptr;
        Clock *clock = nullptr;
        SerialPort *port = nullptr;
        QString settingsPath;       // the settings file
        QString userSettingsPath;   // the same where settingsPath cannot be written
        QString journalPath;        // the readings journal; empty: none
        std::function<PortCatalogue()> catalogue;   // the system's serial devices

        // The edges, and the settings and journal in the user's own folders
        // (those of the application name set); the port is the caller's.
        static Platform ofUser(Ui &ui, Clock &clock);
    };

    explicit Console(const Platform &platform, QObject *parent = nullptr);
    ~Console() override;

    // Family choice, made before the load.
    void setLevelProbeSensorType() { SensorType = false; }
    void setRotaryEncoderSensorType() { SensorType = true; }
    // The load, in two halves around the window's first showing: the
    // family's set-up, the sensor table's rows and the port list; then the
    // journal, the clocks, the settings and the port (whose first opening
    // runs the scan).
    void prepare();
    void start();

    // --- platform
    Ui &ui;
    Clock &clock;
    SerialPort *Comm1;
    CommsLines comms;
    Link link;

    // --- state of the run
    bool SensorType = false;         // false: level probe; true: rotary family
    int ScanOnConnect = 0;
    int CommPort = 1;
    bool Calibrate_Flag = false;
    bool StageOne_Flag = false;
    bool UpdateReadings_Flag = false;
    bool ReplyBeep_Flag = true;
    bool SkipLocalOffset_Flag = false;
    std::array<bool, 10> LogEnabled{};
    std::array<int, 10> LogTickCount{};
    int LoggingTab = 0;
    std::array<int, 10> MeasurementWait{};
    std::array<int, 10> SetPointWait{};
    // Multi-command sequences running (scan, re-query, calibration, reset);
    // presses are refused and the logging tick holds back meanwhile.
    int sequencesRunning = 0;
    int ResetIndex = 0;              // the sensor the Reset window chose
    int UserCommandCount = 0;        // answers shown since the User Command window opened

    // --- what the windows show
    WindowFields win;
    std::array<std::unique_ptr<SensorFields>, 10> tab;
    std::unique_ptr<SensorTable> table;
    // Each tab's readings, one model per family (the family's is in use).
    LogModel *log(int address) const;
    LogModel *levelLog(int address) const { return m_levelLog[static_cast<size_t>(address)]; }
    LogModel *rotaryLog(int address) const { return m_rotaryLog[static_cast<size_t>(address)]; }

    // --- operations
    std::unique_ptr<BusyState> busy;
    std::unique_ptr<Dispatcher> decoder;
    std::unique_ptr<LevelParams> level;
    std::unique_ptr<RotaryParams> rotary;
    std::unique_ptr<Calibration> calibration;
    std::unique_ptr<Scanner> scanner;
    std::unique_ptr<AddressOps> address;
    std::unique_ptr<LoggingEngine> logging;
    std::unique_ptr<LogExport> exporter;
    std::unique_ptr<ParameterReport> report;
    std::unique_ptr<ParameterProfile> profile;
    std::unique_ptr<PortMenu> ports;
    std::unique_ptr<Settings> settings;
    std::unique_ptr<SensorTools> tools;
    std::unique_ptr<JournalKeeper> journal;

    // What each button of a sensor's tab starts, by the control's name; the
    // presses go through press(), the others (stopping, clearing, saving a
    // log: nothing sent) are direct.
    struct TabOperation {
        const char *control;
        bool press;
        std::function<void(Console &, int)> run;
    };
    static const std::vector<TabOperation> &tabOperations();
    // Runs the operation of button `control` of tab `a`, as a click does.
    void click(int a, const TabOperation &op);

    // --- the selected tab: the sensor "current" operations act on
    int currentTab() const { return m_currentTab; }
    void setCurrentTab(int a);

    // --- helpers every operation uses
    // Sounds the beep when replies may beep.
    void replyBeep();
    void warn(const QString &title, const QString &text) { ui.message(Ui::Icon::Exclamation, title, text); }
    void notice(const QString &title, const QString &text) { ui.message(Ui::Icon::Information, title, text); }
    // Sends a command built by an operation: sets the last-command register
    // and hands the bytes to the transmitter.
    void sendCommand(const QString &command, int code);
    // The bus is half duplex: one exchange at a time. A press made while an
    // exchange is in flight waits its turn (its tab shows busy meanwhile)
    // and is sent as soon as the bus is free, in the order pressed, as are
    // readings that fall due meanwhile. During a multi-command sequence a
    // press is refused with a beep. `tab` is the press's tab, -1 for none.
    void press(int tab, std::function<void()> handler);
    // A periodic reading of the sensor at `address` fell due while the bus
    // is taken: it goes after what waits already.
    void queueReading(int address);
    bool waiting() const { return !m_waiting.empty(); }
    bool pressWaiting(int tab) const;
    // Sends what waits, one exchange at a time, while the bus is free.
    void sendWaiting();
    // A multi-command sequence begins or ends; what waited goes after it.
    void sequenceStarted() { ++sequencesRunning; }
    void sequenceEnded();
    // Runs the event loop until the bus is quiet: no exchange in flight, no
    // sequence running (but one that calls this), nothing waiting its turn.
    // For a front end driving the run step by step.
    void settle();
    // A line of the console's own in the comms log ("hh:mm:ss --- text").
    void commsNote(const QString &text);
    // The system's serial devices as they are now.
    PortCatalogue systemPorts() const;
    // A port opened: a later loss of it is reported again.
    void portReopened() { m_portLostShown = false; }
    // The scan shows "Unable to connect to comm port." once, not per address.
    bool connectMessageShown = false;
    // Readings on every log list that were never saved to a file.
    int unsavedTotal() const;
    // Closes the port at the end of the run.
    void quit();

    // FieldOwner
    void fieldChanged(int tab, int id) override { emit changed(tab, id); }
    void focusRequested(int tab, int id) override { emit focus(tab, id); }

    // The selected row of the sensor table (-1: none).
    int selectedRow() const { return m_selectedRow; }
    void selectRow(int a);

signals:
    // A field or control of tab `tab` (-1: the window's own) changed.
    void changed(int tab, int id);
    void focus(int tab, int id);
    void currentTabChanged(int tab);
    void selectedRowChanged(int row);
    // A scan began or ended (the view shows it is busy).
    void scanRunning(bool running);

private:
    void onTimedOut();
    void onCannotSend();
    void onPortLost(const QString &reason);

    struct Waiting {
        int tab;          // -1: none
        int reading;      // address of a periodic reading, -1 for a press
        std::function<void()> run;
    };
    std::deque<Waiting> m_waiting;
    std::function<PortCatalogue()> m_catalogue;
    std::array<LogModel *, 10> m_levelLog{};
    std::array<LogModel *, 10> m_rotaryLog{};
    QTimer m_clockTimer;
    int m_currentTab = 0;
    int m_selectedRow = -1;
    bool m_portLostShown = false;
    bool m_connectMessageOpen = false;
};

// Counts a running sequence for as long as it lives.
struct SequenceGuard {
    Console &m;
    explicit SequenceGuard(Console &m) : m(m) { m.sequenceStarted(); }
    ~SequenceGuard() { m.sequenceEnded(); }
    SequenceGuard(const SequenceGuard &) = delete;
    SequenceGuard &operator=(const SequenceGuard &) = delete;
};
