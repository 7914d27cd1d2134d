// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "serial/blockingwaiter.h"
#include "serial/commevents.h"

#include <QObject>
#include <QTimer>

// Watches an open serial device for modem-line changes and line errors, which
// the port layer does not report, and emits the event code of each rise.
// Where the driver can, a thread waits for the modem lines to change
// (TIOCMIWAIT), so an idle line costs nothing; elsewhere the lines are polled.
// The kernel's line-error counters are read when a line changes and when
// data arrives (checkCounters). What the device does not support (a pty) is
// dropped silently for the rest of this open.
class LineMonitor : public QObject
{
    Q_OBJECT
public:
    static constexpr int PollIntervalMs = 50;

    explicit LineMonitor(QObject *parent = nullptr);

    void start(int fd);
    void stop();
    // Polling the lines: the driver cannot wait for their changes.
    bool isPolling() const { return m_timer.isActive(); }
    bool isWaiting() const { return m_waiter.isRunning(); }
    // Data arrived: errors on the line come with it.
    void checkCounters();

    // The event codes that one reading yields, from the previous and current
    // readings; pure, so the mapping is tested without a device.
    struct Reading
    {
        bool cts = false, dsr = false, cd = false, ring = false;
        quint32 frame = 0, overrun = 0, parity = 0, brk = 0, bufferOverrun = 0;
    };
    static QList<CommEventCode> eventsBetween(const Reading &before, const Reading &now, bool withCounters);

signals:
    void lineEvent(CommEventCode code);

private:
    void poll();
    void waitEnded(int error);
    void emitChanges(const Reading &before);

    QTimer m_timer;
    BlockingWaiter m_waiter;
    int m_fd = -1;
    bool m_haveLines = false;
    bool m_haveCounters = false;
    Reading m_last;
};
