// SPDX-License-Identifier: GPL-3.0-or-later
#include "screen/terminalzoom.h"

#include "screen/fontzoom.h"
#include "screen/terminalview.h"
#include "settings/settingsstore.h"

#include <QKeyEvent>
#include <QWheelEvent>

namespace {

constexpr int NormalPoints = 10; // for a system font sized in pixels
constexpr int WheelNotch = 120;

enum class ZoomKey { None, In, Out, Normal };

ZoomKey zoomKey(const QKeyEvent &key)
{
    // Shift gives '+' on many keyboards; the keypad's keys count too.
    const Qt::KeyboardModifiers modifiers = key.modifiers() & ~(Qt::KeypadModifier | Qt::ShiftModifier);
    if (modifiers != Qt::ControlModifier)
        return ZoomKey::None;
    switch (key.key()) {
    case Qt::Key_Plus:
    case Qt::Key_Equal: return ZoomKey::In;
    case Qt::Key_Minus: return ZoomKey::Out;
    case Qt::Key_0:
    case Qt::Key_Agrave: return ZoomKey::Normal;
    default: return ZoomKey::None;
    }
}

} // namespace

TerminalZoom::TerminalZoom(TerminalView &view, SettingsStore &store)
    : QObject(&view), m_view(view), m_store(store), m_viewport(view.viewport()),
      m_normal(FontZoom::clamped(view.font().pointSize() > 0 ? view.font().pointSize() : NormalPoints))
{
    apply(FontZoom::fromStored(m_store.get(Section, Key)).value_or(m_normal));
    m_view.installEventFilter(this);
    m_viewport->installEventFilter(this);
}

int TerminalZoom::pointSize() const
{
    return m_view.font().pointSize();
}

void TerminalZoom::setPointSize(int points)
{
    apply(FontZoom::clamped(points));
    m_store.save(Section, Key, QString::number(pointSize()));
}

void TerminalZoom::zoom(int steps)
{
    setPointSize(FontZoom::stepped(pointSize(), steps));
}

void TerminalZoom::reset()
{
    setPointSize(m_normal);
}

void TerminalZoom::apply(int points)
{
    QFont font = m_view.font();
    if (font.pointSize() == points)
        return;
    font.setPointSize(points);
    m_view.setFont(font);
}

bool TerminalZoom::eventFilter(QObject *watched, QEvent *event)
{
    // Compared by the pointer kept at construction: the view may be on its way out.
    if (watched == m_viewport && event->type() == QEvent::Wheel) {
        const auto *wheel = static_cast<QWheelEvent *>(event);
        if (!wheel->modifiers().testFlag(Qt::ControlModifier))
            return false;
        // Fine-grained wheels and touchpads send parts of a notch.
        m_wheel += wheel->angleDelta().y();
        if (const int steps = m_wheel / WheelNotch; steps != 0) {
            m_wheel -= steps * WheelNotch;
            zoom(steps);
        }
        return true;
    }
    if (watched != &m_view || (event->type() != QEvent::KeyPress && event->type() != QEvent::ShortcutOverride))
        return false;
    const ZoomKey key = zoomKey(*static_cast<QKeyEvent *>(event));
    if (key == ZoomKey::None)
        return false;
    // Taken before any shortcut, and never typed.
    event->accept();
    if (event->type() == QEvent::KeyPress)
        key == ZoomKey::Normal ? reset() : zoom(key == ZoomKey::In ? 1 : -1);
    return true;
}
