#include "Link.h"

#include <QCoreApplication>
#include <QEventLoop>

Q_LOGGING_CATEGORY(lcLink, "sdi12.link", QtWarningMsg)

Link::Link(SerialPort *port, CommsLog *log, Clock *clock, QObject *parent)
    : QObject(parent), Comm1(port), CommsList(log), m_clock(clock)
{
    TimeoutTimer.setSingleShot(true);
    TimeoutTimer.setTimerType(Qt::PreciseTimer);
    connect(&TimeoutTimer, &QTimer::timeout, this, &Link::onTimeout);
    ServiceRequestDeadline.setSingleShot(true);
    ServiceRequestDeadline.setTimerType(Qt::PreciseTimer);
    // No service request by the time the data are due: they are asked for
    // all the same (the request may have been lost on the line).
    connect(&ServiceRequestDeadline, &QTimer::timeout, this, [this] {
        qCInfo(lcLink) << "no service request from" << ServiceRequestAddress;
        RxState = 0;
        requestData();
    });
    m_dataDue.setSingleShot(true);
    m_dataDue.setTimerType(Qt::PreciseTimer);
    connect(&m_dataDue, &QTimer::timeout, this, &Link::requestData);
    // Wakes the wait loop so that bytes held back by the port while a receive
    // handler runs a nested wait are still seen.
    m_wake.setInterval(5);
    connect(Comm1, &SerialPort::readyRead, this, &Link::Comm1_OnComm);
    connect(Comm1, &SerialPort::lost, this, &Link::onPortLost);
}

void Link::send_TXbuff(const QByteArray &in_buff)
{
    logUnended();
    CommsList->append(m_clock->timeOfDay() + QStringLiteral(" --> ") + QString::fromLatin1(in_buff));
    if (Comm1->isOpen()) {
        // The bus is half duplex: a command written while another exchange
        // is pending cuts that exchange off. Callers end their exchange first.
        if (exchangeInFlight()) {
            qCWarning(lcLink) << "command" << in_buff << "written while another exchange is pending";
            ++m_overlaps;
        }
        stopMeasurementWaits();
        Comm1->setBreak(true);
        m_clock->sleepMs(BreakTiming);
        Comm1->setBreak(false);
        m_clock->sleepMs(MarkTiming);
        // Whatever arrived up to now (also during the break and mark, and
        // still held by the system) is stale: it never reaches this answer.
        FlushInput();
        Comm1->write(in_buff);
        // On the wire at once, so that it follows its own break even when
        // the next command is written before the event loop runs again.
        Comm1->flush();
        m_sentAt.start();
        m_sentBytes = static_cast<int>(in_buff.size());
        ++m_sentCount;
        TimeoutTimer.start(m_commandTimeout);
        RxState = 0;
        qCDebug(lcLink) << "sent" << in_buff << "code" << LastCommand;
    } else {
        stopMeasurementWaits();
        FlushInput();
        emit cannotSend();
        // Nothing went out, so nothing can answer: the exchange is over at
        // once, as if it had timed out, and any waiting sequence moves on.
        expire();
    }
}

void Link::stopMeasurementWaits()
{
    ServiceRequestDeadline.stop();
    m_dataDue.stop();
}

void Link::abandonMeasurement()
{
    const bool waited = ServiceRequestDeadline.isActive() || m_dataDue.isActive();
    stopMeasurementWaits();
    RxState = 0;
    if (waited)
        scheduleSettled();
}

void Link::note(const QString &text)
{
    CommsList->append(m_clock->timeOfDay() + QStringLiteral(" --- ") + text);
}

void Link::requestData()
{
    if (requestMeasurementData)
        requestMeasurementData(ServiceRequestAddress);
}

void Link::scheduleSettled()
{
    // Whoever handles the end of the exchange (a decoding, a waiting
    // sequence) runs first; a follow-up exchange it starts keeps the bus.
    if (m_settlePosted)
        return;
    m_settlePosted = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            m_settlePosted = false;
            if (!exchangeInFlight())
                emit settled();
        },
        Qt::QueuedConnection);
}

