// SPDX-License-Identifier: GPL-3.0-or-later
#include "simulatedboard.h"

#include <QSocketNotifier>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>

#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

namespace {

constexpr qint64 NsPerMs = 1000000;
constexpr qsizetype CompactAbove = 1 << 20;

QString systemError(const char *what)
{
    return QStringLiteral("%1: %2").arg(QLatin1String(what), QString::fromLocal8Bit(std::strerror(errno)));
}

} // namespace

SimulatedBoard::SimulatedBoard(QObject *parent) : QObject(parent)
{
    m_clock.start();
    m_paceTimer.setSingleShot(true);
    m_paceTimer.setTimerType(Qt::PreciseTimer);
    connect(&m_paceTimer, &QTimer::timeout, this, &SimulatedBoard::release);
}

SimulatedBoard::~SimulatedBoard()
{
    closeDescriptors();
}

bool SimulatedBoard::open(QString *error)
{
    auto fail = [&](const QString &reason) {
        if (error)
            *error = reason;
        closeDescriptors();
        return false;
    };
    if (isOpen())
        return fail(QStringLiteral("the simulated board is already open on %1").arg(m_slavePath));

    m_master = ::posix_openpt(O_RDWR | O_NOCTTY);
    if (m_master < 0)
        return fail(systemError("cannot create a pseudo-terminal (posix_openpt)"));
    if (::fcntl(m_master, F_SETFD, FD_CLOEXEC) < 0 || ::fcntl(m_master, F_SETFL, O_NONBLOCK) < 0)
        return fail(systemError("cannot set up the pseudo-terminal master (fcntl)"));
    if (::grantpt(m_master) < 0 || ::unlockpt(m_master) < 0)
        return fail(systemError("cannot unlock the pseudo-terminal (grantpt/unlockpt)"));
    char name[128];
    if (::ptsname_r(m_master, name, sizeof name) != 0)
        return fail(systemError("cannot name the pseudo-terminal (ptsname_r)"));

    // Our own slave descriptor keeps the pty alive while no terminal has it
    // open: without it the master reports POLLHUP and EIO at once.
    m_slave = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (m_slave < 0)
        return fail(systemError("cannot open the pseudo-terminal slave"));

    // A new pty cooks and echoes; a serial line does neither.
    termios tio{};
    if (::tcgetattr(m_slave, &tio) < 0)
        return fail(systemError("cannot read the pseudo-terminal settings (tcgetattr)"));
    ::cfmakeraw(&tio);
    ::cfsetispeed(&tio, B9600);
    ::cfsetospeed(&tio, B9600);
    if (::tcsetattr(m_slave, TCSANOW, &tio) < 0)
        return fail(systemError("cannot set the pseudo-terminal raw (tcsetattr)"));

    m_slavePath = QString::fromLocal8Bit(name);
    m_readNotifier = std::make_unique<QSocketNotifier>(m_master, QSocketNotifier::Read);
    connect(m_readNotifier.get(), &QSocketNotifier::activated, this, &SimulatedBoard::onReadable);
    m_writeNotifier = std::make_unique<QSocketNotifier>(m_master, QSocketNotifier::Write);
    m_writeNotifier->setEnabled(false);
    connect(m_writeNotifier.get(), &QSocketNotifier::activated, this, &SimulatedBoard::onWritable);
    m_txFreeNs = m_rxFreeNs = 0;
    return true;
}

bool SimulatedBoard::isOpen() const
{
    return m_master >= 0;
}

QString SimulatedBoard::slavePath() const
{
    return m_slavePath;
}

void SimulatedBoard::closeDescriptors()
{
    // Notifiers go before their descriptor does.
    m_readNotifier.reset();
    m_writeNotifier.reset();
    if (m_master >= 0)
        ::close(m_master);
    if (m_slave >= 0)
        ::close(m_slave);
    m_master = m_slave = -1;
    m_slavePath.clear();
    m_paceTimer.stop();
    m_queue.clear();
    m_writeBuffer.clear();
    m_written = 0;
}

void SimulatedBoard::hangUp()
{
    if (!isOpen())
        return;
    closeDescriptors();
    emit hungUp();
}

qint64 SimulatedBoard::characterNs() const
{
    // Ten bits per character: start, eight data, stop.
    return m_lineSpeed > 0 ? 10 * 1000000000LL / m_lineSpeed : 0;
}

