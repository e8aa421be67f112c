#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

// The serial line to the SDI-12 interface, reduced to the operations the
// transmitter, the receiver and the port handling rely on. The real
// implementation drives a QSerialPort (HardwarePort); tests use FakeSerialPort
// and the simulated bus.
//
// Fixed line format: 1200 baud, 7 data bits, even parity, 1 stop bit.
// Received bytes are read one at a time; a byte received with a parity error
// reads as '?'.
class SerialPort : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;
    ~SerialPort() override = default;

    // Takes effect at the next open().
    virtual void setPortNumber(int number) = 0;
    virtual int portNumber() const = 0;

    // Returns false when the port is missing or in use; errorString() says why.
    virtual bool open() = 0;
    virtual void close() = 0;
    virtual bool isOpen() const = 0;
    virtual QString errorString() const = 0;

    // Holds the line in the spacing (break) state while on.
    virtual void setBreak(bool on) = 0;
    // Queues the whole command and returns at once; the bytes leave when the
    // event loop next runs, unless flush() pushes them out first.
    virtual void write(const QByteArray &bytes) = 0;
    // Hands the bytes written so far to the line now, so that they leave
    // before anything written later.
    virtual void flush() = 0;
    // Discards every received byte not read yet: those in the port's own
    // buffer and those the system still holds for it.
    virtual void clearInput() = 0;
    virtual qint64 bytesAvailable() const = 0;
    // Returns exactly one received byte and removes it from the input.
    virtual char readByte() = 0;

signals:
    // Received bytes are waiting. Raised on the user-interface thread.
    void readyRead();
    // The open port failed for good (adapter unplugged, device gone). The port
    // has already closed itself when this is raised, and it is raised once.
    void lost(const QString &reason);
};
