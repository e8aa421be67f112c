#include "ParameterReport.h"

#include "app/MainWindow.h"
#include "app/SensorTabWidget.h"
#include "app/Widgets.h"
#include "discovery/SensorTable.h"
#include "logging/ReportFile.h"

#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>

namespace {
QStringList idLines(const QListWidget *l)
{
    QStringList out;
    for (int i = 0; i < l->count(); ++i)
        out << l->item(i)->text();
    return out;
}
} // namespace

QStringList ParameterReport::WriteLevelReport(int t) const
{
    const SensorTabWidget *w = m.tab[static_cast<size_t>(t)];
    QStringList lines = idLines(w->SensorIDList);
    lines << QStringLiteral("Serial Number = ") + m.table->cell(t, SensorTable::SerialNo)
          << QStringLiteral("Sensor Address = ") + QString::number(t)
          << QStringLiteral("Range = ") + w->RangeText->text()
          << QStringLiteral("Maximium Over Range = ") + w->MaxOverRangeText->text()
          << QStringLiteral("Pressure Units = ") + combo::text(w->PressUnitsCombo)
          << QStringLiteral("Temperature Units = ") + combo::text(w->TempUnitsCombo)
          << QStringLiteral("Density Correction = ") + combo::text(w->DensityCorrCombo)
          << QStringLiteral("Local Gravity = ") + w->LocalGravityText->text()
          << QStringLiteral("Local Level = ") + w->LevelText->text()
          << QStringLiteral("Reverse = ") + combo::text(w->ReverseCombo)
          << QStringLiteral("Max. Sample Rate = ") + w->SampleRateText->text()
          << QStringLiteral("Logging Period = ") + combo::text(w->LogPeriodCombo);
    return lines;
}

QStringList ParameterReport::WriteRotaryReport(int t) const
{
    const SensorTabWidget *w = m.tab[static_cast<size_t>(t)];
    QStringList lines = idLines(w->RotarySensorIDList);
    lines << QStringLiteral("Serial Number = ") + m.table->cell(t, SensorTable::RotarySerialNo)
          << QStringLiteral("Sensor Address = ") + QString::number(t)
          << QStringLiteral("Maximum Range = ") + w->RotaryMaxRangeText->text()
          << QStringLiteral("Counts Per Revolution = ") + w->RotaryCountsPerRevText->text()
          << QStringLiteral("Measurement Resolution = ") + w->RotaryMeasurementResText->text()
          << QStringLiteral("Measurement Units = ") + combo::text(w->RotaryMeasurementUnitsCombo)
          << QStringLiteral("Pulley Circumference (mm) = ") + w->RotaryPulleyCircumText->text()
          << QStringLiteral("Rotation Direction = ") + combo::text(w->RotaryDirectionCombo)
          << QStringLiteral("Logging Period = ") + combo::text(w->RotaryLogPeriodCombo);
    return lines;
}

void ParameterReport::mnuSaveAs_Click()
{
    const int t = m.currentTab();
    Ui::SaveDialog d;
    d.filter = QStringLiteral("Text Files(*.txt)|*.txt");
    d.filterIndex = 1;
    d.title = QStringLiteral("Select Filename to Save As");
    d.fileName = (m.SensorType ? QStringLiteral("Rotary Encoder_") : QStringLiteral("Sensor_")) + QString::number(t) +
                 QLatin1Char('_') + m.table->cell(t, 1);
    const Ui::SaveChoice c = m.ui.saveFile(d);
    if (!c.accepted || c.fileName.isEmpty())
        return;
    QString error;
    if (!report::write(c.fileName, m.SensorType ? WriteRotaryReport(t) : WriteLevelReport(t), &error))
        m.warn(QStringLiteral("Save Config"), QStringLiteral("Error encountered while saving file. ") + error);
}
