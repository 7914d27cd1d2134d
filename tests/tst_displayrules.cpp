// The display rules on the model, and the text box that applies them in batches.

#include "serial/terminaldisplay.h"

#include "fakes.h"

#include <QPlainTextEdit>
#include <QRandomGenerator>
#include <QScrollBar>
#include <QtTest/QtTest>

// A terminal text whose characters can be told apart by position.
static QString numberedText(qsizetype length)
{
    QString text(length, u' ');
    for (qsizetype i = 0; i < length; ++i)
        text[i] = QChar(u'A' + int(i % 26));
    return text;
}

class TestDisplayRules : public QObject
{
    Q_OBJECT
private slots:
    void editRules_data()
    {
        QTest::addColumn<QString>("terminal");
        QTest::addColumn<QString>("chunk");
        QTest::addColumn<QString>("shown");
        // clang-format off
        QTest::newRow("letters CR LF: one line break") << "" << "ab\r\n" << "ab\n";
        QTest::newRow("LF CR: one break") << "x" << "\n\ry" << "x\ny";
        QTest::newRow("leading backspace replaces last char") << "xyz" << "\bQR" << "xyQR";
        QTest::newRow("two leading backspaces take one char") << "xyz" << "\b\bQ" << "xyQ";
        QTest::newRow("backspace, empty terminal") << "" << "\bQ" << "Q";
        QTest::newRow("backspace takes a line break whole") << "ab\n" << "\b" << "ab";
        QTest::newRow("backspace after CR LF takes the LF only") << "x" << "a\r\n\bb" << "xa\nb";
        QTest::newRow("backspaces beyond the chunk reach the terminal once") << "xyz" << "a\b\b\b" << "xy";
        QTest::newRow("nested backspaces") << "t" << "ab\b\bc" << "tc";
        QTest::newRow("other control chars shown as they are") << "" << QString::fromLatin1("\t\x1b\x1a\x00\x7f", 5)
                                                             << QString::fromLatin1("\t\x1b\x1a\x00\x7f", 5);
        QTest::newRow("bells are not drawn and take no backspace") << "xy" << "a\a\b\a\b" << "x";
        // Past 16000 characters the first 4096 go, as often as needed.
        const QString t16000 = numberedText(16000), t16001 = numberedText(16001), t20097 = numberedText(20097);
        const QString t26000 = numberedText(26000), longChunk = numberedText(10000);
        QTest::newRow("16000 kept") << t16000 << "a" << t16000 + "a";
        QTest::newRow("16001 cut to 11905") << t16001 << "a" << t16001.mid(4096) + "a";
        QTest::newRow("trim before backspace") << t16001 << "\b" << t16001.mid(4096).chopped(1);
        QTest::newRow("20097 twice") << t20097 << "" << t20097.mid(8192);
        // After a chunk longer than 4096, the next one must not make the text grow without end.
        QTest::newRow("after a long chunk") << t26000 << longChunk << t26000.mid(3 * 4096) + longChunk;
        // clang-format on
    }
    void editRules()
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

    // Random chunks, mostly short, now and then one long enough to trim, flushed every fifth chunk: the text box
    // shows what the rules give chunk by chunk, however the batch composed them.
    void textBoxShowsTheModel()
    {
        QPlainTextEdit txtTerm;
        prepareTerminalTextBox(txtTerm);
        RecordingMessageBoxes boxes;
        TerminalDisplay display(txtTerm, boxes);
        txtTerm.resize(400, 300);
        txtTerm.show();
        TerminalText model{QStringLiteral("line one\nline two")};
        txtTerm.setPlainText(model.text);
        QTextCursor selection(txtTerm.document()); // the user's selection goes
        selection.setPosition(2, QTextCursor::KeepAnchor);
        txtTerm.setTextCursor(selection);
        static const QString alphabet = QStringLiteral("abc\b\b\r\n\r\t\x1a\xa0\xe9 ");
        QRandomGenerator random(7);
        for (int i = 0; i < 3000; ++i) {
            QString chunk(random.bounded(random.bounded(40) == 0 ? 6000 : 30), u' ');
            for (QChar &c : chunk)
                c = alphabet.at(random.bounded(int(alphabet.size())));
            DisplayReceivedText(display, chunk);
            applyDisplayRules(model, chunk);
            if (i % 5 == 4) {
                display.flush();
                // Not toPlainText(): it turns a received non-breaking space into a blank.
                QCOMPARE(txtTerm.document()->toRawText().replace(QChar::ParagraphSeparator, u'\n'), model.text);
            }
        }
        QCOMPARE(txtTerm.textCursor().position(), model.text.size());
        QVERIFY(!txtTerm.textCursor().hasSelection());
        QVERIFY(txtTerm.viewport()->rect().contains(txtTerm.cursorRect())); // the newest line is in view
        QTRY_VERIFY(txtTerm.verticalScrollBar()->updatesEnabled());         // the bars show the end of the stream
        QCOMPARE(txtTerm.document()->availableUndoSteps(), 0);              // no undo history piling up
        QVERIFY(boxes.shown.isEmpty());
    }
};

QTEST_MAIN(TestDisplayRules)
#include "tst_displayrules.moc"
