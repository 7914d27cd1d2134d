#pragma once

#include <QHash>
#include <QStatusBar>

class QLabel;

// The status bar with its four keyed panels: "Fichier", "Settings",
// "adresse", "ConnectTime". A click on any panel is reported as one signal.
class StatusPanels : public QStatusBar
{
    Q_OBJECT
public:
    explicit StatusPanels(QWidget *parent = nullptr);

    void setPanelText(const QString &key, const QString &text);
    QString panelText(const QString &key) const;
    QLabel *panel(const QString &key) const { return m_panels.value(key); }

signals:
    void panelClicked(const QString &key);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QLabel *addPanel(const QString &key, const QString &text, const QString &tooltip, int minimumTwips, int stretch);

    QHash<QString, QLabel *> m_panels;
};
