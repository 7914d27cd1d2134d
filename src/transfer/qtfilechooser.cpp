// SPDX-License-Identifier: GPL-3.0-or-later
#include "transfer/qtfilechooser.h"

#include <QFileDialog>

void QtFileChooser::configure(QFileDialog &dialog, const QString &title, const QString &filter,
                              const QString &directory)
{
    dialog.setOption(QFileDialog::DontUseNativeDialog, true);
    dialog.setOption(QFileDialog::ReadOnly, false);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::AnyFile); // no check that the file exists
    dialog.setWindowTitle(title);
    dialog.setNameFilter(filter); // ";;" separates entries; the first is selected
    if (!directory.isEmpty())
        dialog.setDirectory(directory);
}

std::optional<QString> QtFileChooser::chooseFileToOpen(QWidget *parent, const QString &title, const QString &filter,
                                                       const QString &directory)
{
    QFileDialog dialog(parent);
    configure(dialog, title, filter, directory);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return dialog.selectedFiles().constFirst();
}

std::optional<QString> QtFileChooser::chooseFileToSave(QWidget *parent, const QString &title, const QString &filter,
                                                       const QString &suggestedPath, bool confirmReplace)
{
    QFileDialog dialog(parent, title);
    dialog.setOption(QFileDialog::DontUseNativeDialog, true);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, !confirmReplace);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setNameFilter(filter);
    dialog.setDefaultSuffix(QStringLiteral("txt"));
    dialog.selectFile(suggestedPath);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return dialog.selectedFiles().constFirst();
}
