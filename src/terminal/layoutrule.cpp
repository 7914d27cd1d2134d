// SPDX-License-Identifier: GPL-3.0-or-later
#include "terminal/layoutrule.h"

double layoutrule::frame1Left(double clientWidth, double frame1Width)
{
    return clientWidth - 1.5 * frame1Width;
}
