#include "transfer/hexconvert.h"

#include "fakes.h"

#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtTest/QTest>

namespace {

using Lines = QList<QByteArray>;

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
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool writeAll(const QString &path, const QByteArray &data)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(data) == data.size();
}

const QByteArray sixteen = ":1041000002411075816012412080FE0022740AF580";
const QByteArray eof = ":00000001FF";
const QString Rejected = QStringLiteral("<rejected>");

} // namespace

class TestHexConvert : public QObject
{
    Q_OBJECT

private slots:
    void formatHexLine_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QString>("expected"); // the load line, "fin" (quietly none), or Rejected
        const QString fin = QStringLiteral("fin");

        QTest::newRow("sixteen bytes, checksum left out")
            << QString::fromLatin1(sixteen) << "10 4100:02 41 10 75 81 60 12 41 20 80 FE 00 22 74 0A F5 052F";
        QTest::newRow("filled record") << ":1041100090420000000000000000000000000000"
                                       << "10 4110:90 42 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00D2";
        QTest::newRow("lower case kept, sum upper case")
            << ":10abcd00" + QString("fe").repeated(16) << "10 abcd:" + QString("fe ").repeated(16) + "0FE0";
        QTest::newRow("end of file") << QString::fromLatin1(eof) << fin;
        QTest::newRow("end of file type wins over count") << ":10410001" + QString(32, u'0') << fin;

