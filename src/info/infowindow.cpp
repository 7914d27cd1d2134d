// SPDX-License-Identifier: GPL-3.0-or-later
#include "info/infowindow.h"

void infowindow::setUp(QDialog &window, const QString &objectName, const QString &title)
{
    window.setObjectName(objectName);
    window.setWindowTitle(title);
    window.setAttribute(Qt::WA_DeleteOnClose);
    window.setModal(false);
    // A dialog owned by the main window has no task-bar entry; without an
    // owner a tool window keeps it out all the same.
    const Qt::WindowType kind = window.parentWidget() ? Qt::Dialog : Qt::Tool;
    window.setWindowFlags(kind | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint
                          | Qt::MSWindowsFixedSizeDialogHint);
}

void infowindow::fixSize(QDialog &window)
{
    window.setFixedSize(window.sizeHint());
}
