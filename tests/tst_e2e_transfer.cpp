// Program transfer end to end: the real main window against the simulated
// board over a real pty. File choice, upload, view and run, their failures,
// and what a hostile program file or a vanishing board does to them.

#include "settings/config.h"
#include "terminal/statuspanels.h"
#include "transfer/qtfilechooser.h"

#include "simulatedboard.h"
#include "terminalfixture.h"

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QListView>
#include <QPlainTextEdit>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest/QTest>

namespace {

constexpr int UploadTimeoutMs = 15000;

const QByteArray Eof = ":00000001FF";

// An Intel HEX record with a true checksum, as an assembler writes it.
QByteArray record(int address, int type, const QByteArray &data)
{
    QByteArray line = ":";
    int sum = int(data.size()) + (address >> 8) + (address & 0xFF) + type;
    line += QByteArray::number(data.size(), 16).rightJustified(2, '0');
    line += QByteArray::number(address, 16).rightJustified(4, '0');
    line += QByteArray::number(type, 16).rightJustified(2, '0');
    for (const char byte : data)
        sum += quint8(byte);
    line += data.toHex();
    line += QByteArray::number((-sum) & 0xFF, 16).rightJustified(2, '0');
    return line.toUpper();
}

QByteArray bytesFrom(int first, int count)
{
    QByteArray data;
    for (int i = 0; i < count; ++i)
        data += char(first + i);
    return data;
}

QByteArray joined(const QList<QByteArray> &lines, const QByteArray &ending = "\r\n")
{
    QByteArray text;
    for (const QByteArray &line : lines)
        text += line + ending;
    return text;
}

// What the board's memory must hold after loading a program file, read here
// independently of the terminal's conversion: every data byte of the file at
// its address (the last definition in file order), zeros elsewhere; and the
// address of each sixteen-byte load line, in the file's order.
struct ExpectedLoad
{
    QByteArray image = QByteArray(65536, '\0');
    QList<int> loadAddresses;
};

ExpectedLoad expectedLoad(const QByteArray &file)
{
    ExpectedLoad expected;
    QByteArray text = file;
    text.replace("\r\n", "\n").replace('\r', '\n');
    for (const QByteArray &line : text.split('\n')) {
        if (line.size() < 11 || line.mid(7, 2) != "00")
            continue;
        const int count = line.mid(1, 2).toInt(nullptr, 16);
        const int address = line.mid(3, 4).toInt(nullptr, 16);
        for (int i = 0; i < count; ++i)
            expected.image[(address + i) & 0xFFFF] = char(line.mid(9 + 2 * i, 2).toInt(nullptr, 16));
        for (int first = 0; first < count; first += 16)
            expected.loadAddresses.append((address + first) & 0xFFFF);
    }
    return expected;
}

QList<int> addressesOf(const QList<QByteArray> &loadLines)
{
    QList<int> addresses;
    for (const QByteArray &line : loadLines)
        addresses.append(line.mid(3, 4).toInt(nullptr, 16));
    return addresses;
}

// The bytes of a clean load: "H", then each load line and one blank.
QByteArray loadExchange(const QList<QByteArray> &loadLines)
{
    QByteArray bytes;
    for (const QByteArray &line : loadLines)
        bytes += "H" + line + " ";
    return bytes;
}

QList<QString> texts(const QList<MessageRequest> &boxes)
{
    QList<QString> result;
    for (const MessageRequest &box : boxes)
        result.append(box.text);
    return result;
}

// The board, the real window on Com1 mapped to the board's pty, and a folder
// for program files.
struct Rig
{
    SimulatedBoard board;
    TerminalFixture fixture;
    QTemporaryDir files;
    FrmTerminal *window = nullptr;

    // tempDirectory: where kortemp.hex goes; empty: the fixture's own folder.
    bool start(const QString &tempDirectory = {})
    {
        QString reason;
        if (!board.open(&reason)) {
            qWarning("%s", qPrintable(reason));
            return false;
        }
        fixture.settings.mapPort(1, board.slavePath());
        TerminalEnvironment environment;
        environment.store = &fixture.settings.store;
        environment.boxes = &fixture.boxes;
        environment.chooser = &fixture.chooser;
        environment.devices = noDevices;
        environment.consoles = noConsoles;
        environment.tempDirectory = tempDirectory.isEmpty() ? fixture.tempDir.path() : tempDirectory;
        fixture.window = std::make_unique<FrmTerminal>(environment);
        window = fixture.window.get();
        window->startUp();
        return window->serial().PortOpen() && fixture.boxes.shown.isEmpty();
    }

