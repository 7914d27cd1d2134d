// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QList>
#include <QString>

// What the view highlights: every match, and the current one stronger.
struct TextMarks
{
    QList<qsizetype> starts; // positions in the terminal text, in order
    qsizetype length = 0;
    qsizetype current = -1; // index in starts; -1: none

    bool operator==(const TextMarks &) const = default;
};

// Finds a text in the terminal's bounded text, and keeps the current match
// on the same characters while text arrives at the end or is trimmed from
// the start; once they are trimmed, it says the match has scrolled out.
// Pure logic: the find bar drives it, the view draws its marks.
class TerminalSearch
{
public:
    // A new text to find: the current match becomes the first one at or
    // after the previous current match (typing on narrows the same place),
    // or the newest one when there was none.
    void setPattern(const QString &pattern, Qt::CaseSensitivity sensitivity, const QString &text);
    // The terminal text changed: `dropped` characters went from its start.
    void textEdited(const QString &text, qsizetype dropped);
    // To the next or previous match, round from the last to the first.
    void next();
    void previous();

    const TextMarks &marks() const { return m_marks; }
    bool scrolledOut() const { return m_scrolledOut; }
    // "3 sur 12", or why there is no current match; empty with nothing to find.
    QString status() const;

private:
    void find(const QString &text);
    void moveTo(qsizetype index);

    QString m_pattern;
    Qt::CaseSensitivity m_sensitivity = Qt::CaseInsensitive;
    TextMarks m_marks;
    qsizetype m_origin = 0;     // characters trimmed since the terminal began
    qsizetype m_currentAt = -1; // the current match's start counted from there
    bool m_scrolledOut = false;
};
