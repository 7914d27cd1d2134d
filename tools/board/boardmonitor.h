// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QList>
#include <QString>
#include <QStringList>

// A load line that the board refused, and why.
struct BoardCheckFailure
{
    QByteArray line; // what arrived after the acknowledgement, the trailing blank included
    QString reason;
};

// The board's monitor as pure logic: it takes the bytes that arrive from the
// terminal one at a time and says what the board answers. It owns the
// memories and the transcript; the pty, pacing and hang-up belong to
// SimulatedBoard. See README.md for the command syntax.
class BoardMonitor
{
public:
    static constexpr int MemorySize = 65536;
    static constexpr int RamSize = 256;
    static constexpr int LoadLineSize = 60;     // the load line itself
    static constexpr int LoadTransferSize = 61; // ... and the blank that follows it
    static constexpr int MaxCommandLength = 40;
    static constexpr char Ack = 6;
    static constexpr char Nak = 21;

    struct Reply
    {
        QByteArray bytes;
        bool answersLoadRequest = false; // the answer to "H": the one a reply delay holds back
    };

    BoardMonitor();

    // One received byte in, the board's answer to it out (often empty).
    Reply receive(char byte);

    // Banner and prompt, as the board greets a terminal.
    QByteArray greeting();

    // Failure modes.
    void setSilent(bool on) { m_silent = on; }              // never answer "H"
    void setNakAfter(int records) { m_nakAfter = records; } // NAK once this many load lines came; < 0: never
    void setAnswerOne(bool on) { m_answerOne = on; }        // answer "1" to "H"
    void setJunkAfterAck(const QByteArray &junk) { m_junkAfterAck = junk; } // sent with the ACK, same write
    void setChatty(bool on) { m_chatty = on; }                              // a prompt after each load line

    bool isLoading() const { return m_state == State::LoadLine; }

    // Memories: program memory (loads, P), data memory (D, F), internal RAM (R, M).
    const QByteArray &programMemory() const { return m_program; }
    const QByteArray &dataMemory() const { return m_data; }
    const QByteArray &internalRam() const { return m_ram; }

    // Transcript.
    const QByteArray &bytesReceived() const { return m_received; }
    const QList<QByteArray> &loadLines() const
    {
        return m_loadLines;
    } // every load line received, 60 characters, stored or not
    const QStringList &executeRequests() const
    {
        return m_executeRequests;
    } // the address text of each X command, as typed
    const QList<BoardCheckFailure> &failedChecks() const { return m_failedChecks; }
    int recordsStored() const { return m_recordsStored; }
    QJsonObject transcript() const;

    // Checks one load transfer (61 characters); empty when it is sound.
    static QString checkLoadLine(const QByteArray &transfer);

private:
    enum class State { Command, LoadLine };

    Reply receiveLoadByte(char byte);
    Reply receiveCommandByte(char byte);
    Reply answerLoadRequest();
    QByteArray runCommand(const QByteArray &line);

    struct MonitorCommand
    {
        char letter;
        const char *usage;
        int required;      // arguments it needs
        QList<int> digits; // the most hex digits of each argument it takes
        QByteArray (BoardMonitor::*action)(const QList<int> &values);
    };
    static const QList<MonitorCommand> &commands();
    QByteArray run(const MonitorCommand &command, const QList<QByteArray> &args);
    QByteArray wakeUp();
    QByteArray execute(const QList<int> &values);
    QByteArray dumpRange(const QByteArray &memory, const QList<int> &values) const;
    QByteArray dumpProgram(const QList<int> &values);
    QByteArray dumpData(const QList<int> &values);
    QByteArray dumpRam(const QList<int> &values);
    QByteArray fill(const QList<int> &values);
    QByteArray modify(const QList<int> &values);
    QByteArray dump(const QByteArray &memory, int from, int to, int addressDigits) const;

    State m_state = State::Command;
    QByteArray m_commandLine;
    QByteArray m_transfer;
    bool m_greeted = false;

    bool m_silent = false;
    int m_nakAfter = -1;
    bool m_answerOne = false;
    QByteArray m_junkAfterAck;
    bool m_chatty = false;

    QByteArray m_program;
    QByteArray m_data;
    QByteArray m_ram;

    QByteArray m_received;
    QList<QByteArray> m_loadLines;
    QStringList m_executeRequests;
    QList<BoardCheckFailure> m_failedChecks;
    int m_recordsStored = 0;
};
