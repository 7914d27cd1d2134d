#include "serial/commerrors.h"

#include "ptypair.h"
#include "terminalfixture.h"

#include <QLabel>
#include <QtTest/QTest>

// The connect/disconnect toggle of the real window, on real pseudo-terminals.
namespace {

// Everything the toggle keeps in step with the port.
struct ConnectionState
{
    bool portOpen = false;
    int commPort = 0;
    bool indicatorConnected = false;
    bool uploadButton = false;
    bool uploadMenu = false;
    bool runButton = false;
    bool runMenu = false;

    bool operator==(const ConnectionState &) const = default;
};

ConnectionState stateOf(FrmTerminal &window)
{
    return {window.serial().PortOpen(),
            window.serial().CommPort(),
            window.indicatorShowsConnected(),
            window.toolbarButton(QStringLiteral("TransmitTextFile"))->isEnabled(),
            window.mnuSendText->isEnabled(),
            window.toolbarButton(QStringLiteral("Run"))->isEnabled(),
            window.mnuRun->isEnabled()};
}

MessageRequest withoutDetail(MessageRequest request)
{
    request.informativeText.clear();
    return request;
}

MessageRequest critical(const QString &title, const QString &text)
{
    return {MessageRequest::Icon::Critical, MessageRequest::Buttons::Ok, title, text, {}};
}

void chooseFile(TerminalFixture &fixture)
{
    fixture.chooser.answer = fixture.tempDir.filePath(QStringLiteral("prog.hex"));
    fixture.window->mnuOpenLog_Click();
    QCOMPARE(fixture.window->shared().HexFileTitle, QStringLiteral("prog.hex"));
}

// Whether another program could take the device now (our lock is gone).
bool deviceIsFree(const QString &device)
{
    TempSettings other;
    other.mapPort(1, device);
    MSComm probe(PortResolver(&other.store, noDevices, noConsoles));
    try {
        probe.setPortOpen(true);
    } catch (const Failure &) {
        return false;
    }
    probe.setPortOpen(false);
    return true;
}

} // namespace

namespace QTest {
template <>
char *toString(const ConnectionState &s)
{
    return qstrdup(qPrintable(QStringLiteral("open=%1 port=%2 indicator=%3 upload=%4/%5 run=%6/%7")
                                  .arg(s.portOpen)
                                  .arg(s.commPort)
                                  .arg(s.indicatorConnected ? "connected" : "not connected")
                                  .arg(s.uploadButton)
                                  .arg(s.uploadMenu)
                                  .arg(s.runButton)
                                  .arg(s.runMenu)));
}
} // namespace QTest

class TestConnection : public QObject
{
    Q_OBJECT
private slots:
    void toggle_data();
    void toggle();
    void startUpOpenedPortClosesOnFirstClick();
    void unavailablePort_data();
    void unavailablePort();
    void otherFailureShowsItsNumber();
};

void TestConnection::toggle_data()
{
    QTest::addColumn<bool>("startOpen");
    QTest::addColumn<bool>("fileChosen");
    QTest::addColumn<ConnectionState>("expected");
    // Closed and no file: upload stays disabled while run follows the port.
    QTest::newRow("closed, no file") << false << false << ConnectionState{true, 1, true, false, false, true, true};
    QTest::newRow("closed, file chosen") << false << true << ConnectionState{true, 1, true, true, true, true, true};
    QTest::newRow("open, no file") << true << false << ConnectionState{false, 1, false, false, false, false, false};
    // Closing disables upload even though a file has been chosen.
    QTest::newRow("open, file chosen") << true << true << ConnectionState{false, 1, false, false, false, false, false};
}

void TestConnection::toggle()
{
    QFETCH(bool, startOpen);
    QFETCH(bool, fileChosen);
    QFETCH(ConnectionState, expected);

    PtyPair pty;
    QVERIFY(pty.isValid());
    TerminalFixture fixture;
    fixture.settings.mapPort(1, pty.slavePath());
    FrmTerminal &window = startOpen ? fixture.start() : fixture.create();
    QCOMPARE(window.serial().PortOpen(), startOpen);
    if (fileChosen)
        chooseFile(fixture);

    window.tbrToolBar_ButtonClick(QStringLiteral("comm"));

    QCOMPARE(fixture.boxes.shown.size(), 0);
    QCOMPARE(stateOf(window), expected);
    QVERIFY(window.mnuVisu->isEnabled() == fileChosen); // the view needs no port
    if (expected.portOpen) {
        // The mapped device itself is open: what the window sends arrives.
        window.serial().Output(QStringLiteral("A"));
        QCOMPARE(pty.readAtLeast(1), QByteArray("A"));
        QVERIFY(!deviceIsFree(pty.slavePath()));
    } else {
        QVERIFY(deviceIsFree(pty.slavePath()));
    }

    // The next click does the opposite, from the real state.
    window.comm();
    QCOMPARE(window.serial().PortOpen(), !expected.portOpen);
    QCOMPARE(window.indicatorShowsConnected(), !expected.portOpen);
    QCOMPARE(fixture.boxes.shown.size(), 0);
}

