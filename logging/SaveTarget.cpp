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
#else
#include <sys/stat.h>
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
    const QByteArray from = QFile::encodeName(temporary);
    const QByteArray to = QFile::encodeName(target);
    struct stat replaced {};
    mode_t mode = 0;
    if (::stat(to.constData(), &replaced) == 0) {
        mode = replaced.st_mode & 07777;
    } else {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        mode = 0666 & ~mask;
    }
    if (::chmod(from.constData(), mode) != 0 || std::rename(from.constData(), to.constData()) != 0) {
        *error = QString::fromLocal8Bit(std::strerror(errno));
        return false;
    }
    return true;
#endif
}

Qt::CaseSensitivity fileNameCase()
{
#if defined(Q_OS_WIN) || defined(Q_OS_MACOS)
    return Qt::CaseInsensitive;
#else
    return Qt::CaseSensitive;
#endif
}

namespace {
// The absolute path with its longest existing part resolved (links, "..")
// and the rest only cleaned.
QString resolved(const QString &path)
{
    QString rest;
    QString at = QDir::cleanPath(QFileInfo(path).absoluteFilePath());
    for (;;) {
        const QString canonical = QFileInfo(at).canonicalFilePath();
        if (!canonical.isEmpty())
            return rest.isEmpty() ? canonical : QDir(canonical).filePath(rest);
        const QFileInfo info(at);
        const QString parent = info.path();
        if (parent == at)
            return QDir::cleanPath(QFileInfo(path).absoluteFilePath());
        rest = rest.isEmpty() ? info.fileName() : info.fileName() + QLatin1Char('/') + rest;
        at = parent;
    }
}
} // namespace

bool sameFile(const QString &a, const QString &b, Qt::CaseSensitivity cs)
{
    const QFileInfo fa(a);
    const QFileInfo fb(b);
    if (fa.exists() && fb.exists()) {
        if (fa == fb)
            return true;
#ifndef Q_OS_WIN
        struct stat sa {}, sb {};
        if (::stat(QFile::encodeName(a).constData(), &sa) == 0 && ::stat(QFile::encodeName(b).constData(), &sb) == 0 &&
            sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino)
            return true;
#endif
    }
    return resolved(a).compare(resolved(b), cs) == 0;
}

} // namespace savetarget
