// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/settingsstring.h"

#include <QStringList>

#include <algorithm>

std::optional<LineSettings> parseSettingsString(const QString &text)
{
    const QStringList fields = text.split(QLatin1Char(','));
    if (fields.size() != 4)
        return std::nullopt;

    LineSettings settings;
    const QString &speed = fields[0];
    if (speed.isEmpty() || speed.size() > 10
        || !std::all_of(speed.begin(), speed.end(), [](QChar c) { return c >= u'0' && c <= u'9'; }))
        return std::nullopt;
    bool ok = false;
    settings.speed = speed.toInt(&ok);
    if (!ok || settings.speed <= 0)
        return std::nullopt;

    if (fields[1].size() != 1)
        return std::nullopt;
    const QChar parity = fields[1].at(0).toLower();
    if (!QStringLiteral("eonms").contains(parity))
        return std::nullopt;
    settings.parity = parity;

    const QString &dataBits = fields[2];
    if (dataBits.size() != 1 || dataBits.at(0) < u'4' || dataBits.at(0) > u'8')
        return std::nullopt;
    settings.dataBits = dataBits.at(0).digitValue();

    const QString &stopBits = fields[3];
    if (stopBits != QLatin1String("1") && stopBits != QLatin1String("1.5") && stopBits != QLatin1String("2"))
        return std::nullopt;
    settings.stopBits = stopBits;
    return settings;
}

QString formatSettingsString(const LineSettings &settings)
{
    return QStringLiteral("%1,%2,%3,%4")
        .arg(settings.speed)
        .arg(settings.parity)
        .arg(settings.dataBits)
        .arg(settings.stopBits);
}

SettingsFields settingsFieldsByPosition(const QString &text)
{
    // Positions count from 1 and from the end; k makes room for the ".5".
    const qsizetype length = text.size();
    const qsizetype k = text.contains(QLatin1Char('.')) ? 2 : 0;
    auto charAt = [&](qsizetype position) {
        return position >= 1 && position <= length ? QString(text.at(position - 1)) : QString();
    };
    SettingsFields fields;
    fields.speed = text.left(std::max<qsizetype>(0, length - 6 - k));
    fields.parity = charAt(length - 4 - k);
    fields.dataBits = charAt(length - 2 - k);
    fields.stopBits = text.right(std::min(length, 1 + k));
    return fields;
}
