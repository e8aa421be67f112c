#pragma once

#include "app/Platform.h"
#include "link/Clock.h"
#include "link/CommsLog.h"
#include "link/Link.h"
#include "link/PortCatalogue.h"

#include <QMainWindow>
#include <array>
#include <deque>
#include <functional>
#include <memory>

class QAbstractButton;
class QAction;
class QCheckBox;
class QLabel;
class QListWidget;
class QMenu;
class QPushButton;
class QSplitter;
class QTabWidget;
class QTimer;
class QTreeWidget;
class SensorTabWidget;

class AboutWindow;
class AddressOps;
class BusyState;
class Calibration;
class Dispatcher;
class FilterWindow;
class JournalKeeper;
class LevelParams;
class LogExport;
class LoggingEngine;
class ParameterReport;
class PortMenu;
class ResetWindow;
class RotaryParams;
class Scanner;
class SensorPollWindow;
class SensorTable;
class Settings;
class SensorTools;
class TimingWindow;
class UserCommandWindow;

// The console's working window, "Orvane": the sensor tabs, the sensor table,
// the comms log, the menus and the status bar. It owns the link, the state of
// the run and the operations, which work on its controls.
class MainWindow : public QMainWindow
{
    Q_OBJECT

    // CommsList as the link's comms log (declared first: the link uses it).
    struct CommsListLog : CommsLog {
        QListWidget *list = nullptr;
        bool scrollPending = false;
        int count() const override;
        void clear() override;
        void append(const QString &line) override;
    };
    CommsListLog m_commsLog;

public:
    struct Platform {
        Ui *ui = nullptr;
        Clock *clock = nullptr;
        SerialPort *port = nullptr;
        QString settingsPath;                        // the settings file
        QString windowStatePath;                     // window size and splitters; empty: not kept
        QString journalPath;                         // the readings journal; empty: none
        QString userSettingsPath;                    // the same where settingsPath cannot be written
        std::function<PortCatalogue()> catalogue;    // the system's serial devices
    };

    explicit MainWindow(const Platform &platform, QWidget *parent = nullptr);
    ~MainWindow() override;

    // Family choice, made before the window loads.
    void setLevelProbeSensorType() { SensorType = false; }
    void setRotaryEncoderSensorType() { SensorType = true; }
    // The load: family set-up, sensor-table rows, port menu, show, settings
    // and port (the first opening runs the scan).
    void Form_Load();

    // --- platform
    Ui &ui;
    Clock &clock;
    SerialPort *Comm1;
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
    // the logging tick holds back its requests meanwhile.
    int sequencesRunning = 0;

    // --- controls
    QTabWidget *SensorTab;
    std::array<SensorTabWidget *, 10> tab{};
    QCheckBox *CalibrateCheck;
    QTreeWidget *ListView;
    QTreeWidget *RotaryListView;
    QListWidget *CommsList;
    QSplitter *MainSplitter;   // the tabs above, the lists below
    QSplitter *ListSplitter;   // the sensor table beside the comms log
    QPushButton *ScanBut;
    QPushButton *ButClearComms;
    std::array<QLabel *, 3> StatusBar1{};
    QLabel *StatusLogging;     // what logging is doing
    QAction *mnuRestore;   // File: unsaved readings of earlier runs back into their lists
    QAction *mnuFile, *mnuSaveAs, *mnuCommsPort, *mnuReset, *mnuFilter, *mnuQueryAddress, *mnuUserCommand,
        *mnuHelp, *submnuHelp, *submnuAbout;
    std::array<QAction *, 17> mnuCom{};   // 1..16
    QTimer *ClockTimer;

    // --- windows
    AboutWindow *About = nullptr;
    SensorPollWindow *SensorPoll = nullptr;
    TimingWindow *Timing = nullptr;        // top-level: usable while this window is disabled
    FilterWindow *Filter = nullptr;
    ResetWindow *Reset = nullptr;
    UserCommandWindow *UserCommand = nullptr;   // top-level, as Timing

    // --- operations
    std::unique_ptr<SensorTable> table;
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
    std::unique_ptr<PortMenu> ports;
    std::unique_ptr<Settings> settings;
    std::unique_ptr<SensorTools> tools;
    std::unique_ptr<JournalKeeper> journal;

    // --- helpers every operation uses
    int currentTab() const;
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
    // Connects a button whose press starts an exchange, through press().
    void onPress(QAbstractButton *button, std::function<void()> handler);
    // A periodic reading of the sensor at `address` fell due while the bus
    // is taken: it goes after what waits already.
    void queueReading(int address);
    // Presses and readings waiting for the bus; for the tab `tab` only.
    bool waiting() const { return !m_waiting.empty(); }
    bool pressWaiting(int tab) const;
    // Sends what waits, one exchange at a time, while the bus is free.
    void sendWaiting();
    // A line of the console's own in the comms log ("hh:mm:ss --- text").
    void commsNote(const QString &text);
    // The system's serial devices as they are now.
    PortCatalogue systemPorts() const;
    // A port opened: a later loss of it is reported again.
    void portReopened() { m_portLostShown = false; }
    // The scan shows "Unable to connect to comm port." once, not per address.
    bool connectMessageShown = false;

    QSize minimumSizeHint() const override;

protected:
    void closeEvent(QCloseEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void buildWindow();
    void buildMenus();
    void fitToScreen();
    void fitSplitters();
    void fitTableWidth();
    void loadWindowState();
    void saveWindowState();
    void connectTabs();
    void familySetup();
    void onTimedOut();
    void onPortLost(const QString &reason);
    void saveChart(SensorTabWidget *tab);
    void onCannotSend();

    struct Waiting {
        int tab;          // -1: none
        int reading;      // address of a periodic reading, -1 for a press
        std::function<void()> run;
    };
    std::deque<Waiting> m_waiting;

    std::function<PortCatalogue()> m_catalogue;
    QString m_settingsPath;
    QString m_windowStatePath;
    QByteArray m_savedGeometry;
    bool m_splittersRestored = false;
    bool m_listSplitterMoved = false;
    bool m_tableFitPending = false;   // by the user: the table keeps that width
    QWidget *m_content = nullptr;
    bool m_portLostShown = false;
    bool m_connectMessageOpen = false;

};
