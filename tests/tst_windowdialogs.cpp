#include "info/aide.h"
#include "info/apropos.h"
#include "settings/settingsstore.h"
#include "terminal/statuspanels.h"
#include "terminal/twips.h"

#include "ptypair.h"
#include "terminalfixture.h"

#include <QApplication>
#include <QComboBox>
#include <QDeadlineTimer>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QToolBar>
#include <QtTest/QTest>

#include <functional>

// The dialogs and the layout as the real main window runs them: the modal
// dialogs are opened by the window's own commands and driven while their
// exec() runs.
namespace {

using DialogAction = std::function<void(QDialog &)>;

// Runs `act` on the modal dialog once exec() has shown it. exec() only
// returns when the dialog closes, so a dialog the action leaves open is
// cancelled: a failing check must not hang the test.
void actOnModal(const DialogAction &act, QDeadlineTimer deadline)
{
    auto *dialog = qobject_cast<QDialog *>(QApplication::activeModalWidget());
    if (!dialog) {
        if (!deadline.hasExpired())
            QTimer::singleShot(10, [act, deadline] { actOnModal(act, deadline); });
        return;
    }
    act(*dialog);
    if (dialog->isVisible())
        dialog->reject();
}

void whenModal(const DialogAction &act)
{
    QTimer::singleShot(0, [act] { actOnModal(act, QDeadlineTimer(5000)); });
}

template <typename T>
T *child(QWidget &parent, const char *name)
{
    T *found = parent.findChild<T *>(QLatin1String(name));
    if (!found)
        qWarning("no child %s", name);
    return found;
}

void choose(QDialog &dialog, const char *list, const QString &entry)
{
    QComboBox *combo = child<QComboBox>(dialog, list);
    combo->setCurrentIndex(combo->findText(entry));
}

void click(QDialog &dialog, const char *button) { child<QPushButton>(dialog, button)->click(); }

QString panel(FrmTerminal &window, const char *key) { return window.sbrStatus->panelText(QLatin1String(key)); }

bool uploadEnabled(FrmTerminal &window)
{
    const bool button = window.toolbarButton(QStringLiteral("TransmitTextFile"))->isEnabled();
    // Menu item and button always go together here.
    return button && window.mnuSendText->isEnabled();
}

bool near(int actual, int expected) { return std::abs(actual - expected) <= 1; }

} // namespace

class TestWindowDialogs : public QObject
{
    Q_OBJECT
private slots:
    void cleanup();

    // Start address dialog.
    void startAddress_data();
    void startAddress();
    void statusBarClickOpensStartAddress();

    // Port properties dialog and what the window shows afterwards.
    void portSwitchWhileOpen();
    void failedPortSwitchShowsClosedPort();
    void portSwitchWhileClosedThenConnect();
    void settingsPanelAfterOk_data();
    void settingsPanelAfterOk();

    // Help and About.
    void infoWindowsOneEachAndModeless();

    // Layout.
    void initialClientSize();
    void textBoxFillsBetweenBars_data();
    void textBoxFillsBetweenBars();
    void indicatorInFrontOfToolbar();
};

void TestWindowDialogs::cleanup()
{
    QVERIFY(!QApplication::activeModalWidget());
}

// ---------------------------------------------------------------- start address

void TestWindowDialogs::startAddress_data()
{
    QTest::addColumn<QString>("typed"); // "<cancel>": change the text, then Cancel
    QTest::addColumn<QString>("address");
    QTest::newRow("list entry") << "4000" << "4000";
    QTest::newRow("typed text kept exactly") << " 8000 " << " 8000 ";
    QTest::newRow("empty") << "" << "";
    QTest::newRow("cancel") << "<cancel>" << "4100";
}

