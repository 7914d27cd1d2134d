// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QHash>
#include <QString>
#include <QStringList>

#include <functional>

// The per-user settings store: text values by section and key in an INI file.
// Its owner chooses the file (the user's by default), so each test has its own.
// Keys the user's file lacks are read from the system-wide files, where an
// administrator sets a lab's defaults once for every account; changes go to
// the user's file only.
class SettingsStore
{
public:
    static inline const QString PropertiesSection = QStringLiteral("Properties");
    static inline const QString PortsSection = QStringLiteral("Ports");

    // Told once, of the first save that could not be written: the file and why.
    using FailureReporter = std::function<void(const QString &fileName, const QString &reason)>;

    explicit SettingsStore(QString fileName = userFileName(), QStringList systemFiles = {});

    // The user's file: $XDG_CONFIG_HOME/KORVEX Terminal.ini on Linux.
    static QString userFileName();
    // "KORVEX Terminal.ini" in each folder of XDG_CONFIG_DIRS (/etc/xdg when
    // unset), the first one the strongest.
    static QStringList systemFileNames();

    const QString &fileName() const { return m_fileName; }

    // The stored text, or the default when the key is absent. Whatever an
    // edited file holds comes back as text, never as a list or a failure.
    QString get(const QString &section, const QString &key, const QString &defaultText = {}) const;
    // Creates or replaces the value. When the file cannot be written, the
    // value is kept for this run and the reporter is told (the first time).
    void save(const QString &section, const QString &key, const QString &text);

    void setFailureReporter(FailureReporter reporter) { m_reportFailure = std::move(reporter); }

    // Why the file cannot be written, in French, from what the system shows.
    static QString saveFailureReason(const QString &fileName);

private:
    QString m_fileName;
    QStringList m_systemFiles;
    QHash<QString, QString> m_unsaved;
    FailureReporter m_reportFailure;
    bool m_failureReported = false;
};
