// SPDX-License-Identifier: GPL-3.0-or-later
#include "screen/terminaldisplay.h"

#include "screen/scrollbarpace.h"
#include "screen/terminalview.h"

#include "shared/application.h"
#include "shared/failure.h"
#include "shared/messageboxes.h"

#include <QApplication>
#include <QFontDatabase>

#include <algorithm>
#include <exception>

TerminalDisplay::TerminalDisplay(TerminalView &txtTerm, MessageBoxes &boxes, QObject *parent)
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
    emit arrived(data);
    runStep([&] {
        if (!m_pending)
            m_pending.emplace(m_txtTerm.text().size());
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
    // Caret to the end with it: nothing selected, the newest text in view.
    runStep([&] { m_txtTerm.applyEdit(batch.edit()); });
}

void TerminalDisplay::showNow(const QString &text)
{
    constexpr qsizetype piece = DisplayRules::TerminalTrim;
    for (qsizetype at = 0; at < text.size(); at += piece)
        display(text.mid(at, piece));
    flush();
}

void prepareTerminalTextBox(TerminalView &txtTerm)
{
    // A fixed-width font has neither kerning nor ligatures to apply: plain
    // Latin text skips the shaping, and each received line draws faster.
    QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    font.setStyleStrategy(QFont::PreferNoShaping);
    txtTerm.setFont(font);
    txtTerm.clear();
    setTerminalTextColour(txtTerm);
}

void setTerminalTextColour(TerminalView &txtTerm)
{
    QPalette palette = txtTerm.palette();
    palette.setColor(QPalette::Text, QColor(0, 0, 255));
    txtTerm.setPalette(palette);
}
