#include "Console.h"

#include <QCoreApplication>

#include "decode/Dispatcher.h"
#include "discovery/AddressOps.h"
#include "discovery/LogPeriods.h"
#include "discovery/Scanner.h"
#include "discovery/SensorTable.h"
#include "discovery/Settings.h"
#include "discovery/SysData.h"
#include "link/PortMenu.h"
#include "logging/Journal.h"
#include "logging/JournalKeeper.h"
#include "logging/LogExport.h"
#include "logging/LogModel.h"
#include "logging/LoggingEngine.h"
#include "logging/ParameterProfile.h"
#include "logging/ParameterReport.h"
#include "params/BusyState.h"
#include "params/Calibration.h"
#include "params/LevelParams.h"
#include "params/RotaryParams.h"
#include "params/SensorTools.h"

void CommsLines::append(const QString &line)
{
    const int n = model.rowCount();
    model.insertRows(n, 1);
    model.setData(model.index(n), line);
}

namespace {
const QStringList kAddresses = {"0", "1", "2", "3", "4", "5", "6", "7", "8", "9"};

const struct {
    const char *text;
    int code;
} kPressureUnits[] = {
    {"mH2O", 0}, {"ftH2O", 1}, {"inH2O", 2}, {"bar", 3}, {"mmWg", 5}, {"cmWg", 6},
    {"mH2O Absolute", 10}, {"mm Hg", 11}, {"Inch Hg", 12}, {"mbar", 13}, {"KPa", 14},
};

// The entries each list has from the start.
void fillLists(SensorFields &t)
{
    t.AddressCombo.setItems(kAddresses);
    t.RotaryAddressCombo.setItems(kAddresses);
    t.TempUnitsCombo.setItems({QStringLiteral("Centigrade"), QStringLiteral("Fahrenheit")});
    t.DensityCorrCombo.setItems({QStringLiteral("Compensated"), QStringLiteral("Uncompensated")});
    t.ReverseCombo.setItems({QStringLiteral("Off"), QStringLiteral("On")});
    t.RotaryMeasurementUnitsCombo.setItems(
        {QStringLiteral("Metres"), QStringLiteral("Millimetres"), QStringLiteral("Inches"), QStringLiteral("Feet")});
    t.RotaryDirectionCombo.setItems({QStringLiteral("Anticlockwise"), QStringLiteral("Clockwise")});
    t.LogPeriodCombo.setItems({QStringLiteral("Single Log")}, {0});
    t.LogPeriodCombo.select(0);
    t.LevelOffsetText.setText(QStringLiteral("0.00"));
    t.ClearLogBut.setEnabled(false);
    t.SaveLogBut.setEnabled(false);
    t.CalibrateFrame.setVisible(false);
}
} // namespace

Console::Platform Console::Platform::ofUser(Ui &ui, Clock &clock)
{
    Platform p;
    p.ui = &ui;
    p.clock = &clock;
    p.settingsPath = sysdata::defaultPath();
    p.userSettingsPath = sysdata::userPath();
    p.journalPath = Journal::defaultPath();
    return p;
}

