// SPDX-License-Identifier: GPL-3.0-or-later
#include "screen/terminaltextunits.h"

#include <algorithm>

namespace TerminalTextUnits {

namespace {

// Whether a unit starts at position (0 < position <= the text's length).
bool startsAt(QStringView text, qsizetype position, QAccessible::TextBoundaryType boundary)
{
    switch (boundary) {
    case QAccessible::CharBoundary: return true;
    case QAccessible::WordBoundary:
        return position < text.size() && !text.at(position).isSpace() && text.at(position - 1).isSpace();
    case QAccessible::NoBoundary: return false;
    default: return text.at(position - 1) == u'\n';
    }
}

Range unitAt(QStringView text, qsizetype offset, QAccessible::TextBoundaryType boundary)
{
    qsizetype start = offset;
    while (start > 0 && !startsAt(text, start, boundary))
        --start;
    qsizetype end = offset + 1;
    while (end < text.size() && !startsAt(text, end, boundary))
        ++end;
    return {start, std::clamp(end, start, text.size())};
}

} // namespace

qsizetype clamped(QStringView text, qsizetype offset)
{
    return std::clamp<qsizetype>(offset, 0, text.size());
}

Range clampedRange(QStringView text, qsizetype start, qsizetype end)
{
    const qsizetype from = clamped(text, start);
    return {from, end < 0 ? text.size() : std::clamp(end, from, text.size())};
}

Range unit(QStringView text, qsizetype offset, QAccessible::TextBoundaryType boundary, Where where)
{
    const qsizetype length = text.size();
    const Range at = unitAt(text, clamped(text, offset), boundary);
    switch (where) {
    case Where::At: return at;
    case Where::Before: return at.start > 0 ? unitAt(text, at.start - 1, boundary) : Range{0, 0};
    case Where::After: return at.end < length ? unitAt(text, at.end, boundary) : Range{length, length};
    }
    return at;
}

} // namespace TerminalTextUnits
