// The stored text: the settings-string grammar, the store file, the
// conversions start-up applies to what it reads, and start-up on a file that
// holds garbage (edited by hand, damaged, or written by something else).

#include "settings/settingsstring.h"
#include "shared/conversions.h"
#include "shared/failure.h"
#include "terminal/statuspanels.h"

#include "ptypair.h"
#include "terminalfixture.h"

#include <QElapsedTimer>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QVariant>
#include <QtTest/QTest>

// A conversion's result as text: the value, or "E" and the number it failed with.
template <typename Convert>
static QString attempt(Convert convert)
{
    try {
        return QVariant(convert()).toString();
    } catch (const Failure &failure) {
        return QStringLiteral("E%1").arg(failure.number());
    }
}

class TestSettings : public QObject
{
    Q_OBJECT
private slots:
    void grammar_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("readBack"); // empty: refused
        for (const char *good : {"9600,n,8,1", "4800,o,7,1.5", "110,s,4,2", "12345,e,5,1"})
            QTest::newRow(good) << good << good;
        QTest::newRow("parity reads back lower") << "300,M,7,2"
                                                 << "300,m,7,2";
        for (const char *bad : {"0,n,8,1", "-9600,n,8,1", "99999999999,n,8,1", "9600,x,8,1", "9600,,8,1", "9600,ne,8,1",
                                "9600,n,3,1", "9600,n,8,1.0", "9600, n, 8, 1", "9600,n,8,1,1"})
            QTest::newRow(bad) << bad << "";
    }
    void grammar()
    {
        QFETCH(QString, text);
        QFETCH(QString, readBack);
        const auto parsed = parseSettingsString(text);
        QCOMPARE(parsed ? formatSettingsString(*parsed) : QString(), readBack);
    }

    // A file edited by hand reads back as the text it shows; what the program saves reads back unchanged.
    void storedFile_data()
    {
        QTest::addColumn<QByteArray>("contents");
        QTest::addColumn<QString>("expected");
        QTest::newRow("unquoted commas") << QByteArray("[Properties]\nSettings=9600,n,8,1\n") << "9600,n,8,1";
        QTest::newRow("quoted") << QByteArray("[Properties]\nSettings=\"9600,n,8,1\"\n") << "9600,n,8,1";
        QTest::newRow("garbage reads as absent") << QByteArray("\xff\xfe\0[\x01=\x93\n\x7f=\xc0\n", 12) << "-";
    }
    void storedFile()
    {
        QFETCH(QByteArray, contents);
        QFETCH(QString, expected);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("edited.ini"));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(contents) == contents.size());
        file.close();
        SettingsStore store(path);
        QCOMPARE(store.get(QStringLiteral("Properties"), QStringLiteral("Settings"), QStringLiteral("-")), expected);
        store.save(QStringLiteral("Properties"), QStringLiteral("Settings"), QStringLiteral("19200,e,7,1.5"));
        QCOMPARE(SettingsStore(path).get(QStringLiteral("Properties"), QStringLiteral("Settings")),
                 QStringLiteral("19200,e,7,1.5"));
    }

    // Halves to even; text that is no number fails with 13, a number out of range with 6.
    void conversions_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("expected"); // int16, int32, truth
        const char *const rows[][2] = {
            {" 12 ", "12 12 true"},       {"2.5", "2 2 true"},          {"3.5", "4 4 true"},
            {"-0.5", "0 0 true"},         {"1e3", "1000 1000 true"},    {"0.0", "0 0 false"},
            {"32767.5", "E6 32768 true"}, {"2147483648", "E6 E6 true"}, {"1e999", "E6 E6 E6"},
            {"TRUE", "E13 E13 true"},     {"false", "E13 E13 false"},   {"Truth", "E13 E13 E13"},
            {"", "E13 E13 E13"},          {"1x", "E13 E13 E13"},        {"inf", "E13 E13 E13"},
        };
        for (const auto &[text, expected] : rows)
            QTest::newRow(*text ? text : "empty") << text << expected;
    }
    void conversions()
    {
        QFETCH(QString, text);
        QFETCH(QString, expected);
        const QStringList results{attempt([&] { return conversions::toInt16(text); }),
                                  attempt([&] { return conversions::toInt32(text); }),
                                  attempt([&] { return conversions::toBool(text); })};
        QCOMPARE(results.join(' '), expected);
    }

    // One clear box, or the port open; never a crash, and quick however big the values are.
    void hostileFileAtStartUp_data()
    {
        QTest::addColumn<QByteArray>("contents"); // Com1 maps to @PORT@, a pty
        QTest::addColumn<QString>("box");
        const auto file = [](const QByteArray &settings, const QByteArray &port, const QByteArray &com1 = "@PORT@") {
            return "[Properties]\nSettings=" + settings + "\nCommPort=" + port + "\n[Ports]\nCom1=" + com1 + "\n";
        };
        QByteArray random(256 * 1024, Qt::Uninitialized);
        QRandomGenerator generator(7);
        for (char &b : random)
            b = char(generator.bounded(256));
        const QString unavailable = QStringLiteral("Port COM 1 pas disponible !");
        QTest::newRow("1 MB settings") << file(QByteArray(1 << 20, '9'), "1") << "Erreur N° 380";
        QTest::newRow("1 MB port") << file("9600,n,8,1", QByteArray(1 << 20, '1')) << "Erreur N° 6";
        QTest::newRow("Com1 a directory") << file("9600,n,8,1", "1", "/tmp") << unavailable;
        QTest::newRow("Com1 /dev/null") << file("9600,n,8,1", "1", "/dev/null") << "Erreur N° 8015";
        QTest::newRow("random bytes") << random << unavailable;
    }
    void hostileFileAtStartUp()
    {
        QFETCH(QByteArray, contents);
        QFETCH(QString, box);
        PtyPair pty;
        TerminalFixture fixture;
        QFile file(fixture.settings.store.fileName());
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(contents.replace("@PORT@", QFile::encodeName(pty.slavePath())));
        file.close();
        QElapsedTimer clock;
        clock.start();
        FrmTerminal &window = fixture.start();
        QVERIFY2(clock.elapsed() < 5000, "far above a normal start-up, far below a hang");
        QCOMPARE(fixture.boxes.shown.size(), 1);
        QCOMPARE(fixture.boxes.shown.first().text, box);
        QVERIFY(!window.serial().PortOpen());
        QVERIFY(panelText(window, "Settings").size() < 40); // the damaged value never reaches the status bar
    }
};

QTEST_MAIN(TestSettings)
#include "tst_settings.moc"
