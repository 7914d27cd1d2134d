// SPDX-License-Identifier: GPL-3.0-or-later
// The journal, the saved terminal and the find bar: the journal's file
// against what the board sent, through the real window on the simulated
// board; the find logic by a table.

#include "screen/terminalsearch.h"
#include "simulatedboard.h"
#include "terminal/journal.h"
#include "terminalfixture.h"

#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QStatusBar>
#include <QtTest/QTest>

namespace {

QByteArray contents(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

// What the terminal shows for text without backspaces.
QString shown(const QByteArray &bytes)
{
    return QString::fromLatin1(bytes).remove(QLatin1Char('\n')).replace(QLatin1Char('\r'), QLatin1Char('\n'));
}

// 80-character lines: a number, letters, an accent the line carries as one byte, CR LF.
QByteArray lines(int count)
{
    QByteArray out;
    for (int i = 0; i < count; ++i)
        out += QByteArray::number(i).rightJustified(5, '0') + ' ' + QByteArray(71, char('a' + i % 26)) + "\xe9\r\n";
    return out;
}

struct Session
{
    SimulatedBoard board;
    TerminalFixture fixture;
    FrmTerminal *window = nullptr;

    bool start(const QString &settings = QStringLiteral("9600,n,8,1"))
    {
        fixture.settings.storeProperties(settings, "1", "0", "0");
        if (!board.open())
            return false;
        fixture.settings.mapPort(1, board.slavePath());
        window = &fixture.start();
        return window->serial().PortOpen();
    }
    TerminalView *txtTerm() const { return control<TerminalView>(*window, "txtTerm"); }
    QString text() const { return txtTerm()->text(); }
    void trigger(const char *name, const QString &answer)
    {
        fixture.chooser.answer = answer;
        command(*window, name)->trigger();
    }
    QString path(const char *name) const { return fixture.tempDir.filePath(QLatin1String(name)); }
};

} // namespace

class TestJournal : public QObject
{
    Q_OBJECT
private slots:
    // Nothing is written per chunk; within a second the block is; a new start continues the file.
    void writesInBlocksAtLeastOncePerSecond()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("j.txt");
        Journal journal;
        QVERIFY(journal.start(path));
        QByteArray expected;
        for (int i = 0; i < 300; ++i) {
            journal.append(QStringLiteral("ligne %1 \u00e9t\u00e9\r\n").arg(i));
            expected += "ligne " + QByteArray::number(i) + " \xe9t\xe9\r\n";
        }
        QCOMPARE(contents(path), QByteArray());
        QTRY_COMPARE_WITH_TIMEOUT(contents(path), expected, 1500);
        journal.append(u"fin");
        QVERIFY(journal.stop() && !journal.isRunning());
        QVERIFY(journal.start(path) && journal.stop());
        QCOMPARE(contents(path), expected + "fin");
    }

    // A folder in the way, then a file deleted meanwhile: each one signal with the reason and what was not
    // written; the journal stops and never makes the file again.
    void failuresAreReportedOnce()
    {
        QTemporaryDir dir;
        QVERIFY(QFile(dir.filePath("file")).open(QIODevice::WriteOnly));
        Journal journal;
        QSignalSpy failed(&journal, &Journal::failed);
        QVERIFY(!journal.start(dir.filePath("file/j.txt")));
        QVERIFY(journal.start(dir.filePath("j.txt")) && QFile::remove(dir.filePath("j.txt")));
        journal.append(u"ghij");
        QVERIFY(!journal.stop());
        journal.append(u"more");
        QCOMPARE(failed.size(), 2);
        QVERIFY(failed[0][1].toString().contains("pas un dossier"));
        QVERIFY(failed[1][1].toString().contains("supprimé ou déplacé"));
        QCOMPARE(failed[1][3].toLongLong(), 4);
        QVERIFY(!journal.isRunning() && !QFile::exists(dir.filePath("j.txt")));
    }

