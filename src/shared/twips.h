// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cmath>

class QWidget;

// Lengths on the main window are given in twips, 1/1440 inch, and converted
// at the screen's logical DPI.
namespace twips {

inline int toPixels(double twips, double logicalDpi)
{
    return int(std::lround(twips * logicalDpi / 1440.0));
}
inline double fromPixels(int pixels, double logicalDpi)
{
    return pixels * 1440.0 / logicalDpi;
}
double logicalDpi(const QWidget *widget);

} // namespace twips
