// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

// The program's name: the window titles, the settings store's file name and
// Qt's application name all use it.
inline const QString ApplicationTitle = QStringLiteral("KORVEX Terminal");
