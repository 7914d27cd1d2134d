// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

class QSocketNotifier;

// Reads an open serial device on its descriptor. A line at its own pace
// (115200 bit/s hands over a few bytes every millisecond) would wake the
// program a thousand times a second; so after a read that found only a few
// bytes, the next one waits for a frame and takes what came meanwhile. The
// first byte after a quiet frame is read at once; a large read (a line faster
// than the frames) and expectAnswer() go back to reading at once. Nothing is
// dropped or reordered: every byte read is kept until take().
class PortReader final : public QObject
{
    Q_OBJECT
public:
    // Longer than the display's frame (TerminalDisplay::FrameMilliseconds),
    // so that what a read brings is shown at once rather than a frame later;
    // about 33 reads a second keep each byte's wait under 20 ms on average.
    static constexpr int FrameMilliseconds = 30;
    // Half of the kernel's line buffer: more than this in one frame and
    // waiting would only let the line fill it.
    static constexpr qsizetype LargeRead = 2048;

    explicit PortReader(QObject *parent = nullptr);
    ~PortReader() override;

    void start(int fd);
    void stop();
    bool isReading() const { return m_fd >= 0; }

    // Something was sent: its answer is read as soon as it arrives.
    void expectAnswer();
    // Reads what has arrived now, without waiting for the frame: call it
    // before a request whose answer must not be mixed with earlier text.
    void readNow();

    // Every byte read and not yet taken, in order of arrival.
    QByteArray take();

signals:
    // Bytes were read: take() them.
    void received();
    // The device hung up or vanished; reading has stopped.
    void failed();

private:
    struct Outcome
    {
        qsizetype bytes = 0;
        bool lost = false;
    };

    // Reads what is there; woken: the descriptor said it was readable.
    Outcome readAvailable(bool woken);
    // Chooses how the next read comes, then hands the bytes on.
    void follow(Outcome outcome, bool woken);

    int m_fd = -1;
    QSocketNotifier *m_notifier = nullptr;
    QTimer m_frame;
    QByteArray m_buffer;
    int m_smallReads = 0;
    QElapsedTimer m_sinceLarge;
};
