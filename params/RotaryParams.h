#pragma once

#include <QString>

class Console;

// What every control of a rotary tab's "Set Parameters" frame sends, and the
// measurement resolution shown on the tab.
class RotaryParams
{
public:
    explicit RotaryParams(Console &m) : m(m) {}

    void RotaryCountsPerRevBut_Click(int a);
    void QueryRotaryCountsPerRevBut_Click(int a);
    void RotaryPulleyCircumBut_Click(int a);
    void QueryRotaryPulleyCircumfBut_Click(int a);
    void RotaryMeasurementUnitsBut_Click(int a);
    void QueryRotaryMeasurementUnitsBut_Click(int a);
    void RotaryDirectionBut_Click(int a);
    void QueryRotaryDirectionBut_Click(int a);
    void RotaryCurrentValueBut_Click(int a);
    void QueryRotaryCurrentValueBut_Click(int a);
    void RotarySetZeroBut_Click(int a);
    void QueryRotarySerialNumber(int a);

    // Distance per encoder count, in the chosen unit, three decimals. False
    // (and the field unchanged) when it cannot be computed.
    bool calculateMeasurementRes(int index);

private:
    void send(int a, const QString &letters, int code);
    Console &m;
};
