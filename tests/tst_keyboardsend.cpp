#include "serial/keyboardsend.h"
#include "serial/terminaldisplay.h"
#include "shared/failure.h"

#include "fakes.h"

#include <QClipboard>
#include <QPlainTextEdit>
#include <QtTest/QtTest>

class TestKeyboardSend : public QObject
{
    Q_OBJECT

    static constexpr int Closed = 0, Open = 1, Blocked = 2; // the port, as a key finds it
    std::unique_ptr<QPlainTextEdit> m_txtTerm;
    RecordingMessageBoxes m_boxes;
    TerminalDisplay *m_display = nullptr;
    KeyboardSend *m_keyboard = nullptr;
    QStringList m_sent, m_reports;
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
        m_reports.clear();
        m_failures.clear();
        m_open = true;
        m_echo = false;
        m_blocked = false;
        m_output = [this](const QString &s) { m_sent.append(s); };
        m_beforeKey = [] {};
        m_txtTerm = std::make_unique<QPlainTextEdit>();
        m_txtTerm->setPlainText(QStringLiteral("abc"));
        // The user's caret inside earlier text: typing still goes at the end.
        QTextCursor cursor = m_txtTerm->textCursor();
        cursor.setPosition(1);
        m_txtTerm->setTextCursor(cursor);
        m_display = new TerminalDisplay(*m_txtTerm, m_boxes);
        const KeyboardLink link{
            [this] { return m_open; },    [this](const QString &s) { m_output(s); },
            [this] { return m_echo; },    [this](const QString &s) { m_display->showNow(s); },
            [this] { return m_blocked; }, [this](const Failure &f) { m_failures.append(f.number()); },
            [this] { m_beforeKey(); },    [this](const QString &s) { m_reports.append(s); }};
        m_keyboard = new KeyboardSend(*m_txtTerm, link);
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
        QTest::newRow("closed: shown at the end") << Closed << false << int(Qt::Key_X) << "x" << none << QStringList() << "abcx|";
        QTest::newRow("closed, echo on: Backspace at the end") << Closed << true << int(Qt::Key_Backspace) << "\b" << none << QStringList() << "ab|";
        QTest::newRow("echo off: sent, not shown") << Open << false << int(Qt::Key_X) << "x" << none << QStringList{"x"} << "abc|";
        QTest::newRow("echo on: at the end, not at the caret") << Open << true << int(Qt::Key_X) << "x" << none << QStringList{"x"} << "abcx|";
        QTest::newRow("echo on, Enter: CR only, line break") << Open << true << int(Qt::Key_Return) << "\r" << none << QStringList{"\r"} << "abc\n|";
        QTest::newRow("echo on, Backspace") << Open << true << int(Qt::Key_Backspace) << "\b" << none << QStringList{"\b"} << "ab|";
        QTest::newRow("echo off, Ctrl+C (letter text)") << Open << false << int(Qt::Key_C) << "c" << ctrl << QStringList{"\x03"} << "abc|";
        QTest::newRow("echo on, Ctrl+V: a code, no paste") << Open << true << int(Qt::Key_V) << "v" << ctrl << QStringList{"\x16"} << "abc|";
        QTest::newRow("Latin-1 letter") << Open << false << int(Qt::Key_Eacute) << "\u00e9" << none << QStringList{"\u00e9"} << "abc|";
        QTest::newRow("echo on, no 8-bit code: neither sent nor shown") << Open << true << 0x20ac << "\u20ac" << none << QStringList() << "abc|";
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
        row("Delete edits nothing", Qt::Key_Delete, none, "\x7f", "", "a|bc");
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

    // Paste types the clipboard's text at the end; copy takes the selection; a load refuses the paste.
    void clipboard_data()
    {
        QTest::addColumn<int>("port");
        QTest::addColumn<bool>("echo");
        QTest::addColumn<QString>("how");
        QTest::addColumn<QStringList>("sent");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<int>("reports");
        // clang-format off
        QTest::newRow("Ctrl+Shift+V, echo on") << Open << true << "Ctrl+Shift+V" << QStringList{"x\ry\r"} << "abcx\ny\n|" << 1;
        QTest::newRow("Shift+Insert, port closed") << Closed << false << "Shift+Insert" << QStringList() << "abcx\ny\n|" << 1;
        QTest::newRow("middle click, echo off") << Open << false << "middle" << QStringList{"x\ry\r"} << "abc|" << 1;
        QTest::newRow("while a load runs") << Blocked << true << "Shift+Insert" << QStringList() << "a|bc" << 1;
        QTest::newRow("Ctrl+Shift+C copies") << Open << true << "Ctrl+Shift+C" << QStringList() << "a|bc" << 0;
        QTest::newRow("Ctrl+Insert copies") << Open << true << "Ctrl+Insert" << QStringList() << "a|bc" << 0;
        // clang-format on
    }
    void clipboard()
    {
        QFETCH(int, port);
        QFETCH(bool, echo);
        QFETCH(QString, how);
        QFETCH(QStringList, sent);
        QFETCH(QString, shown);
        QFETCH(int, reports);
        m_open = port != Closed;
        m_blocked = port == Blocked;
        m_echo = echo;
        QGuiApplication::clipboard()->setText(QStringLiteral("x\r\ny\u20ac\r")); // lone CR kept
        QTextCursor cursor = m_txtTerm->textCursor();
        cursor.setPosition(0);
        cursor.setPosition(1, QTextCursor::KeepAnchor); // "a" selected, caret after it
        m_txtTerm->setTextCursor(cursor);
        if (how == "middle")
            QTest::mouseClick(m_txtTerm->viewport(), Qt::MiddleButton);
        else
            QTest::keySequence(m_txtTerm.get(), QKeySequence(how));
        QCOMPARE(m_sent, sent);
        QCOMPARE(textWithCaret(), shown);
        QCOMPARE(m_reports.size(), reports);
        QCOMPARE(QGuiApplication::clipboard()->text(),
                 how.endsWith('C') || how == "Ctrl+Insert" ? "a" : "x\r\ny\u20ac\r");
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