    // The whole session at 115200 bit/s: the file is every byte displayed, far beyond what the terminal keeps,
    // through a disconnect and reconnect; the indicator and the menu follow it.
    void sessionJournalIsEverythingDisplayed()
    {
        Session s;
        QVERIFY(s.start(QStringLiteral("115200,n,8,1")));
        s.board.setLineSpeed(115200);
        s.trigger("mnuJournal", s.path("session.txt"));
        const QRegularExpression name(QStringLiteral("/korvex-\\d{4}-\\d\\d-\\d\\d-\\d{4}\\.txt$"));
        QVERIFY(name.match(s.fixture.chooser.lastSuggestedPath).hasMatch());
        QWidget *indicator = control<QWidget>(*s.window, "Journal");
        QCOMPARE(indicator->accessibleName(), QStringLiteral("Journal : session.txt"));
        QVERIFY(!indicator->isHidden() && command(*s.window, "mnuJournal")->isChecked());
        QCOMPARE(command(*s.window, "mnuJournal")->text(), QStringLiteral("Arrêter le &journal"));

        const QByteArray sent = lines(500);
        s.board.send(sent);
        QTRY_VERIFY_WITH_TIMEOUT(s.board.pendingOutput() == 0 && s.text().endsWith(shown(sent.right(160))), 15000);
        command(*s.window, "comm")->trigger();
        command(*s.window, "comm")->trigger();
        QVERIFY(s.window->serial().PortOpen());
        QTest::keyClicks(s.txtTerm(), QStringLiteral("R\r"));
        QTRY_VERIFY(s.text().endsWith(QStringLiteral("\n> ")));
        s.trigger("mnuJournal", {});
        QVERIFY(indicator->isHidden() && !command(*s.window, "mnuJournal")->isChecked());

        const QByteArray file = contents(s.path("session.txt"));
        QCOMPARE(file.left(sent.size()), sent);
        QVERIFY2(s.text().size() <= 16000 + 4096, qPrintable(QString::number(s.text().size())));
        const QString answer = s.text().mid(s.text().lastIndexOf(shown(sent.right(80))) + 79);
        QVERIFY(answer.startsWith(QStringLiteral("R\n00: ")));
        QCOMPARE(shown(file), shown(sent) + answer);
        QCOMPARE(s.fixture.boxes.shown.size(), 0);
        s.trigger("mnuJournal", {}); // the next one is proposed in the same folder
        QCOMPARE(QFileInfo(s.fixture.chooser.lastSuggestedPath).path(), s.fixture.tempDir.path());
    }

    // The journal's folder vanishes: one box naming the file, the line goes on both ways.
    void removedFolderEndsWithOneBox()
    {
        Session s;
        QVERIFY(s.start());
        QVERIFY(QDir(s.fixture.tempDir.path()).mkdir("usb"));
        s.trigger("mnuJournal", s.path("usb/j.txt"));
        s.board.send("avant\r\n");
        QTRY_VERIFY(contents(s.path("usb/j.txt")) == "avant\r\n");
        QVERIFY(QDir(s.path("usb")).removeRecursively());
        s.board.send("pendant\r\n");
        QTRY_COMPARE(s.fixture.boxes.shown.size(), 1);
        const MessageRequest box = s.fixture.boxes.shown[0];
        QCOMPARE(box.text, "Journal arrêté : impossible d'écrire le fichier " + s.path("usb/j.txt"));
        QVERIFY(box.informativeText.contains("n'existe plus") && box.informativeText.contains("7 octets"));
        QVERIFY(control<QWidget>(*s.window, "Journal")->isHidden());
        QTest::keyClicks(s.txtTerm(), QStringLiteral("R\r"));
        QTRY_COMPARE(s.board.bytesReceived(), QByteArray("R\r"));
        QTRY_VERIFY(s.text().startsWith("avant\npendant\nR\n00: ") && s.text().endsWith("> "));
        QCOMPARE(s.fixture.boxes.shown.size(), 1);
    }

    // The saved file is the terminal's text, byte for byte; a place that cannot be written: one box.
    void saveWritesTheTerminalText()
    {
        Session s;
        QVERIFY(s.start());
        s.board.send("\xe9t\xe9 1\r\n\tdeux\x08X\r\n");
        QTRY_VERIFY(s.text().endsWith("X\n"));
        s.trigger("mnuSaveTerminal", s.path("terminal.txt"));
        QCOMPARE(contents(s.path("terminal.txt")), s.text().toLatin1());
        QCOMPARE(s.text(), QString::fromLatin1("\xe9t\xe9 1\n\tdeuX\n"));
        s.trigger("mnuSaveTerminal", s.path("terminal.txt/dans.txt"));
        QCOMPARE(s.fixture.boxes.shown.size(), 1);
        QCOMPARE(s.fixture.boxes.shown[0].text, "Impossible d'écrire le fichier " + s.path("terminal.txt/dans.txt"));
    }

