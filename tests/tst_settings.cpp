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
        // clang-format off
        QTest::newRow("usual") << "9600,n,8,1" << "9600,n,8,1";
        QTest::newRow("upper-case parity reads back lower") << "300,M,7,2" << "300,m,7,2";
        QTest::newRow("space parity, five bits") << "256000,s,5,1" << "256000,s,5,1";
        QTest::newRow("one and a half") << "4800,o,7,1.5" << "4800,o,7,1.5";
        QTest::newRow("four data bits") << "110,n,4,1" << "110,n,4,1";
        QTest::newRow("unlisted speed") << "12345,n,8,1" << "12345,n,8,1";
        QTest::newRow("three data bits") << "9600,n,3,1" << "";
        QTest::newRow("unknown parity") << "9600,x,8,1" << "";
        QTest::newRow("two parity letters") << "9600,ne,8,1" << "";
        QTest::newRow("stop bits 1.0") << "9600,n,8,1.0" << "";
        QTest::newRow("speed overflows") << "99999999999,n,8,1" << "";
        QTest::newRow("blanks") << "9600, n, 8, 1" << "";
        QTest::newRow("five fields") << "9600,n,8,1,1" << "";
        // clang-format on
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

    // Files edited by hand or damaged: whatever is there reads back as the text it shows.
    void storedFile_data()
    {
        QTest::addColumn<QByteArray>("contents");
        QTest::addColumn<QString>("expected");
        // clang-format off
        QTest::newRow("unquoted commas") << QByteArray("[Properties]\nSettings=9600,n,8,1\n") << "9600,n,8,1";
        QTest::newRow("quoted") << QByteArray("[Properties]\nSettings=\"9600,n,8,1\"\n") << "9600,n,8,1";
        QTest::newRow("byte array") << QByteArray("[Properties]\nSettings=@ByteArray(abc)\n") << "abc";
        QTest::newRow("empty") << QByteArray("[Properties]\nSettings=\n") << "";
        // clang-format on
        QTest::newRow("garbage reads as absent") << QByteArray("\xff\xfe\0[\x01=\x93\n\x7f=\xc0\n", 12) << "";
    }
    void storedFile()
    {
        QFETCH(QByteArray, contents);
        QFETCH(QString, expected);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("edited.ini"));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(contents);
        file.close();
        SettingsStore store(path);
        QCOMPARE(store.get(QStringLiteral("Properties"), QStringLiteral("Settings")), expected);
        // What the program saves, a second store on the same file reads back unchanged.
        store.save(QStringLiteral("Properties"), QStringLiteral("Settings"), QStringLiteral("19200,e,7,1.5"));
        QCOMPARE(SettingsStore(path).get(QStringLiteral("Properties"), QStringLiteral("Settings")),
                 QStringLiteral("19200,e,7,1.5"));
    }
};

QTEST_APPLESS_MAIN(TestSettings)
#include "tst_settings.moc"
