#pragma once

#include "SerialPort.h"

#include <QByteArray>
#include <QSerialPort>
#include <functional>
#include <memory>

class QLockFile;

// Decodes bytes read from a port. With `parityMarks` the line discipline marks
// a character received with a parity or framing error as FF 00 c, which reads
// as '?', and doubles a received FF, which reads as 7F; every other byte is
// masked to 7 bits. Appends the decoded bytes to `out` and removes what it
// used from `raw`; a mark cut off at the end of `raw` waits there for the
// rest.
void decodeReceived(QByteArray &raw, QByteArray &out, bool parityMarks);

// The serial line on a real port, through QSerialPort: 1200 baud, 7 data bits,
// even parity, 1 stop bit, no flow control. Bytes received with a parity
// error read as '?'; every byte is masked to 7 bits.
class HardwarePort : public SerialPort
{
    Q_OBJECT
public:
    // `resolve` maps a COM number to the device to open.
    explicit HardwarePort(std::function<QString(int)> resolve, QObject *parent = nullptr);
    ~HardwarePort() override;

    void setPortNumber(int number) override { m_number = number; }
    int portNumber() const override { return m_number; }
    bool open() override;
    void close() override;
    bool isOpen() const override { return m_port.isOpen(); }
    QString errorString() const override { return m_error; }
    void setBreak(bool on) override;
    void write(const QByteArray &bytes) override;
    void flush() override;
    void clearInput() override;
    qint64 bytesAvailable() const override;
    char readByte() override;

    // The lock a program holds on `device` while it has it open.
    static QString lockPath(const QString &device);
    // Why a port did not open, in plain words for the user.
    static QString openFailure(QSerialPort::SerialPortError error, const QString &device, const QString &system);

private:
    void pull() const;
    void onError(QSerialPort::SerialPortError error);
    void enableParityMarking();

    std::function<QString(int)> m_resolve;
    int m_number = 1;
    QString m_error;
    mutable QSerialPort m_port;
    mutable QByteArray m_raw;      // bytes taken from the port, not yet decoded
    mutable QByteArray m_input;    // decoded bytes waiting to be read
    mutable qsizetype m_readPos = 0;
    bool m_parityMarks = false;
    bool m_lostReported = false;
    std::unique_ptr<QLockFile> m_lock;
};
