// SPDX-License-Identifier: GPL-3.0-or-later
// End to end: the real main window against the simulated board over a real
// pty, Com1 mapped to it through the "Ports" section. The board checks every
// load line's sum and keeps a memory image, compared here with one read
// independently from the file.

#include "simulatedboard.h"
#include "terminalfixture.h"

#include <QClipboard>
#include <QDir>
#include <QDropEvent>
#include <QElapsedTimer>
#include <QFile>
#include <QMimeData>
#include <QPushButton>
#include <QRandomGenerator>
#include <QSettings>
#include <QStatusBar>
#include <QtTest/QTest>

namespace {

const QByteArray Greeting = "\r\nKORVEX - moniteur simule\r\nCommandes: X P D R F M\r\n> "; // at the first Enter
const QByteArray Three =
    ":10410000101112131415161718191A1B1C1D1E1F37\r\n:10411000404142434445464748494A4B4C4D4E4F27\r\n"
    ":10412000808182838485868788898A8B8C8D8E8F17\r\n";
const QString Transmission = QStringLiteral("Erreur de transmission du fichier");
const QString BadFile = QStringLiteral("Mauvais type de fichier");

// The board's memory after loading a file: each data byte at its address, the last definition winning.
QByteArray imageOf(const QByteArray &file)
{
    QByteArray image(65536, '\0');
    for (const QByteArray &line : QByteArray(file).replace('\r', '\n').split('\n')) {
        const int address = line.mid(3, 4).toInt(nullptr, 16);
        for (int i = 0; line.mid(7, 2) == "00" && i < line.mid(1, 2).toInt(nullptr, 16); ++i)
            image[(address + i) & 0xFFFF] = char(line.mid(9 + 2 * i, 2).toInt(nullptr, 16));
    }
    return image;
}

// What the terminal shows for text without backspaces: line feeds dropped, each carriage return a line break.
QString shown(const QByteArray &bytes)
{
    return QString::fromLatin1(bytes).remove(QLatin1Char('\n')).replace(QLatin1Char('\r'), QLatin1Char('\n'));
}

struct Session
{
    SimulatedBoard board;
    TerminalFixture fixture;
    FrmTerminal *window = nullptr;
    QString link; // the path Com1 names: a link to the board's device, as /dev/serial/by-id/ gives

    // The link names the board's device, whichever it is now.
    bool relink() { return QFile::remove(link) && QFile::link(board.slavePath(), link); }

    // Board up, window started: connected, no box.
    bool start()
    {
        link = fixture.tempDir.filePath(QStringLiteral("ttyKORVEX"));
        if (!board.open() || !QFile::link(board.slavePath(), link))
            return false;
        fixture.settings.mapPort(1, link);
        window = &fixture.start();
        return window->serial().PortOpen() && window->indicatorShowsConnected() && fixture.boxes.shown.isEmpty();
    }
    QString text() const { return terminalText(*window); }
    TerminalView *txtTerm() const { return control<TerminalView>(*window, "txtTerm"); }
    void press(Qt::Key key) { QTest::keyClick(txtTerm(), key); }

    QStringList boxes() const
    {
        QStringList texts;
        for (const MessageRequest &box : fixture.boxes.shown)
            texts.append(box == errorBox(box.text, box.informativeText) ? box.text : "<not ERREUR> " + box.text);
        return texts;
    }

    void choose(const QByteArray &content)
    {
        QFile file(fixture.tempDir.filePath(QStringLiteral("prog.hex")));
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(content) == content.size());
        file.close(); // written whole before it is chosen: the window watches it
        fixture.chooser.answer = file.fileName();
        command(*window, "mnuOpenLog")->trigger();
    }

    // Everything sent so far: a run command goes out last, and the board's answer shows all before it arrived.
    QByteArray sentSoFar()
    {
        const qsizetype before = board.executeRequests().size();
        command(*window, "mnuRun")->trigger();
        if (!QTest::qWaitFor([&] { return board.executeRequests().size() > before; }, 5000))
            return "<the run command never arrived>";
        return board.bytesReceived().chopped(6); // "X4100\r"
    }

