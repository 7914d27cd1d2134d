// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "shared/filechooser.h"
#include "shared/messageboxes.h"

#include <QList>
#include <QString>

#include <functional>
#include <optional>

// Records every message box instead of showing it; answers OK unless told.
class RecordingMessageBoxes final : public MessageBoxes
{
public:
    MessageAnswer show(QWidget *parent, const MessageRequest &request) override;

    QList<MessageRequest> shown;
    MessageAnswer answer = MessageAnswer::Ok;
    // Escape or the close box instead of a button: what the real box answers then.
    bool dismiss = false;
    // Runs while the box is "open", before it answers: lets a test deliver
    // events at the moment a real modal box would be on screen.
    std::function<void(const MessageRequest &)> whileOpen;
};

// Answers the file dialogs with a scripted path (or a cancel), and records the
// title and filter it was asked with.
class FakeFileChooser final : public FileChooser
{
public:
    std::optional<QString> chooseFileToOpen(QWidget *parent, const QString &title, const QString &filter,
                                            const QString &directory) override;
    std::optional<QString> chooseFileToSave(QWidget *parent, const QString &title, const QString &filter,
                                            const QString &suggestedPath, bool confirmReplace) override;

    std::optional<QString> answer;
    QString lastTitle;
    QString lastFilter;
    QString lastDirectory;
    QString lastSuggestedPath; // of a save
};

bool operator==(const MessageRequest &a, const MessageRequest &b);
char *toString(const MessageRequest &request); // QCOMPARE prints it on failure
