#pragma once

#include <QString>
#include <QStringList>

namespace report {

// The report text: every line ended by CR LF.
QByteArray text(const QStringList &lines);

// Writes the report in one piece: the file under `path` is replaced only
// when the whole report has been written, so a failure leaves any earlier
// file as it was. UTF-8 without a byte-order mark.
bool write(const QString &path, const QStringList &lines, QString *error);

} // namespace report