    // Typing in the bar finds as it goes and sends nothing; the current match stays on its text while the board
    // talks; Escape gives the keys back to the board.
    void findBarWithTheBoardTalking()
    {
        Session s;
        QVERIFY(s.start());
        s.board.send("ok\r\nERR 1\r\nok\r\nerr 2\r\n");
        QTRY_VERIFY(s.text().endsWith("err 2\n"));
        s.window->show();
        QVERIFY(QTest::qWaitForWindowActive(s.window));
        QTest::keyClick(s.txtTerm(), Qt::Key_F, Qt::ControlModifier | Qt::ShiftModifier);
        auto *pattern = control<QLineEdit>(*s.window, "txtRechercher");
        QTRY_VERIFY(pattern->hasFocus());
        QTest::keyClicks(pattern, QStringLiteral("err"));
        QCOMPARE(panelText(*s.window, "lblResultat"), QStringLiteral("2 sur 2"));
        QTest::keyClick(pattern, Qt::Key_Return);
        QCOMPARE(panelText(*s.window, "lblResultat"), QStringLiteral("1 sur 2"));
        s.board.send("encore ERR\r\n");
        QTRY_VERIFY(s.text().endsWith("ERR\n"));
        const TextMarks marks = s.txtTerm()->marks();
        QCOMPARE(marks.starts.size(), 3);
        QCOMPARE(s.text().mid(marks.starts[marks.current], 5), QStringLiteral("ERR 1"));
        QCOMPARE(panelText(*s.window, "lblResultat"), QStringLiteral("1 sur 3"));
        QTest::keyClick(pattern, Qt::Key_F3, Qt::ShiftModifier);
        QCOMPARE(panelText(*s.window, "lblResultat"), QStringLiteral("3 sur 3"));
        QCOMPARE(s.board.bytesReceived(), QByteArray());
        QTest::keyClick(pattern, Qt::Key_Escape);
        QVERIFY(!control<QWidget>(*s.window, "findBar")->isVisible() && s.txtTerm()->hasFocus());
        QVERIFY(s.txtTerm()->marks().starts.isEmpty());
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_R);
        QTRY_COMPARE(s.board.bytesReceived(), QByteArray("r"));
    }

    void search_data()
    {
        QTest::addColumn<QString>("pattern");
        QTest::addColumn<bool>("matchCase");
        QTest::addColumn<QString>("moves"); // n next, p previous, then the edit, then the rest
        QTest::addColumn<int>("dropped");   // by the edit, from the start; -1: no edit
        QTest::addColumn<QString>("added"); // by the edit, at the end
        QTest::addColumn<QString>("status");
        QTest::addColumn<int>("current"); // start of the current match, -1: none
        // clang-format off
        QTest::newRow("newest first") << "ab" << false << "" << -1 << "" << "4 sur 4" << 18;
        QTest::newRow("next wraps") << "ab" << false << "n" << -1 << "" << "1 sur 4" << 0;
        QTest::newRow("previous") << "ab" << false << "pp" << -1 << "" << "2 sur 4" << 6;
        QTest::newRow("case matched") << "AB" << true << "" << -1 << "" << "1 sur 1" << 6;
        QTest::newRow("accents, any case") << "élève" << false << "" << -1 << "" << "2 sur 2" << 27;
        QTest::newRow("nothing") << "zz" << false << "" << -1 << "" << "Aucun résultat" << -1;
        QTest::newRow("text arrives") << "ab" << false << "n" << 0 << " ab" << "1 sur 5" << 0;
        QTest::newRow("trimmed, kept") << "ab" << false << "nn" << 4 << "" << "1 sur 3" << 2;
        QTest::newRow("scrolled out") << "ab" << false << "n" << 4 << "" << "Sorti des 16000 caractères gardés" << -1;
        QTest::newRow("scrolled out, then next") << "ab" << false << "n|n" << 4 << "" << "1 sur 3" << 2;
        QTest::newRow("arrives after none") << "zz" << false << "" << 0 << " zz" << "1 sur 1" << 33;
        // clang-format on
    }

    void search()
    {
        QFETCH(QString, pattern);
        QFETCH(bool, matchCase);
        QFETCH(QString, moves);
        QFETCH(int, dropped);
        QFETCH(QString, added);
        QFETCH(QString, status);
        QFETCH(int, current);
        QString text = QStringLiteral("ab ** AB -- ab .. ab Élève élève");
        TerminalSearch search;
        search.setPattern(pattern, matchCase ? Qt::CaseSensitive : Qt::CaseInsensitive, text);
        const QStringList parts = moves.split(u'|');
        for (const QChar move : parts[0])
            move == u'n' ? search.next() : search.previous();
        if (dropped >= 0) {
            text = text.mid(dropped) + added;
            search.textEdited(text, dropped);
        }
        for (const QChar move : parts.value(1))
            move == u'n' ? search.next() : search.previous();
        QCOMPARE(search.status(), status);
        const TextMarks &marks = search.marks();
        QCOMPARE(marks.current < 0 ? -1 : int(marks.starts[marks.current]), current);
    }
};

QTEST_MAIN(TestJournal)
#include "tst_journal.moc"
