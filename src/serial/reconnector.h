// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QTimer>

#include <functional>

// Waits for a lost device to come back and reopens the port: a light timer
// that runs only while waiting, so an idle program stays idle. What "the same
// device" is and how the port opens are the owner's (the port number
// resolved afresh, the same settings).
class Reconnector final : public QObject
{
    Q_OBJECT
public:
    struct Link
    {
        std::function<bool()> devicePresent; // the device the port resolves to exists now
        std::function<bool()> reopen;        // opens the port; false when it could not (yet)
    };

    static constexpr int IntervalMilliseconds = 500;

    explicit Reconnector(Link link, QObject *parent = nullptr);

    // Starts waiting (after a device loss).
    void watch();
    // Stops waiting: the user took the port in hand, or the window closes.
    void stop() { m_timer.stop(); }
    bool isWatching() const { return m_timer.isActive(); }

signals:
    // The port is open again; the waiting has stopped.
    void reconnected();

private:
    void check();

    Link m_link;
    QTimer m_timer;
};
