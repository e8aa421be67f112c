#include "PortCatalogue.h"

#include "link/PortDirectory.h"

#include <QFileInfo>
#include <QSerialPortInfo>

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
        label.insert(next, QStringLiteral("%1 %2 (COM%3)").arg(description, it.key()).arg(next));
    }
    cat.names = label.values();
    return cat;
}

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
            if (ok)
                cat.devices.insert(n, pn);
        }
    }
    return cat;
#else
    QMap<QString, QString> found;
    for (const QSerialPortInfo &info : infos)
        found.insert(info.systemLocation(), info.description());
    return numberDevices(portdir::linkedPorts(), found);
#endif
}

} // namespace ports
