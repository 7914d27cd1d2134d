// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QWidget>

// Reads a passing notice aloud to screen readers (a load's result, a
// reconnection, a refusal). Qt 6.4 has no announcement of its own: this
// hidden widget has the role of a notification, takes the notice as its
// name and tells the tool it is shown, which a screen reader speaks. When no
// tool is active, nothing is done.
class AccessibleNotice final : public QWidget
{
    Q_OBJECT
public:
    explicit AccessibleNotice(QWidget *parent);

    void announce(const QString &notice);
};
