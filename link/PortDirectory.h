#pragma once

#include <QMap>
#include <QString>

// Serial ports offered under COM numbers on systems whose devices have no
// COM numbers of their own (Linux). A program that bridges a port (the
// simulated bus, a pseudo-terminal bridge) offers it as a symbolic link named
// COM1 .. COM16 in this directory, pointing at the serial device.
namespace portdir {

// <runtime directory>/sdi12-ports
QString directory();

// The entries COM1 .. COM16 found in the directory, keyed by number, each
// resolved to the device the link points at. Entries whose target is gone are
// left out.
QMap<int, QString> linkedPorts(const QString &dir = directory());

// Creates (or replaces) the link COMn -> device. Returns the link path, or an
// empty string with *error set.
QString registerPort(int number, const QString &device, QString *error = nullptr,
                     const QString &dir = directory());

// Removes the link COMn, but only if it still points at the given device.
void unregisterPort(int number, const QString &device, const QString &dir = directory());

} // namespace portdir
