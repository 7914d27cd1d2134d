// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>

#include <atomic>
#include <functional>
#include <future>
#include <thread>

// Runs a blocking wait (the kernel's wait for a modem-line change) over and
// over on a thread of its own, and reports each return on the owner's
// thread. stop() interrupts the wait with a harmless signal and joins, so a
// close never leaves a thread behind on a descriptor that is gone.
class BlockingWaiter final : public QObject
{
    Q_OBJECT
public:
    // 0: what was waited for happened; otherwise the errno that ended the
    // wait (EINTR waits again, anything else ends the thread).
    using Wait = std::function<int()>;

    explicit BlockingWaiter(QObject *parent = nullptr);
    ~BlockingWaiter() override { stop(); }

    void start(Wait wait);
    void stop();
    bool isRunning() const { return m_thread.joinable(); }

signals:
    void happened();
    void ended(int error);

private:
    void run(const Wait &wait, int generation);

    std::thread m_thread;
    std::atomic<bool> m_stopping{false};
    std::future<void> m_finished;
    int m_generation = 0;
};
