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
    connect(&m_waiter, &BlockingWaiter::happened, this, &LineMonitor::poll);
    connect(&m_waiter, &BlockingWaiter::ended, this, &LineMonitor::waitEnded);
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
    if (!m_haveLines)
        return;
    m_waiter.start([fd] {
        constexpr int lines = TIOCM_CTS | TIOCM_DSR | TIOCM_CD | TIOCM_RNG;
        return ::ioctl(fd, TIOCMIWAIT, lines) == 0 ? 0 : errno;
    });
}

// A driver without the wait refuses it at once: poll instead. Any other end
// (EIO: the adapter was unplugged) is the port's to notice.
void LineMonitor::waitEnded(int error)
{
    if (m_fd >= 0 && (error == EINVAL || error == ENOTTY || error == ENOSYS))
        m_timer.start();
}

void LineMonitor::checkCounters()
{
    if (m_fd < 0 || !m_haveCounters)
        return;
    const Reading before = m_last;
    m_haveCounters = readCounters(m_fd, m_last);
    if (m_haveCounters)
        emitChanges(before);
}

void LineMonitor::poll()
{
    if (m_fd < 0)
        return;
    Reading now = m_last;
    const bool linesOk = m_haveLines && readLines(m_fd, now);
    const bool countersOk = m_haveCounters && readCounters(m_fd, now);
    m_haveLines = linesOk;
    m_haveCounters = countersOk;
    if (!linesOk) {
        m_timer.stop();
        // keep the lines as they were, so no false change shows
        now.cts = m_last.cts, now.dsr = m_last.dsr, now.cd = m_last.cd, now.ring = m_last.ring;
    }
    const Reading before = m_last;
    m_last = now;
    emitChanges(before);
}

void LineMonitor::emitChanges(const Reading &before)
{
    for (CommEventCode code : eventsBetween(before, m_last, m_haveCounters)) {
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
void LineMonitor::waitEnded(int) {}
void LineMonitor::checkCounters() {}
void LineMonitor::emitChanges(const Reading &) {}

#endif

void LineMonitor::stop()
{
    m_waiter.stop();
    m_timer.stop();
    m_fd = -1;
}
