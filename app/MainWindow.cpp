#include "MainWindow.h"

#include "app/AboutWindow.h"
#include "app/Bindings.h"
#include "app/HelpWindow.h"
#include "app/SensorTabWidget.h"
#include "decode/Dispatcher.h"
#include "discovery/AddressOps.h"
#include "discovery/Scanner.h"
#include "discovery/SensorPollWindow.h"
#include "discovery/SensorTable.h"
#include "discovery/Settings.h"
#include "discovery/TimingWindow.h"
#include "link/PortMenu.h"
#include "logging/JournalKeeper.h"
#include "logging/LogChart.h"
#include "logging/LogExport.h"
#include "logging/LogList.h"
#include "logging/LoggingEngine.h"
#include "logging/LogModel.h"
#include "logging/ParameterProfile.h"
#include "logging/ParameterReport.h"
#include "params/Calibration.h"
#include "params/EntryFilter.h"
#include "params/FilterWindow.h"
#include "params/LevelParams.h"
#include "params/ResetWindow.h"
#include "params/RotaryParams.h"
#include "params/SensorTools.h"
#include "params/UserCommandWindow.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QSettings>
#include <QSplitter>
#include <QStatusBar>
#include <QStyle>
#include <QTabBar>
#include <QTabWidget>
#include <QTimer>
#include <QTreeView>
#include <QVBoxLayout>

MainWindow::MainWindow(const Platform &p, QWidget *parent)
    : QMainWindow(parent), core(*new Console(p)), m_core(&core), m_windowStatePath(p.windowStatePath)
{
    setObjectName(QStringLiteral("Main"));
    setWindowTitle(QStringLiteral("Orvane"));
    buildWindow();
    buildMenus();

    About = new AboutWindow(this);
    SensorPoll = new SensorPollWindow(this);
    Filter = new FilterWindow(this);
    Reset = new ResetWindow(this);
    Timing = new TimingWindow(core.ui);
    UserCommand = new UserCommandWindow;

    connectTabs();
    connectWindows();
}

MainWindow::~MainWindow()
{
    // The views go before the run whose fields and models they show.
    for (FieldBinding *b : m_bindings)
        delete b;
    m_bindings.clear();
    disconnect(&core, nullptr, this, nullptr);
    delete takeCentralWidget();
    delete Timing;
    delete UserCommand;
}

void MainWindow::buildWindow()
{
    SensorTab = new QTabWidget;
    SensorTab->setObjectName(QStringLiteral("SensorTab"));
    SensorTab->tabBar()->setObjectName(QStringLiteral("SensorTabBar"));
    SensorTab->setUsesScrollButtons(true);
    for (int i = 0; i < 10; ++i) {
        tab[static_cast<size_t>(i)] = new SensorTabWidget(i, core.levelLog(i), core.rotaryLog(i));
        SensorTab->addTab(tab[static_cast<size_t>(i)], QStringLiteral("Sensor %1").arg(i));
    }
    CalibrateCheck = new QCheckBox(QStringLiteral("Calibrate Mode"));
    CalibrateCheck->setObjectName(QStringLiteral("CalibrateCheck"));
    ListView = new QTreeView;
    ListView->setObjectName(QStringLiteral("ListView"));
    RotaryListView = new QTreeView;
    RotaryListView->setObjectName(QStringLiteral("RotaryListView"));
    CommsList = new QListView;
    CommsList->setObjectName(QStringLiteral("CommsList"));
    CommsList->setModel(&core.comms.model);
    CommsList->setEditTriggers(QAbstractItemView::NoEditTriggers);
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
}

QTreeView *MainWindow::tableView() const
{
    return core.SensorType ? RotaryListView : ListView;
}

void MainWindow::widenColumn(int column)
{
    // Measured for the texts just written: a column only ever widens, so
    // the table neither jumps about nor measures every cell on each reading.
    QTreeView *t = tableView();
    int need = 0;
    for (int r = 0; r < 10; ++r)
        need = qMax(need, t->fontMetrics().horizontalAdvance(core.table->cell(r, column)));
    need += 2 * t->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, t) + 8;
    if (need > t->header()->sectionSize(column))
        t->header()->resizeSection(column, need);
}

