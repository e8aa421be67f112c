#include "SaveTarget.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>
#include <cerrno>
#include <cstdio>
#include <cstring>

#ifdef Q_OS_WIN
#include <windows.h>
#endif

namespace savetarget {

QString saveName(const QString &chosen, int filterIndex)
{
    static const char *extensions[] = {".xls", ".xlsx", ".csv"};
    if (filterIndex < 1 || filterIndex > 3)
        return {};
    const qsizetype slash = qMax(chosen.lastIndexOf(QLatin1Char('/')), chosen.lastIndexOf(QLatin1Char('\\')));
    const qsizetype dot = chosen.lastIndexOf(QLatin1Char('.'));
    const QString stem = dot > slash ? chosen.left(dot) : chosen;
    return stem + QLatin1String(extensions[filterIndex - 1]);
}

QString temporaryName(const QString &target)
{
    const QFileInfo info(target);
    QTemporaryFile probe(info.absolutePath() + QStringLiteral("/.") + info.fileName() + QStringLiteral(".XXXXXX"));
    probe.setAutoRemove(false);
    if (!probe.open())
        return info.absolutePath() + QStringLiteral("/.") + info.fileName() + QStringLiteral(".part");
    const QString name = probe.fileName();
    probe.close();
    return name;
}

bool replace(const QString &temporary, const QString &target, QString *error)
{
#ifdef Q_OS_WIN
    if (!MoveFileExW(reinterpret_cast<LPCWSTR>(QDir::toNativeSeparators(temporary).utf16()),
                     reinterpret_cast<LPCWSTR>(QDir::toNativeSeparators(target).utf16()),
                     MOVEFILE_REPLACE_EXISTING)) {
        *error = QStringLiteral("cannot replace %1").arg(target);
        return false;
    }
    return true;
#else
    if (std::rename(QFile::encodeName(temporary).constData(), QFile::encodeName(target).constData()) != 0) {
        *error = QString::fromLocal8Bit(std::strerror(errno));
        return false;
    }
    return true;
#endif
}

} // namespace savetarget
