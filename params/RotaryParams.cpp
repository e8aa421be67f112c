#include "RotaryParams.h"

#include "app/MainWindow.h"
#include "app/SensorTabWidget.h"
#include "app/Widgets.h"
#include "decode/Values.h"
#include "params/BusyState.h"

#include <QComboBox>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>

void RotaryParams::connectTab(int i)
{
    SensorTabWidget *t = m.tab[i];
    auto on = [this, i](QPushButton *b, void (RotaryParams::*h)(int)) {
        m.onPress(b, [this, h, i] { (this->*h)(i); });
    };
    on(t->RotaryCountsPerRevBut, &RotaryParams::RotaryCountsPerRevBut_Click);
    on(t->QueryRotaryCountsPerRevBut, &RotaryParams::QueryRotaryCountsPerRevBut_Click);
    on(t->RotaryPulleyCircumBut, &RotaryParams::RotaryPulleyCircumBut_Click);
    on(t->QueryRotaryPulleyCircumfBut, &RotaryParams::QueryRotaryPulleyCircumfBut_Click);
    on(t->RotaryMeasurementUnitsBut, &RotaryParams::RotaryMeasurementUnitsBut_Click);
    on(t->QueryRotaryMeasurementUnitsBut, &RotaryParams::QueryRotaryMeasurementUnitsBut_Click);
    on(t->RotaryDirectionBut, &RotaryParams::RotaryDirectionBut_Click);
    on(t->QueryRotaryDirectionBut, &RotaryParams::QueryRotaryDirectionBut_Click);
    on(t->RotaryCurrentValueBut, &RotaryParams::RotaryCurrentValueBut_Click);
    on(t->QueryRotaryCurrentValueBut, &RotaryParams::QueryRotaryCurrentValueBut_Click);
    on(t->RotarySetZeroBut, &RotaryParams::RotarySetZeroBut_Click);
}

void RotaryParams::send(int a, const QString &letters, int code)
{
    m.sendCommand(QString::number(a) + letters + QLatin1Char('!'), code);
}

void RotaryParams::RotaryCountsPerRevBut_Click(int a)
{
    m.busy->SetRotaryBusy(a);
    send(a, QStringLiteral("XPC") + m.tab[a]->RotaryCountsPerRevText->text(), 109);
}

void RotaryParams::QueryRotaryCountsPerRevBut_Click(int a)
{
    m.busy->SetRotaryBusy(a);
    m.tab[a]->RotaryCountsPerRevText->clear();
    send(a, QStringLiteral("XPC"), 108);
}

void RotaryParams::RotaryPulleyCircumBut_Click(int a)
{
    m.busy->SetRotaryBusy(a);
    send(a, QStringLiteral("XCP") + m.tab[a]->RotaryPulleyCircumText->text(), 105);
}

void RotaryParams::QueryRotaryPulleyCircumfBut_Click(int a)
{
    m.busy->SetRotaryBusy(a);
    m.tab[a]->RotaryPulleyCircumText->clear();
    send(a, QStringLiteral("XCP"), 104);
}

void RotaryParams::RotaryMeasurementUnitsBut_Click(int a)
{
    QComboBox *c = m.tab[a]->RotaryMeasurementUnitsCombo;
    if (c->currentIndex() < 0) {
        m.warn(QStringLiteral("Set Measurement Units."), QStringLiteral("Please select the measurement units."));
        return;
    }
    const QString d = QString::number(c->currentIndex()).left(1);
    m.busy->SetRotaryBusy(a);
    combo::blank(c);
    send(a, QStringLiteral("XMU") + d, 103);
}

void RotaryParams::QueryRotaryMeasurementUnitsBut_Click(int a)
{
    m.busy->SetRotaryBusy(a);
    combo::blank(m.tab[a]->RotaryMeasurementUnitsCombo);
    send(a, QStringLiteral("XMU"), 102);
}

void RotaryParams::RotaryDirectionBut_Click(int a)
{
    QComboBox *c = m.tab[a]->RotaryDirectionCombo;
    if (c->currentIndex() < 0) {
        m.warn(QStringLiteral("Set Rotation Direction."), QStringLiteral("Please select the rotation direction."));
        return;
    }
    const QString d = QString::number(c->currentIndex()).left(1);
    m.busy->SetRotaryBusy(a);
    combo::blank(c);
    send(a, QStringLiteral("XRD") + d, 107);
}

void RotaryParams::QueryRotaryDirectionBut_Click(int a)
{
    m.busy->SetRotaryBusy(a);
    combo::blank(m.tab[a]->RotaryDirectionCombo);
    send(a, QStringLiteral("XRD"), 106);
}

void RotaryParams::RotaryCurrentValueBut_Click(int a)
{
    m.busy->SetRotaryBusy(a);
    send(a, QStringLiteral("XCV") + m.tab[a]->RotaryCurrentValueText->text(), 111);
}

void RotaryParams::QueryRotaryCurrentValueBut_Click(int a)
{
    m.busy->SetRotaryBusy(a);
    m.tab[a]->RotaryCurrentValueText->clear();
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
    SensorTabWidget *t = m.tab[index];
    double res = 0.0;
    if (!values::measurementResolution(t->RotaryMeasurementUnitsCombo->currentIndex(), values::Val(t->RotaryPulleyCircumText->text()),
                    values::Val(t->RotaryCountsPerRevText->text()), &res))
        return false;
    t->RotaryMeasurementResText->setText(QLocale::system().toString(res, 'f', 3));
    return true;
}
