#include "LogList.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStandardItemModel>

LogList::LogList(const QStringList &headers, QWidget *parent)
    : QAbstractScrollArea(parent), m_headers(headers),
      m_headerModel(new QStandardItemModel(0, static_cast<int>(headers.size()), this)),
      m_header(new QHeaderView(Qt::Horizontal, this))
{
    m_headerModel->setHorizontalHeaderLabels(headers);
    m_header->setModel(m_headerModel);
    m_header->setSectionsClickable(false);
    m_header->setDefaultSectionSize(fontMetrics().horizontalAdvance(QStringLiteral("00/00/0000")) + 16);
    m_header->setStretchLastSection(true);
    connect(m_header, &QHeaderView::sectionResized, viewport(), qOverload<>(&QWidget::update));
    setFocusPolicy(Qt::StrongFocus);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    horizontalScrollBar()->setRange(0, 0);
    layoutHeader();
}

int LogList::rowHeight() const
{
    return fontMetrics().height() + 4;
}

QString LogList::text(int row, int column) const
{
    if (row < 0 || row >= m_rows.size() || column < 0 || column > 5)
        return {};
    return m_rows.text(row, column);
}

void LogList::insertTop(const LogRow &row)
{
    m_rows.insertTop(row);
    if (m_selected >= 0)
        ++m_selected;
    updateScrollBars();
    viewport()->update();
    emit countChanged(m_rows.size());
}

void LogList::appendBottom(const LogRow &row)
{
    m_rows.appendBottom(row);
    updateScrollBars();
    viewport()->update();
    emit countChanged(m_rows.size());
}

void LogList::clear()
{
    m_rows.clear();
    m_selected = -1;
    updateScrollBars();
    viewport()->update();
    emit countChanged(0);
}

void LogList::setSelectedRow(int row)
{
    m_selected = (row >= 0 && row < m_rows.size()) ? row : -1;
    viewport()->update();
}

QSize LogList::sizeHint() const
{
    return {m_header->length() + 20, m_header->sizeHint().height() + rowHeight() * 8};
}

void LogList::layoutHeader()
{
    const int h = m_header->sizeHint().height();
    setViewportMargins(0, h, 0, 0);
    const QRect vg = viewport()->geometry();
    m_header->setGeometry(vg.left(), vg.top() - h, vg.width(), h);
    m_header->setOffset(horizontalScrollBar()->value());
}

void LogList::updateScrollBars()
{
    const int page = qMax(1, viewport()->height() / rowHeight());
    verticalScrollBar()->setPageStep(page);
    verticalScrollBar()->setSingleStep(1);
    verticalScrollBar()->setRange(0, qMax(0, m_rows.size() - page));
    const int width = m_header->length();
    horizontalScrollBar()->setPageStep(viewport()->width());
    horizontalScrollBar()->setRange(0, qMax(0, width - viewport()->width()));
}

void LogList::resizeEvent(QResizeEvent *event)
{
    QAbstractScrollArea::resizeEvent(event);
    layoutHeader();
    updateScrollBars();
}

void LogList::scrollContentsBy(int, int)
{
    m_header->setOffset(horizontalScrollBar()->value());
    viewport()->update();
}

void LogList::paintEvent(QPaintEvent *)
{
    QPainter p(viewport());
    const int rh = rowHeight();
    const int first = verticalScrollBar()->value();
    const int visible = viewport()->height() / rh + 2;
    const int xOff = horizontalScrollBar()->value();
    const QPalette pal = palette();
    for (int i = 0; i < visible; ++i) {
        const int row = first + i;
        if (row >= m_rows.size())
            break;
        const QRect line(0, i * rh, viewport()->width(), rh);
        const bool selected = row == m_selected;
        if (selected)
            p.fillRect(line, pal.brush(hasFocus() ? QPalette::Active : QPalette::Inactive, QPalette::Highlight));
        p.setPen(pal.color(selected ? QPalette::HighlightedText : QPalette::Text));
        for (int c = 0; c < columnCount(); ++c) {
            const QRect cell(m_header->sectionPosition(c) - xOff + 4, i * rh, m_header->sectionSize(c) - 8, rh);
            p.drawText(cell, Qt::AlignVCenter | Qt::AlignLeft, text(row, c));
        }
    }
}

void LogList::mousePressEvent(QMouseEvent *event)
{
    const int row = verticalScrollBar()->value() + static_cast<int>(event->position().y()) / rowHeight();
    if (row < m_rows.size())
        setSelectedRow(row);
    QAbstractScrollArea::mousePressEvent(event);
}

void LogList::keyPressEvent(QKeyEvent *event)
{
    int row = m_selected;
    switch (event->key()) {
    case Qt::Key_Up: row = qMax(0, row - 1); break;
    case Qt::Key_Down: row = qMin(m_rows.size() - 1, row + 1); break;
    case Qt::Key_Home: row = 0; break;
    case Qt::Key_End: row = m_rows.size() - 1; break;
    default: QAbstractScrollArea::keyPressEvent(event); return;
    }
    setSelectedRow(row);
    if (row >= 0) {
        const int page = verticalScrollBar()->pageStep();
        if (row < verticalScrollBar()->value())
            verticalScrollBar()->setValue(row);
        else if (row >= verticalScrollBar()->value() + page)
            verticalScrollBar()->setValue(row - page + 1);
    }
}
