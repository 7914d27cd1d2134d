// SPDX-License-Identifier: GPL-3.0-or-later
#include "info/infowindows.h"

#include "info/aide.h"
#include "info/apropos.h"

namespace {

// Builds and shows the window when it is not loaded, else brings it to the front.
template <typename Window>
void showOrRaise(QPointer<Window> &window, QWidget *parent)
{
    if (!window) {
        window = new Window(parent);
        window->show();
        return;
    }
    window->show();
    window->raise();
    window->activateWindow();
}

} // namespace

void InfoWindows::mnuaide_Click(QWidget *parent)
{
    showOrRaise(m_aide, parent);
}

void InfoWindows::mnuapropos_Click(QWidget *parent)
{
    showOrRaise(m_apropos, parent);
}
