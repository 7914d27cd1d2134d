// SPDX-License-Identifier: GPL-3.0-or-later
#include "transfer/upload.h"

#include "shared/failure.h"

#include <QElapsedTimer>
#include <QtTest/QTest>

namespace {

using L = QStringList;
using Outcome = UploadResult::Outcome;

const QString ack = QString(QChar(6));
const QString refusal = QStringLiteral("Operation valid only when the port is open");
const QString H = QStringLiteral("H");
const QString eof = QStringLiteral(":00000001FF");
const QString record1 = QStringLiteral(":1041000002411075816012412080FE0022740AF580");
const QString record2 = QStringLiteral(":1041100090420000000000000000000000000000CD");
const QString load1 = QStringLiteral("10 4100:02 41 10 75 81 60 12 41 20 80 FE 00 22 74 0A F5 052F ");
const QString load2 = QStringLiteral("10 4110:90 42 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00D2 ");
const QStringList two{record1, record2, eof};

// The port (recorded, and able to report a device loss from inside a write or
// to refuse one), and how the upload ended.
struct Harness
{
    QStringList sent;
    qsizetype lostAtWrite = -1;
    bool refuse = false;
    QList<UploadResult> endings;
    Upload upload{[this](const QString &text) {
        sent.append(text);
        if (sent.size() == lostAtWrite)
            upload.deviceLost();
        if (refuse)
            throw Failure(8018, refusal);
    }};

    Harness()
    {
        QObject::connect(&upload, &Upload::finished, [this](const UploadResult &r) { endings.append(r); });
    }
};

} // namespace

class TestUpload : public QObject
{
    Q_OBJECT

private slots:
    void exchange_data()
    {
        QTest::addColumn<QStringList>("lines");
        QTest::addColumn<QStringList>("events"); // received data, "<lost>", "<lost in write N>" or "<refuse>"
        QTest::addColumn<QStringList>("expectedSent");
        QTest::addColumn<Outcome>("outcome");
        QTest::addColumn<QString>("box");   // empty: none
        QTest::addColumn<QString>("where"); // in the box's informative text, or the status when no box
        const QString transmission = QStringLiteral("Erreur de transmission du fichier");
        const QString timeout = QStringLiteral("Timeout, Pas de réponse !");
        const QString nothing =
            QStringLiteral("Rien à charger : ce fichier ne contient aucun enregistrement de données.");
        // clang-format off
        QTest::newRow("line after the end record still sent") << L{record1, eof, record2} << L{ack, ack} << L{H, load1, H, load2} << Outcome::Loaded << QString() << "Transfert terminé : 2 enregistrements (4100–411F) en 0 s";
        QTest::newRow("end-of-file record only") << L{eof} << L{} << L{} << Outcome::NothingToLoad << nothing << "";
        QTest::newRow("ACK then junk in one burst") << L{record1} << L{ack + "junk"} << L{H, load1} << Outcome::Loaded << QString() << "";
        QTest::newRow("empty notification is no answer") << L{record1} << L{"", ack} << L{H, load1} << Outcome::Loaded << QString() << "(4100–410F)";
        QTest::newRow("NAK on the second") << two << L{ack, "\x15"} << L{H, load1, H} << Outcome::RefusedByBoard << transmission << "Enregistrement 2 sur 2, adresse 4110 : la platine a répondu NAK au lieu de ACK. 1 enregistrement chargé sur 2.";
        QTest::newRow("ACK not first") << two << L{"\r" + ack} << L{H} << Outcome::RefusedByBoard << transmission << "répondu l’octet 0x0D au lieu";
        QTest::newRow("a later notification answers the next H") << two << L{ack, "\r\n"} << L{H, load1, H} << Outcome::RefusedByBoard << transmission << "";
        QTest::newRow("answer beginning with 1") << two << L{"1\r\n"} << L{H} << Outcome::TimedOut << timeout << "répondu « 1 »";
        QTest::newRow("rejected line mid-file") << L{record1, "", record2} << L{ack} << L{H, load1} << Outcome::LineRejected << "Mauvais type de fichier" << "Ligne 2 du fichier : ligne vide";
        QTest::newRow("device lost while waiting") << two << L{"<lost>", ack} << L{H} << Outcome::DeviceLost << transmission << "déconnectée pendant le transfert : 0 enregistrement chargé sur 2";
        QTest::newRow("device lost writing the load line") << two << L{"<lost in write 2>", ack, ack} << L{H, load1} << Outcome::DeviceLost << transmission << "";
        QTest::newRow("device lost writing the next H") << two << L{"<lost in write 3>", ack, ack} << L{H, load1, H} << Outcome::DeviceLost << transmission << "1 enregistrement chargé sur 2";
        QTest::newRow("port refuses a write") << two << L{"<refuse>", ack, ack} << L{H, load1} << Outcome::DeviceLost << refusal << "";
        QTest::newRow("cancel while waiting: acknowledged line whole") << two << L{"<cancel>", ack, ack} << L{H, load1} << Outcome::Cancelled << QString() << "Transfert annulé : 1 enregistrement chargé sur 2";
        QTest::newRow("cancel, then a NAK") << two << L{ack, "<cancel>", "\x15"} << L{H, load1, H} << Outcome::Cancelled << QString() << "Transfert annulé : 1 enregistrement";
        // clang-format on
    }

    void exchange()
    {
        QFETCH(QStringList, lines);
        QFETCH(QStringList, events);
        QFETCH(QStringList, expectedSent);
        QFETCH(Outcome, outcome);
        QFETCH(QString, box);
        QFETCH(QString, where);

        Harness h;
        QVERIFY(h.upload.start(lines));
        for (const QString &event : events) {
            if (event == u"<lost>")
                h.upload.deviceLost();
            else if (event == u"<cancel>")
                h.upload.cancel();
            else if (event == u"<refuse>")
                h.refuse = true;
            else if (event.startsWith(u"<lost in write"))
                h.lostAtWrite = event.section(u' ', -1).chopped(1).toInt();
            else
                h.upload.receive(event);
        }
        QCOMPARE(h.sent, expectedSent);
        QVERIFY(!h.upload.isRunning());
        QCOMPARE(h.endings.size(), 1);
        QCOMPARE(h.endings.first().outcome, outcome);
        const std::optional<MessageRequest> shown = uploadEndBox(h.endings.first());
        QCOMPARE(shown.has_value(), !box.isEmpty());
        if (shown)
            QCOMPARE(shown->text, box);
        const QString said = shown ? shown->informativeText : uploadEndStatus(h.endings.first());
        QVERIFY2(said.contains(where), qPrintable(said));
    }

    // The board gets its full two seconds, and then the upload ends.
    void silentBoardTimesOut()
    {
        Harness h;
        QElapsedTimer clock;
        clock.start();
        QVERIFY(h.upload.start(two));
        QVERIFY(!h.upload.start(two)); // one at a time
        QTRY_COMPARE_WITH_TIMEOUT(h.endings.size(), 1, 15000);
        QVERIFY2(clock.elapsed() >= 1995, qPrintable(QString::number(clock.elapsed())));
        QCOMPARE(h.endings.first().outcome, Outcome::TimedOut);
        QCOMPARE(h.sent, L{H});
        h.upload.receive(ack); // too late: nothing more goes out
        QCOMPARE(h.sent, L{H});
    }
};

QTEST_GUILESS_MAIN(TestUpload)
#include "tst_upload.moc"
