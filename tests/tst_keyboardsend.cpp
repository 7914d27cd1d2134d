// SPDX-License-Identifier: GPL-3.0-or-later
#include "screen/keyboardsend.h"
#include "screen/terminaldisplay.h"
#include "screen/terminalview.h"
#include "shared/failure.h"

#include "fakes.h"

#include <QClipboard>
#include <QtTest/QtTest>

class TestKeyboardSend : public QObject
{
    Q_OBJECT

    // The port, as a key finds it. Blocked: an upload runs; Failing: its Output throws.
    static constexpr int Closed = 0, Open = 1, Blocked = 2, Failing = 3;
    std::unique_ptr<TerminalView> m_txtTerm;
    RecordingMessageBoxes m_boxes;
    TerminalDisplay *m_display = nullptr;
    QStringList m_sent, m_reports;
    int m_port = Open;
    bool m_echo = false;
    QList<int> m_failures;
    std::function<void()> m_beforeKey;

    void press(Qt::Key key, const QString &text, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        QTest::sendKeyEvent(QTest::Click, m_txtTerm.get(), key, text, modifiers);
    }
    void output(const QString &text)
    {
        if (m_port == Failing)
            throw Failure(8018, QStringLiteral("Port closed"));
        m_sent.append(text);
    }
    // The text with "|" at the caret.
    QString textWithCaret() const { return QString(m_txtTerm->text()).insert(m_txtTerm->caretPosition(), u'|'); }

private slots:
    void init()
    {
        m_sent.clear();
        m_reports.clear();
        m_failures.clear();
        m_port = Open;
        m_echo = false;
        m_beforeKey = [] {};
        m_txtTerm = std::make_unique<TerminalView>();
        m_display = new TerminalDisplay(*m_txtTerm, m_boxes);
        m_display->showNow(QStringLiteral("abc"));
        // The user's caret inside earlier text: typing still goes at the end.
        m_txtTerm->select(1, 1);
        new KeyboardSend(*m_txtTerm, {[this] { return m_port != Closed; }, [this](const QString &s) { output(s); },
                                      [this] { return m_echo; }, [this](const QString &s) { m_display->showNow(s); },
                                      [this] { return m_port == Blocked; },
                                      [this](const Failure &f) { m_failures.append(f.number()); },
                                      [this] { m_beforeKey(); }, [this](const QString &s) { m_reports.append(s); }});
    }
    void cleanup() { m_txtTerm.reset(); }

