// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>

class KeyboardSend;
class QAction;
class QPoint;
class TerminalDisplay;
class TerminalView;

// The terminal's context menu: copy, paste, select all, clear the screen.
// Nothing here edits the transcript: it is the board's conversation.
class TerminalMenu final : public QObject
{
    Q_OBJECT
public:
    TerminalMenu(TerminalView &view, TerminalDisplay &display, KeyboardSend &keyboard, QObject *parent);

    // Paste types to the board: the window offers it only when typing is.
    QAction *pasteAction() const { return mnuColler; }
    // "Rechercher…", after the others.
    void addFinding(QAction *find) { mnuRechercher = find; }

private:
    void popUp(const QPoint &position);

    TerminalView &m_view;
    QAction *mnuCopier = nullptr;
    QAction *mnuColler = nullptr;
    QAction *mnuToutSelectionner = nullptr;
    QAction *mnuEffacerEcran = nullptr;
    QAction *mnuRechercher = nullptr;
};
