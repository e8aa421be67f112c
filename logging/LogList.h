#pragma once

#include "logging/LogModel.h"

#include <QTableView>

// A tab's log list: a report-style list over the tab's LogModel, one line
// per reading, newest at the top; a new reading is the selected row. Rows can be selected (several at once)
// and copied with Ctrl+C as tab-separated text under the headings; screen
// readers read it as a table. Adding a row costs the same with ten rows or
// a million: rows have one fixed height and nothing measures them all.
class LogList : public QTableView
{
    Q_OBJECT
public:
    // A view of `model`, which the run owns.
    explicit LogList(LogModel *model, QWidget *parent = nullptr);

    LogModel *logModel() const { return m_model; }
    const LogStore &rows() const { return m_model->rows(); }
    int rowCount() const { return m_model->size(); }
    int columnCount() const { return static_cast<int>(m_model->headers().size()); }
    const QStringList &headers() const { return m_model->headers(); }
    // Text of row i (0 = top), column c (0 = date).
    QString text(int row, int column) const { return m_model->text(row, column); }

    void insertTop(const LogRow &row) { m_model->insertTop(row); }
    void clear() { m_model->clear(); }

    // The current row, -1 for none; selecting one makes it the only one
    // selected.
    int selectedRow() const;
    void setSelectedRow(int row);
    // The selected rows as the clipboard gets them.
    QString copiedText() const;

    QRect visualRect(const QModelIndex &index) const override;
    void scrollTo(const QModelIndex &index, ScrollHint hint = EnsureVisible) override;

signals:
    // The number of rows changed (a row added, the list cleared).
    void countChanged(int rows);

protected:
    void keyPressEvent(QKeyEvent *event) override;
    QRegion visualRegionForSelection(const QItemSelection &selection) const override;

private:
    // Rows have one height and none is hidden, so a row's place is its index
    // times that height; the header would sum every row above it instead.
    int rowTop(int row) const;

    LogModel *m_model;
};
