#include "transfer/hexconvert.h"

#include "fakes.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest/QTest>

#include <array>
#include <bitset>

namespace {

// Appends the Intel HEX checksum, so that fixtures are real records.
QByteArray withChecksum(const QByteArray &record)
{
    int sum = 0;
    for (qsizetype i = 1; i + 1 < record.size(); i += 2)
        sum += record.mid(i, 2).toInt(nullptr, 16);
    return record + QByteArray::number((-sum) & 0xFF, 16).rightJustified(2, '0').toUpper();
}

QByteArray bytesFrom(int first, int count)
{
    QByteArray hex;
    for (int i = 0; i < count; ++i)
        hex += QByteArray::number((first + i) & 0xFF, 16).rightJustified(2, '0').toUpper();
    return hex;
}

QByteArray zeros(int characters)
{
    return QByteArray(characters, '0');
}

QByteArray readAll(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

bool writeAll(const QString &path, const QByteArray &data)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(data) == data.size();
}

// A 64 KiB memory image, written the way a loader writes it.
struct Image
{
    std::array<int, 0x10000> bytes{};
    std::bitset<0x10000> defined;

    void store(int address, int value)
    {
        bytes[address & 0xFFFF] = value;
        defined.set(address & 0xFFFF);
    }
};

// What an Intel HEX file means: its data records (type 00) in file order.
Image imageOfHexFile(const QByteArray &text)
{
    Image image;
    for (QByteArray line : text.split('\n')) {
        line = line.trimmed();
        if (line.size() < 11 || line.mid(7, 2) != "00")
            continue;
        const int count = line.mid(1, 2).toInt(nullptr, 16);
        const int address = line.mid(3, 4).toInt(nullptr, 16);
        for (int i = 0; i < count; ++i)
            image.store(address + i, line.mid(9 + 2 * i, 2).toInt(nullptr, 16));
    }
    return image;
}

// What the board holds after loading these load lines ("10 AAAA:DD DD ... SSSS").
Image imageOfLoadLines(const QList<QByteArray> &tempLines)
{
    Image image;
    for (const QByteArray &line : tempLines) {
        const FormattedLine formatted = FormatHexLine(QString::fromLatin1(line));
        if (formatted.isFin())
            continue;
        const int address = formatted.hexLine.mid(3, 4).toInt(nullptr, 16);
        for (int i = 0; i < 16; ++i)
            image.store(address + i, formatted.hexLine.mid(8 + 3 * i, 2).toInt(nullptr, 16));
    }
    return image;
}

const QByteArray sixteen = ":1041000002411075816012412080FE0022740AF580";

} // namespace

class TestHexConvert : public QObject
{
    Q_OBJECT

private slots:
    void formatHexLine_data();
    void formatHexLine();
    void convert_data();
    void convert();
    void lineEndings_data();
    void lineEndings();
    void compilerOrderedFileLoadsItsOwnBytes();
    void convertFileWritesCrLfAndIsRepeatable();
    void convertFileFailures_data();
    void convertFileFailures();
    void readTempFileMissing();
};

void TestHexConvert::formatHexLine_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<QString>("expected");
    QTest::addColumn<bool>("rejected");

    QTest::newRow("sixteen bytes, checksum left out")
        << QString::fromLatin1(sixteen) << "10 4100:02 41 10 75 81 60 12 41 20 80 FE 00 22 74 0A F5 052F" << false;
    QTest::newRow("filled record")
        << ":1041100090420000000000000000000000000000"
        << "10 4110:90 42 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00D2" << false;
    QTest::newRow("sixteen FF sum 0FF0")
        << ":10000000" + QString(32, u'F') << "10 0000:" + QString("FF ").repeated(16) + "0FF0" << false;
    QTest::newRow("sixteen 00 sum 0000")
        << ":10FFF000" + QString(32, u'0') << "10 FFF0:" + QString("00 ").repeated(16) + "0000" << false;
    QTest::newRow("lower case kept, sum upper case")
        << ":10abcd00" + QString("fe").repeated(16) << "10 abcd:" + QString("fe ").repeated(16) + "0FE0" << false;
    QTest::newRow("type not looked at for data") << ":10410004" + QString(32, u'1')
                                                 << "10 4100:" + QString("11 ").repeated(16) + "0110" << false;

    QTest::newRow("end of file") << ":00000001FF" << "fin" << false;
    QTest::newRow("end of file type wins over count") << ":10410001" + QString(32, u'0') << "fin" << false;

    QTest::newRow("empty line") << "" << "fin" << true;
    QTest::newRow("count zero data record") << ":00410000BF" << "fin" << true;
    QTest::newRow("extended address record") << ":020000040001F9" << "fin" << true;
    QTest::newRow("count 3") << ":03411000904200DA" << "fin" << true;
    QTest::newRow("leading blank shifts the fields") << " " + QString::fromLatin1(sixteen) << "fin" << true;

    // A count-"10" line that is truncated or corrupt is refused rather than sent malformed.
    QTest::newRow("truncated data") << ":104100000241107581" << "fin" << true;
    QTest::newRow("only the header") << ":10410" << "fin" << true;
    QTest::newRow("one data digit short") << QString::fromLatin1(sixteen.left(40)) << "fin" << true;
    QTest::newRow("address not hex") << ":1041G000" + QString(32, u'0') << "fin" << true;
    QTest::newRow("data field not hex") << ":10410000" + QString(30, u'0') + "0g" << "fin" << true;
    QTest::newRow("blank inside data") << ":10410000" + QString(14, u'0') + " 0" + QString(16, u'0') << "fin"
                                       << true;
}

