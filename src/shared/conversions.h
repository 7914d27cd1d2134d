// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

// Conversions of stored text to numbers and truth values, the way the
// program's settings have always been read: surrounding blanks ignored, a
// fraction rounded to the nearest integer (halves to even). Text that does not
// convert throws Failure 13, a number that does not fit throws Failure 6.
namespace conversions {

inline constexpr int TypeMismatch = 13;
inline constexpr int Overflow = 6;

qint16 toInt16(const QString &text);
qint32 toInt32(const QString &text);
// "True"/"False" in any letter case, or a number (zero false, else true).
bool toBool(const QString &text);
// The text form of a truth value in the store.
inline QString fromBool(bool value)
{
    return value ? QStringLiteral("True") : QStringLiteral("False");
}

} // namespace conversions
