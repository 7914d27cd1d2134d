// SPDX-License-Identifier: GPL-3.0-or-later
// The display rules on the model, and the text box that applies them in batches.

#include "screen/terminaldisplay.h"

#include "screen/terminallines.h"
#include "screen/terminalview.h"

#include "fakes.h"

#include <QRandomGenerator>
#include <QScrollBar>
#include <QtTest/QtTest>

static QStringList linesOf(const TerminalLines &lines)
{
    QStringList out;
    for (qsizetype line = 0; line < lines.lineCount(); ++line)
        out.append(lines.line(line).toString());
    return out;
}

// The text box's pixels as its paints so far left them on the window: the
// pending paint is done, by the rectangles the edits asked for.
static QImage paintedPixels(TerminalView &txtTerm)
{
    QCoreApplication::sendPostedEvents(txtTerm.window(), QEvent::UpdateRequest);
    const QWidget &viewport = *txtTerm.viewport();
    const QPoint at = viewport.mapTo(&txtTerm, QPoint(0, 0));
    return txtTerm.screen()
        ->grabWindow(txtTerm.winId(), at.x(), at.y(), viewport.width(), viewport.height())
        .toImage()
        .convertToFormat(QImage::Format_RGB32);
}

// The terminal text box as the window sets it up, shown, with its display.
struct ShownTerminal
{
    explicit ShownTerminal(int height)
    {
        prepareTerminalTextBox(txtTerm);
        txtTerm.resize(400, height);
        txtTerm.show();
    }
    TerminalView txtTerm;
    RecordingMessageBoxes boxes;
    TerminalDisplay display{txtTerm, boxes};
};

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

    // Random chunks, mostly short, now and then one long enough to trim, in turns of short lines and of lines longer
    // than the view, flushed every fifth chunk; now and then the user selects, or scrolls back. The text box holds what
    // the rules give chunk by chunk, however the batch composed them, and its pixels, painted a few lines at a time,
    // are those of a whole fresh paint.
    void textBoxShowsTheModel()
    {
        ShownTerminal shown(300);
        TerminalView &txtTerm = shown.txtTerm;
        TerminalDisplay &display = shown.display;
        txtTerm.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&txtTerm));
        TerminalText model{QStringLiteral("line one\nline two")};
        display.showNow(QStringLiteral("line one\rline two"));
        txtTerm.select(0, 2); // the user's selection goes
        TerminalLines lines;  // the same chunks applied one by one
        lines.apply(planDisplayEdit(0, u"line one\rline two"));
        static const QString alphabets[] = {QStringLiteral("abc\b\b\r\n\r\t\x1a\xa0\xe9 "),
                                            QStringLiteral("0123456789abcdef \b")}; // short lines, long ones
        QRandomGenerator random(7);
        for (int i = 0; i < 3000; ++i) {
            const bool longLines = i / 500 % 2 == 1;
            const QString &alphabet = alphabets[longLines && random.bounded(8) != 0 ? 1 : 0];
            QString chunk(random.bounded(random.bounded(40) == 0 || longLines ? 6000 : 30), u' ');
            for (QChar &c : chunk)
                c = alphabet.at(random.bounded(int(alphabet.size())));
            DisplayReceivedText(display, chunk);
            lines.apply(planDisplayEdit(model.text.size(), chunk));
            applyDisplayRules(model, chunk);
            if (i % 5 != 4)
                continue;
            display.flush();
            QCOMPARE(txtTerm.text(), model.text);
            const QStringList modelLines = model.text.split(u'\n');
            QCOMPARE(linesOf(lines), modelLines);
            qsizetype widest = 0;
            for (const QString &line : modelLines)
                widest = std::max(widest, TerminalCells::cellOf(line, line.size()));
            QCOMPARE(lines.widestLine(), widest);
            QCOMPARE(paintedPixels(txtTerm),
                     txtTerm.viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32));
            if (random.bounded(10) == 0) { // near the end, or anywhere and scrolled to anywhere
                const bool far = random.bounded(2) == 0;
                const int from = far ? 0 : int(std::max<qsizetype>(0, model.text.size() - 100));
                txtTerm.select(random.bounded(from, int(model.text.size()) + 1),
                               random.bounded(from, int(model.text.size()) + 1));
                if (far)
                    txtTerm.verticalScrollBar()->setValue(random.bounded(txtTerm.verticalScrollBar()->maximum() + 1));
                paintedPixels(txtTerm);
            }
        }
        display.showNow(QStringLiteral("end"));
        applyDisplayRules(model, u"end");
        QCOMPARE(txtTerm.caretPosition(), model.text.size());
        QVERIFY(!txtTerm.hasSelection());
        QVERIFY(txtTerm.viewport()->rect().contains(txtTerm.caretRect())); // the newest line is in view
        QTRY_VERIFY(txtTerm.verticalScrollBar()->updatesEnabled());        // the bars show the end of the stream
        QVERIFY(shown.boxes.shown.isEmpty());
    }

    // Tabs stop every eight cells and control codes take one blank cell, so that columns stay where the board meant
    // them; a position on a cell's right half belongs to the next character.
    void cells_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QList<qsizetype>>("cellOfEach"); // for each index, and the end
        QTest::addColumn<QString>("drawn");
        QTest::newRow("plain") << "ab" << QList<qsizetype>{0, 1, 2} << "ab";
        QTest::newRow("tab after one") << "a\tb" << QList<qsizetype>{0, 1, 8, 9} << "a       b";
        QTest::newRow("tab at a stop") << "abcdefgh\tx" << QList<qsizetype>{0, 1, 2, 3, 4, 5, 6, 7, 8, 16, 17}
                                       << "abcdefgh        x";
        QTest::newRow("control codes, soft hyphen")
            << QString::fromLatin1("\x1b[1\x00\x85\xad", 6) << QList<qsizetype>{0, 1, 2, 3, 4, 5, 6}
            << QString::fromLatin1(" [1  -");
    }
    void cells()
    {
        QFETCH(QString, line);
        QFETCH(QList<qsizetype>, cellOfEach);
        QFETCH(QString, drawn);
        QCOMPARE(TerminalCells::drawn(line), drawn);
        for (qsizetype index = 0; index <= line.size(); ++index) {
            const qsizetype cell = cellOfEach.at(index);
            QCOMPARE(TerminalCells::cellOf(line, index), cell);
            QCOMPARE(TerminalCells::indexNearCell(line, double(cell)), index);
            if (index > 0) // past the middle of the character before: this one
                QCOMPARE(
                    TerminalCells::indexNearCell(line, (double(cellOfEach.at(index - 1)) + double(cell)) / 2 + 0.1),
                    index);
        }
    }

    // Selecting with the mouse and the keys, on "one two_3 four", "\tx", "yz". Steps: "click P", "dclick P",
    // "shiftclick P", "drag P Q" and "dclickdrag P Q" (text positions), or a key sequence.
    void selecting_data()
    {
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<QString>("selected");
        QTest::newRow("double click: a word") << QStringList{"dclick 5"} << "two_3";
        QTest::newRow("triple click: the line") << QStringList{"dclick 5", "click 5"} << "one two_3 four";
        QTest::newRow("drag across lines") << QStringList{"drag 4 19"} << "two_3 four\n\tx\ny";
        QTest::newRow("drag back") << QStringList{"drag 7 1"} << "ne two";
        QTest::newRow("double click, drag: by words") << QStringList{"dclickdrag 1 5"} << "one two_3";
        QTest::newRow("double click, drag back: by words") << QStringList{"dclickdrag 5 1"} << "one two_3";
        QTest::newRow("shift click extends") << QStringList{"click 0", "shiftclick 3"} << "one";
        QTest::newRow("Shift+Down, Shift+End")
            << QStringList{"click 4", "Shift+Down", "Shift+End"} << "two_3 four\n\tx";
        QTest::newRow("a key without Shift drops it") << QStringList{"drag 0 3", "Right"} << "";
    }
    void selecting()
    {
        QFETCH(QStringList, steps);
        QFETCH(QString, selected);
        ShownTerminal shown(200);
        TerminalView &txtTerm = shown.txtTerm;
        QVERIFY(QTest::qWaitForWindowExposed(&txtTerm));
        shown.display.showNow(QStringLiteral("one two_3 four\r\tx\ryz"));
        QList<QPoint> points; // each position's caret, a pixel into the character after it
        for (qsizetype position = 0; position <= txtTerm.text().size(); ++position) {
            txtTerm.select(position, position);
            points.append(txtTerm.caretRect().center() + QPoint(1, 0));
        }
        QWidget *viewport = txtTerm.viewport();
        const auto mouse = [viewport](QEvent::Type type, QPoint at, Qt::KeyboardModifiers modifiers = {}) {
            const bool down = type != QEvent::MouseButtonRelease;
            QMouseEvent event(type, at, viewport->mapToGlobal(at),
                              type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton,
                              down ? Qt::LeftButton : Qt::NoButton, modifiers);
            QApplication::sendEvent(viewport, &event);
        };
        for (const QString &step : steps) {
            const QStringList word = step.split(u' ');
            const QPoint from = word.size() > 1 ? points.at(word[1].toInt()) : QPoint();
            if (word[0].endsWith(u"click") || word[0].endsWith(u"drag")) {
                mouse(QEvent::MouseButtonPress, from, word[0] == u"shiftclick" ? Qt::ShiftModifier : Qt::NoModifier);
                if (word[0].startsWith(u"dclick")) {
                    mouse(QEvent::MouseButtonRelease, from);
                    mouse(QEvent::MouseButtonPress, from);
                    mouse(QEvent::MouseButtonDblClick, from);
                }
                const QPoint to = word[0].endsWith(u"drag") ? points.at(word[2].toInt()) : from;
                mouse(QEvent::MouseMove, to);
                mouse(QEvent::MouseButtonRelease, to);
            } else {
                QTest::keySequence(&txtTerm, QKeySequence(step));
            }
        }
        QCOMPARE(txtTerm.selectedText(), selected);
    }
};

QTEST_MAIN(TestDisplayRules)
#include "tst_displayrules.moc"
