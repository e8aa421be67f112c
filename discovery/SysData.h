#pragma once

#include <QString>

// The settings file "Varno sysfile.cfg" beside the program: five signed
// 16-bit little-endian integers at offset 0 (port, break, mark, data timeout,
// command timeout). A zero field counts as absent.
struct SysDataRecord {
    qint16 port = 0;
    qint16 breakMs = 0;
    qint16 markMs = 0;
    qint16 dataTimeoutMs = 0;
    qint16 commandTimeoutMs = 0;
};

// The values in effect once the defaults replace absent fields.
struct LinkSettings {
    int port = 1;
    int breakMs = 20;
    int markMs = 15;
    int dataTimeoutMs = 200;
    int commandTimeoutMs = 400;
};

namespace sysdata {

QString defaultPath();   // <program directory>/Varno sysfile.cfg

// A missing file, or one shorter than 10 bytes, reads the fields it cannot
// supply as 0.
SysDataRecord read(const QString &path);
// Writes bytes 0-9 only; bytes beyond them stay. Creates the file if needed.
bool write(const QString &path, const SysDataRecord &record, QString *error);

LinkSettings withDefaults(const SysDataRecord &record);

} // namespace sysdata