void MainWindow::resizeEvent(QResizeEvent *event)
{
    QMainWindow::resizeEvent(event);
    // Until the user moves the divider, the table keeps every column in view.
    if (!m_listSplitterMoved)
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
    QTreeView *t = tableView();
    const int rowHeight = t->visualRect(t->model()->index(0, 0)).height();   // the sensor table's, from the start
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
    const QTreeView *t = tableView();
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
    m_splittersRestored = m_listSplitterMoved =
        MainSplitter->restoreState(state.value(QStringLiteral("window/mainSplitter")).toByteArray()) &&
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
    mnuApply = named(file->addAction(QStringLiteral("Apply Parameters...")), "mnuApply");
    mnuRestore = named(file->addAction(QStringLiteral("Restore Unsaved Readings...")), "mnuRestore");
    QMenu *comms = menuBar()->addMenu(QStringLiteral("&Comms Port"));
    mnuCommsPort = named(comms->menuAction(), "mnuCommsPort");
    // An adapter plugged in later can be chosen: the devices are listed
    // afresh each time the menu opens.
    connect(comms, &QMenu::aboutToShow, this, [this] { core.ports->ListSerialPorts(core.systemPorts()); });
    for (int i = 1; i <= 16; ++i) {
        QAction *a = comms->addAction(QStringLiteral("COM%1").arg(i));
        a->setObjectName(QStringLiteral("mnuCom_%1").arg(i));
        a->setCheckable(true);
        mnuCom[static_cast<size_t>(i)] = a;
        connect(a, &QAction::triggered, this, [this, i] {
            core.ports->mnuCom_Click(i);
            // The entry shows the run's check mark, not its own toggle.
            m_bindings.front()->apply(core.win.mnuCom[i].id());
        });
    }
    mnuReset = named(menuBar()->addAction(QStringLiteral("&Reset Sensor")), "mnuReset");
    mnuFilter = named(menuBar()->addAction(QStringLiteral("&Filter Settings")), "mnuFilter");
    mnuQueryAddress = named(menuBar()->addAction(QStringLiteral("&Query Sensor Address")), "mnuQueryAddress");
    mnuUserCommand = named(menuBar()->addAction(QStringLiteral("&User Command")), "mnuUserCommand");
    QMenu *help = menuBar()->addMenu(QStringLiteral("&Help"));
    mnuHelp = named(help->menuAction(), "mnuHelp");
    submnuHelp = named(help->addAction(QStringLiteral("Help")), "submnuHelp");
    submnuAbout = named(help->addAction(QStringLiteral("About")), "submnuAbout");
}

