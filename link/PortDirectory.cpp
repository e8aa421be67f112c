#include "PortDirectory.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

namespace portdir {

QString directory()
{
    QString base = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (base.isEmpty())
        base = QDir::tempPath();
    return base + QStringLiteral("/sdi12-ports");
}

QMap<int, QString> linkedPorts(const QString &dir)
{
    QMap<int, QString> out;
    for (int n = 1; n <= 16; ++n) {
        const QFileInfo link(dir + QStringLiteral("/COM") + QString::number(n));
        if (!link.isSymLink())
            continue;
        const QString target = link.symLinkTarget();
        if (target.isEmpty() || !QFileInfo::exists(target))
            continue;
        out.insert(n, target);
    }
    return out;
}

QString registerPort(int number, const QString &device, QString *error, const QString &dir)
{
    if (!QDir().mkpath(dir)) {
        if (error)
            *error = QStringLiteral("cannot create %1").arg(dir);
        return {};
    }
    const QString path = dir + QStringLiteral("/COM") + QString::number(number);
    QFile::remove(path);
    if (!QFile::link(device, path)) {
        if (error)
            *error = QStringLiteral("cannot create the link %1").arg(path);
        return {};
    }
    return path;
}

void unregisterPort(int number, const QString &device, const QString &dir)
{
    const QString path = dir + QStringLiteral("/COM") + QString::number(number);
    const QFileInfo link(path);
    if (link.isSymLink() && link.symLinkTarget() == QFileInfo(device).absoluteFilePath())
        QFile::remove(path);
}

} // namespace portdir
