// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "screen/displayrules.h"

#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QTimer>

#include <functional>
#include <optional>

class MessageBoxes;
class ScrollBarPace;
class TerminalView;

// Shows received text in the terminal text box txtTerm by the display rules
// (displayrules.h). A burst of chunks is composed into one edit and the text
// box is edited at most once per frame: a fast line would otherwise spend its
// time painting text that scrolls away at once. The first chunk after a quiet
// frame shows on the next event loop pass.
class TerminalDisplay final : public QObject
{
    Q_OBJECT
public:
    // Both must outlive this object; it is a child of txtTerm unless told.
    TerminalDisplay(TerminalView &txtTerm, MessageBoxes &boxes, QObject *parent = nullptr);

    // The routine: trim, edit by the chunk, caret to the end. A failing step
    // is reported in a box titled with the application's title, and the
    // routine goes on with the next step.
    void display(const QString &data);

    // Applies what is still pending to the text box now. Call it before
    // anything else edits the text box (the keyboard does), so that the
    // order of edits stays the order of events.
    void flush();

    // Shows text at once, by the same rules, after anything pending (the
    // keyboard's echo). A long text is taken in pieces, so that the terminal
    // ends as bounded as after a burst from the board.
    void showNow(const QString &text);

    // What a bell from the board sounds like (default: the system beep).
    void setBeep(std::function<void()> beep) { m_beep = std::move(beep); }

    static constexpr int FrameMilliseconds = 16;

signals:
    // Every piece of text the terminal is given to show, as given and in
    // order (the board's and the echo), before any rule or bound acts on it.
    void arrived(const QString &data);

private:
    void scheduleFlush();
    template <typename Step>
    void runStep(Step step);

    TerminalView &m_txtTerm;
    MessageBoxes &m_boxes;
    ScrollBarPace *m_scrollBars; // a child of txtTerm
    std::optional<DisplayBatch> m_pending;
    QTimer m_flushTimer;
    QElapsedTimer m_sinceFlush;
    std::function<void()> m_beep;
};

// The name the window, the receive path and the view command call.
inline void DisplayReceivedText(TerminalDisplay &txtTerm, const QString &data)
{
    txtTerm.display(data);
}

// The terminal's set-up at start-up: empty, blue text in the system's
// fixed-width font (dumps line up).
void prepareTerminalTextBox(TerminalView &txtTerm);

// The terminal's text colour: blue (red 0, green 0, blue 255).
void setTerminalTextColour(TerminalView &txtTerm);
