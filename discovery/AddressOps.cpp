#include "AddressOps.h"

#include "app/MainWindow.h"
#include "app/SensorTabWidget.h"
#include "app/Widgets.h"
#include "discovery/LogPeriods.h"
#include "discovery/SensorTable.h"
#include "logging/JournalKeeper.h"
#include "logging/LogList.h"
#include "params/BusyState.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTabWidget>

void AddressOps::connectTab(int i)
{
    SensorTabWidget *t = m.tab[i];
    m.onPress(t->AddrBut, [this, i] { AddrBut_Click(i); });
    m.onPress(t->RotaryAddrBut, [this, i] { RotaryAddrBut_Click(i); });
    m.onPress(t->IDQueryBut, [this, i] { IDQueryBut_Click(i); });
    m.onPress(t->RotaryIDQueryBut, [this, i] { RotaryIDQueryBut_Click(i); });
}

void AddressOps::changeAddress(int index, bool rotary)
{
    const QString title = QStringLiteral("Set Sensor Address.");
    QComboBox *c = rotary ? m.tab[index]->RotaryAddressCombo : m.tab[index]->AddressCombo;
    const int n = c->currentIndex();
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
    m.tab[index]->SensorIDList->clear();
    m.sendCommand(QString::number(index) + QStringLiteral("I!"), 10);
}

void AddressOps::RotaryIDQueryBut_Click(int index)
{
    m.busy->SetRotaryBusy(index);
    m.tab[index]->RotarySensorIDList->clear();
    m.sendCommand(QString::number(index) + QStringLiteral("I!"), 112);
}

namespace {
void copyText(QLineEdit *from, QLineEdit *to)
{
    to->setText(from->text());
}

void copySelection(QComboBox *from, QComboBox *to)
{
    to->setPlaceholderText(from->placeholderText());
    to->setCurrentIndex(from->currentIndex() < to->count() ? from->currentIndex() : -1);
}

void moveLines(QListWidget *from, QListWidget *to)
{
    const int n = from->count();
    for (int i = 0; i < n; ++i)
        to->addItem(from->item(i)->text());
    from->clear();
}

} // namespace

// Log rows, the Clear/Save buttons, the rows' removal and the sensor-table
// row: the same for both families.
void AddressOps::moveCommon(int oldTab, int newTab, bool rotary)
{
    SensorTabWidget *o = m.tab[oldTab];
    SensorTabWidget *n = m.tab[newTab];
    LogList *from = rotary ? o->RotaryLogListView : o->LogListView;
    LogList *to = rotary ? n->RotaryLogListView : n->LogListView;
    to->appendRows(from->rows(), from->logModel()->unsaved());
    m.journal->moved(oldTab, newTab);
    const bool any = from->rowCount() > 0;
    n->ClearLogBut->setEnabled(any);
    n->SaveLogBut->setEnabled(any);
    o->ClearLogBut->setEnabled(false);
    o->SaveLogBut->setEnabled(false);
    from->clear();

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
    SensorTabWidget *o = m.tab[oldTab];
    SensorTabWidget *n = m.tab[newTab];
    combo::reset(o->AddressCombo);
    copySelection(o->PressUnitsCombo, n->PressUnitsCombo);
    copySelection(o->TempUnitsCombo, n->TempUnitsCombo);
    copySelection(o->DensityCorrCombo, n->DensityCorrCombo);
    copyText(o->LocalGravityText, n->LocalGravityText);
    copyText(o->RangeText, n->RangeText);
    copyText(o->MaxOverRangeText, n->MaxOverRangeText);
    copyText(o->LevelText, n->LevelText);
    copySelection(o->ReverseCombo, n->ReverseCombo);
    copyText(o->SampleRateText, n->SampleRateText);
    copyText(o->SGText, n->SGText);
    copyText(o->ZeroCalibrationText, n->ZeroCalibrationText);
    copyText(o->SlopeCalibrationText, n->SlopeCalibrationText);
    copyText(o->PressureText, n->PressureText);
    // Ticking the box on the new tab must not send the local-offset state.
    if (o->LocalOffsetCheck->isChecked() && !n->LocalOffsetCheck->isChecked())
        m.SkipLocalOffset_Flag = true;
    n->LocalOffsetCheck->setChecked(o->LocalOffsetCheck->isChecked());
    // The lock box sends its state, now to the sensor at its new address.
    n->UnlockCheck->setChecked(o->UnlockCheck->isChecked());
    moveLines(o->SensorIDList, n->SensorIDList);

    m.SensorTab->setTabEnabled(newTab, true);
    m.SensorTab->setTabEnabled(oldTab, false);
    m.SensorTab->setCurrentIndex(newTab);

    FillLogPeriods(n->LogPeriodCombo, n->SampleRateText->text());
    const int period = o->LogPeriodCombo->currentIndex();
    n->LogPeriodCombo->setCurrentIndex(period < n->LogPeriodCombo->count() ? period : -1);
    o->LogPeriodCombo->clear();

    moveCommon(oldTab, newTab, false);
}

void AddressOps::MoveRotarySensorTab(int oldTab, int newTab)
{
    if (oldTab == newTab)
        return;
    SensorTabWidget *o = m.tab[oldTab];
    SensorTabWidget *n = m.tab[newTab];
    combo::reset(o->RotaryAddressCombo);
    copyText(o->RotaryMaxRangeText, n->RotaryMaxRangeText);
    copyText(o->RotaryCountsPerRevText, n->RotaryCountsPerRevText);
    copyText(o->RotaryMeasurementResText, n->RotaryMeasurementResText);
    copySelection(o->RotaryMeasurementUnitsCombo, n->RotaryMeasurementUnitsCombo);
    copyText(o->RotaryPulleyCircumText, n->RotaryPulleyCircumText);
    copySelection(o->RotaryDirectionCombo, n->RotaryDirectionCombo);
    copyText(o->RotaryCurrentValueText, n->RotaryCurrentValueText);
    moveLines(o->RotarySensorIDList, n->RotarySensorIDList);

    m.SensorTab->setTabEnabled(newTab, true);
    m.SensorTab->setTabEnabled(oldTab, false);
    m.SensorTab->setCurrentIndex(newTab);

    moveCommon(oldTab, newTab, true);
}
