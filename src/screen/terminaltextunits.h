// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QAccessible>
#include <QStringView>

// The terminal's text as an assistive tool reads it: by character, word or
// line, before, at or after an offset. The tool's offsets arrive late (the
// board may have sent more, or the bound may have dropped the start, since the
// tool last looked), so every offset is clamped to the text, never trusted.
// Pure logic: the accessible interface (terminalaccessible.h) answers with it.
namespace TerminalTextUnits {

struct Range
{
    qsizetype start = 0;
    qsizetype end = 0;

    bool operator==(const Range &) const = default;
};

enum class Where { Before, At, After };

// An offset inside the text, 0 to its length.
qsizetype clamped(QStringView text, qsizetype offset);
// A range inside the text; a negative end means the end of the text.
Range clampedRange(QStringView text, qsizetype start, qsizetype end);

// A word runs from its first non-blank character to the next word's first,
// blanks and line break included; a line from its start to the next line's
// start, its line break included. Sentences and paragraphs are lines (the
// board sends no prose); no boundary is the whole text. At the end of the
// text, the word or line that ends there.
Range unit(QStringView text, qsizetype offset, QAccessible::TextBoundaryType boundary, Where where);

} // namespace TerminalTextUnits
