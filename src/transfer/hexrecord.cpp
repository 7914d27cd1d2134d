// SPDX-License-Identifier: GPL-3.0-or-later
#include "transfer/hexrecord.h"

#include <algorithm>

namespace {

// The value of the hex digits that start the field, and how many there are.
struct Leading
{
    int value = 0;
    qsizetype digits = 0;
};

Leading leadingHex(QByteArrayView field)
{
    Leading result;
    for (const char c : field) {
        const int digit = hexDigitValue(char16_t(uchar(c)));
        if (digit < 0)
            break;
        result.value = result.value * 16 + digit;
        ++result.digits;
    }
    return result;
}

int expectedChecksumOf(const HexRecord &r)
{
    if (!r.countComplete || !r.addressComplete || r.type < 0 || r.bytes.size() < r.count)
        return -1;
    int sum = r.count + (r.address >> 8) + (r.address & 0xFF) + r.type;
    for (int i = 0; i < r.count; ++i)
        sum += r.byte(i);
    return (0x100 - (sum & 0xFF)) & 0xFF;
}

} // namespace

int hexDigitValue(char16_t c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

QByteArrayView HexRecord::field(qsizetype offset, qsizetype length) const
{
    if (offset >= text.size())
        return {};
    return QByteArrayView(text).sliced(offset, std::min(length, text.size() - offset));
}

QByteArray hexBytes(QByteArrayView text)
{
    QByteArray bytes;
    bytes.reserve(text.size() / 2);
    for (qsizetype i = 0; i + 1 < text.size(); i += 2) {
        const int high = hexDigitValue(char16_t(uchar(text[i])));
        const int low = hexDigitValue(char16_t(uchar(text[i + 1])));
        if (high < 0 || low < 0)
            break;
        bytes.append(char(high * 16 + low));
    }
    return bytes;
}

HexRecord parseHexRecord(const QByteArray &line)
{
    HexRecord r;
    r.text = line;
    const Leading count = leadingHex(r.field(HexRecord::countAt, 2));
    r.count = count.value;
    r.countComplete = count.digits == 2;
    const Leading address = leadingHex(r.addressText());
    r.address = address.value;
    r.addressComplete = address.digits == 4;
    const Leading type = leadingHex(r.field(HexRecord::typeAt, 2));
    r.type = type.digits == 2 ? type.value : -1;
    if (line.size() > HexRecord::dataAt)
        r.bytes = hexBytes(QByteArrayView(line).sliced(HexRecord::dataAt));
    r.expectedChecksum = expectedChecksumOf(r);
    r.checksumOk = r.expectedChecksum >= 0 && r.bytes.size() > r.count && r.byte(r.count) == r.expectedChecksum;
    return r;
}
