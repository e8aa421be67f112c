#include "Dispatcher.h"

#include "discovery/Console.h"
#include "decode/Decoders.h"
#include "discovery/AddressOps.h"
#include "discovery/SensorTable.h"
#include "params/BusyState.h"
#include "logging/LoggingEngine.h"
#include "params/SensorTools.h"

Q_LOGGING_CATEGORY(lcDecode, "sdi12.decode", QtWarningMsg)

int Dispatcher::answerTab() const
{
    const QString &sent = m.link.strSent_Command;
    if (!sent.isEmpty() && sent.at(0) >= QLatin1Char('0') && sent.at(0) <= QLatin1Char('9'))
        return sent.at(0).unicode() - '0';
    return m.currentTab();
}

void Dispatcher::fail()
{
    m.warn(QStringLiteral("SDI12 Message Error."), QStringLiteral("Received command not recognised."));
}

void Dispatcher::answered()
{
    m.link.ResponseState = Link::Answered;
}

void Dispatcher::beep()
{
    m.replyBeep();
}

// A decoding that itself started a further exchange (the lock or
// local-offset box sending the state just read, the lock state sent to a
// sensor moved to its new address) leaves that exchange's tab and the
// window's commands busy: its answer releases them.
void Dispatcher::idleLevel(const Line &l, int tab)
{
    const bool followUp = m.link.sentCount() != l.sentAtStart && m.link.exchangeInFlight();
    if (followUp && answerTab() == tab)
        return;
    m.busy->SetLevelIdle(tab);
    if (followUp)
        m.busy->setBusy(answerTab());
}

void Dispatcher::idleRotary(const Line &l, int tab)
{
    const bool followUp = m.link.sentCount() != l.sentAtStart && m.link.exchangeInFlight();
    if (followUp && answerTab() == tab)
        return;
    m.busy->SetRotaryIdle(tab);
    if (followUp)
        m.busy->setBusy(answerTab());
}

void Dispatcher::Decode_SDI12(const QByteArray &sdi_buff)
{
    const QString received_command = QString::fromLatin1(sdi_buff);
    qCDebug(lcDecode) << "line" << received_command << "for" << m.link.strSent_Command << m.link.LastCommand;

    if (m.link.UserCommandFlag) {
        m.link.lineAccepted();
        userCommand(received_command);
        return;
    }
    if (m.link.strSent_Command.isEmpty() || !received_command.contains(m.link.strSent_Command) ||
        !received_command.contains(QLatin1Char('!'))) {
        qCDebug(lcDecode) << "ignored: not the answer to" << m.link.strSent_Command;
        return;
    }
    const int code = m.link.LastCommand;
    const Answer::Anchor anchor = (code == 0 || code == 1 || code == 101) ? Answer::LastBang : Answer::FirstBang;
    Line l{Answer(received_command, anchor), answerTab(), code, m.link.sentCount()};

    // An answer starts with the address of the sensor that was asked (the
    // address query asks whoever is there; an address change is answered
    // from the new address). Anything else after the echo is line noise:
    // not the answer, and the answer may still follow.
    if (code != 0 && code != 1 && code != 101) {
        const auto address = l.a.field(0);
        if (!address || *address != m.link.strSent_Command.at(0)) {
            qCDebug(lcDecode) << "no answer from" << m.link.strSent_Command.at(0) << "in" << received_command;
            m.link.continueLine(sdi_buff.left(l.a.P()));
            if (address)
                fail();
            return;
        }
    }
    m.link.lineAccepted();

    switch (code) {
    case 0: addressQuery(l); break;
    case 1: case 101: addressChange(l); break;
    case 2: case 3: pressureUnits(l); break;
    case 4: case 5: listDigit(l, SensorTable::TemperatureUnits, code == 5); break;
    case 6: case 7: listDigit(l, SensorTable::DensityCorrection, code == 7); break;
    case 8: case 9: localGravity(l); break;
    case 10: case 112: identification(l); break;
    case 11: measurementStart(l, false); break;
    case 12: levelData(l); break;
    case 13: case 14: case 15: case 16: case 19: case 20: fourDecimalValue(l); break;
    case 17: case 18: reverse(l); break;
    case 21: case 22: localOffset(l); break;
    case 23: case 24: unlock(l); break;
    case 25: case 113: serialNumber(l); break;
    case 26: case 27: filterSettings(l); break;
    case 28: case 31: measurementStart(l, true); break;
    case 29: specificGravitySet(l); break;
    case 30: specificGravityQuery(l); break;
    case 32: trimOff(l); break;
    case 33: case 34: case 35: case 36: case 39: answered(); break;
    case 37: case 38: calibrationValue(l); break;
    case 102: case 103: case 104: case 105: case 106: case 107: case 108: case 109: case 110: case 111: case 114:
        rotary(l);
        break;
    case 116: concurrentStart(l); break;
    case 117: rotaryData(l); break;
    default:
        m.warn(QStringLiteral("SDI12 Message Error."), QStringLiteral("Command response not found."));
        m.busy->SetLevelIdle(l.T);
        break;
    }
}

void Dispatcher::userCommand(const QString &text)
{
    beep();
    m.tools->showReply(text);
}

void Dispatcher::addressQuery(const Line &l)
{
    const auto c = l.a.field(0);
    if (!c)
        fail();
    else
        m.warn(QStringLiteral("Query Sensor Address."),
               QStringLiteral("Sensor Address is ") + QString(*c) + QLatin1Char('.'));
    m.busy->SetLevelIdle(l.T);
}

void Dispatcher::addressChange(const Line &l)
{
    beep();
    const int p = l.a.P();
    const auto oldC = l.a.at(p - 3), newC = l.a.at(p - 1), confirmed = l.a.field(0);
    auto digit = [](const std::optional<QChar> &c) { return c && c->isDigit() ? c->unicode() - '0' : -1; };
    const int oldAddress = digit(oldC), newAddress = digit(newC);
    if (oldAddress < 0 || newAddress < 0) {
        fail();
    } else if (!confirmed || *confirmed != *newC) {
        // The sensor answered with another address: it kept its own.
        m.warn(QStringLiteral("Set Sensor Address."), QStringLiteral("The sensor did not accept the new address."));
    } else if (oldAddress == newAddress) {
        // Confirmed at the address it already had: its tab is already the right one.
    } else if (l.code == 1) {
        m.address->MoveLevelSensorTab(oldAddress, newAddress);
    } else {
        m.address->MoveRotarySensorTab(oldAddress, newAddress);
    }
    if (l.code == 1)
        idleLevel(l, l.T);
    else
        idleRotary(l, l.T);
}

void Dispatcher::identification(const Line &l)
{
    beep();
    LinesField &list = l.code == 10 ? m.tab[l.T]->SensorIDList : m.tab[l.T]->RotarySensorIDList;
    list.addItems(decoders::identificationLines(l.a));
    answered();
    if (l.code == 10)
        idleLevel(l, l.T);
    else
        idleRotary(l, l.T);
}

void Dispatcher::serialNumber(const Line &l)
{
    beep();
    m.table->setCell(l.T, SensorTable::SerialNo, l.a.afterAddress());
    answered();
    if (l.code == 25)
        idleLevel(l, l.T);
    else
        idleRotary(l, l.T);
}

void Dispatcher::trimOff(const Line &l)
{
    beep();
    answered();
    if (m.UpdateReadings_Flag) {
        m.UpdateReadings_Flag = false;
        m.logging->StartLevelMeasurement(l.T);
    }
}
