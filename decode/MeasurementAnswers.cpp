// Measurement start and data answers, both families.
#include "Dispatcher.h"

#include "discovery/Console.h"
#include "decode/Decoders.h"
#include "discovery/SensorTable.h"
#include "logging/LogModel.h"
#include "logging/LoggingEngine.h"
#include "params/BusyState.h"

namespace {
// ttt at answer offsets 1-3; a digit the answer is too short for counts 0
// and marks the step failed.
int seconds(const Answer &a, bool *ok)
{
    int w = 0;
    *ok = true;
    for (int k = 1; k <= 3; ++k) {
        const auto d = a.digit(k);
        if (!d)
            *ok = false;
        w = w * 10 + d.value_or(0);
    }
    return w;
}
// A log row's date, time and moment, all from one reading of the clock.
LogRow newRow(const QDateTime &now)
{
    LogRow row;
    row.date = Clock::dateText(now.date());
    row.cells[0] = now.time().toString(QStringLiteral("hh:mm:ss"));
    row.takenMs = now.toMSecsSinceEpoch();
    return row;
}
} // namespace

// "atttn": the sensor needs ttt seconds and says so with a service request.
// The family's own probes answer a request at once after ttt 000 or 001; a
// standard sensor that has no data yet answers with its address alone, and
// its measurement is started again, this time waiting for the service
// request. The set-point commands count every second.
void Dispatcher::measurementStart(const Line &l, bool setPoint)
{
    bool ok = true;
    const int ttt = seconds(l.a, &ok);
    if (!ok)
        fail();
    const bool waitRequest = m.link.takeServiceRequestWait(l.T);
    const int w = setPoint || waitRequest ? ttt : ttt - 1;
    // The service request and the data are this sensor's: a set-point
    // command may follow another sensor's reading.
    m.link.ServiceRequestAddress = l.T;
    m_valuesDue = l.a.digit(4).value_or(0);
    m_firstValueTab = -1;
    (setPoint ? m.SetPointWait : m.MeasurementWait)[static_cast<size_t>(l.T)] = w;
    if (w > 0) {
        m.link.awaitServiceRequest(ttt);
    } else {
        m.link.measurementStarted(ttt, ttt > 0);
        m.clock.sleepMs(m.link.DataTimeout);
        m.logging->RequestMeasurementData(l.T);
    }
}

// "atttnn" answer to C: a concurrent measurement sends no service request;
// the data are asked for once the announced time has passed, at once when
// it is 0.
void Dispatcher::concurrentStart(const Line &l)
{
    bool ok = true;
    const int w = seconds(l.a, &ok);
    if (!ok)
        fail();
    m.MeasurementWait[static_cast<size_t>(l.T)] = w;
    m_firstValueTab = -1;
    if (w != 0) {
        m.link.awaitAnnouncedTime(w);
    } else {
        m.link.measurementStarted(0);
        m.logging->RequestMeasurementData(l.T);
    }
}

// A data answer with nothing but the address (and blanks) holds no reading:
// nothing is filed.
bool Dispatcher::noValues(const Line &l)
{
    if (!l.a.afterAddress().trimmed().isEmpty())
        return false;
    if (m.link.noValues())
        m.logging->StartLevelMeasurement(l.T);
    return true;
}

// SDI-12 lets a sensor spread its values over aD0!..aD9!: a reading that
// announced two values and got one, a signed number, asks aD1! for the
// second. The family's own probes send both in the answer to aD0!.
void Dispatcher::levelData(const Line &l)
{
    if (m_firstValueTab == l.T) {
        m_firstValueTab = -1;
        const QString second = decoders::splitLevelData(l.a.afterAddress().trimmed()).first;
        fileLevelData(l.T, m_firstValue, second);
    } else {
        if (noValues(l))
            return;
        const QString text = l.a.afterAddress();
        const decoders::LevelData d = decoders::splitLevelData(text);
        const bool signedValue = text.startsWith(QLatin1Char('+')) || text.startsWith(QLatin1Char('-'));
        if (d.second.isEmpty() && m_valuesDue >= 2 && signedValue) {
            m_firstValueTab = l.T;
            m_firstValue = d.first;
            m.logging->RequestMeasurementData(l.T, 1);
            return;
        }
        fileLevelData(l.T, d.first, d.second);
    }
    answered();
    idleLevel(l, l.T);
}

void Dispatcher::timedOut()
{
    if (m_firstValueTab < 0)
        return;
    const int tab = m_firstValueTab;
    m_firstValueTab = -1;
    fileLevelData(tab, m_firstValue, QString());
}

void Dispatcher::fileLevelData(int tab, const QString &first, const QString &second)
{
    SensorFields *t = m.tab[tab].get();
    LogRow row = newRow(m.clock.now());
    row.cells = {row.cells[0], first, t->PressUnitsCombo.text(), second, t->TempUnitsCombo.text()};
    m.levelLog(tab)->insertTop(row);   // shown at the top, selected
    t->ClearLogBut.setEnabled(true);
    t->SaveLogBut.setEnabled(true);
    m.table->setCell(tab, SensorTable::Pressure, first);
    m.table->setCell(tab, SensorTable::Temperature, second);
    t->PressureText.setText(first);
}

void Dispatcher::rotaryData(const Line &l)
{
    if (noValues(l))
        return;
    SensorFields *t = m.tab[l.T].get();
    const QString value = decoders::splitLevelData(l.a.afterAddress()).first;
    LogRow row = newRow(m.clock.now());
    row.cells = {row.cells[0], value, t->RotaryMeasurementUnitsCombo.text(), QString(), QString()};
    m.rotaryLog(l.T)->insertTop(row);
    t->ClearLogBut.setEnabled(true);
    t->SaveLogBut.setEnabled(true);
    m.table->setCell(l.T, SensorTable::RotaryLevel, value);
    t->RotaryCurrentValueText.setText(value);
    answered();
    idleRotary(l, l.T);
}
