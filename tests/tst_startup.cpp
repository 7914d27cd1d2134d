#include "serial/commerrors.h"
#include "terminal/statuspanels.h"

#include "ptypair.h"
#include "terminalfixture.h"

#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QSignalSpy>
#include <QToolBar>
#include <QtTest/QTest>

namespace {

MessageRequest critical(const QString &title, const QString &text)
{
    return {MessageRequest::Icon::Critical, MessageRequest::Buttons::Ok, title, text, {}};
}

// The box without the system's reason, which depends on the machine.
MessageRequest withoutDetail(MessageRequest request)
{
    request.informativeText.clear();
    return request;
}

QString panel(FrmTerminal &window, const char *key)
{
    return window.sbrStatus->panelText(QLatin1String(key));
}

} // namespace

class TestStartup : public QObject
{
    Q_OBJECT
private slots:
    void allStoredAndPortFree()
    {
        PtyPair pty;
        TerminalFixture fixture;
        fixture.settings.mapPort(1, pty.slavePath());
        fixture.settings.storeProperties(QStringLiteral("9600,N,8,1"), QStringLiteral("1"), QStringLiteral("0"),
                                         QStringLiteral("True"));
        FrmTerminal &window = fixture.start();
        QCOMPARE(fixture.boxes.shown.size(), 0);
        QVERIFY(window.serial().PortOpen());
        QCOMPARE(panel(window, "Settings"), QStringLiteral("Settings: 9600,n,8,1"));
        QVERIFY(window.indicatorShowsConnected());
        QVERIFY(window.shared().Echo);
        QCOMPARE(window.shared().StartAddress, QStringLiteral("4100"));
        QCOMPARE(window.windowTitle(), QStringLiteral("KORVEX Terminal"));
        QCOMPARE(window.txtTerm->palette().color(QPalette::Text), QColor(0, 0, 255));
    }

    // A first start: nothing stored, so port 1 with the initial values.
    void firstStartOpensPortOne()
    {
        PtyPair pty;
        TerminalFixture fixture;
        fixture.settings.mapPort(1, pty.slavePath());
        FrmTerminal &window = fixture.start();
        QCOMPARE(fixture.boxes.shown.size(), 0);
        QVERIFY(window.serial().PortOpen());
        QVERIFY(!window.shared().Echo);
        QCOMPARE(panel(window, "Settings"), QStringLiteral("Settings: 9600,n,8,1"));
    }

    void firstStartWithoutAnyDevice()
    {
        TerminalFixture fixture;
        FrmTerminal &window = fixture.start();
        QCOMPARE(fixture.boxes.shown.size(), 1);
        QCOMPARE(withoutDetail(fixture.boxes.shown.first()),
                 critical(QStringLiteral("ERREUR"), QStringLiteral("Port COM 1 pas disponible !")));
        QVERIFY(!fixture.boxes.shown.first().informativeText.isEmpty());
        QVERIFY(!window.serial().PortOpen());
        QVERIFY(!window.indicatorShowsConnected());
        QVERIFY(!window.toolbarButton(QStringLiteral("Run"))->isEnabled());
    }

