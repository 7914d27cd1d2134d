#include "terminal/statuspanels.h"
#include "terminal/twips.h"

#include "ptypair.h"
#include "terminalfixture.h"

#include <QtTest>
#include <QtWidgets>

#include <functional>

// The dialogs and the layout as the real main window runs them.
class TestWindowDialogs : public QObject
{
    Q_OBJECT
    // Acts on the dialog the window command exec()s; one left open is cancelled, so no hang.
    static void whenModal(const std::function<void(QDialog &)> &act)
    {
        QTimer::singleShot(0, [act] {
            auto *dialog = qobject_cast<QDialog *>(QApplication::activeModalWidget());
            QVERIFY(dialog);
            act(*dialog);
            if (dialog->isVisible())
                dialog->reject();
        });
    }
    static void choose(QDialog &dialog, const char *list, const QString &entry)
    {
        auto *combo = dialog.findChild<QComboBox *>(QLatin1String(list));
        combo->setCurrentIndex(combo->findText(entry));
    }
    static void click(QDialog &dialog, const char *name) { dialog.findChild<QAbstractButton *>(name)->click(); }
    static QString panel(FrmTerminal &window, const char *key) { return window.sbrStatus->panelText(key); }
    static QString stateOf(FrmTerminal &window)
    {
        return QStringLiteral("port=%1 open=%2 indicator=%3 upload=%4")
            .arg(window.serial().CommPort())
            .arg(window.serial().PortOpen())
            .arg(window.indicatorShowsConnected())
            .arg(window.toolbarButton(QStringLiteral("TransmitTextFile"))->isEnabled()
                 && window.mnuSendText->isEnabled());
    }
    static QString stored(TerminalFixture &fixture, const char *key)
    {
        return fixture.settings.store.get(SettingsStore::PropertiesSection, QLatin1String(key));
    }
    static bool near(int actual, int expected) { return std::abs(actual - expected) <= 1; }

private slots:
    void cleanup() { QVERIFY(!QApplication::activeModalWidget()); }

    void portProperties_data()
    {
        QTest::addColumn<bool>("open");
        QTest::addColumn<QString>("com2");      // what port 2 is: "pty", "none", "missing" (mapped path), "held"
        QTest::addColumn<QStringList>("lines"); // speed, parity, data bits, stop bits; empty: unchanged
        QTest::addColumn<QString>("failure");
        // clang-format off
        // Reopened, upload enabled without any file; a pty refuses parity while open.
        QTest::newRow("switch while open") << true << "pty" << QStringList{"4800", "None", "8", "1"} << "";
        QTest::newRow("switch while closed, 1.5 stop bits") << false << "pty" << QStringList{"4800", "Even", "7", "1.5"} << "";
        QTest::newRow("failed switch: no device") << true << "none" << QStringList() << "Invalid Port Number";
        QTest::newRow("failed switch: mapped device missing") << true << "missing" << QStringList() << "Invalid Port Number";
        QTest::newRow("failed switch: port held elsewhere") << true << "held" << QStringList() << "Port already open";
        // clang-format on
    }
    // After OK, and while a failed switch keeps the dialog open, the indicator shows the real
    // state of the port; after OK the "Settings" panel shows the settings now in force.
    void portProperties()
    {
        QFETCH(bool, open);
        QFETCH(QString, com2);
        QFETCH(QStringList, lines);
        QFETCH(QString, failure);
        const bool failed = !failure.isEmpty();
        PtyPair first, second;
        TerminalFixture fixture;
        fixture.settings.mapPort(1, first.slavePath());
        if (com2 != QLatin1String("none"))
            fixture.settings.mapPort(2, com2 == QLatin1String("missing") ? QStringLiteral("/nonexistent/ttyKORVEX")
                                                                         : second.slavePath());
        MSComm holder(PortResolver(&fixture.settings.store, noDevices, noConsoles)); // another program
        holder.setCommPort(2);
        if (com2 == QLatin1String("held"))
            holder.setPortOpen(true);
        FrmTerminal &window = fixture.start();
        if (!open)
            window.comm();
        if (failed) { // upload enabled before, to see it follow the closed port
            fixture.chooser.answer = fixture.tempDir.filePath(QStringLiteral("prog.hex"));
            window.mnuOpenLog_Click();
        }
        window.imgNotConnected->raise(); // stale if open: the dialog must set it right
        window.serial().raiseCommEvent(3);

        QString whileOpen;
        whenModal([&](QDialog &dialog) {
            choose(dialog, "cboPort", QStringLiteral("Com2"));
            const char *lists[] = {"cboSpeed", "cboParity", "cboDataBits", "cboStopBits"};
            for (int i = 0; i < lines.size(); ++i)
                choose(dialog, lists[i], lines[i]);
            click(dialog, "optEcho1");
            click(dialog, "cmdOK");
            if (dialog.isVisible())
                whileOpen = stateOf(window);
            click(dialog, "cmdCancel");
        });
        window.mnuProperties_Click();

        const bool nowOpen = open && !failed;
        QCOMPARE(stateOf(window),
                 QStringLiteral("port=%1 open=%2 indicator=%2 upload=%2").arg(failed ? 1 : 2).arg(nowOpen));
        QCOMPARE(whileOpen, failed ? stateOf(window) : QString());
        QVERIFY(window.shared().Echo); // on failure, Cancel keeps what OK had applied
        QCOMPARE(stored(fixture, "CommPort"), failed ? QString() : QStringLiteral("2"));
        if (failed) {
            QCOMPARE(fixture.boxes.shown.size(), 1);
            const MessageRequest box = fixture.boxes.shown.first();
            QCOMPARE(box.icon, MessageRequest::Icon::Exclamation);
            QCOMPARE(box.title + '|' + box.text, QStringLiteral("KORVEX Terminal|") + failure);
            // The system's reason, where there is one, goes below the description.
            QCOMPARE(box.informativeText.isEmpty(), com2 == QLatin1String("none"));
            return;
        }
        QVERIFY(fixture.boxes.shown.isEmpty());
        const QString settings =
            QStringLiteral("%1,%2,%3,%4").arg(lines[0], lines[1].left(1).toLower(), lines[2], lines[3]);
        QCOMPARE(panel(window, "Settings"), QStringLiteral("Settings: ") + settings);
        QCOMPARE(stored(fixture, "Settings"), settings);
        if (open) {
            window.serial().Output(QStringLiteral("Q"));
            QCOMPARE(second.readAtLeast(1), QByteArray("Q"));
        }
    }

