#include "transfer/hexconvert.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>

#include <algorithm>
#include <array>
#include <bitset>
#include <memory>

namespace {

// ---- character helpers, shared by the byte (file) side and the text side ----

char16_t charAt(const QByteArray &s, qsizetype i)
{
    return char16_t(uchar(s.at(i)));
}
char16_t charAt(QStringView s, qsizetype i)
{
    return s.at(i).unicode();
}

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

// Fields sit at fixed positions, counted from 1; what lies past the end of the
// line is simply missing.
QByteArray field(const QByteArray &line, qsizetype position, qsizetype length)
{
    const qsizetype start = position - 1;
    if (start >= line.size())
        return {};
    return line.mid(start, std::min(length, line.size() - start));
}

// A field's value: hexadecimal digits up to the first other character; empty
// counts 0.
int fieldValue(const QByteArray &text)
{
    int value = 0;
    for (const char c : text) {
        const int digit = hexDigitValue(char16_t(uchar(c)));
        if (digit < 0)
            break;
        value = value * 16 + digit;
    }
    return value;
}

template <typename Text>
bool allHexDigits(const Text &s, qsizetype start, qsizetype length)
{
    if (start + length > s.size())
        return false;
    for (qsizetype i = start; i < start + length; ++i) {
        if (hexDigitValue(charAt(s, i)) < 0)
            return false;
    }
    return true;
}

template <typename Text>
bool fieldIs(const Text &s, qsizetype start, char a, char b)
{
    return s.size() >= start + 2 && charAt(s, start) == char16_t(a) && charAt(s, start + 1) == char16_t(b);
}

// Zero-based offsets in a temporary-file line.
constexpr qsizetype countAt = 1;
constexpr qsizetype addressAt = 3;
constexpr qsizetype typeAt = 7;
constexpr qsizetype dataAt = 9;
constexpr int recordBytes = 16;

// What FormatHexLine checks, in its order: quietly skipped, rejected, or a
// record it turns into a load line.
enum class LineKind { EndOfFile, Rejected, Data };

template <typename Text>
LineKind classify(const Text &line)
{
    if (fieldIs(line, typeAt, '0', '1'))
        return LineKind::EndOfFile;
    if (!fieldIs(line, countAt, '1', '0'))
        return LineKind::Rejected;
    // A truncated or corrupt record would otherwise go out as a malformed load line.
    if (!allHexDigits(line, addressAt, 4) || !allHexDigits(line, dataAt, 2 * recordBytes))
        return LineKind::Rejected;
    return LineKind::Data;
}

const char upperHex[] = "0123456789ABCDEF";

QByteArray hex4(int value)
{
    QByteArray text(4, '0');
    for (int i = 3; i >= 0; --i, value >>= 4)
        text[i] = upperHex[value & 0xF];
    return text;
}

// ---- the program's memory as the file defines it ----

// The last byte each data record of the file loads at each address; filling
// a short record takes these instead of overwriting the program with zeros.
struct DefinedMemory
{
    std::array<quint8, 0x10000> bytes{};
    std::bitset<0x10000> defined;

