// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringView>

// The terminal's edit rules for received text, as pure logic: what happens to
// the terminal text when a chunk arrives. The widget side (terminaldisplay.h)
// applies the same edits to txtTerm.
//
// Line breaks are one character ('\n') in the terminal text: a backspace
// right after a line break removes the line break. A bell (BEL, 7) is a
// sound, not a character: it is counted and left out before anything else.

namespace DisplayRules {

// The terminal keeps at most this many characters before a chunk is added...
inline constexpr qsizetype TerminalLimit = 16000;
// ...by dropping this many from its start, as often as needed.
inline constexpr qsizetype TerminalTrim = 4096;

inline constexpr QChar Bell = QChar(7);
inline constexpr QChar Backspace = QChar(8);
inline constexpr QChar LineFeed = QChar(10);
inline constexpr QChar CarriageReturn = QChar(13);
inline constexpr QChar LineBreak = QChar(10); // the text box's own line break

} // namespace DisplayRules

// An edit of the terminal text, in the order it is applied: drop characters
// from the start, remove characters from the end, append text.
struct DisplayEdit
{
    qsizetype dropFront = 0;  // a multiple of TerminalTrim
    qsizetype removeLast = 0; // for one chunk: 1 when a leading backspace took the last character
    QString append;           // as shown: line feeds dropped, carriage returns made line breaks
    qsizetype bells = 0;      // BEL characters: each sounds, none is drawn or takes a backspace

    bool operator==(const DisplayEdit &) const = default;
};

// The edit for one chunk arriving at a terminal of terminalLength characters.
DisplayEdit planDisplayEdit(qsizetype terminalLength, QStringView data);

// The terminal text box as the rules see it: its text, and the selection
// (start = characters before the caret).
struct TerminalText
{
    QString text;
    qsizetype selectionStart = 0;
    qsizetype selectionLength = 0;
};

// Applies an edit (counts beyond the text are clipped) and leaves the caret at
// the end with nothing selected.
void applyDisplayEdit(TerminalText &terminal, const DisplayEdit &edit);

// The whole routine on the model: plan and apply one chunk.
void applyDisplayRules(TerminalText &terminal, QStringView data);

// Several chunks for a terminal of known length composed into one edit, with
// the same result as applying them one by one. The text box can then be
// edited once for a whole burst; the edit stays bounded (at most the limit
// plus the latest chunk is appended, however much arrives).
class DisplayBatch
{
public:
    explicit DisplayBatch(qsizetype terminalLength) : m_terminalLength(terminalLength) {}

    void add(QStringView data);

    const DisplayEdit &edit() const { return m_edit; }
    // The terminal's length once the edit is applied.
    qsizetype resultLength() const { return keptOfTerminal() + m_edit.append.size(); }

private:
    qsizetype keptOfTerminal() const { return m_terminalLength - m_edit.dropFront - m_edit.removeLast; }

    qsizetype m_terminalLength;
    DisplayEdit m_edit;
};
