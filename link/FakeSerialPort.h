#pragma once

#include "SerialPort.h"

#include <QElapsedTimer>
#include <QVector>
#include <functional>

// Scriptable serial port for tests: records every call with a timestamp,
// lets the test feed received bytes and inject failures.
class FakeSerialPort : public SerialPort
{
    Q_OBJECT
public:
    struct Call {
        QString op;        // "open", "close", "break-on", "break-off", "write", "read"
        QByteArray data;   // bytes written, or the byte read
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
    qint64 bytesAvailable() const override { return m_input.size() - m_readPos; }
    char readByte() override;

    // --- test controls ---
    // Queue bytes as received and raise readyRead (unless quiet).
    void feed(const QByteArray &bytes, bool quiet = false);
    // The next open() fails with this reason (empty: opens normally).
    void failNextOpen(const QString &reason) { m_failOpen = reason; }
    // The device vanishes: the port closes and lost() is raised once.
    void vanish(const QString &reason = QStringLiteral("Device disappeared from the system"));
    // Called after every write (the in-process bus hooks in here).
    std::function<void(const QByteArray &)> onWrite;
    // Called on every break change.
    std::function<void(bool)> onBreak;

    const QVector<Call> &calls() const { return m_calls; }
    void clearCalls() { m_calls.clear(); }
    // Concatenation of every write since the last clearCalls().
    QByteArray written() const;
    QVector<QByteArray> writes() const;
    qint64 nowNs() const { return m_clock.nsecsElapsed(); }

private:
    void record(const QString &op, const QByteArray &data = {});

    int m_number = 1;
    bool m_open = false;
    QString m_error;
    QString m_failOpen;
    QByteArray m_input;
    qsizetype m_readPos = 0;
    QVector<Call> m_calls;
    QElapsedTimer m_clock;
};
