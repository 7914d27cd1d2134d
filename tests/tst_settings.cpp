#include "settings/settingsstore.h"
#include "settings/settingsstring.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest/QTest>

class TestSettings : public QObject
{
    Q_OBJECT
private slots:
    void grammar_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("readBack"); // empty: refused
        QTest::newRow("usual") << "9600,n,8,1" << "9600,n,8,1";
        QTest::newRow("upper-case parity reads back lower") << "9600,E,8,1" << "9600,e,8,1";
        QTest::newRow("all parities") << "300,M,7,2" << "300,m,7,2";
        QTest::newRow("space parity") << "256000,s,5,1" << "256000,s,5,1";
        QTest::newRow("one and a half") << "4800,o,7,1.5" << "4800,o,7,1.5";
        QTest::newRow("four data bits") << "110,n,4,1" << "110,n,4,1";
        QTest::newRow("unlisted speed") << "12345,n,8,1" << "12345,n,8,1";
        QTest::newRow("three data bits") << "9600,n,3,1" << "";
        QTest::newRow("nine data bits") << "9600,n,9,1" << "";
        QTest::newRow("unknown parity") << "9600,x,8,1" << "";
        QTest::newRow("empty parity") << "9600,,8,1" << "";
        QTest::newRow("two parity letters") << "9600,ne,8,1" << "";
        QTest::newRow("stop bits 3") << "9600,n,8,3" << "";
        QTest::newRow("stop bits 1.0") << "9600,n,8,1.0" << "";
        QTest::newRow("zero speed") << "0,n,8,1" << "";
        QTest::newRow("negative speed") << "-9600,n,8,1" << "";
        QTest::newRow("speed overflows") << "99999999999,n,8,1" << "";
        QTest::newRow("blanks") << "9600, n, 8, 1" << "";
        QTest::newRow("three fields") << "9600,n,8" << "";
        QTest::newRow("five fields") << "9600,n,8,1,1" << "";
        QTest::newRow("empty") << "" << "";
    }
    void grammar()
    {
        QFETCH(QString, text);
        QFETCH(QString, readBack);
        const auto parsed = parseSettingsString(text);
        QCOMPARE(parsed.has_value(), !readBack.isEmpty());
        if (parsed)
            QCOMPARE(formatSettingsString(*parsed), readBack);
    }

    void byPosition_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("fields");
        QTest::newRow("usual") << "9600,n,8,1" << QStringList{"9600", "n", "8", "1"};
        QTest::newRow("one and a half") << "19200,e,7,1.5" << QStringList{"19200", "e", "7", "1.5"};
        QTest::newRow("long speed") << "256000,n,8,2" << QStringList{"256000", "n", "8", "2"};
        QTest::newRow("upper case kept") << "4800,O,7,1" << QStringList{"4800", "O", "7", "1"};
        QTest::newRow("too short") << "1,2" << QStringList{"", "", "1", "2"};
        QTest::newRow("empty") << "" << QStringList{"", "", "", ""};
    }
    void byPosition()
    {
        QFETCH(QString, text);
        QFETCH(QStringList, fields);
        const SettingsFields got = settingsFieldsByPosition(text);
        QCOMPARE((QStringList{got.speed, got.parity, got.dataBits, got.stopBits}), fields);
    }

    void storeRoundTrip()
    {
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("settings.ini"));
        SettingsStore store(file);
        QCOMPARE(store.get(QStringLiteral("Properties"), QStringLiteral("Settings")), QString());
        QCOMPARE(store.get(QStringLiteral("Properties"), QStringLiteral("Settings"), QStringLiteral("dflt")),
                 QStringLiteral("dflt"));
        store.save(QStringLiteral("Properties"), QStringLiteral("Settings"), QStringLiteral("19200,e,7,1.5"));
        store.save(QStringLiteral("Properties"), QStringLiteral("Echo"), QStringLiteral("True"));
        // A second store on the same file sees what the first saved.
        const SettingsStore again(file);
        QCOMPARE(again.get(QStringLiteral("Properties"), QStringLiteral("Settings")), QStringLiteral("19200,e,7,1.5"));
        QCOMPARE(again.get(QStringLiteral("Properties"), QStringLiteral("Echo")), QStringLiteral("True"));
    }

    // Files edited by hand: whatever is there reads back as the text it shows.
    void handEditedFile_data()
    {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<QString>("expected");
        QTest::newRow("unquoted commas") << QByteArray("Settings=9600,n,8,1") << "9600,n,8,1";
        QTest::newRow("quoted") << QByteArray("Settings=\"9600,n,8,1\"") << "9600,n,8,1";
        QTest::newRow("empty") << QByteArray("Settings=") << "";
        QTest::newRow("number") << QByteArray("Settings=99999") << "99999";
        QTest::newRow("byte array") << QByteArray("Settings=@ByteArray(abc)") << "abc";
    }
    void handEditedFile()
    {
        QFETCH(QByteArray, line);
        QFETCH(QString, expected);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("edited.ini"));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("[Properties]\n" + line + "\n");
        file.close();
        QCOMPARE(SettingsStore(path).get(QStringLiteral("Properties"), QStringLiteral("Settings")), expected);
    }

    void garbageFileReadsAsAbsent()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("garbage.ini"));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        QByteArray junk(4096, '\0');
        for (int i = 0; i < junk.size(); ++i)
            junk[i] = char(i * 37);
        file.write(junk);
        file.close();
        QCOMPARE(SettingsStore(path).get(QStringLiteral("Properties"), QStringLiteral("Settings")), QString());
    }
};

QTEST_APPLESS_MAIN(TestSettings)
#include "tst_settings.moc"
