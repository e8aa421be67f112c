#include "Calibration.h"

#include "discovery/Console.h"
#include "decode/Values.h"
#include "discovery/SensorTable.h"
#include "logging/LoggingEngine.h"
#include "params/BusyState.h"
#include "params/LevelParams.h"
#include "params/SensorTools.h"

bool Calibration::step(const std::function<void()> &sendIt)
{
    m.link.ResponseState = Link::Waiting;
    const quint64 before = m.link.sentCount();
    sendIt();
    if (m.link.sentCount() == before && m.link.ResponseState == Link::Waiting)
        return false;
    return m.link.WaitForResponse();
}

void Calibration::send(int a, const QString &letters, int code, bool busy)
{
    if (busy)
        m.busy->SetLevelBusy(a);
    m.sendCommand(QString::number(a) + letters + QLatin1Char('!'), code);
}

void Calibration::SendTrimOff(int a) { send(a, QStringLiteral("XTRIMOF0.0"), 32, true); }
void Calibration::SendTrimOn(int a, int d) { send(a, QStringLiteral("XTRIMON") + QString::number(d).left(1), 33, false); }
void Calibration::SendCalibrationOn(int a) { send(a, QStringLiteral("XANCALON1"), 39, true); }
void Calibration::SetZeroCalibrationValue(int a, const QString &v) { send(a, QStringLiteral("XANCALCV0,") + v, 34, true); }
void Calibration::SetSlopeCalibrationValue(int a, const QString &v) { send(a, QStringLiteral("XANCALCV1,") + v, 35, true); }
void Calibration::QueryZeroCalibrationValue(int a) { send(a, QStringLiteral("XANCALCV0"), 37, true); }
void Calibration::QuerySlopeCalibrationValue(int a) { send(a, QStringLiteral("XANCALCV1"), 38, true); }

void Calibration::CalibrateCheck_Click()
{
    const int t = m.currentTab();
    const bool on = m.win.CalibrateCheck.isChecked();
    m.Calibrate_Flag = on;
    m.StageOne_Flag = false;
    if (on)
        m.busy->DisableCalibrationButtons(t);
    for (auto &w : m.tab) {
        w->ParameterFrame.setVisible(!on);
        w->CalibrateFrame.setVisible(on);
    }
    if (on)
        m.tab[t]->StageOneBut.setFocus();
}

void Calibration::StageOneCalibration(int a)
{
    SequenceGuard guard(m);
    LevelParams &p = *m.level;
    m.ReplyBeep_Flag = false;
    m.Calibrate_Flag = true;
    m.busy->SetLevelBusy(a);
    const std::function<void()> steps[] = {
        [&] { p.SetReverseOutput(a, 0); },
        [&] { p.SetU0Value(a, QStringLiteral("1.0")); },
        [&] { p.SetDensityCorrection(a, 1); },
        [&] { SendTrimOff(a); },
        [&] {
            m.busy->SetLevelBusy(a);
            SetZeroCalibrationValue(a, QStringLiteral("0.0"));
        },
        [&] { SetSlopeCalibrationValue(a, QStringLiteral("1.0")); },
        // The sequence exists to put this value into the sensor: it is sent
        // even when a program change of the box is being skipped.
        [&] { p.SetLocalOffsetApply(a, 0, true); },
        // The answer before released the tab: busy again while this goes.
        [&] {
            m.busy->SetLevelBusy(a);
            p.SetU1Value(a, QStringLiteral("0.0"));
        },
    };
    bool complete = true;
    for (const auto &s : steps) {
        if (!step(s)) {
            complete = false;
            break;
        }
    }
    if (complete) {
        m.ui.beep();
        m.StageOne_Flag = true;
        m.notice(QStringLiteral("Stage One Calibration"),
                 QStringLiteral("Stage 1 of Re-Calibration complete, proceed to stage 2."));
        m.busy->EnableCalibrationButtons(a);
        m.tab[a]->ZeroCalibrationBut.setFocus();
    }
    m.ReplyBeep_Flag = true;
    m.busy->SetLevelIdle(a);
    // Calibrate mode stays on while its box is ticked.
    m.Calibrate_Flag = m.win.CalibrateCheck.isChecked();
}

void Calibration::ZeroCalibrationBut_Click(int a)
{
    SequenceGuard guard(m);
    m.ReplyBeep_Flag = false;
    m.busy->SetLevelBusy(a);
    auto finish = [&] {
        m.ReplyBeep_Flag = true;
        m.busy->SetLevelIdle(a);
    };
    if (!step([&] { SetZeroCalibrationValue(a, QStringLiteral("0.0")); }))
        return finish();
    if (!m.ui.askYesNo(QStringLiteral("Zero Calibration."),
                       QStringLiteral("Is the instrument at the correct zero pressure?")))
        return finish();
    if (!step([&] { m.logging->StartLevelMeasurement(a); }))
        return finish();
    m.link.ResponseState = Link::Waiting;
    const auto pressure = values::strictNumber(m.table->cell(a, SensorTable::Pressure));
    if (!pressure) {
        m.warn(QStringLiteral("Zero Calibration."),
               QStringLiteral("No pressure reading was received; the zero calibration was not completed."));
        return finish();
    }
    m.tab[a]->ZeroCalibrationText.setText(values::plainText(-*pressure));
    if (!step([&] { SetZeroCalibrationValue(a, m.tab[a]->ZeroCalibrationText.text()); }))
        return finish();
    m.link.ResponseState = Link::Waiting;
    m.notice(QStringLiteral("Zero Calibration."),
             QStringLiteral("Zero calibration complete, proceed to slope calibration."));
    m.logging->StartLevelMeasurement(a);
    m.ReplyBeep_Flag = true;
}

