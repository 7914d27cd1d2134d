// SPDX-License-Identifier: GPL-3.0-or-later
#include "serial/reconnector.h"

Reconnector::Reconnector(Link link, QObject *parent) : QObject(parent), m_link(std::move(link))
{
    m_timer.setInterval(IntervalMilliseconds);
    connect(&m_timer, &QTimer::timeout, this, &Reconnector::check);
}

void Reconnector::watch()
{
    if (!m_timer.isActive())
        m_timer.start();
}

// A device that is back may not be openable at once (its permissions are set
// a moment after it appears): then the next tick tries again.
void Reconnector::check()
{
    if (!m_link.devicePresent() || !m_link.reopen())
        return;
    m_timer.stop();
    emit reconnected();
}
