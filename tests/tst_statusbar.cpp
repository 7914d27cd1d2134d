#include "terminal/statuspanels.h"

#include "ptypair.h"
#include "terminalfixture.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QRegularExpression>
#include <QScreen>
#include <QTime>
#include <QtTest/QTest>

#include <algorithm>

namespace {

const QStringList PanelKeys = {QStringLiteral("Fichier"), QStringLiteral("Settings"), QStringLiteral("adresse"),
                               QStringLiteral("ConnectTime")};

QLabel *panelLabel(FrmTerminal &window, const QString &key)
{
    return window.sbrStatus->findChild<QLabel *>(key);
}

QString panel(FrmTerminal &window, const char *key)
{
    return window.sbrStatus->panelText(QLatin1String(key));
}

int pixels(int twipsLength, const QWidget *widget)
{
    const QScreen *screen = widget->screen() ? widget->screen() : QGuiApplication::primaryScreen();
    return qRound(twipsLength * screen->logicalDotsPerInchX() / 1440.0);
}

// Arms a check for the next event-loop pass: if a modal dialog is open then,
// it is noted and closed, so that the exec() that opened it returns.
struct ModalWatcher
{
    bool ran = false;
    QString dialog; // objectName of the modal widget found, empty when none

    void arm()
    {
        ran = false;
        dialog.clear();
        QTimer::singleShot(0, qApp, [this] {
            ran = true;
            if (QWidget *modal = QApplication::activeModalWidget()) {
                dialog = modal->objectName();
                modal->close();
            }
        });
    }
};

} // namespace

