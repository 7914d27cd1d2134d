// SPDX-License-Identifier: GPL-3.0-or-later
#include "screen/fontzoom.h"

#include <algorithm>
#include <array>

namespace FontZoom {

namespace {
constexpr std::array Steps{6, 7, 8, 9, 10, 11, 12, 14, 16, 18, 20, 22, 24, 28, 32, 36, 40, 48, 56, 64, 72};
} // namespace

int clamped(int points)
{
    return std::clamp(points, Smallest, Largest);
}

int stepped(int points, int steps)
{
    int size = clamped(points);
    for (; steps > 0; --steps)
        size = *std::upper_bound(Steps.begin(), Steps.end() - 1, size);
    for (; steps < 0; ++steps)
        size = *(std::lower_bound(Steps.begin() + 1, Steps.end(), size) - 1);
    return size;
}

std::optional<int> fromStored(const QString &text)
{
    bool ok = false;
    const int points = text.trimmed().toInt(&ok);
    if (!ok)
        return std::nullopt;
    return clamped(points);
}

} // namespace FontZoom
