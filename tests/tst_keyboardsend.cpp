#include "serial/keyboardsend.h"
#include "serial/terminaldisplay.h"
#include "shared/failure.h"

#include "fakes.h"

#include <QPlainTextEdit>
#include <QtTest/QtTest>

class TestKeyboardSend : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void typedText_data();
    void typedText();
    void keys_data();
    void keys();
    void keyClicksAsQTestTypesThem();
    void blockedWhileSending();
    void composedCharacter();
    void failedOutput();
    void pendingDisplayComesFirst();

private:
    void press(Qt::Key key, const QString &text, Qt::KeyboardModifiers modifiers = Qt::NoModifier);
    QString text() const { return m_txtTerm->toPlainText(); }
    int caret() const { return m_txtTerm->textCursor().position(); }

    std::unique_ptr<QPlainTextEdit> m_txtTerm;
    QStringList m_sent;
    bool m_open = true;
    bool m_echo = false;
    bool m_blocked = false;
    std::function<void(const QString &)> m_output;
    QList<int> m_failures;
    std::function<void()> m_beforeKey;
};

void TestKeyboardSend::init()
{
    m_sent.clear();
    m_failures.clear();
    m_open = true;
    m_echo = false;
    m_blocked = false;
    m_output = [this](const QString &s) { m_sent.append(s); };
    m_beforeKey = nullptr;

    m_txtTerm = std::make_unique<QPlainTextEdit>();
    m_txtTerm->setUndoRedoEnabled(false);
    m_txtTerm->setPlainText(QStringLiteral("abc"));
    // The user's caret inside earlier text: echo must insert there.
    QTextCursor cursor = m_txtTerm->textCursor();
    cursor.setPosition(1);
    m_txtTerm->setTextCursor(cursor);
    new KeyboardSend(*m_txtTerm, {
        [this] { return m_open; },
        [this](const QString &s) { m_output(s); },
        [this] { return m_echo; },
        [this] { return m_blocked; },
        [this](const Failure &f) { m_failures.append(f.number()); },
        [this] { if (m_beforeKey) m_beforeKey(); },
    });
}

void TestKeyboardSend::cleanup()
{
    m_txtTerm.reset();
}

void TestKeyboardSend::press(Qt::Key key, const QString &text, Qt::KeyboardModifiers modifiers)
{
    QTest::sendKeyEvent(QTest::Click, m_txtTerm.get(), key, text, modifiers);
}

void TestKeyboardSend::typedText_data()
{
    QTest::addColumn<int>("key");
    QTest::addColumn<Qt::KeyboardModifiers>("modifiers");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("types");
    QTest::addColumn<QString>("typed");

    const auto none = Qt::KeyboardModifiers();
    QTest::newRow("letter") << int(Qt::Key_Q) << none << "q" << true << "q";
    QTest::newRow("Enter, no text") << int(Qt::Key_Return) << none << "" << true << "\r";
    QTest::newRow("keypad Enter") << int(Qt::Key_Enter) << Qt::KeyboardModifiers(Qt::KeypadModifier) << "\r" << true << "\r";
    QTest::newRow("Backspace") << int(Qt::Key_Backspace) << none << "" << true << "\b";
    QTest::newRow("Ctrl+C, letter text") << int(Qt::Key_C) << Qt::KeyboardModifiers(Qt::ControlModifier) << "c" << true << "\x03";
    QTest::newRow("Ctrl+C, X11 text") << int(Qt::Key_C) << Qt::KeyboardModifiers(Qt::ControlModifier) << "\x03" << true << "\x03";
    QTest::newRow("Ctrl+Shift+Z") << int(Qt::Key_Z) << (Qt::ControlModifier | Qt::ShiftModifier) << "Z" << true << "\x1a";
    QTest::newRow("Ctrl+[") << int(Qt::Key_BracketLeft) << Qt::KeyboardModifiers(Qt::ControlModifier) << "" << true << "\x1b";
    QTest::newRow("Ctrl+1 types nothing") << int(Qt::Key_1) << Qt::KeyboardModifiers(Qt::ControlModifier) << "1" << false << "";
    QTest::newRow("AltGr (Ctrl+Alt) letter") << int(Qt::Key_E) << (Qt::ControlModifier | Qt::AltModifier) << "\u20ac" << true << "\u20ac";
    QTest::newRow("Escape") << int(Qt::Key_Escape) << none << "\x1b" << true << "\x1b";
    QTest::newRow("arrow") << int(Qt::Key_Left) << none << "" << false << "";
    QTest::newRow("F1") << int(Qt::Key_F1) << none << "" << false << "";
    QTest::newRow("Delete with DEL text") << int(Qt::Key_Delete) << none << "\x7f" << false << "";
}

void TestKeyboardSend::typedText()
{
    QFETCH(int, key);
    QFETCH(Qt::KeyboardModifiers, modifiers);
    QFETCH(QString, text);
    QFETCH(bool, types);
    QFETCH(QString, typed);

    const std::optional<QString> result = ::typedText(key, modifiers, text);
    QCOMPARE(result.has_value(), types);
    if (types)
        QCOMPARE(*result, typed);
}

