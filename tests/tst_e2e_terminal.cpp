// The real main window against the simulated board over a real pty, mapped through the "Ports" section.

#include "terminal/statuspanels.h"

#include "simulatedboard.h"
#include "terminalfixture.h"

#include <QClipboard>
#include <QElapsedTimer>
#include <QPlainTextEdit>
#include <QRandomGenerator>
#include <QStatusBar>
#include <QtTest/QTest>

namespace {

const QByteArray Greeting = "\r\nKORVEX - moniteur simule\r\nCommandes: X P D R F M\r\n> "; // at the first Enter

// What the terminal shows for text without backspaces: line feeds dropped, each carriage return a line break.
QString shown(const QByteArray &bytes)
{
    return QString::fromLatin1(bytes).remove(QLatin1Char('\n')).replace(QLatin1Char('\r'), QLatin1Char('\n'));
}

struct Session
{
    SimulatedBoard board;
    TerminalFixture fixture;
    FrmTerminal *window = nullptr;
    QString link; // the path Com1 names: a link to the board's device, as /dev/serial/by-id/ gives

    // The link names the board's device, whichever it is now.
    bool relink() { return QFile::remove(link) && QFile::link(board.slavePath(), link); }

    // Board up, settings stored as a user's would be, window started: connected, no box.
    bool start(bool echo = false)
    {
        if (!board.open())
            return false;
        link = fixture.tempDir.filePath(QStringLiteral("ttyKORVEX"));
        if (!QFile::link(board.slavePath(), link))
            return false;
        fixture.settings.mapPort(1, link);
        fixture.settings.storeProperties(QStringLiteral("9600,n,8,1"), QStringLiteral("1"), QStringLiteral("0"),
                                         echo ? QStringLiteral("True") : QStringLiteral("False"));
        window = &fixture.start();
        return window->serial().PortOpen() && window->indicatorShowsConnected() && fixture.boxes.shown.isEmpty();
    }
    QString text() const { return terminalText(*window); }
    QPlainTextEdit *txtTerm() const { return control<QPlainTextEdit>(*window, "txtTerm"); }
    void press(Qt::Key key) { QTest::keyClick(txtTerm(), key); }
    QList<bool> uploadAndRunEnabled() const
    {
        QList<bool> enabled;
        for (const char *name : {"mnuSendText", "mnuRun", "TransmitTextFile", "Run"})
            enabled << command(*window, name)->isEnabled();
        return enabled;
    }
};

} // namespace

class TestE2ETerminal : public QObject
{
    Q_OBJECT
private slots:
    // Keys go to the board at once; without echo only the board's echo shows them.
    void typing_data()
    {
        QTest::addColumn<bool>("echo");
        QTest::newRow("echo off") << false;
        QTest::newRow("echo on") << true;
    }
    void typing()
    {
        QFETCH(bool, echo);
        const auto local = [echo](const char *text) { return echo ? QString::fromLatin1(text) : QString(); };
        Session s;
        QVERIFY(s.start(echo));
        s.press(Qt::Key_Return);
        QTRY_COMPARE(s.text(), local("\n") + shown(Greeting)); // the monitor wakes at the first Enter
        const QString greeted = s.text();
        s.press(Qt::Key_R);
        QCOMPARE(s.text(), greeted + local("r"));
        QTRY_COMPARE(s.text(), greeted + local("r") + QStringLiteral("r"));
        s.press(Qt::Key_Return);
        QTRY_COMPARE(s.board.bytesReceived(), QByteArray("\rr\r"));
        QTRY_VERIFY(s.text().endsWith(shown("\r\n> ")));
        QVERIFY(s.text().startsWith(greeted + local("r") + QStringLiteral("r") + local("\n") + shown("\r\n00: 00 ")));
    }

    // 1 MiB as fast as the pty takes it: the terminal ends with exactly the
    // last part of it, bounded, and the event loop keeps running meanwhile.
    void burstIsShownWithNothingLost()
    {
        Session s;
        QVERIFY(s.start());
        QByteArray burst;
        for (int line = 0; burst.size() < (1 << 20); ++line)
            burst += QByteArray::number(line).rightJustified(7, '0') + " abcdefghijklmnopqrstuvwxyz \xe9\r\n";
        const QString expected = shown(burst);

        QElapsedTimer sinceTick;
        qint64 longestGap = 0;
        QTimer ticker;
        QObject::connect(&ticker, &QTimer::timeout, &ticker,
                         [&] { longestGap = std::max(longestGap, sinceTick.restart()); });
        sinceTick.start();
        ticker.start(10);
        s.board.send(burst);
        QTRY_VERIFY_WITH_TIMEOUT(s.board.pendingOutput() == 0 && s.text().endsWith(expected.right(300)), 60000);
        QVERIFY2(longestGap < 2000, qPrintable(QString::number(longestGap)));
        QVERIFY2(s.text().size() >= 11905, qPrintable(QString::number(s.text().size())));
        QVERIFY2(expected.endsWith(s.text()), "the terminal is not the end of what the board sent");

        // One small chunk after the burst bounds what a single chunk may add.
        const QString last = QStringLiteral("fin\n");
        s.board.send("fin\r\n");
        QTRY_VERIFY(s.text().endsWith(expected.right(100) + last));
        QVERIFY2(s.text().size() <= 16000 + last.size(), qPrintable(QString::number(s.text().size())));
        QVERIFY((expected + last).endsWith(s.text()));
    }

