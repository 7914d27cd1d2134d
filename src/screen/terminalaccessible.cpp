// SPDX-License-Identifier: GPL-3.0-or-later
#include "screen/terminalaccessible.h"

#include "screen/terminaltextunits.h"
#include "screen/terminalview.h"
#include "shared/assistivetools.h"

#include <algorithm>

namespace Units = TerminalTextUnits;

namespace {

QAccessibleInterface *terminalFactory(const QString &key, QObject *object)
{
    if (key == QLatin1String("TerminalView"))
        if (auto *view = qobject_cast<TerminalView *>(object))
            return new TerminalAccessible(view);
    return nullptr;
}

QString unitText(QStringView text, const Units::Range &range, int *startOffset, int *endOffset)
{
    *startOffset = int(range.start);
    *endOffset = int(range.end);
    return text.mid(range.start, range.end - range.start).toString();
}

} // namespace

void installTerminalAccessibility()
{
    static const bool installed = [] {
        QAccessible::installFactory(&terminalFactory);
        return true;
    }();
    Q_UNUSED(installed)
}

// ---------------------------------------------------------------- interface

TerminalAccessible::TerminalAccessible(TerminalView *view) : QAccessibleWidget(view, QAccessible::Terminal) {}

TerminalView *TerminalAccessible::view() const
{
    return static_cast<TerminalView *>(widget());
}

QAccessible::State TerminalAccessible::state() const
{
    QAccessible::State state = QAccessibleWidget::state();
    state.multiLine = true;
    state.selectableText = true;
    state.readOnly = true;
    state.editable = false;
    state.focusable = true;
    return state;
}

void *TerminalAccessible::interface_cast(QAccessible::InterfaceType type)
{
    if (type == QAccessible::TextInterface)
        return static_cast<QAccessibleTextInterface *>(this);
    return QAccessibleWidget::interface_cast(type);
}

void TerminalAccessible::selection(int selectionIndex, int *startOffset, int *endOffset) const
{
    *startOffset = *endOffset = 0;
    if (selectionIndex != 0 || !view()->hasSelection())
        return;
    *startOffset = int(std::min(view()->anchorPosition(), view()->caretPosition()));
    *endOffset = int(std::max(view()->anchorPosition(), view()->caretPosition()));
}

int TerminalAccessible::selectionCount() const
{
    return view()->hasSelection() ? 1 : 0;
}

void TerminalAccessible::addSelection(int startOffset, int endOffset)
{
    setSelection(0, startOffset, endOffset);
}

void TerminalAccessible::removeSelection(int selectionIndex)
{
    if (selectionIndex == 0)
        view()->select(view()->caretPosition(), view()->caretPosition());
}

void TerminalAccessible::setSelection(int selectionIndex, int startOffset, int endOffset)
{
    if (selectionIndex != 0)
        return;
    const Units::Range range = Units::clampedRange(view()->text(), startOffset, endOffset);
    view()->select(range.start, range.end);
}

int TerminalAccessible::cursorPosition() const
{
    return int(view()->caretPosition());
}

void TerminalAccessible::setCursorPosition(int position)
{
    const qsizetype at = Units::clamped(view()->text(), position);
    view()->select(at, at);
}

QString TerminalAccessible::text(int startOffset, int endOffset) const
{
    const Units::Range range = Units::clampedRange(view()->text(), startOffset, endOffset);
    return view()->text().mid(range.start, range.end - range.start);
}

QString TerminalAccessible::textBeforeOffset(int offset, QAccessible::TextBoundaryType boundaryType, int *startOffset,
                                             int *endOffset) const
{
    const QString &all = view()->text();
    return unitText(all, Units::unit(all, offset, boundaryType, Units::Where::Before), startOffset, endOffset);
}

QString TerminalAccessible::textAfterOffset(int offset, QAccessible::TextBoundaryType boundaryType, int *startOffset,
                                            int *endOffset) const
{
    const QString &all = view()->text();
    return unitText(all, Units::unit(all, offset, boundaryType, Units::Where::After), startOffset, endOffset);
}

