// Display throughput: characters per second through DisplayReceivedText into a
// real, shown txtTerm (offscreen), for several chunk sizes. Two ways of
// feeding: all chunks in one go, then one flush (the cost of the rules and of
// composing a burst), and one chunk per event loop pass (as the receive path
// delivers them, with the text box edited and repainted once per frame).
// Then the time for a 64 KiB burst to be shown.
//
// Build (ad hoc): see the build line at the end of this file.
// Run: QT_QPA_PLATFORM=offscreen ./display_bench [characters-per-run [chunk [0 one-go|1 per-pass]]]

#include "serial/terminaldisplay.h"
#include "shared/messageboxes.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QPlainTextEdit>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <vector>

namespace {

double cpuSeconds()
{
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
}

// 80-character lines as a board would send them: 78 characters, CR, LF.
QString stream(qsizetype size)
{
    QString line;
    for (int i = 0; i < 78; ++i)
        line.append(QChar(u'!' + (i % 94)));
    line.append(u"\r\n");
    QString text;
    text.reserve(size);
    while (text.size() < size)
        text.append(line);
    text.truncate(size);
    return text;
}

class PaintCounter final : public QObject
{
public:
    int paints = 0;
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Paint)
            ++paints;
        return false;
    }
};

struct Result
{
    double wall;
    double cpu;
    int paints;
};

Result run(qsizetype chunk, const QString &data, bool perPass)
{
    QPlainTextEdit txtTerm;
    QtMessageBoxes boxes;
    prepareTerminalTextBox(txtTerm);
    TerminalDisplay display(txtTerm, boxes);
    txtTerm.resize(800, 600);
    txtTerm.show();
    PaintCounter counter;
    txtTerm.viewport()->installEventFilter(&counter);
    QCoreApplication::processEvents();
    counter.paints = 0;

    QElapsedTimer wall;
    const double cpu0 = cpuSeconds();
    wall.start();
    qsizetype at = 0;
    if (perPass) {
        QEventLoop loop;
        QTimer feed;
        feed.setInterval(0);
        QObject::connect(&feed, &QTimer::timeout, [&] {
            if (at >= data.size()) {
                feed.stop();
                loop.quit();
                return;
            }
            DisplayReceivedText(display, data.mid(at, chunk));
            at += chunk;
        });
        feed.start();
        loop.exec();
    } else {
        for (; at < data.size(); at += chunk)
            DisplayReceivedText(display, data.mid(at, chunk));
    }
    display.flush();
    QCoreApplication::processEvents(); // the final paint belongs to the cost
    return {double(wall.nsecsElapsed()) / 1e9, cpuSeconds() - cpu0, counter.paints};
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const qsizetype total = argc > 1 ? QString::fromLocal8Bit(argv[1]).toLongLong() : 4'000'000;
    const qsizetype onlyChunk = argc > 2 ? QString::fromLocal8Bit(argv[2]).toLongLong() : 0; // 0: all
    const int onlyFeeding = argc > 3 ? QString::fromLocal8Bit(argv[3]).toInt() : -1; // 0 one-go, 1 per-pass
    const int runs = onlyChunk ? 1 : 3;

    std::printf("display throughput, %s, Qt %s, median of %d\n", qPrintable(QSysInfo::prettyProductName()), qVersion(), runs);
    std::printf("%-6s %-10s %12s %14s %12s %8s\n", "chunk", "feeding", "characters", "chars/s", "CPU s/MB", "paints");
    for (const qsizetype chunk : {qsizetype(1), qsizetype(64), qsizetype(4096)}) {
        if (onlyChunk && chunk != onlyChunk)
            continue;
        // Single characters are slow by nature; a smaller run says the same.
        const qsizetype size = chunk == 1 ? std::min<qsizetype>(total, 200'000) : total;
        const QString data = stream(size);
        for (const bool perPass : {false, true}) {
            if (onlyFeeding >= 0 && perPass != bool(onlyFeeding))
                continue;
            std::vector<Result> results;
            for (int i = 0; i < runs; ++i)
                results.push_back(run(chunk, data, perPass));
            std::sort(results.begin(), results.end(), [](const Result &a, const Result &b) { return a.wall < b.wall; });
            const Result &median = results[results.size() / 2];
            std::printf("%-6lld %-10s %12lld %14.0f %12.4f %8d\n", static_cast<long long>(chunk),
                        perPass ? "per-pass" : "one-go", static_cast<long long>(size), double(size) / median.wall,
                        median.cpu / (double(size) / 1e6), median.paints);
        }
    }

    // A burst of 64 KiB onto a full terminal: from the first chunk to the
    // paint that shows the last one, through the event loop as received.
    {
        QPlainTextEdit txtTerm;
        QtMessageBoxes boxes;
        prepareTerminalTextBox(txtTerm);
        TerminalDisplay display(txtTerm, boxes);
        txtTerm.resize(800, 600);
        txtTerm.show();
        PaintCounter counter;
        txtTerm.viewport()->installEventFilter(&counter);
        const QString full = stream(16000);
        DisplayReceivedText(display, full);
        display.flush();
        QCoreApplication::processEvents();
        const QString burst = stream(64 * 1024);
        std::vector<double> latencies;
        for (int run = 0; run < 5; ++run) {
            QElapsedTimer clock;
            clock.start();
            for (qsizetype at = 0; at < burst.size(); at += 4096)
                DisplayReceivedText(display, burst.mid(at, 4096));
            const int paints = counter.paints;
            QEventLoop loop;
            QTimer poll;
            QObject::connect(&poll, &QTimer::timeout, [&] {
                if (counter.paints > paints && !display.hasPending())
                    loop.quit();
            });
            poll.start(0);
            loop.exec();
            latencies.push_back(double(clock.nsecsElapsed()) / 1e6);
            poll.stop();
            QTimer::singleShot(2 * TerminalDisplay::FrameMilliseconds, &loop, &QEventLoop::quit);
            loop.exec(); // a quiet frame before the next burst
        }
        std::sort(latencies.begin(), latencies.end());
        std::printf("burst of 64 KiB shown in %.1f ms (median of 5, worst %.1f ms)\n", latencies[2], latencies[4]);
    }
    return 0;
}

// Build line (from the project directory; moc first, terminaldisplay.h has Q_OBJECT):
//   /usr/lib/qt6/libexec/moc -Isrc src/serial/terminaldisplay.h -o moc_terminaldisplay.cpp
//   g++ -std=c++20 -O2 -fPIC -Isrc $(pkg-config --cflags Qt6Widgets) bench/display_bench.cpp
//       src/serial/terminaldisplay.cpp src/serial/displayrules.cpp src/shared/messageboxes.cpp
//       moc_terminaldisplay.cpp $(pkg-config --libs Qt6Widgets) -o display_bench
