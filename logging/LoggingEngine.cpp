#include "LoggingEngine.h"

#include "discovery/Console.h"
#include "discovery/LogPeriods.h"
#include "discovery/SensorTable.h"
#include "link/PortMenu.h"
#include "logging/JournalKeeper.h"
#include "logging/LogModel.h"
#include "params/BusyState.h"

LoggingEngine::LoggingEngine(Console &m) : m(m)
{
    SecondTimer.setInterval(1000);
    connect(&SecondTimer, &QTimer::timeout, this, &LoggingEngine::SecondTimer_Timer);
}

void LoggingEngine::start(int index, bool rotary)
{
    SensorFields *t = m.tab[index].get();
    const int seconds = selectedPeriodSeconds(rotary ? t->RotaryLogPeriodCombo : t->LogPeriodCombo);
    if (seconds < 0) {
        m.warn(QStringLiteral("Start Log."), QStringLiteral("Please select a logging period."));
        return;
    }
    if (seconds > 0) {
        m_periodSeconds[static_cast<size_t>(index)] = seconds;
        m.LogTickCount[static_cast<size_t>(index)] = 0;
        m.LogEnabled[static_cast<size_t>(index)] = true;
        m.LoggingTab = index + 1;
        m.table->setLogStatus(index, QStringLiteral("Logging"));
        m_stopped.clear();
        m_gap.clear();
        showStatus();
    }
    if (rotary)
        StartRotaryMeasurement(index);
    else
        StartLevelMeasurement(index);
}

void LoggingEngine::StartLogBut_Click(int index)
{
    start(index, false);
}

void LoggingEngine::RotaryStartLogBut_Click(int index)
{
    start(index, true);
}

void LoggingEngine::stop(int index, bool rotary, const QString &why)
{
    const int logging = m.LoggingTab - 1;
    if (logging >= 0) {
        const LogModel *log = rotary ? m.rotaryLog(logging) : m.levelLog(logging);
        m_stopped = QStringLiteral("Logging of Sensor %1 stopped %2 at %3 (%4).")
                        .arg(logging)
                        .arg(why, m.clock.timeOfDay(), LogModel::readingsText(log->size()));
    }
    for (size_t a = 0; a < 10; ++a) {
        m.LogTickCount[a] = 0;
        m.LogEnabled[a] = false;
    }
    m.LoggingTab = 0;
    m_lostAt = {};
    m.ports->stopReopening();
    // Every sensor shown as logging goes back to idle, not only this tab's.
    for (int a = 0; a < 10; ++a)
        if (a == index || m.table->cell(a, m.SensorType ? int(SensorTable::RotaryLogStatus)
                                                       : int(SensorTable::LevelLogStatus)) == QLatin1String("Logging"))
            m.table->setLogStatus(a, QStringLiteral("Idle"));
    m.link.abandonMeasurement();
    if (rotary)
        m.busy->SetRotaryIdle(index);
    else
        m.busy->SetLevelIdle(index);
    // Stopped on another tab: the tab that was logging is released as well once nothing of its reading is left in
    // flight (a wait for its data is abandoned above), and every idle tab can start and move again.
    if (logging >= 0 && logging != index && !m.link.exchangeInFlight())
        rotary ? m.busy->SetRotaryIdle(logging) : m.busy->SetLevelIdle(logging);
    m.busy->releaseLoggingHold(rotary);
    showStatus();
}

void LoggingEngine::StopLogBut_Click(int index)
{
    stop(index, false, QStringLiteral("by the user"));
}

void LoggingEngine::RotaryStopLogBut_Click(int index)
{
    stop(index, true, QStringLiteral("by the user"));
}

void LoggingEngine::stopAll(const QString &why)
{
    for (int a = 0; a < 10; ++a)
        if (m.LogEnabled[static_cast<size_t>(a)])
            m.table->setLogStatus(a, QStringLiteral("Idle"));
    const int tab = m.LoggingTab - 1;
    if (tab >= 0)
        stop(tab, m.SensorType, why);
}

void LoggingEngine::portLost()
{
    if (m.LoggingTab == 0)
        return;
    m_lostAt = m.clock.now();
    m.commsNote(QStringLiteral("port lost; logging pauses until the adapter is back"));
    showStatus();
}

