// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "info/aide.h"
#include "info/apropos.h"

#include <QPointer>

// Keeps at most one help window and one About window: showing one that is
// already open brings it to the front; once unloaded, the next show builds
// it afresh. Both are modeless.
class InfoWindows
{
public:
    void mnuaide_Click(QWidget *parent);
    void mnuapropos_Click(QWidget *parent);

    Aide *aide() const { return m_aide.data(); }
    Apropos *apropos() const { return m_apropos.data(); }

private:
    QPointer<Aide> m_aide;
    QPointer<Apropos> m_apropos;
};