    // The terminal's text once the board's marker has been displayed after it.
    QString textUpTo(const QByteArray &marker)
    {
        board.send(marker + "\r");
        const auto text = [this] { return terminalText(*window); };
        return QTest::qWaitFor([&] { return text().endsWith(QString::fromLatin1(marker + "\n")); }, 5000)
                   ? text().chopped(marker.size() + 1)
                   : QStringLiteral("<no marker>");
    }

    // "H" and the load line for each line the board has taken.
    QByteArray exchange() const
    {
        QByteArray sent;
        for (const QByteArray &line : board.loadLines())
            sent += "H" + line + " ";
        return sent;
    }

    bool progressShown() const
    {
        const auto *progress = window->findChild<QWidget *>(QStringLiteral("frmTransfert"));
        return progress && progress->isVisible();
    }
};

} // namespace

class TestE2E : public QObject
{
    Q_OBJECT
private slots:
    // Line noise (64 KiB of all 256 values), then 1 MiB of lines, as fast as the pty takes them: the terminal ends
    // with exactly the last part of it, no box, and the event loop keeps running meanwhile.
    void burstIsShownWithNothingLost()
    {
        Session s;
        QVERIFY(s.start());
        QRandomGenerator random(1234);
        QByteArray noise(64 * 1024, '\0');
        for (char &byte : noise)
            byte = char(random.bounded(256));
        QByteArray burst;
        for (int line = 0; burst.size() < (1 << 20); ++line)
            burst += QByteArray::number(line).rightJustified(7, '0') + " abcdefghijklmnopqrstuvwxyz \xe9\r\n";
        const QString expected = shown(burst);

        QElapsedTimer sinceTick;
        qint64 longestGap = 0;
        QTimer ticker;
        QObject::connect(&ticker, &QTimer::timeout, &ticker,
                         [&] { longestGap = std::max(longestGap, sinceTick.restart()); });
        sinceTick.start();
        ticker.start(10);
        s.board.send(noise + burst);
        QTRY_VERIFY_WITH_TIMEOUT(s.board.pendingOutput() == 0 && s.text().endsWith(expected.right(300)), 60000);
        QVERIFY2(longestGap < 2000, qPrintable(QString::number(longestGap)));
        QVERIFY2(s.text().size() >= 11905, qPrintable(QString::number(s.text().size())));
        QVERIFY2(expected.endsWith(s.text()), "the terminal is not the end of what the board sent");

        QVERIFY(s.window->serial().PortOpen() && s.fixture.boxes.shown.isEmpty());
    }

