// SPDX-License-Identifier: GPL-3.0-or-later
#include "screen/terminallines.h"

#include <algorithm>

namespace {

bool isControl(QChar c)
{
    const char16_t code = c.unicode();
    return code < 0x20 || (code >= 0x7f && code < 0xa0);
}

qsizetype cellsOf(QChar c, qsizetype cell)
{
    return c == u'\t' ? TerminalCells::TabWidth - cell % TerminalCells::TabWidth : 1;
}

} // namespace

TerminalLines::Change TerminalLines::apply(const DisplayEdit &edit)
{
    Change change;
    const qsizetype drop = std::min(edit.dropFront, m_text.size());
    bool measureAll = false;
    if (drop > 0) {
        const qsizetype kept = lineOf(drop);
        change.droppedLines = kept;
        QList<qsizetype> starts{0};
        starts.reserve(m_starts.size() - kept);
        for (qsizetype next = kept + 1; next < m_starts.size(); ++next)
            starts.append(m_starts.at(next) - drop);
        m_starts = std::move(starts);
        m_text.remove(0, drop);
        measureAll = true;
    }
    const qsizetype remove = std::min(edit.removeLast, m_text.size());
    if (remove > 0) {
        m_text.chop(remove);
        while (m_starts.size() > 1 && m_starts.last() > m_text.size())
            m_starts.removeLast();
        measureAll = true;
    }
    change.firstChangedLine = lineCount() - 1;
    change.firstChanged = m_text.size();

    const qsizetype base = m_text.size();
    m_text.append(edit.append);
    for (qsizetype at = edit.append.indexOf(DisplayRules::LineBreak); at >= 0;
         at = edit.append.indexOf(DisplayRules::LineBreak, at + 1))
        m_starts.append(base + at + 1);

    if (measureAll)
        m_widest = 0;
    measureFrom(measureAll ? 0 : change.firstChangedLine);
    return change;
}

void TerminalLines::clear()
{
    m_text.clear();
    m_starts = {0};
    m_widest = 0;
}

qsizetype TerminalLines::lineEnd(qsizetype line) const
{
    return line + 1 < m_starts.size() ? m_starts.at(line + 1) - 1 : m_text.size();
}

QStringView TerminalLines::line(qsizetype line) const
{
    const qsizetype start = m_starts.at(line);
    return QStringView(m_text).mid(start, lineEnd(line) - start);
}

qsizetype TerminalLines::lineOf(qsizetype position) const
{
    return std::upper_bound(m_starts.cbegin(), m_starts.cend(), position) - m_starts.cbegin() - 1;
}

void TerminalLines::measureFrom(qsizetype first)
{
    for (qsizetype at = first; at < lineCount(); ++at) {
        const QStringView shown = line(at);
        m_widest = std::max(m_widest, TerminalCells::cellOf(shown, shown.size()));
    }
}

namespace TerminalCells {

qsizetype cellOf(QStringView line, qsizetype index)
{
    index = std::min(index, line.size());
    if (!line.left(index).contains(u'\t'))
        return index;
    qsizetype cell = 0;
    for (const QChar c : line.left(index))
        cell += cellsOf(c, cell);
    return cell;
}

qsizetype indexNearCell(QStringView line, double cell)
{
    qsizetype at = 0;
    for (qsizetype index = 0; index < line.size(); ++index) {
        const qsizetype width = cellsOf(line.at(index), at);
        if (cell < double(at) + double(width) / 2)
            return index;
        at += width;
    }
    return line.size();
}

qsizetype indexAtCell(QStringView line, double cell)
{
    qsizetype at = 0;
    for (qsizetype index = 0; index < line.size(); ++index) {
        at += cellsOf(line.at(index), at);
        if (cell < double(at))
            return index;
    }
    return line.size();
}

QString drawn(QStringView line)
{
    QString out;
    out.reserve(line.size());
    for (const QChar c : line) {
        if (c == u'\t')
            out.append(QString(cellsOf(c, out.size()), u' '));
        else if (c == QChar(0xad)) // a soft hyphen is drawn with no width at all
            out.append(u'-');
        else
            out.append(isControl(c) ? QChar(u' ') : c);
    }
    return out;
}

} // namespace TerminalCells
