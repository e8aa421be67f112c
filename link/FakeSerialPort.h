#pragma once

#include "SerialPort.h"

#include <QElapsedTimer>
#include <QStringList>
#include <QVector>
#include <functional>

// Scriptable serial port for tests. It behaves as a real port does where the
// console's correctness depends on it:
// - write() only queues bytes; they leave the port ("tx") when the event
//   loop next runs or at flush(), all that is queued in one burst;
// - received bytes wait in two places: the system's buffer (arrive()), from
//   which the event loop moves them into the port's own buffer and raises
//   readyRead, and the port's buffer (feed()); clearInput() empties both.
// It records every call with a timestamp and checks two rules of the
// half-duplex SDI-12 bus: every burst is one command after a break of its
// own, and no command is written while another exchange is still pending.
class FakeSerialPort : public SerialPort
{
    Q_OBJECT
public:
    struct Call {
        QString op;        // "open", "close", "break-on", "break-off", "write", "flush", "tx", "clear", "read", "lost"
        QByteArray data;   // bytes written or sent, or the byte read
        qint64 atNs;       // nanoseconds since the port object was created
    };

    explicit FakeSerialPort(QObject *parent = nullptr);

    void setPortNumber(int number) override { m_number = number; }
    int portNumber() const override { return m_number; }
    bool open() override;
    void close() override;
    bool isOpen() const override { return m_open; }
    QString errorString() const override { return m_error; }
    void setBreak(bool on) override;
    void write(const QByteArray &bytes) override;
    void flush() override { transmit(); }
    void clearInput() override;
    qint64 bytesAvailable() const override { return m_input.size() - m_readPos; }
    char readByte() override;

    // --- test controls ---
    // Bytes the port has read: queued in its buffer, readyRead raised at once
    // (unless quiet, as a port does while a receive handler still runs).
    void feed(const QByteArray &bytes, bool quiet = false);
    // Bytes that reached the system but that the port has not read yet.
    void arrive(const QByteArray &bytes);
    // The next open() fails with this reason (empty: opens normally).
    void failNextOpen(const QString &reason) { m_failOpen = reason; }
    // The device vanishes: the port closes and lost() is raised once.
    void vanish(const QString &reason = QStringLiteral("Device disappeared from the system"));
    // Called with every burst that leaves the port (the bus hooks in here).
    std::function<void(const QByteArray &)> onWrite;
    // Called on every break change.
    std::function<void(bool)> onBreak;
    // Whether an exchange is still pending; a write meanwhile breaks the
    // one-exchange-at-a-time rule.
    std::function<bool()> exchangePending;

    const QVector<Call> &calls() const { return m_calls; }
    void clearCalls() { m_calls.clear(); }
    // Concatenation of every write since the last clearCalls().
    QByteArray written() const;
    QVector<QByteArray> writes() const;
    // Every burst that left the port since the last clearCalls().
    QVector<QByteArray> bursts() const;
    qint64 nowNs() const { return m_clock.nsecsElapsed(); }

    // Breaches of the bus rules seen so far, one line each.
    const QStringList &violations() const { return m_violations; }
    void clearViolations() { m_violations.clear(); }

private:
    void record(const QString &op, const QByteArray &data = {});
    void transmit();
    void deliver();

    int m_number = 1;
    bool m_open = false;
    QString m_error;
    QString m_failOpen;
    QByteArray m_input;              // the port's buffer
    qsizetype m_readPos = 0;
    QByteArray m_system;             // arrived, not read by the port yet
    QVector<QByteArray> m_queued;    // written, not sent yet
    bool m_transmitPosted = false;
    bool m_deliverPosted = false;
    bool m_breakSinceTx = true;
    QVector<Call> m_calls;
    QStringList m_violations;
    QElapsedTimer m_clock;
};
