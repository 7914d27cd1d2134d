// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "screen/terminallines.h"
#include "screen/terminalsearch.h"

#include <QAbstractScrollArea>
#include <QBasicTimer>
#include <QElapsedTimer>

#include <utility>

class TerminalAnnouncer;

// The terminal text box: the board's conversation in a fixed-width font,
// lines not wrapped, with both scroll bars, a caret at the end and a
// selection for copying. It holds only the bounded text the display rules
// leave, and repaints only what an edit changed: a new line scrolls the view
// by a copy of the pixels and draws the lines that are new. A text editor
// would lay out and repaint far more for a line that talks all day.
// Read-only to the user: keys reach it only to move the caret or select.
class TerminalView final : public QAbstractScrollArea
{
    Q_OBJECT
public:
    explicit TerminalView(QWidget *parent = nullptr);

    const QString &text() const { return m_lines.text(); }
    // Applies an edit and moves the caret to the end: nothing selected, the
    // newest text in view.
    void applyEdit(const DisplayEdit &edit);
    void clear();

    qsizetype caretPosition() const { return m_caret; }
    qsizetype anchorPosition() const { return m_anchor; }
    bool hasSelection() const { return m_anchor != m_caret; }
    QString selectedText() const;
    void select(qsizetype anchor, qsizetype caret);
    void selectAll();
    void moveCaretToEnd();
    // Copies the selection to the clipboard (nothing selected: no change).
    void copy() const;
    // The caret's rectangle, in the viewport's coordinates.
    QRect caretRect() const;
    // The cell of the character at a position, in the viewport's
    // coordinates, and the character whose cell holds a point of the
    // viewport (the line's end past its last character).
    QRect characterRect(qsizetype position) const;
    qsizetype characterAt(QPoint point) const;
    // The least scrolling that shows the position.
    void scrollTo(qsizetype position);

    // Found text to highlight. While there is a current match the view
    // stays where it is as text arrives, so that the match does not run away.
    void setMarks(const TextMarks &marks);
    const TextMarks &marks() const { return m_marks; }
    // Scrolls the least that shows these characters.
    void reveal(qsizetype position, qsizetype length);

    QVariant inputMethodQuery(Qt::InputMethodQuery query) const override;

signals:
    // The text changed; `dropped` characters went from its start (all of
    // them when it was cleared).
    void textEdited(qsizetype dropped);

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void scrollContentsBy(int dx, int dy) override;
    void changeEvent(QEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void timerEvent(QTimerEvent *event) override;

private:
    enum class Unit { Character, Word, Line };

    void measureFont();
    int rowsInView() const;
    int topLine() const;
    int leftPixel() const;
    double cellLeft(qsizetype line, qsizetype position) const;
    qsizetype positionAt(QPoint point) const;
    qsizetype lineAt(int y) const;
    void drawLine(QPainter &painter, qsizetype line, int y, const QRect &area) const;
    void drawMarks(QPainter &painter, qsizetype line, int y, qsizetype cellsInLine) const;
    void updateScrollRanges();
    void scrollToCaret();
    void moveCaret(qsizetype position, bool keepAnchor);
    qsizetype caretMovedByKey(const QKeyEvent &key) const;
    std::pair<qsizetype, qsizetype> unitAround(qsizetype position, Unit unit) const;
    void selectAround(qsizetype position, Unit unit);
    void extendSelectionTo(QPoint point);
    void offerSelection() const;
    void restartBlink();
    void updateCaret();
    // What assistive tools are told, when one is active (terminalaccessible.h).
    TerminalAnnouncer *announcer();

    TerminalLines m_lines;
    TextMarks m_marks;
    qsizetype m_anchor = 0;
    qsizetype m_caret = 0;
    double m_cellWidth = 8;
    int m_lineHeight = 16;
    int m_ascent = 12;
    bool m_caretOn = true;
    QBasicTimer m_blink;
    // Mouse selection: what a drag extends by, the word or line it started
    // on, and the timer that scrolls while the pointer is outside the view.
    Unit m_dragUnit = Unit::Character;
    qsizetype m_dragStart = 0;
    qsizetype m_dragEnd = 0;
    bool m_dragging = false;
    QPoint m_dragPoint;
    QBasicTimer m_autoScroll;
    QElapsedTimer m_sinceDoubleClick;
    TerminalAnnouncer *m_announcer = nullptr; // a child, made when a tool first listens
};