    // Before each key: "a|bc". What the platform's key events carry becomes one byte, or nothing.
    void keys_data()
    {
        QTest::addColumn<int>("port");
        QTest::addColumn<bool>("echo");
        QTest::addColumn<int>("key");
        QTest::addColumn<QString>("keyText");
        QTest::addColumn<Qt::KeyboardModifiers>("modifiers");
        QTest::addColumn<QStringList>("sent");
        QTest::addColumn<QString>("shown"); // "|" marks the caret
        const auto none = Qt::KeyboardModifiers();
        const auto ctrl = Qt::KeyboardModifiers(Qt::ControlModifier);
        const auto row = [](const char *name, int port, bool echo, int key, Qt::KeyboardModifiers modifiers,
                            const QString &keyText, const QString &sent, const QString &shown = "abc|") {
            QTest::newRow(name) << port << echo << key << keyText << modifiers
                                << (sent.isEmpty() ? QStringList() : QStringList{sent}) << shown;
        };
        // clang-format off
        row("echo on: at the end, not at the caret", Open, true, Qt::Key_X, none, "x", "x", "abcx|");
        row("echo on, Enter without text: CR, line break", Open, true, Qt::Key_Return, none, "", "\r", "abc\n|");
        row("echo on, Backspace without text", Open, true, Qt::Key_Backspace, none, "", "\b", "ab|");
        row("keypad Enter", Open, false, Qt::Key_Enter, Qt::KeypadModifier, "\r", "\r");
        row("Ctrl+C, letter text", Open, false, Qt::Key_C, ctrl, "c", "\x03");
        row("Ctrl+C, X11 text", Open, false, Qt::Key_C, ctrl, "\x03", "\x03");
        row("echo on, Ctrl+V: a code, no paste", Open, true, Qt::Key_V, ctrl, "v", "\x16");
        row("Ctrl+Shift+Z", Open, false, Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier, "Z", "\x1a");
        row("Ctrl+[", Open, false, Qt::Key_BracketLeft, ctrl, "", "\x1b");
        row("Latin-1 letter", Open, false, Qt::Key_Eacute, none, "\u00e9", "\u00e9");
        row("composed character", Open, false, 0, none, "\u00ea", "\u00ea");
        row("echo on, no 8-bit code: neither sent nor shown", Open, true, 0x20ac, none, "\u20ac", "");
        row("AltGr (Ctrl+Alt) letter, no 8-bit code", Open, false, Qt::Key_E, Qt::ControlModifier | Qt::AltModifier, "\u20ac", "");
        row("blocked, echo on: nothing sent or shown", Blocked, true, Qt::Key_Return, none, "\r", "", "a|bc");
        row("failing output, echo on: nothing shown", Failing, true, Qt::Key_X, none, "x", "", "a|bc");
        row("arrow is the text box's", Open, false, Qt::Key_Right, none, "", "", "ab|c");
        row("Ctrl+1 types nothing", Open, false, Qt::Key_1, ctrl, "1", "", "a|bc");
        row("Delete edits nothing", Open, false, Qt::Key_Delete, none, "\x7f", "", "a|bc");
        // clang-format on
    }
    void keys()
    {
        QFETCH(int, port);
        QFETCH(bool, echo);
        QFETCH(int, key);
        QFETCH(QString, keyText);
        QFETCH(Qt::KeyboardModifiers, modifiers);
        QFETCH(QStringList, sent);
        QFETCH(QString, shown);
        m_port = port;
        m_echo = echo;
        if (key == 0) { // a dead key or input method commits its character without a key press
            QInputMethodEvent commit;
            commit.setCommitString(keyText);
            QApplication::sendEvent(m_txtTerm.get(), &commit);
        } else {
            press(Qt::Key(key), keyText, modifiers);
        }
        QCOMPARE(m_sent, sent);
        QCOMPARE(textWithCaret(), shown);
        QCOMPARE(m_failures, port == Failing ? QList<int>{8018} : QList<int>());
    }

    // Paste types the clipboard's text at the end (CR LF as one CR); copy takes the selection; an upload refuses
    // the paste and says so.
    void clipboard_data()
    {
        QTest::addColumn<int>("port");
        QTest::addColumn<QString>("how");
        QTest::addColumn<QStringList>("sent");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<int>("reports");
        QTest::newRow("middle click") << Open << "middle" << QStringList{"x\ry\r"} << "abc|" << 1;
        QTest::newRow("while an upload runs") << Blocked << "Shift+Insert" << QStringList() << "a|bc" << 1;
        QTest::newRow("Ctrl+Shift+C copies") << Open << "Ctrl+Shift+C" << QStringList() << "a|bc" << 0;
    }
    void clipboard()
    {
        QFETCH(int, port);
        QFETCH(QString, how);
        QFETCH(QStringList, sent);
        QFETCH(QString, shown);
        QFETCH(int, reports);
        m_port = port;
        QGuiApplication::clipboard()->setText(QStringLiteral("x\r\ny\u20ac\r")); // lone CR kept
        m_txtTerm->select(0, 1);                                                 // "a" selected, caret after it
        if (how == "middle")
            QTest::mouseClick(m_txtTerm->viewport(), Qt::MiddleButton);
        else
            QTest::keySequence(m_txtTerm.get(), QKeySequence(how));
        QCOMPARE(m_sent, sent);
        QCOMPARE(textWithCaret(), shown);
        QCOMPARE(m_reports.size(), reports);
        QCOMPARE(QGuiApplication::clipboard()->text(), how.endsWith('C') ? "a" : "x\r\ny\u20ac\r");
    }

    // Board text still waiting for its frame when the user types: the key follows it.
    void pendingDisplayComesFirst()
    {
        RecordingMessageBoxes boxes;
        TerminalDisplay display(*m_txtTerm, boxes);
        m_beforeKey = [&display] { display.flush(); };
        m_echo = true;
        DisplayReceivedText(display, QStringLiteral("OK\r\n"));
        press(Qt::Key_D, QStringLiteral("d"));
        QCOMPARE(textWithCaret(), QStringLiteral("abcOK\nd|"));
    }
};

QTEST_MAIN(TestKeyboardSend)
#include "tst_keyboardsend.moc"
