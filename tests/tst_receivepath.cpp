#include "terminal/statuspanels.h"

#include "ptypair.h"
#include "simulatedboard.h"
#include "terminalfixture.h"

#include <QPlainTextEdit>
#include <QSignalSpy>
#include <QtTest/QTest>

namespace {

const QString BoxTitle = QStringLiteral("Click Cancel to quit, OK to ignore.");

MessageRequest errorBoxFor(const QString &message)
{
    return {MessageRequest::Icon::None, MessageRequest::Buttons::OkCancel, BoxTitle, message, {}};
}

QString panel(FrmTerminal &window, const char *key)
{
    return window.sbrStatus->panelText(QLatin1String(key));
}

// The main window started on port 1, mapped to a pty the test plays the
// board on.
struct OpenTerminal
{
    PtyPair pty;
    TerminalFixture fixture;
    FrmTerminal *window = nullptr;

    OpenTerminal()
    {
        fixture.settings.mapPort(1, pty.slavePath());
        window = &fixture.start();
    }
    QString text() const { return window->txtTerm->toPlainText(); }
};

} // namespace

class TestReceivePath : public QObject
{
    Q_OBJECT
private slots:
    void codes_data()
    {
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("event"); // status of a line event: no box
        QTest::addColumn<QString>("error"); // status and box of an error
        QTest::newRow("1 nothing") << 1 << QString() << QString();
        QTest::newRow("2 with nothing arrived") << 2 << QString() << QString();
        const QList<std::pair<int, const char *>> events = {{3, "Change in CTS Detected"},
                                                            {4, "Change in DSR Detected"},
                                                            {5, "Change in CD Detected"},
                                                            {6, "The Phone is Ringing"},
                                                            {7, "End of File Detected"}};
        for (const auto &[code, message] : events)
            QTest::addRow("%d event", code) << code << QString::fromLatin1(message) << QString();
        const QList<std::pair<int, const char *>> errors = {{1001, "Break Received"},
                                                            {1002, "CTS Timeout"},
                                                            {1003, "DSR Timeout"},
                                                            {1004, "Framing Error"},
                                                            {1005, "Unknown error or event"},
                                                            {1006, "Overrun Error"},
                                                            {1007, "Carrier Detect Timeout"},
                                                            {1008, "Receive Buffer Overflow"},
                                                            {1009, "Parity Error"},
                                                            {1010, "Transmit Buffer Full"},
                                                            {1011, "Error retrieving DCB"},
                                                            {0, "Unknown error or event"},
                                                            {8, "Unknown error or event"},
                                                            {9999, "Unknown error or event"},
                                                            {-1, "Unknown error or event"}};
        for (const auto &[code, message] : errors)
            QTest::addRow("%d error", code) << code << QString() << QString::fromLatin1(message);
    }
    void codes()
    {
        QFETCH(int, code);
        QFETCH(QString, event);
        QFETCH(QString, error);
        OpenTerminal t;
        FrmTerminal &window = *t.window;
        window.txtTerm->setPlainText(QStringLiteral("before"));
        const QString settings = panel(window, "Settings");

        // Timer2 starts only once the box has been closed.
        bool timer2RanWhileOpen = true;
        QString panelWhileOpen;
        t.fixture.boxes.whileOpen = [&](const MessageRequest &) {
            timer2RanWhileOpen = window.Timer2.isActive();
            panelWhileOpen = panel(window, "Settings");
        };

        window.serial().raiseCommEvent(code);

        const QString message = event.isEmpty() ? error : event;
        if (message.isEmpty()) {
            QCOMPARE(panel(window, "Settings"), settings);
            QVERIFY(!window.Timer2.isActive());
        } else {
            QCOMPARE(panel(window, "Settings"), QStringLiteral("Status: ") + message);
            QVERIFY(window.Timer2.isActive());
        }
        if (error.isEmpty()) {
            QCOMPARE(t.fixture.boxes.shown.size(), 0);
        } else {
            QCOMPARE(t.fixture.boxes.shown.size(), 1);
            QCOMPARE(t.fixture.boxes.shown.first(), errorBoxFor(error));
            QVERIFY(!timer2RanWhileOpen);
            QCOMPARE(panelWhileOpen, QStringLiteral("Status: ") + error);
        }
        // OK only closes the box: window and port go on, the text is untouched
        // (data sent afterwards lands right after it, once any edit is applied).
        QVERIFY(window.serial().PortOpen());
        t.pty.write("!");
        QTRY_COMPARE(t.text(), QStringLiteral("before!"));
    }

