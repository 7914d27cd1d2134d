// SPDX-License-Identifier: GPL-3.0-or-later
// korvex-bench: the speed figures of the terminal on this machine, each the
// median of several runs, as one table. `make bench` builds it optimised and
// runs it offscreen. KORVEX_BENCH_QUICK=1 measures each figure once;
// KORVEX_BENCH_ONLY=startup,receive,line,upload,display,conversion picks
// sections.

#include "benchsupport.h"

#include "shared/application.h"
#include "terminal/frmterminal.h"

#include <QApplication>

#include <cstdio>

int main(int argc, char *argv[])
{
    const qint64 mainEntryNs = bench::monotonicNs();
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QApplication::setApplicationName(ApplicationTitle);
    QApplication::setQuitOnLastWindowClosed(false);

    // KORVEX_BENCH_ONLY=receive,upload runs only those sections.
    const QStringList only = qEnvironmentVariable("KORVEX_BENCH_ONLY").toLower().split(u',', Qt::SkipEmptyParts);
    auto wanted = [&only](const char *section) { return only.isEmpty() || only.contains(QLatin1String(section)); };

    bench::Report report;
    std::fprintf(stderr, "korvex-bench: %s\n", qPrintable(bench::machineDescription()));
    // Start-up first: the first window of the process is the cold start.
    if (wanted("startup"))
        bench::benchStartUp(report, mainEntryNs);
    bench::resetPeakMemory();
    if (wanted("receive"))
        bench::benchTerminal(report);
    if (wanted("line"))
        bench::benchLine(report);
    if (wanted("upload"))
        bench::benchUpload(report);
    // Peak memory of the terminal's own work, before the conversion of a
    // 20 MB file (a benchmark input, not a terminal's) raises it.
    if (only.isEmpty())
        report.add(QStringLiteral("Memory"),
                   QStringLiteral("peak resident memory (VmHWM) over start-up, 60 MB of stream, uploads"),
                   QStringLiteral("%1 MiB").arg(double(bench::statusKiB("VmHWM")) / 1024.0, 0, 'f', 1));
    if (wanted("display"))
        bench::benchDisplay(report);
    if (wanted("conversion"))
        bench::benchConversion(report);

    report.print(bench::machineDescription());
    return 0;
}
