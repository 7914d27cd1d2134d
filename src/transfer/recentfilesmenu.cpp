// SPDX-License-Identifier: GPL-3.0-or-later
#include "transfer/recentfilesmenu.h"

#include <QDir>
#include <QFileInfo>

RecentFilesMenu::RecentFilesMenu(SettingsStore &store, QWidget *parent)
    : QMenu(QStringLiteral("Fichiers &récents"), parent), m_files(store)
{
    setObjectName(QStringLiteral("mnuRecent"));
    connect(this, &QMenu::aboutToShow, this, &RecentFilesMenu::fill);
}

void RecentFilesMenu::fill()
{
    clear();
    const QStringList &paths = m_files.paths();
    for (int i = 0; i < paths.size(); ++i) {
        QAction *entry = addAction(RecentFiles::entryText(i, QDir::toNativeSeparators(paths[i])));
        entry->setObjectName(QStringLiteral("mnuRecent%1").arg(i + 1));
        connect(entry, &QAction::triggered, this, [this, path = paths[i]] { pick(path); });
    }
}

void RecentFilesMenu::pick(const QString &path)
{
    if (QFileInfo::exists(path)) {
        emit chosen(path);
        return;
    }
    m_files.remove(path);
    emit missing(QStringLiteral("Fichier introuvable : %1 — retiré des fichiers récents. Choisissez-le avec Ouvrir "
                                "s'il a été déplacé.")
                     .arg(QDir::toNativeSeparators(path)));
}
