// SPDX-License-Identifier: GPL-3.0-or-later
#include "screen/scrollbarpace.h"

#include <QAbstractScrollArea>
#include <QEvent>
#include <QScrollBar>

#include <algorithm>

ScrollBarPace::ScrollBarPace(QAbstractScrollArea &area)
    : QObject(&area), m_bars{area.verticalScrollBar(), area.horizontalScrollBar()}
{
    m_release.setSingleShot(true);
    connect(&m_release, &QTimer::timeout, this, &ScrollBarPace::release);
    for (QScrollBar *bar : m_bars)
        bar->installEventFilter(this);
}

void ScrollBarPace::beforeEdit()
{
    if (m_holding)
        return;
    if (!m_sinceRelease.isValid() || m_sinceRelease.elapsed() >= IntervalMs || userOnABar()) {
        // This edit repaints the bars; the next ones within the interval wait.
        m_sinceRelease.start();
        return;
    }
    hold();
}

void ScrollBarPace::hold()
{
    m_holding = true;
    for (QScrollBar *bar : m_bars)
        bar->setUpdatesEnabled(false);
    m_release.start(int(std::max<qint64>(0, IntervalMs - m_sinceRelease.elapsed())));
}

void ScrollBarPace::release()
{
    // Only a hold arms the timer or lets the filter call this.
    m_release.stop();
    m_sinceRelease.start();
    m_holding = false;
    // Enabling updates again repaints each bar as it now stands.
    for (QScrollBar *bar : m_bars)
        bar->setUpdatesEnabled(true);
}

bool ScrollBarPace::userOnABar() const
{
    for (const QScrollBar *bar : m_bars)
        if (bar->underMouse() || bar->isSliderDown())
            return true;
    return false;
}

bool ScrollBarPace::eventFilter(QObject *watched, QEvent *event)
{
    // The pointer on a bar, or a bar moved or resized: show it as it is now.
    switch (event->type()) {
    case QEvent::Enter:
    case QEvent::MouseButtonPress:
    case QEvent::Resize:
    case QEvent::Show:
        if (m_holding)
            release();
        break;
    default: break;
    }
    return QObject::eventFilter(watched, event);
}