void MainWindow::connectTabs()
{
    for (int i = 0; i < 10; ++i) {
        SensorTabWidget *t = tab[static_cast<size_t>(i)];
        for (const Console::TabOperation &op : Console::tabOperations())
            if (auto *b = t->findChild<QAbstractButton *>(QLatin1String(op.control) + QLatin1Char('_') + QString::number(i)))
                connect(b, &QAbstractButton::clicked, this, [this, i, &op] { core.click(i, op); });
        connect(t->LogChartView, &LogChart::saveRequested, this, [this, t] { saveChart(t); });

        new EntryFilter(t->LevelText, true, true, core.ui);
        new EntryFilter(t->LevelOffsetText, true, false, core.ui);
        new EntryFilter(t->SGText, true, false, core.ui);
        new EntryFilter(t->LocalGravityText, false, true, core.ui);
        new EntryFilter(t->RangeText, false, false, core.ui);
        new EntryFilter(t->MaxOverRangeText, false, false, core.ui);
    }
    connect(ScanBut, &QPushButton::clicked, this, [this] { core.press(-1, [this] { core.scanner->Poll_Sensors(); }); });
    connect(ButClearComms, &QPushButton::clicked, this, [this] { core.comms.clear(); });
    connect(mnuSaveAs, &QAction::triggered, this, [this] { core.report->mnuSaveAs_Click(); });
    connect(mnuApply, &QAction::triggered, this, [this] { core.press(-1, [this] { core.profile->mnuApply_Click(); }); });
    connect(mnuRestore, &QAction::triggered, this, [this] { core.journal->offerRestore(true); });
    connect(mnuReset, &QAction::triggered, this, [this] { mnuReset_Click(); });
    connect(mnuFilter, &QAction::triggered, this, [this] { core.press(-1, [this] { mnuFilter_Click(); }); });
    connect(mnuQueryAddress, &QAction::triggered, this,
            [this] { core.press(-1, [this] { core.address->mnuQueryAddress_Click(); }); });
    connect(mnuUserCommand, &QAction::triggered, this, [this] { mnuUserCommand_Click(); });
    connect(submnuHelp, &QAction::triggered, this, [this] { HelpWindow::showFor(this); });
    connect(submnuAbout, &QAction::triggered, this, [this] {
        About->show();
        About->raise();
    });

    // The sensor table.
    for (QTreeView *t : {ListView, RotaryListView}) {
        t->setModel(core.table.get());
        t->setRootIsDecorated(false);
        t->setUniformRowHeights(true);
        t->setItemsExpandable(false);
        t->setSelectionMode(QAbstractItemView::SingleSelection);
        t->setSelectionBehavior(QAbstractItemView::SelectRows);
        t->setEditTriggers(QAbstractItemView::NoEditTriggers);
        t->setAllColumnsShowFocus(true);
        t->header()->setStretchLastSection(false);
        t->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    }
    connect(core.table.get(), &QAbstractItemModel::dataChanged, this,
            [this](const QModelIndex &from, const QModelIndex &to) {
                for (int c = from.column(); c <= to.column(); ++c)
                    widenColumn(c);
            });
    connect(core.table.get(), &QAbstractItemModel::modelReset, this, [this] {
        // Every column at least as wide as its heading and its texts.
        QTreeView *t = tableView();
        for (int c = 0; c < core.table->columnCount(); ++c) {
            t->header()->resizeSection(c, t->header()->sectionSizeHint(c));
            widenColumn(c);
        }
    });
    // A tab disabled under the cursor moves the tab bar on its own; the tab
    // shown stays the run's, whatever the bar did.
    connect(core.table.get(), &SensorTable::presenceChanged, this, [this](int a) {
        const QSignalBlocker quiet(SensorTab);
        SensorTab->setTabEnabled(a, core.table->present(a));
        SensorTab->setCurrentIndex(core.currentTab());
    });
    connect(&core, &Console::selectedRowChanged, this, [this](int row) {
        QTreeView *t = tableView();
        if (row < 0)
            t->clearSelection();
        else
            t->setCurrentIndex(core.table->index(row, 0));
    });

    // The comms log follows its newest line; lines that arrive together
    // share one scroll, done when the event loop next runs.
    connect(&core.comms.model, &QAbstractItemModel::rowsInserted, this, [this] {
        if (m_scrollPending)
            return;
        m_scrollPending = true;
        QMetaObject::invokeMethod(this, [this] {
            m_scrollPending = false;
            CommsList->scrollToBottom();
        }, Qt::QueuedConnection);
    });

    // The selected tab is the run's; the user picks it on the tab bar.
    connect(SensorTab, &QTabWidget::currentChanged, this, [this](int i) { core.setCurrentTab(i); });
    connect(&core, &Console::currentTabChanged, this, [this](int i) {
        if (SensorTab->currentIndex() != i)
            SensorTab->setCurrentIndex(i);
    });
    connect(&core, &Console::scanRunning, this, [](bool on) {
        if (on)
            QApplication::setOverrideCursor(Qt::WaitCursor);
        else
            QApplication::restoreOverrideCursor();
    });
}

void MainWindow::connectWindows()
{
    connect(Filter->Command1, &QPushButton::clicked, this,
            [this] { core.press(-1, [this] { core.tools->Command1_Click(); }); });
    connect(Filter->FilterSetingsBut, &QPushButton::clicked, this,
            [this] { core.press(-1, [this] { core.tools->FilterSetingsBut_Click(); }); });
    connect(Reset->ResetBut, &QPushButton::clicked, this, [this] {
        const int index = Reset->SensorCombo->currentIndex();
        core.press(-1, [this, index] { core.tools->ResetBut_Click(index); });
    });
    connect(Timing, &TimingWindow::applyClicked, this, [this] { core.settings->butApply_Click(); });
    connect(Timing, &TimingWindow::defaultClicked, this, [this] { core.settings->butDefault_Click(); });
    connect(UserCommand, &UserCommandWindow::submitted, this, &MainWindow::submitUserCommand);
    connect(UserCommand, &UserCommandWindow::closing, this, [this] {
        setEnabled(true);
        core.tools->UserCommand_Form_Unload();
    });
}

