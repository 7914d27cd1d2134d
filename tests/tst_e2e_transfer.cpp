// Program transfer end to end: the real window against the simulated board over a real pty,
// one representative of each path (the conversion and the upload's states have their own tests).

#include "terminal/statuspanels.h"
#include "transfer/qtfilechooser.h"

#include "simulatedboard.h"
#include "terminalfixture.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileDialog>
#include <QListView>
#include <QPlainTextEdit>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest/QTest>

namespace {

const QByteArray Eof = ":00000001FF";
const QList<QByteArray> Three = {":10410000101112131415161718191A1B1C1D1E1F37",
                                 ":10411000404142434445464748494A4B4C4D4E4F27",
                                 ":10412000808182838485868788898A8B8C8D8E8F17"};
const QString ThreeShown = QStringLiteral("10 4100:10 11 12 13 14 15 16 17 18 19 1A 1B 1C 1D 1E 1F 0178\n"
                                          "10 4110:40 41 42 43 44 45 46 47 48 49 4A 4B 4C 4D 4E 4F 0478\n"
                                          "10 4120:80 81 82 83 84 85 86 87 88 89 8A 8B 8C 8D 8E 8F 0878\n");

QByteArray joined(const QList<QByteArray> &lines)
{
    return lines.join("\r\n") + "\r\n";
}

// The board's memory after loading a file, read here independently of the
// terminal's conversion: each data byte at its address (last definition wins).
QByteArray imageOf(const QByteArray &file)
{
    QByteArray image(65536, '\0');
    for (const QByteArray &line : QByteArray(file).replace('\r', '\n').split('\n')) {
        if (line.size() < 11 || line.mid(7, 2) != "00")
            continue;
        const int address = line.mid(3, 4).toInt(nullptr, 16);
        for (int i = 0; i < line.mid(1, 2).toInt(nullptr, 16); ++i)
            image[(address + i) & 0xFFFF] = char(line.mid(9 + 2 * i, 2).toInt(nullptr, 16));
    }
    return image;
}

// The bytes of a clean load: "H", then each load line and one blank.
QByteArray loadExchange(const QList<QByteArray> &loadLines)
{
    QByteArray bytes;
    for (const QByteArray &line : loadLines)
        bytes += "H" + line + " ";
    return bytes;
}

QList<MessageRequest> errorBoxes(const QStringList &texts)
{
    QList<MessageRequest> boxes;
    for (const QString &text : texts)
        boxes.append(errorBox(text));
    return boxes;
}

// The board and the real window on Com1 mapped to the board's pty.
struct Rig
{
    SimulatedBoard board;
    TerminalFixture fixture;
    FrmTerminal *window = nullptr;

    bool start()
    {
        if (!board.open())
            return false;
        fixture.settings.mapPort(1, board.slavePath());
        window = &fixture.start();
        return window->serial().PortOpen() && fixture.boxes.shown.isEmpty();
    }

    QList<MessageRequest> &boxes() { return fixture.boxes.shown; }
    QWidget *progress() const { return window->findChild<QWidget *>(QStringLiteral("frmTransfert")); }

    void choose(const QByteArray &content)
    {
        QFile file(fixture.tempDir.filePath(QStringLiteral("prog.hex")));
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(content) == content.size());
        fixture.chooser.answer = file.fileName();
        command(*window, "mnuOpenLog")->trigger();
    }

    // Everything the terminal has sent so far. A run command goes out last;
    // the board's answer shows that every byte before it has arrived.
    QByteArray sentSoFar()
    {
        const qsizetype before = board.executeRequests().size();
        command(*window, "mnuRun")->trigger();
        if (!QTest::qWaitFor([&] { return board.executeRequests().size() > before; }, 5000))
            return "<the run command never arrived>";
        const QByteArray run = "X" + window->shared().StartAddress.toLatin1() + "\r";
        const QByteArray all = board.bytesReceived();
        return all.endsWith(run) ? all.chopped(run.size()) : all + "<not ending in the run command>";
    }

