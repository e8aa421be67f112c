#pragma once

#include <QString>

// Where an export lands: the save-name rule, and a write that replaces the
// target only once it is complete.
namespace savetarget {

// The chosen name with everything from the last "." of its last path
// component dropped, then the extension of the filter (1 .xls, 2 .xlsx,
// 3 .csv). Empty for any other filter index.
QString saveName(const QString &chosen, int filterIndex);

// A name for the temporary file beside `target` (same folder, so that the
// final rename stays on one file system).
QString temporaryName(const QString &target);

// Moves the finished temporary file over the target, replacing it.
bool replace(const QString &temporary, const QString &target, QString *error);

} // namespace savetarget
