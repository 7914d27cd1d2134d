#pragma once

#include <QRect>

// The main window's resize rule: the terminal text box fills the band between
// the toolbar and the status bar, and Frame1 keeps one and a half of its own
// widths from the right edge. Lengths in twips, no widget needed.
namespace layoutrule {

struct Input
{
    double clientWidth = 0;
    double clientHeight = 0;
    double statusBarHeight = 0;
    double toolbarHeight = 0;
    double frame1Width = 0;
};

struct TwipsRect
{
    double left = 0;
    double top = 0;
    double width = 0;
    double height = 0;

    bool operator==(const TwipsRect &) const = default;
};

struct Result
{
    TwipsRect txtTerm;
    double frame1Left = 0;
};

// Halves go to the even neighbour (2.5 -> 2, 3.5 -> 4, -0.5 -> 0).
double roundHalfToEven(double value);

Result apply(const Input &input);

// A twips rectangle in pixels at the given logical DPI.
QRect toPixels(const TwipsRect &rect, double logicalDpi);

} // namespace layoutrule
