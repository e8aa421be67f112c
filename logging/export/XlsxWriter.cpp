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
    lxw_worksheet *ws = workbook_add_worksheet(wb, nullptr);
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

    const QVector<double> widths = columnWidths(g);
    for (int c = 0; c < g.columns; ++c)
        worksheet_set_column(ws, static_cast<lxw_col_t>(c), static_cast<lxw_col_t>(c), widths[c], centred);

    const int total = static_cast<int>(g.rows.size());
    for (int r = 0; r < total && ws; ++r) {
        const auto &row = g.rows[r];
        const auto lr = static_cast<lxw_row_t>(r);
        for (int c = 0; c < row.size(); ++c) {
            const ExportCell &cell = row[c];
            const auto lc = static_cast<lxw_col_t>(c);
            switch (cell.kind) {
            case ExportCell::Text:
                worksheet_write_string(ws, lr, lc, cell.text.toUtf8().constData(), centred);
                break;
            case ExportCell::Number:
                worksheet_write_number(ws, lr, lc, cell.number, centred);
                break;
            case ExportCell::Date:
                worksheet_write_number(ws, lr, lc, excelDate(cell.date), date);
                break;
            case ExportCell::Time:
                worksheet_write_number(ws, lr, lc, excelTime(cell.time), time);
                break;
            default:
                break;
            }
        }
        if (progress && (r % 4096) == 0 && !progress(r, total)) {
            workbook_close(wb);
            QFile::remove(path);
            *error = QStringLiteral("cancelled");
            return false;
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
