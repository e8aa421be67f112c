#include "LoggingEngine.h"

#include "app/MainWindow.h"
#include "app/SensorTabWidget.h"
#include "discovery/LogPeriods.h"
#include "discovery/SensorTable.h"
#include "logging/LogList.h"
#include "params/BusyState.h"

#include <QComboBox>
#include <QLabel>
#include <QPushButton>

LoggingEngine::LoggingEngine(MainWindow &m) : m(m)
{
    SecondTimer.setInterval(1000);
    connect(&SecondTimer, &QTimer::timeout, this, &LoggingEngine::SecondTimer_Timer);
}

void LoggingEngine::start(int index, bool rotary)
{
    SensorTabWidget *t = m.tab[index];
    const int seconds = selectedPeriodSeconds(rotary ? t->RotaryLogPeriodCombo : t->LogPeriodCombo);
    if (seconds < 0) {
        m.warn(QStringLiteral("Start Log."), QStringLiteral("Please select a logging period."));
        return;
    }
    if (seconds > 0) {
        m.LogTickCount[static_cast<size_t>(index)] = 0;
        m.LogEnabled[static_cast<size_t>(index)] = true;
        m.LoggingTab = index + 1;
        m.table->setLogStatus(index, QStringLiteral("Logging"));
        m_stopped.clear();
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
        const LogList *log = rotary ? m.tab[logging]->RotaryLogListView : m.tab[logging]->LogListView;
        m_stopped = QStringLiteral("Logging of Sensor %1 stopped %2 at %3 (%4).")
                        .arg(logging)
                        .arg(why, m.clock.timeOfDay(), SensorTabWidget::readingsText(log->rowCount()));
    }
    for (size_t a = 0; a < 10; ++a) {
        m.LogTickCount[a] = 0;
        m.LogEnabled[a] = false;
    }
    m.LoggingTab = 0;
    m.table->setLogStatus(index, QStringLiteral("Idle"));
    m.link.abandonServiceRequest();
    if (rotary)
        m.busy->SetRotaryIdle(index);
    else
        m.busy->SetLevelIdle(index);
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

void LoggingEngine::showStatus()
{
    const int a = m.LoggingTab - 1;
    if (a < 0 || !m.LogEnabled[static_cast<size_t>(a)]) {
        m.StatusLogging->setText(m_stopped);
        return;
    }
    SensorTabWidget *t = m.tab[a];
    const QComboBox *period = m.SensorType ? t->RotaryLogPeriodCombo : t->LogPeriodCombo;
    const LogList *log = m.SensorType ? t->RotaryLogListView : t->LogListView;
    const int interval = selectedPeriodSeconds(period);
    const int left = qMax(0, interval - m.LogTickCount[static_cast<size_t>(a)]);
    m.StatusLogging->setText(QStringLiteral("Logging Sensor %1 every %2: %3, next at %4.")
                                 .arg(a)
                                 .arg(period->currentText(), SensorTabWidget::readingsText(log->rowCount()),
                                      Clock::timeText(m.clock.now().addSecs(left).time())));
}

void LoggingEngine::ClearLogBut_Click(int index)
{
    SensorTabWidget *t = m.tab[index];
    (m.SensorType ? t->RotaryLogListView : t->LogListView)->clear();
    t->ClearLogBut->setEnabled(false);
    t->SaveLogBut->setEnabled(false);
}

void LoggingEngine::SecondTimer_Timer()
{
    // One exchange at a time: while a command is awaiting its answer, or a
    // sequence is running, a reading that falls due waits for the next tick
    // instead of cutting that exchange off.
    const bool held = m.link.exchangeInFlight() || m.sequencesRunning > 0;
    for (int a = 0; a < 10; ++a) {
        const size_t i = static_cast<size_t>(a);
        if (!m.LogEnabled[i])
            continue;
        ++m.LogTickCount[i];
        SensorTabWidget *t = m.tab[a];
        const int interval = selectedPeriodSeconds(m.SensorType ? t->RotaryLogPeriodCombo : t->LogPeriodCombo);
        if (interval < 0 || m.LogTickCount[i] < interval)
            continue;
        if (held || m.link.exchangeInFlight()) {
            m.LogTickCount[i] = interval;   // due again at the next tick
            continue;
        }
        m.LogTickCount[i] = 0;
        if (m.SensorType)
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

void LoggingEngine::RequestMeasurementData(int address)
{
    m.sendCommand(QString::number(address) + QStringLiteral("D0!"), m.SensorType ? 117 : 12);
}