    void cancelClosesTheWindow()
    {
        OpenTerminal t;
        FrmTerminal &window = *t.window;
        QSignalSpy closed(&window, &FrmTerminal::closed);
        t.fixture.boxes.answer = MessageAnswer::Cancel;
        window.serial().raiseCommEvent(1009);
        QCOMPARE(t.fixture.boxes.shown.size(), 1);
        QCOMPARE(closed.count(), 1);
        QVERIFY(!window.serial().PortOpen());
        // One poll of the line can carry several errors: none comes after the close.
        window.serial().raiseCommEvent(1004);
        QCOMPARE(t.fixture.boxes.shown.size(), 1);
        QCOMPARE(closed.count(), 1);
    }

    void okKeepsTheWindowAndLaterErrorsShowAgain()
    {
        OpenTerminal t;
        FrmTerminal &window = *t.window;
        QSignalSpy closed(&window, &FrmTerminal::closed);
        window.serial().raiseCommEvent(1004);
        window.serial().raiseCommEvent(1006);
        QCOMPARE(closed.count(), 0);
        QVERIFY(window.serial().PortOpen());
        QCOMPARE(t.fixture.boxes.shown, (QList<MessageRequest>{errorBoxFor(QStringLiteral("Framing Error")),
                                                               errorBoxFor(QStringLiteral("Overrun Error"))}));
    }

    // A line at the wrong speed sends error after error: while one box is
    // open, later errors only update the panel, and received text still
    // reaches the terminal without a beep or a second status.
    void oneErrorBoxAtATime()
    {
        OpenTerminal t;
        FrmTerminal &window = *t.window;
        int opened = 0;
        t.fixture.boxes.whileOpen = [&](const MessageRequest &) {
            if (++opened > 1)
                return;
            window.serial().raiseCommEvent(1009);
            QCOMPARE(panel(window, "Settings"), QStringLiteral("Status: Parity Error"));
            window.serial().raiseCommEvent(1001);
            t.pty.write("abc\r\n");
            QTRY_COMPARE(t.text(), QStringLiteral("abc\n"));
        };
        window.serial().raiseCommEvent(1004);
        QCOMPARE(opened, 1);
        QCOMPARE(t.fixture.boxes.shown, QList<MessageRequest>{errorBoxFor(QStringLiteral("Framing Error"))});
        QCOMPARE(panel(window, "Settings"), QStringLiteral("Status: Break Received"));
        QVERIFY(window.Timer2.isActive());
        QVERIFY(window.serial().PortOpen());

        // The box is closed: the next error shows one again.
        window.serial().raiseCommEvent(1006);
        QCOMPARE(opened, 2);
        QCOMPARE(t.fixture.boxes.shown.last(), errorBoxFor(QStringLiteral("Overrun Error")));
    }

    void receivedTextIsDisplayed()
    {
        OpenTerminal t;
        FrmTerminal &window = *t.window;
        // 8-bit text, and 0x1A is ordinary data (end-of-file detection is off).
        t.pty.write(QByteArray("ok\r\n\xe9t\xe9 \x1a!", 11));
        QTRY_COMPARE(t.text(), QString::fromLatin1(QByteArray("ok\n\xe9t\xe9 \x1a!", 10)));
        QCOMPARE(panel(window, "Settings"), QStringLiteral("Settings: 9600,n,8,1"));
        QVERIFY(!window.Timer2.isActive());
        QCOMPARE(t.fixture.boxes.shown.size(), 0);
    }

