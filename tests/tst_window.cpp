// The main window as users drive it: start-up, which commands are offered
// as the port, the file and an upload come and go, the toggle, the status
// bar and its timers, the port dialog and the layout.
#include "terminal/twips.h"

#include "ptypair.h"
#include "terminalfixture.h"

#include <QtTest>
#include <QtWidgets>

namespace {

// The commands not offered now, in menu and toolbar order.
QString unavailable(FrmTerminal &window)
{
    QStringList off;
    for (const char *name :
         {"mnuOpenLog", "mnuVisu", "mnuSendText", "mnuRun", "mnuquitte", "mnuConfig", "mnuProperties", "mnuapropos",
          "mnuaide", "mnuComm", "mnuColler", "OpenLogFile", "Quitte", "TransmitTextFile", "Run", "comm"}) {
        if (!command(window, name)->isEnabled())
            off << QLatin1String(name);
    }
    return off.join(QLatin1Char(' '));
}

// Clicks a status panel; the object name of the modal dialog it opened (closed at once), or empty.
QString dialogOpenedByClicking(FrmTerminal &window, const char *key)
{
    QObject context;
    bool ran = false;
    QString dialog;
    QTimer::singleShot(0, &context, [&] {
        ran = true;
        if (QWidget *modal = QApplication::activeModalWidget()) {
            dialog = modal->objectName();
            modal->close();
        }
    });
    QTest::mouseClick(window.findChild<QLabel *>(QLatin1String(key)), Qt::LeftButton);
    return QTest::qWaitFor([&] { return ran; }, 5000) ? dialog : QStringLiteral("(no event loop pass)");
}

// Acts on the dialog a command exec()s; one left open is cancelled, so nothing hangs.
void whenModal(const std::function<void(QDialog &)> &act)
{
    QTimer::singleShot(0, [act] {
        auto *dialog = qobject_cast<QDialog *>(QApplication::activeModalWidget());
        QVERIFY(dialog);
        act(*dialog);
        if (dialog->isVisible())
            dialog->reject();
    });
}

} // namespace

class TestWindow : public QObject
{
    Q_OBJECT
private slots:
    void startUp_data()
    {
        QTest::addColumn<QStringList>("stored"); // Settings, CommPort, Handshaking, Echo; empty: nothing stored
        QTest::addColumn<bool>("mapped");
        QTest::addColumn<bool>("held");   // port 1 already open elsewhere
        QTest::addColumn<QString>("box"); // empty: starts with the port open
        QTest::addColumn<QString>("settingsPanel");
        QTest::addColumn<bool>("echo");
        const QString usual = QStringLiteral("Settings: 9600,n,8,1");
        const QString unavailable1 = QStringLiteral("ERREUR|Port COM 1 pas disponible !");
        // clang-format off
        QTest::newRow("all stored") << QStringList{"9600,N,8,1", "1", "0", "True"} << true << false << "" << usual << true;
        QTest::newRow("first start: nothing stored") << QStringList{} << true << false << "" << usual << false;
        QTest::newRow("empty echo stored") << QStringList{"9600,n,8,1", "1", "0", ""} << true << false << "" << usual << false;
        QTest::newRow("first start, no device") << QStringList{} << false << false << unavailable1 << usual << false;
        QTest::newRow("unmapped port") << QStringList{"4800,e,7,2", "5", "0", "False"} << true << false << "ERREUR|Port COM 5 pas disponible !" << "Settings: 4800,e,7,2" << false;
        QTest::newRow("held by another opener") << QStringList{"9600,n,8,1", "1", "0", "False"} << true << true << unavailable1 << usual << false;
        // Settings are applied before the port number is read, and the panel is written after both.
        QTest::newRow("garbage port number") << QStringList{"4800,e,7,2", "abc", "0", "False"} << true << false << "|Erreur N° 13" << "Settings:" << false;
        QTest::newRow("four data bits cannot open") << QStringList{"9600,n,4,1", "1", "0", "False"} << true << false << "|Erreur N° 8015" << "Settings: 9600,n,4,1" << false;
        // clang-format on
    }
    void startUp()
    {
        QFETCH(QStringList, stored);
        QFETCH(bool, mapped);
        QFETCH(bool, held);
        QFETCH(QString, box);
        QFETCH(QString, settingsPanel);
        QFETCH(bool, echo);
        PtyPair pty;
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
        QCOMPARE(fixture.boxes.shown.size(), opened ? 0 : 1);
        if (!opened) {
            const MessageRequest &shown = fixture.boxes.shown.first();
            QCOMPARE(shown.icon, MessageRequest::Icon::Critical);
            QCOMPARE(shown.title + '|' + shown.text, box);
            // With no device for the port, the box says what to do.
            QCOMPARE(shown.informativeText.contains(QStringLiteral("groupe dialout")), !held && !box.startsWith('|'));
        }
        QCOMPARE(window.serial().PortOpen(), opened);
        QCOMPARE(window.indicatorShowsConnected(), opened);
        QCOMPARE(panelText(window, "Settings"), settingsPanel);
        QCOMPARE(window.serial().Settings(), stored.isEmpty() ? QStringLiteral("9600,n,8,1") : stored[0].toLower());
        QCOMPARE(window.shared().Echo, echo);
        // Only an unavailable port takes the run button; the menu keeps it.
        const bool portUnavailable = box.startsWith(QLatin1String("ERREUR"));
        QCOMPARE(unavailable(window), portUnavailable ? QStringLiteral("mnuVisu mnuSendText TransmitTextFile Run")
                                                      : QStringLiteral("mnuVisu mnuSendText TransmitTextFile"));
    }

