// SPDX-License-Identifier: GPL-3.0-or-later
#include "screen/terminalview.h"

#include "screen/terminalaccessible.h"
#include "shared/assistivetools.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStyle>
#include <QStyleHints>

#include <algorithm>
#include <cmath>

namespace {

// Blank pixels around the text, as in the usual text boxes.
constexpr int Margin = 4;
constexpr int AutoScrollMs = 50;

// Words for a double click: letters, digits and '_' together, any other run
// of one kind of character (blanks, punctuation) likewise.
int characterClass(QChar c)
{
    if (c.isLetterOrNumber() || c == u'_')
        return 0;
    return c.isSpace() ? 1 : 2;
}

} // namespace

TerminalView::TerminalView(QWidget *parent) : QAbstractScrollArea(parent)
{
    setFocusPolicy(Qt::StrongFocus);
    viewport()->setCursor(Qt::IBeamCursor);
    installTerminalAccessibility();
    setAccessibleName(QStringLiteral("Terminal de la platine KORVEX"));
    setAccessibleDescription(QStringLiteral("Ce que la platine envoie. Chaque touche tapée part vers la platine."));
    measureFont();
    connect(QGuiApplication::styleHints(), &QStyleHints::cursorFlashTimeChanged, this, [this] {
        m_caretOn = true;
        restartBlink();
        updateCaret();
    });
}

// ---------------------------------------------------------------- text

void TerminalView::applyEdit(const DisplayEdit &edit)
{
    const bool caretOnlyAtEnd = !hasSelection() && m_caret == text().size();
    const qsizetype oldTop = topLine();
    const int oldLeft = leftPixel();
    if (TerminalAnnouncer *tell = announcer())
        tell->aboutToEdit(edit.dropFront);
    const qsizetype dropped = std::min(edit.dropFront, text().size());
    const TerminalLines::Change change = m_lines.apply(edit);
    m_anchor = m_caret = text().size();
    // Steady while text streams in, without restarting the blink at every frame.
    if (!m_caretOn) {
        m_caretOn = true;
        restartBlink();
    }

    // The bars are set quietly: the pixels are moved here, by what the edit did.
    const qsizetype keptTop = oldTop - change.droppedLines;
    {
        const QSignalBlocker vertical(verticalScrollBar());
        const QSignalBlocker horizontal(horizontalScrollBar());
        updateScrollRanges();
        verticalScrollBar()->setValue(int(std::max<qsizetype>(keptTop, 0)));
        if (m_marks.current < 0)
            scrollToCaret();
    }
    emit textEdited(dropped);
    // A drop may have cut the first line kept, when it is in view; a
    // selection or a caret elsewhere is wiped: then all is painted anew.
    // Otherwise the pixels move with the text, down and sideways.
    const qsizetype shift = topLine() - keptTop;
    const int sideways = leftPixel() - oldLeft;
    if ((edit.dropFront > 0 && keptTop <= 0) || !caretOnlyAtEnd || shift < 0 || shift > rowsInView()
        || std::abs(sideways) >= viewport()->width()) {
        viewport()->update();
        return;
    }
    const QRect textArea = viewport()->rect().adjusted(0, Margin, 0, 0);
    if (shift > 0 || sideways != 0)
        viewport()->scroll(-sideways, -int(shift) * m_lineHeight, textArea);
    // The changed end of the first changed line, and every line below it.
    const int changedRow = Margin + int(change.firstChangedLine - topLine()) * m_lineHeight;
    if (changedRow < Margin) {
        viewport()->update(textArea);
        return;
    }
    const int changedLeft = int(std::floor(cellLeft(change.firstChangedLine, change.firstChanged)));
    QRegion changed(std::max(changedLeft, 0), changedRow, viewport()->width() - std::max(changedLeft, 0), m_lineHeight);
    changed += textArea.adjusted(0, changedRow + m_lineHeight - Margin, 0, 0);
    viewport()->update(changed);
}

