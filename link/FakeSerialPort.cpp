#include "FakeSerialPort.h"

#include <QMetaObject>

FakeSerialPort::FakeSerialPort(QObject *parent) : SerialPort(parent)
{
    m_clock.start();
}

void FakeSerialPort::record(const QString &op, const QByteArray &data)
{
    m_calls.push_back({op, data, m_clock.nsecsElapsed()});
}

bool FakeSerialPort::open()
{
    record(QStringLiteral("open"), QByteArray::number(m_number));
    if (!m_failOpen.isEmpty()) {
        m_error = m_failOpen;
        m_failOpen.clear();
        return false;
    }
    m_error.clear();
    m_open = true;
    return true;
}

void FakeSerialPort::close()
{
    record(QStringLiteral("close"));
    m_open = false;
    m_input.clear();
    m_readPos = 0;
    m_system.clear();
    m_queued.clear();
}

void FakeSerialPort::setBreak(bool on)
{
    record(on ? QStringLiteral("break-on") : QStringLiteral("break-off"));
    if (!on)
        m_breakSinceTx = true;
    if (onBreak)
        onBreak(on);
}

void FakeSerialPort::write(const QByteArray &bytes)
{
    record(QStringLiteral("write"), bytes);
    if (exchangePending && exchangePending())
        m_violations.push_back(QStringLiteral("%1 written while another exchange was pending")
                                   .arg(QString::fromLatin1(bytes)));
    m_queued.push_back(bytes);
    if (!m_transmitPosted) {
        m_transmitPosted = true;
        QMetaObject::invokeMethod(this, [this] {
            m_transmitPosted = false;
            transmit();
        }, Qt::QueuedConnection);
    }
}

void FakeSerialPort::transmit()
{
    if (m_queued.isEmpty() || !m_open)
        return;
    QByteArray burst;
    for (const QByteArray &b : std::as_const(m_queued))
        burst += b;
    if (m_queued.size() > 1)
        m_violations.push_back(QStringLiteral("%1 commands left in one burst: %2")
                                   .arg(m_queued.size())
                                   .arg(QString::fromLatin1(burst)));
    else if (!m_breakSinceTx)
        m_violations.push_back(QStringLiteral("%1 left without a break of its own").arg(QString::fromLatin1(burst)));
    m_queued.clear();
    m_breakSinceTx = false;
    record(QStringLiteral("tx"), burst);
    if (onWrite)
        onWrite(burst);
}

void FakeSerialPort::clearInput()
{
    record(QStringLiteral("clear"), m_input.mid(m_readPos) + m_system);
    m_input.clear();
    m_readPos = 0;
    m_system.clear();
}

char FakeSerialPort::readByte()
{
    if (m_readPos >= m_input.size())
        return 0;
    const char c = m_input.at(m_readPos++);
    if (m_readPos == m_input.size()) {
        m_input.clear();
        m_readPos = 0;
    }
    record(QStringLiteral("read"), QByteArray(1, c));
    return c;
}

void FakeSerialPort::feed(const QByteArray &bytes, bool quiet)
{
    if (!m_open)
        return;
    m_input.append(bytes);
    if (!quiet)
        emit readyRead();
}

void FakeSerialPort::arrive(const QByteArray &bytes)
{
    if (!m_open)
        return;
    m_system.append(bytes);
    if (m_deliverPosted)
        return;
    m_deliverPosted = true;
    QMetaObject::invokeMethod(this, [this] {
        m_deliverPosted = false;
        deliver();
    }, Qt::QueuedConnection);
}

void FakeSerialPort::deliver()
{
    if (!m_open || m_system.isEmpty())
        return;
    m_input.append(m_system);
    m_system.clear();
    emit readyRead();
}

void FakeSerialPort::vanish(const QString &reason)
{
    if (!m_open)
        return;
    m_open = false;
    m_input.clear();
    m_readPos = 0;
    m_system.clear();
    m_queued.clear();
    m_error = reason;
    record(QStringLiteral("lost"));
    emit lost(reason);
}

namespace {
QVector<QByteArray> dataOf(const QVector<FakeSerialPort::Call> &calls, const QString &op)
{
    QVector<QByteArray> out;
    for (const FakeSerialPort::Call &c : calls)
        if (c.op == op)
            out.push_back(c.data);
    return out;
}
} // namespace

QByteArray FakeSerialPort::written() const
{
    QByteArray all;
    for (const QByteArray &b : writes())
        all += b;
    return all;
}

QVector<QByteArray> FakeSerialPort::writes() const
{
    return dataOf(m_calls, QStringLiteral("write"));
}

QVector<QByteArray> FakeSerialPort::bursts() const
{
    return dataOf(m_calls, QStringLiteral("tx"));
}
