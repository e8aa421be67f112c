#include "BusyState.h"

#include "app/MainWindow.h"
#include "app/SensorTabWidget.h"

#include <QAction>
#include <QCheckBox>
#include <QLineEdit>
#include <QComboBox>
#include <QListWidget>
#include <QPushButton>
#include <QTabWidget>
#include <initializer_list>

namespace {
void enable(std::initializer_list<QWidget *> widgets, bool on)
{
    for (QWidget *w : widgets)
        w->setEnabled(on);
}

bool valid(int a)
{
    return a >= 0 && a <= 9;
}
} // namespace

void BusyState::windowCommands(bool on, bool rotary)
{
    m.ScanBut->setEnabled(on);
    m.mnuCommsPort->setEnabled(on);
    m.mnuQueryAddress->setEnabled(on);
    if (!rotary) {
        m.mnuFilter->setEnabled(on);
        m.mnuReset->setEnabled(on);
    }
    m.mnuHelp->setEnabled(on);
}

void BusyState::SetLevelBusy(int a)
{
    if (!valid(a))
        return;
    SensorTabWidget *t = m.tab[a];
    enable({t->PressUnitsQueryBut, t->TempUnitsQueryBut, t->DensityCorrQueryBut, t->LocalGravityQueryBut,
            t->PressUnitsBut, t->TempUnitsBut, t->DensityCorrBut, t->LocalGravityBut, t->IDQueryBut,
            t->AddressCombo, t->PressUnitsCombo, t->TempUnitsCombo, t->DensityCorrCombo, t->LocalGravityText,
            t->SensorIDList},
           false);
    windowCommands(false, false);
    enable({t->AddrBut, t->StartLogBut, t->LogPeriodCombo}, false);
    if (m.LoggingTab != 0)
        m.tab[m.LoggingTab - 1]->StopLogBut->setEnabled(true);
    else
        t->StopLogBut->setEnabled(false);
    enable({t->RangeText, t->RangeQueryBut, t->RangeBut, t->MaxRangeBut, t->MaxOverRangeText,
            t->MaxOverRangeQueryBut, t->LevelText, t->LevelBut, t->ReverseCombo, t->ReverseBut,
            t->LocalOffsetCheck, t->ApplyQueryBut, t->UnlockQueryBut, t->UnlockCheck, t->SampleRateText,
            t->LevelOffsetText, t->LevelOffsetBut, t->AutoZeroBut, t->SGText, t->SGBut},
           false);
    m.mnuUserCommand->setEnabled(false);
    enable({t->ClearOffsetsBut, t->StageOneBut, t->ZeroCalibrationBut, t->SlopeCalibrationBut, t->PressureBut,
            t->CalibrationCompleteBut},
           false);
}

void BusyState::SetLevelIdle(int a)
{
    if (!valid(a))
        return;
    SensorTabWidget *t = m.tab[a];
    enable({t->PressUnitsQueryBut, t->TempUnitsQueryBut, t->DensityCorrQueryBut, t->LocalGravityQueryBut,
            t->PressUnitsBut, t->TempUnitsBut, t->DensityCorrBut, t->LocalGravityBut, t->IDQueryBut,
            t->AddressCombo, t->PressUnitsCombo, t->TempUnitsCombo, t->DensityCorrCombo, t->LocalGravityText,
            t->SensorIDList},
           true);
    m.SensorTab->setEnabled(true);
    windowCommands(true, false);
    enable({t->AddrBut, t->StartLogBut, t->StopLogBut, t->LogPeriodCombo}, true);
    if (m.LoggingTab != 0)
        for (SensorTabWidget *o : m.tab)
            enable({o->AddrBut, o->StartLogBut, o->LogPeriodCombo}, false);
    enable({t->RangeText, t->RangeQueryBut, t->RangeBut, t->MaxRangeBut, t->MaxOverRangeText,
            t->MaxOverRangeQueryBut, t->LevelText, t->LevelBut, t->ReverseCombo, t->ReverseBut,
            t->LocalOffsetCheck, t->ApplyQueryBut, t->UnlockQueryBut, t->UnlockCheck, t->SampleRateText,
            t->LevelOffsetText, t->LevelOffsetBut, t->AutoZeroBut, t->SGText, t->SGBut},
           true);
    m.mnuUserCommand->setEnabled(true);
    enable({t->ClearOffsetsBut, t->StageOneBut}, true);
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
    SensorTabWidget *t = m.tab[a];
    enable({t->RotaryAddrBut, t->RotaryCountsPerRevBut, t->RotaryMeasurementUnitsBut, t->RotaryPulleyCircumBut,
            t->RotaryDirectionBut, t->RotarySetZeroBut, t->RotaryCurrentValueBut, t->RotaryStartLogBut,
            t->RotaryIDQueryBut, t->RotaryAddressCombo, t->RotaryMaxRangeText, t->RotaryCountsPerRevText,
            t->RotaryMeasurementResText, t->RotaryMeasurementUnitsCombo, t->RotaryPulleyCircumText,
            t->RotaryDirectionCombo, t->RotaryCurrentValueText, t->RotaryLogPeriodCombo, t->RotarySensorIDList},
           false);
    windowCommands(false, true);
    m.mnuUserCommand->setEnabled(false);
    if (m.LoggingTab != 0)
        m.tab[m.LoggingTab - 1]->RotaryStopLogBut->setEnabled(true);
    else
        t->RotaryStopLogBut->setEnabled(false);
}

void BusyState::SetRotaryIdle(int a)
{
    if (!valid(a))
        return;
    SensorTabWidget *t = m.tab[a];
    enable({t->RotaryAddrBut, t->RotaryCountsPerRevBut, t->RotaryMeasurementUnitsBut, t->RotaryPulleyCircumBut,
            t->RotaryDirectionBut, t->RotarySetZeroBut, t->RotaryCurrentValueBut, t->RotaryStartLogBut,
            t->RotaryStopLogBut, t->RotaryIDQueryBut, t->RotaryAddressCombo, t->RotaryMaxRangeText,
            t->RotaryCountsPerRevText, t->RotaryMeasurementResText, t->RotaryMeasurementUnitsCombo,
            t->RotaryPulleyCircumText, t->RotaryDirectionCombo, t->RotaryCurrentValueText, t->RotaryLogPeriodCombo,
            t->RotarySensorIDList},
           true);
    m.SensorTab->setEnabled(true);
    windowCommands(true, true);
    m.mnuUserCommand->setEnabled(true);
    if (m.LoggingTab != 0)
        for (SensorTabWidget *o : m.tab)
            enable({o->RotaryAddrBut, o->RotaryStartLogBut, o->RotaryLogPeriodCombo}, false);
    if (m.pressWaiting(a))
        SetRotaryBusy(a);
}

void BusyState::EnableCalibrationButtons(int a)
{
    if (!valid(a))
        return;
    SensorTabWidget *t = m.tab[a];
    enable({t->ZeroCalibrationBut, t->SlopeCalibrationBut, t->PressureBut, t->CalibrationCompleteBut}, true);
}

void BusyState::DisableCalibrationButtons(int a)
{
    if (!valid(a))
        return;
    SensorTabWidget *t = m.tab[a];
    enable({t->ZeroCalibrationBut, t->SlopeCalibrationBut, t->PressureBut, t->CalibrationCompleteBut}, false);
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