void TerminalView::clear()
{
    if (TerminalAnnouncer *tell = announcer())
        tell->aboutToEdit(0);
    const qsizetype dropped = text().size();
    m_lines.clear();
    m_anchor = m_caret = 0;
    updateScrollRanges();
    viewport()->update();
    emit textEdited(dropped);
}

void TerminalView::setMarks(const TextMarks &marks)
{
    if (marks == m_marks)
        return;
    m_marks = marks;
    viewport()->update();
}

void TerminalView::reveal(qsizetype position, qsizetype length)
{
    scrollTo(std::min(position + length, text().size()));
    scrollTo(position);
}

QString TerminalView::selectedText() const
{
    const qsizetype start = std::min(m_anchor, m_caret);
    return text().mid(start, std::max(m_anchor, m_caret) - start);
}

void TerminalView::select(qsizetype anchor, qsizetype caret)
{
    m_anchor = std::clamp<qsizetype>(anchor, 0, text().size());
    moveCaret(caret, true);
}

void TerminalView::selectAll()
{
    select(0, text().size());
    offerSelection();
}

void TerminalView::moveCaretToEnd()
{
    if (!hasSelection() && m_caret == text().size())
        scrollToCaret();
    else
        moveCaret(text().size(), false);
}

void TerminalView::copy() const
{
    if (hasSelection())
        QGuiApplication::clipboard()->setText(selectedText());
}

// ---------------------------------------------------------------- geometry

void TerminalView::measureFont()
{
    const QFontMetricsF metrics(font());
    // Over many cells: the advance a line of text really takes, rounding included.
    constexpr int cells = 64;
    m_cellWidth = std::max(1.0, metrics.horizontalAdvance(QString(cells, u'M')) / cells);
    m_lineHeight = std::max(1, int(std::ceil(metrics.lineSpacing())));
    m_ascent = int(std::ceil(metrics.ascent()));
}

int TerminalView::rowsInView() const
{
    return std::max(1, (viewport()->height() - 2 * Margin) / m_lineHeight);
}

int TerminalView::topLine() const
{
    return verticalScrollBar()->value();
}

int TerminalView::leftPixel() const
{
    return horizontalScrollBar()->value();
}

double TerminalView::cellLeft(qsizetype line, qsizetype position) const
{
    const qsizetype cell = TerminalCells::cellOf(m_lines.line(line), position - m_lines.lineStart(line));
    return Margin - leftPixel() + double(cell) * m_cellWidth;
}

QRect TerminalView::caretRect() const
{
    const qsizetype line = m_lines.lineOf(m_caret);
    const int width = std::max(1, style()->pixelMetric(QStyle::PM_TextCursorWidth, nullptr, this));
    return {int(std::lround(cellLeft(line, m_caret))), Margin + int(line - topLine()) * m_lineHeight, width,
            m_lineHeight};
}

QRect TerminalView::characterRect(qsizetype position) const
{
    position = std::clamp<qsizetype>(position, 0, text().size());
    const qsizetype line = m_lines.lineOf(position);
    const QStringView shown = m_lines.line(line);
    const qsizetype index = position - m_lines.lineStart(line);
    // A tab takes the cells up to the next stop; a line's end, one cell.
    const qsizetype cells =
        index < shown.size() ? TerminalCells::cellOf(shown, index + 1) - TerminalCells::cellOf(shown, index) : 1;
    const int left = int(std::lround(cellLeft(line, position)));
    return {left, Margin + int(line - topLine()) * m_lineHeight,
            std::max(1, int(std::lround(double(cells) * m_cellWidth))), m_lineHeight};
}

qsizetype TerminalView::lineAt(int y) const
{
    const qsizetype row = (y - Margin) / m_lineHeight - (y < Margin ? 1 : 0);
    return std::clamp<qsizetype>(topLine() + row, 0, m_lines.lineCount() - 1);
}

