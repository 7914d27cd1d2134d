// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QClipboard>
#include <QObject>
#include <QString>

#include <functional>
#include <optional>

class Failure;
class QKeyEvent;
class TerminalView;

// What the keyboard needs from the rest of the program, as plain functions so
// that tests can stand in for the port.
struct KeyboardLink
{
    std::function<bool()> portOpen;              // MSComm1's PortOpen
    std::function<void(const QString &)> output; // MSComm1's Output; may throw Failure
    std::function<bool()> echo;                  // the echo flag
    std::function<void(const QString &)> show;   // shows text at the end of the terminal, now
    // The rest are optional.
    std::function<bool()> sendingBlocked;            // true while an upload runs
    std::function<void(const Failure &)> sendFailed; // told when Output fails
    std::function<void()> beforeKey;                 // e.g. the display's flush, to keep edits in order
    std::function<void(const QString &)> report;     // a notice for the status bar
};

// The text a key press types into the terminal, as the text box's key-press
// notification reports it: Enter is a carriage return, Backspace code 8,
// Ctrl with @, A-Z, [, \, ], ^ or _ its control code (0-31), any other key its
// text. No value for keys that type nothing (arrows, function keys, Delete).
std::optional<QString> typedText(int key, Qt::KeyboardModifiers modifiers, const QString &text);

// Sends each character typed into txtTerm to the board at once, one byte per
// key, and decides by the echo flag whether the terminal shows it. The
// terminal is the board's conversation, not an editor: txtTerm is
// read-only to the user, and what is shown of the keyboard goes at the end,
// through show(), by the display rules.
//   port closed: shown, not sent;
//   port open: the byte goes out; shown only with echo on.
// Either way the caret goes to the end. A character with no 8-bit code is
// neither sent nor shown, and reported. While sending is blocked, character
// keys do nothing and a paste is refused. A failing Output is handed to
// sendFailed (if set): nothing went out, so nothing is shown.
// Clipboard: Ctrl+Shift+C and Ctrl+Insert copy the selection; Ctrl+Shift+V,
// Shift+Insert and the middle button paste, which types the text (line ends
// as Enter). Ctrl+C and Ctrl+V stay control codes for the board.
class KeyboardSend final : public QObject
{
    Q_OBJECT
public:
    // Installs itself on txtTerm, and is its child unless told otherwise.
    // portOpen, output and echo must be set.
    KeyboardSend(TerminalView &txtTerm, KeyboardLink link, QObject *parent = nullptr);

    // Types the text as a paste: sent at once (the port buffers what the line
    // has not taken yet), shown as typed text is.
    void paste(const QString &text);
    void pasteFrom(QClipboard::Mode mode);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    bool keyPress(const QKeyEvent &key);
    bool clipboardKey(const QKeyEvent &key);
    // The key-press routine: true cancels the key (the text box does not take it).
    bool txtTerm_KeyPress(const QString &typed);
    void type(const QString &text);
    bool send(const QString &text);
    void report(const QString &notice) const;

    TerminalView &m_txtTerm;
    QWidget *m_viewport;
    KeyboardLink m_link;
};
