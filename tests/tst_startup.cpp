#include "terminal/statuspanels.h"

#include "ptypair.h"
#include "terminalfixture.h"

#include <QMenu>
#include <QMenuBar>
#include <QSignalSpy>
#include <QToolBar>
#include <QtTest/QTest>

static MessageRequest critical(const QString &title, const QString &text)
{
    return {MessageRequest::Icon::Critical, MessageRequest::Buttons::Ok, title, text, {}};
}

// The box without the system's reason, which depends on the machine.
static MessageRequest withoutDetail(MessageRequest request)
{
    request.informativeText.clear();
    return request;
}

class TestStartup : public QObject
{
    Q_OBJECT
private slots:
    // Port 1 is a pty when mapped. Garbage values of every kind are in tst_hostile_settings.
    void startUp_data()
    {
        QTest::addColumn<QStringList>("stored"); // Settings, CommPort, Handshaking, Echo; empty: nothing stored
        QTest::addColumn<bool>("mapped");
        QTest::addColumn<bool>("held");   // port 1 already open elsewhere
        QTest::addColumn<QString>("box"); // empty: starts with the port open
        QTest::addColumn<QString>("settingsPanel");
        QTest::addColumn<QString>("applied");
        QTest::addColumn<bool>("echo");
        const QString usual = QStringLiteral("Settings: 9600,n,8,1");
        const QString unavailable1 = QStringLiteral("Port COM 1 pas disponible !");
        // clang-format off
        QTest::newRow("all stored") << QStringList{"9600,N,8,1", "1", "0", "True"} << true << false << "" << usual << "9600,n,8,1" << true;
        QTest::newRow("first start: nothing stored") << QStringList{} << true << false << "" << usual << "9600,n,8,1" << false;
        QTest::newRow("empty echo stored") << QStringList{"9600,n,8,1", "1", "0", ""} << true << false << "" << usual << "9600,n,8,1" << false;
        QTest::newRow("first start, no device") << QStringList{} << false << false << unavailable1 << usual << "9600,n,8,1" << false;
        QTest::newRow("unmapped port") << QStringList{"4800,e,7,2", "5", "0", "False"} << true << false << "Port COM 5 pas disponible !" << "Settings: 4800,e,7,2" << "4800,e,7,2" << false;
        QTest::newRow("held by another opener") << QStringList{"9600,n,8,1", "1", "0", "False"} << true << true << unavailable1 << usual << "9600,n,8,1" << false;
        QTest::newRow("garbage port number") << QStringList{"4800,e,7,2", "abc", "0", "False"} << true << false << "Erreur N° 13" << "Settings:" << "4800,e,7,2" << false;
        QTest::newRow("four data bits cannot open") << QStringList{"9600,n,4,1", "1", "0", "False"} << true << false << "Erreur N° 8015" << "Settings: 9600,n,4,1" << "9600,n,4,1" << false;
        // clang-format on
    }
    void startUp()
    {
        QFETCH(QStringList, stored);
        QFETCH(bool, mapped);
        QFETCH(bool, held);
        QFETCH(QString, box);
        QFETCH(QString, settingsPanel);
        QFETCH(QString, applied);
        QFETCH(bool, echo);
        PtyPair pty;
        QVERIFY(pty.isValid());
        TempSettings other;
        other.mapPort(1, pty.slavePath());
        MSComm holder(PortResolver(&other.store, noDevices, noConsoles));
        if (held)
            holder.setPortOpen(true);
        TerminalFixture fixture;
        if (mapped)
            fixture.settings.mapPort(1, pty.slavePath());
        if (!stored.isEmpty())
            fixture.settings.storeProperties(stored[0], stored[1], stored[2], stored[3]);

        FrmTerminal &window = fixture.start();
        const bool opened = box.isEmpty();
        const bool unavailable = box.startsWith(QLatin1String("Port COM"));
        QCOMPARE(fixture.boxes.shown.size(), opened ? 0 : 1);
        if (!opened) {
            QCOMPARE(withoutDetail(fixture.boxes.shown.first()),
                     critical(unavailable ? QStringLiteral("ERREUR") : QString(), box));
        }
        QCOMPARE(window.serial().PortOpen(), opened);
        QCOMPARE(window.indicatorShowsConnected(), opened);
        QCOMPARE(window.sbrStatus->panelText(QStringLiteral("Settings")), settingsPanel);
        QCOMPARE(window.serial().Settings(), applied);
        QCOMPARE(window.shared().Echo, echo);
        // Only an unavailable port disables the two buttons; menus never change.
        QCOMPARE(window.toolbarButton(QStringLiteral("Run"))->isEnabled(), !unavailable);
        QVERIFY(!window.toolbarButton(QStringLiteral("TransmitTextFile"))->isEnabled());
        QVERIFY(window.mnuRun->isEnabled());
    }

