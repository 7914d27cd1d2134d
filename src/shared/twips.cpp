// SPDX-License-Identifier: GPL-3.0-or-later
#include "shared/twips.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

double twips::logicalDpi(const QWidget *widget)
{
    const QScreen *screen = widget && widget->screen() ? widget->screen() : QGuiApplication::primaryScreen();
    return screen ? screen->logicalDotsPerInchX() : 96.0;
}
