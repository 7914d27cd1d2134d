// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

class SettingsStore;

struct SerialDevice
{
    QString portName;       // "ttyUSB0"
    QString systemLocation; // "/dev/ttyUSB0"
    QString description;    // the product, "FT232R USB UART"; may be empty
    QString manufacturer;   // "FTDI"; may be empty
    QString serialNumber;   // "A50285BI"; may be empty
};

// What the system knows of the adapter, for the user: product, maker and
// serial number, those known; empty when none is.
QString deviceDescription(const SerialDevice &device);

// Turns a port number (1 = first) into a device path, anew at every open.
// On Windows port N is COMN. Elsewhere the "Ports" section of the settings
// store may name the device (Com1=/dev/ttyUSB0, or a pty link); otherwise port
// N is the N-th present device: USB adapters, then CDC-ACM, then the others,
// each group in numeric order, never the system console.
class PortResolver
{
public:
    using DeviceLister = std::function<QList<SerialDevice>()>;
    using ConsoleLister = std::function<QStringList()>;

    explicit PortResolver(const SettingsStore *store = nullptr, DeviceLister devices = systemDevices,
                          ConsoleLister consoles = systemConsoles);

    // The device for the port, or empty when there is none.
    QString resolve(int port) const;
    // The present device the path names, for showing to the user.
    std::optional<SerialDevice> presentDevice(const QString &path) const;

    static QList<SerialDevice> systemDevices();
    // Names of the devices that are the system console ("ttyS0"), from /proc/consoles.
    static QStringList systemConsoles();
    static QStringList parseConsoles(const QString &procConsoles);
    // The auto-detection order, console devices left out.
    static QList<SerialDevice> candidates(QList<SerialDevice> devices, const QStringList &consoles);

private:
    const SettingsStore *m_store;
    DeviceLister m_devices;
    ConsoleLister m_consoles;
};
