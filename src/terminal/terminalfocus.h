// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>

class QWidget;

// Brings the keyboard back to the terminal whenever the main window becomes
// active again: after a dialog, a message box or an information window
// closes, the next key goes to the board, not to a toolbar button.
class TerminalFocus final : public QObject
{
    Q_OBJECT
public:
    // Both must outlive this object, a child of the window.
    TerminalFocus(QWidget &window, QWidget &terminal);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QWidget &m_window;
    QWidget &m_terminal;
};
