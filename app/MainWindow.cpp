#include "MainWindow.h"

#include "app/AboutWindow.h"
#include "app/HelpWindow.h"
#include "app/SensorTabWidget.h"
#include "app/Widgets.h"
#include "decode/Dispatcher.h"
#include "discovery/AddressOps.h"
#include "discovery/LogPeriods.h"
#include "discovery/Scanner.h"
#include "discovery/SensorPollWindow.h"
#include "discovery/SensorTable.h"
#include "discovery/Settings.h"
#include "discovery/TimingWindow.h"
#include "link/PortMenu.h"
#include "logging/JournalKeeper.h"
#include "logging/LogExport.h"
#include "logging/LogChart.h"
#include "logging/LogList.h"
#include "logging/LoggingEngine.h"
#include "logging/ParameterReport.h"
#include "params/BusyState.h"
#include "params/Calibration.h"
#include "params/FilterWindow.h"
#include "params/LevelParams.h"
#include "params/ResetWindow.h"
#include "params/RotaryParams.h"
#include "params/SensorTools.h"
#include "params/UserCommandWindow.h"

#include <QAbstractButton>
#include <QAction>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QSettings>
#include <QSplitter>
#include <QStatusBar>
#include <QVBoxLayout>
#include <QTabWidget>
#include <QTimer>
#include <QHeaderView>
#include <QScrollBar>
#include <QTreeWidget>

int MainWindow::CommsListLog::count() const
{
    return list ? list->count() : 0;
}

void MainWindow::CommsListLog::clear()
{
    if (list)
        list->clear();
}

void MainWindow::CommsListLog::append(const QString &line)
{
    if (!list)
        return;
    list->addItem(line);
    // Scrolling lays the list out again; lines that arrive together share
    // one scroll, done when the event loop next runs.
    if (scrollPending)
        return;
    scrollPending = true;
    QMetaObject::invokeMethod(
        list,
        [this] {
            scrollPending = false;
            list->scrollToBottom();
        },
        Qt::QueuedConnection);
}

MainWindow::MainWindow(const Platform &p, QWidget *parent)
    : QMainWindow(parent), ui(*p.ui), clock(*p.clock), Comm1(p.port), link(p.port, &m_commsLog, p.clock),
      m_catalogue(p.catalogue), m_settingsPath(p.settingsPath), m_windowStatePath(p.windowStatePath)
{
    setObjectName(QStringLiteral("Main"));
    setWindowTitle(QStringLiteral("Orvane"));
    buildWindow();
    buildMenus();
    m_commsLog.list = CommsList;

    About = new AboutWindow(this);
    SensorPoll = new SensorPollWindow(this);
    Filter = new FilterWindow(this);
    Reset = new ResetWindow(this);
    Timing = new TimingWindow(ui);
    UserCommand = new UserCommandWindow;

    table = std::make_unique<SensorTable>(ListView, RotaryListView, SensorTab, SensorType);
    busy = std::make_unique<BusyState>(*this);
    decoder = std::make_unique<Dispatcher>(*this);
    level = std::make_unique<LevelParams>(*this);
    rotary = std::make_unique<RotaryParams>(*this);
    calibration = std::make_unique<Calibration>(*this);
    scanner = std::make_unique<Scanner>(*this);
    address = std::make_unique<AddressOps>(*this);
    logging = std::make_unique<LoggingEngine>(*this);
    exporter = std::make_unique<LogExport>(*this);
    report = std::make_unique<ParameterReport>(*this);
    ports = std::make_unique<PortMenu>(*this);
    settings = std::make_unique<Settings>(*this, m_settingsPath, p.userSettingsPath);
    tools = std::make_unique<SensorTools>(*this);
    journal = std::make_unique<JournalKeeper>(*this, p.journalPath);

    connectTabs();
    settings->connectWindow();
    tools->connectWindows();

    link.decode = [this](const QByteArray &line) { decoder->Decode_SDI12(line); };
    link.requestMeasurementData = [this](int a) { logging->RequestMeasurementData(a); };
    link.releaseAfterTimeout = [this] { onTimedOut(); };
    connect(&link, &Link::cannotSend, this, &MainWindow::onCannotSend);
    connect(&link, &Link::portLost, this, &MainWindow::onPortLost);
    connect(&link, &Link::settled, this, &MainWindow::sendWaiting);

    ClockTimer = new QTimer(this);
    ClockTimer->setInterval(500);
    connect(ClockTimer, &QTimer::timeout, this, [this] {
        StatusBar1[2]->setText(clock.shortDate() + QLatin1Char(' ') + clock.timeOfDay() + QStringLiteral("  "));
    });
}

