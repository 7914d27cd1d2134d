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
    QString usbId;          // USB vendor:product, "0403:6001"; empty when not USB
    QString stableName;     // "/dev/serial/by-id/usb-FTDI_…-if00-port0"; may be empty
    QString driver;         // the kernel's driver, "ftdi_sio"; may be empty

    // The name to keep for this device: the same adapter in any USB socket.
    QString lastingName() const { return stableName.isEmpty() ? systemLocation : stableName; }
};

// What the system knows of the adapter, for the user: product, maker and
// serial number, those known; empty when none is.
QString deviceDescription(const SerialDevice &device);
// All the system knows: the above, vendor:product and driver.
QString deviceDetails(const SerialDevice &device);

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
    // Port N by the order of the devices present, whatever "Ports" says.
    QString nthDevice(int port) const;
    // The device the "Ports" section names for the port, or empty.
    QString mappedDevice(int port) const;
    // The devices the user may choose from, console excluded, in port order.
    QList<SerialDevice> choosableDevices() const { return candidates(m_devices(), m_consoles()); }

    static QList<SerialDevice> systemDevices();
    // Adds the stable names (links in byIdFolder) and drivers (from the
    // sysfs tty class folder) to the devices.
    static void addSystemNames(QList<SerialDevice> &devices, const QString &byIdFolder, const QString &ttyClassFolder);
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
