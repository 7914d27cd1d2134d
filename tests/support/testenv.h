// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "serial/portresolver.h"
#include "settings/settingsstore.h"

#include <QTemporaryDir>

#include <memory>

// A settings file of the test's own, in a temporary folder: no test touches
// the user's settings, and parallel tests do not share one.
struct TempSettings
{
    QTemporaryDir dir;
    SettingsStore store{dir.filePath(QStringLiteral("KORVEX Terminal.ini"))};

    void mapPort(int port, const QString &device)
    {
        store.save(SettingsStore::PortsSection, QStringLiteral("Com%1").arg(port), device);
    }
    void storeProperties(const QString &settings, const QString &port, const QString &handshaking, const QString &echo)
    {
        store.save(SettingsStore::PropertiesSection, QStringLiteral("Settings"), settings);
        store.save(SettingsStore::PropertiesSection, QStringLiteral("CommPort"), port);
        store.save(SettingsStore::PropertiesSection, QStringLiteral("Handshaking"), handshaking);
        store.save(SettingsStore::PropertiesSection, QStringLiteral("Echo"), echo);
    }
    // Settings, CommPort, Handshaking and Echo as stored; "-" for each one absent.
    QString properties() const
    {
        QStringList values;
        for (const char *key : {"Settings", "CommPort", "Handshaking", "Echo"})
            values << store.get(SettingsStore::PropertiesSection, QLatin1String(key), QStringLiteral("-"));
        return values.join(u' ');
    }
};

// Device lists for the resolver: none present, so only mapped ports exist.
inline QList<SerialDevice> noDevices()
{
    return {};
}
inline QStringList noConsoles()
{
    return {};
}
