// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringList>

class SettingsStore;

// The last program files chosen, newest first, kept in the settings file
// (section "Files", keys "Recent1" to "Recent5") so that they outlive the run.
// Read once; every change is written through.
class RecentFiles
{
public:
    static constexpr int Capacity = 5;

    explicit RecentFiles(SettingsStore &store);

    const QStringList &paths() const { return m_paths; }
    // Puts the file first, once; the oldest beyond the capacity goes.
    void add(const QString &path);
    void remove(const QString &path);

    // A menu entry: access key, file name, and where it is ("~" for home).
    static QString entryText(int index, const QString &path);

private:
    void store(const QStringList &paths);

    SettingsStore &m_store;
    QStringList m_paths;
};
