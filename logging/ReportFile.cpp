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
    if (!f.commit()) {
        *error = f.errorString();
        return false;
    }
    return true;
}

} // namespace report