MainWindow::~MainWindow()
{
    link.decode = nullptr;
    link.requestMeasurementData = nullptr;
    link.releaseAfterTimeout = nullptr;
    delete Timing;
    delete UserCommand;
}

void MainWindow::buildWindow()
{
    SensorTab = new QTabWidget;
    SensorTab->setObjectName(QStringLiteral("SensorTab"));
    SensorTab->setUsesScrollButtons(true);
    for (int i = 0; i < 10; ++i) {
        tab[static_cast<size_t>(i)] = new SensorTabWidget(i);
        SensorTab->addTab(tab[static_cast<size_t>(i)], QStringLiteral("Sensor %1").arg(i));
    }
    CalibrateCheck = new QCheckBox(QStringLiteral("Calibrate Mode"));
    CalibrateCheck->setObjectName(QStringLiteral("CalibrateCheck"));
    ListView = new QTreeWidget;
    ListView->setObjectName(QStringLiteral("ListView"));
    RotaryListView = new QTreeWidget;
    RotaryListView->setObjectName(QStringLiteral("RotaryListView"));
    SensorTable::setHeadings(ListView, RotaryListView);
    CommsList = new QListWidget;
    CommsList->setObjectName(QStringLiteral("CommsList"));
    // One line of text per item: the list need not measure every line again
    // each time it scrolls to the newest.
    CommsList->setUniformItemSizes(true);
    ScanBut = new QPushButton(QStringLiteral("Re-Scan Sensors"));
    ScanBut->setObjectName(QStringLiteral("ScanBut"));
    ButClearComms = new QPushButton(QStringLiteral("Clear Comms"));
    ButClearComms->setObjectName(QStringLiteral("ButClearComms"));

    // The tabs on top; below them the check box, then the sensor table
    // beside the comms log with a button under each. The user shares the
    // height between tabs and lists, and the width between table and log.
    auto column = [](QWidget *list, QWidget *other, QPushButton *button) {
        auto *w = new QWidget;
        auto *v = new QVBoxLayout(w);
        v->setContentsMargins(0, 0, 0, 0);
        v->addWidget(list, 1);
        if (other)
            v->addWidget(other, 1);
        auto *row = new QHBoxLayout;
        row->addStretch();
        row->addWidget(button);
        v->addLayout(row);
        return w;
    };
    ListSplitter = new QSplitter(Qt::Horizontal);
    ListSplitter->setObjectName(QStringLiteral("ListSplitter"));
    ListSplitter->addWidget(column(ListView, RotaryListView, ScanBut));
    ListSplitter->addWidget(column(CommsList, nullptr, ButClearComms));
    ListSplitter->setChildrenCollapsible(false);
    ListSplitter->setStretchFactor(0, 10455);
    ListSplitter->setStretchFactor(1, 3255);
    auto *lower = new QWidget;
    auto *lv = new QVBoxLayout(lower);
    lv->setContentsMargins(0, 0, 0, 0);
    lv->addWidget(CalibrateCheck, 0, Qt::AlignLeft);
    lv->addWidget(ListSplitter, 1);
    connect(ListSplitter, &QSplitter::splitterMoved, this, [this] { m_listSplitterMoved = true; });
    MainSplitter = new QSplitter(Qt::Vertical);
    MainSplitter->setObjectName(QStringLiteral("MainSplitter"));
    MainSplitter->addWidget(SensorTab);
    MainSplitter->addWidget(lower);
    MainSplitter->setChildrenCollapsible(false);
    MainSplitter->setStretchFactor(0, 6345);
    MainSplitter->setStretchFactor(1, 2415);

    // On a screen smaller than the window's minimum the whole window scrolls
    // rather than reaching off the screen.
    m_content = new QWidget;
    auto *cv = new QVBoxLayout(m_content);
    cv->setContentsMargins(4, 4, 4, 0);
    cv->addWidget(MainSplitter);
    auto *outer = new QScrollArea;
    outer->setObjectName(QStringLiteral("WindowScroll"));
    outer->setWidget(m_content);
    outer->setWidgetResizable(true);
    outer->setFrameShape(QFrame::NoFrame);
    setCentralWidget(outer);

    static const char *panelNames[] = {"StatusPanel1", "StatusPanel2", "StatusPanel3"};
    for (size_t i = 0; i < 3; ++i) {
        StatusBar1[i] = new QLabel;
        StatusBar1[i]->setObjectName(QString::fromLatin1(panelNames[i]));
    }
    StatusLogging = new QLabel;
    StatusLogging->setObjectName(QStringLiteral("StatusLogging"));
    // Long logging texts are cut at the panel's edge, never widen the window.
    StatusLogging->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    statusBar()->addWidget(StatusBar1[0]);
    statusBar()->addWidget(StatusBar1[1]);
    statusBar()->addWidget(StatusLogging, 1);
    statusBar()->addWidget(StatusBar1[2]);
    statusBar()->setObjectName(QStringLiteral("StatusBar1"));
    StatusBar1[0]->setText(QStringLiteral("    Connection Status: "));
    StatusBar1[1]->setText(QStringLiteral("Not Connected. "));
}

