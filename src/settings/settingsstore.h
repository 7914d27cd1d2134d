// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

// The per-user settings store: text values by section and key in an INI file.
// Its owner chooses the file (the user's by default), so each test has its own.
class SettingsStore
{
public:
    static inline const QString PropertiesSection = QStringLiteral("Properties");
    static inline const QString PortsSection = QStringLiteral("Ports");

    explicit SettingsStore(QString fileName = userFileName());

    // The user's file: $XDG_CONFIG_HOME/KORVEX Terminal.ini on Linux.
    static QString userFileName();

    const QString &fileName() const { return m_fileName; }

    // The stored text, or the default when the key is absent. Whatever an
    // edited file holds comes back as text, never as a list or a failure.
    QString get(const QString &section, const QString &key, const QString &defaultText = {}) const;
    // Creates or replaces the value. A failed save is not reported.
    void save(const QString &section, const QString &key, const QString &text);

private:
    QString m_fileName;
};