    void learnFrom(const QByteArray &record, int realBytes)
    {
        if (realBytes <= 0 || classify(record) != LineKind::Data)
            return;
        const int address = fieldValue(field(record, addressAt + 1, 4));
        for (int i = 0; i < realBytes; ++i) {
            const int at = (address + i) & 0xFFFF;
            bytes[at] = quint8(fieldValue(field(record, dataAt + 1 + 2 * i, 2)));
            defined.set(at);
        }
    }
};

bool isAddressRecordType(const QByteArray &type)
{
    return type == "02" || type == "03" || type == "04" || type == "05";
}

// A segment or upper address of zero changes nothing, so the record can be
// left out; any other value would move the data after it.
bool addressDataIsZero(const QByteArray &line, int count)
{
    if (count == 0)
        return false;
    const QByteArray data = field(line, dataAt + 1, 2 * count);
    return data.size() == 2 * count && std::all_of(data.begin(), data.end(), [](char c) { return c == '0'; });
}

// The temporary-file records one program-file line becomes, handed to
// `output(record, realBytes)`, where realBytes counts the record's data bytes
// that come from the line itself. Fill bytes come from `memory` when given,
// else they are zeros.
template <typename Output>
void buildRecords(const QByteArray &line, const DefinedMemory *memory, Output &&output)
{
    const int count = fieldValue(field(line, countAt + 1, 2));
    const QByteArray type = field(line, typeAt + 1, 2);

    if (isAddressRecordType(type)) {
        if (type == "03" || type == "05" || addressDataIsZero(line, count))
            return;
        // Copied as it is, so that FormatHexLine refuses it before any data it would misplace.
        output(line, 0);
        return;
    }
    if (count == 0 || count == recordBytes) {
        output(line, count);
        return;
    }

    const QByteArray address = field(line, addressAt + 1, 4);
    const int addressValue = fieldValue(address);
    for (int first = 0; first < count; first += recordBytes) {
        const int realBytes = std::min(recordBytes, count - first);
        const int recordAddress = (addressValue + first) & 0xFFFF;

        QByteArray record;
        record.reserve(9 + 2 * recordBytes);
        record += ":10";
        record += first == 0 ? address : hex4(recordAddress);
        record += "00";
        record += field(line, dataAt + 1 + 2 * first, 2 * realBytes);
        // A line that runs out of data before its count does is corrupt: its
        // short record, left unfilled, is rejected by FormatHexLine, which
        // ends an upload there. Nothing is made up after it: a junk line's
        // count reads as up to 255 bytes, and cutting and filling it would
        // swell the temporary file many times over the input.
        if (line.size() < dataAt + 2 * (first + realBytes)) {
            output(record, realBytes);
            break;
        }
        for (int i = realBytes; i < recordBytes; ++i) {
            const int at = (recordAddress + i) & 0xFFFF;
            if (memory && memory->defined.test(at)) {
                record += upperHex[memory->bytes[at] >> 4];
                record += upperHex[memory->bytes[at] & 0xF];
            } else {
                record += "00";
            }
        }
        output(record, realBytes);
    }
}

// ---- reading lines that end at CR LF, LF or CR ----

class LineReader
{
public:
    explicit LineReader(QIODevice &device) : m_device(device), m_buffer(chunkSize, Qt::Uninitialized) {}

    // False at the end of the input or on a read error (see failed()).
    bool next(QByteArray &line)
    {
        line.clear();
        bool partial = false;
        for (;;) {
            if (m_position == m_length && !refill())
                return partial && !m_failed;
            const char *data = m_buffer.constData();
            if (m_afterCarriageReturn) {
                m_afterCarriageReturn = false;
                if (data[m_position] == '\n') {
                    ++m_position;
                    continue;
                }
            }
            qsizetype end = m_position;
            while (end < m_length && data[end] != '\r' && data[end] != '\n')
                ++end;
            line.append(data + m_position, end - m_position);
            if (end < m_length) {
                m_afterCarriageReturn = data[end] == '\r';
                m_position = end + 1;
                return true;
            }
            m_position = end;
            partial = true;
        }
    }

    bool failed() const { return m_failed; }

private:
    static constexpr qsizetype chunkSize = 64 * 1024;

    bool refill()
    {
        const qint64 got = m_device.read(m_buffer.data(), chunkSize);
        if (got < 0)
            m_failed = true;
        m_position = 0;
        m_length = got > 0 ? got : 0;
        return m_length > 0;
    }

    QIODevice &m_device;
    QByteArray m_buffer;
    qsizetype m_position = 0;
    qsizetype m_length = 0;
    bool m_afterCarriageReturn = false;
    bool m_failed = false;
};

// First pass: what the file loads where.
bool learnMemory(QIODevice &input, DefinedMemory &memory)
{
    LineReader reader(input);
    QByteArray line;
    while (reader.next(line))
        buildRecords(line, nullptr,
                     [&](const QByteArray &record, int realBytes) { memory.learnFrom(record, realBytes); });
    return !reader.failed();
}

QString displayPath(const QString &path)
{
    return QDir::toNativeSeparators(path);
}

FileResult readFailure(const QString &path, const QString &reason)
{
    return {false, path, QStringLiteral("Impossible de lire le fichier ") + displayPath(path), reason};
}

FileResult writeFailure(const QString &path, const QString &reason)
{
    return {false, path, QStringLiteral("Impossible d'écrire le fichier ") + displayPath(path), reason};
}

} // namespace

