// SPDX-License-Identifier: GPL-3.0-or-later
#include "serial/portresolver.h"

#include "settings/settingsstore.h"

#include <QDir>
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

QString deviceDetails(const SerialDevice &device)
{
    QStringList parts;
    const QString about = deviceDescription(device);
    if (!about.isEmpty())
        parts << about;
    if (!device.usbId.isEmpty())
        parts << QStringLiteral("USB ") + device.usbId;
    if (!device.driver.isEmpty())
        parts << QStringLiteral("pilote ") + device.driver;
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
    QString mapped = mappedDevice(port);
    if (!mapped.isEmpty())
        return mapped;
    return nthDevice(port);
#endif
}

QString PortResolver::nthDevice(int port) const
{
    const QList<SerialDevice> ordered = choosableDevices();
    if (port < 1 || port > ordered.size())
        return {};
    return ordered.at(port - 1).systemLocation;
}

QString PortResolver::mappedDevice(int port) const
{
#ifdef Q_OS_WIN
    Q_UNUSED(port);
    return {};
#else
    if (!m_store)
        return {};
    return m_store->get(SettingsStore::PortsSection, QStringLiteral("Com%1").arg(port)).trimmed();
#endif
}

std::optional<SerialDevice> PortResolver::presentDevice(const QString &path) const
{
    if (path.isEmpty())
        return std::nullopt;
    const QString real = QFileInfo(path).canonicalFilePath();
    for (const SerialDevice &device : m_devices()) {
        if (device.systemLocation == path || device.stableName == path
            || (!real.isEmpty() && device.systemLocation == real))
            return device;
    }
    // A mapped pty or link is present when it exists, though no lister shows it.
    if (!real.isEmpty())
        return SerialDevice{QFileInfo(real).fileName(), real, {}, {}, {}, {}, {}, {}};
    return std::nullopt;
}

QList<SerialDevice> PortResolver::systemDevices()
{
    QList<SerialDevice> devices;
    for (const QSerialPortInfo &info : QSerialPortInfo::availablePorts()) {
        SerialDevice device{info.portName(),
                            info.systemLocation(),
                            info.description(),
                            info.manufacturer(),
                            info.serialNumber(),
                            {},
                            {},
                            {}};
        if (info.hasVendorIdentifier() && info.hasProductIdentifier())
            device.usbId = QStringLiteral("%1:%2")
                               .arg(info.vendorIdentifier(), 4, 16, QLatin1Char('0'))
                               .arg(info.productIdentifier(), 4, 16, QLatin1Char('0'));
        devices.append(device);
    }
    addSystemNames(devices, QStringLiteral("/dev/serial/by-id"), QStringLiteral("/sys/class/tty"));
    return devices;
}

void PortResolver::addSystemNames(QList<SerialDevice> &devices, const QString &byIdFolder,
                                  const QString &ttyClassFolder)
{
    const QFileInfoList links = QDir(byIdFolder).entryInfoList(QDir::System | QDir::Files, QDir::Name);
    for (SerialDevice &device : devices) {
        const QString real = QFileInfo(device.systemLocation).canonicalFilePath();
        for (const QFileInfo &link : links) {
            if (!real.isEmpty() && link.canonicalFilePath() == real) {
                device.stableName = link.absoluteFilePath();
                break;
            }
        }
        // /sys/class/tty/ttyUSB0/device/driver links to the driver's folder, named after it.
        const QFileInfo driver(ttyClassFolder + QLatin1Char('/') + device.portName + QStringLiteral("/device/driver"));
        if (driver.isSymLink())
            device.driver = QFileInfo(driver.symLinkTarget()).fileName();
    }
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
