// SPDX-License-Identifier: GPL-3.0-or-later
// The terminal following a line at its own pace: CPU at 115200 and 9600
// bit/s, how late text reaches the screen, and the cost of an idle open port.

#include "benchsupport.h"

#include "screen/terminalview.h"

#include "simulatedboard.h"
#include "terminalfixture.h"

#include <QAction>
#include <QApplication>
#include <QFileInfo>
#include <QSocketNotifier>
#include <QTest>

#include <memory>

#include <fcntl.h>
#include <unistd.h>

namespace bench {

namespace {

QString number(double value, int decimals)
{
    return QString::number(value, 'f', decimals);
}

// Counts the paints of one widget and the time they take; calls after(end
// time) once each paint is done.
class PaintWatch final : public QObject
{
public:
    int paints = 0;
    qint64 paintNs = 0;
    std::function<void(qint64)> after;
    bool eventFilter(QObject *object, QEvent *event) override
    {
        if (event->type() != QEvent::Paint || m_inside)
            return false;
        ++paints;
        m_inside = true;
        const qint64 start = monotonicNs();
        QCoreApplication::sendEvent(object, event); // the paint itself, timed
        const qint64 end = monotonicNs();
        paintNs += end - start;
        m_inside = false;
        if (after)
            after(end);
        return true;
    }

private:
    bool m_inside = false;
};

// Numbered 80-character lines ("#0000042 " + letters + CR LF), so that the
// text on screen tells how much of the stream it shows. Each stream goes on
// from the last number, so that an earlier one on screen is never taken for it.
int nextLineNumber = 0;

QByteArray numberedLines(int count)
{
    QByteArray out;
    out.reserve(count * 80);
    const int first = nextLineNumber;
    nextLineNumber += count;
    for (int i = first; i < first + count; ++i) {
        QByteArray line = '#' + QByteArray::number(i).rightJustified(7, '0') + ' ';
        while (line.size() < 78)
            line += char('a' + (line.size() + i) % 26);
        out += line + "\r\n";
    }
    return out;
}

// How many bytes of the numbered stream starting at line `first` the text box
// shows: the last line's number (or the one before it, plus one) and how much
// of that line is there.
qint64 shownBytes(const TerminalView &txtTerm, qint64 first)
{
    const QString &shown = txtTerm.text();
    const qsizetype lastStart = shown.lastIndexOf(u'\n') + 1;
    const QStringView last = QStringView(shown).mid(lastStart);
    const QStringView previous =
        lastStart > 0 ? QStringView(shown).left(lastStart - 1).mid(shown.lastIndexOf(u'\n', lastStart - 2) + 1)
                      : QStringView();
    auto numberOf = [](QStringView text) {
        bool ok = false;
        const qint64 n = text.size() >= 8 && text.startsWith(u'#') ? text.mid(1, 7).toLongLong(&ok) : -1;
        return ok ? n : -1;
    };
    if (const qint64 n = numberOf(last); n >= first)
        return (n - first) * 80 + last.size();
    const qint64 before = numberOf(previous);
    return before >= first ? (before + 1 - first) * 80 + last.size() : 0;
}

struct LineRun
{
    bool ok = false;
    double share = 0; // % of a core
    double readsPerSecond = 0;
    double paintsPerSecond = 0;
    double paintMsPerSecond = 0;
    std::vector<double> latencyMs; // one per byte shown
};

// `seconds` of numbered lines from the board paced at `speed`, into the
// terminal: its CPU, reads and paints, and for every byte the time from its
// departure on the line to the end of the first paint that shows it.
LineRun followLine(BoardThread &board, TerminalView &txtTerm, MSComm &port, int speed, int seconds)
{
    LineRun run;
    const int lineCount = speed / 10 * seconds / 80;
    const qint64 first = nextLineNumber;
    const QByteArray stream = numberedLines(lineCount);
    const qint64 characterNs = 10 * 1'000'000'000LL / speed;
    int reads = 0;
    QObject context;
    QObject::connect(&port, &MSComm::OnComm, &context, [&](CommEventCode code) {
        if (code == CommEventCode::Receive)
            ++reads;
    });
    qint64 startNs = 0;
    qint64 shown = 0;
    QEventLoop loop;
    PaintWatch paints;
    paints.after = [&](qint64 endNs) {
        const qint64 now = std::min<qint64>(shownBytes(txtTerm, first), stream.size());
        for (qint64 i = shown; i < now; ++i)
            run.latencyMs.push_back(double(endNs - (startNs + i * characterNs)) / 1e6);
        shown = std::max(shown, now);
        if (shown >= stream.size() - 2) // the last LF is never shown
            loop.quit();
    };
    txtTerm.viewport()->installEventFilter(&paints);
    board.call([speed](SimulatedBoard &b) { b.setLineSpeed(speed); });
    CpuMeter cpu(&board);
    board.call([&](SimulatedBoard &b) {
        startNs = monotonicNs();
        b.send(stream);
    });
    QTimer::singleShot((seconds + 10) * 1000, &loop, &QEventLoop::quit);
    loop.exec();
    const double wall = cpu.wallSeconds();
    run.ok = shown >= stream.size() - 2;
    run.share = 100.0 * cpu.seconds() / wall;
    run.readsPerSecond = reads / wall;
    run.paintsPerSecond = paints.paints / wall;
    run.paintMsPerSecond = double(paints.paintNs) / 1e6 / wall;
    txtTerm.viewport()->removeEventFilter(&paints);
    board.call([](SimulatedBoard &b) { b.setLineSpeed(0); });
    return run;
}

// The same paced stream into a plain non-blocking read of the pty on a
// socket notifier, no window: what any program on this event loop pays for
// being woken as often as the line hands over bytes.
double bareReader(BoardThread &board, int speed, int seconds)
{
    const int fd = ::open(qPrintable(board.slavePath()), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return -1;
    const QByteArray stream = numberedLines(speed / 10 * seconds / 80);
    qint64 got = 0;
    QEventLoop loop;
    QSocketNotifier notifier(fd, QSocketNotifier::Read);
    QObject::connect(&notifier, &QSocketNotifier::activated, &loop, [&] {
        char buffer[4096];
        ssize_t n = 0;
        while ((n = ::read(fd, buffer, sizeof buffer)) > 0)
            got += n;
        if (got >= stream.size())
            loop.quit();
    });
    board.call([speed](SimulatedBoard &b) { b.setLineSpeed(speed); });
    CpuMeter cpu(&board);
    board.call([&stream](SimulatedBoard &b) { b.send(stream); });
    QTimer::singleShot((seconds + 10) * 1000, &loop, &QEventLoop::quit);
    loop.exec();
    const double share = got >= stream.size() ? 100.0 * cpu.seconds() / cpu.wallSeconds() : -1;
    board.call([](SimulatedBoard &b) { b.setLineSpeed(0); });
    ::close(fd);
    return share;
}

// Counts what wakes the program while nothing happens: paints and timers.
class EventCensus final : public QObject
{
public:
    int paints = 0;
    int timers = 0;
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Paint)
            ++paints;
        else if (event->type() == QEvent::Timer)
            ++timers;
        return false;
    }
};

// The paced line with a journal running beside the same without, run by run
// back to back, so that both see the same load of the machine.
void journalCost(Report &report, BoardThread &board, TerminalFixture &fixture, TerminalView &txtTerm)
{
    FrmTerminal &window = *fixture.window;
    QAction *journal = window.findChild<QAction *>(QStringLiteral("mnuJournal"));
    const QString path = fixture.tempDir.filePath(QStringLiteral("journal.txt"));
    fixture.chooser.answer = path;
    const int speed = 115200;
    const int seconds = 4;
    std::vector<double> without, with;
    for (int run = 0; run < runs(3); ++run) {
        const LineRun plain = followLine(board, txtTerm, window.serial(), speed, seconds);
        journal->trigger();
        const bool started = journal->isChecked();
        const LineRun journaled = followLine(board, txtTerm, window.serial(), speed, seconds);
        journal->trigger();
        if (!plain.ok || !journaled.ok || !started) {
            report.add(QStringLiteral("Line"), QStringLiteral("  same with a journal"),
                       QStringLiteral("failed: journal not started or end of the stream not shown"));
            return;
        }
        without.push_back(plain.share);
        with.push_back(journaled.share);
    }
    const qint64 size = QFileInfo(path).size();
    report.add(QStringLiteral("Line"),
               QStringLiteral("  same with a journal running (back to back with a run without)"),
               QStringLiteral("%1 % of a core, without %2 % (%3 KiB written)")
                   .arg(number(median(with), 2), number(median(without), 2), number(double(size) / 1024, 0)),
               QStringLiteral("≤ without + 0.1"), median(with) <= median(without) + 0.1);
}

} // namespace

