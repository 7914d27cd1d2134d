#include "ptypair.h"
#include "terminalfixture.h"

#include <QLabel>
#include <QtTest/QTest>

// The connect/disconnect toggle of the real window, on real pseudo-terminals.
class TestConnection : public QObject
{
    Q_OBJECT
    // Everything the toggle keeps in step with the port.
    static QString stateOf(FrmTerminal &window)
    {
        return QStringLiteral("open=%1 port=%2 indicator=%3 upload=%4/%5 run=%6/%7")
            .arg(window.serial().PortOpen())
            .arg(window.serial().CommPort())
            .arg(window.indicatorShowsConnected())
            .arg(window.toolbarButton(QStringLiteral("TransmitTextFile"))->isEnabled())
            .arg(window.mnuSendText->isEnabled())
            .arg(window.toolbarButton(QStringLiteral("Run"))->isEnabled())
            .arg(window.mnuRun->isEnabled());
    }
    static void chooseFile(TerminalFixture &fixture)
    {
        fixture.chooser.answer = fixture.tempDir.filePath(QStringLiteral("prog.hex"));
        fixture.window->mnuOpenLog_Click();
    }

private slots:
    void toggle_data()
    {
        QTest::addColumn<bool>("startOpen");
        QTest::addColumn<bool>("fileChosen");
        QTest::addColumn<QString>("expected");
        const QString closed = QStringLiteral("open=0 port=1 indicator=0 upload=0/0 run=0/0");
        // Upload needs a file to open; run follows the port alone.
        QTest::newRow("closed, no file") << false << false << "open=1 port=1 indicator=1 upload=0/0 run=1/1";
        QTest::newRow("closed, file chosen") << false << true << "open=1 port=1 indicator=1 upload=1/1 run=1/1";
        QTest::newRow("open, no file") << true << false << closed;
        QTest::newRow("open, file chosen") << true << true << closed;
    }
    void toggle()
    {
        QFETCH(bool, startOpen);
        QFETCH(bool, fileChosen);
        QFETCH(QString, expected);
        PtyPair pty;
        TerminalFixture fixture;
        fixture.settings.mapPort(1, pty.slavePath());
        FrmTerminal &window = startOpen ? fixture.start() : fixture.create();
        if (fileChosen)
            chooseFile(fixture);
        // A stale indicator must not make the first click after start-up open an open port.
        window.imgNotConnected->raise();

        window.tbrToolBar_ButtonClick(QStringLiteral("comm"));
        QVERIFY(fixture.boxes.shown.isEmpty());
        QCOMPARE(stateOf(window), expected);
        QCOMPARE(window.mnuVisu->isEnabled(), fileChosen); // the view needs no port
        window.comm();
        QCOMPARE(window.serial().PortOpen(), startOpen);
        QCOMPARE(window.indicatorShowsConnected(), startOpen);
        QVERIFY(fixture.boxes.shown.isEmpty());
    }

    void failedOpen_data()
    {
        QTest::addColumn<QString>("cause");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("text");
        // clang-format off
        QTest::newRow("port held by another opener") << "held" << "ERREUR" << "Port COM 1 pas disponible !";
        QTest::newRow("no device for the number") << "absent" << "ERREUR" << "Port COM 3 pas disponible !";
        // Line settings the host cannot do fail the open with 8015.
        QTest::newRow("4 data bits") << "4 data bits" << "" << "Erreur N° 8015";
        // clang-format on
    }
    // The box, and nothing else changes; once the cause is gone, the next click opens.
    void failedOpen()
    {
        QFETCH(QString, cause);
        QFETCH(QString, title);
        QFETCH(QString, text);
        PtyPair pty;
        TerminalFixture fixture;
        fixture.settings.mapPort(1, pty.slavePath());
        FrmTerminal &window = fixture.start();
        chooseFile(fixture);
        window.comm(); // closed: every control disabled, so a failed open cannot hide
        const int port = cause == QLatin1String("absent") ? 3 : 1;
        window.serial().setCommPort(port);
        if (cause == QLatin1String("4 data bits"))
            window.serial().setSettings(QStringLiteral("9600,n,4,1"));
        MSComm holder(PortResolver(&fixture.settings.store, noDevices, noConsoles)); // another program
        if (cause == QLatin1String("held"))
            holder.setPortOpen(true);
        const QString before = stateOf(window);

        window.comm();
        QCOMPARE(fixture.boxes.shown.size(), 1);
        const MessageRequest box = fixture.boxes.shown.first();
        QCOMPARE(box.icon, MessageRequest::Icon::Critical);
        QCOMPARE(box.title + '|' + box.text, title + '|' + text);
        QVERIFY(!box.informativeText.isEmpty()); // the system's reason
        QCOMPARE(stateOf(window), before);

        holder.setPortOpen(false);
        fixture.settings.mapPort(3, pty.slavePath());
        window.serial().setSettings(QStringLiteral("9600,n,8,1"));
        fixture.boxes.shown.clear();
        window.comm();
        QVERIFY(fixture.boxes.shown.isEmpty());
        QCOMPARE(stateOf(window), QStringLiteral("open=1 port=%1 indicator=1 upload=1/1 run=1/1").arg(port));
    }
};

QTEST_MAIN(TestConnection)
#include "tst_connection.moc"