class TestStatusBar : public QObject
{
    Q_OBJECT
private slots:
    void panelsAsCreated()
    {
        TerminalFixture fixture;
        FrmTerminal &window = fixture.create();
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));

        const QStringList texts = {QStringLiteral("Fichier:"), QStringLiteral("Settings:"),
                                   QStringLiteral("Adresse: 4100"), QString()};
        const QStringList tooltips = {QStringLiteral("Nom du Fichier ouvert"),
                                      QStringLiteral("Communications Port Settings"),
                                      QStringLiteral("Adresse de départ"), QStringLiteral("Time")};
        QList<QLabel *> labels;
        for (qsizetype i = 0; i < PanelKeys.size(); ++i) {
            QLabel *label = panelLabel(window, PanelKeys[i]);
            QVERIFY2(label, qPrintable(PanelKeys[i]));
            QCOMPARE(window.sbrStatus->panelText(PanelKeys[i]), texts[i]);
            QCOMPARE(label->toolTip(), tooltips[i]);
            labels.append(label);
        }
        QVERIFY(std::is_sorted(labels.cbegin(), labels.cend(),
                               [](const QLabel *a, const QLabel *b) { return a->x() < b->x(); }));

        QLabel *file = labels[0], *settings = labels[1], *address = labels[2], *clock = labels[3];
        QVERIFY(file->width() >= pixels(2440, file));
        QCOMPARE(address->width(), pixels(1440, address));
        QVERIFY(clock->width() >= pixels(705, clock));

        // "Settings" takes what a wider window adds; the others keep theirs.
        const int settingsWidth = settings->width();
        const int fileWidth = file->width();
        window.resize(window.width() + 200, window.height());
        QTRY_VERIFY(settings->width() >= settingsWidth + 150);
        QCOMPARE(address->width(), pixels(1440, address));
        QCOMPARE(file->width(), fileWidth);

        // "Fichier" grows with a long file name instead of cutting it, where
        // the window leaves room.
        window.resize(pixels(14400, &window), window.height());
        const QString longName = QStringLiteral("Fichier: ") + QString(60, QLatin1Char('x')) + QStringLiteral(".hex");
        window.sbrStatus->setPanelText(QStringLiteral("Fichier"), longName);
        QTRY_VERIFY(file->width() >= file->fontMetrics().horizontalAdvance(longName));
    }

    void clickOnAnyPanelOpensTheStartAddressDialog_data()
    {
        QTest::addColumn<QString>("key");
        for (const QString &key : PanelKeys)
            QTest::newRow(qPrintable(key)) << key;
    }
    void clickOnAnyPanelOpensTheStartAddressDialog()
    {
        QFETCH(QString, key);
        TerminalFixture fixture;
        FrmTerminal &window = fixture.start();
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));

        ModalWatcher watcher;
        watcher.arm();
        QTest::mouseClick(panelLabel(window, key), Qt::LeftButton);
        QTRY_VERIFY(watcher.ran);
        QCOMPARE(watcher.dialog, QStringLiteral("Config"));
        // Closed without OK: the address stays.
        QCOMPARE(panel(window, "adresse"), QStringLiteral("Adresse: 4100"));
    }

    void noDialogWhileAnUploadRuns()
    {
        PtyPair pty; // a board that never answers: the upload keeps waiting
        TerminalFixture fixture;
        fixture.settings.mapPort(1, pty.slavePath());
        fixture.chooser.answer = QFINDTESTDATA("data/blink_sdcc.hex");
        FrmTerminal &window = fixture.start();
        QVERIFY(window.serial().PortOpen());
        window.mnuOpenLog_Click();
        window.mnuSendText_Click();
        QVERIFY(window.uploadRunning());

        ModalWatcher watcher;
        for (const QString &key : PanelKeys) {
            watcher.arm();
            QTest::mouseClick(panelLabel(window, key), Qt::LeftButton);
            QTRY_VERIFY(watcher.ran);
            QVERIFY2(watcher.dialog.isEmpty(), qPrintable(key + QStringLiteral(" opened ") + watcher.dialog));
        }
        QVERIFY(window.uploadRunning());
    }

    void clockFromCreation()
    {
        TerminalFixture fixture;
        FrmTerminal &window = fixture.create(); // no start-up, port closed: the clock runs anyway
        QVERIFY(window.Timer1.isActive());
        QCOMPARE(window.Timer1.interval(), 1000);

        static const QRegularExpression format(QStringLiteral("^([01][0-9]|2[0-3]):[0-5][0-9]:[0-5][0-9] $"));
        QTRY_VERIFY_WITH_TIMEOUT(format.match(panel(window, "ConnectTime")).hasMatch(), 2000);
        const QString first = panel(window, "ConnectTime");
        const QTime shown = QTime::fromString(first.trimmed(), QStringLiteral("HH:mm:ss"));
        const int behind = (shown.secsTo(QTime::currentTime()) + 86400) % 86400; // midnight wraps
        QVERIFY2(behind <= 2, qPrintable(first));

        // It keeps ticking.
        QTRY_VERIFY_WITH_TIMEOUT(panel(window, "ConnectTime") != first, 2000);
        QVERIFY(format.match(panel(window, "ConnectTime")).hasMatch());
    }

    // After a line event, "Fichier" is rewritten once, two seconds later;
    // the status stays in "Settings".
    void fileRewrittenAfterALineEvent_data()
    {
        QTest::addColumn<bool>("chooseFile");
        QTest::addColumn<QString>("expected");
        QTest::newRow("no file yet") << false << QStringLiteral("Fichier: ");
        QTest::newRow("file chosen") << true << QStringLiteral("Fichier: blink_sdcc.hex");
    }
    void fileRewrittenAfterALineEvent()
    {
        QFETCH(bool, chooseFile);
        QFETCH(QString, expected);
        TerminalFixture fixture;
        FrmTerminal &window = fixture.create();
        QCOMPARE(window.Timer2.interval(), 2000);
        QVERIFY(!window.Timer2.isActive());
        if (chooseFile) {
            fixture.chooser.answer = QFINDTESTDATA("data/blink_sdcc.hex");
            window.mnuOpenLog_Click();
            QCOMPARE(panel(window, "Fichier"), expected);
            // Blanked, so that the tick's rewrite of the same text shows.
            window.sbrStatus->setPanelText(QStringLiteral("Fichier"), QString());
        }
        const QString before = panel(window, "Fichier");

        QElapsedTimer clock;
        clock.start();
        window.serial().raiseCommEvent(4);
        QCOMPARE(panel(window, "Settings"), QStringLiteral("Status: Change in DSR Detected"));
        QVERIFY(window.Timer2.isActive());
        QCOMPARE(panel(window, "Fichier"), before);

        QTRY_COMPARE_WITH_TIMEOUT(panel(window, "Fichier"), expected, 4000);
        QVERIFY2(clock.elapsed() >= 1800, qPrintable(QString::number(clock.elapsed())));
        QVERIFY(!window.Timer2.isActive());
        QCOMPARE(panel(window, "Settings"), QStringLiteral("Status: Change in DSR Detected"));
    }

    void secondEventDoesNotRestartTimer2()
    {
        TerminalFixture fixture;
        FrmTerminal &window = fixture.create();
        window.serial().raiseCommEvent(3);
        QTRY_VERIFY(window.Timer2.remainingTime() <= 1500);
        window.serial().raiseCommEvent(5);
        QCOMPARE(panel(window, "Settings"), QStringLiteral("Status: Change in CD Detected"));
        QVERIFY(window.Timer2.isActive());
        QVERIFY2(window.Timer2.remainingTime() <= 1500, qPrintable(QString::number(window.Timer2.remainingTime())));
    }

    void timer3StoresOneInBoardReply()
    {
        TerminalFixture fixture;
        FrmTerminal &window = fixture.create();
        QCOMPARE(window.Timer3.interval(), 2000);
        QVERIFY(!window.Timer3.isActive());

        window.shared().BoardReply = 0;
        QElapsedTimer clock;
        clock.start();
        window.Timer3.start();
        QTRY_VERIFY_WITH_TIMEOUT(boardReplyIsNumber(window.shared().BoardReply, 1), 4000);
        QVERIFY2(clock.elapsed() >= 1800, qPrintable(QString::number(clock.elapsed())));
        // The tick does not stop its timer: only the upload does.
        QVERIFY(window.Timer3.isActive());

        // The tick stores the number, whatever text was there.
        window.shared().BoardReply = QStringLiteral("late answer");
        window.Timer3_Timer();
        QVERIFY(boardReplyIsNumber(window.shared().BoardReply, 1));
    }
};

QTEST_MAIN(TestStatusBar)
#include "tst_statusbar.moc"
