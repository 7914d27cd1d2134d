// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "boardmonitor.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QJsonObject>
#include <QObject>
#include <QString>
#include <QTimer>

#include <deque>
#include <memory>

class QSocketNotifier;

// A simulated KORVEX board on the master side of a pseudo-terminal: the
// terminal opens slavePath() as its serial device. Everything runs on the
// event loop of the thread that owns the object (QSocketNotifier, QTimer).
//
// Typical use in a test:
//     SimulatedBoard board;
//     QString error;
//     QVERIFY2(board.open(&error), qPrintable(error));
//     ... map Com1 to board.slavePath(), run the terminal ...
//     QTRY_COMPARE(board.recordsStored(), 3);
//
// Failure modes may be changed at any time; they apply to the next byte that
// arrives. Output (answers and send()) leaves in order through one queue,
// paced when a line speed is set, and is buffered while the pty is full.
class SimulatedBoard : public QObject
{
    Q_OBJECT

public:
    explicit SimulatedBoard(QObject *parent = nullptr);
    ~SimulatedBoard() override;

    // Creates the pty (raw, no echo). False with a reason when it cannot.
    // After a hang-up it may be opened again: a new device, same memories
    // and transcript.
    bool open(QString *error = nullptr);
    bool isOpen() const;
    // The device the terminal opens, e.g. /dev/pts/7; empty when not open.
    QString slavePath() const;

    // Closes the master (and the board's own slave descriptor): the terminal
    // side sees the device vanish (EIO / POLLHUP). Pending output is dropped.
    void hangUp();

    // Pushes arbitrary bytes to the terminal, after any output already queued.
    // Large amounts are fine: they wait in a buffer for the pty to drain.
    void send(const QByteArray &bytes);
    // Banner and prompt, as a board greets a terminal (also sent by the
    // monitor at the first empty command line).
    void sendGreeting();
    // Bytes queued or buffered but not yet written into the pty.
    qint64 pendingOutput() const;

    // Failure modes.
    void setSilent(bool on);                      // never answer "H"
    void setNakAfter(int records);                // NAK to "H" once this many load lines came; < 0: never (default)
    void setAnswerOne(bool on);                   // answer "1" to "H"
    void setJunkAfterAck(const QByteArray &junk); // these bytes follow the ACK in the same write (unpaced)
    void setReplyDelayMs(int ms);                 // the answer to "H" leaves this much later
    void setLineSpeed(int bitsPerSecond);         // 10 bits per character; 0: no pacing (default)
    void setChatty(bool on);                      // a prompt after each load line
    void setHangUpAfter(int records);             // hang up once this many load lines came; < 0: never (default)

    // Memories (64 KiB program and data memory, 256 bytes of internal RAM).
    QByteArray memory() const;
    QByteArray dataMemory() const;
    QByteArray internalRam() const;

    // Transcript.
    QByteArray bytesReceived() const;
    QList<QByteArray> loadLines() const; // every load line received (60 characters), stored or not
    int recordsStored() const;
    QStringList executeRequests() const; // the address text of each X command, as typed
    QList<BoardCheckFailure> failedChecks() const;
    QJsonObject transcript() const; // all of the above, as written by korvex-board --log

signals:
    void bytesArrived(const QByteArray &bytes);
    void loadLineReceived(const QByteArray &line, bool stored);
    void executeRequested(const QString &address);
    void outputDrained(); // everything queued has gone into the pty
    void hungUp();

private:
    struct Chunk
    {
        QByteArray bytes;
        qint64 notBeforeNs = 0;
    };

    void closeDescriptors();
    void onReadable();
    void onWritable();
    void queue(const QByteArray &bytes, qint64 notBeforeNs);
    void release();
    void flush();
    qint64 nowNs() const { return m_clock.nsecsElapsed(); }
    qint64 characterNs() const;

    BoardMonitor m_monitor;
    int m_master = -1;
    int m_slave = -1;
    QString m_slavePath;
    std::unique_ptr<QSocketNotifier> m_readNotifier;
    std::unique_ptr<QSocketNotifier> m_writeNotifier;

    QElapsedTimer m_clock;
    QTimer m_paceTimer;
    std::deque<Chunk> m_queue; // not yet due (reply delay, pacing)
    QByteArray m_writeBuffer;  // due, waiting for room in the pty
    qsizetype m_written = 0;   // bytes of m_writeBuffer already written
    qint64 m_txFreeNs = 0;     // earliest departure of the next paced character
    qint64 m_rxFreeNs = 0;     // when the bytes received so far finished arriving on a real line

    int m_replyDelayMs = 0;
    int m_lineSpeed = 0;
    int m_hangUpAfter = -1;
};
