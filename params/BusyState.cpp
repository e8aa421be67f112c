#include "BusyState.h"

#include "discovery/Console.h"

#include <initializer_list>

namespace {
void enable(std::initializer_list<Control *> controls, bool on)
{
    for (Control *c : controls)
        c->setEnabled(on);
}

bool valid(int a)
{
    return a >= 0 && a <= 9;
}
} // namespace

void BusyState::windowCommands(bool on, bool rotary)
{
    m.win.ScanBut.setEnabled(on);
    m.win.mnuCommsPort.setEnabled(on);
    m.win.mnuQueryAddress.setEnabled(on);
    if (!rotary) {
        m.win.mnuFilter.setEnabled(on);
        m.win.mnuReset.setEnabled(on);
    }
    m.win.mnuHelp.setEnabled(on);
}

void BusyState::SetLevelBusy(int a)
{
    if (!valid(a))
        return;
    SensorFields *t = m.tab[static_cast<size_t>(a)].get();
    enable({&t->PressUnitsQueryBut, &t->TempUnitsQueryBut, &t->DensityCorrQueryBut, &t->LocalGravityQueryBut,
            &t->PressUnitsBut, &t->TempUnitsBut, &t->DensityCorrBut, &t->LocalGravityBut, &t->IDQueryBut,
            &t->AddressCombo, &t->PressUnitsCombo, &t->TempUnitsCombo, &t->DensityCorrCombo, &t->LocalGravityText,
            &t->SensorIDList},
           false);
    windowCommands(false, false);
    enable({&t->AddrBut, &t->StartLogBut, &t->LogPeriodCombo}, false);
    if (m.LoggingTab != 0)
        m.tab[static_cast<size_t>(m.LoggingTab - 1)]->StopLogBut.setEnabled(true);
    else
        t->StopLogBut.setEnabled(false);
    enable({&t->RangeText, &t->RangeQueryBut, &t->RangeBut, &t->MaxRangeBut, &t->MaxOverRangeText,
            &t->MaxOverRangeQueryBut, &t->LevelText, &t->LevelBut, &t->ReverseCombo, &t->ReverseBut,
            &t->LocalOffsetCheck, &t->ApplyQueryBut, &t->UnlockQueryBut, &t->UnlockCheck, &t->SampleRateText,
            &t->LevelOffsetText, &t->LevelOffsetBut, &t->AutoZeroBut, &t->SGText, &t->SGBut},
           false);
    m.win.mnuUserCommand.setEnabled(false);
    enable({&t->ClearOffsetsBut, &t->StageOneBut, &t->ZeroCalibrationBut, &t->SlopeCalibrationBut, &t->PressureBut,
            &t->CalibrationCompleteBut},
           false);
}

void BusyState::SetLevelIdle(int a)
{
    if (!valid(a))
        return;
    SensorFields *t = m.tab[static_cast<size_t>(a)].get();
    enable({&t->PressUnitsQueryBut, &t->TempUnitsQueryBut, &t->DensityCorrQueryBut, &t->LocalGravityQueryBut,
            &t->PressUnitsBut, &t->TempUnitsBut, &t->DensityCorrBut, &t->LocalGravityBut, &t->IDQueryBut,
            &t->AddressCombo, &t->PressUnitsCombo, &t->TempUnitsCombo, &t->DensityCorrCombo, &t->LocalGravityText,
            &t->SensorIDList},
           true);
    m.win.SensorTab.setEnabled(true);
    windowCommands(true, false);
    enable({&t->AddrBut, &t->StartLogBut, &t->StopLogBut, &t->LogPeriodCombo}, true);
    if (m.LoggingTab != 0)
        for (auto &o : m.tab)
            enable({&o->AddrBut, &o->StartLogBut, &o->LogPeriodCombo}, false);
    enable({&t->RangeText, &t->RangeQueryBut, &t->RangeBut, &t->MaxRangeBut, &t->MaxOverRangeText,
            &t->MaxOverRangeQueryBut, &t->LevelText, &t->LevelBut, &t->ReverseCombo, &t->ReverseBut,
            &t->LocalOffsetCheck, &t->ApplyQueryBut, &t->UnlockQueryBut, &t->UnlockCheck, &t->SampleRateText,
            &t->LevelOffsetText, &t->LevelOffsetBut, &t->AutoZeroBut, &t->SGText, &t->SGBut},
           true);
    m.win.mnuUserCommand.setEnabled(true);
    enable({&t->ClearOffsetsBut, &t->StageOneBut}, true);
    if (m.StageOne_Flag)
        EnableCalibrationButtons(a);
    // A press waits its turn on this tab: it stays busy.
    if (m.pressWaiting(a))
        SetLevelBusy(a);
}