    // One session: each step leaves the commands the user may use next.
    void commandsFollowThePortTheFileAndTheUpload()
    {
        PtyPair pty; // a board that never answers
        TerminalFixture fixture;
        fixture.settings.mapPort(1, pty.slavePath());
        fixture.chooser.answer = QFINDTESTDATA("data/blink_sdcc.hex");
        FrmTerminal &window = fixture.start();
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QCOMPARE(dialogOpenedByClicking(window, "Fichier"), QStringLiteral("Config"));

        command(window, "OpenLogFile")->trigger();
        QCOMPARE(panelText(window, "Fichier"), QStringLiteral("Fichier: blink_sdcc.hex"));
        QCOMPARE(unavailable(window), QString());
        command(window, "comm")->trigger();
        QVERIFY(!window.serial().PortOpen() && !window.indicatorShowsConnected());
        QCOMPARE(unavailable(window), QStringLiteral("mnuSendText mnuRun TransmitTextFile Run"));
        command(window, "comm")->trigger();
        QVERIFY(window.serial().PortOpen() && window.indicatorShowsConnected());
        QCOMPARE(unavailable(window), QString());

        command(window, "TransmitTextFile")->trigger();
        QVERIFY(window.uploadRunning());
        QCOMPARE(unavailable(window), QStringLiteral("mnuOpenLog mnuVisu mnuSendText mnuRun mnuquitte mnuConfig "
                                                     "mnuProperties mnuComm mnuColler OpenLogFile Quitte "
                                                     "TransmitTextFile Run comm"));
        QCOMPARE(dialogOpenedByClicking(window, "adresse"), QString());
        QTRY_VERIFY_WITH_TIMEOUT(!window.uploadRunning(), 10000); // the board's silence ends it
        QCOMPARE(unavailable(window), QString());

        pty.hangUp();
        QTRY_COMPARE(panelText(window, "Settings"), QStringLiteral("Status: Device Removed"));
        QVERIFY(!window.indicatorShowsConnected());
        QCOMPARE(unavailable(window), QStringLiteral("mnuSendText mnuRun TransmitTextFile Run"));

        // Quit goes through the close handling.
        QSignalSpy closed(&window, &FrmTerminal::closed);
        command(window, "Quitte")->trigger();
        QCOMPARE(closed.count(), 1);
        QVERIFY(!window.isVisible());
    }

