// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QStatusBar>
#include <QTimer>

#include <array>

class QLabel;

// The status bar with its four panels, left to right. Each panel's object
// name is its key ("Fichier", "Settings", "adresse", "ConnectTime"). A click
// on any panel is reported as one signal. Above the panels a notice row
// shows a passing notice whole, wrapped over as many lines as it needs: the
// bar grows while it is shown, and the terminal gives way.
class StatusPanels : public QStatusBar
{
    Q_OBJECT
public:
    enum class Panel { Fichier, Settings, Adresse, ConnectTime };

    explicit StatusPanels(QWidget *parent = nullptr);

    static constexpr int NoticeMs = 15000;

    void setText(Panel panel, const QString &text);
    QString text(Panel panel) const;

    // Replaces the notice shown; it goes after `durationMs` (0: when the
    // next one comes), or when it is clicked.
    void showNotice(const QString &text, int durationMs = NoticeMs);
    void hideNotice();
    QString notice() const;

signals:
    void panelClicked();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void placeNotice();

    QLabel *addPanel(Panel panel, const QString &text, const QString &tooltip, int minimumTwips, int stretch);
    QLabel *label(Panel panel) const;

    std::array<QLabel *, 4> m_panels{};
    QLabel *m_notice = nullptr;
    QTimer m_noticeTimer;
};
