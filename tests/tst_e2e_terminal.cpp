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

    // Board up, echo stored, window started: connected, no box.
    bool start(const char *echo = "False")
    {
        link = fixture.tempDir.filePath(QStringLiteral("ttyKORVEX"));
        if (!board.open() || !QFile::link(board.slavePath(), link))
            return false;
        fixture.settings.mapPort(1, link);
        fixture.settings.storeProperties(QStringLiteral("9600,n,8,1"), "1", "0", echo);
        window = &fixture.start();
        return window->serial().PortOpen() && window->indicatorShowsConnected() && fixture.boxes.shown.isEmpty();
    }
    QString text() const { return terminalText(*window); }
    QPlainTextEdit *txtTerm() const { return control<QPlainTextEdit>(*window, "txtTerm"); }
    void press(Qt::Key key) { QTest::keyClick(txtTerm(), key); }
};

} // namespace

class TestE2ETerminal : public QObject
{
    Q_OBJECT
private slots:
    // Line noise (64 KiB of all 256 values), then 1 MiB of lines, as fast as the pty takes them: the terminal ends
    // with exactly the last part of it, bounded, no box, and the event loop keeps running meanwhile.
    void burstIsShownWithNothingLost()
    {
        Session s;
        QVERIFY(s.start());
        QRandomGenerator random(1234);
        QByteArray noise(64 * 1024, '\0');
        for (char &byte : noise)
            byte = char(random.bounded(256));
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
        s.board.send(noise + burst);
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
        QVERIFY(s.window->serial().PortOpen() && s.fixture.boxes.shown.isEmpty());
    }

    // Keys go to the board at once, echo off: only the board's echo shows them. Board hung up (or adapter pulled):
    // reported, port closed, keys shown locally; a new device at the same path is reopened by itself, once it
    // can be, with the same settings, unless the user took the port in hand meanwhile.
    void typingUnplugAndReconnect()
    {
        Session s;
        QVERIFY(s.start());
        s.press(Qt::Key_Return);
        QTRY_COMPARE(s.text(), shown(Greeting)); // the monitor wakes at the first Enter
        s.press(Qt::Key_R);
        QCOMPARE(s.text(), shown(Greeting));
        QTRY_COMPARE(s.text(), shown(Greeting) + QStringLiteral("r"));
        s.press(Qt::Key_Return);
        QTRY_COMPARE(s.board.bytesReceived(), QByteArray("\rr\r"));
        QTRY_VERIFY(s.text().endsWith(shown("\r\n> ")));
        QVERIFY(s.text().startsWith(shown(Greeting) + QStringLiteral("r") + shown("\r\n00: 00 ")));
        const QString before = s.text();

        s.board.hangUp();
        QTRY_COMPARE(panelText(*s.window, "Settings"), QStringLiteral("Status: Device Removed"));
        QVERIFY(!s.window->serial().PortOpen() && !s.window->indicatorShowsConnected());
        QTest::keyClicks(s.txtTerm(), QStringLiteral("ab"));
        QCOMPARE(s.text(), before + QStringLiteral("ab"));

        // At the same path, a device that cannot be opened yet (its permissions come a moment after it appears),
        // then the new board: tried again until it opens.
        QVERIFY(QFile::remove(s.link) && QFile::link(QStringLiteral("/dev/null"), s.link));
        QVERIFY(!QTest::qWaitFor([&] { return s.window->serial().PortOpen(); }, 1200));
        QVERIFY(s.board.open() && s.relink());
        QTRY_VERIFY_WITH_TIMEOUT(s.window->serial().PortOpen(), 2000);
        QVERIFY(s.window->indicatorShowsConnected());
        QCOMPARE(panelText(*s.window, "Settings"), QStringLiteral("Settings: 9600,n,8,1"));
        QVERIFY(control<QStatusBar>(*s.window, "sbrStatus")->currentMessage().contains(QStringLiteral("reconnecté")));
        s.board.send("\aOK\r\n"); // a bell sounds and is not drawn
        QTRY_COMPARE(s.text(), before + QStringLiteral("abOK\n"));
        QCOMPARE(s.fixture.beeps, 1);
        s.press(Qt::Key_Return);
        QTRY_COMPARE(s.board.bytesReceived(), QByteArray("\rr\r\r")); // nothing typed while unplugged was sent
        QTRY_VERIFY(s.text().endsWith(shown("\r\n> ")));
        QCOMPARE(s.fixture.boxes.shown.size(), 0);

        // Lost again, and the user tries the port meanwhile: that choice ends the waiting.
        s.board.hangUp();
        QTRY_COMPARE(panelText(*s.window, "Settings"), QStringLiteral("Status: Device Removed"));
        command(*s.window, "mnuComm")->trigger();
        QCOMPARE(s.fixture.boxes.shown.size(), 1);
        QVERIFY(s.board.open() && s.relink());
        QVERIFY(!QTest::qWaitFor([&] { return s.window->serial().PortOpen(); }, 1500));
    }

    // Paste types the clipboard: line ends as Enter, what has no 8-bit code
    // left out and counted (a character beyond 16 bits once); a long paste leaves the window running. The
    // context menu copies, and clears the screen.
    void pasteAndCopy()
    {
        Session s;
        QVERIFY(s.start("True"));
        QString lines;
        for (int i = 0; lines.size() < 300000; ++i)
            lines += QString::number(i).rightJustified(9, u'0') + '\n';
        QGuiApplication::clipboard()->setText("D 0\r\nP 4100\n\u20ac\U0001F600\u20ac" + lines);
        QElapsedTimer pasting;
        pasting.start();
        command(*s.window, "mnuColler")->trigger();
        QVERIFY2(pasting.elapsed() < 2000, qPrintable(QString::number(pasting.elapsed())));
        QVERIFY(control<QStatusBar>(*s.window, "sbrStatus")->currentMessage().startsWith("3 caractères"));
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
