#include "SysData.h"

#include <QCoreApplication>
#include <QFile>
#include <QtEndian>

namespace sysdata {

QString defaultPath()
{
    return QCoreApplication::applicationDirPath() + QStringLiteral("/Varno sysfile.cfg");
}

SysDataRecord read(const QString &path)
{
    SysDataRecord r;
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return r;
    const QByteArray b = f.read(10);
    auto field = [&b](int offset) -> qint16 {
        if (b.size() < offset + 2)
            return 0;
        return qFromLittleEndian<qint16>(b.constData() + offset);
    };
    r.port = field(0);
    r.breakMs = field(2);
    r.markMs = field(4);
    r.dataTimeoutMs = field(6);
    r.commandTimeoutMs = field(8);
    return r;
}

bool write(const QString &path, const SysDataRecord &record, QString *error)
{
    char b[10];
    qToLittleEndian<qint16>(record.port, b);
    qToLittleEndian<qint16>(record.breakMs, b + 2);
    qToLittleEndian<qint16>(record.markMs, b + 4);
    qToLittleEndian<qint16>(record.dataTimeoutMs, b + 6);
    qToLittleEndian<qint16>(record.commandTimeoutMs, b + 8);
    QFile f(path);
    // ReadWrite keeps whatever follows the record.
    if (!f.open(QIODevice::ReadWrite) || !f.seek(0) || f.write(b, 10) != 10 || !f.flush()) {
        if (error)
            *error = f.errorString();
        return false;
    }
    f.close();
    return true;
}

LinkSettings withDefaults(const SysDataRecord &r)
{
    LinkSettings s;
    s.port = r.port != 0 ? r.port : 1;
    s.breakMs = r.breakMs != 0 ? r.breakMs : 20;
    s.markMs = r.markMs != 0 ? r.markMs : 15;
    s.dataTimeoutMs = r.dataTimeoutMs != 0 ? r.dataTimeoutMs : 200;
    s.commandTimeoutMs = r.commandTimeoutMs != 0 ? r.commandTimeoutMs : 400;
    return s;
}

} // namespace sysdata
