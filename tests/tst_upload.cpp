#include "transfer/upload.h"

#include "fakes.h"
#include "shared/failure.h"
#include "shared/sharedvalues.h"
#include "transfer/hexconvert.h"

#include <QSignalSpy>
#include <QTimer>
#include <QtTest/QTest>

namespace {

using L = QStringList;

const QString ack = QString(QChar(6));
const QString nak = QString(QChar(21));
const QString tick = QStringLiteral("<Timer3 tick>");
const QString lost = QStringLiteral("Erreur de transmission du fichier");
const QString refusal = QStringLiteral("Operation valid only when the port is open");

// Events that end an upload from outside.
const QString lostEvent = QStringLiteral("<device lost>");
const QString stopEvent = QStringLiteral("<window closing>");
const QString refuseEvent = QStringLiteral("<port refuses the next writes>");
QString lostInWrite(int write)
{
    return QStringLiteral("<device lost in write %1>").arg(write);
}

const QString eof = QStringLiteral(":00000001FF");
const QString record1 = QStringLiteral(":1041000002411075816012412080FE0022740AF580");
const QString record2 = QStringLiteral(":1041100090420000000000000000000000000000");
const QString record3 = QStringLiteral(":10412000") + QString(32, u'F');

QString loadLine(const QString &record)
{
    return FormatHexLine(record).hexLine + u' ';
}

// The window's side of the upload: the port (recorded), Timer3, the message boxes.
struct Harness
{
    SharedValues values;
    QTimer timer3;
    QStringList sent;
    RecordingMessageBoxes boxes;
    std::function<void()> onSend;
    Upload upload{values, timer3,
                  [this](const QString &text) {
                      sent.append(text);
                      if (onSend)
                          onSend();
                  },
                  boxes, nullptr};
    QSignalSpy startedSpy{&upload, &Upload::started};
    QSignalSpy finishedSpy{&upload, &Upload::finished};

    Harness() { timer3.setInterval(2000); }

    // What the window's receive path does with a notification's data.
    void receive(const QString &text)
    {
        values.BoardReply = text;
        upload.boardReplyChanged();
    }

    // What the window's Timer3 tick does.
    void tickTimer3()
    {
        values.BoardReply = 1;
        upload.boardReplyChanged();
    }

    bool endedCleanly() const
    {
        return !upload.isRunning() && !values.TransferActive && !timer3.isActive() && startedSpy.count() == 1
               && finishedSpy.count() == 1;
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
        QTest::addColumn<QStringList>("events"); // notifications' data, or one of the <...> events below
        QTest::addColumn<QStringList>("expectedSent");
        QTest::addColumn<QString>("expectedMessage"); // empty: none

        const QStringList three{record1, record2, record3, eof};
        const QString H = QStringLiteral("H");
        const QString l1 = loadLine(record1);
        const QString timeout = QStringLiteral("Timeout, Pas de réponse !");
        const QString bad = QStringLiteral("Mauvais type de fichier");

        QTest::newRow("NAK on the second") << three << L{ack, nak} << L{H, l1, H} << lost;
        QTest::newRow("answer beginning with 1") << three << L{"1\r\n"} << L{H} << timeout;
        QTest::newRow("Timer3 tick") << three << L{ack, tick} << L{H, l1, H} << timeout;
        QTest::newRow("later notification answers the next H") << three << L{ack, "\r\n"} << L{H, l1, H} << lost;
        QTest::newRow("empty notification is no answer")
            << L{record1} << L{QString(), QString(), ack} << L{H, l1} << QString();
        QTest::newRow("rejected line mid-file") << L{record1, QString(), record2} << L{ack} << L{H, l1} << bad;
        QTest::newRow("end-of-file record only") << L{eof} << L{} << L{} << QString();
        QTest::newRow("line after the end-of-file record still sent")
            << L{record1, eof, record2} << L{ack, ack} << L{H, l1, H, loadLine(record2)} << QString();
        QTest::newRow("non-zero extended address stops before the data")
            << L{":020000040001F9", record1} << L{} << L{} << bad;

        // Ended from outside: nothing more may go out, and no wait for a reply goes on.
        QTest::newRow("device lost while waiting") << three << L{lostEvent, ack} << L{H} << lost;
        QTest::newRow("device lost writing the load line") << three << L{lostInWrite(2), ack, ack} << L{H, l1} << lost;
        QTest::newRow("device lost writing the next H") << three << L{lostInWrite(3), ack, ack} << L{H, l1, H} << lost;
        QTest::newRow("port refuses a write") << three << L{refuseEvent, ack, ack} << L{H, l1} << refusal;
        QTest::newRow("window closing") << three << L{stopEvent, ack} << L{H} << QString();
    }

    void exchange()
    {
        QFETCH(QStringList, lines);
        QFETCH(QStringList, events);
        QFETCH(QStringList, expectedSent);
        QFETCH(QString, expectedMessage);

        Harness h;
        h.values.TransferAbort = expectedMessage.isEmpty(); // start() must reset it
        // A real box runs its own event loop: what arrives while it is open must change nothing.
        h.boxes.whileOpen = [&](const MessageRequest &) {
            h.receive(ack);
            h.tickTimer3();
            h.upload.deviceLost();
            QVERIFY(h.values.TransferActive && h.finishedSpy.isEmpty());
        };
        qsizetype lostAtWrite = -1;
        bool refuse = false;
        h.onSend = [&] {
            if (h.sent.size() == lostAtWrite)
                h.upload.deviceLost();
            if (refuse)
                throw Failure(8018, refusal);
        };
        QVERIFY(h.upload.start(lines));
        for (const QString &event : events) {
            QVERIFY(!h.upload.isRunning() || (h.values.TransferActive && h.timer3.isActive()));
            if (event == tick)
                h.tickTimer3();
            else if (event == lostEvent)
                h.upload.deviceLost();
            else if (event == stopEvent)
                h.upload.stop();
            else if (event == refuseEvent)
                refuse = true;
            else if (event.startsWith(u"<device lost in write"))
                lostAtWrite = event.section(u' ', -1).chopped(1).toInt();
            else
                h.receive(event);
        }

        QCOMPARE(h.sent, expectedSent);
        QVERIFY(h.endedCleanly());
        QCOMPARE(h.values.TransferAbort, !expectedMessage.isEmpty() || events.contains(stopEvent));
        QCOMPARE(h.boxes.shown, expectedMessage.isEmpty() ? QList<MessageRequest>{}
                                                          : QList<MessageRequest>{errorBox(expectedMessage)});
    }

    // The time-out runs from the "H": a notification that brings nothing must not restart it.
    void emptyNotificationKeepsTheTimeOut()
    {
        Harness h;
        h.timer3.setInterval(400);
        QVERIFY(h.upload.start({record1}));
        QTRY_VERIFY_WITH_TIMEOUT(h.timer3.remainingTime() < 250, 1000);
        h.receive(QString());
        QVERIFY(h.upload.isRunning() && h.timer3.remainingTime() < 250);
    }
};

QTEST_GUILESS_MAIN(TestUpload)
#include "tst_upload.moc"
