#include "app/commandline.h"

#include <QProcess>
#include <QtTest/QTest>

// The command line: --version without a display; a program file to choose at
// start-up (main hands it to the same routine as "Ouvrir"), or a clear refusal.
class TestCommandLine : public QObject
{
    Q_OBJECT
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

    void arguments_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("outcome"); // file to choose, or the start of the refusal
        QTest::newRow("none") << QStringList() << "Run: ";
        QTest::newRow("a program file") << QStringList{"/tmp/prog.hex"} << "Run: /tmp/prog.hex";
        QTest::newRow("two files") << QStringList{"a.hex", "b.hex"} << "Fail: Un seul fichier HEX peut être donné";
        QTest::newRow("unknown option") << QStringList{"--port"} << "Fail: Unknown option 'port'.\nLancez";
    }
    void arguments()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, outcome);
        const CommandLine line = parseCommandLine(QStringList{"korvex-terminal"} + arguments);
        const bool run = line.action == CommandLine::Action::Run;
        const QString got =
            QStringList{"Run", "Print", "Fail"}.at(int(line.action)) + ": " + (run ? line.hexFile : line.text);
        QVERIFY2(run ? got == outcome : got.startsWith(outcome), qPrintable(got));
    }
};

QTEST_GUILESS_MAIN(TestCommandLine)
#include "tst_commandline.moc"
