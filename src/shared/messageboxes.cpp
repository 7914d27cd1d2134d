// SPDX-License-Identifier: GPL-3.0-or-later
#include "shared/messageboxes.h"

#include <QMessageBox>
#include <QPushButton>

MessageAnswer QtMessageBoxes::show(QWidget *parent, const MessageRequest &request)
{
    QMessageBox box(parent);
    switch (request.icon) {
    case MessageRequest::Icon::None: box.setIcon(QMessageBox::NoIcon); break;
    case MessageRequest::Icon::Critical: box.setIcon(QMessageBox::Critical); break;
    case MessageRequest::Icon::Exclamation: box.setIcon(QMessageBox::Warning); break;
    case MessageRequest::Icon::Information: box.setIcon(QMessageBox::Information); break;
    }
    box.setWindowTitle(request.title);
    box.setText(request.text);
    if (!request.informativeText.isEmpty())
        box.setInformativeText(request.informativeText);
    if (request.buttons == MessageRequest::Buttons::OkCancel) {
        box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
        box.setDefaultButton(QMessageBox::Ok);
        // The boxes' texts name their buttons "OK" and "Cancel": keep those
        // captions whatever language Qt's own buttons speak.
        box.button(QMessageBox::Ok)->setText(QStringLiteral("OK"));
        box.button(QMessageBox::Cancel)->setText(QStringLiteral("Cancel"));
        if (request.escapeMeansOk)
            box.setEscapeButton(QMessageBox::Ok);
    } else if (request.buttons == MessageRequest::Buttons::YesNo) {
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box.setDefaultButton(QMessageBox::No);
    } else {
        box.setStandardButtons(QMessageBox::Ok);
    }
    const int answer = box.exec();
    return answer == QMessageBox::Cancel || answer == QMessageBox::No ? MessageAnswer::Cancel : MessageAnswer::Ok;
}
