// SPDX-License-Identifier: GPL-3.0-or-later
#include "benchsupport.h"

#include "screen/terminalview.h"

#include "simulatedboard.h"
#include "terminalfixture.h"

#include <QEventLoop>
#include <QFile>
#include <QGuiApplication>
#include <QSysInfo>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory>

#include <sys/resource.h>
#include <time.h>

#ifndef KORVEX_BENCH_BUILD_TYPE
#define KORVEX_BENCH_BUILD_TYPE "unknown"
#endif

namespace bench {

double processCpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    auto seconds = [](const timeval &t) { return double(t.tv_sec) + double(t.tv_usec) / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

double threadCpuSeconds(pthread_t thread)
{
    clockid_t clock{};
    timespec t{};
    if (pthread_getcpuclockid(thread, &clock) != 0 || clock_gettime(clock, &t) != 0)
        return 0;
    return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
}

qint64 statusKiB(const char *key)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray prefix = QByteArray(key) + ':';
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith(prefix))
            return line.mid(prefix.size()).trimmed().split(' ').value(0).toLongLong();
    }
    return -1;
}

void resetPeakMemory()
{
    QFile clearRefs(QStringLiteral("/proc/self/clear_refs"));
    if (clearRefs.open(QIODevice::WriteOnly))
        clearRefs.write("5");
}

qint64 monotonicNs()
{
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return qint64(t.tv_sec) * 1000000000 + t.tv_nsec;
}

double median(std::vector<double> values)
{
    return percentile(std::move(values), 0.5);
}

double percentile(std::vector<double> values, double fraction)
{
    if (values.empty())
        return std::nan("");
    std::sort(values.begin(), values.end());
    const auto index = std::min(values.size() - 1, size_t(fraction * double(values.size() - 1) + 0.5));
    return values[index];
}

int runs(int wanted)
{
    return qEnvironmentVariableIntValue("KORVEX_BENCH_QUICK") ? 1 : wanted;
}

// ---- report

void Report::add(const QString &section, const QString &name, const QString &value, const QString &target,
                 std::optional<bool> met)
{
    m_figures.push_back({section, name, value, target, met});
    // Progress as it goes: the whole run takes a few minutes.
    std::fprintf(stderr, "  %s / %s: %s\n", qPrintable(section), qPrintable(name), qPrintable(value));
}

void Report::print(const QString &machine) const
{
    std::printf("\n%s\n\n", qPrintable(machine));
    std::printf("| Section | Figure | Median | Target | Met |\n|---|---|---|---|---|\n");
    for (const Figure &f : m_figures) {
        const char *met = !f.met ? "" : *f.met ? "yes" : "**no**";
        std::printf("| %s | %s | %s | %s | %s |\n", qPrintable(f.section), qPrintable(f.name), qPrintable(f.value),
                    qPrintable(f.target), met);
    }
    if (!m_notes.empty()) {
        std::printf("\n");
        for (const QString &n : m_notes)
            std::printf("- %s\n", qPrintable(n));
    }
    std::fflush(stdout);
}

bool Report::allMet() const
{
    return std::all_of(m_figures.begin(), m_figures.end(), [](const Figure &f) { return f.met.value_or(true); });
}

QString machineDescription()
{
    QString cpu = QStringLiteral("unknown CPU");
    QFile cpuinfo(QStringLiteral("/proc/cpuinfo"));
    if (cpuinfo.open(QIODevice::ReadOnly)) {
        for (const QByteArray &line : cpuinfo.readAll().split('\n')) {
            if (line.startsWith("model name")) {
                cpu = QString::fromLatin1(line.mid(line.indexOf(':') + 1).trimmed());
                break;
            }
        }
    }
    QFile loadavg(QStringLiteral("/proc/loadavg"));
    const QString load = loadavg.open(QIODevice::ReadOnly)
                             ? QString::fromLatin1(loadavg.readAll().split(' ').mid(0, 3).join(' '))
                             : QStringLiteral("unknown");
    return QStringLiteral("Machine: %1, %2 cores (load average now %10); %3, kernel %4; Qt %5 (built against %6), "
                          "platform \"%7\"; build type %8, compiler %9")
        .arg(cpu)
        .arg(QThread::idealThreadCount())
        .arg(QSysInfo::prettyProductName(), QSysInfo::kernelVersion(), QString::fromLatin1(qVersion()),
             QStringLiteral(QT_VERSION_STR), QGuiApplication::platformName(), QStringLiteral(KORVEX_BENCH_BUILD_TYPE),
             QStringLiteral(__VERSION__), load);
}

// ---- board thread

