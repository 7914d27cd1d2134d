#include "serial/keyboardsend.h"
#include "serial/terminaldisplay.h"
#include "shared/failure.h"

#include "fakes.h"

#include <QPlainTextEdit>
#include <QtTest/QtTest>

class TestKeyboardSend : public QObject
{
    Q_OBJECT

    static constexpr int Closed = 0, Open = 1, Blocked = 2; // the port, as a key finds it
    std::unique_ptr<QPlainTextEdit> m_txtTerm;
    QStringList m_sent;
    bool m_open = true;
    bool m_echo = false;
    bool m_blocked = false;
    std::function<void(const QString &)> m_output;
    QList<int> m_failures;
    std::function<void()> m_beforeKey;

    void press(Qt::Key key, const QString &text, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        QTest::sendKeyEvent(QTest::Click, m_txtTerm.get(), key, text, modifiers);
    }
    // The text with "|" at the caret.
    QString textWithCaret() const { return m_txtTerm->toPlainText().insert(m_txtTerm->textCursor().position(), u'|'); }

private slots:
    void init()
    {
        m_sent.clear();
        m_failures.clear();
        m_open = true;
        m_echo = false;
        m_blocked = false;
        m_output = [this](const QString &s) { m_sent.append(s); };
        m_beforeKey = [] {};
        m_txtTerm = std::make_unique<QPlainTextEdit>();
        m_txtTerm->setPlainText(QStringLiteral("abc"));
        // The user's caret inside earlier text: echo must insert there.
        QTextCursor cursor = m_txtTerm->textCursor();
        cursor.setPosition(1);
        m_txtTerm->setTextCursor(cursor);
        const KeyboardLink link{[this] { return m_open; },
                                [this](const QString &s) { m_output(s); },
                                [this] { return m_echo; },
                                [this] { return m_blocked; },
                                [this](const Failure &f) { m_failures.append(f.number()); },
                                [this] { m_beforeKey(); }};
        new KeyboardSend(*m_txtTerm, link);
    }
    void cleanup() { m_txtTerm.reset(); }

    void keys_data()
    {
        QTest::addColumn<int>("port"); // Blocked: open while an upload runs
        QTest::addColumn<bool>("echo");
        QTest::addColumn<int>("key");
        QTest::addColumn<QString>("keyText");
        QTest::addColumn<Qt::KeyboardModifiers>("modifiers");
        QTest::addColumn<QStringList>("sent");
        QTest::addColumn<QString>("shown"); // "|" marks the caret
        const auto none = Qt::KeyboardModifiers();
        const auto ctrl = Qt::KeyboardModifiers(Qt::ControlModifier);
        // Before each key: "a|bc".
        // clang-format off
        QTest::newRow("closed: local editing") << Closed << false << int(Qt::Key_X) << "x" << none << QStringList() << "ax|bc";
        QTest::newRow("closed, echo on: local editing") << Closed << true << int(Qt::Key_Backspace) << "\b" << none << QStringList() << "|bc";
        QTest::newRow("echo off: sent, not shown") << Open << false << int(Qt::Key_X) << "x" << none << QStringList{"x"} << "abc|";
        QTest::newRow("echo on: inserted at the caret") << Open << true << int(Qt::Key_X) << "x" << none << QStringList{"x"} << "ax|bc";
        QTest::newRow("echo on, Enter: CR only, line break") << Open << true << int(Qt::Key_Return) << "\r" << none << QStringList{"\r"} << "a\n|bc";
        QTest::newRow("echo on, Backspace") << Open << true << int(Qt::Key_Backspace) << "\b" << none << QStringList{"\b"} << "|bc";
        QTest::newRow("echo off, Ctrl+C (letter text)") << Open << false << int(Qt::Key_C) << "c" << ctrl << QStringList{"\x03"} << "abc|";
        QTest::newRow("echo on, Ctrl+C copies, inserts nothing") << Open << true << int(Qt::Key_C) << "c" << ctrl << QStringList{"\x03"} << "a|bc";
        QTest::newRow("Latin-1 letter") << Open << false << int(Qt::Key_Eacute) << "\u00e9" << none << QStringList{"\u00e9"} << "abc|";
        QTest::newRow("echo on, no 8-bit code: shown only") << Open << true << 0x20ac << "\u20ac" << none << QStringList() << "a\u20ac|bc";
        QTest::newRow("blocked, echo off: nothing sent") << Blocked << false << int(Qt::Key_X) << "x" << none << QStringList() << "a|bc";
        QTest::newRow("blocked, echo on: nothing sent or shown") << Blocked << true << int(Qt::Key_Return) << "\r" << none << QStringList() << "a|bc";
        QTest::newRow("arrow is the text box's") << Open << false << int(Qt::Key_Right) << "" << none << QStringList() << "ab|c";
        // Echo off, port open: what the platform's key events carry becomes one byte, or nothing.
        const auto row = [&](const char *name, Qt::Key key, Qt::KeyboardModifiers modifiers, const QString &keyText,
                             const QString &sent, const QString &shown = "abc|") {
            QTest::newRow(name) << Open << false << int(key) << keyText << modifiers
                                << (sent.isEmpty() ? QStringList() : QStringList{sent}) << shown;
        };
        row("Enter without text", Qt::Key_Return, none, "", "\r");
        row("keypad Enter", Qt::Key_Enter, Qt::KeypadModifier, "\r", "\r");
        row("Backspace without text", Qt::Key_Backspace, none, "", "\b");
        row("Ctrl+C, X11 text", Qt::Key_C, ctrl, "\x03", "\x03");
        row("Ctrl+Shift+Z", Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier, "Z", "\x1a");
        row("Ctrl+[", Qt::Key_BracketLeft, ctrl, "", "\x1b");
        row("Escape", Qt::Key_Escape, none, "\x1b", "\x1b");
        row("AltGr (Ctrl+Alt) letter, no 8-bit code", Qt::Key_E, Qt::ControlModifier | Qt::AltModifier, "\u20ac", "");
        row("Ctrl+1 types nothing", Qt::Key_1, ctrl, "1", "", "a|bc");
        row("Delete is the text box's", Qt::Key_Delete, none, "\x7f", "", "a|c");
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
        m_open = port != Closed;
        m_blocked = port == Blocked;
        m_echo = echo;
        press(Qt::Key(key), keyText, modifiers);
        QCOMPARE(m_sent, sent);
        QCOMPARE(textWithCaret(), shown);
    }

    // A dead key or input method commits its character without a key press.
    void composedCharacter()
    {
        QInputMethodEvent commit;
        commit.setCommitString(QStringLiteral("\u00ea"));
        QApplication::sendEvent(m_txtTerm.get(), &commit);
        QCOMPARE(m_sent, QStringList{QStringLiteral("\u00ea")});
        QCOMPARE(textWithCaret(), QStringLiteral("abc|"));
    }

    void failedOutputShowsNothing()
    {
        m_echo = true;
        m_output = [](const QString &) { throw Failure(8018, QStringLiteral("Port closed")); };
        press(Qt::Key_X, QStringLiteral("x"));
        QCOMPARE(m_failures, QList<int>{8018});
        QCOMPARE(textWithCaret(), QStringLiteral("a|bc"));
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