void TestHexConvert::formatHexLine()
{
    QFETCH(QString, line);
    QFETCH(QString, expected);
    QFETCH(bool, rejected);

    const FormattedLine result = FormatHexLine(line);
    QCOMPARE(result.hexLine, expected);
    QCOMPARE(result.rejected, rejected);
    QCOMPARE(result.isFin(), expected == "fin");
    if (!result.isFin())
        QCOMPARE(result.hexLine.size(), 60);
}

void TestHexConvert::convert_data()
{
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<QList<QByteArray>>("expected");

    using Lines = QList<QByteArray>;

    QTest::newRow("sixteen bytes copied with checksum") << sixteen + "\r\n" << Lines{sixteen};
    QTest::newRow("three bytes filled with zeros")
        << QByteArray(":03411000904200DA\r\n") << Lines{":1041100090420000000000000000000000000000"};
    QTest::newRow("end of file copied") << QByteArray(":00000001FF\r\n") << Lines{":00000001FF"};
    QTest::newRow("empty line copied") << QByteArray(":00000001FF\r\n\r\n:00000001FF\r\n")
                                       << Lines{":00000001FF", "", ":00000001FF"};
    QTest::newRow("leading blank: count reads 0, copied")
        << QByteArray(" :03411000904200DA\r\n") << Lines{" :03411000904200DA"};
    QTest::newRow("lower-case count")
        << withChecksum(":0a410000" + bytesFrom(0xA0, 10).toLower()) + "\r\n"
        << Lines{":10410000" + bytesFrom(0xA0, 10).toLower() + zeros(12)};

    QTest::newRow("32 bytes at 7FF0")
        << withChecksum(":207FF000" + bytesFrom(0, 32)) + "\r\n"
        << Lines{":107FF000" + bytesFrom(0, 16), ":10800000" + bytesFrom(16, 16)};
    QTest::newRow("32 bytes at FFF0 wrap to 0000")
        << withChecksum(":20FFF000" + bytesFrom(0, 32)) + "\r\n"
        << Lines{":10FFF000" + bytesFrom(0, 16), ":10000000" + bytesFrom(16, 16)};
    QTest::newRow("20 bytes at FFF8")
        << withChecksum(":14FFF800" + bytesFrom(0x40, 20)) + "\r\n"
        << Lines{":10FFF800" + bytesFrom(0x40, 16), ":10000800" + bytesFrom(0x50, 4) + zeros(24)};
    QTest::newRow("lower case copied, second address upper case")
        << withChecksum(":14fff800" + bytesFrom(0xA0, 20).toLower()) + "\r\n"
        << Lines{":10fff800" + bytesFrom(0xA0, 16).toLower(), ":10000800" + bytesFrom(0xB0, 4).toLower() + zeros(24)};

    // Longer records are cut the same way instead of being dropped.
    QTest::newRow("48 bytes cut in three")
        << withChecksum(":30410000" + bytesFrom(0, 48)) + "\r\n"
        << Lines{":10410000" + bytesFrom(0, 16), ":10411000" + bytesFrom(16, 16), ":10412000" + bytesFrom(32, 16)};
    QTest::newRow("40 bytes, last part filled")
        << withChecksum(":28410000" + bytesFrom(0, 40)) + "\r\n"
        << Lines{":10410000" + bytesFrom(0, 16), ":10411000" + bytesFrom(16, 16),
                 ":10412000" + bytesFrom(32, 8) + zeros(16)};

    // Address records load nothing; only a non-zero one is kept, for FormatHexLine to refuse.
    QTest::newRow("zero extended linear address left out")
        << ":020000040000FA\r\n" + sixteen + "\r\n" << Lines{sixteen};
    QTest::newRow("zero extended segment address left out")
        << ":020000020000FC\r\n" + sixteen + "\r\n" << Lines{sixteen};
    QTest::newRow("start segment address left out") << ":0400000300004100B8\r\n" + sixteen + "\r\n" << Lines{sixteen};
    QTest::newRow("start linear address left out") << ":04000005000041009A\r\n" + sixteen + "\r\n" << Lines{sixteen};
    QTest::newRow("non-zero extended address copied")
        << ":020000040001F9\r\n" + sixteen + "\r\n" << Lines{":020000040001F9", sixteen};
    QTest::newRow("non-zero segment address copied")
        << QByteArray(":020000021000EC\r\n") << Lines{":020000021000EC"};

    // Filling takes what the file itself loads at the filled addresses.
    QTest::newRow("fill from a later record")
        << withChecksum(":03410000AABBCC") + "\n" + withChecksum(":02410300DDEE") + "\n"
        << Lines{":10410000AABBCCDDEE" + zeros(22), ":10410300DDEE" + zeros(28)};
    QTest::newRow("fill from an earlier record")
        << sixteen + "\n" + withChecksum(":0141000099") + "\n"
        << Lines{sixteen, ":1041000099411075816012412080FE0022740AF5"};
    QTest::newRow("last definition in file order wins")
        << withChecksum(":0141000011") + "\n" + withChecksum(":0141010022") + "\n" + withChecksum(":0141010033") + "\n"
        << Lines{":104100001133" + zeros(28), ":1041010022" + zeros(30), ":1041010033" + zeros(30)};
    QTest::newRow("fill wraps at FFFF")
        << withChecksum(":01FFFF0011") + "\n" + withChecksum(":0100000077") + "\n"
        << Lines{":10FFFF001177" + zeros(28), ":1000000077" + zeros(30)};
    QTest::newRow("last part of a long record filled from the file")
        << withChecksum(":14410000" + bytesFrom(0, 20)) + "\n" + withChecksum(":0141180055") + "\n"
        << Lines{":10410000" + bytesFrom(0, 16), ":10411000" + bytesFrom(16, 4) + zeros(8) + "55" + zeros(14),
                 ":1041180055" + zeros(30)};
    QTest::newRow("corrupt record defines nothing")
        << withChecksum(":01410000AA") + "\n:10410100G" + zeros(31) + "\n"
        << Lines{":10410000AA" + zeros(30), ":10410100G" + zeros(31)};
    QTest::newRow("end-of-file record defines nothing")
        << withChecksum(":01410000AA") + "\n:10410101" + QByteArray(32, 'F') + "\n"
        << Lines{":10410000AA" + zeros(30), ":10410101" + QByteArray(32, 'F')};
}

