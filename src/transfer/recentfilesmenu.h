// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "settings/recentfiles.h"

#include <QMenu>

class SettingsStore;

// "Fichiers récents": the recent files, listed afresh each time it opens.
// Choosing one is reported, what it means is the window's; one whose file
// has gone leaves the list, and the notice saying so is reported instead.
class RecentFilesMenu : public QMenu
{
    Q_OBJECT
public:
    RecentFilesMenu(SettingsStore &store, QWidget *parent);

    RecentFiles &files() { return m_files; }
    bool isEmpty() const { return m_files.paths().isEmpty(); }

signals:
    void chosen(const QString &path);
    void missing(const QString &notice);

private:
    void fill();
    void pick(const QString &path);

    RecentFiles m_files;
};