void Link::continueLine(const QByteArray &prefix)
{
    Rx.Data = prefix.left(MaxLine);
    Rx.Count = static_cast<int>(Rx.Data.size());
    Rx.Complete = false;
    RxState = 3;
}

bool Link::exchangeInFlight() const
{
    return TimeoutTimer.isActive() || ServiceRequestDeadline.isActive() || m_dataDue.isActive();
}

void Link::pumpEvents()
{
    QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
}

bool Link::WaitForResponse()
{
    if (m_waitDepth++ == 0)
        m_wake.start();
    while (ResponseState == Waiting) {
        pumpEvents();
        if (Comm1->isOpen() && Comm1->bytesAvailable() > 0)
            Comm1_OnComm();
        // A line was accepted whose decoding neither answered nor started a
        // follow-up exchange: nothing more can come for this command.
        if (ResponseState == Waiting && !exchangeInFlight())
            break;
    }
    if (--m_waitDepth == 0)
        m_wake.stop();
    if (ResponseState == Answered)
        return true;
    if (ResponseState == TimedOut)
        FlushInput();
    return false;
}

void Link::FlushInput()
{
    if (Comm1->isOpen())
        Comm1->clearInput();
    RxState = 0;
}

void Link::onTimeout()
{
    // Timers may round to the millisecond; the timeout never comes before
    // the full command timeout has passed since the write.
    const qint64 left = m_commandTimeout - m_sentAt.elapsed();
    if (m_sentAt.isValid() && left > 0) {
        TimeoutTimer.start(static_cast<int>(left) + 1);
        return;
    }
    // The answer is still coming in (more of the line than the echo of the
    // command): its end is waited for, not cut off.
    const bool inLine = (RxState == 3 || RxState == 4) && Rx.Count > m_sentBytes;
    const qint64 quiet = m_lastBytes.isValid() ? m_lastBytes.elapsed() : LineGapMs;
    if (inLine && Rx.Count < LongestLine && quiet < LineGapMs) {
        TimeoutTimer.start(static_cast<int>(LineGapMs - quiet) + 1);
        return;
    }
    qCInfo(lcLink) << "command timed out:" << strSent_Command;
    expire();
}

void Link::expire()
{
    ResponseState = TimedOut;
    TimeoutTimer.stop();
    stopMeasurementWaits();
    FlushInput();
    logUnended();
    if (releaseAfterTimeout)
        releaseAfterTimeout();
    scheduleSettled();
}

void Link::onPortLost(const QString &reason)
{
    qCInfo(lcLink) << "port lost:" << reason;
    // The exchange in flight ends first: whoever hears of the loss may keep
    // a message open for minutes while the port comes back and new
    // exchanges start.
    if (exchangeInFlight())
        expire();
    emit portLost(reason);
}

void Link::lineAccepted()
{
    TimeoutTimer.stop();
}

void Link::measurementStarted(int seconds, bool early)
{
    m_measured.start();
    m_announcedMs = qMax(0, seconds) * 1000;
    m_askedAgain = false;
    m_askedEarly = early;
}

bool Link::tooLong(int seconds)
{
    const QString sensor = QStringLiteral("Sensor %1").arg(ServiceRequestAddress);
    if (m_measurementLimitMs > 0 && seconds * 1000 > m_measurementLimitMs) {
        note(QStringLiteral("%1 needs %2 s for its measurement; this reading is not waited for").arg(sensor).arg(seconds));
        expire();
        return true;
    }
    // A long wait is legal; the log says how long, so that it is not taken
    // for a hang.
    if (seconds >= 10)
        note(QStringLiteral("%1 measures for %2 s: data due at %3")
                 .arg(sensor)
                 .arg(seconds)
                 .arg(Clock::timeText(m_clock->now().addSecs(seconds).time())));
    return false;
}

void Link::awaitServiceRequest(int seconds)
{
    measurementStarted(seconds);
    if (tooLong(seconds))
        return;
    RxState = 1;
    ServiceRequestDeadline.start(m_announcedMs + DataTimeout);
}