void TestHexConvert::convert()
{
    QFETCH(QByteArray, input);
    QFETCH(QList<QByteArray>, expected);
    QCOMPARE(convertHexText(input), expected);
}

void TestHexConvert::lineEndings_data()
{
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<QList<QByteArray>>("expected");

    const QByteArray a = ":00000001FF";
    const QByteArray b = sixteen;
    QTest::newRow("CR LF") << a + "\r\n" + b + "\r\n" << QList<QByteArray>{a, b};
    QTest::newRow("LF") << a + "\n" + b + "\n" << QList<QByteArray>{a, b};
    QTest::newRow("CR") << a + "\r" + b + "\r" << QList<QByteArray>{a, b};
    QTest::newRow("mixed, no final end") << a + "\r" + b + "\n" + a + "\r\n" + b << QList<QByteArray>{a, b, a, b};
    QTest::newRow("LF CR is two ends") << a + "\n\r" + b << QList<QByteArray>{a, "", b};
    QTest::newRow("CR CR LF") << a + "\r\r\n" + b << QList<QByteArray>{a, "", b};
    QTest::newRow("empty file") << QByteArray() << QList<QByteArray>{};
    QTest::newRow("only a line end") << QByteArray("\r\n") << QList<QByteArray>{""};
}

void TestHexConvert::lineEndings()
{
    QFETCH(QByteArray, input);
    QFETCH(QList<QByteArray>, expected);
    QCOMPARE(convertHexText(input), expected);
}

