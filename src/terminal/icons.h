#pragma once

#include <QIcon>
#include <QPixmap>

// The program's pictures, drawn in code: 16 x 16 toolbar images 1 to 5
// (open, quit, send, run, connect), the two connection indicator images and
// the window icon.
namespace icons {

QPixmap toolbarImage(int number);
QPixmap connected();
QPixmap notConnected();
QPixmap toggles();
QIcon windowIcon();

} // namespace icons