void MainWindow::resizeEvent(QResizeEvent *event)
{
    QMainWindow::resizeEvent(event);
    // Until the user moves the divider, the table keeps every column in view.
    if (table && !m_listSplitterMoved)
        QMetaObject::invokeMethod(this, [this] { fitTableWidth(); }, Qt::QueuedConnection);
}

QSize MainWindow::minimumSizeHint() const
{
    // The smallest size at which nothing scrolls but the tab pages and lists.
    const QSize content = m_content->minimumSizeHint();
    const int width = qMax(content.width(), statusBar()->minimumSizeHint().width());
    return {width, content.height() + menuBar()->sizeHint().height() + statusBar()->sizeHint().height()};
}

void MainWindow::fitToScreen()
{
    const QScreen *screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
    const QRect avail = screen ? screen->availableGeometry() : QRect(0, 0, 1024, 700);
    // Leave room for the frame the window manager adds.
    const QSize room = avail.size() - QSize(16, 40);
    const QSize least = minimumSizeHint();
    setMinimumSize(least.boundedTo(room));
    const bool restored = !m_savedGeometry.isEmpty() && restoreGeometry(m_savedGeometry) &&
                          QGuiApplication::screenAt(geometry().center()) != nullptr &&
                          room.width() >= width() && room.height() >= height();
    if (!restored) {
        resize(QSize(1280, 860).expandedTo(least).boundedTo(room));
        move(avail.topLeft() + QPoint((avail.width() - width()) / 2, (avail.height() - height()) / 2));
    }
}