    // Keys go to the board at once, echo off: only the board's echo shows them. Board hung up (or adapter pulled):
    // reported, port closed, keys shown locally; a new device at the same path is reopened by itself, once it
    // can be, with the same settings, unless the user took the port in hand meanwhile.
    void typingUnplugAndReconnect()
    {
        Session s;
        QVERIFY(s.start());
        s.press(Qt::Key_Return);
        QTRY_COMPARE(s.text(), shown(Greeting)); // the monitor wakes at the first Enter
        s.press(Qt::Key_R);
        QCOMPARE(s.text(), shown(Greeting));
        QTRY_COMPARE(s.text(), shown(Greeting) + QStringLiteral("r"));
        s.press(Qt::Key_Return);
        QTRY_COMPARE(s.board.bytesReceived(), QByteArray("\rr\r"));
        QTRY_VERIFY(s.text().endsWith(shown("\r\n> ")));
        QVERIFY(s.text().startsWith(shown(Greeting) + QStringLiteral("r") + shown("\r\n00: 00 ")));
        const QString before = s.text();

        s.board.hangUp();
        QTRY_COMPARE(panelText(*s.window, "Settings"), QStringLiteral("Status: Device Removed"));
        QVERIFY(!s.window->serial().PortOpen() && !s.window->indicatorShowsConnected());
        QTest::keyClicks(s.txtTerm(), QStringLiteral("ab"));
        QCOMPARE(s.text(), before + QStringLiteral("ab"));

        // At the same path, a device that cannot be opened yet (its permissions come a moment after it appears),
        // then the new board: tried again until it opens.
        QVERIFY(QFile::remove(s.link) && QFile::link(QStringLiteral("/dev/null"), s.link));
        QVERIFY(!QTest::qWaitFor([&] { return s.window->serial().PortOpen(); }, 1200));
        QVERIFY(s.board.open() && s.relink());
        QTRY_VERIFY_WITH_TIMEOUT(s.window->serial().PortOpen(), 2000);
        QVERIFY(s.window->indicatorShowsConnected());
        QCOMPARE(panelText(*s.window, "Settings"), QStringLiteral("Settings: 9600,n,8,1"));
        QVERIFY(noticeText(*s.window).contains(QStringLiteral("reconnecté")));
        s.board.send("\aOK\r\n"); // a bell sounds and is not drawn
        QTRY_COMPARE(s.text(), before + QStringLiteral("abOK\n"));
        QCOMPARE(s.fixture.beeps, 1);
        s.press(Qt::Key_Return);
        QTRY_COMPARE(s.board.bytesReceived(), QByteArray("\rr\r\r")); // nothing typed while unplugged was sent
        QTRY_VERIFY(s.text().endsWith(shown("\r\n> ")));
        QCOMPARE(s.fixture.boxes.shown.size(), 0);

        // Lost again, and the user tries the port meanwhile: that choice ends the waiting.
        s.board.hangUp();
        QTRY_COMPARE(panelText(*s.window, "Settings"), QStringLiteral("Status: Device Removed"));
        command(*s.window, "mnuComm")->trigger();
        QCOMPARE(s.fixture.boxes.shown.size(), 1);
        QVERIFY(s.board.open() && s.relink());
        QVERIFY(!QTest::qWaitFor([&] { return s.window->serial().PortOpen(); }, 1500));
    }

    // Paste types the clipboard: line ends as Enter, what has no 8-bit code
    // left out and counted (a character beyond 16 bits once); a long paste leaves the window running. The
    // context menu copies, and clears the screen.
    void pasteAndCopy()
    {
        Session s;
        s.fixture.settings.storeProperties(QStringLiteral("9600,n,8,1"), "1", "0", "True");
        QVERIFY(s.start());
        QString lines;
        for (int i = 0; lines.size() < 300000; ++i)
            lines += QString::number(i).rightJustified(9, u'0') + '\n';
        QGuiApplication::clipboard()->setText("D 0\r\nP 4100\n\u20ac\U0001F600\u20ac" + lines);
        QElapsedTimer pasting;
        pasting.start();
        command(*s.window, "mnuColler")->trigger();
        QVERIFY2(pasting.elapsed() < 2000, qPrintable(QString::number(pasting.elapsed())));
        QVERIFY(noticeText(*s.window).startsWith("3 caractères"));
        QVERIFY(s.text().size() <= 16000 + 4096 && s.text().endsWith(lines.right(100)));
        const QByteArray sent = "D 0\rP 4100\r" + lines.toLatin1().replace('\n', '\r');
        QTRY_VERIFY_WITH_TIMEOUT(s.board.bytesReceived().startsWith(sent), 30000);

        command(*s.window, "mnuToutSelectionner")->trigger();
        command(*s.window, "mnuCopier")->trigger();
        QCOMPARE(QGuiApplication::clipboard()->text(), s.text());
        command(*s.window, "mnuEffacerEcran")->trigger();
        QCOMPARE(s.text(), QString());
    }

