#include "LevelParams.h"

#include "discovery/Console.h"
#include "decode/Values.h"
#include "params/BusyState.h"
#include "params/SensorTools.h"

namespace {
QString digitText(int d)
{
    return QString::number(d).left(1);
}
} // namespace

LevelParams::LevelParams(Console &m) : m(m) {}

QString LevelParams::lockedText(const QString &what)
{
    return QStringLiteral("Unable to set %1 whilst sensor is locked.\rPlease unlock sensor and try again.").arg(what);
}

void LevelParams::send(int a, const QString &letters, int code, bool busy)
{
    if (busy)
        m.busy->SetLevelBusy(a);
    m.sendCommand(QString::number(a) + letters + QLatin1Char('!'), code);
}

namespace {
bool locked(Console &m, int a, const QString &title, const QString &what)
{
    if (m.tab[a]->UnlockCheck.checkState() != Qt::Unchecked)
        return false;
    m.warn(title, LevelParams::lockedText(what));
    return true;
}

bool chosen(Console &m, const ListField &c, const QString &title, const QString &what)
{
    if (c.currentIndex() >= 0)
        return true;
    m.warn(title, QStringLiteral("Please select the %1.").arg(what));
    return false;
}
} // namespace

void LevelParams::RangeBut_Click(int a)
{
    if (locked(m, a, QStringLiteral("Set Range Value."), QStringLiteral("range value")))
        return;
    const QString v = m.tab[a]->RangeText.text();
    m.busy->SetLevelBusy(a);
    m.tab[a]->RangeText.clear();
    send(a, QStringLiteral("XRA") + v, 14, false);
}

void LevelParams::RangeQueryBut_Click(int a)
{
    m.busy->SetLevelBusy(a);
    m.tab[a]->RangeText.clear();
    send(a, QStringLiteral("XRA"), 13, false);
}

void LevelParams::MaxRangeBut_Click(int a)
{
    if (locked(m, a, QStringLiteral("Set Maximum Range Value."), QStringLiteral("maximum range value")))
        return;
    const QString v = m.tab[a]->MaxOverRangeText.text();
    m.busy->SetLevelBusy(a);
    m.tab[a]->MaxOverRangeText.clear();
    send(a, QStringLiteral("XMOR") + v, 16, false);
}

void LevelParams::MaxOverRangeQueryBut_Click(int a)
{
    m.busy->SetLevelBusy(a);
    m.tab[a]->MaxOverRangeText.clear();
    send(a, QStringLiteral("XMOR"), 15, false);
}

void LevelParams::PressUnitsBut_Click(int a)
{
    ListField &c = m.tab[a]->PressUnitsCombo;
    if (!chosen(m, c, QStringLiteral("Set Pressure Units."), QStringLiteral("pressure units")))
        return;
    const int code = c.currentData();
    const QString u = code < 10 ? QString::number(code)
                                : QString::number(code / 10) + QString::number(code % 10);
    // The re-query that follows the answer beeps once when it is done.
    m.ReplyBeep_Flag = false;
    m.busy->SetLevelBusy(a);
    c.blank();
    send(a, QStringLiteral("XUP") + u, 3, false);
}

void LevelParams::PressUnitsQueryBut_Click(int a)
{
    m.busy->SetLevelBusy(a);
    m.tab[a]->PressUnitsCombo.blank();
    send(a, QStringLiteral("XUP"), 2, false);
}

void LevelParams::TempUnitsBut_Click(int a)
{
    ListField &c = m.tab[a]->TempUnitsCombo;
    if (!chosen(m, c, QStringLiteral("Set Temperature Units."), QStringLiteral("temperature units")))
        return;
    const QString d = digitText(c.currentIndex());
    m.busy->SetLevelBusy(a);
    c.blank();
    send(a, QStringLiteral("XUT") + d, 5, false);
}

void LevelParams::TempUnitsQueryBut_Click(int a)
{
    m.busy->SetLevelBusy(a);
    m.tab[a]->TempUnitsCombo.blank();
    send(a, QStringLiteral("XUT"), 4, false);
}

void LevelParams::DensityCorrBut_Click(int a)
{
    ListField &c = m.tab[a]->DensityCorrCombo;
    if (!chosen(m, c, QStringLiteral("Set Density Correction."), QStringLiteral("density correction")))
        return;
    SetDensityCorrection(a, c.currentIndex());
}

void LevelParams::DensityCorrQueryBut_Click(int a)
{
    m.busy->SetLevelBusy(a);
    m.tab[a]->DensityCorrCombo.blank();
    send(a, QStringLiteral("XP"), 6, false);
}

void LevelParams::ReverseBut_Click(int a)
{
    ListField &c = m.tab[a]->ReverseCombo;
    if (!chosen(m, c, QStringLiteral("Set Reverse."), QStringLiteral("reverse output")))
        return;
    SetReverseOutput(a, c.currentIndex());
}

void LevelParams::ReverseQueryBut_Click(int a)
{
    send(a, QStringLiteral("XREV"), 17);
}

