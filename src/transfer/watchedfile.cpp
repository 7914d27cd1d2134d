// SPDX-License-Identifier: GPL-3.0-or-later
#include "transfer/watchedfile.h"

#include <QCryptographicHash>
#include <QFile>
#include <QFileInfo>

WatchedFile::WatchedFile(QObject *parent) : QObject(parent)
{
    m_settle.setSingleShot(true);
    m_settle.setInterval(SettleMs);
    // Every event starts the wait again: a file written in steps is looked
    // at once, when the writer is done.
    const auto restart = [this] { m_settle.start(); };
    connect(&m_watcher, &QFileSystemWatcher::fileChanged, this, restart);
    connect(&m_watcher, &QFileSystemWatcher::directoryChanged, this, restart);
    connect(&m_settle, &QTimer::timeout, this, &WatchedFile::settled);
}

void WatchedFile::follow(const QString &path)
{
    m_settle.stop();
    if (const QStringList watched = m_watcher.files() + m_watcher.directories(); !watched.isEmpty())
        m_watcher.removePaths(watched);
    m_path = path.isEmpty() ? QString() : QFileInfo(path).absoluteFilePath();
    m_last = take(m_path);
    if (!m_path.isEmpty())
        rewatch();
}

WatchedFile::Snapshot WatchedFile::take(const QString &path)
{
    Snapshot snapshot;
    QFile file(path);
    if (path.isEmpty() || !file.open(QIODevice::ReadOnly))
        return snapshot;
    const QFileInfo info(file);
    snapshot.exists = true;
    snapshot.size = info.size();
    snapshot.modified = info.lastModified();
    QCryptographicHash hash(QCryptographicHash::Sha1);
    hash.addData(&file);
    snapshot.digest = hash.result();
    return snapshot;
}

// A watch follows an inode: one renamed over, or deleted, may still be
// watched while something holds it open. The path is watched afresh, on
// whatever stands there now; the folder sees it come back.
void WatchedFile::rewatch()
{
    const QFileInfo info(m_path);
    // A folder that does not exist cannot be watched (Qt warns): nothing will come back there.
    if (!m_watcher.directories().contains(info.absolutePath()) && QFileInfo(info.absolutePath()).isDir())
        m_watcher.addPath(info.absolutePath());
    if (m_watcher.files().contains(m_path))
        m_watcher.removePath(m_path);
    if (info.exists())
        m_watcher.addPath(m_path);
}

void WatchedFile::settled()
{
    rewatch();
    const Snapshot now = take(m_path);
    if (now == m_last)
        return; // another file of the folder changed
    const bool returned = !m_last.exists;
    m_last = now;
    if (now.exists)
        emit changed(returned);
    else
        emit missing();
}
