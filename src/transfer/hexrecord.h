// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QByteArrayView>

// One line of an Intel HEX file, read once. Fields sit at fixed offsets from
// the start of the line (the start code ":" is at 0 and never looked at);
// nothing is found by scanning.
struct HexRecord
{
    static constexpr qsizetype countAt = 1;
    static constexpr qsizetype addressAt = 3;
    static constexpr qsizetype typeAt = 7;
    static constexpr qsizetype dataAt = 9;

    QByteArray text;              // the line as read, without its end
    int count = 0;                // the count field's leading hex digits; none reads 0
    bool countComplete = false;   // the count field is two hex digits
    int address = 0;              // the address field's leading hex digits; none reads 0
    bool addressComplete = false; // the address field is four hex digits
    int type = -1;                // the type field when it is two hex digits, else -1
    // Every two-hex-digit pair from the data field on, up to the first pair
    // that is not: the data bytes, then the checksum.
    QByteArray bytes;
    // The record holds its count of data bytes and a checksum, and count,
    // address, type, data and checksum add up to zero modulo 256.
    bool checksumOk = false;
    // The checksum the record should carry, once its count, address, type and
    // data are all there; -1 before that.
    int expectedChecksum = -1;

    // Whole up to its data, but its checksum is wrong or missing.
    bool checksumWrong() const { return expectedChecksum >= 0 && !checksumOk; }

    QByteArrayView addressText() const { return field(addressAt, 4); }
    // The text of `byteCount` data bytes from data byte `first`, as far as the line holds them.
    QByteArrayView dataText(int first, int byteCount) const { return field(dataAt + 2 * first, 2 * byteCount); }
    quint8 byte(int index) const { return quint8(bytes.at(index)); }
    // The characters from `offset` on, as far as the line holds them.
    QByteArrayView field(qsizetype offset, qsizetype length) const;
};

HexRecord parseHexRecord(const QByteArray &line);

// 0–15 for a hexadecimal digit of either case, else -1.
int hexDigitValue(char16_t c);

// The values of the two-hex-digit pairs that start `text`, up to the first
// pair that is not one.
QByteArray hexBytes(QByteArrayView text);