void MainWindow::fitSplitters()
{
    // The lists get the height that shows all ten rows of the table; the
    // tabs the rest.
    QTreeWidget *t = table->list();
    const int rowHeight = t->topLevelItemCount() > 0 ? t->visualItemRect(t->topLevelItem(0)).height() : 0;
    const int rows = t->header()->sizeHint().height() + 10 * qMax(rowHeight, fontMetrics().height() + 2) +
                     t->horizontalScrollBar()->sizeHint().height() + 2 * t->frameWidth() + 4;
    const int lower = rows + CalibrateCheck->sizeHint().height() + ScanBut->sizeHint().height() + 12;
    const int total = MainSplitter->height();
    MainSplitter->setSizes({qMax(total - lower, total / 2), qMin(lower, total / 2)});
    fitTableWidth();
    // Until the user moves the divider, the table widens with its columns.
    connect(t->header(), &QHeaderView::sectionResized, this, [this] {
        if (m_listSplitterMoved || m_tableFitPending)
            return;
        m_tableFitPending = true;
        QMetaObject::invokeMethod(this, [this] {
            m_tableFitPending = false;
            if (!m_listSplitterMoved)
                fitTableWidth();
        }, Qt::QueuedConnection);
    });
}

void MainWindow::fitTableWidth()
{
    // Every column of the table where the window allows (three quarters of
    // the width at most); the comms log the rest.
    const QTreeWidget *t = table->list();
    const int want = t->header()->length() + 2 * t->frameWidth() + t->verticalScrollBar()->sizeHint().width();
    const int across = ListSplitter->width();
    const int tableWidth = qMin(want, across * 3 / 4);
    if (ListSplitter->sizes().value(0) != tableWidth)
        ListSplitter->setSizes({tableWidth, across - tableWidth});
}

void MainWindow::loadWindowState()
{
    if (m_windowStatePath.isEmpty())
        return;
    QSettings state(m_windowStatePath, QSettings::IniFormat);
    m_savedGeometry = state.value(QStringLiteral("window/geometry")).toByteArray();
    // A state that does not read leaves the splitters to fitToScreen().
    m_splittersRestored = m_listSplitterMoved = MainSplitter->restoreState(state.value(QStringLiteral("window/mainSplitter")).toByteArray()) &&
                          ListSplitter->restoreState(state.value(QStringLiteral("window/listSplitter")).toByteArray());
}

void MainWindow::saveWindowState()
{
    if (m_windowStatePath.isEmpty())
        return;
    QSettings state(m_windowStatePath, QSettings::IniFormat);
    state.setValue(QStringLiteral("window/geometry"), saveGeometry());
    state.setValue(QStringLiteral("window/mainSplitter"), MainSplitter->saveState());
    state.setValue(QStringLiteral("window/listSplitter"), ListSplitter->saveState());
}

void MainWindow::buildMenus()
{
    auto named = [](QAction *a, const char *name) {
        a->setObjectName(QString::fromLatin1(name));
        return a;
    };
    QMenu *file = menuBar()->addMenu(QStringLiteral("&File"));
    mnuFile = named(file->menuAction(), "mnuFile");
    mnuSaveAs = named(file->addAction(QStringLiteral("Save As...")), "mnuSaveAs");
    mnuRestore = named(file->addAction(QStringLiteral("Restore Unsaved Readings...")), "mnuRestore");
    mnuRestore->setEnabled(false);
    QMenu *comms = menuBar()->addMenu(QStringLiteral("&Comms Port"));
    mnuCommsPort = named(comms->menuAction(), "mnuCommsPort");
    // An adapter plugged in later can be chosen: the devices are listed
    // afresh each time the menu opens.
    connect(comms, &QMenu::aboutToShow, this, [this] { ports->ListSerialPorts(systemPorts()); });
    for (int i = 1; i <= 16; ++i) {
        QAction *a = comms->addAction(QStringLiteral("COM%1").arg(i));
        a->setObjectName(QStringLiteral("mnuCom_%1").arg(i));
        a->setCheckable(true);
        mnuCom[static_cast<size_t>(i)] = a;
        connect(a, &QAction::triggered, this, [this, i] { ports->mnuCom_Click(i); });
    }
    mnuReset = named(menuBar()->addAction(QStringLiteral("&Reset Sensor")), "mnuReset");
    mnuFilter = named(menuBar()->addAction(QStringLiteral("&Filter Settings")), "mnuFilter");
    mnuQueryAddress = named(menuBar()->addAction(QStringLiteral("&Query Sensor Address")), "mnuQueryAddress");
    mnuUserCommand = named(menuBar()->addAction(QStringLiteral("&User Command")), "mnuUserCommand");
    QMenu *help = menuBar()->addMenu(QStringLiteral("&Help"));
    mnuHelp = named(help->menuAction(), "mnuHelp");
    submnuHelp = named(help->addAction(QStringLiteral("Help")), "submnuHelp");
    submnuAbout = named(help->addAction(QStringLiteral("About")), "submnuAbout");
    for (QAction *a : {mnuReset, mnuFilter, mnuQueryAddress, mnuUserCommand})
        a->setEnabled(false);
}