void TestKeyboardSend::keys_data()
{
    QTest::addColumn<bool>("open");
    QTest::addColumn<bool>("echo");
    QTest::addColumn<int>("key");
    QTest::addColumn<QString>("keyText");
    QTest::addColumn<Qt::KeyboardModifiers>("modifiers");
    QTest::addColumn<QStringList>("sent");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<int>("caretAt");

    const auto none = Qt::KeyboardModifiers();
    const auto ctrl = Qt::KeyboardModifiers(Qt::ControlModifier);
    // Text "abc", caret after "a".
    QTest::newRow("closed: local editing") << false << false << int(Qt::Key_X) << "x" << none << QStringList() << "axbc" << 2;
    QTest::newRow("closed, echo on: local editing") << false << true << int(Qt::Key_Backspace) << "\b" << none << QStringList() << "bc" << 0;
    QTest::newRow("echo off: sent, not shown") << true << false << int(Qt::Key_X) << "x" << none << QStringList{"x"} << "abc" << 3;
    QTest::newRow("echo on: inserted at the caret") << true << true << int(Qt::Key_X) << "x" << none << QStringList{"x"} << "axbc" << 2;
    QTest::newRow("echo on, Enter: CR only, line break") << true << true << int(Qt::Key_Return) << "\r" << none << QStringList{"\r"} << "a\nbc" << 2;
    QTest::newRow("echo off, Enter") << true << false << int(Qt::Key_Return) << "\r" << none << QStringList{"\r"} << "abc" << 3;
    QTest::newRow("echo on, Backspace") << true << true << int(Qt::Key_Backspace) << "\b" << none << QStringList{"\b"} << "bc" << 0;
    QTest::newRow("echo off, Backspace") << true << false << int(Qt::Key_Backspace) << "\b" << none << QStringList{"\b"} << "abc" << 3;
    QTest::newRow("echo off, Ctrl+C") << true << false << int(Qt::Key_C) << "c" << ctrl << QStringList{"\x03"} << "abc" << 3;
    QTest::newRow("echo on, Ctrl+C copies, inserts nothing") << true << true << int(Qt::Key_C) << "c" << ctrl << QStringList{"\x03"} << "abc" << 1;
    QTest::newRow("Latin-1 letter") << true << false << int(Qt::Key_Eacute) << "\u00e9" << none << QStringList{"\u00e9"} << "abc" << 3;
    QTest::newRow("echo off, no 8-bit code: cancelled") << true << false << 0x20ac << "\u20ac" << none << QStringList() << "abc" << 3;
    QTest::newRow("echo on, no 8-bit code: shown only") << true << true << 0x20ac << "\u20ac" << none << QStringList() << "a\u20acbc" << 2;
    QTest::newRow("arrow is the text box's") << true << false << int(Qt::Key_Right) << "" << none << QStringList() << "abc" << 2;
}

void TestKeyboardSend::keys()
{
    QFETCH(bool, open);
    QFETCH(bool, echo);
    QFETCH(int, key);
    QFETCH(QString, keyText);
    QFETCH(Qt::KeyboardModifiers, modifiers);
    QFETCH(QStringList, sent);
    QFETCH(QString, shown);
    QFETCH(int, caretAt);

    m_open = open;
    m_echo = echo;
    press(Qt::Key(key), keyText, modifiers);
    QCOMPARE(m_sent, sent);
    QCOMPARE(text(), shown);
    QCOMPARE(caret(), caretAt);
}

void TestKeyboardSend::keyClicksAsQTestTypesThem()
{
    // QTest, like some platforms, gives Ctrl+C the text "c", not code 3.
    QTest::keyClick(m_txtTerm.get(), Qt::Key_A);
    QTest::keyClick(m_txtTerm.get(), Qt::Key_Return);
    QTest::keyClick(m_txtTerm.get(), Qt::Key_Enter, Qt::KeypadModifier);
    QTest::keyClick(m_txtTerm.get(), Qt::Key_Backspace);
    QTest::keyClick(m_txtTerm.get(), Qt::Key_C, Qt::ControlModifier);
    QTest::keyClick(m_txtTerm.get(), Qt::Key_Escape);
    QCOMPARE(m_sent, (QStringList{"a", "\r", "\r", "\b", "\x03", "\x1b"}));
    QCOMPARE(text(), QStringLiteral("abc"));
}

void TestKeyboardSend::blockedWhileSending()
{
    m_blocked = true;
    for (const bool echo : {false, true}) {
        m_echo = echo;
        press(Qt::Key_X, QStringLiteral("x"));
        press(Qt::Key_Return, QStringLiteral("\r"));
    }
    QVERIFY(m_sent.isEmpty());
    QCOMPARE(text(), QStringLiteral("abc"));
}

void TestKeyboardSend::composedCharacter()
{
    // A dead key or input method commits its character without a key press.
    QInputMethodEvent commit;
    commit.setCommitString(QStringLiteral("\u00ea"));
    QApplication::sendEvent(m_txtTerm.get(), &commit);
    QCOMPARE(m_sent, QStringList{QStringLiteral("\u00ea")});
    QCOMPARE(text(), QStringLiteral("abc"));
    QCOMPARE(caret(), 3);
}

void TestKeyboardSend::failedOutput()
{
    m_echo = true;
    m_output = [](const QString &) { throw Failure(8018, QStringLiteral("Operation valid only when the port is open")); };
    press(Qt::Key_X, QStringLiteral("x"));
    QCOMPARE(m_failures, QList<int>{8018});
    QCOMPARE(text(), QStringLiteral("abc")); // nothing went out, nothing shown
}

void TestKeyboardSend::pendingDisplayComesFirst()
{
    RecordingMessageBoxes boxes;
    TerminalDisplay display(*m_txtTerm, boxes);
    m_beforeKey = [&display] { display.flush(); };
    m_echo = true;

    // Text from the board still waiting for its frame when the user types:
    // the typed character follows it.
    DisplayReceivedText(display, QStringLiteral("OK\r\n"));
    press(Qt::Key_D, QStringLiteral("d"));
    QCOMPARE(text(), QStringLiteral("abcOK\nd"));
    QCOMPARE(m_sent, QStringList{"d"});
    m_beforeKey = nullptr;
}

QTEST_MAIN(TestKeyboardSend)
#include "tst_keyboardsend.moc"
