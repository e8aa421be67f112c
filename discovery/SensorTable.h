#pragma once

#include <QAbstractTableModel>
#include <QString>
#include <QStringList>
#include <array>

class Console;

// The sensor table: one row per SDI-12 address 0-9 with what was last
// learnt of the sensor there, every cell a text, in the family's columns;
// and the presence flag of each address (its tab is enabled). The family's
// report list (ListView or RotaryListView) shows it.
class SensorTable : public QAbstractTableModel
{
    Q_OBJECT
public:
    // Level-probe columns.
    enum LevelColumn { SerialNo = 1, DensityCorrection = 2, LocalGravity = 3, Pressure = 4, PressureUnits = 5,
                       Temperature = 6, TemperatureUnits = 7, LevelLogStatus = 8 };
    // Rotary columns.
    enum RotaryColumn { RotarySerialNo = 1, RotaryLevel = 2, RotaryUnits = 3, RotaryPulleyCircum = 4,
                        RotaryDirection = 5, RotaryLogStatus = 6 };

    explicit SensorTable(Console &m);

    // Column headings of each family; the rotary rows carry a seventh,
    // unheaded cell.
    static QStringList headings(bool rotary);

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

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
    int logStatusColumn() const;

signals:
    void presenceChanged(int address);

private:
    void clearCells(int address, int last);
    Console &m;
    std::array<std::array<QString, 9>, 10> m_cells;
    std::array<bool, 10> m_present{};
};