void MainWindow::connectTabs()
{
    for (int i = 0; i < 10; ++i) {
        level->connectTab(i);
        rotary->connectTab(i);
        address->connectTab(i);
        calibration->connectTab(i);
        SensorTabWidget *t = tab[static_cast<size_t>(i)];
        onPress(t->StartLogBut, [this, i] { logging->StartLogBut_Click(i); });
        connect(t->StopLogBut, &QPushButton::clicked, this, [this, i] { logging->StopLogBut_Click(i); });
        onPress(t->RotaryStartLogBut, [this, i] { logging->RotaryStartLogBut_Click(i); });
        connect(t->RotaryStopLogBut, &QPushButton::clicked, this, [this, i] { logging->RotaryStopLogBut_Click(i); });
        for (LogList *l : {t->LogListView, t->RotaryLogListView})
            connect(l, &LogList::countChanged, this, [this] { logging->showStatus(); });
        connect(t->LogChartView, &LogChart::saveRequested, this, [this, t] { saveChart(t); });
        connect(t->ClearLogBut, &QPushButton::clicked, this, [this, i] { logging->ClearLogBut_Click(i); });
        connect(t->SaveLogBut, &QPushButton::clicked, this, [this, i] { exporter->SaveLogBut_Click(i); });
    }
    onPress(ScanBut, [this] { scanner->Poll_Sensors(); });
    connect(ButClearComms, &QPushButton::clicked, CommsList, &QListWidget::clear);
    // The check box acts on every change, also the one "Calibration
    // Complete" makes.
    connect(CalibrateCheck, &QCheckBox::toggled, this, [this] { calibration->CalibrateCheck_Click(); });
    connect(mnuSaveAs, &QAction::triggered, this, [this] { report->mnuSaveAs_Click(); });
    connect(mnuRestore, &QAction::triggered, this, [this] { journal->offerRestore(true); });
    connect(mnuReset, &QAction::triggered, this, [this] { tools->mnuReset_Click(); });
    connect(mnuFilter, &QAction::triggered, this, [this] { press(-1, [this] { tools->mnuFilter_Click(); }); });
    connect(mnuQueryAddress, &QAction::triggered, this,
            [this] { press(-1, [this] { address->mnuQueryAddress_Click(); }); });
    connect(mnuUserCommand, &QAction::triggered, this, [this] { tools->mnuUserCommand_Click(); });
    connect(submnuHelp, &QAction::triggered, this, [this] { HelpWindow::showFor(this); });
    connect(submnuAbout, &QAction::triggered, this, [this] {
        About->show();
        About->raise();
    });
}

namespace {
const struct {
    const char *text;
    int code;
} kPressureUnits[] = {
    {"mH2O", 0}, {"ftH2O", 1}, {"inH2O", 2}, {"bar", 3}, {"mmWg", 5}, {"cmWg", 6},
    {"mH2O Absolute", 10}, {"mm Hg", 11}, {"Inch Hg", 12}, {"mbar", 13}, {"KPa", 14},
};
} // namespace

