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
    // A line still arriving when the command timeout is up is waited for
    // while its bytes keep coming (none missing for LineGapMs), up to
    // LongestLine bytes with the echo: at 1200 baud an answer of the 75
    // characters SDI-12 allows after aC! takes some 670 ms alone.
    static constexpr int LineGapMs = 100;
    static constexpr int LongestLine = 160;

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

    // --- measurement waits. A start answer announced `seconds` until the
    // data are ready; the data request (requestMeasurementData) goes out:
    // - measurementStarted(): none by itself; the caller asks at once,
    //   `early` before the announced time has passed (the family's own
    //   probes have their data at once after 001);
    // - awaitServiceRequest(): when the sensor's service request arrives,
    //   or at the latest once the announced time and the data timeout
    //   have passed;
    // - awaitAnnouncedTime(): once the announced time and the data timeout
    //   have passed (a concurrent measurement sends no service request).
    // Each starts a new reading: its data are due `seconds` from now.
    void measurementStarted(int seconds, bool early = false);
    void awaitServiceRequest(int seconds);
    void awaitAnnouncedTime(int seconds);
    // The data answer held no values ("no data yet"). Asked early: a
    // standard sensor has ended its aM! measurement at the request's break,
    // so the caller is told (true) to start it again, and that start answer
    // waits for the service request (takeServiceRequestWait()). Otherwise,
    // the first time, the request goes out again once the rest of the
    // announced time has passed; the second time the reading is missed and
    // the exchange ends as if timed out.
    bool noValues();
    // Whether the start answer of the sensor at `address` waits for its
    // service request whatever time it announced; asking clears it.
    bool takeServiceRequestWait(int address);
    // Measurements announced longer than this are not waited for (0: any
    // time is waited for); the exchange ends at once, with a note.
    void setMeasurementLimitMs(int ms) { m_measurementLimitMs = ms; }
    int measurementLimitMs() const { return m_measurementLimitMs; }

    // Number of commands written to the port so far.
    quint64 sentCount() const { return m_sentCount; }
    // Commands written while another exchange was still pending (a fault).
    int overlapCount() const { return m_overlaps; }

    // Stops waiting for a measurement's data (a stopped logging run): the
    // receiver returns to state 0. A command still awaiting its answer keeps
    // its timeout.
    void abandonMeasurement();
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
    // The bus became free: no exchange in flight (raised from the event
    // loop, after the exchange that ended has been handled).
    void settled();

private:
    void onTimeout();
    void expire();
    void onPortLost(const QString &reason);
    void pumpEvents();
    void handleByte(char b);
    void logReceived();
    void logUnended();
    void stopMeasurementWaits();
    void requestData();
    bool tooLong(int seconds);
    void note(const QString &text);
    void scheduleSettled();

    SerialPort *Comm1;
    CommsLog *CommsList;
    Clock *m_clock;
    QTimer TimeoutTimer;
    QTimer ServiceRequestDeadline;
    QTimer m_dataDue;           // announced time of a concurrent measurement, or the second ask
    QElapsedTimer m_measured;   // since the start answer of the reading in progress
    int m_announcedMs = 0;
    bool m_askedAgain = false;
    bool m_askedEarly = false;
    int m_measureAgain = -1;   // the sensor noValues() had measured again
    bool m_srLogged = false;    // the service request's own line is in the comms log
    bool m_settlePosted = false;
    int m_measurementLimitMs = 0;
    QTimer m_wake;
    QElapsedTimer m_sentAt;
    int m_sentBytes = 0;         // of the command in flight: its echo's length
    QElapsedTimer m_lastBytes;   // since bytes last arrived
    int m_commandTimeout = 400;
    quint64 m_sentCount = 0;
    int m_overlaps = 0;
    int m_waitDepth = 0;
    RxRecord Rx;
};