    // During an upload the board's answers go to BoardReply, each replacing
    // the one before, and nothing is shown.
    void receivedTextGoesToBoardReplyDuringATransfer()
    {
        OpenTerminal t;
        FrmTerminal &window = *t.window;
        window.txtTerm->setPlainText(QStringLiteral("shown"));
        window.shared().TransferActive = true;
        window.shared().BoardReply = 0;

        QSignalSpy notified(&window.serial(), &MSComm::OnComm);
        t.pty.write("first");
        QTRY_COMPARE(boardReplyText(window.shared().BoardReply), QStringLiteral("first"));
        t.pty.write("second");
        QTRY_VERIFY(!boardReplyIsNumber(window.shared().BoardReply, 0)
                    && boardReplyText(window.shared().BoardReply) != QLatin1String("first"));
        QCOMPARE(boardReplyText(window.shared().BoardReply), QStringLiteral("second"));
        QVERIFY(notified.count() >= 2);
        QCOMPARE(t.text(), QStringLiteral("shown"));

        window.shared().TransferActive = false;
        t.pty.write("after");
        QTRY_COMPARE(t.text(), QStringLiteral("shownafter"));
        QCOMPARE(boardReplyText(window.shared().BoardReply), QStringLiteral("second"));
    }

    // The far end vanishes (adapter pulled, board hung up): reported, the
    // port closed, upload and run off; the program goes on and reconnects
    // once a device is there again.
    void deviceRemovedAndReconnected_data()
    {
        QTest::addColumn<bool>("simulatedBoard");
        QTest::newRow("pty") << false;
        QTest::newRow("simulated board") << true;
    }
    void deviceRemovedAndReconnected()
    {
        QFETCH(bool, simulatedBoard);
        PtyPair pty;
        SimulatedBoard board;
        QString error;
        QVERIFY2(board.open(&error), qPrintable(error));
        TerminalFixture fixture;
        fixture.settings.mapPort(1, simulatedBoard ? board.slavePath() : pty.slavePath());
        fixture.chooser.answer = QFINDTESTDATA("data/blink_sdcc.hex");
        FrmTerminal &window = fixture.start();
        QVERIFY(window.serial().PortOpen());
        window.mnuOpenLog_Click();
        QVERIFY(window.toolbarButton(QStringLiteral("TransmitTextFile"))->isEnabled());

        QSignalSpy lost(&window.serial(), &MSComm::deviceLost);
        if (simulatedBoard)
            board.hangUp();
        else
            pty.hangUp();
        QTRY_COMPARE(panel(window, "Settings"), QStringLiteral("Status: Device Removed"));
        QCOMPARE(lost.count(), 1);
        QVERIFY(!window.serial().PortOpen());
        QVERIFY(!window.indicatorShowsConnected());
        for (const char *key : {"TransmitTextFile", "Run"})
            QVERIFY2(!window.toolbarButton(QLatin1String(key))->isEnabled(), key);
        QVERIFY(!window.mnuSendText->isEnabled());
        QVERIFY(!window.mnuRun->isEnabled());
        QCOMPARE(fixture.boxes.shown.size(), 0);
        QVERIFY(window.Timer2.isActive());
        QVERIFY(!lost.wait(100)); // reported once, no flood

        // A new device under the same port number.
        PtyPair again;
        fixture.settings.mapPort(1, again.slavePath());
        window.comm();
        QCOMPARE(fixture.boxes.shown.size(), 0);
        QVERIFY(window.serial().PortOpen());
        QVERIFY(window.indicatorShowsConnected());
        for (const char *key : {"TransmitTextFile", "Run"})
            QVERIFY2(window.toolbarButton(QLatin1String(key))->isEnabled(), key);
        QVERIFY(window.mnuSendText->isEnabled());
        QVERIFY(window.mnuRun->isEnabled());
        again.write("back");
        QTRY_VERIFY(window.txtTerm->toPlainText().endsWith(QLatin1String("back")));
        QTest::keyClick(window.txtTerm, Qt::Key_A, Qt::NoModifier);
        QCOMPARE(again.readAtLeast(1), QByteArray("a"));
    }
};

QTEST_MAIN(TestReceivePath)
#include "tst_receivepath.moc"
