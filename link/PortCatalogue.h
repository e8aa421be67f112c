#pragma once

#include <QMap>
#include <QString>
#include <QStringList>
#include <array>

// The system's serial devices as the "Comms Port" menu sees them: device
// names that carry their port name in parentheses, "... (COM3)".
struct PortCatalogue {
    QStringList names;               // in the order the system lists them
    QMap<int, QString> devices;      // COM number -> device to open
};

struct PortMenuEntry {
    QString caption;
    bool enabled = false;
};

namespace ports {

// The sixteen menu entries COM1..COM16 labelled from the device names: the
// names that contain "COM" fill up to sixteen slots in order; entry i reads
// "COMi - <name>" for the name holding "(COMi)", and is disabled when no name
// holds it.
std::array<PortMenuEntry, 16> labelMenu(const QStringList &deviceNames);

// A device list seen on this system. On Windows the devices carry COM numbers;
// elsewhere the console numbers them itself: first the COM1..COM16 links of
// the port-link directory, then every serial device the system reports, by
// device path, on the lowest free numbers. A failing query yields no devices.
PortCatalogue systemCatalogue();

// The numbering rule itself, on given inputs: `linked` (number -> device)
// comes first; `found` (device path -> description) takes the free numbers.
PortCatalogue numberDevices(const QMap<int, QString> &linked, const QMap<QString, QString> &found);

} // namespace ports
