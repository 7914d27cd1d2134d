// SPDX-License-Identifier: GPL-3.0-or-later
#include "ptypair.h"
#include "terminalfixture.h"

#include <QApplication>
#include <QLabel>
#include <QSignalSpy>
#include <QTimer>
#include <QtTest/QTest>

namespace {

MessageRequest lineErrorBox(const QString &message)
{
    return {MessageRequest::Icon::None,
            MessageRequest::Buttons::OkCancel,
            QStringLiteral("Click Cancel to quit, OK to ignore."),
            message,
            QString(),
            true};
}

// The main window started on port 1, mapped to a pty the test plays the board on.
struct OpenTerminal
{
    PtyPair pty;
    TerminalFixture fixture;
    FrmTerminal &window;
    OpenTerminal() : window((fixture.settings.mapPort(1, pty.slavePath()), fixture.start())) {}
    QString text() const { return terminalText(window); }
    QString status() const { return panelText(window, "Settings"); }
    void raise(int code) { window.serial().raiseCommEvent(CommEventCode(code)); }
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
            {1, ""}, {3, "Change in CTS Detected"}, {4, "Change in DSR Detected"},
            {5, "Change in CD Detected"}, {6, "The Phone is Ringing"}, {7, "End of File Detected"},
            {1001, "Break Received"}, {1002, "CTS Timeout"}, {1003, "DSR Timeout"}, {1004, "Framing Error"},
            {1005, "Unknown error or event"}, {1006, "Overrun Error"}, {1007, "Carrier Detect Timeout"},
            {1008, "Receive Buffer Overflow"}, {1009, "Parity Error"}, {1010, "Transmit Buffer Full"},
            {1011, "Error retrieving DCB"}, {8, "Unknown error or event"}};
        // clang-format on
        for (const auto &[code, message] : codes)
            QTest::addRow("%d", code) << code << QString::fromLatin1(message);
    }
    void codes()
    {
        QFETCH(int, code);
        QFETCH(QString, message);
        const bool box = code > 7;
        OpenTerminal t;
        const QString settings = t.status();
        t.raise(code);
        QCOMPARE(t.status(), message.isEmpty() ? settings : QStringLiteral("Status: ") + message);
        QCOMPARE(t.fixture.boxes.shown, box ? QList<MessageRequest>{lineErrorBox(message)} : QList<MessageRequest>{});
        // OK only closes the box: port and text go on. 8-bit data, and 0x1A is ordinary data.
        t.pty.write("\xe9\x1a!");
        QTRY_COMPARE(t.text(), QString::fromLatin1("\xe9\x1a!"));
    }

    // The real box answers OK to Escape and to its close box, as the fake above does.
    void realBoxDismissedMeansOk()
    {
        for (bool byEscape : {true, false}) {
            QTimer::singleShot(0, [byEscape] {
                QWidget *box = QApplication::activeModalWidget();
                QVERIFY(box);
                byEscape ? QTest::keyClick(box, Qt::Key_Escape) : void(box->close());
            });
            QtMessageBoxes boxes;
            QCOMPARE(boxes.show(nullptr, lineErrorBox(QStringLiteral("Framing Error"))), MessageAnswer::Ok);
        }
    }

    // A line at the wrong speed sends error after error: while one box is open,
    // later errors only update the status, and received text is still shown.
    // OK, Escape and the close box only close the box; the Cancel button quits.
    void oneErrorBoxAtATime()
    {
        OpenTerminal t;
        QSignalSpy closed(&t.window, &FrmTerminal::closed);
        int opened = 0;
        t.fixture.boxes.whileOpen = [&](const MessageRequest &) {
            if (++opened > 1)
                return;
            QCOMPARE(t.status(), QStringLiteral("Status: Framing Error")); // shown before the box
            t.raise(1009);
            QCOMPARE(t.status(), QStringLiteral("Status: Parity Error"));
            QCOMPARE(t.fixture.beeps, 2); // no second box, but the beep
            t.pty.write("abc\r\n");
            QTRY_COMPARE(t.text(), QStringLiteral("abc\n"));
        };
        t.raise(1004);
        QCOMPARE(t.fixture.boxes.shown, QList<MessageRequest>{lineErrorBox(QStringLiteral("Framing Error"))});
        QCOMPARE(t.status(), QStringLiteral("Status: Parity Error"));
        // The box is closed: the next error shows one again.
        t.fixture.boxes.dismiss = true;
        t.raise(1006);
        QCOMPARE(t.fixture.boxes.shown.last(), lineErrorBox(QStringLiteral("Overrun Error")));
        QVERIFY(closed.isEmpty() && t.window.serial().PortOpen());
        t.fixture.boxes.dismiss = false;
        t.fixture.boxes.answer = MessageAnswer::Cancel;
        t.raise(1009);
        QVERIFY(closed.count() == 1 && !t.window.serial().PortOpen());
    }
};

QTEST_MAIN(TestReceivePath)
#include "tst_receivepath.moc"