void LevelParams::LevelBut_Click(int a)
{
    send(a, QStringLiteral("XLOF") + m.tab[a]->LevelText.text(), 20);
}

void LevelParams::LevelQueryBut_Click(int a)
{
    m.busy->SetLevelBusy(a);
    m.tab[a]->LevelText.clear();
    send(a, QStringLiteral("XLOF"), 19, false);
}

// A box the user changes while another exchange is in flight sends its
// state when the bus is free, as a press does; during a sequence it goes
// back with a beep. A change the program makes (an answer shown) comes
// while no exchange is in flight and sends at once.
bool LevelParams::waitsTurn(int a, CheckField &box, void (LevelParams::*handler)(int))
{
    if (!m.link.exchangeInFlight())
        return false;
    if (m.sequencesRunning > 0) {
        box.setChecked(!box.isChecked());
        m.ui.beep();
        return true;
    }
    m.press(a, [this, a, handler] { (this->*handler)(a); });
    return true;
}

void LevelParams::LocalOffsetCheck_Click(int a)
{
    if (m.Calibrate_Flag || waitsTurn(a, m.tab[a]->LocalOffsetCheck, &LevelParams::LocalOffsetCheck_Click))
        return;
    SetLocalOffsetApply(a, m.tab[a]->LocalOffsetCheck.isChecked() ? 1 : 0);
}

void LevelParams::ApplyQueryBut_Click(int a)
{
    send(a, QStringLiteral("XLOC"), 21);
}

void LevelParams::UnlockCheck_Click(int a)
{
    if (waitsTurn(a, m.tab[a]->UnlockCheck, &LevelParams::UnlockCheck_Click))
        return;
    send(a, QStringLiteral("XUNLK") + (m.tab[a]->UnlockCheck.isChecked() ? QStringLiteral("1") : QStringLiteral("0")),
         24);
}

void LevelParams::UnlockQueryBut_Click(int a)
{
    send(a, QStringLiteral("XUNLK"), 23);
}

void LevelParams::SGBut_Click(int a)
{
    const auto x = values::strictNumber(m.tab[a]->SGText.text());
    if (!x || *x == 0.0) {
        m.warn(QStringLiteral("Set SG."), QStringLiteral("Please enter a specific gravity other than zero."));
        return;
    }
    SetU0Value(a, values::plainText(values::RoundIt(1.0 / *x, 6)));
}

void LevelParams::LocalGravityBut_Click(int a)
{
    const QString v = m.tab[a]->LocalGravityText.text();
    m.busy->SetLevelBusy(a);
    m.tab[a]->LocalGravityText.clear();
    send(a, QStringLiteral("XE") + v, 9, false);
}

void LevelParams::LocalGravityQueryBut_Click(int a)
{
    m.busy->SetLevelBusy(a);
    m.tab[a]->LocalGravityText.clear();
    send(a, QStringLiteral("XE"), 8, false);
}

void LevelParams::SetDensityCorrection(int a, int digit)
{
    m.busy->SetLevelBusy(a);
    m.tab[a]->DensityCorrCombo.blank();
    send(a, QStringLiteral("XP") + digitText(digit), 7, false);
}

void LevelParams::SetReverseOutput(int a, int digit)
{
    send(a, QStringLiteral("XREV") + digitText(digit), 18);
}

bool LevelParams::SetLocalOffsetApply(int a, int digit, bool force)
{
    const bool skip = m.SkipLocalOffset_Flag && !force;
    m.SkipLocalOffset_Flag = false;
    if (skip)
        return false;
    send(a, QStringLiteral("XLOC") + digitText(digit), 22);
    return true;
}

void LevelParams::SetU0Value(int a, const QString &value)
{
    m.busy->SetLevelBusy(a);
    m.tab[a]->SGText.clear();
    send(a, QStringLiteral("XU0,") + value, 29, false);
}

void LevelParams::SetU1Value(int a, const QString &value)
{
    send(a, QStringLiteral("XU1,") + value, 36, false);
}

void LevelParams::QueryU0Value(int a)
{
    send(a, QStringLiteral("XU0"), 30);
}

void LevelParams::QueryLevelSerialNumber(int a)
{
    send(a, QStringLiteral("XSN"), 25);
}

void LevelParams::FilterQuery(int a)
{
    send(a, QStringLiteral("XF"), 26);
}

void LevelParams::FilterSet(int a)
{
    const auto n = m.tools->filterReadings();
    const auto i = m.tools->filterInterval();
    if (!n || !i) {
        m.warn(QStringLiteral("Filter Settings."),
               QStringLiteral("Please enter the number of readings (0 to 99) and the reading interval (0 to 9999)."));
        return;
    }
    const QString frame = QStringLiteral("XF0,") + QString::number(*n / 10).left(1) + QString::number(*n % 10) +
                          QLatin1Char(',') + QString::number(*i / 1000).left(1) + QString::number((*i / 100) % 10) +
                          QString::number((*i / 10) % 10) + QString::number(*i % 10);
    send(a, frame, 27);
}
