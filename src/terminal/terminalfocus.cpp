// SPDX-License-Identifier: GPL-3.0-or-later
#include "terminal/terminalfocus.h"

#include <QEvent>
#include <QWidget>

TerminalFocus::TerminalFocus(QWidget &window, QWidget &terminal)
    : QObject(&window), m_window(window), m_terminal(terminal)
{
    m_window.installEventFilter(this);
}

bool TerminalFocus::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == &m_window && event->type() == QEvent::WindowActivate && m_terminal.isVisible())
        m_terminal.setFocus(Qt::ActiveWindowFocusReason);
    return false;
}