    void failures_data()
    {
        QTest::addColumn<QString>("settings");
        QTest::addColumn<QString>("port");
        QTest::addColumn<QString>("handshaking");
        QTest::addColumn<QString>("echo");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("settingsPanel");
        QTest::addColumn<QString>("appliedSettings");
        QTest::newRow("unmapped port") << "4800,e,7,2" << "5" << "0" << "False" << "ERREUR"
                                       << "Port COM 5 pas disponible !" << "Settings: 4800,e,7,2" << "4800,e,7,2";
        QTest::newRow("garbage port number") << "4800,e,7,2" << "abc" << "0" << "False" << ""
                                             << "Erreur N° 13" << "Settings:" << "4800,e,7,2";
        QTest::newRow("port number too big") << "9600,n,8,1" << "99999" << "0" << "False" << ""
                                             << "Erreur N° 6" << "Settings:" << "9600,n,8,1";
        QTest::newRow("port number out of range") << "9600,n,8,1" << "-1" << "0" << "False" << ""
                                                  << "Erreur N° 380" << "Settings:" << "9600,n,8,1";
        QTest::newRow("ill-formed settings") << "9600,x,8,1" << "1" << "0" << "False" << ""
                                             << "Erreur N° 380" << "Settings:" << "9600,n,8,1";
        QTest::newRow("flow control out of range") << "9600,n,8,1" << "1" << "7" << "False" << ""
                                                   << "Erreur N° 380" << "Settings:" << "9600,n,8,1";
        QTest::newRow("echo that does not convert") << "9600,n,8,1" << "1" << "0" << "maybe" << ""
                                                     << "Erreur N° 13" << "Settings:" << "9600,n,8,1";
        QTest::newRow("four data bits cannot open") << "9600,n,4,1" << "1" << "0" << "False" << ""
                                                    << "Erreur N° 8015" << "Settings: 9600,n,4,1" << "9600,n,4,1";
    }
    void failures()
    {
        QFETCH(QString, settings);
        QFETCH(QString, port);
        QFETCH(QString, handshaking);
        QFETCH(QString, echo);
        QFETCH(QString, title);
        QFETCH(QString, text);
        QFETCH(QString, settingsPanel);
        QFETCH(QString, appliedSettings);
        PtyPair pty;
        TerminalFixture fixture;
        fixture.settings.mapPort(1, pty.slavePath());
        fixture.settings.storeProperties(settings, port, handshaking, echo);
        FrmTerminal &window = fixture.start();
        QCOMPARE(fixture.boxes.shown.size(), 1);
        QCOMPARE(withoutDetail(fixture.boxes.shown.first()), critical(title, text));
        QVERIFY(!window.serial().PortOpen());
        QCOMPARE(panel(window, "Settings"), settingsPanel);
        QCOMPARE(window.serial().Settings(), appliedSettings);
        QVERIFY(!window.indicatorShowsConnected());
        // Only an unavailable port disables the two buttons; menus never change.
        const bool unavailable = title == QLatin1String("ERREUR");
        QCOMPARE(window.toolbarButton(QStringLiteral("Run"))->isEnabled(), !unavailable);
        QVERIFY(!window.toolbarButton(QStringLiteral("TransmitTextFile"))->isEnabled());
        QVERIFY(window.mnuRun->isEnabled());
    }

    void portHeldByAnotherOpener()
    {
        PtyPair pty;
        TempSettings other;
        other.mapPort(1, pty.slavePath());
        MSComm holder(PortResolver(&other.store, noDevices, noConsoles));
        holder.setPortOpen(true);

        TerminalFixture fixture;
        fixture.settings.mapPort(1, pty.slavePath());
        FrmTerminal &window = fixture.start();
        QCOMPARE(fixture.boxes.shown.size(), 1);
        QCOMPARE(withoutDetail(fixture.boxes.shown.first()),
                 critical(QStringLiteral("ERREUR"), QStringLiteral("Port COM 1 pas disponible !")));
        QVERIFY(!window.serial().PortOpen());
        QVERIFY(!window.toolbarButton(QStringLiteral("Run"))->isEnabled());
    }

