#pragma once

#include <QString>

class CheckField;
class Console;

// What every "Set" and "Query" control of a level probe's tab sends, and the
// set procedures the calibration and reset sequences reuse.
class LevelParams
{
public:
    explicit LevelParams(Console &m);
    // Why a range or maximum-range set is refused while the sensor is
    // locked ("range value", "maximum range value").
    static QString lockedText(const QString &what);

    void RangeBut_Click(int a);
    void RangeQueryBut_Click(int a);
    void MaxRangeBut_Click(int a);
    void MaxOverRangeQueryBut_Click(int a);
    void PressUnitsBut_Click(int a);
    void PressUnitsQueryBut_Click(int a);
    void TempUnitsBut_Click(int a);
    void TempUnitsQueryBut_Click(int a);
    void DensityCorrBut_Click(int a);
    void DensityCorrQueryBut_Click(int a);
    void ReverseBut_Click(int a);
    void ReverseQueryBut_Click(int a);
    void LevelBut_Click(int a);
    void LevelQueryBut_Click(int a);
    void LocalOffsetCheck_Click(int a);
    void ApplyQueryBut_Click(int a);
    void UnlockCheck_Click(int a);
    void UnlockQueryBut_Click(int a);
    void SGBut_Click(int a);
    void LocalGravityBut_Click(int a);
    void LocalGravityQueryBut_Click(int a);

    void SetDensityCorrection(int a, int digit);
    void SetReverseOutput(int a, int digit);
    // Sends unless a program change of the box is to be skipped (`force`
    // sends regardless); clears the skip either way. Returns whether it sent.
    bool SetLocalOffsetApply(int a, int digit, bool force = false);
    void SetU0Value(int a, const QString &value);
    void SetU1Value(int a, const QString &value);
    void QueryU0Value(int a);
    void QueryLevelSerialNumber(int a);

    // Filter settings of the Filter window's fields.
    void FilterQuery(int a);
    // Refuses (and says so) a field that is empty or not a whole number.
    void FilterSet(int a);

private:
    void send(int a, const QString &letters, int code, bool busy = true);
    bool waitsTurn(int a, CheckField &box, void (LevelParams::*handler)(int));
    Console &m;
};
