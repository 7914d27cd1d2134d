// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "shared/messageboxes.h"
#include "transfer/loadline.h"

#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>

#include <functional>
#include <optional>

// How an upload ended, and what the window needs to say so.
struct UploadResult
{
    enum class Outcome {
        Loaded,         // every record acknowledged and sent
        Cancelled,      // the user stopped it at a record boundary
        NothingToLoad,  // no data record: nothing sent
        TimedOut,       // no answer within 2 s of an "H" leaving, or an answer beginning with "1"
        RefusedByBoard, // an answer beginning with anything but ACK
        LineRejected,   // a line that makes no load line; nothing sent from it on
        DeviceLost,     // the port went away, or refused a write (`reason` says why)
    };

    Outcome outcome = Outcome::Loaded;
    QString reason;         // the port's own description of a refused write
    int recordsSent = 0;    // load lines sent whole
    int recordsTotal = 0;   // data records the upload meant to send
    int lowestAddress = -1; // of the bytes sent; -1 when none
    int highestAddress = -1;
    qint64 elapsedMs = 0;
    QString detail; // where it stopped: the rejected line, the record and the answer
};

// The box that tells the user how an upload ended; none for a success or a cancel.
std::optional<MessageRequest> uploadEndBox(const UploadResult &result);
// The status bar's account of how it ended.
QString uploadEndStatus(const UploadResult &result);

// Where an upload stands, for the progress window.
struct UploadProgress
{
    int recordsSent = 0;
    int recordsTotal = 0;
    QString address; // of the record being sent
    qint64 elapsedMs = 0;
    bool cancelling = false;
};

// Sends the temporary file's records to the board, one per acknowledged "H".
// Event-driven: it never waits itself. The window hands it what the port
// receives while it runs; its own timer ends a wait for an answer 2 s after
// the "H" has left on the line.
class Upload : public QObject
{
    Q_OBJECT

public:
    // Writes text to the port; throws Failure when the port refuses. It may
    // re-enter (deviceLost()) before it returns.
    using SendFunction = std::function<void(const QString &)>;

    static constexpr int replyTimeoutMs = 2000;

    explicit Upload(SendFunction send, QObject *parent = nullptr);

    // The line's speed: what was queued before an "H" delays its departure
    // by 10 bits a character. 0: unknown, no delay counted.
    void setLineSpeed(int bitsPerSecond) { m_bitsPerSecond = bitsPerSecond; }

    // Starts an upload of the temporary file's lines. It may end (finished())
    // before this returns, e.g. for a file without data records. False, and
    // nothing done, when an upload already runs.
    bool start(const QList<ProgramLine> &lines);
    bool start(const QStringList &tempLines) { return start(programLines(tempLines)); }

    // What one receive notification brought. Only the first character of an
    // awaited answer counts; outside a wait it is dropped.
    void receive(const QString &text);

    // Stops at the next record boundary: the awaited answer still comes (an
    // acknowledged record goes out whole, since the board then waits for its
    // line), and no further "H" is sent.
    void cancel();

    // The serial device vanished: the upload ends at once.
    void deviceLost();

    // The owner is going away: ends the upload without a word (no finished()).
    void stop();

    bool isRunning() const { return m_running; }

signals:
    void progressed(const UploadProgress &progress);
    void finished(const UploadResult &result);

private:
    void sendLines();
    void sendRequest();
    void replyTimedOut();
    bool send(const QString &text);
    void reportProgress();
    void end(UploadResult::Outcome outcome, const QString &reason = {});
    QString recordWhere() const;

    SendFunction m_send;
    QTimer m_replyTimer;
    QElapsedTimer m_clock;
    int m_bitsPerSecond = 0;
    qint64 m_lineFreeNs = 0; // when what was written so far has left on the line
    qint64 m_lastProgressMs = 0;

    bool m_running = false;
    bool m_awaitingReply = false;
    bool m_cancelling = false;
    // Tells a step whether the upload it belongs to is still the current one
    // after a send, which may re-enter.
    quint64 m_run = 0;
    QList<ProgramLine> m_lines;
    qsizetype m_next = 0;
    QString m_loadLine; // the line the awaited answer is for
    UploadResult m_result;
};