void Calibration::SlopeCalibrationBut_Click(int a)
{
    SequenceGuard guard(m);
    m.ReplyBeep_Flag = false;
    m.busy->SetLevelBusy(a);
    auto finish = [&] {
        m.ReplyBeep_Flag = true;
        m.busy->SetLevelIdle(a);
    };
    if (!step([&] { SetSlopeCalibrationValue(a, QStringLiteral("1.0")); }))
        return finish();
    if (!m.ui.askYesNo(QStringLiteral("Slope Calibration."),
                       QStringLiteral("Is the instrument at the correct full-scale pressure?")))
        return finish();
    if (!step([&] { m.logging->StartLevelMeasurement(a); }))
        return finish();
    m.link.ResponseState = Link::Waiting;
    const auto p = values::strictNumber(m.tab[a]->PressureText.text());
    const auto range = values::strictNumber(m.tab[a]->RangeText.text());
    if (!p || !range) {
        m.warn(QStringLiteral("Slope Calibration."),
               !p ? QStringLiteral("No pressure reading was received; the slope calibration was not completed.")
                  : QStringLiteral("The calibrated range is not known; query the range and try again."));
        return finish();
    }
    const double factor = *p != 0.0 ? *range / *p : 0.0;
    m.tab[a]->SlopeCalibrationText.setText(values::plainText(factor));
    if (!step([&] { SetSlopeCalibrationValue(a, m.tab[a]->SlopeCalibrationText.text()); }))
        return finish();
    m.link.ResponseState = Link::Waiting;
    m.notice(QStringLiteral("Slope Calibration."), QStringLiteral("Slope calibration complete."));
    m.notice(QStringLiteral("Calibration."),
             QStringLiteral("To verify calibration use 'get pressure' function and check zero and full-scale "
                            "readings.\rOtherwise use 'Calibration Complete' button to exit calibration mode."));
    m.logging->StartLevelMeasurement(a);
    m.ReplyBeep_Flag = true;
}

void Calibration::PressureBut_Click(int a)
{
    m.logging->StartLevelMeasurement(a);
}

void Calibration::CalibrationCompleteBut_Click(int a)
{
    if (!m.ui.askYesNo(QStringLiteral("Calibration Complete."),
                       QStringLiteral("Are you sure you wish to exit calibrate mode?")))
        return;
    m.level->SetDensityCorrection(a, 0);
    // Clearing the box leaves calibrate mode, as a click on it does.
    if (m.win.CalibrateCheck.setChecked(false))
        CalibrateCheck_Click();
}

void Calibration::ClearOffsetsBut_Click(int a)
{
    if (!m.ui.askYesNo(QStringLiteral("Clear Offsets."), QStringLiteral("Are you sure you wish to proceed?")))
        return;
    SendTrimOff(a);
    m.UpdateReadings_Flag = true;
}

void Calibration::AutoZeroBut_Click(int a)
{
    if (!m.ui.askYesNo(QStringLiteral("Auto Zero Function."), QStringLiteral("Are you sure you wish to proceed?")))
        return;
    send(a, QStringLiteral("XSPM0.0"), 28, true);
}

void Calibration::LevelOffsetBut_Click(int a)
{
    if (!m.ui.askYesNo(QStringLiteral("Level Offset Function."), QStringLiteral("Are you sure you wish to proceed?")))
        return;
    send(a, QStringLiteral("XSPM") + m.tab[a]->LevelOffsetText.text(), 31, true);
}

void Calibration::ResetSensor(int a)
{
    SequenceGuard guard(m);
    LevelParams &p = *m.level;
    m.ReplyBeep_Flag = false;
    m.Calibrate_Flag = true;
    m.busy->SetLevelBusy(a);
    const std::function<void()> steps[] = {
        [&] { p.SetReverseOutput(a, 0); },
        [&] { p.SetU0Value(a, QStringLiteral("1.0")); },
        [&] { p.SetU1Value(a, QStringLiteral("0.0")); },
        [&] {
            m.tab[a]->LevelText.setText(QStringLiteral("0"));
            p.LevelBut_Click(a);
        },
        [&] { SetZeroCalibrationValue(a, QStringLiteral("0.0")); },
        [&] { SetSlopeCalibrationValue(a, QStringLiteral("1.0")); },
        [&] { p.SetLocalOffsetApply(a, 0, true); },
        [&] { SendTrimOff(a); },
        [&] { SendTrimOn(a, 1); },
        [&] { SendCalibrationOn(a); },
        [&] {
            m.tools->setFilterReadings(10);
            m.tools->setFilterInterval(1);
            p.FilterSet(a);
        },
    };
    bool complete = true;
    for (const auto &s : steps) {
        if (!step(s)) {
            complete = false;
            break;
        }
    }
    m.Calibrate_Flag = m.win.CalibrateCheck.isChecked();
    m.ReplyBeep_Flag = true;
    if (!complete) {
        m.busy->SetLevelIdle(a);
        return;
    }
    m.link.ResponseState = Link::Waiting;
    m.notice(QStringLiteral("Sensor Reset"), QStringLiteral("Reset is Complete."));
    m.logging->StartLevelMeasurement(a);
}