// The C compiler's file lists its short records out of address order: every
// byte the file defines must reach the board, in the file's own record order.
void TestHexConvert::compilerOrderedFileLoadsItsOwnBytes()
{
    const QByteArray hex = readAll(QFINDTESTDATA("data/blink_sdcc.hex"));
    QVERIFY(!hex.isEmpty());

    const QList<QByteArray> temp = convertHexText(hex);
    QStringList addresses;
    for (const QByteArray &line : temp) {
        const FormattedLine formatted = FormatHexLine(QString::fromLatin1(line));
        QVERIFY2(!formatted.rejected, line.constData());
        if (!formatted.isFin())
            addresses << formatted.hexLine.mid(3, 4);
    }
    QCOMPARE(addresses, QStringList({"4100", "415F", "4103", "4162", "4172", "4182", "4195", "4135", "4113",
                                     "4123", "4133", "413B", "414B", "415B", "4106", "4191"}));

    const Image wanted = imageOfHexFile(hex);
    const Image loaded = imageOfLoadLines(temp);
    QVERIFY(wanted.defined.count() > 100);
    for (int address = 0; address < 0x10000; ++address) {
        if (wanted.defined.test(address)) {
            QVERIFY2(loaded.bytes[address] == wanted.bytes[address],
                     qPrintable(QString("byte at %1").arg(address, 4, 16, QChar('0'))));
        } else if (loaded.defined.test(address)) {
            QCOMPARE(loaded.bytes[address], 0);
        }
    }
}

void TestHexConvert::convertFileWritesCrLfAndIsRepeatable()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString program = dir.filePath("prog.HEX");
    const QByteArray input = ":03411000904200DA\n" + sixteen + "\r:00000001FF";
    QVERIFY(writeAll(program, input));
    // Earlier, longer content must be gone, not partly overwritten.
    QVERIFY(writeAll(dir.filePath("kortemp.hex"), QByteArray(4096, 'x')));

    const FileResult first = ConvertHexFile(program, dir.path());
    QVERIFY2(first.ok, qPrintable(first.message + " " + first.reason));
    QCOMPARE(first.path, dir.filePath("kortemp.hex"));
    const QByteArray written = readAll(first.path);
    QCOMPARE(written, ":1041100090420000000000000000000000000000\r\n" + sixteen + "\r\n:00000001FF\r\n");

    QVERIFY(ConvertHexFile(program, dir.path()).ok);
    QCOMPARE(readAll(first.path), written);

    const TempLines back = readTempFile(first.path);
    QVERIFY(back.ok);
    QCOMPARE(back.lines, QStringList({":1041100090420000000000000000000000000000", QString::fromLatin1(sixteen),
                                      ":00000001FF"}));
}

void TestHexConvert::convertFileFailures_data()
{
    QTest::addColumn<QString>("program");   // relative to a fresh directory
    QTest::addColumn<QString>("tempDir");   // relative to the same directory
    QTest::addColumn<QString>("failedPath"); // relative to the same directory
    QTest::addColumn<QString>("messageStart");

    // "good.hex" exists; "plain" is a regular file.
    QTest::newRow("program is a directory") << "sub" << "out" << "sub" << "Impossible de lire le fichier ";
    QTest::newRow("program missing") << "missing.hex" << "out" << "missing.hex" << "Impossible de lire le fichier ";
    QTest::newRow("temp directory under a regular file")
        << "good.hex" << "plain/out" << "plain/out/kortemp.hex" << "Impossible d'écrire le fichier ";
    QTest::newRow("temp file name taken by a directory")
        << "good.hex" << "taken" << "taken/kortemp.hex" << "Impossible d'écrire le fichier ";
}

void TestHexConvert::convertFileFailures()
{
    QFETCH(QString, program);
    QFETCH(QString, tempDir);
    QFETCH(QString, failedPath);
    QFETCH(QString, messageStart);

    QTemporaryDir root;
    QVERIFY(root.isValid());
    const QDir dir(root.path());
    QVERIFY(dir.mkpath("sub") && dir.mkpath("out") && dir.mkpath("taken/kortemp.hex"));
    QVERIFY(writeAll(dir.filePath("good.hex"), sixteen + "\r\n"));
    QVERIFY(writeAll(dir.filePath("plain"), "not a directory"));
    QVERIFY(writeAll(dir.filePath("out/kortemp.hex"), "earlier"));

    const FileResult result = ConvertHexFile(dir.filePath(program), dir.filePath(tempDir));
    QVERIFY(!result.ok);
    QCOMPARE(result.message, messageStart + dir.filePath(failedPath));
    QVERIFY(!result.reason.isEmpty());
    QCOMPARE(result.errorRequest(), errorBox(result.message, result.reason));
    // A failed conversion leaves the earlier temporary file as it was.
    QCOMPARE(readAll(dir.filePath("out/kortemp.hex")), QByteArray("earlier"));
}

void TestHexConvert::readTempFileMissing()
{
    QTemporaryDir dir;
    const TempLines result = readTempFile(dir.filePath("kortemp.hex"));
    QVERIFY(!result.ok);
    QCOMPARE(result.message, "Impossible de lire le fichier " + dir.filePath("kortemp.hex"));
    QVERIFY(result.lines.isEmpty());
}

QTEST_GUILESS_MAIN(TestHexConvert)
#include "tst_hexconvert.moc"