void MainWindow::bind()
{
    const QStringList hidden = core.SensorType ? QStringList{"ParameterFrame", "CalibrateFrame"} : QStringList{};
    auto *own = new FieldBinding(core.win, {this, SensorPoll, Filter, Timing, UserCommand});
    own->userChecked = [this](Control *) { core.calibration->CalibrateCheck_Click(); };
    m_bindings.push_back(own);
    for (int i = 0; i < 10; ++i) {
        auto *b = new FieldBinding(*core.tab[static_cast<size_t>(i)], {tab[static_cast<size_t>(i)]}, hidden);
        // A box acts on every change of its state made on the widget.
        b->userChecked = [this, i](Control *c) {
            if (c == &core.tab[static_cast<size_t>(i)]->LocalOffsetCheck)
                core.level->LocalOffsetCheck_Click(i);
            else if (c == &core.tab[static_cast<size_t>(i)]->UnlockCheck)
                core.level->UnlockCheck_Click(i);
        };
        m_bindings.push_back(b);
    }
    connect(&core, &Console::changed, this, [this](int t, int id) { m_bindings[static_cast<size_t>(t + 1)]->apply(id); });
    connect(&core, &Console::focus, this, [this](int t, int id) {
        if (auto *w = qobject_cast<QWidget *>(m_bindings[static_cast<size_t>(t + 1)]->widget(id)))
            w->setFocus();
    });
}

void MainWindow::Form_Load()
{
    for (SensorTabWidget *t : tab)
        t->setFamily(core.SensorType);
    ListView->setVisible(!core.SensorType);
    RotaryListView->setVisible(core.SensorType);
    bind();
    core.prepare();
    SensorTab->setCurrentIndex(core.currentTab());
    for (int a = 0; a < 10; ++a)
        SensorTab->setTabEnabled(a, core.table->present(a));
    loadWindowState();
    fitToScreen();
    show();
    if (!m_splittersRestored)
        fitSplitters();
    core.start();
}

void MainWindow::mnuFilter_Click()
{
    const int t = core.currentTab();
    Filter->setWindowTitle(QStringLiteral("Filter Setings - Sensor ") + QString::number(t));
    core.tools->mnuFilter_Click();
    Filter->exec();
}

void MainWindow::mnuReset_Click()
{
    Reset->SensorCombo->setCurrentIndex(core.currentTab());
    Reset->exec();
}

void MainWindow::mnuUserCommand_Click()
{
    UserCommand->show();
    UserCommand->raise();
    setEnabled(false);
    UserCommand->setEnabled(true);
    core.tools->mnuUserCommand_Click();
}

void MainWindow::submitUserCommand(const QString &text)
{
    // The maintenance code opens the timing settings instead of going out.
    if (SensorTools::isMaintenanceCode(text)) {
        Timing->exec();
        setEnabled(true);
        core.tools->maintenanceDone();
        UserCommand->hide();
        return;
    }
    core.press(-1, [this, text] { core.tools->SubmitBut_Click(text); });
}

void MainWindow::saveChart(SensorTabWidget *t)
{
    Ui::SaveDialog d;
    d.filter = QStringLiteral("PNG Images(*.png)|*.png");
    d.defaultSuffix = QStringLiteral("png");
    d.overwritePrompt = true;
    d.title = QStringLiteral("Save Chart");
    d.fileName = QStringLiteral("Chart Sensor %1").arg(t->index());
    const Ui::SaveChoice c = core.ui.saveFile(d);
    if (!c.accepted || c.fileName.isEmpty())
        return;
    if (!t->LogChartView->savePng(c.fileName))
        core.warn(QStringLiteral("Save Chart."),
                  QStringLiteral("Error encountered while saving file. %1 could not be written.").arg(c.fileName));
}

void MainWindow::closeEvent(QCloseEvent *event)
{
    const int unsaved = core.unsavedTotal();
    const QString lost = unsaved == 0 ? QString()
                                      : QStringLiteral("\r%1 logged %2 not been saved.")
                                            .arg(LogModel::readingsText(unsaved),
                                                 unsaved == 1 ? QStringLiteral("has") : QStringLiteral("have"));
    if (!core.ui.askYesNo(QStringLiteral("Quit."), QStringLiteral("Are you sure you want to quit?") + lost)) {
        event->ignore();
        return;
    }
    saveWindowState();
    core.quit();
    About->hide();
    SensorPoll->hide();
    Timing->hide();
    Filter->hide();
    UserCommand->hide();
    event->accept();
}