    void layout_data()
    {
        QTest::addColumn<QSize>("size");
        QTest::newRow("as created") << QSize();
        QTest::newRow("wide and flat") << QSize(1200, 160);
        // Lower than menu, toolbar and status bar together: nothing is left.
        QTest::newRow("very low") << QSize(700, 1);
    }
    void layout()
    {
        QFETCH(QSize, size);
        TerminalFixture fixture;
        FrmTerminal &window = fixture.create();
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        const double dpi = twips::logicalDpi(&window);
        // As created, the client area below the menu bar measures 7155 x 4785 twips.
        QVERIFY(near(window.height() - window.menuBar()->height(), twips::toPixels(4785, dpi)));
        QVERIFY(near(window.width(), twips::toPixels(7155, dpi)));
        if (size.isValid()) {
            window.resize(size);
            QTRY_COMPARE(window.width(), size.width());
        }
        const QRect toolbar = window.tbrToolBar->geometry();
        const QRect status = window.sbrStatus->geometry();
        QCOMPARE(toolbar.top(), window.menuBar()->geometry().bottom() + 1);
        QCOMPARE(status.bottom(), window.height() - 1);
        if (size.height() == 1) {
            // The bars touch; the text box is out of sight, not squeezed over them.
            QCOMPARE(status.top(), toolbar.bottom() + 1);
            QVERIFY(!window.txtTerm->geometry().intersects(window.rect()));
            window.resize(700, 400); // and everything comes back
            QTRY_COMPARE(window.txtTerm->geometry().bottom() + 1, window.sbrStatus->y());
            QCOMPARE(window.txtTerm->y(), window.tbrToolBar->geometry().bottom() + 1);
        } else {
            QCOMPARE(window.txtTerm->geometry(),
                     QRect(0, toolbar.bottom() + 1, window.width(), status.top() - toolbar.bottom() - 1));
        }
        // Frame1 keeps one and a half of its widths from the right edge.
        const double frameTwips = twips::fromPixels(window.Frame1->width(), dpi);
        const int expectedLeft = twips::toPixels(twips::fromPixels(window.width(), dpi) - 1.5 * frameTwips, dpi);
        QVERIFY(near(window.Frame1->x(), expectedLeft));
        // The indicator sits in the toolbar's band, in front of it.
        QCOMPARE(window.Frame2->pos(),
                 QPoint(twips::toPixels(3240, dpi), window.tbrToolBar->y() + twips::toPixels(120, dpi)));
        if (size.height() != 1) {
            for (QLabel *image : {window.imgConnected, window.imgNotConnected}) {
                image->raise();
                QCOMPARE(window.childAt(image->mapTo(&window, image->rect().center())), image);
            }
        }
    }
};

QTEST_MAIN(TestWindowDialogs)
#include "tst_windowdialogs.moc"
