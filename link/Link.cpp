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
    connect(&ServiceRequestDeadline, &QTimer::timeout, this, [this] {
        qCInfo(lcLink) << "no service request from" << ServiceRequestAddress;
        expire();
    });
    // Wakes the wait loop so that bytes held back by the port while a receive
    // handler runs a nested wait are still seen.
    m_wake.setInterval(5);
    connect(Comm1, &SerialPort::readyRead, this, &Link::Comm1_OnComm);
    connect(Comm1, &SerialPort::lost, this, &Link::onPortLost);
}

void Link::send_TXbuff(const QByteArray &in_buff)
{
    CommsList->append(m_clock->timeOfDay() + QStringLiteral(" --> ") + QString::fromLatin1(in_buff));
    if (Comm1->isOpen()) {
        // The bus is half duplex: a command written while another exchange
        // is pending cuts that exchange off. Callers end their exchange first.
        if (exchangeInFlight()) {
            qCWarning(lcLink) << "command" << in_buff << "written while another exchange is pending";
            ++m_overlaps;
        }
        ServiceRequestDeadline.stop();
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
        ++m_sentCount;
        TimeoutTimer.start(m_commandTimeout);
        RxState = 0;
        qCDebug(lcLink) << "sent" << in_buff << "code" << LastCommand;
    } else {
        ServiceRequestDeadline.stop();
        FlushInput();
        emit cannotSend();
        // Nothing went out, so nothing can answer: the exchange is over at
        // once, as if it had timed out, and any waiting sequence moves on.
        expire();
    }
}

void Link::abandonServiceRequest()
{
    ServiceRequestDeadline.stop();
    RxState = 0;
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
    return TimeoutTimer.isActive() || ServiceRequestDeadline.isActive();
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
    qCInfo(lcLink) << "command timed out:" << strSent_Command;
    expire();
}

void Link::expire()
{
    ResponseState = TimedOut;
    TimeoutTimer.stop();
    ServiceRequestDeadline.stop();
    FlushInput();
    if (releaseAfterTimeout)
        releaseAfterTimeout();
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

void Link::awaitServiceRequest(int seconds)
{
    RxState = 1;
    ServiceRequestDeadline.start(seconds * 1000 + m_commandTimeout);
}

void Link::Comm1_OnComm()
{
    Rx.Complete = false;
    while (Comm1->isOpen() && Comm1->bytesAvailable() > 0)
        handleByte(Comm1->readByte());
}

void Link::handleByte(char c)
{
    const unsigned char b = static_cast<unsigned char>(c) & 0x7f;

    // Comms-log copy.
    if (b == 10) {
        if (CommsList->count() >= 150)
            CommsList->clear();
        CommsList->append(m_clock->timeOfDay() + QStringLiteral(" <-- ") + Rx.Text);
        Rx.Text.clear();
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
            m_clock->sleepMs(DataTimeout);
            if (requestMeasurementData)
                requestMeasurementData(ServiceRequestAddress);
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
    }
}