qsizetype TerminalView::positionAt(QPoint point) const
{
    const qsizetype line = lineAt(point.y());
    const double cell = (point.x() - Margin + leftPixel()) / m_cellWidth;
    return m_lines.lineStart(line) + TerminalCells::indexNearCell(m_lines.line(line), cell);
}

qsizetype TerminalView::characterAt(QPoint point) const
{
    const qsizetype line = lineAt(point.y());
    const double cell = (point.x() - Margin + leftPixel()) / m_cellWidth;
    return m_lines.lineStart(line) + TerminalCells::indexAtCell(m_lines.line(line), cell);
}

void TerminalView::updateScrollRanges()
{
    const int rows = rowsInView();
    QScrollBar *vertical = verticalScrollBar();
    vertical->setRange(0, int(std::max<qsizetype>(0, m_lines.lineCount() - rows)));
    vertical->setPageStep(rows);
    vertical->setSingleStep(1);

    const int width = viewport()->width();
    const int content = 2 * Margin + 1 + int(std::ceil(double(m_lines.widestLine()) * m_cellWidth));
    QScrollBar *horizontal = horizontalScrollBar();
    horizontal->setRange(0, std::max(0, content - width));
    horizontal->setPageStep(width);
    horizontal->setSingleStep(int(std::ceil(m_cellWidth)) * 2);
}

void TerminalView::scrollToCaret()
{
    scrollTo(m_caret);
}

void TerminalView::scrollTo(qsizetype position)
{
    position = std::clamp<qsizetype>(position, 0, text().size());
    const qsizetype line = m_lines.lineOf(position);
    const int rows = rowsInView();
    int top = topLine();
    if (line < top)
        top = int(line);
    else if (line >= top + rows)
        top = int(line - rows + 1);

    const QRect shown = position == m_caret ? caretRect() : characterRect(position);
    int left = leftPixel();
    if (shown.left() < Margin)
        left += shown.left() - Margin;
    else if (shown.right() >= viewport()->width() - Margin)
        left += shown.right() - viewport()->width() + Margin + 1;

    verticalScrollBar()->setValue(top);
    horizontalScrollBar()->setValue(left);
}

// ---------------------------------------------------------------- painting

void TerminalView::paintEvent(QPaintEvent *event)
{
    QPainter painter(viewport());
    painter.setFont(font());
    const qsizetype top = topLine();
    // By rectangle: an edit's region is the end of one line and the lines below.
    for (const QRect &area : event->region()) {
        // A glyph drawn for the cells on either side must not land twice.
        painter.setClipRect(area);
        const qsizetype first = top + std::max(0, (area.top() - Margin) / m_lineHeight);
        const qsizetype last =
            std::min(m_lines.lineCount() - 1, top + std::max(0, (area.bottom() - Margin) / m_lineHeight));
        for (qsizetype line = first; line <= last; ++line)
            drawLine(painter, line, Margin + int(line - top) * m_lineHeight, area);
    }
    painter.setClipping(false);
    if (hasFocus() && m_caretOn) {
        const QRect caret = caretRect();
        if (event->region().intersects(caret))
            painter.fillRect(caret, palette().color(QPalette::Text));
    }
}