    QList<MessageRequest> &boxes() { return fixture.boxes.shown; }

    QString writeFile(const QString &name, const QByteArray &content)
    {
        QFile file(files.filePath(name));
        if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size())
            return {};
        return file.fileName();
    }

    void choose(const QString &path)
    {
        fixture.chooser.answer = path;
        window->mnuOpenLog_Click();
    }

    QWidget *progressWindow() const { return window->findChild<QWidget *>(QStringLiteral("frmTransfert")); }
    bool progressShown() const { return progressWindow() && progressWindow()->isVisible(); }

    bool waitUploadEnd(int timeoutMs = UploadTimeoutMs)
    {
        return QTest::qWaitFor([this] { return !window->uploadRunning(); }, timeoutMs);
    }

    // Everything the terminal has sent so far. A run command goes out last
    // and the board's answer to it shows that every byte before it has
    // arrived; its bytes are taken off again. Needs the port open and the
    // board at its command line.
    QByteArray sentSoFar()
    {
        const qsizetype before = board.executeRequests().size();
        window->mnuRun_Click();
        if (!QTest::qWaitFor([&] { return board.executeRequests().size() > before; }, 5000))
            return "<the run command never arrived>";
        const QByteArray run = "X" + window->shared().StartAddress.toLatin1() + "\r";
        const QByteArray all = board.bytesReceived();
        if (!all.endsWith(run))
            return all + "<not ending in the run command>";
        return all.chopped(run.size());
    }

    // The terminal's text once the board's marker has been displayed: what
    // was displayed before it is all there, in order.
    QString terminalTextUpTo(const QByteArray &marker)
    {
        board.send(marker + "\r");
        if (!QTest::qWaitFor([&] { return window->txtTerm->toPlainText().contains(QLatin1String(marker)); }, 5000))
            return QStringLiteral("<the marker was never displayed>");
        return window->txtTerm->toPlainText();
    }
};

// Every command that an upload disables, by name.
QList<QAction *> uploadBlockedCommands(FrmTerminal &window)
{
    QList<QAction *> actions = {window.mnuSendText, window.mnuVisu,   window.mnuOpenLog,   window.mnuRun,
                                window.mnuquitte,   window.mnuConfig, window.mnuProperties};
    for (const char *key : {"OpenLogFile", "Quitte", "TransmitTextFile", "Run", "comm"})
        actions.append(window.toolbarButton(QLatin1String(key)));
    return actions;
}

QStringList enabledNames(const QList<QAction *> &actions)
{
    QStringList names;
    for (const QAction *action : actions) {
        if (action->isEnabled())
            names.append(action->objectName());
    }
    return names;
}

// A small program: three sixteen-byte records and the end.
QList<QByteArray> threeRecords()
{
    return {record(0x4100, 0, bytesFrom(0x10, 16)), record(0x4110, 0, bytesFrom(0x40, 16)),
            record(0x4120, 0, bytesFrom(0x80, 16))};
}

} // namespace

class TestE2eTransfer : public QObject
{
    Q_OBJECT

private slots:
    // ------------------------------------------------------------ upload

    void wholeProgramLoaded_data()
    {
        QTest::addColumn<QByteArray>("file");

        QFile blink(QFINDTESTDATA("data/blink_sdcc.hex"));
        QVERIFY(blink.open(QIODevice::ReadOnly));
        // Out of address order, with short records whose filling covers
        // bytes that other records load.
        QTest::newRow("sdcc program") << blink.readAll();

        // Long records (one past FFFF), lower case, lone LF, a zero upper
        // address record that must not load zeros at 0000.
        QTest::newRow("long records, LF, lower case")
            << joined({record(0, 4, QByteArray(2, '\0')), record(0xFFF0, 0, bytesFrom(0, 32)).toLower(),
                       record(0x7FF8, 0, bytesFrom(0x40, 20)), record(0x2000, 0, bytesFrom(0x80, 40)), Eof},
                      "\n");

        QTest::newRow("lone CR, start address record")
            << joined({record(0x4100, 0, bytesFrom(1, 16)), record(0x4110, 0, bytesFrom(0xF0, 5)),
                       record(0, 5, QByteArray::fromHex("00004100")), Eof},
                      "\r");
    }

