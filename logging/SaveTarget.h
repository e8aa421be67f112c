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

// Moves the finished temporary file over the target, replacing it. The
// file gets the permissions of the file it replaces, or those of any new
// file of the user (0666 less the umask); a temporary file is only the
// owner's until then.
bool replace(const QString &temporary, const QString &target, QString *error);

// How the platform's file systems compare names: Windows and macOS ignore
// letter case.
Qt::CaseSensitivity fileNameCase();

// True when `a` and `b` name the same file: the same folder once relative
// parts, ".." and links are resolved, and the same name compared with `cs`.
// Two names of one existing file are the same whatever `cs` (a
// case-insensitive disk mounted on a case-sensitive system).
bool sameFile(const QString &a, const QString &b, Qt::CaseSensitivity cs = fileNameCase());

} // namespace savetarget
