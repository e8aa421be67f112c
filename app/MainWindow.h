#pragma once

#include "discovery/Console.h"

#include <QMainWindow>
#include <array>
#include <functional>
#include <memory>

class QAbstractButton;
class QAction;
class QCheckBox;
class QLabel;
class QListView;
class QMenu;
class QPushButton;
class QSplitter;
class QTabWidget;
class QTreeView;
class SensorTabWidget;

class AboutWindow;
class FieldBinding;
class FilterWindow;
class ResetWindow;
class SensorPollWindow;
class TimingWindow;
class UserCommandWindow;

// The console's working window, "Orvane": a view of the run (Console). It
// shows the sensor tabs, the sensor table, the comms log, the menus and the
// status bar, binds every control to the field it shows, and hands presses
// to the run's operations. Window size and dividers are its own.
class MainWindow : public QMainWindow
{
    Q_OBJECT
public:
    // The run's platform edges, and where the window keeps its size and
    // dividers (empty: not kept).
    struct Platform : Console::Platform {
        QString windowStatePath;
    };

    explicit MainWindow(const Platform &platform, QWidget *parent = nullptr);
    ~MainWindow() override;

    // Family choice, made before the window loads.
    void setLevelProbeSensorType() { core.setLevelProbeSensorType(); }
    void setRotaryEncoderSensorType() { core.setRotaryEncoderSensorType(); }
    // The load: the run's family set-up, the window's size and place, show,
    // then the run's settings and port (the first opening runs the scan).
    void Form_Load();

    // The run this window shows.
    Console &core;

    // --- controls
    QTabWidget *SensorTab;
    std::array<SensorTabWidget *, 10> tab{};
    QCheckBox *CalibrateCheck;
    QTreeView *ListView;
    QTreeView *RotaryListView;
    QListView *CommsList;
    QSplitter *MainSplitter;   // the tabs above, the lists below
    QSplitter *ListSplitter;   // the sensor table beside the comms log
    QPushButton *ScanBut;
    QPushButton *ButClearComms;
    std::array<QLabel *, 3> StatusBar1{};
    QLabel *StatusLogging;     // what logging is doing
    QAction *mnuRestore;   // File: unsaved readings of earlier runs back into their lists
    QAction *mnuApply;     // File: a parameter report's settings onto the tab's sensor
    QAction *mnuFile, *mnuSaveAs, *mnuCommsPort, *mnuReset, *mnuFilter, *mnuQueryAddress, *mnuUserCommand,
        *mnuHelp, *submnuHelp, *submnuAbout;
    std::array<QAction *, 17> mnuCom{};   // 1..16

    // --- windows
    AboutWindow *About = nullptr;
    SensorPollWindow *SensorPoll = nullptr;
    TimingWindow *Timing = nullptr;        // top-level: usable while this window is disabled
    FilterWindow *Filter = nullptr;
    ResetWindow *Reset = nullptr;
    UserCommandWindow *UserCommand = nullptr;   // top-level, as Timing

    // The family's sensor table view.
    QTreeView *tableView() const;

    // The menus and windows that open more windows.
    void mnuFilter_Click();
    void mnuReset_Click();
    void mnuUserCommand_Click();

    QSize minimumSizeHint() const override;

protected:
    void closeEvent(QCloseEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void buildWindow();
    void buildMenus();
    void bind();
    void fitToScreen();
    void fitSplitters();
    void fitTableWidth();
    void widenColumn(int column);
    void loadWindowState();
    void saveWindowState();
    void connectTabs();
    void connectWindows();
    void saveChart(SensorTabWidget *tab);
    void submitUserCommand(const QString &text);

    std::unique_ptr<Console> m_core;
    std::vector<FieldBinding *> m_bindings;   // index tab + 1; 0 the window's own
    QString m_windowStatePath;
    QByteArray m_savedGeometry;
    bool m_splittersRestored = false;
    bool m_listSplitterMoved = false;
    bool m_tableFitPending = false;   // by the user: the table keeps that width
    bool m_scrollPending = false;
    QWidget *m_content = nullptr;
};
