#include "SensorTools.h"

#include "decode/Crc.h"
#include "decode/Values.h"
#include "discovery/Console.h"
#include "discovery/Scanner.h"
#include "discovery/SensorTable.h"
#include "params/Calibration.h"
#include "params/LevelParams.h"

#include <QRegularExpression>

namespace {
std::optional<int> wholeNumber(const QString &text, int max)
{
    bool ok = false;
    const int v = text.trimmed().toInt(&ok);
    if (!ok || v < 0 || v > max)
        return std::nullopt;
    return v;
}
} // namespace

void SensorTools::mnuFilter_Click()
{
    m.level->FilterQuery(m.currentTab());
}

void SensorTools::Command1_Click()
{
    m.level->FilterQuery(m.currentTab());
}

void SensorTools::FilterSetingsBut_Click()
{
    m.level->FilterSet(m.currentTab());
}

void SensorTools::setFilterReadings(int n)
{
    m.win.NoOfReadingsText.setText(QString::number(n));
}

void SensorTools::setFilterInterval(int i)
{
    m.win.ReadingIntervalText.setText(QString::number(i));
}

std::optional<int> SensorTools::filterReadings() const
{
    return wholeNumber(m.win.NoOfReadingsText.text(), 99);
}

std::optional<int> SensorTools::filterInterval() const
{
    return wholeNumber(m.win.ReadingIntervalText.text(), 9999);
}

QString SensorTools::updateMaxSampleRate()
{
    const double n = static_cast<int>(values::Val(m.win.NoOfReadingsText.text()));
    const double i = static_cast<int>(values::Val(m.win.ReadingIntervalText.text()));
    const QString text = values::plainText(n * i * 0.2);
    m.win.MaxSampleRateText.setText(text);
    return text;
}

void SensorTools::ResetBut_Click(int index)
{
    m.ResetIndex = index;
    if (m.ResetIndex < 0 || !m.table->present(m.ResetIndex)) {
        m.warn(QStringLiteral("Reset Sensor."), QStringLiteral("The selected sensor is not enabled."));
        return;
    }
    m.calibration->ResetSensor(m.ResetIndex);
}

void SensorTools::mnuUserCommand_Click()
{
    m.UserCommandCount = 0;
}

void SensorTools::commandSent(const QString &command)
{
    static const QRegularExpression start(QStringLiteral("^.[MC]C[1-9]?!$")), continuous(QStringLiteral("^.RC[0-9]!$")),
        data(QStringLiteral("^.D[0-9]!$"));
    m.win.CrcText.clear();
    if (data.match(command).hasMatch()) {
        m_crcAnswer = m_crcData;
        return;
    }
    m_crcData = start.match(command).hasMatch();
    m_crcAnswer = continuous.match(command).hasMatch();
}

void SensorTools::SubmitBut_Click(const QString &text)
{
    if (text.isEmpty())
        return;
    m.win.ReceivedText.clear();
    commandSent(text);
    m.link.strSent_Command = text;
    m.link.UserCommandFlag = true;
    m.link.send_TXbuff(text.toLatin1());
}

void SensorTools::showReply(const QString &text)
{
    m.win.ReceivedText.setText(text);
    if (!text.isEmpty())
        ++m.UserCommandCount;
    if (!m_crcAnswer)
        return;
    // The answer follows the interface's echo of the command.
    const crc::Check c = crc::check(text.mid(text.indexOf(QLatin1Char('!')) + 1).toLatin1());
    m.win.CrcText.setText(!c.present ? QStringLiteral("No CRC in the answer.")
                          : c.correct ? QStringLiteral("CRC correct.")
                                      : QStringLiteral("CRC wrong: the answer ends in %1, its text gives %2.")
                                            .arg(QString::fromLatin1(c.sent), QString::fromLatin1(c.expected)));
}

void SensorTools::maintenanceDone()
{
    m.link.UserCommandFlag = false;
}

void SensorTools::UserCommand_Form_Unload()
{
    m.link.UserCommandFlag = false;
    if (m.UserCommandCount != 0 &&
        m.ui.askYesNo(QStringLiteral("User Command."),
                      QStringLiteral("You may have altered sensor settings. Do you wish to rescan the sensors?")))
        m.scanner->Poll_Sensors();
}