void TestWindowDialogs::startAddress()
{
    QFETCH(QString, typed);
    QFETCH(QString, address);
    TerminalFixture fixture;
    FrmTerminal &window = fixture.start();
    window.show();

    QString shown;
    bool modal = false;
    whenModal([&](QDialog &dialog) {
        modal = dialog.isModal() && dialog.parentWidget() == &window;
        QComboBox *field = child<QComboBox>(dialog, "adressedepart");
        shown = field->currentText();
        if (typed == QLatin1String("<cancel>")) {
            field->setEditText(QStringLiteral("9999"));
            click(dialog, "CancelButton");
            return;
        }
        field->setEditText(typed);
        click(dialog, "OKButton");
    });
    window.mnuConfig_Click();

    QVERIFY(modal);
    QCOMPARE(shown, QStringLiteral("4100"));
    QCOMPARE(window.shared().StartAddress, address);
    QCOMPARE(panel(window, "adresse"), QStringLiteral("Adresse: ") + address);
}

void TestWindowDialogs::statusBarClickOpensStartAddress()
{
    TerminalFixture fixture;
    FrmTerminal &window = fixture.start();
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    for (const char *key : {"Fichier", "Settings", "adresse", "ConnectTime"}) {
        QString opened;
        whenModal([&](QDialog &dialog) {
            opened = dialog.objectName();
            child<QComboBox>(dialog, "adressedepart")->setEditText(QLatin1String(key));
            click(dialog, "OKButton");
        });
        QTest::mouseClick(window.sbrStatus->panel(QLatin1String(key)), Qt::LeftButton);
        QCOMPARE(opened, QStringLiteral("Config"));
        QCOMPARE(window.shared().StartAddress, QLatin1String(key));
    }
}

// ---------------------------------------------------------------- port properties

// The port switch reopens the port and enables upload without any file; the
// indicator and the "Settings" panel show what is now in force.
void TestWindowDialogs::portSwitchWhileOpen()
{
    PtyPair first;
    PtyPair second;
    TerminalFixture fixture;
    fixture.settings.mapPort(1, first.slavePath());
    fixture.settings.mapPort(2, second.slavePath());
    FrmTerminal &window = fixture.start();
    QVERIFY(window.serial().PortOpen());
    QVERIFY(!uploadEnabled(window));

    whenModal([&](QDialog &dialog) {
        choose(dialog, "cboPort", QStringLiteral("Com2"));
        choose(dialog, "cboSpeed", QStringLiteral("4800"));
        click(dialog, "cmdOK");
    });
    window.mnuProperties_Click();

    QVERIFY(fixture.boxes.shown.isEmpty());
    QVERIFY(window.serial().PortOpen());
    QCOMPARE(window.serial().CommPort(), 2);
    QVERIFY(window.indicatorShowsConnected());
    QVERIFY(uploadEnabled(window));
    QCOMPARE(panel(window, "Settings"), QStringLiteral("Settings: 4800,n,8,1"));
    window.serial().Output(QStringLiteral("Q"));
    QCOMPARE(second.readAtLeast(1), QByteArray("Q"));
}

// A port switch that cannot reopen leaves the port closed: the indicator
// must say so, not keep "connected".
void TestWindowDialogs::failedPortSwitchShowsClosedPort()
{
    PtyPair first;
    TerminalFixture fixture;
    fixture.settings.mapPort(1, first.slavePath());
    FrmTerminal &window = fixture.start();
    fixture.chooser.answer = fixture.tempDir.filePath(QStringLiteral("prog.hex"));
    window.mnuOpenLog_Click();
    QVERIFY(window.indicatorShowsConnected());
    QVERIFY(uploadEnabled(window));

    bool openAfterFailedOk = false;
    bool indicatorWhileOpen = true;
    whenModal([&](QDialog &dialog) {
        choose(dialog, "cboPort", QStringLiteral("Com2")); // no device
        click(dialog, "cmdOK");
        openAfterFailedOk = dialog.isVisible();
        indicatorWhileOpen = window.indicatorShowsConnected();
        click(dialog, "cmdCancel");
    });
    window.mnuProperties_Click();

    QCOMPARE(fixture.boxes.shown.size(), 1);
    QCOMPARE(fixture.boxes.shown.first().text, QStringLiteral("Invalid Port Number"));
    QVERIFY(openAfterFailedOk);
    // Already right while the dialog still waits for the user.
    QVERIFY(!indicatorWhileOpen);
    QVERIFY(!window.serial().PortOpen());
    QCOMPARE(window.serial().CommPort(), 1);
    QVERIFY(!window.indicatorShowsConnected());
    QVERIFY(!uploadEnabled(window));
    QCOMPARE(panel(window, "Settings"), QStringLiteral("Settings: 9600,n,8,1"));
    QVERIFY(fixture.settings.store.get(SettingsStore::PropertiesSection, QStringLiteral("CommPort")).isEmpty());
}

