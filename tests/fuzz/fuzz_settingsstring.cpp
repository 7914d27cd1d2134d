// The settings-string grammar: a parsed string formats back to a string that
// parses to the same settings; the dialog's reading by position never reads
// outside the text and, on a well-formed string, finds the parsed fields.

#include "fuzzcheck.h"

#include "settings/settingsstring.h"

#include <QStringList>

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QString text = QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size));
    const QString where = quoted(text);

    // Out-of-range positions would trip QString's asserts (kept on here).
    const SettingsFields byPosition = settingsFieldsByPosition(text);
    FUZZ_CHECK(byPosition.parity.size() <= 1 && byPosition.dataBits.size() <= 1, where);

    const std::optional<LineSettings> parsed = parseSettingsString(text);
    if (!parsed)
        return 0;

    FUZZ_CHECK(parsed->speed > 0, where);
    FUZZ_CHECK(QStringLiteral("eonms").contains(parsed->parity), where);
    FUZZ_CHECK(parsed->dataBits >= 4 && parsed->dataBits <= 8, where);
    FUZZ_CHECK(QStringList({"1", "1.5", "2"}).contains(parsed->stopBits), where);

    const QString formatted = formatSettingsString(*parsed);
    const std::optional<LineSettings> again = parseSettingsString(formatted);
    FUZZ_CHECK(again && *again == *parsed, where + QStringLiteral(" -> ") + quoted(formatted));

    // Only the speed's leading zeros and the parity's case may differ.
    const QStringList fields = text.split(QLatin1Char(','));
    const QStringList formattedFields = formatted.split(QLatin1Char(','));
    FUZZ_CHECK(formattedFields[0].toLongLong() == fields[0].toLongLong(), where);
    FUZZ_CHECK(formattedFields[1] == fields[1].toLower(), where);
    FUZZ_CHECK(formattedFields.mid(2) == fields.mid(2), where);

    FUZZ_CHECK(byPosition.speed == fields[0], where);
    FUZZ_CHECK(byPosition.parity == fields[1], where);
    FUZZ_CHECK(byPosition.dataBits == fields[2], where);
    FUZZ_CHECK(byPosition.stopBits == fields[3], where);
    return 0;
}