void TerminalView::drawLine(QPainter &painter, qsizetype line, int y, const QRect &area) const
{
    const QStringView shown = m_lines.line(line);
    // Only the cells to paint, and one on each side for what a glyph spills
    // over its cell: a line may be thousands of characters long, and most
    // paints are the end of one line.
    const double left = Margin - leftPixel();
    const qsizetype firstCell = std::max<qsizetype>(0, qsizetype((area.left() - left) / m_cellWidth) - 1);
    const qsizetype cells = qsizetype(area.width() / m_cellWidth) + 3;
    const QString drawn = TerminalCells::drawn(shown);
    const QPointF origin(left + double(firstCell) * m_cellWidth, y + m_ascent);
    const QString visible = drawn.mid(firstCell, cells);
    drawMarks(painter, line, y, drawn.size());
    painter.setPen(palette().color(QPalette::Text));
    painter.drawText(origin, visible);

    // The selected part, line break included, highlighted over the text.
    const qsizetype start = m_lines.lineStart(line);
    const qsizetype from = std::max(std::min(m_anchor, m_caret) - start, qsizetype(0));
    const qsizetype to = std::min(std::max(m_anchor, m_caret) - start, shown.size() + 1);
    if (from >= to)
        return;
    const qsizetype fromCell = TerminalCells::cellOf(shown, from);
    const qsizetype toCell = to > shown.size() ? drawn.size() + 1 : TerminalCells::cellOf(shown, to);
    const QRectF selected(left + double(fromCell) * m_cellWidth, y, double(toCell - fromCell) * m_cellWidth,
                          m_lineHeight);
    painter.fillRect(selected, palette().color(QPalette::Highlight));
    painter.save();
    painter.setClipRect(selected, Qt::IntersectClip);
    painter.setPen(palette().color(QPalette::HighlightedText));
    painter.drawText(origin, visible);
    painter.restore();
}

// Found text, under the characters: every match light, the current one stronger.
void TerminalView::drawMarks(QPainter &painter, qsizetype line, int y, qsizetype cellsInLine) const
{
    const QList<qsizetype> &starts = m_marks.starts;
    if (starts.isEmpty() || m_marks.length <= 0)
        return;
    const QStringView shown = m_lines.line(line);
    const qsizetype start = m_lines.lineStart(line);
    const qsizetype end = start + shown.size();
    const double left = Margin - leftPixel();
    // A match may begin on an earlier line and end on this one.
    for (auto at = std::lower_bound(starts.begin(), starts.end(), start - m_marks.length + 1);
         at != starts.end() && *at <= end; ++at) {
        const qsizetype from = std::max(*at, start) - start;
        const qsizetype to = std::min(*at + m_marks.length, end + 1) - start;
        const qsizetype fromCell = TerminalCells::cellOf(shown, from);
        const qsizetype toCell = to > shown.size() ? cellsInLine + 1 : TerminalCells::cellOf(shown, to);
        const bool current = at - starts.begin() == m_marks.current;
        painter.fillRect(
            QRectF(left + double(fromCell) * m_cellWidth, y, double(toCell - fromCell) * m_cellWidth, m_lineHeight),
            current ? QColor(255, 165, 60) : QColor(255, 240, 140));
    }
}

void TerminalView::scrollContentsBy(int dx, int dy)
{
    // Lines move below the top margin; columns move with it.
    if (dx != 0 && dy != 0)
        viewport()->update();
    else if (dy != 0)
        viewport()->scroll(0, dy * m_lineHeight, viewport()->rect().adjusted(0, Margin, 0, 0));
    else
        viewport()->scroll(dx, 0);
}

void TerminalView::resizeEvent(QResizeEvent *event)
{
    QAbstractScrollArea::resizeEvent(event);
    // A view that showed the end keeps showing it.
    const bool atEnd = topLine() == verticalScrollBar()->maximum();
    updateScrollRanges();
    if (atEnd)
        verticalScrollBar()->setValue(verticalScrollBar()->maximum());
}

void TerminalView::changeEvent(QEvent *event)
{
    QAbstractScrollArea::changeEvent(event);
    if (event->type() == QEvent::FontChange) {
        // A zoom keeps the newest text in view when it was.
        const bool atEnd = topLine() == verticalScrollBar()->maximum();
        measureFont();
        updateScrollRanges();
        if (atEnd)
            verticalScrollBar()->setValue(verticalScrollBar()->maximum());
    }
    if (event->type() == QEvent::FontChange || event->type() == QEvent::PaletteChange)
        viewport()->update();
}

// ---------------------------------------------------------------- caret

void TerminalView::restartBlink()
{
    const int flashTime = QGuiApplication::styleHints()->cursorFlashTime();
    if (hasFocus() && flashTime >= 2)
        m_blink.start(flashTime / 2, this);
    else
        m_blink.stop();
}

