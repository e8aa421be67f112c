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
#include "logging/LogExport.h"
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

#include <QAction>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenuBar>
#include <QPushButton>
#include <QStatusBar>
#include <QTabWidget>
#include <QTimer>
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
      m_catalogue(p.catalogue), m_settingsPath(p.settingsPath)
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

    connectTabs();
    settings->connectWindow();
    tools->connectWindows();

    link.decode = [this](const QByteArray &line) { decoder->Decode_SDI12(line); };
    link.requestMeasurementData = [this](int a) { logging->RequestMeasurementData(a); };
    link.releaseAfterTimeout = [this] { onTimedOut(); };
    connect(&link, &Link::cannotSend, this, &MainWindow::onCannotSend);
    connect(&link, &Link::portLost, this, &MainWindow::onPortLost);

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
    auto *central = new QWidget;
    auto *g = new QGridLayout(central);
    SensorTab = new QTabWidget;
    SensorTab->setObjectName(QStringLiteral("SensorTab"));
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

    // Arranged as the twips layout: the tabs on top, the check box, the
    // sensor table beside the comms log, and the two buttons under them.
    g->addWidget(SensorTab, 0, 0, 1, 2);
    g->addWidget(CalibrateCheck, 1, 0);
    auto *lists = new QHBoxLayout;
    lists->addWidget(ListView);
    lists->addWidget(RotaryListView);
    g->addLayout(lists, 2, 0);
    g->addWidget(CommsList, 2, 1);
    auto *scanRow = new QHBoxLayout;
    scanRow->addStretch();
    scanRow->addWidget(ScanBut);
    g->addLayout(scanRow, 3, 0);
    auto *clearRow = new QHBoxLayout;
    clearRow->addStretch();
    clearRow->addWidget(ButClearComms);
    g->addLayout(clearRow, 3, 1);
    g->setColumnStretch(0, 10455);
    g->setColumnStretch(1, 3255);
    g->setRowStretch(0, 6345);
    g->setRowStretch(2, 2415);
    setCentralWidget(central);

    static const char *panelNames[] = {"StatusPanel1", "StatusPanel2", "StatusPanel3"};
    for (size_t i = 0; i < 3; ++i) {
        StatusBar1[i] = new QLabel;
        StatusBar1[i]->setObjectName(QString::fromLatin1(panelNames[i]));
        statusBar()->addWidget(StatusBar1[i], i == 1 ? 1 : 0);
    }
    statusBar()->setObjectName(QStringLiteral("StatusBar1"));
    StatusBar1[0]->setText(QStringLiteral("    Connection Status: "));
    StatusBar1[1]->setText(QStringLiteral("Not Connected. "));
    resize(1000, 720);
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
    QMenu *comms = menuBar()->addMenu(QStringLiteral("&Comms Port"));
    mnuCommsPort = named(comms->menuAction(), "mnuCommsPort");
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
        connect(t->StartLogBut, &QPushButton::clicked, this, [this, i] { logging->StartLogBut_Click(i); });
        connect(t->StopLogBut, &QPushButton::clicked, this, [this, i] { logging->StopLogBut_Click(i); });
        connect(t->RotaryStartLogBut, &QPushButton::clicked, this, [this, i] { logging->RotaryStartLogBut_Click(i); });
        connect(t->RotaryStopLogBut, &QPushButton::clicked, this, [this, i] { logging->RotaryStopLogBut_Click(i); });
        connect(t->ClearLogBut, &QPushButton::clicked, this, [this, i] { logging->ClearLogBut_Click(i); });
        connect(t->SaveLogBut, &QPushButton::clicked, this, [this, i] { exporter->SaveLogBut_Click(i); });
    }
    connect(ScanBut, &QPushButton::clicked, this, [this] { scanner->Poll_Sensors(); });
    connect(ButClearComms, &QPushButton::clicked, CommsList, &QListWidget::clear);
    // The check box acts on every change, also the one "Calibration
    // Complete" makes.
    connect(CalibrateCheck, &QCheckBox::toggled, this, [this] { calibration->CalibrateCheck_Click(); });
    connect(mnuSaveAs, &QAction::triggered, this, [this] { report->mnuSaveAs_Click(); });
    connect(mnuReset, &QAction::triggered, this, [this] { tools->mnuReset_Click(); });
    connect(mnuFilter, &QAction::triggered, this, [this] { tools->mnuFilter_Click(); });
    connect(mnuQueryAddress, &QAction::triggered, this, [this] { address->mnuQueryAddress_Click(); });
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
    ports->ListSerialPorts(m_catalogue ? m_catalogue() : PortCatalogue{});
    show();
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
    // report the same failure at every reading.
    if (LoggingTab != 0)
        logging->stopAll();
    // Logging ticks go on while the box is open: never a second box on top.
    if (m_connectMessageOpen)
        return;
    m_connectMessageOpen = true;
    warn(QStringLiteral("Connection."), QStringLiteral("Unable to connect to comm port."));
    m_connectMessageOpen = false;
}

void MainWindow::onPortLost(const QString &reason)
{
    StatusBar1[1]->setText(QStringLiteral("Not Connected. "));
    if (LoggingTab != 0)
        logging->stopAll();
    if (m_portLostShown)
        return;
    m_portLostShown = true;
    warn(QStringLiteral("Connection."),
         QStringLiteral("The connection on COM%1 was lost (%2).\rCheck the cable and the adapter, then choose the "
                        "port again from the Comms Port menu.")
             .arg(CommPort)
             .arg(reason));
}

void MainWindow::closeEvent(QCloseEvent *event)
{
    if (!ui.askYesNo(QStringLiteral("Quit."), QStringLiteral("Are you sure you want to quit?"))) {
        event->ignore();
        return;
    }
    if (Comm1->isOpen())
        Comm1->close();
    About->hide();
    SensorPoll->hide();
    Timing->hide();
    Filter->hide();
    UserCommand->hide();
    event->accept();
}