// The toggle reads the port, not the indicator: a stale indicator does not
// make the first click open an open port.
void TestConnection::startUpOpenedPortClosesOnFirstClick()
{
    PtyPair pty;
    TerminalFixture fixture;
    fixture.settings.mapPort(1, pty.slavePath());
    FrmTerminal &window = fixture.start();
    QVERIFY(window.serial().PortOpen());
    window.imgNotConnected->raise();
    QVERIFY(!window.indicatorShowsConnected());

    window.comm();
    QCOMPARE(fixture.boxes.shown.size(), 0);
    QCOMPARE(stateOf(window), (ConnectionState{false, 1, false, false, false, false, false}));
}

void TestConnection::unavailablePort_data()
{
    QTest::addColumn<int>("port");
    QTest::addColumn<bool>("held");
    QTest::addColumn<QString>("message");
    QTest::newRow("held by another opener") << 1 << true << "Port COM 1 pas disponible !";
    QTest::newRow("no device for the number") << 3 << false << "Port COM 3 pas disponible !";
}

// 8005 or 8002: the box, and nothing else changes; the next click retries.
void TestConnection::unavailablePort()
{
    QFETCH(int, port);
    QFETCH(bool, held);
    QFETCH(QString, message);

    PtyPair pty;
    TerminalFixture fixture;
    fixture.settings.mapPort(1, pty.slavePath());
    FrmTerminal &window = fixture.start();
    chooseFile(fixture);
    window.comm(); // closed, all four disabled: a failed open must not enable them
    window.serial().setCommPort(port);

    TempSettings other;
    other.mapPort(1, pty.slavePath());
    MSComm holder(PortResolver(&other.store, noDevices, noConsoles));
    if (held)
        holder.setPortOpen(true);

    const ConnectionState before = stateOf(window);
    fixture.boxes.shown.clear();
    window.comm();
    QCOMPARE(fixture.boxes.shown.size(), 1);
    QCOMPARE(withoutDetail(fixture.boxes.shown.first()), critical(QStringLiteral("ERREUR"), message));
    QVERIFY(!fixture.boxes.shown.first().informativeText.isEmpty());
    QCOMPARE(stateOf(window), before);

    // Once the port is there, the very next click opens it.
    if (held)
        holder.setPortOpen(false);
    else
        fixture.settings.mapPort(port, pty.slavePath());
    fixture.boxes.shown.clear();
    window.comm();
    QCOMPARE(fixture.boxes.shown.size(), 0);
    QCOMPARE(stateOf(window), (ConnectionState{true, port, true, true, true, true, true}));
}

// Line settings the host cannot do (4 data bits) make the open fail with
// 8015: reported by number, with an empty title.
void TestConnection::otherFailureShowsItsNumber()
{
    PtyPair pty;
    TerminalFixture fixture;
    fixture.settings.mapPort(1, pty.slavePath());
    fixture.settings.storeProperties(QStringLiteral("9600,n,4,1"), QStringLiteral("1"), QStringLiteral("0"),
                                     QStringLiteral("False"));
    FrmTerminal &window = fixture.start();
    QVERIFY(!window.serial().PortOpen());

    const ConnectionState before = stateOf(window);
    fixture.boxes.shown.clear();
    window.comm();
    QCOMPARE(fixture.boxes.shown.size(), 1);
    const MessageRequest box = fixture.boxes.shown.first();
    QCOMPARE(withoutDetail(box), critical(QString(), QStringLiteral("Erreur N° 8015")));
    QCOMPARE(box.informativeText, commerrors::couldNotSetCommState().description());
    QCOMPARE(stateOf(window), before);
    QVERIFY(deviceIsFree(pty.slavePath()));
}

QTEST_MAIN(TestConnection)
#include "tst_connection.moc"
