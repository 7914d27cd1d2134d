// A settings file that holds garbage (edited by hand, damaged, or written by
// something else): start-up shows one clear box, or opens the port, never
// crashes, and stays quick however big the values are.

#include "terminal/statuspanels.h"

#include "ptypair.h"
#include "terminalfixture.h"

#include <QElapsedTimer>
#include <QFile>
#include <QRandomGenerator>
#include <QtTest/QTest>

namespace {

constexpr qsizetype OneMegabyte = 1 << 20;

// The four stored values; Com1 maps to @PORT@, replaced by a pty at run time.
QByteArray properties(const QByteArray &settings, const QByteArray &port, const QByteArray &handshaking,
                      const QByteArray &echo, const QByteArray &com1 = "@PORT@")
{
    return "[Properties]\nSettings=" + settings + "\nCommPort=" + port + "\nHandshaking=" + handshaking
           + "\nEcho=" + echo + "\n[Ports]\nCom1=" + com1 + "\n";
}

} // namespace

class TestHostileSettings : public QObject
{
    Q_OBJECT
private slots:
    void startUp_data()
    {
        QTest::addColumn<QByteArray>("contents");
        QTest::addColumn<QString>("box"); // empty: starts with the port open
        QByteArray random(256 * 1024, Qt::Uninitialized);
        QRandomGenerator generator(7);
        for (char &b : random)
            b = char(generator.bounded(256));
        const QByteArray good = "9600,n,8,1";
        const QString unavailable = QStringLiteral("Port COM 1 pas disponible !");
        QTest::newRow("port with blanks") << properties(good, "\t 1 ", "0", "False") << "";
        QTest::newRow("1 MB settings") << properties(QByteArray(OneMegabyte, '9'), "1", "0", "False")
                                       << "Erreur N° 380";
        QTest::newRow("1 MB port") << properties(good, QByteArray(OneMegabyte, '1'), "0", "False") << "Erreur N° 6";
        QTest::newRow("echo Truee") << properties(good, "1", "0", "Truee") << "Erreur N° 13";
        QTest::newRow("Com1 a directory") << properties(good, "1", "0", "False", "/tmp") << unavailable;
        QTest::newRow("Com1 /dev/null") << properties(good, "1", "0", "False", "/dev/null") << "Erreur N° 8015";
        QTest::newRow("random bytes") << random << unavailable;
    }
    void startUp()
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
        QCOMPARE(fixture.boxes.shown.size(), box.isEmpty() ? 0 : 1);
        if (!box.isEmpty())
            QCOMPARE(fixture.boxes.shown.first().text, box);
        QCOMPARE(window.serial().PortOpen(), box.isEmpty());
        // The damaged value never reaches the status bar.
        QVERIFY(panelText(window, "Settings").size() < 40);
    }
};

QTEST_MAIN(TestHostileSettings)
#include "tst_hostile_settings.moc"
