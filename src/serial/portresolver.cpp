// SPDX-License-Identifier: GPL-3.0-or-later
#include "serial/portresolver.h"

#include "settings/settingsstore.h"

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSerialPortInfo>

#include <algorithm>

QString deviceDescription(const SerialDevice &device)
{
    QStringList parts;
    if (!device.description.isEmpty())
        parts << device.description;
    // Some adapters give their maker as their product too.
    if (!device.manufacturer.isEmpty() && device.manufacturer != device.description)
        parts << device.manufacturer;
    if (!device.serialNumber.isEmpty())
        parts << QStringLiteral("n° ") + device.serialNumber;
    return parts.join(QStringLiteral(", "));
}

PortResolver::PortResolver(const SettingsStore *store, DeviceLister devices, ConsoleLister consoles)
    : m_store(store), m_devices(std::move(devices)), m_consoles(std::move(consoles))
{
}

QString PortResolver::resolve(int port) const
{
    if (port < 1)
        return {};
#ifdef Q_OS_WIN
    return QStringLiteral("COM%1").arg(port);
#else
    if (m_store) {
        QString mapped = m_store->get(SettingsStore::PortsSection, QStringLiteral("Com%1").arg(port)).trimmed();
        if (!mapped.isEmpty())
            return mapped;
    }
    const QList<SerialDevice> ordered = candidates(m_devices(), m_consoles());
    if (port > ordered.size())
        return {};
    return ordered.at(port - 1).systemLocation;
#endif
}

std::optional<SerialDevice> PortResolver::presentDevice(const QString &path) const
{
    if (path.isEmpty())
        return std::nullopt;
    const QString real = QFileInfo(path).canonicalFilePath();
    for (const SerialDevice &device : m_devices()) {
        if (device.systemLocation == path || (!real.isEmpty() && device.systemLocation == real))
            return device;
    }
    // A mapped pty or link is present when it exists, though no lister shows it.
    if (!real.isEmpty())
        return SerialDevice{QFileInfo(real).fileName(), real, {}, {}, {}};
    return std::nullopt;
}

QList<SerialDevice> PortResolver::systemDevices()
{
    QList<SerialDevice> devices;
    for (const QSerialPortInfo &info : QSerialPortInfo::availablePorts())
        devices.append(
            {info.portName(), info.systemLocation(), info.description(), info.manufacturer(), info.serialNumber()});
    return devices;
}

QStringList PortResolver::systemConsoles()
{
    QFile file(QStringLiteral("/proc/consoles"));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return parseConsoles(QString::fromLocal8Bit(file.readAll()));
}

QStringList PortResolver::parseConsoles(const QString &procConsoles)
{
    // Each line starts with the device name: "ttyS0                -W- (EC p a)    4:64".
    QStringList names;
    for (const QString &line : procConsoles.split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
        const QString name = line.section(QLatin1Char(' '), 0, 0, QString::SectionSkipEmpty);
        if (!name.isEmpty())
            names.append(name);
    }
    return names;
}

QList<SerialDevice> PortResolver::candidates(QList<SerialDevice> devices, const QStringList &consoles)
{
    devices.removeIf([&](const SerialDevice &device) { return consoles.contains(device.portName); });

    static const QRegularExpression trailingNumber(QStringLiteral("^(.*?)(\\d*)$"));
    auto group = [](const QString &name) {
        if (name.startsWith(QLatin1String("ttyUSB")))
            return 0;
        if (name.startsWith(QLatin1String("ttyACM")))
            return 1;
        return 2;
    };
    auto key = [&](const SerialDevice &device) {
        const auto match = trailingNumber.match(device.portName);
        const QString stem = match.captured(1);
        const QString digits = match.captured(2);
        return std::make_tuple(group(device.portName), stem, digits.isEmpty() ? -1LL : digits.toLongLong(),
                               device.portName);
    };
    std::stable_sort(devices.begin(), devices.end(),
                     [&](const SerialDevice &a, const SerialDevice &b) { return key(a) < key(b); });
    return devices;
}
