#include "PortCatalogue.h"

#include "link/PortDirectory.h"

#include <QFileInfo>
#include <QSerialPortInfo>
#include <functional>

int PortCatalogue::find(const PortIdentity &id) const
{
    auto first = [this](const std::function<bool(const PortIdentity &)> &same) {
        for (auto it = identities.cbegin(); it != identities.cend(); ++it)
            if (same(it.value()))
                return it.key();
        return 0;
    };
    if (id.link != 0)
        return first([&id](const PortIdentity &o) { return o.link == id.link; });
    if (!id.serialNumber.isEmpty())
        return first([&id](const PortIdentity &o) {
            return o.serialNumber == id.serialNumber && o.vendor == id.vendor && o.product == id.product;
        });
    if (id.path.isEmpty())
        return 0;
    return first([&id](const PortIdentity &o) {
        return o.link == 0 && o.path == id.path && (id.vendor < 0 || (o.vendor == id.vendor && o.product == id.product));
    });
}

namespace ports {

std::array<PortMenuEntry, 16> labelMenu(const QStringList &deviceNames)
{
    QStringList portNames;
    for (const QString &name : deviceNames) {
        if (portNames.size() >= 16)
            break;
        if (name.contains(QLatin1String("COM")))
            portNames.push_back(name);
    }
    std::array<PortMenuEntry, 16> menu;
    for (int i = 1; i <= 16; ++i) {
        PortMenuEntry &e = menu[static_cast<size_t>(i - 1)];
        const QString caption = QStringLiteral("COM%1").arg(i);
        const QString key = QLatin1Char('(') + caption + QLatin1Char(')');
        e.caption = caption;
        e.enabled = false;
        for (const QString &name : portNames) {
            if (name.contains(key)) {
                e.caption = caption + QStringLiteral(" - ") + name;
                e.enabled = true;
            }
        }
    }
    return menu;
}

PortCatalogue numberDevices(const QMap<int, QString> &linked, const QMap<QString, QString> &found)
{
    PortCatalogue cat;
    QMap<int, QString> label;
    for (auto it = linked.cbegin(); it != linked.cend(); ++it) {
        cat.devices.insert(it.key(), it.value());
        PortIdentity id;
        id.link = it.key();
        id.path = it.value();
        cat.identities.insert(it.key(), id);
        label.insert(it.key(), QStringLiteral("SDI-12 port link %1 (COM%2)").arg(it.value()).arg(it.key()));
    }
    int next = 1;
    for (auto it = found.cbegin(); it != found.cend(); ++it) {
        const QString canonical = QFileInfo(it.key()).canonicalFilePath();
        bool already = false;
        for (const QString &dev : std::as_const(cat.devices))
            if (dev == it.key() || (!canonical.isEmpty() && QFileInfo(dev).canonicalFilePath() == canonical))
                already = true;
        if (already)
            continue;
        while (next <= 16 && cat.devices.contains(next))
            ++next;
        if (next > 16)
            break;
        const QString description = it.value().isEmpty() ? QStringLiteral("Serial Port") : it.value();
        cat.devices.insert(next, it.key());
        PortIdentity id;
        id.path = it.key();
        cat.identities.insert(next, id);
        label.insert(next, QStringLiteral("%1 %2 (COM%3)").arg(description, it.key()).arg(next));
    }
    cat.names = label.values();
    return cat;
}

void identify(PortCatalogue &cat, const QList<DeviceInfo> &infos)
{
    for (auto it = cat.identities.begin(); it != cat.identities.end(); ++it) {
        if (it->link != 0)
            continue;
        for (const DeviceInfo &info : infos) {
            if (info.location != it->path && info.portName != it->path)
                continue;
            it->serialNumber = info.serialNumber;
            if (info.vendor >= 0 && info.product >= 0) {
                it->vendor = info.vendor;
                it->product = info.product;
            }
        }
    }
}

namespace {
QList<DeviceInfo> described(const QList<QSerialPortInfo> &infos)
{
    QList<DeviceInfo> out;
    for (const QSerialPortInfo &i : infos)
        out.push_back({i.systemLocation(), i.portName(), i.serialNumber(),
                       i.hasVendorIdentifier() ? int(i.vendorIdentifier()) : -1,
                       i.hasProductIdentifier() ? int(i.productIdentifier()) : -1});
    return out;
}
} // namespace

PortCatalogue systemCatalogue()
{
    const QList<QSerialPortInfo> infos = QSerialPortInfo::availablePorts();
#ifdef Q_OS_WIN
    PortCatalogue cat;
    for (const QSerialPortInfo &info : infos) {
        cat.names.push_back(info.description() + QStringLiteral(" (") + info.portName() + QLatin1Char(')'));
        const QString pn = info.portName();
        if (pn.startsWith(QLatin1String("COM"))) {
            bool ok = false;
            const int n = pn.mid(3).toInt(&ok);
            if (ok) {
                cat.devices.insert(n, pn);
                PortIdentity id;
                id.path = pn;
                cat.identities.insert(n, id);
            }
        }
    }
    identify(cat, described(infos));
    return cat;
#else
    QMap<QString, QString> found;
    for (const QSerialPortInfo &info : infos)
        found.insert(info.systemLocation(), info.description());
    PortCatalogue cat = numberDevices(portdir::linkedPorts(), found);
    identify(cat, described(infos));
    return cat;
#endif
}

} // namespace ports
