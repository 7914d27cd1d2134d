#include "serial/keyboardsend.h"

#include "shared/failure.h"

#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QPlainTextEdit>

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

// The line carries 8-bit characters: Latin-1 codes only.
bool hasByteCode(QChar c)
{
    return c.unicode() <= 0xFF;
}

} // namespace

KeyboardSend::KeyboardSend(QPlainTextEdit &txtTerm, KeyboardLink link, QObject *parent)
    : QObject(parent ? parent : &txtTerm), m_txtTerm(txtTerm), m_link(std::move(link))
{
    m_txtTerm.installEventFilter(this);
}

bool KeyboardSend::eventFilter(QObject *watched, QEvent *event)
{
    if (watched != &m_txtTerm)
        return false;

    if (event->type() == QEvent::KeyPress) {
        // Pending received text first: the key acts on the text as shown.
        if (m_link.beforeKey)
            m_link.beforeKey();
        const auto *key = static_cast<QKeyEvent *>(event);
        const std::optional<QString> typed = typedText(key->key(), key->modifiers(), key->text());
        return typed && txtTerm_KeyPress(*typed);
    }
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

bool KeyboardSend::txtTerm_KeyPress(const QString &typed)
{
    if (m_link.sendingBlocked && m_link.sendingBlocked())
        return true;
    if (!m_link.portOpen())
        return false;
    if (!send(typed))
        return true;
    if (m_link.echo())
        return false;
    m_txtTerm.moveCursor(QTextCursor::End);
    return true;
}

// False when Output failed.
bool KeyboardSend::send(const QString &typed)
{
    // A composed commit may hold several characters: one byte each.
    for (const QChar c : typed) {
        if (!hasByteCode(c))
            continue;
        try {
            m_link.output(QString(c));
        } catch (const Failure &failure) {
            if (m_link.sendFailed)
                m_link.sendFailed(failure);
            return false;
        }
    }
    return true;
}
