// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDialog>

class QPlainTextEdit;

// The help window: the board monitor's commands. The user may edit the
// text; the edit lives until the window closes. OK (or the close box)
// unloads it.
class Aide : public QDialog
{
    Q_OBJECT
public:
    explicit Aide(QWidget *parent = nullptr);

    // The six lines as shipped, each ended by a line break.
    static QString helpText();

    void OKButton_Click();

private:
    QPlainTextEdit *Text1 = nullptr;
};
