// SPDX-License-Identifier: GPL-3.0-or-later
#include "screen/keyboardsend.h"

#include "screen/pastetext.h"
#include "screen/terminalview.h"
#include "shared/failure.h"

#include <QGuiApplication>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMouseEvent>

std::optional<QString> typedText(int key, Qt::KeyboardModifiers modifiers, const QString &text)
{
    switch (key) {
    case Qt::Key_Return:
    case Qt::Key_Enter: return QString(QChar(13));
    case Qt::Key_Backspace: return QString(QChar(8));
    case Qt::Key_Delete: // some platforms give it the text DEL; it edits, it types nothing
        return std::nullopt;
    default: break;
    }
    // Ctrl without Alt (Ctrl+Alt is AltGr on some keyboards): the control
    // code, whatever text the platform put in the event (X11 gives the code,
    // others the letter).
    const bool control = modifiers.testFlag(Qt::ControlModifier) && !modifiers.testFlag(Qt::AltModifier);
    if (control && key >= Qt::Key_At && key <= Qt::Key_Underscore)
        return QString(QChar(key - Qt::Key_At));
    if (control)
        return std::nullopt;
    if (text.isEmpty())
        return std::nullopt;
    return text;
}

namespace {

// What the terminal shows of typed text: carriage return (a line break),
// backspace and tab act; other control codes show nothing.
QString echoed(const QString &text)
{
    QString shown;
    shown.reserve(text.size());
    for (const QChar c : text) {
        const bool control = c.unicode() < 32 || c.unicode() == 127;
        if (!control || c == QChar(13) || c == QChar(8) || c == QChar(9))
            shown.append(c);
    }
    return shown;
}

} // namespace

KeyboardSend::KeyboardSend(TerminalView &txtTerm, KeyboardLink link, QObject *parent)
    : QObject(parent ? parent : &txtTerm), m_txtTerm(txtTerm), m_viewport(txtTerm.viewport()), m_link(std::move(link))
{
    // Composed characters (dead keys, input methods) are typed keys too.
    m_txtTerm.setAttribute(Qt::WA_InputMethodEnabled, true);
    m_txtTerm.installEventFilter(this);
    m_viewport->installEventFilter(this);
}

bool KeyboardSend::eventFilter(QObject *watched, QEvent *event)
{
    // Compared by the pointer kept at construction: while the text box is
    // being destroyed it is no longer a scroll area to ask.
    if (watched == m_viewport) {
        const bool press = event->type() == QEvent::MouseButtonPress || event->type() == QEvent::MouseButtonDblClick;
        const bool release = event->type() == QEvent::MouseButtonRelease;
        if ((!press && !release) || static_cast<QMouseEvent *>(event)->button() != Qt::MiddleButton)
            return false;
        if (release)
            pasteFrom(QGuiApplication::clipboard()->supportsSelection() ? QClipboard::Selection
                                                                        : QClipboard::Clipboard);
        return true;
    }
    if (watched != &m_txtTerm)
        return false;

    if (event->type() == QEvent::KeyPress)
        return keyPress(*static_cast<QKeyEvent *>(event));
    // Composed characters (dead keys, input methods) arrive as a commit.
    if (event->type() == QEvent::InputMethod) {
        const auto *input = static_cast<QInputMethodEvent *>(event);
        if (input->commitString().isEmpty())
            return false;
        if (m_link.beforeKey)
            m_link.beforeKey();
        return txtTerm_KeyPress(input->commitString());
    }
    return false;
}

bool KeyboardSend::keyPress(const QKeyEvent &key)
{
    // Pending received text first: the key acts on the text as shown.
    if (m_link.beforeKey)
        m_link.beforeKey();
    if (clipboardKey(key))
        return true;
    const std::optional<QString> typed = typedText(key.key(), key.modifiers(), key.text());
    return typed && txtTerm_KeyPress(*typed);
}

// The terminal's own clipboard keys; the plain Ctrl ones belong to the board.
bool KeyboardSend::clipboardKey(const QKeyEvent &key)
{
    const Qt::KeyboardModifiers modifiers = key.modifiers() & ~Qt::KeypadModifier;
    const bool ctrlShift = modifiers == (Qt::ControlModifier | Qt::ShiftModifier);
    if ((ctrlShift && key.key() == Qt::Key_C) || (modifiers == Qt::ControlModifier && key.key() == Qt::Key_Insert)) {
        m_txtTerm.copy();
        return true;
    }
    if ((ctrlShift && key.key() == Qt::Key_V) || (modifiers == Qt::ShiftModifier && key.key() == Qt::Key_Insert)) {
        pasteFrom(QClipboard::Clipboard);
        return true;
    }
    return false;
}

bool KeyboardSend::txtTerm_KeyPress(const QString &typed)
{
    if (m_link.sendingBlocked && m_link.sendingBlocked())
        return true;
    const LineText line = lineTextOfTyped(typed);
    report(leftOutReport(line));
    type(line.text);
    return true;
}

void KeyboardSend::pasteFrom(QClipboard::Mode mode)
{
    paste(QGuiApplication::clipboard()->text(mode));
}

void KeyboardSend::paste(const QString &text)
{
    if (m_link.sendingBlocked && m_link.sendingBlocked()) {
        report(QStringLiteral("Collage refusé : un transfert de programme est en cours. Collez de nouveau une fois "
                              "le transfert terminé."));
        return;
    }
    if (m_link.beforeKey)
        m_link.beforeKey();
    const LineText line = lineTextOfPaste(text);
    type(line.text);
    report(leftOutReport(line));
}

// Sends (port open) and shows (port closed, or echo on) text of 8-bit
// characters; the caret ends at the end.
void KeyboardSend::type(const QString &text)
{
    const bool open = m_link.portOpen();
    if (open && !text.isEmpty() && !send(text))
        return;
    if (!open || m_link.echo())
        m_link.show(echoed(text));
    m_txtTerm.moveCaretToEnd();
}

// False when Output failed.
bool KeyboardSend::send(const QString &text)
{
    try {
        m_link.output(text);
    } catch (const Failure &failure) {
        if (m_link.sendFailed)
            m_link.sendFailed(failure);
        return false;
    }
    return true;
}

void KeyboardSend::report(const QString &notice) const
{
    if (!notice.isEmpty() && m_link.report)
        m_link.report(notice);
}