Console::Console(const Platform &p, QObject *parent)
    : QObject(parent), ui(*p.ui), clock(*p.clock), Comm1(p.port), link(p.port, &comms, p.clock), win(this),
      m_catalogue(p.catalogue)
{
    const QStringList levelHeaders = {QStringLiteral("Date"),  QStringLiteral("Time"),        QStringLiteral("Pressure"),
                                      QStringLiteral("Units"), QStringLiteral("Temperature"), QStringLiteral("Units")};
    const QStringList rotaryHeaders = {QStringLiteral("Date"), QStringLiteral("Time"), QStringLiteral("Level"),
                                       QStringLiteral("Units")};
    for (int i = 0; i < 10; ++i) {
        tab[static_cast<size_t>(i)] = std::make_unique<SensorFields>(this, i);
        fillLists(*tab[static_cast<size_t>(i)]);
        // Pressure (column 2) and temperature (4), each followed by its
        // units; the rotary value (2) and its units.
        m_levelLog[static_cast<size_t>(i)] = new LogModel(levelHeaders, {2, 4}, {3, 5}, this);
        m_rotaryLog[static_cast<size_t>(i)] = new LogModel(rotaryHeaders, {2}, {3}, this);
    }
    for (Control *c : {&win.mnuRestore, &win.mnuReset, &win.mnuFilter, &win.mnuQueryAddress, &win.mnuUserCommand})
        c->setEnabled(false);
    win.SensorPoll.setVisible(false);
    win.StatusPanel1.setText(QStringLiteral("    Connection Status: "));
    win.StatusPanel2.setText(QStringLiteral("Not Connected. "));
    win.BreakText.setText(QStringLiteral("20"));
    win.MarkText.setText(QStringLiteral("15"));
    win.TimeoutText.setText(QStringLiteral("400"));
    win.DataTimeoutText.setText(QStringLiteral("200"));
    for (int i = 1; i <= 16; ++i)
        win.mnuCom[i].setCaption(QStringLiteral("COM%1").arg(i));

    table = std::make_unique<SensorTable>(*this);
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
    profile = std::make_unique<ParameterProfile>(*this);
    ports = std::make_unique<PortMenu>(*this);
    settings = std::make_unique<Settings>(*this, p.settingsPath, p.userSettingsPath);
    tools = std::make_unique<SensorTools>(*this);
    journal = std::make_unique<JournalKeeper>(*this, p.journalPath);

    // The status bar says how many readings the running log holds.
    for (int i = 0; i < 10; ++i)
        for (LogModel *l : {m_levelLog[static_cast<size_t>(i)], m_rotaryLog[static_cast<size_t>(i)]}) {
            connect(l, &QAbstractItemModel::rowsInserted, this, [this] { logging->showStatus(); });
            connect(l, &QAbstractItemModel::modelReset, this, [this] { logging->showStatus(); });
        }

    link.decode = [this](const QByteArray &line) { decoder->Decode_SDI12(line); };
    link.requestMeasurementData = [this](int a) { logging->RequestMeasurementData(a); };
    link.releaseAfterTimeout = [this] { onTimedOut(); };
    connect(&link, &Link::cannotSend, this, &Console::onCannotSend);
    connect(&link, &Link::portLost, this, &Console::onPortLost);
    connect(&link, &Link::settled, this, &Console::sendWaiting);

    m_clockTimer.setInterval(500);
    connect(&m_clockTimer, &QTimer::timeout, this, [this] {
        win.StatusPanel3.setText(clock.shortDate() + QLatin1Char(' ') + clock.timeOfDay() + QStringLiteral("  "));
    });
}

Console::~Console()
{
    link.decode = nullptr;
    link.requestMeasurementData = nullptr;
    link.releaseAfterTimeout = nullptr;
}

LogModel *Console::log(int address) const
{
    return SensorType ? rotaryLog(address) : levelLog(address);
}

void Console::prepare()
{
    ScanOnConnect = 1;
    setCurrentTab(0);
    win.SensorTab.setEnabled(false);
    for (auto &t : tab) {
        if (!SensorType) {
            t->LogPeriodCombo.select(0);
            t->LocalGravityText.clear();
            QStringList units;
            QVector<int> codes;
            for (const auto &u : kPressureUnits) {
                units << QString::fromLatin1(u.text);
                codes << u.code;
            }
            t->PressUnitsCombo.setItems(units, codes);
        } else {
            fillAllLogPeriods(t->RotaryLogPeriodCombo);
        }
    }
    if (!SensorType)
        LogEnabled.fill(false), LogTickCount.fill(0);
    // The calibration and the sensor tools exist for level probes only.
    win.CalibrateCheck.setVisible(!SensorType);
    win.mnuFilter.setVisible(!SensorType);
    win.mnuReset.setVisible(!SensorType);
    table->createRows();
    ports->ListSerialPorts(systemPorts());
}

void Console::start()
{
    journal->open();
    m_clockTimer.start();
    logging->SecondTimer.start();
    settings->ReadSysData();
}

void Console::quit()
{
    if (Comm1->isOpen())
        Comm1->close();
}

