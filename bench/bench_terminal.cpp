// SPDX-License-Identifier: GPL-3.0-or-later
// The main window against the simulated board over a pty: start-up, a
// continuous stream and a burst (the paced line and the idle port: bench_line).

#include "benchsupport.h"

#include "screen/terminalview.h"

#include "simulatedboard.h"
#include "terminalfixture.h"

#include <QApplication>
#include <QTest>

#include <cmath>

namespace bench {

namespace {

QString number(double value, int decimals)
{
    return QString::number(value, 'f', decimals);
}

QString mib(qint64 kib)
{
    return number(double(kib) / 1024.0, 1);
}

// The main window as the program makes it: created, started up (the port
// opened on the board's pty), shown.
struct Terminal
{
    TerminalFixture fixture;
    FrmTerminal *window = nullptr;

    explicit Terminal(const BoardThread &board)
    {
        fixture.settings.mapPort(1, board.slavePath());
        window = &fixture.start();
        window->show();
    }
    bool ready() const { return window->serial().PortOpen() && fixture.boxes.shown.isEmpty(); }
};

// Quits the loop after the first paint of any widget of `window` is done.
class FirstPaint final : public QObject
{
public:
    explicit FirstPaint(QEventLoop &loop) : m_loop(loop) {}
    QWidget *window = nullptr;
    qint64 paintedNs = 0;
    bool eventFilter(QObject *object, QEvent *event) override
    {
        if (event->type() == QEvent::Paint && window && !paintedNs) {
            auto *widget = qobject_cast<QWidget *>(object);
            if (widget && widget->window() == window) {
                paintedNs = 1;
                QTimer::singleShot(0, &m_loop, [this] {
                    paintedNs = monotonicNs();
                    m_loop.quit();
                });
            }
        }
        return false;
    }

private:
    QEventLoop &m_loop;
};

// From constructing the window to its first paint done, in ms; *paintedNs
// when that paint was done.
double startUpOnce(const BoardThread &board, bool *ok, qint64 *paintedNs = nullptr)
{
    TerminalFixture fixture;
    fixture.settings.mapPort(1, board.slavePath());
    QEventLoop loop;
    FirstPaint spy(loop);
    qApp->installEventFilter(&spy);
    const qint64 start = monotonicNs();
    FrmTerminal &window = fixture.create();
    spy.window = &window;
    window.startUp();
    window.show();
    QTimer::singleShot(5000, &loop, &QEventLoop::quit);
    loop.exec();
    qApp->removeEventFilter(&spy);
    *ok = spy.paintedNs > 1 && window.serial().PortOpen() && fixture.boxes.shown.isEmpty();
    if (paintedNs)
        *paintedNs = spy.paintedNs;
    return double(spy.paintedNs - start) / 1e6;
}

} // namespace

void benchStartUp(Report &report, qint64 mainEntryNs)
{
    const QString section = QStringLiteral("Start-up");
    BoardThread board;
    if (!board.ok()) {
        report.add(section, QStringLiteral("simulated board"), QStringLiteral("failed: ") + board.error());
        return;
    }
    bool ok = false;
    // The first window of the process pays for fonts, styles and the
    // platform's first backing store, as a real start does.
    qint64 paintedNs = 0;
    const double cold = startUpOnce(board, &ok, &paintedNs);
    const double fromMain = double(paintedNs - mainEntryNs) / 1e6;
    std::vector<double> warm;
    for (int i = 0; i < runs(5) && ok; ++i)
        warm.push_back(startUpOnce(board, &ok));
    if (!ok) {
        report.add(section, QStringLiteral("start-up"), QStringLiteral("failed (port not opened, or no paint)"));
        return;
    }
    report.add(section, QStringLiteral("construct + startUp + show → first paint, first window (cold)"),
               number(cold, 1) + QStringLiteral(" ms"), QStringLiteral("≤ 300 ms"), cold <= 300);
    report.add(section, QStringLiteral("main() entry (QApplication included) → first paint, first window"),
               number(fromMain, 1) + QStringLiteral(" ms"), QStringLiteral("≤ 300 ms"), fromMain <= 300);
    report.add(section, QStringLiteral("construct + startUp + show → first paint, later windows"),
               number(median(warm), 1) + QStringLiteral(" ms"));
}

void benchTerminal(Report &report)
{
    const QString section = QStringLiteral("Receive");
    BoardThread board;
    if (!board.ok()) {
        report.add(section, QStringLiteral("simulated board"), QStringLiteral("failed: ") + board.error());
        return;
    }
    BoardThread bareBoard;
    Terminal terminal(board);
    if (!terminal.ready() || !QTest::qWaitForWindowExposed(terminal.window)) {
        report.add(section, QStringLiteral("terminal"), QStringLiteral("failed to start on the board's pty"));
        return;
    }
    TerminalView &txtTerm = *terminal.window->findChild<TerminalView *>(QStringLiteral("txtTerm"));
    idleFor(500); // start-up's last timers and paints
    const qint64 rssStart = statusKiB("VmRSS");

    // Continuous stream, as fast as the terminal drains the pty, 20 MB per
    // run; the runs follow one another, so memory is read after 20, 40, 60 MB.
    constexpr qint64 streamBytes = 20'000'000;
    std::vector<double> rates;
    std::vector<double> cpuPerMb;
    std::vector<qint64> rss{rssStart};
    bool streamOk = true;
    for (int run = 0; run < runs(3) && streamOk; ++run) {
        const QByteArray marker = QByteArray("~stream ") + QByteArray::number(run) + '~';
        CpuMeter cpu(&board);
        board.stream(streamBytes, marker);
        streamOk = waitShown(txtTerm, QString::fromLatin1(marker), 120'000);
        const double wall = cpu.wallSeconds();
        rates.push_back(double(streamBytes) / 1e6 / wall);
        cpuPerMb.push_back(cpu.seconds() / (double(streamBytes) / 1e6));
        rss.push_back(statusKiB("VmRSS"));
    }
    if (!streamOk) {
        report.add(section, QStringLiteral("20 MB stream"), QStringLiteral("failed: end of stream not shown"));
        return;
    }
    const double rate = median(rates);
    const double cpuMb = median(cpuPerMb);
    report.add(section, QStringLiteral("stream of 80-char lines, 20 MB, to idle"),
               number(rate, 1) + QStringLiteral(" MB/s"), QStringLiteral("≥ 25 MB/s"), rate >= 25);
    report.add(section, QStringLiteral("stream CPU (terminal only)"), number(cpuMb, 4) + QStringLiteral(" CPU s/MB"),
               QStringLiteral("≤ 0.04"), cpuMb <= 0.04);
    QStringList rssTrail;
    for (const qint64 kib : rss)
        rssTrail << mib(kib);
    const qint64 growth = rss.back() - rssStart;
    report.add(
        section,
        QStringLiteral("resident memory after start-up, after %1 MB").arg((rss.size() - 1) * streamBytes / 1'000'000),
        rssTrail.join(QStringLiteral(" → ")) + QStringLiteral(" MiB (+%1)").arg(mib(growth)),
        QStringLiteral("≤ +10 MiB"), growth <= 10 * 1024);

    // A burst of 64 KiB onto a full terminal, until its end is painted.
    {
        std::vector<double> latencies;
        bool shown = true;
        for (int run = 0; run < runs(5) && shown; ++run) {
            const QByteArray marker = QByteArray("~burst ") + QByteArray::number(run) + '~';
            const QByteArray burst = lines80(64 * 1024 - marker.size()) + marker;
            idleFor(100);
            const qint64 start = monotonicNs();
            board.call([&burst](SimulatedBoard &b) { b.send(burst); });
            shown = waitShown(txtTerm, QString::fromLatin1(marker), 5000);
            latencies.push_back(double(monotonicNs() - start) / 1e6);
        }
        const double ms = median(latencies);
        report.add(section, QStringLiteral("burst of 64 KiB shown (end painted)"),
                   shown ? number(ms, 1) + QStringLiteral(" ms (worst %1)").arg(number(percentile(latencies, 1.0), 1))
                         : QStringLiteral("failed"),
                   QStringLiteral("≤ 50 ms"), shown && ms <= 50);
    }
    report.note(QStringLiteral("Receive: the board runs on a thread of its own; its CPU time is taken off the "
                               "process's, so the CPU figures are the terminal's (GUI thread and any Qt threads)."));
}

} // namespace bench