    void echoTexts_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<bool>("echo");
        QTest::newRow("false") << "false" << false;
        QTest::newRow("0") << "0" << false;
        QTest::newRow("TRUE") << "TRUE" << true;
        QTest::newRow("-1") << "-1" << true;
    }
    void echoTexts()
    {
        QFETCH(QString, stored);
        QFETCH(bool, echo);
        PtyPair pty;
        TerminalFixture fixture;
        fixture.settings.mapPort(1, pty.slavePath());
        fixture.settings.storeProperties(QStringLiteral("9600,n,8,1"), QStringLiteral("1"), QStringLiteral("0"),
                                         stored);
        QCOMPARE(fixture.start().shared().Echo, echo);
        QCOMPARE(fixture.boxes.shown.size(), 0);
    }

    void closingClosesThePort()
    {
        PtyPair pty;
        TerminalFixture fixture;
        fixture.settings.mapPort(1, pty.slavePath());
        FrmTerminal &window = fixture.start();
        window.show();
        QVERIFY(window.serial().PortOpen());
        QSignalSpy closed(&window, &FrmTerminal::closed);
        window.mnuquitte->trigger();
        QCOMPARE(closed.count(), 1);
        QVERIFY(!window.serial().PortOpen());
        QVERIFY(!window.isVisible());
    }

    void menusAsCreated()
    {
        TerminalFixture fixture;
        FrmTerminal &window = fixture.create();
        QStringList captions;
        for (QAction *top : window.menuBar()->actions()) {
            captions << top->menu()->objectName() + QLatin1Char('=') + top->text();
            for (QAction *item : top->menu()->actions())
                captions << QStringLiteral("  %1=%2%3").arg(item->objectName(), item->isSeparator() ? "-" : item->text(),
                                                            item->isEnabled() ? "" : " (disabled)");
        }
        const QStringList expected = {
            "mnuFile=&Fichier",
            "  mnuOpenLog=&Ouvrir",
            "  M3=-",
            "  mnuVisu=&Visualisation du Prg (disabled)",
            "  bar7=-",
            "  mnuSendText=&Transfert Programme (disabled)",
            "  Bar2=-",
            "  mnuRun=&Execute Programme",
            "  bar4=-",
            "  mnuquitte=&Quitter",
            "mnuPort=&Config",
            "  mnuConfig=Config Terminal",
            "  mnuProperties=Config Port",
            "mnuhelp=&?",
            "  mnuapropos=A Propos",
            "  bar3=-",
            "  mnuaide=Aide KORVEX",
        };
        QCOMPARE(captions, expected);
        for (QAction *top : window.menuBar()->actions())
            for (QAction *item : top->menu()->actions())
                QVERIFY(item->shortcut().isEmpty());
    }

    void toolbarAsCreated()
    {
        TerminalFixture fixture;
        FrmTerminal &window = fixture.create();
        QStringList buttons;
        for (QAction *action : window.tbrToolBar->actions()) {
            if (action->isSeparator()) {
                buttons << QStringLiteral("-");
                continue;
            }
            buttons << QStringLiteral("%1|%2|%3|%4").arg(action->objectName(), action->toolTip(),
                                                          action->property("description").toString(),
                                                          action->isEnabled() ? "on" : "off");
            QVERIFY(action->text().isEmpty());
            QCOMPARE(action->icon().actualSize(QSize(16, 16)), QSize(16, 16));
        }
        const QStringList expected = {
            "-",
            "OpenLogFile|Ouvrir un fichier|Open Log File...|on",
            "Quitte|Quitter Terminal|Close Log File|on",
            "-", "-", "-",
            "TransmitTextFile|Transfert Programme vers KORVEX|Transmit Text File...|off",
            "-",
            "Run|Execute le programme|Execute programme|on",
            "-",
            "comm|Connecter/Déconnecter||on",
        };
        QCOMPARE(buttons, expected);
    }

    // Each toolbar key runs the routine of its menu item: compare what each
    // leaves behind on the same starting state.
    void toolbarDispatch()
    {
        TerminalFixture fixture;
        fixture.chooser.answer = fixture.tempDir.filePath(QStringLiteral("prog.hex"));
        FrmTerminal &window = fixture.create();
        window.tbrToolBar_ButtonClick(QStringLiteral("OpenLogFile"));
        QCOMPARE(fixture.chooser.calls, 1);
        QCOMPARE(window.shared().HexFileTitle, QStringLiteral("prog.hex"));
        window.mnuOpenLog->trigger();
        QCOMPARE(fixture.chooser.calls, 2);

        // Port closed: both upload and run are refused with the same box.
        const MessageRequest closedBox = critical(QStringLiteral("ERREUR"), QStringLiteral("Port COM 1 fermé !"));
        for (const QString &key : {QStringLiteral("TransmitTextFile"), QStringLiteral("Run")}) {
            fixture.boxes.shown.clear();
            window.tbrToolBar_ButtonClick(key);
            QCOMPARE(fixture.boxes.shown, QList<MessageRequest>{closedBox});
        }
        for (QAction *item : {window.mnuSendText, window.mnuRun}) {
            fixture.boxes.shown.clear();
            item->trigger();
            QCOMPARE(fixture.boxes.shown, QList<MessageRequest>{closedBox});
        }

        // Unknown keys and a wrong letter case do nothing.
        fixture.boxes.shown.clear();
        window.tbrToolBar_ButtonClick(QStringLiteral("run"));
        window.tbrToolBar_ButtonClick(QStringLiteral("Nothing"));
        QVERIFY(fixture.boxes.shown.isEmpty());
        QCOMPARE(fixture.chooser.calls, 2);

        // The buttons themselves dispatch through their keys.
        window.toolbarButton(QStringLiteral("OpenLogFile"))->trigger();
        QCOMPARE(fixture.chooser.calls, 3);
        window.show();
        QSignalSpy closed(&window, &FrmTerminal::closed);
        window.toolbarButton(QStringLiteral("Quitte"))->trigger();
        QCOMPARE(closed.count(), 1);
    }
};

QTEST_MAIN(TestStartup)
#include "tst_startup.moc"
