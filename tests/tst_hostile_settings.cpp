// A settings file that holds garbage (edited by hand, damaged, or written by
// something else): start-up shows one clear box or falls back to the initial
// values, never crashes, and stays quick however big the values are.

#include "terminal/statuspanels.h"

#include "ptypair.h"
#include "terminalfixture.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QRandomGenerator>
#include <QtTest/QTest>

#include <sys/stat.h>

namespace {

constexpr qsizetype OneMegabyte = 1 << 20;
// Far above a normal start-up (milliseconds), far below a hang; even a
// sanitized build stays under it.
constexpr qint64 QuickMs = 5000;

// Every byte value but the two that end an INI line.
QByteArray binaryBytes()
{
    QByteArray bytes;
    for (int b = 255; b >= 0; --b) {
        if (b != '\n' && b != '\r')
            bytes += char(b);
    }
    return bytes;
}

QByteArray randomBytes(qsizetype count)
{
    QRandomGenerator generator(7);
    QByteArray bytes(count, Qt::Uninitialized);
    for (char &b : bytes)
        b = char(generator.bounded(256));
    return bytes;
}

// Writes the settings file as raw bytes, the way a damaged file would be.
void writeRaw(TerminalFixture &fixture, const QByteArray &contents)
{
    QFile file(fixture.settings.store.fileName());
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(file.write(contents), contents.size());
}

QByteArray propertiesSection(const QByteArray &settings, const QByteArray &port, const QByteArray &handshaking,
                             const QByteArray &echo)
{
    return "[Properties]\nSettings=" + settings + "\nCommPort=" + port + "\nHandshaking=" + handshaking
           + "\nEcho=" + echo + "\n";
}

// One row of damagedProperties_data(): the four stored values and the box.
void row(const char *name, const QByteArray &settings, const QByteArray &port, const QByteArray &handshaking,
         const QByteArray &echo, const QString &box)
{
    QTest::newRow(name) << settings << port << handshaking << echo << box;
}

QString errorText(int number)
{
    return QStringLiteral("Erreur N° %1").arg(number);
}

// Starts the window; the milliseconds it took.
qint64 timedStart(TerminalFixture &fixture)
{
    QElapsedTimer timer;
    timer.start();
    fixture.start();
    return timer.elapsed();
}

QString boxText(const TerminalFixture &fixture)
{
    return fixture.boxes.shown.isEmpty() ? QString() : fixture.boxes.shown.first().text;
}

} // namespace

class TestHostileSettings : public QObject
{
    Q_OBJECT
private slots:
    // Each row: one damaged value among good ones; port 1 is a pty.
    void damagedProperties_data()
    {
        QTest::addColumn<QByteArray>("settings");
        QTest::addColumn<QByteArray>("port");
        QTest::addColumn<QByteArray>("handshaking");
        QTest::addColumn<QByteArray>("echo");
        QTest::addColumn<QString>("box"); // empty: starts with the port open

        const QByteArray good = "9600,n,8,1";
        QByteArray commaMegabyte;
        while (commaMegabyte.size() < OneMegabyte)
            commaMegabyte += "9600,n,8,1,";
        const QString port2 = QStringLiteral("Port COM 2 pas disponible !");

        row("1 MB settings", QByteArray(OneMegabyte, '9'), "1", "0", "False", errorText(380));
        row("1 MB of settings strings", commaMegabyte, "1", "0", "False", errorText(380));
        row("binary settings", binaryBytes(), "1", "0", "False", errorText(380));
        row("binary inside settings", "9600,n\x01,8,1", "1", "0", "False", errorText(380));
        row("unknown parity letter", "9600,q,8,1", "1", "0", "False", errorText(380));
        row("non-ASCII parity letter", "9600,\xc3\xa9,8,1", "1", "0", "False", errorText(380));
        row("Latin-1 parity byte", "9600,\xe9,8,1", "1", "0", "False", errorText(380));
        row("speed beyond 32 bits", "99999999999,n,8,1", "1", "0", "False", errorText(380));
        row("port 99999", good, "99999", "0", "False", errorText(6));
        row("port -1", good, "-1", "0", "False", errorText(380));
        row("port 0", good, "0", "0", "False", errorText(380));
        row("port 256", good, "256", "0", "False", errorText(380));
        row("binary port", good, binaryBytes(), "0", "False", errorText(13));
        row("1 MB port", good, QByteArray(OneMegabyte, '1'), "0", "False", errorText(6));
        row("port 1e400", good, "1e400", "0", "False", errorText(6));
        row("port 1.5 rounds to 2", good, "1.5", "0", "False", port2);
        row("port with blanks", good, "\t 1 ", "0", "False", QString());
        row("huge handshaking", good, "1", "99999999999999999999", "False", errorText(6));
        row("1 MB handshaking", good, "1", QByteArray(OneMegabyte, '7'), "False", errorText(6));
        row("handshaking -1", good, "1", "-1", "False", errorText(380));
        row("handshaking 3.5 rounds to 4", good, "1", "3.5", "False", errorText(380));
        row("binary handshaking", good, "1", binaryBytes(), "False", errorText(13));
        row("binary echo", good, "1", "0", binaryBytes(), errorText(13));
        row("1 MB echo", good, "1", "0", QByteArray(OneMegabyte, 'T'), errorText(13));
        row("echo 1e400", good, "1", "0", "1e400", errorText(6));
        row("echo Truee", good, "1", "0", "Truee", errorText(13));
        row("echo NaN", good, "1", "0", "NaN", errorText(13));
    }
    void damagedProperties()
    {
        QFETCH(QByteArray, settings);
        QFETCH(QByteArray, port);
        QFETCH(QByteArray, handshaking);
        QFETCH(QByteArray, echo);
        QFETCH(QString, box);
        PtyPair pty;
        QVERIFY(pty.isValid());
        TerminalFixture fixture;
        writeRaw(fixture, propertiesSection(settings, port, handshaking, echo)
                              + "[Ports]\nCom1=" + QFile::encodeName(pty.slavePath()) + "\n");

        const qint64 elapsed = timedStart(fixture);
        QVERIFY2(elapsed < QuickMs, qPrintable(QStringLiteral("start-up took %1 ms").arg(elapsed)));
        QVERIFY(fixture.boxes.shown.size() <= 1);
        QCOMPARE(boxText(fixture), box);
        FrmTerminal &window = *fixture.window;
        QCOMPARE(window.serial().PortOpen(), box.isEmpty());
        QCOMPARE(window.indicatorShowsConnected(), box.isEmpty());
        if (!box.isEmpty())
            QCOMPARE(fixture.boxes.shown.first().icon, MessageRequest::Icon::Critical);
        // The damaged value never reaches the status bar.
        QVERIFY(panelText(window, "Settings").size() < 40);
    }

