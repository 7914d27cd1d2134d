// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

class QAbstractScrollArea;
class QScrollBar;

// Repaints a text box's scroll bars at most a few times a second while text
// streams in. A line at its own pace moves them at every frame, and painting
// them (gradients and long lines in the usual styles) costs more than the
// text that moved. The bars always end showing the text box's state; one the
// user points at or drags follows at once.
class ScrollBarPace final : public QObject
{
    Q_OBJECT
public:
    static constexpr int IntervalMs = 250;

    explicit ScrollBarPace(QAbstractScrollArea &area);

    // Call before each edit of the text box's contents.
    void beforeEdit();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void hold();
    void release();
    bool userOnABar() const;

    QScrollBar *m_bars[2];
    QTimer m_release;
    QElapsedTimer m_sinceRelease;
    bool m_holding = false;
};
