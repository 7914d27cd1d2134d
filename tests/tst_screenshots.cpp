// SPDX-License-Identifier: GPL-3.0-or-later
#include "info/aide.h"
#include "info/apropos.h"
#include "screen/terminalzoom.h"
#include "settings/config.h"
#include "settings/frmproperties.h"
#include "shared/qttranslations.h"
#include "simulatedboard.h"
#include "transfer/programcommands.h"
#include "transfer/qtfilechooser.h"

#include "terminalfixture.h"

#include <QtTest>
#include <QtWidgets>

// Every window, drawn as the user sees it: each must render, nothing may be cut off.
// With KORVEX_SCREENSHOT_DIR set (tools/screenshots.sh), each is saved there as <name>.png.
namespace {

// Text widgets or group boxes smaller than they ask to be, widgets sticking out of their parent.
QStringList cutOff(QWidget &window)
{
    QStringList problems;
    for (QWidget *widget : window.findChildren<QWidget *>()) {
        if (!widget->isVisibleTo(&window) || widget->isWindow())
            continue;
        QString name = QLatin1String(widget->metaObject()->className()) + ' ' + widget->objectName();
        for (const char *property : {"text", "title", "currentText"})
            name += ' ' + widget->property(property).toString();
        const bool carriesText = qobject_cast<QLabel *>(widget) || qobject_cast<QAbstractButton *>(widget)
                                 || qobject_cast<QComboBox *>(widget) || qobject_cast<QMenuBar *>(widget);
        const auto *label = qobject_cast<QLabel *>(widget);
        // A wrapped text needs its height at the width it has, whatever width it would like.
        const QSize least = label && label->wordWrap()          ? QSize(0, label->heightForWidth(label->width()))
                            : qobject_cast<QGroupBox *>(widget) ? widget->minimumSizeHint()
                            : carriesText                       ? widget->sizeHint()
                                                                : QSize();
        if (widget->width() < least.width() || widget->height() < least.height())
            problems << name + QStringLiteral(": cut off");
        // The main window's Frame1 lies below the toolbar's band by design.
        const QWidget *parent = widget->parentWidget();
        if (qobject_cast<const QToolBar *>(parent) && widget->objectName() == QLatin1String("Frame1"))
            continue;
        if (parent && !parent->rect().contains(widget->geometry()))
            problems << name + QStringLiteral(": outside its parent ") + parent->objectName();
    }
    return problems;
}

} // namespace

class TestScreenshots : public QObject
{
    Q_OBJECT
private slots:
    // As the program starts: Qt's own texts in French.
    void initTestCase() { QVERIFY(installQtFrenchTranslations(*QCoreApplication::instance())); }

