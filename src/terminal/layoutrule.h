// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The main window's resize rule, in twips, without a widget: Frame1 keeps one
// and a half of its own widths from the right edge of the client area. The
// terminal text box needs no rule: the window's docking fills the band
// between the toolbar and the status bar with it.
namespace layoutrule {

// Frame1's left edge; negative when the window is narrower (minimised).
double frame1Left(double clientWidth, double frame1Width);

} // namespace layoutrule
