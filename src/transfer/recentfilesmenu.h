// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "settings/recentfiles.h"

#include <QMenu>

class SettingsStore;

// "Fichiers récents": the recent files, listed afresh each time it opens.
// Choosing one is reported; what it means is the window's.
class RecentFilesMenu : public QMenu
{
    Q_OBJECT
public:
    RecentFilesMenu(SettingsStore &store, QWidget *parent);

    RecentFiles &files() { return m_files; }
    bool isEmpty() const { return m_files.paths().isEmpty(); }

    // The notice for an entry whose file has gone, which then leaves the list.
    static QString missingNotice(const QString &path);

signals:
    void chosen(const QString &path);

private:
    void fill();

    RecentFiles m_files;
};
