#pragma once

#include "logging/LogStore.h"

#include <QAbstractScrollArea>
#include <QStringList>

class QHeaderView;
class QStandardItemModel;

// A tab's log list: a report-style list with a header, one line per reading,
// newest at the top, one selected row. It paints only the rows in view, so a
// new row costs the same with ten rows or a million.
class LogList : public QAbstractScrollArea
{
    Q_OBJECT
public:
    LogList(const QStringList &headers, QWidget *parent = nullptr);

    const LogStore &rows() const { return m_rows; }
    int rowCount() const { return m_rows.size(); }
    int columnCount() const { return static_cast<int>(m_headers.size()); }
    const QStringList &headers() const { return m_headers; }
    // Text of row i (0 = top), column c (0 = date).
    QString text(int row, int column) const;

    void insertTop(const LogRow &row);
    void appendBottom(const LogRow &row);
    void clear();

    int selectedRow() const { return m_selected; }
    void setSelectedRow(int row);

    QSize sizeHint() const override;

signals:
    // The number of rows changed (a row added, the list cleared).
    void countChanged(int rows);

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void scrollContentsBy(int dx, int dy) override;

private:
    int rowHeight() const;
    void updateScrollBars();
    void layoutHeader();

    QStringList m_headers;
    QStandardItemModel *m_headerModel;
    QHeaderView *m_header;
    LogStore m_rows;
    int m_selected = -1;
};
