// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QTimer>

class QWidget;

// Lets the terminal's caret stop blinking after a while without input, as
// desktop terminals do: a blinking caret repaints the text box twice a second
// all day long. The caret then shows steadily, and blinks again at the next
// key, click or focus. The blink rate is the application's, so it is given
// back whenever the text box loses the focus (dialogs blink as usual).
class CaretRest final : public QObject
{
    Q_OBJECT
public:
    static constexpr int RestAfterMs = 10000;

    explicit CaretRest(QWidget &textBox);
    ~CaretRest() override;

    bool isResting() const { return m_resting; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void rest();
    void wake();

    QWidget &m_textBox;
    QTimer m_idle;
    int m_flashTime = 0;
    bool m_resting = false;
};