void TestWindowDialogs::portSwitchWhileClosedThenConnect()
{
    PtyPair second;
    TerminalFixture fixture;
    fixture.settings.mapPort(2, second.slavePath());
    FrmTerminal &window = fixture.start(); // Com1 has no device
    fixture.boxes.shown.clear();

    whenModal([&](QDialog &dialog) {
        choose(dialog, "cboPort", QStringLiteral("Com2"));
        click(dialog, "cmdOK");
    });
    window.mnuProperties_Click();
    QVERIFY(fixture.boxes.shown.isEmpty());
    QVERIFY(!window.serial().PortOpen());
    QVERIFY(!window.indicatorShowsConnected());
    QVERIFY(!uploadEnabled(window));

    window.comm();
    QVERIFY(fixture.boxes.shown.isEmpty());
    QVERIFY(window.indicatorShowsConnected());
    window.serial().Output(QStringLiteral("W"));
    QCOMPARE(second.readAtLeast(1), QByteArray("W"));
}

void TestWindowDialogs::settingsPanelAfterOk_data()
{
    QTest::addColumn<bool>("open");
    QTest::addColumn<QString>("speed");
    QTest::addColumn<QString>("parity");
    QTest::addColumn<QString>("dataBits");
    QTest::addColumn<QString>("stopBits");
    QTest::addColumn<QString>("expected");
    // OK without changes rewrites the panel that a line event had taken over.
    QTest::newRow("unchanged, open") << true << "9600" << "None" << "8" << "1" << "Settings: 9600,n,8,1";
    QTest::newRow("speed while open") << true << "19200" << "None" << "8" << "1" << "Settings: 19200,n,8,1";
    // A pty takes any line settings while closed; they apply at the next open.
    QTest::newRow("all while closed") << false << "4800" << "Even" << "7" << "1.5" << "Settings: 4800,e,7,1.5";
}

void TestWindowDialogs::settingsPanelAfterOk()
{
    QFETCH(bool, open);
    QFETCH(QString, speed);
    QFETCH(QString, parity);
    QFETCH(QString, dataBits);
    QFETCH(QString, stopBits);
    QFETCH(QString, expected);
    PtyPair pty;
    TerminalFixture fixture;
    fixture.settings.mapPort(1, pty.slavePath());
    FrmTerminal &window = fixture.start();
    if (!open)
        window.comm();
    QCOMPARE(window.serial().PortOpen(), open);
    // A line event has written its status into the panel.
    window.serial().raiseCommEvent(3);
    QVERIFY(panel(window, "Settings").startsWith(QLatin1String("Status: ")));

    whenModal([&](QDialog &dialog) {
        choose(dialog, "cboSpeed", speed);
        choose(dialog, "cboParity", parity);
        choose(dialog, "cboDataBits", dataBits);
        choose(dialog, "cboStopBits", stopBits);
        click(dialog, "cmdOK");
    });
    window.mnuProperties_Click();

    QVERIFY(fixture.boxes.shown.isEmpty());
    QCOMPARE(panel(window, "Settings"), expected);
    QCOMPARE(fixture.settings.store.get(SettingsStore::PropertiesSection, QStringLiteral("Settings")),
             expected.mid(int(qstrlen("Settings: "))));
    QCOMPARE(window.serial().PortOpen(), open);
    QCOMPARE(window.indicatorShowsConnected(), open);
}

