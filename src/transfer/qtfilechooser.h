// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "shared/filechooser.h"

class QFileDialog;

// The real file dialogs. Qt's own dialog, not the desktop's: it matches
// "*.HEX" without regard to case, so students' "prog.hex" files are listed
// too, and it asks nothing of the file (it may not exist yet).
class QtFileChooser final : public FileChooser
{
public:
    std::optional<QString> chooseFileToOpen(QWidget *parent, const QString &title, const QString &filter,
                                            const QString &directory) override;
    std::optional<QString> chooseFileToSave(QWidget *parent, const QString &title, const QString &filter,
                                            const QString &suggestedPath, bool confirmReplace) override;

    // The dialog as the command shows it, for tests to look at.
    static void configure(QFileDialog &dialog, const QString &title, const QString &filter,
                          const QString &directory = {});
};
