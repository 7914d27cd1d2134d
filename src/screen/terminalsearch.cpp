// SPDX-License-Identifier: GPL-3.0-or-later
#include "screen/terminalsearch.h"

#include "screen/displayrules.h"

#include <algorithm>

void TerminalSearch::setPattern(const QString &pattern, Qt::CaseSensitivity sensitivity, const QString &text)
{
    m_pattern = pattern;
    m_sensitivity = sensitivity;
    m_scrolledOut = false;
    const qsizetype anchor = m_currentAt;
    find(text);
    const QList<qsizetype> &starts = m_marks.starts;
    if (starts.isEmpty()) {
        moveTo(-1);
        return;
    }
    const auto after = std::lower_bound(starts.begin(), starts.end(), anchor - m_origin);
    moveTo(anchor >= 0 && after != starts.end() ? after - starts.begin() : starts.size() - 1);
}

void TerminalSearch::textEdited(const QString &text, qsizetype dropped)
{
    m_origin += dropped;
    find(text);
    const QList<qsizetype> &starts = m_marks.starts;
    if (m_currentAt < 0) { // nothing found until now: the first to arrive
        if (!starts.isEmpty())
            moveTo(starts.size() - 1);
        return;
    }
    if (m_currentAt < m_origin) {
        m_scrolledOut = true;
        moveTo(-1);
        return;
    }
    // Still there, or (its end rubbed out by a backspace) the next one on.
    const auto at = std::lower_bound(starts.begin(), starts.end(), m_currentAt - m_origin);
    moveTo(at != starts.end() ? at - starts.begin() : starts.size() - 1);
}

void TerminalSearch::next()
{
    const qsizetype count = m_marks.starts.size();
    if (count > 0)
        moveTo(m_marks.current < 0 ? 0 : (m_marks.current + 1) % count);
}

void TerminalSearch::previous()
{
    const qsizetype count = m_marks.starts.size();
    if (count > 0)
        moveTo(m_marks.current < 0 ? count - 1 : (m_marks.current + count - 1) % count);
}

QString TerminalSearch::status() const
{
    if (m_pattern.isEmpty())
        return {};
    if (m_scrolledOut)
        return QStringLiteral("Sorti des %1 caractères gardés").arg(DisplayRules::TerminalLimit);
    if (m_marks.current < 0)
        return QStringLiteral("Aucun résultat");
    return QStringLiteral("%1 sur %2").arg(m_marks.current + 1).arg(m_marks.starts.size());
}

// Matches do not overlap: each search goes on after the previous match.
void TerminalSearch::find(const QString &text)
{
    m_marks.starts.clear();
    m_marks.length = m_pattern.size();
    if (m_pattern.isEmpty())
        return;
    for (qsizetype at = text.indexOf(m_pattern, 0, m_sensitivity); at >= 0;
         at = text.indexOf(m_pattern, at + m_pattern.size(), m_sensitivity))
        m_marks.starts.append(at);
}

void TerminalSearch::moveTo(qsizetype index)
{
    m_marks.current = index;
    if (index >= 0) {
        m_currentAt = m_origin + m_marks.starts.at(index);
        m_scrolledOut = false;
    } else if (!m_scrolledOut) {
        m_currentAt = -1;
    }
}
