#include "SensorTable.h"

#include <QTabWidget>
#include <QHeaderView>
#include <QStyle>
#include <QTreeWidget>

SensorTable::SensorTable(QTreeWidget *level, QTreeWidget *rotary, QTabWidget *tabs, const bool &rotaryFamily)
    : m_level(level), m_rotary(rotary), m_tabs(tabs), m_rotaryFamily(rotaryFamily)
{
}

void SensorTable::setHeadings(QTreeWidget *level, QTreeWidget *rotary)
{
    level->setHeaderLabels({"Address", "Serial No.", "Density Correction", "Local Gravity", "Pressure", "Units",
                            "Temperature", "Units", "Log Status"});
    // The rotary rows carry a seventh, unheaded cell.
    rotary->setColumnCount(8);
    rotary->setHeaderLabels({"Address", "Serial No.", "Level", "Units", "Pulley Circum", "Direction", "Log Status", ""});
    for (QTreeWidget *t : {level, rotary}) {
        t->setRootIsDecorated(false);
        t->setUniformRowHeights(true);
        t->setSelectionMode(QAbstractItemView::SingleSelection);
        t->setAllColumnsShowFocus(true);
        // Every column at least as wide as its heading, and widened to each
        // text it is given (setCell); the list scrolls sideways only when
        // the window is narrower.
        t->header()->setStretchLastSection(false);
        for (int c = 0; c < t->columnCount(); ++c)
            t->header()->resizeSection(c, t->header()->sectionSizeHint(c));
        t->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    }
}

QTreeWidget *SensorTable::list() const
{
    return m_rotaryFamily ? m_rotary : m_level;
}

void SensorTable::createRows()
{
    QTreeWidget *t = list();
    const int cells = m_rotaryFamily ? 7 : 8;
    t->clear();
    for (int i = 0; i < 10; ++i) {
        auto *item = new QTreeWidgetItem(t);
        item->setText(0, QString(9, QLatin1Char(' ')) + QString::number(i));
        widen(0, item->text(0));
        for (int c = 1; c <= cells; ++c)
            item->setText(c, QString());
    }
}

QString SensorTable::cell(int address, int column) const
{
    QTreeWidgetItem *item = list()->topLevelItem(address);
    return item ? item->text(column) : QString();
}

void SensorTable::setCell(int address, int column, const QString &text)
{
    if (QTreeWidgetItem *item = list()->topLevelItem(address)) {
        item->setText(column, text);
        widen(column, text);
    }
}

void SensorTable::widen(int column, const QString &text)
{
    // Measured for this one text: a column only ever widens, so the table
    // neither jumps about nor measures every cell on each reading.
    QTreeWidget *t = list();
    const int need = t->fontMetrics().horizontalAdvance(text) +
                     2 * t->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, t) + 8;
    if (need > t->header()->sectionSize(column))
        t->header()->resizeSection(column, need);
}

void SensorTable::ClearSensorRow(int address)
{
    if (QTreeWidgetItem *item = m_level->topLevelItem(address))
        for (int c = 1; c <= 8; ++c)
            item->setText(c, QString());
}

void SensorTable::ClearRotarySensorRow(int address)
{
    if (QTreeWidgetItem *item = m_rotary->topLevelItem(address))
        for (int c = 1; c <= 7; ++c)
            item->setText(c, QString());
}

void SensorTable::clearRow(int address)
{
    if (m_rotaryFamily)
        ClearRotarySensorRow(address);
    else
        ClearSensorRow(address);
}

void SensorTable::selectRow(int address)
{
    if (QTreeWidgetItem *item = list()->topLevelItem(address)) {
        list()->setCurrentItem(item);
        item->setSelected(true);
    }
}

int SensorTable::selectedRow() const
{
    const auto sel = list()->selectedItems();
    return sel.isEmpty() ? -1 : list()->indexOfTopLevelItem(sel.first());
}

bool SensorTable::present(int address) const
{
    return m_tabs->isTabEnabled(address);
}

void SensorTable::setPresent(int address, bool present)
{
    m_tabs->setTabEnabled(address, present);
}

void SensorTable::setLogStatus(int address, const QString &text)
{
    setCell(address, m_rotaryFamily ? int(RotaryLogStatus) : int(LevelLogStatus), text);
}
