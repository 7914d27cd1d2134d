// SPDX-License-Identifier: GPL-3.0-or-later
#include "shared/conversions.h"

#include "shared/failure.h"

#include <QRegularExpression>

#include <cfenv>
#include <cmath>
#include <limits>

namespace conversions {
namespace {

Failure typeMismatch()
{
    return Failure(TypeMismatch, QStringLiteral("Type mismatch"));
}
Failure overflow()
{
    return Failure(Overflow, QStringLiteral("Overflow"));
}

// A plain decimal number: sign, digits, optional fraction and exponent. Names
// like "inf" or "nan", which toDouble() would take, are not numbers here.
double toNumber(const QString &text)
{
    static const QRegularExpression number(QStringLiteral("^[+-]?(\\d+\\.?\\d*|\\.\\d+)([eE][+-]?\\d+)?$"));
    const QString trimmed = text.trimmed();
    if (!number.match(trimmed).hasMatch())
        throw typeMismatch();
    bool ok = false;
    const double value = trimmed.toDouble(&ok);
    // The text is a well-formed number, so a failure here is a value out of
    // the double's range: too big (infinity) fails, too small (zero) is zero.
    if (!std::isfinite(value))
        throw overflow();
    return ok ? value : 0.0;
}

template <typename Int>
Int toInteger(const QString &text)
{
    const double value = toNumber(text);
    // Round half to even, whatever rounding mode the process runs in.
    const int savedMode = std::fegetround();
    std::fesetround(FE_TONEAREST);
    const double rounded = std::nearbyint(value);
    std::fesetround(savedMode);
    if (rounded < double(std::numeric_limits<Int>::min()) || rounded > double(std::numeric_limits<Int>::max()))
        throw overflow();
    return static_cast<Int>(rounded);
}

} // namespace

qint16 toInt16(const QString &text)
{
    return toInteger<qint16>(text);
}

qint32 toInt32(const QString &text)
{
    return toInteger<qint32>(text);
}

bool toBool(const QString &text)
{
    const QString trimmed = text.trimmed();
    if (trimmed.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0)
        return true;
    if (trimmed.compare(QLatin1String("false"), Qt::CaseInsensitive) == 0)
        return false;
    return toNumber(trimmed) != 0.0;
}

} // namespace conversions
