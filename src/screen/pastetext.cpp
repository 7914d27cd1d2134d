// SPDX-License-Identifier: GPL-3.0-or-later
#include "screen/pastetext.h"

namespace {

constexpr qsizetype SampleSize = 3;

} // namespace

LineText lineTextOfTyped(QStringView typed)
{
    LineText line;
    line.text.reserve(typed.size());
    for (qsizetype i = 0; i < typed.size(); ++i) {
        const QChar c = typed[i];
        if (c.unicode() <= 0xFF) {
            line.text.append(c);
            continue;
        }
        // A character beyond the 16-bit range is two code units: one character.
        const bool pair = c.isHighSurrogate() && i + 1 < typed.size() && typed[i + 1].isLowSurrogate();
        const QStringView character = typed.mid(i, pair ? 2 : 1);
        if (pair)
            ++i;
        ++line.leftOut;
        if (line.leftOutSample.size() < SampleSize && !line.leftOutSample.contains(character))
            line.leftOutSample.append(character.toString());
    }
    return line;
}

LineText lineTextOfPaste(QStringView pasted)
{
    QString mapped = pasted.toString();
    mapped.replace(QStringLiteral("\r\n"), QStringLiteral("\r"));
    mapped.replace(QLatin1Char('\n'), QLatin1Char('\r'));
    return lineTextOfTyped(mapped);
}

QString leftOutReport(const LineText &line)
{
    if (line.leftOut == 0)
        return {};
    const QString sample = line.leftOutSample.join(QLatin1Char(' '));
    if (line.leftOut == 1)
        return QStringLiteral("1 caractère sans code sur 8 bits (%1) n'a été ni envoyé ni affiché : la carte ne "
                              "reçoit que des caractères Latin-1.")
            .arg(sample);
    return QStringLiteral("%1 caractères sans code sur 8 bits (%2) n'ont été ni envoyés ni affichés : la carte ne "
                          "reçoit que des caractères Latin-1.")
        .arg(line.leftOut)
        .arg(sample);
}
