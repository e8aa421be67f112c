#include "ExportGrid.h"

#include "decode/Values.h"
#include "logging/LogStore.h"

namespace exporter {

QDate parseDate(const QString &text, const QString &format)
{
    QDate d = QDate::fromString(text, format);
    if (!d.isValid())
        return d;
    const bool twoDigitYear = format.contains(QLatin1String("yy")) && !format.contains(QLatin1String("yyyy"));
    if (twoDigitYear && d.year() < 1970)
        d = d.addYears(100);
    return d;
}

ExportGrid buildLogGrid(const QStringList &header, const QVector<ExportCell::Kind> &kinds, const LogStore &rows,
                        const QString &shortDateFormat)
{
    ExportGrid g;
    g.columns = static_cast<int>(header.size());
    g.dateFormat = shortDateFormat;
    g.rows.reserve(rows.size() + 2);
    QVector<ExportCell> head;
    for (const QString &h : header) {
        ExportCell c;
        c.kind = ExportCell::Text;
        c.text = h;
        head.push_back(c);
    }
    g.rows.push_back(head);
    g.rows.push_back({});
    // Consecutive rows mostly share their date: read it once.
    QString lastDateText;
    QDate lastDate;
    for (int r = 0; r < rows.size(); ++r) {
        QVector<ExportCell> out(g.columns);
        for (int c = 0; c < g.columns; ++c) {
            const QString text = rows.text(r, c);
            ExportCell &cell = out[c];
            cell.text = text;
            switch (kinds.value(c, ExportCell::Text)) {
            case ExportCell::Date:
                if (text != lastDateText) {
                    lastDateText = text;
                    lastDate = parseDate(text, shortDateFormat);
                }
                cell.date = lastDate;
                cell.kind = lastDate.isValid() ? ExportCell::Date : ExportCell::Text;
                break;
            case ExportCell::Time:
                cell.time = QTime::fromString(text, QStringLiteral("hh:mm:ss"));
                cell.kind = cell.time.isValid() ? ExportCell::Time : ExportCell::Text;
                break;
            case ExportCell::Number:
                cell.kind = ExportCell::Number;
                cell.number = values::Val(text);
                break;
            default:
                cell.kind = text.isEmpty() ? ExportCell::Empty : ExportCell::Text;
                break;
            }
        }
        g.rows.push_back(std::move(out));
    }
    return g;
}

QString excelDateFormat(const QString &f)
{
    QString out;
    for (int i = 0; i < f.size();) {
        const QChar c = f.at(i);
        int n = 1;
        while (i + n < f.size() && f.at(i + n) == c)
            ++n;
        if (c == QLatin1Char('\'')) {
            // quoted literal text
            const int end = static_cast<int>(f.indexOf(QLatin1Char('\''), i + 1));
            const QString lit = end < 0 ? f.mid(i + 1) : f.mid(i + 1, end - i - 1);
            out += QLatin1Char('"') + lit + QLatin1Char('"');
            i = end < 0 ? static_cast<int>(f.size()) : end + 1;
            continue;
        }
        if (c == QLatin1Char('d'))
            out += QString(qMin(n, 4), QLatin1Char('d'));
        else if (c == QLatin1Char('M'))
            out += QString(qMin(n, 4), QLatin1Char('m'));
        else if (c == QLatin1Char('y'))
            out += n >= 3 ? QStringLiteral("yyyy") : QStringLiteral("yy");
        else if (c.isLetter())
            out += QLatin1Char('"') + QString(n, c) + QLatin1Char('"');
        else
            out += QString(n, c);
        i += n;
    }
    return out.isEmpty() ? QStringLiteral("dd/mm/yyyy") : out;
}

double excelDate(const QDate &d)
{
    return static_cast<double>(QDate(1899, 12, 30).daysTo(d));
}

double excelTime(const QTime &t)
{
    return QTime(0, 0).msecsTo(t) / 86400000.0;
}

QVector<double> columnWidths(const ExportGrid &g)
{
    QVector<int> chars(g.columns, 0);
    for (const auto &row : g.rows)
        for (int c = 0; c < row.size() && c < g.columns; ++c) {
            const ExportCell &cell = row[c];
            int n = 0;
            if (cell.kind == ExportCell::Text)
                n = static_cast<int>(cell.text.size());
            else if (cell.kind == ExportCell::Time)
                n = 8;
            else if (cell.kind == ExportCell::Date)
                n = static_cast<int>(cell.text.size()) + 2;   // the sheet may show four-digit years
            else if (cell.kind == ExportCell::Number)
            {
                char buf[values::kPlainChars];
                n = values::plainChars(cell.number, buf);
            }
            chars[c] = qMax(chars[c], n);
        }
    QVector<double> widths;
    for (int n : chars)
        widths.push_back(qMin(255.0, n + 2.0));
    return widths;
}

} // namespace exporter
