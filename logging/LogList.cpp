#include "LogList.h"

#include <QApplication>
#include <QClipboard>
#include <QHeaderView>
#include <QKeyEvent>
#include <QScrollBar>
#include <algorithm>

namespace {
// The row header is hidden and paints nothing: it need not follow the current
// row, which would make it sum the heights of all rows after each insertion.
class HiddenRowHeader : public QHeaderView
{
public:
    explicit HiddenRowHeader(QWidget *parent) : QHeaderView(Qt::Vertical, parent) {}

protected:
    void currentChanged(const QModelIndex &, const QModelIndex &) override {}
};
} // namespace

LogList::LogList(LogModel *model, QWidget *parent) : QTableView(parent), m_model(model)
{
    setVerticalHeader(new HiddenRowHeader(this));
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
    // Scrolling by item looks up the position of the top row after every
    // insertion, which walks every row once rows are added at the top.
    setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    horizontalHeader()->setDefaultSectionSize(fontMetrics().horizontalAdvance(QStringLiteral("00/00/0000")) + 16);
    horizontalHeader()->setStretchLastSection(true);
    horizontalHeader()->setSectionsClickable(false);
    horizontalHeader()->setHighlightSections(false);
    setAccessibleName(QStringLiteral("Log"));
    auto count = [this] { emit countChanged(m_model->size()); };
    connect(m_model, &QAbstractItemModel::rowsInserted, this, count);
    // A reading arrives at the top and is selected; older readings added
    // below (restored, moved) leave the selection.
    connect(m_model, &LogModel::readingAdded, this, [this] { setSelectedRow(0); });
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

int LogList::rowTop(int row) const
{
    return row * verticalHeader()->defaultSectionSize() - verticalOffset();
}

QRect LogList::visualRect(const QModelIndex &index) const
{
    if (!index.isValid() || index.model() != m_model)
        return {};
    return QRect(columnViewportPosition(index.column()), rowTop(index.row()), columnWidth(index.column()),
                 verticalHeader()->defaultSectionSize());
}

QRegion LogList::visualRegionForSelection(const QItemSelection &selection) const
{
    const int height = verticalHeader()->defaultSectionSize();
    QRegion region;
    for (const QItemSelectionRange &r : selection) {
        const int left = columnViewportPosition(r.left());
        const int right = columnViewportPosition(r.right()) + columnWidth(r.right());
        region += QRect(left, rowTop(r.top()), right - left, (r.bottom() - r.top() + 1) * height) & viewport()->rect();
    }
    return region;
}

void LogList::scrollTo(const QModelIndex &index, ScrollHint hint)
{
    if (!index.isValid())
        return;
    const QRect cell = visualRect(index);
    const int view = viewport()->height();
    QScrollBar *v = verticalScrollBar();
    const int top = v->value() + cell.top();   // the row's place in the whole list
    if (hint == PositionAtTop || (hint == EnsureVisible && cell.top() < 0))
        v->setValue(top);
    else if (hint == PositionAtBottom || (hint == EnsureVisible && cell.bottom() > view))
        v->setValue(top - view + cell.height());
    else if (hint == PositionAtCenter)
        v->setValue(top - (view - cell.height()) / 2);
    QScrollBar *h = horizontalScrollBar();
    if (cell.left() < 0)
        h->setValue(h->value() + cell.left());
    else if (cell.right() > viewport()->width())
        h->setValue(h->value() + qMin(cell.left(), cell.right() - viewport()->width()));
    update(index);
}
