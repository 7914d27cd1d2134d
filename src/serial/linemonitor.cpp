// SPDX-License-Identifier: GPL-3.0-or-later
#include "serial/linemonitor.h"

#ifdef Q_OS_LINUX
#include <cerrno>
#include <linux/serial.h>
#include <sys/ioctl.h>
#endif

LineMonitor::LineMonitor(QObject *parent) : QObject(parent)
{
    m_timer.setInterval(PollIntervalMs);
    connect(&m_timer, &QTimer::timeout, this, &LineMonitor::poll);
}

QList<CommEventCode> LineMonitor::eventsBetween(const Reading &before, const Reading &now, bool withCounters)
{
    using Code = CommEventCode;
    QList<Code> codes;
    if (before.cts != now.cts)
        codes.append(Code::Cts);
    if (before.dsr != now.dsr)
        codes.append(Code::Dsr);
    if (before.cd != now.cd)
        codes.append(Code::Cd);
    if (!before.ring && now.ring)
        codes.append(Code::Ring);
    if (withCounters) {
        if (now.brk != before.brk)
            codes.append(Code::Break);
        if (now.frame != before.frame)
            codes.append(Code::Frame);
        if (now.overrun != before.overrun)
            codes.append(Code::Overrun);
        if (now.bufferOverrun != before.bufferOverrun)
            codes.append(Code::ReceiveOverflow);
        if (now.parity != before.parity)
            codes.append(Code::Parity);
    }
    return codes;
}

#ifdef Q_OS_LINUX

namespace {
bool readLines(int fd, LineMonitor::Reading &reading)
{
    int status = 0;
    if (::ioctl(fd, TIOCMGET, &status) != 0)
        return false;
    reading.cts = status & TIOCM_CTS;
    reading.dsr = status & TIOCM_DSR;
    reading.cd = status & TIOCM_CD;
    reading.ring = status & TIOCM_RI;
    return true;
}

bool readCounters(int fd, LineMonitor::Reading &reading)
{
    serial_icounter_struct counters{};
    if (::ioctl(fd, TIOCGICOUNT, &counters) != 0)
        return false;
    reading.frame = quint32(counters.frame);
    reading.overrun = quint32(counters.overrun);
    reading.parity = quint32(counters.parity);
    reading.brk = quint32(counters.brk);
    reading.bufferOverrun = quint32(counters.buf_overrun);
    return true;
}
} // namespace

void LineMonitor::start(int fd)
{
    m_fd = fd;
    m_last = {};
    m_haveLines = readLines(fd, m_last);
    m_haveCounters = readCounters(fd, m_last);
    if (m_haveLines || m_haveCounters)
        m_timer.start();
}

void LineMonitor::poll()
{
    Reading now = m_last;
    const bool linesOk = m_haveLines && readLines(m_fd, now);
    const bool countersOk = m_haveCounters && readCounters(m_fd, now);
    m_haveLines = linesOk;
    m_haveCounters = countersOk;
    if (!linesOk && !countersOk) {
        m_timer.stop();
        return;
    }
    const Reading before = m_last;
    m_last = now;
    if (!linesOk) // keep the lines as they were, so no false change shows
        m_last.cts = before.cts, m_last.dsr = before.dsr, m_last.cd = before.cd, m_last.ring = before.ring;
    for (CommEventCode code : eventsBetween(before, m_last, countersOk)) {
        if (m_fd < 0) // a handler of the previous code closed the port
            return;
        emit lineEvent(code);
    }
}

#else

// Other hosts: nothing to poll yet; the port layer reports what it can.
void LineMonitor::start(int fd)
{
    m_fd = fd;
}
void LineMonitor::poll() {}

#endif

void LineMonitor::stop()
{
    m_timer.stop();
    m_fd = -1;
}