    void wholeProgramLoaded()
    {
        QFETCH(QByteArray, file);
        const ExpectedLoad expected = expectedLoad(file);
        QVERIFY(!expected.loadAddresses.isEmpty());

        Rig rig;
        QVERIFY(rig.start());
        rig.choose(rig.writeFile(QStringLiteral("prog.hex"), file));

        // Each "H" finds the upload running with its progress window.
        qsizetype requestsWhileShown = 0;
        connect(&rig.board, &SimulatedBoard::bytesArrived, this, [&](const QByteArray &bytes) {
            if (rig.progressShown() && rig.window->shared().TransferActive)
                requestsWhileShown += bytes.count('H');
        });
        rig.window->mnuSendText_Click();
        QVERIFY(rig.window->uploadRunning());
        QVERIFY(rig.progressShown());
        QVERIFY(rig.window->Timer3.isActive());

        QVERIFY(rig.waitUploadEnd());
        QCOMPARE(texts(rig.boxes()), QList<QString>());
        QVERIFY(!rig.progressShown());
        QVERIFY(!rig.window->shared().TransferActive);
        QVERIFY(!rig.window->Timer3.isActive());

        const QByteArray sent = rig.sentSoFar();
        const QList<QByteArray> lines = rig.board.loadLines();
        QCOMPARE(addressesOf(lines), expected.loadAddresses);
        QCOMPARE(requestsWhileShown, lines.size());
        QCOMPARE(rig.board.failedChecks().size(), 0);
        QCOMPARE(rig.board.recordsStored(), lines.size());
        QCOMPARE(rig.board.memory(), expected.image);
        QCOMPARE(sent, loadExchange(lines));
    }

    // How the upload ends when the board answers wrongly or the file holds a
    // bad line; the answers come at once, the time-out tick is driven here.
    void uploadStops_data()
    {
        QTest::addColumn<QString>("failure");
        QTest::addColumn<int>("linesSent");
        QTest::addColumn<QString>("message");

        QTest::newRow("NAK on the second record") << "nak" << 1 << "Erreur de transmission du fichier";
        QTest::newRow("answer 1") << "one" << 0 << "Timeout, Pas de réponse !";
        QTest::newRow("Timer3 tick") << "tick" << 0 << "Timeout, Pas de réponse !";
        QTest::newRow("empty line mid-file") << "emptyLine" << 2 << "Mauvais type de fichier";
    }

    void uploadStops()
    {
        QFETCH(QString, failure);
        QFETCH(int, linesSent);
        QFETCH(QString, message);

        Rig rig;
        QVERIFY(rig.start());
        QList<QByteArray> records = threeRecords();
        if (failure == QLatin1String("emptyLine"))
            records.insert(2, QByteArray());
        rig.choose(rig.writeFile(QStringLiteral("prog.hex"), joined(records + QList<QByteArray>{Eof})));
        if (failure == QLatin1String("nak"))
            rig.board.setNakAfter(1);
        if (failure == QLatin1String("one"))
            rig.board.setAnswerOne(true);
        if (failure == QLatin1String("tick"))
            rig.board.setSilent(true);

        rig.window->mnuSendText_Click();
        if (failure == QLatin1String("tick")) {
            QTRY_COMPARE(rig.board.bytesReceived(), QByteArray("H"));
            rig.window->Timer3_Timer();
        }
        QVERIFY(rig.waitUploadEnd());

        QCOMPARE(rig.boxes(), QList<MessageRequest>{errorBox(message)});
        QVERIFY(rig.window->shared().TransferAbort);
        QVERIFY(!rig.window->shared().TransferActive);
        QVERIFY(!rig.window->Timer3.isActive());
        QVERIFY(!rig.progressShown());
        const QByteArray sent = rig.sentSoFar();
        QCOMPARE(rig.board.recordsStored(), linesSent);
        QCOMPARE(rig.board.loadLines().size(), linesSent);
        QCOMPARE(sent, loadExchange(rig.board.loadLines()) + (failure == QLatin1String("emptyLine") ? "" : "H"));
        QCOMPARE(enabledNames(uploadBlockedCommands(*rig.window)).size(), 12);
    }

