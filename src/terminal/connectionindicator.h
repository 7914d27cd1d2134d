// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QWidget>

class QLabel;

// The connection indicator beside the toolbar: two images stacked, the one
// in front says whether the port is open.
class ConnectionIndicator final : public QWidget
{
    Q_OBJECT
public:
    explicit ConnectionIndicator(QWidget *parent);

    void showConnected(bool connected);
    bool showsConnected() const;

private:
    QLabel *imgConnected = nullptr;
    QLabel *imgNotConnected = nullptr;
};