    void menusAsCreated()
    {
        TerminalFixture fixture;
        FrmTerminal &window = fixture.create();
        QStringList captions;
        for (QAction *top : window.menuBar()->actions()) {
            captions << top->menu()->objectName() + QLatin1Char('=') + top->text();
            for (QAction *item : top->menu()->actions())
                captions << QStringLiteral("  %1=%2%3")
                                .arg(item->objectName(), item->isSeparator() ? "-" : item->text(),
                                     item->isEnabled() ? "" : " (disabled)");
        }
        // clang-format off
        const QStringList expected = {"mnuFile=&Fichier", "  mnuOpenLog=&Ouvrir", "  M3=-",
            "  mnuVisu=&Visualisation du Prg (disabled)", "  bar7=-", "  mnuSendText=&Transfert Programme (disabled)",
            "  Bar2=-", "  mnuRun=&Execute Programme", "  bar4=-", "  mnuquitte=&Quitter", "mnuPort=&Config",
            "  mnuConfig=Config Terminal", "  mnuProperties=Config Port", "mnuhelp=&?", "  mnuapropos=A Propos",
            "  bar3=-", "  mnuaide=Aide KORVEX"};
        // clang-format on
        QCOMPARE(captions, expected);
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
            buttons << QStringLiteral("%1|%2|%3|%4")
                           .arg(action->objectName(), action->toolTip(), action->property("description").toString(),
                                action->isEnabled() ? "on" : "off");
            QCOMPARE(action->icon().actualSize(QSize(16, 16)), QSize(16, 16));
        }
        // clang-format off
        const QStringList expected = {"-", "OpenLogFile|Ouvrir un fichier|Open Log File...|on",
            "Quitte|Quitter Terminal|Close Log File|on", "-", "-", "-",
            "TransmitTextFile|Transfert Programme vers KORVEX|Transmit Text File...|off", "-",
            "Run|Execute le programme|Execute programme|on", "-", "comm|Connecter/Déconnecter||on"};
        // clang-format on
        QCOMPARE(buttons, expected);
    }

    // Each key leaves behind what its menu item leaves behind, from the same state.
    void toolbarDispatch()
    {
        PtyPair pty;
        TerminalFixture fixture;
        fixture.settings.mapPort(1, pty.slavePath());
        fixture.chooser.answer = fixture.tempDir.filePath(QStringLiteral("prog.hex"));
        FrmTerminal &window = fixture.create();
        const auto effect = [&](const std::function<void()> &command) {
            const int calls = fixture.chooser.calls;
            fixture.boxes.shown.clear();
            command();
            return std::make_pair(fixture.chooser.calls - calls, fixture.boxes.shown);
        };
        const QList<MessageRequest> closedBox{critical(QStringLiteral("ERREUR"), QStringLiteral("Port COM 1 fermé !"))};
        const std::tuple<QString, QAction *, std::pair<int, QList<MessageRequest>>> commands[] = {
            {QStringLiteral("OpenLogFile"), window.mnuOpenLog, {1, {}}},
            {QStringLiteral("TransmitTextFile"), window.mnuSendText, {0, closedBox}}, // port closed
            {QStringLiteral("Run"), window.mnuRun, {0, closedBox}},
        };
        for (const auto &[key, item, expected] : commands) {
            QCOMPARE(effect([&] { window.tbrToolBar_ButtonClick(key); }), expected);
            QCOMPARE(effect([&] { item->trigger(); }), expected);
        }
        QCOMPARE(window.shared().HexFileTitle, QStringLiteral("prog.hex"));
        // Unknown keys and a wrong letter case do nothing.
        const std::pair<int, QList<MessageRequest>> nothing{0, {}};
        QCOMPARE(effect([&] { window.tbrToolBar_ButtonClick(QStringLiteral("run")); }), nothing);
        QCOMPARE(effect([&] { window.tbrToolBar_ButtonClick(QStringLiteral("Nothing")); }), nothing);
        // The buttons themselves dispatch through their keys.
        QCOMPARE(effect([&] { window.toolbarButton(QStringLiteral("OpenLogFile"))->trigger(); }).first, 1);
        // Quit goes through the close handling, which closes the port.
        window.comm();
        QVERIFY(window.serial().PortOpen());
        window.show();
        QSignalSpy closed(&window, &FrmTerminal::closed);
        window.toolbarButton(QStringLiteral("Quitte"))->trigger();
        QCOMPARE(closed.count(), 1);
        QVERIFY(!window.serial().PortOpen());
        QVERIFY(!window.isVisible());
    }
};

QTEST_MAIN(TestStartup)
#include "tst_startup.moc"
