#include "terminal/layoutrule.h"

#include "terminal/twips.h"

#include <algorithm>
#include <cmath>

double layoutrule::roundHalfToEven(double value)
{
    const double lower = std::floor(value);
    const double fraction = value - lower;
    if (fraction < 0.5)
        return lower;
    if (fraction > 0.5)
        return lower + 1;
    return std::fmod(lower, 2.0) == 0 ? lower : lower + 1;
}

layoutrule::Result layoutrule::apply(const Input &input)
{
    // A minimised or very low window leaves no room: the text box shrinks to
    // nothing rather than getting a negative size.
    const double height =
        std::max(0.0, roundHalfToEven(input.clientHeight - input.statusBarHeight - input.toolbarHeight));
    Result result;
    result.txtTerm = {0, input.toolbarHeight, std::max(0.0, input.clientWidth), height};
    result.frame1Left = input.clientWidth - 1.5 * input.frame1Width;
    return result;
}

QRect layoutrule::toPixels(const TwipsRect &rect, double logicalDpi)
{
    return {twips::toPixels(rect.left, logicalDpi), twips::toPixels(rect.top, logicalDpi),
            twips::toPixels(rect.width, logicalDpi), twips::toPixels(rect.height, logicalDpi)};
}
