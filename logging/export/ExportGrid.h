#pragma once

#include <QDate>
#include <QString>
#include <QStringList>
#include <QTime>
#include <QVector>
#include <functional>

class LogStore;

// The sheet a log is exported as: row 0 the header, row 1 empty, then one
// row per log row, newest first. The writers take this grid, never widgets.
struct ExportCell {
    enum Kind { Empty, Text, Number, Date, Time };
    Kind kind = Empty;
    QString text;      // Text; for Date and Time the text the log showed
    double number = 0; // Number
    QDate date;        // Date
    QTime time;        // Time
};

struct ExportGrid {
    int columns = 0;
    QVector<QVector<ExportCell>> rows;
    QString dateFormat;   // the short date format the date texts are in
};

// Called now and then while a writer runs; returning false cancels it.
using ExportProgress = std::function<bool(int done, int total)>;

namespace exporter {

// Grid of a log list. `kinds` gives each column's kind (Date, Time, Number
// or Text); dates are read in `shortDateFormat`, numbers by their leading
// numeric part. A date or time text that does not read stays text.
ExportGrid buildLogGrid(const QStringList &header, const QVector<ExportCell::Kind> &kinds, const LogStore &rows,
                        const QString &shortDateFormat);

// A date text in a Qt date format; two-digit years are taken as 20xx for
// 00-69 and 19xx for 70-99.
QDate parseDate(const QString &text, const QString &format);

// The Excel number format for a Qt date format ("d/M/yy" -> "d/m/yy").
QString excelDateFormat(const QString &qtFormat);

// Serial day numbers of the 1900 date system.
double excelDate(const QDate &d);
double excelTime(const QTime &t);

// Column widths in characters, from the widest text in each used column.
QVector<double> columnWidths(const ExportGrid &g);

} // namespace exporter
