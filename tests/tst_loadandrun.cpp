// SPDX-License-Identifier: GPL-3.0-or-later
// The student's loop through the real window against the simulated board
// over a pty: load and run in one key, the chosen file watched by its path,
// the automatic mode, and the recent files.

#include "simulatedboard.h"
#include "terminalfixture.h"

#include "settings/recentfiles.h"

#include <QElapsedTimer>
#include <QFile>
#include <QMenu>
#include <QtTest>

#include <cstdio>

namespace {

// `records` sixteen-byte records of `fill`, `fill` + 1, ... from `address`, then the end record.
QByteArray program(int address, int fill, int records = 2)
{
    QByteArray hex;
    for (int record = 0; record < records; ++record) {
        const int at = address + 16 * record;
        QByteArray bytes = QByteArray::fromHex(QByteArray::number(0x10000000 + at * 256, 16)); // 10 aaaa 00
        bytes += QByteArray(16, char(fill + record));
        int sum = 0;
        for (const char byte : std::as_const(bytes))
            sum += quint8(byte);
        bytes += char(-sum);
        hex += ':' + bytes.toHex().toUpper() + "\r\n";
    }
    return hex + ":00000001FF\r\n";
}

struct Rig
{
    SimulatedBoard board;
    TerminalFixture fixture;
    FrmTerminal *window = nullptr;
    QString path;

    bool start(const QByteArray &content)
    {
        if (!board.open())
            return false;
        fixture.settings.mapPort(1, board.slavePath());
        window = &fixture.start();
        window->show();
        path = fixture.tempDir.filePath(QStringLiteral("prog.hex"));
        QFile file(path);
        if (!QTest::qWaitForWindowActive(window) || !file.open(QIODevice::WriteOnly) || file.write(content) < 0)
            return false;
        file.close();
        window->chooseProgramFile(path);
        return window->serial().PortOpen();
    }
    // As assemblers do: a new file under another name, renamed over the chosen one.
    bool replace(const QByteArray &content) const
    {
        QFile file(path + QStringLiteral(".tmp"));
        return file.open(QIODevice::WriteOnly) && file.write(content) == content.size() && file.flush()
               && std::rename(qPrintable(file.fileName()), qPrintable(path)) == 0;
    }
    void pressF9() { QTest::keyClick(control<QWidget>(*window, "txtTerm"), Qt::Key_F9); }
    QString notice() const { return noticeText(*window); }
    // What the board must have received to load `hex`: "H", the load line and a blank per record.
    QByteArray exchangeFor(qsizetype fromLine, qsizetype count) const
    {
        QByteArray sent;
        for (const QByteArray &line : board.loadLines().mid(fromLine, count))
            sent += "H" + line + " ";
        return sent;
    }
};

const QByteArray A = program(0x4100, 0x11);
// Long enough for a change during its upload to be seen before it ends.
const QByteArray B = program(0x4200, 0x20, 20);
const QByteArray C = program(0x4300, 0x33);

} // namespace

class TestLoadAndRun : public QObject
{
    Q_OBJECT
private slots:
    // F9 loads every record, then runs at the start address; any other ending runs nothing.
    void loadThenRun_data()
    {
        QTest::addColumn<int>("nakAfter");
        QTest::addColumn<QByteArray>("after"); // what follows the load lines
        QTest::newRow("every record loaded") << -1 << QByteArray("X4100\r");
        QTest::newRow("NAK on the second record") << 1 << QByteArray("H");
    }
    void loadThenRun()
    {
        QFETCH(int, nakAfter);
        QFETCH(QByteArray, after);
        Rig rig;
        QVERIFY(rig.start(A));
        rig.board.setNakAfter(nakAfter);
        QVERIFY(command(*rig.window, "mnuLoadRun")->isEnabled() && command(*rig.window, "LoadRun")->isEnabled());
        rig.pressF9();
        QVERIFY(rig.window->uploadRunning() && !command(*rig.window, "LoadRun")->isEnabled());
        QTRY_VERIFY_WITH_TIMEOUT(!rig.window->uploadRunning(), 10000);
        if (nakAfter < 0) {
            QTRY_COMPARE(rig.board.executeRequests(), QStringList{"4100"});
            QVERIFY2(rig.notice().endsWith("programme lancé à l'adresse 4100"), qPrintable(rig.notice()));
        }
        QCOMPARE(rig.board.bytesReceived(), rig.exchangeFor(0, 2) + after);
        QCOMPARE(rig.fixture.boxes.shown.size(), nakAfter < 0 ? 0 : 1);
    }

