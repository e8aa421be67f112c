// Answers to the level-probe parameter commands.
#include "Dispatcher.h"

#include "discovery/Console.h"
#include "decode/Decoders.h"
#include "decode/Values.h"
#include "discovery/LogPeriods.h"
#include "discovery/Scanner.h"
#include "discovery/SensorTable.h"
#include "logging/LoggingEngine.h"
#include "params/LevelParams.h"
#include "params/SensorTools.h"

void Dispatcher::pressureUnits(const Line &l)
{
    SensorFields *t = m.tab[l.T].get();
    const int code = decoders::pressureUnitCode(l.a);
    const int item = t->PressUnitsCombo.findData(code);
    if (item >= 0)
        t->PressUnitsCombo.select(item);
    m.table->setCell(l.T, SensorTable::PressureUnits, t->PressUnitsCombo.text());
    beep();
    answered();
    if (l.code == 3)
        m.scanner->RequeryUnitDependentValues(l.T);
    else
        idleLevel(l, l.T);
}

// Temperature units (4, 5) and density correction (6, 7): a list position.
void Dispatcher::listDigit(const Line &l, int tableColumn, bool measureAfterSet)
{
    SensorFields *t = m.tab[l.T].get();
    ListField &c = tableColumn == SensorTable::TemperatureUnits ? t->TempUnitsCombo : t->DensityCorrCombo;
    const auto d = l.a.digit(1);
    if (!d || *d >= c.count())
        fail();
    else
        c.select(*d);
    m.table->setCell(l.T, tableColumn, c.text());
    beep();
    answered();
    // A calibration or reset sequence sends its own next command: no reading
    // of its own on top of it.
    if (measureAfterSet && !m.Calibrate_Flag)
        m.logging->StartLevelMeasurement(l.T);
    else
        idleLevel(l, l.T);
}

void Dispatcher::localGravity(const Line &l)
{
    SensorFields *t = m.tab[l.T].get();
    t->LocalGravityText.setText(l.a.signedValue());
    m.table->setCell(l.T, SensorTable::LocalGravity, t->LocalGravityText.text());
    beep();
    answered();
    if (l.code == 9 && !m.Calibrate_Flag)
        m.logging->StartLevelMeasurement(l.T);
    else
        idleLevel(l, l.T);
}

// Range (13, 14), maximum over-range (15, 16) and level (19, 20).
void Dispatcher::fourDecimalValue(const Line &l)
{
    SensorFields *t = m.tab[l.T].get();
    TextField &target = (l.code == 13 || l.code == 14) ? t->RangeText
                        : (l.code == 15 || l.code == 16) ? t->MaxOverRangeText
                                                         : t->LevelText;
    const auto v = values::strictNumber(l.a.signedValue());
    if (!v)
        fail();
    else
        target.setText(values::fourDecimals(*v));
    beep();
    answered();
    if (l.code == 20) {
        if (!m.Calibrate_Flag)
            m.logging->StartLevelMeasurement(l.T);
        return;
    }
    idleLevel(l, l.T);
}

void Dispatcher::reverse(const Line &l)
{
    SensorFields *t = m.tab[l.T].get();
    const auto d = l.a.digit(1);
    if (!d)
        fail();
    else if (*d < t->ReverseCombo.count())
        t->ReverseCombo.select(*d);
    beep();
    answered();
    idleLevel(l, l.T);
    if (l.code == 18 && !m.Calibrate_Flag)
        m.logging->StartLevelMeasurement(l.T);
}

void Dispatcher::localOffset(const Line &l)
{
    SensorFields *t = m.tab[l.T].get();
    beep();
    const auto d = l.a.digit(1);
    if (!d)
        fail();
    else if (*d != 0 && *d != 1)
        m.warn(QStringLiteral("SDI12 Message Error."), QStringLiteral("Invalid Local Offset value."));
    else if (t->LocalOffsetCheck.setChecked(*d == 1))
        m.level->LocalOffsetCheck_Click(l.T);   // the box acts on every change, the program's too
    answered();
    // A box whose state the answer changed has sent that state already: the
    // reading follows that exchange's answer, not this one.
    const bool boxSent = m.link.sentCount() != l.sentAtStart;
    if (l.code == 22 && !m.Calibrate_Flag && !m.SkipLocalOffset_Flag && !boxSent)
        m.logging->StartLevelMeasurement(l.T);
    else
        idleLevel(l, l.T);
    m.SkipLocalOffset_Flag = false;
}

void Dispatcher::unlock(const Line &l)
{
    SensorFields *t = m.tab[l.T].get();
    const auto d = l.a.digit(1);
    if (!d)
        fail();
    else if ((*d == 1 || *d == 0) && t->UnlockCheck.setChecked(*d == 1))
        m.level->UnlockCheck_Click(l.T);   // sends the state just read back, as a change of the box does
    beep();
    answered();
    idleLevel(l, l.T);
}

void Dispatcher::filterSettings(const Line &l)
{
    beep();
    SensorTools &f = *m.tools;
    const decoders::Filter v = decoders::filter(l.a);
    if (!v.readings)
        fail();
    else
        f.setFilterReadings(*v.readings);
    if (!v.interval)
        fail();
    else
        f.setFilterInterval(*v.interval);
    const QString rate = f.updateMaxSampleRate();
    m.tab[l.T]->SampleRateText.setText(decoders::sampleRateText(rate));
    if (l.code == 27)
        FillLogPeriods(m.tab[l.T]->LogPeriodCombo, m.tab[l.T]->SampleRateText.text());
    answered();
    idleLevel(l, l.T);
}

namespace {
// 1/v rounded to 6 decimals; nothing for a value that is no number or zero.
std::optional<QString> reciprocal(const QString &v)
{
    const auto x = values::strictNumber(v);
    if (!x || *x == 0.0)
        return std::nullopt;
    return values::plainText(values::RoundIt(1.0 / *x, 6));
}
} // namespace

void Dispatcher::specificGravitySet(const Line &l)
{
    const auto sg = reciprocal(l.a.signedValue(2));
    if (!sg)
        fail();
    else
        m.tab[l.T]->SGText.setText(*sg);
    beep();
    answered();
    if (!m.Calibrate_Flag)
        m.logging->StartLevelMeasurement(l.T);
}

void Dispatcher::specificGravityQuery(const Line &l)
{
    TextField &sgText = m.tab[l.T]->SGText;
    sgText.setText(l.a.from(l.a.P() + 2));
    const auto sg = reciprocal(l.a.signedValue());
    if (!sg)
        fail();
    else
        sgText.setText(*sg);
    answered();
}

void Dispatcher::calibrationValue(const Line &l)
{
    TextField &target = l.code == 37 ? m.tab[l.T]->ZeroCalibrationText : m.tab[l.T]->SlopeCalibrationText;
    target.setText(l.a.signedValue());
    answered();
}
