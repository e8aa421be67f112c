#include "CompoundFile.h"

#include <QtEndian>
#include <QVector>

namespace {
constexpr quint32 kFree = 0xFFFFFFFF;
constexpr quint32 kEndOfChain = 0xFFFFFFFE;
constexpr quint32 kFatSector = 0xFFFFFFFD;
constexpr quint32 kDifatSector = 0xFFFFFFFC;
constexpr quint32 kNoStream = 0xFFFFFFFF;
constexpr int kSector = 512;
constexpr qint64 kMinStream = 4096;

void put16(QByteArray &b, int at, quint16 v)
{
    qToLittleEndian(v, b.data() + at);
}
void put32(QByteArray &b, int at, quint32 v)
{
    qToLittleEndian(v, b.data() + at);
}

QByteArray directoryEntry(const QString &name, quint8 type, quint32 child, quint32 start, quint32 size)
{
    QByteArray e(128, '\0');
    const int chars = static_cast<int>(qMin<qsizetype>(name.size(), 31));
    for (int i = 0; i < chars; ++i)
        put16(e, i * 2, name.at(i).unicode());
    put16(e, 64, name.isEmpty() ? 0 : static_cast<quint16>((chars + 1) * 2));
    e[66] = static_cast<char>(type);
    e[67] = 1;   // black
    put32(e, 68, kNoStream);
    put32(e, 72, kNoStream);
    put32(e, 76, child);
    put32(e, 116, start);
    put32(e, 120, size);
    return e;
}
} // namespace

bool CompoundFileWriter::open(const QString &path, QString *error)
{
    m_file.setFileName(path);
    if (!m_file.open(QIODevice::ReadWrite | QIODevice::Truncate)) {
        *error = m_file.errorString();
        return false;
    }
    // The header is written last; its place is kept.
    m_failed = m_file.write(QByteArray(kSector, '\0')) != kSector;
    m_buffer.reserve(1 << 17);
    return !m_failed;
}

void CompoundFileWriter::flushBuffer()
{
    if (!m_buffer.isEmpty() && !m_failed)
        m_failed = m_file.write(m_buffer) != m_buffer.size();
    m_buffer.resize(0);   // keeps the capacity
}

void CompoundFileWriter::write(const char *data, qint64 size)
{
    m_buffer.append(data, size);
    m_size += size;
    if (m_buffer.size() >= (1 << 16))
        flushBuffer();
}

void CompoundFileWriter::patch(qint64 streamOffset, const QByteArray &bytes)
{
    const qint64 flushed = m_size - m_buffer.size();
    if (streamOffset >= flushed) {
        std::copy(bytes.begin(), bytes.end(), m_buffer.begin() + (streamOffset - flushed));
        return;
    }
    flushBuffer();
    const qint64 end = m_file.pos();
    m_failed = m_failed || !m_file.seek(kSector + streamOffset) || m_file.write(bytes) != bytes.size() ||
               !m_file.seek(end);
}

bool CompoundFileWriter::finish(const QString &streamName, QString *error)
{
    // Pad the stream to whole sectors, and to the mini-stream cutoff.
    const quint32 streamBytes = static_cast<quint32>(qMax(m_size, kMinStream));
    qint64 padded = qMax(m_size, kMinStream);
    padded = (padded + kSector - 1) / kSector * kSector;
    if (padded > m_size)
        write(QByteArray(static_cast<int>(padded - m_size), '\0').constData(), padded - m_size);
    const quint32 streamSectors = static_cast<quint32>(padded / kSector);

    // Sectors: stream, one directory sector, FAT sectors, DIFAT sectors.
    quint32 fat = 1, difat = 0;
    for (;;) {
        const quint32 total = streamSectors + 1 + fat + difat;
        const quint32 needFat = (total + 127) / 128;
        const quint32 needDifat = needFat > 109 ? (needFat - 109 + 126) / 127 : 0;
        if (needFat == fat && needDifat == difat)
            break;
        fat = needFat;
        difat = needDifat;
    }
    const quint32 dirSector = streamSectors;
    const quint32 firstFat = dirSector + 1;
    const quint32 firstDifat = firstFat + fat;

    // Directory: the root and the one stream.
    QByteArray dir;
    dir += directoryEntry(QStringLiteral("Root Entry"), 5, 1, kEndOfChain, 0);
    dir += directoryEntry(streamName, 2, kNoStream, 0, streamBytes);
    dir += directoryEntry(QString(), 0, kNoStream, 0, 0);
    dir += directoryEntry(QString(), 0, kNoStream, 0, 0);
    write(dir);

    // FAT.
    QByteArray table(static_cast<int>(fat * kSector), '\xFF');
    auto entry = [&table](quint32 i, quint32 v) { put32(table, static_cast<int>(i * 4), v); };
    for (quint32 i = 0; i < streamSectors; ++i)
        entry(i, i + 1 < streamSectors ? i + 1 : kEndOfChain);
    entry(dirSector, kEndOfChain);
    for (quint32 i = 0; i < fat; ++i)
        entry(firstFat + i, kFatSector);
    for (quint32 i = 0; i < difat; ++i)
        entry(firstDifat + i, kDifatSector);
    write(table);

    // DIFAT sectors for the FAT sectors past the header's 109.
    for (quint32 s = 0; s < difat; ++s) {
        QByteArray d(kSector, '\xFF');
        for (quint32 k = 0; k < 127; ++k) {
            const quint32 n = 109 + s * 127 + k;
            if (n < fat)
                put32(d, static_cast<int>(k * 4), firstFat + n);
        }
        put32(d, 508, s + 1 < difat ? firstDifat + s + 1 : kEndOfChain);
        write(d);
    }
    flushBuffer();

    QByteArray h(kSector, '\0');
    const unsigned char magic[] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};
    std::copy(magic, magic + 8, h.begin());
    put16(h, 24, 0x003E);
    put16(h, 26, 0x0003);
    put16(h, 28, 0xFFFE);
    put16(h, 30, 9);
    put16(h, 32, 6);
    put32(h, 44, fat);
    put32(h, 48, dirSector);
    put32(h, 56, 4096);
    put32(h, 60, kEndOfChain);
    put32(h, 64, 0);
    put32(h, 68, difat ? firstDifat : kEndOfChain);
    put32(h, 72, difat);
    for (quint32 i = 0; i < 109; ++i)
        put32(h, static_cast<int>(76 + i * 4), i < fat ? firstFat + i : kFree);
    m_failed = m_failed || !m_file.seek(0) || m_file.write(h) != h.size() || !m_file.flush();
    m_file.close();
    if (m_failed || m_file.error() != QFileDevice::NoError) {
        *error = m_file.errorString();
        return false;
    }
    return true;
}