void benchLine(Report &report)
{
    const QString section = QStringLiteral("Line");
    BoardThread board;
    BoardThread bareBoard; // its failure shows as the bare reader's
    TerminalFixture fixture;
    FrmTerminal *started = startTerminal(fixture, board, report, section);
    if (!started)
        return;
    FrmTerminal &window = *started;
    TerminalView &txtTerm = *window.findChild<TerminalView *>(QStringLiteral("txtTerm"));
    idleFor(500);
    const QString platform = QGuiApplication::platformName();

    for (const int speed : {115200, 9600}) {
        const int seconds = 4;
        std::vector<double> shares, reads, paints, paintMs, latency;
        bool ok = true;
        for (int run = 0; run < runs(3) && ok; ++run) {
            const LineRun line = followLine(board, txtTerm, window.serial(), speed, seconds);
            ok = line.ok;
            shares.push_back(line.share);
            reads.push_back(line.readsPerSecond);
            paints.push_back(line.paintsPerSecond);
            paintMs.push_back(line.paintMsPerSecond);
            latency.insert(latency.end(), line.latencyMs.begin(), line.latencyMs.end());
        }
        const QString name = QStringLiteral("paced %1 bit/s, %2 s, %3").arg(speed).arg(seconds).arg(platform);
        if (!ok) {
            report.add(section, name, QStringLiteral("failed: end of the stream not shown"));
            continue;
        }
        const double share = median(shares);
        report.add(
            section, name,
            QStringLiteral("%1 % of a core (%2 reads/s; %3 paints/s, %4 ms/s painting)")
                .arg(number(share, 2), number(median(reads), 0), number(median(paints), 0), number(median(paintMs), 1)),
            speed == 115200 ? QStringLiteral("≤ 1 %") : QString(),
            speed == 115200 ? std::optional<bool>(share <= 1.0) : std::nullopt);
        const double latencyMedian = median(latency);
        const double latencyWorst = percentile(latency, 1.0);
        report.add(section, QStringLiteral("  same: line to screen, every byte (departure → end of its first paint)"),
                   QStringLiteral("median %1 ms, 99th pct %2, worst %3")
                       .arg(number(latencyMedian, 1), number(percentile(latency, 0.99), 1), number(latencyWorst, 1)),
                   QStringLiteral("≤ 20 ms / ≤ 50 ms"), latencyMedian <= 20 && latencyWorst <= 50);
        if (speed == 115200) {
            const double bare = bareReader(bareBoard, speed, seconds);
            report.add(section,
                       QStringLiteral("  same stream into a bare reader (QSocketNotifier + read(), no window)"),
                       bare >= 0 ? number(bare, 2) + QStringLiteral(" % of a core") : QStringLiteral("failed"));
            journalCost(report, board, fixture, txtTerm);
        }
    }

    // Idle with the port open, once the caret has had time to rest.
    {
        idleFor(300);
        EventCensus census;
        qApp->installEventFilter(&census);
        CpuMeter cpu(&board);
        idleFor(10'000);
        const double wall = cpu.wallSeconds();
        const double share = 100.0 * cpu.seconds() / wall;
        qApp->removeEventFilter(&census);
        report.add(section, QStringLiteral("idle, port open, 10 s, %1").arg(platform),
                   QStringLiteral("%1 % of a core (%2 paints/s, %3 timer events/s)")
                       .arg(number(share, 3), number(census.paints / wall, 1), number(census.timers / wall, 1)),
                   QStringLiteral("≤ 0.05 %"), share <= 0.05);
    }
}

} // namespace bench
