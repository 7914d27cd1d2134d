#include "serial/terminaldisplay.h"

#include "fakes.h"

#include <QPlainTextEdit>
#include <QRandomGenerator>
#include <QScrollBar>
#include <QtTest/QtTest>

namespace {

// The text box's text with its line breaks as the rules count them. Not
// toPlainText(): it turns a received non-breaking space (0xA0) into a blank.
QString shownText(const QPlainTextEdit &txtTerm)
{
    QString text = txtTerm.document()->toRawText();
    text.replace(QChar::ParagraphSeparator, u'\n');
    return text;
}

QString randomChunk(QRandomGenerator &random, int maxLength)
{
    static const QString alphabet = QStringLiteral("abc\b\b\r\n\r\t\x1a\xa0\xe9 ");
    QString chunk;
    const int length = int(random.bounded(maxLength + 1));
    for (int i = 0; i < length; ++i)
        chunk.append(alphabet.at(int(random.bounded(alphabet.size()))));
    return chunk;
}

} // namespace

class TestTerminalDisplay : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void preparedTextBox();
    void sameAsModel_data();
    void sameAsModel();
    void sameAsModelRandomized();
    void caretToTheEnd();
    void shownWithoutFlush();
    void boundedUnderLongChunks();

private:
    void setText(const QString &text);

    std::unique_ptr<QPlainTextEdit> m_txtTerm;
    RecordingMessageBoxes m_boxes;
    TerminalDisplay *m_display = nullptr;
};

void TestTerminalDisplay::init()
{
    m_txtTerm = std::make_unique<QPlainTextEdit>();
    prepareTerminalTextBox(*m_txtTerm);
    m_display = new TerminalDisplay(*m_txtTerm, m_boxes);
    m_txtTerm->resize(400, 300);
    m_txtTerm->show();
}

void TestTerminalDisplay::cleanup()
{
    m_txtTerm.reset();
    QVERIFY(m_boxes.shown.isEmpty());
}

void TestTerminalDisplay::setText(const QString &text)
{
    m_txtTerm->setPlainText(text);
}

void TestTerminalDisplay::preparedTextBox()
{
    QVERIFY(!m_txtTerm->isUndoRedoEnabled());
    QCOMPARE(m_txtTerm->lineWrapMode(), QPlainTextEdit::NoWrap);
    QCOMPARE(m_txtTerm->palette().color(QPalette::Text), QColor(0, 0, 255));
    DisplayReceivedText(*m_display, QStringLiteral("abc\r\n"));
    m_display->flush();
    QCOMPARE(m_txtTerm->document()->availableUndoSteps(), 0);
}

void TestTerminalDisplay::sameAsModel_data()
{
    QTest::addColumn<QString>("terminal");
    QTest::addColumn<QStringList>("chunks");

    QTest::newRow("CR LF") << "" << QStringList{"ab\r\n", "cd\r", "\nef"};
    QTest::newRow("backspace takes a line break") << "ab" << QStringList{"\r\n", "\b", "c"};
    QTest::newRow("two leading backspaces") << "xyz" << QStringList{"\b\bQ"};
    QTest::newRow("backspaces across chunks") << "xyz" << QStringList{"a", "\b", "\b", "\b\bb"};
    QTest::newRow("backspace, empty terminal") << "" << QStringList{"\b", "\bQ"};
    QTest::newRow("backspaces empty the terminal") << "ab" << QStringList{"\b", "\b", "\b", "c"};
    QTest::newRow("non-breaking space kept") << "" << QStringList{QStringLiteral("a\xa0"), "b"};
    QTest::newRow("16001 trimmed") << QString(16001, u'x') << QStringList{"y"};
    QTest::newRow("16000 + long line") << QString(16000, u'x') << QStringList{QString(5000, u'y'), "\r\b"};
    QTest::newRow("trim inside the burst") << QString(15990, u'x')
                                            << QStringList{QString(3000, u'y'), QString(3000, u'z'), "\b\bw"};
}

void TestTerminalDisplay::sameAsModel()
{
    QFETCH(QString, terminal);
    QFETCH(QStringList, chunks);

    setText(terminal);
    TerminalText model{terminal};
    for (const QString &chunk : chunks) {
        DisplayReceivedText(*m_display, chunk);
        applyDisplayRules(model, chunk);
    }
    m_display->flush();
    QCOMPARE(shownText(*m_txtTerm), model.text);
    QCOMPARE(m_txtTerm->textCursor().position(), model.text.size());
}

void TestTerminalDisplay::sameAsModelRandomized()
{
    QRandomGenerator random(7);
    TerminalText model;
    for (int i = 0; i < 3000; ++i) {
        // Mostly short chunks, now and then a long one that trims.
        const QString chunk = randomChunk(random, random.bounded(40) == 0 ? 6000 : 30);
        DisplayReceivedText(*m_display, chunk);
        applyDisplayRules(model, chunk);
        // Flush at random moments: edits composed or applied one by one.
        if (random.bounded(4) == 0) {
            m_display->flush();
            QCOMPARE(shownText(*m_txtTerm), model.text);
        }
    }
    m_display->flush();
    QCOMPARE(shownText(*m_txtTerm), model.text);
}

void TestTerminalDisplay::caretToTheEnd()
{
    setText(QStringLiteral("line one\nline two"));
    QTextCursor selection(m_txtTerm->document());
    selection.setPosition(2);
    selection.setPosition(6, QTextCursor::KeepAnchor);
    m_txtTerm->setTextCursor(selection);

    // Even an empty chunk puts the caret at the end.
    DisplayReceivedText(*m_display, QString());
    m_display->flush();
    QCOMPARE(shownText(*m_txtTerm), QStringLiteral("line one\nline two"));
    QCOMPARE(m_txtTerm->textCursor().position(), 17);
    QVERIFY(!m_txtTerm->textCursor().hasSelection());

    // The newest line is in view.
    for (int i = 0; i < 200; ++i)
        DisplayReceivedText(*m_display, QStringLiteral("more\r\n"));
    m_display->flush();
    QVERIFY(m_txtTerm->verticalScrollBar()->value() > 0);
    QVERIFY(m_txtTerm->viewport()->rect().contains(m_txtTerm->cursorRect()));
}

void TestTerminalDisplay::shownWithoutFlush()
{
    // Received text reaches the text box on its own, through the event loop.
    DisplayReceivedText(*m_display, QStringLiteral("hello\r"));
    DisplayReceivedText(*m_display, QStringLiteral("\nboard"));
    QTRY_COMPARE_WITH_TIMEOUT(shownText(*m_txtTerm), QStringLiteral("hello\nboard"), 1000);
    QVERIFY(!m_display->hasPending());
    QCOMPARE(m_txtTerm->textCursor().position(), 11);
}

void TestTerminalDisplay::boundedUnderLongChunks()
{
    const QString chunk(10000, u'q');
    for (int i = 0; i < 40; ++i) {
        DisplayReceivedText(*m_display, chunk);
        if (i % 5 == 0)
            m_display->flush();
        QVERIFY(shownText(*m_txtTerm).size() <= DisplayRules::TerminalLimit + chunk.size());
    }
    m_display->flush();
    QVERIFY(shownText(*m_txtTerm).size() <= DisplayRules::TerminalLimit + chunk.size());
    QCOMPARE(m_txtTerm->document()->availableUndoSteps(), 0);
}

QTEST_MAIN(TestTerminalDisplay)
#include "tst_terminaldisplay.moc"
