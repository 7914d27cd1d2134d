// SPDX-License-Identifier: GPL-3.0-or-later
#include "transfer/hexconvert.h"

#include "transfer/hexrecord.h"
#include "transfer/linereader.h"

#include <QBuffer>

#include <algorithm>
#include <array>
#include <bitset>
#include <memory>

namespace {

constexpr int recordBytes = 16;
const char upperHex[] = "0123456789ABCDEF";

QByteArray hex4(int value)
{
    QByteArray text(4, '0');
    for (int i = 3; i >= 0; --i, value >>= 4)
        text[i] = upperHex[value & 0xF];
    return text;
}

// The last byte the file's data records load at each address: 64 KiB of
// bytes and a bitmap, the whole address space whatever the file's size.
struct DefinedMemory
{
    std::array<quint8, 0x10000> bytes{};
    std::bitset<0x10000> defined;

    void load(int address, const QByteArray &data)
    {
        for (qsizetype i = 0; i < data.size(); ++i) {
            const int at = int((address + i) & 0xFFFF);
            bytes[at] = quint8(data.at(i));
            defined.set(at);
        }
    }
};

bool isAddressRecord(const HexRecord &record)
{
    return record.type >= 2 && record.type <= 5;
}

// A segment or upper address of zero changes nothing, so the record can be
// left out; any other value would move the data after it. Start addresses
// (03, 05) load nothing.
bool addressRecordMatters(const HexRecord &record)
{
    if (record.type == 3 || record.type == 5)
        return false;
    const QByteArrayView data = record.dataText(0, record.count);
    const bool zero = record.count > 0 && data.size() == 2 * record.count
                      && std::all_of(data.begin(), data.end(), [](char c) { return c == '0'; });
    return !zero;
}

bool isCopied(const HexRecord &record)
{
    return record.count == 0 || record.count == recordBytes;
}

// What a record defines in memory: a copied sixteen-byte record when it
// makes a load line; of a cut or filled one, each part whose address and
// bytes are all hexadecimal digits present on the line.
void learn(const HexRecord &record, DefinedMemory &memory)
{
    if (isAddressRecord(record) || record.count == 0 || record.checksumWrong())
        return;
    if (record.count == recordBytes) {
        if (record.type != 1 && record.addressComplete && record.bytes.size() >= recordBytes)
            memory.load(record.address, record.bytes.left(recordBytes));
        return;
    }
    for (int first = 0; first < record.count; first += recordBytes) {
        const int realBytes = std::min(recordBytes, record.count - first);
        const QByteArray bytes = hexBytes(record.dataText(first, realBytes));
        if (bytes.size() == realBytes && (first > 0 || record.addressComplete))
            memory.load(record.address + first, bytes);
    }
}

// The sixteen-byte records a short or long record becomes.
void cut(const HexRecord &record, const DefinedMemory &memory, const std::function<void(const QByteArray &)> &output)
{
    for (int first = 0; first < record.count; first += recordBytes) {
        const int realBytes = std::min(recordBytes, record.count - first);
        const int recordAddress = (record.address + first) & 0xFFFF;
        QByteArray built;
        built.reserve(HexRecord::dataAt + 2 * recordBytes);
        built += ":10";
        built += first == 0 ? record.addressText().toByteArray() : hex4(recordAddress);
        built += "00";
        built += record.dataText(first, realBytes);
        // A line that runs out of data before its count does is corrupt: its
        // short record, left unfilled, is rejected as a load line, which ends
        // an upload there. Nothing is made up after it: a junk line's count
        // reads as up to 255 bytes, and cutting and filling it would swell
        // the temporary file many times over the input.
        if (record.text.size() < HexRecord::dataAt + 2 * (first + realBytes)) {
            output(built);
            return;
        }
        for (int i = realBytes; i < recordBytes; ++i) {
            const int at = (recordAddress + i) & 0xFFFF;
            const quint8 byte = memory.defined.test(at) ? memory.bytes[at] : 0;
            built += upperHex[byte >> 4];
            built += upperHex[byte & 0xF];
        }
        output(built);
    }
}

void build(const HexRecord &record, const DefinedMemory &memory, const std::function<void(const QByteArray &)> &output)
{
    if (isAddressRecord(record)) {
        if (addressRecordMatters(record))
            output(record.text);
        return;
    }
    if (isCopied(record))
        output(record.text);
    else
        cut(record, memory, output);
}

} // namespace

bool convertHex(QIODevice &input, const std::function<void(const QByteArray &)> &output)
{
    return convertHex(input, [&](const QByteArray &line, const LineOrigin &) { output(line); });
}

bool convertHex(QIODevice &input, const std::function<void(const QByteArray &, const LineOrigin &)> &output)
{
    QList<HexRecord> records;
    LineReader reader(input);
    QByteArray line;
    while (reader.next(line))
        records.append(parseHexRecord(line));
    if (reader.failed())
        return false;

    auto memory = std::make_unique<DefinedMemory>();
    for (const HexRecord &record : std::as_const(records))
        learn(record, *memory);
    LineOrigin origin;
    const auto withOrigin = [&](const QByteArray &line) { output(line, origin); };
    for (const HexRecord &record : std::as_const(records)) {
        ++origin.line;
        origin.text = record.text;
        origin.expectedChecksum = record.checksumWrong() ? record.expectedChecksum : -1;
        build(record, *memory, withOrigin);
    }
    return true;
}

QList<QByteArray> convertHexText(const QByteArray &hexText)
{
    QByteArray text = hexText;
    QBuffer input(&text);
    input.open(QIODevice::ReadOnly);
    QList<QByteArray> lines;
    convertHex(input, [&](const QByteArray &record) { lines.append(record); });
    return lines;
}