    // The terminal's text once the board's marker has been displayed after it.
    QString terminalTextUpTo(const QByteArray &marker)
    {
        board.send(marker + "\r");
        const auto text = [this] { return terminalText(*window); };
        return QTest::qWaitFor([&] { return text().contains(QLatin1String(marker)); }, 5000) ? text() : QString();
    }

    // Those of the commands an upload disables that are enabled now.
    QStringList enabledCommands() const
    {
        QStringList names;
        for (const char *name : {"mnuSendText", "mnuVisu", "mnuOpenLog", "mnuRun", "mnuquitte", "mnuConfig",
                                 "mnuProperties", "OpenLogFile", "Quitte", "TransmitTextFile", "Run", "comm"}) {
            if (command(*window, name)->isEnabled())
                names.append(QLatin1String(name));
        }
        return names;
    }
};

} // namespace

class TestE2eTransfer : public QObject
{
    Q_OBJECT

private slots:
    void upload_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<bool>("nak"); // the board's answer to the second "H"
        QTest::addColumn<int>("stored");

        QFile blink(QFINDTESTDATA("data/blink_sdcc.hex"));
        QVERIFY(blink.open(QIODevice::ReadOnly));
        // Out of address order, with short records whose filling covers bytes other records load.
        QTest::newRow("sdcc program") << blink.readAll() << false << 16;
        QTest::newRow("empty file") << QByteArray() << false << 0;
        QTest::newRow("NAK on the second record") << joined(Three) << true << 1;
    }

    void upload()
    {
        QFETCH(QByteArray, file);
        QFETCH(bool, nak);
        QFETCH(int, stored);

        Rig rig;
        QVERIFY(rig.start());
        rig.choose(file);
        rig.board.setNakAfter(nak ? 1 : -1);
        command(*rig.window, "mnuSendText")->trigger();
        QTRY_VERIFY_WITH_TIMEOUT(!rig.window->uploadRunning(), 15000);

        QCOMPARE(rig.boxes(), errorBoxes(nak ? QStringList{"Erreur de transmission du fichier"} : QStringList()));
        QVERIFY(rig.progress() && !rig.progress()->isVisible());
        QCOMPARE(rig.enabledCommands().size(), 12);

        const QByteArray sent = rig.sentSoFar();
        const QList<QByteArray> lines = rig.board.loadLines();
        QCOMPARE(lines.size(), stored);
        QCOMPARE(rig.board.recordsStored(), stored);
        QCOMPARE(sent, loadExchange(lines) + (nak ? "H" : ""));
        if (!nak)
            QCOMPARE(rig.board.memory(), imageOf(file));
    }

    // While an upload runs nothing else may reach the port or the file, until
    // the real 2000 ms time-out of a silent board ends it.
    void commandsBlockedUntilTheTimeOut()
    {
        Rig rig;
        QVERIFY(rig.start());
        rig.board.setSilent(true);
        rig.choose(joined(Three));
        FrmTerminal &window = *rig.window;
        QTimer closer; // a modal dialog opened by mistake would hold the test: close it, and count
        int modalDialogs = 0;
        connect(&closer, &QTimer::timeout, this, [&] {
            if (QWidget *modal = QApplication::activeModalWidget())
                modalDialogs += int(modal->close());
        });
        closer.start(20);
        QSignalSpy closed(&window, &FrmTerminal::closed);
        QElapsedTimer clock;
        clock.start();
        command(window, "mnuSendText")->trigger();
        QCOMPARE(rig.enabledCommands(), QStringList());
        QVERIFY(rig.progress()->isVisible());

        // Nothing reaches the port meanwhile, and typed keys stay here.
        for (QAction *action : window.findChildren<QAction *>()) {
            if (!action->objectName().startsWith(QLatin1String("mnua")))
                action->trigger();
        }
        QTest::keyClicks(control<QPlainTextEdit>(window, "txtTerm"), QStringLiteral("ab"));
        QCOMPARE(rig.fixture.chooser.calls, 1);
        QCOMPARE(modalDialogs, 0);
        QVERIFY(closed.isEmpty() && window.serial().PortOpen() && window.uploadRunning());

        QTRY_VERIFY_WITH_TIMEOUT(!window.uploadRunning(), 6000);
        QVERIFY2(clock.elapsed() >= 1900 && clock.elapsed() < 3500, qPrintable(QString::number(clock.elapsed())));
        QCOMPARE(rig.boxes(), errorBoxes({"Timeout, Pas de réponse !"}));
        QCOMPARE(rig.enabledCommands().size(), 12);
        QCOMPARE(rig.sentSoFar(), QByteArray("H"));
    }

    // The board vanishes mid-upload: the upload ends at once, the window is
    // consistent, and a fresh board loads the program after reconnecting.
    void deviceLostMidUploadThenReconnect()
    {
        Rig rig;
        QVERIFY(rig.start());
        rig.choose(joined(Three));
        rig.board.setHangUpAfter(2);
        command(*rig.window, "mnuSendText")->trigger();
        QTRY_VERIFY_WITH_TIMEOUT(!rig.window->uploadRunning(), 1500); // not the time-out
        QCOMPARE(rig.boxes(), errorBoxes({"Erreur de transmission du fichier"}));
        FrmTerminal &window = *rig.window;
        QVERIFY(!rig.progress()->isVisible());
        QVERIFY(!window.serial().PortOpen() && !window.indicatorShowsConnected());
        QCOMPARE(rig.enabledCommands(), QStringList({"mnuVisu", "mnuOpenLog", "mnuquitte", "mnuConfig", "mnuProperties",
                                                     "OpenLogFile", "Quitte", "comm"}));

        rig.board.setHangUpAfter(-1);
        QVERIFY(rig.board.open());
        rig.fixture.settings.mapPort(1, rig.board.slavePath());
        rig.boxes().clear();
        command(window, "comm")->trigger();
        QVERIFY(window.serial().PortOpen() && window.indicatorShowsConnected());
        command(window, "mnuSendText")->trigger();
        QTRY_VERIFY_WITH_TIMEOUT(!rig.window->uploadRunning(), 5000);
        QCOMPARE(rig.boxes(), errorBoxes({}));
        const QByteArray sent = rig.sentSoFar(); // waits until the board has it all
        QCOMPARE(sent.right(3 * 62), loadExchange(rig.board.loadLines().mid(2)));
    }

    // File choice; view needs no port; upload and run are refused on a closed one and send nothing.
    void fileChoiceViewAndRefusalsOnClosedPort()
    {
        Rig rig;
        QVERIFY(rig.start());
        FrmTerminal &window = *rig.window;
        command(window, "comm")->trigger();
        QVERIFY(!window.serial().PortOpen());
        const auto choose = [&](const std::optional<QString> &answer, const QString &title) {
            rig.fixture.chooser.answer = answer;
            command(window, "OpenLogFile")->trigger();
            QCOMPARE(window.shared().HexFileTitle, title);
            QCOMPARE(panelText(window, "Fichier"), title.isEmpty() ? QStringLiteral("Fichier:") : "Fichier: " + title);
            // A chosen file makes upload and view available whatever the port.
            const QList<bool> commands{command(window, "mnuSendText")->isEnabled(),
                                       command(window, "mnuVisu")->isEnabled(),
                                       command(window, "TransmitTextFile")->isEnabled()};
            QCOMPARE(commands, QList<bool>(3, !title.isEmpty()));
        };
        choose(std::nullopt, QString()); // cancel before any choice
        QCOMPARE(rig.fixture.chooser.lastTitle, QStringLiteral(" Ouvrir Fichier HEX "));
        QCOMPARE(rig.fixture.chooser.lastFilter, QStringLiteral("Fichier HEX (*.HEX)"));
        choose(rig.fixture.tempDir.filePath(QStringLiteral("OTHER.HEX")), QStringLiteral("OTHER.HEX"));
        choose(std::nullopt, QStringLiteral("OTHER.HEX"));               // cancel keeps the choice
        rig.choose(joined({Three[0], "", Three[1], "", Three[2], Eof})); // a new choice replaces it

        QVERIFY(!command(window, "mnuRun")->isEnabled()); // the user closed the port
        command(window, "mnuVisu")->trigger();
        command(window, "mnuSendText")->trigger();
        QCOMPARE(rig.boxes(), errorBoxes({"Mauvais type de fichier", "Mauvais type de fichier", "Port COM 1 fermé !"}));
        QVERIFY(!window.uploadRunning() && !rig.progress());
        command(window, "comm")->trigger();
        QCOMPARE(rig.terminalTextUpTo("after"), ThreeShown + "after\n");
        QCOMPARE(rig.sentSoFar(), QByteArray());
        QCOMPARE(rig.board.executeRequests(), QStringList{"4100"});
    }

    // Qt's own dialog, as the chooser sets it up, lists ".hex" files of either case.
    void fileDialogListsHexFilesOfEitherCase()
    {
        QTemporaryDir dir;
        for (const char *name : {"prog.hex", "PROG2.HEX", "notes.txt"}) {
            QFile file(dir.filePath(QLatin1String(name)));
            QVERIFY(file.open(QIODevice::WriteOnly));
        }
        QFileDialog dialog;
        QtFileChooser::configure(dialog, QStringLiteral(" Ouvrir Fichier HEX "), QStringLiteral("Fichier HEX (*.HEX)"));
        dialog.setDirectory(dir.path());
        dialog.show();
        auto *view = dialog.findChild<QListView *>(QStringLiteral("listView"));
        QVERIFY(view);
        QTRY_COMPARE(view->model()->rowCount(view->rootIndex()), 2); // both programs, not notes.txt
    }

    // A file that cannot be read or written: one box with the system's reason, and
    // nothing sent, shown or changed.
    void unreadableOrUnwritable()
    {
        Rig rig;
        QVERIFY(rig.start());
        rig.choose(joined(Three));
        const QDir dir(rig.fixture.tempDir.path());
        QVERIFY(dir.mkdir(QStringLiteral("sub")) && dir.mkdir(QStringLiteral("kortemp.hex")));
        const QString read = QStringLiteral("Impossible de lire le fichier ");
        const struct
        {
            const char *choice;
            bool upload; // else view
            QString message;
        } cases[] = {{"missing.hex", true, read + dir.filePath("missing.hex")},
                     {"sub", false, read + dir.filePath("sub")},
                     {"prog.hex", true, "Impossible d'écrire le fichier " + dir.filePath("kortemp.hex")}};
        for (const auto &c : cases) {
            rig.boxes().clear();
            rig.fixture.chooser.answer = dir.filePath(QLatin1String(c.choice));
            command(*rig.window, "mnuOpenLog")->trigger();
            command(*rig.window, c.upload ? "mnuSendText" : "mnuVisu")->trigger();
            QCOMPARE(rig.boxes().size(), 1);
            const MessageRequest box = rig.boxes().first();
            QCOMPARE(box, errorBox(c.message, box.informativeText));
            QVERIFY(!box.informativeText.isEmpty());
            QVERIFY(!rig.window->uploadRunning() && !rig.progress());
            QCOMPARE(rig.enabledCommands().size(), 12);
        }
        QCOMPARE(rig.terminalTextUpTo("after"), QStringLiteral("after\n"));
        QCOMPARE(rig.sentSoFar(), QByteArray());
    }
};

QTEST_MAIN(TestE2eTransfer)
#include "tst_e2e_transfer.moc"