#include "serial/displayrules.h"

#include <QRandomGenerator>
#include <QtTest/QtTest>

namespace {

// A terminal text whose characters can be told apart by position.
QString numberedText(qsizetype length)
{
    QString text;
    text.reserve(length);
    for (qsizetype i = 0; i < length; ++i)
        text.append(QChar(u'A' + int(i % 26)));
    return text;
}

// Chunks rich in the characters the rules treat specially.
QString randomChunk(QRandomGenerator &random, int maxLength)
{
    static const QString alphabet = QStringLiteral("ab\b\b\r\n\r\x1a\xe9 ");
    QString chunk;
    const int length = int(random.bounded(maxLength + 1));
    for (int i = 0; i < length; ++i)
        chunk.append(alphabet.at(int(random.bounded(alphabet.size()))));
    return chunk;
}

} // namespace

class TestDisplayRules : public QObject
{
    Q_OBJECT
private slots:
    void editRules_data();
    void editRules();
    void trimming_data();
    void trimming();
    void longChunksStayBounded();
    void batchEqualsOneByOne();
};

void TestDisplayRules::editRules_data()
{
    QTest::addColumn<QString>("terminal");
    QTest::addColumn<QString>("chunk");
    QTest::addColumn<QString>("shown");

    QTest::newRow("letters CR LF: one line break") << "" << "ab\r\n" << "ab\n";
    QTest::newRow("lone LF shows nothing") << "x" << "\n" << "x";
    QTest::newRow("lone CR breaks the line") << "x" << "\r" << "x\n";
    QTest::newRow("two CRs, two breaks") << "" << "\r\r" << "\n\n";
    QTest::newRow("LF CR: one break") << "x" << "\n\ry" << "x\ny";
    QTest::newRow("letter + backspace shows nothing") << "xy" << "a\b" << "xy";
    QTest::newRow("leading backspace replaces last char") << "xyz" << "\bQR" << "xyQR";
    QTest::newRow("two leading backspaces take one char") << "xyz" << "\b\bQ" << "xyQ";
    QTest::newRow("backspace only") << "xyz" << "\b" << "xy";
    QTest::newRow("backspace, empty terminal") << "" << "\bQ" << "Q";
    QTest::newRow("backspaces only, empty terminal") << "" << "\b\b" << "";
    QTest::newRow("backspace takes a line break whole") << "ab\n" << "\b" << "ab";
    QTest::newRow("backspace after chunk CR takes the CR") << "x" << "a\r\b" << "xa";
    QTest::newRow("backspace after CR LF takes the LF only") << "x" << "a\r\n\bb" << "xa\nb";
    QTest::newRow("backspaces beyond the chunk reach the terminal once") << "xyz" << "a\b\b\b" << "xy";
    QTest::newRow("leading backspace, chunk later emptied") << "xyz" << "\ba\b" << "xy";
    QTest::newRow("nested backspaces") << "t" << "ab\b\bc" << "tc";
    QTest::newRow("empty chunk") << "abc" << "" << "abc";
    QTest::newRow("other control chars shown as they are") << "" << QString::fromLatin1("\t\x1b\x1a\x00\x7f", 5)
                                                         << QString::fromLatin1("\t\x1b\x1a\x00\x7f", 5);
    QTest::newRow("Latin-1 high characters") << "" << QStringLiteral("\xe9\xff") << QStringLiteral("\xe9\xff");
}

void TestDisplayRules::editRules()
{
    QFETCH(QString, terminal);
    QFETCH(QString, chunk);
    QFETCH(QString, shown);

    // The caret may be anywhere before: it ends at the end, nothing selected.
    TerminalText model{terminal, 0, terminal.size()};
    applyDisplayRules(model, chunk);
    QCOMPARE(model.text, shown);
    QCOMPARE(model.selectionStart, shown.size());
    QCOMPARE(model.selectionLength, 0);
}

void TestDisplayRules::trimming_data()
{
    QTest::addColumn<qsizetype>("length");
    QTest::addColumn<QString>("chunk");
    QTest::addColumn<qsizetype>("dropped");

    QTest::newRow("16000 kept") << qsizetype(16000) << "a" << qsizetype(0);
    QTest::newRow("16001 cut to 11905") << qsizetype(16001) << "a" << qsizetype(4096);
    QTest::newRow("trim before backspace") << qsizetype(16001) << "\b" << qsizetype(4096);
    QTest::newRow("20096 once") << qsizetype(20096) << "" << qsizetype(4096);
    QTest::newRow("20097 twice") << qsizetype(20097) << "" << qsizetype(8192);
    QTest::newRow("100000 down to 13984") << qsizetype(100000) << "" << qsizetype(86016);
}

void TestDisplayRules::trimming()
{
    QFETCH(qsizetype, length);
    QFETCH(QString, chunk);
    QFETCH(qsizetype, dropped);

    const QString before = numberedText(length);
    TerminalText model{before};
    applyDisplayRules(model, chunk);

    // The text restarts right after the dropped characters.
    QString expected = before.mid(dropped);
    if (chunk == u"\b")
        expected.chop(1);
    else
        expected.append(chunk);
    QCOMPARE(model.text.size(), expected.size());
    QCOMPARE(model.text, expected);
}

void TestDisplayRules::longChunksStayBounded()
{
    // One read of a fast line can be far longer than the block dropped.
    const QString chunk = numberedText(10000);
    TerminalText model;
    for (int i = 0; i < 50; ++i) {
        applyDisplayRules(model, chunk);
        QVERIFY2(model.text.size() <= DisplayRules::TerminalLimit + chunk.size(),
                 qPrintable(QString::number(model.text.size())));
    }
    QVERIFY(model.text.endsWith(chunk));
}

void TestDisplayRules::batchEqualsOneByOne()
{
    // Backspaces that reach back past what the batch appended.
    for (const QStringList &chunks : {QStringList{"\b", "\b", "\b"}, QStringList{"a", "\b", "\b", "\b\bb"},
                                      QStringList{"\b", "\b", "\b", "\b", "q"}}) {
        TerminalText oneByOne{QStringLiteral("xyz")};
        DisplayBatch batch(oneByOne.text.size());
        for (const QString &chunk : chunks) {
            applyDisplayRules(oneByOne, chunk);
            batch.add(chunk);
        }
        TerminalText batched{QStringLiteral("xyz")};
        applyDisplayEdit(batched, batch.edit());
        QCOMPARE(batched.text, oneByOne.text);
    }

    QRandomGenerator random(20240607);
    for (int round = 0; round < 200; ++round) {
        TerminalText oneByOne{numberedText(random.bounded(25000))};
        TerminalText batched = oneByOne;
        DisplayBatch batch(batched.text.size());
        const int chunks = int(random.bounded(1, 60));
        // Some rounds with chunks long enough to trim inside the batch.
        const int maxLength = round % 3 == 0 ? 9000 : 40;
        for (int i = 0; i < chunks; ++i) {
            const QString chunk = randomChunk(random, maxLength);
            applyDisplayRules(oneByOne, chunk);
            batch.add(chunk);
            QCOMPARE(batch.resultLength(), oneByOne.text.size());
        }
        applyDisplayEdit(batched, batch.edit());
        QCOMPARE(batched.text, oneByOne.text);
        QVERIFY(batch.edit().append.size() <= DisplayRules::TerminalLimit + maxLength);
    }
}

QTEST_APPLESS_MAIN(TestDisplayRules)
#include "tst_displayrules.moc"
