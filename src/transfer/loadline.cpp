#include "transfer/loadline.h"

namespace {

constexpr int recordBytes = 16;
const char upperHex[] = "0123456789ABCDEF";

LineOutcome outcomeOf(const HexRecord &record)
{
    if (record.type == 1)
        return LineOutcome::End;
    if (!record.countComplete || record.count != recordBytes)
        return LineOutcome::Rejected;
    // A truncated or corrupt record would otherwise go out as a malformed load line.
    if (!record.addressComplete || record.bytes.size() < recordBytes)
        return LineOutcome::Rejected;
    return LineOutcome::Load;
}

} // namespace

FormattedLine FormatHexLine(const HexRecord &record)
{
    const LineOutcome outcome = outcomeOf(record);
    if (outcome != LineOutcome::Load)
        return {outcome, {}};

    // "10 AAAA:" + sixteen "DD " + "SSSS"; the address and the data keep their letter case.
    QByteArray line;
    line.reserve(8 + 3 * recordBytes + 4);
    line += record.field(HexRecord::countAt, 2);
    line += ' ';
    line += record.addressText();
    line += ':';
    int sum = 0;
    for (int k = 0; k < recordBytes; ++k) {
        line += record.dataText(k, 1);
        line += ' ';
        sum += record.byte(k);
    }
    for (int shift = 12; shift >= 0; shift -= 4)
        line += upperHex[(sum >> shift) & 0xF];
    return {LineOutcome::Load, QString::fromLatin1(line)};
}

FormattedLine FormatHexLine(QStringView line)
{
    return FormatHexLine(parseHexRecord(line.toLatin1()));
}