void MainWindow::familySetup()
{
    for (SensorTabWidget *t : tab) {
        t->setFamily(SensorType);
        if (!SensorType) {
            t->LogPeriodCombo->setCurrentIndex(0);
            t->LocalGravityText->clear();
            t->PressUnitsCombo->clear();
            for (const auto &u : kPressureUnits)
                t->PressUnitsCombo->addItem(QString::fromLatin1(u.text), u.code);
            combo::reset(t->PressUnitsCombo);
            t->SGText->setToolTip(QStringLiteral("Enter Specific Gravity."));
            t->MaxOverRangeText->setToolTip(QStringLiteral("Maximum Useable Range."));
            t->RangeText->setToolTip(QStringLiteral("Calibrated Range."));
            t->DensityCorrCombo->setToolTip(QStringLiteral("Select Density Correction."));
            t->ReverseCombo->setToolTip(QStringLiteral("Enable Reverse output."));
            t->SampleRateText->setToolTip(QStringLiteral("Max Sample Rate."));
            t->LocalOffsetCheck->setToolTip(QStringLiteral("Apply Local Level Offset."));
            t->LevelBut->setToolTip(QStringLiteral("Set Local level."));
        } else {
            fillAllLogPeriods(t->RotaryLogPeriodCombo);
        }
    }
    if (!SensorType)
        LogEnabled.fill(false), LogTickCount.fill(0);
    CalibrateCheck->setVisible(!SensorType);
    mnuFilter->setVisible(!SensorType);
    mnuReset->setVisible(!SensorType);
    ListView->setVisible(!SensorType);
    RotaryListView->setVisible(SensorType);
}

void MainWindow::Form_Load()
{
    ScanOnConnect = 1;
    SensorTab->setCurrentIndex(0);
    SensorTab->setEnabled(false);
    familySetup();
    table->createRows();
    ports->ListSerialPorts(systemPorts());
    loadWindowState();
    fitToScreen();
    show();
    if (!m_splittersRestored)
        fitSplitters();
    journal->open();
    ClockTimer->start();
    logging->SecondTimer.start();
    settings->ReadSysData();
}

int MainWindow::currentTab() const
{
    const int i = SensorTab->currentIndex();
    return i < 0 ? 0 : i;
}

void MainWindow::replyBeep()
{
    if (ReplyBeep_Flag)
        ui.beep();
}

void MainWindow::sendCommand(const QString &command, int code)
{
    link.strSent_Command = command;
    link.LastCommand = code;
    link.send_TXbuff(command.toLatin1());
}

void MainWindow::press(int tabIndex, std::function<void()> handler)
{
    if (sequencesRunning > 0) {
        ui.beep();
        return;
    }
    if (!link.exchangeInFlight() && m_waiting.empty()) {
        handler();
        return;
    }
    m_waiting.push_back({tabIndex, -1, std::move(handler)});
    if (tabIndex >= 0)
        busy->setBusy(tabIndex);
}

void MainWindow::onPress(QAbstractButton *button, std::function<void()> handler)
{
    int tabIndex = -1;
    for (QObject *o = button; o; o = o->parent())
        if (auto *t = qobject_cast<SensorTabWidget *>(o)) {
            tabIndex = t->index();
            break;
        }
    connect(button, &QAbstractButton::clicked, button,
            [this, tabIndex, h = std::move(handler)] { press(tabIndex, h); });
}

void MainWindow::queueReading(int a)
{
    for (const Waiting &w : m_waiting)
        if (w.reading == a)
            return;
    m_waiting.push_back({-1, a, [this, a] {
                             if (LogEnabled[static_cast<size_t>(a)])
                                 SensorType ? logging->StartRotaryMeasurement(a) : logging->StartLevelMeasurement(a);
                         }});
}

bool MainWindow::pressWaiting(int tabIndex) const
{
    for (const Waiting &w : m_waiting)
        if (w.tab == tabIndex)
            return true;
    return false;
}

