#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>

class MessageBoxes;
class QTimer;
class QWidget;
struct SharedValues;

// Sends the temporary file's records to the board, one per acknowledged "H".
// Event-driven: it never waits itself. The window tells it when BoardReply
// changed (a receive notification, or the Timer3 tick storing 1), and it
// answers with the next step. Timer3 (the window's 2000 ms reply time-out)
// runs while a reply is awaited.
class Upload : public QObject
{
    Q_OBJECT

public:
    // Writes text to the port; throws Failure when the port refuses.
    using SendFunction = std::function<void(const QString &)>;

    Upload(SharedValues &values, QTimer &timer3, SendFunction send, MessageBoxes &boxes, QWidget *boxParent,
           QObject *parent = nullptr);

    // Starts an upload of the temporary file's lines: TransferActive true,
    // TransferAbort false, started(); it may end (finished()) before this
    // returns, e.g. for a file without data records. False, and nothing done,
    // when an upload already runs.
    bool start(const QStringList &tempLines);

    // BoardReply has been written by a receive notification or by the Timer3
    // tick. Outside a wait for a reply it does nothing.
    void boardReplyChanged();

    // The serial device vanished: the upload ends at once with its message.
    void deviceLost();

    // The window is closing: ends the upload without a message.
    void stop();

    bool isRunning() const { return m_state != State::Idle; }

signals:
    void started();
    void finished();

private:
    enum class State {
        Idle,
        Sending,      // between replies: formatting and writing
        WaitingReply, // "H" sent, Timer3 running
        Failing,      // its message box is open
    };

    void sendLines();
    bool send(const QString &text);
    void fail(const QString &text, const QString &informative = {});
    void finish();
    void enableTimer3();

    SharedValues &m_values;
    QTimer &m_timer3;
    SendFunction m_send;
    MessageBoxes &m_boxes;
    QWidget *m_boxParent;

    State m_state = State::Idle;
    // Tells a step whether the upload it belongs to is still the current one
    // after a call that may re-enter (a send, a message box).
    quint64 m_run = 0;
    QStringList m_lines;
    qsizetype m_next = 0;
    QString m_loadLine; // the line the awaited reply is for
};
