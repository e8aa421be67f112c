#include "ParameterReport.h"

#include "discovery/Console.h"
#include "discovery/SensorTable.h"
#include "logging/ReportFile.h"


QStringList ParameterReport::WriteLevelReport(int t) const
{
    const SensorFields *w = m.tab[static_cast<size_t>(t)].get();
    QStringList lines = w->SensorIDList.lines();
    lines << QStringLiteral("Serial Number = ") + m.table->cell(t, SensorTable::SerialNo)
          << QStringLiteral("Sensor Address = ") + QString::number(t)
          << QStringLiteral("Range = ") + w->RangeText.text()
          << QStringLiteral("Maximium Over Range = ") + w->MaxOverRangeText.text()
          << QStringLiteral("Pressure Units = ") + w->PressUnitsCombo.text()
          << QStringLiteral("Temperature Units = ") + w->TempUnitsCombo.text()
          << QStringLiteral("Density Correction = ") + w->DensityCorrCombo.text()
          << QStringLiteral("Local Gravity = ") + w->LocalGravityText.text()
          << QStringLiteral("Local Level = ") + w->LevelText.text()
          << QStringLiteral("Reverse = ") + w->ReverseCombo.text()
          << QStringLiteral("Max. Sample Rate = ") + w->SampleRateText.text()
          << QStringLiteral("Logging Period = ") + w->LogPeriodCombo.text();
    return lines;
}

QStringList ParameterReport::WriteRotaryReport(int t) const
{
    const SensorFields *w = m.tab[static_cast<size_t>(t)].get();
    QStringList lines = w->RotarySensorIDList.lines();
    lines << QStringLiteral("Serial Number = ") + m.table->cell(t, SensorTable::RotarySerialNo)
          << QStringLiteral("Sensor Address = ") + QString::number(t)
          << QStringLiteral("Maximum Range = ") + w->RotaryMaxRangeText.text()
          << QStringLiteral("Counts Per Revolution = ") + w->RotaryCountsPerRevText.text()
          << QStringLiteral("Measurement Resolution = ") + w->RotaryMeasurementResText.text()
          << QStringLiteral("Measurement Units = ") + w->RotaryMeasurementUnitsCombo.text()
          << QStringLiteral("Pulley Circumference (mm) = ") + w->RotaryPulleyCircumText.text()
          << QStringLiteral("Rotation Direction = ") + w->RotaryDirectionCombo.text()
          << QStringLiteral("Logging Period = ") + w->RotaryLogPeriodCombo.text();
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