    // View shows what an upload sends. While the upload runs no other command
    // is offered and typed keys stay here; the board's answers are not
    // displayed; at the end the commands come back and the memory is the file's.
    void viewThenUpload_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<bool>("nak");          // the board's answer to the second "H"
        QTest::addColumn<QStringList>("boxes"); // of the view, then of the upload
        QTest::addColumn<QString>("status");    // how the status bar ends
        QFile blink(QFINDTESTDATA("data/blink_sdcc.hex"));
        QVERIFY(blink.open(QIODevice::ReadOnly));
        // clang-format off
        // Out of address order, with short records whose filling covers bytes other records load.
        QTest::newRow("sdcc program") << blink.readAll() << false << QStringList() << "Transfert terminé : ";
        QTest::newRow("NAK on the second record") << Three << true << QStringList{Transmission} << "Transfert interrompu : 1 enregistrement chargé sur 3";
        // The third record's checksum is off by one: the view leaves it out, the upload stops before it.
        QTest::newRow("wrong checksum") << QByteArray(Three).replace("8F17", "8F18") << false << QStringList{BadFile, BadFile} << "Transfert interrompu : 2 enregistrements chargés sur 2";
        // clang-format on
    }

    void viewThenUpload()
    {
        QFETCH(QByteArray, file);
        QFETCH(bool, nak);
        QFETCH(QStringList, boxes);
        QFETCH(QString, status);
        Session rig;
        QVERIFY(rig.start());
        rig.choose(file);
        FrmTerminal &window = *rig.window;
        command(window, "mnuVisu")->trigger();
        const QString viewed = rig.textUpTo("viewed");
        rig.board.setNakAfter(nak ? 1 : -1);
        command(window, "mnuSendText")->trigger();
        QVERIFY(commandsOff(window) == OffDuringUpload && rig.progressShown());
        QTest::keyClicks(control<TerminalView>(window, "txtTerm"), QStringLiteral("ab"));
        QTRY_VERIFY_WITH_TIMEOUT(!window.uploadRunning(), 15000);

        QCOMPARE(rig.boxes(), boxes);
        QVERIFY2(noticeText(window).startsWith(status), qPrintable(noticeText(window)));
        if (boxes.contains(BadFile))
            QCOMPARE(rig.fixture.boxes.shown.constLast().informativeText,
                     "Ligne 3 du fichier : « :10412000808182838485868788898A8B8C8D8E8F18 »\n"
                     "Somme de contrôle incorrecte : elle devrait être 17.");
        QVERIFY(!rig.progressShown() && commandsOff(window).isEmpty());
        QCOMPARE(rig.textUpTo("after"), viewed + "viewed\n");
        QCOMPARE(rig.sentSoFar(), rig.exchange() + (nak ? "H" : ""));
        QCOMPARE(rig.board.recordsStored(), rig.board.loadLines().size());
        if (boxes.isEmpty()) {
            QCOMPARE(viewed, QString::fromLatin1(rig.board.loadLines().join('\n') + "\n"));
            QCOMPARE(rig.board.memory(), imageOf(file));
        }
    }

    // Cancel through the progress window while the board's answer is awaited,
    // and right after an ACK: the acknowledged line still goes out whole, no
    // further "H", no box; the commands come back, typing reaches the board,
    // and the next load starts afresh.
    void cancel_data()
    {
        QTest::addColumn<QString>("how");
        QTest::addColumn<int>("afterLines"); // cancel once the board has this many load lines
        QTest::addColumn<QString>("loaded");
        // clang-format off
        QTest::newRow("Annuler while the answer is awaited") << "cmdAnnuler" << 0 << "1 enregistrement chargé sur 3";
        QTest::newRow("Escape right after an ACK") << "escape" << 1 << "2 enregistrements chargés sur 3";
        QTest::newRow("close box right after an ACK") << "close" << 1 << "2 enregistrements chargés sur 3";
        // clang-format on
    }

    void cancel()
    {
        QFETCH(QString, how);
        QFETCH(int, afterLines);
        QFETCH(QString, loaded);
        Session rig;
        QVERIFY(rig.start());
        rig.choose(Three);
        rig.board.setReplyDelayMs(300);
        const auto cancelNow = [&] {
            auto *progress = rig.window->findChild<QWidget *>(QStringLiteral("frmTransfert"));
            if (how == u"escape")
                QTest::keyClick(progress, Qt::Key_Escape);
            else if (how == u"close")
                progress->close();
            else
                control<QPushButton>(*progress, "cmdAnnuler")->click();
        };
        QObject::connect(&rig.board, &SimulatedBoard::loadLineReceived, [&] {
            if (rig.board.loadLines().size() == afterLines)
                cancelNow();
        });
        command(*rig.window, "mnuSendText")->trigger();
        if (afterLines == 0)
            cancelNow();
        QTRY_VERIFY_WITH_TIMEOUT(!rig.window->uploadRunning(), 10000);
        QVERIFY(rig.fixture.boxes.shown.isEmpty() && !rig.progressShown() && commandsOff(*rig.window).isEmpty());
        QCOMPARE(noticeText(*rig.window), "Transfert annulé : " + loaded);
        QTest::keyClicks(control<TerminalView>(*rig.window, "txtTerm"), QStringLiteral("X4100\r"));
        QTRY_COMPARE_WITH_TIMEOUT(rig.board.executeRequests(), QStringList{"4100"}, 5000);
        QCOMPARE(rig.board.bytesReceived(), rig.exchange() + "X4100\r");
        QVERIFY(rig.textUpTo("shown").contains(QLatin1String("Execution a partir de 4100")));
        QCOMPARE(rig.board.recordsStored(), afterLines + 1);
        // The next load starts afresh, and ends at once when the board vanishes after two records.
        rig.board.setHangUpAfter(afterLines + 3);
        command(*rig.window, "mnuSendText")->trigger();
        QTRY_VERIFY_WITH_TIMEOUT(!rig.window->uploadRunning(), 10000);
        QCOMPARE(rig.boxes(), QStringList{Transmission});
        QCOMPARE(rig.board.recordsStored(), afterLines + 3);
    }

    // At 300 bit/s a load line alone takes 2 s on the wire: the records still
    // load, and a silent board is given 2 s from when its "H" has left. Quitting
    // meanwhile asks first; No leaves the load running.
    void slowLineTimeOutCountsFromTheDrainedRequest()
    {
        Session rig;
        rig.fixture.settings.storeProperties(QStringLiteral("300,n,8,1"), "1", "0", "0");
        QVERIFY(rig.start());
        rig.choose(Three);
        rig.board.setLineSpeed(300);
        QElapsedTimer sinceSecondLine;
        QObject::connect(&rig.board, &SimulatedBoard::loadLineReceived, [&] {
            if (rig.board.loadLines().size() == 2) {
                rig.board.setSilent(true);
                sinceSecondLine.start();
            }
        });
        command(*rig.window, "mnuSendText")->trigger();
        rig.fixture.boxes.answer = MessageAnswer::Cancel;
        rig.window->close();
        QVERIFY(rig.window->uploadRunning());
        QTRY_VERIFY_WITH_TIMEOUT(!rig.window->uploadRunning(), 20000);
        // The third "H" leaves 62 characters (2.07 s) after the second line is written.
        QVERIFY2(sinceSecondLine.elapsed() >= 4000, qPrintable(QString::number(sinceSecondLine.elapsed())));
        QCOMPARE(rig.boxes(), QStringList({"<not ERREUR> Un transfert est en cours. Quitter quand même ?",
                                           "Timeout, Pas de réponse !"}));
        QVERIFY(rig.fixture.boxes.shown[1].informativeText.startsWith(
            "Enregistrement 3 sur 3, adresse 4120 : pas de réponse"));
        QCOMPARE(rig.board.recordsStored(), 2);
    }

    // File choice (a cancel keeps it; the dialog opens where the last file
    // was; a dropped .hex file is chosen, another file is not); the view needs
    // no port and shows the good lines around bad ones, with one box; upload
    // refused on a closed port; files that cannot be read or written: one box
    // with the system's reason. Nothing is sent.
    void fileChoiceAndRefusals()
    {
        Session rig;
        QVERIFY(rig.start());
        FrmTerminal &window = *rig.window;
        command(window, "comm")->trigger();
        command(window, "OpenLogFile")->trigger(); // cancelled
        QCOMPARE(rig.fixture.chooser.lastTitle + rig.fixture.chooser.lastFilter.section(";;", 0, 0),
                 " Ouvrir Fichier HEX Fichier HEX (*.HEX)");
        QVERIFY(rig.fixture.chooser.lastDirectory.isEmpty());
        QVERIFY(!command(window, "mnuVisu")->isEnabled() && !command(window, "TransmitTextFile")->isEnabled());
        rig.choose(QByteArray(Three).replace("\r\n:", "\r\n\r\n:"));
        rig.fixture.chooser.answer.reset();
        command(window, "OpenLogFile")->trigger(); // cancelled: the choice stays
        QCOMPARE(rig.fixture.chooser.lastDirectory, rig.fixture.tempDir.path());
        for (const char *name : {"notes.txt", "other.HEX"}) {
            QMimeData dropped;
            dropped.setUrls({QUrl::fromLocalFile(rig.fixture.tempDir.filePath(QLatin1String(name)))});
            QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &dropped, Qt::LeftButton, Qt::NoModifier);
            QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &dropped, Qt::LeftButton, Qt::NoModifier);
            QCoreApplication::sendEvent(&window, &enter);
            if (enter.isAccepted())
                QCoreApplication::sendEvent(&window, &drop);
        }
        QCOMPARE(panelText(window, "Fichier"), QStringLiteral("Fichier: other.HEX"));
        const QSettings ini(rig.fixture.settings.store.fileName(), QSettings::IniFormat);
        QCOMPARE(ini.childGroups(), QStringList({"Files", "Ports"})); // nothing added to [Properties]
        window.chooseProgramFile(rig.fixture.tempDir.filePath("prog.hex"));
        QCOMPARE(panelText(window, "Fichier"), QStringLiteral("Fichier: prog.hex"));
        QVERIFY(command(window, "mnuVisu")->isEnabled() && command(window, "TransmitTextFile")->isEnabled());
        command(window, "mnuVisu")->trigger();
        command(window, "mnuSendText")->trigger();
        command(window, "comm")->trigger();
        const QString viewed = rig.textUpTo("viewed");
        QCOMPARE(viewed.count(u'\n'), 3);
        const QDir dir(rig.fixture.tempDir.path());
        rig.fixture.chooser.answer = dir.filePath("missing.hex");
        command(window, "mnuOpenLog")->trigger();
        command(window, "mnuSendText")->trigger();
        QVERIFY(QFile::remove(dir.filePath("kortemp.hex")) && dir.mkdir(QStringLiteral("kortemp.hex")));
        rig.choose(Three);
        command(window, "mnuVisu")->trigger();
        QCOMPARE(rig.boxes(), QStringList({BadFile, "Port COM 1 fermé !",
                                           "Impossible de lire le fichier " + dir.filePath("missing.hex"),
                                           "Impossible d'écrire le fichier " + dir.filePath("kortemp.hex")}));
        QCOMPARE(rig.fixture.boxes.shown[0].informativeText,
                 "Ligne 2 du fichier : ligne vide\n2 lignes refusées en tout ; les autres lignes sont affichées.");
        QCOMPARE(rig.textUpTo("after"), viewed + "viewed\n");
        QCOMPARE(rig.sentSoFar(), QByteArray());
    }
};

QTEST_MAIN(TestE2E)
#include "tst_e2e.moc"
