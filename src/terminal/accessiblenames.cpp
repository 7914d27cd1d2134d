// SPDX-License-Identifier: GPL-3.0-or-later
#include "terminal/accessiblenames.h"

#include <QAction>
#include <QToolBar>

void nameToolButtons(QToolBar &toolBar)
{
    for (QAction *action : toolBar.actions()) {
        if (action->isSeparator())
            continue;
        if (QWidget *button = toolBar.widgetForAction(action))
            button->setAccessibleName(action->toolTip());
    }
}
