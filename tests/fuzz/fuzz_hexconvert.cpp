// SPDX-License-Identifier: GPL-3.0-or-later
// HEX conversion then load-line formatting on anything: no crash, at most
// sixteen records per line, and every load line is the record's own address
// and data with their sum.

#include "fuzzcheck.h"

#include "transfer/hexconvert.h"
#include "transfer/loadline.h"

#include <cstddef>
#include <cstdint>

namespace {

void checkFormatted(const QString &record)
{
    const FormattedLine formatted = FormatHexLine(record);
    if (formatted.outcome != LineOutcome::Load)
        return;
    QString expected = QStringLiteral("10 ") + record.mid(3, 4) + u':';
    int sum = 0;
    for (int k = 0; k < 16; ++k) {
        expected += record.mid(9 + 2 * k, 2) + u' ';
        sum += record.mid(9 + 2 * k, 2).toInt(nullptr, 16);
    }
    expected += QStringLiteral("%1").arg(sum, 4, 16, QLatin1Char('0')).toUpper();
    FUZZ_CHECK(formatted.loadLine == expected, quoted(record) + QStringLiteral(" -> ") + quoted(formatted.loadLine));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArray text(reinterpret_cast<const char *>(data), qsizetype(size));
    const QList<QByteArray> records = convertHexText(text);
    FUZZ_CHECK(records.size() <= 16 * (text.count('\r') + text.count('\n') + 1), QString::number(records.size()));
    for (const QByteArray &record : records)
        checkFormatted(QString::fromLatin1(record));
    // The temporary file is read back from disk and may hold anything.
    for (const QByteArray &line : text.split('\n'))
        checkFormatted(QString::fromLatin1(line));
    return 0;
}
