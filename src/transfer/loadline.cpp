// SPDX-License-Identifier: GPL-3.0-or-later
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

QList<ProgramLine> programLines(const QStringList &lines)
{
    QList<ProgramLine> result;
    result.reserve(lines.size());
    for (const QString &line : lines)
        result.append({line, {int(result.size()) + 1, line.toLatin1(), -1}});
    return result;
}

FormattedLine FormatHexLine(const ProgramLine &line)
{
    if (line.origin.expectedChecksum >= 0)
        return {LineOutcome::Rejected, {}};
    return FormatHexLine(QStringView(line.text));
}

QString rejectedLineDetail(const ProgramLine &line)
{
    constexpr qsizetype shown = 60;
    QString text = QString::fromLatin1(line.origin.text);
    if (text.size() > shown)
        text = text.left(shown) + QStringLiteral("…");
    QString detail = text.isEmpty() ? QStringLiteral("Ligne %1 du fichier : ligne vide").arg(line.origin.line)
                                    : QStringLiteral("Ligne %1 du fichier : « %2 »").arg(line.origin.line).arg(text);
    if (line.origin.expectedChecksum >= 0)
        detail += QStringLiteral("\nSomme de contrôle incorrecte : elle devrait être %1.")
                      .arg(QStringLiteral("%1").arg(line.origin.expectedChecksum, 2, 16, QLatin1Char('0')).toUpper());
    return detail;
}
