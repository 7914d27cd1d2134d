#include "serial/terminaldisplay.h"

#include "serial/scrollbarpace.h"

#include "shared/application.h"
#include "shared/failure.h"
#include "shared/messageboxes.h"

#include <QApplication>
#include <QFontDatabase>
#include <QPlainTextEdit>
#include <QTextCursor>
#include <QTextDocument>

#include <algorithm>
#include <exception>

namespace {

// The document always holds one closing paragraph separator beyond the text.
qsizetype textLength(const QTextDocument &document)
{
    return document.characterCount() - 1;
}

// Appended line by line up to this many line breaks: the text box repaints
// only the lines an edit touches when it adds at most one line, and the whole
// view otherwise. Past this, the view scrolls by most of its height anyway.
constexpr qsizetype LineByLineUpTo = 8;

// Appends as separate edits, each starting a new line: the text up to the
// first line break, then each line break with the text after it. The text
// box repaints just the lines of an edit that extends the last line or adds
// one line after it.
void appendLineByLine(QTextCursor &cursor, const QString &text)
{
    qsizetype start = 0;
    while (start < text.size()) {
        const qsizetype next = text.indexOf(DisplayRules::LineBreak, start + 1);
        const qsizetype end = next < 0 ? text.size() : next;
        cursor.insertText(text.mid(start, end - start));
        start = end;
    }
}

// Only the two ends of the text are touched. Trimming and removing make one
// edit block, so that the document lays out and notifies once; a few lines
// are appended one by one, so that only they are repainted.
void applyToDocument(QTextDocument &document, const DisplayEdit &edit)
{
    // Counts are clipped in case something else edited the text meanwhile.
    const qsizetype length = textLength(document);
    const qsizetype drop = std::min(edit.dropFront, length);
    const qsizetype remove = std::min(edit.removeLast, length - drop);
    const bool lineByLine = drop == 0 && edit.append.count(DisplayRules::LineBreak) <= LineByLineUpTo;

    QTextCursor cursor(&document);
    if (!lineByLine)
        cursor.beginEditBlock();
    if (drop > 0) {
        cursor.setPosition(int(drop), QTextCursor::KeepAnchor);
        cursor.removeSelectedText();
    }
    if (remove > 0) {
        // Characters, not graphemes as PreviousCharacter would take.
        cursor.setPosition(int(length - drop - remove));
        cursor.setPosition(int(length - drop), QTextCursor::KeepAnchor);
        cursor.removeSelectedText();
    }
    cursor.movePosition(QTextCursor::End);
    if (lineByLine) {
        appendLineByLine(cursor, edit.append);
        return;
    }
    if (!edit.append.isEmpty())
        cursor.insertText(edit.append);
    cursor.endEditBlock();
}

} // namespace

TerminalDisplay::TerminalDisplay(QPlainTextEdit &txtTerm, MessageBoxes &boxes, QObject *parent)
    : QObject(parent ? parent : &txtTerm), m_txtTerm(txtTerm), m_boxes(boxes), m_scrollBars(new ScrollBarPace(txtTerm)),
      m_beep(&QApplication::beep)
{
    m_flushTimer.setSingleShot(true);
    connect(&m_flushTimer, &QTimer::timeout, this, &TerminalDisplay::flush);
    m_sinceFlush.start();
}

template <typename Step>
void TerminalDisplay::runStep(Step step)
{
    QString description;
    try {
        step();
        return;
    } catch (const Failure &failure) {
        description = failure.description();
    } catch (const std::exception &failure) {
        description = QString::fromUtf8(failure.what());
    }
    m_boxes.show(&m_txtTerm,
                 {MessageRequest::Icon::None, MessageRequest::Buttons::Ok, ApplicationTitle, description, {}});
}

void TerminalDisplay::display(const QString &data)
{
    runStep([&] {
        if (!m_pending)
            m_pending.emplace(textLength(*m_txtTerm.document()));
        m_pending->add(data);
    });
    scheduleFlush();
}

void TerminalDisplay::scheduleFlush()
{
    if (m_flushTimer.isActive())
        return;
    const qint64 wait = FrameMilliseconds - m_sinceFlush.elapsed();
    m_flushTimer.start(int(std::clamp<qint64>(wait, 0, FrameMilliseconds)));
}

void TerminalDisplay::flush()
{
    m_flushTimer.stop();
    if (!m_pending)
        return;
    const DisplayBatch batch = std::move(*m_pending);
    m_pending.reset();
    m_sinceFlush.start();

    // One beep for a burst of bells: they would otherwise queue up for seconds.
    if (batch.edit().bells > 0 && m_beep)
        m_beep();
    m_scrollBars->beforeEdit();
    runStep([&] { applyToDocument(*m_txtTerm.document(), batch.edit()); });
    // Caret to the end: nothing selected, the newest text in view.
    runStep([&] { m_txtTerm.moveCursor(QTextCursor::End); });
}

void TerminalDisplay::showNow(const QString &text)
{
    constexpr qsizetype piece = DisplayRules::TerminalTrim;
    for (qsizetype at = 0; at < text.size(); at += piece)
        display(text.mid(at, piece));
    flush();
}

void prepareTerminalTextBox(QPlainTextEdit &txtTerm)
{
    // A fixed-width font has neither kerning nor ligatures to apply: plain
    // Latin text skips the shaping, and each received line lays out faster.
    QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    font.setStyleStrategy(QFont::PreferNoShaping);
    txtTerm.setFont(font);
    txtTerm.setUndoRedoEnabled(false);
    txtTerm.setLineWrapMode(QPlainTextEdit::NoWrap);
    txtTerm.clear();
    setTerminalTextColour(txtTerm);
}

void setTerminalTextColour(QPlainTextEdit &txtTerm)
{
    QPalette palette = txtTerm.palette();
    palette.setColor(QPalette::Text, QColor(0, 0, 255));
    txtTerm.setPalette(palette);
}
