// SPDX-License-Identifier: GPL-3.0-or-later
// The main window as users drive it: start-up, which commands are offered
// as the port, the file and an upload come and go, the toggle, the status
// bar and its timers, the layout, and the port dialog.
#include "shared/twips.h"

#include "ptypair.h"
#include "terminalfixture.h"

#include <QRandomGenerator>
#include <QtTest>
#include <QtWidgets>

namespace {

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
    // Start-up on what the settings file holds, edited by hand or damaged: the port open, or one clear box and
    // the port closed; never a crash, and quick however big the values are. Once the cause is gone, "comm" opens.
    void startUp_data()
    {
        QTest::addColumn<QByteArray>("ini"); // @PORT@: a pty
        QTest::addColumn<bool>("held");      // port 1 already open elsewhere
        QTest::addColumn<QString>("box");    // title|text|part of the informative text; empty: opens
        QTest::addColumn<QString>("line");   // the settings in force, after "Settings: " if the panel shows them
        QTest::addColumn<bool>("echo");
        const auto ini = [](const QByteArray &settings, const QByteArray &port, const QByteArray &echo,
                            const QByteArray &com1 = "@PORT@") {
            return "[Properties]\nSettings=" + settings + "\nCommPort=" + port + "\nHandshaking=0\nEcho=" + echo
                   + "\n[Ports]\nCom1=" + com1 + "\n";
        };
        QByteArray random(256 * 1024, Qt::Uninitialized);
        QRandomGenerator generator(7);
        for (char &b : random)
            b = char(generator.bounded(256));
        const QString com1 = QStringLiteral("ERREUR|Port COM 1 pas disponible !|");
        const QString usual = QStringLiteral("Settings: 9600,n,8,1");
        // clang-format off
        QTest::newRow("all stored") << ini("9600,N,8,1", "1", "True") << false << "" << usual << true;
        QTest::newRow("first start: nothing stored") << QByteArray("[Ports]\nCom1=@PORT@\n") << false << "" << usual << false;
        QTest::newRow("empty echo stored") << ini("9600,n,8,1", "1", "") << false << "" << usual << false;
        QTest::newRow("first start, no device") << QByteArray() << false << com1 + "groupe dialout" << usual << false;
        QTest::newRow("unmapped port") << ini("4800,e,7,2", "5", "False") << false << "ERREUR|Port COM 5 pas disponible !|groupe dialout" << "Settings: 4800,e,7,2" << false;
        QTest::newRow("held by another opener") << ini("9600,n,8,1", "1", "False") << true << com1 + "/dev/" << usual << false;
        // Settings are applied before the port number is read, and the panel is written after both.
        QTest::newRow("garbage port number") << ini("4800,e,7,2", "abc", "False") << false << "|Erreur N° 13|" << "4800,e,7,2" << false;
        QTest::newRow("four data bits cannot open") << ini("9600,n,4,1", "1", "False") << false << "|Erreur N° 8015|" << "Settings: 9600,n,4,1" << false;
        QTest::newRow("1 MB settings") << ini(QByteArray(1 << 20, '9'), "1", "False") << false << "|Erreur N° 380|" << "9600,n,8,1" << false;
        QTest::newRow("1 MB port") << ini("9600,n,8,1", QByteArray(1 << 20, '1'), "False") << false << "|Erreur N° 6|" << "9600,n,8,1" << false;
        QTest::newRow("Com1 a directory") << ini("9600,n,8,1", "1", "False", "/tmp") << false << com1 + "/tmp" << usual << false;
        QTest::newRow("Com1 /dev/null") << ini("9600,n,8,1", "1", "False", "/dev/null") << false << "|Erreur N° 8015|" << usual << false;
        QTest::newRow("random bytes") << random << false << com1 + "groupe dialout" << usual << false;
        // clang-format on
    }
    void startUp()
    {
        QFETCH(QByteArray, ini);
        QFETCH(bool, held);
        QFETCH(QString, box);
        QFETCH(QString, line);
        QFETCH(bool, echo);
        PtyPair pty;
        // The other opener comes through a link, as the demo and users' maps do.
        TempSettings other;
        const QString link = other.dir.filePath(QStringLiteral("board"));
        QVERIFY(QFile::link(pty.slavePath(), link));
        other.mapPort(1, link);
        MSComm holder(PortResolver(&other.store, noDevices, noConsoles));
        holder.setPortOpen(held);
        TerminalFixture fixture;
        QFile file(fixture.settings.store.fileName());
        ini.replace("@PORT@", pty.slavePath().toLatin1());
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(ini) == ini.size());
        file.close();

