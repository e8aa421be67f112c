#pragma once

#include <QString>
#include <functional>

class Console;

// Level-probe calibration: calibrate mode, the stage-one settings, zero and
// slope calibration, pressure readings, completion, clear offsets, auto zero,
// level offset, and the sensor reset built from the same procedures.
class Calibration
{
public:
    explicit Calibration(Console &m) : m(m) {}

    void CalibrateCheck_Click();
    void StageOneBut_Click(int a) { StageOneCalibration(a); }
    void StageOneCalibration(int a);
    void ZeroCalibrationBut_Click(int a);
    void SlopeCalibrationBut_Click(int a);
    void PressureBut_Click(int a);
    void CalibrationCompleteBut_Click(int a);
    void ClearOffsetsBut_Click(int a);
    void AutoZeroBut_Click(int a);
    void LevelOffsetBut_Click(int a);
    void ResetSensor(int a);

    void SendTrimOff(int a);
    void SendTrimOn(int a, int digit);
    void SendCalibrationOn(int a);
    void SetZeroCalibrationValue(int a, const QString &v);
    void SetSlopeCalibrationValue(int a, const QString &v);
    void QueryZeroCalibrationValue(int a);
    void QuerySlopeCalibrationValue(int a);

private:
    // One sequence step: send, then wait for the answer. A step that sent
    // nothing does not wait and counts as unanswered.
    bool step(const std::function<void()> &send);
    void send(int a, const QString &letters, int code, bool busy);
    Console &m;
};
