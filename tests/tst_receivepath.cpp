#include "terminal/statuspanels.h"

#include "ptypair.h"
#include "terminalfixture.h"

#include <QPlainTextEdit>
#include <QSignalSpy>
#include <QtTest/QTest>

namespace {

MessageRequest lineErrorBox(const QString &message)
{
    return {MessageRequest::Icon::None, MessageRequest::Buttons::OkCancel,
            QStringLiteral("Click Cancel to quit, OK to ignore."), message, QString()};
}

// The main window started on port 1, mapped to a pty the test plays the board on.
struct OpenTerminal
{
    PtyPair pty;
    TerminalFixture fixture;
    FrmTerminal &window;

    OpenTerminal() : window((fixture.settings.mapPort(1, pty.slavePath()), fixture.start())) {}
    QString text() const { return window.txtTerm->toPlainText(); }
    QString status() const { return window.sbrStatus->panelText(QStringLiteral("Settings")); }
};

} // namespace

class TestReceivePath : public QObject
{
    Q_OBJECT
private slots:
    // Codes 1 to 7 are line events (no box), the rest errors.
    void codes_data()
    {
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("message"); // empty: nothing to report
        // clang-format off
        const QList<std::pair<int, const char *>> codes = {
            {1, ""}, {2, ""}, {3, "Change in CTS Detected"}, {4, "Change in DSR Detected"},
            {5, "Change in CD Detected"}, {6, "The Phone is Ringing"}, {7, "End of File Detected"},
            {1001, "Break Received"}, {1002, "CTS Timeout"}, {1003, "DSR Timeout"}, {1004, "Framing Error"},
            {1005, "Unknown error or event"}, {1006, "Overrun Error"}, {1007, "Carrier Detect Timeout"},
            {1008, "Receive Buffer Overflow"}, {1009, "Parity Error"}, {1010, "Transmit Buffer Full"},
            {1011, "Error retrieving DCB"}, {0, "Unknown error or event"}, {8, "Unknown error or event"},
            {9999, "Unknown error or event"}, {-1, "Unknown error or event"}};
        // clang-format on
        for (const auto &[code, message] : codes)
            QTest::addRow("%d", code) << code << QString::fromLatin1(message);
    }
    void codes()
    {
        QFETCH(int, code);
        QFETCH(QString, message);
        const bool box = code < 1 || code > 7;
        OpenTerminal t;
        t.window.txtTerm->setPlainText(QStringLiteral("before"));
        const QString settings = t.status();
        t.window.serial().raiseCommEvent(code);
        QCOMPARE(t.status(), message.isEmpty() ? settings : QStringLiteral("Status: ") + message);
        QCOMPARE(t.window.Timer2.isActive(), !message.isEmpty());
        QCOMPARE(t.fixture.boxes.shown, box ? QList<MessageRequest>{lineErrorBox(message)} : QList<MessageRequest>{});
        // OK only closes the box: port and text go on. 8-bit data, and 0x1A is ordinary data.
        t.pty.write("\xe9\x1a!");
        QTRY_COMPARE(t.text(), QString::fromLatin1("before\xe9\x1a!"));
    }

    void cancelClosesTheWindow()
    {
        OpenTerminal t;
        QSignalSpy closed(&t.window, &FrmTerminal::closed);
        t.fixture.boxes.answer = MessageAnswer::Cancel;
        t.window.serial().raiseCommEvent(1009);
        QCOMPARE(closed.count(), 1);
        QVERIFY(!t.window.serial().PortOpen());
        // One poll of the line can carry several errors: none comes after the close.
        t.window.serial().raiseCommEvent(1004);
        QCOMPARE(t.fixture.boxes.shown.size(), 1);
        QCOMPARE(closed.count(), 1);
    }

    // A line at the wrong speed sends error after error: while one box is open,
    // later errors only update the status, and received text is still shown.
    void oneErrorBoxAtATime()
    {
        OpenTerminal t;
        int opened = 0;
        t.fixture.boxes.whileOpen = [&](const MessageRequest &) {
            if (++opened > 1)
                return;
            QCOMPARE(t.status(), QStringLiteral("Status: Framing Error")); // shown before the box
            QVERIFY(!t.window.Timer2.isActive());                          // started once the box is closed
            t.window.serial().raiseCommEvent(1009);
            QCOMPARE(t.status(), QStringLiteral("Status: Parity Error"));
            t.window.serial().raiseCommEvent(1001);
            t.pty.write("abc\r\n");
            QTRY_COMPARE(t.text(), QStringLiteral("abc\n"));
        };
        t.window.serial().raiseCommEvent(1004);
        QCOMPARE(t.fixture.boxes.shown, QList<MessageRequest>{lineErrorBox(QStringLiteral("Framing Error"))});
        QCOMPARE(t.status(), QStringLiteral("Status: Break Received"));
        QVERIFY(t.window.Timer2.isActive());
        // The box is closed: the next error shows one again.
        t.window.serial().raiseCommEvent(1006);
        QCOMPARE(t.fixture.boxes.shown.last(), lineErrorBox(QStringLiteral("Overrun Error")));
    }

    // During an upload each arrival replaces BoardReply, and nothing is shown.
    void boardReplyDuringATransfer()
    {
        OpenTerminal t;
        SharedValues &shared = t.window.shared();
        shared.TransferActive = true;
        t.pty.write("first");
        QTRY_COMPARE(boardReplyText(shared.BoardReply), QStringLiteral("first"));
        t.pty.write("second");
        QTRY_VERIFY(boardReplyText(shared.BoardReply) != QLatin1String("first"));
        QCOMPARE(boardReplyText(shared.BoardReply), QStringLiteral("second"));
        QCOMPARE(t.text(), QString());
    }
};

QTEST_MAIN(TestReceivePath)
#include "tst_receivepath.moc"
