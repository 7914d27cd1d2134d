// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDialog>

// What the help and About windows share: a fixed-size dialog-style window
// without minimise or maximise buttons, kept out of the task bar, unloaded
// when closed.
namespace infowindow {

void setUp(QDialog &window, const QString &objectName, const QString &title);
// Fixes the size once the layout is complete.
void fixSize(QDialog &window);

} // namespace infowindow
