#include "ReportFile.h"

#include <QSaveFile>

namespace report {

QByteArray text(const QStringList &lines)
{
    QByteArray out;
    for (const QString &l : lines) {
        out += l.toUtf8();
        out += "\r\n";
    }
    return out;
}

bool write(const QString &path, const QStringList &lines, QString *error)
{
    QSaveFile f(path);
    // A folder that only lets us write the file itself still gets it.
    f.setDirectWriteFallback(true);
    if (!f.open(QIODevice::WriteOnly)) {
        *error = f.errorString();
        return false;
    }
    const QByteArray bytes = text(lines);
    if (f.write(bytes) != bytes.size()) {
        *error = f.errorString();
        f.cancelWriting();
        return false;
    }
    // QSaveFile commits what reached the disk even when a full disk took only part of it, and Qt then has no reason
    // to give: a flush that fails is the failure.
    if (!f.flush()) {
        *error = QStringLiteral("Not all of it could be written: the disk may be full.");
        f.cancelWriting();
        return false;
    }
    if (!f.commit()) {
        *error = f.errorString();
        return false;
    }
    return true;
}

} // namespace report
