// SPDX-License-Identifier: GPL-3.0-or-later
// The settings-string grammar: what parses formats back to a string that
// parses the same; the dialog's reading by position stays inside the text and,
// on a well-formed string, finds the parsed fields.

#include "fuzzcheck.h"

#include "settings/settingsstring.h"

#include <QStringList>

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QString text = QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size));
    // Out-of-range positions would trip QString's asserts (kept on here).
    const SettingsFields byPosition = settingsFieldsByPosition(text);
    const std::optional<LineSettings> parsed = parseSettingsString(text);
    if (!parsed)
        return 0;
    const QString formatted = formatSettingsString(*parsed);
    FUZZ_CHECK(parseSettingsString(formatted) == parsed, quoted(text) + QStringLiteral(" -> ") + quoted(formatted));
    FUZZ_CHECK(parsed->speed > 0, quoted(text));
    FUZZ_CHECK(QStringList({byPosition.speed, byPosition.parity, byPosition.dataBits, byPosition.stopBits}).join(',')
                   == text,
               quoted(text));
    return 0;
}
