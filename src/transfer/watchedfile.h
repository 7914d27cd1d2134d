// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QFileSystemWatcher>
#include <QObject>
#include <QString>
#include <QTimer>

// Follows one file by its path, not by its inode: assemblers and editors
// write a new file and rename it over the old one, or write in several
// steps. The file and its folder are both watched; once the path has been
// still for a moment, a change of content is reported once, and so are the
// file's disappearance and its return.
class WatchedFile : public QObject
{
    Q_OBJECT
public:
    static constexpr int SettleMs = 300;

    explicit WatchedFile(QObject *parent = nullptr);

    // Starts following `path` as it is now; an empty path stops.
    void follow(const QString &path);

signals:
    // The content differs from what it was; `returned` when the file had gone.
    void changed(bool returned);
    void missing();

private:
    struct Snapshot
    {
        bool exists = false;
        qint64 size = -1;
        QDateTime modified;
        QByteArray digest; // tells apart writes of the same size within one clock tick
        bool operator==(const Snapshot &) const = default;
    };

    static Snapshot take(const QString &path);
    void rewatch();
    void settled();

    QFileSystemWatcher m_watcher;
    QTimer m_settle;
    QString m_path;
    Snapshot m_last;
};
