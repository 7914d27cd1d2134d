// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QIcon>
#include <QImage>
#include <QPixmap>
#include <QString>

#include <array>

// The program's pictures, drawn in code: 16 x 16 toolbar images 1 to 6
// (open, quit, send, run, connect, load and run), the two connection indicator images and
// the window icon.
namespace icons {

QPixmap toolbarImage(int number);
QPixmap connected();
QPixmap notConnected();
QPixmap toggles();
QIcon windowIcon();

// The window icon's picture at one size (square, in pixels), and as SVG; the
// PNG sizes of the desktop's icon theme. No application object is needed.
QImage windowIconImage(int size);
QString windowIconSvg();
constexpr std::array<int, 8> windowIconSizes()
{
    return {16, 22, 24, 32, 48, 64, 128, 256};
}

} // namespace icons
