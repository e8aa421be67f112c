#pragma once

#include <QFile>
#include <QString>

// Writes one stream as a compound file (OLE2, version 3, 512-byte
// sectors), the container of an .xls workbook. The stream is written through
// as it is produced; the header, directory and allocation tables follow it.
// Streams under 4096 bytes are padded to that size, so no mini stream is
// needed.
class CompoundFileWriter
{
public:
    bool open(const QString &path, QString *error);
    void write(const char *data, qint64 size);
    void write(const QByteArray &b) { write(b.constData(), b.size()); }
    // Bytes of the stream written so far.
    qint64 position() const { return m_size; }
    // Overwrites stream bytes already written (a field patched later).
    void patch(qint64 streamOffset, const QByteArray &bytes);
    // Writes the tables and the header, closes the file.
    bool finish(const QString &streamName, QString *error);
    bool failed() const { return m_failed; }
    QString errorString() const { return m_file.errorString(); }

private:
    void flushBuffer();
    QFile m_file;
    QByteArray m_buffer;
    qint64 m_size = 0;
    bool m_failed = false;
};