    // Line noise: random bytes of all 256 values as fast as the pty takes
    // them for two seconds. The window keeps running, the text stays bounded.
    void randomBytesAtFullSpeed()
    {
        Session s;
        QVERIFY(s.start());
        QRandomGenerator random(1234);
        QByteArray chunk(64 * 1024, '\0');
        QElapsedTimer elapsed, sinceTick;
        qint64 longestGap = 0, sent = 0;
        QTimer ticker;
        QObject::connect(&ticker, &QTimer::timeout, &ticker,
                         [&] { longestGap = std::max(longestGap, sinceTick.restart()); });
        const auto feed = [&] {
            if (elapsed.elapsed() >= 2000)
                return;
            for (char &byte : chunk)
                byte = char(random.bounded(256));
            sent += chunk.size();
            s.board.send(chunk);
        };
        QObject::connect(&s.board, &SimulatedBoard::outputDrained, &ticker, feed);
        elapsed.start();
        sinceTick.start();
        ticker.start(10);
        feed();
        QTRY_VERIFY_WITH_TIMEOUT(elapsed.elapsed() >= 2000 && s.board.pendingOutput() == 0, 30000);
        QTRY_VERIFY(s.text().size() <= 16000 + chunk.size());
        QVERIFY2(longestGap < 2000, qPrintable(QString::number(longestGap)));
        QVERIFY(sent > chunk.size());
        QVERIFY(s.window->serial().PortOpen());
        QVERIFY(s.fixture.boxes.shown.isEmpty());
    }

    // Board hung up (or adapter pulled): reported, port closed, upload and run
    // off, keys shown locally; a new device at the same path is reopened by
    // itself with the same settings, until the user disconnects.
    void unplugAndReconnect()
    {
        Session s;
        QVERIFY(s.start());
        s.fixture.chooser.answer = QFINDTESTDATA("data/blink_sdcc.hex");
        command(*s.window, "mnuOpenLog")->trigger();
        s.press(Qt::Key_Return);
        QTRY_COMPARE(s.text(), shown(Greeting));

        s.board.hangUp();
        QTRY_COMPARE(panelText(*s.window, "Settings"), QStringLiteral("Status: Device Removed"));
        QVERIFY(!s.window->serial().PortOpen() && !s.window->indicatorShowsConnected());
        QCOMPARE(s.uploadAndRunEnabled(), QList<bool>(4, false));
        QTest::keyClicks(s.txtTerm(), QStringLiteral("ab"));
        QCOMPARE(s.text(), shown(Greeting) + QStringLiteral("ab"));

        QVERIFY(s.board.open() && s.relink()); // a new device at the same path
        QTRY_VERIFY_WITH_TIMEOUT(s.window->serial().PortOpen(), 2000);
        QVERIFY(s.window->indicatorShowsConnected());
        QCOMPARE(panelText(*s.window, "Settings"), QStringLiteral("Settings: 9600,n,8,1"));
        QVERIFY(control<QStatusBar>(*s.window, "sbrStatus")->currentMessage().contains(QStringLiteral("reconnecté")));
        QCOMPARE(s.uploadAndRunEnabled(), QList<bool>(4, true));
        s.board.send("\aOK\r\n"); // a bell sounds and is not drawn
        QTRY_COMPARE(s.text(), shown(Greeting) + QStringLiteral("abOK\n"));
        QCOMPARE(s.fixture.beeps, 1);
        s.press(Qt::Key_Return);
        QTRY_COMPARE(s.board.bytesReceived(), QByteArray("\r\r")); // nothing typed while unplugged was sent
        QTRY_VERIFY(s.text().endsWith(shown("\r\n> ")));
        QCOMPARE(s.fixture.boxes.shown.size(), 0);

        command(*s.window, "mnuComm")->trigger(); // the user's disconnect stays
        QVERIFY(!s.window->serial().PortOpen());
        QVERIFY(!QTest::qWaitFor([&] { return s.window->serial().PortOpen(); }, 1500));
    }

    // Paste types the clipboard: line ends as Enter, what has no 8-bit code
    // left out and counted (a character beyond 16 bits once); a long paste leaves the window running. The
    // context menu copies, and clears the screen.
    void pasteAndCopy()
    {
        Session s;
        QVERIFY(s.start(true));
        QGuiApplication::clipboard()->setText(QStringLiteral("D 0\r\nP 4100\n\u20ac\U0001F600\u20ac"));
        command(*s.window, "mnuColler")->trigger();
        QTRY_COMPARE(s.board.bytesReceived(), QByteArray("D 0\rP 4100\r"));
        QVERIFY(control<QStatusBar>(*s.window, "sbrStatus")->currentMessage().startsWith("3 caractères"));

        QString lines;
        for (int i = 0; lines.size() < 300000; ++i)
            lines += QString::number(i).rightJustified(9, u'0') + '\n';
        QGuiApplication::clipboard()->setText(lines);
        QElapsedTimer pasting;
        pasting.start();
        QTest::keyClick(s.txtTerm(), Qt::Key_Insert, Qt::ShiftModifier);
        QVERIFY2(pasting.elapsed() < 2000, qPrintable(QString::number(pasting.elapsed())));
        QVERIFY(s.text().size() <= 16000 + 4096 && s.text().endsWith(lines.right(100)));
        const QByteArray sent = "D 0\rP 4100\r" + lines.toLatin1().replace('\n', '\r');
        QTRY_VERIFY_WITH_TIMEOUT(s.board.bytesReceived().startsWith(sent), 30000);

        command(*s.window, "mnuToutSelectionner")->trigger();
        command(*s.window, "mnuCopier")->trigger();
        QCOMPARE(QGuiApplication::clipboard()->text(), s.text());
        command(*s.window, "mnuEffacerEcran")->trigger();
        QCOMPARE(s.text(), QString());
    }
};

QTEST_MAIN(TestE2ETerminal)
#include "tst_e2e_terminal.moc"
