// SPDX-License-Identifier: GPL-3.0-or-later
#include "ptypair.h"

#include <QDeadlineTimer>

#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

PtyPair::PtyPair()
{
    int master = -1;
    int slave = -1;
    char name[256] = {};
    if (::openpty(&master, &slave, name, nullptr, nullptr) != 0)
        return;
    termios tio{};
    ::tcgetattr(slave, &tio);
    ::cfmakeraw(&tio);
    ::tcsetattr(slave, TCSANOW, &tio);
    ::fcntl(master, F_SETFL, ::fcntl(master, F_GETFL) | O_NONBLOCK);
    ::fcntl(master, F_SETFD, FD_CLOEXEC);
    ::fcntl(slave, F_SETFD, FD_CLOEXEC);
    m_master = master;
    // Kept open so that the master neither reports a hang-up nor fails reads
    // before the product opens the slave.
    m_slaveKeepAlive = slave;
    m_slavePath = QString::fromLocal8Bit(name);
}

PtyPair::~PtyPair()
{
    hangUp();
}

QByteArray PtyPair::readAtLeast(qsizetype count, int timeoutMs)
{
    QByteArray out;
    char buffer[4096];
    const QDeadlineTimer deadline(timeoutMs);
    while (out.size() < count && !deadline.hasExpired() && m_master >= 0) {
        pollfd fd{m_master, POLLIN, 0};
        ::poll(&fd, 1, int(std::max<qint64>(1, deadline.remainingTime())));
        const ssize_t n = ::read(m_master, buffer, sizeof buffer);
        if (n > 0)
            out.append(buffer, n);
    }
    return out;
}

void PtyPair::write(const QByteArray &bytes)
{
    qsizetype done = 0;
    while (m_master >= 0 && done < bytes.size()) {
        const ssize_t n = ::write(m_master, bytes.constData() + done, size_t(bytes.size() - done));
        if (n > 0) {
            done += n;
            continue;
        }
        if (n < 0 && errno != EAGAIN && errno != EINTR)
            return;
        pollfd fd{m_master, POLLOUT, 0};
        ::poll(&fd, 1, 1000);
    }
}

void PtyPair::hangUp()
{
    if (m_slaveKeepAlive >= 0)
        ::close(m_slaveKeepAlive);
    if (m_master >= 0)
        ::close(m_master);
    m_slaveKeepAlive = m_master = -1;
}