void SimulatedBoard::onReadable()
{
    char buffer[4096];
    for (;;) {
        const ssize_t n = ::read(m_master, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
            return;
        if (n <= 0) {
            // Cannot happen while our own slave descriptor is open.
            qWarning("korvex board: reading the pty failed: %s", n < 0 ? std::strerror(errno) : "end of file");
            hangUp();
            return;
        }

        const QByteArray chunk(buffer, n);
        emit bytesArrived(chunk);
        if (!isOpen())
            return;

        // On a real line each byte finishes arriving one character time after
        // the previous one; the board cannot answer a byte before that.
        const qint64 characterTime = characterNs();
        qint64 arrival = characterTime ? std::max(nowNs(), m_rxFreeNs) : nowNs();
        for (const char byte : chunk) {
            arrival += characterTime;
            const qsizetype linesBefore = m_monitor.loadLines().size();
            const int storedBefore = m_monitor.recordsStored();
            const qsizetype executesBefore = m_monitor.executeRequests().size();

            const BoardMonitor::Reply reply = m_monitor.receive(byte);
            if (!reply.bytes.isEmpty())
                queue(reply.bytes, arrival + (reply.answersLoadRequest ? m_replyDelayMs * NsPerMs : 0));

            if (m_monitor.executeRequests().size() > executesBefore)
                emit executeRequested(m_monitor.executeRequests().constLast());
            if (m_monitor.loadLines().size() > linesBefore) {
                emit loadLineReceived(m_monitor.loadLines().constLast(), m_monitor.recordsStored() > storedBefore);
                if (m_hangUpAfter >= 0 && m_monitor.loadLines().size() >= m_hangUpAfter)
                    hangUp();
            }
            if (!isOpen())
                return;
        }
        m_rxFreeNs = arrival;
        release();
    }
}

void SimulatedBoard::onWritable()
{
    flush();
}

void SimulatedBoard::queue(const QByteArray &bytes, qint64 notBeforeNs)
{
    m_queue.push_back({bytes, notBeforeNs});
}

void SimulatedBoard::send(const QByteArray &bytes)
{
    if (!isOpen() || bytes.isEmpty())
        return;
    queue(bytes, nowNs());
    release();
}

void SimulatedBoard::sendGreeting()
{
    if (!isOpen())
        return;
    queue(m_monitor.greeting(), nowNs());
    release();
}

qint64 SimulatedBoard::pendingOutput() const
{
    qint64 pending = m_writeBuffer.size() - m_written;
    for (const Chunk &chunk : m_queue)
        pending += chunk.bytes.size();
    return pending;
}

// Moves what is due from the queue into the write buffer, and arms the timer
// for what is not due yet.
void SimulatedBoard::release()
{
    if (!isOpen())
        return;
    const qint64 now = nowNs();
    const qint64 characterTime = characterNs();
    while (!m_queue.empty()) {
        Chunk &chunk = m_queue.front();
        const qint64 due = characterTime ? std::max(chunk.notBeforeNs, m_txFreeNs) : chunk.notBeforeNs;
        if (due > now) {
            m_paceTimer.start(int((due - now + NsPerMs - 1) / NsPerMs));
            break;
        }
        if (!characterTime) {
            m_writeBuffer += chunk.bytes;
            m_queue.pop_front();
            continue;
        }
        // Paced: every character whose departure time has come. Departures
        // are nominal, one character time apart, so a late timer catches up
        // without stretching the line.
        qsizetype count = 0;
        qint64 departure = due;
        while (count < chunk.bytes.size() && departure <= now) {
            ++count;
            departure += characterTime;
        }
        m_writeBuffer += chunk.bytes.left(count);
        m_txFreeNs = departure;
        if (count < chunk.bytes.size()) {
            chunk.bytes.remove(0, count);
            m_paceTimer.start(int((departure - now + NsPerMs - 1) / NsPerMs));
            break;
        }
        m_queue.pop_front();
    }
    flush();
}

void SimulatedBoard::flush()
{
    if (!isOpen() || m_written == m_writeBuffer.size())
        return;
    while (m_written < m_writeBuffer.size()) {
        const ssize_t n =
            ::write(m_master, m_writeBuffer.constData() + m_written, size_t(m_writeBuffer.size() - m_written));
        if (n > 0) {
            m_written += n;
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            // The pty is full: wait until the terminal side reads.
            if (m_written > CompactAbove && m_written > m_writeBuffer.size() / 2) {
                m_writeBuffer.remove(0, m_written);
                m_written = 0;
            }
            m_writeNotifier->setEnabled(true);
            return;
        }
        qWarning("korvex board: writing to the pty failed, %lld bytes dropped: %s",
                 static_cast<long long>(m_writeBuffer.size() - m_written), std::strerror(errno));
        break;
    }
    m_writeBuffer.clear();
    m_written = 0;
    m_writeNotifier->setEnabled(false);
    if (m_queue.empty())
        emit outputDrained();
}

void SimulatedBoard::setSilent(bool on)
{
    m_monitor.setSilent(on);
}

void SimulatedBoard::setNakAfter(int records)
{
    m_monitor.setNakAfter(records);
}

void SimulatedBoard::setAnswerOne(bool on)
{
    m_monitor.setAnswerOne(on);
}

void SimulatedBoard::setJunkAfterAck(const QByteArray &junk)
{
    m_monitor.setJunkAfterAck(junk);
}

void SimulatedBoard::setReplyDelayMs(int ms)
{
    m_replyDelayMs = std::max(0, ms);
}

void SimulatedBoard::setLineSpeed(int bitsPerSecond)
{
    m_lineSpeed = std::max(0, bitsPerSecond);
}

void SimulatedBoard::setChatty(bool on)
{
    m_monitor.setChatty(on);
}

void SimulatedBoard::setHangUpAfter(int records)
{
    m_hangUpAfter = records;
}

QByteArray SimulatedBoard::memory() const
{
    return m_monitor.programMemory();
}

QByteArray SimulatedBoard::dataMemory() const
{
    return m_monitor.dataMemory();
}

QByteArray SimulatedBoard::internalRam() const
{
    return m_monitor.internalRam();
}

QByteArray SimulatedBoard::bytesReceived() const
{
    return m_monitor.bytesReceived();
}

QList<QByteArray> SimulatedBoard::loadLines() const
{
    return m_monitor.loadLines();
}

int SimulatedBoard::recordsStored() const
{
    return m_monitor.recordsStored();
}

QStringList SimulatedBoard::executeRequests() const
{
    return m_monitor.executeRequests();
}

QList<BoardCheckFailure> SimulatedBoard::failedChecks() const
{
    return m_monitor.failedChecks();
}

QJsonObject SimulatedBoard::transcript() const
{
    return m_monitor.transcript();
}