    // The one real time-out: Timer3 runs 2000 ms from the "H".
    void timeoutAfterTwoSeconds()
    {
        Rig rig;
        QVERIFY(rig.start());
        rig.board.setSilent(true);
        rig.choose(rig.writeFile(QStringLiteral("prog.hex"), joined(threeRecords())));

        QElapsedTimer clock;
        clock.start();
        rig.window->mnuSendText_Click();
        QTRY_VERIFY_WITH_TIMEOUT(!rig.boxes().isEmpty(), 6000);
        const qint64 elapsed = clock.elapsed();
        QVERIFY2(elapsed >= 1900 && elapsed < 3500, qPrintable(QString::number(elapsed)));

        QCOMPARE(rig.boxes(), QList<MessageRequest>{errorBox(QStringLiteral("Timeout, Pas de réponse !"))});
        QVERIFY(!rig.window->uploadRunning());
        QCOMPARE(rig.sentSoFar(), QByteArray("H"));
    }

    // Several bytes in one burst starting with ACK: the ACK counts, the rest
    // is dropped, and the terminal shows nothing of it.
    void ackWithJunkAccepted()
    {
        Rig rig;
        QVERIFY(rig.start());
        rig.board.setJunkAfterAck("junk\r\n");
        rig.choose(rig.writeFile(QStringLiteral("prog.hex"), joined(threeRecords() + QList<QByteArray>{Eof})));
        rig.window->mnuSendText_Click();
        QVERIFY(rig.waitUploadEnd());

        QCOMPARE(texts(rig.boxes()), QList<QString>());
        const QByteArray sent = rig.sentSoFar();
        QCOMPARE(sent, loadExchange(rig.board.loadLines()));
        QCOMPARE(rig.board.recordsStored(), 3);
        QCOMPARE(rig.board.failedChecks().size(), 0);
        // Received data go to the terminal again (the board's answer to the
        // run command), and the junk never went there.
        const QString shown = rig.terminalTextUpTo("after");
        QVERIFY2(shown.contains(QLatin1String("Execution")) && !shown.contains(QLatin1String("junk")), qPrintable(shown));
    }

    // Files whose records the upload finds nothing or something after the end in.
    void uploadWithoutMessage_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<int>("records");

