#include "LogList.h"

#include <QApplication>
#include <QClipboard>
#include <QHeaderView>
#include <QKeyEvent>
#include <algorithm>

LogList::LogList(const QStringList &headers, const QVector<int> &valueColumns, const QVector<int> &unitsColumns,
                 QWidget *parent)
    : QTableView(parent), m_model(new LogModel(headers, valueColumns, unitsColumns, this))
{
    setModel(m_model);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setShowGrid(false);
    setWordWrap(false);
    setCornerButtonEnabled(false);
    setTabKeyNavigation(false);
    // One fixed row height, no row headings: nothing is measured per row.
    verticalHeader()->hide();
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 4);
    horizontalHeader()->setDefaultSectionSize(fontMetrics().horizontalAdvance(QStringLiteral("00/00/0000")) + 16);
    horizontalHeader()->setStretchLastSection(true);
    horizontalHeader()->setSectionsClickable(false);
    horizontalHeader()->setHighlightSections(false);
    setAccessibleName(QStringLiteral("Log"));
    auto count = [this] { emit countChanged(m_model->size()); };
    connect(m_model, &QAbstractItemModel::rowsInserted, this, count);
    connect(m_model, &QAbstractItemModel::modelReset, this, count);
}

int LogList::selectedRow() const
{
    const QModelIndex i = currentIndex();
    return i.isValid() && selectionModel()->isRowSelected(i.row(), {}) ? i.row() : -1;
}

void LogList::setSelectedRow(int row)
{
    if (row < 0 || row >= m_model->size()) {
        selectionModel()->clear();
        return;
    }
    selectionModel()->setCurrentIndex(m_model->index(row, 0),
                                      QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
}

QString LogList::copiedText() const
{
    QVector<int> rows;
    for (const QModelIndex &i : selectionModel()->selectedRows())
        rows.push_back(i.row());
    std::sort(rows.begin(), rows.end());
    return m_model->tabSeparated(rows);
}

void LogList::keyPressEvent(QKeyEvent *event)
{
    if (event == QKeySequence::Copy) {
        QApplication::clipboard()->setText(copiedText());
        event->accept();
        return;
    }
    QTableView::keyPressEvent(event);
}
