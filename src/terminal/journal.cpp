// SPDX-License-Identifier: GPL-3.0-or-later
#include "terminal/journal.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

// The usual causes in the user's words; the system's own text otherwise.
QString reasonOf(const QFile &file)
{
    const QFileInfo info(file.fileName());
    const QFileInfo folder(info.absolutePath());
    if (folder.exists() && !folder.isDir())
        return QStringLiteral("%1 est un fichier, pas un dossier.").arg(QDir::toNativeSeparators(folder.filePath()));
    if (!folder.exists())
        return QStringLiteral("Le dossier %1 n'existe plus (supprimé, renommé, ou clé USB retirée).")
            .arg(QDir::toNativeSeparators(info.absolutePath()));
    if (!info.exists())
        return QStringLiteral("Le fichier a été supprimé ou déplacé pendant la session.");
    return file.errorString();
}

} // namespace

Journal::Journal(QObject *parent) : QObject(parent)
{
    m_flushTimer.setSingleShot(true);
    m_flushTimer.setInterval(FlushMilliseconds);
    connect(&m_flushTimer, &QTimer::timeout, this, [this] { writePending(); });
}

Journal::~Journal()
{
    // Nobody is left to hear of a failure here: the window stops it first.
    const QSignalBlocker quiet(this);
    stop();
}

bool Journal::start(const QString &path)
{
    stop();
    m_path = path;
    m_written = 0;
    QFile file(path);
    if (!file.open(QIODevice::Append)) {
        fail(reasonOf(file));
        return false;
    }
    return true;
}

bool Journal::stop()
{
    if (!isRunning())
        return true;
    const bool written = writePending();
    m_path.clear();
    return written;
}

void Journal::append(QStringView text)
{
    if (!isRunning() || text.isEmpty())
        return;
    m_pending += text.toLatin1();
    if (m_pending.size() >= BlockBytes)
        writePending();
    else if (!m_flushTimer.isActive())
        m_flushTimer.start();
}

// One open, one write, one close for the whole block. False (the journal
// then has stopped and said why) when the block could not be written.
bool Journal::writePending()
{
    m_flushTimer.stop();
    if (m_pending.isEmpty())
        return true;
    QFile file(m_path);
    if (!file.open(QIODevice::Append | QIODevice::ExistingOnly | QIODevice::Unbuffered)) {
        fail(reasonOf(file));
        return false;
    }
    const qint64 written = file.write(m_pending);
    if (written > 0) {
        m_written += written;
        m_pending.remove(0, written);
    }
    if (!m_pending.isEmpty()) {
        fail(file.errorString());
        return false;
    }
    return true;
}

void Journal::fail(const QString &reason)
{
    const QString file = m_path;
    const qint64 lost = m_pending.size();
    m_flushTimer.stop();
    m_pending.clear();
    m_path.clear();
    emit failed(file, reason, m_written, lost);
}