void BusyState::SetRotaryBusy(int a)
{
    if (!valid(a))
        return;
    SensorFields *t = m.tab[static_cast<size_t>(a)].get();
    enable({&t->RotaryAddrBut, &t->RotaryCountsPerRevBut, &t->RotaryMeasurementUnitsBut, &t->RotaryPulleyCircumBut,
            &t->RotaryDirectionBut, &t->RotarySetZeroBut, &t->RotaryCurrentValueBut, &t->RotaryStartLogBut,
            &t->RotaryIDQueryBut, &t->RotaryAddressCombo, &t->RotaryMaxRangeText, &t->RotaryCountsPerRevText,
            &t->RotaryMeasurementResText, &t->RotaryMeasurementUnitsCombo, &t->RotaryPulleyCircumText,
            &t->RotaryDirectionCombo, &t->RotaryCurrentValueText, &t->RotaryLogPeriodCombo, &t->RotarySensorIDList},
           false);
    windowCommands(false, true);
    m.win.mnuUserCommand.setEnabled(false);
    if (m.LoggingTab != 0)
        m.tab[static_cast<size_t>(m.LoggingTab - 1)]->RotaryStopLogBut.setEnabled(true);
    else
        t->RotaryStopLogBut.setEnabled(false);
}

void BusyState::SetRotaryIdle(int a)
{
    if (!valid(a))
        return;
    SensorFields *t = m.tab[static_cast<size_t>(a)].get();
    enable({&t->RotaryAddrBut, &t->RotaryCountsPerRevBut, &t->RotaryMeasurementUnitsBut, &t->RotaryPulleyCircumBut,
            &t->RotaryDirectionBut, &t->RotarySetZeroBut, &t->RotaryCurrentValueBut, &t->RotaryStartLogBut,
            &t->RotaryStopLogBut, &t->RotaryIDQueryBut, &t->RotaryAddressCombo, &t->RotaryMaxRangeText,
            &t->RotaryCountsPerRevText, &t->RotaryMeasurementResText, &t->RotaryMeasurementUnitsCombo,
            &t->RotaryPulleyCircumText, &t->RotaryDirectionCombo, &t->RotaryCurrentValueText, &t->RotaryLogPeriodCombo,
            &t->RotarySensorIDList},
           true);
    m.win.SensorTab.setEnabled(true);
    windowCommands(true, true);
    m.win.mnuUserCommand.setEnabled(true);
    if (m.LoggingTab != 0)
        for (auto &o : m.tab)
            enable({&o->RotaryAddrBut, &o->RotaryStartLogBut, &o->RotaryLogPeriodCombo}, false);
    if (m.pressWaiting(a))
        SetRotaryBusy(a);
}

void BusyState::EnableCalibrationButtons(int a)
{
    if (!valid(a))
        return;
    SensorFields *t = m.tab[static_cast<size_t>(a)].get();
    enable({&t->ZeroCalibrationBut, &t->SlopeCalibrationBut, &t->PressureBut, &t->CalibrationCompleteBut}, true);
}

void BusyState::DisableCalibrationButtons(int a)
{
    if (!valid(a))
        return;
    SensorFields *t = m.tab[static_cast<size_t>(a)].get();
    enable({&t->ZeroCalibrationBut, &t->SlopeCalibrationBut, &t->PressureBut, &t->CalibrationCompleteBut}, false);
}

void BusyState::releaseLoggingHold(bool rotary)
{
    if (m.LoggingTab != 0)
        return;
    for (auto &t : m.tab)
        if (rotary ? t->RotaryCountsPerRevBut.isEnabled() : t->RangeBut.isEnabled())
            rotary ? enable({&t->RotaryAddrBut, &t->RotaryStartLogBut, &t->RotaryLogPeriodCombo}, true)
                   : enable({&t->AddrBut, &t->StartLogBut, &t->LogPeriodCombo}, true);
}

void BusyState::setBusy(int a)
{
    if (m.SensorType)
        SetRotaryBusy(a);
    else
        SetLevelBusy(a);
}

void BusyState::setIdle(int a)
{
    if (m.SensorType)
        SetRotaryIdle(a);
    else
        SetLevelIdle(a);
}
