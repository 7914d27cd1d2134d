// SPDX-License-Identifier: GPL-3.0-or-later
#include "serial/portreader.h"

#include <QSocketNotifier>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <poll.h>
#include <unistd.h>
#endif

namespace {

// One pass takes at most this much, so that a flood still lets the window
// paint and take keys between passes.
constexpr qsizetype PassLimit = 64 * 1024;
// Small reads in a row, each at a wake-up, before reads wait for a frame: a
// fast stream that happens to hand over a little once is not slowed down.
constexpr int SmallReadsBeforeWaiting = 3;
// ...and none large for this long: a fast stream between two large reads
// must not wait a frame while the line fills the kernel's buffer.
constexpr qint64 QuietAfterLargeMs = 250;

#ifdef Q_OS_UNIX
// A hung-up device is readable and reads nothing, again and again.
bool hungUp(int fd)
{
    pollfd watch{fd, POLLIN, 0};
    return ::poll(&watch, 1, 0) == 1 && (watch.revents & (POLLHUP | POLLERR | POLLNVAL));
}
#endif

} // namespace

PortReader::PortReader(QObject *parent) : QObject(parent)
{
    m_frame.setSingleShot(true);
    m_frame.setInterval(FrameMilliseconds);
    connect(&m_frame, &QTimer::timeout, this, [this] { follow(readAvailable(false), false); });
}

PortReader::~PortReader()
{
    stop();
}

void PortReader::start(int fd)
{
    stop();
    m_fd = fd;
    m_smallReads = 0;
    m_notifier = new QSocketNotifier(qintptr(fd), QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, [this] {
        m_notifier->setEnabled(false);
        follow(readAvailable(true), true);
    });
}

void PortReader::stop()
{
    m_frame.stop();
    if (m_notifier) {
        // It may be the sender of the signal that led here.
        m_notifier->setEnabled(false);
        m_notifier->deleteLater();
        m_notifier = nullptr;
    }
    m_fd = -1;
    m_buffer.clear();
}

void PortReader::expectAnswer()
{
    m_smallReads = 0;
    if (!m_frame.isActive())
        return;
    m_frame.stop();
    m_notifier->setEnabled(true);
}

void PortReader::readNow()
{
    if (!isReading())
        return;
    m_frame.stop();
    follow(readAvailable(false), false);
}

QByteArray PortReader::take()
{
    return std::exchange(m_buffer, QByteArray());
}

PortReader::Outcome PortReader::readAvailable(bool woken)
{
#ifdef Q_OS_UNIX
    qsizetype total = 0;
    char chunk[4096];
    while (total < PassLimit) {
        const ssize_t count = ::read(m_fd, chunk, sizeof chunk);
        if (count < 0 && errno == EINTR)
            continue;
        if (count < 0 && errno != EAGAIN && errno != EWOULDBLOCK)
            return Outcome{total, true};
        if (count <= 0)
            break;
        m_buffer.append(chunk, count);
        total += count;
        if (count < qsizetype(sizeof chunk)) // drained: save the read that says so
            break;
    }
    return Outcome{total, total == 0 && woken && hungUp(m_fd)};
#else
    Q_UNUSED(woken);
    return Outcome{0, true};
#endif
}

void PortReader::follow(Outcome outcome, bool woken)
{
    if (outcome.lost) {
        m_frame.stop();
        m_notifier->setEnabled(false);
        if (outcome.bytes > 0)
            emit received();
        if (isReading())
            emit failed();
        return;
    }
    // Decide the next read before handing the bytes on: their handler may
    // send something and ask for its answer at once.
    const bool small = outcome.bytes < LargeRead;
    m_smallReads = small && outcome.bytes > 0 ? m_smallReads + 1 : 0;
    if (!small)
        m_sinceLarge.start();
    const bool slowLine = m_smallReads >= SmallReadsBeforeWaiting
                          && (!m_sinceLarge.isValid() || m_sinceLarge.elapsed() > QuietAfterLargeMs);
    // Readable with nothing to read, or a slow line: look again a frame later.
    const bool emptyWake = woken && outcome.bytes == 0;
    if (emptyWake || slowLine)
        m_frame.start();
    else
        m_notifier->setEnabled(true);
    if (outcome.bytes > 0)
        emit received();
}
