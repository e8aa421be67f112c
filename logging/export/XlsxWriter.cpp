#include "Writers.h"

#include <QDir>
#include <QFileInfo>
#include <clocale>
#include <locale.h>
#include <string>
#include <xlsxwriter.h>

namespace exporter {

namespace {
// libxlsxwriter prints numbers, column widths and margins with the C
// library, which follows LC_NUMERIC: under a decimal-comma locale the
// sheet would hold "1,5", which spreadsheet programs read as 1 or refuse.
// While it lives, this thread formats numbers the C way; the rest of the
// program keeps the user's locale.
class CNumericScope
{
public:
    CNumericScope()
    {
#ifdef Q_OS_WIN
        m_mode = _configthreadlocale(_ENABLE_PER_THREAD_LOCALE);
        if (const char *current = std::setlocale(LC_NUMERIC, nullptr))
            m_previous = current;
        std::setlocale(LC_NUMERIC, "C");
#else
        locale_t base = duplocale(uselocale(static_cast<locale_t>(nullptr)));
        if (base) {
            m_c = newlocale(LC_NUMERIC_MASK, "C", base);
            if (!m_c)
                freelocale(base);
        }
        if (m_c)
            m_previous = uselocale(m_c);
#endif
    }
    ~CNumericScope()
    {
#ifdef Q_OS_WIN
        if (!m_previous.empty())
            std::setlocale(LC_NUMERIC, m_previous.c_str());
        if (m_mode != -1)
            _configthreadlocale(m_mode);
#else
        if (m_c) {
            uselocale(m_previous);
            freelocale(m_c);
        }
#endif
    }
    CNumericScope(const CNumericScope &) = delete;
    CNumericScope &operator=(const CNumericScope &) = delete;

private:
#ifdef Q_OS_WIN
    int m_mode = -1;
    std::string m_previous;
#else
    locale_t m_c = nullptr;
    locale_t m_previous = nullptr;
#endif
};
} // namespace

bool writeXlsx(const ExportGrid &g, const QString &path, QString *error, const ExportProgress &progress)
{
    return writeXlsx(g, path, error, progress, kXlsxSheetRows);
}

bool writeXlsx(const ExportGrid &g, const QString &path, QString *error, const ExportProgress &progress,
               int sheetRows)
{
    if (sheetRows < 3 || sheetRows > kXlsxSheetRows) {
        *error = QStringLiteral("a worksheet holds 3 to %1 rows, not %2").arg(kXlsxSheetRows).arg(sheetRows);
        return false;
    }
    const CNumericScope cNumbers;   // up to workbook_close, which writes most of the XML
    const QByteArray file = QFile::encodeName(path);
    const QByteArray tmp = QFile::encodeName(QFileInfo(path).absolutePath());
    lxw_workbook_options options{};
    options.constant_memory = LXW_TRUE;   // rows go to disk as they are written
    options.tmpdir = const_cast<char *>(tmp.constData());
    lxw_workbook *wb = workbook_new_opt(file.constData(), &options);
    if (!wb) {
        *error = QStringLiteral("cannot create the workbook");
        return false;
    }
    // A failure leaves no file behind.
    auto fail = [&](const QString &why) {
        workbook_close(wb);
        QFile::remove(path);
        *error = why;
        return false;
    };
    // Column formats carry the centring; a cell with a number format of its
    // own needs the centring in that format too.
    lxw_format *centred = workbook_add_format(wb);
    format_set_align(centred, LXW_ALIGN_CENTER);
    lxw_format *date = workbook_add_format(wb);
    format_set_align(date, LXW_ALIGN_CENTER);
    format_set_num_format(date, excelDateFormat(g.dateFormat).toUtf8().constData());
    lxw_format *time = workbook_add_format(wb);
    format_set_align(time, LXW_ALIGN_CENTER);
    format_set_num_format(time, "hh:mm:ss");
    if (!centred || !date || !time)
        return fail(QStringLiteral("cannot create the cell formats"));

    const QVector<double> widths = columnWidths(g);
    const int total = static_cast<int>(g.rows.size());
    const int perSheet = sheetRows - 2;
    const int dataRows = qMax(0, total - 2);
    const int sheets = qMax(1, (dataRows + perSheet - 1) / perSheet);
    auto writeRow = [&](lxw_worksheet *ws, lxw_row_t sheetRow, const QVector<ExportCell> &row) {
        for (int c = 0; c < row.size(); ++c) {
            const ExportCell &cell = row[c];
            const auto lc = static_cast<lxw_col_t>(c);
            lxw_error rc = LXW_NO_ERROR;
            switch (cell.kind) {
            case ExportCell::Text:
                rc = worksheet_write_string(ws, sheetRow, lc, cell.text.toUtf8().constData(), centred);
                break;
            case ExportCell::Number: rc = worksheet_write_number(ws, sheetRow, lc, cell.number, centred); break;
            case ExportCell::Date: rc = worksheet_write_number(ws, sheetRow, lc, excelDate(cell.date), date); break;
            case ExportCell::Time: rc = worksheet_write_number(ws, sheetRow, lc, excelTime(cell.time), time); break;
            default: break;
            }
            if (rc != LXW_NO_ERROR)
                return rc;
        }
        return LXW_NO_ERROR;
    };
    if (progress && !progress(0, total))
        return fail(QStringLiteral("cancelled"));
    // Sheet1, Sheet2, ...: each the header and the empty row, then the next
    // perSheet log rows.
    for (int s = 0; s < sheets; ++s) {
        lxw_worksheet *ws = workbook_add_worksheet(wb, nullptr);
        if (!ws)
            return fail(QStringLiteral("cannot add worksheet %1").arg(s + 1));
        for (int c = 0; c < g.columns; ++c) {
            const lxw_error rc = worksheet_set_column(ws, static_cast<lxw_col_t>(c), static_cast<lxw_col_t>(c),
                                                      widths[c], centred);
            if (rc != LXW_NO_ERROR)
                return fail(QString::fromUtf8(lxw_strerror(rc)));
        }
        for (int r = 0; r < qMin(total, 2); ++r)
            if (const lxw_error rc = writeRow(ws, static_cast<lxw_row_t>(r), g.rows[r]); rc != LXW_NO_ERROR)
                return fail(QString::fromUtf8(lxw_strerror(rc)));
        const int first = 2 + s * perSheet;
        const int end = qMin(total, first + perSheet);
        for (int r = first; r < end; ++r) {
            if (const lxw_error rc = writeRow(ws, static_cast<lxw_row_t>(2 + r - first), g.rows[r]);
                rc != LXW_NO_ERROR)
                return fail(QStringLiteral("row %1: %2").arg(r - 1).arg(QString::fromUtf8(lxw_strerror(rc))));
            if (progress && (r % 4096) == 0 && !progress(r, total))
                return fail(QStringLiteral("cancelled"));
        }
    }
    const lxw_error rc = workbook_close(wb);
    if (rc != LXW_NO_ERROR) {
        *error = QString::fromUtf8(lxw_strerror(rc));
        QFile::remove(path);
        return false;
    }
    return true;
}

} // namespace exporter
