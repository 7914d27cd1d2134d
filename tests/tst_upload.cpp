#include "transfer/upload.h"

#include "fakes.h"
#include "shared/failure.h"
#include "shared/sharedvalues.h"
#include "transfer/hexconvert.h"

#include <QSignalSpy>
#include <QTimer>
#include <QtTest/QTest>

#include <memory>

namespace {

const QString ack = QString(QChar(6));
const QString nak = QString(QChar(21));
const QString tick = QStringLiteral("<Timer3 tick>");

const QString eof = QStringLiteral(":00000001FF");
const QString record1 = QStringLiteral(":1041000002411075816012412080FE0022740AF580");
const QString record2 = QStringLiteral(":1041100090420000000000000000000000000000");
const QString record3 = QStringLiteral(":10412000") + QString(32, u'F');

QString loadLine(const QString &record)
{
    return FormatHexLine(record).hexLine + u' ';
}

// The window's side of the upload: the port (recorded), Timer3 and its tick,
// the message boxes.
struct Harness
{
    SharedValues values;
    QTimer timer3;
    QStringList sent;
    RecordingMessageBoxes boxes;
    std::function<void(const QString &)> onSend;
    Upload upload{values, timer3,
                  [this](const QString &text) {
                      sent.append(text);
                      if (onSend)
                          onSend(text);
                  },
                  boxes, nullptr};
    QSignalSpy startedSpy{&upload, &Upload::started};
    QSignalSpy finishedSpy{&upload, &Upload::finished};

