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

namespace {

const QStringList PanelKeys = {"Fichier", "Settings", "adresse", "ConnectTime"};

QLabel *label(FrmTerminal &window, const QString &key)
{
    return window.sbrStatus->findChild<QLabel *>(key);
}

QString panel(FrmTerminal &window, const char *key)
{
    return window.sbrStatus->panelText(QLatin1String(key));
}

int pixels(int twips, const QWidget *widget)
{
    return qRound(twips * widget->screen()->logicalDotsPerInchX() / 1440.0);
}

// Clicks a panel; the objectName of the modal dialog that opened (closed at once), or empty.
QString dialogOpenedByClicking(QLabel *panel)
{
    QObject context; // cancels the check if this returns first
    bool ran = false;
    QString dialog;
    QTimer::singleShot(0, &context, [&] {
        ran = true;
        if (QWidget *modal = QApplication::activeModalWidget()) {
            dialog = modal->objectName();
            modal->close();
        }
    });
    QTest::mouseClick(panel, Qt::LeftButton);
    return QTest::qWaitFor([&] { return ran; }, 5000) ? dialog : QStringLiteral("(no event loop pass)");
}

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
        const QStringList texts = {"Fichier:", "Settings:", "Adresse: 4100", ""};
        const QStringList tips = {"Nom du Fichier ouvert", "Communications Port Settings", "Adresse de départ", "Time"};
        QList<QLabel *> labels;
        for (qsizetype i = 0; i < PanelKeys.size(); ++i) {
            labels.append(label(window, PanelKeys[i]));
            QVERIFY(labels[i] && (i == 0 || labels[i]->x() > labels[i - 1]->x())); // present, in order
            QCOMPARE(window.sbrStatus->panelText(PanelKeys[i]), texts[i]);
            QCOMPARE(labels[i]->toolTip(), tips[i]);
        }
        QLabel *file = labels[0], *settings = labels[1], *address = labels[2], *clock = labels[3];
        QVERIFY(file->width() >= pixels(2440, file));
        QCOMPARE(address->width(), pixels(1440, address));
        QVERIFY(clock->width() >= pixels(705, clock));

        // "Settings" takes what a wider window adds; the others keep theirs.
        const int settingsWidth = settings->width(), fileWidth = file->width();
        window.resize(window.width() + 200, window.height());
        QTRY_VERIFY(settings->width() >= settingsWidth + 150);
        QCOMPARE(address->width(), pixels(1440, address));
        QCOMPARE(file->width(), fileWidth);
        // "Fichier" grows with a long name instead of cutting it, where the window leaves room.
        window.resize(pixels(14400, &window), window.height());
        const QString longName = "Fichier: " + QString(60, QLatin1Char('x')) + ".hex";
        window.sbrStatus->setPanelText(QStringLiteral("Fichier"), longName);
        QTRY_VERIFY(file->width() >= file->fontMetrics().horizontalAdvance(longName));
    }

    void clickOpensConfigExceptDuringUpload()
    {
        PtyPair pty; // a board that never answers: the upload keeps waiting
        TerminalFixture fixture;
        fixture.settings.mapPort(1, pty.slavePath());
        fixture.chooser.answer = QFINDTESTDATA("data/blink_sdcc.hex");
        FrmTerminal &window = fixture.start();
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        for (const QString &key : PanelKeys)
            QCOMPARE(dialogOpenedByClicking(label(window, key)), QStringLiteral("Config"));

        window.mnuOpenLog_Click();
        window.mnuSendText_Click();
        QVERIFY(window.uploadRunning());
        for (const QString &key : PanelKeys)
            QCOMPARE(dialogOpenedByClicking(label(window, key)), QString());
    }

    void clockFromCreation()
    {
        TerminalFixture fixture;
        FrmTerminal &window = fixture.create(); // no start-up, port closed: the clock runs anyway
        static const QRegularExpression format(QStringLiteral("^([01][0-9]|2[0-3]):[0-5][0-9]:[0-5][0-9] $"));
        QTRY_VERIFY_WITH_TIMEOUT(format.match(panel(window, "ConnectTime")).hasMatch(), 2000);
        const QString first = panel(window, "ConnectTime");
        const QTime shown = QTime::fromString(first.trimmed(), QStringLiteral("HH:mm:ss"));
        QVERIFY2((shown.secsTo(QTime::currentTime()) + 86400) % 86400 <= 2, qPrintable(first)); // midnight wraps
        QTRY_VERIFY_WITH_TIMEOUT(panel(window, "ConnectTime") != first, 2000);                  // it keeps ticking
    }

    // A line event shows its status at once; two seconds after the first event
    // (a second one does not restart Timer2) "Fichier" is rewritten once.
    void fileRewrittenAfterALineEvent()
    {
        TerminalFixture fixture;
        FrmTerminal &window = fixture.create();
        fixture.chooser.answer = QFINDTESTDATA("data/blink_sdcc.hex");
        window.mnuOpenLog_Click();
        window.sbrStatus->setPanelText(QStringLiteral("Fichier"), QString()); // so that the rewrite shows
        QElapsedTimer clock;
        clock.start();
        window.serial().raiseCommEvent(3);
        QTRY_VERIFY(window.Timer2.remainingTime() <= 1500);
        window.serial().raiseCommEvent(4);
        QVERIFY2(window.Timer2.remainingTime() <= 1500, qPrintable(QString::number(window.Timer2.remainingTime())));

        QTRY_COMPARE_WITH_TIMEOUT(panel(window, "Fichier"), QStringLiteral("Fichier: blink_sdcc.hex"), 4000);
        QVERIFY2(clock.elapsed() >= 1800, qPrintable(QString::number(clock.elapsed())));
        QVERIFY(!window.Timer2.isActive());
        QCOMPARE(panel(window, "Settings"), QStringLiteral("Status: Change in DSR Detected"));
    }

    // The 2-second tick itself is proven by the upload's time-out end to end.
    void timer3StoresOneInBoardReply()
    {
        TerminalFixture fixture;
        FrmTerminal &window = fixture.create();
        window.shared().BoardReply = QStringLiteral("late answer"); // whatever text was there
        window.Timer3.start();
        window.Timer3_Timer();
        QVERIFY(boardReplyIsNumber(window.shared().BoardReply, 1));
        QVERIFY(window.Timer3.isActive()); // the tick does not stop its timer: only the upload does
    }
};

QTEST_MAIN(TestStatusBar)
#include "tst_statusbar.moc"
