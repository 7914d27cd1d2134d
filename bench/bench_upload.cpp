// SPDX-License-Identifier: GPL-3.0-or-later
// The upload against the simulated board: the terminal's own time per record,
// whole uploads against a paced board, and the CPU used while an answer never
// comes.

#include "benchsupport.h"

#include "serial/portreader.h"
#include "simulatedboard.h"
#include "terminalfixture.h"

#include <QApplication>
#include <QFile>
#include <QPushButton>
#include <QSerialPort>
#include <QSocketNotifier>
#include <QTest>

#include <mutex>
#include <numeric>

namespace bench {

namespace {

QString number(double value, int decimals)
{
    return QString::number(value, 'f', decimals);
}

// An Intel HEX program of `records` sixteen-byte records from 0000, and its
// end-of-file record.
bool writeProgram(const QString &path, int records)
{
    QByteArray text;
    for (int r = 0; r < records; ++r) {
        const int address = (r * 16) & 0xFFFF;
        QByteArray bytes;
        bytes.append(char(16)).append(char(address >> 8)).append(char(address & 0xFF)).append(char(0));
        for (int i = 0; i < 16; ++i)
            bytes.append(char((r * 7 + i * 13) & 0xFF));
        const int sum = std::accumulate(bytes.begin(), bytes.end(), 0, [](int s, char c) { return s + uchar(c); });
        bytes.append(char((0x100 - (sum & 0xFF)) & 0xFF));
        text += ':' + bytes.toHex().toUpper() + "\r\n";
    }
    text += ":00000001FF\r\n";
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(text) == text.size();
}

// Marks when the serial port's read notification is dispatched: the moment
// the terminal starts handling what arrived.
class ReadSpy final : public QObject
{
public:
    qint64 activatedNs = 0;
    bool eventFilter(QObject *object, QEvent *event) override
    {
        if (event->type() == QEvent::SockAct && isSerialReadNotifier(object))
            activatedNs = monotonicNs();
        return false;
    }

private:
    static bool isSerialReadNotifier(QObject *object)
    {
        auto *notifier = qobject_cast<QSocketNotifier *>(object);
        if (!notifier || notifier->type() != QSocketNotifier::Read)
            return false;
        for (QObject *o = notifier->parent(); o; o = o->parent()) {
            if (qobject_cast<QSerialPort *>(o) || qobject_cast<PortReader *>(o))
                return true;
        }
        return false;
    }
};

struct BoardLog
{
    std::mutex mutex;
    std::vector<qint64> requestNs; // arrival of each "H"
    std::vector<qint64> drainedNs; // each answer written into the pty
    qint64 lastLineNs = 0;
    std::atomic<int> lines{0};
};

struct UploadRun
{
    bool ok = false;
    QString failure;
    int records = 0;
    int stored = 0;
    double requestsSeconds = 0;     // first "H" read by the board → last load line read
    std::vector<double> handlingUs; // per record, inside the terminal
    std::vector<double> cycleUs;    // per record, "H" to next "H" at the board
    // Per record, the terminal's side of the exchange as the board sees it:
    // from its ACK written into the pty to the next "H" read from it (the
    // pty both ways, the terminal waking up, reading, writing).
    std::vector<double> terminalSideUs;
};

UploadRun uploadOnce(BoardThread &board, TerminalFixture &fixture, const QString &program, int records, int speed)
{
    UploadRun run;
    run.records = records;
    FrmTerminal &window = *fixture.window;
    auto log = std::make_shared<BoardLog>();
    QMetaObject::Connection arrived;
    QMetaObject::Connection loaded;
    QMetaObject::Connection drained;
    int storedBefore = 0;
    board.call([&](SimulatedBoard &b) {
        b.setLineSpeed(speed);
        storedBefore = b.recordsStored();
        arrived = QObject::connect(&b, &SimulatedBoard::bytesArrived, &b, [log](const QByteArray &bytes) {
            if (bytes.contains('H')) { // never in a load line: hex digits and blanks only
                const std::lock_guard lock(log->mutex);
                log->requestNs.push_back(monotonicNs());
            }
        });
        drained = QObject::connect(&b, &SimulatedBoard::outputDrained, &b, [log] {
            const std::lock_guard lock(log->mutex);
            log->drainedNs.push_back(monotonicNs());
        });
        loaded = QObject::connect(&b, &SimulatedBoard::loadLineReceived, &b, [log] {
            {
                const std::lock_guard lock(log->mutex);
                log->lastLineNs = monotonicNs();
            }
            ++log->lines;
        });
    });

    ReadSpy spy;
    qApp->installEventFilter(&spy);
    QObject context;
    // Connected after the window's own handler: runs once it has answered.
    QObject::connect(&window.serial(), &MSComm::OnComm, &context, [&](CommEventCode code) {
        if (spy.activatedNs && code == CommEventCode::Receive)
            run.handlingUs.push_back(double(monotonicNs() - spy.activatedNs) / 1e3);
        spy.activatedNs = 0;
    });

    fixture.chooser.answer = program;
    window.findChild<QAction *>(QStringLiteral("mnuOpenLog"))->trigger();
    window.findChild<QAction *>(QStringLiteral("mnuSendText"))->trigger();
    const double wireSeconds = speed ? double(records) * 63 * 10 / speed : 0;
    const bool done = waitFor([&] { return log->lines.load() >= records && !window.uploadRunning(); },
                              int(wireSeconds * 1500) + 20'000, 2);
    qApp->removeEventFilter(&spy);

    board.call([&](SimulatedBoard &b) {
        QObject::disconnect(arrived);
        QObject::disconnect(loaded);
        QObject::disconnect(drained);
        run.stored = b.recordsStored() - storedBefore;
        b.setLineSpeed(0);
    });
    const std::lock_guard lock(log->mutex);
    if (!done || !fixture.boxes.shown.isEmpty() || log->requestNs.empty()) {
        run.failure = fixture.boxes.shown.isEmpty() ? QStringLiteral("did not finish")
                                                    : QStringLiteral("box: ") + fixture.boxes.shown.constLast().text;
        fixture.boxes.shown.clear();
        return run;
    }
    run.requestsSeconds = double(log->lastLineNs - log->requestNs.front()) / 1e9;
    for (size_t i = 1; i < log->requestNs.size(); ++i)
        run.cycleUs.push_back(double(log->requestNs[i] - log->requestNs[i - 1]) / 1e3);
    size_t answer = 0;
    for (size_t i = 1; i < log->requestNs.size(); ++i) {
        while (answer + 1 < log->drainedNs.size() && log->drainedNs[answer + 1] < log->requestNs[i])
            ++answer;
        if (answer < log->drainedNs.size() && log->drainedNs[answer] < log->requestNs[i])
            run.terminalSideUs.push_back(double(log->requestNs[i] - log->drainedNs[answer]) / 1e3);
    }
    run.ok = run.stored == records;
    if (!run.ok)
        run.failure = QStringLiteral("%1 of %2 records stored").arg(run.stored).arg(records);
    return run;
}

// Starts the upload against the board paced at `speed`, presses "Annuler"
// once `after` load lines have come, and measures until the upload has ended
// (commands back). Empty on success; else what went wrong.
struct CancelRun
{
    QString failure;
    double ms = 0;
    int lines = 0;
    int stored = 0;
};

CancelRun cancelOnce(BoardThread &board, TerminalFixture &fixture, const QString &program, int speed, int after)
{
    CancelRun run;
    FrmTerminal &window = *fixture.window;
    int before = 0;
    board.call([&](SimulatedBoard &b) {
        b.setLineSpeed(speed);
        before = int(b.loadLines().size());
    });
    fixture.chooser.answer = program;
    window.findChild<QAction *>(QStringLiteral("mnuOpenLog"))->trigger();
    window.findChild<QAction *>(QStringLiteral("mnuSendText"))->trigger();
    std::atomic<int> lines{0};
    QObject context;
    QObject::connect(board.board(), &SimulatedBoard::loadLineReceived, &context, [&] { ++lines; });
    if (!waitFor([&] { return lines.load() >= after; }, 20'000, 1)) {
        run.failure = QStringLiteral("the load did not start");
        return run;
    }
    auto *button = window.findChild<QPushButton *>(QStringLiteral("cmdAnnuler"));
    const qint64 pressed = monotonicNs();
    button->click();
    const bool ended = waitFor([&] { return !window.uploadRunning(); }, 10'000, 1);
    run.ms = double(monotonicNs() - pressed) / 1e6;
    idleFor(200 + 62 * 10 * 1000 / speed); // the last line finishes arriving
    board.call([&](SimulatedBoard &b) {
        run.lines = int(b.loadLines().size()) - before;
        b.setLineSpeed(0);
    });
    board.call([&](SimulatedBoard &b) { run.stored = b.recordsStored(); });
    if (!ended)
        run.failure = QStringLiteral("did not end");
    else if (!fixture.boxes.shown.isEmpty())
        run.failure = QStringLiteral("box: ") + fixture.boxes.shown.constLast().text;
    fixture.boxes.shown.clear();
    return run;
}

double mean(const std::vector<double> &values)
{
    return values.empty() ? 0 : std::accumulate(values.begin(), values.end(), 0.0) / double(values.size());
}

} // namespace

void benchUpload(Report &report)
{
    const QString section = QStringLiteral("Upload");
    BoardThread board;
    TerminalFixture fixture;
    FrmTerminal *started = startTerminal(fixture, board, report, section);
    if (!started)
        return;
    FrmTerminal &window = *started;
    constexpr int records = 2048; // 32 KiB
    const QString program = fixture.tempDir.filePath(QStringLiteral("program32k.hex"));
    const QString shortProgram = fixture.tempDir.filePath(QStringLiteral("program150.hex"));
    const QString oneRecord = fixture.tempDir.filePath(QStringLiteral("program1.hex"));
    writeProgram(program, records);
    writeProgram(shortProgram, 150);
    writeProgram(oneRecord, 1);

    // Against the board answering at once: the terminal's own time per record.
    std::vector<double> handling;
    std::vector<double> cycles;
    std::vector<double> totals;
    for (int i = 0; i < runs(3); ++i) {
        const UploadRun run = uploadOnce(board, fixture, program, records, 0);
        if (!run.ok) {
            report.add(section, QStringLiteral("32 KiB upload, board answering at once"),
                       QStringLiteral("failed: ") + run.failure);
            return;
        }
        handling.insert(handling.end(), run.handlingUs.begin(), run.handlingUs.end());
        cycles.insert(cycles.end(), run.cycleUs.begin(), run.cycleUs.end());
        totals.push_back(run.requestsSeconds);
    }
    const double handlingMean = mean(handling);
    report.add(section, QStringLiteral("terminal time per record: ACK notification → load line and next \"H\" written"),
               QStringLiteral("%1 µs (mean %2, 99th pct %3)")
                   .arg(number(median(handling), 1), number(handlingMean, 1), number(percentile(handling, 0.99), 1)),
               QStringLiteral("≪ 1 ms (mean)"), handlingMean < 1000);
    report.add(
        section, QStringLiteral("cycle per record at the board answering at once (\"H\" to next \"H\", pty both ways)"),
        QStringLiteral("%1 µs (32 KiB in %2 ms)").arg(number(median(cycles), 1), number(median(totals) * 1e3, 0)));
    const double wire115200 = double(records) * 63 * 10 / 115200;
    const double estimate = (wire115200 + records * handlingMean / 1e6) / wire115200;
    report.add(section, QStringLiteral("32 KiB at 115200 bit/s: (wire time + measured terminal time) / wire time"),
               number(estimate, 4), QStringLiteral("≤ 1.02"), estimate <= 1.02);

    // Against the board pacing the line: once each, they take seconds.
    for (const auto &[speed, count, path] :
         {std::tuple{115200, records, program}, std::tuple{9600, 150, shortProgram}}) {
        const UploadRun run = uploadOnce(board, fixture, path, count, speed);
        const QString name =
            QStringLiteral("%1 records against the board paced at %2 bit/s: time / wire time").arg(count).arg(speed);
        if (!run.ok) {
            report.add(section, name, QStringLiteral("failed: ") + run.failure);
            continue;
        }
        // The board stamps each request as read from the pty, and models the
        // line itself: the last load line finishes arriving 61 characters later.
        const double characterSeconds = 10.0 / speed;
        const double taken = run.requestsSeconds + 61 * characterSeconds;
        const double wire = double(count) * 63 * characterSeconds;
        report.add(section, name,
                   QStringLiteral("%1 (%2 s for %3 s of wire time)")
                       .arg(number(taken / wire, 4), number(taken, 2), number(wire, 2)));
        // What of it is the terminal's: its side of each exchange, added to
        // the wire time; the rest is the board's own scheduling.
        const double terminalSide = std::accumulate(run.terminalSideUs.begin(), run.terminalSideUs.end(), 0.0) / 1e6;
        const double ratio = (wire + terminalSide) / wire;
        report.add(section, QStringLiteral("  same, (wire time + terminal's side of each exchange) / wire time"),
                   QStringLiteral("%1 (%2 µs per record: ACK written → next \"H\" read, pty both ways)")
                       .arg(number(ratio, 4), number(median(run.terminalSideUs), 1)),
                   speed == 115200 ? QStringLiteral("≤ 1.02") : QString(),
                   speed == 115200 ? std::optional<bool>(ratio <= 1.02) : std::nullopt);
    }

    // Cancel: answered within 100 ms plus one record's wire time (63 characters).
    for (const int speed : {115200, 9600}) {
        std::vector<double> latencies;
        QString failure;
        for (int i = 0; i < runs(5) && failure.isEmpty(); ++i) {
            const int storedBefore = [&] {
                int n = 0;
                board.call([&](SimulatedBoard &b) { n = b.recordsStored(); });
                return n;
            }();
            const CancelRun run = cancelOnce(board, fixture, program, speed, 20 + i * 7);
            if (!run.failure.isEmpty())
                failure = run.failure;
            else if (run.stored - storedBefore != run.lines)
                failure = QStringLiteral("a load line arrived cut");
            latencies.push_back(run.ms);
        }
        const double bound = 100.0 + 63.0 * 10 * 1000 / speed;
        const double worst = latencies.empty() ? 0 : *std::max_element(latencies.begin(), latencies.end());
        report.add(section, QStringLiteral("\"Annuler\" → upload ended, board paced at %1 bit/s").arg(speed),
                   failure.isEmpty() ? QStringLiteral("%1 ms (median %2 over %3 runs)")
                                           .arg(number(worst, 1), number(median(latencies), 1))
                                           .arg(latencies.size())
                                     : QStringLiteral("failed: ") + failure,
                   QStringLiteral("≤ %1 ms").arg(number(bound, 1)), failure.isEmpty() && worst <= bound);
    }

    // Waiting for an answer that never comes (the upload's 2 s reply time-out).
    {
        board.call([](SimulatedBoard &b) { b.setSilent(true); });
        QEventLoop loop;
        fixture.boxes.whileOpen = [&](const MessageRequest &) { loop.quit(); };
        fixture.chooser.answer = oneRecord;
        window.findChild<QAction *>(QStringLiteral("mnuOpenLog"))->trigger();
        window.findChild<QAction *>(QStringLiteral("mnuSendText"))->trigger();
        idleFor(300); // the progress window's first paint is not waiting
        CpuMeter cpu(&board);
        QTimer::singleShot(10'000, &loop, &QEventLoop::quit);
        loop.exec();
        const double share = 100.0 * cpu.seconds() / cpu.wallSeconds();
        const double waited = cpu.wallSeconds();
        fixture.boxes.whileOpen = nullptr;
        const bool timedOut = !fixture.boxes.shown.isEmpty()
                              && fixture.boxes.shown.constLast().text == QStringLiteral("Timeout, Pas de réponse !");
        waitFor([&] { return !window.uploadRunning(); }, 1000);
        board.call([](SimulatedBoard &b) { b.setSilent(false); });
        report.add(section, QStringLiteral("CPU while waiting for an answer that never comes"),
                   timedOut ? QStringLiteral("%1 % of a core over %2 s").arg(number(share, 3), number(waited, 2))
                            : QStringLiteral("failed: no time-out box"),
                   QStringLiteral("≈ 0"), timedOut && share <= 0.1);
    }
}

} // namespace bench