        QTest::newRow("end-of-file record only") << joined({Eof}) << 0;
        QTest::newRow("empty file") << QByteArray() << 0;
        QTest::newRow("record after the end-of-file record")
            << joined({threeRecords().at(0), Eof, threeRecords().at(1)}) << 2;
    }

    void uploadWithoutMessage()
    {
        QFETCH(QByteArray, file);
        QFETCH(int, records);

        Rig rig;
        QVERIFY(rig.start());
        rig.choose(rig.writeFile(QStringLiteral("prog.hex"), file));
        rig.window->mnuSendText_Click();
        QVERIFY(rig.waitUploadEnd());

        QCOMPARE(texts(rig.boxes()), QList<QString>());
        QVERIFY(rig.progressWindow()); // it was shown ...
        QVERIFY(!rig.progressShown()); // ... and closed
        QVERIFY(!rig.window->shared().TransferActive);
        const QByteArray sent = rig.sentSoFar();
        QCOMPARE(sent, loadExchange(rig.board.loadLines()));
        QCOMPARE(rig.board.recordsStored(), records);
    }

    void commandsOnClosedPort_data()
    {
        QTest::addColumn<bool>("upload");
        QTest::newRow("upload") << true;
        QTest::newRow("run") << false;
    }

    void commandsOnClosedPort()
    {
        QFETCH(bool, upload);

        Rig rig;
        QVERIFY(rig.start());
        rig.window->comm();
        QVERIFY(!rig.window->serial().PortOpen());
        rig.choose(rig.writeFile(QStringLiteral("prog.hex"), joined(threeRecords())));
        QVERIFY(rig.window->mnuSendText->isEnabled()); // a choice enables it whatever the port

        if (upload)
            rig.window->mnuSendText_Click();
        else
            rig.window->mnuRun_Click();

        QCOMPARE(rig.boxes(), QList<MessageRequest>{errorBox(QStringLiteral("Port COM 1 fermé !"))});
        QVERIFY(!rig.window->uploadRunning());
        QVERIFY(!rig.window->shared().TransferActive);
        QVERIFY(!rig.progressWindow());
        rig.window->comm();
        QVERIFY(rig.window->serial().PortOpen());
        QCOMPARE(rig.sentSoFar(), QByteArray());
    }

    // The board vanishes mid-upload: the upload ends at once, the window is
    // consistent, and a fresh board loads the program after reconnecting.
    void deviceLostDuringUpload_data()
    {
        QTest::addColumn<bool>("afterSecondLine");
        QTest::newRow("hang-up after the second load line") << true;
        QTest::newRow("hang-up while an answer is awaited") << false;
    }

    void deviceLostDuringUpload()
    {
        QFETCH(bool, afterSecondLine);

        Rig rig;
        QVERIFY(rig.start());
        const QByteArray file = joined(threeRecords() + QList<QByteArray>{Eof});
        rig.choose(rig.writeFile(QStringLiteral("prog.hex"), file));
        if (afterSecondLine)
            rig.board.setHangUpAfter(2);
        else
            rig.board.setSilent(true);

        QElapsedTimer clock;
        clock.start();
        rig.window->mnuSendText_Click();
        if (!afterSecondLine) {
            QTRY_COMPARE(rig.board.bytesReceived(), QByteArray("H"));
            rig.board.hangUp();
        }
        QTRY_VERIFY_WITH_TIMEOUT(!rig.boxes().isEmpty(), 5000);
        QVERIFY2(clock.elapsed() < 1500, "the upload waited for the time-out instead of ending at once");
        QCOMPARE(rig.boxes(), QList<MessageRequest>{errorBox(QStringLiteral("Erreur de transmission du fichier"))});

        FrmTerminal &window = *rig.window;
        QVERIFY(!window.uploadRunning());
        QVERIFY(!window.shared().TransferActive);
        QVERIFY(!window.Timer3.isActive());
        QVERIFY(!rig.progressShown());
        QVERIFY(!window.serial().PortOpen());
        QVERIFY(!window.indicatorShowsConnected());
        QCOMPARE(enabledNames(uploadBlockedCommands(window)),
                 QStringList({"mnuVisu", "mnuOpenLog", "mnuquitte", "mnuConfig", "mnuProperties", "OpenLogFile",
                              "Quitte", "comm"}));

        // A fresh board on the same port number.
        rig.board.setHangUpAfter(-1);
        rig.board.setSilent(false);
        QVERIFY(rig.board.open());
        rig.fixture.settings.mapPort(1, rig.board.slavePath());
        rig.boxes().clear();
        window.comm();
        QCOMPARE(texts(rig.boxes()), QList<QString>());
        QVERIFY(window.serial().PortOpen());
        QVERIFY(window.indicatorShowsConnected());
        QCOMPARE(enabledNames(uploadBlockedCommands(window)).size(), 12);

        const qsizetype linesBefore = rig.board.loadLines().size();
        window.mnuSendText_Click();
        QVERIFY(rig.waitUploadEnd());
        QCOMPARE(texts(rig.boxes()), QList<QString>());
        rig.sentSoFar();
        QCOMPARE(rig.board.loadLines().size() - linesBefore, 3);
        QCOMPARE(rig.board.memory(), expectedLoad(file).image);
    }

    // While an upload runs nothing else may reach the port or the file.
    void commandsBlockedDuringUpload()
    {
        Rig rig;
        QVERIFY(rig.start());
        rig.board.setSilent(true);
        rig.choose(rig.writeFile(QStringLiteral("prog.hex"), joined(threeRecords())));
        FrmTerminal &window = *rig.window;
        const QList<QAction *> blocked = uploadBlockedCommands(window);
        QCOMPARE(enabledNames(blocked).size(), blocked.size());

        // A modal dialog opened by mistake would hold the test: close it, and count.
        int modalDialogs = 0;
        QTimer closer;
        connect(&closer, &QTimer::timeout, this, [&] {
            if (auto *dialog = qobject_cast<QDialog *>(QApplication::activeModalWidget())) {
                ++modalDialogs;
                dialog->reject();
            }
        });
        closer.start(20);

        window.mnuSendText_Click();
        QTRY_COMPARE(rig.board.bytesReceived(), QByteArray("H"));
        QCOMPARE(enabledNames(blocked), QStringList());

        // The routines themselves refuse too, whatever calls them.
        QSignalSpy closed(&window, &FrmTerminal::closed);
        const int choices = rig.fixture.chooser.calls;
        window.mnuOpenLog_Click();
        window.mnuVisu_Click();
        window.mnuSendText_Click();
        window.mnuRun_Click();
        window.mnuquitte_Click();
        window.mnuConfig_Click();
        window.mnuProperties_Click();
        for (const char *key : {"OpenLogFile", "Quitte", "TransmitTextFile", "Run", "comm"})
            window.tbrToolBar_ButtonClick(QLatin1String(key));
        emit window.sbrStatus->panelClicked(QStringLiteral("adresse"));
        QTest::keyClicks(window.txtTerm, QStringLiteral("ab"));
        QTest::keyClick(window.txtTerm, Qt::Key_Return);

        QCOMPARE(rig.fixture.chooser.calls, choices);
        QCOMPARE(closed.size(), 0);
        QCOMPARE(modalDialogs, 0);
        QVERIFY(window.serial().PortOpen());
        QVERIFY(window.uploadRunning());
        QCOMPARE(texts(rig.boxes()), QList<QString>());

        window.Timer3_Timer();
        QVERIFY(rig.waitUploadEnd());
        QCOMPARE(texts(rig.boxes()), QList<QString>{"Timeout, Pas de réponse !"});
        QCOMPARE(enabledNames(blocked).size(), blocked.size());
        QCOMPARE(rig.sentSoFar(), QByteArray("H"));
    }

    // ------------------------------------------------------------ view

    void view_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<bool>("portOpen");
        QTest::addColumn<int>("rejected");
        QTest::addColumn<bool>("shown"); // the three records' load lines, or nothing

        const QList<QByteArray> records = threeRecords();
        QTest::newRow("three records and the end") << joined(records + QList<QByteArray>{Eof}) << true << 0 << true;
        QTest::newRow("two empty lines among the records")
            << joined({records[0], "", records[1], "", records[2], Eof}) << true << 2 << true;
        QTest::newRow("port closed") << joined(records + QList<QByteArray>{Eof}) << false << 0 << true;
        QTest::newRow("empty file") << QByteArray() << true << 0 << false;
    }

    void view()
    {
        QFETCH(QByteArray, file);
        QFETCH(bool, portOpen);
        QFETCH(int, rejected);
        QFETCH(bool, shown);

        Rig rig;
        QVERIFY(rig.start());
        if (!portOpen)
            rig.window->comm();
        rig.choose(rig.writeFile(QStringLiteral("prog.hex"), file));
        rig.window->mnuVisu_Click();

        const QString lines = QStringLiteral("10 4100:10 11 12 13 14 15 16 17 18 19 1A 1B 1C 1D 1E 1F 0178\n"
                                             "10 4110:40 41 42 43 44 45 46 47 48 49 4A 4B 4C 4D 4E 4F 0478\n"
                                             "10 4120:80 81 82 83 84 85 86 87 88 89 8A 8B 8C 8D 8E 8F 0878\n");
        QCOMPARE(rig.boxes(), QList<MessageRequest>(rejected, errorBox(QStringLiteral("Mauvais type de fichier"))));
        QVERIFY(!rig.progressWindow());
        if (!portOpen)
            rig.window->comm();
        // The board's marker comes after whatever the view displayed.
        QCOMPARE(rig.terminalTextUpTo("after"), (shown ? lines : QString()) + QStringLiteral("after\n"));
        QCOMPARE(rig.sentSoFar(), QByteArray());
    }

    // ------------------------------------------------------------ run

    void runSendsStartAddress()
    {
        Rig rig;
        QVERIFY(rig.start());
        rig.window->mnuRun_Click();
        QTRY_COMPARE(rig.board.executeRequests(), QStringList{"4100"});

        // The start address dialog, as the user fills it in.
        QTimer::singleShot(0, this, [] {
            auto *dialog = qobject_cast<Config *>(QApplication::activeModalWidget());
            QVERIFY(dialog);
            dialog->findChild<QComboBox *>(QStringLiteral("adressedepart"))->setCurrentText(QStringLiteral("4000"));
            dialog->OKButton_Click();
        });
        rig.window->mnuConfig_Click();
        QCOMPARE(rig.window->shared().StartAddress, QStringLiteral("4000"));

        rig.window->tbrToolBar_ButtonClick(QStringLiteral("Run"));
        QTRY_COMPARE(rig.board.executeRequests(), QStringList({"4100", "4000"}));
        QCOMPARE(rig.board.bytesReceived(), QByteArray("X4100\rX4000\r"));
        QCOMPARE(texts(rig.boxes()), QList<QString>());
    }

    // ------------------------------------------------------------ file choice

    void fileChoice()
    {
        TerminalFixture fixture; // no device: the port stays closed
        FrmTerminal &window = fixture.start();
        QVERIFY(!window.serial().PortOpen());
        fixture.boxes.shown.clear();
        QTemporaryDir dir;
        auto write = [&](const QString &name, const QByteArray &content) {
            QFile file(dir.filePath(name));
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(content);
        };
        write(QStringLiteral("first.hex"), joined({threeRecords().at(0), Eof}));
        write(QStringLiteral("SECOND.HEX"), joined({threeRecords().at(1), Eof}));
        auto uploadCommands = [&] {
            return QList<bool>{window.mnuSendText->isEnabled(), window.mnuVisu->isEnabled(),
                               window.toolbarButton(QStringLiteral("TransmitTextFile"))->isEnabled()};
        };
        QCOMPARE(uploadCommands(), QList<bool>({false, false, false}));

        // Cancel before any choice changes nothing.
        fixture.chooser.answer.reset();
        window.mnuOpenLog_Click();
        QCOMPARE(fixture.chooser.lastTitle, QStringLiteral(" Ouvrir Fichier HEX "));
        QCOMPARE(fixture.chooser.lastFilter, QStringLiteral("Fichier HEX (*.HEX)"));
        QCOMPARE(uploadCommands(), QList<bool>({false, false, false}));
        QVERIFY(window.shared().HexFileTitle.isEmpty());

        // A choice with the port closed still makes upload and view available.
        fixture.chooser.answer = dir.filePath(QStringLiteral("first.hex"));
        window.tbrToolBar_ButtonClick(QStringLiteral("OpenLogFile"));
        QCOMPARE(window.shared().HexFileTitle, QStringLiteral("first.hex"));
        QCOMPARE(window.shared().HexFilePath, dir.filePath(QStringLiteral("first.hex")));
        QCOMPARE(window.sbrStatus->panelText(QStringLiteral("Fichier")), QStringLiteral("Fichier: first.hex"));
        QCOMPARE(uploadCommands(), QList<bool>({true, true, true}));

        // Cancel keeps the earlier choice.
        fixture.chooser.answer.reset();
        window.mnuOpenLog_Click();
        QCOMPARE(window.shared().HexFileTitle, QStringLiteral("first.hex"));
        QCOMPARE(window.sbrStatus->panelText(QStringLiteral("Fichier")), QStringLiteral("Fichier: first.hex"));
        QCOMPARE(uploadCommands(), QList<bool>({true, true, true}));

        // A second choice replaces it, and the view converts the new file.
        fixture.chooser.answer = dir.filePath(QStringLiteral("SECOND.HEX"));
        window.mnuOpenLog_Click();
        QCOMPARE(window.shared().HexFileTitle, QStringLiteral("SECOND.HEX"));
        QCOMPARE(window.shared().HexFilePath, dir.filePath(QStringLiteral("SECOND.HEX")));
        QCOMPARE(window.sbrStatus->panelText(QStringLiteral("Fichier")), QStringLiteral("Fichier: SECOND.HEX"));
        window.mnuVisu_Click();
        QTRY_VERIFY(window.txtTerm->toPlainText().startsWith(QLatin1String("10 4110:40")));
        QCOMPARE(fixture.boxes.shown.size(), 0);
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
        QCOMPARE(dialog.windowTitle(), QStringLiteral(" Ouvrir Fichier HEX "));
        QCOMPARE(dialog.nameFilters(), QStringList{"Fichier HEX (*.HEX)"});

        auto *view = dialog.findChild<QListView *>(QStringLiteral("listView"));
        QVERIFY(view);
        auto listed = [view] {
            QStringList names;
            const QModelIndex root = view->rootIndex();
            for (int row = 0; row < view->model()->rowCount(root); ++row)
                names.append(view->model()->index(row, 0, root).data().toString());
            names.sort();
            return names;
        };
        QTRY_COMPARE(listed(), QStringList({"PROG2.HEX", "prog.hex"}));
    }

    // ------------------------------------------------------------ hostile program files

    void unreadableOrUnwritable_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<bool>("upload");
        for (const bool upload : {true, false}) {
            const char *command = upload ? "upload" : "view";
            for (const char *kind : {"missing", "directory", "tempUnwritable"})
                QTest::addRow("%s, %s", command, kind) << QString::fromLatin1(kind) << upload;
        }
    }

    void unreadableOrUnwritable()
    {
        QFETCH(QString, kind);
        QFETCH(bool, upload);

        QTemporaryDir scratch;
        // A regular file where the temporary file's folder should be: nothing
        // can be created under it, even by root.
        const QString blocker = scratch.filePath(QStringLiteral("plain-file"));
        {
            QFile file(blocker);
            QVERIFY(file.open(QIODevice::WriteOnly));
        }
        const bool tempUnwritable = kind == QLatin1String("tempUnwritable");
        Rig rig;
        QVERIFY(rig.start(tempUnwritable ? blocker + QStringLiteral("/sub") : QString()));

        QString path = rig.files.filePath(QStringLiteral("prog.hex"));
        QString expectedText = QStringLiteral("Impossible de lire le fichier ") + path;
        if (kind == QLatin1String("directory")) {
            path = rig.files.path();
            expectedText = QStringLiteral("Impossible de lire le fichier ") + path;
        } else if (tempUnwritable) {
            rig.writeFile(QStringLiteral("prog.hex"), joined(threeRecords()));
            expectedText = QStringLiteral("Impossible d'écrire le fichier ") + blocker + QStringLiteral("/sub/kortemp.hex");
        }
        rig.choose(path);
        rig.board.send("before\r");
        QTRY_COMPARE(rig.window->txtTerm->toPlainText(), QStringLiteral("before\n"));

        for (const bool abortBefore : {false, true}) {
            rig.boxes().clear();
            rig.window->shared().TransferAbort = abortBefore;
            if (upload)
                rig.window->mnuSendText_Click();
            else
                rig.window->mnuVisu_Click();
            QCOMPARE(rig.boxes().size(), 1);
            QCOMPARE(rig.boxes().first().text, expectedText);
            QCOMPARE(rig.boxes().first().title, QStringLiteral("ERREUR"));
            QCOMPARE(rig.boxes().first().icon, MessageRequest::Icon::Critical);
            QVERIFY(!rig.boxes().first().informativeText.isEmpty()); // the system's reason
            QCOMPARE(rig.window->shared().TransferAbort, abortBefore);
            QVERIFY(!rig.window->uploadRunning());
            QVERIFY(!rig.progressWindow());
            QCOMPARE(enabledNames(uploadBlockedCommands(*rig.window)).size(), 12);
        }
        QCOMPARE(rig.terminalTextUpTo("after"), QStringLiteral("before\nafter\n"));
        QCOMPARE(rig.sentSoFar(), QByteArray());
    }

    // Files that are not Intel HEX at all: nothing goes out that the file
    // does not hold, one clear message, memory bounded.
    void notHexAtAll_data()
    {
        QTest::addColumn<QByteArray>("file");

        QByteArray binary(256 * 1024, Qt::Uninitialized);
        QRandomGenerator random(20240601);
        for (char &byte : binary)
            byte = char(random.bounded(256));
        QTest::newRow("binary garbage") << binary;

        // Big, without a single hex record: read in a bounded buffer,
        // stopped at its first line.
        QByteArray junk;
        const QByteArray junkLine = "ceci n'est pas un programme, ni du texte HEX: xyz xyz xyz xyz xyz\n";
        junk.reserve(8 * 1024 * 1024);
        while (junk.size() + junkLine.size() <= 8 * 1024 * 1024)
            junk += junkLine;
        QTest::newRow("8 MB of text lines") << junk;

        // Each line's count reads 255 bytes that the line does not hold.
        QByteArray counts;
        while (counts.size() < 1024 * 1024)
            counts += ":FF\n";
        QTest::newRow("1 MB of bare counts") << counts;
    }

    void notHexAtAll()
    {
        QFETCH(QByteArray, file);

        Rig rig;
        QVERIFY(rig.start());
        rig.choose(rig.writeFile(QStringLiteral("prog.hex"), file));
        rig.window->mnuSendText_Click();
        QVERIFY(rig.waitUploadEnd());
        QCOMPARE(texts(rig.boxes()), QList<QString>{"Mauvais type de fichier"});
        QVERIFY(!rig.window->shared().TransferActive);
        QVERIFY(!rig.progressShown());
        QCOMPARE(rig.sentSoFar(), QByteArray());
        // The temporary file holds the input's lines, not records made up from their counts.
        const QFileInfo temporary(rig.fixture.tempDir.filePath(QStringLiteral("kortemp.hex")));
        QVERIFY2(temporary.size() <= 2 * file.size(), qPrintable(QString::number(temporary.size())));
    }
};

QTEST_MAIN(TestE2eTransfer)
#include "tst_e2e_transfer.moc"
