// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include <optional>

// The terminal's font size, in points, as the zoom keys change it: by the
// usual typographic steps, from 6 to 72. Pure logic: the key and wheel
// handling is terminalzoom.h.
namespace FontZoom {

inline constexpr int Smallest = 6;
inline constexpr int Largest = 72;

int clamped(int points);
// The size steps away from points (positive: larger), within the range.
int stepped(int points, int steps);
// A size as the settings file holds it: a whole number of points, brought
// into the range; no value for a text that is not one.
std::optional<int> fromStored(const QString &text);

} // namespace FontZoom
