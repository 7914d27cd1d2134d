// SPDX-License-Identifier: GPL-3.0-or-later
#include "screen/caretrest.h"

#include <QApplication>
#include <QEvent>
#include <QWidget>

CaretRest::CaretRest(QWidget &textBox) : QObject(&textBox), m_textBox(textBox)
{
    m_idle.setSingleShot(true);
    m_idle.setInterval(RestAfterMs);
    connect(&m_idle, &QTimer::timeout, this, &CaretRest::rest);
    textBox.installEventFilter(this);
    if (textBox.hasFocus())
        m_idle.start();
}

CaretRest::~CaretRest()
{
    wake();
}

bool CaretRest::eventFilter(QObject *watched, QEvent *event)
{
    switch (event->type()) {
    case QEvent::KeyPress:
    case QEvent::MouseButtonPress:
    case QEvent::InputMethod:
    case QEvent::FocusIn:
        // Before the text box handles it, so that it blinks from this event on.
        wake();
        m_idle.start();
        break;
    case QEvent::FocusOut:
        m_idle.stop();
        wake();
        break;
    default: break;
    }
    return QObject::eventFilter(watched, event);
}

void CaretRest::rest()
{
    if (m_resting || !m_textBox.hasFocus())
        return;
    m_flashTime = QApplication::cursorFlashTime();
    if (m_flashTime <= 0)
        return; // the desktop does not blink the caret at all
    m_resting = true;
    // A flash time of 0 is a steady caret; text boxes follow a change at once.
    QApplication::setCursorFlashTime(0);
}

void CaretRest::wake()
{
    if (!m_resting)
        return;
    m_resting = false;
    QApplication::setCursorFlashTime(m_flashTime);
}
