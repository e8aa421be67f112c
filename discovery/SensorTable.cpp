#include "SensorTable.h"

#include "discovery/Console.h"

SensorTable::SensorTable(Console &m) : m(m)
{
    // Every tab is enabled until a scan says which addresses answer.
    m_present.fill(true);
}

QStringList SensorTable::headings(bool rotary)
{
    if (rotary)
        return {"Address", "Serial No.", "Level", "Units", "Pulley Circum", "Direction", "Log Status", ""};
    return {"Address", "Serial No.", "Density Correction", "Local Gravity", "Pressure", "Units",
            "Temperature", "Units", "Log Status"};
}

int SensorTable::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : 10;
}

int SensorTable::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(headings(m.SensorType).size());
}

QVariant SensorTable::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || (role != Qt::DisplayRole && role != Qt::AccessibleTextRole))
        return {};
    return cell(index.row(), index.column());
}

QVariant SensorTable::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole || orientation != Qt::Horizontal)
        return {};
    return headings(m.SensorType).value(section);
}

void SensorTable::createRows()
{
    beginResetModel();
    for (int i = 0; i < 10; ++i) {
        m_cells[static_cast<size_t>(i)].fill(QString());
        m_cells[static_cast<size_t>(i)][0] = QString(9, QLatin1Char(' ')) + QString::number(i);
    }
    endResetModel();
}

QString SensorTable::cell(int address, int column) const
{
    if (address < 0 || address > 9 || column < 0 || column > 8)
        return {};
    return m_cells[static_cast<size_t>(address)][static_cast<size_t>(column)];
}

void SensorTable::setCell(int address, int column, const QString &text)
{
    if (address < 0 || address > 9 || column < 0 || column >= columnCount())
        return;
    m_cells[static_cast<size_t>(address)][static_cast<size_t>(column)] = text;
    const QModelIndex i = index(address, column);
    emit dataChanged(i, i);
}

void SensorTable::clearCells(int address, int last)
{
    for (int c = 1; c <= last; ++c)
        setCell(address, c, QString());
}

void SensorTable::ClearSensorRow(int address)
{
    clearCells(address, 8);
}

void SensorTable::ClearRotarySensorRow(int address)
{
    clearCells(address, 7);
}

void SensorTable::clearRow(int address)
{
    if (m.SensorType)
        ClearRotarySensorRow(address);
    else
        ClearSensorRow(address);
}

void SensorTable::selectRow(int address)
{
    m.selectRow(address);
}

int SensorTable::selectedRow() const
{
    return m.selectedRow();
}

bool SensorTable::present(int address) const
{
    return address >= 0 && address <= 9 && m_present[static_cast<size_t>(address)];
}

void SensorTable::setPresent(int address, bool present)
{
    if (address < 0 || address > 9 || m_present[static_cast<size_t>(address)] == present)
        return;
    m_present[static_cast<size_t>(address)] = present;
    emit presenceChanged(address);
}

int SensorTable::logStatusColumn() const
{
    return m.SensorType ? int(RotaryLogStatus) : int(LevelLogStatus);
}

void SensorTable::setLogStatus(int address, const QString &text)
{
    setCell(address, logStatusColumn(), text);
}
