// BIFF8 workbook records, written into a compound file stream "Workbook".
#include "CompoundFile.h"
#include "Writers.h"

#include <QtEndian>
#include <cstring>

namespace exporter {

namespace {

// XF indexes: 0-14 style XFs, 15 the default cell XF, then ours.
constexpr quint16 kXfCentred = 16;
constexpr quint16 kXfDate = 17;
constexpr quint16 kXfTime = 18;
constexpr quint16 kFmtDate = 164;
constexpr quint16 kFmtTime = 165;

class Records
{
public:
    explicit Records(CompoundFileWriter &out) : out(out) {}

    void record(quint16 type, const QByteArray &body)
    {
        char h[4];
        qToLittleEndian(type, h);
        qToLittleEndian(static_cast<quint16>(body.size()), h + 2);
        out.write(h, 4);
        out.write(body);
    }

    CompoundFileWriter &out;
};

struct Body {
    QByteArray b;
    Body &u8(quint8 v)
    {
        b.append(static_cast<char>(v));
        return *this;
    }
    Body &u16(quint16 v)
    {
        char t[2];
        qToLittleEndian(v, t);
        b.append(t, 2);
        return *this;
    }
    Body &u32(quint32 v)
    {
        char t[4];
        qToLittleEndian(v, t);
        b.append(t, 4);
        return *this;
    }
    // Characters of a BIFF8 string: one byte each when all fit, else UTF-16LE.
    Body &chars(const QString &s, bool wide)
    {
        if (!wide) {
            b.append(s.toLatin1());
        } else {
            for (QChar c : s)
                u16(c.unicode());
        }
        return *this;
    }
    // XLUnicodeString: 16-bit length.
    Body &str16(const QString &s)
    {
        const bool wide = needsWide(s);
        u16(static_cast<quint16>(s.size())).u8(wide ? 1 : 0);
        return chars(s, wide);
    }
    // ShortXLUnicodeString: 8-bit length.
    Body &str8(const QString &s)
    {
        const bool wide = needsWide(s);
        u8(static_cast<quint8>(s.size())).u8(wide ? 1 : 0);
        return chars(s, wide);
    }
    static bool needsWide(const QString &s)
    {
        for (QChar c : s)
            if (c.unicode() > 0xFF)
                return true;
        return false;
    }
};

QByteArray bof(quint16 kind)
{
    return Body().u16(0x0600).u16(kind).u16(0x0DBB).u16(0x07CC).u32(0).u32(0x00000006).b;
}

QByteArray font()
{
    return Body().u16(200).u16(0).u16(0x7FFF).u16(400).u16(0).u8(0).u8(0).u8(0).u8(0).str8(QStringLiteral("Arial")).b;
}

QByteArray xf(quint16 fmt, bool style, bool centred)
{
    Body x;
    x.u16(0).u16(fmt);
    x.u16(style ? 0xFFF5 : 0x0001);                   // locked; style XF, or cell XF of style 0
    x.u8(static_cast<quint8>((centred ? 2 : 0) | (2 << 4)));   // horizontal, vertical bottom
    x.u8(0).u8(0);
    x.u8(style ? 0xF4 : 0xF8);                        // attributes used
    x.u32(0).u32(0);
    x.u16(0x40 | (0x41 << 7));                        // pattern colours: automatic
    return x.b;
}

// Cell records are built on the stack: a log has hundreds of thousands.
void put16(char *p, quint16 v)
{
    qToLittleEndian(v, p);
}

void cellHead(char *p, quint16 type, quint16 bodySize, quint16 row, quint16 col, quint16 xfIndex)
{
    put16(p, type);
    put16(p + 2, bodySize);
    put16(p + 4, row);
    put16(p + 6, col);
    put16(p + 8, xfIndex);
}

// LABEL; texts are capped at 255 characters, which keeps every record far
// below the BIFF8 limit.
void label(CompoundFileWriter &out, quint16 row, quint16 col, quint16 xfIndex, const QString &text)
{
    const int n = static_cast<int>(qMin<qsizetype>(text.size(), 255));
    const QChar *s = text.constData();
    bool wide = false;
    for (int i = 0; i < n; ++i)
        wide = wide || s[i].unicode() > 0xFF;
    char r[10 + 3 + 2 * 255];
    const int chars = wide ? 2 * n : n;
    cellHead(r, 0x0204, static_cast<quint16>(6 + 3 + chars), row, col, xfIndex);
    put16(r + 10, static_cast<quint16>(n));
    r[12] = wide ? 1 : 0;
    for (int i = 0; i < n; ++i) {
        if (wide)
            put16(r + 13 + 2 * i, s[i].unicode());
        else
            r[13 + i] = static_cast<char>(s[i].unicode());
    }
    out.write(r, 13 + chars);
}

// NUMBER.
void number(CompoundFileWriter &out, quint16 row, quint16 col, quint16 xfIndex, double v)
{
    char r[18];
    cellHead(r, 0x0203, 14, row, col, xfIndex);
    std::memcpy(r + 10, &v, 8);   // little-endian IEEE 754 on every platform we build for
    out.write(r, 18);
}

} // namespace

bool writeXls(const ExportGrid &g, const QString &path, QString *error, const ExportProgress &progress)
{
    CompoundFileWriter out;
    if (!out.open(path, error))
        return false;
    Records rec(out);

    const int dataRows = qMax(0, static_cast<int>(g.rows.size()) - 2);
    const int sheets = qMax(1, (dataRows + kXlsRowsPerSheet - 1) / kXlsRowsPerSheet);

    // --- workbook globals
    rec.record(0x0809, bof(0x0005));
    rec.record(0x0042, Body().u16(1200).b);                                   // CODEPAGE: UTF-16
    rec.record(0x003D, Body().u16(0x0168).u16(0x001E).u16(0x3A5C).u16(0x2328).u16(0x0038).u16(0).u16(0).u16(1)
                           .u16(0x0258).b);                                   // WINDOW1
    rec.record(0x0022, Body().u16(0).b);                                      // DATEMODE: 1900
    for (int i = 0; i < 4; ++i)
        rec.record(0x0031, font());
    rec.record(0x041E, Body().u16(kFmtDate).str16(excelDateFormat(g.dateFormat)).b);
    rec.record(0x041E, Body().u16(kFmtTime).str16(QStringLiteral("hh:mm:ss")).b);
    for (int i = 0; i < 15; ++i)
        rec.record(0x00E0, xf(0, true, false));
    rec.record(0x00E0, xf(0, false, false));        // 15: default cell
    rec.record(0x00E0, xf(0, false, true));         // 16: centred
    rec.record(0x00E0, xf(kFmtDate, false, true));  // 17: centred date
    rec.record(0x00E0, xf(kFmtTime, false, true));  // 18: centred time
    rec.record(0x0293, Body().u16(0x8000).u8(0).u8(0xFF).b);                  // STYLE: Normal
    QVector<qint64> sheetOffsetField;
    for (int s = 0; s < sheets; ++s) {
        // BOUNDSHEET; the sheet's position is patched in once known.
        sheetOffsetField.push_back(out.position() + 4);
        rec.record(0x0085, Body().u32(0).u8(0).u8(0).str8(QStringLiteral("Sheet%1").arg(s + 1)).b);
    }
    rec.record(0x000A, {});

    const QVector<double> widths = columnWidths(g);
    const int total = static_cast<int>(g.rows.size());
    for (int s = 0; s < sheets; ++s) {
        const qint64 at = out.position();
        out.patch(sheetOffsetField[s], Body().u32(static_cast<quint32>(at)).b);
        const int first = s * kXlsRowsPerSheet;
        const int count = qMin(kXlsRowsPerSheet, dataRows - first);
        rec.record(0x0809, bof(0x0010));
        rec.record(0x0200, Body().u32(0).u32(static_cast<quint32>(count + 2)).u16(0)
                               .u16(static_cast<quint16>(g.columns)).u16(0).b);   // DIMENSIONS
        for (int c = 0; c < g.columns; ++c)
            rec.record(0x007D, Body().u16(static_cast<quint16>(c)).u16(static_cast<quint16>(c))
                                   .u16(static_cast<quint16>(widths[c] * 256)).u16(kXfCentred).u16(0).u16(0).b);
        auto writeRow = [&](quint16 sheetRow, const QVector<ExportCell> &row) {
            for (int c = 0; c < row.size(); ++c) {
                const ExportCell &cell = row[c];
                const quint16 col = static_cast<quint16>(c);
                switch (cell.kind) {
                case ExportCell::Text: label(out, sheetRow, col, kXfCentred, cell.text); break;
                case ExportCell::Number: number(out, sheetRow, col, kXfCentred, cell.number); break;
                case ExportCell::Date: number(out, sheetRow, col, kXfDate, excelDate(cell.date)); break;
                case ExportCell::Time: number(out, sheetRow, col, kXfTime, excelTime(cell.time)); break;
                default: break;
                }
            }
        };
        if (!g.rows.isEmpty())
            writeRow(0, g.rows[0]);
        for (int i = 0; i < count; ++i) {
            const int r = 2 + first + i;
            writeRow(static_cast<quint16>(2 + i), g.rows[r]);
            if (progress && (r % 4096) == 0 && !progress(r, total)) {
                out.finish(QStringLiteral("Workbook"), error);
                QFile::remove(path);
                *error = QStringLiteral("cancelled");
                return false;
            }
        }
        // WINDOW2: grid, headers, zeros, default colours; the first sheet selected.
        rec.record(0x023E, Body().u16(s == 0 ? 0x06B6 : 0x00B6).u16(0).u16(0).u32(64).u16(0).u16(0).u32(0).b);
        rec.record(0x000A, {});
        if (out.failed())
            break;
    }
    if (!out.finish(QStringLiteral("Workbook"), error)) {
        QFile::remove(path);
        return false;
    }
    return true;
}

} // namespace exporter