        QTest::newRow("empty line") << QString() << Rejected;
        QTest::newRow("extended address record") << ":020000040001F9" << Rejected;
        QTest::newRow("count 3") << ":03411000904200DA" << Rejected;
        QTest::newRow("leading blank shifts the fields") << " " + QString::fromLatin1(sixteen) << Rejected;
        // Truncated or corrupt count-"10" lines are refused rather than sent malformed.
        QTest::newRow("one data digit short") << QString::fromLatin1(sixteen.left(40)) << Rejected;
        QTest::newRow("address not hex") << ":1041G000" + QString(32, u'0') << Rejected;
        QTest::newRow("data field not hex") << ":10410000" + QString(30, u'0') + "0g" << Rejected;
        QTest::newRow("blank inside data") << ":10410000" + QString(14, u'0') + " 0" + QString(16, u'0') << Rejected;
    }

    void formatHexLine()
    {
        QFETCH(QString, line);
        QFETCH(QString, expected);
        const FormattedLine result = FormatHexLine(line);
        QCOMPARE(result.hexLine, expected == Rejected ? QStringLiteral("fin") : expected);
        QCOMPARE(result.rejected, expected == Rejected);
        QCOMPARE(result.isFin(), result.hexLine == "fin");
    }

    void convert_data()
    {
        QTest::addColumn<QByteArray>("input");
        QTest::addColumn<Lines>("expected");

        QTest::newRow("sixteen bytes copied with checksum") << sixteen + "\r\n" << Lines{sixteen};
        QTest::newRow("three bytes filled with zeros")
            << QByteArray(":03411000904200DA\r\n") << Lines{":1041100090420000000000000000000000000000"};
        QTest::newRow("leading blank: count reads 0, copied")
            << QByteArray(" :03411000904200DA\r\n") << Lines{" :03411000904200DA"};
        QTest::newRow("lower-case count") << withChecksum(":0a410000" + bytesFrom(0xA0, 10).toLower()) + "\r\n"
                                          << Lines{":10410000" + bytesFrom(0xA0, 10).toLower() + zeros(12)};

        QTest::newRow("32 bytes at FFF0 wrap to 0000")
            << withChecksum(":20FFF000" + bytesFrom(0, 32))
            << Lines{":10FFF000" + bytesFrom(0, 16), ":10000000" + bytesFrom(16, 16)};
        QTest::newRow("20 bytes lower case at fff8, second address upper case")
            << withChecksum(":14fff800" + bytesFrom(0xA0, 20).toLower())
            << Lines{":10fff800" + bytesFrom(0xA0, 16).toLower(),
                     ":10000800" + bytesFrom(0xB0, 4).toLower() + zeros(24)};
        // Longer records are cut the same way instead of being dropped.
        QTest::newRow("40 bytes, last part filled")
            << withChecksum(":28410000" + bytesFrom(0, 40))
            << Lines{":10410000" + bytesFrom(0, 16), ":10411000" + bytesFrom(16, 16),
                     ":10412000" + bytesFrom(32, 8) + zeros(16)};

        // Address records load nothing; only a non-zero 02/04 is kept, for FormatHexLine to refuse.
        QTest::newRow("zero 02 and 04 left out") << ":020000020000FC\n:020000040000FA\n" + sixteen << Lines{sixteen};
        QTest::newRow("start addresses 03 and 05 left out")
            << ":0400000300004100B8\n:04000005000041009A\n" + sixteen << Lines{sixteen};
        QTest::newRow("non-zero 02 and 04 copied")
            << ":020000021000EC\n:020000040001F9\n" + sixteen << Lines{":020000021000EC", ":020000040001F9", sixteen};

        // Filling takes what the file itself loads at the filled addresses.
        QTest::newRow("fill from a later record")
            << withChecksum(":03410000AABBCC") + "\n" + withChecksum(":02410300DDEE")
            << Lines{":10410000AABBCCDDEE" + zeros(22), ":10410300DDEE" + zeros(28)};
        QTest::newRow("fill from an earlier record") << sixteen + "\n" + withChecksum(":0141000099")
                                                     << Lines{sixteen, ":1041000099411075816012412080FE0022740AF5"};
        QTest::newRow("last definition in file order wins")
            << withChecksum(":0141000011") + "\n" + withChecksum(":0141010022") + "\n" + withChecksum(":0141010033")
            << Lines{":104100001133" + zeros(28), ":1041010022" + zeros(30), ":1041010033" + zeros(30)};
        QTest::newRow("fill wraps at FFFF") << withChecksum(":01FFFF0011") + "\n" + withChecksum(":0100000077")
                                            << Lines{":10FFFF001177" + zeros(28), ":1000000077" + zeros(30)};
        QTest::newRow("last part of a long record filled from the file")
            << withChecksum(":14410000" + bytesFrom(0, 20)) + "\n" + withChecksum(":0141180055")
            << Lines{":10410000" + bytesFrom(0, 16), ":10411000" + bytesFrom(16, 4) + zeros(8) + "55" + zeros(14),
                     ":1041180055" + zeros(30)};
        QTest::newRow("corrupt record defines nothing") << withChecksum(":01410000AA") + "\n:10410100G" + zeros(31)
                                                        << Lines{":10410000AA" + zeros(30), ":10410100G" + zeros(31)};

        QTest::newRow("mixed ends, empty line, no final end")
            << eof + "\r" + sixteen + "\n\r\n" + eof + "\r\n" + sixteen << Lines{eof, sixteen, "", eof, sixteen};
        QTest::newRow("LF CR is two ends") << eof + "\n\r" + sixteen << Lines{eof, "", sixteen};
        QTest::newRow("empty file") << QByteArray() << Lines{};
    }

    void convert()
    {
        QFETCH(QByteArray, input);
        QFETCH(Lines, expected);
        QCOMPARE(convertHexText(input), expected);
    }

    // Junk gives no load line, and no records made up from its counts.
    void junkStaysBounded()
    {
        QByteArray binary(256 * 1024, Qt::Uninitialized);
        QRandomGenerator random(20240601);
        for (char &byte : binary)
            byte = char(random.bounded(256));
        // Each bare count reads 255 bytes that its line does not hold.
        for (const QByteArray &input : {binary, QByteArray(":FF\n").repeated(250000)}) {
            qsizetype size = 0;
            for (const QByteArray &line : convertHexText(input)) {
                size += line.size() + 2;
                QVERIFY2(FormatHexLine(QString::fromLatin1(line)).isFin(), line.left(60).constData());
            }
            QVERIFY2(size <= 2 * input.size(), qPrintable(QString::number(size)));
        }
    }

    void convertFileWritesCrLfAndIsRepeatable()
    {
        QTemporaryDir dir;
        const QString program = dir.filePath("prog.HEX");
        QVERIFY(writeAll(program, ":03411000904200DA\n" + sixteen + "\r" + eof));
        // Earlier, longer content must be gone, not partly overwritten.
        QVERIFY(writeAll(dir.filePath("kortemp.hex"), QByteArray(4096, 'x')));

        const FileResult first = ConvertHexFile(program, dir.path());
        QVERIFY2(first.ok, qPrintable(first.message + " " + first.reason));
        QCOMPARE(first.path, dir.filePath("kortemp.hex"));
        const QByteArray written = readAll(first.path);
        QCOMPARE(written, ":1041100090420000000000000000000000000000\r\n" + sixteen + "\r\n" + eof + "\r\n");

        QVERIFY(ConvertHexFile(program, dir.path()).ok);
        QCOMPARE(readAll(first.path), written);
        // A failed conversion leaves the earlier temporary file as it was.
        QVERIFY(!ConvertHexFile(dir.filePath("missing.hex"), dir.path()).ok);
        QCOMPARE(readAll(first.path), written);
        const TempLines back = readTempFile(first.path);
        QVERIFY(back.ok);
        QCOMPARE(back.lines.join('|').toLatin1(), QByteArray(written).replace("\r\n", "|").chopped(1));
    }
};

QTEST_GUILESS_MAIN(TestHexConvert)
#include "tst_hexconvert.moc"