FormattedLine FormatHexLine(QStringView line)
{
    switch (classify(line)) {
    case LineKind::EndOfFile: return {finMarker(), false};
    case LineKind::Rejected: return {finMarker(), true};
    case LineKind::Data: break;
    }

    // "10 AAAA:" + sixteen "DD " + "SSSS"
    QString result(8 + 3 * recordBytes + 4, QChar(u' '));
    QChar *out = result.data();
    out[0] = line[1];
    out[1] = line[2];
    for (int i = 0; i < 4; ++i)
        out[3 + i] = line[addressAt + i];
    out[7] = u':';
    int sum = 0;
    for (int k = 0; k < recordBytes; ++k) {
        const QChar high = line[dataAt + 2 * k];
        const QChar low = line[dataAt + 2 * k + 1];
        out[8 + 3 * k] = high;
        out[9 + 3 * k] = low;
        sum += hexDigitValue(high.unicode()) * 16 + hexDigitValue(low.unicode());
    }
    for (int i = 3; i >= 0; --i, sum >>= 4)
        out[8 + 3 * recordBytes + i] = QLatin1Char(upperHex[sum & 0xF]);
    return {result, false};
}

QList<QByteArray> convertHexText(const QByteArray &hexText)
{
    QByteArray text = hexText;
    QBuffer input(&text);
    input.open(QIODevice::ReadOnly);
    auto memory = std::make_unique<DefinedMemory>();
    learnMemory(input, *memory);
    input.seek(0);

    QList<QByteArray> records;
    LineReader reader(input);
    QByteArray line;
    while (reader.next(line))
        buildRecords(line, memory.get(), [&](const QByteArray &record, int) { records.append(record); });
    return records;
}

FileResult ConvertHexFile(const QString &hexFilePath, const QString &tempDirectory)
{
    QFile input(hexFilePath);
    if (!input.open(QIODevice::ReadOnly))
        return readFailure(hexFilePath, input.errorString());

    // 64 KiB of bytes and a bitmap: the whole address space, whatever the file's size.
    auto memory = std::make_unique<DefinedMemory>();
    if (!learnMemory(input, *memory) || !input.seek(0))
        return readFailure(hexFilePath, input.errorString());

    const QString tempPath = QDir(tempDirectory).filePath(QLatin1String(tempFileName));
    QSaveFile output(tempPath);
    if (!output.open(QIODevice::WriteOnly))
        return writeFailure(tempPath, output.errorString());

    LineReader reader(input);
    QByteArray line;
    QByteArray record;
    while (reader.next(line)) {
        buildRecords(line, memory.get(), [&](const QByteArray &built, int) {
            record = built;
            record += "\r\n";
            output.write(record);
        });
    }
    if (reader.failed()) {
        output.cancelWriting();
        return readFailure(hexFilePath, input.errorString());
    }
    // A failed write is remembered by QSaveFile and makes the commit fail.
    if (!output.commit())
        return writeFailure(tempPath, output.errorString());
    return {true, tempPath, {}, {}};
}

TempLines readTempFile(const QString &tempFilePath)
{
    TempLines result;
    QFile input(tempFilePath);
    if (!input.open(QIODevice::ReadOnly)) {
        static_cast<FileResult &>(result) = readFailure(tempFilePath, input.errorString());
        return result;
    }
    LineReader reader(input);
    QByteArray line;
    while (reader.next(line))
        result.lines.append(QString::fromLatin1(line));
    if (reader.failed()) {
        static_cast<FileResult &>(result) = readFailure(tempFilePath, input.errorString());
        result.lines.clear();
        return result;
    }
    result.ok = true;
    result.path = tempFilePath;
    return result;
}

QString defaultTempDirectory()
{
    QString executableDirectory = QCoreApplication::applicationDirPath();
    if (!executableDirectory.isEmpty() && QFileInfo(executableDirectory).isWritable())
        return executableDirectory;
    QString cache = QStandardPaths::writableLocation(QStandardPaths::CacheLocation);
    QDir().mkpath(cache);
    return cache;
}
