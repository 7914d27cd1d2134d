// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

class QWidget;

// What a message box shows. Every box of the program goes through
// MessageBoxes so that tests can record them instead of blocking on them.
struct MessageRequest
{
    enum class Icon { None, Critical, Exclamation, Information };
    enum class Buttons { Ok, OkCancel, YesNo }; // YesNo answers Yes as Ok, No as Cancel

    Icon icon = Icon::None;
    Buttons buttons = Buttons::Ok;
    QString title;
    QString text;
    QString informativeText; // the system's reason, shown below the text
    // What Escape and the close box answer on a box with OK and Cancel.
    bool escapeMeansOk = false;
};

enum class MessageAnswer { Ok = 1, Cancel = 2 };

class MessageBoxes
{
public:
    virtual ~MessageBoxes() = default;
    // Returns when the box has been closed.
    virtual MessageAnswer show(QWidget *parent, const MessageRequest &request) = 0;
};

// The real boxes (QMessageBox).
class QtMessageBoxes final : public MessageBoxes
{
public:
    MessageAnswer show(QWidget *parent, const MessageRequest &request) override;
};

// The program's own transfer and port messages: stop icon, OK, title "ERREUR".
inline MessageRequest errorBox(const QString &text, const QString &informative = {})
{
    return {MessageRequest::Icon::Critical, MessageRequest::Buttons::Ok, QStringLiteral("ERREUR"), text, informative};
}