    explicit Harness(int timeoutMs = 2000)
    {
        timer3.setInterval(timeoutMs);
        QObject::connect(&timer3, &QTimer::timeout, &upload, [this] { tickTimer3(); });
    }

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
    void exchange_data();
    void exchange();
    void timeOutFromTimer3();
    void emptyNotificationKeepsTheTimeOutRunning();
    void deviceLostWhileWaiting();
    void stopEndsWithoutMessage();
    void sendFailureEndsTheUpload();
    void repliesWhileTheBoxIsOpenAreIgnored();
    void deviceLostInsideSend_data();
    void deviceLostInsideSend();
    void secondStartRefused();
    void notificationsWhenIdleDoNothing();
};

void TestUpload::exchange_data()
{
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<QStringList>("replies"); // each one notification, or the Timer3 tick
    QTest::addColumn<QStringList>("expectedSent");
    QTest::addColumn<QString>("expectedMessage"); // empty: none
    QTest::addColumn<bool>("expectedAbort");

    const QStringList three{record1, record2, record3, eof};
    const QString H = QStringLiteral("H");

    QTest::newRow("every H acknowledged")
        << three << QStringList{ack, ack, ack}
        << QStringList{H, loadLine(record1), H, loadLine(record2), H, loadLine(record3)} << QString() << false;
    QTest::newRow("NAK on the second")
        << three << QStringList{ack, nak} << QStringList{H, loadLine(record1), H}
        << "Erreur de transmission du fichier" << true;
    QTest::newRow("answer beginning with 1") << three << QStringList{"1\r\n"} << QStringList{H}
                                             << "Timeout, Pas de réponse !" << true;
    QTest::newRow("Timer3 tick") << three << QStringList{ack, tick} << QStringList{H, loadLine(record1), H}
                                 << "Timeout, Pas de réponse !" << true;
    QTest::newRow("ACK followed by junk, junk dropped")
        << QStringList{record1, record2} << QStringList{ack + "junk\r\n", ack}
        << QStringList{H, loadLine(record1), H, loadLine(record2)} << QString() << false;
    QTest::newRow("later notification answers the next H")
        << QStringList{record1, record2} << QStringList{ack, "\r\n"} << QStringList{H, loadLine(record1), H}
        << "Erreur de transmission du fichier" << true;
    QTest::newRow("empty notification is no answer")
        << QStringList{record1} << QStringList{QString(), QString(), ack} << QStringList{H, loadLine(record1)}
        << QString() << false;
    QTest::newRow("rejected line mid-file")
        << QStringList{record1, QString(), record2} << QStringList{ack} << QStringList{H, loadLine(record1)}
        << "Mauvais type de fichier" << true;
    QTest::newRow("end-of-file record only") << QStringList{eof} << QStringList{} << QStringList{} << QString()
                                             << false;
    QTest::newRow("no lines at all") << QStringList{} << QStringList{} << QStringList{} << QString() << false;
    QTest::newRow("line after the end-of-file record still sent")
        << QStringList{record1, eof, record2} << QStringList{ack, ack}
        << QStringList{H, loadLine(record1), H, loadLine(record2)} << QString() << false;
    QTest::newRow("non-zero extended address stops before the data")
        << QStringList{":020000040001F9", record1} << QStringList{} << QStringList{} << "Mauvais type de fichier"
        << true;
}

void TestUpload::exchange()
{
    QFETCH(QStringList, lines);
    QFETCH(QStringList, replies);
    QFETCH(QStringList, expectedSent);
    QFETCH(QString, expectedMessage);
    QFETCH(bool, expectedAbort);

    Harness h;
    h.values.TransferAbort = !expectedAbort; // start() must reset it
    QVERIFY(h.upload.start(lines));
    for (const QString &reply : replies) {
        QVERIFY2(h.upload.isRunning(), qPrintable("ended before the reply " + reply.toUtf8().toPercentEncoding()));
        QVERIFY(h.values.TransferActive);
        QVERIFY(h.timer3.isActive());
        if (reply == tick)
            h.tickTimer3();
        else
            h.receive(reply);
    }

    QCOMPARE(h.sent, expectedSent);
    QVERIFY(h.endedCleanly());
    QCOMPARE(h.values.TransferAbort, expectedAbort);
    if (expectedMessage.isEmpty()) {
        QVERIFY(h.boxes.shown.isEmpty());
    } else {
        QCOMPARE(h.boxes.shown.size(), 1);
        QCOMPARE(h.boxes.shown.first(), errorBox(expectedMessage));
    }
}

void TestUpload::timeOutFromTimer3()
{
    Harness h(50);
    QVERIFY(h.upload.start({record1, record2}));
    QCOMPARE(h.sent, QStringList{"H"});
    QTRY_VERIFY_WITH_TIMEOUT(!h.upload.isRunning(), 5000);
    QCOMPARE(h.boxes.shown, QList<MessageRequest>{errorBox("Timeout, Pas de réponse !")});
    QCOMPARE(h.sent, QStringList{"H"});
    QVERIFY(h.endedCleanly());
}

// The time-out runs from the "H": a notification that is no answer must not restart it.
void TestUpload::emptyNotificationKeepsTheTimeOutRunning()
{
    Harness h;
    QVERIFY(h.upload.start({record1}));
    const int timerId = h.timer3.timerId();
    QVERIFY(timerId > 0);
    h.receive(QString());
    QCOMPARE(h.timer3.timerId(), timerId);
    QVERIFY(boardReplyIsNumber(h.values.BoardReply, 0));
    QVERIFY(h.upload.isRunning());
}

void TestUpload::deviceLostWhileWaiting()
{
    Harness h;
    QVERIFY(h.upload.start({record1, record2}));
    h.upload.deviceLost();
    QCOMPARE(h.boxes.shown, QList<MessageRequest>{errorBox("Erreur de transmission du fichier")});
    QVERIFY(h.endedCleanly());
    QVERIFY(h.values.TransferAbort);
    h.receive(ack);
    QCOMPARE(h.sent, QStringList{"H"});
}

void TestUpload::stopEndsWithoutMessage()
{
    Harness h;
    QVERIFY(h.upload.start({record1, record2}));
    h.upload.stop();
    QVERIFY(h.endedCleanly());
    QVERIFY(h.boxes.shown.isEmpty());
    h.receive(ack);
    h.upload.deviceLost();
    QCOMPARE(h.sent, QStringList{"H"});
    QVERIFY(h.boxes.shown.isEmpty());
}

// Writing to a closed port fails; the upload reports it and ends.
void TestUpload::sendFailureEndsTheUpload()
{
    Harness h;
    h.onSend = [](const QString &) { throw Failure(8018, "Operation valid only when the port is open"); };
    QVERIFY(h.upload.start({record1, record2}));
    QCOMPARE(h.boxes.shown, QList<MessageRequest>{errorBox("Operation valid only when the port is open")});
    QCOMPARE(h.sent, QStringList{"H"});
    QVERIFY(h.endedCleanly());
    QVERIFY(h.values.TransferAbort);
}

// A real message box runs its own event loop: replies, ticks and device
// reports that arrive while it is open must change nothing.
void TestUpload::repliesWhileTheBoxIsOpenAreIgnored()
{
    Harness h;
    int finishedWhileOpen = -1;
    h.boxes.whileOpen = [&](const MessageRequest &) {
        h.receive(ack);
        h.tickTimer3();
        h.upload.deviceLost();
        finishedWhileOpen = h.finishedSpy.count();
        QVERIFY(h.values.TransferActive);
    };
    QVERIFY(h.upload.start({record1, record2}));
    h.receive(nak);
    QCOMPARE(finishedWhileOpen, 0);
    QCOMPARE(h.sent, QStringList{"H"});
    QCOMPARE(h.boxes.shown.size(), 1);
    QVERIFY(h.endedCleanly());
}

void TestUpload::deviceLostInsideSend_data()
{
    QTest::addColumn<int>("lostAtSend"); // the write during which the port reports it
    QTest::addColumn<QStringList>("expectedSent");

    QTest::newRow("while writing the load line") << 2 << QStringList({"H", loadLine(record1)});
    QTest::newRow("while writing the next H") << 3 << QStringList({"H", loadLine(record1), "H"});
}

// The port reports a lost device from inside a write: nothing more may go out,
// and the upload must not go on waiting for a reply.
void TestUpload::deviceLostInsideSend()
{
    QFETCH(int, lostAtSend);
    QFETCH(QStringList, expectedSent);

    Harness h;
    h.onSend = [&](const QString &) {
        if (h.sent.size() == lostAtSend)
            h.upload.deviceLost();
    };
    QVERIFY(h.upload.start({record1, record2, record3}));
    h.receive(ack);
    QCOMPARE(h.sent, expectedSent);
    QCOMPARE(h.boxes.shown, QList<MessageRequest>{errorBox("Erreur de transmission du fichier")});
    QVERIFY(h.endedCleanly());
}

void TestUpload::secondStartRefused()
{
    Harness h;
    QVERIFY(h.upload.start({record1}));
    QVERIFY(!h.upload.start({record2}));
    QCOMPARE(h.startedSpy.count(), 1);
    h.receive(ack);
    QCOMPARE(h.sent, QStringList({"H", loadLine(record1)}));
    QCOMPARE(h.values.HexLine, FormatHexLine(record1).hexLine);
    QVERIFY(h.endedCleanly());
    // Once ended, a new upload may start.
    QVERIFY(h.upload.start({record2}));
    QCOMPARE(h.startedSpy.count(), 2);
}

void TestUpload::notificationsWhenIdleDoNothing()
{
    Harness h;
    h.receive(ack);
    h.upload.deviceLost();
    h.upload.stop();
    QVERIFY(h.sent.isEmpty());
    QVERIFY(h.boxes.shown.isEmpty());
    QCOMPARE(h.finishedSpy.count(), 0);
}

QTEST_GUILESS_MAIN(TestUpload)
#include "tst_upload.moc"
