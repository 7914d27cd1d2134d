#include "serial/terminaldisplay.h"

#include "fakes.h"

#include <QPlainTextEdit>
#include <QRandomGenerator>
#include <QScrollBar>
#include <QtTest/QtTest>

// The text with its line breaks as the rules count them. Not toPlainText():
// it turns a received non-breaking space (0xA0) into a blank.
static QString shownText(const QPlainTextEdit &txtTerm)
{
    QString text = txtTerm.document()->toRawText();
    text.replace(QChar::ParagraphSeparator, u'\n');
    return text;
}

// The widget applies exactly what the pure rules compute (those are tested in tst_displayrules).
class TestTerminalDisplay : public QObject
{
    Q_OBJECT

    std::unique_ptr<QPlainTextEdit> m_txtTerm;
    RecordingMessageBoxes m_boxes;
    TerminalDisplay *m_display = nullptr;

private slots:
    void init()
    {
        m_txtTerm = std::make_unique<QPlainTextEdit>();
        prepareTerminalTextBox(*m_txtTerm);
        m_display = new TerminalDisplay(*m_txtTerm, m_boxes);
        m_txtTerm->resize(400, 300);
        m_txtTerm->show();
    }
    void cleanup()
    {
        m_txtTerm.reset();
        QVERIFY(m_boxes.shown.isEmpty());
    }

    // Chunks flushed at every flushEvery-th chunk and at the end: edits composed, or applied one by one.
    void sameAsModel_data()
    {
        QTest::addColumn<QString>("terminal");
        QTest::addColumn<QStringList>("chunks");
        QTest::addColumn<int>("flushEvery");
        // clang-format off
        QTest::newRow("empty chunk: caret to the end") << "line one\nline two" << QStringList{""} << 0;
        QTest::newRow("backspace takes a line break") << "ab" << QStringList{"\r\n", "\b", "c"} << 0;
        QTest::newRow("backspaces across chunks") << "xyz" << QStringList{"a", "\b", "\b", "\b\bb"} << 0;
        QTest::newRow("backspaces empty the terminal") << "ab" << QStringList{"\b", "\b", "\b", "c"} << 0;
        QTest::newRow("non-breaking space kept") << "" << QStringList{QStringLiteral("a\xa0"), "b"} << 0;
        QTest::newRow("16000 + long line") << QString(16000, u'x') << QStringList{QString(5000, u'y'), "\r\b"} << 0;
        QTest::newRow("trim inside the burst") << QString(15990, u'x') << QStringList{QString(3000, u'y'), QString(3000, u'z'), "\b\bw"} << 0;
        // clang-format on
        static const QString alphabet = QStringLiteral("abc\b\b\r\n\r\t\x1a\xa0\xe9 ");
        QRandomGenerator random(7);
        QStringList chunks(3000);
        for (QString &chunk : chunks) { // mostly short, now and then one long enough to trim
            chunk.resize(random.bounded(random.bounded(40) == 0 ? 6000 : 30));
            for (QChar &c : chunk)
                c = alphabet.at(random.bounded(int(alphabet.size())));
        }
        QTest::newRow("random") << "" << chunks << 5;
    }
    void sameAsModel()
    {
        QFETCH(QString, terminal);
        QFETCH(QStringList, chunks);
        QFETCH(int, flushEvery);
        m_txtTerm->setPlainText(terminal);
        QTextCursor selection(m_txtTerm->document()); // the user's selection goes
        selection.setPosition(qMin(terminal.size(), 2), QTextCursor::KeepAnchor);
        m_txtTerm->setTextCursor(selection);
        TerminalText model{terminal};
        for (int i = 0; i < chunks.size(); ++i) {
            DisplayReceivedText(*m_display, chunks.at(i));
            applyDisplayRules(model, chunks.at(i));
            if (i == chunks.size() - 1 || (flushEvery && i % flushEvery == 0)) {
                m_display->flush();
                QCOMPARE(shownText(*m_txtTerm), model.text);
            }
        }
        QCOMPARE(m_txtTerm->textCursor().position(), model.text.size());
        QVERIFY(!m_txtTerm->textCursor().hasSelection());
        QVERIFY(m_txtTerm->viewport()->rect().contains(m_txtTerm->cursorRect())); // the newest line is in view
        QCOMPARE(m_txtTerm->document()->availableUndoSteps(), 0);                 // no undo history piling up
    }
};

QTEST_MAIN(TestTerminalDisplay)
#include "tst_terminaldisplay.moc"
