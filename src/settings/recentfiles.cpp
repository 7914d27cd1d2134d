// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/recentfiles.h"

#include "settings/settingsstore.h"

#include <QDir>
#include <QFileInfo>

namespace {

const QString Section = QStringLiteral("Files");

QString keyOf(int index)
{
    return QStringLiteral("Recent%1").arg(index + 1);
}

QString normalised(const QString &path)
{
    return QDir::cleanPath(QFileInfo(path).absoluteFilePath());
}

} // namespace

RecentFiles::RecentFiles(SettingsStore &store) : m_store(store)
{
    for (int i = 0; i < Capacity; ++i) {
        const QString path = m_store.get(Section, keyOf(i));
        // A file edited by hand may repeat an entry or leave gaps.
        if (!path.isEmpty() && !m_paths.contains(normalised(path)))
            m_paths << normalised(path);
    }
}

void RecentFiles::add(const QString &path)
{
    QStringList updated = m_paths;
    updated.removeAll(normalised(path));
    updated.prepend(normalised(path));
    store(updated.mid(0, Capacity));
}

void RecentFiles::remove(const QString &path)
{
    QStringList updated = m_paths;
    if (updated.removeAll(normalised(path)) > 0)
        store(updated);
}

void RecentFiles::store(const QStringList &paths)
{
    // Every key: a file edited by hand may hold what the list left out.
    for (int i = 0; i < Capacity; ++i)
        m_store.save(Section, keyOf(i), paths.value(i));
    m_paths = paths;
}

QString RecentFiles::entryText(int index, const QString &path)
{
    const QFileInfo info(path);
    QString folder = QDir::toNativeSeparators(info.absolutePath());
    const QString home = QDir::toNativeSeparators(QDir::homePath());
    if (folder == home || folder.startsWith(home + QDir::separator()))
        folder = QLatin1Char('~') + folder.mid(home.size());
    // "&&" keeps an ampersand of the name from becoming an access key.
    QString name = info.fileName();
    name.replace(QLatin1Char('&'), QStringLiteral("&&"));
    folder.replace(QLatin1Char('&'), QStringLiteral("&&"));
    return QStringLiteral("&%1 %2 (%3)").arg(index + 1).arg(name, folder);
}
