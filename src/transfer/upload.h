#pragma once

#include "shared/messageboxes.h"

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
        TimedOut,       // no answer within 2 s of an "H", or an answer beginning with "1"
        RefusedByBoard, // an answer beginning with anything but ACK
        LineRejected,   // a line that makes no load line; nothing sent from it on
        DeviceLost,     // the port went away, or refused a write (`reason` says why)
    };

    Outcome outcome = Outcome::Loaded;
    QString reason; // the port's own description of a refused write
};

// The box that tells the user how an upload ended; none for a success.
std::optional<MessageRequest> uploadEndBox(const UploadResult &result);

// Sends the temporary file's records to the board, one per acknowledged "H".
// Event-driven: it never waits itself. The window hands it what the port
// receives while it runs; its own timer ends a wait for an answer after 2 s.
class Upload : public QObject
{
    Q_OBJECT

public:
    // Writes text to the port; throws Failure when the port refuses. It may
    // re-enter (deviceLost()) before it returns.
    using SendFunction = std::function<void(const QString &)>;

    static constexpr int replyTimeoutMs = 2000;

    explicit Upload(SendFunction send, QObject *parent = nullptr);

    // Starts an upload of the temporary file's lines. It may end (finished())
    // before this returns, e.g. for a file without data records. False, and
    // nothing done, when an upload already runs.
    bool start(const QStringList &tempLines);

    // What one receive notification brought. Only the first character of an
    // awaited answer counts; outside a wait it is dropped.
    void receive(const QString &text);

    // The serial device vanished: the upload ends at once.
    void deviceLost();

    // The owner is going away: ends the upload without a word (no finished()).
    void stop();

    bool isRunning() const { return m_running; }

signals:
    void finished(const UploadResult &result);

private:
    void sendLines();
    bool send(const QString &text);
    void end(UploadResult::Outcome outcome, const QString &reason = {});

    SendFunction m_send;
    QTimer m_replyTimer;

    bool m_running = false;
    bool m_awaitingReply = false;
    // Tells a step whether the upload it belongs to is still the current one
    // after a send, which may re-enter.
    quint64 m_run = 0;
    QStringList m_lines;
    qsizetype m_next = 0;
    QString m_loadLine; // the line the awaited answer is for
};
