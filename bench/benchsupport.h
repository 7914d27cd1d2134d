// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Measuring helpers shared by the benchmarks: clocks, memory, medians, the
// result table, a simulated board on a thread of its own, and waiting for the
// terminal to show what it was sent.

#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QThread>

#include <functional>
#include <optional>
#include <vector>

#include <pthread.h>

class TerminalView;
class QWidget;
class SimulatedBoard;

struct TerminalFixture;
class FrmTerminal;

namespace bench {

// ---- clocks and memory

double processCpuSeconds();                // user + system, every thread
double threadCpuSeconds(pthread_t thread); // one thread's CPU time
qint64 statusKiB(const char *key);         // a line of /proc/self/status, e.g. "VmRSS"
void resetPeakMemory();                    // VmHWM starts again from VmRSS
qint64 monotonicNs();                      // comparable between threads

double median(std::vector<double> values);
double percentile(std::vector<double> values, double fraction);

// Runs how many times the figure is measured (3-5); KORVEX_BENCH_QUICK=1 runs once.
int runs(int wanted);

// ---- the result table

struct Figure
{
    QString section;
    QString name;
    QString value;  // formatted
    QString target; // empty: no target
    std::optional<bool> met;
};

class Report
{
public:
    void add(const QString &section, const QString &name, const QString &value, const QString &target = {},
             std::optional<bool> met = std::nullopt);
    void note(const QString &text) { m_notes.push_back(text); }
    void print(const QString &machine) const;
    bool allMet() const;

private:
    std::vector<Figure> m_figures;
    std::vector<QString> m_notes;
};

QString machineDescription();

// ---- a simulated board in a thread of its own, as a separate program would
// be: its work does not count as the terminal's (its CPU time is taken off),
// and it answers while the terminal's thread is busy.

class BoardThread
{
public:
    BoardThread();
    ~BoardThread();
    BoardThread(const BoardThread &) = delete;
    BoardThread &operator=(const BoardThread &) = delete;

    bool ok() const { return m_board != nullptr; }
    QString error() const { return m_error; }
    QString slavePath() const { return m_slavePath; }

    // Runs f on the board's thread and waits for it.
    void call(const std::function<void(SimulatedBoard &)> &f);
    // The board object, for connecting its signals (they arrive queued).
    SimulatedBoard *board() const { return m_board; }
    double cpuSeconds() const { return threadCpuSeconds(m_thread); }

    // Streams `total` bytes of 80-character lines (78 characters, CR LF),
    // then `marker`, keeping the pty full without holding the whole stream.
    void stream(qint64 total, const QByteArray &marker);

private:
    QThread m_worker;
    QObject *m_context = nullptr; // lives on the worker
    SimulatedBoard *m_board = nullptr;
    pthread_t m_thread{};
    QString m_error;
    QString m_slavePath;
};

// The window started on the board's pty and shown, as a user starts it; null,
// and said in the report, when the board or the window does not come up.
FrmTerminal *startTerminal(TerminalFixture &fixture, const BoardThread &board, Report &report, const QString &section);

// 80-character lines, the peers' comparison stream.
QByteArray lines80(qint64 size);

// The terminal CPU time: the process's, less the board thread's.
class CpuMeter
{
public:
    explicit CpuMeter(const BoardThread *board = nullptr) : m_board(board) { restart(); }
    void restart();
    double seconds() const; // CPU since restart()
    double wallSeconds() const { return double(m_wall.nsecsElapsed()) / 1e9; }

private:
    double now() const;
    const BoardThread *m_board;
    double m_start = 0;
    QElapsedTimer m_wall;
};

// Waits (in a local event loop) until `marker` ends the text of txtTerm and
// the text box has painted since; true when it did within timeoutMs.
bool waitShown(TerminalView &txtTerm, const QString &marker, int timeoutMs);

// Waits until predicate() holds, checking it when the event loop has run a
// pass or every `pollMs`; false on time-out.
bool waitFor(const std::function<bool()> &predicate, int timeoutMs, int pollMs = 5);

// Waits (event loop running) for this long.
void idleFor(int milliseconds);

// ---- the sections

void benchStartUp(Report &report, qint64 mainEntryNs);
void benchTerminal(Report &report);
void benchLine(Report &report);
void benchUpload(Report &report);
void benchDisplay(Report &report);
void benchConversion(Report &report);

} // namespace bench
