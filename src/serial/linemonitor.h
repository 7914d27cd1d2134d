// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "serial/commevents.h"

#include <QObject>
#include <QTimer>

// Watches an open serial device for modem-line changes and line errors, which
// the port layer does not report: polls the modem lines (CTS, DSR, CD, ring)
// and the kernel's line-error counters, and emits the event code of each
// rise. What the device does not support (a pty) is dropped silently for the
// rest of this open.
class LineMonitor : public QObject
{
    Q_OBJECT
public:
    static constexpr int PollIntervalMs = 50;

    explicit LineMonitor(QObject *parent = nullptr);

    void start(int fd);
    void stop();
    bool isWatching() const { return m_timer.isActive(); }

    // The event codes that one poll yields, from the previous and current
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

    QTimer m_timer;
    int m_fd = -1;
    bool m_haveLines = false;
    bool m_haveCounters = false;
    Reading m_last;
};
