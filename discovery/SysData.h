#pragma once

#include <QString>

// The settings file "Varno sysfile.cfg": five signed 16-bit little-endian
// integers at offset 0 (port, break, mark, data timeout, command timeout).
// A zero field counts as absent.
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
QString userPath();      // <user's configuration folder>/Varno sysfile.cfg

// A missing file, or one shorter than 10 bytes, reads the fields it cannot
// supply as 0.
SysDataRecord read(const QString &path);
// Writes bytes 0-9 only; bytes beyond them stay. Creates the file if needed.
bool write(const QString &path, const SysDataRecord &record, QString *error);

// Absent fields take their defaults. So does a field out of range: a port
// outside 1-16, a timing outside 0-9999 ms (the timing fields take four
// digits) and a command timeout above 6553 ms (its tenfold scan timeout
// would overflow the timer); `valid` then turns false.
LinkSettings withDefaults(const SysDataRecord &record, bool *valid = nullptr);

// Where the settings live: the file beside the program while that file can
// be written there, otherwise the same file in the user's configuration
// folder. A file beside the program that cannot be written is still read
// until a file of the user's own exists; then the user's file is read.
class Store
{
public:
    // An empty `user` keeps everything beside the program.
    Store(QString beside, QString user);

    SysDataRecord read();
    // Writes beside the program, or, once that fails, in the user's folder
    // from then on; false with the reason when neither can be written.
    bool write(const SysDataRecord &record, QString *error);

    const QString &readPath() const { return m_readPath; }   // empty: no file was read
    const QString &writePath() const { return m_toUser ? m_user : m_beside; }

private:
    QString m_beside;
    QString m_user;
    QString m_readPath;
    bool m_toUser = false;
};

} // namespace sysdata
