// HEX conversion then load-line formatting: every line either gives "fin" or
// a 60-character load line of the right shape whose sum is right.

#include "fuzzcheck.h"

#include "transfer/hexconvert.h"

#include <cstddef>
#include <cstdint>

namespace {

bool isHex(QChar c)
{
    return (c >= u'0' && c <= u'9') || (c >= u'A' && c <= u'F') || (c >= u'a' && c <= u'f');
}
bool isUpperHex(QChar c)
{
    return (c >= u'0' && c <= u'9') || (c >= u'A' && c <= u'F');
}

// "10 AAAA:" + sixteen "DD " + "SSSS", taken from `record` as it stands.
void checkLoadLine(const QString &record, const QString &load)
{
    const QString where = quoted(record) + QStringLiteral(" -> ") + quoted(load);
    FUZZ_CHECK(load.size() == 60, where);
    FUZZ_CHECK(load.left(3) == QLatin1String("10 "), where);
    for (int i = 3; i < 7; ++i)
        FUZZ_CHECK(isHex(load[i]), where);
    FUZZ_CHECK(load.mid(3, 4) == record.mid(3, 4), where);
    FUZZ_CHECK(load[7] == u':', where);
    int sum = 0;
    for (int k = 0; k < 16; ++k) {
        const QString byte = load.mid(8 + 3 * k, 2);
        FUZZ_CHECK(isHex(byte[0]) && isHex(byte[1]), where);
        FUZZ_CHECK(byte == record.mid(9 + 2 * k, 2), where);
        FUZZ_CHECK(load[10 + 3 * k] == u' ', where);
        sum += byte.toInt(nullptr, 16);
    }
    const QString sumText = load.right(4);
    for (const QChar c : sumText)
        FUZZ_CHECK(isUpperHex(c), where);
    FUZZ_CHECK(sumText.toInt(nullptr, 16) == sum, where);
}

void checkFormatted(const QString &record)
{
    const FormattedLine formatted = FormatHexLine(record);
    if (formatted.rejected || formatted.isFin()) {
        FUZZ_CHECK(formatted.isFin(), quoted(record));
        return;
    }
    checkLoadLine(record, formatted.hexLine);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArray text(reinterpret_cast<const char *>(data), qsizetype(size));

    // The conversion: a line gives at most sixteen records (a count of 255).
    const QList<QByteArray> records = convertHexText(text);
    const qsizetype lineEnds = text.count('\r') + text.count('\n') + 1;
    FUZZ_CHECK(records.size() <= 16 * lineEnds, QString::number(records.size()));
    for (const QByteArray &record : records)
        checkFormatted(QString::fromLatin1(record));

    // The temporary file is read back from disk and may hold anything: format
    // the input's own lines too.
    for (const QByteArray &line : text.split('\n'))
        checkFormatted(QString::fromLatin1(line));
    return 0;
}
