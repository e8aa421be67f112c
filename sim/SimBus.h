#pragma once

#include <QElapsedTimer>
#include <QHash>
#include <QLoggingCategory>
#include <QMap>
#include <QObject>
#include <QSet>
#include <QTimer>
#include <deque>
#include <memory>

class FakeSerialPort;

Q_DECLARE_LOGGING_CATEGORY(lcSim)

namespace sim {

enum class Family { Level, Rotary };

// Misbehaviour on demand, for drills.
struct Faults {
    QSet<int> silent;              // these addresses answer nothing
    QSet<QString> noAnswer;        // commands (exact text) that get no answer
    QSet<QString> noCrLf;          // commands whose answer lacks CR LF
    QByteArray garbage;            // bytes sent before every answer
    int lateMs = 0;                // extra delay before every answer
    bool noServiceRequest = false; // measurements never announce their end
    bool refuseAddress = false;    // address changes are refused
    bool repeatLetters = false;    // rotary answers repeat the command letters
};

// The SDI-12 side of the console's serial line: the interface, which echoes
// every byte the PC sends, and up to ten sensors behind it.
class SimBus : public QObject
{
    Q_OBJECT
public:
    explicit SimBus(QObject *parent = nullptr);
    ~SimBus() override;

    void addSensor(int address, Family family);
    void removeSensor(int address);
    bool hasSensor(int address) const;
    Family family(int address) const;
    // A stored parameter by its command letters ("XRA", "XUP", "XF" ...).
    QString value(int address, const QString &letters) const;
    void setValue(int address, const QString &letters, const QString &text);
    void setMeasurementSeconds(int address, int seconds);
    // A level probe answers `count` (0-7) further values after its two, so
    // that aM! still gives the number of values in one digit.
    void setExtraValues(int address, int count);

    // Every sensor keeps to SDI-12 v1.4 timing: the data of aM! (and of the
    // set-point commands that answer like it) and of aC! are ready only the
    // seconds given after the answer, aD0! answers the address alone before
    // then; aM! ends in a service request and any command to the sensor
    // aborts it until then, aC! sends none. aMC!, aCC! and aRC0! answer with
    // CRC, aR0! without. Off: the console's own sensor family (aD0! answers
    // at once, aM! and aC! both end in a service request).
    void setStandard(bool on) { m_standard = on; }
    bool standard() const { return m_standard; }
    // Standard mode: a measurement's values come one to a data command,
    // the first in the answer to aD0!, the second to aD1! and so on.
    void setOneValuePerCommand(bool on) { m_oneValuePerCommand = on; }

    // Real 1200-baud character time (10 bits: start, 7 data, parity, stop)
    // for every byte sent towards the console.
    void setPaced(bool on) { m_paced = on; }
    bool paced() const { return m_paced; }
    // Between the last byte of the echo and the first of the answer.
    void setAnswerDelayMs(int ms) { m_answerDelayMs = ms; }
    Faults &faults() { return m_faults; }
    // An endless stream of bytes without CR starts after the next command
    // and runs until switched off; meanwhile no sensor answers.
    void setStream(bool on);

    // Bytes from the console.
    void receive(const QByteArray &bytes);
    void lineBreak(bool on);

    static constexpr double kCharMs = 10.0 * 1000.0 / 1200.0;

signals:
    void transmit(const QByteArray &bytes);
    void event(const QString &text);

private:
    struct Sensor;
    void command(const QString &text);
    QString answer(Sensor &s, int address, const QString &body, bool *measurement, int *seconds);
    QString levelAnswer(Sensor &s, const QString &a, const QString &body, bool *measurement, int *seconds);
    QString rotaryAnswer(Sensor &s, const QString &a, const QString &body, bool *measurement, int *seconds);
    QString standardAnswer(Sensor &s, const QString &a, const QString &body, bool *measurement, int *seconds);
    QStringList values(Sensor &s);
    static int valueCount(const Sensor &s);
    void queue(const QByteArray &bytes, double notBeforeMs);
    void pump();
    double nowMs() const { return m_clock.nsecsElapsed() / 1e6; }

    QMap<int, std::shared_ptr<Sensor>> m_sensors;
    Faults m_faults;
    bool m_paced = false;
    bool m_standard = false;
    bool m_oneValuePerCommand = false;
    int m_answerDelayMs = 10;
    bool m_streamArmed = false;
    bool m_streaming = false;   // the stream has started and runs until switched off
    QByteArray m_cmd;
    struct Out {
        double due;
        QByteArray bytes;
    };
    std::deque<Out> m_out;
    double m_lineFreeAt = 0;   // when the last queued byte has left
    QTimer m_pump;
    QElapsedTimer m_clock;
};

// Connects a FakeSerialPort to a bus in the same process: every write goes
// to the bus, every byte of the bus is fed back through the event loop.
class InProcessLink
{
public:
    InProcessLink(FakeSerialPort &port, SimBus &bus);
    ~InProcessLink();

private:
    FakeSerialPort &m_port;
    QMetaObject::Connection m_connection;
};

} // namespace sim
