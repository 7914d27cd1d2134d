#pragma once

#include <QObject>
#include <QString>

#include <functional>
#include <optional>

class Failure;
class QPlainTextEdit;

// What the keyboard needs from the rest of the program, as plain functions so
// that tests can stand in for the port.
struct KeyboardLink
{
    std::function<bool()> portOpen;              // MSComm1's PortOpen
    std::function<void(const QString &)> output; // MSComm1's Output; may throw Failure
    std::function<bool()> echo;                  // the echo flag
    // The rest are optional.
    std::function<bool()> sendingBlocked;            // true while an upload runs
    std::function<void(const Failure &)> sendFailed; // told when Output fails
    std::function<void()> beforeKey;                 // e.g. the display's flush, to keep edits in order
};

// The text a key press types into the terminal, as the text box's key-press
// notification reports it: Enter is a carriage return, Backspace code 8,
// Ctrl with @, A-Z, [, \, ], ^ or _ its control code (0-31), any other key its
// text. No value for keys that type nothing (arrows, function keys, Delete).
std::optional<QString> typedText(int key, Qt::KeyboardModifiers modifiers, const QString &text);

// Sends each character typed into txtTerm to the board at once, one byte per
// key, and decides by the echo flag whether the text box shows it. An event
// filter on txtTerm, so that the key can be cancelled before the text box
// inserts it.
//   port closed: the key is the text box's (ordinary local editing);
//   port open: the byte goes out; echo off: caret to the end and the key is
//   cancelled; echo on: the text box inserts the key at its caret.
// A character with no 8-bit code is not sent (and cancelled with echo off).
// While sending is blocked, character keys are neither sent nor inserted.
// A failing Output is handed to sendFailed (if set) and the key is cancelled:
// nothing went out, so nothing is shown.
class KeyboardSend final : public QObject
{
    Q_OBJECT
public:
    // Installs itself on txtTerm, and is its child unless told otherwise.
    // portOpen, output and echo must be set.
    KeyboardSend(QPlainTextEdit &txtTerm, KeyboardLink link, QObject *parent = nullptr);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // The key-press routine: true cancels the key (the text box does not take it).
    bool txtTerm_KeyPress(const QString &typed);
    bool send(const QString &typed);

    QPlainTextEdit &m_txtTerm;
    KeyboardLink m_link;
};
