#include "Writers.h"

#include "decode/Values.h"

#include <QFile>

namespace exporter {

namespace {
// Appends `text` as UTF-8, quoted when it holds a comma, a double quote,
// CR or LF. Log texts are plain ASCII nearly always: those are copied
// straight across without a temporary.
void field(QByteArray &out, const QString &text)
{
    const QChar *p = text.constData();
    const qsizetype n = text.size();
    bool ascii = true;
    bool quote = false;
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t c = p[i].unicode();
        if (c >= 0x80)
            ascii = false;
        else if (c == u',' || c == u'"' || c == u'\r' || c == u'\n')
            quote = true;
    }
    if (!quote && ascii) {
        const qsizetype at = out.size();
        out.resize(at + n);
        char *d = out.data() + at;
        for (qsizetype i = 0; i < n; ++i)
            d[i] = static_cast<char>(p[i].unicode());
        return;
    }
    if (!quote) {
        out += text.toUtf8();
        return;
    }
    QString q = text;
    q.replace(QLatin1String("\""), QLatin1String("\"\""));
    out += '"';
    out += q.toUtf8();
    out += '"';
}

void number(QByteArray &out, double x)
{
    char buf[values::kPlainChars];
    out.append(buf, values::plainChars(x, buf));
}
} // namespace

bool writeCsv(const ExportGrid &g, const QString &path, QString *error, const ExportProgress &progress)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        *error = f.errorString();
        return false;
    }
    QByteArray buffer;
    buffer.reserve(1 << 18);
    const int total = static_cast<int>(g.rows.size());
    for (int r = 0; r < total; ++r) {
        const auto &row = g.rows[r];
        for (int c = 0; c < row.size(); ++c) {
            if (c)
                buffer += ',';
            const ExportCell &cell = row[c];
            // Dates and times as the log showed them; numbers as read.
            if (cell.kind == ExportCell::Number)
                number(buffer, cell.number);
            else
                field(buffer, cell.text);
        }
        buffer += "\r\n";
        if (buffer.size() >= (1 << 16)) {
            if (f.write(buffer) != buffer.size()) {
                *error = f.errorString();
                return false;
            }
            buffer.resize(0);   // keeps the capacity
        }
        if (progress && (r % 4096) == 0 && !progress(r, total)) {
            *error = QStringLiteral("cancelled");
            return false;
        }
    }
    if (f.write(buffer) != buffer.size() || !f.flush()) {
        *error = f.errorString();
        return false;
    }
    f.close();
    if (f.error() != QFileDevice::NoError) {
        *error = f.errorString();
        return false;
    }
    return true;
}

} // namespace exporter
