// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QAccessibleTextInterface>
#include <QAccessibleWidget>
#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QTimer>

class TerminalView;

// The terminal as a screen reader sees it: a read-only terminal whose text is
// the bounded text the view shows, with its caret and selection. Installed
// through an accessibility factory, on the view itself (not its viewport),
// so that the focus and the text are one object for the tool.
class TerminalAccessible final : public QAccessibleWidget, public QAccessibleTextInterface
{
public:
    explicit TerminalAccessible(TerminalView *view);

    QAccessible::State state() const override;
    void *interface_cast(QAccessible::InterfaceType type) override;

    void selection(int selectionIndex, int *startOffset, int *endOffset) const override;
    int selectionCount() const override;
    void addSelection(int startOffset, int endOffset) override;
    void removeSelection(int selectionIndex) override;
    void setSelection(int selectionIndex, int startOffset, int endOffset) override;
    int cursorPosition() const override;
    void setCursorPosition(int position) override;
    QString text(int startOffset, int endOffset) const override;
    QString textBeforeOffset(int offset, QAccessible::TextBoundaryType boundaryType, int *startOffset,
                             int *endOffset) const override;
    QString textAfterOffset(int offset, QAccessible::TextBoundaryType boundaryType, int *startOffset,
                            int *endOffset) const override;
    QString textAtOffset(int offset, QAccessible::TextBoundaryType boundaryType, int *startOffset,
                         int *endOffset) const override;
    int characterCount() const override;
    QRect characterRect(int offset) const override;
    int offsetAtPoint(const QPoint &point) const override;
    void scrollToSubstring(int startIndex, int endIndex) override;
    QString attributes(int offset, int *startOffset, int *endOffset) const override;

    using QAccessibleWidget::text;

private:
    TerminalView *view() const;
};

// Installs the factory that gives TerminalView its interface (once).
void installTerminalAccessibility();

// Tells assistive tools what became of the terminal's text: what the bound
// dropped from the front, what a backspace removed at the end, what was
// added, then the caret at the end of the addition. Additions are grouped,
// at most one telling per GroupMs, so that a fast line does not flood the
// tool; the first after a quiet spell goes at the next event loop pass.
// The view calls it only while a tool is active: otherwise nothing is kept.
class TerminalAnnouncer final : public QObject
{
    Q_OBJECT
public:
    static constexpr int GroupMs = 100;

    explicit TerminalAnnouncer(TerminalView &view);

    // Before the view applies an edit that drops characters from the front.
    void aboutToEdit(qsizetype dropFront);
    // The caret or the selection moved (a key, the mouse, the tool itself).
    void caretMoved();
    // A tool went away: what it was told no longer counts.
    void forget();
    // Tells now what is pending.
    void flush();

private:
    TerminalView &m_view;
    QString m_told; // the text as the tool was last told it
    bool m_known = false;
    qsizetype m_dropped = 0;
    bool m_hadSelection = false;
    QTimer m_timer;
    QElapsedTimer m_sinceFlush;
};