void MainWindow::sendWaiting()
{
    // A press may open a window of its own (the filter settings): presses
    // made there are sent from within it, each only once the bus is free.
    while (!m_waiting.empty() && !link.exchangeInFlight() && sequencesRunning == 0) {
        const Waiting w = m_waiting.front();
        m_waiting.pop_front();
        const quint64 sent = link.sentCount();
        w.run();
        // A press that sent nothing (a message instead) leaves its tab.
        if (w.tab >= 0 && link.sentCount() == sent && !link.exchangeInFlight())
            busy->setIdle(w.tab);
    }
}

void MainWindow::onTimedOut()
{
    const int t = decoder->answerTab();
    if (SensorType)
        busy->SetRotaryIdle(t);
    else
        busy->SetLevelIdle(t);
}

void MainWindow::onCannotSend()
{
    // While a scan runs every address would report it: once is enough.
    if (scanner->running()) {
        if (connectMessageShown)
            return;
        connectMessageShown = true;
    }
    // Periodic logging cannot go on without a port; stop it rather than
    // report the same failure at every reading, unless it only waits for a
    // lost port to come back.
    if (LoggingTab != 0 && !ports->reopening())
        logging->stopAll(QStringLiteral("because the port is closed"));
    // Logging ticks go on while the box is open: never a second box on top.
    if (m_connectMessageOpen)
        return;
    m_connectMessageOpen = true;
    warn(QStringLiteral("Connection."), QStringLiteral("Unable to connect to comm port."));
    m_connectMessageOpen = false;
}

void MainWindow::onPortLost(const QString &)
{
    StatusBar1[1]->setText(QStringLiteral("Not Connected. "));
    const QString lost =
        QStringLiteral("The connection on COM%1 was lost: the adapter or its port went away.\r").arg(CommPort);
    QString then = QStringLiteral("Check the cable and the adapter, then choose the port again from the Comms Port "
                                  "menu.");
    // A glitch must not end a long run: logging waits for the device and
    // goes on by itself when it is back, whether or not this is answered.
    if (LoggingTab != 0) {
        logging->portLost();
        ports->reopenWhenBack();
        then = QStringLiteral("Logging will resume by itself as soon as the adapter is back.");
    }
    if (m_portLostShown)
        return;
    m_portLostShown = true;
    warn(QStringLiteral("Connection."), lost + then);
}

void MainWindow::saveChart(SensorTabWidget *t)
{
    Ui::SaveDialog d;
    d.filter = QStringLiteral("PNG Images(*.png)|*.png");
    d.defaultSuffix = QStringLiteral("png");
    d.overwritePrompt = true;
    d.title = QStringLiteral("Save Chart");
    d.fileName = QStringLiteral("Chart Sensor %1").arg(t->index());
    const Ui::SaveChoice c = ui.saveFile(d);
    if (!c.accepted || c.fileName.isEmpty())
        return;
    if (!t->LogChartView->savePng(c.fileName))
        warn(QStringLiteral("Save Chart."),
             QStringLiteral("Error encountered while saving file. %1 could not be written.").arg(c.fileName));
}

void MainWindow::commsNote(const QString &text)
{
    m_commsLog.append(clock.timeOfDay() + QStringLiteral(" --- ") + text);
}

PortCatalogue MainWindow::systemPorts() const
{
    return m_catalogue ? m_catalogue() : PortCatalogue{};
}

void MainWindow::closeEvent(QCloseEvent *event)
{
    const int unsaved = journal->unsavedTotal();
    const QString lost = unsaved == 0 ? QString()
                                      : QStringLiteral("\r%1 logged %2 not been saved.")
                                            .arg(SensorTabWidget::readingsText(unsaved),
                                                 unsaved == 1 ? QStringLiteral("has") : QStringLiteral("have"));
    if (!ui.askYesNo(QStringLiteral("Quit."), QStringLiteral("Are you sure you want to quit?") + lost)) {
        event->ignore();
        return;
    }
    saveWindowState();
    if (Comm1->isOpen())
        Comm1->close();
    About->hide();
    SensorPoll->hide();
    Timing->hide();
    Filter->hide();
    UserCommand->hide();
    event->accept();
}
