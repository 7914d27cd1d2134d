// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include <optional>

class QWidget;

// The file dialogs behind a small interface, so tests choose the answer.
class FileChooser
{
public:
    virtual ~FileChooser() = default;
    // The chosen path, or nothing when the user cancelled. `filter` may hold
    // several entries separated by ";;", the first chosen; the dialog opens
    // in `directory` when it is not empty.
    virtual std::optional<QString> chooseFileToOpen(QWidget *parent, const QString &title, const QString &filter,
                                                    const QString &directory) = 0;
    // The path to write, or nothing when the user cancelled. The dialog
    // proposes `suggestedPath` (folder and name) and, when `confirmReplace`,
    // asks before an existing file is replaced.
    virtual std::optional<QString> chooseFileToSave(QWidget *parent, const QString &title, const QString &filter,
                                                    const QString &suggestedPath, bool confirmReplace) = 0;
};
