// SPDX-License-Identifier: GPL-3.0-or-later
#include "terminal/statuspanels.h"

#include "shared/twips.h"

#include <QEvent>
#include <QLabel>
#include <QMouseEvent>

#include <algorithm>

namespace {
QString keyOf(StatusPanels::Panel panel)
{
    switch (panel) {
    case StatusPanels::Panel::Fichier: return QStringLiteral("Fichier");
    case StatusPanels::Panel::Settings: return QStringLiteral("Settings");
    case StatusPanels::Panel::Adresse: return QStringLiteral("adresse");
    case StatusPanels::Panel::ConnectTime: return QStringLiteral("ConnectTime");
    }
    return {};
}
} // namespace

StatusPanels::StatusPanels(QWidget *parent) : QStatusBar(parent)
{
    setObjectName(QStringLiteral("sbrStatus"));
    // No size grip: the window's frame resizes it, and at the window's
    // initial width the grip's room is what the four panels' texts need.
    setSizeGripEnabled(false);
    // Left to right; "Settings" takes what the others leave.
    addPanel(Panel::Fichier, QStringLiteral("Fichier:"), QStringLiteral("Nom du Fichier ouvert"), 2440, 0);
    QLabel *settings =
        addPanel(Panel::Settings, QStringLiteral("Settings:"), QStringLiteral("Communications Port Settings"), 0, 1);
    // It gives way first: a narrow window clips a long status message here,
    // not the clock or the file name.
    settings->setSizePolicy(QSizePolicy::Ignored, settings->sizePolicy().verticalPolicy());
    QLabel *address =
        addPanel(Panel::Adresse, QStringLiteral("Adresse: 4100"), QStringLiteral("Adresse de départ"), 1440, 0);
    address->setFixedWidth(address->minimumWidth());
    QLabel *clock = addPanel(Panel::ConnectTime, QString(), QStringLiteral("Time"), 705, 0);
    // The clock's text always has the same shape: sized for it once, its
    // tick repaints the clock alone instead of laying out the whole bar.
    clock->setText(QStringLiteral("00:00:00 "));
    const QSize timeSize = clock->sizeHint();
    clock->clear();
    clock->setFixedSize(std::max(clock->minimumWidth(), timeSize.width()), timeSize.height());
    // Painting its own background, it repaints alone: the bar beneath it is
    // not painted again every second.
    clock->setAutoFillBackground(true);

    // Not in the panels' row: placed above it by hand, in room the bar's top
    // margin leaves.
    m_notice = new QLabel(this);
    m_notice->setObjectName(QStringLiteral("notice"));
    m_notice->setWordWrap(true);
    m_notice->setTextFormat(Qt::PlainText);
    m_notice->setFrameStyle(QFrame::StyledPanel | QFrame::Plain);
    m_notice->setMargin(2);
    m_notice->installEventFilter(this);
    m_notice->hide();
    m_noticeTimer.setSingleShot(true);
    connect(&m_noticeTimer, &QTimer::timeout, this, &StatusPanels::hideNotice);
}

void StatusPanels::showNotice(const QString &text, int durationMs)
{
    m_notice->setText(text);
    m_notice->show();
    placeNotice();
    if (durationMs > 0)
        m_noticeTimer.start(durationMs);
    else
        m_noticeTimer.stop();
}

void StatusPanels::hideNotice()
{
    m_noticeTimer.stop();
    if (m_notice->isHidden())
        return;
    m_notice->hide();
    m_notice->clear();
    placeNotice();
}

QString StatusPanels::notice() const
{
    return m_notice->isHidden() ? QString() : m_notice->text();
}

void StatusPanels::resizeEvent(QResizeEvent *event)
{
    QStatusBar::resizeEvent(event);
    placeNotice();
}

// The room above the panels follows the notice's wrapped height at the
// bar's width; the layout then grows the bar by as much.
void StatusPanels::placeNotice()
{
    constexpr int side = 2;
    const int height = m_notice->isHidden() ? 0 : m_notice->heightForWidth(width() - 2 * side);
    m_notice->setGeometry(side, side, width() - 2 * side, height);
    const int top = height > 0 ? height + side : 0;
    if (contentsMargins().top() != top)
        setContentsMargins(0, top, 0, 0);
}

QLabel *StatusPanels::addPanel(Panel panel, const QString &text, const QString &tooltip, int minimumTwips, int stretch)
{
    auto *created = new QLabel(text, this);
    created->setObjectName(keyOf(panel));
    created->setToolTip(tooltip);
    created->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    created->setMinimumWidth(twips::toPixels(minimumTwips, twips::logicalDpi(this)));
    created->installEventFilter(this);
    addWidget(created, stretch);
    m_panels[static_cast<std::size_t>(panel)] = created;
    return created;
}

QLabel *StatusPanels::label(Panel panel) const
{
    return m_panels.at(static_cast<std::size_t>(panel));
}

void StatusPanels::setText(Panel panel, const QString &text)
{
    label(panel)->setText(text);
}

QString StatusPanels::text(Panel panel) const
{
    return label(panel)->text();
}

bool StatusPanels::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_notice) {
        if (event->type() == QEvent::MouseButtonRelease)
            hideNotice();
        return QStatusBar::eventFilter(watched, event);
    }
    if (event->type() == QEvent::MouseButtonRelease) {
        const auto *mouse = static_cast<QMouseEvent *>(event);
        if (mouse->button() == Qt::LeftButton) {
            emit panelClicked();
            return true;
        }
    }
    return QStatusBar::eventFilter(watched, event);
}