void TerminalView::updateCaret()
{
    viewport()->update(caretRect());
}

void TerminalView::focusInEvent(QFocusEvent *event)
{
    QAbstractScrollArea::focusInEvent(event);
    m_caretOn = true;
    restartBlink();
    updateCaret();
}

void TerminalView::focusOutEvent(QFocusEvent *event)
{
    QAbstractScrollArea::focusOutEvent(event);
    m_blink.stop();
    updateCaret();
}

void TerminalView::timerEvent(QTimerEvent *event)
{
    if (event->timerId() == m_blink.timerId()) {
        m_caretOn = !m_caretOn;
        updateCaret();
    } else if (event->timerId() == m_autoScroll.timerId()) {
        const QRect view = viewport()->rect();
        if (m_dragPoint.y() < view.top())
            verticalScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepSub);
        else if (m_dragPoint.y() > view.bottom())
            verticalScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepAdd);
        if (m_dragPoint.x() < view.left())
            horizontalScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepSub);
        else if (m_dragPoint.x() > view.right())
            horizontalScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepAdd);
        extendSelectionTo(m_dragPoint);
    } else {
        QAbstractScrollArea::timerEvent(event);
    }
}

void TerminalView::moveCaret(qsizetype position, bool keepAnchor)
{
    m_caret = std::clamp<qsizetype>(position, 0, text().size());
    if (!keepAnchor)
        m_anchor = m_caret;
    m_caretOn = true;
    restartBlink();
    scrollToCaret();
    viewport()->update();
    if (TerminalAnnouncer *tell = announcer())
        tell->caretMoved();
}

// Nothing is kept for assistive tools while none listens: a line that talks
// all day costs nothing more than the check.
TerminalAnnouncer *TerminalView::announcer()
{
    if (!AssistiveTools::active()) {
        if (m_announcer)
            m_announcer->forget();
        return nullptr;
    }
    if (!m_announcer)
        m_announcer = new TerminalAnnouncer(*this);
    return m_announcer;
}

// ---------------------------------------------------------------- keys

qsizetype TerminalView::caretMovedByKey(const QKeyEvent &key) const
{
    const bool document = key.modifiers().testFlag(Qt::ControlModifier);
    const qsizetype line = m_lines.lineOf(m_caret);
    auto sameCellOn = [&](qsizetype other) {
        other = std::clamp<qsizetype>(other, 0, m_lines.lineCount() - 1);
        const double cell = double(TerminalCells::cellOf(m_lines.line(line), m_caret - m_lines.lineStart(line)));
        return m_lines.lineStart(other) + TerminalCells::indexNearCell(m_lines.line(other), cell);
    };
    switch (key.key()) {
    case Qt::Key_Left: return std::max<qsizetype>(m_caret - 1, 0);
    case Qt::Key_Right: return std::min(m_caret + 1, text().size());
    case Qt::Key_Up: return sameCellOn(line - 1);
    case Qt::Key_Down: return sameCellOn(line + 1);
    case Qt::Key_PageUp: return sameCellOn(line - rowsInView());
    case Qt::Key_PageDown: return sameCellOn(line + rowsInView());
    case Qt::Key_Home: return document ? 0 : m_lines.lineStart(line);
    case Qt::Key_End: return document ? text().size() : m_lines.lineEnd(line);
    default: return -1;
    }
}

void TerminalView::keyPressEvent(QKeyEvent *event)
{
    const qsizetype position = caretMovedByKey(*event);
    if (position < 0) {
        event->ignore();
        return;
    }
    const bool extend = event->modifiers().testFlag(Qt::ShiftModifier);
    moveCaret(position, extend);
    if (extend)
        offerSelection();
}

// ---------------------------------------------------------------- mouse

