// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QStatusBar>

#include <array>

class QLabel;

// The status bar with its four panels, left to right. Each panel's object
// name is its key ("Fichier", "Settings", "adresse", "ConnectTime"). A click
// on any panel is reported as one signal.
class StatusPanels : public QStatusBar
{
    Q_OBJECT
public:
    enum class Panel { Fichier, Settings, Adresse, ConnectTime };

    explicit StatusPanels(QWidget *parent = nullptr);

    void setText(Panel panel, const QString &text);
    QString text(Panel panel) const;

signals:
    void panelClicked();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QLabel *addPanel(Panel panel, const QString &text, const QString &tooltip, int minimumTwips, int stretch);
    QLabel *label(Panel panel) const;

    std::array<QLabel *, 4> m_panels{};
};
