// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QFileSystemWatcher>
#include <QObject>
#include <QTimer>

#include <functional>

// Waits for a lost device to come back and reopens the port. It watches the
// folders where device nodes and their links appear (/dev, /dev/serial/by-id,
// the folder of the port's own path), so an unplugged adapter costs no
// wake-up; where nothing can be watched, a light timer looks instead. A
// device that is back but refuses to open (its permissions come a moment
// after its node) is tried again shortly. What "the same device" is and how
// the port opens are the owner's (the port number resolved afresh, the same
// settings).
class Reconnector final : public QObject
{
    Q_OBJECT
public:
    struct Link
    {
        std::function<bool()> devicePresent;  // the device the port resolves to exists now
        std::function<bool()> reopen;         // opens the port; false when it could not (yet)
        std::function<QString()> device = {}; // the path the port resolves to, for its folder
    };

    static constexpr int IntervalMilliseconds = 500; // without a watch
    static constexpr int RetryMilliseconds = 100;    // present, not openable yet
    static constexpr int QuickRetries = 30;          // then as slowly as without a watch

    explicit Reconnector(Link link, QObject *parent = nullptr);

    // Starts waiting (after a device loss).
    void watch();
    // Stops waiting: the user took the port in hand, or the window closes.
    void stop();
    bool isWatching() const { return m_watching; }
    // Looking on a timer: nothing to watch, or a device back but not openable yet.
    bool isPolling() const { return m_timer.isActive(); }

    // The folders watched for the port's device at that path.
    static QStringList foldersFor(const QString &device);

signals:
    // The port is open again; the waiting has stopped.
    void reconnected();

private:
    void check();
    void watchFolders();

    Link m_link;
    QFileSystemWatcher m_folders;
    QTimer m_timer;
    bool m_watching = false;
    int m_retries = 0;
};
