#include "FakeSerialPort.h"

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
}

void FakeSerialPort::setBreak(bool on)
{
    record(on ? QStringLiteral("break-on") : QStringLiteral("break-off"));
    if (onBreak)
        onBreak(on);
}

void FakeSerialPort::write(const QByteArray &bytes)
{
    record(QStringLiteral("write"), bytes);
    if (onWrite)
        onWrite(bytes);
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

void FakeSerialPort::vanish(const QString &reason)
{
    if (!m_open)
        return;
    m_open = false;
    m_input.clear();
    m_readPos = 0;
    m_error = reason;
    record(QStringLiteral("lost"));
    emit lost(reason);
}

QByteArray FakeSerialPort::written() const
{
    QByteArray all;
    for (const Call &c : m_calls)
        if (c.op == QLatin1String("write"))
            all += c.data;
    return all;
}

QVector<QByteArray> FakeSerialPort::writes() const
{
    QVector<QByteArray> out;
    for (const Call &c : m_calls)
        if (c.op == QLatin1String("write"))
            out.push_back(c.data);
    return out;
}
