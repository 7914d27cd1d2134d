// SPDX-License-Identifier: GPL-3.0-or-later
#include "terminal/connectionindicator.h"

#include "shared/twips.h"
#include "terminal/icons.h"

#include <QLabel>

ConnectionIndicator::ConnectionIndicator(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("Frame2"));
    auto image = [this](const char *name, const QPixmap &pixmap, const QString &spoken) {
        auto *label = new QLabel(this);
        label->setObjectName(QLatin1String(name));
        label->setAccessibleName(spoken);
        label->setToolTip(QStringLiteral("Status Port"));
        label->setPixmap(pixmap);
        label->setAlignment(Qt::AlignCenter);
        return label;
    };
    imgConnected = image("imgConnected", icons::connected(), QStringLiteral("Port connecté"));
    imgNotConnected = image("imgNotConnected", icons::notConnected(), QStringLiteral("Port déconnecté"));
    // The port is closed when the window is created.
    showConnected(false);
    const double dpi = twips::logicalDpi(parent);
    resize(twips::toPixels(495, dpi), twips::toPixels(255, dpi));
    for (QLabel *label : {imgConnected, imgNotConnected})
        label->setGeometry(twips::toPixels(120, dpi), 0, twips::toPixels(240, dpi), twips::toPixels(240, dpi));
}

void ConnectionIndicator::showConnected(bool connected)
{
    (connected ? imgConnected : imgNotConnected)->raise();
    // The one behind is not there for a screen reader either.
    imgConnected->setVisible(connected);
    imgNotConnected->setVisible(!connected);
}

bool ConnectionIndicator::showsConnected() const
{
    // Children are kept in stacking order: the later of the two is in front.
    bool connected = false;
    for (const QObject *child : children()) {
        if (child == imgConnected)
            connected = true;
        else if (child == imgNotConnected)
            connected = false;
    }
    return connected;
}
