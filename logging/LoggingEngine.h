#pragma once

#include <QDateTime>
#include <QObject>
#include <QTimer>

#include <array>

class Console;

// Periodic logging: a measurement at start, then one every period, driven by
// the one-second tick; each data answer becomes a row at the top of the
// tab's log list.
class LoggingEngine : public QObject
{
    Q_OBJECT
public:
    explicit LoggingEngine(Console &m);

    void StartLogBut_Click(int index);
    void RotaryStartLogBut_Click(int index);
    void StopLogBut_Click(int index);
    void RotaryStopLogBut_Click(int index);
    void ClearLogBut_Click(int index);
    void SecondTimer_Timer();

    void StartLevelMeasurement(int address);
    void StartRotaryMeasurement(int address);
    // aD0!, or aD1!..aD9! for the values a sensor left out of the answers
    // before (`index`).
    void RequestMeasurementData(int address, int index = 0);

    // Ends every periodic logging run (all addresses), as "Stop Log" does,
    // writing "Idle" into the status cell of every sensor that was logging;
    // `why` completes "Logging of Sensor n stopped ..." in the status bar.
    void stopAll(const QString &why);

    // The port went away while logging: readings pause until portBack().
    void portLost();
    // The port is back: readings go on from where they were, the next at once.
    void portBack();

    // The status-bar text: which sensor logs, how often, how many readings
    // its log holds and when the next one is due; or when and why it stopped.
    void showStatus();

    QTimer SecondTimer;

private:
    void start(int index, bool rotary);
    void stop(int index, bool rotary, const QString &why);
    Console &m;
    QString m_stopped;   // the last run's end, shown until the next start
    QString m_gap;       // the run's last gap for a lost port, shown with it
    QDateTime m_lostAt;  // when the port went away, while it is away
    // Each run's period as it was started: a rescan or a Filter answer
    // refills the tab's period list while the run goes on.
    std::array<int, 10> m_periodSeconds{};
};
