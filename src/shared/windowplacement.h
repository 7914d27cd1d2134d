// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

class QWidget;

// Puts a window, frame included, in the middle of the screen it is on.
void centreOnScreen(QWidget &window);
