// SPDX-License-Identifier: GPL-3.0-or-later
#include "fakes.h"

#include <QtTest/QTest>

MessageAnswer RecordingMessageBoxes::show(QWidget *, const MessageRequest &request)
{
    shown.append(request);
    if (whileOpen)
        whileOpen(request);
    if (!dismiss)
        return answer;
    // Escape answers No to a question.
    const bool cancel = (request.buttons == MessageRequest::Buttons::OkCancel && !request.escapeMeansOk)
                        || request.buttons == MessageRequest::Buttons::YesNo;
    return cancel ? MessageAnswer::Cancel : MessageAnswer::Ok;
}

std::optional<QString> FakeFileChooser::chooseFileToOpen(QWidget *, const QString &title, const QString &filter,
                                                         const QString &directory)
{
    lastDirectory = directory;
    lastTitle = title;
    lastFilter = filter;
    return answer;
}

std::optional<QString> FakeFileChooser::chooseFileToSave(QWidget *, const QString &title, const QString &filter,
                                                         const QString &suggestedPath, bool)
{
    lastSuggestedPath = suggestedPath;
    lastTitle = title;
    lastFilter = filter;
    return answer;
}

bool operator==(const MessageRequest &a, const MessageRequest &b)
{
    return a.icon == b.icon && a.buttons == b.buttons && a.title == b.title && a.text == b.text
           && a.informativeText == b.informativeText && a.escapeMeansOk == b.escapeMeansOk;
}

char *toString(const MessageRequest &request)
{
    static const char *const icons[] = {"None", "Critical", "Exclamation", "Information"};
    const QString text =
        QStringLiteral("{icon %1, %2%6, title \"%3\", text \"%4\", info \"%5\"}")
            .arg(QLatin1String(icons[int(request.icon)]),
                 QStringList{"Ok", "OkCancel", "YesNo"}.at(int(request.buttons)), request.title, request.text,
                 request.informativeText, request.escapeMeansOk ? QStringLiteral(" (Escape: OK)") : QString());
    return qstrdup(text.toUtf8().constData());
}