    // The path is followed, not the inode: every rename-over is noticed, a removal too, and the return.
    void renameOverIsNoticed()
    {
        Rig rig;
        QVERIFY(rig.start(A));
        QElapsedTimer latency;
        for (const QByteArray &content : {B, C}) {
            latency.start();
            QVERIFY(rig.replace(content));
            QTRY_COMPARE_WITH_TIMEOUT(rig.notice(), "Fichier modifié : prog.hex — F9 pour le charger et l'exécuter",
                                      5000);
            qInfo("notice %lld ms after the rename", latency.elapsed());
            QTest::mouseClick(control<QLabel>(*rig.window, "notice"), Qt::LeftButton); // dismissed
        }
        QVERIFY(QFile::remove(rig.path));
        QTRY_VERIFY(rig.notice().startsWith("Fichier introuvable : " + rig.path));
        QVERIFY(rig.replace(A));
        QTRY_COMPARE(rig.notice(), "Fichier revenu : prog.hex — F9 pour le charger et l'exécuter");
        QVERIFY(rig.board.bytesReceived().isEmpty());
    }

    // Automatic: each change is loaded and run once; one during an upload is
    // loaded after it, and the stale program is not started; with the port
    // closed nothing is loaded.
    void automatic()
    {
        Rig rig;
        QVERIFY(rig.start(A));
        command(*rig.window, "mnuLoadOnChange")->trigger();
        QCOMPARE(rig.fixture.settings.store.get("Files", "LoadOnChange"), "True");
        QElapsedTimer latency;
        latency.start();
        QVERIFY(rig.replace(B));
        QTRY_COMPARE_WITH_TIMEOUT(rig.board.executeRequests().size(), 1, 10000);
        qInfo("20 records loaded and started %lld ms after the rename", latency.elapsed());

        rig.board.setReplyDelayMs(100);
        QObject::connect(&rig.board, &SimulatedBoard::loadLineReceived, &rig.board, [&] {
            if (rig.board.loadLines().size() == 21)
                QVERIFY(rig.replace(C));
        });
        command(*rig.window, "LoadRun")->trigger(); // B again; C arrives during it
        QTRY_VERIFY(rig.notice().endsWith("il sera chargé et exécuté à la fin du transfert en cours"));
        QTRY_COMPARE_WITH_TIMEOUT(rig.board.executeRequests().size(), 2, 20000);
        QCOMPARE(rig.board.loadLines().size(), 42);
        QCOMPARE(rig.board.bytesReceived(),
                 rig.exchangeFor(0, 20) + "X4100\r" + rig.exchangeFor(20, 20) + rig.exchangeFor(40, 2) + "X4100\r");
        QCOMPARE(rig.board.memory().mid(0x4300, 32), QByteArray(16, 0x33) + QByteArray(16, 0x34));

        command(*rig.window, "comm")->trigger();
        QVERIFY(rig.replace(A));
        QTRY_VERIFY(rig.notice().contains("le port COM 1 est fermé, rien n'est chargé"));
        command(*rig.window, "comm")->trigger();
        QCOMPARE(rig.board.loadLines().size(), 42);
        QVERIFY(rig.fixture.boxes.shown.isEmpty());
    }

    // The last five files chosen, newest first, kept; a missing one says so and leaves the list.
    void recentFiles()
    {
        Rig rig;
        QVERIFY(rig.start(A));
        QStringList chosen;
        for (int i = 1; i <= 6; ++i) {
            chosen.prepend(rig.fixture.tempDir.filePath(QStringLiteral("p%1.hex").arg(i)));
            QFile file(chosen.first());
            QVERIFY(file.open(QIODevice::WriteOnly) && file.write(A) > 0);
            rig.window->chooseProgramFile(chosen.first());
        }
        QCOMPARE(RecentFiles(rig.fixture.settings.store).paths(), chosen.mid(0, 5));
        QVERIFY(QFile::remove(chosen[2]));
        auto *menu = control<QMenu>(*rig.window, "mnuRecent");
        emit menu->aboutToShow();
        QCOMPARE(menu->actions().size(), 5);
        QVERIFY(menu->actions()[1]->text().startsWith("&2 p5.hex ("));
        menu->actions()[1]->trigger();
        QCOMPARE(panelText(*rig.window, "Fichier"), "Fichier: p5.hex");
        emit menu->aboutToShow();
        menu->actions()[2]->trigger();
        QCOMPARE(rig.notice(), "Fichier introuvable : " + chosen[2]
                                   + " — retiré des fichiers récents. Choisissez-le avec Ouvrir s'il a été déplacé.");
        QCOMPARE(RecentFiles(rig.fixture.settings.store).paths(),
                 QStringList({chosen[1], chosen[0], chosen[3], chosen[4]}));
    }
};

QTEST_MAIN(TestLoadAndRun)
#include "tst_loadandrun.moc"