    void windows_data()
    {
        QTest::addColumn<QString>("name");
        for (const char *name :
             {"frmTerminal", "frmTerminal-zoom", "frmProperties", "Config", "aide", "Apropos", "frmTransfert",
              "QFileDialog", "mnuTerminal", "loadResult", "findBar", "journal", "mnuFile"})
            QTest::newRow(name) << QString::fromLatin1(name);
    }
    void windows()
    {
        QFETCH(QString, name);
        // A started window on the simulated board, a program chosen.
        SimulatedBoard board;
        QVERIFY(board.open());
        TerminalFixture fixture;
        fixture.settings.mapPort(1, board.slavePath());
        const QString program = QFINDTESTDATA("data/blink_sdcc.hex");
        fixture.chooser.answer = program;
        fixture.devices = {
            {"pts", board.slavePath(), "FT232R USB UART", "FTDI", "A50285BI", "0403:6001", {}, "ftdi_sio"}};
        // As a classroom projector or a student with low vision would have it.
        const bool zoomed = name == u"frmTerminal-zoom";
        if (zoomed)
            fixture.settings.store.save(TerminalZoom::Section, TerminalZoom::Key, QStringLiteral("20"));
        FrmTerminal &window = fixture.start();
        command(window, "mnuOpenLog")->trigger();
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));

        std::unique_ptr<QWidget> dialog;
        SharedValues values = window.shared();
        auto *text = control<TerminalView>(window, "txtTerm");
        if (name == u"frmProperties") {
            dialog = std::make_unique<FrmProperties>(window.serial(), values, fixture.settings.store, fixture.boxes,
                                                     &window);
        } else if (name == u"Config") {
            dialog = std::make_unique<Config>(values, nullptr, &window);
        } else if (name == u"frmTransfert") { // mid-load, on a slow line
            board.setLineSpeed(2400);
            command(window, "mnuSendText")->trigger();
            QTRY_VERIFY_WITH_TIMEOUT(board.loadLines().size() >= 4, 10000);
        } else if (name == u"QFileDialog") { // lists .hex files under "*.HEX", and only them
            auto files = std::make_unique<QFileDialog>(&window);
            QtFileChooser::configure(*files, " Ouvrir Fichier HEX ", ProgramCommands::fileFilter(),
                                     QFileInfo(program).absolutePath());
            files->show();
            auto *view = files->findChild<QListView *>(QStringLiteral("listView"));
            QTRY_COMPARE(view->model()->rowCount(view->rootIndex()), 1);
            dialog = std::move(files);
        } else if (name == u"mnuTerminal") { // the terminal's context menu
            QContextMenuEvent request(QContextMenuEvent::Mouse, QPoint(20, 20), text->mapToGlobal(QPoint(20, 20)));
            QApplication::sendEvent(text->viewport(), &request);
        } else if (name == u"loadResult") { // the main window at its first size, after load and run
            command(window, "mnuLoadRun")->trigger();
            QTRY_VERIFY_WITH_TIMEOUT(!board.executeRequests().isEmpty() && !noticeText(window).isEmpty(), 10000);
        } else if (name == u"findBar") { // a dump searched, the second match current
            QTest::keyClick(text, Qt::Key_Return);
            QTest::keyClicks(text, QStringLiteral("P 4100\r"));
            QTRY_VERIFY(text->text().count(QLatin1String("> ")) == 2);
            command(window, "mnuRechercher")->trigger();
            QTest::keyClicks(control<QLineEdit>(window, "txtRechercher"), QStringLiteral("41"));
            QTest::keyClick(control<QLineEdit>(window, "txtRechercher"), Qt::Key_Return);
        } else if (name == u"journal" || name == u"mnuFile") { // a journal running, and the menu that stops it
            fixture.chooser.answer = fixture.tempDir.filePath(QStringLiteral("korvex-2026-12-07-2335.txt"));
            command(window, "mnuJournal")->trigger();
            if (name == u"mnuFile")
                window.findChild<QMenu *>(name)->popup(window.mapToGlobal(QPoint(0, 0)));
        } else if (name != u"frmTerminal" && !zoomed) {
            command(window, name == u"aide" ? "mnuaide" : "mnuapropos")->trigger();
        } else { // the board greets after the first Enter
            QTest::keyClick(text, Qt::Key_Return);
            QTRY_VERIFY(text->text().contains(QLatin1String("> ")));
            QTRY_VERIFY(!panelText(window, "ConnectTime").isEmpty());
            if (zoomed) // restored at start-up
                QCOMPARE(text->font().pointSize(), 20);
        }
        const bool whole = name.startsWith(QLatin1String("frmTerminal")) || name == u"loadResult" || name == u"findBar"
                           || name == u"journal";
        QWidget *shown = dialog ? dialog.get() : whole ? &window : window.findChild<QWidget *>(name);
        QVERIFY(shown);
        shown->show();
        QVERIFY(QTest::qWaitForWindowExposed(shown));
        // Texts just written (the clock) reach the layout through posted requests.
        QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
        const QImage image = shown->grab().toImage();
        // Saved before the checks, so that a fault can be seen as well as read.
        const QString directory = qEnvironmentVariable("KORVEX_SCREENSHOT_DIR");
        if (!directory.isEmpty())
            QVERIFY(QDir().mkpath(directory) && image.save(QDir(directory).filePath(name + ".png")));
        QSet<QRgb> colours; // something is drawn: not one flat colour
        for (int i = 0; i < image.width() * image.height(); i += 7)
            colours.insert(image.pixel(i % image.width(), i / image.width()));
        QVERIFY(colours.size() > 2);
        // Qt's file dialog sizes its icon buttons below their hint: its layout is Qt's.
        const QStringList problems = name == u"QFileDialog" ? QStringList() : cutOff(*shown);
        QVERIFY2(problems.isEmpty(), qPrintable(problems.join(QLatin1Char('\n'))));
    }
};

QTEST_MAIN(TestScreenshots)
#include "tst_screenshots.moc"
