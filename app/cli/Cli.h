#pragma once

#include <QStringList>

// The command line: sub-commands on the run, each with --help.
//   ports | scan | get ADDR [NAME...] | set ADDR NAME=VALUE... | send COMMAND...
//   | log ADDR --period SECONDS [--for DURATION] [--out FILE] | report ADDR [--out FILE]
//   | apply ADDR REPORT [--yes | --dry-run]
// Exit status: 0 done, 1 no answer or no sensor, 2 usage, 3 the port cannot
// be opened, 4 a file cannot be read or written.
namespace cli {

enum Exit { Done = 0, NoAnswer = 1, Usage = 2, PortFailed = 3, FileFailed = 4 };

// Runs the command line (the program's arguments, the program's name
// first); returns the exit status.
int run(const QStringList &arguments);

// A duration: seconds, or a number with s, m, h or d. -1 when it does not read.
qint64 durationMs(const QString &text);

} // namespace cli
