// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include <optional>

// The line parameters as one text: speed, parity letter, data bits and stop
// bits separated by commas without blanks, e.g. "9600,n,8,1".
struct LineSettings
{
    qint32 speed = 9600;
    QChar parity = QLatin1Char('n');        // e, o, n, m or s (lower case)
    int dataBits = 8;                       // 4 to 8
    QString stopBits = QStringLiteral("1"); // "1", "1.5" or "2"

    bool operator==(const LineSettings &) const = default;
};

// Parses a settings string; parity in either case, read back in lower case.
// Nothing for an ill-formed text.
std::optional<LineSettings> parseSettingsString(const QString &text);

QString formatSettingsString(const LineSettings &settings);

// The settings string taken apart by position counted from its end, the way
// the port properties dialog reads it: it admits exactly one parity letter
// and one data-bit digit, and takes the fields as they stand.
struct SettingsFields
{
    QString speed;
    QString parity;
    QString dataBits;
    QString stopBits;
};

SettingsFields settingsFieldsByPosition(const QString &text);
