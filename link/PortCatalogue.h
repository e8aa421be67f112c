#pragma once

#include <QMap>
#include <QString>
#include <QStringList>
#include <array>

// The system's serial devices as the "Comms Port" menu sees them: device
// names that carry their port name in parentheses, "... (COM3)".
// What makes a serial device the same device when it comes back after
// being unplugged, perhaps under another path: a port link of the port
// directory is the same device whatever it points at; otherwise the USB
// serial number, or vendor and product at the same path, or the path.
struct PortIdentity {
    int link = 0;               // COMn link in the port directory, 0 for none
    QString serialNumber;
    int vendor = -1, product = -1;
    QString path;
    bool isNull() const { return link == 0 && serialNumber.isEmpty() && path.isEmpty(); }
};

struct PortCatalogue {
    QStringList names;               // in the order the system lists them
    QMap<int, QString> devices;      // COM number -> device to open
    QMap<int, PortIdentity> identities;   // COM number -> what the device is

    // The COM number the device `id` is listed under now, 0 when it is not.
    int find(const PortIdentity &id) const;
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

// What the system says of one serial device; -1 where it gives no vendor or product.
struct DeviceInfo {
    QString location, portName, serialNumber;
    int vendor = -1, product = -1;
};
// The serial number, vendor and product of each listed device without a port link, from what the system says of
// the device at its path (vendor and product only when both are known).
void identify(PortCatalogue &cat, const QList<DeviceInfo> &infos);

} // namespace ports
