// The real main window against the simulated board over a real pty, mapped
// through the "Ports" section as a user's settings would map it.

#include "terminal/statuspanels.h"

#include "simulatedboard.h"
#include "terminalfixture.h"

#include <QElapsedTimer>
#include <QPlainTextEdit>
#include <QtTest/QTest>

namespace {

const QByteArray Banner = "KORVEX - moniteur simule\r\nCommandes: X P D R F M\r\n";
const QByteArray Prompt = "> ";

// What the terminal shows for text without backspaces: line feeds dropped,
// each carriage return a line break.
QString shown(const QByteArray &bytes)
{
    QString text = QString::fromLatin1(bytes);
    text.remove(QLatin1Char('\n'));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return text;
}

struct Session
{
    SimulatedBoard board;
    TerminalFixture fixture;
    FrmTerminal *window = nullptr;

    // Board up, settings stored as a user's would be, window started.
    bool start(bool echo = false)
    {
        QString error;
        if (!board.open(&error)) {
            qWarning("board: %s", qPrintable(error));
            return false;
        }
        fixture.settings.mapPort(1, board.slavePath());
        fixture.settings.storeProperties(QStringLiteral("9600,n,8,1"), QStringLiteral("1"), QStringLiteral("0"),
                                         echo ? QStringLiteral("True") : QStringLiteral("False"));
        window = &fixture.start();
        return window->serial().PortOpen();
    }
    QString text() const { return window->txtTerm->toPlainText(); }
    QString panel(const char *key) const { return window->sbrStatus->panelText(QLatin1String(key)); }

    // Enter at an empty command line wakes the monitor: its banner and prompt.
    bool greet()
    {
        QTest::keyClick(window->txtTerm, Qt::Key_Return);
        return QTest::qWaitFor([this] { return text().endsWith(shown(Banner + Prompt)); }, 5000);
    }
};

QByteArray memoryDump(int from, int rows)
{
    QByteArray out;
    for (int row = 0; row < rows; ++row) {
        out += QByteArray::number(from + 16 * row, 16).toUpper() + ':';
        for (int i = 0; i < 16; ++i)
            out += " 00";
        out += "\r\n";
    }
    return out;
}

} // namespace

class TestE2ETerminal : public QObject
{
    Q_OBJECT
private slots:
    void startsConnected()
    {
        Session s;
        QVERIFY(s.start());
        QCOMPARE(s.fixture.boxes.shown.size(), 0);
        QCOMPARE(s.panel("Settings"), QStringLiteral("Settings: 9600,n,8,1"));
        QVERIFY(s.window->indicatorShowsConnected());
        QVERIFY(s.window->toolbarButton(QStringLiteral("Run"))->isEnabled());
    }

    void typingWithoutEcho()
    {
        Session s;
        QVERIFY(s.start(false));

        QTest::keyClick(s.window->txtTerm, Qt::Key_Return);
        QTRY_COMPARE(s.board.bytesReceived(), QByteArray("\r"));
        QTRY_COMPARE(s.text(), shown("\r\n" + Banner + Prompt));

        const QString before = s.text();
        QTest::keyClicks(s.window->txtTerm, QStringLiteral("P 4100"));
        QCOMPARE(s.text(), before); // the key itself shows nothing...
        QTRY_COMPARE(s.board.bytesReceived(), QByteArray("\rP 4100"));
        QTRY_COMPARE(s.text(), before + QStringLiteral("P 4100")); // ...the board's echo does

        QTest::keyClick(s.window->txtTerm, Qt::Key_Return);
        QTRY_COMPARE(s.board.bytesReceived(), QByteArray("\rP 4100\r"));
        QTRY_COMPARE(s.text(), before + QStringLiteral("P 4100") + shown("\r\n" + memoryDump(0x4100, 8) + Prompt));
        QCOMPARE(s.window->txtTerm->textCursor().position(), s.text().size());
    }

    void typingWithEcho()
    {
        Session s;
        QVERIFY(s.start(true));
        QVERIFY(s.window->shared().Echo);
        QVERIFY(s.greet());
        QCOMPARE(s.board.bytesReceived(), QByteArray("\r"));
        // The local line break of Enter, then the board's answer.
        QCOMPARE(s.text(), QLatin1Char('\n') + shown("\r\n" + Banner + Prompt));

        const QString greeted = s.text();
        QTest::keyClick(s.window->txtTerm, Qt::Key_R);
        QCOMPARE(s.text(), greeted + QStringLiteral("r")); // local echo at once
        QTRY_COMPARE(s.text(), greeted + QStringLiteral("rr")); // then the board's
        QTest::keyClick(s.window->txtTerm, Qt::Key_Return);
        QTRY_COMPARE(s.board.bytesReceived(), QByteArray("\rr\r"));
        QTRY_VERIFY(s.text().endsWith(shown(Prompt)) && s.text().size() > greeted.size() + 3);
        QVERIFY(s.text().startsWith(greeted + QStringLiteral("rr\n\n00:")));
    }