    void failedOpen_data()
    {
        QTest::addColumn<QString>("cause");
        QTest::addColumn<QString>("box");
        QTest::newRow("port held by another opener") << "held"
                                                     << "ERREUR|Port COM 1 pas disponible !";
        QTest::newRow("no device for the number") << "absent"
                                                  << "ERREUR|Port COM 3 pas disponible !";
        QTest::newRow("4 data bits") << "4 data bits"
                                     << "|Erreur N° 8015";
    }
    // The box, and nothing else changes; once the cause is gone, the next click opens.
    void failedOpen()
    {
        QFETCH(QString, cause);
        QFETCH(QString, box);
        PtyPair pty;
        TerminalFixture fixture;
        fixture.settings.mapPort(1, pty.slavePath());
        FrmTerminal &window = fixture.start();
        command(window, "comm")->trigger();
        const int port = cause == QLatin1String("absent") ? 3 : 1;
        window.serial().setCommPort(port);
        if (cause == QLatin1String("4 data bits"))
            window.serial().setSettings(QStringLiteral("9600,n,4,1"));
        MSComm holder(PortResolver(&fixture.settings.store, noDevices, noConsoles));
        if (cause == QLatin1String("held"))
            holder.setPortOpen(true);
        const QString before = unavailable(window);

        command(window, "comm")->trigger();
        QCOMPARE(fixture.boxes.shown.size(), 1);
        const MessageRequest shown = fixture.boxes.shown.first();
        QCOMPARE(shown.title + '|' + shown.text, box);
        QVERIFY(!shown.informativeText.isEmpty()); // the system's reason
        QVERIFY(!window.serial().PortOpen() && !window.indicatorShowsConnected());
        QCOMPARE(unavailable(window), before);

        holder.setPortOpen(false);
        fixture.settings.mapPort(3, pty.slavePath());
        window.serial().setSettings(QStringLiteral("9600,n,8,1"));
        command(window, "comm")->trigger();
        QCOMPARE(fixture.boxes.shown.size(), 1);
        QVERIFY(window.serial().PortOpen() && window.indicatorShowsConnected());
    }

    // The clock ticks from creation; a line event shows at once, and "Fichier"
    // is rewritten once, two seconds later.
    void statusBarTimers()
    {
        TerminalFixture fixture;
        FrmTerminal &window = fixture.create();
        fixture.chooser.answer = QFINDTESTDATA("data/blink_sdcc.hex");
        command(window, "mnuOpenLog")->trigger();
        static const QRegularExpression format(QStringLiteral("^([01][0-9]|2[0-3]):[0-5][0-9]:[0-5][0-9] $"));
        QTRY_VERIFY_WITH_TIMEOUT(format.match(panelText(window, "ConnectTime")).hasMatch(), 5000);
        const QString first = panelText(window, "ConnectTime");
        const QTime shown = QTime::fromString(first.trimmed(), QStringLiteral("HH:mm:ss"));
        QVERIFY2((shown.secsTo(QTime::currentTime()) + 86400) % 86400 <= 2, qPrintable(first));
        QTRY_VERIFY_WITH_TIMEOUT(panelText(window, "ConnectTime") != first, 5000);

        QElapsedTimer clock;
        clock.start();
        window.serial().raiseCommEvent(CommEventCode::Cts);
        QCOMPARE(panelText(window, "Settings"), QStringLiteral("Status: Change in CTS Detected"));
        window.findChild<QLabel *>(QStringLiteral("Fichier"))->clear(); // so that the rewrite shows
        QTRY_COMPARE_WITH_TIMEOUT(panelText(window, "Fichier"), QStringLiteral("Fichier: blink_sdcc.hex"), 10000);
        QVERIFY2(clock.elapsed() >= 1800, qPrintable(QString::number(clock.elapsed())));
    }

