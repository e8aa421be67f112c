#include "RotaryParams.h"

#include "discovery/Console.h"
#include "decode/Values.h"
#include "params/BusyState.h"

#include <QLocale>

void RotaryParams::send(int a, const QString &letters, int code)
{
    m.sendCommand(QString::number(a) + letters + QLatin1Char('!'), code);
}

void RotaryParams::RotaryCountsPerRevBut_Click(int a)
{
    m.busy->SetRotaryBusy(a);
    send(a, QStringLiteral("XPC") + m.tab[a]->RotaryCountsPerRevText.text(), 109);
}

void RotaryParams::QueryRotaryCountsPerRevBut_Click(int a)
{
    m.busy->SetRotaryBusy(a);
    m.tab[a]->RotaryCountsPerRevText.clear();
    send(a, QStringLiteral("XPC"), 108);
}

void RotaryParams::RotaryPulleyCircumBut_Click(int a)
{
    m.busy->SetRotaryBusy(a);
    send(a, QStringLiteral("XCP") + m.tab[a]->RotaryPulleyCircumText.text(), 105);
}

void RotaryParams::QueryRotaryPulleyCircumfBut_Click(int a)
{
    m.busy->SetRotaryBusy(a);
    m.tab[a]->RotaryPulleyCircumText.clear();
    send(a, QStringLiteral("XCP"), 104);
}

void RotaryParams::RotaryMeasurementUnitsBut_Click(int a)
{
    ListField &c = m.tab[a]->RotaryMeasurementUnitsCombo;
    if (c.currentIndex() < 0) {
        m.warn(QStringLiteral("Set Measurement Units."), QStringLiteral("Please select the measurement units."));
        return;
    }
    const QString d = QString::number(c.currentIndex()).left(1);
    m.busy->SetRotaryBusy(a);
    c.blank();
    send(a, QStringLiteral("XMU") + d, 103);
}

void RotaryParams::QueryRotaryMeasurementUnitsBut_Click(int a)
{
    m.busy->SetRotaryBusy(a);
    m.tab[a]->RotaryMeasurementUnitsCombo.blank();
    send(a, QStringLiteral("XMU"), 102);
}

void RotaryParams::RotaryDirectionBut_Click(int a)
{
    ListField &c = m.tab[a]->RotaryDirectionCombo;
    if (c.currentIndex() < 0) {
        m.warn(QStringLiteral("Set Rotation Direction."), QStringLiteral("Please select the rotation direction."));
        return;
    }
    const QString d = QString::number(c.currentIndex()).left(1);
    m.busy->SetRotaryBusy(a);
    c.blank();
    send(a, QStringLiteral("XRD") + d, 107);
}

void RotaryParams::QueryRotaryDirectionBut_Click(int a)
{
    m.busy->SetRotaryBusy(a);
    m.tab[a]->RotaryDirectionCombo.blank();
    send(a, QStringLiteral("XRD"), 106);
}

void RotaryParams::RotaryCurrentValueBut_Click(int a)
{
    m.busy->SetRotaryBusy(a);
    send(a, QStringLiteral("XCV") + m.tab[a]->RotaryCurrentValueText.text(), 111);
}

void RotaryParams::QueryRotaryCurrentValueBut_Click(int a)
{
    m.busy->SetRotaryBusy(a);
    m.tab[a]->RotaryCurrentValueText.clear();
    send(a, QStringLiteral("XCV"), 110);
}

void RotaryParams::RotarySetZeroBut_Click(int a)
{
    m.busy->SetRotaryBusy(a);
    send(a, QStringLiteral("XZE"), 114);
}

void RotaryParams::QueryRotarySerialNumber(int a)
{
    m.busy->SetRotaryBusy(a);
    send(a, QStringLiteral("XSN"), 113);
}

bool RotaryParams::calculateMeasurementRes(int index)
{
    SensorFields *t = m.tab[index].get();
    double res = 0.0;
    if (!values::measurementResolution(t->RotaryMeasurementUnitsCombo.currentIndex(), values::Val(t->RotaryPulleyCircumText.text()),
                    values::Val(t->RotaryCountsPerRevText.text()), &res))
        return false;
    t->RotaryMeasurementResText.setText(QLocale::system().toString(res, 'f', 3));
    return true;
}
