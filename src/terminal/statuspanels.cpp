#include "terminal/statuspanels.h"

#include "terminal/twips.h"

#include <QEvent>
#include <QLabel>
#include <QMouseEvent>

#include <algorithm>

StatusPanels::StatusPanels(QWidget *parent) : QStatusBar(parent)
{
    setObjectName(QStringLiteral("sbrStatus"));
    // No size grip: the window's frame resizes it, and at the window's
    // initial width the grip's room is what the four panels' texts need.
    setSizeGripEnabled(false);
    // Left to right; "Settings" takes what the others leave.
    addPanel(QStringLiteral("Fichier"), QStringLiteral("Fichier:"), QStringLiteral("Nom du Fichier ouvert"), 2440, 0);
    QLabel *settings = addPanel(QStringLiteral("Settings"), QStringLiteral("Settings:"),
                                QStringLiteral("Communications Port Settings"), 0, 1);
    // It gives way first: a narrow window clips a long status message here,
    // not the clock or the file name.
    settings->setSizePolicy(QSizePolicy::Ignored, settings->sizePolicy().verticalPolicy());
    QLabel *address = addPanel(QStringLiteral("adresse"), QStringLiteral("Adresse: 4100"),
                               QStringLiteral("Adresse de départ"), 1440, 0);
    address->setFixedWidth(address->minimumWidth());
    QLabel *clock = addPanel(QStringLiteral("ConnectTime"), QString(), QStringLiteral("Time"), 705, 0);
    // The clock's text always has the same shape: sized for it once, its
    // tick repaints the clock alone instead of laying out the whole bar.
    clock->setText(QStringLiteral("00:00:00 "));
    const QSize timeSize = clock->sizeHint();
    clock->clear();
    clock->setFixedSize(std::max(clock->minimumWidth(), timeSize.width()), timeSize.height());
}

QLabel *StatusPanels::addPanel(const QString &key, const QString &text, const QString &tooltip, int minimumTwips,
                               int stretch)
{
    auto *label = new QLabel(text, this);
    label->setObjectName(key);
    label->setToolTip(tooltip);
    label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    label->setMinimumWidth(twips::toPixels(minimumTwips, twips::logicalDpi(this)));
    label->installEventFilter(this);
    addWidget(label, stretch);
    m_panels.insert(key, label);
    return label;
}

void StatusPanels::setPanelText(const QString &key, const QString &text)
{
    if (QLabel *label = m_panels.value(key))
        label->setText(text);
}

QString StatusPanels::panelText(const QString &key) const
{
    const QLabel *label = m_panels.value(key);
    return label ? label->text() : QString();
}

bool StatusPanels::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::MouseButtonRelease) {
        const auto *mouse = static_cast<QMouseEvent *>(event);
        if (mouse->button() == Qt::LeftButton) {
            emit panelClicked(watched->objectName());
            return true;
        }
    }
    return QStatusBar::eventFilter(watched, event);
}