void TerminalView::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton)
        return;
    const qsizetype at = positionAt(event->position().toPoint());
    const bool tripleClick =
        m_sinceDoubleClick.isValid()
        && m_sinceDoubleClick.elapsed() < QGuiApplication::styleHints()->mouseDoubleClickInterval();
    m_sinceDoubleClick.invalidate();
    m_dragging = true;
    if (tripleClick) {
        selectAround(at, Unit::Line);
    } else if (event->modifiers().testFlag(Qt::ShiftModifier)) {
        m_dragUnit = Unit::Character;
        m_dragStart = m_dragEnd = m_anchor;
        moveCaret(at, true);
    } else {
        m_dragUnit = Unit::Character;
        m_dragStart = m_dragEnd = at;
        moveCaret(at, false);
    }
}

void TerminalView::mouseDoubleClickEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton)
        return;
    m_dragging = true;
    m_sinceDoubleClick.start();
    selectAround(positionAt(event->position().toPoint()), Unit::Word);
}

void TerminalView::mouseMoveEvent(QMouseEvent *event)
{
    if (!m_dragging || !event->buttons().testFlag(Qt::LeftButton))
        return;
    m_dragPoint = event->position().toPoint();
    if (viewport()->rect().contains(m_dragPoint))
        m_autoScroll.stop();
    else if (!m_autoScroll.isActive())
        m_autoScroll.start(AutoScrollMs, this);
    extendSelectionTo(m_dragPoint);
}

void TerminalView::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton || !m_dragging)
        return;
    m_dragging = false;
    m_autoScroll.stop();
    offerSelection();
}

// The word or line around a position (a word: the run of one kind of
// character the position starts; at a line's end, nothing).
std::pair<qsizetype, qsizetype> TerminalView::unitAround(qsizetype position, Unit unit) const
{
    const qsizetype line = m_lines.lineOf(position);
    const qsizetype lineStart = m_lines.lineStart(line);
    const qsizetype lineEnd = m_lines.lineEnd(line);
    if (unit == Unit::Line)
        return {lineStart, lineEnd};
    if (position >= lineEnd)
        return {position, position};
    const int kind = characterClass(text().at(position));
    qsizetype start = position;
    qsizetype end = position;
    while (start > lineStart && characterClass(text().at(start - 1)) == kind)
        --start;
    while (end < lineEnd && characterClass(text().at(end)) == kind)
        ++end;
    return {start, end};
}

// Selects the word or line around a position; a drag from it extends by words or lines.
void TerminalView::selectAround(qsizetype position, Unit unit)
{
    const auto [start, end] = unitAround(position, unit);
    m_dragUnit = unit;
    m_dragStart = start;
    m_dragEnd = end;
    m_anchor = start;
    moveCaret(end, true);
}

void TerminalView::extendSelectionTo(QPoint point)
{
    const qsizetype at = positionAt(point);
    if (m_dragUnit == Unit::Character) {
        m_anchor = m_dragStart;
        moveCaret(at, true);
        return;
    }
    // By whole words or lines, always keeping the one first clicked.
    const auto [start, end] = unitAround(at, m_dragUnit);
    const bool backwards = start < m_dragStart;
    m_anchor = backwards ? m_dragEnd : m_dragStart;
    moveCaret(backwards ? start : end, true);
}

// The selection goes to the desktop's primary selection, for a middle click elsewhere.
void TerminalView::offerSelection() const
{
    QClipboard *clipboard = QGuiApplication::clipboard();
    if (hasSelection() && clipboard->supportsSelection())
        clipboard->setText(selectedText(), QClipboard::Selection);
}

// ---------------------------------------------------------------- input methods

QVariant TerminalView::inputMethodQuery(Qt::InputMethodQuery query) const
{
    switch (query) {
    case Qt::ImEnabled: return true;
    case Qt::ImCursorRectangle: return caretRect().translated(viewport()->pos());
    case Qt::ImFont: return font();
    case Qt::ImCursorPosition: return 0;
    case Qt::ImSurroundingText: return QString();
    default: return QAbstractScrollArea::inputMethodQuery(query);
    }
}