    // 1 MiB as fast as the pty takes it: the terminal ends with exactly the
    // last part of it, bounded, and the event loop keeps running meanwhile.
    void burstIsShownWithNothingLost()
    {
        Session s;
        QVERIFY(s.start());

        QByteArray burst;
        burst.reserve(1 << 20);
        for (int line = 0; burst.size() < (1 << 20); ++line)
            burst += QByteArray::number(line).rightJustified(7, '0') + " abcdefghijklmnopqrstuvwxyz \xe9\r\n";
        burst.truncate(1 << 20);
        const QString expected = shown(burst);

        QElapsedTimer sinceTick;
        qint64 longestGap = 0;
        QTimer ticker;
        ticker.setInterval(10);
        QObject::connect(&ticker, &QTimer::timeout, &ticker, [&] {
            longestGap = std::max(longestGap, sinceTick.restart());
        });
        QElapsedTimer clock;
        clock.start();
        sinceTick.start();
        ticker.start();
        s.board.send(burst);
        QTRY_VERIFY_WITH_TIMEOUT(s.board.pendingOutput() == 0 && s.text().endsWith(expected.right(300)), 60000);
        ticker.stop();
        const qint64 elapsed = clock.elapsed();
        qInfo("1 MiB shown in %lld ms; longest gap between 10 ms ticks: %lld ms", elapsed, longestGap);
        QVERIFY2(longestGap < 2000, qPrintable(QString::number(longestGap)));

        const QString afterBurst = s.text();
        QVERIFY2(afterBurst.size() >= 11905, qPrintable(QString::number(afterBurst.size())));
        QVERIFY2(expected.endsWith(afterBurst), "the terminal is not the end of what the board sent");

        // One small chunk after the burst bounds what a single chunk may add.
        const QByteArray last = "fin\r\n";
        s.board.send(last);
        QTRY_VERIFY(s.text().endsWith(expected.right(100) + QStringLiteral("fin\n")));
        const QString final = s.text();
        QVERIFY2(final.size() >= 11905 && final.size() <= 16000 + shown(last).size(),
                 qPrintable(QString::number(final.size())));
        QVERIFY((expected + shown(last)).endsWith(final));
        QCOMPARE(s.fixture.boxes.shown.size(), 0);
    }

    void unplugMidSession()
    {
        Session s;
        QVERIFY(s.start());
        QVERIFY(s.greet());

        s.board.hangUp();
        QTRY_COMPARE(s.panel("Settings"), QStringLiteral("Status: Device Removed"));
        QVERIFY(!s.window->serial().PortOpen());
        QVERIFY(!s.window->indicatorShowsConnected());
        QVERIFY(!s.window->toolbarButton(QStringLiteral("Run"))->isEnabled());
        QVERIFY(!s.window->mnuRun->isEnabled());
        QCOMPARE(s.fixture.boxes.shown.size(), 0);

        // Keys now edit the terminal text.
        const QString local = s.text();
        QTest::keyClicks(s.window->txtTerm, QStringLiteral("ab"));
        QCOMPARE(s.text(), local + QStringLiteral("ab"));

        // The board comes back as a new device; the user reconnects.
        QString error;
        QVERIFY2(s.board.open(&error), qPrintable(error));
        s.fixture.settings.mapPort(1, s.board.slavePath());
        s.window->comm();
        QCOMPARE(s.fixture.boxes.shown.size(), 0);
        QVERIFY(s.window->serial().PortOpen());
        QVERIFY(s.window->indicatorShowsConnected());
        QVERIFY(s.window->toolbarButton(QStringLiteral("Run"))->isEnabled());

        const QString reconnected = s.text();
        QTest::keyClick(s.window->txtTerm, Qt::Key_Return);
        QTRY_COMPARE(s.board.bytesReceived(), QByteArray("\r\r"));
        QTRY_COMPARE(s.text(), reconnected + shown("\r\n" + Prompt));
    }

    void closedPortEditsLocallyAndSendsNothing()
    {
        Session s;
        QVERIFY(s.start());
        QVERIFY(s.greet());
        const QByteArray received = s.board.bytesReceived();

        s.window->comm(); // disconnect
        QVERIFY(!s.window->serial().PortOpen());
        const QString before = s.text();
        QTest::keyClicks(s.window->txtTerm, QStringLiteral("xyz"));
        QTest::keyClick(s.window->txtTerm, Qt::Key_Backspace);
        QCOMPARE(s.text(), before + QStringLiteral("xy"));

        // Reconnected, the next key is the only thing the board has received since.
        s.window->comm();
        QVERIFY(s.window->serial().PortOpen());
        QTest::keyClick(s.window->txtTerm, Qt::Key_Q);
        QTRY_COMPARE(s.board.bytesReceived(), received + "q");
    }
};

QTEST_MAIN(TestE2ETerminal)
#include "tst_e2e_terminal.moc"
