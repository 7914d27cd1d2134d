// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "screen/terminalsearch.h"

#include <QToolBar>

class QAction;
class QCheckBox;
class QLabel;
class QLineEdit;
class TerminalView;

// The find bar under the terminal. It searches as the user types (without
// regard to case unless asked), has the view highlight every match, moves
// between them (Entrée or F3 to the next, Maj+Entrée or Maj+F3 to the
// previous) and says "N sur M". Échap closes it and gives the keys back to
// the terminal. What is typed here never reaches the board: the terminal,
// which sends keys, does not have them.
class FindBar final : public QToolBar
{
    Q_OBJECT
public:
    explicit FindBar(TerminalView &txtTerm, QWidget *parent = nullptr);

    // "Rechercher…" (Ctrl+Maj+F), for the window and the terminal's menu.
    QAction *openAction() const { return m_openAction; }
    void open();
    void closeBar();
    bool isOpen() const { return m_open; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void search();
    void step(bool forward);
    void textEdited(qsizetype dropped);
    void showCurrent(bool reveal);

    TerminalView &m_txtTerm;
    TerminalSearch m_search;
    QAction *m_openAction;
    QLineEdit *m_pattern;
    QCheckBox *m_matchCase;
    QLabel *m_status;
    bool m_open = false;
};