const std::vector<Console::TabOperation> &Console::tabOperations()
{
    using C = Console &;
    static const std::vector<TabOperation> ops = {
        {"RangeBut", true, [](C c, int a) { c.level->RangeBut_Click(a); }},
        {"RangeQueryBut", true, [](C c, int a) { c.level->RangeQueryBut_Click(a); }},
        {"MaxRangeBut", true, [](C c, int a) { c.level->MaxRangeBut_Click(a); }},
        {"MaxOverRangeQueryBut", true, [](C c, int a) { c.level->MaxOverRangeQueryBut_Click(a); }},
        {"PressUnitsBut", true, [](C c, int a) { c.level->PressUnitsBut_Click(a); }},
        {"PressUnitsQueryBut", true, [](C c, int a) { c.level->PressUnitsQueryBut_Click(a); }},
        {"TempUnitsBut", true, [](C c, int a) { c.level->TempUnitsBut_Click(a); }},
        {"TempUnitsQueryBut", true, [](C c, int a) { c.level->TempUnitsQueryBut_Click(a); }},
        {"DensityCorrBut", true, [](C c, int a) { c.level->DensityCorrBut_Click(a); }},
        {"DensityCorrQueryBut", true, [](C c, int a) { c.level->DensityCorrQueryBut_Click(a); }},
        {"ReverseBut", true, [](C c, int a) { c.level->ReverseBut_Click(a); }},
        {"ReverseQueryBut", true, [](C c, int a) { c.level->ReverseQueryBut_Click(a); }},
        {"LevelBut", true, [](C c, int a) { c.level->LevelBut_Click(a); }},
        {"LevelQueryBut", true, [](C c, int a) { c.level->LevelQueryBut_Click(a); }},
        {"ApplyQueryBut", true, [](C c, int a) { c.level->ApplyQueryBut_Click(a); }},
        {"UnlockQueryBut", true, [](C c, int a) { c.level->UnlockQueryBut_Click(a); }},
        {"SGBut", true, [](C c, int a) { c.level->SGBut_Click(a); }},
        {"LocalGravityBut", true, [](C c, int a) { c.level->LocalGravityBut_Click(a); }},
        {"LocalGravityQueryBut", true, [](C c, int a) { c.level->LocalGravityQueryBut_Click(a); }},
        {"RotaryCountsPerRevBut", true, [](C c, int a) { c.rotary->RotaryCountsPerRevBut_Click(a); }},
        {"QueryRotaryCountsPerRevBut", true, [](C c, int a) { c.rotary->QueryRotaryCountsPerRevBut_Click(a); }},
        {"RotaryPulleyCircumBut", true, [](C c, int a) { c.rotary->RotaryPulleyCircumBut_Click(a); }},
        {"QueryRotaryPulleyCircumfBut", true, [](C c, int a) { c.rotary->QueryRotaryPulleyCircumfBut_Click(a); }},
        {"RotaryMeasurementUnitsBut", true, [](C c, int a) { c.rotary->RotaryMeasurementUnitsBut_Click(a); }},
        {"QueryRotaryMeasurementUnitsBut", true,
         [](C c, int a) { c.rotary->QueryRotaryMeasurementUnitsBut_Click(a); }},
        {"RotaryDirectionBut", true, [](C c, int a) { c.rotary->RotaryDirectionBut_Click(a); }},
        {"QueryRotaryDirectionBut", true, [](C c, int a) { c.rotary->QueryRotaryDirectionBut_Click(a); }},
        {"RotaryCurrentValueBut", true, [](C c, int a) { c.rotary->RotaryCurrentValueBut_Click(a); }},
        {"QueryRotaryCurrentValueBut", true, [](C c, int a) { c.rotary->QueryRotaryCurrentValueBut_Click(a); }},
        {"RotarySetZeroBut", true, [](C c, int a) { c.rotary->RotarySetZeroBut_Click(a); }},
        {"StageOneBut", true, [](C c, int a) { c.calibration->StageOneBut_Click(a); }},
        {"ZeroCalibrationBut", true, [](C c, int a) { c.calibration->ZeroCalibrationBut_Click(a); }},
        {"SlopeCalibrationBut", true, [](C c, int a) { c.calibration->SlopeCalibrationBut_Click(a); }},
        {"PressureBut", true, [](C c, int a) { c.calibration->PressureBut_Click(a); }},
        {"CalibrationCompleteBut", true, [](C c, int a) { c.calibration->CalibrationCompleteBut_Click(a); }},
        {"ClearOffsetsBut", true, [](C c, int a) { c.calibration->ClearOffsetsBut_Click(a); }},
        {"AutoZeroBut", true, [](C c, int a) { c.calibration->AutoZeroBut_Click(a); }},
        {"LevelOffsetBut", true, [](C c, int a) { c.calibration->LevelOffsetBut_Click(a); }},
        {"AddrBut", true, [](C c, int a) { c.address->AddrBut_Click(a); }},
        {"RotaryAddrBut", true, [](C c, int a) { c.address->RotaryAddrBut_Click(a); }},
        {"IDQueryBut", true, [](C c, int a) { c.address->IDQueryBut_Click(a); }},
        {"RotaryIDQueryBut", true, [](C c, int a) { c.address->RotaryIDQueryBut_Click(a); }},
        {"StartLogBut", true, [](C c, int a) { c.logging->StartLogBut_Click(a); }},
        {"RotaryStartLogBut", true, [](C c, int a) { c.logging->RotaryStartLogBut_Click(a); }},
        // Stopping, clearing and saving a log send nothing: never held back.
        {"StopLogBut", false, [](C c, int a) { c.logging->StopLogBut_Click(a); }},
        {"RotaryStopLogBut", false, [](C c, int a) { c.logging->RotaryStopLogBut_Click(a); }},
        {"ClearLogBut", false, [](C c, int a) { c.logging->ClearLogBut_Click(a); }},
        {"SaveLogBut", false, [](C c, int a) { c.exporter->SaveLogBut_Click(a); }},
    };
    return ops;
}

