#pragma once

#include "Clock.h"
#include "CommsLog.h"
#include "SerialPort.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QLoggingCategory>
#include <QObject>
#include <QString>
#include <QTimer>
#include <functional>

Q_DECLARE_LOGGING_CATEGORY(lcLink)

// The SDI-12 link: the command transmitter (break, mark, write, command
// timeout), the framing receiver and the exchange state that waiting
// sequences use. One instance for the whole run, on the user-interface thread.
class Link : public QObject
{
    Q_OBJECT
public:
    enum Response { Waiting = 0, Answered = 1, TimedOut = 2 };

    // Receive record: the line being framed, first address character first,
    // CR and LF excluded.
    struct RxRecord {
        QByteArray Data;
        int Count = 0;
        bool Complete = false;
        QString Text;   // everything received since the last LF, for the comms log
    };

    // A line (or a comms-log text) never grows beyond this many bytes.
    static constexpr int MaxLine = 32767;

    Link(SerialPort *port, CommsLog *log, Clock *clock, QObject *parent = nullptr);

    SerialPort *port() const { return Comm1; }
    Clock *clock() const { return m_clock; }

    // --- last-command register and timings
    int LastCommand = 0;
    QString strSent_Command;
    int BreakTiming = 20;
    int MarkTiming = 15;
    int DataTimeout = 200;
    int ResponseState = Waiting;
    bool UserCommandFlag = false;
    int ServiceRequestAddress = 0;

    // The interval of the command timeout (TimeoutTimer), in milliseconds.
    void setCommandTimeout(int ms) { m_commandTimeout = ms; }
    int commandTimeout() const { return m_commandTimeout; }

    // --- transmitter
    void send_TXbuff(const QByteArray &in_buff);
    bool WaitForResponse();
    // Discards every received byte not framed yet, also those the system
    // still holds for the port, and returns the receiver to state 0.
    void FlushInput();

    // --- receiver
    int RxState = 0;
    const RxRecord &rx() const { return Rx; }
    // The receive event: reads every waiting byte and frames lines.
    void Comm1_OnComm();
    // The decoder has taken the framed line as the answer to the command in
    // flight: the command timeout stops.
    void lineAccepted();
    // A measurement answer announced `seconds` until the data are ready: wait
    // for the sensor's service request, but no longer than the announced time
    // plus the command timeout.
    void awaitServiceRequest(int seconds);

    // Number of commands written to the port so far.
    quint64 sentCount() const { return m_sentCount; }
    // Commands written while another exchange was still pending (a fault).
    int overlapCount() const { return m_overlaps; }

    // Stops waiting for a service request (a stopped logging run): the
    // receiver returns to state 0. A command still awaiting its answer keeps
    // its timeout.
    void abandonServiceRequest();
    // The line just framed was the echo with no answer after it yet (noise
    // between echo and answer): go on framing it from `prefix`, the echo.
    void continueLine(const QByteArray &prefix);

    // A command was sent and neither its answer nor its timeout has come.
    bool exchangeInFlight() const;

    // Calls out, set by the owner.
    std::function<void(const QByteArray &)> decode;           // one framed line
    std::function<void(int address)> requestMeasurementData;  // after a service request
    std::function<void()> releaseAfterTimeout;                // command timed out

signals:
    // A command was attempted while the port is closed.
    void cannotSend();
    // The open port failed for good; the link has already closed it.
    void portLost(const QString &reason);

private:
    void onTimeout();
    void expire();
    void onPortLost(const QString &reason);
    void pumpEvents();
    void handleByte(char b);

    SerialPort *Comm1;
    CommsLog *CommsList;
    Clock *m_clock;
    QTimer TimeoutTimer;
    QTimer ServiceRequestDeadline;
    QTimer m_wake;
    QElapsedTimer m_sentAt;
    int m_commandTimeout = 400;
    quint64 m_sentCount = 0;
    int m_overlaps = 0;
    int m_waitDepth = 0;
    RxRecord Rx;
};