QString TerminalAccessible::textAtOffset(int offset, QAccessible::TextBoundaryType boundaryType, int *startOffset,
                                         int *endOffset) const
{
    const QString &all = view()->text();
    return unitText(all, Units::unit(all, offset, boundaryType, Units::Where::At), startOffset, endOffset);
}

int TerminalAccessible::characterCount() const
{
    return int(view()->text().size());
}

QRect TerminalAccessible::characterRect(int offset) const
{
    const QWidget *viewport = view()->viewport();
    const QRect cell = view()->characterRect(Units::clamped(view()->text(), offset));
    return cell.translated(viewport->mapToGlobal(QPoint(0, 0)));
}

int TerminalAccessible::offsetAtPoint(const QPoint &point) const
{
    const QWidget *viewport = view()->viewport();
    const QPoint local = viewport->mapFromGlobal(point);
    if (!viewport->rect().contains(local))
        return -1;
    return int(view()->characterAt(local));
}

void TerminalAccessible::scrollToSubstring(int startIndex, int endIndex)
{
    const Units::Range range = Units::clampedRange(view()->text(), startIndex, endIndex);
    view()->scrollTo(range.end);
    view()->scrollTo(range.start);
}

QString TerminalAccessible::attributes(int offset, int *startOffset, int *endOffset) const
{
    // One colour, one font: the whole text has the same attributes.
    Q_UNUSED(offset)
    *startOffset = 0;
    *endOffset = characterCount();
    return {};
}

// ---------------------------------------------------------------- announcements

TerminalAnnouncer::TerminalAnnouncer(TerminalView &view) : QObject(&view), m_view(view)
{
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, &TerminalAnnouncer::flush);
    m_sinceFlush.start();
}

void TerminalAnnouncer::aboutToEdit(qsizetype dropFront)
{
    if (!m_known) {
        m_told = m_view.text();
        m_known = true;
        m_dropped = 0;
    }
    m_dropped += dropFront;
    if (m_timer.isActive())
        return;
    const qint64 wait = GroupMs - m_sinceFlush.elapsed();
    m_timer.start(int(std::clamp<qint64>(wait, 0, GroupMs)));
}

void TerminalAnnouncer::forget()
{
    m_timer.stop();
    m_known = false;
    m_told.clear();
}

void TerminalAnnouncer::flush()
{
    m_timer.stop();
    if (!m_known || !AssistiveTools::active()) {
        forget();
        return;
    }
    m_sinceFlush.start();
    // The text now is what the tool was told, less a front the bound
    // dropped and an end a backspace removed, plus what was added.
    const QString &now = m_view.text();
    const qsizetype dropped = std::min(m_dropped, m_told.size());
    const QStringView kept = QStringView(m_told).mid(dropped);
    const auto differ = std::mismatch(kept.begin(), kept.end(), now.begin(), now.end());
    const qsizetype common = differ.first - kept.begin();
    if (dropped > 0) {
        QAccessibleTextRemoveEvent removed(&m_view, 0, m_told.left(dropped));
        AssistiveTools::tell(removed);
    }
    if (common < kept.size()) {
        QAccessibleTextRemoveEvent removed(&m_view, int(common), kept.mid(common).toString());
        AssistiveTools::tell(removed);
    }
    if (common < now.size()) {
        QAccessibleTextInsertEvent inserted(&m_view, int(common), now.mid(common));
        AssistiveTools::tell(inserted);
    }
    QAccessibleTextCursorEvent caret(&m_view, int(m_view.caretPosition()));
    AssistiveTools::tell(caret);
    m_told = now;
    m_dropped = 0;
}

void TerminalAnnouncer::caretMoved()
{
    // What was added comes first, so that offsets mean the same to the tool.
    if (m_timer.isActive())
        flush();
    QAccessibleTextCursorEvent caret(&m_view, int(m_view.caretPosition()));
    AssistiveTools::tell(caret);
    const bool selected = m_view.hasSelection();
    if (selected || m_hadSelection) {
        const qsizetype start = std::min(m_view.anchorPosition(), m_view.caretPosition());
        const qsizetype end = std::max(m_view.anchorPosition(), m_view.caretPosition());
        QAccessibleTextSelectionEvent selection(&m_view, int(start), int(end));
        AssistiveTools::tell(selection);
    }
    m_hadSelection = selected;
}