void LoggingEngine::portBack()
{
    const int a = m.LoggingTab - 1;
    if (a < 0 || !m_lostAt.isValid())
        return;
    const QDateTime now = m.clock.now();
    m_gap = QStringLiteral(" Resumed at %1 after a gap of %2 s.")
                .arg(Clock::timeText(now.time()))
                .arg(m_lostAt.secsTo(now));
    m_lostAt = {};
    m.commsNote(QStringLiteral("port back; logging resumes"));
    // The reading that fell due meanwhile is taken at the next tick: a
    // count beyond the longest period (900 s) is due at once.
    for (int i = 0; i < 10; ++i)
        if (m.LogEnabled[static_cast<size_t>(i)])
            m.LogTickCount[static_cast<size_t>(i)] = 1000;
    showStatus();
}

void LoggingEngine::showStatus()
{
    const int a = m.LoggingTab - 1;
    if (a < 0 || !m.LogEnabled[static_cast<size_t>(a)]) {
        m.win.StatusLogging.setText(m_stopped);
        return;
    }
    const QString readings = LogModel::readingsText(m.log(a)->size());
    if (m_lostAt.isValid()) {
        m.win.StatusLogging.setText(QStringLiteral("Logging of Sensor %1 paused at %2: the port was lost; it resumes when "
                                                "the adapter is back (%3).")
                                     .arg(a)
                                     .arg(Clock::timeText(m_lostAt.time()), readings));
        return;
    }
    const int interval = m_periodSeconds[static_cast<size_t>(a)];
    const int left = qBound(0, interval - m.LogTickCount[static_cast<size_t>(a)], interval);
    QString every;
    for (const LogPeriod &p : logPeriods())
        if (p.seconds == interval)
            every = QString::fromLatin1(p.text);
    m.win.StatusLogging.setText(QStringLiteral("Logging Sensor %1 every %2: %3, next at %4.")
                                 .arg(a)
                                 .arg(every, readings,
                                      Clock::timeText(m.clock.now().addSecs(left).time())) +
                             m_gap);
}

void LoggingEngine::ClearLogBut_Click(int index)
{
    SensorFields *t = m.tab[index].get();
    LogModel *log = m.log(index);
    const int unsaved = log->unsaved();
    if (unsaved > 0 &&
        !m.ui.askYesNo(QStringLiteral("Clear Log."),
                       QStringLiteral("%1 of this log %2 not been saved.\rClear the log all the same?")
                           .arg(LogModel::readingsText(unsaved),
                                unsaved == 1 ? QStringLiteral("has") : QStringLiteral("have"))))
        return;
    log->clear();
    m.journal->cleared(index);
    t->ClearLogBut.setEnabled(false);
    t->SaveLogBut.setEnabled(false);
}

void LoggingEngine::SecondTimer_Timer()
{
    // One exchange at a time: a reading that falls due while the bus is
    // taken (an exchange in flight, presses waiting) goes after what waits,
    // as soon as the bus is free. While a sequence runs, or a lost port is
    // away, it waits for the next tick instead.
    const bool held = m.sequencesRunning > 0 || m_lostAt.isValid();
    for (int a = 0; a < 10; ++a) {
        const size_t i = static_cast<size_t>(a);
        if (!m.LogEnabled[i])
            continue;
        ++m.LogTickCount[i];
        const int interval = m_periodSeconds[i];
        if (m.LogTickCount[i] < interval)
            continue;
        if (held) {
            m.LogTickCount[i] = interval;   // due again at the next tick
            continue;
        }
        m.LogTickCount[i] = 0;
        if (m.link.exchangeInFlight() || m.waiting())
            m.queueReading(a);
        else if (m.SensorType)
            StartRotaryMeasurement(a);
        else
            StartLevelMeasurement(a);
    }
    showStatus();
}

void LoggingEngine::StartLevelMeasurement(int address)
{
    const QString cmd = QString::number(address) + QStringLiteral("M!");
    m.busy->SetLevelBusy(address);
    m.link.ServiceRequestAddress = address;
    m.sendCommand(cmd, 11);
}

void LoggingEngine::StartRotaryMeasurement(int address)
{
    const QString cmd = QString::number(address) + QStringLiteral("C!");
    m.busy->SetRotaryBusy(address);
    m.link.ServiceRequestAddress = address;
    m.sendCommand(cmd, 116);
}

void LoggingEngine::RequestMeasurementData(int address, int index)
{
    m.sendCommand(QStringLiteral("%1D%2!").arg(address).arg(index), m.SensorType ? 117 : 12);
}
