#pragma once

#include "logging/export/ExportGrid.h"

#include <QString>

// Writers of an export grid. Each writes the file at `path` (the caller
// chooses a temporary name and moves it into place), returns false with
// *error set when it cannot, and calls `progress` every few thousand rows.
namespace exporter {

// RFC 4180 text: CR LF line ends, UTF-8, a field holding a comma, a double
// quote, CR or LF quoted with inner quotes doubled; the empty row as an
// empty line.
bool writeCsv(const ExportGrid &g, const QString &path, QString *error, const ExportProgress &progress = {});

// An .xlsx workbook (libxlsxwriter): real date, time and number cells, the
// used columns sized to their widest text and centred. A worksheet holds
// at most kXlsxSheetRows rows; longer logs continue on Sheet2, Sheet3, ...,
// each with the header, the empty row and the same formats and widths.
bool writeXlsx(const ExportGrid &g, const QString &path, QString *error, const ExportProgress &progress = {});
// The same with at most `sheetRows` rows a worksheet, header and empty row
// included (3 to kXlsxSheetRows; tests take a few).
bool writeXlsx(const ExportGrid &g, const QString &path, QString *error, const ExportProgress &progress,
               int sheetRows);

// A BIFF8 .xls workbook in a compound file. A sheet holds at most 65,536
// rows; longer logs continue on further sheets, each with the header.
bool writeXls(const ExportGrid &g, const QString &path, QString *error, const ExportProgress &progress = {});

// Rows of log data one .xls sheet takes (under its header and empty row).
constexpr int kXlsRowsPerSheet = 65536 - 2;

// Rows an .xlsx worksheet holds, and the rows of log data it takes.
constexpr int kXlsxSheetRows = 1048576;
constexpr int kXlsxRowsPerSheet = kXlsxSheetRows - 2;

} // namespace exporter