// ---------------------------------------------------------------- help and About

void TestWindowDialogs::infoWindowsOneEachAndModeless()
{
    TerminalFixture fixture;
    FrmTerminal &window = fixture.create();
    window.show();
    window.mnuaide_Click();
    window.mnuapropos_Click();
    window.mnuaide_Click();
    window.mnuapropos_Click();
    QCOMPARE(window.findChildren<Aide *>().size(), 1);
    QCOMPARE(window.findChildren<Apropos *>().size(), 1);
    Aide *aide = window.findChildren<Aide *>().first();
    Apropos *apropos = window.findChildren<Apropos *>().first();
    QVERIFY(aide->isVisible());
    QVERIFY(apropos->isVisible());
    QVERIFY(!aide->isModal());
    QVERIFY(!apropos->isModal());
    QVERIFY(!QApplication::activeModalWidget());
    // The terminal still takes input while both are open.
    QVERIFY(window.isEnabled() && window.txtTerm->isEnabled());

    // OK unloads; the next show builds afresh, so an edit of the help is gone.
    child<QPlainTextEdit>(*aide, "Text1")->setPlainText(QStringLiteral("edited"));
    child<QPushButton>(*aide, "OKButton")->click();
    QTRY_VERIFY(window.findChildren<Aide *>().isEmpty());
    QVERIFY(apropos->isVisible());
    window.mnuaide_Click();
    QCOMPARE(window.findChildren<Aide *>().size(), 1);
    QCOMPARE(child<QPlainTextEdit>(*window.findChildren<Aide *>().first(), "Text1")->toPlainText(),
             Aide::helpText());
}

// ---------------------------------------------------------------- layout

// The window as created: the client area below the menu bar (toolbar, text
// box and status bar) measures 7155 x 4785 twips.
void TestWindowDialogs::initialClientSize()
{
    TerminalFixture fixture;
    FrmTerminal &window = fixture.create();
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    const double dpi = twips::logicalDpi(&window);

    const int clientHeight = window.tbrToolBar->height() + window.txtTerm->height() + window.sbrStatus->height();
    QVERIFY2(near(clientHeight, twips::toPixels(4785, dpi)), qPrintable(QString::number(clientHeight)));
    QVERIFY2(near(window.width(), twips::toPixels(7155, dpi)), qPrintable(QString::number(window.width())));
    QCOMPARE(window.tbrToolBar->y(), window.menuBar()->geometry().bottom() + 1);
    QCOMPARE(window.sbrStatus->geometry().bottom(), window.height() - 1);
}

void TestWindowDialogs::textBoxFillsBetweenBars_data()
{
    QTest::addColumn<QSize>("size");
    QTest::newRow("as created") << QSize();
    QTest::newRow("wider and taller") << QSize(900, 640);
    QTest::newRow("narrow and tall") << QSize(420, 700);
    QTest::newRow("wide and flat") << QSize(1200, 160);
    // Lower than menu, toolbar and status bar together: nothing is left.
    QTest::newRow("very low") << QSize(700, 1);
}

