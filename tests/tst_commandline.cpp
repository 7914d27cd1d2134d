// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/commandline.h"

#include <QtTest/QTest>

// The command line: the version, a program file to choose at start-up (main
// hands it to the same routine as "Ouvrir"), or a clear refusal.
class TestCommandLine : public QObject
{
    Q_OBJECT
private slots:
    void arguments_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("outcome"); // file to choose, or the start of the refusal
        QTest::newRow("none") << QStringList() << "Run: ";
        QTest::newRow("version") << QStringList{"--version"} << "Print: KORVEX Terminal " KORVEX_PROJECT_VERSION "\n";
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