BoardThread::BoardThread()
{
    m_worker.setObjectName(QStringLiteral("simulated board"));
    m_worker.start();
    m_context = new QObject;
    m_context->moveToThread(&m_worker);
    // Created on its thread: its timers and notifiers must live there.
    QMetaObject::invokeMethod(
        m_context,
        [this] {
            m_thread = pthread_self();
            auto board = std::make_unique<SimulatedBoard>();
            if (!board->open(&m_error))
                return;
            m_slavePath = board->slavePath();
            m_board = board.release();
        },
        Qt::BlockingQueuedConnection);
}

BoardThread::~BoardThread()
{
    QMetaObject::invokeMethod(
        m_context,
        [this] {
            delete m_board;
            delete m_context;
        },
        Qt::BlockingQueuedConnection);
    m_worker.quit();
    m_worker.wait();
}

void BoardThread::call(const std::function<void(SimulatedBoard &)> &f)
{
    QMetaObject::invokeMethod(
        m_context, [&] { f(*m_board); }, Qt::BlockingQueuedConnection);
}

QByteArray lines80(qint64 size)
{
    QByteArray text;
    text.reserve(size);
    for (int line = 0; text.size() < size; ++line) {
        for (int i = 0; i < 78; ++i)
            text.append(char('!' + (line + i) % 93)); // '!' to '}': never the markers' '~'
        text.append("\r\n");
    }
    text.truncate(size);
    return text;
}

void BoardThread::stream(qint64 total, const QByteArray &marker)
{
    struct Feed
    {
        QByteArray block = lines80(200000);
        qint64 left = 0;
        QByteArray marker;
        QMetaObject::Connection connection;
    };
    auto feed = std::make_shared<Feed>();
    feed->left = total;
    feed->marker = marker;
    call([feed](SimulatedBoard &board) {
        auto next = [feed, &board] {
            if (feed->left > 0) {
                const qint64 n = std::min<qint64>(feed->left, feed->block.size());
                feed->left -= n;
                board.send(n == feed->block.size() ? feed->block : feed->block.left(n));
            } else if (!feed->marker.isEmpty()) {
                board.send(std::exchange(feed->marker, {}));
            } else {
                QObject::disconnect(feed->connection);
            }
        };
        // Queued: send() may report the drain before it returns.
        feed->connection = QObject::connect(&board, &SimulatedBoard::outputDrained, &board, next, Qt::QueuedConnection);
        next();
    });
}

// ---- CPU

void CpuMeter::restart()
{
    m_start = now();
    m_wall.start();
}

double CpuMeter::now() const
{
    return processCpuSeconds() - (m_board ? m_board->cpuSeconds() : 0.0);
}

double CpuMeter::seconds() const
{
    return now() - m_start;
}

// ---- waiting

namespace {

class PaintSpy final : public QObject
{
public:
    std::function<void()> onPaint;
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Paint && onPaint)
            onPaint();
        return false;
    }
};

} // namespace

bool waitShown(TerminalView &txtTerm, const QString &marker, int timeoutMs)
{
    QEventLoop loop;
    bool seen = false;
    bool shown = false;
    auto check = [&] { seen = seen || txtTerm.text().endsWith(marker); };
    check();
    PaintSpy spy;
    spy.onPaint = [&] {
        check();
        if (seen && !shown) {
            shown = true;
            // After this paint has been done: it belongs to the cost.
            QTimer::singleShot(0, &loop, &QEventLoop::quit);
        }
    };
    txtTerm.viewport()->installEventFilter(&spy);
    QTimer::singleShot(timeoutMs, &loop, &QEventLoop::quit);
    if (seen)
        txtTerm.viewport()->update();
    loop.exec();
    txtTerm.viewport()->removeEventFilter(&spy);
    return shown;
}

bool waitFor(const std::function<bool()> &predicate, int timeoutMs, int pollMs)
{
    if (predicate())
        return true;
    QEventLoop loop;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (predicate())
            loop.quit();
    });
    poll.start(pollMs);
    QTimer::singleShot(timeoutMs, &loop, &QEventLoop::quit);
    loop.exec();
    return predicate();
}

void idleFor(int milliseconds)
{
    QEventLoop loop;
    QTimer::singleShot(milliseconds, &loop, &QEventLoop::quit);
    loop.exec();
}

FrmTerminal *startTerminal(TerminalFixture &fixture, const BoardThread &board, Report &report, const QString &section)
{
    if (!board.ok()) {
        report.add(section, QStringLiteral("simulated board"), QStringLiteral("failed: ") + board.error());
        return nullptr;
    }
    fixture.settings.mapPort(1, board.slavePath());
    FrmTerminal &window = fixture.start();
    window.show();
    if (window.serial().PortOpen() && QTest::qWaitForWindowExposed(&window))
        return &window;
    report.add(section, QStringLiteral("terminal"), QStringLiteral("failed to start on the board's pty"));
    return nullptr;
}

} // namespace bench
