// SPDX-License-Identifier: GPL-3.0-or-later
// The two hot paths on their own: the terminal display (DisplayReceivedText
// into a shown text box) and the HEX conversion with load-line formatting.

#include "benchsupport.h"

#include "screen/terminalview.h"

#include "screen/terminaldisplay.h"
#include "shared/messageboxes.h"
#include "transfer/loadline.h"
#include "transfer/tempfile.h"

#include <QEventLoop>
#include <QFile>
#include <QSaveFile>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <numeric>

namespace bench {

namespace {

QString number(double value, int decimals)
{
    return QString::number(value, 'f', decimals);
}

// Characters per second and CPU s/MB for one run: chunks handed over one per
// event loop pass, as the receive path delivers them, until the end is painted.
struct DisplayRun
{
    bool ok = false;
    double charsPerSecond = 0;
    double cpuPerMb = 0;
};

DisplayRun displayOnce(const QString &data, qsizetype chunk, const QString &marker)
{
    TerminalView txtTerm;
    QtMessageBoxes boxes; // never shown: the rules do not fail on text
    prepareTerminalTextBox(txtTerm);
    TerminalDisplay display(txtTerm, boxes);
    txtTerm.resize(800, 600);
    txtTerm.show();
    if (!QTest::qWaitForWindowExposed(&txtTerm))
        return {};
    idleFor(50);

    DisplayRun run;
    CpuMeter cpu;
    qsizetype at = 0;
    QTimer feed;
    feed.setInterval(0);
    QObject::connect(&feed, &QTimer::timeout, &txtTerm, [&] {
        if (at >= data.size()) {
            feed.stop();
            DisplayReceivedText(display, marker);
            return;
        }
        DisplayReceivedText(display, data.mid(at, chunk));
        at += chunk;
    });
    feed.start();
    run.ok = waitShown(txtTerm, marker, 120'000);
    const double wall = cpu.wallSeconds();
    run.charsPerSecond = double(data.size()) / wall;
    run.cpuPerMb = cpu.seconds() / (double(data.size()) / 1e6);
    return run;
}

// A program of 16- or 32-byte records, `size` bytes of text at least;
// addresses wrap at 64 KiB, as a long file's must.
QByteArray hexProgram(qsizetype size, int recordBytes)
{
    QByteArray text;
    text.reserve(size + 64);
    for (int r = 0; text.size() < size; ++r) {
        const int address = (r * recordBytes) & 0xFFFF;
        QByteArray bytes;
        bytes.append(char(recordBytes)).append(char(address >> 8)).append(char(address & 0xFF)).append(char(0));
        for (int i = 0; i < recordBytes; ++i)
            bytes.append(char((r * 31 + i * 7) & 0xFF));
        const int sum = std::accumulate(bytes.begin(), bytes.end(), 0, [](int s, char c) { return s + uchar(c); });
        bytes.append(char((0x100 - (sum & 0xFF)) & 0xFF));
        text += ':' + bytes.toHex().toUpper() + "\r\n";
    }
    text += ":00000001FF\r\n";
    return text;
}

// ConvertHexFile + readTempFile + FormatHexLine over every line, in seconds
// (total, then each of the three); a negative total on failure.
struct Conversion
{
    double total = -1, convert = 0, read = 0, format = 0;
    int loadLines = 0;
};

Conversion convertOnce(const QString &path, const QString &tempDirectory)
{
    Conversion c;
    QElapsedTimer clock;
    clock.start();
    const FileResult converted = ConvertHexFile(path, tempDirectory);
    if (!converted.ok)
        return c;
    c.convert = double(clock.nsecsElapsed()) / 1e9;
    const TempLines lines = readTempFile(converted.path);
    if (!lines.ok)
        return c;
    c.read = double(clock.nsecsElapsed()) / 1e9 - c.convert;
    for (const QString &line : lines.lines) {
        const FormattedLine formatted = FormatHexLine(line);
        if (formatted.outcome == LineOutcome::Rejected)
            return c;
        c.loadLines += formatted.outcome == LineOutcome::Load ? 1 : 0;
    }
    c.total = double(clock.nsecsElapsed()) / 1e9;
    c.format = c.total - c.convert - c.read;
    return c;
}

} // namespace

void benchDisplay(Report &report)
{
    const QString section = QStringLiteral("Display");
    for (const qsizetype chunk : {qsizetype(1), qsizetype(64), qsizetype(4096)}) {
        // One character per pass is slow by nature; a shorter run says the same.
        const QString data = QString::fromLatin1(lines80(chunk == 1 ? 200'000 : 4'000'000));
        std::vector<double> rates;
        std::vector<double> cpu;
        bool ok = true;
        for (int i = 0; i < runs(3) && ok; ++i) {
            const DisplayRun run = displayOnce(data, chunk, QStringLiteral("~display %1 %2~").arg(chunk).arg(i));
            ok = run.ok;
            rates.push_back(run.charsPerSecond);
            cpu.push_back(run.cpuPerMb);
        }
        report.add(section,
                   QStringLiteral("DisplayReceivedText, chunks of %1, one per event loop pass, to idle").arg(chunk),
                   ok ? QStringLiteral("%1 M chars/s (%2 CPU s/MB)")
                            .arg(number(median(rates) / 1e6, 2), number(median(cpu), 4))
                      : QStringLiteral("failed: end not shown"));
    }
}

void benchConversion(Report &report)
{
    const QString section = QStringLiteral("Conversion");
    QTemporaryDir dir;
    struct Case
    {
        QString name;
        QByteArray text;
        int wantedRuns;
    };
    const Case cases[] = {
        {QStringLiteral("64 KiB program, 16-byte records"), hexProgram(4096 * 45 - 1, 16), 5},
        {QStringLiteral("64 KiB program, 32-byte records"), hexProgram(2048 * 77 - 1, 32), 5},
        {QStringLiteral("20 MB file, 16-byte records"), hexProgram(20'000'000, 16), 3},
    };
    for (const Case &c : cases) {
        const QString path = dir.filePath(QStringLiteral("program.hex"));
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(c.text) != c.text.size()) {
            report.add(section, c.name, QStringLiteral("failed: cannot write the program file"));
            continue;
        }
        file.close();
        std::vector<Conversion> results;
        for (int i = 0; i < runs(c.wantedRuns); ++i)
            results.push_back(convertOnce(path, dir.path()));
        if (std::any_of(results.begin(), results.end(), [](const Conversion &r) { return r.total < 0; })) {
            report.add(section, c.name, QStringLiteral("failed: conversion refused the file"));
            continue;
        }
        std::sort(results.begin(), results.end(),
                  [](const Conversion &a, const Conversion &b) { return a.total < b.total; });
        // The floor of an atomic replace: QSaveFile commits with fsync.
        std::vector<double> commits;
        for (int i = 0; i < runs(c.wantedRuns); ++i) {
            QElapsedTimer clock;
            clock.start();
            QSaveFile save(dir.filePath(QStringLiteral("saved.bin")));
            if (save.open(QIODevice::WriteOnly)) {
                save.write(c.text);
                save.commit();
            }
            commits.push_back(double(clock.nsecsElapsed()) / 1e6);
        }
        const Conversion &m = results[results.size() / 2];
        const double rate = double(c.text.size()) / 1e6 / m.total;
        report.add(section, QStringLiteral("ConvertHexFile + readTempFile + FormatHexLine, %1").arg(c.name),
                   QStringLiteral("%1 MB/s (%2 MB, %3 load lines in %4 ms: convert %5, read back %6, format %7; "
                                  "a bare QSaveFile write + commit of the file's size: %8 ms)")
                       .arg(number(rate, 1), number(double(c.text.size()) / 1e6, 2))
                       .arg(m.loadLines)
                       .arg(number(m.total * 1e3, 1), number(m.convert * 1e3, 1), number(m.read * 1e3, 1),
                            number(m.format * 1e3, 1), number(median(commits), 1)),
                   QStringLiteral("≥ 50 MB/s"), rate >= 50);
    }
}

} // namespace bench
