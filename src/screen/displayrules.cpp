// SPDX-License-Identifier: GPL-3.0-or-later
#include "screen/displayrules.h"

#include <algorithm>

using namespace DisplayRules;

DisplayEdit planDisplayEdit(qsizetype terminalLength, QStringView data)
{
    DisplayEdit edit;

    // Trim before the chunk is added. Dropping one block per call would let a
    // stream of chunks longer than a block grow the text without end.
    qsizetype length = terminalLength;
    while (length > TerminalLimit)
        length -= TerminalTrim;
    edit.dropFront = terminalLength - length;

    QString heard;
    if (data.contains(Bell)) {
        heard = data.toString().remove(Bell);
        edit.bells = data.size() - heard.size();
        data = heard;
    }

    // Backspaces, first one first: with nothing of the chunk before it, a
    // backspace takes the terminal's last character (every such backspace
    // takes the same one); otherwise it takes the chunk character before it,
    // line feeds and carriage returns included. A left-to-right scan with a
    // stack does exactly that in one pass.
    QString kept;
    if (data.contains(Backspace)) {
        kept.reserve(data.size());
        for (const QChar c : data) {
            if (c != Backspace)
                kept.append(c);
            else if (!kept.isEmpty())
                kept.chop(1);
            else if (length > 0)
                edit.removeLast = 1;
        }
        data = kept;
    }

    // Line feeds are dropped; each carriage return becomes a line break.
    edit.append.reserve(data.size());
    for (const QChar c : data) {
        if (c == LineFeed)
            continue;
        edit.append.append(c == CarriageReturn ? LineBreak : c);
    }
    return edit;
}

void applyDisplayEdit(TerminalText &terminal, const DisplayEdit &edit)
{
    terminal.text.remove(0, edit.dropFront);
    terminal.text.chop(std::min(edit.removeLast, terminal.text.size()));
    terminal.text.append(edit.append);
    terminal.selectionStart = terminal.text.size();
    terminal.selectionLength = 0;
}

void applyDisplayRules(TerminalText &terminal, QStringView data)
{
    applyDisplayEdit(terminal, planDisplayEdit(terminal.text.size(), data));
}

void DisplayBatch::add(QStringView data)
{
    const DisplayEdit next = planDisplayEdit(resultLength(), data);

    // The drop takes what is left of the terminal first, then the start of
    // what the batch appends.
    const qsizetype fromTerminal = std::min(next.dropFront, keptOfTerminal());
    m_edit.dropFront += fromTerminal;
    m_edit.append.remove(0, next.dropFront - fromTerminal);

    if (next.removeLast > 0) {
        if (!m_edit.append.isEmpty())
            m_edit.append.chop(1);
        else if (keptOfTerminal() > 0)
            ++m_edit.removeLast;
    }
    m_edit.append.append(next.append);
    m_edit.bells += next.bells;
}
