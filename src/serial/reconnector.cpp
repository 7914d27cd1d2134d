// SPDX-License-Identifier: GPL-3.0-or-later
#include "serial/reconnector.h"

#include <QDir>
#include <QFileInfo>

Reconnector::Reconnector(Link link, QObject *parent) : QObject(parent), m_link(std::move(link))
{
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, &Reconnector::check);
    connect(&m_folders, &QFileSystemWatcher::directoryChanged, this, [this] {
        m_retries = 0;
        check();
    });
}

QStringList Reconnector::foldersFor(const QString &device)
{
    QStringList folders{QStringLiteral("/dev"), QStringLiteral("/dev/serial"), QStringLiteral("/dev/serial/by-id")};
    if (!device.isEmpty()) {
        // A link elsewhere (a pty in a test, a name of the user's own) comes back in its own folder.
        const QString folder = QFileInfo(device).absolutePath();
        if (!folders.contains(folder))
            folders.append(folder);
    }
    return folders;
}

void Reconnector::watch()
{
    if (m_watching)
        return;
    m_watching = true;
    m_retries = 0;
    check();
}

void Reconnector::stop()
{
    m_watching = false;
    m_timer.stop();
    if (!m_folders.directories().isEmpty())
        m_folders.removePaths(m_folders.directories());
}

// Folders appear with the first adapter (/dev/serial/by-id): add them as
// they come.
void Reconnector::watchFolders()
{
    QStringList missing;
    for (const QString &folder : foldersFor(m_link.device ? m_link.device() : QString())) {
        if (!m_folders.directories().contains(folder) && QFileInfo(folder).isDir())
            missing.append(folder);
    }
    if (!missing.isEmpty())
        m_folders.addPaths(missing);
}

void Reconnector::check()
{
    if (!m_watching)
        return;
    watchFolders();
    const bool present = m_link.devicePresent();
    if (present && m_link.reopen()) {
        stop();
        emit reconnected();
        return;
    }
    if (m_folders.directories().isEmpty())
        m_timer.start(IntervalMilliseconds);
    else if (present)
        m_timer.start(++m_retries <= QuickRetries ? RetryMilliseconds : IntervalMilliseconds);
}
