// SPDX-License-Identifier: GPL-3.0-or-later
#include "shared/windowplacement.h"

#include <QScreen>
#include <QWidget>

void centreOnScreen(QWidget &window)
{
    const QScreen *screen = window.screen();
    if (!screen)
        return;
    const QRect available = screen->geometry();
    const QSize frame = window.frameGeometry().size();
    window.move(available.left() + (available.width() - frame.width()) / 2,
                available.top() + (available.height() - frame.height()) / 2);
}