void Console::click(int a, const TabOperation &op)
{
    if (op.press)
        press(a, [this, a, run = op.run] { run(*this, a); });
    else
        op.run(*this, a);
}

void Console::setCurrentTab(int a)
{
    if (a < 0 || a > 9 || a == m_currentTab)
        return;
    m_currentTab = a;
    emit currentTabChanged(a);
}

void Console::selectRow(int a)
{
    m_selectedRow = a;
    emit selectedRowChanged(a);
}

void Console::replyBeep()
{
    if (ReplyBeep_Flag)
        ui.beep();
}

void Console::sendCommand(const QString &command, int code)
{
    link.strSent_Command = command;
    link.LastCommand = code;
    link.send_TXbuff(command.toLatin1());
}

void Console::press(int tabIndex, std::function<void()> handler)
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

void Console::queueReading(int a)
{
    for (const Waiting &w : m_waiting)
        if (w.reading == a)
            return;
    m_waiting.push_back({-1, a, [this, a] {
                             if (LogEnabled[static_cast<size_t>(a)])
                                 SensorType ? logging->StartRotaryMeasurement(a) : logging->StartLevelMeasurement(a);
                         }});
}

bool Console::pressWaiting(int tabIndex) const
{
    for (const Waiting &w : m_waiting)
        if (w.tab == tabIndex)
            return true;
    return false;
}

void Console::sendWaiting()
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

void Console::sequenceEnded()
{
    if (--sequencesRunning == 0)
        QMetaObject::invokeMethod(this, [this] { sendWaiting(); }, Qt::QueuedConnection);
}

void Console::settle()
{
    // A sequence that calls this (a profile applied) counts itself out.
    const int base = sequencesRunning;
    const auto busy = [&] {
        return link.exchangeInFlight() || sequencesRunning > base || (base == 0 && waiting());
    };
    while (busy()) {
        // What is in flight ends with a timer or an answer: an event comes.
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
        // What the last answer posted (the next press, a message) runs too.
        if (!busy())
            QCoreApplication::processEvents();
    }
}

void Console::commsNote(const QString &text)
{
    comms.append(clock.timeOfDay() + QStringLiteral(" --- ") + text);
}

PortCatalogue Console::systemPorts() const
{
    return m_catalogue ? m_catalogue() : PortCatalogue{};
}

int Console::unsavedTotal() const
{
    return journal->unsavedTotal();
}

void Console::onTimedOut()
{
    const int t = decoder->answerTab();
    decoder->timedOut();
    if (SensorType)
        busy->SetRotaryIdle(t);
    else
        busy->SetLevelIdle(t);
}

void Console::onCannotSend()
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

void Console::onPortLost(const QString &)
{
    win.StatusPanel2.setText(QStringLiteral("Not Connected. "));
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