void Link::awaitAnnouncedTime(int seconds)
{
    measurementStarted(seconds);
    if (tooLong(seconds))
        return;
    RxState = 0;
    m_dataDue.start(m_announcedMs + DataTimeout);
}

bool Link::noValues()
{
    const QString sensor = QStringLiteral("Sensor %1").arg(ServiceRequestAddress);
    if (m_askedEarly) {
        m_measureAgain = ServiceRequestAddress;
        note(QStringLiteral("%1 had no data before its announced time: measuring again, waiting for its service "
                            "request")
                 .arg(sensor));
        return true;
    }
    if (m_askedAgain || !m_measured.isValid()) {
        note(QStringLiteral("%1 sent no values: reading missed").arg(sensor));
        expire();
        return false;
    }
    // "No data yet": asked too early. Once more when they are due.
    m_askedAgain = true;
    const qint64 rest = qMax<qint64>(0, m_announcedMs - m_measured.elapsed());
    m_dataDue.start(static_cast<int>(rest) + DataTimeout);
    return false;
}

bool Link::takeServiceRequestWait(int address)
{
    const bool wait = m_measureAgain == address;
    m_measureAgain = -1;
    return wait;
}

void Link::logReceived()
{
    if (CommsList->count() >= 150)
        CommsList->clear();
    CommsList->append(m_clock->timeOfDay() + QStringLiteral(" <-- ") + Rx.Text);
    Rx.Text.clear();
}

void Link::logUnended()
{
    // What came back without a line end (the interface's echo of a command no
    // sensor answered, a line cut off) is shown as it came, on a line of its
    // own, not glued before the next answer.
    if (!Rx.Text.isEmpty())
        logReceived();
}

void Link::Comm1_OnComm()
{
    Rx.Complete = false;
    if (Comm1->isOpen() && Comm1->bytesAvailable() > 0)
        m_lastBytes.start();
    while (Comm1->isOpen() && Comm1->bytesAvailable() > 0)
        handleByte(Comm1->readByte());
}

void Link::handleByte(char c)
{
    const unsigned char b = static_cast<unsigned char>(c) & 0x7f;

    // Comms-log copy. A service request was logged as its own line when its
    // address came; its line feed ends nothing more.
    if (b == 10) {
        if (!(m_srLogged && Rx.Text.isEmpty()))
            logReceived();
        m_srLogged = false;
    } else if (b != 0 && b != 13) {
        if (Rx.Text.size() < MaxLine)
            Rx.Text.append(QLatin1Char(static_cast<char>(b)));
    }

    bool completed = false;
    switch (RxState) {
    case 0:
        Rx.Count = 0;
        Rx.Complete = false;
        if ((b >= '0' && b <= '9') || b == '?') {
            Rx.Data = QByteArray(1, static_cast<char>(b));
            Rx.Count = 1;
            RxState = 3;
        }
        break;
    case 1:
        if (b == 13) {
            RxState = 2;
        } else if (b == '0' + ServiceRequestAddress) {
            ServiceRequestDeadline.stop();
            qCDebug(lcLink) << "service request from" << ServiceRequestAddress;
            // The request is a line of its own in the log, at the time it
            // came; the data answer is framed alone after it.
            logReceived();
            m_srLogged = true;
            m_clock->sleepMs(DataTimeout);
            requestData();
        }
        break;
    case 2:
        RxState = 0;
        break;
    case 3:
        if (b == 13) {
            RxState = 4;
        } else if (Rx.Count >= MaxLine) {
            // A sensor streaming without CR: drop the line and frame again
            // from the next address character.
            qCInfo(lcLink) << "line longer than" << MaxLine << "bytes dropped";
            Rx.Data.clear();
            Rx.Count = 0;
            RxState = 0;
        } else {
            Rx.Data.append(static_cast<char>(b));
            ++Rx.Count;
        }
        break;
    case 4:
        Rx.Complete = true;
        RxState = 0;
        completed = true;
        break;
    default:
        RxState = 0;
        break;
    }

    if (completed && decode) {
        const QByteArray line = Rx.Data;   // the decoder may frame further lines
        decode(line);
        scheduleSettled();
    }
}
