// SPDX-License-Identifier: GPL-3.0-or-later
#include "transfer/hexconvert.h"
#include "transfer/loadline.h"
#include "transfer/tempfile.h"

#include <QFile>
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

const QByteArray sixteen = ":1041000002411075816012412080FE0022740AF580";
const QByteArray eof = ":00000001FF";

} // namespace

class TestHexConvert : public QObject
{
    Q_OBJECT

private slots:
    void formatHexLine_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QString>("expected"); // the load line, "end" or "rejected"
        QTest::addColumn<int>("wrongSum");     // the sum a whole record with a wrong one should carry; else -1
        const QString load = QStringLiteral("10 4100:02 41 10 75 81 60 12 41 20 80 FE 00 22 74 0A F5 052F");
        // clang-format off
        QTest::newRow("sixteen bytes, checksum left out") << QString(sixteen) << load << -1;
        QTest::newRow("wrong checksum: the line still formats") << QString(sixteen).replace("F580", "F581") << load << 0x80;
        QTest::newRow("filled record") << ":1041100090420000000000000000000000000000" << "10 4110:90 42 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00D2" << 0xCD;
        QTest::newRow("lower case kept, sum upper case") << ":10abcd00" + QString("fe").repeated(16) << "10 abcd:" + QString("fe ").repeated(16) + "0FE0" << 0x98;
        QTest::newRow("end of file") << QString(eof) << "end" << -1;
        QTest::newRow("empty line") << QString() << "rejected" << -1;
        QTest::newRow("extended address record") << ":020000040001F9" << "rejected" << -1;
        QTest::newRow("count 3") << ":03411000904200DA" << "rejected" << -1;
        QTest::newRow("leading blank shifts the fields") << " " + QString(sixteen) << "rejected" << -1;
        QTest::newRow("one data digit short") << QString(sixteen.left(40)) << "rejected" << -1;
        QTest::newRow("address not hex") << ":1041G000" + QString(32, u'0') << "rejected" << -1;
        // clang-format on
    }

    void formatHexLine()
    {
        QFETCH(QString, line);
        QFETCH(QString, expected);
        QFETCH(int, wrongSum);
        const FormattedLine result = FormatHexLine(line);
        const QString got = result.outcome == LineOutcome::Load  ? result.loadLine
                            : result.outcome == LineOutcome::End ? QStringLiteral("end")
                                                                 : QStringLiteral("rejected");
        QCOMPARE(got, expected);
        const HexRecord record = parseHexRecord(line.toLatin1());
        QCOMPARE(record.checksumWrong() ? record.expectedChecksum : -1, wrongSum);
    }

    void convert_data()
    {
        QTest::addColumn<QByteArray>("input");
        QTest::addColumn<Lines>("expected");
        // clang-format off
        QTest::newRow("sixteen bytes copied with checksum") << sixteen + "\r\n" << Lines{sixteen};
        QTest::newRow("three bytes filled with zeros") << QByteArray(":03411000904200DA\r\n") << Lines{":1041100090420000000000000000000000000000"};
        QTest::newRow("truncated record left unfilled") << QByteArray(":054100001122") << Lines{":104100001122"};
        QTest::newRow("32 bytes at FFF0 wrap to 0000") << withChecksum(":20FFF000" + bytesFrom(0, 32)) << Lines{":10FFF000" + bytesFrom(0, 16), ":10000000" + bytesFrom(16, 16)};
        QTest::newRow("20 bytes at fff8, second address upper case") << withChecksum(":14fff800" + bytesFrom(0xA0, 20).toLower()) << Lines{":10fff800" + bytesFrom(0xA0, 16).toLower(), ":10000800" + bytesFrom(0xB0, 4).toLower() + zeros(24)};
        QTest::newRow("40 bytes, last part filled") << withChecksum(":28410000" + bytesFrom(0, 40)) << Lines{":10410000" + bytesFrom(0, 16), ":10411000" + bytesFrom(16, 16), ":10412000" + bytesFrom(32, 8) + zeros(16)};
        QTest::newRow("address records: only non-zero 02/04 kept") << ":020000020000FC\n:0400000300004100B8\n:020000040001F9\n:04000005000041009A\n" + sixteen << Lines{":020000040001F9", sixteen};
        QTest::newRow("fill from a later record") << withChecksum(":03410000AABBCC") + "\n" + withChecksum(":02410300DDEE") << Lines{":10410000AABBCCDDEE" + zeros(22), ":10410300DDEE" + zeros(28)};
        QTest::newRow("last definition wins") << withChecksum(":0141000011") + "\n" + withChecksum(":0141010022") + "\n" + withChecksum(":0141010033") << Lines{":104100001133" + zeros(28), ":1041010022" + zeros(30), ":1041010033" + zeros(30)};
        QTest::newRow("fill wraps at FFFF") << withChecksum(":01FFFF0011") + "\n" + withChecksum(":0100000077") << Lines{":10FFFF001177" + zeros(28), ":1000000077" + zeros(30)};
        QTest::newRow("long record's last part filled from the file") << withChecksum(":14410000" + bytesFrom(0, 20)) + "\n" + withChecksum(":0141180055") << Lines{":10410000" + bytesFrom(0, 16), ":10411000" + bytesFrom(16, 4) + zeros(8) + "55" + zeros(14), ":1041180055" + zeros(30)};
        QTest::newRow("record with a wrong sum fills nothing") << withChecksum(":03410000AABBCC") + "\n:02410300DDEE00" << Lines{":10410000AABBCC" + zeros(26), ":10410300DDEE" + zeros(28)};
        QTest::newRow("corrupt record defines nothing") << withChecksum(":01410000AA") + "\n:10410100G" + zeros(31) << Lines{":10410000AA" + zeros(30), ":10410100G" + zeros(31)};
        QTest::newRow("mixed ends, empty line, no final end") << eof + "\r" + sixteen + "\n\r\n" + eof + "\r\n" + sixteen << Lines{eof, sixteen, "", eof, sixteen};
        QTest::newRow("LF CR is two ends") << eof + "\n\r" + sixteen << Lines{eof, "", sixteen};
        // clang-format on
    }

    void convert()
    {
        QFETCH(QByteArray, input);
        QFETCH(Lines, expected);
        QCOMPARE(convertHexText(input), expected);
    }

    // A program over 64 KiB whose CR LF straddles the reader's first chunk
    // (offsets 65535 and 65536) converts whole; the file is replaced, not
    // overwritten, and a failed conversion leaves it as it was.
    void convertFile()
    {
        QTemporaryDir dir;
        Lines records;
        for (int r = 0; r < 1500; ++r)
            records.append(
                withChecksum(":10" + QByteArray::number(r * 16, 16).rightJustified(4, '0') + "00" + bytesFrom(r, 16)));
        const QByteArray expected = (records + Lines{eof}).join("\r\n") + "\r\n";
        const QString program = dir.filePath("prog.HEX");
        QFile file(program);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(":020000040000FA\r\n" + expected) > 65537);
        file.close();
        QFile earlier(dir.filePath("kortemp.hex"));
        QVERIFY(earlier.open(QIODevice::WriteOnly) && earlier.write(QByteArray(100000, 'x')));
        earlier.close();

        for (const QString &input : {program, program, dir.filePath("missing.hex")}) {
            const FileResult result = ConvertHexFile(input, dir.path());
            QCOMPARE(result.ok, input == program);
            QCOMPARE(readAll(dir.filePath("kortemp.hex")), expected);
        }
        const TempLines back = readTempFile(dir.filePath("kortemp.hex"));
        QCOMPARE(back.lines.join(u'|').toLatin1(), (records + Lines{eof}).join('|'));
    }
};

QTEST_GUILESS_MAIN(TestHexConvert)
#include "tst_hexconvert.moc"
