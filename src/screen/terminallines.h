// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "screen/displayrules.h"

#include <QList>
#include <QString>
#include <QStringView>

// The terminal's text cut into lines, kept in step with each display edit, so
// that the view finds any line at once and knows which lines an edit changed.
// Pure logic: the view (terminalview.h) only paints what this says.
class TerminalLines
{
public:
    // What an edit did at the end, in line numbers after the edit. A drop
    // from the start may cut the first line kept.
    struct Change
    {
        qsizetype droppedLines = 0;     // lines gone from the start, a cut one not counted
        qsizetype firstChangedLine = 0; // this line and all after it are new or changed...
        qsizetype firstChanged = 0;     // ...from this position of the text on
    };

    Change apply(const DisplayEdit &edit); // counts beyond the text are clipped
    void clear();

    const QString &text() const { return m_text; }
    qsizetype lineCount() const { return m_starts.size(); }
    qsizetype lineStart(qsizetype line) const { return m_starts.at(line); }
    // The end of the line's text, before its line break.
    qsizetype lineEnd(qsizetype line) const;
    QStringView line(qsizetype line) const;
    qsizetype lineOf(qsizetype position) const;
    // The widest line, in cells (terminalcells below).
    qsizetype widestLine() const { return m_widest; }

private:
    void measureFrom(qsizetype first);

    QString m_text;
    QList<qsizetype> m_starts{0};
    qsizetype m_widest = 0;
};

// How the text sits in the terminal's fixed-width cells: one character per
// cell, a tab up to the next multiple of TabWidth, control codes a blank cell
// and a soft hyphen a hyphen, so that columns stay where the board meant them.
namespace TerminalCells {

inline constexpr qsizetype TabWidth = 8;

// The cell at which the character at `index` of the line starts.
qsizetype cellOf(QStringView line, qsizetype index);
// The character whose left edge is nearest to `cell`, counted in cells from
// the line's start (the line's length past its end).
qsizetype indexNearCell(QStringView line, double cell);
// The character whose cells hold `cell` (0 before the line, the line's
// length past its end).
qsizetype indexAtCell(QStringView line, double cell);
// The line as drawn, one character per cell.
QString drawn(QStringView line);

} // namespace TerminalCells
