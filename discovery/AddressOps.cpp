#include "AddressOps.h"

#include "discovery/Console.h"
#include "discovery/LogPeriods.h"
#include "discovery/SensorTable.h"
#include "logging/JournalKeeper.h"
#include "logging/LogModel.h"
#include "params/BusyState.h"
#include "params/LevelParams.h"

void AddressOps::changeAddress(int index, bool rotary)
{
    const QString title = QStringLiteral("Set Sensor Address.");
    const ListField &c = rotary ? m.tab[index]->RotaryAddressCombo : m.tab[index]->AddressCombo;
    const int n = c.currentIndex();
    if (n < 0) {
        m.warn(title, QStringLiteral("Please select sensor address."));
        return;
    }
    if (m.table->present(n)) {
        if (n == index)
            m.warn(title, QStringLiteral("Sensor is already set to address ") + QString::number(n) + QLatin1Char('.'));
        else
            m.warn(title, QStringLiteral("Unable to set sensor to this address as address is already in use."));
        return;
    }
    const QString cmd = QString::number(index) + QLatin1Char('A') + QString::number(n) + QLatin1Char('!');
    if (rotary)
        m.busy->SetRotaryBusy(index);
    else
        m.busy->SetLevelBusy(index);
    m.sendCommand(cmd, rotary ? 101 : 1);
}

void AddressOps::AddrBut_Click(int index)
{
    changeAddress(index, false);
}

void AddressOps::RotaryAddrBut_Click(int index)
{
    changeAddress(index, true);
}

void AddressOps::mnuQueryAddress_Click()
{
    int enabled = 0;
    for (int i = 0; i <= 9; ++i)
        if (m.table->present(i))
            ++enabled;
    if (enabled >= 2) {
        m.warn(QStringLiteral("Query Sensor Address."),
               QStringLiteral("Unable to query sensor address when more than one sensor is connected."));
        return;
    }
    m.busy->SetLevelBusy(m.currentTab());
    m.sendCommand(QStringLiteral("?!"), 0);
}

void AddressOps::IDQueryBut_Click(int index)
{
    m.busy->SetLevelBusy(index);
    m.tab[index]->SensorIDList.clear();
    m.sendCommand(QString::number(index) + QStringLiteral("I!"), 10);
}

void AddressOps::RotaryIDQueryBut_Click(int index)
{
    m.busy->SetRotaryBusy(index);
    m.tab[index]->RotarySensorIDList.clear();
    m.sendCommand(QString::number(index) + QStringLiteral("I!"), 112);
}

namespace {
void copyText(const TextField &from, TextField &to)
{
    to.setText(from.text());
}

void copySelection(const ListField &from, ListField &to)
{
    to.setState(from.currentIndex(), from.placeholder());   // an entry the target lacks: none chosen
}

void moveLines(LinesField &from, LinesField &to)
{
    to.addItems(from.lines());
    from.clear();
}
} // namespace

// Log rows, the Clear/Save buttons, the rows' removal and the sensor-table
// row: the same for both families.
void AddressOps::moveCommon(int oldTab, int newTab, bool rotary)
{
    SensorFields &o = *m.tab[oldTab];
    SensorFields &n = *m.tab[newTab];
    LogModel *from = rotary ? m.rotaryLog(oldTab) : m.levelLog(oldTab);
    LogModel *to = rotary ? m.rotaryLog(newTab) : m.levelLog(newTab);
    const bool any = from->size() > 0;
    to->takeRows(*from);
    m.journal->moved(oldTab, newTab);
    n.ClearLogBut.setEnabled(any);
    n.SaveLogBut.setEnabled(any);
    o.ClearLogBut.setEnabled(false);
    o.SaveLogBut.setEnabled(false);

    const int cells = rotary ? 7 : 8;
    for (int c = 1; c <= cells; ++c)
        m.table->setCell(newTab, c, m.table->cell(oldTab, c));
    if (rotary)
        m.table->ClearRotarySensorRow(oldTab);
    else
        m.table->ClearSensorRow(oldTab);
}

void AddressOps::MoveLevelSensorTab(int oldTab, int newTab)
{
    if (oldTab == newTab)
        return;
    SensorFields &o = *m.tab[oldTab];
    SensorFields &n = *m.tab[newTab];
    o.AddressCombo.reset();
    copySelection(o.PressUnitsCombo, n.PressUnitsCombo);
    copySelection(o.TempUnitsCombo, n.TempUnitsCombo);
    copySelection(o.DensityCorrCombo, n.DensityCorrCombo);
    copyText(o.LocalGravityText, n.LocalGravityText);
    copyText(o.RangeText, n.RangeText);
    copyText(o.MaxOverRangeText, n.MaxOverRangeText);
    copyText(o.LevelText, n.LevelText);
    copySelection(o.ReverseCombo, n.ReverseCombo);
    copyText(o.SampleRateText, n.SampleRateText);
    copyText(o.SGText, n.SGText);
    copyText(o.ZeroCalibrationText, n.ZeroCalibrationText);
    copyText(o.SlopeCalibrationText, n.SlopeCalibrationText);
    copyText(o.PressureText, n.PressureText);
    // A box acts on every change of its state. Ticking the local-offset box
    // on the new tab must not send the local-offset state; the lock box
    // sends its state, now to the sensor at its new address.
    if (o.LocalOffsetCheck.isChecked() && !n.LocalOffsetCheck.isChecked())
        m.SkipLocalOffset_Flag = true;
    if (n.LocalOffsetCheck.setChecked(o.LocalOffsetCheck.isChecked()))
        m.level->LocalOffsetCheck_Click(newTab);
    if (n.UnlockCheck.setChecked(o.UnlockCheck.isChecked()))
        m.level->UnlockCheck_Click(newTab);
    moveLines(o.SensorIDList, n.SensorIDList);

    m.table->setPresent(newTab, true);
    m.table->setPresent(oldTab, false);
    m.setCurrentTab(newTab);

    FillLogPeriods(n.LogPeriodCombo, n.SampleRateText.text());
    const int period = o.LogPeriodCombo.currentIndex();
    n.LogPeriodCombo.select(period < n.LogPeriodCombo.count() ? period : -1);
    o.LogPeriodCombo.clear();

    moveCommon(oldTab, newTab, false);
}

void AddressOps::MoveRotarySensorTab(int oldTab, int newTab)
{
    if (oldTab == newTab)
        return;
    SensorFields &o = *m.tab[oldTab];
    SensorFields &n = *m.tab[newTab];
    o.RotaryAddressCombo.reset();
    copyText(o.RotaryMaxRangeText, n.RotaryMaxRangeText);
    copyText(o.RotaryCountsPerRevText, n.RotaryCountsPerRevText);
    copyText(o.RotaryMeasurementResText, n.RotaryMeasurementResText);
    copySelection(o.RotaryMeasurementUnitsCombo, n.RotaryMeasurementUnitsCombo);
    copyText(o.RotaryPulleyCircumText, n.RotaryPulleyCircumText);
    copySelection(o.RotaryDirectionCombo, n.RotaryDirectionCombo);
    copyText(o.RotaryCurrentValueText, n.RotaryCurrentValueText);
    moveLines(o.RotarySensorIDList, n.RotarySensorIDList);

    m.table->setPresent(newTab, true);
    m.table->setPresent(oldTab, false);
    m.setCurrentTab(newTab);

    moveCommon(oldTab, newTab, true);
}
