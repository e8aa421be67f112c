#include "Writers.h"

#include <QFile>

namespace exporter {

namespace {
void field(QByteArray &out, const QString &text)
{
    const bool quote = text.contains(QLatin1Char(',')) || text.contains(QLatin1Char('"')) ||
                       text.contains(QLatin1Char('\r')) || text.contains(QLatin1Char('\n'));
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
} // namespace

bool writeCsv(const ExportGrid &g, const QString &path, QString *error, const ExportProgress &progress)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        *error = f.errorString();
        return false;
    }
    QByteArray buffer;
    buffer.reserve(1 << 17);
    const int total = static_cast<int>(g.rows.size());
    for (int r = 0; r < total; ++r) {
        const auto &row = g.rows[r];
        for (int c = 0; c < row.size(); ++c) {
            if (c)
                buffer += ',';
            const ExportCell &cell = row[c];
            // Dates and times as the log showed them; numbers as read.
            field(buffer, cell.kind == ExportCell::Number ? displayText(cell, g.dateFormat) : cell.text);
        }
        buffer += "\r\n";
        if (buffer.size() >= (1 << 16)) {
            if (f.write(buffer) != buffer.size()) {
                *error = f.errorString();
                return false;
            }
            buffer.clear();
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
