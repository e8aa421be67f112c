#include "Scanner.h"

#include "discovery/Console.h"
#include "discovery/LogPeriods.h"
#include "discovery/SensorTable.h"
#include "logging/LoggingEngine.h"
#include "params/Calibration.h"
#include "params/LevelParams.h"
#include "params/RotaryParams.h"
#include "discovery/AddressOps.h"


namespace {
// The measurement step allows ten command timeouts, for the answer and for
// the measurement the sensor announces (the scan cannot be cancelled: a
// longer one is not waited for). The normal timeout comes back whatever
// happens.
struct LongTimeout {
    Link &link;
    int saved;
    explicit LongTimeout(Link &l) : link(l), saved(l.commandTimeout())
    {
        link.setCommandTimeout(saved * 10);
        link.setMeasurementLimitMs(saved * 10);
    }
    ~LongTimeout()
    {
        link.setCommandTimeout(saved);
        link.setMeasurementLimitMs(0);
    }
};
} // namespace

bool Scanner::step(const std::function<void()> &send)
{
    m.link.ResponseState = Link::Waiting;
    send();
    return m.link.WaitForResponse();
}

bool Scanner::measurementStep(int a)
{
    LongTimeout t(m.link);
    return step([&] {
        if (m.SensorType)
            m.logging->StartRotaryMeasurement(a);
        else
            m.logging->StartLevelMeasurement(a);
    });
}

void Scanner::logStatus(int a)
{
    m.link.ResponseState = Link::Waiting;
    m.table->setLogStatus(a, m.LoggingTab != 0 ? QStringLiteral("Logging") : QStringLiteral("Idle"));
}

void Scanner::levelList(int a)
{
    LevelParams &p = *m.level;
    Calibration &c = *m.calibration;
    const std::function<void()> queries[] = {
        [&] { p.TempUnitsQueryBut_Click(a); },
        [&] { p.DensityCorrQueryBut_Click(a); },
        [&] { p.LocalGravityQueryBut_Click(a); },
        [&] { m.address->IDQueryBut_Click(a); },
        [&] { p.ReverseQueryBut_Click(a); },
        [&] { p.LevelQueryBut_Click(a); },
        [&] { p.RangeQueryBut_Click(a); },
        [&] { p.QueryU0Value(a); },
        [&] { c.QueryZeroCalibrationValue(a); },
        [&] { c.QuerySlopeCalibrationValue(a); },
        [&] { p.MaxOverRangeQueryBut_Click(a); },
        [&] { p.ApplyQueryBut_Click(a); },
        [&] { p.QueryLevelSerialNumber(a); },
        [&] { p.FilterQuery(a); },
    };
    for (const auto &q : queries)
        if (!step(q))
            return;
    FillLogPeriods(m.tab[a]->LogPeriodCombo, m.tab[a]->SampleRateText.text());
    measurementStep(a);
    logStatus(a);
}

void Scanner::rotaryList(int a)
{
    RotaryParams &p = *m.rotary;
    const std::function<void()> queries[] = {
        [&] { p.QueryRotaryPulleyCircumfBut_Click(a); },
        [&] { p.QueryRotaryDirectionBut_Click(a); },
        [&] { p.QueryRotaryCountsPerRevBut_Click(a); },
        [&] { p.QueryRotaryCurrentValueBut_Click(a); },
        [&] { p.QueryRotarySerialNumber(a); },
        [&] { m.address->RotaryIDQueryBut_Click(a); },
    };
    for (const auto &q : queries)
        if (!step(q))
            return;
    measurementStep(a);
    logStatus(a);
}

bool Scanner::scanAddress(int a)
{
    m.setCurrentTab(a);
    const bool found = step([&] {
        if (m.SensorType)
            m.rotary->QueryRotaryMeasurementUnitsBut_Click(a);
        else
            m.level->PressUnitsQueryBut_Click(a);
    });
    if (!found) {
        m.table->setPresent(a, false);
        m.table->clearRow(a);
        m.link.FlushInput();
    } else {
        m.table->setPresent(a, true);
        if (!m.SensorType) {
            m.SkipLocalOffset_Flag = true;
            levelList(a);
        } else {
            rotaryList(a);
        }
    }
    if (!m.SensorType)
        m.SkipLocalOffset_Flag = false;
    return found;
}

bool Scanner::readSensor(int a)
{
    if (m_running)
        return false;
    m_running = true;
    SequenceGuard guard(m);
    m.ReplyBeep_Flag = false;
    const bool found = scanAddress(a);
    m.ReplyBeep_Flag = true;
    m.link.RxState = 0;
    m_running = false;
    return found;
}

void Scanner::Poll_Sensors()
{
    if (m_running)
        return;
    m_running = true;
    // "Unable to connect to comm port." is shown once per scan.
    m.connectMessageShown = false;
    SequenceGuard guard(m);
    emit m.scanRunning(true);
    m.ReplyBeep_Flag = false;
    m.win.ProgressBar1.setValue(0);
    m.win.SensorPoll.setVisible(true);
    // The user cannot pick another tab while the scan files answers.
    m.win.SensorTabBar.setEnabled(false);

    int firstFound = 0;
    for (int a = 0; a <= 9; ++a) {
        if (scanAddress(a) && firstFound == 0)
            firstFound = a + 1;
        m.win.ProgressBar1.setValue(a);
    }

    emit m.scanRunning(false);
    m.ReplyBeep_Flag = true;
    m.ui.beep();
    m.win.SensorPoll.setVisible(false);
    m.link.RxState = 0;
    m.win.SensorTabBar.setEnabled(true);
    m_running = false;

    if (firstFound == 0) {
        m.setCurrentTab(0);
        m.warn(QStringLiteral("Scan Sensors..."),
               QStringLiteral("No sensors were found. Please check connections and addresses."));
        return;
    }
    m.setCurrentTab(firstFound - 1);
    m.table->selectRow(firstFound - 1);
}

void Scanner::RequeryUnitDependentValues(int a)
{
    SequenceGuard guard(m);
    LevelParams &p = *m.level;
    m.ReplyBeep_Flag = false;
    m.link.ResponseState = Link::Waiting;
    p.DensityCorrQueryBut_Click(a);
    if (!m.link.WaitForResponse()) {
        m.table->ClearSensorRow(a);
        m.link.FlushInput();
        m.ReplyBeep_Flag = true;
        return;
    }
    const std::function<void()> queries[] = {
        [&] { p.LocalGravityQueryBut_Click(a); },
        [&] { p.LevelQueryBut_Click(a); },
        [&] { p.RangeQueryBut_Click(a); },
        [&] { p.MaxOverRangeQueryBut_Click(a); },
    };
    for (const auto &q : queries) {
        if (!step(q)) {
            m.ReplyBeep_Flag = true;
            return;
        }
    }
    if (measurementStep(a)) {
        logStatus(a);
        m.ReplyBeep_Flag = true;
        m.ui.beep();
    } else {
        m.ReplyBeep_Flag = true;
    }
}
