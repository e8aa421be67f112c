#include "SimBus.h"

#include "decode/Crc.h"
#include "link/FakeSerialPort.h"

#include <QTime>
#include <cmath>

Q_LOGGING_CATEGORY(lcSim, "sdi12.sim", QtWarningMsg)

namespace sim {

struct SimBus::Sensor {
    Family family = Family::Level;
    QMap<QString, QString> params;
    int measurementSeconds = 0;
    int extraValues = 0;
    int readings = 0;
    std::unique_ptr<QTimer> serviceRequest;
    // Standard mode: the last measurement, kept until the next one.
    struct {
        bool held = false;      // started and not aborted
        bool request = false;   // aM!: ends in a service request; any command aborts it until then
        bool crc = false;
        double readyAt = 0;     // bus time, ms
        QStringList values;     // each with its sign
    } last;
};

namespace {
// "+" for zero and positive values, the sign kept otherwise.
QString signedText(const QString &v)
{
    if (v.startsWith(QLatin1Char('+')) || v.startsWith(QLatin1Char('-')))
        return v;
    return QLatin1Char('+') + v;
}

QString signedNumber(double v, int decimals)
{
    return (v < 0 ? QStringLiteral("-") : QStringLiteral("+")) + QString::number(std::fabs(v), 'f', decimals);
}

QString digits3(int n)
{
    return QStringLiteral("%1").arg(qBound(0, n, 999), 3, 10, QLatin1Char('0'));
}

QMap<QString, QString> defaults(Family f, int address)
{
    const QString a = QString::number(address);
    if (f == Family::Level)
        return {{"XUP", "0"},       {"XUT", "0"},       {"XP", "0"},          {"XREV", "0"},
                {"XLOC", "0"},      {"XUNLK", "0"},     {"XE", "9.8067"},     {"XRA", "10.000"},
                {"XMOR", "12.000"}, {"XLOF", "0.000"},  {"XFN", "10"},        {"XFI", "1"},
                {"XU0", "1.0"},     {"XU1", "0.0"},     {"XANCALCV0", "0.0"}, {"XANCALCV1", "1.0"},
                {"XSN", "LT51023" + a}};
    return {{"XMU", "1"}, {"XRD", "1"}, {"XCP", "200"}, {"XPC", "1024"}, {"XCV", "0.000"}, {"XSN", "RQ91023" + a}};
}
} // namespace

SimBus::SimBus(QObject *parent) : QObject(parent)
{
    m_clock.start();
    m_pump.setSingleShot(true);
    m_pump.setTimerType(Qt::PreciseTimer);
    connect(&m_pump, &QTimer::timeout, this, &SimBus::pump);
}

SimBus::~SimBus() = default;

void SimBus::addSensor(int address, Family family)
{
    auto s = std::make_shared<Sensor>();
    s->family = family;
    s->params = defaults(family, address);
    s->measurementSeconds = family == Family::Level ? 1 : 0;
    m_sensors.insert(address, s);
}

void SimBus::removeSensor(int address)
{
    m_sensors.remove(address);
}

bool SimBus::hasSensor(int address) const
{
    return m_sensors.contains(address);
}

Family SimBus::family(int address) const
{
    const auto s = m_sensors.value(address);
    return s ? s->family : Family::Level;
}

QString SimBus::value(int address, const QString &letters) const
{
    const auto s = m_sensors.value(address);
    return s ? s->params.value(letters) : QString();
}

void SimBus::setValue(int address, const QString &letters, const QString &text)
{
    if (const auto s = m_sensors.value(address))
        s->params[letters] = text;
}

void SimBus::setMeasurementSeconds(int address, int seconds)
{
    if (const auto s = m_sensors.value(address))
        s->measurementSeconds = seconds;
}

void SimBus::setExtraValues(int address, int count)
{
    if (const auto s = m_sensors.value(address))
        s->extraValues = qBound(0, count, 7);
}

void SimBus::setStream(bool on)
{
    m_streamArmed = on;
    m_streaming = false;
    if (!on) {
        m_out.clear();
        m_lineFreeAt = nowMs();
    }
}

void SimBus::lineBreak(bool on)
{
    // A break wakes the sensors and starts a new command.
    if (on)
        m_cmd.clear();
}

void SimBus::receive(const QByteArray &bytes)
{
    // The interface echoes every byte straight back.
    queue(bytes, nowMs());
    for (char c : bytes) {
        const char b = static_cast<char>(c & 0x7F);
        if (m_cmd.isEmpty() && !((b >= '0' && b <= '9') || b == '?'))
            continue;
        m_cmd.append(b);
        if (b == '!') {
            const QString text = QString::fromLatin1(m_cmd);
            m_cmd.clear();
            command(text);
        } else if (m_cmd.size() > 100) {
            m_cmd.clear();
        }
    }
}

void SimBus::command(const QString &text)
{
    emit event(QStringLiteral("rx ") + text);
    qCDebug(lcSim) << "command" << text;
    if (m_streamArmed) {
        m_streamArmed = false;
        m_streaming = true;
        queue(QByteArray(64, 'Z'), m_lineFreeAt + m_answerDelayMs);
        return;
    }
    // A sensor that streams holds the line: nobody else gets a word in.
    if (m_streaming)
        return;
    int address = -1;
    if (text == QLatin1String("?!")) {
        if (m_sensors.isEmpty())
            return;
        address = m_sensors.firstKey();
    } else {
        address = text.at(0).unicode() - '0';
    }
    const auto s = m_sensors.value(address);
    if (!s || m_faults.silent.contains(address))
        return;
    // A new command aborts a measurement in progress (standard mode: an aM!
    // until its service request, also a data request asked too early, which
    // gets the address alone; an aC! runs on).
    s->serviceRequest.reset();
    if (m_standard && s->last.request && nowMs() < s->last.readyAt)
        s->last.held = false;
    if (m_faults.noAnswer.contains(text))
        return;
    bool measurement = false;
    int seconds = 0;
    const QString body = text == QLatin1String("?!") ? QString() : text.mid(1, text.size() - 2);
    const QString reply = answer(*s, address, body, &measurement, &seconds);
    if (reply.isNull())
        return;
    QByteArray out = m_faults.garbage + reply.toLatin1();
    if (!m_faults.noCrLf.contains(text))
        out += "\r\n";
    const double at = m_lineFreeAt + m_answerDelayMs + m_faults.lateMs;
    queue(out, at);
    emit event(QStringLiteral("tx ") + reply);

    if (measurement && m_standard) {
        // The data are ready the seconds given after the end of the answer.
        s->last.readyAt = m_lineFreeAt + seconds * 1000.0;
        if (!s->last.request || seconds == 0 || m_faults.noServiceRequest)
            return;
    }
    if (measurement && seconds > 0 && !m_faults.noServiceRequest) {
        const QString a = reply.left(1);
        s->serviceRequest = std::make_unique<QTimer>();
        s->serviceRequest->setSingleShot(true);
        s->serviceRequest->setTimerType(Qt::PreciseTimer);
        connect(s->serviceRequest.get(), &QTimer::timeout, this, [this, a] {
            queue(a.toLatin1() + "\r\n", nowMs());
            emit event(QStringLiteral("tx ") + a + QStringLiteral(" (service request)"));
        });
        // The announced time runs from the end of the answer (its CR LF).
        s->serviceRequest->start(static_cast<int>(std::ceil(m_lineFreeAt - nowMs())) + seconds * 1000);
    }
}

QString SimBus::answer(Sensor &s, int address, const QString &body, bool *measurement, int *seconds)
{
    const QString a = QString::number(address);
    if (body.isEmpty())
        return a;
    if (body == QLatin1String("I"))
        return a + QStringLiteral("13ORVANE  ") +
               (s.family == Family::Level ? QStringLiteral("LT-Q5 ") : QStringLiteral("RQ-9  ")) +
               QStringLiteral("102");
    if (body.size() == 2 && body.at(0) == QLatin1Char('A') && body.at(1).isDigit()) {
        const int to = body.at(1).unicode() - '0';
        if (m_faults.refuseAddress || (to != address && m_sensors.contains(to)))
            return a;
        auto moved = m_sensors.take(address);
        m_sensors.insert(to, moved);
        return QString::number(to);
    }
    if (body == QLatin1String("XSN"))
        return a + s.params.value(QStringLiteral("XSN"));
    if (m_standard)
        return standardAnswer(s, a, body, measurement, seconds);
    if (body == QLatin1String("D0"))
        return a + values(s).join(QString());
    return s.family == Family::Level ? levelAnswer(s, a, body, measurement, seconds)
                                     : rotaryAnswer(s, a, body, measurement, seconds);
}

QString SimBus::levelAnswer(Sensor &s, const QString &a, const QString &body, bool *measurement, int *seconds)
{
    auto &p = s.params;
    if (body == QLatin1String("M") || body.startsWith(QLatin1String("XSPM"))) {
        *measurement = true;
        *seconds = s.measurementSeconds;
        return a + digits3(s.measurementSeconds) + QString::number(valueCount(s));
    }
    // Longest letters first: XU0 before XU, XANCALCV0 before XANCALON.
    static const char *values[] = {"XMOR", "XLOF", "XRA", "XE"};
    static const char *digitsParams[] = {"XUNLK", "XREV", "XLOC", "XUP", "XUT", "XP"};
    if (body.startsWith(QLatin1String("XANCALCV0")) || body.startsWith(QLatin1String("XANCALCV1"))) {
        const QString key = body.left(9);
        if (body.size() > 10 && body.at(9) == QLatin1Char(',')) {
            p[key] = body.mid(10);
            return a;
        }
        return a + signedText(p.value(key));
    }
    if (body.startsWith(QLatin1String("XANCALON")) || body.startsWith(QLatin1String("XTRIMOF")) ||
        body.startsWith(QLatin1String("XTRIMON")))
        return a;
    if (body.startsWith(QLatin1String("XU0"))) {
        if (body.startsWith(QLatin1String("XU0,"))) {
            p[QStringLiteral("XU0")] = body.mid(4);
            return a + QStringLiteral("0,") + signedText(body.mid(4));
        }
        return a + signedText(p.value(QStringLiteral("XU0")));
    }
    if (body.startsWith(QLatin1String("XU1,"))) {
        p[QStringLiteral("XU1")] = body.mid(4);
        return a;
    }
    if (body.startsWith(QLatin1String("XF"))) {
        const QString arg = body.mid(2);
        if (arg.size() == 9 && arg.startsWith(QLatin1String("0,")) && arg.at(4) == QLatin1Char(',')) {
            p[QStringLiteral("XFN")] = QString::number(arg.mid(2, 2).toInt());
            p[QStringLiteral("XFI")] = QString::number(arg.mid(5, 4).toInt());
        } else if (!arg.isEmpty()) {
            return {};
        }
        return a + QStringLiteral(",%1,%2")
                       .arg(p.value(QStringLiteral("XFN")).toInt(), 2, 10, QLatin1Char('0'))
                       .arg(p.value(QStringLiteral("XFI")).toInt(), 4, 10, QLatin1Char('0'));
    }
    for (const char *v : values) {
        const QString key = QString::fromLatin1(v);
        if (body.startsWith(key)) {
            if (body.size() > key.size())
                p[key] = body.mid(key.size());
            return a + signedText(p.value(key));
        }
    }
    for (const char *d : digitsParams) {
        const QString key = QString::fromLatin1(d);
        if (body.startsWith(key)) {
            const QString arg = body.mid(key.size());
            if (!arg.isEmpty()) {
                bool ok = false;
                const int n = arg.toInt(&ok);
                if (!ok || n < 0 || (key == QLatin1String("XUP") ? n > 14 : n > 1))
                    return {};
                p[key] = QString::number(n);
            }
            return a + p.value(key);
        }
    }
    return {};
}

QString SimBus::rotaryAnswer(Sensor &s, const QString &a, const QString &body, bool *measurement, int *seconds)
{
    auto &p = s.params;
    if (body == QLatin1String("C")) {
        *measurement = true;
        *seconds = s.measurementSeconds;
        return a + digits3(s.measurementSeconds) + QStringLiteral("01");
    }
    if (body == QLatin1String("XZE")) {
        p[QStringLiteral("XCV")] = QStringLiteral("0.000");
        return a;
    }
    static const char *keys[] = {"XMU", "XRD", "XCP", "XPC", "XCV"};
    for (const char *k : keys) {
        const QString key = QString::fromLatin1(k);
        if (!body.startsWith(key))
            continue;
        const QString arg = body.mid(key.size());
        if (!arg.isEmpty()) {
            if (key == QLatin1String("XMU") || key == QLatin1String("XRD")) {
                bool ok = false;
                const int n = arg.toInt(&ok);
                if (!ok || n < 0 || n > (key == QLatin1String("XMU") ? 3 : 1))
                    return {};
            }
            p[key] = arg;
        }
        const QString v = key == QLatin1String("XCV") ? signedText(p.value(key)) : p.value(key);
        return a + (m_faults.repeatLetters ? key : QString()) + v;
    }
    return {};
}

QString SimBus::standardAnswer(Sensor &s, const QString &a, const QString &body, bool *measurement, int *seconds)
{
    const auto withCrc = [&a](const QString &text) {
        return QString::fromLatin1(crc::withCrc((a + text).toLatin1()));
    };
    if (body.size() == 2 && body.at(0) == QLatin1Char('D') && body.at(1).isDigit()) {
        if (!s.last.held || nowMs() < s.last.readyAt)
            return a;
        // Every value in the answer to aD0!, or one in each.
        const int n = body.at(1).digitValue();
        const QString all = n == 0 ? s.last.values.join(QString()) : QString();
        const QString v = m_oneValuePerCommand ? s.last.values.value(n) : all;
        if (v.isEmpty())
            return a;
        return s.last.crc ? withCrc(v) : a + v;
    }
    if (body == QLatin1String("R0"))
        return a + values(s).join(QString());
    if (body == QLatin1String("RC0"))
        return withCrc(values(s).join(QString()));
    const bool m = body == QLatin1String("M") || body == QLatin1String("MC") ||
                   (s.family == Family::Level && body.startsWith(QLatin1String("XSPM")));
    const bool c = body == QLatin1String("C") || body == QLatin1String("CC");
    if (m || c) {
        s.last.held = true;
        s.last.request = m;
        s.last.crc = body == QLatin1String("MC") || body == QLatin1String("CC");
        s.last.readyAt = nowMs() + s.measurementSeconds * 1000.0;   // moved to the end of the answer once queued
        s.last.values = values(s);
        *measurement = true;
        *seconds = s.measurementSeconds;
        const int n = valueCount(s);
        return a + digits3(s.measurementSeconds) + QStringLiteral("%1").arg(n, m ? 1 : 2, 10, QLatin1Char('0'));
    }
    return s.family == Family::Level ? levelAnswer(s, a, body, measurement, seconds)
                                     : rotaryAnswer(s, a, body, measurement, seconds);
}

int SimBus::valueCount(const Sensor &s)
{
    return s.family == Family::Level ? 2 + s.extraValues : 1;
}

// One reading's values, each with its sign.
QStringList SimBus::values(Sensor &s)
{
    const int n = s.readings++;
    if (s.family == Family::Level) {
        const double pressure = 1.2345 + 0.01 * std::sin(n / 10.0);
        double temperature = 21.5 + 0.1 * std::sin(n / 20.0);
        if (s.params.value(QStringLiteral("XUT")) == QLatin1String("1"))
            temperature = temperature * 9.0 / 5.0 + 32.0;
        QStringList v{signedNumber(pressure, 4), signedNumber(temperature, 2)};
        // Further values, signs alternating: -1.250 +2.500 -3.750 ...
        for (int k = 1; k <= s.extraValues; ++k)
            v << signedNumber((k % 2 ? -1.25 : 1.25) * k, 3);
        return v;
    }
    const double value = s.params.value(QStringLiteral("XCV")).toDouble() + 12.345 + 0.001 * std::sin(n / 10.0);
    return {signedNumber(value, 3)};
}

void SimBus::queue(const QByteArray &bytes, double notBeforeMs)
{
    double t = qMax(notBeforeMs, qMax(m_lineFreeAt, nowMs()));
    if (m_paced) {
        for (char c : bytes) {
            t += kCharMs;   // a character is on the line until its stop bit
            m_out.push_back({t, QByteArray(1, c)});
        }
    } else {
        m_out.push_back({t, bytes});
    }
    m_lineFreeAt = t;
    if (!m_pump.isActive())
        m_pump.start(0);
}

void SimBus::pump()
{
    const double now = nowMs();
    QByteArray ready;
    while (!m_out.empty() && m_out.front().due <= now + 0.05) {
        ready += m_out.front().bytes;
        m_out.pop_front();
    }
    if (!ready.isEmpty())
        emit transmit(ready);
    // The endless stream keeps the line busy while it is on.
    if (m_streaming && m_out.empty())
        queue(QByteArray(64, 'Z'), nowMs() + (m_paced ? 0 : 5));
    if (m_out.empty())
        return;
    // Timers fire on whole milliseconds and a little late; when pacing, the
    // timer wakes the bus just before the byte is due and the last fraction
    // of a millisecond is waited out here, so that bytes leave on time.
    const double left = m_out.front().due - nowMs();
    if (m_paced && left > 0 && left < 1.5) {
        while (nowMs() < m_out.front().due) {
        }
        m_pump.start(0);
        return;
    }
    m_pump.start(qMax(0, static_cast<int>(m_paced ? std::floor(left - 1.0) : std::ceil(left))));
}

InProcessLink::InProcessLink(FakeSerialPort &port, SimBus &bus) : m_port(port)
{
    port.onWrite = [&bus](const QByteArray &b) { bus.receive(b); };
    port.onBreak = [&bus](bool on) { bus.lineBreak(on); };
    m_connection = QObject::connect(&bus, &SimBus::transmit, &port, [&port](const QByteArray &b) { port.feed(b); });
}

InProcessLink::~InProcessLink()
{
    m_port.onWrite = nullptr;
    m_port.onBreak = nullptr;
    QObject::disconnect(m_connection);
}

} // namespace sim
