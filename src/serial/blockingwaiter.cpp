// SPDX-License-Identifier: GPL-3.0-or-later
#include "serial/blockingwaiter.h"

#include <cerrno>

#ifdef Q_OS_UNIX
#include <csignal>
#include <pthread.h>
#endif

namespace {

#ifdef Q_OS_UNIX
// SIGURG is ignored by default, so a stray one harms nothing; its handler is
// installed without SA_RESTART so that it ends a blocked call with EINTR.
constexpr int InterruptSignal = SIGURG;

void installInterruptHandler()
{
    static const bool installed = [] {
        struct sigaction action
        {};
        action.sa_handler = [](int) {};
        sigemptyset(&action.sa_mask);
        action.sa_flags = 0;
        return ::sigaction(InterruptSignal, &action, nullptr) == 0;
    }();
    Q_UNUSED(installed);
}
#endif

} // namespace

BlockingWaiter::BlockingWaiter(QObject *parent) : QObject(parent)
{
#ifdef Q_OS_UNIX
    installInterruptHandler();
#endif
}

void BlockingWaiter::start(Wait wait)
{
    stop();
    m_stopping = false;
    std::promise<void> finished;
    m_finished = finished.get_future();
    const int generation = ++m_generation;
    m_thread = std::thread([this, wait = std::move(wait), generation, finished = std::move(finished)]() mutable {
        run(wait, generation);
        finished.set_value();
    });
}

void BlockingWaiter::run(const Wait &wait, int generation)
{
    // Reports are queued to this object's thread and dropped once a later
    // start or a stop has made them stale.
    auto report = [this, generation](auto &&deliver) {
        QMetaObject::invokeMethod(
            this,
            [this, generation, deliver] {
                if (generation == m_generation && !m_stopping)
                    deliver();
            },
            Qt::QueuedConnection);
    };
    // load(): the flag is set by the owner's thread while the wait blocks.
    while (!m_stopping.load()) {
        const int result = wait();
        if (m_stopping.load())
            return;
        if (result == 0) {
            report([this] { emit happened(); });
        } else if (result != EINTR) {
            report([this, result] { emit ended(result); });
            return;
        }
    }
}

void BlockingWaiter::stop()
{
    if (!m_thread.joinable())
        return;
    m_stopping = true;
    ++m_generation;
#ifdef Q_OS_UNIX
    // The signal may land just before the thread enters its wait: send it
    // again until the thread has seen the flag.
    do
        ::pthread_kill(m_thread.native_handle(), InterruptSignal);
    while (m_finished.wait_for(std::chrono::milliseconds(20)) != std::future_status::ready);
#endif
    m_thread.join();
}
