// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDialog>

// The About window. OK (or the close box) unloads it.
class Apropos : public QDialog
{
    Q_OBJECT
public:
    explicit Apropos(QWidget *parent = nullptr);

    void OKButton_Click();
};