    // Port 1 mapped to something that is not a serial device: the port is
    // refused with a box, nothing hangs waiting on it. What is no character
    // device is an unavailable port; /dev/null refuses the line set-up.
    void portsEntryNotADevice_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("box");
        const QString unavailable = QStringLiteral("Port COM 1 pas disponible !");
        QTest::newRow("directory") << "directory" << unavailable;
        QTest::newRow("regular file") << "file" << unavailable;
        QTest::newRow("empty file") << "empty file" << unavailable;
        QTest::newRow("named pipe") << "fifo" << unavailable;
        QTest::newRow("/dev/null") << "null" << errorText(8015);
        QTest::newRow("missing path") << "missing" << unavailable;
        QTest::newRow("binary path") << "binary" << unavailable;
        QTest::newRow("1 MB path") << "huge" << unavailable;
    }
    void portsEntryNotADevice()
    {
        QFETCH(QString, kind);
        QFETCH(QString, box);
        TerminalFixture fixture;
        const QString target = fixture.tempDir.filePath(QStringLiteral("target"));
        QByteArray path = QFile::encodeName(target);
        if (kind == QLatin1String("directory")) {
            QVERIFY(QDir().mkpath(target));
        } else if (kind == QLatin1String("file") || kind == QLatin1String("empty file")) {
            QFile file(target);
            QVERIFY(file.open(QIODevice::WriteOnly));
            if (kind == QLatin1String("file"))
                file.write(randomBytes(4096));
        } else if (kind == QLatin1String("fifo")) {
            QCOMPARE(::mkfifo(path.constData(), 0600), 0);
        } else if (kind == QLatin1String("null")) {
            path = "/dev/null";
        } else if (kind == QLatin1String("binary")) {
            path = binaryBytes();
        } else if (kind == QLatin1String("huge")) {
            path = "/" + QByteArray(OneMegabyte, 'a');
        }
        writeRaw(fixture, propertiesSection("9600,n,8,1", "1", "0", "False") + "[Ports]\nCom1=" + path + "\n");

        const qint64 elapsed = timedStart(fixture);
        QVERIFY2(elapsed < QuickMs, qPrintable(QStringLiteral("start-up took %1 ms").arg(elapsed)));
        QVERIFY(fixture.boxes.shown.size() <= 1);
        QCOMPARE(boxText(fixture), box);
        QCOMPARE(fixture.boxes.shown.first().icon, MessageRequest::Icon::Critical);
        QVERIFY(!fixture.window->serial().PortOpen());
        QVERIFY(!fixture.window->indicatorShowsConnected());
    }

    // A file that is not INI text at all reads as no settings: the initial
    // values, and port 1 (absent here) refused as on a first start.
    void wholeFileGarbage_data()
    {
        QTest::addColumn<QByteArray>("contents");
        QTest::newRow("random bytes") << randomBytes(256 * 1024);
        QTest::newRow("random bytes under the section") << "[Properties]\n" + randomBytes(256 * 1024);
        QTest::newRow("1 MB line without an equals sign") << "[Properties]\n" + QByteArray(OneMegabyte, 'S');
        QTest::newRow("1 MB section name") << "[" + QByteArray(OneMegabyte, 'P') + "]\nSettings=x\n";
    }
    void wholeFileGarbage()
    {
        QFETCH(QByteArray, contents);
        TerminalFixture fixture;
        writeRaw(fixture, contents);
        const qint64 elapsed = timedStart(fixture);
        QVERIFY2(elapsed < QuickMs, qPrintable(QStringLiteral("start-up took %1 ms").arg(elapsed)));
        QVERIFY(fixture.boxes.shown.size() <= 1);
        const QString box = boxText(fixture);
        QVERIFY2(box == QLatin1String("Port COM 1 pas disponible !") || box.startsWith(QLatin1String("Erreur N° ")),
                 qPrintable(box));
        QVERIFY(!fixture.window->serial().PortOpen());
    }
};

QTEST_MAIN(TestHostileSettings)
#include "tst_hostile_settings.moc"
