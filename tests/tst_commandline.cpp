#include "app/commandline.h"
#include "terminalfixture.h"

#include <QProcess>
#include <QtTest/QTest>

#include <memory>

// The command line: --version without a display, and a program file named
// there is chosen exactly as "Ouvrir" chooses it.
class TestCommandLine : public QObject
{
    Q_OBJECT
    // What a chosen file changes, and what viewing it then shows.
    static QString chooseAndView(TerminalFixture &fixture, const std::function<void(FrmTerminal &)> &choose)
    {
        FrmTerminal &window = fixture.start();
        fixture.boxes.shown.clear(); // start-up's own report (no stored settings)
        choose(window);
        command(window, "mnuVisu")->trigger();
        // The view's lines reach the terminal through its display queue.
        if (!QTest::qWaitFor([&] { return terminalText(window).contains('\n') || !fixture.boxes.shown.isEmpty(); },
                             5000))
            return QStringLiteral("<the view showed nothing>");
        QStringList boxes;
        for (const MessageRequest &request : fixture.boxes.shown) {
            const std::unique_ptr<char[]> text(toString(request));
            boxes << QString::fromUtf8(text.get());
        }
        return QStringLiteral("path=%1 panel=%2 commands=%3%4%5 boxes=%6 terminal=%7")
            .arg(window.shared().HexFilePath, panelText(window, "Fichier"))
            .arg(command(window, "mnuSendText")->isEnabled())
            .arg(command(window, "mnuVisu")->isEnabled())
            .arg(command(window, "TransmitTextFile")->isEnabled())
            .arg(boxes.join('|'), terminalText(window).section('\n', 0, 0));
    }

private slots:
    void version()
    {
        QProcess program;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.remove(QStringLiteral("DISPLAY"));
        environment.remove(QStringLiteral("WAYLAND_DISPLAY"));
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("no-such-platform"));
        program.setProcessEnvironment(environment);
        program.start(QStringLiteral(KORVEX_TERMINAL_EXECUTABLE), {QStringLiteral("--version")});
        QVERIFY(program.waitForFinished(30000));
        QCOMPARE(program.exitStatus(), QProcess::NormalExit);
        QCOMPARE(program.exitCode(), 0);
        QCOMPARE(QString::fromLocal8Bit(program.readAllStandardOutput()),
                 QStringLiteral("KORVEX Terminal " KORVEX_PROJECT_VERSION "\n"));
    }

    void fileArgument_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("viewShows");
        QTest::newRow("program") << QFINDTESTDATA("data/blink_sdcc.hex") << "boxes= terminal=10 4100:";
        // A path under a regular file: unreadable even for root.
        QTest::newRow("unreadable") << QFINDTESTDATA("data/blink_sdcc.c") + "/prog.hex"
                                    << "boxes={icon Critical";
    }
    void fileArgument()
    {
        QFETCH(QString, file);
        QFETCH(QString, viewShows);
        const CommandLine commandLine = parseCommandLine({QStringLiteral("korvex-terminal"), file});
        QCOMPARE(commandLine.action, CommandLine::Action::Run);

        TerminalFixture fromOuvrir;
        fromOuvrir.chooser.answer = file;
        const QString expected =
            chooseAndView(fromOuvrir, [](FrmTerminal &window) { command(window, "mnuOpenLog")->trigger(); });
        TerminalFixture fromCommandLine;
        const QString got =
            chooseAndView(fromCommandLine, [&](FrmTerminal &window) { window.chooseProgramFile(commandLine.hexFile); });

        QCOMPARE(got, expected);
        QVERIFY2(got.contains(QStringLiteral("panel=Fichier: ") + QFileInfo(file).fileName() + " commands=111"),
                 qPrintable(got));
        QVERIFY2(got.contains(viewShows), qPrintable(got));
    }
};

QTEST_MAIN(TestCommandLine)
#include "tst_commandline.moc"
