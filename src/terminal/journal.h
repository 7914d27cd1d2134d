// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QStringView>
#include <QTimer>

// A file that keeps everything the terminal is given to show, character for
// character and one byte each (Latin-1, as on the line), before the
// terminal's bound trims it. Text waits in memory and goes out in large
// blocks, at least once a second and at every stop: a crash loses at most
// the last second, and a fast line costs one write a second, not one per
// chunk. The file is opened again for each block and never created again:
// a folder removed or a file deleted meanwhile shows at the next block,
// instead of text going on into a file nobody can reach any more.
class Journal final : public QObject
{
    Q_OBJECT
public:
    explicit Journal(QObject *parent = nullptr);
    ~Journal() override; // stops, writing what is pending

    // Starts on a file, created when missing, continued at its end
    // otherwise; a running journal is stopped first. False, with failed()
    // emitted, when the file cannot be opened.
    bool start(const QString &path);
    // Writes what is pending and ends. False, with failed() emitted, when
    // that last write failed.
    bool stop();

    bool isRunning() const { return !m_path.isEmpty(); }
    const QString &path() const { return m_path; }
    // Bytes of the latest journal in its file, pending ones not counted.
    qint64 bytesWritten() const { return m_written; }

    // Takes text as the terminal is given it (nothing while stopped).
    void append(QStringView text);

    static constexpr int FlushMilliseconds = 1000;
    static constexpr qsizetype BlockBytes = 64 * 1024;

signals:
    // The file could not be opened or written: the journal has stopped. The
    // file keeps `written` bytes of this journal; `lost` could not be written.
    void failed(const QString &path, const QString &reason, qint64 written, qint64 lost);

private:
    bool writePending();
    void fail(const QString &reason);

    QString m_path;
    QByteArray m_pending;
    QTimer m_flushTimer;
    qint64 m_written = 0;
};
