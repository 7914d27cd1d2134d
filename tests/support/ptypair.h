// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>

// A raw pseudo-terminal for tests: the test holds the master side and plays
// the far end of the line; the product opens the slave path as its port.
class PtyPair
{
public:
    PtyPair();
    ~PtyPair();
    PtyPair(const PtyPair &) = delete;
    PtyPair &operator=(const PtyPair &) = delete;

    QString slavePath() const { return m_slavePath; }
    int masterFd() const { return m_master; }

    // What the far end receives until `count` bytes have arrived or `timeoutMs` passed; waits in poll().
    QByteArray readAtLeast(qsizetype count, int timeoutMs = 5000);
    void write(const QByteArray &bytes);
    // The far end goes away: the product sees its device vanish.
    void hangUp();

private:
    int m_master = -1;
    int m_slaveKeepAlive = -1;
    QString m_slavePath;
};
