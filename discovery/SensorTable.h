#pragma once

#include <QString>

class QTreeWidget;
class QTabWidget;

// The sensor table: one row per SDI-12 address 0-9 in the family's report
// list (ListView for level probes, RotaryListView for the rotary family), and
// the presence flag of each address, which is the enabled state of its tab.
class SensorTable
{
public:
    // Level-probe columns.
    enum LevelColumn { SerialNo = 1, DensityCorrection = 2, LocalGravity = 3, Pressure = 4, PressureUnits = 5,
                       Temperature = 6, TemperatureUnits = 7, LevelLogStatus = 8 };
    // Rotary columns.
    enum RotaryColumn { RotarySerialNo = 1, RotaryLevel = 2, RotaryUnits = 3, RotaryPulleyCircum = 4,
                        RotaryDirection = 5, RotaryLogStatus = 6 };

    SensorTable(QTreeWidget *level, QTreeWidget *rotary, QTabWidget *tabs, const bool &rotaryFamily);

    static void setHeadings(QTreeWidget *level, QTreeWidget *rotary);
    // Ten rows of nine blanks and the digit, with empty cells.
    void createRows();

    QString cell(int address, int column) const;
    void setCell(int address, int column, const QString &text);
    void ClearSensorRow(int address);
    void ClearRotarySensorRow(int address);
    void clearRow(int address);   // the family's clear
    void selectRow(int address);
    int selectedRow() const;      // address, or -1

    bool present(int address) const;
    void setPresent(int address, bool present);

    // The family's "Log Status" cell.
    void setLogStatus(int address, const QString &text);

    QTreeWidget *list() const;

private:
    void widen(int column, const QString &text);

    QTreeWidget *m_level;
    QTreeWidget *m_rotary;
    QTabWidget *m_tabs;
    const bool &m_rotaryFamily;
};