void TestWindowDialogs::textBoxFillsBetweenBars()
{
    QFETCH(QSize, size);
    TerminalFixture fixture;
    FrmTerminal &window = fixture.create();
    window.txtTerm->setPlainText(QStringLiteral("kept\n"));
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    if (size.isValid()) {
        window.resize(size);
        QTRY_COMPARE(window.width(), size.width());
    }
    const double dpi = twips::logicalDpi(&window);

    const QRect toolbar = window.tbrToolBar->geometry();
    const QRect status = window.sbrStatus->geometry();
    const QRect text = window.txtTerm->geometry();
    QCOMPARE(status.bottom(), window.height() - 1);
    if (size.height() == 1) {
        // The bars touch; the text box is out of sight, not squeezed over them.
        QCOMPARE(status.top(), toolbar.bottom() + 1);
        QVERIFY(!text.intersects(window.rect()));
        // Made higher again, everything comes back.
        window.resize(700, 400);
        QTRY_COMPARE(window.height(), 400);
        QTRY_COMPARE(window.txtTerm->y(), window.tbrToolBar->geometry().bottom() + 1);
        QCOMPARE(window.txtTerm->geometry().bottom() + 1, window.sbrStatus->y());
        QCOMPARE(window.txtTerm->width(), 700);
    } else {
        QCOMPARE(text.left(), 0);
        QCOMPARE(text.width(), window.width());
        QCOMPARE(text.top(), toolbar.bottom() + 1);
        QCOMPARE(text.bottom() + 1, status.top());
    }
    QCOMPARE(window.txtTerm->toPlainText(), QStringLiteral("kept\n"));

    // Frame1 keeps one and a half of its widths from the right edge.
    const double clientTwips = twips::fromPixels(window.width(), dpi);
    const double frameTwips = twips::fromPixels(window.Frame1->width(), dpi);
    const int expectedLeft = twips::toPixels(clientTwips - 1.5 * frameTwips, dpi);
    QVERIFY2(near(window.Frame1->x(), expectedLeft),
             qPrintable(QStringLiteral("%1 vs %2").arg(window.Frame1->x()).arg(expectedLeft)));
}

// The indicator frame sits in the toolbar's band, right of the buttons, and
// is what the user sees there: in front of the toolbar at every size.
void TestWindowDialogs::indicatorInFrontOfToolbar()
{
    PtyPair pty;
    TerminalFixture fixture;
    fixture.settings.mapPort(1, pty.slavePath());
    FrmTerminal &window = fixture.start();
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    const double dpi = twips::logicalDpi(&window);

    for (const QSize &size : {QSize(), QSize(1000, 500), QSize(500, 400)}) {
        if (size.isValid()) {
            window.resize(size);
            QTRY_COMPARE(window.size(), size);
        }
        QVERIFY(window.Frame2->isVisible());
        QVERIFY(window.Frame2->geometry().intersects(window.tbrToolBar->geometry()));
        const QObjectList siblings = window.children();
        QVERIFY(siblings.indexOf(window.Frame2) > siblings.indexOf(window.tbrToolBar));
        QCOMPARE(window.Frame2->x(), twips::toPixels(3240, dpi));
        QCOMPARE(window.Frame2->y(), window.tbrToolBar->y() + twips::toPixels(120, dpi));

        // The buttons end before it.
        QWidget *lastButton = window.tbrToolBar->widgetForAction(window.toolbarButton(QStringLiteral("comm")));
        QVERIFY(lastButton);
        QVERIFY(lastButton->mapTo(&window, QPoint(lastButton->width(), 0)).x() <= window.Frame2->x());

        // Both images at one place; what a click there hits is the front one.
        QCOMPARE(window.imgConnected->geometry(), window.imgNotConnected->geometry());
        QCOMPARE(window.imgConnected->size(), QSize(twips::toPixels(240, dpi), twips::toPixels(240, dpi)));
        const QPoint centre = window.imgConnected->mapTo(&window, window.imgConnected->rect().center());
        QCOMPARE(window.childAt(centre), window.imgConnected);
    }
    window.comm();
    const QPoint centre = window.imgNotConnected->mapTo(&window, window.imgNotConnected->rect().center());
    QCOMPARE(window.childAt(centre), window.imgNotConnected);
}

QTEST_MAIN(TestWindowDialogs)
#include "tst_windowdialogs.moc"