        QElapsedTimer clock;
        clock.start();
        FrmTerminal &window = fixture.start();
        QVERIFY2(clock.elapsed() < 5000, "far above a normal start-up, far below a hang");
        const bool opened = box.isEmpty();
        QCOMPARE(fixture.boxes.shown.size(), opened ? 0 : 1);
        if (!opened) {
            const MessageRequest &shown = fixture.boxes.shown.first();
            QCOMPARE(shown.icon, MessageRequest::Icon::Critical);
            QCOMPARE(shown.title + '|' + shown.text + '|', box.section('|', 0, 1) + '|');
            QVERIFY2(shown.informativeText.contains(box.section('|', 2)), qPrintable(shown.informativeText));
        }
        QCOMPARE(window.serial().PortOpen(), opened);
        QCOMPARE(window.indicatorShowsConnected(), opened);
        QCOMPARE(panelText(window, "Settings"), line.startsWith(u'S') ? line : QStringLiteral("Settings:"));
        QCOMPARE(window.serial().Settings(), line.section(' ', -1));
        QCOMPARE(window.shared().Echo, echo);
        // Only an unavailable port takes the run button; the menu keeps it.
        const QString noFile = QStringLiteral("mnuVisu mnuSendText TransmitTextFile");
        QCOMPARE(commandsOff(window), box.startsWith(QLatin1String("ERREUR")) ? noFile + " Run" : noFile);
        if (opened)
            return;
        holder.setPortOpen(false);
        fixture.settings.mapPort(window.serial().CommPort(), pty.slavePath());
        window.serial().setSettings(QStringLiteral("9600,n,8,1"));
        command(window, "comm")->trigger();
        QCOMPARE(fixture.boxes.shown.size(), 1);
        QVERIFY(window.serial().PortOpen() && window.indicatorShowsConnected());
        QCOMPARE(commandsOff(window), noFile);
    }

    // One session: each step leaves the commands the user may use next. The status bar's clock ticks from the
    // start; a line event shows at once, and "Fichier" is rewritten once, two seconds later. The layout as
    // created, then wide and flat. The help and About windows.
    void session()
    {
        PtyPair pty;
        TerminalFixture fixture;
        fixture.settings.mapPort(1, pty.slavePath());
        fixture.chooser.answer = QFINDTESTDATA("data/blink_sdcc.hex");
        FrmTerminal &window = fixture.start();
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        // The time shown, at most two seconds behind (the tick's phase, a busy machine), across midnight too.
        const auto lag = [&] {
            const QTime shown = QTime::fromString(panelText(window, "ConnectTime"), QStringLiteral("HH:mm:ss "));
            return shown.isValid() ? (shown.secsTo(QTime::currentTime()) + 86400) % 86400 : -1;
        };
        QTRY_VERIFY_WITH_TIMEOUT(lag() >= 0 && lag() <= 2, 5000);
        const QString first = panelText(window, "ConnectTime");
        QTRY_VERIFY_WITH_TIMEOUT(panelText(window, "ConnectTime") != first, 5000);
        // As created, the client area below the menu bar measures 7155 x 4785 twips.
        const double dpi = twips::logicalDpi(&window);
        const auto near = [](int actual, int expected) { return std::abs(actual - expected) <= 1; };
        QVERIFY(near(window.height() - window.menuBar()->height(), twips::toPixels(4785, dpi)));
        QVERIFY(near(window.width(), twips::toPixels(7155, dpi)));
        QCOMPARE(dialogOpenedByClicking(window, "Fichier"), QStringLiteral("Config"));

        command(window, "OpenLogFile")->trigger();
        QCOMPARE(panelText(window, "Fichier"), QStringLiteral("Fichier: blink_sdcc.hex"));
        QCOMPARE(commandsOff(window), QString());
        QElapsedTimer clock;
        clock.start();
        window.serial().raiseCommEvent(CommEventCode::Cts);
        QCOMPARE(panelText(window, "Settings"), QStringLiteral("Status: Change in CTS Detected"));
        control<QLabel>(window, "Fichier")->clear(); // so that the rewrite shows
        QTRY_COMPARE_WITH_TIMEOUT(panelText(window, "Fichier"), QStringLiteral("Fichier: blink_sdcc.hex"), 10000);
        QVERIFY2(clock.elapsed() >= 1800, qPrintable(QString::number(clock.elapsed())));

        command(window, "comm")->trigger();
        QVERIFY(!window.serial().PortOpen() && !window.indicatorShowsConnected());
        QCOMPARE(commandsOff(window), QStringLiteral("mnuSendText mnuRun TransmitTextFile Run"));
        command(window, "comm")->trigger();
        QVERIFY(window.serial().PortOpen() && window.indicatorShowsConnected());
        QCOMPARE(commandsOff(window), QString());

        command(window, "TransmitTextFile")->trigger();
        QCOMPARE(commandsOff(window), OffDuringUpload);
        QCOMPARE(dialogOpenedByClicking(window, "adresse"), QString());
        pty.hangUp(); // ends the upload at once, not at the time-out
        QTRY_VERIFY(!window.uploadRunning() && !window.indicatorShowsConnected());
        QCOMPARE(fixture.boxes.shown.last().text, QStringLiteral("Erreur de transmission du fichier"));
        QCOMPARE(commandsOff(window), QStringLiteral("mnuSendText mnuRun TransmitTextFile Run"));

        window.resize(1200, 160);
        QTRY_COMPARE(window.width(), 1200);
        auto *toolbar = control<QToolBar>(window, "tbrToolBar");
        const int below = toolbar->geometry().bottom() + 1;
        QCOMPARE(control<QWidget>(window, "txtTerm")->geometry(),
                 QRect(0, below, window.width(), control<QWidget>(window, "sbrStatus")->y() - below));
        // Frame1 keeps one and a half of its widths from the right edge.
        auto *frame1 = control<QWidget>(window, "Frame1");
        const double frameTwips = twips::fromPixels(frame1->width(), dpi);
        QVERIFY(near(frame1->x(), twips::toPixels(twips::fromPixels(window.width(), dpi) - 1.5 * frameTwips, dpi)));
        // The indicator sits in the toolbar's band, in front of it.
        QCOMPARE(control<QWidget>(window, "Frame2")->pos(),
                 QPoint(twips::toPixels(3240, dpi), toolbar->y() + twips::toPixels(120, dpi)));
        auto *image = control<QLabel>(window, "imgNotConnected");
        QCOMPARE(window.childAt(image->mapTo(&window, image->rect().center())), image);

        // Help and About: one modeless window each; OK unloads one.
        for (int twice = 0; twice < 2; ++twice) {
            command(window, "mnuaide")->trigger();
            command(window, "mnuapropos")->trigger();
        }
        QCOMPARE(window.findChildren<QDialog *>(QStringLiteral("aide")).size(), 1);
        QCOMPARE(window.findChildren<QDialog *>(QStringLiteral("Apropos")).size(), 1);
        QVERIFY(control<QWidget>(window, "aide")->isVisible() && !QApplication::activeModalWidget());
        const QPointer<QWidget> aide = control<QWidget>(window, "aide");
        control<QPushButton>(*aide, "OKButton")->click();
        QTRY_VERIFY(aide.isNull());
        QVERIFY(control<QWidget>(window, "Apropos")->isVisible());

        // Quit goes through the close handling.
        QSignalSpy closed(&window, &FrmTerminal::closed);
        command(window, "Quitte")->trigger();
        QCOMPARE(closed.count(), 1);
        QVERIFY(!window.isVisible());
    }

    void portDialog_data()
    {
        QTest::addColumn<bool>("held"); // Com2, by another opener
        QTest::addColumn<QString>("failure");
        QTest::newRow("switch while open") << false << QString();
        QTest::newRow("failed switch: port held elsewhere") << true << "Port already open";
    }
    // What the dialog put in force shows in the window: indicator, "Settings" panel, upload command.
    void portDialog()
    {
        QFETCH(bool, held);
        QFETCH(QString, failure);
        PtyPair first, second;
        TerminalFixture fixture;
        fixture.settings.mapPort(1, first.slavePath());
        fixture.settings.mapPort(2, second.slavePath());
        MSComm holder(PortResolver(&fixture.settings.store, noDevices, noConsoles));
        holder.setCommPort(2);
        holder.setPortOpen(held);
        FrmTerminal &window = fixture.start();
        fixture.chooser.answer = QFINDTESTDATA("data/blink_sdcc.hex");
        command(window, "mnuOpenLog")->trigger();
        whenModal([&](QDialog &dialog) {
            auto *ports = dialog.findChild<QComboBox *>(QStringLiteral("cboPort"));
            ports->setCurrentIndex(ports->findText(QStringLiteral("Com2")));
            auto *speeds = dialog.findChild<QComboBox *>(QStringLiteral("cboSpeed"));
            speeds->setCurrentIndex(speeds->findText(QStringLiteral("4800")));
            dialog.findChild<QAbstractButton *>(QStringLiteral("optEcho1"))->click();
            dialog.findChild<QAbstractButton *>(QStringLiteral("cmdOK"))->click();
        });
        command(window, "mnuProperties")->trigger();
        const bool failed = !failure.isEmpty();
        QCOMPARE(window.serial().CommPort(), failed ? 1 : 2);
        QCOMPARE(window.serial().PortOpen(), !failed);
        QCOMPARE(window.indicatorShowsConnected(), !failed);
        QCOMPARE(command(window, "TransmitTextFile")->isEnabled(), !failed);
        QVERIFY(window.shared().Echo); // in force whatever followed
        // Saved only when every step was taken; a refusal is shown and the dialog stays open.
        QCOMPARE(fixture.settings.properties(), failed ? "- - - -" : "4800,n,8,1 2 0 True");
        if (failed) {
            QCOMPARE(fixture.boxes.shown.size(), 1);
            const MessageRequest &box = fixture.boxes.shown.first();
            QCOMPARE(box.title + '|' + box.text, "KORVEX Terminal|" + failure);
            QCOMPARE(box.icon, MessageRequest::Icon::Exclamation);
            return;
        }
        QCOMPARE(panelText(window, "Settings"), QStringLiteral("Settings: 4800,n,8,1"));
        window.serial().Output(QStringLiteral("Q"));
        QCOMPARE(second.readAtLeast(1), QByteArray("Q"));
    }
};

QTEST_MAIN(TestWindow)
#include "tst_window.moc"
