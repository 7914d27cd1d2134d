// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

class QToolBar;

// Icon-only toolbar buttons have no text for a screen reader to say: each
// takes its tooltip as its accessible name. Call it once the actions are in.
void nameToolButtons(QToolBar &toolBar);