    void portDialog_data()
    {
        QTest::addColumn<QString>("com2"); // "pty" or "held"
        QTest::addColumn<QString>("failure");
        QTest::newRow("switch while open") << "pty"
                                           << "";
        QTest::newRow("failed switch: port held elsewhere") << "held"
                                                            << "Port already open";
    }
    // What the dialog put in force shows in the window: indicator, "Settings" panel, upload command.
    void portDialog()
    {
        QFETCH(QString, com2);
        QFETCH(QString, failure);
        PtyPair first, second;
        TerminalFixture fixture;
        fixture.settings.mapPort(1, first.slavePath());
        fixture.settings.mapPort(2, second.slavePath());
        MSComm holder(PortResolver(&fixture.settings.store, noDevices, noConsoles));
        holder.setCommPort(2);
        if (com2 == QLatin1String("held"))
            holder.setPortOpen(true);
        FrmTerminal &window = fixture.start();
        fixture.chooser.answer = QFINDTESTDATA("data/blink_sdcc.hex");
        command(window, "mnuOpenLog")->trigger();
        whenModal([&](QDialog &dialog) {
            auto *ports = dialog.findChild<QComboBox *>(QStringLiteral("cboPort"));
            ports->setCurrentIndex(ports->findText(QStringLiteral("Com2")));
            auto *speeds = dialog.findChild<QComboBox *>(QStringLiteral("cboSpeed"));
            speeds->setCurrentIndex(speeds->findText(QStringLiteral("4800")));
            dialog.findChild<QAbstractButton *>(QStringLiteral("cmdOK"))->click();
        });
        command(window, "mnuProperties")->trigger();
        const bool failed = !failure.isEmpty();
        QCOMPARE(window.serial().CommPort(), failed ? 1 : 2);
        QCOMPARE(window.serial().PortOpen(), !failed);
        QCOMPARE(window.indicatorShowsConnected(), !failed);
        QCOMPARE(command(window, "TransmitTextFile")->isEnabled(), !failed);
        if (failed) {
            QCOMPARE(fixture.boxes.shown.size(), 1);
            QCOMPARE(fixture.boxes.shown.first().text, failure);
            return;
        }
        QCOMPARE(panelText(window, "Settings"), QStringLiteral("Settings: 4800,n,8,1"));
        window.serial().Output(QStringLiteral("Q"));
        QCOMPARE(second.readAtLeast(1), QByteArray("Q"));
    }

    // As created, then wide and flat.
    void layout()
    {
        TerminalFixture fixture;
        FrmTerminal &window = fixture.create();
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        const double dpi = twips::logicalDpi(&window);
        const auto near = [](int actual, int expected) { return std::abs(actual - expected) <= 1; };
        // As created, the client area below the menu bar measures 7155 x 4785 twips.
        QVERIFY(near(window.height() - window.menuBar()->height(), twips::toPixels(4785, dpi)));
        QVERIFY(near(window.width(), twips::toPixels(7155, dpi)));
        window.resize(1200, 160);
        QTRY_COMPARE(window.width(), 1200);
        auto *toolbar = window.findChild<QToolBar *>(QStringLiteral("tbrToolBar"));
        auto *text = window.findChild<QPlainTextEdit *>(QStringLiteral("txtTerm"));
        auto *status = window.findChild<QStatusBar *>(QStringLiteral("sbrStatus"));
        QCOMPARE(text->geometry(), QRect(0, toolbar->geometry().bottom() + 1, window.width(),
                                         status->y() - toolbar->geometry().bottom() - 1));
        // Frame1 keeps one and a half of its widths from the right edge.
        auto *frame1 = window.findChild<QWidget *>(QStringLiteral("Frame1"));
        const double frameTwips = twips::fromPixels(frame1->width(), dpi);
        QVERIFY(near(frame1->x(), twips::toPixels(twips::fromPixels(window.width(), dpi) - 1.5 * frameTwips, dpi)));
        // The indicator sits in the toolbar's band, in front of it.
        auto *indicator = window.findChild<QWidget *>(QStringLiteral("Frame2"));
        QCOMPARE(indicator->pos(), QPoint(twips::toPixels(3240, dpi), toolbar->y() + twips::toPixels(120, dpi)));
        auto *image = window.findChild<QLabel *>(QStringLiteral("imgNotConnected"));
        QCOMPARE(window.childAt(image->mapTo(&window, image->rect().center())), image);
    }
};

QTEST_MAIN(TestWindow)
#include "tst_window.moc"
